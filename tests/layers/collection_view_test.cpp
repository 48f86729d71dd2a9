// What the collection does for the view and the annotations: zoom to the selection (with the
// control's engine events held off, and back on whatever happens), the extent of the entire
// map, and annotation editing moving text between the layer's features and the engine's
// annotations.
#include "tests/layers/LayerFixture.h"

#include "ZmaVOMap2/engine/EngineMembers.h"

#include "MapEngine.h"

#include <cmath>

using platform::ComPtr;
using platform::Variant;

namespace layertest {
namespace {

// Engine members the tests read and call.
constexpr DISPID kMapAnnotations = 3, kMapZoom = 7, kMapCenterX = 8, kMapCenterY = 9, kMapBounds = 29, kMapFeatureFactory = 49;
constexpr DISPID kRectXMin = 1, kRectYMin = 2, kRectXMax = 3, kRectYMax = 4, kRectSet = 7;
constexpr DISPID kAnnotationsCount = 2, kAnnotationsItem = 4, kAnnotationsAddText = 6, kAnnotationGraphic = 2;
constexpr DISPID kGraphicCaption = 1, kGraphicX = 2, kGraphicY = 3, kGraphicStyle = 5;
constexpr DISPID kFactoryCreateText = 8, kFactoryCreateSymbol = 5, kStyleTextFontColor = 13;
constexpr DISPID kFeatureType = 2, kFeatureStyle = 6, kFeatureCaption = 8, kFeaturePoint = 12, kFeatureKeyValue = 17;
constexpr DISPID kPointX = 1, kPointY = 2, kPointSet = 3;
constexpr DISPID kLayerSelection = 12, kLayerSelectable = 3, kSelectionAdd = 65540;

const CLSID kEnginePointClass = {0x968303A6, 0x8F18, 0x11D0, {0x87, 0x96, 0x00, 0xAA, 0x00, 0xB7, 0xEF, 0x73}};

class ViewHost : public FakeHost {
public:
    void SuspendEngineEvents() override {
        ++suspends;
        connected = false;
    }
    void ResumeEngineEvents() override {
        ++resumes;
        connected = true;
    }
    int suspends = 0, resumes = 0;
    bool connected = true;
};

// A user-drawn layer with a chosen extent and a chosen own selection.
class ViewLayer : public CZmaVadAZLayer {
public:
    ViewLayer(IDispatch* map, CZmaVadAZLayerCollection* owner) : CZmaVadAZLayer(map, owner) {}
    HRESULT Attach(const std::string& name, int type, const std::string& = std::string()) override {
        Variant layers = EngineDispatch(GetMapXMap().Get()).Get(Engine::Map::kLayers);
        Variant added = EngineDispatch(layers.pdispVal)
                            .Call(Engine::Layers::kAddUserDrawLayer, {Variant(platform::ToWide(name)), Variant(short{1})});
        if (added.vt != VT_DISPATCH) return E_FAIL;
        SetEngineLayer(added.pdispVal);
        SetType(type);
        SetNameOnly(name);
        SetUserDrawn(true);
        return S_OK;
    }
    int GetExtent(IDispatch* rectangle) override {
        if (!hasExtent) return 0;
        EngineDispatch(rectangle).Call(kRectSet, {Variant(extent.left), Variant(extent.top), Variant(extent.right),
                                                  Variant(extent.bottom)});
        return 1;
    }
    bool GetSelectionBounds(ZmaExtent& bounds) override {
        if (throwsOnSelection) platform::ThrowHr(E_UNEXPECTED);
        if (!hasSelection) return false;
        bounds = selection;
        return true;
    }

    bool hasExtent = false, hasSelection = false, throwsOnSelection = false;
    ZmaExtent extent, selection;
};

class CollectionView : public LayerTest {
protected:
    void SetUp() override {
        LayerTest::SetUp();
        layers_.reset();
        viewHost_.map = host_.map;
        viewHost_.folder = host_.folder;
        layers_ = std::make_unique<CZmaVadAZLayerCollection>(viewHost_.folder, viewHost_, map_.Get());
        SetMapBounds({0.5, 9.5, 9.5, 0.5});
    }

