// Colours a host passes to the shape and line members as VARIANTs. Every member that takes a
// colour reads it by this one rule:
// - an integer of any width (8 to 64 bits, signed or not) is 0xRRGGBB, so a .NET host's 64-bit
//   Long reads as a 32-bit one does; a 16-bit or 8-bit integer counts by its bits, so a
//   script's &HFF00 (a negative 16-bit value) is green, and its 255 blue;
// - a text is hexadecimal RRGGBB, with or without "0x"; a text that is no number is black;
// - a variable passed by reference (as scripts pass theirs) is read through;
// - anything else (nothing given, null, objects, a reference to nothing) is no colour.
#pragma once

#include "platform/Com.h"

#include <windows.h>
#include <oleauto.h>

// False, with `colour` untouched, when the argument holds no colour.
bool ReadHostColour(const VARIANT& value, COLORREF& colour);
// What a layer keeps of a colour argument, read once when it is given: VT_I4 0xRRGGBB, or an
// empty variant for no colour. Never raises, whatever the argument holds.
platform::Variant KeepHostColour(const VARIANT& value);
