// Batch printing: a batch job over layers that record what it shows (its pages per entry, quiet
// measuring, the layers of each printed page, the layers put back however a run ends), then the
// control's QuickBatchPrint and its batch dialog worked the way a user does, on measurement layers
// of the control printed on the prefix's printer, and the prints the control refuses: one asked
// for by a host's handler while one runs, and one of more sheets than a print takes.
#include "tests/printing/PrintFixture.h"

#include "ZmaVOMap2/printing/BatchPrintResource.h"
#include "ZmaVOMap2/printing/MapBatchPrintJobInfo.h"
#include "ZmaVOMap2/printing/MapPrintPreview.h"
#include "tests/control/ControlFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/support/DialogAnswerer.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <utility>

namespace printtest {
namespace {

using platform::Bstr;
using platform::Variant;

// Measurement layers as a batch job sees them, each change noted with whether the host heard of it.
class RecordingLayers : public BatchPrintLayers {
public:
    std::vector<BatchPrintLayer> DataLayers() override { return layers; }
    void SetVisible(const std::wstring& key, bool visible) override {
        for (BatchPrintLayer& layer : layers) {
            if (layer.key != key) continue;
            layer.visible = visible;
            (suppressed ? quietChanges : heardChanges)++;
            if (onChange) onChange(layer);
        }
    }
    void SuppressVisibilityEvents(bool suppress) noexcept override { suppressed = suppress; }
    std::wstring Shown() const {
        std::wstring shown;
        for (const BatchPrintLayer& layer : layers)
            if (layer.visible) shown += (shown.empty() ? L"" : L"|") + layer.name;
        return shown;
    }

    std::vector<BatchPrintLayer> layers;
    bool suppressed = false;
    int quietChanges = 0, heardChanges = 0;
    std::function<void(const BatchPrintLayer&)> onChange;
};

class BatchJobTest : public PrintTest {
protected:
    void SetUp() override {
        PrintTest::SetUp();
        layers_.layers = {{L"A", L"a", false}, {L"B", L"b", true}, {L"C", L"c", true}, {L"R", L"r", true}};
        // The map is twice a sheet wide while A shows: A's entry needs two sheets.
        layers_.onChange = [this](const BatchPrintLayer& layer) {
            if (layer.key == L"a") settings_->put_Width(layer.visible ? 28482 : 15000);
        };
        Settle(kMapSizeCustom, 15000, 10000, 270);
    }

    std::unique_ptr<MapBatchPrintJobInfo> NewBatchJob(std::vector<std::wstring> pages, std::vector<std::wstring> all) {
        std::unique_ptr<MapBatchPrintJobInfo> job = support_.CreateBatchJobInfo();
        support_.ApplyPrinterToJob(*job);
        job->SetPrintSettings(settings_.Get());
        job->SetMapView(control_.Get());
        job->SetLegendView(legend_.Get());
        job->SetPages(std::shared_ptr<BatchPrintLayers>(&layers_, [](BatchPrintLayers*) {}), std::move(pages),
                      std::move(all));
        return job;
    }