    ViewLayer* AddViewLayer(const std::string& name) {
        auto layer = std::make_unique<ViewLayer>(map_.Get(), layers_.get());
        EXPECT_EQ(layer->Attach(name, CZmaVadAZLayer::kTypeShapes), S_OK);
        ViewLayer* raw = layer.get();
        layers_->RegisterLayer(std::move(layer));
        return raw;
    }
    // A table of features at (1, 1), (2, 2), ... with the features of `selected` (1-based) selected.
    CZmaVadAZLayer* TableWithSelection(const std::string& name, int features, std::vector<long> selected) {
        CZmaVadAZLayer* table = OpenTable(name, features);
        EngineDispatch layer(table->GetMapXLayer().Get());
        layer.Put(kLayerSelectable, Variant(true));
        Variant selection = layer.Get(kLayerSelection);
        for (long index : selected)
            EngineDispatch(selection.pdispVal).Call(kSelectionAdd, {Variant(table->GetFeature(index).Get())});
        return table;
    }
    void SetMapBounds(const ZmaExtent& e) {
        ComPtr<IDispatch> rectangle = NewRectangle();
        EngineDispatch(rectangle.Get()).Call(kRectSet, {Variant(e.left), Variant(e.bottom), Variant(e.right), Variant(e.top)});
        EngineDispatch(map_.Get()).Put(kMapBounds, Variant(rectangle.Get()));
    }
    // {left, top, right, bottom} of the engine's view.
    ZmaExtent MapBounds() const {
        Variant b = EngineDispatch(map_.Get()).Get(kMapBounds);
        EngineDispatch r(b.pdispVal);
        return {r.Get(kRectXMin).ToDouble(), r.Get(kRectYMax).ToDouble(), r.Get(kRectXMax).ToDouble(),
                r.Get(kRectYMin).ToDouble()};
    }
    static ComPtr<IDispatch> NewRectangle() {
        CLSID clsid;
        EXPECT_EQ(::CLSIDFromProgID(L"MapX.Rectangle.4", &clsid), S_OK);
        ComPtr<IDispatch> r;
        EXPECT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, r.PutVoid()), S_OK);
        return r;
    }
    // The engine keeps the window's aspect: a fitted box lies inside the view, touching two sides.
    static void ExpectFits(const ZmaExtent& view, const ZmaExtent& box) {
        const double eps = 1e-9;
        EXPECT_LE(view.left, box.left + eps);
        EXPECT_GE(view.right, box.right - eps);
        EXPECT_LE(view.bottom, box.bottom + eps);
        EXPECT_GE(view.top, box.top - eps);
        const bool widthFits = std::abs((view.right - view.left) - (box.right - box.left)) < 1e-6;
        const bool heightFits = std::abs((view.top - view.bottom) - (box.top - box.bottom)) < 1e-6;
        EXPECT_TRUE(widthFits || heightFits);
        EXPECT_NEAR((view.left + view.right) / 2, (box.left + box.right) / 2, 1e-6);
        EXPECT_NEAR((view.top + view.bottom) / 2, (box.top + box.bottom) / 2, 1e-6);
    }

    ViewHost viewHost_;
};

TEST_F(CollectionView, NothingSelectedLeavesTheMapWhereItIsAndTheEventsConnected) {
    AddViewLayer("points");
    const ZmaExtent before = MapBounds();
    EXPECT_EQ(layers_->ZoomToSelection(true), S_OK);
    const ZmaExtent after = MapBounds();
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(viewHost_.suspends, 1);
    EXPECT_TRUE(viewHost_.connected);
}

TEST_F(CollectionView, DataSelectionsAreMergedAndASinglePointIsCentredAtTheSameZoom) {
    ViewLayer* a = AddViewLayer("a");
    ViewLayer* b = AddViewLayer("b");
    a->hasSelection = true;
    a->selection = {2, 6, 3, 4};
    b->hasSelection = true;
    b->selection = {5, 7, 6, 5};
    ASSERT_EQ(layers_->ZoomToSelection(true), S_OK);
    ExpectFits(MapBounds(), {2, 7, 6, 4});

    a->hasSelection = false;
    b->selection = {4, 3, 4, 3};
    const double zoom = EngineDispatch(map_.Get()).Get(kMapZoom).ToDouble();
    ASSERT_EQ(layers_->ZoomToSelection(true), S_OK);
    EXPECT_EQ(EngineDispatch(map_.Get()).Get(kMapZoom).ToDouble(), zoom) << "the zoom stays";
    EXPECT_NEAR(EngineDispatch(map_.Get()).Get(kMapCenterX).ToDouble(), 4.0, 1e-9);
    EXPECT_NEAR(EngineDispatch(map_.Get()).Get(kMapCenterY).ToDouble(), 3.0, 1e-9);
}

TEST_F(CollectionView, ATableSelectionAndTheDataSelectionsAboveAndBelowItAreFittedTogether) {
    TableWithSelection("cells", 3, {1, 3});
    ViewLayer* above = AddViewLayer("above");
    above->hasSelection = true;
    above->selection = {6, 8, 7, 7};
    // The data layer lies above the table: its selection is kept, not replaced by the table's.
    ASSERT_EQ(layers_->ZoomToSelection(true), S_OK);
    ExpectFits(MapBounds(), {1, 8, 7, 1});

    // Only the table's selection.
    above->hasSelection = false;
    ASSERT_EQ(layers_->ZoomToSelection(true), S_OK);
    ExpectFits(MapBounds(), {1, 3, 3, 1});

    // A data layer below the table joins it too.
    ASSERT_TRUE(layers_->MoveLayerToTop(layers_->GetAt(1)));
    ASSERT_EQ(layers_->GetAt(1), above);
    above->hasSelection = true;
    above->selection = {2, 6, 4, 5};
    ASSERT_EQ(layers_->ZoomToSelection(true), S_OK);
    ExpectFits(MapBounds(), {1, 6, 4, 1});
}

