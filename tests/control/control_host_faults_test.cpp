// Faults a host meets when it drives the control the way real hosts do: omitted optional
// arguments, error information, a changed dataset, handlers that tear the control down, extreme
// settings, failed loads and damaged streams.
#include "tests/datalayers/DisplayFixture.h"
#include "tests/support/DialogAnswerer.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/MarkerData.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TestSite.h"
#include "tests/support/Watchdog.h"

#include "MapEngine.h"

#include "platform/Xml.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

using namespace displaytest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
using testsupport::DibCanvas;

namespace {

const wchar_t kSeries[] = L"{F1000000-0000-0000-0000-000000000001}";
const wchar_t kOtherSeries[] = L"{F2000000-0000-0000-0000-000000000002}";

enum : DISPID {
    kLoadFromXML = 0xE,
    kSaveToXML = 0xD,
    kEventSelectionChanged = 1,
    kEventSeriesRemoved = 2,
    kEventLayerVisibilityChanged = 5,
    kEventCurrentToolChanged = 3,
    kEventEnhancedDrawingModeChanged = 10,
    kEventUnitsChanged = 12,
    kEventSyncZoom = 13,
    // Menu commands the control's window takes.
    kCommandSelectTool = 32774,
    kCommandEnhancedDrawing = 32885,
    kCommandSyncZoomAll = 32888,
};

// Sends a menu command to the control's window, as its context menu does.
HRESULT SendCommand(IDispatch* control, UINT command) {
    Variant map;
    if (FAILED(Invoke(control, kMapX, DISPATCH_PROPERTYGET, {}, &map)) || map.vt != VT_DISPATCH) return E_FAIL;
    Variant window;
    if (FAILED(Invoke(map.pdispVal, -515 /* the window handle */, DISPATCH_PROPERTYGET, {}, &window))) return E_FAIL;
    HWND handle = reinterpret_cast<HWND>(static_cast<LONG_PTR>(window.ToLong()));
    if (!::IsWindow(handle)) return E_FAIL;
    ::SendMessageW(handle, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    return S_OK;
}

ComPtr<IDispatch> PointDataset(long rows = 20) {
    return NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, rows);
}

// The host's generated drive test: rows along a route, with a renderer and field styles.
ComPtr<IDispatch> SampleDataset(long rows, double bounds[4] = nullptr) {
    CLSID sampleClass;
    EXPECT_EQ(::CLSIDFromProgID(L"VadazHost.SampleDataset", &sampleClass), S_OK);
    ComPtr<IHostSampleDataset> sample;
    EXPECT_EQ(::CoCreateInstance(sampleClass, nullptr, CLSCTX_INPROC_SERVER, IID_IHostSampleDataset, sample.PutVoid()),
              S_OK);
    if (!sample) return nullptr;
    sample->put_RowCount(rows);
    double ignored[4];
    double* b = bounds ? bounds : ignored;
    sample->GetRouteBounds(&b[0], &b[1], &b[2], &b[3]);
    ComPtr<IDispatch> dataset;
    sample->QueryInterface(IID_IDispatch, dataset.PutVoid());
    return dataset;
}

// The description of the thread's error information, or "<none>".
std::wstring CallerErrorText() {
    ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.Put()) != S_OK || !info) return L"<none>";
    BSTR text = nullptr;
    info->GetDescription(&text);
    return Bstr::Attach(text).Wide();
}

// Leaves error information on the thread, as an earlier call of anyone may have.
void LeaveStaleErrorInfo() {
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(::CreateErrorInfo(create.Put()), S_OK);
    create->SetDescription(const_cast<LPOLESTR>(L"stale text"));
    ComPtr<IErrorInfo> info;
    create->QueryInterface(IID_IErrorInfo, info.PutVoid());
    ::SetErrorInfo(0, info.Get());
}

POINT ToScreen(IDispatch* map, double longitude, double latitude) {
    float x = 0, y = 0;
    VARIANT args[5];
    args[4].vt = VT_R4 | VT_BYREF; args[4].pfltVal = &x;
    args[3].vt = VT_R4 | VT_BYREF; args[3].pfltVal = &y;
    args[2].vt = VT_R8 | VT_BYREF; args[2].pdblVal = &longitude;
    args[1].vt = VT_R8 | VT_BYREF; args[1].pdblVal = &latitude;
    args[0].vt = VT_I2; args[0].iVal = 0;  // map to screen
    DISPPARAMS params = {args, nullptr, 5, 0};
    EXPECT_EQ(map->Invoke(34, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    return {static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y))};
}

// A control in a site, initialised and shown, as a form hosts it.
class SitedControl : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        site_ = platform::MakeObject<testsupport::TestSite>(kWidth, kHeight);
        ole_ = platform::ComPtr<IOleObject>();
        control_->QueryInterface(IID_IOleObject, ole_.PutVoid());
        ASSERT_EQ(ole_->SetClientSite(site_.Get()), S_OK);
        Initialise();
        RECT r = site_->Rect();
        ASSERT_EQ(ole_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, site_->Window(), &r), S_OK);
    }
    void TearDown() override {
        if (ole_) {
            ole_->Close(OLECLOSE_NOSAVE);
            ole_->SetClientSite(nullptr);
        }
        ole_.Reset();
        DisplayTest::TearDown();
    }

    static constexpr int kWidth = 400, kHeight = 300;
    ComPtr<testsupport::TestSite> site_;
    ComPtr<IOleObject> ole_;
};

// --- Optional arguments -------------------------------------------------------------------------

class OptionalArguments : public DisplayTest {};

TEST_F(OptionalArguments, RemoveDatasetTakesTheSeriesAloneAndThenTellsNobody) {
    Initialise();
    ComPtr<IDispatch> dataset = PointDataset();
    ASSERT_EQ(Display(dataset.Get(), Text(L"RxLev"), kSeries), S_OK);
    events_->Take();

    // A script leaves the notify flag out: the call passes one argument.
    EXPECT_EQ(Call(Control(), kRemoveDataset, {Text(kSeries)}), S_OK);
    std::wstring name;
    EXPECT_EQ(Description(kSeries, name), DISP_E_BADINDEX) << "the series is gone";
    EXPECT_FALSE(events_->Saw(std::wstring(L"2:") + kSeries)) << "an omitted flag is false";
}

// --- Error information ---------------------------------------------------------------------------

class ErrorInformation : public DisplayTest {};

