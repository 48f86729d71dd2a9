// Helpers of the dataset stand-in tests: filled datasets, reading values through the host
// interfaces, and a memory canvas to draw on.
#pragma once

#include "tests/standins/host/HostTestSupport.h"
#include "tests/support/DibCanvas.h"

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

using Canvas = testsupport::DibCanvas;

}  // namespace datasettest
