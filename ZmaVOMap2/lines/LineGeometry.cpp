#include "ZmaVOMap2/lines/LineGeometry.h"

#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/datalayers/RendererOptimiser.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "platform/Result.h"

#include <cmath>

using platform::ComPtr;
using platform::Variant;

namespace {

// PtInRect's answer, without the call: every line of every row asks it.
bool InRect(const RECT& rect, POINT p) noexcept {
    return p.x >= rect.left && p.x < rect.right && p.y >= rect.top && p.y < rect.bottom;
}

POINT Crossing(POINT a, POINT b, double t) {
    return {static_cast<long>(b.x * t + a.x * (1 - t)), static_cast<long>(a.y * (1 - t) + b.y * t)};
}

}  // namespace

bool IsCursorOnLine(POINT cursor, POINT a, POINT b, int tolerance) {
    // The box test first: it costs no floating point and rejects nearly every line.
    if (cursor.x <= std::min(a.x, b.x) - tolerance || cursor.x >= std::max(a.x, b.x) + tolerance ||
        cursor.y <= std::min(a.y, b.y) - tolerance || cursor.y >= std::max(a.y, b.y) + tolerance)
        return false;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double lengthSquared = dx * dx + dy * dy;
    if (lengthSquared == 0) return false;
    const double vx = cursor.x - a.x, vy = cursor.y - a.y;
    const double t = (vx * dx + vy * dy) / lengthSquared;
    const double ex = vx - t * dx, ey = vy - t * dy;
    return ex * ex + ey * ey < static_cast<double>(tolerance) * tolerance;
}

bool SegmentBoxIntersectsRect(const RECT& rect, POINT p1, POINT p2) {
    RECT box = {std::min(p1.x, p2.x), std::min(p1.y, p2.y), std::max(p1.x, p2.x), std::max(p1.y, p2.y)};
    if (box.top == box.bottom) box.bottom += 1;
    if (box.left == box.right) box.right += 1;
    // IntersectRect's answer, without the call: every point of every row asks it.
    if (rect.right <= rect.left || rect.bottom <= rect.top) return false;
    return std::max(rect.left, box.left) < std::min(rect.right, box.right) &&
           std::max(rect.top, box.top) < std::min(rect.bottom, box.bottom);
}

bool ClipSegmentToRect(const RECT& rect, POINT a, POINT b, POINT& outA, POINT& outB) {
    POINT found[3];
    int n = 0;
    bool reverse = false;
    auto add = [&](POINT p) {
        if (n < 3) found[n++] = p;
    };
    const bool aInside = InRect(rect, a);
    const bool bInside = InRect(rect, b);
    if (aInside) add(a);
    if (bInside) add(b);
    if (!aInside && bInside) reverse = true;

    if (n != 2) {
        const long dx = b.x - a.x;
        if (dx != 0) {
            // The right edge is tested even when the left one gave a point: a corner is met twice.
            const struct {
                long edge;
                bool beyond;
            } verticals[] = {{rect.left, rect.left - b.x > 0}, {rect.right, rect.right - b.x < 0}};
            for (const auto& v : verticals) {
                const double t = static_cast<double>(v.edge - a.x) / dx;
                if (!(t > 0 && t < 1)) continue;
                const POINT p = Crossing(a, b, t);
                if (p.y < rect.top || p.y > rect.bottom) continue;
                if (n == 0 && v.beyond) reverse = true;
                add(p);
            }
        }
        const long dy = b.y - a.y;
        if (dy != 0 && n < 2) {
            double t = static_cast<double>(rect.top - a.y) / dy;
            if (t > 0 && t < 1) {
                const POINT p = Crossing(a, b, t);
                if (p.x >= rect.left && p.x <= rect.right) {
                    if (n == 0 && rect.top - b.y > 0) reverse = true;
                    add(p);
                }
            }
            // As the last edge the bottom never needs the reverse flag: no crossing follows it.
            t = static_cast<double>(rect.bottom - a.y) / dy;
            if (t > 0 && t < 1) {
                const POINT p = Crossing(a, b, t);
                if (p.x >= rect.left && p.x <= rect.right) add(p);
            }
        }
    }
    if (n < 2) return false;
    outA = reverse ? found[1] : found[0];
    outB = reverse ? found[0] : found[1];
    if (n == 3 && outA.x == outB.x && outA.y == outB.y) outB = found[2];
    return true;
}

