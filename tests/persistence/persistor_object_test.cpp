// The coordinate system, datum and rectangle persistors against the engine stand-in's objects.
#include "tests/persistence/PersistorFixture.h"

#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/persistence/PersistentObject.h"
#include "ZmaVOMap2/persistence/SelectionPersistor.h"

using namespace persisttest;
using platform::ComPtr;
using platform::Variant;

namespace {

class ObjectPersistors : public PersistorTest {
protected:
    // A coordinate system of the engine's, free to change.
    ComPtr<IDispatch> NewCoordSys() {
        constexpr DISPID kDisplayCoordSys = 30, kClone = 17;  // the map's, and the coordinate system's
        Variant shown = Get(map_.Get(), kDisplayCoordSys);
        Variant copy = EngineDispatch(shown.pdispVal).Call(kClone);
        return ComPtr<IDispatch>(copy.pdispVal);
    }
    static void SetCoordSys(IDispatch* coordSys, short type, IDispatch* datum, double originLong, double scale,
                            IDispatch* bounds = nullptr) {
        Variant missing = Variant::Missing();
        EngineDispatch(coordSys).Call(
            Engine::CoordSys::kSet,
            {Variant(type), datum ? Variant(datum) : missing, Variant(7L), Variant(originLong), Variant(52.0),
             Variant(10.0), Variant(20.0), Variant(30.0), Variant(scale), Variant(500000.0), Variant(100.0),
             Variant(90.0), bounds ? Variant(bounds) : missing, missing});
    }
    ComPtr<IDispatch> NewDatum(short ellipsoid, double shiftX) {
        ComPtr<IDispatch> datum = NewObject(ExternalIds::kEngineDatum);
        EngineDispatch(datum.Get()).Call(Engine::Datum::kSet, {Variant(ellipsoid), Variant(shiftX), Variant(-2.0), Variant(3.0),
                                                          Variant(0.5), Variant(-0.25), Variant(0.125), Variant(1.5),
                                                          Variant(2.0)});
        return datum;
    }
};

TEST_F(ObjectPersistors, EachProjectionTypeWritesExactlyTheItemsItHas) {
    ComPtr<IDispatch> coordSys = NewCoordSys();

    SetCoordSys(coordSys.Get(), 1, NewDatum(28, 1.0).Get(), 3.0, 0.9996);
    ASSERT_EQ(CZmaVOMapXPersistentCoordSys(coordSys.Get()).Save(root_.Get()), S_OK);
    ComPtr<IXMLDOMElement> type1 = Child(root_.Get(), L"coordsys");
    ASSERT_TRUE(type1);
    EXPECT_EQ(Attribute(type1.Get(), L"type"), L"1");
    EXPECT_TRUE(Child(type1.Get(), L"datum"));
    EXPECT_FALSE(Child(type1.Get(), L"rectangle"));
    for (const wchar_t* name : {L"units", L"originlong", L"scale", L"range"}) EXPECT_FALSE(Has(type1.Get(), name)) << name;

    root_->removeChild(type1.Get(), nullptr);
    SetCoordSys(coordSys.Get(), 8, NewDatum(28, 1.0).Get(), 3.0, 0.9996);
    ASSERT_EQ(CZmaVOMapXPersistentCoordSys(coordSys.Get()).Save(root_.Get()), S_OK);
    ComPtr<IXMLDOMElement> type8 = Child(root_.Get(), L"coordsys");
    for (const wchar_t* name : {L"units", L"originlong", L"originlat", L"scale", L"falseeast", L"falsenorth"})
        EXPECT_TRUE(Has(type8.Get(), name)) << name;
    for (const wchar_t* name : {L"stdparone", L"stdpartwo", L"azimuth", L"range"}) EXPECT_FALSE(Has(type8.Get(), name)) << name;
    EXPECT_EQ(Attribute(type8.Get(), L"scale"), L"0.9996");
    EXPECT_TRUE(Child(type8.Get(), L"datum"));
}

TEST_F(ObjectPersistors, ATransverseMercatorWithItsDatumComesBackWhole) {
    ComPtr<IDispatch> saved = NewCoordSys();
    SetCoordSys(saved.Get(), 8, NewDatum(28, 12.5).Get(), 9.0, 0.9996);
    ASSERT_EQ(CZmaVOMapXPersistentCoordSys(saved.Get()).Save(root_.Get()), S_OK);

    ComPtr<IDispatch> loaded = NewCoordSys();
    ASSERT_EQ(CZmaVOMapXPersistentCoordSys(loaded.Get()).Load(root_.Get()), S_OK);
    EXPECT_EQ(Get(loaded.Get(), Engine::CoordSys::kType).ToLong(), 8);
    EXPECT_EQ(Get(loaded.Get(), Engine::CoordSys::kUnits).ToLong(), 7);
    EXPECT_DOUBLE_EQ(Get(loaded.Get(), Engine::CoordSys::kFirstParameter).ToDouble(), 9.0);
    EXPECT_DOUBLE_EQ(Get(loaded.Get(), Engine::CoordSys::kFirstParameter + 5).ToDouble(), 0.9996);
    EXPECT_DOUBLE_EQ(Get(loaded.Get(), Engine::CoordSys::kFirstParameter + 6).ToDouble(), 500000.0);
    Variant datum = Get(loaded.Get(), Engine::CoordSys::kDatum);
    ASSERT_EQ(datum.vt, VT_DISPATCH);
    EXPECT_EQ(Get(datum.pdispVal, Engine::Datum::kEllipsoid).ToLong(), 28);
    EXPECT_DOUBLE_EQ(Get(datum.pdispVal, Engine::Datum::kShiftX).ToDouble(), 12.5);
    EXPECT_DOUBLE_EQ(Get(datum.pdispVal, Engine::Datum::kRotateZ).ToDouble(), 0.125);
    EXPECT_DOUBLE_EQ(Get(datum.pdispVal, Engine::Datum::kPrimeMeridian).ToDouble(), 2.0);
}

TEST_F(ObjectPersistors, ANonEarthSystemKeepsItsBoundsInARectangleChild) {
    ComPtr<IDispatch> bounds = NewObject(ExternalIds::kEngineRectangle);
    EngineDispatch(bounds.Get()).Call(Engine::Rectangle::kSet, {Variant(-100.0), Variant(-50.0), Variant(300.0), Variant(250.0)});
    ComPtr<IDispatch> saved = NewCoordSys();
    SetCoordSys(saved.Get(), 0, nullptr, 0.0, 1.0, bounds.Get());
    ASSERT_EQ(CZmaVOMapXPersistentCoordSys(saved.Get()).Save(root_.Get()), S_OK);
    ComPtr<IXMLDOMElement> coordsys = Child(root_.Get(), L"coordsys");
    ComPtr<IXMLDOMElement> rectangle = Child(coordsys.Get(), L"rectangle");
    ASSERT_TRUE(rectangle);
    EXPECT_FALSE(Child(coordsys.Get(), L"datum"));
    EXPECT_EQ(Attribute(rectangle.Get(), L"xmax"), L"300");
    EXPECT_EQ(Attribute(rectangle.Get(), L"ymin"), L"-50");

    ComPtr<IDispatch> loaded = NewCoordSys();
    ASSERT_EQ(CZmaVOMapXPersistentCoordSys(loaded.Get()).Load(root_.Get()), S_OK);
    EXPECT_EQ(Get(loaded.Get(), Engine::CoordSys::kType).ToLong(), 0);
    Variant loadedBounds = Get(loaded.Get(), Engine::CoordSys::kBounds);
    ASSERT_EQ(loadedBounds.vt, VT_DISPATCH);
    EXPECT_DOUBLE_EQ(Get(loadedBounds.pdispVal, Engine::Rectangle::kXMin).ToDouble(), -100.0);
    EXPECT_DOUBLE_EQ(Get(loadedBounds.pdispVal, Engine::Rectangle::kYMax).ToDouble(), 250.0);
}

TEST_F(ObjectPersistors, BadDocumentsFailWithoutTouchingTheEngine) {
    ComPtr<IDispatch> coordSys = NewCoordSys();
    SetCoordSys(coordSys.Get(), 8, NewDatum(28, 1.0).Get(), 9.0, 0.9996);
    auto type = [&] { return Get(coordSys.Get(), Engine::CoordSys::kType).ToLong(); };

    // No "coordsys" child at all.
    EXPECT_EQ(CZmaVOMapXPersistentCoordSys(coordSys.Get()).Load(root_.Get()), E_FAIL);
    // A text node before it ends the walk.
    ComPtr<IXMLDOMText> text;
    document_->createTextNode(platform::Bstr(L"stray").Get(), text.Put());
    root_->appendChild(text.Get(), nullptr);
    ComPtr<IXMLDOMElement> element = platform::CreateChildElement(root_.Get(), L"coordsys");
    SetAttr(element.Get(), L"type", L"1");
    EXPECT_EQ(CZmaVOMapXPersistentCoordSys(coordSys.Get()).Load(root_.Get()), E_FAIL);
    root_->removeChild(text.Get(), nullptr);

    // No type, a type that is no number, a type outside the known projections.
    RemoveAttr(element.Get(), L"type");
    EXPECT_EQ(CZmaVOMapXPersistentCoordSys(coordSys.Get()).Load(root_.Get()), DISP_E_TYPEMISMATCH);
    SetAttr(element.Get(), L"type", L"eight");
    EXPECT_TRUE(FAILED(CZmaVOMapXPersistentCoordSys(coordSys.Get()).Load(root_.Get())));
    SetAttr(element.Get(), L"type", L"26");
    EXPECT_EQ(CZmaVOMapXPersistentCoordSys(coordSys.Get()).Load(root_.Get()), E_INVALIDARG);
    EXPECT_EQ(type(), 8);
}

TEST_F(ObjectPersistors, DatumNumbersAreReadUpToTheFirstCharacterThatDoesNotFit) {
    ComPtr<IDispatch> datum = NewDatum(1, 0.0);
    ComPtr<IXMLDOMElement> element = platform::CreateChildElement(root_.Get(), L"datum");
    const wchar_t* names[] = {L"ellipsoid", L"minoraxis", L"majoraxis", L"primemeridian", L"scaleadjust", L"rotatez",
                              L"rotatey", L"rotatex", L"shiftz", L"shifty", L"shiftx"};
    for (const wchar_t* name : names) SetAttr(element.Get(), name, L"0");
    SetAttr(element.Get(), L"ellipsoid", L"28");
    SetAttr(element.Get(), L"shiftx", L"12.5 metres");
    SetAttr(element.Get(), L"shifty", L"");
    ASSERT_EQ(CZmaVOMapXPersistentDatum(datum.Get()).Load(root_.Get()), S_OK);
    EXPECT_EQ(Get(datum.Get(), Engine::Datum::kEllipsoid).ToLong(), 28);
    EXPECT_DOUBLE_EQ(Get(datum.Get(), Engine::Datum::kShiftX).ToDouble(), 12.5);
    EXPECT_DOUBLE_EQ(Get(datum.Get(), Engine::Datum::kShiftY).ToDouble(), 0.0);

    // A missing attribute fails the load and sets nothing.
    RemoveAttr(element.Get(), L"rotatey");
    SetAttr(element.Get(), L"ellipsoid", L"5");
    EXPECT_EQ(CZmaVOMapXPersistentDatum(datum.Get()).Load(root_.Get()), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Get(datum.Get(), Engine::Datum::kEllipsoid).ToLong(), 28);
}

// Just enough of an automation object: fixed answers by name and by DISPID.
class FakeDispatch : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown && iid != IID_IDispatch) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
};

