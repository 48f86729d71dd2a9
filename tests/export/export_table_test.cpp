// A data layer written as a MapInfo table and as KML: what the files hold, read back through
// our own TAB reader and MSXML here, and by GDAL afterwards (export_gdal_check.py).
#include "tests/export/ExportFixture.h"

#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/export/LineTableExport.h"
#include "ZmaVOMap2/mitab/mitab.h"
#include "platform/Number.h"
#include "platform/Xml.h"
#include "tests/support/TestSupport.h"

#include <cmath>
#include <cstdio>
#include <fstream>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
using namespace exporttest;
using dltest::LatLon;

namespace {

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Table {
    explicit Table(const std::string& path) : handle(mitab_c_open(path.c_str())) {}
    ~Table() { mitab_c_close(handle); }
    std::vector<std::string> FieldNames() const {
        std::vector<std::string> names;
        for (int i = 0; i < mitab_c_get_field_count(handle); ++i) names.push_back(mitab_c_get_field_name(handle, i));
        return names;
    }
    std::vector<int> FeatureIds() const {
        std::vector<int> ids;
        for (int id = mitab_c_next_feature_id(handle, -1); id != -1; id = mitab_c_next_feature_id(handle, id)) ids.push_back(id);
        return ids;
    }
    mitab_handle handle;
};

struct Feature {
    Feature(mitab_handle table, int id) : f(mitab_c_read_feature(table, id)) {}
    ~Feature() { mitab_c_destroy_feature(f); }
    std::string Text(int field) const { return mitab_c_get_field_as_string(f, field); }
    mitab_feature f;
};

std::vector<std::pair<double, double>> Positions(IHostDataset* dataset) {
    std::vector<std::pair<double, double>> result;
    ComPtr<IHostRows> rows = hostdata::Rows(dataset);
    ComPtr<IHostFields> fields = hostdata::Fields(dataset);
    ComPtr<IHostField> lat = hostdata::FieldByName(fields.Get(), L"Latitude"), lon = hostdata::FieldByName(fields.Get(), L"Longitude");
    const long count = hostdata::RowCount(rows.Get());
    hostdata::MoveFirst(rows.Get());
    Variant v;
    for (long i = 0; i < count; ++i) {
        if (i) hostdata::MoveNext(rows.Get());
        hostdata::ReadValue(lon.Get(), v);
        const double x = v.ToDouble();
        hostdata::ReadValue(lat.Get(), v);
        result.emplace_back(x, v.ToDouble());
    }
    return result;
}

std::vector<double> Values(IHostDataset* dataset, const wchar_t* name) {
    std::vector<double> result;
    ComPtr<IHostRows> rows = hostdata::Rows(dataset);
    ComPtr<IHostField> field = hostdata::FieldByName(hostdata::Fields(dataset).Get(), name);
    const long count = hostdata::RowCount(rows.Get());
    hostdata::MoveFirst(rows.Get());
    Variant v;
    for (long i = 0; i < count; ++i) {
        if (i) hostdata::MoveNext(rows.Get());
        hostdata::ReadValue(field.Get(), v);
        result.push_back(v.ToDouble());
    }
    return result;
}

const std::vector<StyleClass> kLevelClasses = {
    {-1000, -90, 40, 6, 0x000000FF}, {-90, -70, 41, 8, 0x0000FF00}, {-70, 1000, 42, 10, 0x00336699}};
const std::vector<StyleClass> kSpeedClasses = {{0, 30, 50, 8, 0x00FF0000}, {30, 1000, 51, 14, 0x00FFFF00}};

// A line layer that only notes what the cell-site export asks of it.
class RecordingLines : public CZmaVadAZLayer, public LineTableExport {
public:
    RecordingLines(IDispatch* map, std::vector<std::string>& calls, const char* tag)
        : CZmaVadAZLayer(map, nullptr), calls_(calls), tag_(tag) {}
    WrittenTable WriteTable(const std::wstring& folder, const std::string& name) override {
        calls_.push_back(std::string(tag_) + " " + platform::ToAnsi(folder) + " " + name);
        return {};
    }

private:
    std::vector<std::string>& calls_;
    const char* tag_;
};

// --- TAB ------------------------------------------------------------------------------------

TEST_F(ExportTest, TheSampleDriveTestBecomesOneStyledPointPerRow) {
    ComPtr<IHostSampleDataset> sample = dltest::Create<IHostSampleDataset>(CLSID_SampleDataset);
    ASSERT_EQ(sample->put_RowCount(300), S_OK);
    ComPtr<IHostDataset> dataset;
    sample.As(dataset);
    AttachStyle(dataset.Get(), L"RxLev", kLevelClasses);
    AttachStyle(dataset.Get(), L"Speed", kSpeedClasses);
    AttachStyle(dataset.Get(), L"Quality", {}, 0);
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"RxLev", L"Speed", L"Quality"}, {3, 1, 5}, "Drive test");

    const std::string folder = OutFolder("sample");
    ASSERT_EQ(layer.ExportTab(platform::ToWide(folder)), S_OK);
    Table table(folder + "\\Drivetest.TAB");
    ASSERT_TRUE(table.handle);
    EXPECT_EQ(table.FieldNames(), (std::vector<std::string>{"Quality", "Speed", "RxLev"})) << "front display field first";

    const auto positions = Positions(dataset.Get());
    const auto levels = Values(dataset.Get(), L"RxLev"), speeds = Values(dataset.Get(), L"Speed"),
               qualities = Values(dataset.Get(), L"Quality");
    const std::vector<int> ids = table.FeatureIds();
    ASSERT_EQ(ids.size(), positions.size());
    std::ofstream expected(UnixOf(folder) + "/expected.txt");
    for (size_t i = 0; i < ids.size(); ++i) {
        Feature f(table.handle, ids[i]);
        ASSERT_TRUE(f.f);
        EXPECT_EQ(mitab_c_get_type(f.f), TABFC_FontPoint);
        EXPECT_NEAR(mitab_c_get_vertex_x(f.f, 0, 0), positions[i].first, 1e-6);
        EXPECT_NEAR(mitab_c_get_vertex_y(f.f, 0, 0), positions[i].second, 1e-6);
        const StyleClass& level = *std::find_if(kLevelClasses.begin(), kLevelClasses.end(),
                                                [&](const StyleClass& c) { return c.lower <= levels[i] && levels[i] < c.upper; });
        const double size = speeds[i] < 30 ? 8 : 14;
        EXPECT_EQ(mitab_c_get_symbol_color(f.f), level.colour) << "row " << i;
        EXPECT_EQ(mitab_c_get_symbol_size(f.f), size) << "row " << i;
        const std::string levelText = platform::FormatFixed(levels[i], 1), speedText = platform::FormatFixed(speeds[i], 1);
        EXPECT_EQ(f.Text(2), levelText);
        EXPECT_EQ(f.Text(1), speedText);
        EXPECT_EQ(testsupport::NumberIn(f.Text(0)), qualities[i]);
        char line[200];
        std::snprintf(line, sizeof line, "%s %s %s %s %ld #%02x%02x%02x %d\n", platform::FormatFixed(positions[i].first, 9).c_str(),
                      platform::FormatFixed(positions[i].second, 9).c_str(), levelText.c_str(), speedText.c_str(),
                      static_cast<long>(qualities[i]), static_cast<unsigned>(level.colour & 0xFF),
                      static_cast<unsigned>((level.colour >> 8) & 0xFF), static_cast<unsigned>((level.colour >> 16) & 0xFF),
                      static_cast<int>(size));
        expected << line;
    }
}

