#include "ZmaVOMap2/printing/PrintJobPreparation.h"

#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "platform/Result.h"

#include <climits>
#include <cmath>

using platform::ComError;

namespace {

constexpr long kHundredthsOfMillimetre = 9;

[[noreturn]] void Refuse(HRESULT hr, const std::wstring& description) { throw ComError(hr, description, L"VadAZ"); }

// The width of the engine's view in 0.01 mm on the ground.
double ViewWidth(IDispatch* engineMap, IHostUnitConverter* converter) {
    if (!engineMap || !converter) Refuse(E_POINTER, L"The map or the unit converter is missing");
    EngineDispatch map(engineMap);
    const long unit = map.Get(EngineMap::kDistanceUnit).ToLong();
    const double zoom = map.Get(EngineMap::kZoom).ToDouble();
    double width = 0.0;
    THROW_IF_FAILED(converter->Convert(zoom, DistanceUnits::ToConverterUnit(unit), kHundredthsOfMillimetre, &width));
    return width;
}

}  // namespace

SIZE MapSizeFromScale(double viewWidth, long denominator, SIZE window) {
    if (denominator < 1) Refuse(E_INVALIDARG, L"The print settings hold no scale");
    const double width = std::trunc(viewWidth / denominator);
    if (!(width >= 0.0 && width <= LONG_MAX)) Refuse(E_INVALIDARG, L"The map at this scale is too large to print");
    const SIZE smallest = GetDefaultSize();
    // A window without height or width has no shape: the map takes the smallest map's.
    const double shape = window.cx > 0 && window.cy > 0 ? static_cast<double>(window.cx) / window.cy
                                                          : static_cast<double>(smallest.cx) / smallest.cy;
    const SIZE size = {static_cast<long>(width), static_cast<long>(std::trunc(width / shape))};
    if (size.cx < smallest.cx || size.cy < smallest.cy) return smallest;
    return size;
}

void PrepareMapPrintJob(MapPrintJobInfo& job, const PrintSources& sources) {
    IMapPrintSettings* settings = sources.settings;
    if (!settings) Refuse(E_FAIL, L"The host's print settings are not available");
    if (!sources.legend) Refuse(E_FAIL, L"No print legend was handed over (VOPrintLegend)");
    const SIZE window = sources.windowOnPaper();

    long mapSize = 0;
    if (FAILED(settings->get_MapSize(&mapSize))) Refuse(E_FAIL, L"The print settings' map size cannot be read");
    VARIANT_BOOL centred = VARIANT_FALSE;
    if (mapSize != kMapSizeCustom || FAILED(settings->get_ContentCentered(&centred))) {
        job.SetMapExtent(window);
    } else if (centred == VARIANT_FALSE) {
        long denominator = 0;
        if (FAILED(settings->get_ScaleDenominator(&denominator)))
            Refuse(E_FAIL, L"The print settings' scale cannot be read");
        job.SetMapExtent(MapSizeFromScale(ViewWidth(sources.engineMap, sources.converter), denominator, window));
    } else {
        // A custom size with centred content prints at the settings' own width and height, also
        // in a job prepared before under another layout.
        job.ClearMapExtent();
    }

    HRESULT hr = job.SetMapView(sources.mapView);
    if (FAILED(hr)) Refuse(hr, L"The map has no view object to print it");
    hr = job.SetLegendView(sources.legend);
    if (FAILED(hr)) Refuse(hr, L"The print legend has no view object to print it");
    job.SetPrintSettings(settings);
    job.SetTitle(sources.title);
}