    RecordingLayers layers_;
};

TEST_F(BatchJobTest, EachEntryIsMeasuredQuietlyAndPrintsItsSheetsWithTheLayersOfItsPage) {
    // B is a page layer and listed for all pages: it shows on A's pages too. C is listed nowhere.
    struct Case {
        const char* name;
        bool fixedLegend;
        std::vector<UINT> sheets;  // a fixed legend gives every entry the first one's sheets
        std::vector<std::wstring> shown;  // the pages whose sheet holds map
    } const cases[] = {
        {"own legends", false, {2, 1}, {L"A|B|R", L"A|B|R", L"B|R"}},
        {"fixed legend", true, {2, 2}, {L"A|B|R", L"A|B|R", L"B|R"}},  // B's map fills one sheet
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(settings_->put_FixedLegendSize(c.fixedLegend ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
        std::unique_ptr<MapBatchPrintJobInfo> job = NewBatchJob({L"A", L"B"}, {L"R", L"B"});
        layers_.heardChanges = layers_.quietChanges = 0;
        const UINT pages = std::accumulate(c.sheets.begin(), c.sheets.end(), 0u);
        EXPECT_EQ(job->GetPageCount(), pages);
        EXPECT_EQ(job->SheetsPerEntry(), c.sheets);
        EXPECT_EQ(job->EntryOfPage(1), std::make_pair(size_t{0}, 1u));
        EXPECT_EQ(job->EntryOfPage(pages - 1), std::make_pair(size_t{1}, c.sheets[1] - 1));
        EXPECT_EQ(job->EntryOfPage(pages), std::make_pair(size_t{0}, 0u));
        EXPECT_GT(layers_.quietChanges, 0);
        EXPECT_EQ(layers_.heardChanges, 0) << "the host heard of the measuring";
        EXPECT_FALSE(layers_.suppressed);
        EXPECT_EQ(layers_.Shown(), L"B|C|R");

        std::vector<std::wstring> shown;
        DuringEachPage([&] { shown.push_back(layers_.Shown()); });
        ::DeleteFileW(OutputFile().c_str());
        support_.Print(std::move(job));
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(PrintedPages(), static_cast<int>(pages));
        EXPECT_EQ(PrintedHeader("%%Title: "), "Map Module - Batch Print");
        EXPECT_EQ(layers_.Shown(), L"B|C|R");
        EXPECT_GT(layers_.heardChanges, 0) << "the host hears of the pages' layers";
    }
}

TEST_F(BatchJobTest, TheLayersComeBackHoweverARunEnds) {
    struct Case {
        const char* name;
        std::function<void(std::unique_ptr<MapBatchPrintJobInfo>&)> run;
        const wchar_t* after;
    } const cases[] = {
        {"a page that fails",
         [&](std::unique_ptr<MapBatchPrintJobInfo>& job) {
             enginetest::ScopedEnvironment faults(L"VADAZ_ENGINE_FAULTS", L"fail-printmap");
             EXPECT_EQ(Raised([&] { support_.PrintWithProgress(std::move(job)); }), E_FAIL);
         },
         L"B|C|R"},
        {"a measure that fails",
         [&](std::unique_ptr<MapBatchPrintJobInfo>& job) {
             // The legend refuses C's check box once.
             auto widen = layers_.onChange;
             layers_.onChange = [&, widen](const BatchPrintLayer& layer) {
                 widen(layer);
                 if (layer.key != L"c") return;
                 layers_.onChange = widen;
                 throw platform::ComError(E_FAIL, L"refused");
             };
             EXPECT_EQ(Raised([&] { job->GetPageCount(); }), E_FAIL);
             EXPECT_FALSE(layers_.suppressed);
         },
         L"B|C|R"},
        {"a job deleted in the middle of its run",
         [&](std::unique_ptr<MapBatchPrintJobInfo>& job) {
             job->GetPageCount();
             job->PrePrintPage(2, nullptr);
             EXPECT_EQ(layers_.Shown(), L"B|R");
             job.reset();
         },
         L"B|C|R"},
        {"a layer that goes during the run",
         [&](std::unique_ptr<MapBatchPrintJobInfo>& job) {
             DuringEachPage([&] { layers_.layers.erase(layers_.layers.begin() + 2); DuringEachPage(nullptr); });
             support_.Print(std::move(job));
         },
         L"B|R"},
    };
    const std::vector<BatchPrintLayer> before = layers_.layers;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        layers_.layers = before;
        std::unique_ptr<MapBatchPrintJobInfo> job = NewBatchJob({L"A", L"B"}, {L"R"});
        c.run(job);
        job.reset();
        EXPECT_EQ(layers_.Shown(), c.after);
    }
}

// --- The control's batch printing ---------------------------------------------------------------

enum : DISPID { kEventGetField = 4, kEventLayerVisibilityChanged = 5, kEventEditAttributes = 7 };

// Five measurement layers: three with a page each, one on all pages, one in neither list.
class ControlBatchTest : public PrintTest {
protected:
    void SetUp() override {
        PrintTest::SetUp();
        testsupport::DialogAnswerer::Current()->Clear();
        map2_ = controltest::As<IZmaVadAZ2>(control_.Get());
        ASSERT_EQ(map2_->put_VOPrintLegend(legend_.Get()), S_OK);
        ASSERT_EQ(map2_->put_TitleFontColor(Variant(L"0000ff")), S_OK);  // the picture judge's title colour
        for (const wchar_t* field : {L"RxLev", L"RxQual", L"Speed", L"Height", L"Count"}) Show(field);
        for (const wchar_t* field : {L"RxLev", L"RxQual", L"Speed"}) Flag(field, VARIANT_TRUE, VARIANT_FALSE);
        Flag(L"Height", VARIANT_FALSE, VARIANT_TRUE);
        ComPtr<IConnectionPointContainer> container = controltest::As<IConnectionPointContainer>(control_.Get());
        ASSERT_EQ(container->FindConnectionPoint(DIID__IZmaVOMapXEvents2, events_.Put()), S_OK);
        journal_ = platform::MakeObject<displaytest::EventJournal>();
        ASSERT_EQ(events_->Advise(journal_.Get(), &cookie_), S_OK);
    }
    void TearDown() override {
        testsupport::DialogAnswerer::Current()->SetAction(nullptr);
        events_->Unadvise(cookie_);
        PrintTest::TearDown();
    }

    // A layer named after its field.
    void Show(const wchar_t* field, IUnknown* control = nullptr) {
        ComPtr<IDispatch> dataset = displaytest::NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {field, 5}}, 10);
        ComPtr<IDispatch> dispatch = controltest::As<IDispatch>(control ? control : control_.Get());
        ASSERT_EQ(displaytest::Call(dispatch.Get(), displaytest::kDisplayDataset,
                                    {Variant(dataset.Get()), displaytest::Text(field), displaytest::Text(Series(field).c_str())}),
                  S_OK);
    }
    static std::wstring Series(const std::wstring& field) { return L"{batch-" + field + L"}"; }
    void Flag(const wchar_t* field, VARIANT_BOOL batch, VARIANT_BOOL allPages) {
        ASSERT_EQ(map2_->SetDefaultBatchPrintFlagsForDataLayer(Bstr(Series(field)).Get(), batch, allPages), S_OK);
    }

