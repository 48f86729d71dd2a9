// The host service with its profile component, the unit converter and the stream-text converter.
#include "tests/standins/host/HostTestSupport.h"

#include "platform/ComObject.h"

#include <cmath>

using hosttest::Calls;
using hosttest::Create;
using hosttest::Query;
using platform::Bstr;
using platform::ComPtr;

namespace {

const wchar_t kProgId[] = L"ZmaAOMapXDLL.ZmaAOMapX";
const wchar_t kVersionedProgId[] = L"ZmaAOMapXDLL.ZmaAOMapX.1";
const wchar_t kProfile[] = L"%##CurrentSettings##%";

// Plays the profile component: records the calls and fails the one it is told to.
class RecordingHandler : public platform::ComObject<RecordingHandler, IHostCallHandler> {
public:
    STDMETHODIMP OnCall(BSTR method, BSTR profile, IUnknown* control) override {
        seen.push_back(std::wstring(method) + L":" + (profile ? profile : L""));
        controls.push_back(control);
        if (failing == method) {
            ICreateErrorInfo* create = nullptr;
            ::CreateErrorInfo(&create);
            create->SetDescription(const_cast<LPOLESTR>(L"profile refused"));
            IErrorInfo* info = nullptr;
            create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
            ::SetErrorInfo(0, info);
            info->Release();
            create->Release();
            return E_ACCESSDENIED;
        }
        return S_OK;
    }
    std::vector<std::wstring> seen;
    std::vector<IUnknown*> controls;
    std::wstring failing;
};

class HostServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        service_ = Create<IHostService>(CLSID_HostService);
        ASSERT_TRUE(service_);
        component_ = Create<IHostProfileComponent>(CLSID_HostProfileComponent);
        ASSERT_TRUE(component_);
        hosttest::ClearCalls(service_.Get());
        hosttest::ClearCalls(component_.Get());
        control_ = Create<IUnknown>(CLSID_HostStringList);  // any object stands for the control
    }
    void TearDown() override {
        if (component_) Query<IHostProfileTest>(component_)->SetHandler(nullptr);
    }

    ComPtr<IHostService> service_;
    ComPtr<IHostProfileComponent> component_;
    ComPtr<IUnknown> control_;
    Bstr progId_{kProgId};
    Bstr profile_{kProfile};
};

TEST_F(HostServiceTest, HandsEveryMethodToTheComponentNamedByItsProgId) {
    Bstr versioned(kVersionedProgId), job(L"job7"), other(L"Other");
    ComPtr<IUnknown> opened;
    ASSERT_EQ(service_->OpenProfile(progId_.Get(), profile_.Get(), control_.Get(), opened.Put()), S_OK);
    EXPECT_TRUE(Query<IHostProfileComponent>(opened));
    EXPECT_EQ(service_->LoadProfile(versioned.Get(), profile_.Get(), control_.Get()), S_OK);
    EXPECT_EQ(service_->ApplyProfile(progId_.Get(), profile_.Get(), control_.Get()), S_OK);
    EXPECT_EQ(service_->ApplyBatchProfile(progId_.Get(), profile_.Get(), job.Get(), control_.Get()), S_OK);
    EXPECT_EQ(service_->UpdateLinesToCells(progId_.Get(), other.Get(), control_.Get(), 1), S_OK);

    std::vector<std::wstring> expected = {
        L"OpenProfile(ZmaAOMapXDLL.ZmaAOMapX, %##CurrentSettings##%, <object>)",
        L"LoadProfile(ZmaAOMapXDLL.ZmaAOMapX.1, %##CurrentSettings##%, <object>)",
        L"ApplyProfile(ZmaAOMapXDLL.ZmaAOMapX, %##CurrentSettings##%, <object>)",
        L"ApplyBatchProfile(ZmaAOMapXDLL.ZmaAOMapX, %##CurrentSettings##%, job7, <object>)",
        L"UpdateLinesToCells(ZmaAOMapXDLL.ZmaAOMapX, Other, <object>, 1)"};
    EXPECT_EQ(Calls(service_.Get()), expected);
    EXPECT_EQ(Calls(component_.Get()).size(), 5u);
    EXPECT_EQ(Calls(component_.Get()).back(), L"UpdateLinesToCells(Other, <object>, 1)");

    Bstr current;
    EXPECT_EQ(Query<IHostProfileTest>(component_)->get_CurrentProfile(current.Put()), S_OK);
    EXPECT_EQ(current.Wide(), L"Other");
}

