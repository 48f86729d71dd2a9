#include "ZmaVOMap2/shapes/ZmaVadAZShapesLayer.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/HostColour.h"
#include "ZmaVOMap2/layers/LayerFactory.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "ZmaVOMap2/shapes/RolloverShapesHitTester.h"
#include "ZmaVOMap2/shapes/ShapeConversions.h"
#include "ZmaVOMap2/shapes/ShapeRenderers.h"
#include "platform/Result.h"
#include "platform/ThreadFlag.h"

#include <algorithm>

using platform::ComPtr;
using platform::Variant;

namespace {

// Raised while a hit test pumps its thread's messages, so that a mouse move handled inside the
// pump finds nothing under the cursor. Each thread's own: maps on other threads hover meanwhile.
platform::ThreadFlag g_shapesLayerBusy;

// A copy of a host argument that outlives the call (by-reference wrappings taken off).
void CopyArgument(platform::Variant& to, const VARIANT& from) {
    THROW_IF_FAILED(platform::CopyIndirect(to.Put(), from));
}

std::wstring TextOf(BSTR text) { return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring(); }

template <class Item>
std::unique_ptr<Item> NewItem(int type, double latitude, double longitude) {
    auto item = std::make_unique<Item>();
    item->type = type;
    item->latitude = latitude;
    item->longitude = longitude;
    return item;
}

// The radius that bounds a shape: the full circle of circles and pies, the end radius of donut
// segments. Null for kinds that have none.
const VARIANT* BoundingRadius(const ShapeInfo& item) {
    switch (item.type) {
    case kShapeCircle: case kShapeFilledCircle: case kShapeSpotlightCircle:
        if (auto* c = dynamic_cast<const CircleInfo*>(&item)) return &c->radius;
        return nullptr;
    case kShapePie: case kShapeFilledPie: case kShapeSpotlightPie:
        if (auto* p = dynamic_cast<const PieInfo*>(&item)) return &p->radius;
        return nullptr;
    case kShapeDonutSegment: case kShapeFilledDonutSegment:
        if (auto* d = dynamic_cast<const DonutSegmentInfo*>(&item)) return &d->endRadius;
        return nullptr;
    default:
        return nullptr;
    }
}

struct Bounds {
    double x1, y1, x2, y2;
};

// The engine's bounds of a circle of `distance` map units around the item's centre. A circle of
// no size is its centre (the engine makes no region of it).
Bounds CircleBounds(IDispatch* map, const ShapeInfo& item, double distance) {
    if (!(distance > 0)) return {item.longitude, item.latitude, item.longitude, item.latitude};
    ComPtr<IDispatch> point;
    HRESULT hr = ::CoCreateInstance(ExternalIds::kEnginePoint, nullptr, CLSCTX_ALL, IID_IDispatch, point.PutVoid());
    if (hr != E_NOINTERFACE) THROW_IF_FAILED(hr);
    platform::ThrowIfNull(point.Get(), E_POINTER);
    EngineDispatch(point.Get()).Call(Engine::Point::kSet, {Variant(item.longitude), Variant(item.latitude)});

    ComPtr<IDispatch> factory = platform::RequireDispatch(EngineDispatch(map).Get(Engine::Map::kFeatureFactory));
    ComPtr<IDispatch> region = platform::RequireDispatch(EngineDispatch(factory.Get())
        .Call(Engine::FeatureFactory::kCreateCircularRegion, {Variant(Engine::CircleType::kMap), Variant(point.Get()),
                                                              Variant(distance), Variant::Missing(), Variant::Missing(),
                                                              Variant::Missing()}));
    ComPtr<IDispatch> box = platform::RequireDispatch(EngineDispatch(region.Get()).Get(Engine::Feature::kBounds));
    EngineDispatch rectangle(box.Get());
    return {rectangle.Get(Engine::Rectangle::kXMin).ToDouble(), rectangle.Get(Engine::Rectangle::kYMin).ToDouble(),
            rectangle.Get(Engine::Rectangle::kXMax).ToDouble(), rectangle.Get(Engine::Rectangle::kYMax).ToDouble()};
}

}  // namespace

void RegisterShapesLayerKind(LayerFactory& factory) {
    factory.Register(CZmaVadAZLayer::kTypeShapes, [](IDispatch* map, CZmaVadAZLayerCollection* owner, int) {
        return std::unique_ptr<CZmaVadAZLayer>(std::make_unique<CZmaVadAZShapesLayer>(map, owner));
    });
}

CZmaVadAZShapesLayer::CZmaVadAZShapesLayer(IDispatch* map, CZmaVadAZLayerCollection* owner)
    : CZmaVadAZLayer(map, owner) {
    SetType(kTypeShapes);
}

