// Every member of the control's interfaces, as the registered type library lists them, called
// through the type library's dispatch with the arguments a hostile or careless host passes, in each
// state a control goes through. Nothing may crash or hang, every failure carries its description,
// no call leaves a dialog open, and the frame after each call is drawn.
#include "tests/control/ControlFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/support/DialogAnswerer.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/TestSite.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include "platform/ComObject.h"
#include "platform/Xml.h"

#include <shellapi.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace controltest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

struct Param {
    VARTYPE vt;  // VT_BYREF added for pointers
    std::wstring name;
    bool out;
};

struct Member {
    std::wstring name;
    MEMBERID id;
    INVOKEKIND kind;
    std::vector<Param> params;  // without the retval
    const IID* iid;             // the interface that declares it
    bool dispatch;              // reached through IDispatch; otherwise through its vtable
};

VARTYPE TypeOf(const TYPEDESC& t) {
    if (t.vt == VT_PTR && t.lptdesc) return static_cast<VARTYPE>(TypeOf(*t.lptdesc) | VT_BYREF);
    if (t.vt == VT_USERDEFINED) return VT_I4;  // the library's enumerations
    return t.vt;
}

std::vector<Member> MembersOf(ITypeLib* library, REFIID iid) {
    std::vector<Member> members;
    ComPtr<ITypeInfo> info;
    if (FAILED(library->GetTypeInfoOfGuid(iid, info.Put()))) return members;
    // A dual interface: its dispatch side lists what IDispatch callers reach.
    HREFTYPE dispatchSide = 0;
    ComPtr<ITypeInfo> dispatchInfo;
    const bool dual = SUCCEEDED(info->GetRefTypeOfImplType(-1, &dispatchSide)) &&
                      SUCCEEDED(info->GetRefTypeInfo(dispatchSide, dispatchInfo.Put()));
    if (dual) info = dispatchInfo;
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes))) return members;
    for (UINT i = 0; i < attributes->cFuncs; ++i) {
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function))) continue;
        Member m{L"", function->memid, function->invkind, {}, &iid, dual};
        BSTR names[16] = {};
        UINT count = 0;
        info->GetNames(function->memid, names, 16, &count);
        m.name = Bstr::Attach(names[0]).Wide();
        for (SHORT p = 0; p < function->cParams; ++p) {
            const ELEMDESC& e = function->lprgelemdescParam[p];
            const UINT nameAt = static_cast<UINT>(p) + 1;
            std::wstring name = nameAt < count ? Bstr::Attach(names[nameAt]).Wide() : L"";
            if (e.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) continue;
            m.params.push_back({TypeOf(e.tdesc), name, (e.paramdesc.wParamFlags & PARAMFLAG_FOUT) != 0});
        }
        for (UINT n = static_cast<UINT>(function->cParams) + 1; n < count; ++n) ::SysFreeString(names[n]);
        info->ReleaseFuncDesc(function);
        // The members every IDispatch has are not the control's own.
        if (dual && m.id >= 0x60000000 && m.id <= 0x60020003) continue;
        members.push_back(m);
    }
    info->ReleaseTypeAttr(attributes);
    return members;
}

// --- The walk of the first kind: every argument at once -----------------------------------------

enum class Pattern { Empty, Null, WrongType, Huge, ByReference };
const char* const kPatternNames[] = {"empty", "null", "wrong type", "huge", "by reference"};

// One argument of `pattern` for a parameter of type `vt`. `keep` holds what by-reference
// arguments point at.
VARIANT ArgumentFor(Pattern pattern, VARTYPE vt, std::vector<Variant>& keep) {
    VARIANT v;
    ::VariantInit(&v);
    const VARTYPE base = static_cast<VARTYPE>(vt & ~VT_BYREF);
    switch (pattern) {
    case Pattern::Empty:
        break;
    case Pattern::Null:
        v.vt = VT_NULL;
        break;
    case Pattern::WrongType:
        if (base == VT_BSTR) {
            v.vt = VT_DISPATCH;
            v.pdispVal = nullptr;
        } else {
            v.vt = VT_BSTR;
            v.bstrVal = ::SysAllocString(L"not a number or object");
        }
        break;
    case Pattern::Huge:
        if (base == VT_BSTR) {
            v.vt = VT_BSTR;
            v.bstrVal = ::SysAllocStringLen(nullptr, 100000);
            for (UINT i = 0; i < 100000; ++i) v.bstrVal[i] = static_cast<wchar_t>(L'A' + i % 26);
        } else if (base == VT_I2 || base == VT_BOOL || base == VT_UI1) {
            v.vt = VT_I4;
            v.lVal = 0x7FFFFFFF;
        } else if (base == VT_I4 || base == VT_INT || base == VT_USERDEFINED) {
            v.vt = VT_I4;
            v.lVal = static_cast<LONG>(0x80000000u);
        } else {
            v.vt = VT_R8;
            v.dblVal = 1e308;
        }
        break;
    case Pattern::ByReference: {
        // What a script passes: a variable by reference, holding a plausible value.
        keep.emplace_back();
        Variant& held = keep.back();
        if (base == VT_BSTR) held = Variant(L"{00000000-0000-0000-0000-000000000000}");
        else if (base == VT_R8 || base == VT_R4) held = Variant(1.5);
        else if (base == VT_BOOL) held = Variant(true);
        else if (base == VT_DISPATCH || base == VT_UNKNOWN) held = Variant(static_cast<IDispatch*>(nullptr));
        else held = Variant(static_cast<short>(1));
        v.vt = VT_BYREF | VT_VARIANT;
        v.pvarVal = &held;
        break;
    }
    }
    return v;
}

