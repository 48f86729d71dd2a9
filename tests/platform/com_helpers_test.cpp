// The small helpers every folder shares: the object a variant holds, and lower-casing as the
// system does it.
#include "platform/ComObject.h"
#include "platform/Result.h"

#include <gtest/gtest.h>

namespace {

using platform::ComPtr;
using platform::Variant;

class Automation : public platform::ComObject<Automation, IDispatch> {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
};

TEST(ComHelpers, AVariantsObjectIsAskedForItsDispatchInterface) {
    ComPtr<Automation> object = platform::MakeObject<Automation>();
    ComPtr<IDispatch> automation(static_cast<IDispatch*>(object.Get()));
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(automation->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
    ComPtr<ICreateErrorInfo> noDispatch;
    ASSERT_EQ(::CreateErrorInfo(noDispatch.Put()), S_OK);
    Variant asUnknownWithout;
    asUnknownWithout.vt = VT_UNKNOWN;
    asUnknownWithout.punkVal = noDispatch.Detach();
    Variant nullDispatch;
    nullDispatch.vt = VT_DISPATCH;
    nullDispatch.pdispVal = nullptr;

    const struct {
        const char* what;
        Variant value;
        bool found;
    } cases[] = {
        {"by dispatch", Variant(automation.Get()), true},
        {"by unknown", Variant(unknown.Get()), true},
        {"an object without dispatch", asUnknownWithout, false},
        {"a null dispatch", nullDispatch, false},
        {"a number", Variant(7L), false},
        {"nothing", Variant(), false},
    };
    for (const auto& c : cases) {
        ComPtr<IDispatch> found = platform::DispatchOf(c.value);
        EXPECT_EQ(found.Get() == automation.Get(), c.found) << c.what;
        if (c.found) continue;
        EXPECT_FALSE(found) << c.what;
        try {
            platform::RequireDispatch(c.value);
            ADD_FAILURE() << c.what << " was accepted";
        } catch (const platform::ComError& e) {
            EXPECT_EQ(e.Error(), E_POINTER) << c.what;
        }
    }
}

TEST(ComHelpers, TextIsLowerCasedBeyondAscii) {
    EXPECT_EQ(platform::ToLower(std::string("LayerType_GSM")), "layertype_gsm");
    EXPECT_EQ(platform::ToLower(std::wstring(L"\u00C9TAGE 3")), L"\u00E9tage 3");
    EXPECT_EQ(platform::ToLower(L'\u00C9'), L'\u00E9');
    EXPECT_EQ(platform::ToLower(L'_'), L'_');
    EXPECT_EQ(platform::ToLower(std::wstring()), L"");
}

}  // namespace
