// Jobs laid out on the prefix's printer: where the title, the map and the legend go for each map
// size, legend position, title placement and orientation, the fallbacks, and the sheets a large
// map needs.
#include "tests/printing/PrintFixture.h"

#include "platform/Result.h"

#include <cstdlib>

namespace printtest {
namespace {

struct LayoutCase {
    const char* name;
    long mapSize;
    bool centred;
    long width, height;  // the settings' map size
    long angle;          // legend position
    bool title, titleAbove, landscape;
};

const LayoutCase kLayouts[] = {
    {"page, legend right", kMapSizePage, true, 15000, 10000, 0, true, true, false},
    {"page, legend left", kMapSizePage, true, 15000, 10000, 180, true, true, false},
    {"page, legend on top", kMapSizePage, true, 15000, 10000, 90, true, true, false},
    {"page, legend below, title below", kMapSizePage, true, 15000, 10000, 270, true, false, true},
    {"page in the settings' shape", kMapSizePage, false, 15000, 10000, 270, true, true, false},
    {"custom, legend right, landscape", kMapSizeCustom, true, 12000, 8000, 0, true, true, true},
    {"custom, narrow map under the legend", kMapSizeCustom, true, 8000, 6000, 270, true, true, false},
    {"custom, legend top right", kMapSizeCustom, true, 18000, 15000, 45, true, true, false},
    {"custom, legend bottom left, no title", kMapSizeCustom, true, 18000, 15000, 225, false, true, true},
    {"window, legend on top, title below", kMapSizeWindow, true, 16000, 9000, 90, true, false, false},
};

void ExpectLegendBeside(const RECT& map, const RECT& legend, long angle) {
    switch (angle) {
    case 0: EXPECT_EQ(legend.left, map.right); break;
    case 180: EXPECT_EQ(legend.right, map.left); break;
    case 90: EXPECT_EQ(legend.bottom, map.top); break;
    case 270: EXPECT_EQ(legend.top, map.bottom); break;
    default: {
        // A corner block inside the map: 1 mm from its side, above the scale block at the bottom.
        EXPECT_EQ(angle == 45 || angle == 315 ? map.right - legend.right : legend.left - map.left, 100);
        EXPECT_EQ(angle == 45 || angle == 135 ? legend.top - map.top : map.bottom - legend.bottom,
                  angle == 45 || angle == 135 ? 100 : 1500);
    }
    }
    if (angle == 0 || angle == 180) {
        EXPECT_EQ(legend.top, map.top);
        EXPECT_GE(Height(legend), Height(map));
    }
    // Above or below, a narrower map is centred on the legend.
    if ((angle == 90 || angle == 270) && Width(map) < Width(legend)) {
        EXPECT_LE(std::labs((map.left + map.right) - (legend.left + legend.right)), 1);
    }
}

TEST_F(PrintTest, PartsAreLaidOutForEachSizePositionTitleAndOrientation) {
    for (const LayoutCase& c : kLayouts) {
        SCOPED_TRACE(c.name);
        support_.SetOrientation(c.landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
        Settle(c.mapSize, c.width, c.height, c.angle, c.centred);
        ASSERT_EQ(settings_->put_PrintTitle(c.title ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
        ASSERT_EQ(settings_->put_PositionTitleAboveMap(c.titleAbove ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
        std::unique_ptr<MapPrintJobInfo> job = NewJob();
        ASSERT_TRUE(job);
        ASSERT_EQ(job->GetPageCount(), 1u);
        const MapPageLayout& l = job->Layout();
        EXPECT_EQ(l.printableWidth > l.printableHeight, c.landscape);
        const RECT map = Unflipped(l.mapRect), legend = Unflipped(l.legendRect), title = Unflipped(l.titleRect);
        const RECT& content = l.contentRect;
        EXPECT_EQ(content.left, 1000);
        EXPECT_EQ(content.top, 1000);
        EXPECT_LE(Width(content), l.printableWidth);
        EXPECT_LE(Height(content), l.printableHeight);

        if (c.mapSize == kMapSizePage && c.centred) {
            const bool side = c.angle == 0 || c.angle == 180;
            EXPECT_EQ(Width(map) + (side ? Width(legend) : 0), l.printableWidth);
            EXPECT_EQ(Height(map) + Height(title) + (side ? 0 : Height(legend)), l.printableHeight);
        } else if (c.mapSize == kMapSizePage) {
            EXPECT_LE(std::labs(Width(map) * c.height - Height(map) * c.width), c.width);
        } else {
            EXPECT_EQ(Width(map), c.width);
            EXPECT_EQ(Height(map), c.height);
        }
        if (c.title) {
            EXPECT_EQ(title.left, content.left);
            EXPECT_EQ(Width(title), Width(content));
            EXPECT_EQ(c.titleAbove ? title.top : title.bottom, c.titleAbove ? content.top : content.bottom);
            if (c.titleAbove) EXPECT_GE(map.top, title.bottom);
            else EXPECT_LE(std::max(map.bottom, legend.bottom), title.top);
        } else {
            EXPECT_EQ(map.top, content.top);
        }
        ExpectLegendBeside(map, legend, c.angle);
    }
}

TEST_F(PrintTest, ACornerLegendThatDoesNotFitGoesBelowTheMapForThisLayoutOnly) {
    // The legend wants the map's whole width: it leaves less than 30 mm of the map free.
    Settle(kMapSizeCustom, 10000, 7500, 45);
    std::unique_ptr<MapPrintJobInfo> job = NewJob();
    ASSERT_EQ(job->GetPageCount(), 1u);
    EXPECT_EQ(Unflipped(job->Layout().legendRect).top, Unflipped(job->Layout().mapRect).bottom);
    long angle = 0, mapSize = 0;
    settings_->get_LegendPosition(&angle);
    settings_->get_MapSize(&mapSize);
    EXPECT_EQ(angle, 45);
    EXPECT_EQ(mapSize, kMapSizeCustom);
}

TEST_F(PrintTest, AContentThatCannotBePackedFallsBackToTheWindowSizeWithTheLegendBelow) {
    // No position the packer knows and no title: the content has no width.
    Settle(kMapSizePage, 12000, 9000, 30);
    ASSERT_EQ(settings_->put_PrintTitle(VARIANT_FALSE), S_OK);
    std::unique_ptr<MapPrintJobInfo> job = NewJob();
    ASSERT_EQ(job->GetPageCount(), 1u);
    const RECT map = Unflipped(job->Layout().mapRect);
    EXPECT_EQ(Width(map), 12000);
    EXPECT_EQ(Height(map), 9000);
    EXPECT_EQ(Unflipped(job->Layout().legendRect).top, map.bottom);
    long angle = 0, mapSize = 0;
    settings_->get_LegendPosition(&angle);
    settings_->get_MapSize(&mapSize);
    EXPECT_EQ(angle, 30);
    EXPECT_EQ(mapSize, kMapSizePage);
}

TEST_F(PrintTest, AMapLargerThanTheSheetIsCutIntoPagesAcrossAndDown) {
    // 1.5 printable widths across, a little more than one printable height down.
    Settle(kMapSizeCustom, 28482, 27000, 270);
    std::unique_ptr<MapPrintJobInfo> job = NewJob();
    EXPECT_EQ(job->GetPageCount(), 4u);
    const MapPageLayout& l = job->Layout();
    EXPECT_EQ(l.pagesAcross, 2);
    EXPECT_EQ(l.pagesDown, 2);
    const PageSettings page = PageSettings::Read(settings_.Get());
    const RECT third = l.PageRect(3, page);
    EXPECT_EQ(third.left, 1000 + l.printableWidth);
    EXPECT_EQ(third.top, 1000 + l.printableHeight);
    EXPECT_EQ(Width(third), l.printableWidth);
    EXPECT_TRUE(job->IsValidPage(3));
    EXPECT_FALSE(job->IsValidPage(4));
}

TEST_F(PrintTest, MarginsThatLeaveNoPaperAreRefusedAndNothingIsPrinted) {
    std::unique_ptr<MapPrintJobInfo> job = NewJob();
    const long paper = job->Layout().paperWidth;
    ASSERT_EQ(settings_->put_LeftMargin(paper / 2), S_OK);
    ASSERT_EQ(settings_->put_RightMargin(paper - paper / 2), S_OK);
    std::wstring why;
    EXPECT_EQ(Raised([&] { job->GetPageCount(); }, &why), E_INVALIDARG);
    EXPECT_NE(why.find(L"margins leave no printable area"), std::wstring::npos) << why;
    EXPECT_EQ(Raised([&] { support_.RunPrintJob(NewJob()); }), E_INVALIDARG);
    EXPECT_FALSE(OutputExists());
    EXPECT_FALSE(support_.IsRunning());
}

TEST_F(PrintTest, ATitleFontWhoseSizeCannotBeReadFailsTheLayout) {
    enginetest::ScopedEnvironment faults(L"VADAZ_HOST_FAULTS", L"printsettings.TitleFontSize=0x80004005");
    ComPtr<IMapPrintSettings> faulty;
    ASSERT_EQ(::CoCreateInstance(CLSID_MapPrintSettings, nullptr, CLSCTX_ALL, IID_IMapPrintSettings, faulty.PutVoid()),
              S_OK);
    std::unique_ptr<MapPrintJobInfo> job = NewJob();
    ASSERT_TRUE(job->SetPrintSettings(faulty.Get()));
    EXPECT_EQ(Raised([&] { job->GetPageCount(); }), E_FAIL);
    EXPECT_TRUE(job->IsDirty());
}

TEST_F(PrintTest, ZeroMapHeightsDivideNothing) {
    // A page map in the shape of a map without height takes the room left; a window map without
    // height is an empty frame.
    Settle(kMapSizePage, 12000, 0, 270, false);
    std::unique_ptr<MapPrintJobInfo> job = NewJob();
    ASSERT_EQ(job->GetPageCount(), 1u);
    EXPECT_GT(Height(Unflipped(job->Layout().mapRect)), 0);
    Settle(kMapSizeWindow, 12000, 0, 270);
    job = NewJob();
    ASSERT_EQ(job->GetPageCount(), 1u);
    EXPECT_EQ(Height(Unflipped(job->Layout().mapRect)), 0);
    EXPECT_NO_THROW(support_.RunPrintJob(std::move(job)));
}

TEST_F(PrintTest, AJobKnowsItsNameItsViewsAndCopiesItself) {
    std::unique_ptr<MapPrintJobInfo> job = NewJob(L"Route 66");
    EXPECT_EQ(job->GetJobName(), L"Map Module - Route 66");
    EXPECT_EQ(job->SetMapView(nullptr), E_POINTER);
    EXPECT_EQ(job->SetLegendView(settings_.Get()), E_NOINTERFACE);
    EXPECT_FALSE(job->SetPrintSettings(legend_.Get()));
    EXPECT_TRUE(job->SetPrintSettings(settings_.Get()));
    EXPECT_EQ(job->GetNewDevModeForPage(0, 1), nullptr);

    CY before = {}, after = {};
    ComPtr<IFont> font;
    ASSERT_EQ(settings_->get_TitleFont(font.Put()), S_OK);
    font->get_Size(&before);
    const UINT pages = job->GetPageCount();
    font->get_Size(&after);
    EXPECT_EQ(after.int64, before.int64);  // the layout's scaling leaves no trace

    std::unique_ptr<PrintJobInfo> copy = job->Clone();
    auto* clone = static_cast<MapPrintJobInfo*>(copy.get());
    EXPECT_EQ(clone->GetPrinterName(), job->GetPrinterName());
    EXPECT_TRUE(clone->GetPrinter());
    EXPECT_EQ(clone->GetPageCount(), pages);
    EXPECT_TRUE(::EqualRect(&clone->Layout().mapRect, &job->Layout().mapRect));
}

}  // namespace
}  // namespace printtest
