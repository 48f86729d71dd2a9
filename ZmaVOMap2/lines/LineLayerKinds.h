// The lines-to-cells kinds in the layer factory: type code 7 under the names of the kinds.
#pragma once

class LayerFactory;

void RegisterLineLayerKinds(LayerFactory& factory);
