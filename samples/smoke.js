// Smoke client: the library is registered and its classes and type library are found.
var shell = new ActiveXObject("WScript.Shell");
function read(key) {
    try { return shell.RegRead(key); } catch (e) { return null; }
}
var clsid = read("HKCR\\VadAZ2.ZmaVadAZ.1\\CLSID\\");
var server = clsid && read("HKCR\\CLSID\\" + clsid + "\\InprocServer32\\");
var tlb = read("HKCR\\TypeLib\\{9927B746-A0BD-11D3-AF69-00A0C9CA6F53}\\1.0\\");
WScript.Echo("control class: " + clsid);
WScript.Echo("server: " + server);
WScript.Echo("type library: " + tlb);
WScript.Quit(clsid && server && tlb ? 0 : 1);
