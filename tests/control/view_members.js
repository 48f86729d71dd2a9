// A script client moves the view, keeps maps in step and reads the tool and units through the
// control's dispatch interface, and reads the outcome from the engine's map (MapX). Script hosts do not initialise the map, so the members that
// need its layers refuse with E_UNEXPECTED (or the codes their hosts expect).
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
function near(a, b, what) { if (Math.abs(a - b) > 1e-6) fail(what + ": " + a + " is not " + b); }
var E_FAIL = "80004005", E_INVALIDARG = "80070057", E_UNEXPECTED = "8000ffff", BADINDEX = "8002000b";
var map = new ActiveXObject("VadAZ2.ZmaVadAZ.1");
var engine = map.MapX;
engine.SetSize(640, 480);

map.SetZoom(2.5, 300, 200, 320, 240);
map.ZoomToBoundingBox(52, 9, 50, 12);
var b = engine.Bounds;
if (b.XMin > 9 + 1e-9 || b.XMax < 12 - 1e-9 || b.YMin > 50 + 1e-9 || b.YMax < 52 - 1e-9)
    fail("the box is not in view: " + [b.XMin, b.YMin, b.XMax, b.YMax]);
near((b.XMin + b.XMax) / 2, 10.5, "centre x");

expectError("ZoomToBoundingBox at latitude 91", E_FAIL, function () { map.ZoomToBoundingBox(91, 9, 50, 12); },
            "Latitude out of range, must be in the range -90 to +90");
near(engine.Bounds.XMin, b.XMin, "a refused box moved the view");

// 640 - 480 = 160: zoom 10 at 80 pixels becomes 20.
map.SyncZoomAll(10.25, 50.75, 10, 80);
near(engine.Zoom, 20, "SyncZoomAll zoom");
near(engine.CenterX, 10.25, "SyncZoomAll centre");
engine.SetSize(480, 480);
map.SyncZoomAll(11, 51, 10, 80);
near(engine.Zoom, 20, "a square window changed the zoom");

if (map.CurrentTool != 1000) fail("CurrentTool is " + map.CurrentTool);
expectError("CurrentTool before initialisation", E_UNEXPECTED, function () { map.CurrentTool = 1007; });
map.DistanceUnit = 7;
if (map.DistanceUnit != 7) fail("DistanceUnit is " + map.DistanceUnit);
map.PaperUnits = 3;
if (map.PaperUnits != 3) fail("PaperUnits is " + map.PaperUnits);
map.SetDisplayOrigin(3, 4);

var guid = "{C0000000-0000-0000-0000-00000000000C}";
var list = new ActiveXObject("VadazHost.StringList");
list.Add("{unknown}");
var before = engine.Bounds.XMin;
map.ZoomToLayers(list, 0);
map.ZoomToLayer(guid, -1);
near(engine.Bounds.XMin, before, "missing layers moved the view");
expectError("GetLayerBounds", E_INVALIDARG, function () { map.GetLayerBounds(guid); });
expectError("SelectByRadius with text", E_INVALIDARG, function () { map.SelectByRadius("north", 10, 100); });
expectError("SelectByRadius", E_UNEXPECTED, function () { map.SelectByRadius(50, 10, 100); });
expectError("GetSeriesSettings", E_UNEXPECTED, function () { map.GetSeriesSettings(guid); });
expectError("SetTooltipExpressionForDataLayer", E_FAIL, function () { map.SetTooltipExpressionForDataLayer(guid, "x"); });
expectError("SetLabelVisibleForDataLayer", E_FAIL, function () { map.SetLabelVisibleForDataLayer(guid, true); });

WScript.Echo("completed: view members reached from JScript");
WScript.Quit(0);
