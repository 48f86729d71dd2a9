// A host shows the sample drive test in a sited map and the user selects measurement points:
// by clicking, with the arrow keys, and by rectangle, radius (in degrees and in metres) and
// polygon. Every selection is read back from the host dataset and checked against a brute-force
// walk over the rows.
#include "tests/datalayers/DisplayFixture.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/TestSite.h"
#include "tests/support/TestSupport.h"

#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/projection/CoordinateSystem.h"

#include "MapEngine.h"


#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

using namespace displaytest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kGuid[] = L"{5E1EC7ED-0000-4000-8000-00000000D7A1}";
const std::wstring kSelectionChanged = L"1:" + std::wstring(kGuid);
constexpr DISPID kCurrentTool = 0xC;
constexpr DISPID kSelectByRadius = 0x33;
constexpr DISPID kSetZoom = 0x22;
constexpr long kRows = 300;

// Engine events and members used.
constexpr LONG kEventKeyDown = -602, kEventMouseDown = -605, kEventMouseMove = -606, kEventToolUsed = 3, kEventPolyToolUsed = 11;
constexpr DISPID kAddXY = 5;

struct Position {
    double lon, lat;
};

template <class I>
ComPtr<I> As(IUnknown* object) {
    ComPtr<I> out;
    if (object) object->QueryInterface(__uuidof(I), out.PutVoid());
    return out;
}

