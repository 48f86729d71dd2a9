' A VBScript client: arguments by reference, small integers as VT_I2, objects set by reference.
Option Explicit
Dim map, shown, attributes, code

Sub Fail(text)
    WScript.Echo "FAIL: " & text
    WScript.Quit 1
End Sub

Sub ExpectError(what, expected)
    If Err.Number = 0 Then Fail what & " succeeded"
    If Hex(Err.Number) <> expected Then Fail what & " answered " & Hex(Err.Number) & ", not " & expected
    Err.Clear
End Sub

Set map = CreateObject("VadAZ2.ZmaVadAZ.1")
shown = True
map.SetVisible shown
map.SetVisible 1
map.DisplayBackgroundMapLayerProperties

On Error Resume Next
map.ShowDirection shown
ExpectError "ShowDirection before the map has layers", "8000FFFF"
shown = map.IsDirectionShown()
ExpectError "IsDirectionShown before the map has layers", "8000FFFF"
map.UpdateDataset "", CreateObject("VadazHost.Dataset")
ExpectError "UpdateDataset with an empty key", "80004005"
map.RemoveTemporaryTabLayer
ExpectError "RemoveTemporaryTabLayer before the map has layers", "80004005"
Set map.Attributes = CreateObject("VadazHost.StringList")
' With its description the refusal reaches the script as the member's own HRESULT.
ExpectError "Attributes of an object without the attributes interface", "80004002"
Set attributes = CreateObject("VadazHost.Attributes")
Set map.Attributes = attributes
If Err.Number <> 0 Then Fail "Attributes refused the host's attributes object: " & Hex(Err.Number)
On Error GoTo 0

WScript.Echo "completed: layer members reached from VBScript"
WScript.Quit 0
