// A script client reaches the eight shape members, ClearShapes and ToggleShapes by name. Script
// hosts do not initialise the map, so a call that passes its range checks answers E_UNEXPECTED;
// a call that fails them answers E_FAIL with the check's text, in the members' order of checks.
function fail(text) { WScript.Echo("FAIL: " + text); WScript.Quit(1); }
function hex(n) { return (n >>> 0).toString(16); }
function expectError(what, code, text, call) {
    try { call(); } catch (e) {
        if (hex(e.number) != code) fail(what + " answered " + hex(e.number) + ", not " + code);
        if (text && e.description != text) fail(what + " said \"" + e.description + "\", not \"" + text + "\"");
        return;
    }
    fail(what + " succeeded");
}
var E_FAIL = "80004005", E_UNEXPECTED = "8000ffff";
var LAT = "Latitude out of range, must be in the range -90 to +90";
var LON = "Longitude out of range, must be in the range -180 to +180";
var ANGLE = "Angle out of range, must be in the range 0 to 360";
var OPACITY = "Opacity out of range, must be in the range 0 to 1";
var map = new ActiveXObject("VadAZ2.ZmaVadAZ.1");

expectError("DrawCircle lat", E_FAIL, LAT, function () { map.DrawCircle(-90.1, 500, 1500, 2, 0, 255, "c"); });
expectError("DrawCircle lon", E_FAIL, LON, function () { map.DrawCircle(50, 180.5, 1500, 2, 0, 255, "c"); });
expectError("DrawFilledCircle opacity", E_FAIL, OPACITY, function () { map.DrawFilledCircle(50, 10, 1500, 255, -0.1, "c"); });
expectError("DrawSpotlightCircle lat", E_FAIL, LAT, function () { map.DrawSpotlightCircle(91, 10, 1500, 255, 7, "c"); });
expectError("DrawPie start", E_FAIL, ANGLE, function () { map.DrawPie(50, 10, 1500, 400, 10, 2, 0, 255, "p"); });
expectError("DrawPie end", E_FAIL, ANGLE, function () { map.DrawPie(50, 10, 1500, 10, 360.01, 2, 0, 255, "p"); });
expectError("DrawFilledPie lon", E_FAIL, LON, function () { map.DrawFilledPie(50, -181, 1500, 400, 10, 255, 5, "p"); });
expectError("DrawFilledPie opacity", E_FAIL, OPACITY, function () { map.DrawFilledPie(50, 10, 1500, 0, 90, 255, 5, "p"); });
expectError("DrawSpotlightPie angle", E_FAIL, ANGLE, function () { map.DrawSpotlightPie(50, 10, 1500, 0, -90, 255, 5, "p"); });
expectError("DrawDonutSegment start", E_FAIL, ANGLE, function () { map.DrawDonutSegment(50, 10, "1 km", "2 km", 361, 0, 2, 0, 255, "d"); });
expectError("DrawFilledDonutSegment opacity", E_FAIL, OPACITY,
            function () { map.DrawFilledDonutSegment(50, 10, "1 km", "2 km", 0, 90, "FF0000", 1.5, "d"); });

// In range: the map has no layers yet.
expectError("DrawCircle", E_UNEXPECTED, null, function () { map.DrawCircle(50, 10, "1.5 km", 2, 0, 255, "c"); });
expectError("DrawFilledCircle", E_UNEXPECTED, null, function () { map.DrawFilledCircle(50, 10, 1500, 255, 0.5, "c"); });
expectError("DrawSpotlightCircle", E_UNEXPECTED, null, function () { map.DrawSpotlightCircle(50, 10, 1500, 255, 1, "c"); });
expectError("DrawPie", E_UNEXPECTED, null, function () { map.DrawPie(50, 10, 1500, 0, 360, 2, 0, 255, "p"); });
expectError("DrawFilledPie", E_UNEXPECTED, null, function () { map.DrawFilledPie(-90, 180, 1500, 90, 0, 255, 0, "p"); });
expectError("DrawSpotlightPie", E_UNEXPECTED, null, function () { map.DrawSpotlightPie(90, -180, 1500, 0, 0, 255, 1, "p"); });
expectError("DrawDonutSegment", E_UNEXPECTED, null, function () { map.DrawDonutSegment(50, 10, "1 km", "2 km", 0, 90, 2, 0, 255, "d"); });
expectError("DrawFilledDonutSegment", E_UNEXPECTED, null,
            function () { map.DrawFilledDonutSegment(50, 10, 500, 1000, 0, 90, "FF0000", 0.5, "d"); });
expectError("ClearShapes", E_UNEXPECTED, null, function () { map.ClearShapes(); });
expectError("ToggleShapes", E_UNEXPECTED, null, function () { map.ToggleShapes(false); });

WScript.Echo("completed: shape members reached from JScript");
WScript.Quit(0);