enum class State { Constructed, Initialised, Sited, Closed, Destroyed };
const char* const kStateNames[] = {"constructed", "initialised", "sited", "closed", "after PreDestroy"};

// A control in `state`, with what keeps it there.
struct ControlInState {
    ComPtr<IUnknown> unknown;
    ComPtr<testsupport::TestSite> site;

    explicit ControlInState(State state) {
        EXPECT_EQ(CreateControl(unknown), S_OK);
        if (!unknown || state == State::Constructed) return;
        ComPtr<IOleObject> ole = As<IOleObject>(unknown.Get());
        if (state != State::Initialised) {
            site = platform::MakeObject<testsupport::TestSite>(200, 150);
            ole->SetClientSite(site.Get());
        }
        EXPECT_EQ(As<IPersistStreamInit>(unknown.Get())->InitNew(), S_OK);
        if (state == State::Initialised) return;
        RECT r = site->Rect();
        ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, site->Window(), &r);
        if (state == State::Closed) ole->Close(OLECLOSE_NOSAVE);
        if (state == State::Destroyed) As<IZmaVadAZ>(unknown.Get())->PreDestroy();
    }
    ~ControlInState() {
        if (ComPtr<IOleObject> ole = As<IOleObject>(unknown.Get())) {
            ole->Close(OLECLOSE_NOSAVE);
            ole->SetClientSite(nullptr);
        }
        if (ComPtr<IZmaVadAZ> typed = As<IZmaVadAZ>(unknown.Get())) typed->PreDestroy();
    }
};

// The Invoke flags of a member's kind; a property write names its value as the put argument.
WORD InvokeFlags(const Member& m, DISPPARAMS& params, DISPID& put) {
    if (m.kind == INVOKE_PROPERTYGET) return DISPATCH_PROPERTYGET;
    if (m.kind != INVOKE_PROPERTYPUT && m.kind != INVOKE_PROPERTYPUTREF) return DISPATCH_METHOD;
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
    return m.kind == INVOKE_PROPERTYPUT ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYPUTREF;
}