class SelectionControl : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        site_ = platform::MakeObject<testsupport::TestSite>(640, 480);
        ole_ = As<IOleObject>(control_.Get());
        ASSERT_EQ(ole_->SetClientSite(site_.Get()), S_OK);
        Initialise();
        RECT r = site_->Rect();
        ASSERT_EQ(ole_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, site_->Window(), &r), S_OK);
        dataset_ = MakeSampleDataset(kRows);
        ASSERT_EQ(Display(dataset_.Get(), Text(L"RxLev"), kGuid), S_OK);
        hooks_ = As<IEngineTestHooks>(control_.Get());
        ASSERT_TRUE(hooks_);
        ReadPositions();
        DrawFrame();
        events_->Take();
    }
    void TearDown() override {
        if (ole_) {
            ole_->Close(OLECLOSE_NOSAVE);
            ole_->SetClientSite(nullptr);
        }
        DisplayTest::TearDown();
    }

    // A frame drawn as the screen would be: the optimiser learns which row owns which pixel.
    void DrawFrame() {
        testsupport::DibCanvas canvas(640, 480, false);
        EXPECT_EQ(canvas.DrawView(control_.Get()), S_OK);
    }

    void ReadPositions() {
        ComPtr<IHostRows> rows = As<IHostRows>(dataset_.Get());
        ComPtr<IHostFields> fields;
        As<IHostDataset>(dataset_.Get())->get_Fields(fields.Put());
        ComPtr<IHostField> lat, lon;
        fields->Item(Variant(L"Latitude"), lat.Put());
        fields->Item(Variant(L"Longitude"), lon.Put());
        for (long i = 0; i < kRows; ++i) {
            rows->MoveTo(i);
            Variant y, x;
            lat->get_CurrentValue(y.Put());
            lon->get_CurrentValue(x.Put());
            positions_.push_back({x.ToDouble(), y.ToDouble()});
        }
    }

    POINT ToScreen(const Position& p) {
        float x = 0, y = 0;
        double mapX = p.lon, mapY = p.lat;
        VARIANT args[5];
        args[4].vt = VT_R4 | VT_BYREF; args[4].pfltVal = &x;
        args[3].vt = VT_R4 | VT_BYREF; args[3].pfltVal = &y;
        args[2].vt = VT_R8 | VT_BYREF; args[2].pdblVal = &mapX;
        args[1].vt = VT_R8 | VT_BYREF; args[1].pdblVal = &mapY;
        args[0].vt = VT_I2; args[0].iVal = 0;
        DISPPARAMS params = {args, nullptr, 5, 0};
        EXPECT_EQ(EngineMap()->Invoke(34, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
        return {static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y))};
    }

    void Fire(LONG dispid, std::vector<Variant> args) {
        ASSERT_EQ(hooks_->FireEvent(dispid, static_cast<LONG>(args.size()), args.data()), S_OK) << dispid;
    }
    void Click(POINT p, short shift = 0) {
        Fire(kEventMouseDown, {Variant(short{1}), Variant(shift), Variant(static_cast<float>(p.x)),
                               Variant(static_cast<float>(p.y))});
    }
    void Key(short code) { Fire(kEventKeyDown, {Variant(code), Variant(short{0})}); }
    void ToolUsed(short tool, double x1, double y1, double x2, double y2) {
        Fire(kEventToolUsed, {Variant(tool), Variant(x1), Variant(y1), Variant(x2), Variant(y2), Variant(0.0),
                              Variant(false), Variant(false), Variant(true)});
    }
    void PolygonUsed(const std::vector<Position>& ring) {
        ComPtr<IDispatch> points;
        ASSERT_EQ(hooks_->NewPoints(points.Put()), S_OK);
        for (const Position& p : ring) ASSERT_EQ(Call(points.Get(), kAddXY, {Variant(p.lon), Variant(p.lat)}), S_OK);
        Fire(kEventPolyToolUsed, {Variant(short{VO_MAP_TOOL_POLYGON_SELECT}), Variant(1L), Variant(points.Get()),
                                  Variant(false), Variant(false), Variant(true)});
    }

    // The rows a walk over the dataset finds with `inside`.
    std::vector<long> BruteForce(const std::function<bool(const Position&)>& inside) const {
        std::vector<long> rows;
        for (long i = 0; i < kRows; ++i)
            if (inside(positions_[i])) rows.push_back(i);
        return rows;
    }
    std::vector<long> Selected(IDispatch* dataset = nullptr) {
        std::vector<long> rows = SelectedRows(dataset ? dataset : dataset_.Get());
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    // The key of the named entry "selected <layer name>" the dataset holds; empty when none.
    std::wstring NamedSelectionKey() {
        ComPtr<IHostPropertyCollection> entries;
        EXPECT_EQ(As<IHostDataset>(dataset_.Get())->get_NamedEntries(entries.Put()), S_OK);
        for (const std::wstring& name : EngineLayerNames()) {
            VARIANT_BOOL found = VARIANT_FALSE;
            Bstr key(L"selected " + name);
            entries->HasKey(key.Get(), &found);
            if (found == VARIANT_TRUE) return key.Wide();
        }
        return L"";
    }
    // Whether the dataset holds the named entry "selected <layer name>" of one of the map's layers.
    bool HasNamedSelection() {
        ComPtr<IHostPropertyCollection> entries;
        EXPECT_EQ(As<IHostDataset>(dataset_.Get())->get_NamedEntries(entries.Put()), S_OK);
        for (const std::wstring& name : EngineLayerNames()) {
            VARIANT_BOOL found = VARIANT_FALSE;
            Bstr key(L"selected " + name);
            entries->HasKey(key.Get(), &found);
            if (found == VARIANT_TRUE) return true;
        }
        return false;
    }
    ZmaExtent View() {
        std::vector<double> b = MapBounds();
        return {b[0], b[3], b[2], b[1]};
    }
    // A row near the middle of the route that is drawn on the screen.
    long VisibleRow() {
        for (long row = kRows / 2; row < kRows; ++row) {
            POINT p = ToScreen(positions_[row]);
            if (p.x > 20 && p.y > 20 && p.x < 620 && p.y < 460) return row;
        }
        ADD_FAILURE() << "no row is in view";
        return 0;
    }

    ComPtr<testsupport::TestSite> site_;
    ComPtr<IOleObject> ole_;
    ComPtr<IDispatch> dataset_;
    ComPtr<IEngineTestHooks> hooks_;
    std::vector<Position> positions_;
};

TEST_F(SelectionControl, AClickOnADrawnPointSelectsItsRowInBothPlacesAndTellsTheHost) {
    ASSERT_EQ(Put(Control(), kCurrentTool, Variant(static_cast<long>(VO_MAP_TOOL_SELECT))), S_OK);
    const long row = VisibleRow();
    Click(ToScreen(positions_[row]));

    std::vector<long> selected = Selected();
    ASSERT_EQ(selected.size(), 1u);
    // The optimiser takes the row drawn on the pixel: the clicked row or one drawn on top of it.
    POINT hit = ToScreen(positions_[selected[0]]), clicked = ToScreen(positions_[row]);
    EXPECT_LE(std::abs(hit.x - clicked.x) + std::abs(hit.y - clicked.y), 2);
    EXPECT_TRUE(HasNamedSelection());
    EXPECT_TRUE(events_->Saw(kSelectionChanged));

    // A click on empty map clears both places again.
    Click({5, 5});
    EXPECT_TRUE(Selected().empty());
    EXPECT_FALSE(HasNamedSelection());
}

