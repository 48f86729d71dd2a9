// The line kinds in the layer factory: type code 7 under the names of the kinds, and the lines
// between cell sectors under type code 13.
#pragma once

class LayerFactory;

void RegisterLineLayerKinds(LayerFactory& factory);