TEST_F(ExportTest, FieldNamesAreCleanedCutAndKeptApartAndNegativeDecimalsFit) {
    ComPtr<IHostDataset> dataset = dltest::MakePointDataset({{51.0, -0.5}, {51.1, -0.4}});
    ComPtr<IHostDatasetSetup> setup = dltest::SetupOf(dataset.Get());
    const std::wstring longName = L"A very long display field name beyond the limit";
    long position = 0;
    setup->AddField(Bstr(L"Signal Level (dBm)").Get(), 3, &position);
    setup->AddField(Bstr(L"Signal Level [dBm]").Get(), 3, &position);
    setup->AddField(Bstr(longName).Get(), 6, &position);
    setup->SetValue(0, Variant(L"Signal Level (dBm)"), Variant(-105.5));
    setup->SetValue(1, Variant(L"Signal Level (dBm)"), Variant(-60.3));
    setup->SetValue(0, Variant(L"Signal Level [dBm]"), Variant(3.0));
    setup->SetValue(1, Variant(L"Signal Level [dBm]"), Variant(4.0));
    const std::wstring longText(60, L'x');
    setup->SetValue(0, Variant(longName), Variant(longText));
    setup->SetValue(1, Variant(longName), Variant(L"short"));
    AttachStyle(dataset.Get(), L"Signal Level (dBm)", kLevelClasses);
    AttachStyle(dataset.Get(), L"Signal Level [dBm]", {});
    AttachStyle(dataset.Get(), longName.c_str(), {});
    CZmaVadAZDataLayer& layer =
        MakeLayer(dataset.Get(), {L"Signal Level (dBm)", L"Signal Level [dBm]", longName}, {3, 5, 5}, "Names");

    const std::string folder = OutFolder("names");
    ASSERT_EQ(layer.ExportTab(platform::ToWide(folder)), S_OK);
    Table table(folder + "\\Names.TAB");
    ASSERT_TRUE(table.handle);
    EXPECT_EQ(table.FieldNames(), (std::vector<std::string>{"A_very_long_display_field_name_", "Signal_Level__dBm_",
                                                            "Signal_Level__dBm__2"}));
    const std::vector<int> ids = table.FeatureIds();
    ASSERT_EQ(ids.size(), 2u);
    Feature first(table.handle, ids[0]), second(table.handle, ids[1]);
    EXPECT_EQ(first.Text(0), std::string(49, 'x')) << "text cut to 49 characters";
    EXPECT_EQ(second.Text(0), "short");
    EXPECT_EQ(first.Text(1), "3.0");
    EXPECT_EQ(first.Text(2), "-105.5") << "the width holds the most negative value";
    EXPECT_EQ(second.Text(2), "-60.3");
}

