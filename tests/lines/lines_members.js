// A script client reaches the line and profile members through the control's dispatch interface.
// Script hosts do not initialise the map: the line members refuse without the layer collection,
// the profile members work.
function fail(text) { WScript.Echo("FAIL: " + text); WScript.Quit(1); }
function hex(n) { return (n >>> 0).toString(16); }
function expectError(what, code, call) {
    try { call(); } catch (e) {
        if (hex(e.number) != code) fail(what + " answered " + hex(e.number) + ", not " + code);
        return;
    }
    fail(what + " succeeded");
}
var E_UNEXPECTED = "8000ffff", E_POINTER = "80004003";
var guid = "{C0000000-0000-0000-0000-00000000000C}";
var map = new ActiveXObject("VadAZ2.ZmaVadAZ.1");

expectError("ToggleLines", E_UNEXPECTED, function () { map.ToggleLines(true, 0); });
expectError("ToggleLine", E_UNEXPECTED, function () { map.ToggleLine(1, true, 4); });
expectError("LinesVisibilityFlags", E_UNEXPECTED, function () { return map.LinesVisibilityFlags; });
expectError("LinesTargetFlags = 1", E_UNEXPECTED, function () { map.LinesTargetFlags = 1; });
expectError("SetServerLinesToCellsColorByField", E_UNEXPECTED,
            function () { map.SetServerLinesToCellsColorByField(guid, "RxLev"); });
expectError("GetNeighborLinesToCellsLabelByField", E_UNEXPECTED,
            function () { return map.GetNeighborLinesToCellsLabelByField(guid); });
expectError("DrawLineBetweenPoints", E_UNEXPECTED, function () { map.DrawLineBetweenPoints(10.1, 50.1, 10.2, 50.2, 2, 0, 255); });
expectError("DrawLineBetweenCellsites", E_UNEXPECTED, function () { map.DrawLineBetweenCellsites(0, 1, 2, 0, "FF0000"); });
expectError("DrawLineBetweenCellSectors", E_UNEXPECTED,
            function () { return map.DrawLineBetweenCellSectors(guid, 0, guid, 1, 2, 1, 255, "tip", true, 0.5); });
expectError("ClearLinesBetweenPoints", E_UNEXPECTED, function () { map.ClearLinesBetweenPoints(); });
expectError("ClearLinesBetweenCellsites", E_UNEXPECTED, function () { map.ClearLinesBetweenCellsites(); });
expectError("ClearLinesBetweenCellSectors", E_UNEXPECTED, function () { map.ClearLinesBetweenCellSectors(); });
expectError("UpdateLinesToCellsData", E_UNEXPECTED, function () { map.UpdateLinesToCellsData(); });
expectError("UpdateCellRefData", E_UNEXPECTED, function () { map.UpdateCellRefData(); });

if (map.ProfileName != "%##CurrentSettings##%") fail("ProfileName starts " + map.ProfileName);
map.ProfileName = "Drive";
if (map.ProfileName != "Drive") fail("ProfileName read back " + map.ProfileName);
map.ProfileName = "";
if (map.ProfileName != null && map.ProfileName !== "") fail("an empty ProfileName reads " + map.ProfileName);
map.ApplyCurrentProfile();

WScript.Echo("completed: line and profile members reached from script");
WScript.Quit(0);