TEST_F(ErrorInformation, EachFailureLeavesItsOwnTextOrNone) {
    Initialise();
    // Initialising succeeds and leaves nothing behind for the next caller.
    EXPECT_EQ(CallerErrorText(), L"<none>");

    ComPtr<IZmaVadAZ2> typed;
    ASSERT_EQ(control_->QueryInterface(IID_IZmaVadAZ2, typed.PutVoid()), S_OK);
    BSTR description = nullptr;
    LeaveStaleErrorInfo();
    EXPECT_EQ(typed->GetAttributeDescriptionFromGUID(Bstr(L"{unknown}").Get(), &description), DISP_E_BADINDEX);
    EXPECT_EQ(CallerErrorText(), L"No series {unknown} is on the map");

    LeaveStaleErrorInfo();
    EXPECT_EQ(typed->GetAttributeDescriptionFromGUID(Bstr(kSeries).Get(), nullptr), E_INVALIDARG);
    EXPECT_EQ(CallerErrorText(), L"No place was given for the description");

    LeaveStaleErrorInfo();
    EXPECT_EQ(typed->DisplayDataset(nullptr, Variant(L"RxLev"), Bstr(kSeries).Get()), E_INVALIDARG);
    EXPECT_EQ(CallerErrorText(), L"No dataset was given");

    LeaveStaleErrorInfo();
    EXPECT_EQ(typed->LoadFromXML(nullptr), E_POINTER);
    EXPECT_EQ(CallerErrorText(), L"No XML node was given for the map settings.");

    LeaveStaleErrorInfo();
    EXPECT_TRUE(FAILED(typed->SetOverviewRegion(95.0, 0.0, 1.0, 1.0)));
    EXPECT_EQ(CallerErrorText(), L"Latitude out of range, must be in the range -90 to +90");

    // Through IDispatch, as scripts call: the exception carries the member's own text.
    LeaveStaleErrorInfo();
    Variant out;
    EXCEPINFO exception = {};
    VARIANT arg;
    ::VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = ::SysAllocString(L"{unknown}");
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    HRESULT hr = Control()->Invoke(kGetAttributeDescription, IID_NULL, 0, DISPATCH_METHOD, &params, out.Put(),
                                   &exception, nullptr);
    ::VariantClear(&arg);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_TRUE(!exception.bstrDescription || std::wstring(exception.bstrDescription) != L"stale text");
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);

    // A success leaves nothing either.
    LeaveStaleErrorInfo();
    EXPECT_EQ(Put(Control(), kScreenUpdating, Variant(true)), S_OK);
    EXPECT_EQ(CallerErrorText(), L"<none>");
}

TEST_F(ErrorInformation, MembersUsedBeforeTheMapIsInitialisedSaySoInOneText) {
    ComPtr<IZmaVadAZ2> map;
    ASSERT_EQ(control_->QueryInterface(IID_IZmaVadAZ2, map.PutVoid()), S_OK);
    const Variant lat(50.0), lon(10.0), radius(100L), colour(0xFF0000L);
    Bstr tip(L"tip"), series(kSeries);
    VARIANT_BOOL shown = VARIANT_FALSE;
    struct Member {
        const char* name;
        std::function<HRESULT()> call;
        HRESULT refusal = E_UNEXPECTED;
    };
    const Member members[] = {
        {"SelectByRadius", [&] { return map->SelectByRadius(lat, lon, radius); }},
        {"DrawCircle", [&] { return map->DrawCircle(50, 10, radius, 2, 0, colour, tip.Get()); }},
        {"DrawSpotlightPie", [&] { return map->DrawSpotlightPie(50, 10, radius, 0, 90, colour, 0.5, tip.Get()); }},
        {"DrawFilledDonutSegment",
         [&] { return map->DrawFilledDonutSegment(50, 10, radius, radius, 0, 90, colour, 0.5, tip.Get()); }},
        {"ClearShapes", [&] { return map->ClearShapes(); }},
        {"ShowDirection", [&] { return map->ShowDirection(VARIANT_TRUE); }},
        {"IsDirectionShown", [&] { return map->IsDirectionShown(&shown); }},
        {"ToggleLines", [&] { return map->ToggleLines(VARIANT_TRUE, 2); }},
        {"RemoveDataset", [&] { return map->RemoveDataset(series.Get(), Variant(true)); }},
        // The data layer's label and tooltip members answer E_FAIL, with the same text.
        {"SetTooltipExpressionForDataLayer",
         [&] { return map->SetTooltipExpressionForDataLayer(series.Get(), tip.Get()); }, E_FAIL},
        {"SetLabelExpressionForDataLayer",
         [&] { return map->SetLabelExpressionForDataLayer(series.Get(), tip.Get()); }, E_FAIL},
        {"SetLabelVisibleForDataLayer",
         [&] { return map->SetLabelVisibleForDataLayer(series.Get(), VARIANT_TRUE); }, E_FAIL},
    };
    for (const Member& member : members) {
        LeaveStaleErrorInfo();
        EXPECT_EQ(member.call(), member.refusal) << member.name;
        EXPECT_EQ(CallerErrorText(), L"The map has not been initialised: it has no layers yet.") << member.name;
    }

    // A node without map settings is refused with its own text.
    Initialise();
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    VARIANT_BOOL parsed = VARIANT_FALSE;
    document->loadXML(Bstr(L"<host><other/></host>").Get(), &parsed);
    ComPtr<IXMLDOMElement> root;
    document->get_documentElement(root.Put());
    LeaveStaleErrorInfo();
    EXPECT_EQ(map->LoadFromXML(root.Get()), E_FAIL);
    EXPECT_EQ(CallerErrorText(), L"The node holds no \"mapsettings\" element.");
}

// --- A changed dataset ---------------------------------------------------------------------------

class ChangedDataset : public SitedControl {};

TEST_F(ChangedDataset, NotifyChangeDrawsTheAddedRowInTheNextFrame) {
    double route[4];
    ComPtr<IDispatch> dataset = SampleDataset(300, route);
    const double minLon = route[0], minLat = route[1], maxLon = route[2], maxLat = route[3];
    ASSERT_EQ(Display(dataset.Get(), Text(L"RxLev"), kSeries), S_OK);

    // The whole route in view.
    ComPtr<IDispatch> map = EngineMap();
    const double miles = (maxLon - minLon) * 69.17 * std::cos((minLat + maxLat) / 2 * 3.14159265 / 180) * 1.5;
    ASSERT_EQ(Call(map.Get(), 35, {Variant(miles), Variant((minLon + maxLon) / 2), Variant((minLat + maxLat) / 2)}), S_OK);
    DibCanvas canvas(kWidth, kHeight, false);
    ASSERT_EQ(canvas.DrawView(control_.Get()), S_OK);

    // A pixel with no symbol within 8 pixels, inside the route's box: the new row goes there.
    const COLORREF symbol = RGB(255, 0, 0);  // the stand-in renderer's colour for code 0
    auto clearAround = [&](POINT p) {
        for (int dy = -8; dy <= 8; ++dy)
            for (int dx = -8; dx <= 8; ++dx)
                if (canvas.Pixel(p.x + dx, p.y + dy) == symbol) return false;
        return true;
    };
    bool found = false;
    double newLongitude = 0, newLatitude = 0;
    POINT added = {};
    for (int i = 1; i < 10 && !found; ++i) {
        for (int j = 1; j < 10 && !found; ++j) {
            newLongitude = minLon + (maxLon - minLon) * i / 10;
            newLatitude = minLat + (maxLat - minLat) * j / 10;
            added = ToScreen(map.Get(), newLongitude, newLatitude);
            found = added.x > 10 && added.y > 10 && added.x < kWidth - 10 && added.y < kHeight - 10 && clearAround(added);
        }
    }
    ASSERT_TRUE(found) << "a free place inside the route's box";

    ComPtr<IHostDatasetSetup> setup;
    ASSERT_EQ(dataset->QueryInterface(IID_IHostDatasetSetup, setup.PutVoid()), S_OK);
    long row = 0;
    ASSERT_EQ(setup->AddRow(&row), S_OK);
    SetValue(dataset.Get(), row, L"Latitude", Variant(newLatitude));
    SetValue(dataset.Get(), row, L"Longitude", Variant(newLongitude));
    EXPECT_EQ(Call(Control(), kNotifyChange, {Text(kSeries), Variant(0L), Variant(static_cast<IDispatch*>(nullptr)),
                                              Missing()}),
              S_OK);

    ASSERT_EQ(canvas.DrawView(control_.Get()), S_OK);
    EXPECT_EQ(canvas.Pixel(added.x, added.y), symbol) << "the new row is drawn without a pan";
}

