// The work of the control's profile members: the profile's name, applying it through the host's
// settings-profile service, and rebuilding the lines to cells and the cell references from it.
// Each is a whole entry point (its own error barrier); the service drives the control through its
// members meanwhile, so the operation is held.
#pragma once

#include <windows.h>
#include <oaidl.h>

class HostProfile;
class MapLayers;
class Operations;

class ProfileMembers {
public:
    ProfileMembers(Operations& operations, MapLayers& layers, HostProfile& profile) noexcept
        : operations_(operations), layers_(layers), profile_(profile) {}

    HRESULT GetName(BSTR* name);
    HRESULT SetName(BSTR name);
    // Nothing happens without the host's service.
    HRESULT ApplyCurrent();
    HRESULT UpdateLinesToCells();
    // The cell-site and cell-reference layers are removed and built again by the service; their
    // former label settings come back from the collection's cache, emptied afterwards.
    HRESULT UpdateCellReferences();

private:
    Operations& operations_;
    MapLayers& layers_;
    HostProfile& profile_;
};
