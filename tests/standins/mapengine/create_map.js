// A script client: creates the map by its ProgID, adds a user-draw layer and reads its name back.
function fail(text) {
    WScript.Echo("FAILED: " + text);
    WScript.Quit(1);
}

var map = new ActiveXObject("MapEngineStandIn.Map.4");
var layers = map.Layers;
var layer = layers.AddUserDrawLayer("Overlay", 1);
if (layer.Name !== "Overlay") fail("the new layer is named " + layer.Name);
if (layers.Count !== 1) fail("the map has " + layers.Count + " layers");
if (layers._Item("overlay").Name !== "Overlay") fail("the layer is not found by name");

var rect = new ActiveXObject("MapX.Rectangle.4");
rect.Set(10, 40, -5, 20);
if (rect.XMin !== -5 || rect.YMax !== 40) fail("the rectangle is not normalised");

var threw = false;
try {
    layers._Item("Nowhere");
} catch (e) {
    threw = true;
}
if (!threw) fail("an unknown layer name did not fail");
WScript.Echo("completed: the map made, its layer found by name");
WScript.Quit(0);