    // The engine's visibility of every layer, by name.
    std::map<std::wstring, bool> Visibility() {
        using namespace displaytest;
        std::map<std::wstring, bool> visible;
        Variant layers = Get(map_.Get(), kEngineLayers);
        const long count = Get(layers.pdispVal, kLayersCount).ToLong();
        for (long i = 1; i <= count; ++i) {
            Variant layer;
            Invoke(layers.pdispVal, kLayersItem, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Variant(i)}, &layer);
            visible[Get(layer.pdispVal, kLayerName).ToWide()] = Get(layer.pdispVal, kLayerVisible).ToBool();
        }
        return visible;
    }

    // The measurement layers a page showed.
    static std::wstring DataLayersOf(const std::wstring& shown) {
        std::wstring found;
        for (const wchar_t* field : {L"RxLev", L"RxQual", L"Speed", L"Height", L"Count", L"Level"})
            if ((L"|" + shown + L"|").find(L"|" + std::wstring(field) + L"|") != std::wstring::npos)
                found += (found.empty() ? L"" : L"+") + std::wstring(field);
        return found;
    }

    long Heard(DISPID event) {
        long count = 0;
        for (const std::wstring& entry : journal_->Take()) count += entry == std::to_wstring(event);
        return count;
    }

    // Each test starts without a custom layout of earlier tests.
    enginetest::ScopedEnvironment writable_{L"VADAZ_HOST_PACKAGE_WRITABLE", FreshFolder(L"batch").c_str()};
    ComPtr<IZmaVadAZ2> map2_;
    ComPtr<IConnectionPoint> events_;
    ComPtr<displaytest::EventJournal> journal_;
    DWORD cookie_ = 0;
};

