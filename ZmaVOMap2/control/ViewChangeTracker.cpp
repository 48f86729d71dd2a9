#include "ZmaVOMap2/control/ViewChangeTracker.h"

#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "platform/Result.h"

using platform::ComPtr;
using platform::Variant;

void ViewChangeTracker::OnViewChanged(EngineDispatch& map, bool initialised, bool imagery, const Snap& snap) {
    if (!savedView_) {
        CLSID rectangle;
        THROW_IF_FAILED(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangle));
        HRESULT hr = ::CoCreateInstance(rectangle, nullptr, CLSCTX_ALL, IID_IDispatch, savedView_.PutVoid());
        if (FAILED(hr) && hr != E_NOINTERFACE) platform::ThrowCall(hr);
    }
    previous_ = current_;
    if (!initialised) return;
    // No view is wider than the world, the widest a saved map loads again: a zoom past it (the
    // engine's zoom-out tool, a host's) comes back to the world's width, a change reported anew.
    const double widest = DistanceUnits::WorldWidth(map.Get(Engine::Map::kDistanceUnit).ToLong());
    if (map.Get(Engine::Map::kZoom).ToDouble() > widest) {
        map.Put(Engine::Map::kZoom, Variant(widest));
        return;
    }

    ComPtr<IDispatch> bounds = platform::RequireDispatch(map.Get(Engine::Map::kBounds));
    EngineDispatch rect(bounds.Get());
    const bool geographic = rect.Get(Engine::Rectangle::kXMin).ToDouble() > -360.0 &&
                            rect.Get(Engine::Rectangle::kXMax).ToDouble() < 360.0;
    // A view change that the imagery steps cause themselves (an engine that reports it while the
    // bounds are being set) is the snap's own: it is not snapped again.
    if (geographic && imagery) {
        if (keepingZoomLevel_) {
            ownChangeSeen_ = true;
        } else {
            // Cleared however the steps end.
            struct Keeping {
                bool& flag;
                ~Keeping() { flag = false; }
            } keeping{keepingZoomLevel_};
            keepingZoomLevel_ = true;
            ownChangeSeen_ = false;
            KeepImageryZoomLevel(map, snap);
        }
    }

    current_ = {map.Get(Engine::Map::kZoom).ToDouble(), map.Get(Engine::Map::kCenterX).ToDouble(),
                map.Get(Engine::Map::kCenterY).ToDouble()};
}

void ViewChangeTracker::KeepImageryZoomLevel(EngineDispatch& map, const Snap& snap) {
    switch (stage_) {
    case 0:
        if (savedView_) map.Put(Engine::Map::kBounds, Variant(static_cast<IDispatch*>(savedView_.Get())));
        stage_ = 2;
        break;
    case 1:
        stage_ = 2;
        break;
    case 2: {
        const double widthRead = map.Get(Engine::Map::kScreenWidth).ToDouble();
        const long width = static_cast<long>(widthRead);
        // A window grown past the level's whole world would show more than the world at the
        // level's resolution: the view is snapped afresh instead, to a level that fits.
        const bool fits = widthRead > 0.0 && snapWidthRead_ > 0.0 &&
                          snapZoom_ * widthRead / snapWidthRead_ <= DistanceUnits::WorldWidth(snapUnit_);
        if (snapWidth_ < 1 || snapWidth_ == width || (widthRead > 0.0 && !fits)) {
            ComPtr<IDispatch> bounds = platform::DispatchOf(map.Get(Engine::Map::kBounds));
            if (savedView_ && bounds) {
                EngineDispatch from(bounds.Get());
                EngineDispatch(savedView_.Get())
                    .Call(Engine::Rectangle::kSet, {from.Get(Engine::Rectangle::kXMin), from.Get(Engine::Rectangle::kYMin),
                                                  from.Get(Engine::Rectangle::kXMax), from.Get(Engine::Rectangle::kYMax)});
            }
            const RECT pixels = {0, 0, width, static_cast<long>(map.Get(Engine::Map::kScreenHeight).ToDouble())};
            if (snap) snap(savedView_.Get(), pixels);
            snapWidthRead_ = widthRead;
            // The snap's own view change was seen already when the engine reported it at once;
            // otherwise it is still to come and restores the snapped view.
            stage_ = ownChangeSeen_ ? 2 : 0;
            snapZoom_ = map.Get(Engine::Map::kZoom).ToDouble();
            snapUnit_ = map.Get(Engine::Map::kDistanceUnit).ToLong();
            snapWidth_ = width;
        } else if (widthRead > 0.0) {
            // The window changed width: keep the ground distance per pixel. A window with no
            // width (minimised) leaves the zoom alone.
            const double ratio = snapWidthRead_ / widthRead;
            const long unit = map.Get(Engine::Map::kDistanceUnit).ToLong();
            if (unit != snapUnit_) map.Put(Engine::Map::kDistanceUnit, Variant(snapUnit_));
            map.Put(Engine::Map::kZoom, Variant(snapZoom_ / ratio));
            if (unit != snapUnit_) map.Put(Engine::Map::kDistanceUnit, Variant(unit));
            snapWidth_ = width;
        }
        break;
    }
    default:
        break;
    }
}
