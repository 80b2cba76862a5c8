#include "standin/world/forces/gravity_field.h"

#include <cmath>
#include <stdexcept>

#include "standin/world/earth.h"

namespace standin {

namespace {

constexpr int kMaxDegree = 20;
constexpr int kSide = kMaxDegree + 3;  // V and W reach degree + 1, order + 1

// Turns a vector about z by angle [rad].
VECTOR3 turned_about_z(const VECTOR3& a, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return {c * a.x - s * a.y, s * a.x + c * a.y, a.z};
}

}  // namespace

GravityField::GravityField(const GravityModel& model, int degree)
    : degree_(degree), gm_m3_s2_(model.gm_m3_s2), radius_m_(model.radius_m) {
    if (degree < 0 || degree > model.max_degree || degree > kMaxDegree)
        throw std::invalid_argument("gravity degree " + std::to_string(degree) +
                                    " is outside the model's 0.." +
                                    std::to_string(std::min(model.max_degree, kMaxDegree)));
    const std::size_t count = coefficient_index(degree + 1, 0);
    c_.resize(count);
    s_.resize(count);
    for (int n = 0; n <= degree; ++n) {
        for (int m = 0; m <= n; ++m) {
            // N_nm = sqrt((2 - d_m0)(2n + 1)(n - m)! / (n + m)!): fine in
            // doubles up to degree 20.
            double ratio = 1.0;  // (n - m)! / (n + m)!
            for (int k = n - m + 1; k <= n + m; ++k) ratio /= k;
            const double scale = std::sqrt((m == 0 ? 1.0 : 2.0) * (2 * n + 1) * ratio);
            const auto k = coefficient_index(n, m);
            c_[k] = scale * model.c(n, m);
            s_[k] = scale * model.s(n, m);
        }
    }
}

VECTOR3 GravityField::acceleration(const VECTOR3& r_m, double mjd_utc,
                                   const VesselSurface& /*surface*/) const {
    const double era = earth_rotation_angle(mjd_utc);
    return turned_about_z(acceleration_ecef(turned_about_z(r_m, -era)), era);
}

VECTOR3 GravityField::acceleration_ecef(const VECTOR3& r) const {
    // The recursion of V_nm and W_nm (the solid harmonics times (R/r)^(n+1))
    // and the acceleration's sums in terms of them, as in Montenbruck and
    // Gill, Satellite Orbits (2000), section 3.2.5.
    const double r2 = r.x * r.x + r.y * r.y + r.z * r.z;
    const double rho = radius_m_ * radius_m_ / r2;
    const double x0 = radius_m_ * r.x / r2, y0 = radius_m_ * r.y / r2, z0 = radius_m_ * r.z / r2;
    double v[kSide][kSide] = {};
    double w[kSide][kSide] = {};
    const int top = degree_ + 1;
    v[0][0] = radius_m_ / std::sqrt(r2);
    for (int m = 0; m <= top; ++m) {
        if (m > 0) {
            v[m][m] = (2 * m - 1) * (x0 * v[m - 1][m - 1] - y0 * w[m - 1][m - 1]);
            w[m][m] = (2 * m - 1) * (x0 * w[m - 1][m - 1] + y0 * v[m - 1][m - 1]);
        }
        if (m + 1 <= top) {
            v[m + 1][m] = (2 * m + 1) * z0 * v[m][m];
            w[m + 1][m] = (2 * m + 1) * z0 * w[m][m];
        }
        for (int n = m + 2; n <= top; ++n) {
            v[n][m] = ((2 * n - 1) * z0 * v[n - 1][m] - (n + m - 1) * rho * v[n - 2][m]) / (n - m);
            w[n][m] = ((2 * n - 1) * z0 * w[n - 1][m] - (n + m - 1) * rho * w[n - 2][m]) / (n - m);
        }
    }
    double ax = 0.0, ay = 0.0, az = 0.0;
    for (int n = degree_; n >= 0; --n) {  // small terms first
        for (int m = n; m >= 0; --m) {
            const auto k = coefficient_index(n, m);
            const double c = c_[k], s = s_[k];
            if (m == 0) {
                ax -= c * v[n + 1][1];
                ay -= c * w[n + 1][1];
            } else {
                const double f = (n - m + 1) * (n - m + 2);
                ax += 0.5 * ((-c * v[n + 1][m + 1] - s * w[n + 1][m + 1]) +
                             f * (c * v[n + 1][m - 1] + s * w[n + 1][m - 1]));
                ay += 0.5 * ((-c * w[n + 1][m + 1] + s * v[n + 1][m + 1]) +
                             f * (-c * w[n + 1][m - 1] + s * v[n + 1][m - 1]));
            }
            az += (n - m + 1) * (-c * v[n + 1][m] - s * w[n + 1][m]);
        }
    }
    const double k = gm_m3_s2_ / (radius_m_ * radius_m_);
    return {k * ax, k * ay, k * az};
}

}  // namespace standin
