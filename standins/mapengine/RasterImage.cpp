#include "standins/mapengine/RasterImage.h"

#include "standins/mapengine/EngineDispatch.h"
#include "platform/Com.h"
#include "platform/Number.h"

#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace mapengine {

namespace {

struct TiePoint {
    double x, y, column, row;
};

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

bool IsAbsolute(const std::wstring& path) {
    return (path.size() > 1 && path[1] == L':') || (!path.empty() && (path[0] == L'\\' || path[0] == L'/'));
}

HBITMAP LoadPicture(const std::wstring& path) {
    HBITMAP bitmap = static_cast<HBITMAP>(
        ::LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (bitmap) return bitmap;
    platform::ComPtr<IPicture> picture;
    OLE_HANDLE handle = 0;
    if (FAILED(::OleLoadPicturePath(const_cast<LPOLESTR>(path.c_str()), nullptr, 0, 0, IID_IPicture,
                                    picture.PutVoid())) ||
        !picture || FAILED(picture->get_Handle(&handle)) || !handle)
        return nullptr;
    return static_cast<HBITMAP>(::CopyImage(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), IMAGE_BITMAP, 0,
                                            0, LR_CREATEDIBSECTION));
}

// Solves the 3 x 3 system m * s = v by Cramer's rule; false when it has no single solution.
// A control point line "( x , y ) ( column , row ) ...", blanks anywhere between the parts.
bool ReadTiePoint(const char* at, TiePoint& p) {
    auto take = [&at](char expected) {
        while (*at == ' ' || *at == '\t') ++at;
        if (*at != expected) return false;
        ++at;
        return true;
    };
    auto number = [&at](double& value) {
        const size_t read = platform::ReadNumber(at, value);
        at += read;
        return read != 0;
    };
    auto whole = [&at](double& value) {
        char* end = nullptr;
        value = std::strtol(at, &end, 10);
        const bool read = end != at;
        at = end;
        return read;
    };
    return take('(') && number(p.x) && take(',') && number(p.y) && take(')') && take('(') && whole(p.column) &&
           take(',') && whole(p.row);
}

bool Solve(const double m[3][3], const double v[3], double s[3]) {
    auto det = [](const double k[3][3]) {
        return k[0][0] * (k[1][1] * k[2][2] - k[1][2] * k[2][1]) - k[0][1] * (k[1][0] * k[2][2] - k[1][2] * k[2][0]) +
               k[0][2] * (k[1][0] * k[2][1] - k[1][1] * k[2][0]);
    };
    const double d = det(m);
    if (!std::isfinite(d) || std::fabs(d) < 1e-12) return false;
    for (int col = 0; col < 3; ++col) {
        double k[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) k[i][j] = j == col ? v[i] : m[i][j];
        s[col] = det(k) / d;
    }
    return true;
}

}  // namespace

std::shared_ptr<RasterImage> RasterImage::Open(const std::wstring& tablePath, const std::string& tableText) {
    std::wstring imageName;
    std::vector<TiePoint> points;
    std::istringstream lines(tableText);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        if (line.compare(first, 5, "File ") == 0) {
            const size_t open = line.find('"'), close = line.rfind('"');
            if (open != std::string::npos && close > open) imageName = platform::ToWide(line.substr(open + 1, close - open - 1));
        } else if (line[first] == '(') {
            TiePoint p = {};
            if (ReadTiePoint(line.c_str() + first, p)) points.push_back(p);
        }
    }
    if (imageName.empty()) Fail(E_FAIL, L"The raster table " + tablePath + L" names no image");
    const std::wstring imagePath = IsAbsolute(imageName) ? imageName : FolderOf(tablePath) + imageName;

    std::shared_ptr<RasterImage> image(new RasterImage());
    image->bitmap_.Reset(LoadPicture(imagePath));
    if (!image->bitmap_) Fail(E_FAIL, L"The raster image " + imagePath + L" cannot be read");
    BITMAP info = {};
    ::GetObjectW(image->bitmap_.Get(), sizeof info, &info);
    image->width_ = info.bmWidth;
    image->height_ = std::abs(info.bmHeight);

    // The affine map that fits the control points best (exactly for consistent ones).
    double m[3][3] = {}, vx[3] = {}, vy[3] = {};
    for (const TiePoint& p : points) {
        const double row[3] = {p.column, p.row, 1.0};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) m[i][j] += row[i] * row[j];
            vx[i] += row[i] * p.x;
            vy[i] += row[i] * p.y;
        }
    }
    double sx[3], sy[3];
    if (points.size() < 3 || !Solve(m, vx, sx) || !Solve(m, vy, sy))
        Fail(E_FAIL, L"The control points of " + tablePath + L" do not span the image");
    image->a_ = sx[0];
    image->b_ = sx[1];
    image->c_ = sx[2];
    image->d_ = sy[0];
    image->e_ = sy[1];
    image->f_ = sy[2];
    return image;
}

XY RasterImage::PixelToMap(double column, double row) const noexcept {
    return {a_ * column + b_ * row + c_, d_ * column + e_ * row + f_};
}

GeoRect RasterImage::Extent() const noexcept {
    const XY corners[] = {PixelToMap(0, 0), PixelToMap(width_, 0), PixelToMap(0, height_), PixelToMap(width_, height_)};
    GeoRect r = {corners[0].x, corners[0].y, corners[0].x, corners[0].y};
    for (const XY& c : corners) {
        r.xmin = std::min(r.xmin, c.x);
        r.ymin = std::min(r.ymin, c.y);
        r.xmax = std::max(r.xmax, c.x);
        r.ymax = std::max(r.ymax, c.y);
    }
    return r;
}

double RasterImage::PixelWidth() const noexcept { return std::hypot(a_, d_); }
double RasterImage::PixelHeight() const noexcept { return std::hypot(b_, e_); }

void RasterImage::Draw(HDC dc, const ViewModel& view) const {
    auto toScreen = [&](double column, double row) {
        const XY at = PixelToMap(column, row);
        double sx = 0, sy = 0;
        view.MapToScreen(at.x, at.y, sx, sy);
        return POINT{static_cast<LONG>(std::lround(sx)), static_cast<LONG>(std::lround(sy))};
    };
    const POINT corners[3] = {toScreen(0, 0), toScreen(width_, 0), toScreen(0, height_)};
    platform::UniqueCreatedDC source(::CreateCompatibleDC(dc));
    platform::SelectObjectRestorer select(source.Get(), bitmap_.Get());
    if (corners[1].y == corners[0].y && corners[2].x == corners[0].x) {
        const int previous = ::SetStretchBltMode(dc, COLORONCOLOR);
        ::StretchBlt(dc, corners[0].x, corners[0].y, corners[1].x - corners[0].x, corners[2].y - corners[0].y,
                     source.Get(), 0, 0, width_, height_, SRCCOPY);
        ::SetStretchBltMode(dc, previous);
    } else {
        ::PlgBlt(dc, corners, source.Get(), 0, 0, width_, height_, nullptr, 0, 0);
    }
}

}  // namespace mapengine
