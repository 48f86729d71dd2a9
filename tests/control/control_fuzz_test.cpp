// Damaged input from hosts: corrupted streams and malformed settings documents, each given to a
// fresh control. Every call must answer within a few seconds, nothing may crash, and the control
// must still draw and save afterwards.
//
// Counts and seed can be changed without a rebuild: VADAZ_FUZZ_STREAMS (default 1000),
// VADAZ_FUZZ_DOCUMENTS (default 300), VADAZ_FUZZ_SEED.
#include "tests/control/ControlFixture.h"
#include "tests/support/Watchdog.h"

#include "platform/Xml.h"

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using namespace controltest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

constexpr DWORD kCallLimitMs = 5000;

long Setting(const wchar_t* name, long fallback) {
    wchar_t text[32] = {};
    if (!::GetEnvironmentVariableW(name, text, 32)) return fallback;
    long value = std::wcstol(text, nullptr, 10);
    return value > 0 ? value : fallback;
}

ComPtr<IStream> StreamOf(const std::vector<BYTE>& bytes) {
    ComPtr<IStream> stream;
    ::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
    if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    return stream;
}

std::vector<BYTE> BytesOf(IStream* stream) {
    STATSTG stat = {};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::vector<BYTE> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    if (!bytes.empty()) stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    return bytes;
}

std::vector<BYTE> StreamBytesOfText(const std::wstring& text) {
    std::vector<BYTE> bytes(4 + text.size() * 2 + 2, 0);
    ULONG count = static_cast<ULONG>(text.size() * 2 + 2);
    memcpy(bytes.data(), &count, 4);
    memcpy(bytes.data() + 4, text.data(), text.size() * 2);
    return bytes;
}

// A control the way a container makes one: created, initialised or loaded, then used.
struct FreshControl {
    ComPtr<IUnknown> unknown;
    ComPtr<IPersistStreamInit> persist;
    FreshControl() {
        EXPECT_EQ(CreateControl(unknown), S_OK);
        if (unknown) persist = As<IPersistStreamInit>(unknown.Get());
    }
    ~FreshControl() {
        if (ComPtr<IZmaVadAZ> typed = As<IZmaVadAZ>(unknown.Get())) typed->PreDestroy();
    }
};

// The control still draws into a bitmap and saves into a stream.
void ExpectDrawsAndSaves(IUnknown* control, const std::string& what) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(dc, 64, 48);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    RECTL bounds = {0, 0, 64, 48};
    EXPECT_EQ(As<IViewObjectEx>(control)->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, dc, dc, &bounds, nullptr, nullptr, 0),
              S_OK)
        << what;
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ComPtr<IStream> saved;
    ::CreateStreamOnHGlobal(nullptr, TRUE, saved.Put());
    EXPECT_EQ(As<IPersistStreamInit>(control)->Save(saved.Get(), TRUE), S_OK) << what;
}

// Runs one call under the watchdog and checks it answered within the limit.
template <class F>
HRESULT Timed(testsupport::Watchdog& dog, const std::string& what, F call) {
    dog.Arm(what);
    DWORD start = ::GetTickCount();
    HRESULT hr = call();
    DWORD took = ::GetTickCount() - start;
    EXPECT_LT(took, kCallLimitMs) << what;
    return hr;
}

const wchar_t* const kNastyNumbers[] = {L"NaN", L"nan", L"inf", L"-inf", L"1e308", L"-1e308", L"1e20", L"-1e20",
                                        L"1e-320", L"0", L"-0", L"5abc", L"1,5", L"", L" ", L"0x10", L"-2147483649",
                                        L"4294967296", L"1e999", L"\u0661", L"1.7976931348623157e308",
                                        L"-1.7976931348623157e308", L"2147483647", L"-2147483648", L"1e6", L"1e308km",
                                        L"1e30mm"};

// The numeric attribute names of the settings and layer elements.
const wchar_t* const kNumericAttributes[] = {
    L"zoom", L"centerx", L"centery", L"CursorPositionFormatType", L"overviewregionleft", L"overviewregionright",
    L"overviewregiontop", L"overviewregionbottom", L"showscale", L"showcursorposition", L"showoverviewregion",
    L"_Version"};

std::wstring BaseSettingsText() {
    FreshControl control;
    EXPECT_EQ(control.persist->InitNew(), S_OK);
    ComPtr<IStream> stream;
    ::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
    EXPECT_EQ(control.persist->Save(stream.Get(), TRUE), S_OK);
    std::vector<BYTE> bytes = BytesOf(stream.Get());
    if (bytes.size() < 6) return L"<mapsettings zoom='10' centerx='0' centery='0'/>";
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 4), (bytes.size() - 6) / 2);
    return text;
}