// --- Handlers that tear the control down ---------------------------------------------------------

enum class Teardown { Release, PreDestroy, RemoveSeries };

// Does one thing to the control in the first handler of one event, on one event interface.
class TearingSink : public platform::ComObject<TearingSink, IDispatch> {
public:
    HRESULT QueryInterfaceImpl(REFIID iid, void** out) {
        if (IsEqualIID(iid, events)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return InternalQueryInterface(iid, out);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        if (id != trigger || done || !control) return S_OK;
        done = true;
        switch (action) {
        case Teardown::Release:
            control.Reset();
            break;
        case Teardown::PreDestroy: {
            ComPtr<IZmaVadAZ> typed;
            control->QueryInterface(IID_IZmaVadAZ, typed.PutVoid());
            results.push_back(typed->PreDestroy());
            break;
        }
        case Teardown::RemoveSeries: {
            ComPtr<IDispatch> dispatch;
            control->QueryInterface(IID_IDispatch, dispatch.PutVoid());
            results.push_back(Call(dispatch.Get(), kRemoveDataset, {Text(kSeries), Variant(true)}));
            results.push_back(Call(dispatch.Get(), kRemoveDataset, {Text(kOtherSeries), Variant(true)}));
            break;
        }
        }
        return S_OK;
    }

    IID events = DIID__IZmaVOMapXEvents2;
    DISPID trigger = 0;
    Teardown action = Teardown::Release;
    bool done = false;
    ComPtr<IUnknown> control;
    std::vector<HRESULT> results;
};

enum : DISPID {
    kEventGetField = 4,
    kEventMarkerChanged = 6,
    kEventFeatureSelected = 11,
    kShowDirection = 0x2D,
    kDrawLineBetweenCellSectors = 0x67,
    kEventEditAttributes = 7,
    kBatchPrint = 0x5D,
    kBatchPrintAttributesButton = 6,
};
const wchar_t kSiteSeries[] = L"{F3000000-0000-0000-0000-0000000000C1}";
// The points show another field than the route: each layer has an engine layer of its own name.
const wchar_t kOtherField[] = L"Longitude";

ComPtr<IDispatch> EngineMapOf(IDispatch* control) {
    Variant map;
    Invoke(control, kMapX, DISPATCH_PROPERTYGET, {}, &map);
    return ComPtr<IDispatch>(map.vt == VT_DISPATCH ? map.pdispVal : nullptr);
}

HWND EngineWindowOf(IDispatch* control) {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(Get(EngineMapOf(control).Get(), -515).ToLong()));
}

// Posts mouse or key messages to the engine's window, as the user makes them, and dispatches
// them. The window is found first: a handler may release the control on the first message.
void Gesture(IDispatch* control, std::initializer_list<std::pair<UINT, POINT>> messages) {
    const HWND window = EngineWindowOf(control);
    for (const auto& m : messages) {
        const bool key = m.first == WM_KEYDOWN || m.first == WM_KEYUP;
        ::PostMessageW(window, m.first, key ? m.second.x : (m.first == WM_LBUTTONUP ? 0 : MK_LBUTTON),
                       key ? 0 : MAKELPARAM(m.second.x, m.second.y));
        testsupport::PumpMessages();
    }
}

void Click(IDispatch* control, POINT at) { Gesture(control, {{WM_LBUTTONDOWN, at}, {WM_LBUTTONUP, at}}); }

// The map centred on the rows of PointDataset, a mile across, and drawn once: the hit tests
// use the view of the last frame.
void ShowPointRows(IDispatch* control, long tool) {
    ComPtr<IDispatch> map = EngineMapOf(control);
    Call(map.Get(), 35, {Variant(1.0), Variant(10.004), Variant(50.004)});
    Put(map.Get(), 20, Variant(tool));
    DibCanvas canvas(200, 150, false);
    canvas.DrawView(control);
}

HRESULT DropMarker(IDispatch* control, POINT at) {
    auto data = platform::MakeObject<testsupport::MarkerData>(testsupport::MarkerData::Payload(7, 0, "seven"));
    ComPtr<IUnknown> unknown;
    data->QueryInterface(IID_IUnknown, unknown.PutVoid());
    ComPtr<IZmaVadAZ2> typed;
    control->QueryInterface(IID_IZmaVadAZ2, typed.PutVoid());
    return typed->HandleDragDrop(unknown.Get(), at.x, at.y);
}

// A marker dropped at (60, 60) and selected with the select tool.
void SelectedMarker(IDispatch* control) {
    ComPtr<IZmaVadAZMarkerHandling> markers;
    control->QueryInterface(IID_IZmaVadAZMarkerHandling, markers.PutVoid());
    markers->OpenMarkerLayer(VARIANT_FALSE);
    ShowPointRows(control, VO_MAP_TOOL_SELECT);
    DropMarker(control, {60, 60});
    Click(control, {60, 60});
}

// Two cell sites and a line between their sectors across the view, drawn once.
void SectorLine(IDispatch* control) {
    ShowPointRows(control, VO_MAP_TOOL_SELECT);
    ComPtr<IDispatch> sites = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Azimuth", 5}, {L"ElementHandle", 3}}, 2);
    for (long row = 0; row < 2; ++row) {
        SetValue(sites.Get(), row, L"Latitude", Variant(50.0 + row * 0.008));
        SetValue(sites.Get(), row, L"Longitude", Variant(10.0 + row * 0.008));
        SetValue(sites.Get(), row, L"ElementHandle", Variant(row + 1));
    }
    ComPtr<IZmaVadAZ2> typed;
    control->QueryInterface(IID_IZmaVadAZ2, typed.PutVoid());
    typed->CreateMultiDMapping(sites.Get(), Bstr(kSiteSeries).Get(), FieldConfiguration(L"CellRefs", {L"Azimuth"}).Get());
    Variant index;
    Call(control, kDrawLineBetweenCellSectors, {Text(kSiteSeries), Variant(0L), Text(kSiteSeries), Variant(1L), Variant(2L),
                                                Variant(0L), Variant(0L), Text(L"handover"), Variant(false), Variant(0.5)},
         &index);
    DibCanvas canvas(200, 150, false);
    canvas.DrawView(control);
}

