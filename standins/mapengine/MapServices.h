// What the objects that belong to a map (layers, features, factories) need of their map. The map
// hands itself out through this interface and takes it back (Detach) before it goes, so the
// objects never reach a map that is gone.
#pragma once

#include "standins/mapengine/ViewModel.h"

#include <windows.h>
#include <oaidl.h>

namespace mapengine {

class RasterImage;

class MapServices {
public:
    virtual const ViewModel& View() const = 0;
    // Something that is drawn changed: repaint when automatic redraw is on.
    virtual void ContentChanged() = 0;
    // The selection of a layer changed.
    virtual void SelectionChanged() = 0;
    // A text annotation was added.
    virtual void AnnotationAdded(IDispatch* annotation) = 0;
    // A raster became the map's only layer: the view shows it pixel for pixel from its top-left
    // corner, as an image viewer does.
    virtual void ShowRaster(const RasterImage& image) = 0;

protected:
    ~MapServices() = default;
};

}  // namespace mapengine