TEST_F(ExportTest, AnAttributeARowLeavesUnsetIsBlankNotThePreviousRows) {
    ComPtr<IHostDataset> dataset = dltest::MakePointDataset({{51.0, -0.5}, {51.1, -0.4}, {51.2, -0.3}});
    ComPtr<IHostDatasetSetup> setup = dltest::SetupOf(dataset.Get());
    setup->SetValue(1, Variant(L"Name"), Variant(L""));
    Variant null;
    null.vt = VT_NULL;
    setup->SetValue(2, Variant(L"Name"), null);
    AttachStyle(dataset.Get(), L"Level", kLevelClasses);
    AttachStyle(dataset.Get(), L"Name", {});
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Name", L"Level"}, {5, 3}, "Unset");

    const std::string folder = OutFolder("unset");
    ASSERT_EQ(layer.ExportTab(platform::ToWide(folder)), S_OK);
    Table table(folder + "\\Unset.TAB");
    const std::vector<int> ids = table.FeatureIds();
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(Feature(table.handle, ids[0]).Text(1), "r0");
    EXPECT_EQ(Feature(table.handle, ids[1]).Text(1), "");
    EXPECT_EQ(Feature(table.handle, ids[2]).Text(1), "");
}

TEST_F(ExportTest, AFolderThatCannotHoldTheTableFailsWithItsReasonAndLeavesNothing) {
    ComPtr<IHostDataset> dataset = dltest::MakePointDataset({{51.0, -0.5}});
    AttachStyle(dataset.Get(), L"Level", kLevelClasses);
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level"}, {3}, "Nowhere");
    ::SetErrorInfo(0, nullptr);
    const HRESULT hr = layer.ExportTab(L"Z:\\no\\such\\folder\\here");
    EXPECT_TRUE(FAILED(hr));
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(::GetErrorInfo(0, info.Put()), S_OK);
    Bstr text;
    info->GetDescription(text.Put());
    EXPECT_EQ(text.Wide(), L"The folder \"Z:\\no\\such\\folder\\here\" does not exist");
    EXPECT_TRUE(answers_.boxes.empty()) << "the layer reports nothing itself";

    // A layer failing after the table was made (a number field without a formatter) leaves no
    // table behind that could pass for an export.
    ComPtr<IHostDataset> bare = dltest::MakePointDataset({{51.0, -0.5}});
    AttachStyle(bare.Get(), L"Name", kLevelClasses);
    CZmaVadAZDataLayer& unformatted = MakeLayer(bare.Get(), {L"Level", L"Name"}, {5, 3}, "Half");
    const std::string folder = OutFolder("half");
    EXPECT_EQ(unformatted.ExportTab(platform::ToWide(folder)), E_POINTER);
    for (const char* ext : {".TAB", ".DAT", ".MAP", ".ID"}) EXPECT_FALSE(Exists(folder + "\\Half" + ext)) << ext;
}

