// A spherical-harmonic model of the Earth's gravity field, as read from an
// ICGEM gravity field file (fully normalized coefficients).
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace standin {

// Where degree n, order m sits in a triangle of coefficients.
inline std::size_t coefficient_index(int n, int m) {
    const auto un = static_cast<std::size_t>(n);
    return un * (un + 1) / 2 + static_cast<std::size_t>(m);
}

struct GravityModel {
    std::string name;       // the header's modelname
    double gm_m3_s2 = 0.0;  // the model's own gravitational parameter
    double radius_m = 0.0;  // its reference radius
    int max_degree = 0;     // highest degree read
    // Fully normalized coefficients, index n * (n + 1) / 2 + m.
    std::vector<double> c_bar, s_bar;
    double c(int n, int m) const { return c_bar[coefficient_index(n, m)]; }
    double s(int n, int m) const { return s_bar[coefficient_index(n, m)]; }
};

// A bad gravity file; what() is "FILE:LINE: what is wrong".
class GravityFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the coefficients up to degree (and order) `degree`; the file must
// hold every one of them. Throws GravityFileError.
GravityModel read_gravity_file(const std::filesystem::path& path, int degree);

}  // namespace standin