TEST_F(ControlBatchTest, QuickBatchPrintPrintsOnePageSetPerFlaggedLayerAndPutsTheMapBack) {
    const std::map<std::wstring, bool> before = Visibility();
    ClearEngineCalls();
    journal_->Take();
    ::DeleteFileW(OutputFile().c_str());
    ASSERT_EQ(map2_->QuickBatchPrint(), S_OK);

    std::vector<std::wstring> pages;
    for (const std::wstring& shown : PrintedLayers()) pages.push_back(DataLayersOf(shown));
    std::sort(pages.begin(), pages.end());
    EXPECT_EQ(pages, (std::vector<std::wstring>{L"RxLev+Height", L"RxQual+Height", L"Speed+Height"}));
    EXPECT_EQ(PrintedPages(), 3);
    EXPECT_EQ(PrintedHeader("%%Title: "), "Map Module - Batch Print");
    EXPECT_EQ(Visibility(), before);
    // Three pages change 3, 2 and 2 layers, and the end puts 3 back: the measuring said nothing.
    EXPECT_EQ(Heard(kEventLayerVisibilityChanged), 10);

    // The judge finds each page's parts where a job of the same settings lays them out.
    ComPtr<IMapPrintSettings> custom;
    ASSERT_EQ(::CoCreateInstance(CLSID_MapPrintSettings, nullptr, CLSCTX_ALL, IID_IMapPrintSettings, custom.PutVoid()),
              S_OK);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    custom->Load(Variant(L"terravex://Map/Printing/Layouts/customQuickPrintLayout.xml"), &loaded);
    settings_ = custom;
    std::unique_ptr<MapPrintJobInfo> job = NewJob();
    job->GetPageCount();
    KeepForJudge("batch-three-layers", job->Layout(), 3);
}

// Clicks a check image of the batch list (column 0 batch print, 1 include on all), or beside it.
void ClickCheck(HWND list, int row, int column, bool beside = false) {
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    ::SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    int left = bounds.left;
    for (int c = 0; c < column; ++c) left += static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0));
    const int width = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
    const int x = beside ? left + 1 : left + width / 2, y = (bounds.top + bounds.bottom) / 2;
    ::PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}

std::vector<std::wstring> RowNames(HWND list) {
    std::vector<std::wstring> names;
    const int rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        wchar_t text[64] = {};
        LVITEMW item = {};
        item.iSubItem = 2;
        item.pszText = text;
        item.cchTextMax = 64;
        ::SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        names.push_back(text);
    }
    return names;
}

int RowOf(HWND list, const std::wstring& name) {
    const std::vector<std::wstring> names = RowNames(list);
    return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
}

TEST_F(ControlBatchTest, TheDialogTicksLayersLetsTheHostEditAttributesAndPrintsTheChosenOnes) {
    // The host's attribute editor drops one layer and shows another.
    journal_->onEvent = [&](DISPID id) {
        if (id != kEventEditAttributes) return;
        displaytest::Call(controltest::As<IDispatch>(control_.Get()).Get(), displaytest::kRemoveDataset,
                          {displaytest::Text(Series(L"Count").c_str()), Variant(false)});
        Show(L"Level");
    };
    std::vector<std::wstring> opened, afterAttributes;
    bool enabledAtStart = false, enabledUnticked = true, enabledBeside = true, enabledTicked = false;
    testsupport::DialogAnswerer::Current()->SetAction([&](HWND dialog) {
        HWND list = ::GetDlgItem(dialog, IDC_BATCH_LIST), print = ::GetDlgItem(dialog, IDOK);
        opened = RowNames(list);
        enabledAtStart = ::IsWindowEnabled(print) && ::IsWindowEnabled(::GetDlgItem(dialog, IDC_BATCH_PREVIEW));
        for (const wchar_t* name : {L"RxLev", L"RxQual", L"Speed"}) ClickCheck(list, RowOf(list, name), 0);
        enabledUnticked = ::IsWindowEnabled(print) || ::IsWindowEnabled(::GetDlgItem(dialog, IDC_BATCH_PREVIEW));
        ClickCheck(list, RowOf(list, L"RxQual"), 0, true);
        enabledBeside = ::IsWindowEnabled(print);
        ClickCheck(list, RowOf(list, L"RxQual"), 0);
        enabledTicked = ::IsWindowEnabled(print);
        ClickCheck(list, RowOf(list, L"Speed"), 1);  // Speed on every page as well
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_BATCH_ATTRIBUTES, BN_CLICKED), 0);
        afterAttributes = RowNames(list);
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    ClearEngineCalls();
    journal_->Take();
    ::DeleteFileW(OutputFile().c_str());
    ASSERT_EQ(map2_->BatchPrint(), S_OK);

    std::sort(opened.begin(), opened.end());
    EXPECT_EQ(opened, (std::vector<std::wstring>{L"Count", L"Height", L"RxLev", L"RxQual", L"Speed"}));
    EXPECT_TRUE(enabledAtStart);
    EXPECT_FALSE(enabledUnticked) << "Print and Preview with no layer ticked";
    EXPECT_FALSE(enabledBeside) << "a click beside the check image ticked it";
    EXPECT_TRUE(enabledTicked);
    ASSERT_EQ(afterAttributes.size(), 5u);
    EXPECT_EQ(afterAttributes.back(), L"Level") << "a new layer comes last";
    EXPECT_EQ(std::count(afterAttributes.begin(), afterAttributes.end(), L"Count"), 0);
    // The ticks given before Attributes stay: one page, of RxQual, with Height and Speed.
    std::vector<std::wstring> pages;
    for (const std::wstring& shown : PrintedLayers()) pages.push_back(DataLayersOf(shown));
    EXPECT_EQ(pages, (std::vector<std::wstring>{L"RxQual+Speed+Height"}));
    EXPECT_EQ(PrintedPages(), 1);
}

