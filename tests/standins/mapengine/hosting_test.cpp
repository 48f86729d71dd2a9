// The map as an OLE control: interfaces, in-place activation, drawing, persistence, the type
// library the container reads event types from, and the fault switches.
#include "tests/standins/mapengine/EngineFixture.h"

#include "platform/UniqueHandle.h"

#include <olectl.h>

namespace enginetest {
namespace {

TEST(MapHosting, AnswersTheControlInterfacesAndNothingElse) {
    ComPtr<IUnknown> map = CreateMap();
    ASSERT_TRUE(map);
    const IID* present[] = {&IID_IDispatch, &DIID_DMap, &IID_IOleObject, &IID_IOleInPlaceObject, &IID_IOleWindow,
                            &IID_IOleControl, &IID_IViewObject, &IID_IViewObject2, &IID_IViewObjectEx,
                            &IID_IPersistStreamInit, &IID_IPersist, &IID_IConnectionPointContainer,
                            &IID_IProvideClassInfo, &IID_IDataObject};
    for (const IID* iid : present) {
        ComPtr<IUnknown> p;
        EXPECT_EQ(map->QueryInterface(*iid, p.PutVoid()), S_OK) << platform::ToAnsi(platform::GuidToString(*iid));
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(map->QueryInterface(IID_IPersistPropertyBag, none.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(map->QueryInterface(IID_IOleInPlaceActiveObject, none.PutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(none);

    ComPtr<IProvideClassInfo> info;
    ASSERT_EQ(map->QueryInterface(IID_IProvideClassInfo, info.PutVoid()), S_OK);
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(info->GetClassInfo(coclass.Put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, CLSID_EngineMap));
    coclass->ReleaseTypeAttr(attr);
}

TEST(MapHosting, RegisteredTypeLibraryDeclaresTheEventTypes) {
    ComPtr<ITypeLib> library;
    ASSERT_EQ(::LoadRegTypeLib(LIBID_MapEngine, 4, 0, 0, library.Put()), S_OK);
    ComPtr<ITypeInfo> events;
    ASSERT_EQ(library->GetTypeInfoOfGuid(DIID_DMapEvents, events.Put()), S_OK);
    struct Expected {
        const wchar_t* name;
        std::vector<VARTYPE> params;  // VT_BYREF marks a pointer parameter
    } expected[] = {
        {L"MouseDown", {VT_I2, VT_I2, VT_R4, VT_R4}},
        {L"KeyDown", {VT_I2 | VT_BYREF, VT_I2}},
        {L"ToolUsed", {VT_I2, VT_R8, VT_R8, VT_R8, VT_R8, VT_R8, VT_BOOL, VT_BOOL, VT_BOOL | VT_BYREF}},
        {L"DrawUserLayer", {VT_DISPATCH, VT_I4, VT_I4, VT_DISPATCH, VT_DISPATCH}},
        {L"PolyToolUsed", {VT_I2, VT_I4, VT_DISPATCH, VT_BOOL, VT_BOOL, VT_BOOL | VT_BYREF}},
        {L"MapDraw", {VT_I2}},
    };
    for (const Expected& e : expected) {
        DISPID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(e.name);
        ASSERT_EQ(events->GetIDsOfNames(&name, 1, &id), S_OK);
        ComPtr<ITypeInfo2> info2;
        ASSERT_EQ(events.As(info2), S_OK);
        UINT index = 0;
        ASSERT_EQ(info2->GetFuncIndexOfMemId(id, INVOKE_FUNC, &index), S_OK);
        FUNCDESC* f = nullptr;
        ASSERT_EQ(events->GetFuncDesc(index, &f), S_OK);
        ASSERT_EQ(static_cast<size_t>(f->cParams), e.params.size()) << platform::ToAnsi(e.name);
        for (SHORT i = 0; i < f->cParams; ++i) {
            const TYPEDESC& t = f->lprgelemdescParam[i].tdesc;
            VARTYPE vt = t.vt == VT_PTR ? static_cast<VARTYPE>(t.lptdesc->vt | VT_BYREF) : t.vt;
            EXPECT_EQ(vt, e.params[i]) << platform::ToAnsi(e.name) << " parameter " << i;
        }
        events->ReleaseFuncDesc(f);
    }
}

TEST(MapHosting, InPlaceActivationMakesTheEngineWindowTheFirstChildAndCloseDestroysIt) {
    ComPtr<IUnknown> map = CreateMap();
    ComPtr<TestContainer> container = platform::MakeObject<TestContainer>(300, 200);
    ComPtr<IOleObject> ole;
    ASSERT_EQ(map->QueryInterface(IID_IOleObject, ole.PutVoid()), S_OK);
    ASSERT_EQ(ole->SetClientSite(container.Get()), S_OK);
    RECT pos = container->Position();
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, container.Get(), 0, container->Window(), &pos), S_OK);

    HWND engine = ::GetWindow(container->Window(), GW_CHILD);
    LONG_PTR reported = 0;
    Hooks(map.Get())->EngineWindow(&reported);
    EXPECT_EQ(engine, reinterpret_cast<HWND>(reported));
    EXPECT_EQ(Number(Get(MapDispatch(map.Get()).Get(), DISPID_HWND)), static_cast<double>(reinterpret_cast<LONG_PTR>(engine)));
    RECT client;
    ::GetClientRect(engine, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    EXPECT_FLOAT_EQ(static_cast<float>(Number(Get(MapDispatch(map.Get()).Get(), map::kScreenWidth))), 300.0f);

    // The container resizes the map; the view follows the window.
    ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(map->QueryInterface(IID_IOleInPlaceObject, inPlace.PutVoid()), S_OK);
    RECT bigger = {10, 20, 410, 270};
    EXPECT_EQ(inPlace->SetObjectRects(&bigger, &bigger), S_OK);
    EXPECT_FLOAT_EQ(static_cast<float>(Number(Get(MapDispatch(map.Get()).Get(), map::kScreenHeight))), 250.0f);

    EXPECT_EQ(ole->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_FALSE(::IsWindow(engine));
    EXPECT_EQ(::GetWindow(container->Window(), GW_CHILD), ::FindWindowExW(container->Window(), nullptr, L"STATIC", nullptr));
    ole->SetClientSite(nullptr);
}

int CALLBACK CountRecord(HDC, HANDLETABLE*, const ENHMETARECORD*, int, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return 1;
}

int CountEmfRecords(HENHMETAFILE emf) {
    int count = 0;
    ::EnumEnhMetaFile(nullptr, emf, &CountRecord, &count, nullptr);
    return count;
}

TEST(MapHosting, DrawsIntoAMemoryDCAndIntoAnEnhancedMetafile) {
    ComPtr<IUnknown> map = CreateMap();
    ComPtr<IViewObjectEx> view;
    ASSERT_EQ(map->QueryInterface(IID_IViewObjectEx, view.PutVoid()), S_OK);

    platform::UniqueCreatedDC memory(::CreateCompatibleDC(nullptr));
    BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), 200, -100, 1, 32}};
    void* bits = nullptr;
    platform::UniqueHBitmap bitmap(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    platform::SelectObjectRestorer select(memory.Get(), bitmap.Get());
    ::PatBlt(memory.Get(), 0, 0, 200, 100, BLACKNESS);
    RECTL bounds = {0, 0, 200, 100};
    ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory.Get(), &bounds, nullptr, nullptr, 0), S_OK);
    // A light background everywhere, not black.
    COLORREF corner = ::GetPixel(memory.Get(), 3, 3);
    EXPECT_GT(GetRValue(corner) + GetGValue(corner) + GetBValue(corner), 600);

    HDC emfDc = ::CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(emfDc);
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, emfDc, &bounds, nullptr, nullptr, 0), S_OK);
    platform::UniqueHEnhMetaFile emf(::CloseEnhMetaFile(emfDc));
    ASSERT_TRUE(emf);
    EXPECT_GT(CountEmfRecords(emf.Get()), 4);

    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, &bounds, nullptr, nullptr, 0), E_INVALIDARG);
}