HRESULT InvokeMember(IDispatch* control, const Member& m, Pattern pattern) {
    std::vector<Variant> keep;
    keep.reserve(m.params.size() * 2 + 2);
    std::vector<VARIANT> args;
    for (auto it = m.params.rbegin(); it != m.params.rend(); ++it) args.push_back(ArgumentFor(pattern, it->vt, keep));
    DISPPARAMS params = {args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    DISPID put = DISPID_PROPERTYPUT;
    const WORD flags = InvokeFlags(m, params, put);
    Variant result;
    EXCEPINFO exception = {};
    UINT argErr = 0;
    HRESULT hr = control->Invoke(m.id, IID_NULL, 0, flags, &params, result.Put(), &exception, &argErr);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    for (VARIANT& a : args)
        if (!(a.vt & VT_BYREF)) ::VariantClear(&a);
    return hr;
}

// Refused by the dispatch layer before the member ran: the arguments did not fit.
bool RefusedByDispatch(HRESULT hr) {
    return hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND || hr == DISP_E_BADPARAMCOUNT ||
           hr == DISP_E_BADVARTYPE || hr == DISP_E_OVERFLOW;
}

std::vector<Member> DualMembers(ITypeLib* library) {
    std::vector<Member> members = MembersOf(library, IID_IZmaVadAZ);
    for (const Member& m : MembersOf(library, IID_IZmaVadAZ2)) {
        bool known = false;
        for (const Member& seen : members) known = known || (seen.id == m.id && seen.kind == m.kind);
        if (!known) members.push_back(m);
    }
    return members;
}

TEST(TypeLibraryWalk, EveryMemberAnswersEveryArgumentKindInEveryState) {
    ComPtr<ITypeLib> library;
    ASSERT_EQ(::LoadRegTypeLib(LIBID_VadAZ, 1, 0, 0, library.Put()), S_OK) << "the registered type library";
    std::vector<Member> members = DualMembers(library.Get());
    ASSERT_GT(members.size(), 150u) << "the members of both interfaces";

    testsupport::Watchdog dog;
    long calls = 0, reached = 0;
    for (State state : {State::Constructed, State::Initialised, State::Sited, State::Closed, State::Destroyed}) {
        for (Pattern pattern : {Pattern::Empty, Pattern::Null, Pattern::WrongType, Pattern::Huge, Pattern::ByReference}) {
            // A fresh control per state and argument kind: a member that tears the control down
            // (PreDestroy, Close) affects only the calls after it.
            ControlInState control(state);
            ASSERT_TRUE(control.unknown);
            ComPtr<IDispatch> dispatch = As<IDispatch>(control.unknown.Get());
            for (const Member& m : members) {
                const std::string what = std::string(kStateNames[static_cast<int>(state)]) + " / " +
                                         kPatternNames[static_cast<int>(pattern)] + " / " + platform::ToAnsi(m.name) +
                                         " (" + std::to_string(m.id) + ", kind " + std::to_string(m.kind) + ")";
                dog.Arm(what);
                HRESULT hr = InvokeMember(dispatch.Get(), m, pattern);
                ++calls;
                if (!RefusedByDispatch(hr)) ++reached;
                testsupport::PumpMessages();
            }
        }
    }
    std::printf("%ld calls, %ld reached the members\n", calls, reached);
    EXPECT_GT(reached, calls / 3) << "most argument kinds get past the dispatch layer";
}

// --- The walk of the second kind: one hostile argument at a time, each call followed by a frame --

// Limits that tell a hang from a slow answer. The walk runs beside the rest of the suite on a busy
// machine, where a frame that takes a third of a second alone takes seconds: a frame has as long
// as a call (how fast frames are is the benchmarks' business).
constexpr DWORD kCallLimitMs = 10000;
constexpr DWORD kFrameLimitMs = kCallLimitMs;
constexpr long kCallsPerClearing = 20;
const wchar_t kSeries[] = L"{7A1C0000-0000-0000-0000-00000000F022}";
const wchar_t kSites[] = L"{7A1C0000-0000-0000-0000-00000000517E}";

// An object of a kind the control does not expect: it answers nothing.
class ForeignObject : public platform::ComObject<ForeignObject, IDispatch> {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        if (n) *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
};

bool Has(const std::wstring& name, const wchar_t* part) {
    std::wstring a = name, b = part;
    ::CharLowerBuffW(&a[0], static_cast<DWORD>(a.size()));
    ::CharLowerBuffW(&b[0], static_cast<DWORD>(b.size()));
    return a.find(b) != std::wstring::npos;
}

// The hostile values: each is given to one argument while the others keep sane values.
struct Hostile {
    const char* name;
    std::function<Variant(VARTYPE base)> make;
};

const std::vector<Hostile>& HostileValues() {
    static const std::wstring longText = [] {
        std::wstring text(32000, L'x');
        for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<wchar_t>(L'A' + i % 26);
        return text;
    }();
    static const std::vector<Hostile> values = {
        {"DBL_MAX", [](VARTYPE) { return Variant(DBL_MAX); }},
        {"-DBL_MAX", [](VARTYPE) { return Variant(-DBL_MAX); }},
        {"+infinity", [](VARTYPE) { return Variant(HUGE_VAL); }},
        {"-infinity", [](VARTYPE) { return Variant(-HUGE_VAL); }},
        {"NaN", [](VARTYPE) { return Variant(std::nan("")); }},
        {"1e6", [](VARTYPE) { return Variant(1e6); }},
        {"1e308", [](VARTYPE) { return Variant(1e308); }},
        {"INT_MIN", [](VARTYPE) { return Variant(static_cast<long>(INT_MIN)); }},
        {"INT_MAX", [](VARTYPE) { return Variant(static_cast<long>(INT_MAX)); }},
        {"empty text", [](VARTYPE) { return Variant(L""); }},
        {"32000 characters", [](VARTYPE) { return Variant(longText); }},
        {"\"1e308km\"", [](VARTYPE) { return Variant(L"1e308km"); }},
        {"\"1e30mm\"", [](VARTYPE) { return Variant(L"1e30mm"); }},
        {"null object",
         [](VARTYPE base) {
             return base == VT_UNKNOWN ? Variant(static_cast<IUnknown*>(nullptr)) : Variant(static_cast<IDispatch*>(nullptr));
         }},
        {"foreign object",
         [](VARTYPE) { return Variant(static_cast<IDispatch*>(platform::MakeObject<ForeignObject>().Get())); }},
        {"Empty", [](VARTYPE) { return Variant(); }},
        {"Null",
         [](VARTYPE) {
             Variant v;
             v.vt = VT_NULL;
             return v;
         }},
    };
    return values;
}

// How a value travels: as itself, as a script's variable (a VARIANT by reference), by reference to
// its own type, or as a reference to nothing.
enum class Passing { Value, VariantReference, TypedReference, NullReference };
const char* const kPassingNames[] = {"", " by reference", " by typed reference", " as a reference to nothing"};

// Keeps what by-reference arguments point at until the call is over.
class ArgumentStore {
public:
    VARIANT Pass(Variant value, Passing passing, VARTYPE paramType) {
        VARIANT v;
        ::VariantInit(&v);
        if (passing == Passing::NullReference) {
            // A variant by reference, or a typed out-pointer, that points nowhere.
            v.vt = paramType & VT_BYREF ? paramType : static_cast<VARTYPE>(VT_BYREF | VT_VARIANT);
            v.byref = nullptr;
            return v;
        }
        held_.push_back(std::move(value));
        Variant& held = held_.back();
        if (passing == Passing::Value) {
            ::VariantCopy(&v, &held);
            owned_.push_back(v);
            return v;
        }
        if (passing == Passing::VariantReference || held.vt == VT_EMPTY || held.vt == VT_NULL) {
            v.vt = VT_BYREF | VT_VARIANT;
            v.pvarVal = &held;
            return v;
        }
        v.vt = static_cast<VARTYPE>(VT_BYREF | held.vt);
        v.byref = &held.lVal;  // every member of the union starts there
        return v;
    }
    ~ArgumentStore() {
        for (VARIANT& v : owned_) ::VariantClear(&v);
    }

private:
    std::deque<Variant> held_;
    std::vector<VARIANT> owned_;
};

// What a sane host passes for a parameter, judged by its type and name: the displayed series, a
// place in the shown area, small sizes, a file in the scratch folder.
Variant SaneValue(const Param& p, const std::wstring& scratch) {
    const VARTYPE base = static_cast<VARTYPE>(p.vt & ~VT_BYREF);
    const std::wstring& n = p.name;
    if (p.out) {
        if (base == VT_R8) return Variant(0.0);
        if (base == VT_BOOL) return Variant(false);
        if (base == VT_VARIANT) return Variant();
        return Variant(0L);
    }
    auto place = [&](double fallback) {
        if (Has(n, L"lat") || Has(n, L"CentreY")) return 50.01;
        if (Has(n, L"lon") || Has(n, L"CentreX")) return 10.01;
        return fallback;
    };
    switch (base) {
    case VT_R8:
    case VT_R4:
        if (Has(n, L"angle")) return Variant(Has(n, L"end") ? 120.0 : 30.0);
        if (Has(n, L"opacity") || Has(n, L"proportion")) return Variant(0.5);
        if (Has(n, L"zoom")) return Variant(5.0);
        if (Has(n, L"padding")) return Variant(0.1);
        return Variant(place(1.0));
    case VT_BOOL:
        return Variant(true);
    case VT_BSTR:
        if (Has(n, L"GUID1") || Has(n, L"GUID2")) return Variant(kSites);
        if (Has(n, L"path") || Has(n, L"strGUID")) return Variant(scratch + L"\\walk.bmp");
        if (Has(n, L"format")) return Variant(L"bmp");
        if (Has(n, L"series") || Has(n, L"GUID")) return Variant(kSeries);
        return Variant(L"RxLev");
    case VT_VARIANT:
        if (Has(n, L"lat") || Has(n, L"lon")) return Variant(place(0.0));
        if (Has(n, L"rad")) return Variant(1.0);
        if (Has(n, L"colo")) return Variant(255L);
        if (Has(n, L"fields")) return Variant(L"RxLev");
        if (Has(n, L"notify")) return Variant(true);
        if (Has(n, L"ranges")) return Variant();
        return Variant(1L);
    case VT_DISPATCH:
        if (Has(n, L"dataset")) return Variant(displaytest::MakeSampleDataset(30).Get());
        if (Has(n, L"fieldConfiguration")) return Variant(displaytest::FieldConfiguration(nullptr, {L"RxLev"}).Get());
        if (Has(n, L"node")) {
            ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
            ComPtr<IXMLDOMElement> element;
            document->createElement(Bstr(L"host").Get(), element.Put());
            document->appendChild(element.Get(), nullptr);
            return Variant(As<IDispatch>(element.Get()).Get());
        }
        if (Has(n, L"collection") || Has(n, L"ids")) {
            ComPtr<IHostStringList> list;
            ::CoCreateInstance(CLSID_HostStringList, nullptr, CLSCTX_INPROC_SERVER, IID_IHostStringList, list.PutVoid());
            if (list && Has(n, L"ids")) list->Add(Variant(kSeries), displaytest::Missing(), displaytest::Missing());
            return Variant(static_cast<IDispatch*>(list.Get()));
        }
        return Variant(static_cast<IDispatch*>(nullptr));
    case VT_UNKNOWN:
        return Variant(static_cast<IUnknown*>(nullptr));
    default:  // the integers and enumerations
        if (Has(n, L"width")) return Variant(2L);
        if (Has(n, L"x") || Has(n, L"y")) return Variant(20L);
        if (Has(n, L"row")) return Variant(n.back() == L'2' ? 2L : 0L);  // two of the three sites
        if (Has(n, L"type") || Has(n, L"index") || Has(n, L"flag")) return Variant(0L);
        return Variant(1L);
    }
}

enum class Stage { NeverInitialised, Initialised, Displaying, Destroyed };
const char* const kStageNames[] = {"never initialised", "initialised", "with a dataset and cell sites",
                                   "after PreDestroy"};

// A control in a container's site at `stage`, drawn in the given mode, with a host's event sink.
class WalkedControl {
public:
    WalkedControl(Stage stage, bool enhanced) {
        EXPECT_EQ(CreateControl(unknown_), S_OK);
        if (!unknown_) return;
        dispatch_ = As<IDispatch>(unknown_.Get());
        ComPtr<IConnectionPoint> point;
        As<IConnectionPointContainer>(unknown_.Get())->FindConnectionPoint(DIID__IZmaVOMapXEvents2, point.Put());
        events_ = platform::MakeObject<displaytest::EventJournal>();
        if (point) point->Advise(events_.Get(), &cookie_);
        if (stage != Stage::NeverInitialised) {
            site_ = platform::MakeObject<testsupport::TestSite>(kWidth, kHeight);
            ComPtr<IOleObject> ole = As<IOleObject>(unknown_.Get());
            ole->SetClientSite(site_.Get());
            EXPECT_EQ(As<IPersistStreamInit>(unknown_.Get())->InitNew(), S_OK);
            RECT r = site_->Rect();
            ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, site_->Window(), &r);
        }
        if (stage != Stage::NeverInitialised) {
            EXPECT_EQ(displaytest::Put(dispatch_.Get(), displaytest::kEnhancedDrawingMode, Variant(enhanced)), S_OK);
        }
        if (stage == Stage::Displaying) {
            EXPECT_EQ(displaytest::Call(dispatch_.Get(), displaytest::kDisplayDataset,
                                        {Variant(displaytest::MakeSampleDataset(30).Get()), Variant(L"RxLev"), Variant(kSeries)}),
                      S_OK);
            ComPtr<IDispatch> sites = displaytest::NewDataset(
                {{L"Latitude", 13}, {L"Longitude", 12}, {L"Azimuth", 5}, {L"ElementHandle", 3}}, 3);
            EXPECT_EQ(displaytest::Call(dispatch_.Get(), displaytest::kCreateMultiDMapping,
                                        {Variant(sites.Get()), Variant(kSites),
                                         Variant(displaytest::FieldConfiguration(L"CellRefs", {L"Azimuth"}).Get())}),
                      S_OK);
        }
        if (stage == Stage::Destroyed) As<IZmaVadAZ>(unknown_.Get())->PreDestroy();
    }
    ~WalkedControl() {
        if (!unknown_) return;
        ComPtr<IOleObject> ole = As<IOleObject>(unknown_.Get());
        ole->Close(OLECLOSE_NOSAVE);
        ole->SetClientSite(nullptr);
        As<IZmaVadAZ>(unknown_.Get())->PreDestroy();
    }
    WalkedControl(const WalkedControl&) = delete;
    WalkedControl& operator=(const WalkedControl&) = delete;

    static constexpr int kWidth = 160, kHeight = 120;
    IUnknown* Unknown() const { return unknown_.Get(); }
    IDispatch* Dispatch() const { return dispatch_.Get(); }
    HWND SiteWindow() const { return site_ ? site_->Window() : nullptr; }

private:
    ComPtr<IUnknown> unknown_;
    ComPtr<IDispatch> dispatch_;
    ComPtr<testsupport::TestSite> site_;
    ComPtr<displaytest::EventJournal> events_;
    DWORD cookie_ = 0;
};

