// Drive-direction arrows along the route of one host dataset: small black arrows beside the
// track at regular distances, pointing the way the vehicle drove. The arrow positions are worked
// out once from the dataset's "Latitude", "Longitude", "Distance" and "Time" fields and kept as
// geographic segments; each frame only converts and draws them.
#pragma once

#include "ZmaVOMap2/datalayers/RendererOptimiser.h"
#include "ZmaVOMap2/direction/DirectionArrows.h"
#include "ZmaVOMap2/engine/ScreenProjection.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "platform/Com.h"

#include "HostInterfaces.h"

#include <memory>
#include <string>
#include <vector>

class LayerFactory;

class CZmaVadAZDirectionLayer : public CZmaVadAZLayer {
public:
    // A layer to be filled from saved settings.
    CZmaVadAZDirectionLayer(IDispatch* map, int flag, CZmaVadAZLayerCollection* owner);
    // A layer for the series `seriesGuid`, its arrows built at once. Raises RouteNotChronological
    // (after telling the user) for a route whose times run backwards.
    CZmaVadAZDirectionLayer(IHostDataset* dataset, const std::wstring& seriesGuid, IDispatch* map, int flag,
                            CZmaVadAZLayerCollection* owner);

    bool LoadsItselfFromSettings() const override { return true; }
    HRESULT SaveSettings(IXMLDOMNode* parent) override;
    HRESULT LoadSettings(IXMLDOMElement* element, long labelArgument) override;
    int GetExtent(IDispatch* rectangle) override;
    bool Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) override;

    void BuildArrows();
    const std::vector<DirectionArrow>& Arrows() const noexcept { return arrows_; }
    const std::wstring& SeriesGuid() const noexcept { return seriesGuid_; }
    IHostDataset* Dataset() const noexcept { return dataset_.Get(); }

private:
    void CreateEngineLayer(IDispatch* map);
    // The dataset of the series' data layer, found by its key.
    platform::ComPtr<IHostDataset> FindSeriesDataset();
    void DrawArrowsGdiPlus(HDC dc, const RECT& rect, const ZmaExtent& extent);
    void DrawArrowsGdi(HDC dc, const RECT& rect, const ZmaExtent& extent);
    // The three lines of every arrow that can show in `rect`, as (from, to) pairs.
    std::vector<POINT> ArrowLinesInView(HDC dc, const RECT& rect, const ZmaExtent& extent);

    std::unique_ptr<RendererOptimiserDataset> optimiser_;
    // Map to screen for a frame's arrows: one engine call per arrow point only where the view's
    // projection is not a plain scale and shift.
    ScreenProjection projection_;
    platform::ComPtr<IHostDataset> dataset_;
    platform::ComPtr<IHostField> longitude_, latitude_;
    std::wstring seriesGuid_;
    std::vector<DirectionArrow> arrows_;
    // The build already failed on a route out of time order: the user is told once, not on
    // every repaint.
    bool notChronological_ = false;
};

// The collection's ShowDirection: with `show`, one direction layer per shown dataset whose
// visibility follows its data layer's; without, no direction layer at all. Raises what a new
// layer's build raises.
void ShowDirection(CZmaVadAZLayerCollection& collection, bool show);
// Registers the direction layer (type 10) in the factory, for layers loaded from settings.
void RegisterDirectionLayerKind(LayerFactory& factory);
