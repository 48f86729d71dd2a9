' A VBScript client reaches the shape members by name. It passes variables by reference and
' small literals as 16-bit integers; script hosts do not initialise the map, so calls that pass
' their range checks answer E_UNEXPECTED, and the others E_FAIL with the check's text.
Option Explicit
Const E_FAIL = &H80004005
Const E_UNEXPECTED = &H8000FFFF
Dim map, lat, lon, radius, colour, tip
Set map = CreateObject("VadAZ2.ZmaVadAZ.1")

Sub Fail(text)
    WScript.Echo "FAIL: " & text
    WScript.Quit 1
End Sub

Sub Expect(what, code, text)
    If Err.Number = 0 Then Fail what & " succeeded"
    If Err.Number <> code Then Fail what & " answered " & Hex(Err.Number)
    If text <> "" And Err.Description <> text Then Fail what & " said """ & Err.Description & """"
    Err.Clear
End Sub

lat = 50.5
lon = 10
radius = "1500 m"
colour = 255
tip = "Cell"

On Error Resume Next
map.DrawCircle 91, lon, radius, 2, 0, colour, tip
Expect "DrawCircle", E_FAIL, "Latitude out of range, must be in the range -90 to +90"
map.DrawPie lat, lon, radius, 0, 400, 2, 0, colour, tip
Expect "DrawPie", E_FAIL, "Angle out of range, must be in the range 0 to 360"
map.DrawSpotlightPie lat, 190, radius, 0, 400, colour, 2, tip
Expect "DrawSpotlightPie", E_FAIL, "Longitude out of range, must be in the range -180 to +180"
map.DrawFilledDonutSegment lat, lon, radius, "2 km", 0, 90, colour, 2, tip
Expect "DrawFilledDonutSegment", E_FAIL, "Opacity out of range, must be in the range 0 to 1"

map.DrawCircle lat, lon, radius, 2, 0, colour, tip
Expect "DrawCircle", E_UNEXPECTED, ""
map.DrawFilledCircle lat, lon, radius, colour, 0.5, tip
Expect "DrawFilledCircle", E_UNEXPECTED, ""
map.DrawSpotlightCircle lat, lon, radius, colour, 0.5, tip
Expect "DrawSpotlightCircle", E_UNEXPECTED, ""
map.DrawPie lat, lon, radius, 0, 90, 2, 0, colour, tip
Expect "DrawPie", E_UNEXPECTED, ""
map.DrawFilledPie lat, lon, radius, 0, 90, colour, 0.5, tip
Expect "DrawFilledPie", E_UNEXPECTED, ""
map.DrawSpotlightPie lat, lon, radius, 0, 90, colour, 0.5, tip
Expect "DrawSpotlightPie", E_UNEXPECTED, ""
map.DrawDonutSegment lat, lon, radius, "2 km", 0, 90, 2, 0, colour, tip
Expect "DrawDonutSegment", E_UNEXPECTED, ""
map.DrawFilledDonutSegment lat, lon, radius, "2 km", 0, 90, colour, 0.5, tip
Expect "DrawFilledDonutSegment", E_UNEXPECTED, ""
map.ClearShapes
Expect "ClearShapes", E_UNEXPECTED, ""
map.ToggleShapes True
Expect "ToggleShapes", E_UNEXPECTED, ""
On Error GoTo 0

WScript.Echo "completed: shape members reached from VBScript"
WScript.Quit 0
