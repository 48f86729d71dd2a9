// Pictures of the map in files: the context menu's "Export Map" commands with their Save As
// dialog, and the automation members that export by path.
#pragma once

#include "ZmaVOMap2/commands/CommandTarget.h"

#include <windows.h>

// The engine format code of an "Export Map" command (32811 to 32817).
short ExportFormatOfCommand(UINT id);

// Asks the user for a file in the format's Save As dialog (starting in the folder of the last
// export), remembers the folder and lets the engine write the file. A failed export is shown to
// the user and logged. Codes outside 0 to 6 do nothing.
void ExportMapAsImage(CommandTarget& target, IDispatch* engineMap, short format);

// The engine format of an image format name ("bmp", "JPEG", ...); false for null, empty or
// unknown names.
bool GetImageFormatFromExtension(BSTR name, long& format);

// Exports the map view to a file path or a "terravex://" address in the named format. Raises
// E_INVALIDARG with a description for a missing or unknown argument or an unresolved address.
HRESULT ExportToFile(CommandTarget& target, BSTR filePath, BSTR fileFormat);

// Exports the view as a bitmap whose size is its ground extent times `scale`. The exporting flag
// and the engine's automatic redraw are restored whatever happens.
HRESULT ExportAsPictureAtScale(CommandTarget& target, BSTR path, double scale);
