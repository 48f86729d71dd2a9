// Layers, tables and features, and the failures the engine answers for bad calls.
#include "tests/standins/mapengine/EngineFixture.h"

namespace enginetest {
namespace {

namespace layers {
constexpr DISPID kCount = 1, kClearSelection = 2, kMove = 3, kAdd = 4, kItem = 6, kRemove = 7, kAddUserDraw = 8;
constexpr DISPID kCreateLayer = 10, kRemoveAll = 14, kInsertionLayer = 15;
}  // namespace layers
namespace layer {
constexpr DISPID kName = 1, kVisible = 2, kFileSpec = 4, kLabels = 5, kZoomMin = 10, kSelection = 12, kKind = 13;
constexpr DISPID kFind = 14, kType = 15, kAddFeature = 21, kDeleteFeature = 22, kAllFeatures = 26, kBounds = 32;
constexpr DISPID kBeginAccess = 41, kEndAccess = 42;
}  // namespace layer
namespace feature {
constexpr DISPID kType = 2, kCaption = 8, kPoint = 12, kKeyValue = 17, kUpdate = 18, kKey = 23;
}  // namespace feature
namespace selection {
constexpr DISPID kCount = 65537, kAdd = 65540, kBounds = 65544;
}  // namespace selection

class MapLayers : public ::testing::Test {
protected:
    void SetUp() override {
        unknown_ = CreateMap();
        ASSERT_TRUE(unknown_);
        map_ = MapDispatch(unknown_.Get());
        layers_ = Object(Get(map_.Get(), map::kLayers));
        factory_ = Object(Get(map_.Get(), map::kFeatureFactory));
    }

    std::vector<std::wstring> Names() {
        std::vector<std::wstring> names;
        long count = Get(layers_.Get(), layers::kCount).ToLong();
        for (long i = 1; i <= count; ++i) names.push_back(Text(Get(Object(Call(layers_.Get(), layers::kItem, {Variant(i)})).Get(), layer::kName)));
        return names;
    }

    ComPtr<IDispatch> Point(double x, double y) {
        ComPtr<IDispatch> p;
        EXPECT_EQ(::CoCreateInstance(CLSID_EnginePoint, nullptr, CLSCTX_ALL, IID_IDispatch, p.PutVoid()), S_OK);
        Call(p.Get(), 3, {Variant(x), Variant(y)});
        return p;
    }

    ComPtr<IDispatch> AddText(ComPtr<IDispatch> layer, double x, double y, const wchar_t* caption) {
        ComPtr<IDispatch> f = Object(Call(factory_.Get(), 8, {Variant(Point(x, y).Get()), Variant(caption)}));
        return Object(Call(layer.Get(), layer::kAddFeature, {Variant(f.Get())}));
    }

    ComPtr<IUnknown> unknown_;
    ComPtr<IDispatch> map_, layers_, factory_;
};

TEST_F(MapLayers, PositionOneIsTheTopAndItemsAreFoundByPositionOrName) {
    Call(layers_.Get(), layers::kAddUserDraw, {Variant(L"A"), Variant(short{1})});
    Call(layers_.Get(), layers::kAddUserDraw, {Variant(L"B"), Variant(short{1})});
    Call(layers_.Get(), layers::kAddUserDraw, {Variant(L"C"), Variant(short{3})});
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"B", L"A", L"C"}));

    EXPECT_EQ(Call(layers_.Get(), layers::kMove, {Variant(short{3}), Variant(short{1})}).boolVal, VARIANT_TRUE);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"C", L"B", L"A"}));
    ComPtr<IDispatch> byName = Object(Call(layers_.Get(), layers::kItem, {Variant(L"b")}));
    EXPECT_EQ(Text(Get(byName.Get(), layer::kName)), L"B");
    EXPECT_EQ(Get(byName.Get(), layer::kType).ToLong(), 6);  // user-draw

    Call(layers_.Get(), layers::kRemove, {Variant(L"B")});
    Call(layers_.Get(), layers::kRemove, {Variant(short{1})});
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A"}));
    Call(layers_.Get(), layers::kRemoveAll);
    EXPECT_EQ(Get(layers_.Get(), layers::kCount).ToLong(), 0);
}

