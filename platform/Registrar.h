// Registration scripts: a small declarative text of registry keys, stored as a resource of type
// "REGISTRY" and run at registration with "%MODULE%" replaced by the binary's path.
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {GUID} = s 'Name'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//               'Implemented Categories'
//               {
//                   {GUID}
//               }
//           }
//       }
//   }
//
// Roots: HKCR, HKCU, HKLM. A key may carry a default value (= s 'text' or = d number) and named
// values (val Name = s 'text' | d number). Keys are removed at unregistration unless marked
// NoRemove, in which case only what they contain is walked; a removed key goes with its subtree.
// ForceRemove also deletes an existing key before it is written again.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace platform {

using RegistrarReplacements = std::map<std::wstring, std::wstring>;

// Runs a script. Returns S_OK or the failure of the first registry call (or DISP_E_EXCEPTION for
// a script that does not parse).
HRESULT RunRegistrationScript(const std::wstring& script, bool registering, const RegistrarReplacements& replacements);

// Loads resource `id` of type "REGISTRY" (UTF-8 or ANSI text) from `module`.
HRESULT LoadRegistrationScript(HMODULE module, UINT id, std::wstring& script);

}  // namespace platform