struct Answer {
    HRESULT hr = S_OK;
    HRESULT scode = S_OK;
    std::wstring description;
};

// One call through the type library's dispatch: IDispatch for the dual interfaces, the type
// information's Invoke on the vtable for the others.
Answer Call(const WalkedControl& control, ITypeLib* library, const Member& m, std::vector<VARIANT>& reversed) {
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    DISPID put = DISPID_PROPERTYPUT;
    const WORD flags = InvokeFlags(m, params, put);
    Variant result;
    EXCEPINFO exception = {};
    UINT argErr = 0;
    Answer a;
    ::SetErrorInfo(0, nullptr);
    if (m.dispatch) {
        a.hr = control.Dispatch()->Invoke(m.id, IID_NULL, 0, flags, &params, result.Put(), &exception, &argErr);
    } else {
        ComPtr<ITypeInfo> info;
        library->GetTypeInfoOfGuid(*m.iid, info.Put());
        ComPtr<IUnknown> face;
        control.Unknown()->QueryInterface(*m.iid, face.PutVoid());
        a.hr = face ? info->Invoke(face.Get(), m.id, flags, &params, result.Put(), &exception, &argErr) : E_NOINTERFACE;
    }
    if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    a.scode = exception.scode;
    if (exception.bstrDescription) a.description = exception.bstrDescription;
    if (a.hr != DISP_E_EXCEPTION && FAILED(a.hr)) {
        ComPtr<IErrorInfo> info;
        BSTR text = nullptr;
        if (::GetErrorInfo(0, info.Put()) == S_OK && info && SUCCEEDED(info->GetDescription(&text)) && text)
            a.description = Bstr::Attach(text).Wide();
    }
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    return a;
}

