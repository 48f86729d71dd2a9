#include "tests/datalayers/DataLayerFixture.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "platform/Result.h"

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace dltest {

ComPtr<IHostDataset> MakePointDataset(const std::vector<LatLon>& rows) {
    ComPtr<IHostDatasetSetup> setup = Create<IHostDatasetSetup>(CLSID_HostDataset);
    long position = 0;
    setup->AddField(Bstr(L"Latitude").Get(), 13, &position);
    setup->AddField(Bstr(L"Longitude").Get(), 12, &position);
    setup->AddField(Bstr(L"Name").Get(), 6, &position);
    setup->AddField(Bstr(L"Level").Get(), 3, &position);
    for (const LatLon& r : rows) {
        long row = 0;
        setup->AddRow(&row);
        setup->SetValue(row, Variant(L"Latitude"), Variant(r.lat));
        setup->SetValue(row, Variant(L"Longitude"), Variant(r.lon));
        setup->SetValue(row, Variant(L"Name"), Variant(L"r" + std::to_wstring(row)));
        setup->SetValue(row, Variant(L"Level"), Variant(row));
    }
    ComPtr<IHostDataset> dataset;
    setup.As(dataset);
    return dataset;
}

ComPtr<IHostDatasetSetup> SetupOf(IHostDataset* dataset) {
    ComPtr<IHostDatasetSetup> setup;
    dataset->QueryInterface(__uuidof(IHostDatasetSetup), setup.PutVoid());
    return setup;
}

ComPtr<IHostField> Field(IHostDataset* dataset, const wchar_t* name) {
    ComPtr<IHostFields> fields;
    dataset->get_Fields(fields.Put());
    ComPtr<IHostField> field;
    fields->Item(Variant(name), field.Put());
    return field;
}

void SelectRows(IHostDataset* dataset, const std::vector<long>& rows) {
    ComPtr<IHostStringList> selection;
    dataset->get_SelectedRows(selection.Put());
    Variant missing;
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    for (long row : rows) selection->Add(Variant(row), missing, missing);
}

ComPtr<IHostRendererTest> RendererSettings(REFCLSID clsid) { return Create<IHostRendererTest>(clsid); }

ComPtr<IHostRenderer> Renderer(REFCLSID clsid) { return Create<IHostRenderer>(clsid); }

std::vector<std::wstring> CallLines(IUnknown* standIn) {
    std::vector<std::wstring> lines;
    ComPtr<IHostCallLog> log;
    if (!standIn || FAILED(standIn->QueryInterface(__uuidof(IHostCallLog), log.PutVoid()))) return lines;
    long count = 0;
    log->get_CallCount(&count);
    for (long i = 0; i < count; ++i) {
        Bstr line;
        log->CallAt(i, line.Put());
        lines.push_back(line.Wide());
    }
    return lines;
}

void DataLayerTest::SetUp() {
    LayerTest::SetUp();
    ShowView(400, 300, {10.0, 50.2, 10.4, 49.9});
}

void DataLayerTest::ShowView(int width, int height, const ZmaExtent& wanted) {
    view_ = {0, 0, width, height};
    EngineDispatch map(map_.Get());
    map.Call(42, {Variant(static_cast<long>(width)), Variant(static_cast<long>(height))});
    ComPtr<IDispatch> rectangle;
    CLSID rectangleClass;
    ASSERT_EQ(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass), S_OK);
    ASSERT_EQ(::CoCreateInstance(rectangleClass, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid()), S_OK);
    EngineDispatch(rectangle.Get())
        .Call(Engine::Rectangle::kSet, {Variant(wanted.left), Variant(wanted.bottom), Variant(wanted.right), Variant(wanted.top)});
    map.Put(Engine::Map::kBounds, Variant(rectangle.Get()));
}

ZmaExtent DataLayerTest::ViewExtent() const {
    Variant bounds = EngineDispatch(map_.Get()).Get(Engine::Map::kBounds);
    EngineDispatch r(bounds.pdispVal);
    return {r.Get(Engine::Rectangle::kXMin).ToDouble(), r.Get(Engine::Rectangle::kYMax).ToDouble(),
            r.Get(Engine::Rectangle::kXMax).ToDouble(), r.Get(Engine::Rectangle::kYMin).ToDouble()};
}

POINT DataLayerTest::EnginePixel(double lon, double lat) const {
    float sx = 0, sy = 0;
    double x = lon, y = lat;
    VARIANT args[5];
    args[0].vt = VT_R4 | VT_BYREF;
    args[0].pfltVal = &sx;
    args[1].vt = VT_R4 | VT_BYREF;
    args[1].pfltVal = &sy;
    args[2].vt = VT_R8 | VT_BYREF;
    args[2].pdblVal = &x;
    args[3].vt = VT_R8 | VT_BYREF;
    args[3].pdblVal = &y;
    args[4].vt = VT_I2;
    args[4].iVal = 0;
    EngineDispatch(map_.Get()).CallWith(Engine::Map::kConvertCoord, args, 5);
    return {static_cast<long>(sx), static_cast<long>(sy)};
}

}  // namespace dltest
