#include "tests/imagery/ImageryFixture.h"

#include "tests/support/DialogAnswerer.h"
#include "tests/support/TestSupport.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace imagerytest {

namespace {

const wchar_t kKey[] = L"Software\\Zemro\\Terravex";
const wchar_t* const kValues[] = {L"AsyncBackgroundMapEnabled", L"BingMapsCulture", L"CredentialMode",
                                  L"ChineseBackgroundMap", L"BackgroundMapTileServer",
                                  L"BackgroundMapAlternativeTileServer"};

std::function<void(HWND)> g_work;
HWND g_dialog = nullptr;

void CALLBACK RunWork(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    // Dialogs after this one are answered again.
    testsupport::DialogAnswerer::Current()->SetAction(nullptr);
    std::function<void(HWND)> work = std::move(g_work);
    g_work = nullptr;
    if (work && ::IsWindow(g_dialog)) work(g_dialog);
}

std::wstring LogPath() {
    const char* log = std::getenv("VADAZ_TILE_LOG");
    return log ? testsupport::WinePath(log) : std::wstring();
}

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

void ClearRequests() { std::ofstream(LogPath().c_str(), std::ios::trunc); }

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
}

void WorkNextDialog(std::function<void(HWND)> work) {
    g_work = std::move(work);
    testsupport::DialogAnswerer::Current()->SetAction([](HWND dialog) {
        g_dialog = dialog;
        ::SetTimer(nullptr, 0, 20, &RunWork);
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