// The middle of the sector line: sector symbols stand 6 pixels above their sites.
POINT SectorLineMiddle(IDispatch* control) {
    ComPtr<IDispatch> map = EngineMapOf(control);
    const POINT a = ToScreen(map.Get(), 10.0, 50.0), b = ToScreen(map.Get(), 10.008, 50.008);
    return {(a.x + b.x) / 2, (a.y + b.y) / 2 - 6};
}

struct Trigger {
    const char* what;
    DISPID event;
    bool bothInterfaces;  // the event reaches _IZmaVOMapXEvents too
    // Runs before the sink connects, on a map that shows the sample route (kSeries) and the
    // points of PointDataset (kOtherSeries).
    std::function<void(IDispatch*)> prepare;
    std::function<void(IDispatch*, IDispatch* otherDataset)> run;
};

class ReentrantHandlers : public ::testing::Test {};

TEST_F(ReentrantHandlers, EveryEventSurvivesReleasePreDestroyAndRemoval) {
    const auto nothing = [](IDispatch*) {};
    const Trigger triggers[] = {
        {"SeriesRemoved from RemoveDataset", kEventSeriesRemoved, true, nothing,
         [](IDispatch* c, IDispatch*) { Call(c, kRemoveDataset, {Text(kSeries), Variant(true)}); }},
        {"LayerVisibilityChanged from DisplayDataset", kEventLayerVisibilityChanged, false,
         [](IDispatch* c) { Call(c, kRemoveDataset, {Text(kOtherSeries), Variant(false)}); },
         [](IDispatch* c, IDispatch* other) { Call(c, kDisplayDataset, {Variant(other), Text(kOtherField), Text(kOtherSeries)}); }},
        {"LayerVisibilityChanged from SetDatasetVisible", kEventLayerVisibilityChanged, false, nothing,
         [](IDispatch* c, IDispatch*) { Call(c, kSetDatasetVisible, {Text(kSeries), Variant(0L)}); }},
        {"CurrentToolChanged from the select-tool command", kEventCurrentToolChanged, true, nothing,
         [](IDispatch* c, IDispatch*) { SendCommand(c, kCommandSelectTool); }},
        {"EnhancedDrawingModeChanged from its command", kEventEnhancedDrawingModeChanged, false, nothing,
         [](IDispatch* c, IDispatch*) { SendCommand(c, kCommandEnhancedDrawing); }},
        {"SyncZoom from its command", kEventSyncZoom, false, nothing,
         [](IDispatch* c, IDispatch*) { SendCommand(c, kCommandSyncZoomAll); }},
        {"UnitsChanged from Units", kEventUnitsChanged, false, nothing,
         [](IDispatch* c, IDispatch*) { Put(c, kUnits, Text(L"Kilometre")); }},
        {"SelectionChanged from the rectangle tool", kEventSelectionChanged, true, nothing,
         [](IDispatch* c, IDispatch*) {
             ComPtr<IEngineTestHooks> hooks;
             c->QueryInterface(__uuidof(IEngineTestHooks), hooks.PutVoid());
             Variant values[9] = {Variant(static_cast<short>(VO_MAP_TOOL_RECTANGLE_SELECT)), Variant(-180.0), Variant(89.0),
                                  Variant(180.0), Variant(-89.0), Variant(0.0), Variant(false), Variant(false),
                                  Variant(true)};
             VARIANT args[9];
             for (int i = 0; i < 9; ++i) {
                 ::VariantInit(&args[i]);
                 ::VariantCopy(&args[i], &values[i]);
             }
             hooks->FireEvent(3, 9, args);
             for (VARIANT& a : args) ::VariantClear(&a);
         }},
        {"SelectionChanged from a click", kEventSelectionChanged, true,
         [](IDispatch* c) { ShowPointRows(c, VO_MAP_TOOL_SELECT); },
         [](IDispatch* c, IDispatch*) { Click(c, ToScreen(EngineMapOf(c).Get(), 10.004, 50.004)); }},
        {"GetField while ShowDirection builds the arrows", kEventGetField, true, nothing,
         [](IDispatch* c, IDispatch*) { Call(c, kShowDirection, {Variant(true)}); }},
        // The points have no distances: their arrows are built again in every frame.
        {"GetField while a frame draws", kEventGetField, true,
         [](IDispatch* c) { Call(c, kShowDirection, {Variant(true)}); },
         [](IDispatch* c, IDispatch*) { DibCanvas(200, 150, false).DrawView(c); }},
        {"MarkerChanged from a drop", kEventMarkerChanged, false,
         [](IDispatch* c) {
             ComPtr<IZmaVadAZMarkerHandling> markers;
             c->QueryInterface(IID_IZmaVadAZMarkerHandling, markers.PutVoid());
             markers->OpenMarkerLayer(VARIANT_FALSE);
         },
         [](IDispatch* c, IDispatch*) { DropMarker(c, {80, 80}); }},
        {"MarkerChanged from a drag", kEventMarkerChanged, false, SelectedMarker,
         [](IDispatch* c, IDispatch*) {
             Gesture(c, {{WM_LBUTTONDOWN, {60, 60}}, {WM_MOUSEMOVE, {120, 90}}, {WM_LBUTTONUP, {120, 90}}});
         }},
        {"MarkerChanged from the Delete key", kEventMarkerChanged, false, SelectedMarker,
         [](IDispatch* c, IDispatch*) { Gesture(c, {{WM_KEYDOWN, {VK_DELETE, 0}}, {WM_KEYUP, {VK_DELETE, 0}}}); }},
        {"FeatureSelected from a click on a sector line", kEventFeatureSelected, false, SectorLine,
         [](IDispatch* c, IDispatch*) { Click(c, SectorLineMiddle(c)); }},
        // The dialog goes on after the handler: it lists the layers again and is cancelled.
        {"EditAttributes from the batch dialog's Attributes", kEventEditAttributes, false, nothing,
         [](IDispatch* c, IDispatch*) {
             testsupport::DialogAnswerer* answerer = testsupport::DialogAnswerer::Current();
             answerer->SetAction([](HWND dialog) {
                 ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kBatchPrintAttributesButton, BN_CLICKED), 0);
                 ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
             });
             EXPECT_EQ(Call(c, kBatchPrint, {}), S_OK);
             answerer->SetAction(nullptr);
         }},
    };
    const std::pair<Teardown, const char*> actions[] = {
        {Teardown::Release, "release"}, {Teardown::PreDestroy, "PreDestroy"}, {Teardown::RemoveSeries, "remove"}};

    for (const Trigger& trigger : triggers) {
        for (const IID* events : {&DIID__IZmaVOMapXEvents2, &DIID__IZmaVOMapXEvents}) {
            if (events == &DIID__IZmaVOMapXEvents && !trigger.bothInterfaces) continue;
            for (const auto& action : actions) {
                SCOPED_TRACE(std::string(trigger.what) + " / " + action.second +
                             (events == &DIID__IZmaVOMapXEvents ? " / first interface" : ""));
                ComPtr<IUnknown> control;
                ASSERT_EQ(::CoCreateInstance(CLSID_VadAZ2, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                             control.PutVoid()),
                          S_OK);
                // In a form: the menu commands and the user's input reach the control through its window.
                auto site = platform::MakeObject<testsupport::TestSite>(200, 150);
                ComPtr<IOleObject> ole;
                control->QueryInterface(IID_IOleObject, ole.PutVoid());
                ASSERT_EQ(ole->SetClientSite(site.Get()), S_OK);
                ComPtr<IPersistStreamInit> persist;
                control->QueryInterface(IID_IPersistStreamInit, persist.PutVoid());
                ASSERT_EQ(persist->InitNew(), S_OK);
                RECT r = site->Rect();
                ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, site->Window(), &r), S_OK);
                ComPtr<IDispatch> dispatch;
                control->QueryInterface(IID_IDispatch, dispatch.PutVoid());
                ASSERT_EQ(Put(dispatch.Get(), kEnhancedDrawingMode, Variant(false)), S_OK);
                ComPtr<IDispatch> dataset = SampleDataset(200), other = PointDataset(10);
                ASSERT_EQ(Call(dispatch.Get(), kDisplayDataset, {Variant(dataset.Get()), Text(L"RxLev"), Text(kSeries)}), S_OK);
                ASSERT_EQ(Call(dispatch.Get(), kDisplayDataset, {Variant(other.Get()), Text(kOtherField), Text(kOtherSeries)}),
                          S_OK);
                trigger.prepare(dispatch.Get());

                ComPtr<TearingSink> sink = platform::MakeObject<TearingSink>();
                sink->events = *events;
                sink->trigger = trigger.event;
                sink->action = action.first;
                ComPtr<IConnectionPointContainer> container;
                control->QueryInterface(IID_IConnectionPointContainer, container.PutVoid());
                ComPtr<IConnectionPoint> point;
                ASSERT_EQ(container->FindConnectionPoint(*events, point.Put()), S_OK);
                DWORD cookie = 0;
                ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
                sink->control = control;

                if (action.first == Teardown::Release) {
                    // The handler holds the last reference: the operation must finish on its own.
                    IDispatch* raw = dispatch.Get();
                    ole.Reset();
                    point.Reset();
                    container.Reset();
                    persist.Reset();
                    dispatch.Reset();
                    control.Reset();
                    trigger.run(raw, other.Get());
                    testsupport::PumpMessages();
                    EXPECT_TRUE(sink->done) << "the event fired";
                    EXPECT_FALSE(sink->control) << "the handler released the control";
                    EXPECT_EQ(sink->RefCount(), 1) << "the control and its connection points are gone";
                    continue;
                }

                trigger.run(dispatch.Get(), other.Get());
                testsupport::PumpMessages();
                EXPECT_TRUE(sink->done) << "the event fired";
                for (HRESULT hr : sink->results) EXPECT_TRUE(hr == S_OK || hr == S_FALSE || hr == E_UNEXPECTED) << std::hex << hr;
                // The control still answers, draws and saves.
                DibCanvas canvas(200, 150, false);
                EXPECT_EQ(canvas.DrawView(control.Get()), S_OK);
                ComPtr<IStream> stream;
                ::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
                EXPECT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
                point->Unadvise(cookie);
                sink->control.Reset();
                ole->Close(OLECLOSE_NOSAVE);
                ole->SetClientSite(nullptr);
                ComPtr<IZmaVadAZ> typed;
                control->QueryInterface(IID_IZmaVadAZ, typed.PutVoid());
                typed->PreDestroy();
            }
        }
    }
}

