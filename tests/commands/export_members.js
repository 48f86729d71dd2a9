// The export members through IDispatch from JScript: every format name, errors for an unknown
// format and an empty path, and a picture at a scale.
function fail(text) { WScript.Echo("FAIL: " + text); WScript.Quit(1); }
var E_INVALIDARG = -2147024809;
var map = new ActiveXObject("VadAZ2.ZmaVadAZ.1");
var fso = new ActiveXObject("Scripting.FileSystemObject");
var folder = fso.GetSpecialFolder(2).Path + "\\vadaz_export_js";
if (!fso.FolderExists(folder)) fso.CreateFolder(folder);

var names = ["wmf", "bmp", "gif", "jpeg", "jpg", "tif", "png", "psd", "PNG"];
for (var i = 0; i < names.length; i++) {
    var file = folder + "\\map" + i + "." + names[i];
    if (fso.FileExists(file)) fso.DeleteFile(file);
    map.ExportToFile(file, names[i]);
    if (!fso.FileExists(file)) fail("no file for " + names[i]);
}

function expectInvalid(path, format, what) {
    try {
        map.ExportToFile(path, format);
    } catch (e) {
        if (e.number != E_INVALIDARG) fail(what + ": error " + e.number);
        if (!e.description) fail(what + ": no description");
        return;
    }
    fail(what + " was accepted");
}
expectInvalid(folder + "\\x.tiff", "tiff", "the format tiff");
expectInvalid("", "png", "an empty path");
expectInvalid(folder + "\\x.png", "", "an empty format");
if (fso.FileExists(folder + "\\x.tiff")) fail("tiff was written");

// A quarter of a two-mile view in inches of paper.
map.MapUnit = 0;
map.PaperUnit = 2;
map.Zoom = 2;
var scaled = folder + "\\scaled.bmp";
if (fso.FileExists(scaled)) fso.DeleteFile(scaled);
map.ExportAsPictureAtScale(scaled, 0.25);
if (!fso.FileExists(scaled)) fail("no picture at scale");
if (!map.AutoRedraw) fail("automatic redraw left off");
WScript.Echo("completed: exports through JScript");
WScript.Quit(0);