TEST_F(HostServiceTest, TheTestPlaysTheComponentAndItsFailureComesBackWithErrorInformation) {
    ComPtr<RecordingHandler> handler = platform::MakeObject<RecordingHandler>();
    handler->failing = L"UpdateLinesToCells";
    ASSERT_EQ(Query<IHostProfileTest>(component_)->SetHandler(handler.Get()), S_OK);

    EXPECT_EQ(service_->ApplyProfile(progId_.Get(), profile_.Get(), control_.Get()), S_OK);
    EXPECT_EQ(service_->UpdateLinesToCells(progId_.Get(), profile_.Get(), control_.Get(), 0), E_ACCESSDENIED);
    EXPECT_EQ(hosttest::ErrorDescription(), L"profile refused");

    ASSERT_EQ(handler->seen.size(), 2u);
    EXPECT_EQ(handler->seen[0], L"ApplyProfile:%##CurrentSettings##%");
    EXPECT_EQ(handler->controls[0], control_.Get());
}

TEST_F(HostServiceTest, UnknownComponentFailsWithErrorInformation) {
    Bstr unknown(L"No.Such.Component");
    HRESULT hr = service_->ApplyProfile(unknown.Get(), profile_.Get(), control_.Get());
    EXPECT_TRUE(FAILED(hr));
    EXPECT_NE(hosttest::ErrorDescription().find(L"No.Such.Component"), std::wstring::npos);
    EXPECT_EQ(service_->ApplyProfile(nullptr, profile_.Get(), control_.Get()), E_INVALIDARG);
}

TEST_F(HostServiceTest, FaultSwitchesAreReadAtCreation) {
    {
        hosttest::ScopedFaults faults(L"hostservice.create, hostservice.ApplyProfile=0x80070005");
        ComPtr<IUnknown> refused;
        EXPECT_EQ(::CoCreateInstance(CLSID_HostService, nullptr, CLSCTX_ALL, IID_IUnknown, refused.PutVoid()), E_FAIL);
        EXPECT_FALSE(refused);
    }
    {
        hosttest::ScopedFaults faults(L"hostservice.ApplyProfile=0x80070005");
        ComPtr<IHostService> faulty = Create<IHostService>(CLSID_HostService);
        ASSERT_TRUE(faulty);
        EXPECT_EQ(faulty->ApplyProfile(progId_.Get(), profile_.Get(), control_.Get()), E_ACCESSDENIED);
        EXPECT_NE(hosttest::ErrorDescription().find(L"ApplyProfile"), std::wstring::npos);
        EXPECT_EQ(faulty->LoadProfile(progId_.Get(), profile_.Get(), control_.Get()), S_OK);
    }
    // The object made before the switch, and objects made after it, are unaffected.
    EXPECT_EQ(service_->ApplyProfile(progId_.Get(), profile_.Get(), control_.Get()), S_OK);
    EXPECT_TRUE(Create<IHostService>(CLSID_HostService));
}

TEST(UnitConverter, ConvertsExactlyBetweenTheCodesThePrintingUses) {
    ComPtr<IHostUnitConverter> converter = Create<IHostUnitConverter>(CLSID_HostUnitConverter);
    ASSERT_TRUE(converter);
    double r = 0;
    // Values that the control truncates must not land just below the whole number.
    ASSERT_EQ(converter->Convert(10.0, 12, 9, &r), S_OK);
    EXPECT_EQ(r, 10000.0);
    ASSERT_EQ(converter->Convert(4.0, 4, 9, &r), S_OK);
    EXPECT_EQ(r, 10160.0);
    ASSERT_EQ(converter->Convert(10000.0, 9, 12, &r), S_OK);
    EXPECT_EQ(r, 10.0);

    struct Case { double value; long from, to; double expected; };
    const Case cases[] = {
        {1, 8, 14, 1.609344}, {1, 5, 4, 12}, {1, 7, 6, 22}, {1, 3, 2, 20}, {1, 14, 13, 1000},
        {1, 13, 11, 1000}, {1, 12, 11, 10}, {1, 6, 5, 3}, {1, 4, 3, 72}, {2.5, 13, 13, 2.5},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(converter->Convert(c.value, c.from, c.to, &r), S_OK) << c.from << "->" << c.to;
        EXPECT_NEAR(r, c.expected, 1e-9 * c.expected) << c.from << "->" << c.to;
    }
    const long codes[] = {2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14};
    for (long a : codes) {
        for (long b : codes) {
            double there = 0, back = 0;
            ASSERT_EQ(converter->Convert(123.25, a, b, &there), S_OK);
            ASSERT_EQ(converter->Convert(there, b, a, &back), S_OK);
            EXPECT_NEAR(back, 123.25, 1e-9) << a << "<->" << b;
        }
    }
}

