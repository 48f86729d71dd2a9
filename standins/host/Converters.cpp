// The unit converter and the stream-text converter.
#include "standins/host/Classes.h"
#include "standins/host/StandIn.h"

#include "platform/ClassFactory.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include <string>
#include <vector>

namespace hoststandin {

namespace {

// Every unit as a whole number of 1/7200000 m: twips (1/1440 in), hundredths of a millimetre and
// the imperial units are then exact integers, so that conversions between them are exact where
// the result is representable (10 cm is exactly 10000 hundredths of a millimetre).
struct UnitEntry {
    long code;
    double base;
    const wchar_t* name;
};

const UnitEntry kUnits[] = {
    {2, 127.0, L"twip"},
    {3, 2540.0, L"pt"},
    {4, 182880.0, L"in"},
    {5, 2194560.0, L"ft"},
    {6, 6583680.0, L"yd"},
    {7, 144840960.0, L"ch"},
    {8, 11587276800.0, L"mi"},
    {9, 72.0, L"0.01 mm"},
    {11, 7200.0, L"mm"},
    {12, 72000.0, L"cm"},
    {13, 7200000.0, L"m"},
    {14, 7200000000.0, L"km"},
};

const UnitEntry* FindUnit(long code) {
    for (const UnitEntry& u : kUnits) {
        if (u.code == code) return &u;
    }
    return nullptr;
}

class HostUnitConverter : public platform::ComObject<HostUnitConverter, IHostUnitConverter, CallLogDual> {
public:
    HostUnitConverter() : faults_(L"unitconverter") { BindLog(ClassLog(L"unitconverter")); }

    HRESULT FinalConstruct() { return faults_.Check(L"create"); }

    STDMETHODIMP Convert(double value, long fromUnit, long toUnit, double* result) override {
        Log().Add(CallLine(L"Convert", value, fromUnit, toUnit));
        if (!result) return E_POINTER;
        *result = 0.0;
        RETURN_IF_FAILED(faults_.Check(L"Convert"));
        const UnitEntry* from = FindUnit(fromUnit);
        const UnitEntry* to = FindUnit(toUnit);
        if (!from || !to) return Fail(E_INVALIDARG, L"Unknown unit code", L"UnitConverter");
        *result = fromUnit == toUnit ? value : value * from->base / to->base;
        return S_OK;
    }

    STDMETHODIMP UnitName(long unit, BSTR* name) override {
        Log().Add(CallLine(L"UnitName", unit));
        if (!name) return E_POINTER;
        *name = nullptr;
        RETURN_IF_FAILED(faults_.Check(L"UnitName"));
        const UnitEntry* u = FindUnit(unit);
        if (!u) return Fail(E_INVALIDARG, L"Unknown unit code", L"UnitConverter");
        return CopyOut(u->name, name);
    }

private:
    Faults faults_;
};

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::wstring EncodeBase64(const std::vector<unsigned char>& bytes) {
    std::wstring out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        for (int s = 18; s >= 0; s -= 6) out += static_cast<wchar_t>(kBase64[(v >> s) & 63]);
    }
    size_t rest = bytes.size() - i;
    if (rest) {
        unsigned v = bytes[i] << 16;
        if (rest == 2) v |= bytes[i + 1] << 8;
        out += static_cast<wchar_t>(kBase64[(v >> 18) & 63]);
        out += static_cast<wchar_t>(kBase64[(v >> 12) & 63]);
        out += rest == 2 ? static_cast<wchar_t>(kBase64[(v >> 6) & 63]) : L'=';
        out += L'=';
    }
    return out;
}

int Base64Value(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return c - L'A';
    if (c >= L'a' && c <= L'z') return c - L'a' + 26;
    if (c >= L'0' && c <= L'9') return c - L'0' + 52;
    if (c == L'+') return 62;
    if (c == L'/') return 63;
    return -1;
}

// False for text that is not base64 (white space is skipped).
bool DecodeBase64(const wchar_t* text, size_t length, std::vector<unsigned char>& bytes) {
    unsigned acc = 0;
    int bits = 0;
    bool padding = false;
    for (size_t i = 0; i < length; ++i) {
        wchar_t c = text[i];
        if (c == L' ' || c == L'\r' || c == L'\n' || c == L'\t') continue;
        if (c == L'=') {
            padding = true;
            continue;
        }
        int v = Base64Value(c);
        if (v < 0 || padding) return false;
        acc = (acc << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<unsigned char>((acc >> bits) & 0xFF));
        }
    }
    return true;
}

class HostStreamText : public platform::ComObject<HostStreamText, IHostStreamText, CallLogDual> {
public:
    HostStreamText() : faults_(L"streamtext") { BindLog(ClassLog(L"streamtext")); }

    HRESULT FinalConstruct() { return faults_.Check(L"create"); }

    STDMETHODIMP Reserved3() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved5() override { return E_NOTIMPL; }

    STDMETHODIMP StreamToText(IStream* stream, BSTR* text) override {
        Log().Add(CallLine(L"StreamToText", stream));
        if (!text) return E_POINTER;
        *text = nullptr;
        if (!stream) return E_POINTER;
        RETURN_IF_FAILED(faults_.Check(L"StreamToText"));
        COM_TRY {
            // The whole stream, wherever its seek pointer stands.
            LARGE_INTEGER zero = {};
            THROW_IF_FAILED(stream->Seek(zero, STREAM_SEEK_SET, nullptr));
            std::vector<unsigned char> bytes;
            unsigned char block[4096];
            for (;;) {
                ULONG got = 0;
                HRESULT hr = stream->Read(block, sizeof block, &got);
                THROW_IF_FAILED(hr);
                bytes.insert(bytes.end(), block, block + got);
                if (got == 0 || hr == S_FALSE) break;
            }
            return CopyOut(EncodeBase64(bytes), text);
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP TextToStream(BSTR text, IStream** stream) override {
        Log().Add(CallLine(L"TextToStream", std::to_wstring(::SysStringLen(text)) + L" chars"));
        if (!stream) return E_POINTER;
        *stream = nullptr;
        RETURN_IF_FAILED(faults_.Check(L"TextToStream"));
        COM_TRY {
            std::vector<unsigned char> bytes;
            if (!DecodeBase64(text ? text : L"", ::SysStringLen(text), bytes))
                return Fail(E_INVALIDARG, L"The text is not base64", L"StreamText");
            platform::ComPtr<IStream> s;
            THROW_IF_FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, s.Put()));
            if (!bytes.empty()) THROW_IF_FAILED(s->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr));
            LARGE_INTEGER zero = {};
            THROW_IF_FAILED(s->Seek(zero, STREAM_SEEK_SET, nullptr));
            *stream = s.Detach();
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

private:
    Faults faults_;
};

}  // namespace

HRESULT CreateUnitConverterClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostUnitConverter>(iid, out);
}

HRESULT CreateStreamTextClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostStreamText>(iid, out);
}

}  // namespace hoststandin
