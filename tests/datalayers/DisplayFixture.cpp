#include "tests/datalayers/DisplayFixture.h"

#include "tests/support/DialogAnswerer.h"

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace displaytest {

Variant Missing() {
    Variant v;
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

Variant Text(const wchar_t* text) { return Variant(std::wstring(text)); }

HRESULT Invoke(IDispatch* object, DISPID id, WORD flags, std::vector<Variant> args, Variant* result) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    Variant ignored;
    EXCEPINFO exception = {};
    HRESULT hr = object->Invoke(id, IID_NULL, 0, flags, &params, result ? result->Put() : ignored.Put(), &exception,
                                nullptr);
    // A failing member reaches a dispatch caller as an exception that carries its code.
    if (hr == DISP_E_EXCEPTION && FAILED(exception.scode)) hr = exception.scode;
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    return hr;
}

HRESULT Call(IDispatch* object, DISPID id, std::vector<Variant> args, Variant* result) {
    return Invoke(object, id, DISPATCH_METHOD, std::move(args), result);
}

HRESULT Put(IDispatch* object, DISPID id, const Variant& value) {
    return Invoke(object, id, DISPATCH_PROPERTYPUT, {value});
}

Variant Get(IDispatch* object, DISPID id) {
    Variant v;
    EXPECT_EQ(Invoke(object, id, DISPATCH_PROPERTYGET, {}, &v), S_OK) << id;
    return v;
}

HRESULT PutEngineBounds(IDispatch* engineMap, double xmin, double ymin, double xmax, double ymax) {
    CLSID rectangleClass;
    ComPtr<IDispatch> rectangle;
    HRESULT hr = ::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass);
    if (SUCCEEDED(hr)) hr = ::CoCreateInstance(rectangleClass, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid());
    if (SUCCEEDED(hr)) hr = Call(rectangle.Get(), 7, {Variant(xmin), Variant(ymin), Variant(xmax), Variant(ymax)});
    return SUCCEEDED(hr) ? Put(engineMap, kEngineBounds, Variant(rectangle.Get())) : hr;
}

ComPtr<IDispatch> NewDataset(const std::vector<std::pair<std::wstring, long>>& fields, long rows) {
    ComPtr<IHostDatasetSetup> setup;
    EXPECT_EQ(::CoCreateInstance(CLSID_HostDataset, nullptr, CLSCTX_INPROC_SERVER, IID_IHostDatasetSetup,
                                 setup.PutVoid()),
              S_OK);
    bool positions = false;
    for (const auto& field : fields) {
        long position = 0;
        Bstr key(field.first);
        EXPECT_EQ(setup->AddField(key.Get(), field.second, &position), S_OK);
        if (field.first == L"Latitude") positions = true;
    }
    for (long row = 0; row < rows; ++row) {
        long added = 0;
        setup->AddRow(&added);
        if (positions) {
            setup->SetValue(row, Text(L"Latitude"), Variant(50.0 + row * 0.001));
            setup->SetValue(row, Text(L"Longitude"), Variant(10.0 + row * 0.001));
        }
    }
    ComPtr<IDispatch> dataset;
    setup->QueryInterface(IID_IDispatch, dataset.PutVoid());
    return dataset;
}

void SetValue(IDispatch* dataset, long row, const wchar_t* field, const Variant& value) {
    ComPtr<IHostDatasetSetup> setup;
    ASSERT_EQ(dataset->QueryInterface(IID_IHostDatasetSetup, setup.PutVoid()), S_OK);
    ASSERT_EQ(setup->SetValue(row, Text(field), value), S_OK);
}

namespace {

ComPtr<IHostDataset> Typed(IDispatch* dataset) {
    ComPtr<IHostDataset> typed;
    EXPECT_EQ(dataset->QueryInterface(IID_IHostDataset, typed.PutVoid()), S_OK);
    return typed;
}

void AddLongName(IHostPropertyCollection* properties, const wchar_t* text) {
    ASSERT_TRUE(properties);
    ASSERT_EQ(properties->Add(Text(text), Text(L"LongName"), Missing()), S_OK);
}

ComPtr<IHostStringList> Selection(IDispatch* dataset) {
    ComPtr<IHostStringList> selection;
    EXPECT_EQ(Typed(dataset)->get_SelectedRows(selection.Put()), S_OK);
    return selection;
}

}  // namespace

void SetDatasetLongName(IDispatch* dataset, const wchar_t* text) {
    ComPtr<IHostPropertyCollection> properties;
    ASSERT_EQ(Typed(dataset)->get_Properties(properties.Put()), S_OK);
    AddLongName(properties.Get(), text);
}