TEST_F(ExportTest, CellSitesHandTheirLineLayersTheFolderAfterTheirOwnTable) {
    ComPtr<IHostDataset> dataset = dltest::MakePointDataset({{51.0, -0.5}});
    AttachStyle(dataset.Get(), L"Level", kLevelClasses);
    CZmaVadAZDataLayer& sites = MakeLayer(dataset.Get(), {L"Level"}, {3}, "Sites", CZmaVadAZLayer::kTypeCellSites);
    std::vector<std::string> calls;
    RecordingLines serving(map_.Get(), calls, "A"), neighbours(map_.Get(), calls, "B");
    sites.SetLineLayer(CZmaVadAZDataLayer::kLineB, &neighbours);
    sites.SetLineLayer(CZmaVadAZDataLayer::kLineA, &serving);
    const std::string folder = OutFolder("sites");
    ASSERT_EQ(sites.ExportTab(platform::ToWide(folder)), S_OK);
    EXPECT_TRUE(Exists(folder + "\\Sites.TAB"));
    EXPECT_EQ(calls, (std::vector<std::string>{"A " + folder + " Sites", "B " + folder + " Sites"}));
    sites.SetLineLayer(CZmaVadAZDataLayer::kLineA, nullptr);
    sites.SetLineLayer(CZmaVadAZDataLayer::kLineB, nullptr);

    // Measurement points have no line tables of their own to write.
    CZmaVadAZDataLayer& points = MakeLayer(dataset.Get(), {L"Level"}, {3}, "Points");
    calls.clear();
    points.SetLineLayer(CZmaVadAZDataLayer::kLineA, &serving);
    ASSERT_EQ(points.ExportTab(platform::ToWide(folder)), S_OK);
    EXPECT_TRUE(calls.empty());
    points.SetLineLayer(CZmaVadAZDataLayer::kLineA, nullptr);
}

// --- KML ------------------------------------------------------------------------------------

