' The export members from VBScript: arguments by reference, and the errors as Err values.
Option Explicit
Const E_INVALIDARG = -2147024809
Dim map, fso, folder, path, format, scale
Set map = CreateObject("VadAZ2.ZmaVadAZ.1")
Set fso = CreateObject("Scripting.FileSystemObject")
folder = fso.GetSpecialFolder(2).Path & "\vadaz_export_vbs"
If Not fso.FolderExists(folder) Then fso.CreateFolder folder

Sub Fail(text)
    WScript.Echo "FAIL: " & text
    WScript.Quit 1
End Sub

path = folder & "\map.jpg"
format = "JPEG"
If fso.FileExists(path) Then fso.DeleteFile path
map.ExportToFile path, format
If Not fso.FileExists(path) Then Fail "no jpeg"

On Error Resume Next
format = "tiff"
map.ExportToFile folder & "\x.tiff", format
If Err.Number <> E_INVALIDARG Then Fail "tiff answered " & Err.Number
Err.Clear
map.ExportToFile "", "png"
If Err.Number <> E_INVALIDARG Then Fail "an empty path answered " & Err.Number
Err.Clear
On Error GoTo 0

map.MapUnit = 0
map.PaperUnit = 2
map.Zoom = 2
path = folder & "\scaled.bmp"
scale = 0.5
If fso.FileExists(path) Then fso.DeleteFile path
map.ExportAsPictureAtScale path, scale
If Not fso.FileExists(path) Then Fail "no picture at scale"
WScript.Echo "completed: exports through VBScript"
WScript.Quit 0
