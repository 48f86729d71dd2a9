// A control's stream persistence to and from a plain file: the bytes the control writes, nothing
// around them.
#pragma once

#include <ocidl.h>

#include <string>

namespace samplehost {

// Saves into `path` (replacing it) and answers the number of bytes written. Throws
// platform::ComError on failure.
size_t SaveStreamToFile(IPersistStreamInit* object, const std::wstring& path);

// Loads the object from the bytes of `path`. Throws platform::ComError on failure.
void LoadStreamFromFile(IPersistStreamInit* object, const std::wstring& path);

}  // namespace samplehost