TEST_F(ExportTest, EveryRowBecomesAStyleAndThePlacemarkThatRefersToIt) {
    std::vector<LatLon> rows = {{51.25, -0.5}};
    for (int i = 1; i < 10; ++i) rows.push_back({51.0 + 0.01 * i, -0.4 + 0.01 * i});
    ComPtr<IHostDataset> dataset = dltest::MakePointDataset(rows);
    AttachStyle(dataset.Get(), L"Level", {{-1000, 5, 40, 8, 0x00336699}, {5, 1000, 41, 8, 0x000000FF}});
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level"}, {3}, "KML points");
    EXPECT_TRUE(layer.CanExportKml());

    const std::string folder = OutFolder("kml");
    ASSERT_EQ(layer.ExportKml(platform::ToWide(folder + "\\")), S_OK) << "a trailing backslash is not doubled";
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    ASSERT_EQ(document->load(Variant(platform::ToWide(folder + "\\KMLpoints.kml")), &loaded), S_OK);
    ASSERT_EQ(loaded, VARIANT_TRUE);
    document->setProperty(Bstr(L"SelectionNamespaces").Get(), Variant(L"xmlns:k='http://www.opengis.net/kml/2.2'"));
    ComPtr<IXMLDOMNodeList> children;
    ASSERT_EQ(document->selectNodes(Bstr(L"/k:kml/k:Document/*").Get(), children.Put()), S_OK);
    long count = 0;
    children->get_length(&count);
    ASSERT_EQ(count, 20);
    std::vector<std::wstring> ids;
    for (long i = 0; i < count; i += 2) {
        ComPtr<IXMLDOMNode> style, placemark;
        children->get_item(i, style.Put());
        children->get_item(i + 1, placemark.Put());
        Bstr styleName, placemarkName;
        style->get_nodeName(styleName.Put());
        placemark->get_nodeName(placemarkName.Put());
        ASSERT_EQ(styleName.Wide(), L"Style");
        ASSERT_EQ(placemarkName.Wide(), L"Placemark");
        ComPtr<IXMLDOMElement> styleElement;
        style->QueryInterface(IID_IXMLDOMElement, styleElement.PutVoid());
        std::wstring id;
        ASSERT_TRUE(platform::GetAttribute(styleElement.Get(), L"id", id));
        EXPECT_EQ(std::count(ids.begin(), ids.end(), id), 0) << "ids are unique";
        ids.push_back(id);
        auto text = [&](IXMLDOMNode* node, const wchar_t* path) {
            ComPtr<IXMLDOMNode> found;
            node->selectSingleNode(Bstr(path).Get(), found.Put());
            Bstr t;
            if (found) found->get_text(t.Put());
            return t.Wide();
        };
        EXPECT_EQ(text(placemark.Get(), L"k:styleUrl"), L"#" + id);
        EXPECT_EQ(text(placemark.Get(), L"k:description"), L"KML points\n" + std::to_wstring(i / 2));
        EXPECT_EQ(text(style.Get(), L"k:IconStyle/k:color"), i / 2 < 5 ? L"ff336699" : L"ff0000ff");
        EXPECT_EQ(text(style.Get(), L"k:IconStyle/k:scale"), L"0.5");
        if (i == 0) {
            EXPECT_EQ(text(placemark.Get(), L"k:Point/k:coordinates"), L"-0.500000,51.250000");
        }
    }
}

// The exact bytes of small documents, kept from the time the document was built in memory and
// saved in one piece: texts with markup characters, line breaks, characters beyond ASCII, empty and
// null values, numbers in their text form, and a row without a position.
TEST_F(ExportTest, KmlDocumentsKeepTheirBytes) {
    Variant null;
    null.vt = VT_NULL;
    const struct {
        const char* layerName;
        const wchar_t* front;
        std::vector<Variant> values;
        const char* expected;
    } cases[] = {
        {"Bytes & <Co>", L"Name",
         {Variant(L"plain"), Variant(L"a&b<c>d\"e'f]]>"), Variant(L"tab\there\r\nline\r"),
          Variant(L"\u00e9 \u00fc \u00df \u20ac \u4e2d\u6587 \U0001F600"), Variant(L""), null,
          Variant(L"  spaced  "), Variant(L"no position")},
         "text.kml"},
        {"Numbers", L"Level",
         {Variant(2.5), Variant(-7L), Variant(1e21), Variant(0.0), Variant(123456789.125), Variant(true), null, Variant(8.0)},
         "numbers.kml"},
    };
    for (const auto& c : cases) {
        std::vector<LatLon> rows;
        for (size_t i = 0; i < c.values.size(); ++i) rows.push_back({51.0 + 0.125 * i, -0.5 + 0.01 * i});
        ComPtr<IHostDataset> dataset = dltest::MakePointDataset(rows);
        ComPtr<IHostDatasetSetup> setup = dltest::SetupOf(dataset.Get());
        for (size_t i = 0; i < c.values.size(); ++i)
            setup->SetValue(static_cast<long>(i), Variant(c.front), c.values[i]);
        setup->SetValue(static_cast<long>(c.values.size() - 1), Variant(L"Latitude"), null);  // no placemark
        AttachStyle(dataset.Get(), c.front, {{-1000, 1, 40, 8, 0x00336699}, {1, 1e30, 41, 8, 0x000000FF}});
        CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {c.front}, {3}, c.layerName);

        const std::string folder = OutFolder("kml_bytes");
        ASSERT_EQ(layer.ExportKml(platform::ToWide(folder)), S_OK) << c.expected;
        const std::string written = ReadBytes(folder + "\\" + CZmaVadAZLayer::CleanLayerName(c.layerName) + ".kml");
        const std::string expected = ReadBytes(std::string("Z:") + EXPORT_TEST_SOURCE_UNIX + "/expected/" + c.expected);
        ASSERT_FALSE(expected.empty()) << c.expected;
        EXPECT_EQ(written, expected) << c.expected;
    }
}

