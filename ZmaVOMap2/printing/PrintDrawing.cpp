#include "ZmaVOMap2/printing/PrintDrawing.h"

#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
#include <vector>

long UnitsPerInch(HDC dc, int axisCaps) {
    switch (::GetMapMode(dc)) {
    case MM_TEXT: return ::GetDeviceCaps(dc, axisCaps);
    case MM_LOMETRIC: return 254;
    case MM_HIMETRIC: return 2540;
    case MM_LOENGLISH: return 100;
    case MM_HIENGLISH: return 1000;
    case MM_TWIPS: return 1440;
    default: return 72;
    }
}

int ScreenPixelsPerInchY() {
    platform::WindowDC screen(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

TitleFontScope::TitleFontScope(HDC dc, IMapPrintSettings* settings, int screenPixelsPerInch) {
    THROW_IF_FAILED(platform::ThrowIfNull(settings)->get_TitleFont(object_.Put()));
    platform::ThrowIfNull(object_.Get());
    THROW_IF_FAILED(object_->get_Size(&original_));
    // A font that cannot be made keeps its original size.
    bool made = false;
    platform::ScopeExit keep([&] {
        if (!made) object_->put_Size(original_);
    });
    CY scaled;
    scaled.int64 = original_.int64 * UnitsPerInch(dc) / (screenPixelsPerInch > 0 ? screenPixelsPerInch : 96);
    resized_ = true;
    THROW_IF_FAILED(object_->put_Size(scaled));
    THROW_IF_FAILED(object_->get_hFont(&font_));
    made = true;
}

TitleFontScope::~TitleFontScope() {
    if (resized_) object_->put_Size(original_);
}

RectangleClip::RectangleClip(HDC dc, const RECT& clip) noexcept : dc_(dc) {
    ::BeginPath(dc);
    ::Rectangle(dc, clip.left, clip.top, clip.right, clip.bottom);
    ::EndPath(dc);
    ::SelectClipPath(dc, RGN_AND);
}

RECT Normalised(const RECT& r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right), std::max(r.top, r.bottom)};
}

bool Intersect(const RECT& a, const RECT& b) {
    RECT na = Normalised(a), nb = Normalised(b), common;
    return ::IntersectRect(&common, &na, &nb) != FALSE;
}

RECT Signed(const RECT& r, int sign) { return {r.left, r.top * sign, r.right, r.bottom * sign}; }

void DrawClippedFrame(HDC dc, const RECT& r, const RECT& clip) {
    const RECT c = Normalised(clip);
    auto clampX = [&c](LONG x) { return std::clamp(x, c.left, c.right); };
    auto clampY = [&c](LONG y) { return std::clamp(y, c.top, c.bottom); };
    std::vector<POINT> points;
    for (LONG x : {r.left, r.right}) {
        if (x < c.left || x > c.right) continue;
        points.push_back({x, clampY(r.top)});
        points.push_back({x, clampY(r.bottom)});
    }
    for (LONG y : {r.top, r.bottom}) {
        if (y < c.top || y > c.bottom) continue;
        points.push_back({clampX(r.left), y});
        points.push_back({clampX(r.right), y});
    }
    if (points.empty()) return;
    std::vector<DWORD> counts(points.size() / 2, 2);
    platform::UniqueHPen pen(::CreatePen(PS_SOLID, 0, RGB(0, 0, 0)));
    platform::SelectObjectRestorer usePen(dc, pen.Get());
    platform::SelectObjectRestorer useBrush(dc, ::GetStockObject(NULL_BRUSH));
    ::PolyPolyline(dc, points.data(), counts.data(), static_cast<DWORD>(counts.size()));
}
