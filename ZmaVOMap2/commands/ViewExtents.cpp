#include "ZmaVOMap2/commands/ViewExtents.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "platform/Result.h"

using platform::ComPtr;
using platform::Variant;

namespace {

ComPtr<IDispatch> MakeEngineRectangle() {
    CLSID rectangleClass;
    THROW_IF_FAILED(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass));
    ComPtr<IDispatch> rectangle;
    const HRESULT hr =
        ::CoCreateInstance(rectangleClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, rectangle.PutVoid());
    if (FAILED(hr) && hr != E_NOINTERFACE) platform::ThrowCall(hr);
    return rectangle;
}

}  // namespace

void SetEngineBounds(IDispatch* engineMap, const ZmaExtent& extent) {
    ComPtr<IDispatch> rectangle = MakeEngineRectangle();
    if (!rectangle) platform::ThrowHr(E_NOINTERFACE);
    EngineDispatch(rectangle.Get())
        .Call(Engine::Rectangle::kSet,
              {Variant(extent.left), Variant(extent.bottom), Variant(extent.right), Variant(extent.top)});
    EngineDispatch(engineMap).Put(Engine::Map::kBounds, Variant(rectangle.Get()));
}
