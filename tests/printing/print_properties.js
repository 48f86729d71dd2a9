// A JScript client writes every print property from the portrait layout, reads each back in the
// property's own words and units, finds the map in the custom layout, and finds every value again
// in a new map (which loads the custom layout's document). Refused values change nothing.
function fail(text) { WScript.Echo("FAIL: " + text); WScript.Quit(1); }
function hex(n) { return (n >>> 0).toString(16); }
function expectError(what, code, call, text) {
    try { call(); } catch (e) {
        if (hex(e.number) != code) fail(what + " answered " + hex(e.number) + ", not " + code);
        if (text && e.description != text) fail(what + " said '" + e.description + "'");
        return;
    }
    fail(what + " succeeded");
}
function same(got, want) { return typeof want == "number" ? Math.abs(got - want) < 1e-9 : got === want; }
var E_FAIL = "80004005", E_INVALIDARG = "80070057";

var map = new ActiveXObject("VadAZ2.ZmaVadAZ.1");
if (map.QuickPrintLayoutAsText != "custom") fail("a new map holds the " + map.QuickPrintLayoutAsText + " layout");
map.QuickPrintLayoutAsText = "portrait";
// Lengths without a unit are inches with U.S. measure, else centimetres.
map.Width = "1 in";
var inch = map.Width;
map.QuickPrintLayout = 0;

var cases = [  // property, written, read back
    ["PrintTitle", false, false], ["PrintTitleBorder", true, true], ["PositionTitleAboveMap", false, false],
    ["PrintLegend", false, false], ["FixedLegendSize", true, true], ["ContentCentered", false, false],
    ["PrintMapBorder", false, false], ["OrientationLandscape", true, true],
    ["TitleAlignment", "CENTRE", "center"], ["TitleAlignment", "right", "right"],
    ["LeftMargin", 12.345, 12.34], ["TopMargin", 7.5, 7.5], ["RightMargin", 0, 0], ["BottomMargin", 25, 25],
    ["LegendPosition", "TOP LEFT", "top left"], ["LegendPosition", "bottom", "bottom"],
    ["MapSize", "Custom", "custom"],
    ["Width", "15 cm", 15 / 2.54 * inch], ["Height", 4, 4], ["Height", "0.5 mi", 80467.2 / 2.54 * inch],
    ["Scale", 0.00002, 0.00002],
    ["TitleFontHeight", 10, 10], ["TitleFontWeight", 700, 700], ["TitleFontItalic", true, true],
    ["TitleFontStruckout", true, true], ["TitleFontUnderlined", true, true], ["TitleFontCharSet", 238, 238],
    ["TitleFontFaceName", "DejaVu Sans Mono", "DejaVu Sans Mono"],
    ["TitleFontColor", 255, "0000ff"], ["TitleFontColor", "ff8000", "ff8000"]
];
for (var i = 0; i < cases.length; i++) {
    var c = cases[i];
    map[c[0]] = c[1];
    if (!same(map[c[0]], c[2])) fail(c[0] + " = " + c[1] + " reads back " + map[c[0]]);
}
if (map.QuickPrintLayout != 2) fail("the writes left layout " + map.QuickPrintLayout);

expectError("LegendPosition middle", E_INVALIDARG, function () { map.LegendPosition = "middle"; });
expectError("MapSize huge", E_INVALIDARG, function () { map.MapSize = "huge"; });
expectError("Width without a unit", E_INVALIDARG, function () { map.Width = "10"; });
expectError("a negative Width", E_INVALIDARG, function () { map.Width = "-3 cm"; });
expectError("Scale 0", E_INVALIDARG, function () { map.Scale = 0; });
expectError("Scale -0.5", E_INVALIDARG, function () { map.Scale = -0.5; });
expectError("Scale 1.5", E_INVALIDARG, function () { map.Scale = 1.5; });
expectError("TitleFontWeight 1001", E_FAIL, function () { map.TitleFontWeight = 1001; });
expectError("TitleFontColor 1.5", E_INVALIDARG, function () { map.TitleFontColor = 1.5; });
expectError("QuickPrintLayoutAsText Portrait", E_INVALIDARG, function () { map.QuickPrintLayoutAsText = "Portrait"; });
expectError("AllowLegendOverlap", E_FAIL, function () { map.AllowLegendOverlap = true; }, "Deprecated");
expectError("AllowLegendOverlap read", E_FAIL, function () { return map.AllowLegendOverlap; }, "Deprecated");

// What a new map loads: the last value written of each property.
var again = new ActiveXObject("VadAZ2.ZmaVadAZ.1");
var last = {};
for (var i = 0; i < cases.length; i++) last[cases[i][0]] = cases[i][2];
for (var name in last) {
    if (!same(again[name], last[name])) fail("a new map reads " + name + " " + again[name] + ", not " + last[name]);
}

map.BatchJobID = "job-7";
if (map.BatchJobID != "job-7") fail("BatchJobID is " + map.BatchJobID);
map.IsBatchPrinting = true;
if (map.IsBatchPrinting !== true) fail("IsBatchPrinting is " + map.IsBatchPrinting);
var layout = map.BatchPrintLayout;
map.BatchPrintLayout = layout;
expectError("BatchPrintLayout of no layout", E_FAIL, function () { map.BatchPrintLayout = "<nothing/>"; });

// A length text is the number at its start and the first unit named anywhere in it; a number that
// goes on after a comma or a second point is refused and the length stays as it was.
var lengths = [  // text, millimetres (0: refused)
    ["12,5 cm", 0], ["12,5cm", 0], ["1.5.2 cm", 0], ["-3,25 mm", 0],
    ["12.5 cm", 125], ["12.5cm", 125], [" 3 in", 76.2], ["0.5 ft", 152.4], ["1e1 mm", 10], ["5 inches", 127]
];
var properties = ["Width", "Height"];
for (var p = 0; p < properties.length; p++) {
    var property = properties[p];
    map[property] = "15 cm";
    for (var i = 0; i < lengths.length; i++) {
        var text = lengths[i][0], mm = lengths[i][1];
        if (mm == 0) {
            expectError(property + " " + text, E_INVALIDARG, function () { map[property] = text; },
                        "\"" + text + "\" is not a length: decimals are written with a point, as in \"2.5 cm\"");
            if (!same(map[property], 150 / 25.4 * inch)) fail(property + " " + text + " left " + map[property]);
        } else {
            map[property] = text;
            if (!same(map[property], mm / 25.4 * inch)) fail(property + " " + text + " reads back " + map[property]);
        }
    }
}

WScript.Echo("completed: print properties round-trip from JScript");
WScript.Quit(0);