TEST_F(CollectionView, AFailingLayerStillReconnectsTheEngineEvents) {
    ViewLayer* broken = AddViewLayer("broken");
    broken->throwsOnSelection = true;
    EXPECT_THROW(layers_->ZoomToSelection(true), platform::ComError);
    EXPECT_EQ(viewHost_.suspends, 1);
    EXPECT_EQ(viewHost_.resumes, 1);
    EXPECT_TRUE(viewHost_.connected);
}

TEST_F(CollectionView, TheEntireMapJoinsEveryExtentWithAreaIncludingTheEquatorAndGreenwich) {
    ZmaExtent whole;
    layers_->ViewEntireMap(whole);
    EXPECT_EQ(whole.left, 0.0);
    EXPECT_EQ(whole.top, 0.0);

    ViewLayer* equator = AddViewLayer("equator");
    equator->hasExtent = true;
    equator->extent = {0.0, 2.0, 3.0, 0.0};  // on the prime meridian and the equator
    ViewLayer* north = AddViewLayer("north");
    north->hasExtent = true;
    north->extent = {1.0, 5.0, 4.0, 1.0};
    ViewLayer* point = AddViewLayer("point");
    point->hasExtent = true;
    point->extent = {9.0, 9.0, 9.0, 9.0};  // no area: left out
    AddViewLayer("empty");
    layers_->ViewEntireMap(whole);
    EXPECT_EQ(whole.left, 0.0);
    EXPECT_EQ(whole.top, 5.0);
    EXPECT_EQ(whole.right, 4.0);
    EXPECT_EQ(whole.bottom, 0.0);
}

// --- Annotation editing ---------------------------------------------------------------------------

class AnnotationEditing : public CollectionView {
protected:
    void SetUp() override {
        CollectionView::SetUp();
        ASSERT_EQ(layers_->CreateAnnotationsLayer(), S_OK);
        annotations_ = layers_->GetAnnotationsLayer();
        ASSERT_TRUE(annotations_);
    }
    ComPtr<IDispatch> Point(double x, double y) {
        ComPtr<IDispatch> p;
        EXPECT_EQ(::CoCreateInstance(kEnginePointClass, nullptr, CLSCTX_ALL, IID_IDispatch, p.PutVoid()), S_OK);
        EngineDispatch(p.Get()).Call(kPointSet, {Variant(x), Variant(y)});
        return p;
    }
    void AddText(const wchar_t* text, double x, double y, long colour) {
        EngineDispatch factory(EngineDispatch(map_.Get()).Get(kMapFeatureFactory).pdispVal);
        Variant feature = factory.Call(kFactoryCreateText, {Variant(Point(x, y).Get()), Variant(text)});
        EngineDispatch(EngineDispatch(feature.pdispVal).Get(kFeatureStyle).pdispVal).Put(kStyleTextFontColor, Variant(colour));
        ASSERT_EQ(annotations_->AddFeature(feature.pdispVal), S_OK);
    }
    void AddSymbol(double x, double y) {
        EngineDispatch factory(EngineDispatch(map_.Get()).Get(kMapFeatureFactory).pdispVal);
        Variant feature = factory.Call(kFactoryCreateSymbol, {Variant(Point(x, y).Get())});
        ASSERT_EQ(annotations_->AddFeature(feature.pdispVal), S_OK);
    }
    EngineDispatch EngineAnnotations() { return EngineDispatch(EngineDispatch(map_.Get()).Get(kMapAnnotations).pdispVal); }
    long AnnotationCount() { return EngineAnnotations().Get(kAnnotationsCount).ToLong(); }

    struct Text {
        std::wstring text, key;
        double x, y;
        long colour;
    };
    std::vector<Text> TextFeatures() {
        std::vector<Text> texts;
        for (long i = 1; i <= annotations_->GetFeatureCount(); ++i) {
            EngineDispatch f(annotations_->GetFeature(i).Get());
            if (f.Get(kFeatureType).ToLong() != 5) continue;
            EngineDispatch p(f.Get(kFeaturePoint).pdispVal);
            EngineDispatch style(f.Get(kFeatureStyle).pdispVal);
            texts.push_back({f.Get(kFeatureCaption).ToWide(), f.Get(kFeatureKeyValue).ToWide(), p.Get(kPointX).ToDouble(),
                             p.Get(kPointY).ToDouble(), style.Get(kStyleTextFontColor).ToLong()});
        }
        return texts;
    }