// Replaces the value of `name`="..." in `text`; unchanged when the attribute is not there.
std::wstring WithAttribute(const std::wstring& text, const std::wstring& name, const std::wstring& value) {
    const std::wstring key = L" " + name + L"=\"";
    size_t at = text.find(key);
    if (at == std::wstring::npos) return text;
    size_t start = at + key.size();
    size_t end = text.find(L'"', start);
    if (end == std::wstring::npos) return text;
    return text.substr(0, start) + value + text.substr(end);
}

class StreamFuzzer {
public:
    StreamFuzzer(const std::wstring& base, unsigned seed) : base_(base), bytes_(StreamBytesOfText(base)), random_(seed) {}

    // The i-th damaged stream and what was done to it.
    std::vector<BYTE> Make(long i, std::string& what) {
        std::vector<BYTE> b = bytes_;
        switch (i % 8) {
        case 0: {  // truncated
            size_t keep = Pick(b.size());
            b.resize(keep);
            what = "truncated to " + std::to_string(keep);
            break;
        }
        case 1: {  // bit flips
            int flips = 1 + static_cast<int>(Pick(8));
            for (int k = 0; k < flips; ++k) b[Pick(b.size())] ^= static_cast<BYTE>(1u << Pick(8));
            what = std::to_string(flips) + " bit flips";
            break;
        }
        case 2: {  // random bytes
            b.resize(Pick(600));
            for (BYTE& x : b) x = static_cast<BYTE>(Pick(256));
            what = "random bytes";
            break;
        }
        case 3: {  // hostile counts
            const ULONG counts[] = {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 3u, 1u, 2u, 0x10000000u,
                                    static_cast<ULONG>(b.size() + 2), static_cast<ULONG>(Pick(0xFFFFFFFFu))};
            ULONG count = counts[Pick(sizeof counts / sizeof counts[0])];
            memcpy(b.data(), &count, 4);
            what = "count " + std::to_string(count);
            break;
        }
        case 4: {  // deep nesting
            size_t depth = 50 + Pick(20000);
            std::wstring nested = L"<mapsettings zoom=\"1\" centerx=\"0\" centery=\"0\">";
            for (size_t k = 0; k < depth; ++k) nested += L"<layers>";
            for (size_t k = 0; k < depth; ++k) nested += L"</layers>";
            nested += L"</mapsettings>";
            b = StreamBytesOfText(nested);
            what = "nesting " + std::to_string(depth);
            break;
        }
        case 5:
        case 6: {  // a bad number in a numeric attribute
            const wchar_t* name = kNumericAttributes[Pick(sizeof kNumericAttributes / sizeof kNumericAttributes[0])];
            const wchar_t* value = kNastyNumbers[Pick(sizeof kNastyNumbers / sizeof kNastyNumbers[0])];
            b = StreamBytesOfText(WithAttribute(base_, name, value));
            what = platform::ToAnsi(name) + "=" + platform::ToAnsi(value);
            break;
        }
        default: {  // embedded zero characters
            std::wstring text = base_;
            int zeros = 1 + static_cast<int>(Pick(4));
            for (int k = 0; k < zeros; ++k) text[Pick(text.size())] = L'\0';
            b = StreamBytesOfText(text);
            what = std::to_string(zeros) + " embedded zeros";
            break;
        }
        }
        return b;
    }

private:
    size_t Pick(size_t below) { return below ? static_cast<size_t>(random_() % below) : 0; }

    std::wstring base_;
    std::vector<BYTE> bytes_;
    std::mt19937 random_;
};

TEST(Fuzzing, CorruptedStreamsLoadIntoAControlThatStillDrawsAndSaves) {
    const long count = Setting(L"VADAZ_FUZZ_STREAMS", 1000);
    const unsigned seed = static_cast<unsigned>(Setting(L"VADAZ_FUZZ_SEED", 12));
    testsupport::Watchdog dog;
    const std::wstring base = BaseSettingsText();
    ASSERT_NE(base.find(L" zoom=\""), std::wstring::npos) << "the numbers to spoil are in the saved settings";
    StreamFuzzer fuzzer(base, seed);
    for (long i = 0; i < count; ++i) {
        std::string what;
        std::vector<BYTE> bytes = fuzzer.Make(i, what);
        what = "stream " + std::to_string(i) + ": " + what;
        FreshControl control;
        ASSERT_TRUE(control.persist) << what;
        // A damaged map never fails the host's document.
        HRESULT hr = Timed(dog, what, [&] { return control.persist->Load(StreamOf(bytes).Get()); });
        EXPECT_EQ(hr, S_OK) << what;
        Timed(dog, what + " (draw, save)", [&] {
            ExpectDrawsAndSaves(control.unknown.Get(), what);
            return S_OK;
        });
        if (::testing::Test::HasFailure()) break;
    }
}

