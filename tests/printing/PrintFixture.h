// What the printing tests share: the prefix's printer, a map control with its engine, the host's
// print settings and print legend, a hook into the middle of every printed page, and the
// printed documents handed to the picture judge.
#pragma once

#include "ZmaVOMap2/printing/PrintSupport.h"
#include "tests/standins/mapengine/EngineFixture.h"

#include "HostInterfaces.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct IZmaVadAZ2;

namespace printtest {

using platform::ComPtr;

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A job for the prefix's printer over the control, the settings and the legend.
    std::unique_ptr<MapPrintJobInfo> NewJob(const std::wstring& title = L"Drive test 17");
    void Settle(long mapSize, long width, long height, long legendAngle, bool centred = true);
    // Runs after the engine has drawn a page's map, before the page puts the engine back.
    void DuringEachPage(std::function<void()> action) { duringPage_ = std::move(action); }
    // Follows the pages of the engine map `map_` holds now (SetUp follows its first one).
    void FollowPages();

    // The printer's output file (its port), removed before each test. The printer writes a document
    // over the file without shortening it: remove it before each print that is looked at.
    std::wstring OutputFile() const;
    bool OutputExists() const;
    // Where the printable area starts on the paper, in 0.01 mm.
    POINT PhysicalOffset() const;
    // Hands the printed document to the picture judge as <name>.ps with the part rectangles the
    // job laid out, so that it can find them on every page; a batch print repeats the layout's
    // pages once per entry. `marks` adds what the judge measures inside the map (judge_pages.py).
    void KeepForJudge(const std::string& name, const MapPageLayout& layout, int entries = 1,
                      const std::string& marks = "");
    // Names a picture that the test wrote into the judge's folder, with what to measure in it.
    static void KeepPictureForJudge(const std::string& file, const std::string& marks);
    // The judge's folder as Wine sees it.
    static std::wstring JudgeFolder();
    // What the printer's output file holds: its pages, a line of its header ("%%Title: "), and
    // the text of its pages (from the first page on, which leaves out the header's dates).
    int PrintedPages() const;
    std::string PrintedHeader(const std::string& key) const;
    std::string PrintedPagesText() const;
    // The layers the engine showed at each PrintMap since the last ClearEngineCalls, top first,
    // joined by '|'.
    std::vector<std::wstring> PrintedLayers();

    // The engine's zoom, centre, units and pixel size, to compare before and after a print.
    std::vector<double> EngineState();
    // Engine calls logged since the last ClearEngineCalls, of one member ("Map.PrintMap").
    std::vector<std::wstring> EngineCalls(const std::wstring& member);
    void ClearEngineCalls();

    ComPtr<IUnknown> control_;
    ComPtr<IDispatch> map_;
    ComPtr<IMapPrintSettings> settings_;
    ComPtr<IUnknown> legend_;
    PrintSupport support_;

private:
    ComPtr<enginetest::EventSink> sink_;
    std::unique_ptr<enginetest::SinkConnection> connection_;
    std::function<void()> duringPage_;
};

// A new empty folder in the temporary folder, named after `stem`.
std::wstring FreshFolder(const std::wstring& stem);

// The host's custom print layout, and print settings loaded from an address (a failed load fails
// the test).
inline constexpr wchar_t kCustomAddress[] = L"terravex://Map/Printing/Layouts/customQuickPrintLayout.xml";
ComPtr<IMapPrintSettings> LoadedSettings(const wchar_t* address);

// The references an object has.
ULONG References(IUnknown* object);

// The print preview's window, if one is open.
HWND PreviewFrame();

// The HRESULT of the ComError that `action` raises; S_OK when it raises none.
HRESULT Raised(const std::function<void()>& action, std::wstring* description = nullptr);

// The description of the error information the last failing call left on the thread.
std::wstring ErrorText();

// What `member` of a new control answers while the prefix has no default printer (put back
// afterwards), with the description it left in `said`.
HRESULT WithoutDefaultPrinter(const std::function<HRESULT(IZmaVadAZ2*)>& member, std::wstring& said);

// Top and bottom multiplied by -1: a laid-out part in layout coordinates (y downwards).
RECT Unflipped(const RECT& r);
long Width(const RECT& r);
long Height(const RECT& r);

}  // namespace printtest
