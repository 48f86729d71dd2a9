#include "ZmaVOMap2/lines/LineLayerKinds.h"

#include "ZmaVOMap2/datalayers/CellLineLayer.h"
#include "ZmaVOMap2/layers/LayerFactory.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToNborsLayer.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToPointsLayer.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToSectorsLayer.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToServersLayer.h"

void RegisterLineLayerKinds(LayerFactory& factory) {
    factory.Register(CZmaVadAZLayer::kTypeLines, CellLineKinds::kServing,
                     [](IDispatch* map, CZmaVadAZLayerCollection* owner, int) -> std::unique_ptr<CZmaVadAZLayer> {
                         return std::make_unique<CZmaVadAZLinesToServersLayer>(map, owner);
                     });
    factory.Register(CZmaVadAZLayer::kTypeLines, CellLineKinds::kNeighbours,
                     [](IDispatch* map, CZmaVadAZLayerCollection* owner, int) -> std::unique_ptr<CZmaVadAZLayer> {
                         return std::make_unique<CZmaVadAZLinesToNborsLayer>(map, owner);
                     });
    for (const char* kind : {CellLineKinds::kCellSites, CellLineKinds::kPoints})
        factory.Register(CZmaVadAZLayer::kTypeLines, kind,
                         [](IDispatch* map, CZmaVadAZLayerCollection* owner, int) -> std::unique_ptr<CZmaVadAZLayer> {
                             return std::make_unique<CZmaVadAZLinesToPointsLayer>(map, owner);
                         });
    RegisterLinesToSectorsLayerKind(factory);
}