// A name is found as long as a layer on the map bears it, whatever renames and removals came
// between, and two layers may share one.
TEST_F(MapLayers, ANameIsFoundWhileALayerOnTheMapBearsIt) {
    auto found = [&](const wchar_t* name) {
        Variant result;
        return Invoke(layers_.Get(), layers::kItem, DISPATCH_METHOD, {Variant(name)}, &result, nullptr) == S_OK;
    };
    ComPtr<IDispatch> a = Object(Call(layers_.Get(), layers::kAddUserDraw, {Variant(L"Roads"), Variant(short{1})}));
    ComPtr<IDispatch> b = Object(Call(layers_.Get(), layers::kAddUserDraw, {Variant(L"ROADS"), Variant(short{1})}));
    Put(a.Get(), layer::kName, Variant(L"Rivers"));
    EXPECT_TRUE(found(L"roads"));
    EXPECT_TRUE(found(L"rivers"));
    Call(layers_.Get(), layers::kRemove, {Variant(L"roads")});
    EXPECT_FALSE(found(L"Roads"));
    // A layer that left the map renames itself alone.
    Put(b.Get(), layer::kName, Variant(L"Lakes"));
    EXPECT_FALSE(found(L"Lakes"));
    Put(a.Get(), layer::kName, Variant(L"Lakes"));
    EXPECT_TRUE(found(L"LAKES"));
    EXPECT_FALSE(found(L"Rivers"));
    Call(layers_.Get(), layers::kRemoveAll);
    EXPECT_FALSE(found(L"Lakes"));
}