// An engine feature with a key of the test's choosing.
class FakeFeature : public FakeDispatch {
public:
    explicit FakeFeature(const wchar_t* key) : key_(key) {}
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (id != Engine::Feature::kKey) return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_BSTR;
        result->bstrVal = ::SysAllocString(key_);
        return S_OK;
    }

private:
    const wchar_t* key_;
};

// A selection as any collection answering "Count" and "Item" by name; as on the engine, Item is an
// indexed property, and a call of it as a method alone finds no member.
class FakeSelection : public FakeDispatch {
public:
    explicit FakeSelection(std::vector<IDispatch*> features) : features_(std::move(features)) {}
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        const std::wstring name = names[0];
        *ids = name == L"Count" ? 100 : name == L"Item" ? 101 : DISPID_UNKNOWN;
        return *ids == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (id == 100) {
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(features_.size());
            return S_OK;
        }
        const long index = params->rgvarg[0].lVal;
        if (index < 1 || index > static_cast<long>(features_.size())) return DISP_E_BADINDEX;
        result->vt = VT_DISPATCH;
        result->pdispVal = features_[index - 1];
        result->pdispVal->AddRef();
        return S_OK;
    }

private:
    std::vector<IDispatch*> features_;
};

TEST_F(ObjectPersistors, SelectedFeatureKeysAreListedWithTheirOwnSeparatorsEscaped) {
    FakeFeature seven(L"7"), twelve(L"12"), forty(L"40");
    FakeSelection plain({&seven, &twelve, &forty});
    ComPtr<IXMLDOMElement> element = platform::CreateChildElement(root_.Get(), L"Selection");
    ASSERT_EQ(CZmaVOMapXSelectionPersistor().Save(element.Get(), &plain), S_OK);
    EXPECT_EQ(Attribute(element.Get(), L"featurekeys"), L"^7^12^40");

    FakeFeature caret(L"a^b"), slash(L"c\\d");
    FakeSelection awkward({&caret, &slash});
    ASSERT_EQ(CZmaVOMapXSelectionPersistor().Save(element.Get(), &awkward), S_OK);
    EXPECT_EQ(Attribute(element.Get(), L"featurekeys"), L"^a\\^b^c\\\\d");

    // An empty selection leaves what is there.
    FakeSelection none({});
    ASSERT_EQ(CZmaVOMapXSelectionPersistor().Save(element.Get(), &none), S_OK);
    EXPECT_EQ(Attribute(element.Get(), L"featurekeys"), L"^a\\^b^c\\\\d");
    EXPECT_EQ(CZmaVOMapXSelectionPersistor().Save(nullptr, &none), E_POINTER);
}

}  // namespace