// --- Settings the engine cannot show -------------------------------------------------------------

ComPtr<IXMLDOMDocument2> SettingsDocument(const std::wstring& attributes) {
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    VARIANT_BOOL ok = VARIANT_FALSE;
    std::wstring text = L"<host><mapsettings " + attributes + L"/></host>";
    document->loadXML(Bstr(text).Get(), &ok);
    EXPECT_EQ(ok, VARIANT_TRUE);
    return document;
}

ComPtr<IDispatch> HostNode(IXMLDOMDocument2* document) {
    ComPtr<IXMLDOMElement> root;
    document->get_documentElement(root.Put());
    ComPtr<IDispatch> node;
    root->QueryInterface(IID_IDispatch, node.PutVoid());
    return node;
}

// A saved stream of the control's format holding the settings element given as text.
ComPtr<IStream> SettingsStream(const std::wstring& settings) {
    ComPtr<IStream> stream;
    ::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
    ULONG count = static_cast<ULONG>(settings.size() * 2 + 2);
    stream->Write(&count, 4, nullptr);
    stream->Write(settings.c_str(), count, nullptr);
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    return stream;
}

bool LogHas(IHostLogStore* store, const std::wstring& part) {
    long count = 0;
    store->get_EntryCount(&count);
    for (long i = 0; i < count; ++i) {
        BSTR message = nullptr;
        store->EntryMessage(i, &message);
        if (Bstr::Attach(message).Wide().find(part) != std::wstring::npos) return true;
    }
    return false;
}

class ExtremeSettings : public SitedControl {};

