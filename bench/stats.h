// Order statistics for the bench driver's figures: medians and quartiles of
// small samples, and the report files the frame counter writes.
#pragma once

#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <vector>

// The q-quantile (0..1) by linear interpolation between order statistics.
inline double quantile(std::vector<double> values, double q)
{
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const double position = q * static_cast<double>(values.size() - 1);
    const auto below = static_cast<std::size_t>(position);
    const std::size_t above = std::min(below + 1, values.size() - 1);
    const double fraction = position - static_cast<double>(below);
    return values[below] + fraction * (values[above] - values[below]);
}

inline double median(const std::vector<double>& values) { return quantile(values, 0.5); }

inline double smallest(const std::vector<double>& values)
{
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

inline double largest(const std::vector<double>& values)
{
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

// "name value" lines, as the frame counter's report holds them.
inline std::map<std::string, double> readReport(const std::string& path)
{
    std::map<std::string, double> fields;
    std::ifstream in(path);
    std::string name;
    double value = 0.0;
    while (in >> name >> value) {
        fields[name] = value;
    }
    return fields;
}
