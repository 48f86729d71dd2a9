' A VBScript host leaves trailing optional arguments out. The member must take the call: a map
' driven from script alone is not initialised, so the member itself answers E_UNEXPECTED, never
' "wrong number of arguments".
Option Explicit
Dim map, failures
failures = 0
Set map = CreateObject("VadAZ2.ZmaVadAZ.1")

Sub Expect(what, number, expected)
    If number <> expected Then
        WScript.Echo "FAIL: " & what & ": error " & Hex(number) & ", expected " & Hex(expected)
        failures = failures + 1
    End If
End Sub

On Error Resume Next
Err.Clear
map.RemoveDataset "{F1000000-0000-0000-0000-000000000001}"
Expect "RemoveDataset without its notify flag", Err.Number, &H8000FFFF
Err.Clear
map.RemoveDataset "{F1000000-0000-0000-0000-000000000001}", True
Expect "RemoveDataset with its notify flag", Err.Number, &H8000FFFF
On Error GoTo 0

If failures = 0 Then WScript.Echo "completed: optional arguments ok"
WScript.Quit failures