TEST_F(ExtremeSettings, NumbersOutsideWhatTheMapCanShowKeepTheDefaultsAndAreLogged) {
    testsupport::RemoveBackgroundMap(control_.Get());
    ComPtr<IDispatch> map = EngineMap();
    const double zoom = Get(map.Get(), kEngineZoom).ToDouble();
    const wchar_t* documents[] = {
        L"zoom='1e308' centerx='0' centery='0'",
        L"zoom='1e20' centerx='0' centery='0'",
        L"zoom='100' centerx='-1e308' centery='0'",
        L"zoom='NaN' centerx='NaN' centery='inf'",
        L"zoom='5abc' centerx='1,5' centery='0'",
        L"zoom='-5' centerx='0' centery='95'",
        L"zoom='0' centerx='0' centery='0' CursorPositionFormatType='1e308' overviewregionleft='-1e308'"
        L" overviewregionright='1e308' overviewregiontop='NaN' overviewregionbottom='0'",
    };
    DibCanvas canvas(kWidth, kHeight, false);
    for (const wchar_t* attributes : documents) {
        SCOPED_TRACE(platform::ToAnsi(attributes));
        logStore_->ClearEntries();
        ComPtr<IXMLDOMDocument2> document = SettingsDocument(attributes);
        EXPECT_EQ(Call(Control(), kLoadFromXML, {Variant(HostNode(document.Get()).Get())}), S_OK);
        EXPECT_TRUE(LogHas(logStore_.Get(), L"Invalid map setting"));
        EXPECT_EQ(canvas.DrawView(control_.Get()), S_OK);

        // Loaded from a stream the view is applied: the engine keeps a view it can draw.
        ComPtr<IPersistStreamInit> persist;
        control_->QueryInterface(IID_IPersistStreamInit, persist.PutVoid());
        EXPECT_EQ(persist->Load(SettingsStream(std::wstring(L"<mapsettings ") + attributes + L"/>").Get()), S_OK);
        EXPECT_EQ(Get(map.Get(), kEngineZoom).ToDouble(), zoom);
        EXPECT_EQ(Get(map.Get(), kEngineAutoRedraw).boolVal, VARIANT_TRUE);
        EXPECT_EQ(canvas.DrawView(control_.Get()), S_OK);
    }

    // A valid document still moves the view.
    ComPtr<IPersistStreamInit> persist;
    control_->QueryInterface(IID_IPersistStreamInit, persist.PutVoid());
    EXPECT_EQ(persist->Load(SettingsStream(L"<mapsettings zoom='250.5' centerx=' 8.25' centery='49.5'/>").Get()), S_OK);
    EXPECT_DOUBLE_EQ(Get(map.Get(), kEngineZoom).ToDouble(), 250.5);
}

TEST_F(ExtremeSettings, TheEngineDrawsAnyViewItAccepts) {
    ComPtr<IDispatch> map = EngineMap();
    DibCanvas canvas(kWidth, kHeight, false);
    for (double zoom : {1e300, 1e20, 1e-300}) {
        if (FAILED(Put(map.Get(), kEngineZoom, Variant(zoom)))) continue;
        EXPECT_EQ(canvas.DrawView(control_.Get()), S_OK) << zoom;
    }
}

TEST_F(ExtremeSettings, CursorFormatsOutsideTheKnownOnesKeepTheDefault) {
    auto savedFormat = [this]() {
        ComPtr<IXMLDOMDocument2> document = SettingsDocument(L"");
        ComPtr<IDispatch> node = HostNode(document.Get());
        EXPECT_EQ(Call(Control(), kSaveToXML, {Variant(node.Get())}), S_OK);
        ComPtr<IXMLDOMNode> settings;
        document->selectSingleNode(Bstr(L"host/mapsettings[@CursorPositionFormatType]").Get(), settings.Put());
        std::wstring value;
        ComPtr<IXMLDOMElement> element;
        if (settings) settings->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
        if (element) platform::GetAttribute(element.Get(), L"CursorPositionFormatType", value);
        return value;
    };
    const std::wstring initial = savedFormat();
    for (const wchar_t* format : {L"NaN", L"inf", L"-inf", L"1e308", L"-1", L"3", L"1.5", L"1abc", L"-2147483648"}) {
        ComPtr<IXMLDOMDocument2> document =
            SettingsDocument(std::wstring(L"zoom='0' centerx='0' centery='0' CursorPositionFormatType='") + format + L"'");
        EXPECT_EQ(Call(Control(), kLoadFromXML, {Variant(HostNode(document.Get()).Get())}), S_OK);
        EXPECT_EQ(savedFormat(), initial) << platform::ToAnsi(format);
    }
    ComPtr<IXMLDOMDocument2> document = SettingsDocument(L"zoom='0' centerx='0' centery='0' CursorPositionFormatType='2'");
    EXPECT_EQ(Call(Control(), kLoadFromXML, {Variant(HostNode(document.Get()).Get())}), S_OK);
    EXPECT_EQ(savedFormat(), L"2");
}

// --- Failed loads and damaged streams -----------------------------------------------------------

class DamagedStreams : public DisplayTest {};

TEST_F(DamagedStreams, ABrokenStreamGivesTheDefaultMapSOkAndAnErrorLine) {
    ComPtr<IStream> stream;
    ::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
    ULONG count = 4000;  // more than the stream holds
    stream->Write(&count, 4, nullptr);
    stream->Write(L"<mapsettings", 24, nullptr);
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);

    ComPtr<IPersistStreamInit> persist;
    control_->QueryInterface(IID_IPersistStreamInit, persist.PutVoid());
    EXPECT_EQ(persist->Load(stream.Get()), S_OK);
    EXPECT_TRUE(LogHas(logStore_.Get(), L"Error: 0x80030109"));
    ComPtr<IDispatch> map = EngineMap();
    EXPECT_EQ(Get(map.Get(), kEngineAutoRedraw).boolVal, VARIANT_TRUE);
    // The map is initialised: datasets can be shown.
    ComPtr<IDispatch> dataset = PointDataset();
    EXPECT_EQ(Display(dataset.Get(), Text(L"RxLev"), kSeries), S_OK);
}

TEST_F(DamagedStreams, AViewTheEngineRefusesStillSwitchesRedrawBackOn) {
    ComPtr<IPersistStreamInit> persist;
    control_->QueryInterface(IID_IPersistStreamInit, persist.PutVoid());
    EXPECT_EQ(persist->Load(SettingsStream(L"<mapsettings zoom='100' centerx='NaN' centery='1e308'/>").Get()), S_OK);
    EXPECT_EQ(Get(EngineMap().Get(), kEngineAutoRedraw).boolVal, VARIANT_TRUE);
}

// --- Documents that name odd paths ----------------------------------------------------------------

