#include "ZmaVOMap2/lines/LineTable.h"

LineTable::LineTable(const std::string& file) {
    table_ = mitab_c_create(file.c_str(), "tab", "CoordSys Earth Projection 1, 104", 0, 0, 0, 0);
    if (!table_ || mitab_c_add_field(table_, "Label", TABFT_Char, 30, 0) < 0) return;
    feature_ = mitab_c_create_feature(table_, TABFC_Polyline);
}

LineTable::~LineTable() {
    if (feature_) mitab_c_destroy_feature(feature_);
    if (table_) mitab_c_close(table_);
}

bool LineTable::Write(const std::string& label, const GeoPoint& cell, const GeoPoint& point, int pattern,
                      COLORREF colour) {
    double x[2] = {cell.lon, point.lon}, y[2] = {cell.lat, point.lat};
    mitab_c_set_field(feature_, 0, label.c_str());
    mitab_c_set_points(feature_, 0, 2, x, y);
    mitab_c_set_pen(feature_, 3, pattern, static_cast<int>(colour));
    failed_ = !mitab_c_write_feature(table_, feature_);
    return !failed_;
}