TEST(UnitConverter, RefusesUnknownCodesAndNamesItsUnits) {
    ComPtr<IHostUnitConverter> converter = Create<IHostUnitConverter>(CLSID_HostUnitConverter);
    ASSERT_TRUE(converter);
    double r = 0;
    EXPECT_EQ(converter->Convert(1, 10, 13, &r), E_INVALIDARG);
    EXPECT_EQ(converter->Convert(1, 13, 0, &r), E_INVALIDARG);
    EXPECT_EQ(converter->Convert(1, 13, 12, nullptr), E_POINTER);
    Bstr name;
    EXPECT_EQ(converter->UnitName(12, name.Put()), S_OK);
    EXPECT_EQ(name.Wide(), L"cm");
    EXPECT_EQ(converter->UnitName(4, name.Put()), S_OK);
    EXPECT_EQ(name.Wide(), L"in");
    EXPECT_EQ(converter->UnitName(1, name.Put()), E_INVALIDARG);

    hosttest::ScopedFaults faults(L"unitconverter.create=0x80040154");
    ComPtr<IUnknown> refused;
    EXPECT_EQ(::CoCreateInstance(CLSID_HostUnitConverter, nullptr, CLSCTX_ALL, IID_IUnknown, refused.PutVoid()),
              REGDB_E_CLASSNOTREG);
}

std::vector<unsigned char> ReadAll(IStream* s) {
    std::vector<unsigned char> bytes;
    unsigned char block[100];
    ULONG got = 0;
    while (SUCCEEDED(s->Read(block, sizeof block, &got)) && got) bytes.insert(bytes.end(), block, block + got);
    return bytes;
}

TEST(StreamText, TurnsAWholeStreamIntoTextAndBack) {
    ComPtr<IHostStreamText> converter = Create<IHostStreamText>(CLSID_HostStreamText);
    ASSERT_TRUE(converter);
    for (size_t size : {0u, 1u, 2u, 3u, 4u, 300u}) {
        std::vector<unsigned char> bytes(size);
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 3);
        ComPtr<IStream> in;
        ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, in.Put()), S_OK);
        if (size) {
            ASSERT_EQ(in->Write(bytes.data(), static_cast<ULONG>(size), nullptr), S_OK);
        }
        // The seek pointer stands at the end, as after writing a file into the stream.
        Bstr text;
        ASSERT_EQ(converter->StreamToText(in.Get(), text.Put()), S_OK);
        ComPtr<IStream> out;
        ASSERT_EQ(converter->TextToStream(text.Get(), out.Put()), S_OK);
        EXPECT_EQ(ReadAll(out.Get()), bytes) << size;
    }
    ComPtr<IStream> none;
    Bstr bad(L"not*base64");
    EXPECT_EQ(converter->TextToStream(bad.Get(), none.Put()), E_INVALIDARG);
    EXPECT_FALSE(none);
}

TEST(StreamText, ReadsTheClassIdAndStreamThatTheControlExpects) {
    ComPtr<IHostStreamText> converter = Create<IHostStreamText>(CLSID_HostStreamText);
    ASSERT_TRUE(converter);
    ComPtr<IStream> in;
    ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, in.Put()), S_OK);
    ASSERT_EQ(::WriteClassStm(in.Get(), CLSID_HostStreamText), S_OK);
    ASSERT_EQ(in->Write("abc", 3, nullptr), S_OK);
    Bstr text;
    ASSERT_EQ(converter->StreamToText(in.Get(), text.Put()), S_OK);
    ComPtr<IStream> out;
    ASSERT_EQ(converter->TextToStream(text.Get(), out.Put()), S_OK);
    CLSID read = {};
    ASSERT_EQ(::ReadClassStm(out.Get(), &read), S_OK);
    EXPECT_TRUE(IsEqualCLSID(read, CLSID_HostStreamText));
    EXPECT_EQ(ReadAll(out.Get()), (std::vector<unsigned char>{'a', 'b', 'c'}));
}

}  // namespace
