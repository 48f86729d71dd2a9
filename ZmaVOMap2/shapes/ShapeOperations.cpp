#include "ZmaVOMap2/shapes/ShapeOperations.h"

#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/shapes/ShapesLayerResource.h"
#include "ZmaVOMap2/shapes/ZmaVadAZShapesLayer.h"
#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Window.h"

CZmaVadAZShapesLayer* GetShapesLayer(CZmaVadAZLayerCollection& collection) {
    for (CZmaVadAZLayer* layer : collection.Layers()) {
        if (layer->GetType() != CZmaVadAZLayer::kTypeShapes) continue;
        if (auto* shapes = dynamic_cast<CZmaVadAZShapesLayer*>(layer)) return shapes;
    }
    std::wstring name = platform::LoadStringResource(platform::Module::Instance(), IDS_SHAPES_LAYER_NAME);
    if (name.empty()) name = L"Shapes";
    CZmaVadAZLayer* made = collection.AddLayer(platform::ToAnsi(name), CZmaVadAZLayer::kTypeShapes, std::string(),
                                               std::wstring(), std::string(), std::wstring(), std::wstring());
    if (auto* shapes = dynamic_cast<CZmaVadAZShapesLayer*>(made)) return shapes;
    platform::Prompts().MessageBox(nullptr, L"Failed to initialize the shapes layer", L"Map Module", MB_OK);
    return nullptr;
}