// The faults found, one line per member, stage and kind of fault, with the first case and a count.
class Findings {
public:
    void Add(const std::string& key, const std::string& example) {
        auto& entry = found_[key];
        if (entry.second++ == 0) entry.first = example;
    }
    std::string Report() const {
        std::string text;
        for (const auto& f : found_)
            text += f.first + " (" + std::to_string(f.second.second) + "x, first: " + f.second.first + ")\n";
        return text;
    }
    bool Empty() const { return found_.empty(); }

private:
    std::map<std::string, std::pair<std::string, int>> found_;
};

// Closes the dialogs still shown on this thread; true when there were any.
BOOL CALLBACK CloseShownDialog(HWND window, LPARAM found) {
    wchar_t cls[16] = {};
    ::GetClassNameW(window, cls, 16);
    if (::IsWindowVisible(window) && ::lstrcmpW(cls, L"#32770") == 0) {
        *reinterpret_cast<bool*>(found) = true;
        ::DestroyWindow(window);
    }
    return TRUE;
}

// A modal window the call left behind: a dialog still shown, or the site's window disabled.
bool LeftModalWindow(HWND siteWindow) {
    bool found = siteWindow && !::IsWindowEnabled(siteWindow);
    ::EnumThreadWindows(::GetCurrentThreadId(), &CloseShownDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring ScratchFolder() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"vadaz-walk-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void RemoveTree(const std::wstring& folder) {
    const std::wstring from = folder + L'\0';  // a list of paths, ended by an empty one
    SHFILEOPSTRUCTW remove = {};
    remove.wFunc = FO_DELETE;
    remove.pFrom = from.c_str();
    remove.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&remove);
}

