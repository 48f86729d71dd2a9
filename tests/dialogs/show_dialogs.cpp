// Not a test: opens each layer dialog over a few layers and saves a picture of its window into the
// folder named by VADAZ_DIALOG_SHOTS, for people to look at (scripts/show-dialogs.sh runs it
// under a virtual X display).
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/dialogs/LabelPropDlg.h"
#include "ZmaVOMap2/dialogs/LayerPropDlg.h"
#include "ZmaVOMap2/dialogs/LinesToCellsPropertiesDlg.h"
#include "ZmaVOMap2/dialogs/MapSeriesDlg.h"
#include "ZmaVOMap2/imagery/BackgroundMapPropertiesDlg.h"
#include "ZmaVOMap2/imagery/BackgroundMapView.h"
#include "ZmaVOMap2/imagery/ImageryProcess.h"
#include "ZmaVOMap2/imagery/ProxyCredentialsDlg.h"
#include "ZmaVOMap2/imagery/ZmaVadAZBackgroundMapLayer.h"
#include "ZmaVOMap2/raster/RasterRegistrationDlg.h"
#include "ZmaVOMap2/raster/RasterResources.h"
#include "ZmaVOMap2/raster/RasterTileDlg.h"
#include "ZmaVOMap2/printing/BatchPrintDialog.h"
#include "ZmaVOMap2/printing/MapPrintPreview.h"
#include "ZmaVOMap2/printing/PrintProgress.h"
#include "ZmaVOMap2/printing/PrintSupport.h"
#include "ZmaVOMap2/printing/PrinterSetupDlg.h"
#include "ZmaVOMap2/printing/QuickPrintDlg.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/dialogs/DialogScript.h"
#include "tests/layers/LayerFixture.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace dialogtest;
using platform::ComPtr;
using platform::Variant;

namespace {

// Writes what the screen shows of the window as a 24-bit BMP file.
void SaveWindow(HWND window, const std::string& name) {
    const char* folder = std::getenv("VADAZ_DIALOG_SHOTS");
    if (!folder) return;
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
    MSG msg;
    for (int i = 0; i < 20; ++i) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        ::Sleep(20);
    }
    RECT r = {};
    ::GetWindowRect(window, &r);
    // A maximised window reaches beyond the screen: only the screen can be read.
    const RECT visible = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::IntersectRect(&r, &r, &visible);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    const DWORD stride = ((w * 3 + 3) / 4) * 4, size = stride * h;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + size;
    info.bmiHeader.biSizeImage = size;
    const std::string path = std::string(folder) + "\\" + name + ".bmp";
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        std::fwrite(bits, 1, size, out);
        std::fclose(out);
        std::printf("saved %s\n", path.c_str());
    }
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
}

class Pictures : public layertest::LayerTest {
protected:
    void SetUp() override {
        LayerTest::SetUp();
        prompts_ = std::make_unique<ScriptedPrompts>();
        OpenTable("Streets");
        OpenTable("Rivers");
        ComPtr<IDispatch> dataset =
            displaytest::NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}, {L"Cell", 6}}, 3);
        for (long row = 0; row < 3; ++row) displaytest::SetValue(dataset.Get(), row, L"RxLev", Variant(-70.0));
        datasets_->DisplayDataset(dataset.Get(), L"RxLev", nullptr, nullptr, L"{D2000000-0000-0000-0000-000000000001}");
        points_ = AsDataLayer(layers_->FindLayer(L"{D2000000-0000-0000-0000-000000000001}"));
    }
    void TearDown() override {
        prompts_.reset();
        LayerTest::TearDown();
    }
    std::unique_ptr<ScriptedPrompts> prompts_;
    RecordingLinks links_;
    CZmaVadAZDataLayer* points_ = nullptr;
};

TEST_F(Pictures, EachDialog) {
    DialogScript script;
    script
        .Then([&](HWND d) {
            SaveWindow(d, "122-layer-control");
            SelectRows(d, {0});
            Click(d, IDC_LAYER_OFFSET);
            Click(d, IDOK);
        })
        .Then([&](HWND d) {
            SaveWindow(d, "171-offset-layers");
            Click(d, IDCANCEL);
        })
        .Then([&](HWND d) {
            SaveWindow(d, "130-label-properties");
            Click(d, IDCANCEL);
        })
        .Then([&](HWND d) {
            SaveWindow(d, "128-display-properties");
            Click(d, IDCANCEL);
        });
    CMapSeriesDlg layerControl(map_.Get(), *layers_, nullptr, &links_);
    layerControl.DoModal(nullptr);
    CLabelPropDlg labels(map_.Get(), points_);
    labels.DoModal(nullptr);
    CLayerPropDlg display(*layers_->GetAt(1), map_.Get());
    display.DoModal(nullptr);
}

