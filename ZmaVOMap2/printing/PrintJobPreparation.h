// Preparing a map print job of the control: what the job is made from, and the size of the
// printed map that the settings' map size asks for (the map window's size on paper, the custom
// size, or the size that shows the view at the settings' scale).
#pragma once

#include "ZmaVOMap2/printing/MapPrintJobInfo.h"

#include "HostInterfaces.h"

#include <windows.h>

#include <functional>
#include <string>

struct PrintSources {
    IMapPrintSettings* settings = nullptr;
    // The control: its view object draws the map.
    IUnknown* mapView = nullptr;
    // The host's print legend; null until the host handed one over.
    IUnknown* legend = nullptr;
    IDispatch* engineMap = nullptr;
    IHostUnitConverter* converter = nullptr;
    // The map window's size on paper, in 0.01 mm.
    std::function<SIZE()> windowOnPaper;
    std::wstring title;
};

// The printed map that shows a view `viewWidth` wide (0.01 mm on the ground) at the scale
// 1:`denominator`, in the window's shape (the smallest map's shape for a window without width
// or height), and never smaller than the smallest printed map. Raises E_INVALIDARG for a
// denominator below 1 or a map too large to print.
SIZE MapSizeFromScale(double viewWidth, long denominator, SIZE window);

// Gives the job its map size, view objects, settings and title. Raises a ComError that says what
// is missing when the job cannot be prepared (no settings or legend, an unreadable setting).
// The settings' width and height are never changed: the job gets the size it prints.
void PrepareMapPrintJob(MapPrintJobInfo& job, const PrintSources& sources);
