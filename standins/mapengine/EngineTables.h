// The engine's tables that other programs read from files: the projection list "Mapinfow.prj" in
// the folder that HKLM "SOFTWARE\MapInfo\MapX\4.0" "CommonDLLDir" names. Registration writes both.
#pragma once

#include <windows.h>

#include <string>

namespace mapengine {

// The projection list: groups separated by empty lines; a group's first line names a category
// ("--- name ---" in double quotes), every further line is a member: its name in double quotes
// and, after the closing quote, its definition.
const char* ProjectionListText();

HRESULT InstallEngineTables(const std::wstring& folder);
HRESULT RemoveEngineTables();

}  // namespace mapengine
