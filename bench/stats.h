// Order statistics for the bench driver's figures: medians and quartiles of
// small samples.
#pragma once

#include <algorithm>
#include <vector>

// The q-quantile (0..1) by linear interpolation between order statistics:
// 0 is the smallest value, 1 the largest; 0 for no values.
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