// The case in progress, told when the process dies of it (and it then ends at once, without a
// debugger).
std::string g_case;

LONG WINAPI TellCaseOfCrash(EXCEPTION_POINTERS* e) {
    std::fprintf(stderr, "CRASH: exception 0x%08lx at %p: %s\n", e->ExceptionRecord->ExceptionCode,
                 e->ExceptionRecord->ExceptionAddress, g_case.c_str());
    std::fflush(stderr);
    ::ExitProcess(4);
}

// The calls of one member: each argument in turn takes every hostile value in every way of
// passing it, the others sane. A member without arguments is called once.
struct Case {
    size_t position;  // SIZE_MAX: every argument sane
    const Hostile* value;
    Passing passing;

    std::string Name(const Member& m) const {
        if (position == SIZE_MAX) return "sane arguments";
        const Param& p = m.params[position];
        const std::string argument = platform::ToAnsi(p.name.empty() ? L"argument " + std::to_wstring(position + 1) : p.name);
        const std::string given = value ? std::string(" = ") + value->name : std::string();
        return argument + given + kPassingNames[static_cast<int>(passing)];
    }
    // The type library's dispatch hands a typed argument over the same whichever way it was
    // passed: the member sees what it saw for the value itself.
    bool SameAsByValue(const Member& m) const {
        if (position == SIZE_MAX || passing == Passing::Value || m.params[position].out) return false;
        return (m.params[position].vt & ~VT_BYREF) != VT_VARIANT;
    }
};

std::vector<Case> CasesOf(const Member& m) {
    std::vector<Case> cases = {{SIZE_MAX, nullptr, Passing::Value}};
    for (size_t p = 0; p < m.params.size(); ++p) {
        const VARTYPE base = static_cast<VARTYPE>(m.params[p].vt & ~VT_BYREF);
        // A reference to nothing only where the type lets a caller pass one: a VARIANT the
        // member unwraps itself, or an out-pointer.
        if (base == VT_VARIANT || m.params[p].out) cases.push_back({p, nullptr, Passing::NullReference});
        if (m.params[p].out) continue;
        // A typed argument by a reference of its own type reaches the member as the same value as
        // by a script's variable: the type library's dispatch reads both.
        for (const Hostile& h : HostileValues()) {
            cases.push_back({p, &h, Passing::Value});
            cases.push_back({p, &h, Passing::VariantReference});
            if (base == VT_VARIANT) cases.push_back({p, &h, Passing::TypedReference});
        }
    }
    return cases;
}

