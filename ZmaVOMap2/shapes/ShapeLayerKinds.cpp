#include "ZmaVOMap2/layers/LayerFactory.h"
#include "ZmaVOMap2/shapes/ZmaVadAZMarkerLayer.h"
#include "ZmaVOMap2/shapes/ZmaVadAZRegionLayer.h"

#include <memory>

void RegisterShapeLayerKinds(LayerFactory& factory) {
    factory.Register(CZmaVadAZLayer::kTypeMarker,
                     [](IDispatch* map, CZmaVadAZLayerCollection* owner, int) -> std::unique_ptr<CZmaVadAZLayer> {
                         return std::make_unique<CZmaVadAZMarkerLayer>(map, owner, false);
                     });
}
