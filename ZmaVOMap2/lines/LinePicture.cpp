#include "ZmaVOMap2/lines/LinePicture.h"

#include "ZmaVOMap2/lines/LinePen.h"
#include "ZmaVOMap2/lines/SmoothLinePainter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

void DrawDashedGdi(HDC dc, const LineStyle& style, POINT from, POINT to) {
    const double dx = to.x - from.x, dy = to.y - from.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    const int total = static_cast<int>(length);
    if (total == 0) return;
    const double ux = dx / length, uy = dy / length;
    int dash = style.dash;
    for (int t = 0; t <= total - dash;) {
        const POINT start = {from.x + static_cast<long>(t * ux), from.y + static_cast<long>(t * uy)};
        if (::PtInRect(&style.view, start)) {
            ::MoveToEx(dc, start.x, start.y, nullptr);
            ::LineTo(dc, from.x + static_cast<long>((t + dash) * ux), from.y + static_cast<long>((t + dash) * uy));
        }
        // The last dash ends at the line's end.
        const int next = t + 2 * dash;
        if (next > total - dash && next < total) dash = total - next;
        t = next;
    }
}

bool SameLines(const std::vector<PictureLine>& a, const std::vector<PictureLine>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].from.x != b[i].from.x || a[i].from.y != b[i].from.y || a[i].to.x != b[i].to.x ||
            a[i].to.y != b[i].to.y || a[i].colour != b[i].colour)
            return false;
    }
    return true;
}

}  // namespace

void PaintLines(HDC dc, const LineStyle& style, const std::vector<PictureLine>& lines) {
    if (style.smooth) {
        SmoothLinePainter smooth(dc);
        for (const PictureLine& line : lines) smooth.Draw(line.from, line.to, line.colour, style.width, style.dashed);
        return;
    }
    LinePen pen;
    for (const PictureLine& line : lines) {
        pen.Select(dc, line.colour, style.width);
        if (style.dashed) {
            DrawDashedGdi(dc, style, line.from, line.to);
        } else {
            ::MoveToEx(dc, line.from.x, line.from.y, nullptr);
            ::LineTo(dc, line.to.x, line.to.y);
        }
    }
}

// --- The kept picture ----------------------------------------------------------------------------

bool LinePicture::Key::operator==(const Key& o) const noexcept {
    return style == o.style && ::EqualRect(&region, &o.region) && viewportOrigin.x == o.viewportOrigin.x &&
           viewportOrigin.y == o.viewportOrigin.y && windowOrigin.x == o.windowOrigin.x &&
           windowOrigin.y == o.windowOrigin.y && rop2 == o.rop2 && clip == o.clip && SameLines(lines, o.lines);
}

void LinePicture::Pixels::Release() noexcept {
    if (dc && old) ::SelectObject(dc.Get(), old);
    old = nullptr;
    bits = nullptr;
    bitmap.Reset();
    dc.Reset();
    width = height = 0;
}

bool LinePicture::Pixels::Make(HDC like, int w, int h) {
    if (dc && bits && w == width && h == height) return true;
    Release();
    dc.Reset(::CreateCompatibleDC(like));
    if (!dc) return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    bitmap.Reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0));
    if (!bitmap || !memory) return false;
    old = ::SelectObject(dc.Get(), bitmap.Get());
    bits = static_cast<unsigned*>(memory);
    width = w;
    height = h;
    return true;
}

bool LinePicture::Pixels::CopyFrom(HDC source, const RECT& region) {
    const bool copied = ::BitBlt(dc.Get(), 0, 0, width, height, source, region.left, region.top, SRCCOPY) != FALSE;
    ::GdiFlush();
    return copied;
}

LinePicture::~LinePicture() = default;

void LinePicture::Forget() noexcept {
    kept_ = false;
    key_ = Key();
    before_.Release();
    after_.Release();
    scratch_.Release();
}

