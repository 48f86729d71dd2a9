#include "tests/printing/PrintFixture.h"

#include "ZmaVOMap2/printing/MapPrintPreview.h"
#include "ZmaVOMap2/printing/PrintableMap.h"
#include "tests/control/ControlFixture.h"
#include "tests/support/TestSupport.h"

#include "platform/Result.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace printtest {

using platform::Variant;

void PrintTest::SetUp() {
    ASSERT_EQ(controltest::CreateControl(control_), S_OK);
    ASSERT_EQ(controltest::As<IPersistStreamInit>(control_.Get())->InitNew(), S_OK);
    // The views a print sets and puts back are its own: no imagery snaps them to its tile levels.
    testsupport::RemoveBackgroundMap(control_.Get());
    ASSERT_EQ(controltest::As<IPrintableMap>(control_.Get())->get_MapX(map_.Put()), S_OK);
    enginetest::Call(map_.Get(), enginetest::map::kSetSize, {Variant(400L), Variant(300L)});
    enginetest::Call(map_.Get(), enginetest::map::kZoomTo, {Variant(12.5), Variant(10.0), Variant(50.0)});
    FollowPages();

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

void PrintTest::FollowPages() {
    connection_.reset();
    sink_ = platform::MakeObject<enginetest::EventSink>();
    sink_->onEvent = [this](DISPID id, DISPPARAMS& params) {
        if (id == 15 && params.cArgs == 1 && params.rgvarg[0].iVal == 2 && duringPage_) duringPage_();
    };
    connection_ = std::make_unique<enginetest::SinkConnection>(map_.Get(), sink_.Get());
}

void PrintTest::TearDown() {
    connection_.reset();
    support_.Destroy();
}

std::unique_ptr<MapPrintJobInfo> PrintTest::NewJob(const std::wstring& title) {
    std::unique_ptr<MapPrintJobInfo> job = support_.CreateJobInfo();
    EXPECT_TRUE(job) << "no printer in the prefix";
    if (!job) return job;
    support_.ApplyPrinterToJob(*job);
    EXPECT_TRUE(job->SetPrintSettings(settings_.Get()));
    job->SetTitle(title);
    EXPECT_EQ(job->SetMapView(control_.Get()), S_OK);
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
    wchar_t name[256] = {};
    DWORD size = 256;
    UniquePrinter printer;
    if (::GetDefaultPrinterW(name, &size)) printer = OpenPrinterForUse(name, nullptr);
    std::vector<BYTE> info = PrinterInfo2(printer.Get());
    const auto* p = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
    return !info.empty() && p->pPortName ? p->pPortName : L"";
}

bool PrintTest::OutputExists() const { return ::GetFileAttributesW(OutputFile().c_str()) != INVALID_FILE_ATTRIBUTES; }

POINT PrintTest::PhysicalOffset() const {
    platform::UniqueCreatedDC dc(CreatePrinterDC(support_.PrinterName(), support_.DevMode()));
    if (!dc) return {0, 0};
    return {::GetDeviceCaps(dc.Get(), PHYSICALOFFSETX) * 2540 / ::GetDeviceCaps(dc.Get(), LOGPIXELSX),
            ::GetDeviceCaps(dc.Get(), PHYSICALOFFSETY) * 2540 / ::GetDeviceCaps(dc.Get(), LOGPIXELSY)};
}

namespace {

std::string RectText(const RECT& r) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%ld %ld %ld %ld", r.left, r.top, r.right, r.bottom);
    return buf;
}

// The judge's list of documents; it starts afresh with each run of the program.
std::ofstream JudgeList() {
    static bool started = false;
    std::ofstream list(testsupport::RunFolder(PRINT_TEST_OUT_UNIX) + "/expected.txt", started ? std::ios::app : std::ios::trunc);
    started = true;
    return list;
}

}  // namespace

std::wstring PrintTest::JudgeFolder() { return testsupport::WinePath(testsupport::RunFolder(PRINT_TEST_OUT_UNIX).c_str()); }

void PrintTest::KeepPictureForJudge(const std::string& file, const std::string& marks) {
    JudgeList() << file << " " << marks << "\n";
}

void PrintTest::KeepForJudge(const std::string& name, const MapPageLayout& layout, int entries, const std::string& marks) {
    const std::string folder = testsupport::RunFolder(PRINT_TEST_OUT_UNIX);
    std::wstring target = testsupport::WinePath((folder + "/" + name + ".ps").c_str());
    ASSERT_TRUE(::CopyFileW(OutputFile().c_str(), target.c_str(), FALSE)) << name;
    const PageSettings page = PageSettings::Read(layout.settings.Get());
    std::ofstream list = JudgeList();
    list << name << ".ps paper " << layout.paperWidth << " " << layout.paperHeight << " pages " << layout.pagesAcross
         << " " << layout.pagesDown << " printable "
         << RectText({page.leftMargin, page.topMargin, page.leftMargin + layout.printableWidth,
                      page.topMargin + layout.printableHeight})
         << " map " << RectText(Unflipped(layout.mapRect)) << " legend "
         << (page.printLegend ? RectText(Unflipped(layout.legendRect)) : "-") << " title "
         << (page.printTitle ? RectText(Unflipped(layout.titleRect)) : "-") << " entries " << entries
         << (marks.empty() ? "" : " ") << marks << "\n";
}

