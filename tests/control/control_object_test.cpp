// The control object as a host sees it: creation and its failures, the interface map with its
// fallback to the engine, the merged automation model, the first-verb rule and the error log.
#include "tests/control/ControlFixture.h"
#include "tests/support/TestSupport.h"

using namespace controltest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

class ControlCreation : public ::testing::Test {
protected:
    void TearDown() override {
        SetEngineFaults(nullptr);
        SetHostFaults(nullptr);
    }
};

TEST_F(ControlCreation, CreatesAroundTheEngineByProgId) {
    CLSID clsid;
    ASSERT_EQ(::CLSIDFromProgID(L"VadAZ2.ZmaVadAZ.1", &clsid), S_OK);
    ComPtr<IZmaVadAZ2> control;
    ASSERT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IZmaVadAZ2, control.PutVoid()), S_OK);
    // A new control holds exactly the reference it handed out.
    EXPECT_EQ(control->AddRef(), 2u);
    EXPECT_EQ(control->Release(), 1u);
    LONG layout = -1;
    ASSERT_EQ(control->get_QuickPrintLayout(&layout), S_OK);
    EXPECT_EQ(layout, QUICK_PRINT_LAYOUT_CUSTOM);
}

TEST_F(ControlCreation, EachMissingPartGivesItsFailureAndNoObject) {
    struct Case {
        const wchar_t* engineFaults;
        const wchar_t* hostFaults;
        HRESULT expected;  // S_OK: the engine's own creation failure, whatever it is
    } cases[] = {
        {L"fail-create", nullptr, S_OK},
        {L"no-oleobject", nullptr, E_FAIL},
        {L"no-persiststreaminit", nullptr, E_FAIL},
        {nullptr, L"hostservice.create", E_FAIL},
        {nullptr, L"unitconverter.create=0x80040154", REGDB_E_CLASSNOTREG},
    };
    for (const Case& c : cases) {
        SetEngineFaults(c.engineFaults);
        SetHostFaults(c.hostFaults);
        ComPtr<IUnknown> control;
        HRESULT hr = CreateControl(control);
        const std::string what = platform::ToAnsi(c.engineFaults ? c.engineFaults : c.hostFaults);
        EXPECT_TRUE(FAILED(hr)) << what;
        if (c.expected != S_OK) {
            EXPECT_EQ(hr, c.expected) << what;
        }
        EXPECT_FALSE(control);
    }
    // An engine without a view interface still makes a control.
    SetEngineFaults(L"no-viewobjectex");
    SetHostFaults(nullptr);
    ComPtr<IUnknown> control;
    ASSERT_EQ(CreateControl(control), S_OK);
    ComPtr<IViewObjectEx> view = As<IViewObjectEx>(control.Get());
    ASSERT_TRUE(view);
    DWORD status = 0;
    EXPECT_EQ(view->GetViewStatus(&status), E_NOTIMPL);
}

TEST(ControlInterfaces, OwnMapThenTheEngine) {
    ComPtr<IUnknown> control;
    ASSERT_EQ(CreateControl(control), S_OK);

    for (const IID* own : {&IID_IZmaVadAZ, &IID_IZmaVadAZ2, &IID_IDispatch, &IID_IZmaVadAZRegionFilter,
                           &IID_IZmaVadAZMarkerHandling, &IID_IOleObject, &IID_IPersist, &IID_IPersistPropertyBag2,
                           &IID_IPersistStreamInit, &IID_IViewObjectEx, &IID_IConnectionPointContainer,
                           &IID_ISpecifyPropertyPages}) {
        ComPtr<IUnknown> itf, identity;
        ASSERT_EQ(control->QueryInterface(*own, itf.PutVoid()), S_OK) << platform::ToAnsi(platform::GuidToString(*own));
        itf->QueryInterface(IID_IUnknown, identity.PutVoid());
        EXPECT_EQ(identity.Get(), control.Get()) << platform::ToAnsi(platform::GuidToString(*own));
    }

    // What the control lacks is the engine's: its identity is the engine's, not the control's.
    for (const IID* engine : {&IID_IOleInPlaceObject, &IID_IOleControl, &IID_IViewObject2}) {
        ComPtr<IUnknown> itf, identity;
        ASSERT_EQ(control->QueryInterface(*engine, itf.PutVoid()), S_OK);
        itf->QueryInterface(IID_IUnknown, identity.PutVoid());
        EXPECT_NE(identity.Get(), control.Get());
    }

    ComPtr<IUnknown> bag;
    EXPECT_EQ(control->QueryInterface(IID_IPersistPropertyBag, bag.PutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(bag);
    EXPECT_EQ(control->QueryInterface(IID_IClassFactory, bag.PutVoid()), E_NOINTERFACE);

    ComPtr<ISpecifyPropertyPages> pages = As<ISpecifyPropertyPages>(control.Get());
    CAUUID list = {};
    ASSERT_EQ(pages->GetPages(&list), S_OK);
    ASSERT_EQ(list.cElems, 1u);
    EXPECT_TRUE(IsEqualCLSID(list.pElems[0], CLSID_ZmaPPGMapBorder));
    ::CoTaskMemFree(list.pElems);

    ComPtr<IPersistStreamInit> persist = As<IPersistStreamInit>(control.Get());
    CLSID clsid = {};
    EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_VadAZ2));
    EXPECT_EQ(persist->GetClassID(nullptr), E_INVALIDARG);
    ULARGE_INTEGER size;
    EXPECT_EQ(persist->GetSizeMax(&size), E_NOTIMPL);
    EXPECT_EQ(persist->GetSizeMax(nullptr), E_POINTER);
    EXPECT_EQ(persist->IsDirty(), S_OK);
}