DrawnRows::DrawnRows(IHostDataset* dataset) {
    ComPtr<IHostFields> fields = hostdata::Fields(platform::ThrowIfNull(dataset));
    longitude_ = hostdata::FieldByName(fields.Get(), L"Longitude");
    latitude_ = hostdata::FieldByName(fields.Get(), L"Latitude");
    rows_ = hostdata::Rows(dataset);
}

bool DrawnRows::Position(long row, double& longitude, double& latitude) {
    if (!HasPositionFields() || !HasRow(row)) return false;
    hostdata::MoveTo(rows_.Get(), row);
    return RendererOptimiserInterface::DrawablePosition(latitude_.Get(), longitude_.Get(), latitudeValue_,
                                                        longitudeValue_, longitude, latitude);
}

std::wstring DrawnRows::WhyNotDrawn(long row) {
    if (!HasPositionFields()) return L"the dataset has no \"Longitude\" and \"Latitude\" fields";
    if (!HasRow(row)) return L"the dataset has no such row";
    hostdata::MoveTo(rows_.Get(), row);
    // The rule's own steps, in its order, each with its reason.
    double lat = 0, lon = 0;
    const auto number = [](IHostField* field, Variant& value, double& out) {
        hostdata::ReadValue(field, value);
        return RendererOptimiserInterface::ToDouble(value, out) && !std::isnan(out);
    };
    if (!number(latitude_.Get(), latitudeValue_, lat)) return L"its latitude is empty or not a number";
    if (!number(longitude_.Get(), longitudeValue_, lon)) return L"its longitude is empty or not a number";
    if (lat == 0 && lon == 0) return L"its position (0, 0) stands for none";
    if (!(lon >= -180 && lon <= 180)) return L"its longitude is not between -180 and 180";
    if (!(lat >= -90 && lat <= 90)) return L"its latitude is not between -90 and 90";
    return L"its position is not on the map";
}

LineGeometry::LineGeometry(IHostDataset* dataset, CZmaVadAZDataLayer* dataLayer, CZmaVadAZDataLayer* cellSiteLayer,
                           const RECT& viewRect, const ZmaExtent& viewExtent, IDispatch* map, POINT drawOffset)
    : dataset_(dataset), dataLayer_(dataLayer), viewRect_(viewRect), viewExtent_(viewExtent), drawOffset_(drawOffset) {
    platform::ThrowIfNull(dataset);
    platform::ThrowIfNull(dataLayer);
    platform::ThrowIfNull(cellSiteLayer);
    cellSites_ = platform::ThrowIfNull(dynamic_cast<RendererOptimiserCellSites*>(cellSiteLayer->GetOptimiser()));
    cellRenderer_ = cellSiteLayer->GetRenderer();
    fields_ = hostdata::Fields(dataset);
    latitude_ = hostdata::FieldByName(fields_.Get(), L"Latitude");
    longitude_ = hostdata::FieldByName(fields_.Get(), L"Longitude");
    platform::ThrowIfNull(latitude_.Get());
    platform::ThrowIfNull(longitude_.Get());
    projection_.SetMap(map);
    // One walk converts every point: let the projection learn the view's transformation once.
    if (map) projection_.Prepare(viewExtent);
    cells_.reserve(4096);
}

