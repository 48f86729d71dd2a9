// The layout record of a map print job, and the page settings it is computed from. Lengths are
// in 0.01 mm (MM_HIMETRIC units); layout coordinates grow downwards until the layout flips the
// parts' rectangles for a mapping mode whose y grows upwards.
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"

#include <windows.h>

#include <string>

// The host's print settings as one layout pass reads them. A failed read is raised as a ComError.
struct PageSettings {
    bool printTitle = false;
    bool titleBorder = false;
    bool titleAbove = false;
    bool printLegend = false;
    bool fixedLegendSize = false;
    VARIANT_BOOL contentCentered = VARIANT_FALSE;
    bool mapBorder = false;
    long leftMargin = 0, topMargin = 0, rightMargin = 0, bottomMargin = 0;
    long legendPosition = 0;  // degrees
    long mapSize = 0;         // 0 window, 1 page, 2 custom
    long width = 0, height = 0;
    long scaleDenominator = 0;

    static PageSettings Read(IMapPrintSettings* settings);
};

enum MapSizeMode : long { kMapSizeWindow = 0, kMapSizePage = 1, kMapSizeCustom = 2 };

// Legend positions in degrees, counter-clockwise from the right.
bool IsCornerAngle(long degrees);   // 45, 135, 225, 315
bool IsSideAngle(long degrees);     // 0, 180: a column beside the map
bool IsAboveOrBelow(long degrees);  // 90, 270

// True when the user's locale measures in inches (LOCALE_IMEASURE "1").
bool UsesUsMeasure();
// The smallest printed map: 4 x 3 inches with U.S. measure, else 100 x 75 mm.
SIZE GetDefaultSize();

struct MapPageLayout {
    long paperWidth = 0, paperHeight = 0;
    long physicalOffsetX = 0, physicalOffsetY = 0;
    long printableWidth = 0, printableHeight = 0;
    long pagesAcross = 1, pagesDown = 1;
    std::wstring title;
    RECT titleRect = {}, mapRect = {}, legendRect = {};
    RECT contentRect = {};
    bool paperChanged = false;
    bool settingsChanged = false;
    bool gridNeeded = true;
    platform::ComPtr<IMapPrintSettings> settings;
    platform::ComPtr<IViewObjectEx> mapView;
    platform::ComPtr<IViewObjectEx> legendView;
    long fixedLegendExtent = 6080;
    // The printed map's width and height for this job in place of the settings' (which keep the
    // user's custom size), when given.
    bool mapExtentGiven = false;
    SIZE mapExtent = {};

    // Paper less the margins. Margins that leave no printable width or height are refused with
    // E_INVALIDARG (nothing could be laid out or printed on such a page).
    void UpdatePrintableArea(const PageSettings& page);
    // When a dirty byte is set, a settings object is held and the paper is known: the printable
    // area and the pages across and down that the content needs; clears the dirty bytes.
    void UpdateGrid();
    // The rectangle page `index` covers on the virtual sheet (pages numbered row by row).
    RECT PageRect(long index, const PageSettings& page) const;
    // In 64 bits: a map of kilometres on paper needs more sheets than a long counts.
    unsigned long long SheetCount() const noexcept {
        return static_cast<unsigned long long>(pagesAcross) * static_cast<unsigned long long>(pagesDown);
    }
};