// Settings documents that parse but hold what no control wrote.
class DocumentFuzzer {
public:
    DocumentFuzzer(const std::wstring& base, unsigned seed) : base_(base), random_(seed) {}

    std::wstring Make(long i, std::string& what) {
        std::wstring text = base_;
        switch (i % 5) {
        case 0: {  // every numeric attribute bad at once
            const wchar_t* value = kNastyNumbers[Pick(sizeof kNastyNumbers / sizeof kNastyNumbers[0])];
            for (const wchar_t* name : kNumericAttributes) text = WithAttribute(text, name, value);
            what = "all numbers " + platform::ToAnsi(value);
            break;
        }
        case 1: {  // one bad number
            const wchar_t* name = kNumericAttributes[Pick(sizeof kNumericAttributes / sizeof kNumericAttributes[0])];
            const wchar_t* value = kNastyNumbers[Pick(sizeof kNastyNumbers / sizeof kNastyNumbers[0])];
            text = WithAttribute(text, name, value);
            what = platform::ToAnsi(name) + "=" + platform::ToAnsi(value);
            break;
        }
        case 2: {  // layers nobody saved
            std::wstring layers = L"<layers>";
            int n = 1 + static_cast<int>(Pick(20));
            for (int k = 0; k < n; ++k) {
                const wchar_t* value = kNastyNumbers[Pick(sizeof kNastyNumbers / sizeof kNastyNumbers[0])];
                layers += L"<Layer layertype=\"" + std::wstring(value) + L"\" layername=\"x" + std::to_wstring(k) +
                          L"\" layerfilespec=\"Z:\\\\nowhere\\\\x.TAB\" visible=\"" + value + L"\" zoommin=\"" + value +
                          L"\" zoommax=\"" + value + L"\" order=\"" + value + L"\"/>";
            }
            layers += L"</layers>";
            size_t close = text.rfind(L"</mapsettings>");
            if (close == std::wstring::npos) {
                size_t selfClose = text.rfind(L"/>");
                text = text.substr(0, selfClose) + L">" + layers + L"</mapsettings>";
            } else {
                text.insert(close, layers);
            }
            what = std::to_string(n) + " odd layers";
            break;
        }
        case 3: {  // deep nesting
            size_t depth = 10 + Pick(200);
            std::wstring nested;
            for (size_t k = 0; k < depth; ++k) nested += L"<layers><Layer layertype=\"2\">";
            for (size_t k = 0; k < depth; ++k) nested += L"</Layer></layers>";
            text = L"<mapsettings zoom=\"1\" centerx=\"0\" centery=\"0\">" + nested + L"</mapsettings>";
            what = "nesting " + std::to_string(depth);
            break;
        }
        default: {  // attributes missing or empty
            for (const wchar_t* name : kNumericAttributes)
                if (Pick(2)) text = WithAttribute(text, name, L"");
            what = "empty attributes";
            break;
        }
        }
        return text;
    }

private:
    size_t Pick(size_t below) { return below ? static_cast<size_t>(random_() % below) : 0; }

    std::wstring base_;
    std::mt19937 random_;
};

TEST(Fuzzing, MalformedSettingsDocumentsLeaveAControlThatStillDrawsAndSaves) {
    const long count = Setting(L"VADAZ_FUZZ_DOCUMENTS", 300);
    const unsigned seed = static_cast<unsigned>(Setting(L"VADAZ_FUZZ_SEED", 12));
    testsupport::Watchdog dog;
    DocumentFuzzer fuzzer(BaseSettingsText(), seed + 1);
    for (long i = 0; i < count; ++i) {
        std::string what;
        std::wstring text = fuzzer.Make(i, what);
        what = "document " + std::to_string(i) + ": " + what;
        ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
        VARIANT_BOOL parsed = VARIANT_FALSE;
        document->loadXML(Bstr(L"<host>" + text + L"</host>").Get(), &parsed);
        ComPtr<IXMLDOMElement> root;
        document->get_documentElement(root.Put());
        if (!root) continue;  // not a document a host could hand over

        FreshControl control;
        ASSERT_TRUE(control.persist) << what;
        ASSERT_EQ(control.persist->InitNew(), S_OK) << what;
        ComPtr<IZmaVadAZ> typed = As<IZmaVadAZ>(control.unknown.Get());
        // Whatever it answers (a document may be refused), it answers.
        Timed(dog, what, [&] { return typed->LoadFromXML(As<IDispatch>(root.Get()).Get()); });
        Timed(dog, what + " (draw, save)", [&] {
            ExpectDrawsAndSaves(control.unknown.Get(), what);
            return S_OK;
        });
        if (::testing::Test::HasFailure()) break;
    }
}

}  // namespace
