// The rectangle object (also a class of its own, "MapX.Rectangle.4"): four edges kept normalised.
#pragma once

#include "standins/mapengine/EngineObject.h"
#include "standins/mapengine/ViewModel.h"

#include "MapEngine.h"

namespace mapengine {

class Rectangle : public EngineComObject<Rectangle> {
public:
    static constexpr const wchar_t* kName = L"Rectangle";
    static const IID& DispInterfaceId() { return DIID_DRectangle; }
    static const MemberTable<Rectangle>& Members();

    static platform::ComPtr<Rectangle> Make(const GeoRect& r);

    GeoRect Rect() const noexcept { return {xmin_, ymin_, xmax_, ymax_}; }
    void SetRect(double x1, double y1, double x2, double y2) noexcept;

private:
    void GetHeight(Call& c);
    void GetWidth(Call& c);
    void Set(Call& c);
    void Offset(Call& c);

    double xmin_ = 0, ymin_ = 0, xmax_ = 0, ymax_ = 0;
};

}  // namespace mapengine
