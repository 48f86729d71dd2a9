// "Zoom to Scale...": the dialog filled from the map, driven as a user would, and the zoom it
// gives the engine.
#include "tests/commands/CommandsFixture.h"
#include "platform/Number.h"
#include "tests/support/TestSupport.h"

#include "ZmaVOMap2/engine/DistanceUnits.h"

#include <cstdio>
#include <cstdlib>

using platform::Variant;

namespace commandtest {
namespace {

constexpr int kWidthEdit = 156, kScaleEdit = 158, kUnitCombo = 160, kCustom = 219, kScale25000 = 205;
constexpr DISPID kEnginePaperWidth = 13;

std::string Text(HWND dialog, int id) {
    char text[200] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

double Rounded(double value) { return testsupport::NumberIn(platform::FormatGeneral(value)); }

class ZoomToScale : public SitedMap {
protected:
    void SetUp() override {
        SitedMap::SetUp();
        testsupport::RemoveBackgroundMap(control_.Get());
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Zemro\\Terravex\\MapInformation", 0, KEY_SET_VALUE, &key) ==
            ERROR_SUCCESS) {
            ::RegDeleteValueW(key, L"ZoomToScaleUnitSel");
            ::RegCloseKey(key);
        }
        EnginePut(kEngineUnit, Variant(7L));       // metres on the ground
        EnginePut(kEnginePaperUnit, Variant(6L));  // centimetres of screen
        EnginePut(kEngineZoom, Variant(1234.5));
    }

    DWORD StoredUnit() {
        DWORD value = 0, size = sizeof value;
        ::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Zemro\\Terravex\\MapInformation", L"ZoomToScaleUnitSel",
                       RRF_RT_REG_DWORD, nullptr, &value, &size);
        return value;
    }
};

TEST_F(ZoomToScale, APresetScaleZoomsToThatScaleOfTheWindowsWidth) {
    // Before any SetZoom the window counts at its own width, so the screen length is the engine's
    // paper width; a map in metres offers centimetres.
    const double screenCm = EngineGet(kEnginePaperWidth).ToDouble();
    bool disabled = false;
    std::string unitShown;
    WorkDialogs([&](HWND dialog) {
        unitShown = Text(dialog, 154);
        EXPECT_EQ(::IsDlgButtonChecked(dialog, kCustom), BST_CHECKED);
        EXPECT_EQ(Text(dialog, kWidthEdit), "1234.5");
        ::SendDlgItemMessageW(dialog, kScale25000, BM_CLICK, 0, 0);
        disabled = !::IsWindowEnabled(::GetDlgItem(dialog, kWidthEdit)) &&
                   !::IsWindowEnabled(::GetDlgItem(dialog, kScaleEdit)) &&
                   !::IsWindowEnabled(::GetDlgItem(dialog, kUnitCombo));
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    EXPECT_EQ(Command(32784), 0);
    EXPECT_EQ(unitShown, "mt");
    EXPECT_TRUE(disabled);
    EXPECT_DOUBLE_EQ(EngineGet(kEngineZoom).ToDouble(), Rounded(25000 * screenCm / 100));
    EXPECT_EQ(EngineGet(kEnginePaperUnit).ToLong(), 6);
    EXPECT_EQ(StoredUnit(), 6u);
}

TEST_F(ZoomToScale, ACustomScaleInInchesIsRememberedAndCancelChangesNothing) {
    const double screenCm = EngineGet(kEnginePaperWidth).ToDouble();
    std::string scaleInCm, scaleInInches;
    WorkDialogs([&](HWND dialog) {
        scaleInCm = Text(dialog, kScaleEdit);
        ::SendDlgItemMessageW(dialog, kUnitCombo, CB_SETCURSEL, 0, 0);  // "in"
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kUnitCombo, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, kUnitCombo)));
        scaleInInches = Text(dialog, kScaleEdit);
        ::SetDlgItemTextA(dialog, kScaleEdit, "100");
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    EXPECT_EQ(Command(32784), 0);
    // The width stays; the same width is 2.54 times the scale in inches.
    EXPECT_NEAR(testsupport::NumberIn(scaleInInches) / testsupport::NumberIn(scaleInCm), 2.54, 1e-4);
    // The custom scale times the screen length in inches.
    EXPECT_DOUBLE_EQ(EngineGet(kEngineZoom).ToDouble(), Rounded(100 * screenCm / 2.54));
    EXPECT_EQ(EngineGet(kEnginePaperUnit).ToLong(), 2);
    EXPECT_EQ(StoredUnit(), 2u);

    // The next dialog opens in inches; Cancel leaves the map alone.
    std::string offered;
    const double zoom = EngineGet(kEngineZoom).ToDouble();
    WorkDialogs([&](HWND dialog) {
        offered = Text(dialog, kUnitCombo);
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    EXPECT_EQ(Command(32784), 0);
    EXPECT_EQ(offered, "in");
    EXPECT_EQ(EngineGet(kEngineZoom).ToDouble(), zoom);
}

}  // namespace
}  // namespace commandtest
