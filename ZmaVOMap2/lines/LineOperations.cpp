#include "ZmaVOMap2/lines/LineOperations.h"

#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/lines/LinesLayerResource.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToPointsLayer.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToSectorsLayer.h"
#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Window.h"

#include <algorithm>

namespace {

CZmaVadAZLinesToPointsLayer* TiedLines(CZmaVadAZLayerCollection& collection, CZmaVadAZDataLayer::LineLink link) {
    CZmaVadAZDataLayer* sites = AsDataLayer(collection.GetCellSiteLayer());
    return sites ? dynamic_cast<CZmaVadAZLinesToPointsLayer*>(sites->GetLineLayer(link)) : nullptr;
}

std::vector<CZmaVadAZLinesToPointsLayer*> EveryTiedLines(CZmaVadAZLayerCollection& collection,
                                                         CZmaVadAZDataLayer::LineLink link) {
    std::vector<CZmaVadAZLinesToPointsLayer*> found;
    for (CZmaVadAZLayer* layer : collection.Layers()) {
        CZmaVadAZDataLayer* sites = layer->GetType() == CZmaVadAZLayer::kTypeCellSites ? AsDataLayer(layer) : nullptr;
        auto* lines = sites ? dynamic_cast<CZmaVadAZLinesToPointsLayer*>(sites->GetLineLayer(link)) : nullptr;
        if (lines && std::find(found.begin(), found.end(), lines) == found.end()) found.push_back(lines);
    }
    return found;
}

}  // namespace

CZmaVadAZLinesToSectorsLayer* GetLinesToSectorsLayer(CZmaVadAZLayerCollection& collection) {
    for (CZmaVadAZLayer* layer : collection.Layers()) {
        if (layer->GetType() != CZmaVadAZLayer::kTypeLinesToSectors) continue;
        if (auto* lines = dynamic_cast<CZmaVadAZLinesToSectorsLayer*>(layer)) return lines;
    }
    std::wstring name = platform::LoadStringResource(platform::Module::Instance(), IDS_LINES_TO_SECTORS_NAME);
    if (name.empty()) name = L"Lines between Cell Sectors";
    CZmaVadAZLayer* made = collection.AddLayer(platform::ToAnsi(name), CZmaVadAZLayer::kTypeLinesToSectors,
                                               std::string(), std::wstring(), std::string(), std::wstring(),
                                               std::wstring());
    if (auto* lines = dynamic_cast<CZmaVadAZLinesToSectorsLayer*>(made)) return lines;
    platform::Prompts().MessageBox(nullptr, L"Failed to initialize the lines to sectors layer", L"Map Module", MB_OK);
    return nullptr;
}

CZmaVadAZLinesToPointsLayer* GetCellSiteLinesLayer(CZmaVadAZLayerCollection& collection) {
    return TiedLines(collection, CZmaVadAZDataLayer::kLineC);
}

CZmaVadAZLinesToPointsLayer* GetPointLinesLayer(CZmaVadAZLayerCollection& collection) {
    return TiedLines(collection, CZmaVadAZDataLayer::kLineD);
}

std::vector<CZmaVadAZLinesToPointsLayer*> GetAllCellSiteLinesLayers(CZmaVadAZLayerCollection& collection) {
    return EveryTiedLines(collection, CZmaVadAZDataLayer::kLineC);
}

std::vector<CZmaVadAZLinesToPointsLayer*> GetAllPointLinesLayers(CZmaVadAZLayerCollection& collection) {
    return EveryTiedLines(collection, CZmaVadAZDataLayer::kLineD);
}
