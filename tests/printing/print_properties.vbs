' A VBScript client writes every print property the way VBScript passes values (variables by
' reference, small numbers as 16-bit integers), reads each back, and finds them again in a new map.
Option Explicit
Sub Fail(text)
    WScript.Echo "FAIL: " & text
    WScript.Quit 1
End Sub
Sub ExpectCode(what, code)
    If Err.Number <> code Then Fail what & " answered " & Hex(Err.Number) & ", not " & Hex(code)
    Err.Clear
End Sub
Sub Expect(what, got, want)
    If Not Same(got, want) Then Fail what & " reads back " & got & ", not " & want
End Sub
Function Same(got, want)
    If VarType(want) = vbString Then Same = (VarType(got) = vbString And got = want) Else Same = Abs(got - want) < 0.000000001
End Function

' Every print property of a map, as text.
Function Readout(m)
    Readout = m.PrintTitle & ";" & m.PrintTitleBorder & ";" & m.PositionTitleAboveMap & ";" & _
        m.PrintLegend & ";" & m.FixedLegendSize & ";" & m.ContentCentered & ";" & m.PrintMapBorder & ";" & _
        m.OrientationLandscape & ";" & m.TitleAlignment & ";" & m.LeftMargin & ";" & m.TopMargin & ";" & _
        m.RightMargin & ";" & m.BottomMargin & ";" & m.LegendPosition & ";" & m.MapSize & ";" & _
        m.Width & ";" & m.Height & ";" & m.Scale & ";" & m.TitleFontHeight & ";" & m.TitleFontWeight & ";" & _
        m.TitleFontItalic & ";" & m.TitleFontStruckout & ";" & m.TitleFontUnderlined & ";" & _
        m.TitleFontCharSet & ";" & m.TitleFontFaceName & ";" & m.TitleFontColor & ";"
End Function

Dim map, again, inch, value
Set map = CreateObject("VadAZ2.ZmaVadAZ.1")
map.QuickPrintLayoutAsText = "landscape"
value = "1 in"
map.Width = value
inch = map.Width
map.QuickPrintLayout = 1

' Each value goes in through a variable, as VBScript passes them by reference.
value = False : map.PrintTitle = value : Expect "PrintTitle", map.PrintTitle, False
value = True : map.PrintTitleBorder = value : Expect "PrintTitleBorder", map.PrintTitleBorder, True
value = False : map.PositionTitleAboveMap = value : Expect "PositionTitleAboveMap", map.PositionTitleAboveMap, False
value = True : map.PrintLegend = value : Expect "PrintLegend", map.PrintLegend, True
value = False : map.FixedLegendSize = value : Expect "FixedLegendSize", map.FixedLegendSize, False
value = True : map.ContentCentered = value : Expect "ContentCentered", map.ContentCentered, True
value = True : map.PrintMapBorder = value : Expect "PrintMapBorder", map.PrintMapBorder, True
value = False : map.OrientationLandscape = value : Expect "OrientationLandscape", map.OrientationLandscape, False
value = "Centre" : map.TitleAlignment = value : Expect "TitleAlignment", map.TitleAlignment, "center"
value = 3.5 : map.LeftMargin = value : Expect "LeftMargin", map.LeftMargin, 3.5
value = 12 : map.TopMargin = value : Expect "TopMargin", map.TopMargin, 12
value = 20.019 : map.RightMargin = value : Expect "RightMargin", map.RightMargin, 20.01
value = 1 : map.BottomMargin = value : Expect "BottomMargin", map.BottomMargin, 1
value = "Bottom Right" : map.LegendPosition = value : Expect "LegendPosition", map.LegendPosition, "bottom right"
value = "WINDOW" : map.MapSize = value : Expect "MapSize", map.MapSize, "window"
value = 6 : map.Width = value : Expect "Width", map.Width, 6
value = "100 mm" : map.Height = value : Expect "Height", map.Height, 10 / 2.54 * inch
value = 0.0001 : map.Scale = value : Expect "Scale", map.Scale, 0.0001
value = 12 : map.TitleFontHeight = value : Expect "TitleFontHeight", map.TitleFontHeight, 12
value = 400 : map.TitleFontWeight = value : Expect "TitleFontWeight", map.TitleFontWeight, 400
value = True : map.TitleFontItalic = value : Expect "TitleFontItalic", map.TitleFontItalic, True
value = False : map.TitleFontStruckout = value : Expect "TitleFontStruckout", map.TitleFontStruckout, False
value = True : map.TitleFontUnderlined = value : Expect "TitleFontUnderlined", map.TitleFontUnderlined, True
value = 204 : map.TitleFontCharSet = value : Expect "TitleFontCharSet", map.TitleFontCharSet, 204
value = "DejaVu Serif" : map.TitleFontFaceName = value : Expect "TitleFontFaceName", map.TitleFontFaceName, "DejaVu Serif"
value = 255 : map.TitleFontColor = value : Expect "TitleFontColor", map.TitleFontColor, "0000ff"
value = "00FF00" : map.TitleFontColor = value : Expect "TitleFontColor", map.TitleFontColor, "00ff00"
If map.QuickPrintLayoutAsText <> "custom" Then Fail "the writes left the " & map.QuickPrintLayoutAsText & " layout"

On Error Resume Next
value = "middle"
map.LegendPosition = value
ExpectCode "LegendPosition middle", &H80070057
value = 0
map.Scale = value
ExpectCode "Scale 0", &H80070057
value = -1
map.TitleFontWeight = value
ExpectCode "TitleFontWeight -1", &H80004005
value = "Landscape"
map.QuickPrintLayoutAsText = value
ExpectCode "QuickPrintLayoutAsText Landscape", &H80070057
On Error GoTo 0

Set again = CreateObject("VadAZ2.ZmaVadAZ.1")
If Readout(again) <> Readout(map) Then Fail "a new map reads " & Readout(again) & ", not " & Readout(map)

WScript.Echo "completed: print properties round-trip from VBScript"
WScript.Quit 0
