// Markers the host pins onto the map, each tied to a message number of its drive-test stream.
//
// Markers are symbol features of an ordinary engine layer "Markers" that the engine draws with
// their labels. They arrive by drag and drop ("ZemroMarker" data), move with the select tool
// (optionally snapped onto the route of the current layer) and go with the Delete key. Every
// change the user makes is queued and announced with MarkerChanged; the host reads the queue.
#pragma once

#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/projection/CoordinateSystem.h"
#include "platform/Com.h"

#include <objidl.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

struct MarkerChange {
    long messageNumber = 0;
    double longitude = 0, latitude = 0;
    bool gpsSet = false;
};

// The drop payload: message number (4 bytes), stationary flag (1 byte), zero-terminated ANSI label.
struct MarkerDrop {
    long messageNumber = 0;
    bool stationary = false;
    std::string label;
};
// False for a block too short or a label without its terminating zero inside the block.
bool ParseMarkerDrop(const unsigned char* data, size_t size, MarkerDrop& drop);

class CZmaVadAZMarkerLayer : public CZmaVadAZLayer {
public:
    // Creates the "Markers" engine layer at the top with its labels on. Raises engine failures.
    CZmaVadAZMarkerLayer(IDispatch* map, CZmaVadAZLayerCollection* owner, bool snapToTrack);

    HRESULT HandleDrop(IDataObject* data, double longitude, double latitude);
    HRESULT GetNextMarkerChange(long& messageNumber, double& longitude, double& latitude, bool& gpsSet);
    HRESULT SetMarkerStationary(long messageNumber, bool stationary);
    HRESULT ResetMarkerLayer();

    BOOL MoveUp(bool apply, int positions) override;
    BOOL MoveDown(bool apply, int positions) override;
    bool OnToolUsed(long x, long y, double mapX, double mapY) override;
    // The mouse-up: moves the picked marker to the mouse position.
    bool OnMouseUp(long x, long y, double mapX, double mapY) override;
    bool OnKeyDown(short keyCode, short shift) override;
    bool IsSavedAsTableLayer() override { return false; }

    // The position on the current layer's route nearest to (longitude, latitude); false without
    // a route or when anything fails.
    bool SnapToTrack(double& longitude, double& latitude);
    bool SnapsToTrack() const noexcept { return snap_; }

private:
    HRESULT AddMarker(long messageNumber, double longitude, double latitude, bool stationary, const std::wstring& label);
    platform::ComPtr<IDispatch> GetSelectedMarker();
    bool ReadSelectTool(bool& isSelect);
    void QueueChange(const MarkerChange& change);
    void RebuildTrack();
    void UpdateLabelsForPosition();
    // Has the map repainted once the host's message loop runs again, not once per change: a
    // host that drops thousands of markers in one go gets one frame, not one per marker.
    void RefreshMap();

    // Route parts in geographic degrees (x longitude); segments never join separate parts.
    using Polyline = std::vector<ZmaPointD>;
    std::vector<Polyline> track_;
    platform::ComPtr<IUnknown> trackLayer_;
    bool picked_ = false;
    bool snap_ = false;
    std::deque<MarkerChange> changes_;
    std::map<std::wstring, long> keys_;
};

class LayerFactory;

// Registers the marker layer (type 12, made without snapping) in the factory. The region layer
// needs the host's region set and is made by regions::Edit only.
void RegisterMarkerLayerKind(LayerFactory& factory);

// The control's marker operations over the collection: at most one marker layer, found by its
// type code. Each answers S_FALSE without a marker layer.
namespace markers {
CZmaVadAZMarkerLayer* Find(CZmaVadAZLayerCollection& collection);
HRESULT Open(CZmaVadAZLayerCollection& collection, bool snapToTrack);
}  // namespace markers
