// Repeated samples of one benchmark figure, reported as their minimum and median.
#pragma once

#include <algorithm>
#include <vector>

struct Samples {
    std::vector<double> values;
    void Add(double v) { values.push_back(v); }
    double Min() const { return values.empty() ? 0 : *std::min_element(values.begin(), values.end()); }
    double Max() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }
    double Median() const {
        if (values.empty()) return 0;
        std::vector<double> v = values;
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    }
};
