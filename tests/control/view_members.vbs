' A VBScript client calls the view members the way VBScript does: variables by reference, small
' integer literals as VT_I2. The map is not initialised (script hosts never call InitNew).
Option Explicit
Sub Fail(text)
    WScript.Echo "FAIL: " & text
    WScript.Quit 1
End Sub
Sub ExpectCode(what, code)
    If Err.Number <> code Then Fail what & " answered " & Hex(Err.Number) & ", not " & Hex(code)
    Err.Clear
End Sub

Dim map, engine, lat, lon, latEnd, lonEnd, radius, zoom, b, guid
Set map = CreateObject("VadAZ2.ZmaVadAZ.1")
Set engine = map.MapX
engine.SetSize 640, 480

lat = 52 : lon = 9 : latEnd = 50 : lonEnd = 12
map.ZoomToBoundingBox lat, lon, latEnd, lonEnd
Set b = engine.Bounds
If b.XMin > 9.000001 Or b.XMax < 11.999999 Then Fail "the box is not in view"

On Error Resume Next
lat = 91
map.ZoomToBoundingBox lat, lon, latEnd, lonEnd
If Err.Description <> "Latitude out of range, must be in the range -90 to +90" Then Fail "latitude 91 said " & Err.Description
ExpectCode "latitude 91", &H80004005

map.SetZoom 2.5, 300, 200, 320, 240
ExpectCode "SetZoom", 0
zoom = 10 : radius = 80
map.SyncZoomAll 10.25, 50.75, zoom, radius
ExpectCode "SyncZoomAll", 0
If Abs(engine.Zoom - 20) > 0.000001 Then Fail "SyncZoomAll zoom is " & engine.Zoom

lat = 50 : lon = 10 : radius = 100
map.SelectByRadius lat, lon, radius
ExpectCode "SelectByRadius before initialisation", &H8000FFFF
lat = "north"
map.SelectByRadius lat, lon, radius
ExpectCode "SelectByRadius with text", &H80070057

map.DistanceUnit = 7
ExpectCode "DistanceUnit", 0
If map.DistanceUnit <> 7 Then Fail "DistanceUnit is " & map.DistanceUnit
If map.CurrentTool <> 1000 Then Fail "CurrentTool is " & map.CurrentTool
map.CurrentTool = 1007
ExpectCode "CurrentTool before initialisation", &H8000FFFF

guid = "{C0000000-0000-0000-0000-00000000000C}"
map.ZoomToLayer guid, -1
ExpectCode "ZoomToLayer of a missing series", 0
map.SetLabelVisibleForDataLayer guid, 1
ExpectCode "SetLabelVisibleForDataLayer before initialisation", &H80004005
map.SetDisplayOrigin 3, 4
ExpectCode "SetDisplayOrigin", 0

WScript.Echo "completed: view members reached from VBScript"
WScript.Quit 0
