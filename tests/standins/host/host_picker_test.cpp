// The attribute picker stand-in as a container hosts it: created in a window at a place, given
// the attribute collection, and firing the picked name to a connected sink.
#include "platform/HostedControl.h"

#include "HostInterfaces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::ComPtr;

TEST(AttributePicker, ListsTheCollectionAndFiresThePickedName) {
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent);
    ComPtr<IHostAttributesSetup> attributes;
    ASSERT_EQ(::CoCreateInstance(CLSID_HostAttributes, nullptr, CLSCTX_ALL, IID_IHostAttributesSetup, attributes.PutVoid()), S_OK);
    BSTR a = ::SysAllocString(L"RxLev"), b = ::SysAllocString(L"NeighborRxLev");
    attributes->AddAttribute(a, VARIANT_FALSE);
    attributes->AddAttribute(b, VARIANT_TRUE);
    ::SysFreeString(a);
    ::SysFreeString(b);

    std::vector<std::wstring> picked;
    {
        platform::HostedControl picker;
        const RECT place = {20, 30, 40, 50};
        picker.Create(CLSID_AttributePicker, parent, place, 77);
        ASSERT_EQ(::GetDlgItem(parent, 77), picker.Window());
        RECT shown = {};
        ::GetWindowRect(picker.Window(), &shown);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&shown), 2);
        EXPECT_EQ(shown.left, 20);
        EXPECT_EQ(shown.bottom, 50);

        ComPtr<IAttributePicker> control;
        ASSERT_EQ(picker.Control()->QueryInterface(IID_IAttributePicker, control.PutVoid()), S_OK);
        ComPtr<IDispatch> collection;
        attributes->QueryInterface(IID_IDispatch, collection.PutVoid());
        ASSERT_EQ(control->putref_Attributes(collection.Get()), S_OK);
        BSTR names = nullptr;
        ASSERT_EQ(control->get_ListedNames(&names), S_OK);
        EXPECT_STREQ(names, L"RxLev\nNeighborRxLev\n");
        ::SysFreeString(names);

        picker.Advise(DIID__DZmdAttributePickerEvents, [&](DISPID id, const DISPPARAMS& params) {
            if (id == 1 && params.cArgs == 1 && params.rgvarg[0].vt == VT_BSTR) picked.push_back(params.rgvarg[0].bstrVal);
        });
        ::SendMessageW(picker.Window(), BM_CLICK, 0, 0);
        HWND list = ::FindWindowW(L"VadazAttributePickerList", nullptr);
        ASSERT_TRUE(list);
        HWND box = ::GetDlgItem(list, 100);
        ::SendMessageW(box, LB_SETCURSEL, 1, 0);
        ::SendMessageW(list, WM_COMMAND, MAKEWPARAM(100, LBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
    }
    EXPECT_EQ(picked, (std::vector<std::wstring>{L"NeighborRxLev"}));
    // Destroying the host took the control's window with it.
    EXPECT_FALSE(::GetDlgItem(parent, 77));
    ::DestroyWindow(parent);
}