TEST_F(SelectionControl, TheArrowKeysWalkTheSelectionOneRowAtATime) {
    ASSERT_EQ(Put(Control(), kCurrentTool, Variant(static_cast<long>(VO_MAP_TOOL_SELECT))), S_OK);
    Click(ToScreen(positions_[VisibleRow()]));
    std::vector<long> selected = Selected();
    ASSERT_EQ(selected.size(), 1u);
    const long first = selected[0];
    events_->Take();

    Key(39);
    EXPECT_EQ(Selected(), std::vector<long>{first + 1});
    EXPECT_TRUE(events_->Saw(kSelectionChanged));
    Key(37);
    Key(37);
    EXPECT_EQ(Selected(), std::vector<long>{first - 1});
    EXPECT_TRUE(HasNamedSelection());
}

TEST_F(SelectionControl, TheArrowKeysStopAtTheEndsAndNeedASelection) {
    Key(39);
    EXPECT_TRUE(Selected().empty()) << "no selection: the key is not taken";
    ASSERT_EQ(Put(Control(), kCurrentTool, Variant(static_cast<long>(VO_MAP_TOOL_SELECT))), S_OK);
    Click(ToScreen(positions_[VisibleRow()]));
    ASSERT_EQ(Selected().size(), 1u);
    for (int i = 0; i < kRows + 5; ++i) Key(39);
    EXPECT_EQ(Selected(), std::vector<long>{kRows - 1}) << "no wrap-around past the last row";
    events_->Take();
    Key(39);
    EXPECT_TRUE(events_->Saw(kSelectionChanged)) << "the host still hears of the key";
}

TEST_F(SelectionControl, OnceTheHostHasSetTheZoomTheDatasetsNamedEntryDecides) {
    ASSERT_EQ(Call(Control(), kSetZoom, {Variant(1.0), Variant(640L), Variant(480L), Variant(640L), Variant(480L)}), S_OK);
    ASSERT_EQ(Put(Control(), kCurrentTool, Variant(static_cast<long>(VO_MAP_TOOL_SELECT))), S_OK);
    Click(ToScreen(positions_[VisibleRow()]));
    const std::vector<long> first = Selected();
    ASSERT_EQ(first.size(), 1u);
    const std::wstring key = NamedSelectionKey();
    ASSERT_FALSE(key.empty());

    // Another view on the dataset dropped the entry: this layer no longer has a selection.
    ComPtr<IHostPropertyCollection> entries;
    ASSERT_EQ(As<IHostDataset>(dataset_.Get())->get_NamedEntries(entries.Put()), S_OK);
    ASSERT_EQ(entries->Remove(Variant(key)), S_OK);
    Key(39);
    EXPECT_EQ(Selected(), first) << "the arrow key is not taken";

    // Another view recorded one: the keys walk it again.
    ASSERT_EQ(entries->Add(Variant(true), Variant(key), Missing()), S_OK);
    Key(39);
    EXPECT_EQ(Selected(), std::vector<long>{first[0] + 1});
}

TEST_F(SelectionControl, RectangleAndRadiusSelectExactlyTheRowsInside) {
    const ZmaExtent view = View();
    const double w = view.right - view.left, h = view.top - view.bottom;
    const ZmaExtent area = {view.left + w * 0.3, view.top - h * 0.2, view.left + w * 0.7, view.bottom + h * 0.2};
    ToolUsed(VO_MAP_TOOL_RECTANGLE_SELECT, area.left, area.bottom, area.right, area.top);
    std::vector<long> expected = BruteForce([&](const Position& p) {
        return area.left < p.lon && p.lon < area.right && area.bottom < p.lat && p.lat < area.top;
    });
    ASSERT_FALSE(expected.empty()) << "the rectangle should hold part of the route";
    EXPECT_EQ(Selected(), expected);
    EXPECT_TRUE(HasNamedSelection());

    // A radius selection replaces it.
    const Position centre = positions_[VisibleRow()];
    const double radius = w * 0.15;
    ToolUsed(VO_MAP_TOOL_RADIUS_SELECT, centre.lon, centre.lat, centre.lon + radius, centre.lat);
    expected = BruteForce([&](const Position& p) {
        const double dx = p.lon - centre.lon, dy = p.lat - centre.lat;
        const bool inView = view.left < p.lon && p.lon < view.right && view.bottom < p.lat && p.lat < view.top;
        return inView && dx * dx + dy * dy <= radius * radius;
    });
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(Selected(), expected);
}