CZmaVadAZShapesLayer::~CZmaVadAZShapesLayer() {
    // A tooltip shown for this layer must not outlive it (no tooltip window: nothing shown).
    if (rollovertip::Window()) HideRolloverTip(this);
}

HRESULT CZmaVadAZShapesLayer::Attach(const std::string& name, int type, const std::string& /*fileSpec*/) {
    return AttachUserDrawLayer(name.empty() ? std::string("Shapes") : name, type);
}

HRESULT CZmaVadAZShapesLayer::Append(std::unique_ptr<ShapeInfo> item) {
    shapes_.push_back(std::move(item));
    return S_OK;
}

HRESULT CZmaVadAZShapesLayer::AddHollowCircle(double latitude, double longitude, const VARIANT& radius,
                                              long lineWidth, long lineType, const VARIANT& lineColor, BSTR toolTip) {
    try {
        CheckRadius(radius);
        auto item = NewItem<HollowCircleInfo>(kShapeCircle, latitude, longitude);
        CopyArgument(item->radius, radius);
        item->colour = KeepHostColour(lineColor);
        item->toolTip = TextOf(toolTip);
        item->lineWidth = lineWidth;
        item->lineType = lineType;
        return Append(std::move(item));
    }
    CATCH_RETURN_KEEP_INFO()
}

namespace {
template <class Item>
std::unique_ptr<Item> FilledCircle(int type, double latitude, double longitude, const VARIANT& radius,
                                   const VARIANT& fillColor, double opacity, BSTR toolTip) {
    CheckRadius(radius);
    auto item = NewItem<Item>(type, latitude, longitude);
    CopyArgument(item->radius, radius);
    item->colour = KeepHostColour(fillColor);
    item->toolTip = TextOf(toolTip);
    item->opacity = opacity;
    return item;
}

template <class Item>
std::unique_ptr<Item> Pie(int type, double latitude, double longitude, const VARIANT& radius, double startAngle,
                          double endAngle, const VARIANT& colour, BSTR toolTip) {
    CheckRadius(radius);
    auto item = NewItem<Item>(type, latitude, longitude);
    CopyArgument(item->radius, radius);
    item->startAngle = startAngle;
    item->endAngle = endAngle;
    item->colour = KeepHostColour(colour);
    item->toolTip = TextOf(toolTip);
    return item;
}

template <class Item>
std::unique_ptr<Item> Donut(int type, double latitude, double longitude, const VARIANT& startRadius,
                            const VARIANT& endRadius, double startAngle, double endAngle, const VARIANT& colour,
                            BSTR toolTip) {
    CheckRadius(startRadius);
    CheckRadius(endRadius);
    auto item = NewItem<Item>(type, latitude, longitude);
    CopyArgument(item->startRadius, startRadius);
    CopyArgument(item->endRadius, endRadius);
    item->startAngle = startAngle;
    item->endAngle = endAngle;
    item->colour = KeepHostColour(colour);
    item->toolTip = TextOf(toolTip);
    return item;
}
}  // namespace

HRESULT CZmaVadAZShapesLayer::AddFilledCircle(double latitude, double longitude, const VARIANT& radius,
                                              const VARIANT& fillColor, double opacity, BSTR toolTip) {
    try {
        return Append(FilledCircle<FilledCircleInfo>(kShapeFilledCircle, latitude, longitude, radius, fillColor,
                                                     opacity, toolTip));
    }
    CATCH_RETURN_KEEP_INFO()
}

HRESULT CZmaVadAZShapesLayer::AddSpotlightCircle(double latitude, double longitude, const VARIANT& radius,
                                                 const VARIANT& fillColor, double opacity, BSTR toolTip) {
    try {
        return Append(FilledCircle<FilledCircleInfo>(kShapeSpotlightCircle, latitude, longitude, radius, fillColor,
                                                     opacity, toolTip));
    }
    CATCH_RETURN_KEEP_INFO()
}

HRESULT CZmaVadAZShapesLayer::AddHollowPie(double latitude, double longitude, const VARIANT& radius,
                                           double startAngle, double endAngle, long lineWidth, long lineType,
                                           const VARIANT& lineColor, BSTR toolTip) {
    try {
        auto item = Pie<HollowPieInfo>(kShapePie, latitude, longitude, radius, startAngle, endAngle, lineColor, toolTip);
        item->lineWidth = lineWidth;
        item->lineType = lineType;
        return Append(std::move(item));
    }
    CATCH_RETURN_KEEP_INFO()
}