TEST(ControlDispatch, OwnMembersFirstTheEngineForTheRest) {
    ComPtr<IUnknown> control;
    ASSERT_EQ(CreateControl(control), S_OK);
    ComPtr<IDispatch> dispatch = As<IDispatch>(control.Get());
    ComPtr<IEngineTestHooks> hooks = EngineHooks(control.Get());
    ASSERT_TRUE(dispatch && hooks);

    // An own name and an engine name resolve through the same object.
    LPOLESTR own = const_cast<LPOLESTR>(L"QuickPrintLayout");
    LPOLESTR engine = const_cast<LPOLESTR>(L"Zoom");
    DISPID id = 0;
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &own, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 0x5a);
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &engine, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 7);

    hooks->ClearCalls();
    Variant result;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    ASSERT_EQ(dispatch->Invoke(0x5a, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, result.Put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(result.ToLong(), QUICK_PRINT_LAYOUT_CUSTOM);
    LONG calls = -1;
    hooks->CallCount(&calls);
    EXPECT_EQ(calls, 0) << platform::ToAnsi(LastEngineCall(hooks.Get()));

    // A member only the engine has reaches the engine.
    ASSERT_EQ(dispatch->Invoke(7, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, result.Put(), nullptr, nullptr), S_OK);
    EXPECT_GT(result.ToDouble(), 0.0);
    EXPECT_NE(LastEngineCall(hooks.Get()).find(L"(7) get"), std::wstring::npos);

    // A call our own member refuses is answered by us and never reaches the engine.
    hooks->ClearCalls();
    Variant bad(L"not a number");
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&bad, &put, 1, 1};
    EXPECT_EQ(dispatch->Invoke(0x5a, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr),
              DISP_E_TYPEMISMATCH);
    hooks->CallCount(&calls);
    EXPECT_EQ(calls, 0);

    // Type information is the engine's.
    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
}

TEST(ControlErrors, RaisedErrorsAreLoggedOnceAndAnsweredWithTheirCode) {
    ComPtr<IHostLogStore> store;
    ASSERT_EQ(::CoCreateInstance(CLSID_HostLoggingManager, nullptr, CLSCTX_INPROC_SERVER, IID_IHostLogStore,
                                 store.PutVoid()),
              S_OK);
    store->Reset();
    ComPtr<IZmaVadAZ2> control;
    ASSERT_EQ(::CoCreateInstance(CLSID_VadAZ2, nullptr, CLSCTX_INPROC_SERVER, IID_IZmaVadAZ2, control.PutVoid()), S_OK);
    {
        // Another control that comes and goes leaves this one's log open.
        ComPtr<IZmaVadAZ2> other;
        ASSERT_EQ(::CoCreateInstance(CLSID_VadAZ2, nullptr, CLSCTX_INPROC_SERVER, IID_IZmaVadAZ2, other.PutVoid()), S_OK);
    }
    store->ClearEntries();

    EXPECT_EQ(control->put_QuickPrintLayout(static_cast<ENUM_QUICK_PRINT_LAYOUT>(7)), E_INVALIDARG);
    LONG count = 0;
    store->get_EntryCount(&count);
    ASSERT_EQ(count, 1);
    BSTR channel = nullptr, message = nullptr, file = nullptr;
    long level = 0, line = 0;
    ASSERT_EQ(store->GetEntry(0, &channel, &level, &message, &file, &line), S_OK);
    EXPECT_EQ(Bstr::Attach(channel).Wide(), L"zemro.aos.mapping.vadaz");
    EXPECT_EQ(level, 40000);
    EXPECT_EQ(Bstr::Attach(message).Wide(),
              L"Error: 0x80070057A quick-print layout is 0 (portrait), 1 (landscape) or 2 (custom)");
    EXPECT_NE(Bstr::Attach(file).Wide().find(L"ZmaVadAZ_Printing.cpp"), std::wstring::npos);
    EXPECT_GT(line, 0);

    // Through automation the caller gets the code in the exception information.
    ComPtr<IDispatch> dispatch = As<IDispatch>(control.Get());
    Variant arg(9L);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&arg, &put, 1, 1};
    EXCEPINFO info = {};
    EXPECT_EQ(dispatch->Invoke(0x5a, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, &info, nullptr),
              DISP_E_EXCEPTION);
    EXPECT_EQ(info.scode, E_INVALIDARG);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrHelpFile);
}

