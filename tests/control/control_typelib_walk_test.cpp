// Every member of both automation interfaces, as the registered type library lists them, called
// through IDispatch with empty, null, wrong-type, huge and by-reference arguments in each state a
// control goes through: constructed, initialised, sited, closed and after PreDestroy. Nothing may
// crash or hang; every call answers.
#include "tests/control/ControlFixture.h"
#include "tests/support/TestSite.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include <string>
#include <vector>

using namespace controltest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

struct Member {
    std::wstring name;
    MEMBERID id;
    INVOKEKIND kind;
    std::vector<VARTYPE> params;  // without the retval
};

std::vector<Member> MembersOf(ITypeLib* library, REFIID iid) {
    std::vector<Member> members;
    ComPtr<ITypeInfo> info;
    if (FAILED(library->GetTypeInfoOfGuid(iid, info.Put()))) return members;
    // A dual interface: its dispatch side lists what IDispatch callers reach.
    HREFTYPE dispatchSide = 0;
    ComPtr<ITypeInfo> dispatchInfo;
    if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &dispatchSide)) &&
        SUCCEEDED(info->GetRefTypeInfo(dispatchSide, dispatchInfo.Put())))
        info = dispatchInfo;
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes))) return members;
    for (UINT i = 0; i < attributes->cFuncs; ++i) {
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function))) continue;
        Member m;
        m.id = function->memid;
        m.kind = function->invkind;
        BSTR name = nullptr;
        UINT count = 0;
        info->GetNames(function->memid, &name, 1, &count);
        m.name = Bstr::Attach(name).Wide();
        for (SHORT p = 0; p < function->cParams; ++p) {
            const ELEMDESC& e = function->lprgelemdescParam[p];
            if (e.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) continue;
            VARTYPE vt = e.tdesc.vt;
            if (vt == VT_PTR && e.tdesc.lptdesc) vt = static_cast<VARTYPE>(e.tdesc.lptdesc->vt | VT_BYREF);
            m.params.push_back(vt);
        }
        info->ReleaseFuncDesc(function);
        // The members every IDispatch has are not the control's own.
        if (m.id >= 0x60000000 && m.id <= 0x60020003) continue;
        members.push_back(m);
    }
    info->ReleaseTypeAttr(attributes);
    return members;
}

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

HRESULT InvokeMember(IDispatch* control, const Member& m, Pattern pattern) {
    std::vector<Variant> keep;
    keep.reserve(m.params.size() * 2 + 2);
    std::vector<VARIANT> args;
    for (auto it = m.params.rbegin(); it != m.params.rend(); ++it) args.push_back(ArgumentFor(pattern, *it, keep));
    DISPPARAMS params = {args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    DISPID put = DISPID_PROPERTYPUT;
    WORD flags = DISPATCH_METHOD;
    if (m.kind == INVOKE_PROPERTYGET) flags = DISPATCH_PROPERTYGET;
    if (m.kind == INVOKE_PROPERTYPUT || m.kind == INVOKE_PROPERTYPUTREF) {
        flags = m.kind == INVOKE_PROPERTYPUT ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYPUTREF;
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
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

TEST(TypeLibraryWalk, EveryMemberAnswersEveryArgumentKindInEveryState) {
    ComPtr<ITypeLib> library;
    ASSERT_EQ(::LoadRegTypeLib(LIBID_VadAZ, 1, 0, 0, library.Put()), S_OK) << "the registered type library";
    std::vector<Member> members = MembersOf(library.Get(), IID_IZmaVadAZ);
    for (const Member& m : MembersOf(library.Get(), IID_IZmaVadAZ2)) {
        bool known = false;
        for (const Member& seen : members) known = known || (seen.id == m.id && seen.kind == m.kind);
        if (!known) members.push_back(m);
    }
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
                // Refused by the dispatch layer before the member ran: the arguments did not fit.
                if (hr != DISP_E_TYPEMISMATCH && hr != DISP_E_PARAMNOTFOUND && hr != DISP_E_BADPARAMCOUNT &&
                    hr != DISP_E_BADVARTYPE && hr != DISP_E_OVERFLOW)
                    ++reached;
                testsupport::PumpMessages();
            }
        }
    }
    std::printf("%ld calls, %ld reached the members\n", calls, reached);
    EXPECT_GT(reached, calls / 3) << "most argument kinds get past the dispatch layer";
}

}  // namespace
