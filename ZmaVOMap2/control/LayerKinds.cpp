#include "ZmaVOMap2/control/LayerKinds.h"

#include "ZmaVOMap2/atr/ATRLayer.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/direction/ZmaVadAZDirectionLayer.h"
#include "ZmaVOMap2/imagery/ZmaVadAZBackgroundMapLayer.h"
#include "ZmaVOMap2/layers/LayerFactory.h"
#include "ZmaVOMap2/lines/LineLayerKinds.h"
#include "ZmaVOMap2/markers/ZmaVadAZMarkerLayer.h"
#include "ZmaVOMap2/shapes/ZmaVadAZShapesLayer.h"

#include <mutex>

void RegisterLayerKinds() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterDataLayerKinds(LayerFactory::Instance());
        RegisterLineLayerKinds(LayerFactory::Instance());
        RegisterAtrLayerKind(LayerFactory::Instance());
        RegisterShapesLayerKind(LayerFactory::Instance());
        RegisterDirectionLayerKind(LayerFactory::Instance());
        RegisterMarkerLayerKind(LayerFactory::Instance());
        RegisterBackgroundMapLayerKind(LayerFactory::Instance());
    });
}
