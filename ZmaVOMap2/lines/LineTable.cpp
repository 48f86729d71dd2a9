#include "ZmaVOMap2/lines/LineTable.h"

#include <cmath>

LineTable::LineTable(const std::wstring& file) : table_(std::make_unique<tabexport::TabTable>(file)) {
    table_->AddField("Label", TABFT_Char, 30, 0);
    table_->CreateFeature(TABFC_Polyline);
}

void LineTable::Write(const std::wstring& label, const GeoPoint& cell, const GeoPoint& point, int pattern,
                      COLORREF colour) {
    if (!std::isfinite(cell.lon) || !std::isfinite(cell.lat) || !std::isfinite(point.lon) || !std::isfinite(point.lat))
        return;
    double x[2] = {cell.lon, point.lon}, y[2] = {cell.lat, point.lat};
    mitab_feature feature = table_->Feature();
    mitab_c_set_field(feature, 0, tabexport::ToTableText(label).c_str());
    mitab_c_set_points(feature, 0, 2, x, y);
    mitab_c_set_pen(feature, 3, pattern, static_cast<int>(colour));
    table_->Write();
    ++lines_;
}
