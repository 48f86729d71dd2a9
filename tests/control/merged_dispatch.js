// A script host reaches the control's own members and the engine's through one object.
function fail(text) { WScript.Echo("FAIL: " + text); WScript.Quit(1); }
var map = new ActiveXObject("VadAZ2.ZmaVadAZ.1");
var layout = map.QuickPrintLayout;        // the control's own (custom layout after construction)
if (layout != 2) fail("QuickPrintLayout is " + layout);
var zoom = map.Zoom;                      // the engine's only
if (!(zoom > 0)) fail("Zoom is " + zoom);
map.Zoom = zoom / 2;
if (Math.abs(map.Zoom - zoom / 2) > 1e-9 * zoom) fail("Zoom did not change: " + map.Zoom);
WScript.Echo("completed: own member and engine member reached");
WScript.Quit(0);