void SetFieldLongName(IDispatch* dataset, const wchar_t* field, const wchar_t* text) {
    ComPtr<IHostFields> fields;
    ASSERT_EQ(Typed(dataset)->get_Fields(fields.Put()), S_OK);
    ComPtr<IHostField> item;
    ASSERT_EQ(fields->Item(Text(field), item.Put()), S_OK);
    ComPtr<IHostPropertyCollection> properties;
    ASSERT_EQ(item->get_Properties(properties.Put()), S_OK);
    AddLongName(properties.Get(), text);
}

void SelectRows(IDispatch* dataset, const std::vector<long>& rows) {
    ComPtr<IHostStringList> selection = Selection(dataset);
    selection->Clear();
    for (long row : rows) ASSERT_EQ(selection->Add(Variant(row), Missing(), Missing()), S_OK);
}

std::vector<long> SelectedRows(IDispatch* dataset) {
    ComPtr<IHostStringList> selection = Selection(dataset);
    long count = 0;
    selection->get_Count(&count);
    std::vector<long> rows;
    for (long i = 0; i < count; ++i) {
        Variant item;
        selection->Item(Variant(i), item.Put());
        rows.push_back(item.ToLong());
    }
    return rows;
}

ComPtr<IDispatch> MakeSampleDataset(long rows) {
    ComPtr<IHostSampleDataset> sample;
    EXPECT_EQ(::CoCreateInstance(CLSID_SampleDataset, nullptr, CLSCTX_INPROC_SERVER, IID_IHostSampleDataset,
                                 sample.PutVoid()),
              S_OK);
    sample->put_RowCount(rows);
    ComPtr<IDispatch> dataset;
    sample->QueryInterface(IID_IDispatch, dataset.PutVoid());
    return dataset;
}

ComPtr<IDispatch> FieldConfiguration(const wchar_t* seriesType, const std::vector<std::wstring>& fields,
                                     bool withDimensions) {
    ComPtr<IHostConfigNode> root;
    EXPECT_EQ(::CoCreateInstance(CLSID_HostFieldConfiguration, nullptr, CLSCTX_INPROC_SERVER, IID_IHostConfigNode,
                                 root.PutVoid()),
              S_OK);
    ComPtr<IHostConfigNode> child;
    if (seriesType) {
        Bstr name(L"SeriesType");
        root->AddChild(name.Get(), Text(seriesType), child.Put());
    }
    if (withDimensions) {
        Bstr name(L"Dimensions");
        ComPtr<IHostConfigNode> dimensions;
        root->AddChild(name.Get(), Variant(), dimensions.Put());
        for (const std::wstring& field : fields) {
            Bstr dimension(L"Dimension");
            ComPtr<IHostConfigNode> entry;
            dimensions->AddChild(dimension.Get(), Variant(field), entry.Put());
        }
    }
    ComPtr<IDispatch> out;
    root->QueryInterface(IID_IDispatch, out.PutVoid());
    return out;
}

HRESULT EventJournal::QueryInterfaceImpl(REFIID iid, void** out) {
    if (IsEqualIID(iid, DIID__IZmaVOMapXEvents2)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return InternalQueryInterface(iid, out);
}

STDMETHODIMP EventJournal::GetTypeInfoCount(UINT* n) {
    *n = 0;
    return S_OK;
}

STDMETHODIMP EventJournal::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    std::wstring entry = std::to_wstring(id);
    if (params && params->cArgs > 0) entry += L":" + Variant(params->rgvarg[params->cArgs - 1]).ToWide();
    entries_.push_back(entry);
    if (onEvent) onEvent(id);
    return S_OK;
}

std::vector<std::wstring> EventJournal::Take() {
    std::vector<std::wstring> out;
    out.swap(entries_);
    return out;
}

bool EventJournal::Saw(const std::wstring& entry) const {
    for (const auto& e : entries_)
        if (e == entry) return true;
    return false;
}

void DisplayTest::SetUp() {
    if (auto* answerer = testsupport::DialogAnswerer::Current()) answerer->Clear();
    ASSERT_EQ(::CoCreateInstance(CLSID_HostLoggingManager, nullptr, CLSCTX_INPROC_SERVER, IID_IHostLogStore,
                                 logStore_.PutVoid()),
              S_OK);
    logStore_->ClearEntries();

    ASSERT_EQ(::CoCreateInstance(CLSID_VadAZ2, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control_.PutVoid()), S_OK);
    ASSERT_EQ(control_->QueryInterface(IID_IDispatch, dispatch_.PutVoid()), S_OK);

    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(control_->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID__IZmaVOMapXEvents2, point.Put()), S_OK);
    events_ = platform::MakeObject<EventJournal>();
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(events_.Get(), &cookie), S_OK);

    ASSERT_EQ(::CoCreateInstance(CLSID_HostPrintLegend, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                 printLegend_.PutVoid()),
              S_OK);
}