TEST_F(ControlBatchTest, APreviewThatFailsLeavesTheDialogWorking) {
    // A map whose host handed over no print legend cannot prepare a job.
    ComPtr<IUnknown> other;
    ASSERT_EQ(controltest::CreateControl(other), S_OK);
    ASSERT_EQ(controltest::As<IPersistStreamInit>(other.Get())->InitNew(), S_OK);
    Show(L"RxLev", other.Get());
    ComPtr<IZmaVadAZ2> typed = controltest::As<IZmaVadAZ2>(other.Get());
    ASSERT_EQ(typed->SetDefaultBatchPrintFlagsForDataLayer(Bstr(Series(L"RxLev")).Get(), VARIANT_TRUE, VARIANT_FALSE), S_OK);
    bool open = false;
    testsupport::DialogAnswerer::Current()->SetAction([&](HWND dialog) {
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_BATCH_PREVIEW, BN_CLICKED), 0);
        open = ::IsWindow(dialog) && ::IsWindowEnabled(::GetDlgItem(dialog, IDOK));
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    EXPECT_EQ(typed->BatchPrint(), S_OK);
    EXPECT_TRUE(open);
    EXPECT_EQ(PreviewFrame(), nullptr);
    typed->PreDestroy();
}

using Member = std::pair<const char*, std::function<HRESULT()>>;

