// The visitors of the lines-to-cells layers. A layer walks its lines and hands each to an action
// (a cache, a renderer, a rollover hit tester, a TAB exporter); the action answers true to go on
// and false to ask the walker to stop. Ends are pixels; map positions are {longitude, latitude}
// and come as zeros when a line is replayed from a cache. The dataset is positioned on the line's
// measurement row.
#pragma once

#include "ZmaVOMap2/lines/LineGeometry.h"

#include "HostInterfaces.h"

class LinesToNeighboursActionInterface {
public:
    // `neighbour` is the n of the field NeighborSectorHandle_n the line was built from.
    virtual bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint& cellGeo, const GeoPoint& pointGeo,
                            long neighbour, IHostDataset*& dataset) = 0;
    // A walked row that the map does not draw: it has no lines.
    virtual void RowWithoutPosition() {}

protected:
    ~LinesToNeighboursActionInterface() = default;
};

class LinesToServersActionInterface {
public:
    virtual bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint& cellGeo, const GeoPoint& pointGeo,
                            IHostDataset*& dataset) = 0;
    // A walked row that the map does not draw: it has no lines.
    virtual void RowWithoutPosition() {}

protected:
    ~LinesToServersActionInterface() = default;
};