void DisplayTest::TearDown() {
    if (control_) {
        ComPtr<IZmaVadAZ> typed;
        if (SUCCEEDED(control_->QueryInterface(IID_IZmaVadAZ, typed.PutVoid()))) typed->PreDestroy();
    }
    dispatch_.Reset();
    control_.Reset();
}

void DisplayTest::Initialise() {
    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(control_->QueryInterface(IID_IPersistStreamInit, persist.PutVoid()), S_OK);
    ASSERT_EQ(persist->InitNew(), S_OK);
}

ComPtr<IDispatch> DisplayTest::EngineMap() {
    Variant map = Get(Control(), kMapX);
    return ComPtr<IDispatch>(map.vt == VT_DISPATCH ? map.pdispVal : nullptr);
}

std::vector<std::wstring> DisplayTest::EngineLayerNames() {
    std::vector<std::wstring> names;
    Variant layers = Get(EngineMap().Get(), kEngineLayers);
    long count = Get(layers.pdispVal, kLayersCount).ToLong();
    for (long i = 1; i <= count; ++i) {
        Variant layer;
        Invoke(layers.pdispVal, kLayersItem, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Variant(i)}, &layer);
        names.push_back(Get(layer.pdispVal, kLayerName).ToWide());
    }
    return names;
}

ComPtr<IDispatch> DisplayTest::EngineLayer(const std::wstring& name) {
    Variant layers = Get(EngineMap().Get(), kEngineLayers);
    long count = Get(layers.pdispVal, kLayersCount).ToLong();
    for (long i = 1; i <= count; ++i) {
        Variant layer;
        Invoke(layers.pdispVal, kLayersItem, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Variant(i)}, &layer);
        if (Get(layer.pdispVal, kLayerName).ToWide() == name) return ComPtr<IDispatch>(layer.pdispVal);
    }
    return nullptr;
}

std::vector<double> DisplayTest::MapBounds() {
    Variant bounds = Get(EngineMap().Get(), kEngineBounds);
    std::vector<double> out;
    for (DISPID id = 1; id <= 4; ++id) out.push_back(Get(bounds.pdispVal, id).ToDouble());
    return out;
}

HRESULT DisplayTest::Display(IDispatch* dataset, const Variant& fields, const wchar_t* guid) {
    return Call(Control(), kDisplayDataset, {Variant(dataset), fields, Text(guid)});
}

std::vector<std::wstring> DisplayTest::DisplayedGuids() {
    ComPtr<IHostStringList> list;
    EXPECT_EQ(::CoCreateInstance(CLSID_HostStringList, nullptr, CLSCTX_INPROC_SERVER, IID_IHostStringList,
                                 list.PutVoid()),
              S_OK);
    EXPECT_EQ(Call(Control(), kGetDisplayedGUIDs, {Variant(static_cast<IDispatch*>(list.Get()))}), S_OK);
    long count = 0;
    list->get_Count(&count);
    std::vector<std::wstring> guids;
    for (long i = 0; i < count; ++i) {
        Variant item;
        list->Item(Variant(i), item.Put());
        guids.push_back(item.ToWide());
    }
    return guids;
}

HRESULT DisplayTest::Description(const wchar_t* guid, std::wstring& text) {
    Variant out;
    HRESULT hr = Call(Control(), kGetAttributeDescription, {Text(guid)}, &out);
    text = out.vt == VT_BSTR ? out.ToWide() : L"";
    return hr;
}

std::vector<std::wstring> DisplayTest::UsageRecords() {
    long count = 0;
    logStore_->get_EntryCount(&count);
    std::vector<std::wstring> records;
    for (long i = 0; i < count; ++i) {
        BSTR channel = nullptr, message = nullptr, file = nullptr;
        long level = 0, line = 0;
        logStore_->GetEntry(i, &channel, &level, &message, &file, &line);
        Bstr channelText = Bstr::Attach(channel), messageText = Bstr::Attach(message), fileText = Bstr::Attach(file);
        if (channelText.Wide() == L"zemro.usage") records.push_back(messageText.Wide());
    }
    return records;
}

std::wstring DisplayTest::PrintLegendCalls() {
    ComPtr<IHostCallLog> log;
    if (FAILED(printLegend_->QueryInterface(IID_IHostCallLog, log.PutVoid()))) return L"";
    BSTR text = nullptr;
    log->get_CallText(&text);
    return Bstr::Attach(text).Wide();
}

}  // namespace displaytest
