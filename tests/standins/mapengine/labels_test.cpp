// A table's labels as the engine draws them: only while the layer's automatic labelling and its
// label visibility are both on, within the label zoom range while that is on, each feature's value
// of the label field in the label style's font, size and colour, and no more of them than the
// overlap, duplicate and maximum settings let through. Members are reached by the engine's names.
#include "tests/standins/mapengine/EngineFixture.h"
#include "tests/support/DibCanvas.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace enginetest {
namespace {

DISPID IdOf(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << platform::ToAnsi(name);
    return id;
}

Variant GetNamed(IDispatch* object, const wchar_t* name, std::vector<Variant> args = {}) {
    Variant result;
    EXPECT_EQ(Invoke(object, IdOf(object, name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args), &result, nullptr),
              S_OK)
        << platform::ToAnsi(name);
    return result;
}

void PutNamed(IDispatch* object, const wchar_t* name, const Variant& value, WORD flags = DISPATCH_PROPERTYPUT) {
    Variant ignored;
    EXPECT_EQ(Invoke(object, IdOf(object, name), flags, {value}, &ignored, nullptr), S_OK) << platform::ToAnsi(name);
}

struct Row {
    double x;  // degrees east of the view's centre
    const char* name;
    const char* town;
};

// A table with the fields Name and Town, one point feature a row on the equator.
void WriteTable(const std::wstring& path, const std::vector<Row>& rows) {
    std::ofstream table(platform::ToAnsi(path), std::ios::binary);
    table << "!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n  Type NATIVE Charset \"WindowsLatin1\"\n"
             "  Fields 2\n    Name Char (64) ;\n    Town Char (64) ;\n";
    int key = 0;
    for (const Row& r : rows)
        table << "!feature\t2\t" << ++key << "\t" << r.name << "\t\t" << r.x << "\t0\t\t0\t\t" << r.town << "\n";
}

// Where the labels' colour (magenta) shows on the drawn map: the width and height of the box
// around it.
struct Ink {
    int width = 0, height = 0;
};

Ink InkOf(const testsupport::DibCanvas& canvas) {
    int left = canvas.Width(), top = canvas.Height(), right = -1, bottom = -1;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            // Glyphs smoothed into the light map keep the colour's red and blue well above its green.
            const COLORREF c = canvas.Pixel(x, y);
            if (GetGValue(c) + 60 > GetRValue(c) || GetGValue(c) + 60 > GetBValue(c)) continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    return right < 0 ? Ink{} : Ink{right - left + 1, bottom - top + 1};
}

TEST(TableLabels, AreDrawnAsTheLayersLabelPropertiesSay) {
    const COLORREF kLabelColour = RGB(230, 0, 230);
    const std::vector<Row> one = {{0, "H", "WWWWWW"}};
    const std::vector<Row> samePlace = {{0, "H", ""}, {0, "WWWWWW", ""}};
    const std::vector<Row> twiceWW = {{-1, "WW", ""}, {1, "WW", ""}};
    const std::vector<Row> twoTowns = {{-1, "WW", ""}, {1, "MM", ""}};
    struct Settings {
        bool autoLabel = true, visible = true;
        const wchar_t* field = nullptr;  // none: the key field
        double points = 10;
        double zoomMin = 0, zoomMax = 0;  // km; both 0: no label zoom range
        bool overlap = false, duplicate = false;
        short most = 1000;
    };
    const struct {
        const char* what;
        std::vector<Row> rows;
        Settings settings;
        int minWidth, maxWidth;  // of the labels' ink; 0 and 0: none drawn
        int minHeight, maxHeight;
    } cases[] = {
        {"both switches on: the key field's text", one, {}, 1, 12, 5, 14},
        {"automatic labelling off", one, {false, true}, 0, 0, 0, 0},
        {"label visibility off", one, {true, false}, 0, 0, 0, 0},
        {"the label field's text", one, {true, true, L"Town"}, 40, 120, 5, 14},
        {"in the style's size", one, {true, true, nullptr, 24}, 1, 30, 18, 40},
        {"within the label zoom range", one, {true, true, nullptr, 10, 100, 500}, 1, 12, 5, 14},
        {"beyond the label zoom range", one, {true, true, nullptr, 10, 400, 900}, 0, 0, 0, 0},
        {"over a label drawn before", samePlace, {}, 1, 12, 5, 14},
        {"over a label, overlapping allowed", samePlace, {true, true, nullptr, 10, 0, 0, true}, 40, 120, 5, 14},
        {"a text the layer shows already", twiceWW, {}, 10, 60, 5, 14},
        {"a text shown already, duplicates allowed", twiceWW, {true, true, nullptr, 10, 0, 0, false, true}, 200, 260, 5, 14},
        {"beyond the maximum number", twoTowns, {true, true, nullptr, 10, 0, 0, false, false, 1}, 10, 60, 5, 14},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ComPtr<IUnknown> unknown = CreateMap();
        ComPtr<IDispatch> map = MapDispatch(unknown.Get());
        PutNamed(map.Get(), L"MapUnit", Variant(1L));  // km
        // 300 km across 300 pixels: a degree of the equator is 111 pixels.
        Call(map.Get(), IdOf(map.Get(), L"ZoomTo"), {Variant(300.0), Variant(0.0), Variant(0.0)});
        TempFile file(L".TAB");
        WriteTable(file.Path(), c.rows);
        ComPtr<IDispatch> layer = Object(GetNamed(Object(GetNamed(map.Get(), L"Layers")).Get(), L"Add", {Variant(file.Path())}));
        ASSERT_TRUE(layer);

        const Settings& s = c.settings;
        PutNamed(layer.Get(), L"AutoLabel", Variant(s.autoLabel));
        ComPtr<IDispatch> labels = Object(GetNamed(layer.Get(), L"LabelProperties"));
        PutNamed(labels.Get(), L"Visible", Variant(s.visible));
        PutNamed(labels.Get(), L"Overlap", Variant(s.overlap));
        PutNamed(labels.Get(), L"Duplicate", Variant(s.duplicate));
        PutNamed(labels.Get(), L"LabelMax", Variant(s.most));
        if (s.zoomMax > 0) {
            PutNamed(labels.Get(), L"LabelZoom", Variant(true));
            PutNamed(labels.Get(), L"LabelZoomMin", Variant(s.zoomMin));
            PutNamed(labels.Get(), L"LabelZoomMax", Variant(s.zoomMax));
        }
        if (s.field) {
            ComPtr<IDispatch> datasets = Object(GetNamed(map.Get(), L"Datasets"));
            ComPtr<IDispatch> dataset = Object(Call(datasets.Get(), IdOf(datasets.Get(), L"Add"), {Variant(short{6}), Variant(layer.Get())}));
            ComPtr<IDispatch> field = Object(GetNamed(Object(GetNamed(dataset.Get(), L"Fields")).Get(), L"_Item", {Variant(s.field)}));
            PutNamed(labels.Get(), L"DataField", Variant(field.Get()), DISPATCH_PROPERTYPUTREF);
        }
        ComPtr<IDispatch> style = Object(GetNamed(labels.Get(), L"Style"));
        PutNamed(style.Get(), L"TextFontColor", Variant(static_cast<long>(kLabelColour)));
        ComPtr<IFont> font;
        ASSERT_EQ(GetNamed(style.Get(), L"TextFont").pdispVal->QueryInterface(IID_IFont, font.PutVoid()), S_OK);
        CY size;
        size.int64 = static_cast<LONGLONG>(s.points * 10000);
        ASSERT_EQ(font->put_Size(size), S_OK);

        testsupport::DibCanvas canvas(300, 100);
        ASSERT_EQ(canvas.DrawView(unknown.Get()), S_OK);
        const Ink ink = InkOf(canvas);
        EXPECT_GE(ink.width, c.minWidth);
        EXPECT_LE(ink.width, c.maxWidth);
        EXPECT_GE(ink.height, c.minHeight);
        EXPECT_LE(ink.height, c.maxHeight);
    }
}

}  // namespace
}  // namespace enginetest