HRESULT CZmaVadAZShapesLayer::AddFilledPie(double latitude, double longitude, const VARIANT& radius,
                                           double startAngle, double endAngle, const VARIANT& fillColor,
                                           double opacity, BSTR toolTip) {
    try {
        auto item = Pie<FilledPieInfo>(kShapeFilledPie, latitude, longitude, radius, startAngle, endAngle, fillColor,
                                       toolTip);
        item->opacity = opacity;
        return Append(std::move(item));
    }
    CATCH_RETURN_KEEP_INFO()
}

HRESULT CZmaVadAZShapesLayer::AddSpotlightPie(double latitude, double longitude, const VARIANT& radius,
                                              double startAngle, double endAngle, const VARIANT& fillColor,
                                              double opacity, BSTR toolTip) {
    try {
        auto item = Pie<FilledPieInfo>(kShapeSpotlightPie, latitude, longitude, radius, startAngle, endAngle,
                                       fillColor, toolTip);
        item->opacity = opacity;
        return Append(std::move(item));
    }
    CATCH_RETURN_KEEP_INFO()
}

HRESULT CZmaVadAZShapesLayer::AddHollowDonutSegment(double latitude, double longitude, const VARIANT& startRadius,
                                                    const VARIANT& endRadius, double startAngle, double endAngle,
                                                    long lineWidth, long lineType, const VARIANT& lineColor,
                                                    BSTR toolTip) {
    try {
        auto item = Donut<HollowDonutSegmentInfo>(kShapeDonutSegment, latitude, longitude, startRadius, endRadius,
                                                  startAngle, endAngle, lineColor, toolTip);
        item->lineWidth = lineWidth;
        item->lineType = lineType;
        return Append(std::move(item));
    }
    CATCH_RETURN_KEEP_INFO()
}

HRESULT CZmaVadAZShapesLayer::AddFilledDonutSegment(double latitude, double longitude, const VARIANT& startRadius,
                                                    const VARIANT& endRadius, double startAngle, double endAngle,
                                                    const VARIANT& fillColor, double opacity, BSTR toolTip) {
    try {
        auto item = Donut<FilledDonutSegmentInfo>(kShapeFilledDonutSegment, latitude, longitude, startRadius,
                                                  endRadius, startAngle, endAngle, fillColor, toolTip);
        item->opacity = opacity;
        return Append(std::move(item));
    }
    CATCH_RETURN_KEEP_INFO()
}

HRESULT CZmaVadAZShapesLayer::ClearShapes() {
    shapes_.clear();
    return S_OK;
}

HRESULT CZmaVadAZShapesLayer::ForEachShape(ShapesActionInterface& action) {
    try {
        for (const auto& item : shapes_)
            if (!action.Act(*item)) return S_FALSE;
        return S_OK;
    } CATCH_RETURN_QUIET()
}

bool CZmaVadAZShapesLayer::Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    const CZmaVadAZLayerCollection* owner = GetOwner();
    const bool useGdiPlus = owner && owner->UsesGdiPlus();
    ShapeRenderer renderer(GetMapXMap().Get(), dc, rect, extent, useGdiPlus);
    ForEachShape(renderer);
    return true;
}

bool CZmaVadAZShapesLayer::HitTest(long x, long y, double mapX, double mapY) {
    if (g_shapesLayerBusy.IsRaised()) return false;
    RolloverShapesHitTester tester(GetMapXMap().Get(), POINT{x, y}, mapX, mapY, this);
    ForEachShape(tester);
    const bool hit = tester.HasHit();
    if (!hit) HideRolloverTip(this);
    // Let the tooltip and the map catch up before the next move; nested hit tests find nothing.
    platform::ThreadFlag::Raised busy(g_shapesLayerBusy);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return hit;
}

int CZmaVadAZShapesLayer::GetExtent(IDispatch* rectangle) {
    IDispatch* map = platform::ThrowIfNull(GetMapXMap().Get(), E_POINTER);
    Bounds extent = {0, 0, 0, 0};
    for (const auto& item : shapes_) {
        const VARIANT* radius = BoundingRadius(*item);
        if (!radius) continue;
        const Bounds b = CircleBounds(map, *item, ConvertToUserUnits(map, *radius));
        if (extent.x1 == extent.x2 && extent.y1 == extent.y2) {
            extent = b;
        } else {
            extent = {std::min(extent.x1, b.x1), std::min(extent.y1, b.y1), std::max(extent.x2, b.x2),
                      std::max(extent.y2, b.y2)};
        }
    }
    EngineDispatch(platform::ThrowIfNull(rectangle, E_POINTER))
        .Call(Engine::Rectangle::kSet, {Variant(extent.x1), Variant(extent.y1), Variant(extent.x2), Variant(extent.y2)});
    return shapes_.empty() ? 0 : 1;
}