struct SampleLines : LinesLayerSettings {
    std::string GetTechnology() override { return "UMTS"; }
    bool GetDisabled() override { return false; }
    void SetDisabled(bool) override {}
    int GetDrawOption() override { return 1; }
    void SetDrawOption(int) override {}
    std::string GetColorByField() override { return "NeighborEcIo_"; }
    void SetColorByField(const std::string&) override {}
    std::string GetLabelByField() override { return "ServingSC"; }
    void SetLabelByField(const std::string&) override {}
};

TEST_F(Pictures, TheLinesSheet) {
    ComPtr<IHostPackageManager> packages;
    if (SUCCEEDED(::CoCreateInstance(CLSID_HostPackageManager, nullptr, CLSCTX_ALL, IID_IHostPackageManager,
                                     packages.PutVoid())))
        packages->Start();
    SampleLines serving, neighbour;
    DialogScript script;
    script.Then([&](HWND sheet) {
        SaveWindow(sheet, "212-lines-configuration");
        Click(sheet, IDCANCEL);
    });
    CLinesToCellsPropertiesDlg lines(nullptr, &serving, &neighbour, nullptr, nullptr);
    lines.DoModal();
    ComPtr<IHostPackageTest> test;
    if (packages && SUCCEEDED(packages.As(test))) test->Revoke();
}

TEST_F(Pictures, TheImageryProperties) {
    ASSERT_EQ(layers_->CreateBackgroundMapLayer(), S_OK);
    CZmaVadAZBackgroundMapLayer* imagery = FindBackgroundMapLayer(layers_.get());
    ASSERT_TRUE(imagery);
    imagery->SetImageryType(1);
    imagery::Process().proxyAddress = "proxy.example";
    imagery::Process().proxyPort = "8080";
    DialogScript script;
    script.Then([&](HWND dialog) {
        SaveWindow(dialog, "101-background-map-properties");
        Click(dialog, IDCANCEL);
    });
    CBackgroundMapPropertiesDlg properties(*imagery);
    properties.DoModal(nullptr);

    script.Then([&](HWND dialog) {
        SaveWindow(dialog, "370-proxy-authentication");
        Click(dialog, IDCANCEL);
    });
    imagery::CProxyCredentialsDlg credentials;
    credentials.DoModal(nullptr);
}

TEST_F(Pictures, TheRasterTools) {
    DialogScript script;
    script
        .Then([&](HWND d) {
            Type(d, IDC_REGISTER_SOURCE, "C:\\plans\\site plan.bmp");
            Type(d, IDC_REGISTER_LEFT, "10.25");
            Type(d, IDC_REGISTER_TOP, "50.5");
            Type(d, IDC_REGISTER_RIGHT, "10.75");
            Type(d, IDC_REGISTER_BOTTOM, "50.125");
            SaveWindow(d, "143-raster-registration");
            Click(d, IDCANCEL);
        })
        .Then([&](HWND d) {
            Type(d, IDC_TILE_TABLE, "C:\\plans\\site plan.TAB");
            SaveWindow(d, "149-raster-tiler");
            Click(d, IDCANCEL);
        });
    CRasterRegistrationDlg registration;
    registration.DoModal(nullptr);
    CRasterTileDlg tiler(200, 200);
    tiler.DoModal(nullptr);
}

TEST(PrintPictures, TheProgressDialog) {
    PrintProgressThread progress;
    ASSERT_TRUE(progress.Start() && progress.WaitReady());
    ::PostMessageW(progress.Dialog(), WM_PRINT_PAGE_COUNT, 3, 0);
    ::PostMessageW(progress.Dialog(), WM_PRINT_PAGE, 2, 0);
    SaveWindow(progress.Dialog(), "323-print-progress");
    ::PostMessageW(progress.Dialog(), WM_PRINT_FINISHED, 0, 0);
}

// The page set-up as the prefix's printer shows it; nothing asks the map for more.
struct PictureHost : PrintSetupHost {
    IDispatch* EngineMap() override { return nullptr; }
    IUnknown* PrintLegend() override { return nullptr; }
    SIZE MapOnPaper() override { return {20000, 15000}; }
    std::wstring QuickPrintTitle() override { return L"Drive test 17"; }
    void SetQuickPrintTitle(const std::wstring&) override {}
};

