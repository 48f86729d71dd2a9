// Small pieces the layer dialogs share: the engine map calls they make, the unit captions and the
// reading and writing of control texts.
#pragma once

#include "platform/Com.h"

#include <windows.h>

#include <string>

namespace layerdialogs {

// An engine object's object property (E_POINTER when it is empty).
platform::ComPtr<IDispatch> GetObjectProperty(IDispatch* object, DISPID id);

// The engine map's distance unit code.
long MapDistanceUnit(IDispatch* map);
// The engine's distance from (x1, y1) to (x2, y2) in the map's unit.
double MapDistance(IDispatch* map, double x1, double y1, double x2, double y2);
// A new engine rectangle.
platform::ComPtr<IDispatch> NewRectangle();
// Switches the engine map's automatic redraw.
void SetAutoRedraw(IDispatch* map, bool on);

// The short caption of a distance unit ("Mi", "Km", "Mt", ...); empty for a code not in the table.
const char* UnitCaption(long unit);

// The text of a dialog control, read up to `limit` characters.
std::string ItemText(HWND dialog, int id, int limit);
void SetItemText(HWND dialog, int id, const std::string& text);
// A number into a control as its edit reads it back: with a point, whatever the host's locale.
// Fixed `decimals` after the point, or as "%g" writes it when `decimals` is negative. The edit
// remembers it as the dialog's own (WriteDialogNumber).
void SetItemNumber(HWND dialog, int id, double value, int decimals = -1);
bool IsChecked(HWND dialog, int id);
void Check(HWND dialog, int id, bool on);
void Enable(HWND dialog, int id, bool on);

// Line feed, carriage return and tab shown as the two characters "\n", "\r" and "\t", and back.
std::string EscapeControlCharacters(const std::string& text);
std::string UnescapeControlCharacters(const std::string& text);

}  // namespace layerdialogs
