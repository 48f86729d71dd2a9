// A map control created and initialised the way a host does it, with host datasets, legends and
// an event journal, for the tests of displaying datasets.
#pragma once

#include "platform/Com.h"
#include "platform/ComObject.h"

#include "HostInterfaces.h"
#include "VadAZ.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace displaytest {

// DISPIDs of the control's members used here.
enum : DISPID {
    kMapX = 0x5,
    kVOLegend = 0x9,
    kSetDatasetVisible = 0xA,
    kNotifyChange = 0xB,
    kDisplayDataset = 0xF,
    kRemoveDataset = 0x10,
    kNotifySelectionChange = 0x18,
    kCreateMultiDMapping = 0x19,
    kGetDisplayedGUIDs = 0x1C,
    kGetAttributeDescription = 0x1E,
    kVOPrintLegend = 0x5F,
    kEnhancedDrawingMode = 0x77,
    kUnits = 0x78,
    kScreenUpdating = 0x86,
    kResetViewChangeStage = 0x88,
};

// Engine members read back.
enum : DISPID {
    kEngineLayers = 5,
    kEngineAutoRedraw = 6,
    kEngineZoom = 7,
    kEngineDistanceUnit = 25,
    kEngineBounds = 29,
    kLayersCount = 1,
    kLayersItem = 6,
    kLayerName = 1,
    kLayerVisible = 2,
};

platform::Variant Missing();
platform::Variant Text(const wchar_t* text);

// Plays the host's profile component (set as its handler): runs a step when it is called.
class ComponentHandler : public platform::ComObject<ComponentHandler, IHostCallHandler> {
public:
    STDMETHODIMP OnCall(BSTR method, BSTR, IUnknown*) override {
        if (onCall) onCall(method ? method : L"");
        return S_OK;
    }
    std::function<void(const std::wstring&)> onCall;
};

// Calls a member through IDispatch and answers its HRESULT (the result into `result` if given).
HRESULT Invoke(IDispatch* object, DISPID id, WORD flags, std::vector<platform::Variant> args,
               platform::Variant* result = nullptr);
HRESULT Call(IDispatch* object, DISPID id, std::vector<platform::Variant> args, platform::Variant* result = nullptr);
HRESULT Put(IDispatch* object, DISPID id, const platform::Variant& value);
platform::Variant Get(IDispatch* object, DISPID id);
// Puts an engine rectangle ("MapX.Rectangle.4") of these corners as the engine map's bounds.
HRESULT PutEngineBounds(IDispatch* engineMap, double xmin, double ymin, double xmax, double ymax);

// A dataset a test fills: the fields given, `rows` rows along a short diagonal near 50 N, 10 E
// when it has "Latitude" and "Longitude".
platform::ComPtr<IDispatch> NewDataset(const std::vector<std::pair<std::wstring, long>>& fields, long rows);
void SetValue(IDispatch* dataset, long row, const wchar_t* field, const platform::Variant& value);
void SetDatasetLongName(IDispatch* dataset, const wchar_t* text);
void SetFieldLongName(IDispatch* dataset, const wchar_t* field, const wchar_t* text);
void SelectRows(IDispatch* dataset, const std::vector<long>& rows);
std::vector<long> SelectedRows(IDispatch* dataset);
// The sample drive test with `rows` rows.
platform::ComPtr<IDispatch> MakeSampleDataset(long rows = 300);
// A field configuration: "SeriesType" (when given) and "Dimensions" with one child per field.
platform::ComPtr<IDispatch> FieldConfiguration(const wchar_t* seriesType, const std::vector<std::wstring>& fields,
                                               bool withDimensions = true);

// Records "<dispid>:<first argument as text>" of every event of the second event interface.
class EventJournal : public platform::ComObject<EventJournal, IDispatch> {
public:
    HRESULT QueryInterfaceImpl(REFIID iid, void** out);
    STDMETHODIMP GetTypeInfoCount(UINT* n) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

    std::vector<std::wstring> Take();
    bool Saw(const std::wstring& entry) const;
    // A host's handler: runs after the event is recorded.
    std::function<void(DISPID)> onEvent;

private:
    std::vector<std::wstring> entries_;
};

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // InitNew, as a container does; the control has its layer collection from then on.
    void Initialise();
    IDispatch* Control() const { return dispatch_.Get(); }
    platform::ComPtr<IDispatch> EngineMap();
    std::vector<std::wstring> EngineLayerNames();
    platform::ComPtr<IDispatch> EngineLayer(const std::wstring& name);
    // The map's bounds {xmin, ymin, xmax, ymax}.
    std::vector<double> MapBounds();

    HRESULT Display(IDispatch* dataset, const platform::Variant& fields, const wchar_t* guid);
    std::vector<std::wstring> DisplayedGuids();
    HRESULT Description(const wchar_t* guid, std::wstring& text);

    // Usage records written since the test began.
    std::vector<std::wstring> UsageRecords();
    // Calls the print legend received since the test began.
    std::wstring PrintLegendCalls();

    platform::ComPtr<IUnknown> control_;
    platform::ComPtr<IDispatch> dispatch_;
    platform::ComPtr<IUnknown> printLegend_;
    platform::ComPtr<EventJournal> events_;
    platform::ComPtr<IHostLogStore> logStore_;
};

}  // namespace displaytest