int PrintTest::PrintedPages() const {
    std::ifstream in(OutputFile().c_str());
    int pages = 0;
    for (std::string line; std::getline(in, line);) pages += line.compare(0, 8, "%%Page: ") == 0;
    return pages;
}

std::string PrintTest::PrintedHeader(const std::string& key) const {
    std::ifstream in(OutputFile().c_str());
    for (std::string line; std::getline(in, line) && line != "%%EndComments";)
        if (line.compare(0, key.size(), key) == 0) return line.substr(key.size());
    return "";
}

std::string PrintTest::PrintedPagesText() const {
    std::ifstream in(OutputFile().c_str(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t first = text.find("%%Page: ");
    return first == std::string::npos ? "" : text.substr(first);
}

std::vector<std::wstring> PrintTest::PrintedLayers() {
    const std::wstring prefix = L"Map.PrintMap shows ";
    std::vector<std::wstring> shown;
    for (const std::wstring& line : enginetest::CallLines(map_.Get()))
        if (line.compare(0, prefix.size(), prefix) == 0) shown.push_back(line.substr(prefix.size()));
    return shown;
}

std::vector<double> PrintTest::EngineState() {
    std::vector<double> state;
    for (DISPID id : {7, 8, 9, 15, 25, 53, 54}) state.push_back(enginetest::Number(enginetest::Get(map_.Get(), id)));
    return state;
}

std::vector<std::wstring> PrintTest::EngineCalls(const std::wstring& member) {
    std::vector<std::wstring> found;
    for (const std::wstring& line : enginetest::CallLines(map_.Get()))
        if (line.compare(0, member.size() + 1, member + L"(") == 0) found.push_back(line);
    return found;
}

void PrintTest::ClearEngineCalls() { enginetest::Hooks(map_.Get())->ClearCalls(); }

std::wstring FreshFolder(const std::wstring& stem) {
    wchar_t temp[MAX_PATH] = {}, name[40] = {};
    ::GetTempPathW(MAX_PATH, temp);
    GUID id = {};
    ::CoCreateGuid(&id);
    ::StringFromGUID2(id, name, 40);
    const std::wstring folder = std::wstring(temp) + stem + L"-" + name;
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

ComPtr<IMapPrintSettings> LoadedSettings(const wchar_t* address) {
    ComPtr<IMapPrintSettings> settings;
    ::CoCreateInstance(CLSID_MapPrintSettings, nullptr, CLSCTX_ALL, IID_IMapPrintSettings, settings.PutVoid());
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (settings) settings->Load(Variant(address), &loaded);
    EXPECT_EQ(loaded, VARIANT_TRUE) << address;
    return settings;
}

ULONG References(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

HWND PreviewFrame() { return ::FindWindowW(CMapPrintPreview::kFrameClass, nullptr); }

HRESULT Raised(const std::function<void()>& action, std::wstring* description) {
    try {
        action();
        return S_OK;
    } catch (const platform::ComError& e) {
        if (description) *description = e.Description();
        return e.Error();
    }
}

std::wstring ErrorText() {
    ComPtr<IErrorInfo> info;
    platform::Bstr text;
    if (::GetErrorInfo(0, info.Put()) == S_OK && info) info->GetDescription(text.Put());
    return text.Wide();
}

HRESULT WithoutDefaultPrinter(const std::function<HRESULT(IZmaVadAZ2*)>& member, std::wstring& said) {
    const wchar_t windowsKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
    std::wstring device;
    EXPECT_TRUE(testsupport::ReadString(HKEY_CURRENT_USER, windowsKey, L"Device", device));
    testsupport::DeleteValue(HKEY_CURRENT_USER, windowsKey, L"Device");
    ComPtr<IUnknown> control;
    HRESULT hr = controltest::CreateControl(control);
    if (SUCCEEDED(hr)) hr = member(controltest::As<IZmaVadAZ2>(control.Get()).Get());
    said = ErrorText();
    testsupport::WriteString(HKEY_CURRENT_USER, windowsKey, L"Device", device);
    return hr;
}

RECT Unflipped(const RECT& r) { return {r.left, -r.top, r.right, -r.bottom}; }
long Width(const RECT& r) { return r.right - r.left; }
long Height(const RECT& r) { return r.bottom - r.top; }

}  // namespace printtest
