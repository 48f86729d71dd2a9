#include "tests/imagery/ImageryFixture.h"

#include "tests/support/DialogAnswerer.h"
#include "tests/support/TestSupport.h"

#include "platform/Com.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <set>
#include <sstream>

namespace imagerytest {

namespace {

const wchar_t kKey[] = L"Software\\Zemro\\Terravex";
const wchar_t* const kValues[] = {L"AsyncBackgroundMapEnabled", L"BingMapsCulture", L"CredentialMode",
                                  L"ChineseBackgroundMap", L"BackgroundMapTileServer",
                                  L"BackgroundMapAlternativeTileServer"};
// The test prefix keeps the imagery services on a closed local port (scripts/common.sh).
const wchar_t* const kServices[] = {L"BackgroundMapTokenService", L"BackgroundMapMetadataService"};
const wchar_t kClosedService[] = L"http://127.0.0.1:1/";

std::deque<std::function<void(HWND)>> g_works;
std::map<UINT_PTR, std::pair<HWND, std::function<void(HWND)>>> g_scheduled;
std::set<HWND> g_worked;  // dialogs that got their work: activated again, they get no other
std::map<std::string, std::string> g_options;

void CALLBACK RunWork(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    auto found = g_scheduled.find(timer);
    if (found == g_scheduled.end()) return;
    const HWND dialog = found->second.first;
    std::function<void(HWND)> work = std::move(found->second.second);
    g_scheduled.erase(found);
    if (work && ::IsWindow(dialog)) work(dialog);
    // Dialogs after these are answered again.
    if (g_works.empty() && g_scheduled.empty()) {
        testsupport::DialogAnswerer::Current()->SetAction(nullptr);
        g_worked.clear();
    }
}

std::wstring PathOf(const char* variable, const char* suffix = "") {
    const char* path = std::getenv(variable);
    return path ? testsupport::WinePath((std::string(path) + suffix).c_str()) : std::wstring();
}

std::wstring LogPath() { return PathOf("VADAZ_TILE_LOG"); }

}  // namespace

std::wstring TileServer() {
    const char* server = std::getenv("VADAZ_TILE_SERVER");
    return server ? std::wstring(server, server + std::strlen(server)) : std::wstring();
}

std::vector<std::string> Requests() {
    std::vector<std::string> lines;
    std::ifstream in(LogPath().c_str());
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

void ClearRequests() {
    for (const char* suffix : {"", ".details", ".heads", ".sent"})
        std::ofstream(PathOf("VADAZ_TILE_LOG", suffix).c_str(), std::ios::trunc);
}

std::vector<ServedRequest> Served() {
    std::vector<ServedRequest> served;
    std::ifstream in(PathOf("VADAZ_TILE_LOG", ".details").c_str());
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        ServedRequest request;
        std::getline(fields, request.method, '\x1f');
        std::getline(fields, request.path, '\x1f');
        std::getline(fields, request.body, '\x1f');
        for (std::string header; std::getline(fields, header, '\x1f');) {
            const size_t colon = header.find(": ");
            if (colon != std::string::npos) request.headers[header.substr(0, colon)] = header.substr(colon + 2);
        }
        served.push_back(request);
    }
    return served;
}

std::vector<std::string> RequestHeads() {
    std::vector<std::string> heads;
    std::ifstream in(PathOf("VADAZ_TILE_LOG", ".heads").c_str());
    for (std::string line; std::getline(in, line);) heads.push_back(line);
    return heads;
}

std::vector<LargeAnswer> LargeAnswersSent(size_t answers) {
    std::vector<LargeAnswer> sent;
    for (const DWORD start = ::GetTickCount(); sent.size() < answers && ::GetTickCount() - start < 5000; ::Sleep(50)) {
        sent.clear();
        std::ifstream in(PathOf("VADAZ_TILE_LOG", ".sent").c_str());
        for (LargeAnswer answer; in >> answer.sent >> answer.size;) sent.push_back(answer);
    }
    return sent;
}

void SetServerOption(const std::string& name, const std::string& value) {
    g_options[name] = value;
    std::ofstream out(PathOf("VADAZ_TILE_CONFIG").c_str(), std::ios::trunc);
    for (const auto& option : g_options) out << option.first << "=" << option.second << "\n";
}

void ClearServerOptions() {
    g_options.clear();
    std::ofstream(PathOf("VADAZ_TILE_CONFIG").c_str(), std::ios::trunc);
}


std::vector<std::wstring> LogLines() { return testsupport::HostLogLines(); }

bool Logged(const std::wstring& line) {
    const std::vector<std::wstring> lines = LogLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

size_t LinesStartingWith(const std::wstring& start) {
    const std::vector<std::wstring> lines = LogLines();
    return std::count_if(lines.begin(), lines.end(), [&](const std::wstring& line) { return line.rfind(start, 0) == 0; });
}

COLORREF TileColour(const std::wstring& quadkey) {
    unsigned long h = 0x811C9DC5UL;
    for (wchar_t c : quadkey) h = ((h ^ static_cast<unsigned long>(c)) * 0x01000193UL) & 0xFFFFFFFFUL;
    return RGB((h >> 16) & 0xFF, (h >> 8) & 0xFF, h & 0xFF);
}

std::wstring QuadKeyUnder(double west, double north, int level, int x, int y) {
    const double pi = 3.14159265358979323846;
    const double world = 256.0 * std::ldexp(1.0, level);
    const double s = std::sin(north * pi / 180.0);
    const double px = std::floor((west + 180.0) / 360.0 * world) + x;
    const double py = std::floor((0.5 - std::log((1.0 + s) / (1.0 - s)) / (4.0 * pi)) * world) + y;
    const long tx = static_cast<long>(std::floor(px / 256.0)), ty = static_cast<long>(std::floor(py / 256.0));
    std::wstring key;
    for (int i = level; i >= 1; --i)
        key.push_back(static_cast<wchar_t>(L'0' + ((tx >> (i - 1)) & 1) + 2 * ((ty >> (i - 1)) & 1)));
    return key;
}

std::wstring QuadKeyOf(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    const size_t dot = name.find('.');
    return dot == std::string::npos || dot < 1 ? std::wstring() : std::wstring(name.begin() + 1, name.begin() + dot);
}

bool SameColour(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

void SetImageryString(const wchar_t* name, const std::wstring& value) {
    testsupport::WriteString(HKEY_CURRENT_USER, kKey, name, value);
}

void SetImageryDword(const wchar_t* name, DWORD value) { testsupport::WriteDword(HKEY_CURRENT_USER, kKey, name, value); }

void ClearImageryRegistry() {
    for (const wchar_t* name : kValues) testsupport::DeleteValue(HKEY_CURRENT_USER, kKey, name);
    for (const wchar_t* name : kServices) SetImageryString(name, kClosedService);
}

void WorkNextDialog(std::function<void(HWND)> work) {
    g_works.push_back(std::move(work));
    testsupport::DialogAnswerer::Current()->SetAction([](HWND dialog) {
        if (!g_worked.insert(dialog).second) return;
        if (g_works.empty()) {
            const LRESULT button = ::SendMessageW(dialog, DM_GETDEFID, 0, 0);
            ::PostMessageW(dialog, WM_COMMAND, HIWORD(button) == DC_HASDEFID ? LOWORD(button) : IDOK, 0);
            return;
        }
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &RunWork);
        g_scheduled[timer] = {dialog, std::move(g_works.front())};
        g_works.pop_front();
    });
}

void Choose(HWND dialog, int id, bool on) {
    ::CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
    Press(dialog, id);
}

void Press(HWND dialog, int id) {
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

}  // namespace imagerytest