TEST_F(SelectionControl, SelectByRadiusMeasuresMetresInTheCentresUtmZone) {
    const Position centre = positions_[VisibleRow()];
    const long metres = 400;
    const ZmaExtent view = View();
    const long unitBefore = Get(EngineMap().Get(), kEngineDistanceUnit).ToLong();
    // A script passes small integers as VT_I2 and variables by reference.
    Variant lat(centre.lat), lon(centre.lon);
    Variant latRef, lonRef;
    latRef.vt = VT_BYREF | VT_VARIANT;
    latRef.pvarVal = &lat;
    lonRef.vt = VT_BYREF | VT_VARIANT;
    lonRef.pvarVal = &lon;
    ASSERT_EQ(Call(Control(), kSelectByRadius, {latRef, lonRef, Variant(static_cast<short>(metres))}), S_OK);

    CCoordinateSystem utm;
    ASSERT_TRUE(utm.InitUTM(centre.lat, centre.lon));
    CCoordinate c;
    ASSERT_TRUE(utm.ForwardProjection(CCoordinate(centre.lon, centre.lat, 0, CCoordinate::kGeographic), c));
    std::vector<long> expected = BruteForce([&](const Position& p) {
        if (!(view.left < p.lon && p.lon < view.right && view.bottom < p.lat && p.lat < view.top)) return false;
        CCoordinate q;
        utm.ForwardProjection(CCoordinate(p.lon, p.lat, 0, CCoordinate::kGeographic), q);
        const double dx = q.GetX() - c.GetX(), dy = q.GetY() - c.GetY();
        return dx * dx + dy * dy <= double(metres) * metres;
    });
    ASSERT_FALSE(expected.empty());
    ASSERT_LT(expected.size(), static_cast<size_t>(kRows));
    EXPECT_EQ(Selected(), expected);
    EXPECT_TRUE(events_->Saw(kSelectionChanged));
    EXPECT_EQ(Get(EngineMap().Get(), kEngineDistanceUnit).ToLong(), unitBefore) << "the map's own unit is put back";
}

TEST_F(SelectionControl, SelectByRadiusRefusesWhatItCannotConvert) {
    ComPtr<IDispatch> nothing;
    EXPECT_EQ(Call(Control(), kSelectByRadius, {Text(L"north"), Variant(10.0), Variant(100L)}), E_INVALIDARG);
    EXPECT_EQ(Call(Control(), kSelectByRadius, {Variant(50.0), Variant(10.0), Variant(nothing.Get())}), E_INVALIDARG);
    EXPECT_TRUE(Selected().empty());
}

TEST_F(SelectionControl, APolygonSelectsTheRowsInsideItsRing) {
    const ZmaExtent view = View();
    const double w = view.right - view.left, h = view.top - view.bottom;
    // A triangle over the middle of the view.
    const std::vector<Position> ring = {{view.left + w * 0.2, view.bottom + h * 0.2},
                                        {view.left + w * 0.8, view.bottom + h * 0.3},
                                        {view.left + w * 0.5, view.top - h * 0.1}};
    PolygonUsed(ring);

    std::vector<Position> closed = ring;
    closed.push_back(ring.front());
    std::vector<long> expected = BruteForce([&](const Position& p) {
        bool inside = false;
        for (size_t i = 0; i + 1 < closed.size(); ++i) {
            const Position &a = closed[i], &b = closed[i + 1];
            if (((a.lat <= p.lat && p.lat < b.lat) || (b.lat <= p.lat && p.lat < a.lat)) &&
                p.lon < (b.lon - a.lon) * (p.lat - a.lat) / (b.lat - a.lat) + a.lon)
                inside = !inside;
        }
        return inside;
    });
    ASSERT_FALSE(expected.empty()) << "the triangle should hold part of the route";
    EXPECT_EQ(Selected(), expected);
}

