// Initialising the control fresh or from a saved stream, the stream format, and engine events
// reaching the control once it is initialised.
#include "tests/control/ControlFixture.h"
#include "tests/support/TestSupport.h"

#include <vector>

using namespace controltest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

Variant GetProperty(IDispatch* object, DISPID id) {
    Variant v;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr), S_OK) << id;
    return v;
}

void PutProperty(IDispatch* object, DISPID id, const Variant& value) {
    Variant arg(value);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&arg, &put, 1, 1};
    ASSERT_EQ(object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), S_OK) << id;
}

Variant CallMethod(IDispatch* object, DISPID id, std::vector<Variant> args) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    Variant v;
    EXPECT_EQ(object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, v.Put(), nullptr,
                             nullptr),
              S_OK);
    return v;
}

// Names of the engine's layers, top first.
std::vector<std::wstring> EngineLayerNames(IDispatch* control) {
    std::vector<std::wstring> names;
    Variant layers = GetProperty(control, 5);
    long count = GetProperty(layers.pdispVal, 1).ToLong();
    for (long i = 1; i <= count; ++i) {
        Variant layer = CallMethod(layers.pdispVal, 6, {Variant(i)});
        names.push_back(GetProperty(layer.pdispVal, 1).ToWide());
    }
    return names;
}

bool EndsWith(const std::wstring& s, const std::wstring& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

ComPtr<IStream> StreamOf(const std::vector<BYTE>& bytes) {
    ComPtr<IStream> stream;
    ::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
    ULONG written = 0;
    if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    return stream;
}

std::vector<BYTE> BytesOf(IStream* stream) {
    STATSTG stat = {};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::vector<BYTE> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    if (!bytes.empty()) stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    return bytes;
}

// The engine's own map object, as a host reaches it through the control's MapX property (the
// control's own members shadow engine members with the same DISPIDs).
ComPtr<IDispatch> EngineMapOf(IUnknown* control) {
    ComPtr<IDispatch> map;
    EXPECT_EQ(As<IZmaVadAZ>(control)->get_MapX(map.Put()), S_OK);
    return map;
}

class ControlInit : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CreateControl(control_), S_OK);
        map_ = EngineMapOf(control_.Get());
        ASSERT_TRUE(map_);
    }
    IDispatch* Dispatch() { return map_.Get(); }
    ComPtr<IPersistStreamInit> Persist() { return As<IPersistStreamInit>(control_.Get()); }
    ComPtr<IUnknown> control_;
    ComPtr<IDispatch> map_;
};

TEST_F(ControlInit, InitNewPreparesFolderToolsEngineAndTheAnnotationsLayer) {
    ComPtr<IEngineTestHooks> hooks = EngineHooks(control_.Get());
    hooks->ClearCalls();
    ASSERT_EQ(Persist()->InitNew(), S_OK);

    ComPtr<IDispatch> map = map_;
    EXPECT_TRUE(EndsWith(GetProperty(map.Get(), 56).ToWide(), L"\\D4Oze2"));
    EXPECT_EQ(GetProperty(map.Get(), 55).ToLong(), 500);
    EXPECT_FALSE(GetProperty(map.Get(), 63).ToBool());
    EXPECT_EQ(GetProperty(GetProperty(map.Get(), 33).pdispVal, 10).ToLong(), 2);
    EXPECT_TRUE(EngineLogContains(hooks.Get(), L"Map.CreateCustomTool(36) call I2:1 I2:4"));
    EXPECT_TRUE(EngineLogContains(hooks.Get(), L"Map.CreateCustomTool(36) call I2:3 I2:1"));
    EXPECT_TRUE(EngineLogContains(hooks.Get(), L"Map.CreateCustomTool(36) call I2:4 I2:5"));

    auto names = EngineLayerNames(map.Get());
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names[0], L"Annotations");

    // The host's profile component was asked to open the current profile for this control.
    ComPtr<IHostCallLog> profile;
    ASSERT_EQ(::CoCreateInstance(CLSID_HostProfileComponent, nullptr, CLSCTX_INPROC_SERVER, IID_IHostCallLog,
                                 profile.PutVoid()),
              S_OK);
    BSTR text = nullptr;
    profile->get_CallText(&text);
    EXPECT_NE(Bstr::Attach(text).Wide().find(L"OpenProfile(%##CurrentSettings##%"), std::wstring::npos);

    EXPECT_EQ(Persist()->InitNew(), E_UNEXPECTED);
}

