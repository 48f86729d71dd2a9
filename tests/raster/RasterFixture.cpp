#include "tests/raster/RasterFixture.h"

#include "ZmaVOMap2/raster/RasterTable.h"
#include "platform/Com.h"
#include "platform/Gdiplus.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace rastertest {

std::string Folder(const char* name, const std::string& parent) {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = parent.empty() ? std::string(temp) + "raster_" + std::to_string(::GetCurrentProcessId()) + "_" + name
                                              : parent + "\\" + name;
    const std::string from = folder + '\0';
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    ::SHFileOperationA(&op);
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::wstring> NamesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found = {};
    const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(search, &found))
        if (found.cFileName[0] != L'.') names.push_back(found.cFileName);
    if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

COLORREF PatternColour(int x, int y) {
    return RGB(x & 0xFF, y & 0xFF, ((x >> 8) << 4) | (y >> 8));
}

void WriteBitmap(const std::string& path, int width, int height) { WriteBitmap(platform::ToWide(path), width, height); }

void WriteBitmap(const std::wstring& path, int width, int height, bool topDown) {
    const int stride = ((width * 3 + 3) / 4) * 4;
    std::string pixels(static_cast<size_t>(stride * height), '\0');
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = PatternColour(x, y);
            char* p = &pixels[static_cast<size_t>((topDown ? y : height - 1 - y) * stride + x * 3)];
            p[0] = static_cast<char>(GetBValue(c));
            p[1] = static_cast<char>(GetGValue(c));
            p[2] = static_cast<char>(GetRValue(c));
        }
    BITMAPINFOHEADER info = {sizeof info, width, topDown ? -height : height, 1, 24, BI_RGB,
                             static_cast<DWORD>(pixels.size()), 2835, 2835, 0, 0};
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
}

void WriteJpeg(const std::string& path, int width, int height) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    {
        Gdiplus::Bitmap picture(width, height, PixelFormat24bppRGB);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                picture.SetPixel(x, y, Gdiplus::Color(static_cast<BYTE>(x * 255 / width), static_cast<BYTE>(y * 255 / height), 128));
        const CLSID jpeg = {0x557CF401, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
        EXPECT_EQ(picture.Save(std::wstring(path.begin(), path.end()).c_str(), &jpeg, nullptr), Gdiplus::Ok);
    }
    Gdiplus::GdiplusShutdown(token);
}

std::string WriteRegisteredTable(const std::string& folder, const std::string& image, double left, double top,
                                 double right, double bottom, int width, int height) {
    const std::string path = folder + "\\" + raster::BaseNameOf(image) + ".TAB";
    raster::WriteTextFile(path, raster::FormatRasterTable(image, raster::CornerPoints(left, top, right, bottom, width, height),
                                                          raster::CoordSysLines("1, 104", false, "degree")));
    return path;
}

std::vector<Tie> ControlPoints(const std::string& tableText) {
    std::vector<Tie> points;
    std::istringstream lines(tableText);
    std::string line;
    while (std::getline(lines, line)) {
        // "(x, y) (column, row)": the numbers in the one form of files, whatever the runtime's locale.
        Tie t = {};
        const size_t y = line.find(", "), pixel = line.find(") (");
        if (line.compare(0, 1, "(") != 0 || y == std::string::npos || pixel == std::string::npos) continue;
        t.x = testsupport::NumberIn(line.substr(1));
        t.y = testsupport::NumberIn(line.substr(y + 2));
        if (std::sscanf(line.c_str() + pixel, ") (%ld, %ld)", &t.column, &t.row) == 2) points.push_back(t);
    }
    return points;
}

namespace {
const wchar_t kEngineKey[] = L"SOFTWARE\\MapInfo\\MapX\\4.0";
const wchar_t kFolderValue[] = L"CommonDLLDir";
}  // namespace

void ProjectionList::Name(const std::wstring& folder) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEngineKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(key, kFolderValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                     static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

void ProjectionList::Forget() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEngineKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        ::RegDeleteValueW(key, kFolderValue);
        ::RegCloseKey(key);
    }
}

const char* ProjectionList::Text() {
    return "\"--- Longitude / Latitude ---\"\n"
           "\"Longitude / Latitude (WGS 84)\", 1, 104\n"
           "\n"
           "\"--- Universal Transverse Mercator (WGS 84) ---\"\n"
           "\"UTM Zone 32, Northern Hemisphere (WGS 84)\", 8, 104, 7, 9, 0, 0.9996, 500000, 0\n"
           "\"UTM Zone 32 (feet)\", 8, 104, 3, 9, 0, 0.9996, 500000, 0\n"
           "\n"
           "\"--- Non-Earth ---\"\n"
           "\"Non-Earth (no unit)\", 0\n"
           "\"Non-Earth (kilometres)\", 0, 1\n";
}

ProjectionList::ProjectionList() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEngineKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        wchar_t value[MAX_PATH + 1] = {};
        DWORD size = MAX_PATH * sizeof(wchar_t);
        hadPrevious_ = ::RegQueryValueExW(key, kFolderValue, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
                       ERROR_SUCCESS;
        previous_ = value;
        ::RegCloseKey(key);
    }
    const std::string folder = Folder("engine");
    std::ofstream(folder + "\\Mapinfow.prj", std::ios::binary) << Text();
    Name(std::wstring(folder.begin(), folder.end()));
}

ProjectionList::~ProjectionList() {
    if (hadPrevious_)
        Name(previous_);
    else
        Forget();
}

}  // namespace rastertest
