// The baseline the benchmarks measure against: reading every row's latitude and longitude once
// through the host's row and field interfaces, as a host's own code would.
#pragma once

#include "benchmarks/BenchmarkClock.h"

#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "platform/Com.h"

#include <cstdio>

// Seconds taken to read every row's position of `dataset`.
inline double BaselineRead(IHostDataset* dataset) {
    platform::ComPtr<IHostRows> rows = hostdata::Rows(dataset);
    platform::ComPtr<IHostFields> fields = hostdata::Fields(dataset);
    platform::ComPtr<IHostField> lat = hostdata::FieldByName(fields.Get(), L"Latitude");
    platform::ComPtr<IHostField> lon = hostdata::FieldByName(fields.Get(), L"Longitude");
    const double start = Now();
    const long count = hostdata::RowCount(rows.Get());
    double sum = 0;
    platform::Variant v;
    rows->MoveFirst();
    for (long i = 0; i < count; ++i) {
        hostdata::ReadValue(lat.Get(), v);
        sum += v.dblVal;
        hostdata::ReadValue(lon.Get(), v);
        sum += v.dblVal;
        VARIANT_BOOL on;
        rows->MoveNext(&on);
    }
    const double took = Now() - start;
    // Keeps the reads from being optimised away.
    if (sum == 42.0) std::printf(" ");
    return took;
}