// Characters XML cannot carry are left out (half a surrogate pair becomes U+FFFD), so that every
// reader still takes the document.
TEST_F(ExportTest, KmlTextsLeaveOutWhatXmlCannotCarry) {
    ComPtr<IHostDataset> dataset = dltest::MakePointDataset({{51.0, -0.5}});
    dltest::SetupOf(dataset.Get())->SetValue(0, Variant(L"Name"), Variant(L"a\x01\x07\x1f\xfffe\xffff" L"b\xd800" L"c\xdc00" L"d"));
    AttachStyle(dataset.Get(), L"Name", {});
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Name"}, {3}, "Odd");
    const std::string folder = OutFolder("kml_odd");
    ASSERT_EQ(layer.ExportKml(platform::ToWide(folder)), S_OK);
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    ASSERT_EQ(document->load(Variant(platform::ToWide(folder + "\\Odd.kml")), &loaded), S_OK);
    ASSERT_EQ(loaded, VARIANT_TRUE);
    document->setProperty(Bstr(L"SelectionNamespaces").Get(), Variant(L"xmlns:k='http://www.opengis.net/kml/2.2'"));
    ComPtr<IXMLDOMNode> description;
    ASSERT_EQ(document->selectSingleNode(Bstr(L"//k:description").Get(), description.Put()), S_OK);
    Bstr text;
    description->get_text(text.Put());
    EXPECT_EQ(text.Wide(), L"Odd\nab\xfffd" L"c\xfffd" L"d");
}

// A folder that cannot take the file answers E_FAIL; a failure while the rows are written leaves
// the document an earlier export wrote, and no file of its own.
TEST_F(ExportTest, AFailedKmlExportLeavesTheFolderAsItWas) {
    ComPtr<IHostDataset> dataset = dltest::MakePointDataset({{51.0, -0.5}, {51.1, -0.4}});
    AttachStyle(dataset.Get(), L"Level", {});
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level"}, {3}, "Kept");
    const std::string folder = OutFolder("kml_failed");
    EXPECT_EQ(layer.ExportKml(platform::ToWide(folder + "\\missing\\deeper")), E_FAIL);
    ASSERT_EQ(layer.ExportKml(platform::ToWide(folder)), S_OK);
    const std::string before = ReadBytes(folder + "\\Kept.kml");

    // The same name over a front field without a value formatter fails once the file is open.
    ComPtr<IHostDataset> bare = dltest::MakePointDataset({{51.0, -0.5}});
    AttachStyle(bare.Get(), L"Level", {});
    CZmaVadAZDataLayer& failing = MakeLayer(bare.Get(), {L"Level", L"Name"}, {3, 5}, "Kept");
    HRESULT hr = S_OK;
    try {
        hr = failing.ExportKml(platform::ToWide(folder));
    } catch (const platform::ComError& e) {
        hr = e.Error();
    }
    EXPECT_EQ(hr, E_POINTER);
    EXPECT_EQ(ReadBytes(folder + "\\Kept.kml"), before);
    int files = 0;
    WIN32_FIND_DATAA found = {};
    HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    EXPECT_EQ(files, 1);
}

TEST_F(ExportTest, ALayerThatCannotWriteKmlWritesNoFile) {
    CZmaVadAZLayer* table = OpenTable("roads");
    ASSERT_TRUE(table);
    EXPECT_FALSE(table->CanExportKml());
    const std::string folder = OutFolder("nokml");
    EXPECT_EQ(table->ExportKml(platform::ToWide(folder)), S_OK);
    EXPECT_FALSE(Exists(folder + "\\roads.kml"));
}

}  // namespace
