// The print preview window: PrintPreview opens it on the control's job, its toolbar and keys page
// through the job, a layout chosen from its set-up menu lays the pages out anew, print prints
// what QuickPrint prints, a page that cannot be drawn leaves it working, and it goes (with its
// job) when it is closed, replaced or its control goes. The set-up menu itself is worked on a
// window of this program's own over a map that records what the window asks of it.
#include "tests/printing/PrintFixture.h"

#include "ZmaVOMap2/printing/BatchPrintResource.h"
#include "ZmaVOMap2/printing/MapPrintPreview.h"
#include "ZmaVOMap2/services/RegistrySettings.h"
#include "tests/control/ControlFixture.h"
#include "tests/support/TestSupport.h"

#include "platform/Window.h"

#include <commctrl.h>

namespace printtest {
namespace {

using platform::Bstr;
using platform::Variant;

HWND ChildOfClass(HWND frame, const wchar_t* cls) { return ::FindWindowExW(frame, nullptr, cls, nullptr); }

std::wstring Status(HWND frame) {
    wchar_t text[128] = {};
    ::SendMessageW(ChildOfClass(frame, STATUSCLASSNAMEW), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

// Which of previous/first and next/last the toolbar offers: "<>", "<", ">" or "".
std::wstring Offered(HWND frame) {
    HWND toolbar = ChildOfClass(frame, TOOLBARCLASSNAMEW);
    auto on = [&](int id) { return ::SendMessageW(toolbar, TB_ISBUTTONENABLED, id, 0) != 0; };
    std::wstring offered;
    if (on(ID_PREVIEW_PREVIOUS) && on(ID_PREVIEW_FIRST)) offered += L"<";
    if (on(ID_PREVIEW_NEXT) && on(ID_PREVIEW_LAST)) offered += L">";
    return offered;
}

// A key as the user types it, with Ctrl held or not.
void Key(HWND frame, WPARAM key, bool control = false) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = control ? 0x80 : 0;
    ::SetKeyboardState(keys);
    ::SendMessageW(frame, WM_KEYDOWN, key, 1);
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
}

void Command(HWND frame, UINT id) { ::SendMessageW(frame, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

class PreviewTest : public PrintTest {
protected:
    void SetUp() override {
        PrintTest::SetUp();
        map2_ = controltest::As<IZmaVadAZ2>(control_.Get());
        ASSERT_EQ(map2_->put_VOPrintLegend(legend_.Get()), S_OK);
        testsupport::WriteString(HKEY_CURRENT_USER, RegistrySettings::kMapQuickPrintKey, L"MapTitle", L"Previewed");
    }
    void TearDown() override {
        if (HWND frame = PreviewFrame()) ::DestroyWindow(frame);
        testsupport::DeleteValue(HKEY_CURRENT_USER, RegistrySettings::kMapQuickPrintKey, L"MapTitle");
        PrintTest::TearDown();
    }
    // A custom layout whose map is `width` wide: several sheets side by side.
    void CustomLayout(const wchar_t* width) {
        ASSERT_EQ(map2_->put_MapSize(Bstr(L"custom").Get()), S_OK);
        ASSERT_EQ(map2_->put_Width(Variant(width)), S_OK);
        ASSERT_EQ(map2_->put_Height(Variant(L"10 cm")), S_OK);
    }
    // The page count the status bar gives.
    static int Pages(HWND frame) { return std::stoi(Status(frame).substr(Status(frame).rfind(L' ') + 1)); }
    HWND Open() {
        EXPECT_EQ(map2_->PrintPreview(), S_FALSE);
        return PreviewFrame();
    }

    // Each test starts without a custom layout of earlier tests.
    enginetest::ScopedEnvironment writable_{L"VADAZ_HOST_PACKAGE_WRITABLE", FreshFolder(L"preview").c_str()};
    ComPtr<IZmaVadAZ2> map2_;
};

TEST_F(PreviewTest, TheToolbarAndKeysPageThroughTheJobAndALayoutChoiceLaysItOutAnew) {
    CustomLayout(L"51 cm");
    HWND frame = Open();
    ASSERT_TRUE(frame);
    wchar_t caption[32] = {};
    ::GetWindowTextW(frame, caption, 32);
    EXPECT_EQ(std::wstring(caption), L"Print Preview");
    EXPECT_TRUE(::IsWindowVisible(frame));
    const int n = Pages(frame);
    ASSERT_GE(n, 3);
    const std::wstring of = L" of " + std::to_wstring(n);
    EXPECT_EQ(Status(frame), L"Preview: Page 1" + of);
    struct Step {
        const char* input;
        std::function<void()> act;
        int page;
    } const steps[] = {
        {"next button", [&] { Command(frame, ID_PREVIEW_NEXT); }, 2},
        {"Page Down", [&] { Key(frame, VK_NEXT); }, 3},
        {"End", [&] { Key(frame, VK_END); }, n},
        {"Page Down on the last page", [&] { Key(frame, VK_NEXT); }, n},
        {"Ctrl+Up", [&] { Key(frame, VK_UP, true); }, n - 1},
        {"Up alone", [&] { Key(frame, VK_UP); }, n - 1},
        {"Home", [&] { Key(frame, VK_HOME); }, 1},
        {"Page Up on the first page", [&] { Key(frame, VK_PRIOR); }, 1},
        {"last button", [&] { Command(frame, ID_PREVIEW_LAST); }, n},
        {"previous button", [&] { Command(frame, ID_PREVIEW_PREVIOUS); }, n - 1},
        {"first button", [&] { Command(frame, ID_PREVIEW_FIRST); }, 1},
        {"Ctrl+Down", [&] { Key(frame, VK_DOWN, true); }, 2},
        {"Page Up", [&] { Key(frame, VK_PRIOR); }, 1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.input);
        step.act();
        EXPECT_EQ(Status(frame), L"Preview: Page " + std::to_wstring(step.page) + of);
        EXPECT_EQ(Offered(frame), std::wstring(step.page > 1 ? L"<" : L"") + (step.page < n ? L">" : L""));
    }
    // P alone prints nothing.
    ::DeleteFileW(OutputFile().c_str());
    Key(frame, L'P');
    EXPECT_FALSE(OutputExists());

    // The portrait layout's map fits one sheet: back to page 1 of 1, nothing to page to.
    Command(frame, ID_PREVIEW_PORTRAIT);
    EXPECT_EQ(Status(frame), L"Preview: Page 1 of 1");
    EXPECT_EQ(Offered(frame), L"");
    long layout = -1;
    EXPECT_EQ(map2_->get_QuickPrintLayout(&layout), S_OK);
    EXPECT_EQ(layout, QUICK_PRINT_LAYOUT_PORTRAIT);
    Command(frame, ID_PREVIEW_CUSTOM);
    EXPECT_EQ(Status(frame), L"Preview: Page 1" + of);

    // Alt+C closes.
    ::SendMessageW(frame, WM_SYSCHAR, L'c', 1 << 29);
    EXPECT_FALSE(::IsWindow(frame));
}

TEST_F(PreviewTest, PrintingFromThePreviewPrintsWhatQuickPrintPrints) {
    CustomLayout(L"34 cm");
    ::DeleteFileW(OutputFile().c_str());
    ASSERT_EQ(map2_->QuickPrint(Bstr(L"Previewed").Get()), S_OK);
    const std::string quick = PrintedPagesText();
    const int pages = PrintedPages();
    EXPECT_GE(pages, 2);
    HWND frame = Open();
    ASSERT_TRUE(frame);
    for (const char* how : {"Ctrl+P", "print button"}) {
        SCOPED_TRACE(how);
        ::DeleteFileW(OutputFile().c_str());
        if (std::string(how) == "Ctrl+P") {
            Key(frame, L'P', true);
        } else {
            Command(frame, ID_PREVIEW_PRINT);
        }
        EXPECT_EQ(PrintedPages(), pages);
        EXPECT_TRUE(PrintedPagesText() == quick) << "the preview printed other pages";
        EXPECT_EQ(PrintedHeader("%%Title: "), "Map Module - Previewed");
        EXPECT_TRUE(::IsWindow(frame)) << "printing closed the preview";
    }
}

TEST_F(PreviewTest, TheWindowGoesWithItsJobWhenClosedReplacedOrWhenItsControlGoes) {
    struct Case {
        const char* how;
        std::function<void(HWND)> close;
        ULONG mapLetGo;  // the map holds the legend, and so do its layers
        bool handOver;   // the legend is handed over again first
    } const cases[] = {
        {"its close button", [](HWND frame) { Command(frame, ID_PREVIEW_CLOSE); }, 0, false},
        {"a second preview", [&](HWND) { map2_->PrintPreview(); }, 0, false},
        {"PreDestroy", [&](HWND) { map2_->PreDestroy(); }, 2, false},
        {"the control's last release", [&](HWND) {
             map2_.Reset();
             control_.Reset();
         }, 1, true},
    };
    // The map's layers take the legend up when they first prepare a print.
    ASSERT_EQ(map2_->QuickPrint(Bstr(L"once").Get()), S_OK);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        if (c.handOver) {
            ASSERT_EQ(map2_->put_VOPrintLegend(legend_.Get()), S_OK);
        }
        const ULONG before = References(legend_.Get());
        HWND frame = Open();
        ASSERT_TRUE(frame);
        EXPECT_EQ(References(legend_.Get()), before + 1) << "the job holds the legend";
        c.close(frame);
        EXPECT_FALSE(::IsWindow(frame));
        if (HWND second = PreviewFrame()) {
            EXPECT_EQ(Status(second), L"Preview: Page 1 of 1");
            Command(second, ID_PREVIEW_CLOSE);
        }
        EXPECT_EQ(References(legend_.Get()), before - c.mapLetGo) << "the job is left";
    }
}

TEST_F(PreviewTest, APageThatCannotBeDrawnLeavesThePreviewWorking) {
    CustomLayout(L"34 cm");
    enginetest::ScopedEnvironment faults(L"VADAZ_ENGINE_FAULTS", L"fail-printmap");
    HWND frame = Open();
    ASSERT_TRUE(frame);
    Key(frame, VK_NEXT);
    ::UpdateWindow(frame);
    EXPECT_EQ(Status(frame), L"Preview: Page 2 of " + std::to_wstring(Pages(frame)));
    EXPECT_TRUE(::IsWindow(frame));
}

// --- The window over a map of the test's --------------------------------------------------------

// Records what the window asks of its map.
class RecordingHost : public PrintPreviewHost {
public:
    void PrintJobCopy(std::unique_ptr<MapPrintJobInfo>) override { calls.push_back(L"print"); }
    long CurrentLayout() override { return 1; }
    bool SelectLayout(long layout) override {
        calls.push_back(L"layout " + std::to_wstring(layout));
        return layout != 2;
    }
    bool PreparePrintJob(MapPrintJobInfo&) override {
        calls.push_back(L"prepare");
        return true;
    }
    bool PageSetupThenPrepare(MapPrintJobInfo&, HWND) override {
        calls.push_back(L"setup");
        return false;
    }
    std::wstring QuickPrintTitle() override { return L"Recorded"; }
    std::vector<std::wstring> calls;
};

// Reads the set-up menu as it opens and chooses an item.
class MenuChooser : public platform::UserPrompts {
public:
    int MessageBox(HWND, const std::wstring&, const std::wstring&, UINT) override { return IDOK; }
    bool GetOpenFileName(OPENFILENAMEW&) override { return false; }
    bool GetSaveFileName(OPENFILENAMEW&) override { return false; }
    BOOL TrackPopupMenu(HMENU menu, UINT, int, int, HWND owner) override {
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = {};
            ::GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
            items.push_back(std::wstring(::GetMenuState(menu, i, MF_BYPOSITION) & MF_CHECKED ? L"*" : L"") + text);
        }
        ::PostMessageW(owner, WM_COMMAND, choice, 0);
        return TRUE;
    }
    UINT choice = 0;
    std::vector<std::wstring> items;
};

TEST_F(PrintTest, TheSetupMenuOffersTheLayoutsAndAWindowWithoutMapOnlyPages) {
    RecordingHost host;
    MenuChooser chooser;
    platform::SetPrompts(&chooser);
    auto preview = std::make_shared<CMapPrintPreview>(NewJob(L"Own"), &host);
    ASSERT_TRUE(preview->Create());
    HWND toolbar = ChildOfClass(preview->Handle(), TOOLBARCLASSNAMEW);
    RECT print = {};
    ::SendMessageW(toolbar, TB_GETRECT, ID_PREVIEW_PRINT, reinterpret_cast<LPARAM>(&print));
    const LPARAM arrow = MAKELPARAM(print.right - 3, (print.top + print.bottom) / 2);
    struct Case {
        UINT choice;
        std::vector<std::wstring> calls;
    } const cases[] = {
        {ID_PREVIEW_PORTRAIT, {L"layout 0", L"prepare"}},
        {ID_PREVIEW_CUSTOM, {L"layout 2"}},  // a switch that fails changes nothing
        {ID_PREVIEW_SETUP, {L"setup"}},
    };
    for (const Case& c : cases) {
        host.calls.clear();
        chooser.items.clear();
        chooser.choice = c.choice;
        ::PostMessageW(toolbar, WM_LBUTTONUP, 0, arrow);
        ::SendMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, arrow);
        testsupport::PumpMessages();
        EXPECT_EQ(chooser.items, (std::vector<std::wstring>{L"Portrait Layout", L"*Landscape Layout", L"Custom Layout",
                                                            L"Print Setup..."}));
        EXPECT_EQ(host.calls, c.calls) << c.choice;
    }
    Command(preview->Handle(), ID_PREVIEW_PRINT);
    EXPECT_EQ(host.calls.back(), L"print");

    // Without its map the window still pages, and print and layout do nothing.
    preview->Detach();
    EXPECT_EQ(preview->Handle(), nullptr);
    preview = std::make_shared<CMapPrintPreview>(NewJob(L"Own"), nullptr);
    ASSERT_TRUE(preview->Create());
    ::DeleteFileW(OutputFile().c_str());
    for (UINT command : {ID_PREVIEW_PRINT, ID_PREVIEW_LANDSCAPE, ID_PREVIEW_SETUP}) Command(preview->Handle(), command);
    EXPECT_FALSE(OutputExists());
    EXPECT_EQ(Status(preview->Handle()), L"Preview: Page 1 of 1");
    platform::SetPrompts(nullptr);
}

}  // namespace
}  // namespace printtest
