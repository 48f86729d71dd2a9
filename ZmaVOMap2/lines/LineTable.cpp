#include "ZmaVOMap2/lines/LineTable.h"

#include "ZmaVOMap2/export/TabTable.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include <cmath>

namespace {

std::wstring LastFailure() {
    const char* reason = mitab_c_getlasterrormsg();
    return reason && *reason ? L": " + platform::ToWide(reason) : std::wstring();
}

}  // namespace

LineTable::LineTable(const std::wstring& file) : file_(file) {
    table_ = mitab_c_create_w(file.c_str(), "tab", "CoordSys Earth Projection 1, 104", 0, 0, 0, 0);
    if (table_ && mitab_c_add_field(table_, "Label", TABFT_Char, 30, 0) >= 0)
        feature_ = mitab_c_create_feature(table_, TABFC_Polyline);
    if (!feature_) {
        const std::wstring reason = LastFailure();
        if (table_) mitab_c_close(table_);
        throw platform::ComError(E_FAIL, L"Cannot create the table \"" + file + L"\"" + reason);
    }
}

LineTable::~LineTable() {
    if (feature_) mitab_c_destroy_feature(feature_);
    if (table_) mitab_c_close(table_);
}

bool LineTable::Write(const std::wstring& label, const GeoPoint& cell, const GeoPoint& point, int pattern,
                      COLORREF colour) {
    if (!std::isfinite(cell.lon) || !std::isfinite(cell.lat) || !std::isfinite(point.lon) || !std::isfinite(point.lat))
        return true;
    double x[2] = {cell.lon, point.lon}, y[2] = {cell.lat, point.lat};
    mitab_c_set_field(feature_, 0, tabexport::ToTableText(label).c_str());
    mitab_c_set_points(feature_, 0, 2, x, y);
    mitab_c_set_pen(feature_, 3, pattern, static_cast<int>(colour));
    failed_ = !mitab_c_write_feature(table_, feature_);
    return !failed_;
}

void LineTable::ThrowIfFailed() const {
    if (failed_) throw platform::ComError(E_FAIL, L"Cannot write a line into the table \"" + file_ + L"\"");
}