TEST(MapHosting, PrintMapDrawsOnlyInsideItsRectangle) {
    ComPtr<IUnknown> map = CreateMap();
    platform::UniqueCreatedDC memory(::CreateCompatibleDC(nullptr));
    BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), 300, -300, 1, 32}};
    void* bits = nullptr;
    platform::UniqueHBitmap bitmap(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    platform::SelectObjectRestorer select(memory.Get(), bitmap.Get());
    ::PatBlt(memory.Get(), 0, 0, 300, 300, BLACKNESS);
    const int dpi = ::GetDeviceCaps(memory.Get(), LOGPIXELSX);
    // 100 x 50 pixels at (50, 60), given in 0.01 mm.
    auto mm = [dpi](int px) { return static_cast<long>(MulDiv(px, 2540, dpi)); };
    long hdc = static_cast<long>(reinterpret_cast<LONG_PTR>(memory.Get()));
    Call(MapDispatch(map.Get()).Get(), map::kPrintMap, {Variant(hdc), Variant(mm(50)), Variant(mm(60)), Variant(mm(100)), Variant(mm(50))});
    EXPECT_NE(::GetPixel(memory.Get(), 100, 85) & 0xFFFFFF, 0u);
    EXPECT_EQ(::GetPixel(memory.Get(), 40, 85) & 0xFFFFFF, 0u);
    EXPECT_EQ(::GetPixel(memory.Get(), 100, 55) & 0xFFFFFF, 0u);
    EXPECT_EQ(::GetPixel(memory.Get(), 155, 85) & 0xFFFFFF, 0u);
    EXPECT_EQ(::GetPixel(memory.Get(), 100, 115) & 0xFFFFFF, 0u);
}

