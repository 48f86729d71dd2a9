// The sample drive test: the same rows for the same count, points that follow one smooth
// closed route inside the stated bounds, and the fields the control and the benchmark read.
#include "tests/standins/dataset/DatasetTestSupport.h"

#include <cmath>

namespace {

using datasettest::FieldOf;
using datasettest::ValueOf;
using platform::ComPtr;
using platform::Variant;

struct Point {
    double latitude, longitude;
};

// Every row's position, read as the control reads it: cursor walk, field values.
std::vector<Point> ReadRoute(IHostDataset* dataset) {
    auto rows = hosttest::Query<IHostRows>(ComPtr<IHostDataset>(dataset));
    auto latitude = FieldOf(dataset, L"Latitude");
    auto longitude = FieldOf(dataset, L"Longitude");
    long count = 0;
    rows->get_RowCount(&count);
    std::vector<Point> route;
    route.reserve(count);
    VARIANT_BOOL onRow = count > 0 ? VARIANT_TRUE : VARIANT_FALSE;
    rows->MoveFirst();
    while (onRow) {
        Variant lat, lon;
        latitude->get_CurrentValue(lat.Put());
        longitude->get_CurrentValue(lon.Put());
        route.push_back({lat.dblVal, lon.dblVal});
        rows->MoveNext(&onRow);
    }
    return route;
}

// Metres between two nearby points.
double Metres(const Point& a, const Point& b) {
    const double kPi = 3.14159265358979323846;
    double dy = (a.latitude - b.latitude) * 111320.0;
    double dx = (a.longitude - b.longitude) * 111320.0 * std::cos(a.latitude * kPi / 180.0);
    return std::sqrt(dx * dx + dy * dy);
}

TEST(SampleDataset, HasTheDriveTestFields) {
    auto dataset = hosttest::Create<IHostDataset>(CLSID_SampleDataset);
    ComPtr<IHostFields> fields;
    ASSERT_EQ(dataset->get_Fields(fields.Put()), S_OK);
    struct Expected {
        const wchar_t* name;
        long type;
        VARTYPE vt;
    };
    const Expected expected[] = {{L"Latitude", 13, VT_R8}, {L"Longitude", 12, VT_R8}, {L"ElementHandle", 3, VT_I4},
                                 {L"RxLev", 5, VT_R8},     {L"Speed", 5, VT_R8},      {L"Quality", 3, VT_I4},
                                 {L"Time", 5, VT_R8}};
    long count = 0;
    EXPECT_EQ(fields->get_Count(&count), S_OK);
    EXPECT_EQ(count, 7);
    auto rows = hosttest::Query<IHostRows>(dataset);
    ASSERT_EQ(rows->MoveTo(41), S_OK);
    for (const Expected& e : expected) {
        auto field = FieldOf(dataset.Get(), e.name);
        long type = 0;
        EXPECT_EQ(field->get_FieldType(&type), S_OK);
        EXPECT_EQ(type, e.type) << platform::ToAnsi(e.name);
        EXPECT_EQ(ValueOf(field.Get()).vt, e.vt) << platform::ToAnsi(e.name);
    }
    EXPECT_EQ(ValueOf(FieldOf(dataset.Get(), L"ElementHandle").Get()).lVal, 42);
    EXPECT_EQ(ValueOf(FieldOf(dataset.Get(), L"Time").Get()).dblVal, 41.0);
    double level = ValueOf(FieldOf(dataset.Get(), L"RxLev").Get()).dblVal;
    EXPECT_GE(level, -110.0);
    EXPECT_LE(level, -40.0);
    long quality = ValueOf(FieldOf(dataset.Get(), L"Quality").Get()).lVal;
    EXPECT_GE(quality, 0);
    EXPECT_LE(quality, 7);
}

TEST(SampleDataset, SameCountGivesTheSameRows) {
    auto first = hosttest::Create<IHostDataset>(CLSID_SampleDataset);
    auto second = hosttest::Create<IHostDataset>(CLSID_SampleDataset);
    auto a = hosttest::Query<IHostDatasetSetup>(first);
    auto b = hosttest::Query<IHostDatasetSetup>(second);
    long rows = 0;
    ASSERT_EQ(a->get_RowCount(&rows), S_OK);
    EXPECT_EQ(rows, 5000);
    for (long row : {0L, 1L, 977L, 4999L}) {
        for (const wchar_t* field : {L"Latitude", L"Longitude", L"RxLev", L"Speed", L"Quality"}) {
            Variant va, vb;
            ASSERT_EQ(a->GetValue(row, Variant(field), va.Put()), S_OK);
            ASSERT_EQ(b->GetValue(row, Variant(field), vb.Put()), S_OK);
            EXPECT_EQ(::VarCmp(&va, &vb, LOCALE_USER_DEFAULT, 0), VARCMP_EQ) << row << " " << platform::ToAnsi(field);
        }
    }
}

TEST(SampleDataset, RowsFollowOneSmoothClosedRouteInsideItsBounds) {
    auto dataset = hosttest::Create<IHostDataset>(CLSID_SampleDataset);
    auto sample = hosttest::Query<IHostSampleDataset>(dataset);
    double minLon = 0, minLat = 0, maxLon = 0, maxLat = 0;
    ASSERT_EQ(sample->GetRouteBounds(&minLon, &minLat, &maxLon, &maxLat), S_OK);
    // A city-sized area: kilometres, not metres or hundreds of kilometres.
    Point low{minLat, minLon}, high{maxLat, maxLon};
    EXPECT_GT(Metres(low, high), 5000.0);
    EXPECT_LT(Metres(low, high), 30000.0);

    std::vector<Point> route = ReadRoute(dataset.Get());
    ASSERT_EQ(route.size(), 5000u);
    double longest = 0, span = 0;
    for (size_t i = 0; i < route.size(); ++i) {
        const Point& p = route[i];
        ASSERT_TRUE(p.latitude >= minLat && p.latitude <= maxLat && p.longitude >= minLon && p.longitude <= maxLon) << i;
        longest = std::max(longest, Metres(p, route[(i + 1) % route.size()]));  // the last row leads back to the first
        span = std::max(span, Metres(route[0], p));
    }
    EXPECT_LT(longest, 40.0);  // about one sample per second of driving
    EXPECT_GT(span, 3000.0);   // and it goes somewhere

    // More rows lie on the same route, more closely.
    ASSERT_EQ(sample->put_RowCount(10000), S_OK);
    std::vector<Point> denser = ReadRoute(dataset.Get());
    ASSERT_EQ(denser.size(), 10000u);
    for (size_t i : {0u, 1u, 2500u, 4999u}) EXPECT_LT(Metres(denser[2 * i], route[i]), 1e-6) << i;
}

TEST(SampleDataset, NewRowCountKeepsTheFieldObjectsAndDropsTheSelection) {
    auto dataset = hosttest::Create<IHostDataset>(CLSID_SampleDataset);
    auto sample = hosttest::Query<IHostSampleDataset>(dataset);
    auto latitude = FieldOf(dataset.Get(), L"Latitude");
    ComPtr<IHostStringList> selection;
    ASSERT_EQ(dataset->get_SelectedRows(selection.Put()), S_OK);
    ASSERT_EQ(selection->Add(Variant(10L), datasettest::Missing(), datasettest::Missing()), S_OK);

    ASSERT_EQ(sample->put_RowCount(20), S_OK);
    long count = 0;
    EXPECT_EQ(selection->get_Count(&count), S_OK);
    EXPECT_EQ(count, 0);
    auto rows = hosttest::Query<IHostRows>(dataset);
    ASSERT_EQ(rows->MoveTo(19), S_OK);
    EXPECT_EQ(ValueOf(latitude.Get()).vt, VT_R8);
    EXPECT_EQ(rows->MoveTo(20), DISP_E_BADINDEX);
    EXPECT_EQ(sample->put_RowCount(-1), E_INVALIDARG);
    ASSERT_EQ(sample->put_RowCount(0), S_OK);
    EXPECT_TRUE(ReadRoute(dataset.Get()).empty());
}

TEST(SampleDataset, HoldsAMillionRows) {
    auto dataset = hosttest::Create<IHostDataset>(CLSID_SampleDataset);
    auto sample = hosttest::Query<IHostSampleDataset>(dataset);
    ASSERT_EQ(sample->put_RowCount(1000000), S_OK);
    std::vector<Point> route = ReadRoute(dataset.Get());
    ASSERT_EQ(route.size(), 1000000u);
    EXPECT_LT(Metres(route[0], route[999999]), 1.0);
    auto setup = hosttest::Query<IHostDatasetSetup>(dataset);
    Variant handle;
    ASSERT_EQ(setup->GetValue(999999, Variant(L"ElementHandle"), handle.Put()), S_OK);
    EXPECT_EQ(handle.lVal, 1000000);
}

}  // namespace