TEST_F(ControlBatchTest, APrintAskedForByAHandlerWhileOneRunsIsRefusedAndTheRunningOneEnds) {
    // The points have no distances: each page builds their direction arrows again, asking the host
    // for the field.
    ASSERT_EQ(map2_->ShowDirection(VARIANT_TRUE), S_OK);
    const std::map<std::wstring, bool> before = Visibility();
    // The batch dialog the test opens is printed; one a handler opens is previewed, then cancelled.
    bool opened = false;
    testsupport::DialogAnswerer::Current()->SetAction([&](HWND dialog) {
        if (!std::exchange(opened, true)) return (void)::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        ::SendMessageW(dialog, WM_COMMAND, IDC_BATCH_PREVIEW, 0);
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    const Member asked[] = {{"QuickPrint", [&] { return map2_->QuickPrint(Bstr(L"asked").Get()); }},
                            {"QuickBatchPrint", [&] { return map2_->QuickBatchPrint(); }},
                            {"BatchPrint", [&] { return map2_->BatchPrint(); }},
                            {"PrintPreview", [&] { return map2_->PrintPreview(); }}};
    const Member running[] = {{"QuickBatchPrint", [&] { opened = true; return map2_->QuickBatchPrint(); }},
                              {"the batch dialog's Print", [&] { opened = false; return map2_->BatchPrint(); }}};
    const std::wstring refused = std::to_wstring(E_UNEXPECTED) + L" " + kPrintRunning;
    testsupport::Watchdog watchdog(60000);
    for (DISPID event : {kEventLayerVisibilityChanged, kEventGetField}) {
        for (const Member& run : running) {
            for (const Member& ask : asked) {
                const std::string what = std::string(run.first) + " / " + ask.first + " in event " + std::to_string(event);
                SCOPED_TRACE(what);
                std::vector<std::wstring> answers;  // code and description
                journal_->onEvent = [&](DISPID id) {
                    if (id != event) return;
                    const HRESULT hr = ask.second();
                    answers.push_back(std::to_wstring(hr) + L" " + ErrorText());
                };
                ::DeleteFileW(OutputFile().c_str());
                EXPECT_EQ(watchdog.Guard(what, run.second), S_OK) << ErrorText();
                journal_->onEvent = nullptr;
                ASSERT_FALSE(answers.empty()) << "no such event during the print";
                EXPECT_EQ(answers, std::vector<std::wstring>(answers.size(), refused));
                EXPECT_EQ(PrintedPages(), 3);
                EXPECT_EQ(PreviewFrame(), nullptr);
                EXPECT_EQ(Visibility(), before);
            }
        }
    }
}

TEST_F(ControlBatchTest, AMapOfMoreSheetsThanAPrintTakesIsRefusedBeforeAnythingIsSpooled) {
    // A view a kilometre wide: at 1:1 its map is a kilometre wide on paper.
    enginetest::Put(map_.Get(), enginetest::map::kMapUnit, Variant(1L));
    enginetest::Call(map_.Get(), enginetest::map::kZoomTo, {Variant(1.0), Variant(10.0), Variant(50.0)});
    ASSERT_EQ(map2_->put_MapSize(Bstr(L"custom").Get()), S_OK);
    const struct {
        const char* name;
        VARIANT_BOOL centred;  // the settings' width and height, else the view at the scale
        double scale;
        const wchar_t *width, *height;
    } layouts[] = {{"Scale 1", VARIANT_FALSE, 1, L"15 cm", L"10 cm"},
                   {"Scale 0.5", VARIANT_FALSE, 0.5, L"15 cm", L"10 cm"},
                   {"Width 5 km", VARIANT_TRUE, 0.00002, L"5 km", L"10 cm"},
                   {"Height 5 km", VARIANT_TRUE, 0.00002, L"15 cm", L"5 km"}};
    const Member members[] = {{"QuickPrint", [&] { return map2_->QuickPrint(Bstr(L"too large").Get()); }},
                              {"QuickBatchPrint", [&] { return map2_->QuickBatchPrint(); }},
                              {"PrintPreview", [&] { return map2_->PrintPreview(); }}};
    testsupport::Watchdog watchdog(60000);
    for (const auto& layout : layouts) {
        ASSERT_EQ(map2_->put_ContentCentered(layout.centred), S_OK);
        ASSERT_EQ(map2_->put_Scale(layout.scale), S_OK);
        ASSERT_EQ(map2_->put_Width(Variant(layout.width)), S_OK);
        ASSERT_EQ(map2_->put_Height(Variant(layout.height)), S_OK);
        for (const Member& member : members) {
            SCOPED_TRACE(std::string(layout.name) + " / " + member.first);
            ::DeleteFileW(OutputFile().c_str());
            EXPECT_EQ(watchdog.Guard(std::string(layout.name) + " / " + member.first, member.second), E_INVALIDARG);
            // "... on N sheets; a print takes at most 1000 ..."
            const std::wstring said = ErrorText();
            const wchar_t* count = said.c_str() + std::min(said.find_first_of(L"0123456789"), said.size());
            EXPECT_GT(std::wcstoull(count, nullptr, 10), kMostSheetsPerPrint) << said;
            EXPECT_NE(said.find(L"at most 1000"), std::wstring::npos) << said;
            EXPECT_FALSE(OutputExists()) << "spooled";
            EXPECT_EQ(PreviewFrame(), nullptr);
        }
    }
}

}  // namespace
}  // namespace printtest
