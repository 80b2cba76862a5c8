// An SVG plot of a vessel's station keeping over a run: the mean
// sub-satellite longitude with the 102 degrees west target marked, and the
// drift rate, against time.
#pragma once

#include <string>
#include <vector>

namespace standin {

struct DriftSample {
    double time = 0.0;        // [s]
    double mean_lon = 0.0;    // [deg] east, 0..360
    double drift_rate = 0.0;  // [deg per orbit] east positive
};

std::string drift_plot_svg(const std::string& vessel, const std::vector<DriftSample>& samples);

}  // namespace standin
