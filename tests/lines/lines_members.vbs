' A VBScript client passes its variables by reference and small numbers as 16-bit integers; the
' line and profile members take them as their own types.
Option Explicit
Dim map, visible, opt, flags, guid, name, result, lon, lat
Sub Fail(text)
    WScript.Echo "FAIL: " & text
    WScript.Quit 1
End Sub
Sub ExpectUnexpected(what)
    If Err.Number <> &H8000FFFF Then Fail what & " answered " & Hex(Err.Number)
    Err.Clear
End Sub

Set map = CreateObject("VadAZ2.ZmaVadAZ.1")
visible = True
opt = 1
flags = 2
guid = "{C0000000-0000-0000-0000-00000000000C}"
name = "RxLev"

On Error Resume Next
map.ToggleLines visible, opt
ExpectUnexpected "ToggleLines"
map.ToggleLine opt, visible, opt
ExpectUnexpected "ToggleLine"
map.LinesVisibilityFlags = flags
ExpectUnexpected "LinesVisibilityFlags"
map.SetNeighborLinesToCellsColorByField guid, name
ExpectUnexpected "SetNeighborLinesToCellsColorByField"
result = map.GetServerLinesToCellsLabelByField(guid)
ExpectUnexpected "GetServerLinesToCellsLabelByField"
lon = 10.5
lat = 50.5
map.DrawLineBetweenPoints lon, lat, lon, lat, flags, opt, name
ExpectUnexpected "DrawLineBetweenPoints"
map.DrawLineBetweenCellsites opt, flags, flags, opt, name
ExpectUnexpected "DrawLineBetweenCellsites"
result = map.DrawLineBetweenCellSectors(guid, opt, guid, flags, flags, opt, name, name, visible, lat)
ExpectUnexpected "DrawLineBetweenCellSectors"
map.ClearLinesBetweenPoints
ExpectUnexpected "ClearLinesBetweenPoints"
map.ClearLinesBetweenCellsites
ExpectUnexpected "ClearLinesBetweenCellsites"
map.ClearLinesBetweenCellSectors
ExpectUnexpected "ClearLinesBetweenCellSectors"
On Error GoTo 0

name = "Walk"
map.ProfileName = name
If map.ProfileName <> "Walk" Then Fail "ProfileName read back " & map.ProfileName
map.ApplyCurrentProfile
WScript.Echo "completed: line and profile members reached from VBScript"
WScript.Quit 0