// Rows the map does not draw (latitude 95 and -120) are never selected, even while the layer's kept rows are stale:
// after the host's NotifyChange, or after rows it added without one, and before the next frame.
TEST_F(SelectionControl, AreasOverTheWholeWorldSelectOnlyTheRowsTheMapDrawsAfterAChange) {
    const wchar_t kChanging[] = L"{5E1EC7ED-0000-4000-8000-00000000D7A2}";
    RECT tall = {0, 0, 240, 480};  // the world's width in a map taller than wide: the view reaches past the poles
    ASSERT_EQ(As<IOleInPlaceObject>(control_.Get())->SetObjectRects(&tall, &tall), S_OK);
    const Variant noRenderer(static_cast<IDispatch*>(nullptr));
    const std::pair<const char*, std::function<void(const ZmaExtent&)>> areas[] = {
        {"rectangle", [&](const ZmaExtent& v) { ToolUsed(VO_MAP_TOOL_RECTANGLE_SELECT, v.left, v.bottom, v.right, v.top); }},
        {"radius", [&](const ZmaExtent&) { ToolUsed(VO_MAP_TOOL_RADIUS_SELECT, 0.0, 0.0, 179.0, 0.0); }},
        {"polygon", [&](const ZmaExtent& v) {
             PolygonUsed({{v.left + 1, v.bottom + 1}, {v.right - 1, v.bottom + 1}, {v.right - 1, v.top - 1},
                          {v.left + 1, v.top - 1}});
         }}};
    for (bool notified : {true, false}) {
        for (const auto& [area, select] : areas) {
            SCOPED_TRACE(std::string(area) + (notified ? " after NotifyChange" : " after rows added"));
            ComPtr<IDispatch> rows = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 10);
            for (long row = 0; row < 10; ++row) SetValue(rows.Get(), row, L"RxLev", Variant(-70.0));
            ASSERT_EQ(Display(rows.Get(), Text(L"RxLev"), kChanging), S_OK);
            ASSERT_EQ(PutEngineBounds(EngineMap().Get(), -180.0, -90.0, 180.0, 90.0), S_OK);
            const ZmaExtent view = View();
            ASSERT_TRUE(view.top > 95 && view.bottom < -120) << "a tall map shows the latitudes off the world";
            EXPECT_EQ(testsupport::DibCanvas(240, 480, false).DrawView(control_.Get()), S_OK);

            // Rows 3 and 6 moved off the world, or rows 10 and 11 added there.
            long off[2] = {3, 6};
            if (!notified) {
                for (long& row : off) ASSERT_EQ(As<IHostDatasetSetup>(rows.Get())->AddRow(&row), S_OK);
            }
            for (int i : {0, 1}) {
                SetValue(rows.Get(), off[i], L"Latitude", Variant(i ? -120.0 : 95.0));
                SetValue(rows.Get(), off[i], L"Longitude", Variant(10.0));
                SetValue(rows.Get(), off[i], L"RxLev", Variant(-70.0));
            }
            if (notified) {
                ASSERT_EQ(Call(Control(), kNotifyChange, {Text(kChanging), Variant(0L), noRenderer, Missing()}), S_OK);
            }
            select(view);
            const std::vector<long> all = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, drawn = {0, 1, 2, 4, 5, 7, 8, 9};
            EXPECT_EQ(Selected(rows.Get()), notified ? drawn : all);
            ASSERT_EQ(Call(Control(), kRemoveDataset, {Text(kChanging), Missing()}), S_OK);
        }
    }
}

TEST_F(SelectionControl, RollingOverAPointShowsItsDisplayFieldLines) {
    ::SetActiveWindow(site_->Window());
    if (::GetActiveWindow() != site_->Window()) GTEST_SKIP() << "the site window cannot be made active here";
    ASSERT_EQ(Put(Control(), kCurrentTool, Variant(static_cast<long>(VO_MAP_TOOL_SELECT))), S_OK);
    const POINT p = ToScreen(positions_[VisibleRow()]);
    Fire(kEventMouseMove, {Variant(short{0}), Variant(short{0}), Variant(static_cast<float>(p.x)),
                           Variant(static_cast<float>(p.y))});
    const std::string text = testsupport::ShownRolloverTip();
    EXPECT_EQ(text.rfind("RxLev: ", 0), 0u) << text;
    EXPECT_EQ(text.find('\n'), std::string::npos) << "one display field, one line: " << text;

    // Away from the route the tooltip goes.
    Fire(kEventMouseMove, {Variant(short{0}), Variant(short{0}), Variant(3.0f), Variant(3.0f)});
    EXPECT_EQ(testsupport::ShownRolloverTip(), "");
}

}  // namespace
