#include "ZmaVOMap2/lines/SmoothLinePainter.h"

#include "platform/Gdiplus.h"

SmoothLinePainter::SmoothLinePainter(HDC dc) : dc_(dc) {}

SmoothLinePainter::~SmoothLinePainter() = default;

void SmoothLinePainter::Draw(POINT from, POINT to, COLORREF colour, int width, bool dashed) {
    if (!graphics_) {
        graphics_ = std::make_unique<Gdiplus::Graphics>(dc_);
        graphics_->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    }
    if (!pen_ || colour != colour_ || width != width_ || dashed != dashed_) {
        pen_ = std::make_unique<Gdiplus::Pen>(Gdiplus::Color(255, GetRValue(colour), GetGValue(colour), GetBValue(colour)),
                                              static_cast<Gdiplus::REAL>(width));
        if (dashed) pen_->SetDashStyle(Gdiplus::DashStyleDash);
        colour_ = colour;
        width_ = width;
        dashed_ = dashed;
    }
    graphics_->DrawLine(pen_.get(), static_cast<INT>(from.x), static_cast<INT>(from.y), static_cast<INT>(to.x),
                        static_cast<INT>(to.y));
}
