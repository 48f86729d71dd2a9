// What the printing tests share: the prefix's printer, a map engine of its own, the host's print
// settings and print legend, a map control double that a job prints through, and the printed
// PostScript documents handed to the picture judge.
#pragma once

#include "ZmaVOMap2/printing/PrintSupport.h"
#include "ZmaVOMap2/printing/PrintableMap.h"
#include "platform/ComObject.h"

#include "HostInterfaces.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace printtest {

using platform::ComPtr;

// The map control as a print job sees it: the engine map, and a record of what the job told it.
// `onReset` runs at each view-change reset, that is in the middle of every printed page.
class MapControlDouble
    : public platform::ComObject<MapControlDouble, IPrintableMap, IViewObjectEx, platform::Also<IViewObject2, IViewObjectEx>,
                                 platform::Also<IViewObject, IViewObjectEx>> {
public:
    explicit MapControlDouble(IDispatch* engine) : engine_(engine) {}

    STDMETHODIMP get_MapX(IDispatch** map) override;
    STDMETHODIMP SetDisplayOrigin(LONG x, LONG y) override;
    STDMETHODIMP ResetViewChangeStage() override;
    STDMETHODIMP get_ScaleVisible(VARIANT_BOOL* visible) override;

    STDMETHODIMP Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECTL, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                      ULONG_PTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override { return E_NOTIMPL; }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD, DWORD, IAdviseSink*) override { return E_NOTIMPL; }
    STDMETHODIMP GetAdvise(DWORD*, DWORD*, IAdviseSink**) override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD, LONG, DVTARGETDEVICE*, LPSIZEL) override { return E_NOTIMPL; }
    STDMETHODIMP GetRect(DWORD, LPRECTL) override { return E_NOTIMPL; }
    STDMETHODIMP GetViewStatus(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryHitPoint(DWORD, LPCRECT, POINT, LONG, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryHitRect(DWORD, LPCRECT, LPCRECT, LONG, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) override {
        return E_NOTIMPL;
    }

    bool scaleVisible = true;
    int resets = 0;
    std::vector<POINT> origins;
    std::function<void(int reset)> onReset;

private:
    ComPtr<IDispatch> engine_;
};

// A4 at 300 dpi as the prefix's printer reports it, in 0.01 mm.
constexpr long kPaperWidth = 20988, kPaperHeight = 29701;

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A job for the prefix's printer over this test's map, settings and legend.
    std::unique_ptr<MapPrintJobInfo> NewJob(const std::wstring& title = L"Drive test 17");
    // Margins, map size mode and size, legend position, title placement in one call.
    void Settle(long mapSize, long width, long height, long legendAngle, bool centred = true);

    // The printer's output file (its port), removed before each test. The printer writes a document
    // over the file without shortening it: remove it before each print that is looked at.
    std::wstring OutputFile() const;
    bool OutputExists() const;
    // Where the printable area starts on the paper, in 0.01 mm.
    POINT PhysicalOffset() const;
    // Hands the printed document to the picture judge as <name>.ps with the part rectangles the
    // job laid out, so that it can find them on every page.
    void KeepForJudge(const std::string& name, const MapPageLayout& layout);

    // The engine's view, units and size, to compare before and after a print.
    std::vector<double> EngineState();
    // Engine calls logged since the last ClearEngineCalls, by member name ("Map.PrintMap").
    std::vector<std::wstring> EngineCalls(const std::wstring& member);
    void ClearEngineCalls();

    ComPtr<IUnknown> engine_;
    ComPtr<IDispatch> map_;
    ComPtr<MapControlDouble> control_;
    ComPtr<IMapPrintSettings> settings_;
    ComPtr<IUnknown> legend_;
    PrintSupport support_;
};

// Top and bottom multiplied by -1: a laid-out part in layout coordinates (y downwards).
RECT Unflipped(const RECT& r);
long Width(const RECT& r);
long Height(const RECT& r);

}  // namespace printtest
