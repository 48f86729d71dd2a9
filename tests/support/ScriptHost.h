// Runs script text in the system's script engines inside the test process, with the test's own
// objects as named items: the way an application that scripts its forms runs a script against a
// control it has set up (a map initialised in its site, which a script run by cscript cannot
// have). The script passes its arguments as the language does: VBScript its variables by
// reference and small literals as 16-bit integers.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

using ScriptObjects = std::vector<std::pair<std::wstring, IDispatch*>>;

// Runs `code` in the engine of `language` ("VBScript", "JScript") with each object reachable by
// its name. S_OK when the script ran to its end; otherwise the failure, with the engine's
// description of a script error in `error`.
HRESULT RunScript(const wchar_t* language, const std::wstring& code, const ScriptObjects& objects,
                  std::wstring* error = nullptr);

}  // namespace testsupport
