// The collection's side of the shape methods: finding the one shapes layer, or making it on first
// use.
#pragma once

class CZmaVadAZLayerCollection;
class CZmaVadAZShapesLayer;

// The first shapes layer of the collection from the top; without one, a new shapes layer named
// "Shapes" on top. Null, after telling the user, when it cannot be made.
CZmaVadAZShapesLayer* GetShapesLayer(CZmaVadAZLayerCollection& collection);