class FirstVerb : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CreateControl(control_), S_OK);
        ole_ = As<IOleObject>(control_.Get());
        site_ = platform::MakeObject<testsupport::TestSite>();
        ASSERT_EQ(ole_->SetClientSite(site_.Get()), S_OK);
        ASSERT_EQ(As<IPersistStreamInit>(control_.Get())->InitNew(), S_OK);
    }
    void TearDown() override {
        if (ole_) ole_->Close(OLECLOSE_NOSAVE);
        if (ole_) ole_->SetClientSite(nullptr);
    }

    HRESULT Verb(LONG verb, IOleClientSite* site) {
        RECT r = site_->Rect();
        return ole_->DoVerb(verb, nullptr, site, 0, site_->Window(), &r);
    }

    HWND EngineWindow() { return ::GetWindow(site_->Window(), GW_CHILD); }
    // Subclassed by the control: the window's procedure lies in the control's library.
    static bool IsSubclassed(HWND w) {
        if (!w) return false;
        HMODULE owner = nullptr;
        auto proc = reinterpret_cast<LPCWSTR>(::GetWindowLongPtrW(w, GWLP_WNDPROC));
        ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, proc,
                             &owner);
        return owner && owner == ::GetModuleHandleW(L"VadAZ.dll");
    }

    ComPtr<IUnknown> control_;
    ComPtr<IOleObject> ole_;
    ComPtr<testsupport::TestSite> site_;
};

TEST_F(FirstVerb, InPlaceActivationSubclassesTheEngineWindow) {
    ASSERT_EQ(Verb(OLEIVERB_INPLACEACTIVATE, site_.Get()), S_OK);
    HWND engine = EngineWindow();
    ASSERT_TRUE(engine);
    EXPECT_TRUE(IsSubclassed(engine));

    // Messages the control does not handle still reach the engine.
    ComPtr<IEngineTestHooks> hooks = EngineHooks(control_.Get());
    LONG_PTR hooked = 0;
    hooks->EngineWindow(&hooked);
    EXPECT_EQ(reinterpret_cast<HWND>(hooked), engine);
    RECT before = {}, after = {};
    ::GetClientRect(engine, &before);
    ::SetWindowPos(engine, nullptr, 0, 0, 123, 77, SWP_NOZORDER);
    ::GetClientRect(engine, &after);
    EXPECT_EQ(after.right, 123);

    // Destroying the control's window role at PreDestroy leaves no procedure of ours behind.
    ASSERT_EQ(As<IZmaVadAZ2>(control_.Get())->PreDestroy(), S_OK);
    EXPECT_FALSE(::IsWindow(engine));
}

TEST_F(FirstVerb, OnlyTheFirstVerbCounts) {
    ASSERT_EQ(Verb(OLEIVERB_SHOW, site_.Get()), S_OK);
    ASSERT_EQ(Verb(OLEIVERB_INPLACEACTIVATE, site_.Get()), S_OK);
    HWND engine = EngineWindow();
    ASSERT_TRUE(engine);
    EXPECT_FALSE(IsSubclassed(engine));
}

TEST_F(FirstVerb, ASiteWithoutAWindowKeepsTheChanceOpen) {
    auto windowless = platform::MakeObject<testsupport::WindowlessSite>();
    EXPECT_EQ(Verb(OLEIVERB_INPLACEACTIVATE, windowless.Get()), E_POINTER);
    EXPECT_EQ(Verb(OLEIVERB_UIACTIVATE, nullptr), E_POINTER);
    ASSERT_EQ(Verb(OLEIVERB_INPLACEACTIVATE, site_.Get()), S_OK);
    EXPECT_TRUE(IsSubclassed(EngineWindow()));
}

TEST_F(FirstVerb, ReleasingWithoutPreDestroyLeavesNoProcedureBehind) {
    ASSERT_EQ(Verb(OLEIVERB_INPLACEACTIVATE, site_.Get()), S_OK);
    HWND engine = EngineWindow();
    ASSERT_TRUE(IsSubclassed(engine));
    ole_->SetClientSite(nullptr);
    ole_.Reset();
    control_.Reset();
    // Either the window is gone or it has its own procedure back.
    EXPECT_TRUE(!::IsWindow(engine) || !IsSubclassed(engine));
    testsupport::PumpMessages();
}

TEST(ControlExtent, NullSizes) {
    ComPtr<IUnknown> control;
    ASSERT_EQ(CreateControl(control), S_OK);
    ComPtr<IOleObject> ole = As<IOleObject>(control.Get());
    EXPECT_EQ(ole->GetExtent(DVASPECT_CONTENT, nullptr), S_OK);
    EXPECT_EQ(ole->SetExtent(DVASPECT_CONTENT, nullptr), E_POINTER);
    SIZEL size = {5000, 4000};
    EXPECT_EQ(ole->SetExtent(DVASPECT_CONTENT, &size), S_OK);
    SIZEL read = {};
    EXPECT_EQ(ole->GetExtent(DVASPECT_CONTENT, &read), S_OK);
    EXPECT_EQ(read.cx, 5000);
}

}  // namespace
