// Spotlights: one translucent tint over the whole clip rectangle except the shape itself, so that
// the circle or pie stands out as a lit spot on a dimmed map. Always drawn with GDI+.
#pragma once

#include "ZmaVOMap2/shapes/ShapeRenderers.h"

class SpotlightCircleRenderer : public ShapeRendererBase {
public:
    using ShapeRendererBase::ShapeRendererBase;
    bool Act(const ShapeInfo& item) override;
};

class SpotlightPieRenderer : public ShapeRendererBase {
public:
    using ShapeRendererBase::ShapeRendererBase;
    bool Act(const ShapeInfo& item) override;
};
