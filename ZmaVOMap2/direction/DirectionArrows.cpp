#include "ZmaVOMap2/direction/DirectionArrows.h"

#include "platform/Com.h"
#include "platform/Result.h"

#include <cmath>
#include <cwchar>
#include <string>

using platform::ComPtr;

namespace direction {

long DefaultSpacing(long routeLength) noexcept {
    if (routeLength < 10000) return 500;
    if (routeLength < 30000) return 1000;
    if (routeLength < 100000) return 2500;
    return 5000;
}

namespace {

bool ReadText(IXMLDOMElement* element, const wchar_t* name, std::wstring& text) {
    platform::Variant value;
    platform::Bstr attribute(name);
    if (element->getAttribute(attribute.Get(), value.Put()) != S_OK || value.vt != VT_BSTR) return false;
    text = value.bstrVal ? value.bstrVal : L"";
    return true;
}

bool ParseLong(const std::wstring& text, long& value) {
    wchar_t* end = nullptr;
    value = std::wcstol(text.c_str(), &end, 10);
    return !text.empty() && end && *end == L'\0';
}

}  // namespace

long SpacingFromConfig(IXMLDOMDocument* config, long routeLength) noexcept {
    try {
        if (!config) return DefaultSpacing(routeLength);
        ComPtr<IXMLDOMElement> root;
        if (config->get_documentElement(root.Put()) != S_OK || !root) return DefaultSpacing(routeLength);
        ComPtr<IXMLDOMNodeList> lists;
        platform::Bstr listsName(L"ArrowDistances");
        THROW_IF_FAILED(root->getElementsByTagName(listsName.Get(), lists.Put()));
        ComPtr<IXMLDOMNode> listNode;
        if (lists->get_item(0, listNode.Put()) != S_OK || !listNode) return DefaultSpacing(routeLength);
        ComPtr<IXMLDOMElement> list;
        THROW_IF_FAILED(listNode->QueryInterface(IID_IXMLDOMElement, list.PutVoid()));
        ComPtr<IXMLDOMNodeList> entries;
        platform::Bstr entryName(L"ArrowDistance");
        THROW_IF_FAILED(list->getElementsByTagName(entryName.Get(), entries.Put()));
        long count = 0;
        THROW_IF_FAILED(entries->get_length(&count));
        for (long i = 0; i < count; ++i) {
            ComPtr<IXMLDOMNode> node;
            THROW_IF_FAILED(entries->get_item(i, node.Put()));
            ComPtr<IXMLDOMElement> entry;
            THROW_IF_FAILED(node->QueryInterface(IID_IXMLDOMElement, entry.PutVoid()));
            std::wstring maxText, spacingText;
            long maxDistance = 0, spacing = 0;
            if (!ReadText(entry.Get(), L"MaxDistance", maxText)) break;
            if (!maxText.empty()) {
                if (!ParseLong(maxText, maxDistance)) break;
                if (maxDistance <= routeLength) continue;
            }
            if (!ReadText(entry.Get(), L"ArrowDistance", spacingText) || !ParseLong(spacingText, spacing)) break;
            // A spacing that does not move the search forward would never end it.
            return spacing > 0 ? spacing : DefaultSpacing(routeLength);
        }
    }
    CATCH_SWALLOW("a configuration that cannot be read gives the default spacing");
    return DefaultSpacing(routeLength);
}

bool SkipToValidRow(DirectionRowSource& rows) {
    while (!rows.IsValid())
        if (!rows.MoveNext()) return false;
    return true;
}

long RouteLength(DirectionRowSource& rows) {
    rows.MoveFirst();
    RunningDistance running;
    long length = 0;
    while (SkipToValidRow(rows)) {
        length = running.Add(rows.Distance());
        if (!rows.MoveNext()) break;
    }
    return length;
}

namespace {

// One search from the current row: the pair of consecutive valid rows across the next target.
// `chronological` turns false, and the search ends, when a row's time is before the first's.
ArrowRowPair FindNextArrow(DirectionRowSource& rows, long& target, long spacing, RunningDistance& running,
                           bool& chronological) {
    if (!SkipToValidRow(rows)) return {};
    const long d = rows.Distance();
    while (d > target) target += spacing;
    long firstRow = rows.CurrentRow();
    const double startTime = rows.Time();
    if (!rows.MoveNext()) return {};
    for (;;) {
        if (!SkipToValidRow(rows)) return {};
        const long distance = running.Add(rows.Distance());
        const double time = rows.Time();
        const long secondRow = rows.CurrentRow();
        if (time < startTime) {
            chronological = false;
            return {};
        }
        if (distance > target) return {false, firstRow, secondRow};
        firstRow = secondRow;
        if (!rows.MoveNext()) return {};
    }
}

}  // namespace

ArrowSearch FindArrowRows(DirectionRowSource& rows, long spacing) {
    ArrowSearch found;
    if (spacing <= 0) return found;
    rows.MoveFirst();
    long target = 0;
    RunningDistance running;
    for (;;) {
        ArrowRowPair pair = FindNextArrow(rows, target, spacing, running, found.chronological);
        if (pair.done) break;
        if (found.pairs.empty() || !(found.pairs.back() == pair)) found.pairs.push_back(pair);
        target += spacing;
    }
    if (!found.chronological) found.pairs.clear();
    return found;
}

std::vector<DirectionArrow> ReadArrows(DirectionRowSource& rows, const std::vector<ArrowRowPair>& pairs) {
    std::vector<DirectionArrow> arrows;
    for (const ArrowRowPair& pair : pairs) {
        DirectionArrow arrow;
        rows.MoveTo(pair.firstRow);
        arrow.y0 = rows.Latitude();
        arrow.x0 = rows.Longitude();
        rows.MoveTo(pair.secondRow);
        arrow.y1 = rows.Latitude();
        arrow.x1 = rows.Longitude();
        arrows.push_back(arrow);
    }
    return arrows;
}

bool MakeArrowLines(float s0x, float s0y, float s1x, float s1y, int dpi, ArrowLines& lines) {
    // These constants, a little above pi and pi/2, place the arrows as the drawings always had them.
    constexpr double P = 3.141596, twoP = 6.283192, H = 1.570798;
    const double a = ::MulDiv(10, dpi, 96), b = ::MulDiv(7, dpi, 96);
    const double dx = static_cast<double>(s1x) - s0x, dy = static_cast<double>(s1y) - s0y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0)) return false;
    double theta = std::acos(std::fabs(dx) / length);
    if (dx < 0 && dy >= 0) theta = P - theta;
    else if (dx < 0 && dy < 0) theta = theta + P;
    else if (dx >= 0 && dy < 0) theta = twoP - theta;
    const double ux = std::cos(theta), uy = std::sin(theta);
    const double nx = std::cos(theta + H), ny = std::sin(theta + H);
    const double mx = std::cos(theta - H), my = std::sin(theta - H);
    const double cx = s0x + a * nx, cy = s0y + a * ny;
    auto pixel = [](double x, double y) { return POINT{static_cast<LONG>(x), static_cast<LONG>(y)}; };
    lines.tail = pixel(cx - a * ux, cy - a * uy);
    lines.head = pixel(cx + a * ux, cy + a * uy);
    lines.barb1 = pixel(cx + b * mx, cy + b * my);
    lines.barb2 = pixel(cx + b * nx, cy + b * ny);
    return true;
}

}  // namespace direction
