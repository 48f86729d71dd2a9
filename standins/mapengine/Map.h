// The map: an in-process ActiveX object with its window, view, layers and events. Its automation
// members are in Map.cpp, the OLE embedding interfaces in MapOle.cpp, window input and tools in
// MapInput.cpp.
#pragma once

#include "standins/mapengine/Annotations.h"
#include "standins/mapengine/CoordSys.h"
#include "standins/mapengine/Dataset.h"
#include "standins/mapengine/EngineObject.h"
#include "standins/mapengine/FeatureFactory.h"
#include "standins/mapengine/Faults.h"
#include "standins/mapengine/Layers.h"
#include "standins/mapengine/MapEvents.h"
#include "standins/mapengine/MapRenderer.h"
#include "standins/mapengine/MapServices.h"
#include "standins/mapengine/MapWindow.h"
#include "standins/mapengine/Points.h"
#include "standins/mapengine/Style.h"
#include "standins/mapengine/ViewModel.h"
#include "platform/ConnectionPoint.h"

#include "MapEngine.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace mapengine {

class Map;

}  // namespace mapengine

namespace platform {
template <>
struct InterfaceIdOf<ConnectionPointContainerImpl<mapengine::Map>> {
    static const IID& Get() { return IID_IConnectionPointContainer; }
};
}  // namespace platform

namespace mapengine {

class Map : public EngineComObject<Map, IOleObject, IOleInPlaceObject, platform::Also<IOleWindow, IOleInPlaceObject>,
                                   IOleControl, IViewObjectEx, platform::Also<IViewObject2, IViewObjectEx>,
                                   platform::Also<IViewObject, IViewObjectEx>, IPersistStreamInit,
                                   platform::Also<IPersist, IPersistStreamInit>,
                                   platform::ConnectionPointContainerImpl<Map>, IProvideClassInfo, IDataObject,
                                   IEngineTestHooks>,
            public MapServices,
            public MapWindowHandler,
            public RenderCallbacks {
public:
    static constexpr const wchar_t* kName = L"Map";
    static const IID& DispInterfaceId() { return DIID_DMap; }
    static const MemberTable<Map>& Members();

    Map();
    HRESULT FinalConstruct();
    void FinalRelease();
    HRESULT QueryInterfaceImpl(REFIID iid, void** out);
    platform::ConnectionPoint* const* ConnectionPointArray(size_t& count);

    // MapServices
    const ViewModel& View() const override { return view_; }
    void ContentChanged() override;
    void SelectionChanged() override;
    void AnnotationAdded(IDispatch* annotation) override;
    void ShowRaster(const RasterImage& image) override;

    // RenderCallbacks
    void DrawUserLayer(Layer& layer, HDC dc, const RECT& full, const RECT& invalid) override;
    void DrawingStage(short stage) override;

    // MapWindowHandler (MapInput.cpp)
    void OnPaint(HDC dc, const RECT& client) override;
    void OnSize(int width, int height) override;
    void OnMouseDown(short button, short shift, int x, int y) override;
    void OnMouseUp(short button, short shift, int x, int y) override;
    void OnMouseMove(short button, short shift, int x, int y) override;
    void OnDoubleClick(short shift, int x, int y) override;
    void OnKeyDown(short key, short shift) override;
    void OnKeyUp(short key, short shift) override;
    void OnChar(short character) override;

    // IOleObject (MapOle.cpp)
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
    STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent, LPCRECT rect) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

    // IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override;

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG* msg) override;
    STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
    STDMETHODIMP FreezeEvents(BOOL freeze) override;

    // IViewObjectEx
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC targetDC, HDC dc,
                      LPCRECTL bounds, LPCRECTL metafileBounds, BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR),
                      ULONG_PTR contArg) override;
    STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC targetDC,
                             LOGPALETTE** colors) override;
    STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
    STDMETHODIMP Unfreeze(DWORD freeze) override;
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;
    STDMETHODIMP GetRect(DWORD aspect, LPRECTL rect) override;
    STDMETHODIMP GetViewStatus(DWORD* status) override;
    STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG closeHint, DWORD* hit) override;
    STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG closeHint, DWORD* hit) override;
    STDMETHODIMP GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, HDC targetDC,
                                  DVEXTENTINFO* info, LPSIZEL size) override;

    // IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(LPSTREAM stream) override;
    STDMETHODIMP Save(LPSTREAM stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;
    // Tells the sinks, the first time, that the map is initialised (by InitNew or Load).
    void Initialised();

    // IProvideClassInfo
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;

    // IDataObject: the map as an enhanced metafile.
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP DUnadvise(DWORD connection) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** advise) override;

    // IEngineTestHooks
    STDMETHODIMP CallCount(LONG* count) override;
    STDMETHODIMP CallText(LONG index, BSTR* text) override;
    STDMETHODIMP ClearCalls() override;
    STDMETHODIMP FireEvent(LONG dispid, LONG count, VARIANT* args) override;
    STDMETHODIMP EngineWindow(LONG_PTR* hwnd) override;
    STDMETHODIMP NewPoints(IDispatch** points) override;