// The members that open a dialog by design; the test's dialog hook answers it. Any other member
// that shows one would stop an unattended host.
bool OpensDialogs(const std::wstring& member) {
    // The layer list, the imagery, the print set-up and the batch print dialogs, and the message
    // that a table could not be opened as a layer.
    for (const wchar_t* name : {L"LayersDlg", L"DisplayBackgroundMapLayerProperties", L"ConfigurePrinting",
                                L"BatchPrint", L"AddTemporaryTabLayer"})
        if (member == name) return true;
    return false;
}

struct WalkPlace {
    Stage stage;
    bool enhanced;
};

// The drawing mode is a setting of the map's layers: a map without them (never initialised, or
// after PreDestroy) has none, and is walked once.
const WalkPlace kPlaces[] = {{Stage::NeverInitialised, false}, {Stage::Initialised, true}, {Stage::Initialised, false},
                             {Stage::Displaying, true},        {Stage::Displaying, false}, {Stage::Destroyed, false}};

bool HasDrawingMode(Stage stage) { return stage == Stage::Initialised || stage == Stage::Displaying; }

// Walks every member in one stage and drawing mode: a fresh control for each member that may
// change the map (property reads share one), a frame after every call that reached a member,
// and the faults found kept for one report at the end.
class HostileArgumentWalk : public ::testing::TestWithParam<WalkPlace> {
protected:
    void SetUp() override {
        ASSERT_EQ(::LoadRegTypeLib(LIBID_VadAZ, 1, 0, 0, library_.Put()), S_OK) << "the registered type library";
        members_ = DualMembers(library_.Get());
        for (const IID* iid : {&IID_IZmaVadAZMarkerHandling, &IID_IZmaVadAZRegionFilter}) {
            std::vector<Member> plain = MembersOf(library_.Get(), *iid);
            EXPECT_FALSE(plain.empty());
            members_.insert(members_.end(), plain.begin(), plain.end());
        }
        // What clears shapes, lines, annotations and regions: the members named so that take
        // nothing.
        for (const Member& m : members_)
            if (m.name.compare(0, 5, L"Clear") == 0 && m.params.empty() && m.kind == INVOKE_FUNC) clearing_.push_back(m);
        EXPECT_GE(clearing_.size(), 4u);
        // VADAZ_WALK_MEMBER narrows the walk to the members whose names hold it (to look into one).
        wchar_t only[64] = {};
        if (::GetEnvironmentVariableW(L"VADAZ_WALK_MEMBER", only, 64)) {
            std::vector<Member> chosen;
            for (const Member& m : members_)
                if (Has(m.name, only)) chosen.push_back(m);
            members_.swap(chosen);
        }
        // Property reads first: they share a control.
        std::stable_partition(members_.begin(), members_.end(),
                              [](const Member& m) { return m.kind == INVOKE_PROPERTYGET; });

        answerer_ = testsupport::DialogAnswerer::Current();
        ASSERT_TRUE(answerer_);
        scratch_ = ScratchFolder();
        ::GetCurrentDirectoryW(MAX_PATH, previousFolder_);
        // Files named by relative paths land in the scratch folder.
        ::SetCurrentDirectoryW(scratch_.c_str());
        previousFilter_ = ::SetUnhandledExceptionFilter(&TellCaseOfCrash);
        where_ = std::string(kStageNames[static_cast<int>(GetParam().stage)]);
        if (HasDrawingMode(GetParam().stage)) where_ += GetParam().enhanced ? ", enhanced drawing" : ", plain drawing";
    }
    void TearDown() override {
        Watch("releasing the last control", kCallLimitMs);
        control_.reset();
        dog_.Disarm();
        ::SetUnhandledExceptionFilter(previousFilter_);
        ::SetCurrentDirectoryW(previousFolder_);
        RemoveTree(scratch_);
    }

    void Watch(const std::string& what, DWORD limitMs) {
        g_case = where_ + " / " + what;
        dog_.Arm(g_case, limitMs);
    }

    void WalkMember(const Member& m) {
        const std::string member = platform::ToAnsi(m.name) + (m.kind == INVOKE_PROPERTYGET ? " (get)"
                                                               : m.kind == INVOKE_FUNC      ? ""
                                                                                            : " (put)");
        reachedPerMember_[member] += 0;
        // What one member does to the map (hide it, tear it down, remove the dataset) must not
        // change the calls of the next; reading a property changes nothing.
        if (!control_ || m.kind != INVOKE_PROPERTYGET || !lastWasRead_) {
            Watch(member + ": making the control", kCallLimitMs);
            control_.reset();
            control_.reset(new WalkedControl(GetParam().stage, GetParam().enhanced));
            ASSERT_TRUE(control_->Unknown());
        }
        lastWasRead_ = m.kind == INVOKE_PROPERTYGET;
        std::vector<Variant> sane;
        for (const Param& p : m.params) sane.push_back(SaneValue(p, scratch_));
        long sinceClearing = 0;
        for (const Case& c : CasesOf(m)) {
            // Shapes and lines added pile up: clear them now and then, so that frames stay small.
            if (++sinceClearing == kCallsPerClearing) {
                Watch(member + ": clearing", kCallLimitMs);
                for (const Member& clear : clearing_) {
                    std::vector<VARIANT> none;
                    Call(*control_, library_.Get(), clear, none);
                }
                sinceClearing = 0;
            }
            WalkCase(m, member, c, sane);
        }
    }

