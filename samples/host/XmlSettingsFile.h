// The control's settings document as a file: SaveToXML fills an element of a new MSXML 4 document
// that is then saved; LoadFromXML gets the root element of a loaded one.
#pragma once

#include <oaidl.h>

#include <string>

namespace samplehost {

// The element the host hands to SaveToXML; the control appends its settings under it.
constexpr wchar_t kSettingsRootElement[] = L"hostsettings";

// Throws platform::ComError when the document cannot be made, filled or written.
void SaveSettingsDocument(IDispatch* control, const std::wstring& path);
void LoadSettingsDocument(IDispatch* control, const std::wstring& path);

}  // namespace samplehost