TEST(PrintPictures, TheQuickPrintSheetAndThePageSetup) {
    ComPtr<IMapPrintSettings> settings;
    ASSERT_EQ(::CoCreateInstance(CLSID_MapPrintSettings, nullptr, CLSCTX_ALL, IID_IMapPrintSettings, settings.PutVoid()),
              S_OK);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    settings->Load(Variant(0L), &loaded);
    ComPtr<IHostPrintLegend> legend;
    ::CoCreateInstance(CLSID_HostPrintLegend, nullptr, CLSCTX_ALL, IID_IHostPrintLegend, legend.PutVoid());
    CQuickPrintDlg sheet(nullptr, legend.Get());
    sheet.SetMapDistanceUnit(1);
    sheet.SetViewWidth(10.0);
    sheet.SetWindowSize({20000, 15000});
    sheet.SetPrintableSize({27700, 19000});
    sheet.LoadSettings(settings.Get());
    sheet.TitlePage().SetTitle(L"Drive test 17");
    DialogScript script;
    script
        .Then([&](HWND s) {
            SaveWindow(s, "109-print-map-map");
            ::SendMessageW(s, PSM_SETCURSEL, 1, 0);
            SaveWindow(s, "192-print-map-legend");
            ::SendMessageW(s, PSM_SETCURSEL, 2, 0);
            SaveWindow(s, "190-print-map-title");
            Click(s, IDCANCEL);
        })
        .Then([&](HWND d) {
            SaveWindow(d, "116-page-setup");
            Click(d, IDCANCEL);
        });
    sheet.DoModal();
    PrintSupport support;
    support.EnsureDefaultPrinter();
    support.EnsureDefaultDevMode();
    PictureHost host;
    CPrinterSetupDlg setup(nullptr, host, settings.Get());
    setup.SetPrinter(CopyDevModeToGlobal(support.DevMode()), BuildDevNames(support.Printer()));
    setup.DoModal();
}

// Four measurement layers, two with a page each and one on every page.
struct PicturedLayers : BatchPrintLayers, BatchPrintActions {
    std::vector<BatchPrintLayer> DataLayers() override {
        return {{L"RxLev", L"1", true, true, false},
                {L"RxQual", L"2", true, true, false},
                {L"Serving cell sites", L"3", true, false, true},
                {L"Speed", L"4", true, false, false}};
    }
    void SetVisible(const std::wstring&, bool) override {}
    void SuppressVisibilityEvents(bool) noexcept override {}
    void PageSetup(HWND) override {}
    void PreviewBatch(const std::vector<std::wstring>&, const std::vector<std::wstring>&) override {}
    void EditAttributes() override {}
};

TEST(PrintPictures, TheBatchDialog) {
    PicturedLayers layers;
    DialogScript script;
    script.Then([&](HWND dialog) {
        SaveWindow(dialog, "324-batch-print");
        Click(dialog, IDCANCEL);
    });
    BatchPrintDialog dialog(layers, layers);
    dialog.DoModal(nullptr);
}

// The window a host's PrintPreview opens, over a map that shows a drive test.
TEST(PrintPictures, ThePreviewWindow) {
    ComPtr<IUnknown> control, legend;
    ASSERT_EQ(::CoCreateInstance(CLSID_VadAZ2, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.PutVoid()), S_OK);
    ComPtr<IPersistStreamInit> persist;
    control->QueryInterface(IID_IPersistStreamInit, persist.PutVoid());
    ASSERT_EQ(persist->InitNew(), S_OK);
    ASSERT_EQ(::CoCreateInstance(CLSID_HostPrintLegend, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, legend.PutVoid()),
              S_OK);
    ComPtr<IZmaVadAZ2> map;
    control->QueryInterface(IID_IZmaVadAZ2, map.PutVoid());
    ASSERT_EQ(map->put_VOPrintLegend(legend.Get()), S_OK);
    ComPtr<IDispatch> dispatch;
    control->QueryInterface(IID_IDispatch, dispatch.PutVoid());
    displaytest::Call(dispatch.Get(), displaytest::kDisplayDataset,
                      {Variant(displaytest::MakeSampleDataset(200).Get()), displaytest::Text(L"RxLev"),
                       displaytest::Text(L"{D2000000-0000-0000-0000-000000000002}")});
    map->PrintPreview();
    if (HWND frame = ::FindWindowW(CMapPrintPreview::kFrameClass, nullptr)) {
        // Without a window manager a maximised window keeps its first size on the screen.
        ::ShowWindow(frame, SW_RESTORE);
        ::SetWindowPos(frame, nullptr, 0, 0, 800, 640, SWP_NOZORDER);
        SaveWindow(frame, "321-print-preview");
        ::DestroyWindow(frame);
    }
    map->PreDestroy();
}

}  // namespace