bool LinePicture::Readable(HDC dc, const std::vector<PictureLine>& lines, const LineStyle& style, RECT& region) {
    if (lines.empty() || ::GetObjectType(dc) != OBJ_MEMDC || ::GetDeviceCaps(dc, TECHNOLOGY) != DT_RASDISPLAY)
        return false;
    if (::GetMapMode(dc) != MM_TEXT || ::GetGraphicsMode(dc) != GM_COMPATIBLE) return false;
    BITMAP bitmap = {};
    if (!::GetObjectW(::GetCurrentObject(dc, OBJ_BITMAP), sizeof bitmap, &bitmap) || bitmap.bmBitsPixel < 16) return false;

    long left = LONG_MAX, top = LONG_MAX, right = LONG_MIN, bottom = LONG_MIN;
    for (const PictureLine& line : lines) {
        left = std::min({left, line.from.x, line.to.x});
        top = std::min({top, line.from.y, line.to.y});
        right = std::max({right, line.from.x, line.to.x});
        bottom = std::max({bottom, line.from.y, line.to.y});
    }
    // Wide enough for the pen and for anti-aliasing on either side of a line.
    const long margin = style.width + 4;
    const long long reach = 1L << 28;
    if (left < -reach || top < -reach || right > reach || bottom > reach) return false;
    const RECT box = {left - margin, top - margin, right + margin + 1, bottom + margin + 1};
    POINT corners[2] = {{0, 0}, {bitmap.bmWidth, bitmap.bmHeight}};
    if (!::DPtoLP(dc, corners, 2)) return false;
    const RECT bounds = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    return ::IntersectRect(&region, &box, &bounds) != FALSE;
}

std::vector<char> LinePicture::ClipData(HDC dc) {
    std::vector<char> data;
    platform::UniqueHRgn region(::CreateRectRgn(0, 0, 0, 0));
    if (!region || ::GetClipRgn(dc, region.Get()) != 1) return data;
    const DWORD size = ::GetRegionData(region.Get(), 0, nullptr);
    if (size == 0) return data;
    data.resize(size);
    if (::GetRegionData(region.Get(), size, reinterpret_cast<RGNDATA*>(data.data())) != size) data.assign(1, 1);
    return data;
}

bool LinePicture::SameBackground(HDC dc) {
    // Read back in strips: a mismatch ends the comparison early, and a strip is little memory.
    const int w = before_.width, h = before_.height;
    const int strip = std::min(h, kStripRows);
    if (!scratch_.Make(dc, w, strip)) return false;
    for (int top = 0; top < h; top += strip) {
        const int rows = std::min(strip, h - top);
        const RECT part = {key_.region.left, key_.region.top + top, key_.region.right, key_.region.top + top + rows};
        if (!::BitBlt(scratch_.dc.Get(), 0, 0, w, rows, dc, part.left, part.top, SRCCOPY)) return false;
        ::GdiFlush();
        if (std::memcmp(scratch_.bits, before_.bits + static_cast<size_t>(top) * w, static_cast<size_t>(w) * rows * sizeof(unsigned)) != 0)
            return false;
    }
    return true;
}

void LinePicture::Paint(HDC dc, const LineStyle& style, const std::vector<PictureLine>& lines, bool keep) {
    RECT region;
    if (!keep || !Readable(dc, lines, style, region)) {
        PaintLines(dc, style, lines);
        return;
    }
    Key key;
    key.style = style;
    key.region = region;
    ::GetViewportOrgEx(dc, &key.viewportOrigin);
    ::GetWindowOrgEx(dc, &key.windowOrigin);
    key.rop2 = ::GetROP2(dc);
    key.clip = ClipData(dc);
    key.lines = lines;
    const int w = region.right - region.left, h = region.bottom - region.top;

    if (kept_ && key == key_ && SameBackground(dc)) {
        ::BitBlt(dc, region.left, region.top, w, h, after_.dc.Get(), 0, 0, SRCCOPY);
        // Where GDI's drawing left the current position.
        if (!style.smooth) ::MoveToEx(dc, position_.x, position_.y, nullptr);
        ++reused_;
        return;
    }
    kept_ = false;
    const bool captured = before_.Make(dc, w, h) && before_.CopyFrom(dc, region);
    PaintLines(dc, style, lines);
    if (!captured || !after_.Make(dc, w, h) || !after_.CopyFrom(dc, region)) return;
    ::GetCurrentPositionEx(dc, &position_);
    key_ = std::move(key);
    kept_ = true;
}
