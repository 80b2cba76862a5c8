// The forces the world integrates, chosen by name ("two-body", or any of
// "gravity[:N]", "moon", "sun", "srp", comma-separated), and their sum.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "standin/world/forces/force.h"
#include "standin/world/forces/sun_moon.h"

namespace standin {

class GravityField;

constexpr int kDefaultGravityDegree = 8;
constexpr int kMaxGravityDegree = 20;

struct ForceSelection {
    bool two_body = true;     // the closed form, nothing else
    int gravity_degree = -1;  // -1: the Earth as a point mass
    bool moon = false, sun = false, srp = false;
    std::string text() const;  // as "--forces" takes it
};

// A bad force list; what() says what is wrong without the option's name.
class ForcesError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// "two-body", or a comma-separated list of gravity[:N] (N 2..20, default
// 8), moon, sun, srp; "all" is gravity:8,moon,sun,srp. Throws ForcesError.
ForceSelection parse_forces(const std::string& text);

class ForceModel {
public:
    // The two-body world.
    ForceModel();
    // Reads the gravity file when the selection asks for the field; throws
    // GravityFileError.
    ForceModel(const ForceSelection& selection, const std::filesystem::path& gravity_file);

    // Two-body alone: the world keeps its closed form.
    bool closed_form() const { return selection_.two_body; }
    const ForceSelection& selection() const { return selection_; }
    // The gravity model's name and degree; empty and -1 for a point mass.
    const std::string& gravity_model() const { return gravity_model_; }
    int gravity_degree() const { return selection_.gravity_degree; }
    const SunMoon& ephemeris() const { return *ephemeris_; }
    // The gravity field among the forces; null for a point-mass Earth.
    const GravityField* gravity_field() const { return field_; }

    // [m/s^2] the sum of the forces, global frame.
    VECTOR3 acceleration(const VECTOR3& r_m, double mjd_utc, const VesselSurface& surface) const;

private:
    ForceSelection selection_;
    std::string gravity_model_;
    std::unique_ptr<SunMoon> ephemeris_;  // the forces hold references to it
    std::vector<std::unique_ptr<Force>> forces_;
    const GravityField* field_ = nullptr;  // one of forces_
};

}  // namespace standin
