// The Layer Control dialog as a host and the context menu open it, from the control's own module.
#include "ZmaVOMap2/commands/CommandResources.h"
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "tests/commands/CommandsFixture.h"

#include <commctrl.h>

namespace {

using commandtest::SitedMap;

constexpr DISPID kLayersDlg = 0x11;
constexpr DISPID kEngineAutoRedraw = 6;

class LayerControlOfTheMap : public SitedMap {};

TEST_F(LayerControlOfTheMap, LayersDlgAndMapLayersOpenTheDialogOverTheMapsLayers) {
    std::vector<std::wstring> captions;
    int rows = -1;
    bool redrawWhileOpen = true;
    WorkDialogs([&](HWND dialog) {
        wchar_t caption[128] = {};
        ::GetWindowTextW(dialog, caption, 128);
        captions.push_back(caption);
        rows = static_cast<int>(::SendDlgItemMessageW(dialog, IDC_LAYER_LIST, LVM_GETITEMCOUNT, 0, 0));
        redrawWhileOpen = EngineGet(kEngineAutoRedraw).ToBool();
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });

    // Through automation, as a host calls it: S_OK whatever the dialog answers.
    EXPECT_EQ(automation_->LayersDlg(), S_OK);
    ASSERT_EQ(captions.size(), 1u);
    EXPECT_EQ(captions[0], L"Layer Control");
    EXPECT_EQ(rows, 2);  // the annotations and imagery layers of a new map
    EXPECT_FALSE(redrawWhileOpen);
    EXPECT_TRUE(EngineGet(kEngineAutoRedraw).ToBool());

    // Through IDispatch by name, and from the context menu's "Map Layers".
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"LayersDlg");
    ASSERT_EQ(automation_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, kLayersDlg);
    DISPPARAMS none = {};
    EXPECT_EQ(automation_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
    Command(ID_MAP_LAYERS);
    EXPECT_EQ(captions.size(), 3u);
}

}  // namespace