TEST_F(MapLayers, FailuresAnswerHresultsWithExceptionInformation) {
    Call(layers_.Get(), layers::kAddUserDraw, {Variant(L"Only"), Variant(short{1})});
    Variant result;
    EXCEPINFO info = {};
    EXPECT_EQ(Invoke(layers_.Get(), layers::kItem, DISPATCH_METHOD, {Variant(L"Nowhere")}, &result, &info), DISP_E_EXCEPTION);
    EXPECT_EQ(info.scode, DISP_E_BADINDEX);
    EXPECT_TRUE(info.bstrDescription && std::wstring(info.bstrDescription).find(L"Nowhere") != std::wstring::npos);
    EXPECT_STREQ(info.bstrSource, L"MapEngine");
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);

    // Without EXCEPINFO the failure itself comes back, with the error information set.
    EXPECT_EQ(Invoke(layers_.Get(), layers::kItem, DISPATCH_METHOD, {Variant(9L)}, &result, nullptr), DISP_E_BADINDEX);
    ComPtr<IErrorInfo> error;
    EXPECT_EQ(::GetErrorInfo(0, error.Put()), S_OK);

    // Argument faults are answered by the dispatch layer itself.
    EXPECT_EQ(Invoke(layers_.Get(), layers::kMove, DISPATCH_METHOD, {Variant(1L)}, &result, nullptr), DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(Invoke(layers_.Get(), layers::kMove, DISPATCH_METHOD, {Variant(9L), Variant(1L)}, &result, nullptr),
              DISP_E_BADINDEX);
    EXPECT_EQ(Invoke(map_.Get(), map::kZoomTo, DISPATCH_METHOD, {Variant(L"abc"), Variant(1.0), Variant(2.0)}, &result, nullptr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Invoke(map_.Get(), map::kZoomTo, DISPATCH_METHOD, {Variant(map_.Get()), Variant(1.0), Variant(2.0)}, &result, nullptr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Invoke(map_.Get(), map::kDistance, DISPATCH_METHOD, {Variant(1.0), Variant(1.0), Variant(1.0), Variant(1.0), Variant(1.0)},
                     &result, nullptr),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Invoke(map_.Get(), 999, DISPATCH_METHOD, {}, &result, nullptr), DISP_E_MEMBERNOTFOUND);
    Variant missing;
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    EXPECT_EQ(Invoke(map_.Get(), map::kZoomTo, DISPATCH_METHOD, {Variant(1.0), missing, Variant(2.0)}, &result, nullptr),
              DISP_E_PARAMNOTFOUND);
    // Texts that hold numbers are converted.
    EXPECT_EQ(Invoke(map_.Get(), map::kZoomTo, DISPATCH_METHOD, {Variant(L"12"), Variant(1.0), Variant(2.0)}, &result, nullptr), S_OK);
    EXPECT_DOUBLE_EQ(Number(Get(map_.Get(), map::kZoom)), 12.0);
}

TEST_F(MapLayers, NamesResolveWithoutCaseAndSelectionMembersByName) {
    ComPtr<IDispatch> layer = Object(Call(layers_.Get(), layers::kCreateLayer, {Variant(L"Memory")}));
    ComPtr<IDispatch> selection = Object(Get(layer.Get(), layer::kSelection));
    const wchar_t* names[] = {L"Count", L"item", L"BOUNDS"};
    for (const wchar_t* n : names) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR name = const_cast<LPOLESTR>(n);
        EXPECT_EQ(selection->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK) << platform::ToAnsi(n);
    }
    DISPID id = 0;
    LPOLESTR bogus = const_cast<LPOLESTR>(L"Bogus");
    EXPECT_EQ(map_->GetIDsOfNames(IID_NULL, &bogus, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
}

TEST_F(MapLayers, AMissingTableIsNotOpenedAndANewTableKeepsItsFeatures) {
    TempFile table(L".TAB");
    HRESULT opened = S_OK;
    Call(layers_.Get(), layers::kAdd, {Variant(table.Path()), Variant(1L)}, &opened);
    EXPECT_TRUE(FAILED(opened)) << "opening never makes a table";
    EXPECT_EQ(::GetFileAttributesW(table.Path().c_str()), INVALID_FILE_ATTRIBUTES);

    ComPtr<IDispatch> layer =
        Object(Call(layers_.Get(), layers::kCreateLayer, {Variant(L"new"), Variant(table.Path()), Variant(1L)}));
    ASSERT_TRUE(layer);
    EXPECT_EQ(::GetFileAttributesW(table.Path().c_str()) != INVALID_FILE_ATTRIBUTES, true);
    EXPECT_EQ(Text(Get(layer.Get(), layer::kFileSpec)), table.Path());
    EXPECT_EQ(Get(layer.Get(), layer::kType).ToLong(), 0);
    EXPECT_EQ(Get(layer.Get(), layer::kKind).ToLong(), 6);  // no features yet

    Call(layer.Get(), layer::kBeginAccess, {Variant(1L)});
    ComPtr<IDispatch> first = AddText(layer, 1.5, 2.5, L"alpha");
    AddText(layer, 3.0, 4.0, L"beta");
    Call(layer.Get(), layer::kEndAccess, {Variant(0L)});
    Put(first.Get(), feature::kKeyValue, Variant(L"1"));
    Call(first.Get(), feature::kUpdate);
    EXPECT_EQ(Get(layer.Get(), layer::kKind).ToLong(), 5);  // text only

    ComPtr<IDispatch> bounds = Object(Get(layer.Get(), layer::kBounds));
    EXPECT_DOUBLE_EQ(Number(Get(bounds.Get(), 1)), 1.5);
    EXPECT_DOUBLE_EQ(Number(Get(bounds.Get(), 4)), 4.0);

    // A second map opens the same file with the features.
    ComPtr<IUnknown> other = CreateMap();
    ComPtr<IDispatch> otherLayers = Object(Get(MapDispatch(other.Get()).Get(), map::kLayers));
    ComPtr<IDispatch> reopened = Object(Call(otherLayers.Get(), layers::kAdd, {Variant(table.Path())}));
    ComPtr<IDispatch> all = Object(Get(reopened.Get(), layer::kAllFeatures));
    ASSERT_EQ(Get(all.Get(), 1).ToLong(), 2);
    ComPtr<IDispatch> again = Object(Call(all.Get(), 2, {Variant(1L)}));
    EXPECT_EQ(Get(again.Get(), feature::kType).ToLong(), 5);  // text
    EXPECT_EQ(Text(Get(again.Get(), feature::kCaption)), L"alpha");
    EXPECT_EQ(Text(Get(again.Get(), feature::kKeyValue)), L"1");
    ComPtr<IDispatch> point = Object(Get(again.Get(), feature::kPoint));
    EXPECT_DOUBLE_EQ(Number(Get(point.Get(), 1)), 1.5);

    // Search, then delete by key.
    ComPtr<IDispatch> find = Object(Get(reopened.Get(), layer::kFind));
    ComPtr<IDispatch> found = Object(Call(find.Get(), 9, {Variant(L"Caption = \"beta\"")}));
    ASSERT_EQ(Get(found.Get(), 1).ToLong(), 1);
    std::wstring key = Text(Get(Object(Call(found.Get(), 2, {Variant(1L)})).Get(), feature::kKey));
    Call(reopened.Get(), layer::kDeleteFeature, {Variant(key)});
    EXPECT_EQ(Get(Object(Get(reopened.Get(), layer::kAllFeatures)).Get(), 1).ToLong(), 1);
    HRESULT hr = S_OK;
    Call(reopened.Get(), layer::kDeleteFeature, {Variant(key)}, &hr);
    EXPECT_EQ(hr, DISP_E_BADINDEX);
}

TEST_F(MapLayers, SelectionsReportChangesAndTheirBounds) {
    ComPtr<IDispatch> layer = Object(Call(layers_.Get(), layers::kCreateLayer, {Variant(L"Points")}));
    ComPtr<IDispatch> a = AddText(layer, 10, 20, L"a");
    ComPtr<IDispatch> b = AddText(layer, 30, 40, L"b");
    ComPtr<EventSink> sink = platform::MakeObject<EventSink>();
    SinkConnection connection(unknown_.Get(), sink.Get());

    ComPtr<IDispatch> selection = Object(Get(layer.Get(), layer::kSelection));
    Call(selection.Get(), selection::kAdd, {Variant(a.Get())});
    Call(selection.Get(), selection::kAdd, {Variant(b.Get())});
    EXPECT_EQ(Get(selection.Get(), selection::kCount).ToLong(), 2);
    ComPtr<IDispatch> bounds = Object(Get(selection.Get(), selection::kBounds));
    EXPECT_DOUBLE_EQ(Number(Get(bounds.Get(), 1)), 10.0);
    EXPECT_DOUBLE_EQ(Number(Get(bounds.Get(), 3)), 30.0);
    EXPECT_EQ(sink->Of(1).size(), 2u);  // SelectionChanged

    Call(layers_.Get(), layers::kClearSelection);
    EXPECT_EQ(Get(selection.Get(), selection::kCount).ToLong(), 0);
    HRESULT hr = S_OK;
    Get(selection.Get(), selection::kBounds, {}, &hr);
    EXPECT_TRUE(FAILED(hr));
}

TEST_F(MapLayers, LayerZoomRangeFollowsTheMapUnit) {
    ComPtr<IDispatch> layer = Object(Call(layers_.Get(), layers::kCreateLayer, {Variant(L"Zoomed")}));
    Put(map_.Get(), map::kMapUnit, Variant(1L));  // km
    Put(layer.Get(), layer::kZoomMin, Variant(2.0));
    Put(map_.Get(), map::kMapUnit, Variant(7L));  // m
    EXPECT_DOUBLE_EQ(Number(Get(layer.Get(), layer::kZoomMin)), 2000.0);
}

TEST_F(MapLayers, InsertionLayerMustBelongToTheMap) {
    ComPtr<IDispatch> layer = Object(Call(layers_.Get(), layers::kCreateLayer, {Variant(L"Edit")}));
    Put(layers_.Get(), layers::kInsertionLayer, Variant(layer.Get()));
    EXPECT_EQ(Object(Get(layers_.Get(), layers::kInsertionLayer)).Get(), layer.Get());
    Put(layers_.Get(), layers::kInsertionLayer, Variant(static_cast<IDispatch*>(nullptr)));
    EXPECT_FALSE(Object(Get(layers_.Get(), layers::kInsertionLayer)));

    ComPtr<IUnknown> other = CreateMap();
    ComPtr<IDispatch> foreign =
        Object(Call(Object(Get(MapDispatch(other.Get()).Get(), map::kLayers)).Get(), layers::kCreateLayer, {Variant(L"X")}));
    HRESULT hr = S_OK;
    Put(layers_.Get(), layers::kInsertionLayer, Variant(foreign.Get()), &hr);
    EXPECT_EQ(hr, E_INVALIDARG);
}

TEST_F(MapLayers, TheCallLogRecordsEveryInvokeInOrder) {
    Hooks(unknown_.Get())->ClearCalls();
    Call(layers_.Get(), layers::kAddUserDraw, {Variant(L"Logged"), Variant(short{1})});
    Get(map_.Get(), map::kZoom);
    HRESULT hr = S_OK;
    Call(map_.Get(), 999, {}, &hr);
    std::vector<std::wstring> lines = CallLines(unknown_.Get());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], L"Layers.AddUserDrawLayer(8) call BSTR:\"Logged\" I2:1");
    EXPECT_EQ(lines[1], L"Map.Zoom(7) get");
    EXPECT_EQ(lines[2], L"Map.?(999) call");
    Hooks(unknown_.Get())->ClearCalls();
    EXPECT_TRUE(CallLines(unknown_.Get()).empty());
}

TEST_F(MapLayers, StylesCoordinateSystemsAndDialogs) {
    ComPtr<IDispatch> style;
    ASSERT_EQ(::CoCreateInstance(CLSID_EngineStyle, nullptr, CLSCTX_ALL, IID_IDispatch, style.PutVoid()), S_OK);
    Put(style.Get(), 13, Variant(0x123456L));
    ComPtr<IDispatch> font = Object(Get(style.Get(), 11));
    ComPtr<IFont> ifont;
    ASSERT_EQ(font.As(ifont), S_OK);

    ComPtr<IDispatch> layer = Object(Call(layers_.Get(), layers::kCreateLayer, {Variant(L"Styled")}));
    Put(layer.Get(), 9, Variant(style.Get()));
    ComPtr<IDispatch> copy = Object(Get(layer.Get(), 9));
    EXPECT_NE(copy.Get(), style.Get());  // a put keeps a copy
    EXPECT_EQ(Get(copy.Get(), 13).ToLong(), 0x123456);

    EXPECT_EQ(Call(style.Get(), 27).boolVal, VARIANT_TRUE);  // PickText
    {
        ScopedEnvironment cancel(L"VADAZ_ENGINE_DIALOGS", L"cancel");
        EXPECT_EQ(Call(style.Get(), 25).boolVal, VARIANT_FALSE);  // PickRegion
    }

    // Set takes texts, VT_NULL (the default) and omitted arguments (kept).
    ComPtr<IDispatch> cs = Object(Get(map_.Get(), map::kDisplayCoordSys));
    Variant missing;
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    Variant null;
    null.vt = VT_NULL;
    Call(cs.Get(), 15, {Variant(short{8}), missing, Variant(L"7"), Variant(L"9"), Variant(L"0"), missing, missing, missing,
                        Variant(L"0.9996"), Variant(L"500000"), null, missing, missing, missing});
    EXPECT_EQ(Get(cs.Get(), 1).ToLong(), 8);
    EXPECT_EQ(Get(cs.Get(), 3).ToLong(), 7);
    EXPECT_DOUBLE_EQ(Number(Get(cs.Get(), 5)), 9.0);
    EXPECT_DOUBLE_EQ(Number(Get(cs.Get(), 11)), 500000.0);
    EXPECT_DOUBLE_EQ(Number(Get(cs.Get(), 12)), 0.0);
    ComPtr<IDispatch> clone = Object(Call(cs.Get(), 17));
    Put(map_.Get(), map::kNumericCoordSys, Variant(clone.Get()));
    EXPECT_EQ(Get(Object(Get(map_.Get(), map::kNumericCoordSys)).Get(), 1).ToLong(), 8);
}

}  // namespace
}  // namespace enginetest