private:
    // Automation members (Map.cpp).
    void GetAnnotations(Call& c);
    void GetLayers(Call& c);
    void GetZoom(Call& c);
    void PutZoom(Call& c);
    void GetCenterX(Call& c);
    void PutCenterX(Call& c);
    void GetCenterY(Call& c);
    void PutCenterY(Call& c);
    void GetPaperHeight(Call& c);
    void GetPaperWidth(Call& c);
    void GetPaperUnit(Call& c);
    void PutPaperUnit(Call& c);
    void GetDefaultStyle(Call& c);
    void PutDefaultStyle(Call& c);
    void GetCurrentTool(Call& c);
    void PutCurrentTool(Call& c);
    void GetDatasets(Call& c);
    void GetMapUnit(Call& c);
    void PutMapUnit(Call& c);
    void GetBounds(Call& c);
    void PutBounds(Call& c);
    void GetDisplayCoordSys(Call& c);
    void PutDisplayCoordSys(Call& c);
    void GetNumericCoordSys(Call& c);
    void PutNumericCoordSys(Call& c);
    void GetSelectionStyle(Call& c);
    void PutSelectionStyle(Call& c);
    void ConvertCoord(Call& c);
    void ZoomTo(Call& c);
    void CreateCustomTool(Call& c);
    void Distance(Call& c);
    void PrintMap(Call& c);
    // Logs the graticule's step of a drawing of the view at `width` x `height` pixels.
    void LogGraticule(const wchar_t* member, int width, int height) const;
    void ExportMap(Call& c);
    void SetSize(Call& c);
    void GetFeatureFactory(Call& c);
    void GetScreenWidth(Call& c);
    void GetScreenHeight(Call& c);
    void GetWindowHandle(Call& c);
    void Refresh(Call& c);
    void PutAutoRedraw(Call& c);
    void Repaint();

    // View changes (fire MapViewChanged and repaint).
    void ViewChanged();
    // Draws the map into `device` pixels of `dc` with the view sized to it for the duration.
    void RenderInto(HDC dc, const RECT& device);
    void Activate(IOleClientSite* site, HWND parentHint, LPCRECT rectHint);

    // Tools (MapInput.cpp).
    enum class Gesture { None, Click, Drag, Poly };
    Gesture GestureOf(long tool) const;
    bool IsKnownTool(long tool) const;
    bool FireToolUsed(long tool, POINT from, POINT to, short shift);
    void FinishClick(long tool, POINT at, short shift);
    void FinishDrag(long tool, POINT from, POINT to, short shift);
    void FinishPolygon(long flags, short shift);
    void SelectWhere(const std::function<bool(const GeoRect&)>& inside, bool add);
    void AddFeatureByTool(long tool, FeatureRecord record, short shift);
    XYList PolygonInDegrees() const;

    FaultSwitches faults_;
    ViewModel view_;
    MapWindow window_;
    platform::ConnectionPoint eventsPoint_;
    platform::ConnectionPoint* points_[1];
    MapEvents events_;

    platform::ComPtr<Layers> layers_;
    platform::ComPtr<Annotations> annotations_;
    platform::ComPtr<Datasets> datasets_;
    platform::ComPtr<FeatureFactory> featureFactory_;
    platform::ComPtr<Style> defaultStyle_;
    platform::ComPtr<Style> selectionStyle_;
    platform::ComPtr<CoordSys> displayCoordSys_;
    platform::ComPtr<CoordSys> numericCoordSys_;

    bool autoRedraw_ = true;
    double rotation_ = 0;
    long areaUnit_ = 0;
    bool exportSelection_ = false;
    long redrawInterval_ = 0;
    std::wstring searchPath_;
    bool infotipSupport_ = true;
    long currentTool_ = 1000;
    std::map<long, short> customTools_;

    // Input state.
    bool dragging_ = false;
    POINT dragStart_ = {};
    std::vector<POINT> polygon_;

    // OLE state.
    platform::ComPtr<IOleClientSite> clientSite_;
    platform::ComPtr<IOleAdviseHolder> adviseHolder_;
    platform::ComPtr<IAdviseSink> viewSink_;
    DWORD viewSinkAspects_ = 0;
    DWORD viewSinkFlags_ = 0;
    platform::ComPtr<IOleInPlaceSite> inPlaceSite_;
    SIZEL extent_ = {};
    bool rendering_ = false;
    bool initialisedAnnounced_ = false;  // MapInitialized is fired once
};

}  // namespace mapengine
