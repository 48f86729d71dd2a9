// The work of the control's dataset members: putting the host's series on the map, keeping them
// in step with the host and taking them off, with the host's print legend told of each series
// and the map repainted. Each is a whole entry point (its own error barrier) with the operation
// held: building layers asks the host for fields.
#pragma once

#include <windows.h>
#include <oaidl.h>

class ControlEngine;
struct DatasetShown;
class HostObjects;
class MapLayers;
class Operations;
class ViewState;

class DatasetMembers {
public:
    DatasetMembers(Operations& operations, MapLayers& layers, ControlEngine& engine, ViewState& view,
                   HostObjects& host) noexcept
        : operations_(operations), layers_(layers), engine_(engine), view_(view), host_(host) {}

    // The field list is text (a script may hand it over by reference); the display's failure is
    // the answer, but the map draws again and the usage record is written whatever happened.
    HRESULT Display(IDispatch* dataset, const VARIANT& fields, BSTR series);
    HRESULT DisplayMapping(IDispatch* dataset, BSTR series, IDispatch* fieldConfiguration);
    HRESULT Remove(BSTR series, const VARIANT& notify);
    // The host is told S_OK whatever the display answered; a failure is logged.
    HRESULT SetVisible(BSTR series, long visible);
    HRESULT NotifyChange(BSTR series, long flag, IDispatch* renderer, const VARIANT& ranges);

private:
    // The first point dataset of a map that puts new layers on top is brought into view.
    void BringIntoView(const DatasetShown& shown);

    Operations& operations_;
    MapLayers& layers_;
    ControlEngine& engine_;
    ViewState& view_;
    HostObjects& host_;
};
