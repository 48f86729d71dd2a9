// The fonts of an engine style belong to the style: a caller changes one through the font object
// the style hands out, never by putting another (the engine's font properties are read-only).
#pragma once

#include <ocidl.h>
#include <olectl.h>

// Gives `target` the face, size, weight, slant, underline, strike-out and character set of
// `source`. Raises the first failure.
void CopyFontInto(IFont* target, IFont* source);
