// A script client drives the layer members through the control's dispatch interface. A script
// host never initialises the map; the settings document gives it its layers.
function fail(text) { WScript.Echo("FAIL: " + text); WScript.Quit(1); }
function hex(n) { return (n >>> 0).toString(16); }
function expectError(what, code, call) {
    try { call(); } catch (e) {
        if (hex(e.number) != code) fail(what + " answered " + hex(e.number) + ", not " + code);
        return;
    }
    fail(what + " succeeded");
}
var E_FAIL = "80004005", E_UNEXPECTED = "8000ffff", E_NOINTERFACE = "80004002";
var series = "{7C1D2E3F-4A5B-4C6D-8E7F-901A2B3C4D5E}";
var map = new ActiveXObject("VadAZ2.ZmaVadAZ.1");

expectError("IsDirectionShown before the map has layers", E_UNEXPECTED, function () { map.IsDirectionShown(); });
expectError("RemoveTemporaryTabLayer before the map has layers", E_FAIL, function () { map.RemoveTemporaryTabLayer(); });
// Without layers there is no imagery whose properties would open (a script could not answer them).
map.DisplayBackgroundMapLayerProperties();

var doc = new ActiveXObject("Msxml2.DOMDocument.4.0");
if (!doc.loadXML("<mapsettings _Version='3'><layers>" +
                 "<Layer layertype='10' layerfilespec='' GUID='" + series + "'><DirectionPoints>" +
                 "<DirectionPoint X0='10' Y0='50' X1='10.001' Y1='50'/></DirectionPoints></Layer>" +
                 "</layers></mapsettings>")) fail("the settings do not parse");
map.LoadFromXML(doc.documentElement);
if (map.IsDirectionShown() !== true) fail("saved arrows did not come back");
map.ShowDirection(false);
if (map.IsDirectionShown() !== false) fail("ShowDirection(false) kept a direction layer");
map.SetLockMapView(true);
map.SetLockMapView(false);

// A temporary table, written here in the engine's own table form.
var fso = new ActiveXObject("Scripting.FileSystemObject");
var path = fso.GetSpecialFolder(2).Path + "\\script_temp_layer.tab";
var file = fso.CreateTextFile(path, true);
file.Write("!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n" +
           "  Type NATIVE Charset \"WindowsLatin1\"\n  Fields 1\n    Name Char (64) ;\n" +
           "!feature\t2\tk1\tv1\t\t11.5\t48.1\t\t0\t\n!feature\t2\tk2\tv2\t\t11.6\t48.2\t\t0\t\n");
file.Close();
var layers = map.MapX.Layers;
var before = layers.Count;
map.AddTemporaryTabLayer(path);
map.AddTemporaryTabLayer(path);
if (layers.Count != before + 1) fail("two temporary tables are open: " + layers.Count + " layers, " + before + " before");
var bounds = map.MapX.Bounds;
if (!(bounds.XMin <= 11.55 && 11.55 <= bounds.XMax && bounds.YMin <= 48.15 && 48.15 <= bounds.YMax))
    fail("the map did not zoom to the table: " + bounds.XMin + " " + bounds.YMin + " " + bounds.XMax + " " + bounds.YMax);
// The engine's collections are reached as their users write it: the default property, Item and
// the method _Item name the same layer, and so do a layer's features.
var top = layers._Item(1);
if (layers.Item(1).Name !== top.Name || layers(1).Name !== top.Name)
    fail("Layers.Item(1) and Layers(1) are not Layers._Item(1), " + top.Name);
var features = null;
for (var i = 1; i <= layers.Count && !features; ++i)
    if (layers(i).Name.toLowerCase().indexOf("script_temp_layer") >= 0) features = layers.Item(i).AllFeatures;
if (!features || features.Count !== 2) fail("the temporary table is not among the layers");
if (features.Item(2).KeyValue !== features._Item(2).KeyValue || features(1).KeyValue !== features._Item(1).KeyValue)
    fail("a layer's features are not reached by Item and as the default");
map.RemoveTemporaryTabLayer();
if (layers.Count != before) fail("the temporary table stayed");
map.RemoveTemporaryTabLayer();

expectError("MoveLayerToTop of an unknown series", E_FAIL, function () { map.MoveLayerToTop("{00000000-0000-0000-0000-000000000001}"); });
var dataset = new ActiveXObject("VadazHost.Dataset");
expectError("UpdateDataset with an empty key", E_FAIL, function () { map.UpdateDataset("", dataset); });
expectError("UpdateDataset of an unknown series", E_FAIL, function () { map.UpdateDataset(series, dataset); });
expectError("ClearAnnotations without an annotations layer", E_UNEXPECTED, function () { map.ClearAnnotations(); });
map.SetVisible(true);

WScript.Echo("completed: layer members reached from script");
WScript.Quit(0);