    void WalkCase(const Member& m, const std::string& member, const Case& c, const std::vector<Variant>& sane) {
        const std::string what = member + " / " + c.Name(m);
        ArgumentStore store;
        std::vector<VARIANT> reversed;
        for (size_t p = m.params.size(); p-- > 0;) {
            const Param& param = m.params[p];
            const bool hostile = p == c.position;
            Variant value = hostile && c.value ? c.value->make(static_cast<VARTYPE>(param.vt & ~VT_BYREF)) : sane[p];
            const Passing passing = hostile ? c.passing : param.out ? Passing::TypedReference : Passing::Value;
            reversed.push_back(store.Pass(std::move(value), passing, param.vt));
        }
        const size_t dialogsBefore = answerer_->Dialogs().size();
        Watch(what, kCallLimitMs);
        const Answer a = Call(*control_, library_.Get(), m, reversed);
        testsupport::PumpMessages();
        ++calls_;
        if (RefusedByDispatch(a.hr)) return;
        ++reached_;
        ++reachedPerMember_[member];
        const HRESULT code = a.hr == DISP_E_EXCEPTION ? a.scode : a.hr;
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08lx", static_cast<unsigned long>(code));
        if (FAILED(code) && a.description.empty()) findings_.Add(member + ": " + hex + " without a description", c.Name(m));
        if (answerer_->Dialogs().size() != dialogsBefore && !OpensDialogs(m.name))
            findings_.Add(member + ": showed a dialog (\"" + platform::ToAnsi(answerer_->Dialogs().back().caption) + "\")",
                          c.Name(m));
        if (LeftModalWindow(control_->SiteWindow())) findings_.Add(member + ": left a modal window", c.Name(m));
        if (c.SameAsByValue(m)) return;

        Watch(what + " (the next frame)", kFrameLimitMs);
        const DWORD start = ::GetTickCount();
        canvas_.DrawView(control_->Unknown());
        slowestFrame_ = std::max(slowestFrame_, ::GetTickCount() - start);
        ++frames_;
    }

    ComPtr<ITypeLib> library_;
    std::vector<Member> members_, clearing_;
    testsupport::DialogAnswerer* answerer_ = nullptr;
    std::wstring scratch_;
    wchar_t previousFolder_[MAX_PATH] = {};
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter_ = nullptr;
    std::string where_;
    testsupport::Watchdog dog_{kCallLimitMs};
    testsupport::DibCanvas canvas_{WalkedControl::kWidth, WalkedControl::kHeight};
    std::unique_ptr<WalkedControl> control_;
    bool lastWasRead_ = false;

    Findings findings_;
    std::map<std::string, long> reachedPerMember_;
    long calls_ = 0, reached_ = 0, frames_ = 0;
    DWORD slowestFrame_ = 0;
};

TEST_P(HostileArgumentWalk, EveryMemberAnswersEachHostileArgumentAndTheNextFrameComesInTime) {
    const DWORD started = ::GetTickCount();
    for (const Member& m : members_) {
        WalkMember(m);
        if (HasFatalFailure()) return;
    }
    std::printf("%s: %ld calls, %ld reached the members, %ld frames (the slowest %lu ms), %lu ms in all\n",
                where_.c_str(), calls_, reached_, frames_, slowestFrame_, ::GetTickCount() - started);
    // Sane arguments get past the dispatch layer: every member was walked.
    for (const auto& r : reachedPerMember_) EXPECT_GT(r.second, 0) << r.first << " was never reached";
    EXPECT_TRUE(findings_.Empty()) << where_ << ":\n" << findings_.Report();
}

std::string PlaceName(const ::testing::TestParamInfo<WalkPlace>& info) {
    const char* const stages[] = {"NeverInitialised", "Initialised", "Displaying", "Destroyed"};
    const std::string stage = stages[static_cast<int>(info.param.stage)];
    if (!HasDrawingMode(info.param.stage)) return stage;
    return stage + (info.param.enhanced ? "Enhanced" : "Plain");
}

INSTANTIATE_TEST_SUITE_P(StagesAndDrawingModes, HostileArgumentWalk, ::testing::ValuesIn(kPlaces), &PlaceName);

}  // namespace
