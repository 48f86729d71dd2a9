// What the "Print Map" sheet measures with: the host's unit converter (paper lengths in
// centimetres, or inches where the user's locale measures in inches; printed sizes in hundredths
// of a millimetre; the map's distance unit), and the arithmetic of a printed map's shape.
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"

#include <windows.h>

#include <string>

// The converter's unit codes the sheet uses.
enum : long { kUnitInch = 4, kUnitHundredthMillimetre = 9, kUnitCentimetre = 12 };

// The host's unit converter as the sheet's pages use it. Without the host's object every
// conversion raises E_POINTER with a description that says so.
class QuickPrintUnits {
public:
    // Creates the host's unit converter (null when the host has none).
    QuickPrintUnits();

    // Centimetres, or inches where the locale measures in inches.
    static long PaperUnit();

    double Convert(double value, long from, long to) const;
    // The converter's name of a unit ("cm", "in").
    std::wstring UnitName(long unit) const;

    // A printed length (0.01 mm) in paper units, and back (rounded to the nearest 0.01 mm).
    double ToPaper(long hundredths) const { return Convert(hundredths, kUnitHundredthMillimetre, PaperUnit()); }
    long FromPaper(double paper) const;

private:
    platform::ComPtr<IHostUnitConverter> converter_;
};

// Whether a printed size is at least the smallest printed map in both directions.
bool MeetsMinimum(SIZE size);
// A size with a side below the smallest printed map's, grown in its own shape until both sides
// reach the smallest map's; a size with a side of 0 has no shape and stays as it is.
SIZE EnlargeToMinimum(SIZE size);
// The largest size of the shape width / height = `aspect` inside `box`.
SIZE FitShape(double aspect, SIZE box);
