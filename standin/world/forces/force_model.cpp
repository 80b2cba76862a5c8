#include "standin/world/forces/force_model.h"

#include <cmath>
#include <utility>

#include "standin/world/earth.h"
#include "standin/world/forces/gravity_field.h"
#include "standin/world/forces/point_mass.h"
#include "standin/world/forces/solar_pressure.h"
#include "standin/world/forces/third_body.h"

namespace standin {

std::string ForceSelection::text() const {
    if (two_body) return "two-body";
    std::string out;
    auto add = [&out](const std::string& word) { out += (out.empty() ? "" : ",") + word; };
    if (gravity_degree >= 0) add("gravity:" + std::to_string(gravity_degree));
    if (moon) add("moon");
    if (sun) add("sun");
    if (srp) add("srp");
    return out.empty() ? "point-mass" : out;
}

ForceSelection parse_forces(const std::string& text) {
    ForceSelection s;
    s.two_body = false;
    bool any = false, two_body = false;
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t comma = std::min(text.find(',', from), text.size());
        const std::string word = text.substr(from, comma - from);
        from = comma + 1;
        auto twice = [&word](bool given) {
            if (given) throw ForcesError("'" + word + "' given twice");
        };
        if (word == "two-body") {
            twice(two_body);
            two_body = true;
        } else if (word == "all") {
            twice(s.gravity_degree >= 0 || s.moon || s.sun || s.srp);
            s.gravity_degree = kDefaultGravityDegree;
            s.moon = s.sun = s.srp = true;
        } else if (word == "gravity" || word.rfind("gravity:", 0) == 0) {
            twice(s.gravity_degree >= 0);
            s.gravity_degree = kDefaultGravityDegree;
            if (word.size() > 7) {
                const std::string n = word.substr(8);
                const bool digits = !n.empty() && n.size() <= 2 &&
                                    n.find_first_not_of("0123456789") == std::string::npos;
                const int degree = digits ? std::stoi(n) : -1;
                if (degree < 2 || degree > kMaxGravityDegree)
                    throw ForcesError("'" + word +
                                      "': the degree must be a whole number from 2 to " +
                                      std::to_string(kMaxGravityDegree));
                s.gravity_degree = degree;
            }
        } else if (word == "moon") {
            twice(s.moon);
            s.moon = true;
        } else if (word == "sun") {
            twice(s.sun);
            s.sun = true;
        } else if (word == "srp") {
            twice(s.srp);
            s.srp = true;
        } else {
            throw ForcesError("'" + word +
                              "' is not a force: two-body, or gravity[:N], moon, sun, srp, all");
        }
        any = true;
    }
    if (!any) throw ForcesError("no force given");
    if (two_body) {
        if (s.gravity_degree >= 0 || s.moon || s.sun || s.srp)
            throw ForcesError("two-body is the closed form alone; it takes no other force");
        s.two_body = true;
    }
    return s;
}

ForceModel::ForceModel() : ephemeris_(std::make_unique<SunMoon>()) {
    forces_.push_back(std::make_unique<PointMass>(kEarthMu));
}

ForceModel::ForceModel(const ForceSelection& selection, const std::filesystem::path& gravity_file)
    : selection_(selection), ephemeris_(std::make_unique<SunMoon>()) {
    if (selection.gravity_degree >= 0 && !selection.two_body) {
        const GravityModel model = read_gravity_file(gravity_file, selection.gravity_degree);
        gravity_model_ = model.name;
        auto field = std::make_unique<GravityField>(model, selection.gravity_degree);
        field_ = field.get();
        forces_.push_back(std::move(field));
    } else {
        forces_.push_back(std::make_unique<PointMass>(kEarthMu));
    }
    if (selection.two_body) return;
    using Which = ThirdBody::Which;
    if (selection.moon) forces_.push_back(std::make_unique<ThirdBody>(Which::moon, *ephemeris_));
    if (selection.sun) forces_.push_back(std::make_unique<ThirdBody>(Which::sun, *ephemeris_));
    if (selection.srp) forces_.push_back(std::make_unique<SolarPressure>(*ephemeris_));
}

VECTOR3 ForceModel::acceleration(const VECTOR3& r_m, double mjd_utc,
                                 const VesselSurface& surface) const {
    VECTOR3 sum{0.0, 0.0, 0.0};
    for (const auto& f : forces_) {
        const VECTOR3 a = f->acceleration(r_m, mjd_utc, surface);
        sum = {sum.x + a.x, sum.y + a.y, sum.z + a.z};
    }
    return sum;
}

}  // namespace standin