// A temporary folder of this test's own, which the process uses as its temporary folder while the
// test runs, so that every file the control makes there is the test's to count.
class HostileDocuments : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        systemTemp_ = temp;
        token_ = L"vzq" + std::to_wstring(::GetCurrentProcessId());
        root_ = systemTemp_ + token_;
        docs_ = root_ + L"\\docs";
        ::CreateDirectoryW(root_.c_str(), nullptr);
        ::CreateDirectoryW(docs_.c_str(), nullptr);
        ::CreateDirectoryW((root_ + L"\\D4Oze2").c_str(), nullptr);
        ::SetEnvironmentVariableW(L"TMP", root_.c_str());
        ::SetEnvironmentVariableW(L"TEMP", root_.c_str());
        // The host's print settings keep their layout documents where the host keeps them, not in
        // the temporary folder the control is given.
        ::SetEnvironmentVariableW(L"VADAZ_HOST_PACKAGE_WRITABLE",
                                  (systemTemp_ + L"VadazHostPackage\\" + std::to_wstring(::GetCurrentProcessId())).c_str());
    }
    void TearDown() override {
        ::SetEnvironmentVariableW(L"VADAZ_HOST_PACKAGE_WRITABLE", nullptr);
        ::SetEnvironmentVariableW(L"TMP", systemTemp_.c_str());
        ::SetEnvironmentVariableW(L"TEMP", systemTemp_.c_str());
        for (const auto& file : List(root_, false)) ::DeleteFileW(file.first.c_str());
        for (const std::wstring& folder : {docs_, root_ + L"\\D4Oze2", root_}) ::RemoveDirectoryW(folder.c_str());
        DisplayTest::TearDown();
    }
    void Write(const std::wstring& path, const std::string& text) {
        FILE* file = _wfopen(path.c_str(), L"wb");
        ASSERT_TRUE(file);
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    // Every file under `folder` with its size, or only the names with the test's token in them
    // (folders other programs write into too).
    std::map<std::wstring, ULONGLONG> List(const std::wstring& folder, bool onlyOurs, bool deep = true) {
        std::map<std::wstring, ULONGLONG> files;
        WIN32_FIND_DATAW found;
        HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return files;
        do {
            const std::wstring name = found.cFileName, path = folder + L"\\" + name;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (deep)
                    for (const auto& f : List(path, onlyOurs)) files.insert(f);
            } else if (!onlyOurs || name.find(token_) != std::wstring::npos) {
                files[path] = (ULONGLONG(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
            }
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
        return files;
    }
    // A control restored from a stream whose settings hold the given "Layer" elements.
    ComPtr<IUnknown> Restore(const std::wstring& layers, HRESULT& loaded) {
        ComPtr<IUnknown> control;
        EXPECT_EQ(::CoCreateInstance(CLSID_VadAZ2, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.PutVoid()), S_OK);
        ComPtr<IPersistStreamInit> persist;
        control->QueryInterface(IID_IPersistStreamInit, persist.PutVoid());
        loaded = persist->Load(SettingsStream(L"<mapsettings _Version='3'><layers>" + layers + L"</layers></mapsettings>").Get());
        return control;
    }
    static std::wstring Layer(int type, const std::wstring& spec, const std::wstring& children = L"") {
        return L"<Layer layertype='" + std::to_wstring(type) + L"' layerfilespec='" + spec +
               L"' selectable='-1' editable='-1' visible='-1' layerautolabel='0' layerdrawlabelsafter='0'"
               L" layerzoomlayering='0' layerzoommin='0' layerzoommax='0' layeroverridestyle='0'>" +
               children + L"</Layer>";
    }
    static long EngineLayerCount(IUnknown* control) {
        ComPtr<IDispatch> dispatch;
        control->QueryInterface(IID_IDispatch, dispatch.PutVoid());
        Variant map = Get(dispatch.Get(), kMapX);
        return Get(Get(map.pdispVal, kEngineLayers).pdispVal, kLayersCount).ToLong();
    }
    static void Release(ComPtr<IUnknown>& control) {
        ComPtr<IZmaVadAZ> typed;
        control->QueryInterface(IID_IZmaVadAZ, typed.PutVoid());
        typed->PreDestroy();
        typed.Reset();
        control.Reset();
    }

    std::wstring systemTemp_, token_, root_, docs_;
};

TEST_F(HostileDocuments, DevicesAndEmptyOrLongListsLoadAtOnceWithTheRefusalsLoggedAndNoBox) {
    for (int i = 0; i < 1000; ++i) Write(docs_ + L"\\t" + std::to_wstring(i) + L".tab", "!table\n");
    std::string thousand;
    for (int i = 0; i < 1000; ++i) thousand += "t" + std::to_string(i) + ".tab\r\n";
    Write(docs_ + L"\\thousand.atr", thousand);
    Write(docs_ + L"\\empty.atr", "");

    struct Case {
        int type;
        std::wstring spec;
        long engineLayers;
    };
    std::vector<Case> cases;
    for (int type : {4, 5, 8})
        for (const std::wstring& device : std::vector<std::wstring>{L"CON", L"AUX", L"NUL", L"COM1", L"LPT1", L"con.tab",
                                                                    L"C:\\data\\Aux.atr", docs_ + L"\\nul",
                                                                    docs_ + L"\\COM1.TAB", L"\\\\.\\COM1"})
            cases.push_back({type, device, 0});
    cases.push_back({8, docs_ + L"\\empty.atr", 0});
    cases.push_back({8, docs_ + L"\\thousand.atr", 1000});

    // The engine layers a map restored from a document without layers has (the imagery's).
    HRESULT loaded = E_FAIL;
    ComPtr<IUnknown> bare = Restore(L"", loaded);
    const long fixed = EngineLayerCount(bare.Get());
    Release(bare);

    testsupport::Watchdog dog(10000);
    testsupport::DialogAnswerer* boxes = testsupport::DialogAnswerer::Current();
    for (const Case& c : cases) {
        const std::string what = std::to_string(c.type) + " " + platform::ToAnsi(c.spec);
        SCOPED_TRACE(what);
        logStore_->ClearEntries();
        if (boxes) boxes->Clear();
        dog.Arm(what);
        ComPtr<IUnknown> control = Restore(Layer(c.type, c.spec), loaded);
        EXPECT_EQ(loaded, S_OK);
        EXPECT_EQ(EngineLayerCount(control.Get()), fixed + c.engineLayers);
        if (c.engineLayers == 0) {
            EXPECT_TRUE(LogHas(logStore_.Get(), c.spec.substr(c.spec.find_last_of(L"\\") + 1)));
        }
        if (boxes) {
            EXPECT_TRUE(boxes->Dialogs().empty());
        }
        Release(control);
    }
    dog.Arm("done");
}

TEST_F(HostileDocuments, NothingIsMadeOutsideTheControlsFolderAndNothingStaysAfterRelease) {
    const std::wstring t = token_;
    char current[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, current);
    const std::wstring here = platform::ToWide(current);
    Write(docs_ + L"\\" + t + L"_existing.tab", "!table\n");
    Write(docs_ + L"\\" + t + L".ini", "[section]\r\nkey=value\r\n" + platform::ToAnsi(t) + "_ini.tab\r\n");
    const std::wstring listed[] = {t + L"_missing.tab", L"..\\..\\" + t + L"_up.tab", L"C:\\windows\\system32\\" + t + L"_sys.tab",
                                   L"settings.ini", L"key=value", L"CON", t + L"_existing.tab:stream.tab"};
    std::string list;
    for (const std::wstring& entry : listed) list += platform::ToAnsi(entry) + "\r\n";
    Write(docs_ + L"\\" + t + L".atr", list);

    // The annotation table travels with files of other kinds beside it.
    std::wstring annotations;
    for (const wchar_t* name : {L"a.TAB", L"a.DAT", L"evil.exe", L"x.dll", L"run.bat", L"a.ini", L"b.IND"})
        annotations += std::wstring(L"<AnnotationFiles filename='") + name + L"' binarycontent='IXRhYmxlCg=='/>";
    std::wstring layers = Layer(6, L"", annotations);
    for (const std::wstring& spec :
         {docs_ + L"\\" + t + L"_missing.tab", docs_ + L"\\..\\..\\" + t + L"_up.tab", L"..\\..\\" + t + L"_rel.tab",
          L"C:\\windows\\system32\\" + t + L"_sys.tab", L"C:\\windows\\" + t + L"_win.tab",
          docs_ + L"\\" + t + L"_existing.tab:evil.tab", docs_ + L"\\" + t + L"_ads.tab:x", std::wstring(L"CON"),
          docs_ + L"\\NUL.tab"})
        layers += Layer(4, spec);
    layers += Layer(8, docs_ + L"\\" + t + L".atr") + Layer(8, docs_ + L"\\" + t + L".ini");

    // Folders others write into too are watched for this test's names only.
    const std::wstring elsewhere[] = {systemTemp_, here, here + L"\\..", here + L"\\..\\..", L"C:\\windows",
                                      L"C:\\windows\\system32"};
    auto outside = [&] {
        std::map<std::wstring, ULONGLONG> all;
        for (const std::wstring& folder : elsewhere)
            for (const auto& f : List(folder, true, false)) all.insert(f);
        return all;
    };
    const auto before = List(root_, false), beforeOutside = outside();

    HRESULT loaded = E_FAIL;
    ComPtr<IUnknown> control = Restore(layers, loaded);
    EXPECT_EQ(loaded, S_OK);
    // The host's temporary table: devices, pipes and streams, however spelt, are refused before
    // the engine sees them.
    ComPtr<IZmaVadAZ2> typed;
    control->QueryInterface(IID_IZmaVadAZ2, typed.PutVoid());
    for (const std::wstring& spec :
         std::vector<std::wstring>{L"COM1", docs_ + L"\\" + t + L"_existing.tab:tmp.tab", L"\\\\.\\NUL",
                                   L"\\\\srv\\\\pipe\\" + t + L".tab", L"//srv/MailSlot. /" + t + L".tab",
                                   docs_ + L"\\COM1 .tab\\."})
        EXPECT_EQ(typed->AddTemporaryTabLayer(Bstr(spec).Get()), E_INVALIDARG) << platform::ToAnsi(spec);
    EXPECT_EQ(typed->AddTemporaryTabLayer(Bstr(docs_ + L"\\" + t + L"_temporary.tab").Get()), E_FAIL);
    typed.Reset();
    EXPECT_EQ(outside(), beforeOutside);
    const auto during = List(root_, false);
    bool annotationTable = false;
    for (const auto& f : during) {
        if (before.count(f.first)) continue;
        SCOPED_TRACE(platform::ToAnsi(f.first));
        EXPECT_EQ(f.first.rfind(root_ + L"\\D4Oze2\\", 0), 0u) << "made only in the control's folder";
        // The table's files, and the placeholder that keeps its unique name taken while it lives.
        const std::wstring extension = f.first.substr(f.first.rfind(L'.'));
        EXPECT_TRUE(_wcsicmp(extension.c_str(), L".TAB") == 0 || _wcsicmp(extension.c_str(), L".DAT") == 0 ||
                    _wcsicmp(extension.c_str(), L".IND") == 0 || _wcsicmp(extension.c_str(), L".tmp") == 0);
        annotationTable = annotationTable || _wcsicmp(extension.c_str(), L".TAB") == 0;
    }
    EXPECT_TRUE(annotationTable) << "the annotation table was restored";

    Release(control);
    EXPECT_EQ(List(root_, false), before) << "nothing stays behind";
    EXPECT_EQ(outside(), beforeOutside);
}

// The engine refusing the imagery's layer: a document still loads with its other layers, and the
// failure is logged with no box, from the stream as through LoadFromXML, whether the document holds
// the imagery or the map adds it; a new map tells the user.
TEST_F(HostileDocuments, ImageryTheEngineRefusesIsLoggedWhileADocumentLoadsAndToldForANewMap) {
    const std::wstring failed = L"Failed to initialize the BackgroundMap layer";
    Write(docs_ + L"\\roads.tab", "!table\n");
    const std::wstring table = Layer(4, docs_ + L"\\roads.tab");
    const std::wstring imagery = L"<Layer layertype='15' layerfilespec='' visible='-1' MapType='0'/>";
    testsupport::DialogAnswerer* boxes = testsupport::DialogAnswerer::Current();
    ASSERT_TRUE(boxes);
    struct RefusedUserDrawLayers {
        RefusedUserDrawLayers() { ::SetEnvironmentVariableW(L"VADAZ_ENGINE_FAULTS", L"fail-userdraw"); }
        ~RefusedUserDrawLayers() { ::SetEnvironmentVariableW(L"VADAZ_ENGINE_FAULTS", nullptr); }
    } refused;

    for (const std::wstring& layers : {table, table + imagery}) {
        for (bool fromXml : {false, true}) {
            SCOPED_TRACE(platform::ToAnsi(layers) + (fromXml ? " through LoadFromXML" : " from the stream"));
            logStore_->ClearEntries();
            boxes->Clear();
            HRESULT loaded = E_FAIL;
            ComPtr<IUnknown> control = Restore(fromXml ? L"" : layers, loaded);
            EXPECT_EQ(loaded, S_OK);
            if (fromXml) {
                // A map loaded without layers takes a document's layers.
                ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
                VARIANT_BOOL parsed = VARIANT_FALSE;
                document->loadXML(Bstr(L"<host><mapsettings _Version='3'><layers>" + layers + L"</layers></mapsettings></host>").Get(),
                                  &parsed);
                ComPtr<IDispatch> dispatch;
                control->QueryInterface(IID_IDispatch, dispatch.PutVoid());
                EXPECT_EQ(Call(dispatch.Get(), kLoadFromXML, {Variant(HostNode(document.Get()).Get())}), S_OK);
            }
            EXPECT_EQ(EngineLayerCount(control.Get()), 1) << "the table's layer";
            EXPECT_TRUE(LogHas(logStore_.Get(), failed));
            EXPECT_TRUE(boxes->Dialogs().empty());
            Release(control);
        }
    }

    logStore_->ClearEntries();
    boxes->Clear();
    ComPtr<IUnknown> fresh;
    ASSERT_EQ(::CoCreateInstance(CLSID_VadAZ2, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, fresh.PutVoid()), S_OK);
    ComPtr<IPersistStreamInit> persist;
    fresh->QueryInterface(IID_IPersistStreamInit, persist.PutVoid());
    EXPECT_EQ(persist->InitNew(), E_FAIL);
    ASSERT_EQ(boxes->Dialogs().size(), 1u);
    EXPECT_EQ(boxes->Dialogs()[0].text, failed);
    EXPECT_TRUE(LogHas(logStore_.Get(), failed));
    Release(fresh);
}

}  // namespace