TEST(MapHosting, PersistsTheViewThroughAStream) {
    ComPtr<IUnknown> first = CreateMap();
    Call(MapDispatch(first.Get()).Get(), map::kZoomTo, {Variant(42.0), Variant(-3.5), Variant(40.25)});
    ComPtr<IStream> stream;
    ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    ComPtr<IPersistStreamInit> save;
    ASSERT_EQ(first->QueryInterface(IID_IPersistStreamInit, save.PutVoid()), S_OK);
    ASSERT_EQ(save->Save(stream.Get(), TRUE), S_OK);

    ComPtr<IUnknown> second = CreateMap();
    ComPtr<EventSink> sink = platform::MakeObject<EventSink>();
    SinkConnection connection(second.Get(), sink.Get());
    ComPtr<IPersistStreamInit> load;
    ASSERT_EQ(second->QueryInterface(IID_IPersistStreamInit, load.PutVoid()), S_OK);
    EXPECT_EQ(load->InitNew(), S_OK);
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(load->Load(stream.Get()), S_OK);
    EXPECT_EQ(sink->Of(13).size(), 1u) << "MapInitialized, once";
    ComPtr<IDispatch> d = MapDispatch(second.Get());
    EXPECT_DOUBLE_EQ(Number(Get(d.Get(), map::kZoom)), 42.0);
    EXPECT_DOUBLE_EQ(Number(Get(d.Get(), map::kCenterX)), -3.5);

    // Garbage is refused without touching the view.
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    stream->Write("garbage garbage garbage garbage garbage garbage", 48, nullptr);
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    EXPECT_TRUE(FAILED(load->Load(stream.Get())));
    EXPECT_DOUBLE_EQ(Number(Get(d.Get(), map::kZoom)), 42.0);
}

TEST(MapHosting, FaultSwitchesAreReadAtEachCreation) {
    {
        ScopedEnvironment faults(L"VADAZ_ENGINE_FAULTS", L"no-viewobjectex, no-persiststreaminit");
        ComPtr<IUnknown> map = CreateMap();
        ComPtr<IUnknown> p;
        EXPECT_EQ(map->QueryInterface(IID_IViewObjectEx, p.PutVoid()), E_NOINTERFACE);
        EXPECT_EQ(map->QueryInterface(IID_IPersistStreamInit, p.PutVoid()), E_NOINTERFACE);
        EXPECT_EQ(map->QueryInterface(IID_IOleObject, p.PutVoid()), S_OK);
        EXPECT_EQ(map->QueryInterface(IID_IViewObject2, p.PutVoid()), S_OK);
    }
    {
        ScopedEnvironment faults(L"VADAZ_ENGINE_FAULTS", L"no-oleobject");
        ComPtr<IUnknown> map = CreateMap();
        ComPtr<IUnknown> p;
        EXPECT_EQ(map->QueryInterface(IID_IOleObject, p.PutVoid()), E_NOINTERFACE);
        EXPECT_EQ(map->QueryInterface(IID_IViewObjectEx, p.PutVoid()), S_OK);
    }
    {
        ScopedEnvironment faults(L"VADAZ_ENGINE_FAULTS", L"fail-create=0x80070005");
        HRESULT hr = S_OK;
        ComPtr<IUnknown> map = CreateMap(&hr);
        EXPECT_EQ(hr, E_ACCESSDENIED);
        EXPECT_FALSE(map);
    }
    ComPtr<IUnknown> healthy = CreateMap();
    ComPtr<IUnknown> p;
    EXPECT_EQ(healthy->QueryInterface(IID_IViewObjectEx, p.PutVoid()), S_OK);
}

TEST(MapHosting, RegistrationNamesTheProjectionListFolder) {
    wchar_t folder[MAX_PATH] = {};
    DWORD size = sizeof folder;
    ASSERT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\MapInfo\\MapX\\4.0", L"CommonDLLDir", RRF_RT_REG_SZ,
                             nullptr, folder, &size),
              ERROR_SUCCESS);
    std::wstring path = std::wstring(folder) + L"\\Mapinfow.prj";
    FILE* file = _wfopen(path.c_str(), L"rb");
    ASSERT_TRUE(file) << platform::ToAnsi(path);
    char line[400];
    ASSERT_TRUE(fgets(line, sizeof line, file));
    EXPECT_STREQ(line, "\"--- Longitude / Latitude ---\"\n");
    ASSERT_TRUE(fgets(line, sizeof line, file));
    EXPECT_EQ(line[0], '"');
    fclose(file);
}

}  // namespace
}  // namespace enginetest
