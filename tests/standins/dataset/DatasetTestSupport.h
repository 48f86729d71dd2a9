// Helpers of the dataset stand-in tests: filled datasets, reading values through the host
// interfaces, and a memory canvas to draw on.
#pragma once

#include "tests/standins/host/HostTestSupport.h"

#include <string>

namespace datasettest {

// A missing optional argument, as a caller that leaves it out passes it.
VARIANT Missing();

// An empty dataset with the fields "Latitude" (13), "Longitude" (12) and "RxLev" (5) and one
// row per {latitude, longitude, level} triple.
struct Row {
    double latitude, longitude, level;
};
platform::ComPtr<IHostDataset> MakeDataset(std::initializer_list<Row> rows);

platform::ComPtr<IHostField> FieldOf(IHostDataset* dataset, const wchar_t* name);

// The cursor row's value of a field.
platform::Variant ValueOf(IHostField* field);

// A 32-bit white bitmap selected into a memory DC.
class Canvas {
public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC Dc() const { return dc_; }
    COLORREF Pixel(int x, int y) const { return ::GetPixel(dc_, x, y) & 0xFFFFFF; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

}  // namespace datasettest
