#include "standin/world/forces/gravity_model.h"

#include <cmath>
#include <fstream>
#include <sstream>

namespace standin {

namespace {

// ICGEM files write exponents with D as often as with E.
bool to_number(std::string text, double& out) {
    for (char& ch : text)
        if (ch == 'D' || ch == 'd') ch = 'e';
    std::istringstream in(text);
    in >> out;
    return !in.fail() && in.eof() && std::isfinite(out);
}

}  // namespace

GravityModel read_gravity_file(const std::filesystem::path& path, int degree) {
    std::ifstream in(path);
    const std::string where = path.string();
    if (!in) throw GravityFileError(where + ": cannot be read");
    GravityModel g;
    g.max_degree = degree;
    const std::size_t count = coefficient_index(degree + 1, 0);
    g.c_bar.assign(count, 0.0);
    g.s_bar.assign(count, 0.0);
    std::vector<bool> seen(count, false);
    std::string line;
    int number = 0;
    bool in_header = true;
    std::string norm = "fully_normalized";
    auto fail = [&](const std::string& what) {
        throw GravityFileError(where + ":" + std::to_string(number) + ": " + what);
    };
    while (std::getline(in, line)) {
        ++number;
        std::istringstream words(line);
        std::string key;
        if (!(words >> key)) continue;
        if (in_header) {
            std::string value;
            words >> value;
            if (key == "end_of_head") {
                in_header = false;
            } else if (key == "modelname") {
                g.name = value;
            } else if (key == "earth_gravity_constant") {
                if (!to_number(value, g.gm_m3_s2) || g.gm_m3_s2 <= 0.0)
                    fail("earth_gravity_constant: '" + value + "' is not a positive number");
            } else if (key == "radius") {
                if (!to_number(value, g.radius_m) || g.radius_m <= 0.0)
                    fail("radius: '" + value + "' is not a positive number");
            } else if (key == "norm") {
                norm = value;
            }
            continue;
        }
        if (key != "gfc") fail("expected a 'gfc L M C S' line, got '" + key + "'");
        std::string ltext, mtext, ctext, stext;
        words >> ltext >> mtext >> ctext >> stext;
        double l = 0.0, m = 0.0, c = 0.0, s = 0.0;
        if (!to_number(ltext, l) || !to_number(mtext, m) || l != std::floor(l) ||
            m != std::floor(m) || m < 0.0 || m > l)
            fail("degree and order must be whole numbers with 0 <= M <= L");
        if (!to_number(ctext, c) || !to_number(stext, s)) fail("C and S must be numbers");
        if (l > degree) continue;
        const auto k = coefficient_index(static_cast<int>(l), static_cast<int>(m));
        if (seen[k]) {
            std::string what = "degree ";
            what.append(ltext).append(" order ").append(mtext).append(" given twice");
            fail(what);
        }
        seen[k] = true;
        g.c_bar[k] = c;
        g.s_bar[k] = s;
    }
    ++number;
    if (in_header) fail("no end_of_head line");
    if (norm != "fully_normalized") fail("norm '" + norm + "': only fully_normalized is read");
    if (g.gm_m3_s2 <= 0.0 || g.radius_m <= 0.0)
        fail("the header needs earth_gravity_constant and radius");
    // Degree 1 is zero about the centre of mass; files may leave it out.
    for (int n = 0; n <= degree; ++n)
        for (int m = 0; m <= n && n != 1; ++m)
            if (!seen[coefficient_index(n, m)])
                fail("no coefficients for degree " + std::to_string(n) + " order " +
                     std::to_string(m));
    return g;
}

}  // namespace standin