TEST_F(ControlInit, SaveWritesTheCountThenUtf16SettingsWithTheirZero) {
    ASSERT_EQ(Persist()->InitNew(), S_OK);
    ComPtr<IStream> stream;
    ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    ASSERT_EQ(Persist()->Save(stream.Get(), TRUE), S_OK);
    std::vector<BYTE> bytes = BytesOf(stream.Get());
    ASSERT_GT(bytes.size(), 6u);
    ULONG count = 0;
    memcpy(&count, bytes.data(), 4);
    EXPECT_EQ(count, bytes.size() - 4);
    EXPECT_EQ(count % 2, 0u);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 4), (count - 2) / 2);
    EXPECT_EQ(bytes[bytes.size() - 1], 0);
    EXPECT_EQ(bytes[bytes.size() - 2], 0);
    EXPECT_EQ(text.find(L"<mapsettings"), 0u);
    EXPECT_EQ(text.size(), wcslen(text.c_str()));  // one terminating zero, at the end

    EXPECT_EQ(Persist()->Save(nullptr, TRUE), E_INVALIDARG);
}

TEST_F(ControlInit, LoadRestoresTheViewAndLayersIntoANewControl) {
    ASSERT_EQ(Persist()->InitNew(), S_OK);
    PutProperty(Dispatch(), 7, Variant(1234.5));
    // The map's imagery takes the zoom to the scale of a tile level.
    const double zoom = GetProperty(Dispatch(), 7).ToDouble();
    ComPtr<IStream> stream;
    ::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
    ASSERT_EQ(Persist()->Save(stream.Get(), TRUE), S_OK);
    auto savedNames = EngineLayerNames(Dispatch());

    ComPtr<IUnknown> second;
    ASSERT_EQ(CreateControl(second), S_OK);
    ComPtr<IPersistStreamInit> persist = As<IPersistStreamInit>(second.Get());
    ASSERT_EQ(persist->Load(StreamOf(BytesOf(stream.Get())).Get()), S_OK);
    ComPtr<IDispatch> map = EngineMapOf(second.Get());
    // Loaded, the view is snapped once more, which moves a snapped zoom by less than 1 %.
    EXPECT_NEAR(GetProperty(map.Get(), 7).ToDouble(), zoom, zoom * 0.01);
    EXPECT_EQ(EngineLayerNames(map.Get()), savedNames);
    EXPECT_TRUE(EndsWith(GetProperty(map.Get(), 56).ToWide(), L"\\D4Oze2"));
    EXPECT_EQ(persist->InitNew(), E_UNEXPECTED);
    // Loading again over layers is allowed.
    EXPECT_EQ(persist->Load(StreamOf(BytesOf(stream.Get())).Get()), S_OK);
}

TEST_F(ControlInit, LoadAfterInitNewIsAllowedOverItsLayers) {
    ASSERT_EQ(Persist()->InitNew(), S_OK);
    ComPtr<IStream> stream;
    ::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
    ASSERT_EQ(Persist()->Save(stream.Get(), TRUE), S_OK);
    EXPECT_EQ(Persist()->Load(StreamOf(BytesOf(stream.Get())).Get()), S_OK);
}

TEST(ControlLoad, BadStreamsGiveAnInitialisedDefaultMapAndSOk) {
    auto countOnly = [](ULONG count, size_t extraBytes) {
        std::vector<BYTE> bytes(4 + extraBytes, 'a');
        memcpy(bytes.data(), &count, 4);
        return bytes;
    };
    struct Case {
        const char* what;
        std::vector<BYTE> bytes;
        bool corrupt;
    } cases[] = {
        {"truncated", countOnly(100, 10), true},
        {"odd", countOnly(7, 7), true},
        {"huge", countOnly(0x7FFFFFFF, 16), true},
        {"all ones", countOnly(0xFFFFFFFF, 16), true},
        {"zero", countOnly(0, 0), false},
        {"no count", {}, false},
        {"not xml", countOnly(8, 8), false},
    };
    for (const Case& c : cases) {
        ComPtr<IUnknown> control;
        ASSERT_EQ(CreateControl(control), S_OK);
        ComPtr<IPersistStreamInit> persist = As<IPersistStreamInit>(control.Get());
        HRESULT hr = persist->Load(StreamOf(c.bytes).Get());
        // A damaged map must not fail the host's whole document: the damage is only logged.
        EXPECT_EQ(hr, S_OK) << c.what << (c.corrupt ? " (corrupt)" : "");
        ComPtr<IDispatch> map = EngineMapOf(control.Get());
        EXPECT_TRUE(EndsWith(GetProperty(map.Get(), 56).ToWide(), L"\\D4Oze2")) << c.what;
        EXPECT_EQ(GetProperty(map.Get(), 6).boolVal, VARIANT_TRUE) << c.what << ": the map redraws by itself again";
    }
    ComPtr<IUnknown> control;
    ASSERT_EQ(CreateControl(control), S_OK);
    EXPECT_EQ(As<IPersistStreamInit>(control.Get())->Load(nullptr), S_OK);
}