bool LineGeometry::DrawablePosition(double& longitude, double& latitude) {
    // The data layer read every row's position for its own frame; the same values serve here.
    const RendererOptimiserInterface* optimiser = dataLayer_->GetOptimiser();
    const RowPositions* kept = optimiser && optimiser->GetDataset() == dataset_.Get() ? optimiser->KeptRows() : nullptr;
    if (row_ < 0 || !kept || row_ >= kept->Count())
        return RendererOptimiserInterface::DrawablePosition(latitude_.Get(), longitude_.Get(), latitudeValue_,
                                                            longitudeValue_, longitude, latitude);
    if (!kept->HasPosition(row_)) return false;
    longitude = kept->X(row_);
    latitude = kept->Y(row_);
    return true;
}

bool LineGeometry::ProjectPoint() {
    double lon = 0, lat = 0;
    if (!DrawablePosition(lon, lat)) return false;
    if (!projection_.Map()) platform::ThrowHr(E_UNEXPECTED);
    pointGeo_ = {lon, lat};
    point_ = projection_.ToPixel(lon + dataLayer_->GetOffsetX(), lat + dataLayer_->GetOffsetY(), 0, 0);
    return true;
}

POINT LineGeometry::SymbolOffset() {
    // A cell-site layer not drawn yet has no renderer: only an export walks it then, and an
    // export writes map positions, which no symbol moves.
    if (!cellRenderer_) return {0, 0};
    long dx = 0, dy = 0;
    THROW_IF_FAILED(cellRenderer_->GetSymbolOffset(&dx, &dy));
    return {dx, dy};
}

bool LineGeometry::ProjectAndClipSegment(double x1, double y1, double x2, double y2, POINT& outEnd2, POINT& outEnd1) {
    if (x1 == 0 && y1 == 0) return false;
    if (x2 == 0 && y2 == 0) return false;
    if (!projection_.Map()) platform::ThrowHr(E_UNEXPECTED);
    const POINT p1 = projection_.ToPixel(x1, y1, 0, 0);
    const POINT p2 = projection_.ToPixel(x2, y2, 0, 0);
    if (!SegmentBoxIntersectsRect(viewRect_, p1, p2)) return false;
    return ClipSegmentToRect(viewRect_, p1, p2, outEnd1, outEnd2);
}

bool LineGeometry::ClipSegmentToView(POINT p1, POINT p2, POINT& outNearP1, POINT& outNearP2) const {
    if (!SegmentBoxIntersectsRect(viewRect_, p1, p2)) return false;
    return ClipSegmentToRect(viewRect_, p1, p2, outNearP1, outNearP2);
}

bool LineGeometry::ProjectRowPosition(long row, POINT& outPoint) {
    ComPtr<IHostRows> rows = hostdata::Rows(dataset_.Get());
    if (row < 0 || row >= hostdata::RowCount(rows.Get())) return false;
    hostdata::MoveTo(rows.Get(), row);
    BeginRow(row);
    double lon = 0, lat = 0;
    if (!DrawablePosition(lon, lat)) return false;
    if (!projection_.Map()) platform::ThrowHr(E_UNEXPECTED);
    outPoint = projection_.ToPixel(lon, lat, 0, 0);
    const POINT offset = SymbolOffset();
    outPoint.x += offset.x;
    outPoint.y += offset.y;
    return true;
}

bool LineGeometry::MoveToCell(long handle) {
    if (!cellSites_->GetElementHandleIndex().empty()) return cellSites_->MoveToElement(handle);
    IHostDataset* cells = cellSites_->GetDataset();
    if (!cells || handle == 0) return false;
    if (!ownIndexBuilt_) {
        ownIndexBuilt_ = true;
        ComPtr<IHostFields> fields = hostdata::Fields(cells);
        ComPtr<IHostField> handles = hostdata::FieldByName(fields.Get(), L"ElementHandle");
        ComPtr<IHostField> types = hostdata::FieldByName(fields.Get(), L"LayerType");
        if (!handles) return false;
        ComPtr<IHostRows> rows = hostdata::Rows(cells);
        const long count = hostdata::RowCount(rows.Get());
        Variant value;
        for (long row = 0; row < count; ++row) {
            hostdata::MoveTo(rows.Get(), row);
            if (types) {
                hostdata::ReadValue(types.Get(), value);
                if (value.vt == VT_BSTR) {
                    const std::wstring type = platform::ToLower(value.bstrVal ? value.bstrVal : L"");
                    if (type != cellSites_->GetSiteFilter()) continue;
                } else if (value.vt == VT_NULL && !cellSites_->GetSiteFilter().empty()) {
                    continue;
                }
            }
            hostdata::ReadValue(handles.Get(), value);
            if (value.vt == VT_EMPTY || value.vt == VT_NULL || FAILED(::VariantChangeType(&value, &value, 0, VT_I4)) ||
                value.lVal == 0)
                continue;
            ownIndex_.emplace(value.lVal, row);
        }
    }
    auto it = ownIndex_.find(handle);
    if (it == ownIndex_.end()) return false;
    hostdata::MoveTo(hostdata::Rows(cells).Get(), it->second);
    return true;
}

