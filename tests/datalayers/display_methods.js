// A script client reaches the dataset methods and the display state through the control's
// dispatch interface. Script hosts do not initialise the map, so the methods that need the layer
// collection refuse, while the ones that hide the collection's answer succeed.
function fail(text) { WScript.Echo("FAIL: " + text); WScript.Quit(1); }
function hex(n) { return (n >>> 0).toString(16); }
function expectError(what, code, call) {
    try { call(); } catch (e) {
        if (hex(e.number) != code) fail(what + " answered " + hex(e.number) + ", not " + code);
        return;
    }
    fail(what + " succeeded");
}
var E_INVALIDARG = "80070057", E_UNEXPECTED = "8000ffff";
var guid = "{C0000000-0000-0000-0000-00000000000C}";
var map = new ActiveXObject("VadAZ2.ZmaVadAZ.1");
var list = new ActiveXObject("VadazHost.StringList");

// The field list is checked before anything else: a number is refused even here.
expectError("DisplayDataset with a number", E_INVALIDARG, function () { map.DisplayDataset(list, 5, guid); });
expectError("DisplayDataset", E_UNEXPECTED, function () { map.DisplayDataset(list, "RxLev", guid); });
expectError("RemoveDataset", E_UNEXPECTED, function () { map.RemoveDataset(guid, true); });
expectError("NotifySelectionChange", E_UNEXPECTED, function () { map.NotifySelectionChange(guid); });
expectError("GetDisplayedGUIDs", E_UNEXPECTED, function () { map.GetDisplayedGUIDs(list); });
expectError("EnhancedDrawingMode", E_UNEXPECTED, function () { return map.EnhancedDrawingMode; });
map.SetDatasetVisible(guid, 0);
// Every argument is given: the renderer an object (a script has no null object), the ranges a value.
map.NotifyChange(guid, 0, list, 0);

if (map.ScreenUpdating != true) fail("ScreenUpdating starts " + map.ScreenUpdating);
map.ScreenUpdating = false;
if (map.ScreenUpdating != false) fail("ScreenUpdating stayed on");
map.ScreenUpdating = true;

map.Units = "Kilometre";
if (map.Units != "kilometer") fail("Units read back " + map.Units);
expectError("Units = feet", E_INVALIDARG, function () { map.Units = "feet"; });
if (map.Units != "kilometer") fail("a refused unit changed Units to " + map.Units);
map.ResetViewChangeStage();

WScript.Echo("completed: dataset methods and display state reached from script");
WScript.Quit(0);