    CZmaVadAZLayer* annotations_ = nullptr;
};

TEST_F(AnnotationEditing, TextFeaturesBecomeAnnotationsAndComeBackWithTextPlaceAndStyle) {
    AddText(L"Site A", 1.5, 2.5, RGB(200, 0, 0));
    AddSymbol(3, 3);
    AddText(L"", 4, 4, 0);  // an empty text is not carried over
    AddText(L"Site B", 5.25, 6.75, RGB(0, 0, 200));

    ASSERT_EQ(layers_->InitialiseAnnotations(), S_OK);
    ASSERT_EQ(AnnotationCount(), 2);
    EngineDispatch first(EngineDispatch(EngineAnnotations().Call(kAnnotationsItem, {Variant(1L)}).pdispVal)
                             .Get(kAnnotationGraphic).pdispVal);
    EXPECT_EQ(first.Get(kGraphicCaption).ToWide(), L"Site A");
    EXPECT_EQ(first.Get(kGraphicX).ToDouble(), 1.5);
    EXPECT_EQ(first.Get(kGraphicY).ToDouble(), 2.5);
    EXPECT_EQ(EngineDispatch(first.Get(kGraphicStyle).pdispVal).Get(kStyleTextFontColor).ToLong(), RGB(200, 0, 0));
    EXPECT_TRUE(TextFeatures().empty()) << "every text feature left the layer";
    EXPECT_EQ(annotations_->GetFeatureCount(), 1) << "the symbol stays";

    // Text the user adds while editing goes into the layer too.
    EngineAnnotations().Call(kAnnotationsAddText, {Variant(L"New"), Variant(7.0), Variant(8.0)});
    ASSERT_EQ(layers_->SetCurrentTool(), S_OK);
    EXPECT_EQ(AnnotationCount(), 0);
    std::vector<Text> texts = TextFeatures();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].text, L"Site A");
    EXPECT_EQ(texts[0].key, L"1");
    EXPECT_EQ(texts[0].x, 1.5);
    EXPECT_EQ(texts[0].y, 2.5);
    EXPECT_EQ(texts[0].colour, RGB(200, 0, 0));
    EXPECT_EQ(texts[1].text, L"Site B");
    EXPECT_EQ(texts[1].colour, RGB(0, 0, 200));
    EXPECT_EQ(texts[2].text, L"New");
    EXPECT_EQ(texts[2].key, L"3");
}

TEST_F(AnnotationEditing, FeatureStyleOpensTheDialogOfTheFirstSelectedFeatureOnly) {
    ComPtr<IEngineTestHooks> hooks;
    ASSERT_EQ(map_->QueryInterface(__uuidof(IEngineTestHooks), hooks.PutVoid()), S_OK);
    AddText(L"Label", 1, 1, 0);
    AddSymbol(2, 2);
    hooks->ClearCalls();
    EXPECT_EQ(layers_->ApplyFeatureStyle(), S_OK);
    auto picked = [&] {
        LONG count = 0;
        hooks->CallCount(&count);
        std::wstring found;
        for (LONG i = 0; i < count; ++i) {
            BSTR text = nullptr;
            hooks->CallText(i, &text);
            std::wstring line = platform::Bstr::Attach(text).Wide();
            if (line.find(L".Pick") != std::wstring::npos) found += line.substr(0, line.find(L'(')) + L";";
        }
        return found;
    };
    EXPECT_EQ(picked(), L"") << "nothing selected: no dialog";

    EngineDispatch layer(annotations_->GetMapXLayer().Get());
    Variant selection = layer.Get(kLayerSelection);
    EngineDispatch(selection.pdispVal).Call(kSelectionAdd, {Variant(annotations_->GetFeature(2).Get())});
    EngineDispatch(selection.pdispVal).Call(kSelectionAdd, {Variant(annotations_->GetFeature(1).Get())});
    hooks->ClearCalls();
    EXPECT_EQ(layers_->ApplyFeatureStyle(), S_OK);
    EXPECT_EQ(picked(), L"Style.PickSymbol;");
}

TEST_F(AnnotationEditing, WithoutAnAnnotationsLayerEditingIsRefused) {
    layers_->RemoveLayer(annotations_, false, false);
    EXPECT_EQ(layers_->InitialiseAnnotations(), E_UNEXPECTED);
    EXPECT_EQ(layers_->SetCurrentTool(), E_UNEXPECTED);
    EXPECT_EQ(layers_->ApplyFeatureStyle(), S_OK);
}

}  // namespace
}  // namespace layertest
