// Interfaces forwarded to an inner object: one rule for every member, whatever the interface.
#include "platform/ComObject.h"
#include "platform/Forwarding.h"

#include <gtest/gtest.h>

namespace {

// An outer object whose inner embedding and view objects are missing.
class Outer : public platform::ComObject<Outer, platform::ForwardedOleObject<Outer>,
                                         platform::ForwardedViewObject<Outer>> {
public:
    IOleObject* ForwardedOleTarget() noexcept { return nullptr; }
    IViewObjectEx* ForwardedViewTarget() noexcept { return nullptr; }
};

std::wstring CallerErrorDescription() {
    IErrorInfo* info = nullptr;
    if (::GetErrorInfo(0, &info) != S_OK || !info) return L"<none>";
    BSTR d = nullptr;
    info->GetDescription(&d);
    info->Release();
    return platform::Bstr::Attach(d).Wide();
}

TEST(Forwarding, AMissingInnerObjectAnswersItsInterfacesOwnCode) {
    platform::ComPtr<IUnknown> outer;
    ASSERT_EQ(platform::CreateInstanceOf<Outer>(IID_IUnknown, outer.PutVoid()), S_OK);
    platform::ComPtr<IOleObject> ole;
    platform::ComPtr<IViewObjectEx> view;
    ASSERT_EQ(outer->QueryInterface(IID_IOleObject, ole.PutVoid()), S_OK);
    ASSERT_EQ(outer->QueryInterface(IID_IViewObjectEx, view.PutVoid()), S_OK);
    // The embedding object is required; a view is optional.
    EXPECT_EQ(ole->Update(), E_POINTER);
    EXPECT_EQ(ole->Close(OLECLOSE_NOSAVE), E_POINTER);
    DWORD status = 0;
    EXPECT_EQ(view->GetViewStatus(&status), E_NOTIMPL);
    EXPECT_EQ(view->Unfreeze(0), E_NOTIMPL);
}

TEST(Forwarding, TheInnerAnswerAndItsErrorInformationAreTheCallers) {
    IUnknown* inner = reinterpret_cast<IUnknown*>(&inner);  // any object: the call never touches it
    auto failing = [](IUnknown&) {
        platform::ComError(E_ACCESSDENIED, L"inner refused").Restore();
        return E_ACCESSDENIED;
    };
    EXPECT_EQ(platform::ForwardTo(inner, E_POINTER, failing), E_ACCESSDENIED);
    EXPECT_EQ(CallerErrorDescription(), L"inner refused");
    // A forwarded success leaves nothing behind of earlier failures.
    platform::ComError(E_FAIL, L"stale").Restore();
    EXPECT_EQ(platform::ForwardTo(inner, E_POINTER, [](IUnknown&) { return S_FALSE; }), S_FALSE);
    EXPECT_EQ(CallerErrorDescription(), L"<none>");
}

}  // namespace
