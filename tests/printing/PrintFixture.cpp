#include "tests/printing/PrintFixture.h"

#include "tests/standins/mapengine/EngineFixture.h"

#include <cstdio>
#include <fstream>

namespace printtest {

using platform::Variant;

STDMETHODIMP MapControlDouble::get_MapX(IDispatch** map) {
    if (!map) return E_POINTER;
    return engine_.CopyTo(map);
}

STDMETHODIMP MapControlDouble::SetDisplayOrigin(LONG x, LONG y) {
    origins.push_back({x, y});
    return S_OK;
}

STDMETHODIMP MapControlDouble::ResetViewChangeStage() {
    ++resets;
    if (onReset) onReset(resets);
    return S_OK;
}

STDMETHODIMP MapControlDouble::get_ScaleVisible(VARIANT_BOOL* visible) {
    if (!visible) return E_POINTER;
    *visible = scaleVisible ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

void PrintTest::SetUp() {
    engine_ = enginetest::CreateMap();
    ASSERT_TRUE(engine_);
    map_ = enginetest::MapDispatch(engine_.Get());
    enginetest::Call(map_.Get(), 42, {Variant(400L), Variant(300L)});
    enginetest::Call(map_.Get(), 35, {Variant(12.5), Variant(10.0), Variant(50.0)});
    control_ = platform::MakeObject<MapControlDouble>(map_.Get());

    ASSERT_EQ(::CoCreateInstance(CLSID_MapPrintSettings, nullptr, CLSCTX_ALL, IID_IMapPrintSettings,
                                 settings_.PutVoid()),
              S_OK);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    ASSERT_EQ(settings_->Load(Variant(0L), &loaded), S_OK);
    ASSERT_EQ(settings_->put_TitleFontColor(RGB(0, 0, 255)), S_OK);
    ComPtr<IHostPrintLegend> legend;
    ASSERT_EQ(::CoCreateInstance(CLSID_HostPrintLegend, nullptr, CLSCTX_ALL, IID_IHostPrintLegend, legend.PutVoid()),
              S_OK);
    for (const wchar_t* guid : {L"{A1}", L"{B2}", L"{C3}"}) {
        platform::Bstr g(guid);
        ASSERT_EQ(legend->AddSeries(nullptr, g.Get(), nullptr), S_OK);
    }
    legend_ = ComPtr<IUnknown>(legend.Get());
    ::DeleteFileW(OutputFile().c_str());
}

void PrintTest::TearDown() { support_.Destroy(); }

std::unique_ptr<MapPrintJobInfo> PrintTest::NewJob(const std::wstring& title) {
    std::unique_ptr<MapPrintJobInfo> job = support_.CreateJobInfo();
    EXPECT_TRUE(job) << "no printer in the prefix";
    if (!job) return job;
    support_.ApplyPrinterToJob(*job);
    EXPECT_TRUE(job->SetPrintSettings(settings_.Get()));
    job->SetTitle(title);
    EXPECT_EQ(job->SetMapView(static_cast<IPrintableMap*>(control_.Get())), S_OK);
    EXPECT_EQ(job->SetLegendView(legend_.Get()), S_OK);
    return job;
}

void PrintTest::Settle(long mapSize, long width, long height, long legendAngle, bool centred) {
    ASSERT_EQ(settings_->put_MapSize(mapSize), S_OK);
    ASSERT_EQ(settings_->put_Width(width), S_OK);
    ASSERT_EQ(settings_->put_Height(height), S_OK);
    ASSERT_EQ(settings_->put_LegendPosition(legendAngle), S_OK);
    ASSERT_EQ(settings_->put_ContentCentered(centred ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
}

std::wstring PrintTest::OutputFile() const {
    HANDLE printer = support_.Printer();
    UniquePrinter own;
    if (!printer) {
        wchar_t name[256] = {};
        DWORD size = 256;
        if (::GetDefaultPrinterW(name, &size)) own = OpenPrinterForUse(name, nullptr);
        printer = own.Get();
    }
    std::vector<BYTE> info = PrinterInfo2(printer);
    if (info.empty()) return std::wstring();
    const auto* p = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
    return p->pPortName ? p->pPortName : L"";
}

POINT PrintTest::PhysicalOffset() const {
    platform::UniqueCreatedDC dc(CreatePrinterDC(support_.PrinterName(), support_.DevMode()));
    if (!dc) return {0, 0};
    return {::GetDeviceCaps(dc.Get(), PHYSICALOFFSETX) * 2540 / ::GetDeviceCaps(dc.Get(), LOGPIXELSX),
            ::GetDeviceCaps(dc.Get(), PHYSICALOFFSETY) * 2540 / ::GetDeviceCaps(dc.Get(), LOGPIXELSY)};
}

bool PrintTest::OutputExists() const { return ::GetFileAttributesW(OutputFile().c_str()) != INVALID_FILE_ATTRIBUTES; }

namespace {

std::string RectText(const RECT& r) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%ld %ld %ld %ld", r.left, r.top, r.right, r.bottom);
    return buf;
}

}  // namespace

void PrintTest::KeepForJudge(const std::string& name, const MapPageLayout& layout) {
    const std::string folder = PRINT_TEST_OUT_UNIX;
    std::wstring target = L"Z:" + std::wstring(folder.begin(), folder.end()) + L"/" + std::wstring(name.begin(), name.end()) + L".ps";
    for (wchar_t& c : target)
        if (c == L'/') c = L'\\';
    ASSERT_TRUE(::CopyFileW(OutputFile().c_str(), target.c_str(), FALSE)) << name;
    PageSettings page = PageSettings::Read(layout.settings.Get());
    // The list starts afresh with each run of the program.
    static bool started = false;
    std::ofstream list(folder + "/expected.txt", started ? std::ios::app : std::ios::trunc);
    started = true;
    list << name << ".ps paper " << layout.paperWidth << " " << layout.paperHeight << " pages " << layout.pagesAcross
         << " " << layout.pagesDown << " printable "
         << RectText({page.leftMargin, page.topMargin, page.leftMargin + layout.printableWidth,
                      page.topMargin + layout.printableHeight})
         << " map " << RectText(Unflipped(layout.mapRect)) << " legend "
         << (page.printLegend ? RectText(Unflipped(layout.legendRect)) : "-") << " title "
         << (page.printTitle ? RectText(Unflipped(layout.titleRect)) : "-") << "\n";
}

std::vector<double> PrintTest::EngineState() {
    std::vector<double> state;
    for (DISPID id : {7, 8, 9, 15, 25, 53, 54}) state.push_back(enginetest::Number(enginetest::Get(map_.Get(), id)));
    return state;
}

std::vector<std::wstring> PrintTest::EngineCalls(const std::wstring& member) {
    std::vector<std::wstring> found;
    for (const std::wstring& line : enginetest::CallLines(engine_.Get()))
        if (line.compare(0, member.size() + 1, member + L"(") == 0) found.push_back(line);
    return found;
}

void PrintTest::ClearEngineCalls() { enginetest::Hooks(engine_.Get())->ClearCalls(); }

RECT Unflipped(const RECT& r) { return {r.left, -r.top, r.right, -r.bottom}; }
long Width(const RECT& r) { return r.right - r.left; }
long Height(const RECT& r) { return r.bottom - r.top; }

}  // namespace printtest