const LineGeometry::Cell& LineGeometry::CellOf(long handle) {
    auto it = cells_.find(handle);
    if (it != cells_.end()) return it->second;
    Cell& cell = cells_[handle];
    if (!MoveToCell(handle)) return cell;
    // A line ends only at a cell the cell-site layer draws.
    if (!cellSites_->GetDrawablePosition(cell.geo.lon, cell.geo.lat)) return cell;
    if (!projection_.Map()) platform::ThrowHr(E_UNEXPECTED);
    cell.site = projection_.ToPixel(cell.geo.lon, cell.geo.lat, 0, 0);
    // The line ends at the sector symbol the cell-site layer draws, not at the site itself.
    const POINT offset = SymbolOffset();
    cell.symbol = {cell.site.x + offset.x, cell.site.y + offset.y};
    cell.found = true;
    return cell;
}

bool LineGeometry::ProjectAndClipToCell(const std::wstring& handleFieldName, POINT& outCellEnd, POINT& outPointEnd,
                                        GeoPoint& outCellGeo, GeoPoint& outPointGeo) {
    if (!pointKnown_) {
        pointFound_ = ProjectPoint();
        pointKnown_ = true;
    }
    if (!pointFound_) return false;

    return ProjectAndClipToCell(HandleField(handleFieldName), outCellEnd, outPointEnd, outCellGeo, outPointGeo);
}

IHostField* LineGeometry::HandleField(const std::wstring& name) {
    ComPtr<IHostField>& field = handleFields_[name];
    if (!field) THROW_IF_FAILED(fields_->Item(Variant(name), field.Put()));
    return field.Get();
}

bool LineGeometry::ProjectAndClipToCell(IHostField* handleField, POINT& outCellEnd, POINT& outPointEnd,
                                        GeoPoint& outCellGeo, GeoPoint& outPointGeo) {
    POINT pixel;
    if (!RowPoint(pixel)) return false;
    if (!handleField) return false;
    long handle = 0;
    if (!ReadHandle(handleField, handle)) return false;
    return ProjectAndClipToCell(handle, outCellEnd, outPointEnd, outCellGeo, outPointGeo);
}

bool LineGeometry::ProjectAndClipToCell(long handle, POINT& outCellEnd, POINT& outPointEnd, GeoPoint& outCellGeo,
                                        GeoPoint& outPointGeo) {
    const Cell& cell = CellOf(handle);
    if (!cell.found) return false;

    if (!SegmentBoxIntersectsRect(viewRect_, point_, cell.site)) return false;
    if (InRect(viewRect_, point_) && InRect(viewRect_, cell.symbol)) {
        // Both ends in view: the clipped line is the line itself.
        outPointEnd = point_;
        outCellEnd = cell.symbol;
    } else if (!ClipSegmentToRect(viewRect_, point_, cell.symbol, outPointEnd, outCellEnd)) {
        return false;
    }
    outCellGeo = cell.geo;
    outPointGeo = pointGeo_;
    outCellEnd.x -= drawOffset_.x;
    outCellEnd.y -= drawOffset_.y;
    outPointEnd.x -= drawOffset_.x;
    outPointEnd.y -= drawOffset_.y;
    return true;
}