TEST_F(ControlInit, EngineEventsReachTheControlOnceInitialised) {
    ComPtr<IEngineTestHooks> hooks = EngineHooks(control_.Get());
    ASSERT_EQ(Persist()->InitNew(), S_OK);
    PutProperty(Dispatch(), 20, Variant(static_cast<long>(VO_MAP_TOOL_SELECT)));

    // A left click with the select tool: the control reads the tool and converts the position.
    hooks->ClearCalls();
    VARIANT down[4];
    for (VARIANT& v : down) ::VariantInit(&v);
    down[0].vt = VT_I2; down[0].iVal = 1;
    down[1].vt = VT_I2; down[1].iVal = 0;
    down[2].vt = VT_R4; down[2].fltVal = 20;
    down[3].vt = VT_R4; down[3].fltVal = 30;
    ASSERT_EQ(hooks->FireEvent(-605, 4, down), S_OK);
    EXPECT_TRUE(EngineLogContains(hooks.Get(), L"Map.CurrentTool(20) get"));
    EXPECT_TRUE(EngineLogContains(hooks.Get(), L"Map.ConvertCoord(34) call")) << platform::ToAnsi(LastEngineCall(hooks.Get()));

    // A draw request: the control asks for the four corners and gives the context back as it was.
    hooks->ClearCalls();
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::SetViewportOrgEx(dc, 30, 40, nullptr);
    Variant layers = GetProperty(Dispatch(), 5);
    Variant layer = CallMethod(layers.pdispVal, 6, {Variant(1L)});
    Variant rect = GetProperty(Dispatch(), 29);  // the map's bounds object stands in for a rectangle
    VARIANT draw[5];
    for (VARIANT& v : draw) ::VariantInit(&v);
    draw[0] = layer.Detach();
    draw[1].vt = VT_I4; draw[1].lVal = static_cast<LONG>(reinterpret_cast<intptr_t>(dc));
    draw[2] = draw[1];
    draw[3].vt = VT_DISPATCH; draw[3].pdispVal = rect.pdispVal; rect.pdispVal->AddRef();
    draw[4].vt = VT_DISPATCH; draw[4].pdispVal = rect.pdispVal; rect.pdispVal->AddRef();
    ASSERT_EQ(hooks->FireEvent(10, 5, draw), S_OK);
    for (VARIANT& v : draw) ::VariantClear(&v);
    LONG calls = 0;
    hooks->CallCount(&calls);
    int conversions = 0;
    for (LONG i = 0; i < calls; ++i) {
        BSTR t = nullptr;
        hooks->CallText(i, &t);
        if (Bstr::Attach(t).Wide().find(L"Map.ConvertCoord(34) call") != std::wstring::npos) ++conversions;
    }
    EXPECT_EQ(conversions, 4);
    POINT origin = {};
    ::GetViewportOrgEx(dc, &origin);
    EXPECT_EQ(origin.x, 30);
    EXPECT_EQ(origin.y, 40);
    ::DeleteDC(dc);

    // After Close the control no longer listens.
    As<IOleObject>(control_.Get())->Close(OLECLOSE_NOSAVE);
    hooks->ClearCalls();
    ASSERT_EQ(hooks->FireEvent(-605, 4, down), S_OK);
    EXPECT_FALSE(EngineLogContains(hooks.Get(), L"Map.ConvertCoord(34) call"));
}

TEST_F(ControlInit, AFeatureAddedWithAnAnnotationToolRedrawsTheInsertionLayer) {
    ComPtr<IEngineTestHooks> hooks = EngineHooks(control_.Get());
    ASSERT_EQ(Persist()->InitNew(), S_OK);
    PutProperty(Dispatch(), 20, Variant(static_cast<long>(VO_MAP_TOOL_SYMBOL)));

    VARIANT added[6];
    for (VARIANT& v : added) ::VariantInit(&v);
    added[0].vt = VT_I2; added[0].iVal = static_cast<short>(VO_MAP_TOOL_SYMBOL);
    added[1].vt = VT_I4; added[1].lVal = 1;  // the feature was added
    added[2].vt = VT_DISPATCH; added[2].pdispVal = nullptr;
    for (int i = 3; i < 6; ++i) {
        added[i].vt = VT_BOOL;
        added[i].boolVal = VARIANT_FALSE;
    }
    hooks->ClearCalls();
    ASSERT_EQ(hooks->FireEvent(16, 6, added), S_OK);
    EXPECT_TRUE(EngineLogContains(hooks.Get(), L"Map.CurrentTool(20) get"));
    EXPECT_TRUE(EngineLogContains(hooks.Get(), L"Layer.Invalidate(23) call")) << platform::ToAnsi(LastEngineCall(hooks.Get()));

    // Any other tool leaves the layers alone.
    PutProperty(Dispatch(), 20, Variant(static_cast<long>(VO_MAP_TOOL_SELECT)));
    hooks->ClearCalls();
    ASSERT_EQ(hooks->FireEvent(16, 6, added), S_OK);
    EXPECT_FALSE(EngineLogContains(hooks.Get(), L"Layer.Invalidate(23) call"));
}

}  // namespace
