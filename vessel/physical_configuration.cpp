// What a KRV is made of: drag, inertia, size, mass, mesh, tank, thrusters,
// thruster groups and exhaust plumes. Every value is a constant of the
// class; the configuration file the host offers is not read.
#include "vessel/constants.h"
#include "vessel/krv.h"

namespace {

constexpr double kEmptyMass = 1650.0;  // [kg]
using krvconst::kIsp;
using krvconst::kTankCapacity;   // also the tank's content at set-up
constexpr double kIspRef = 0.0;  // the host's thruster model, passed as they are
constexpr double kPressureRef = 101400.0;
constexpr double kRcsThrust = 20.0;    // [N]
constexpr double kMainThrust = 500.0;  // [N]

struct ThrusterSpec {
    VECTOR3 pos;  // [m]
    VECTOR3 dir;
};

// th_rcs[0..15]: thrusters 2k and 2k+1 are mirror pairs (negated position
// and direction), so each pair is a couple; 12..15 all push toward +z.
constexpr ThrusterSpec kRcs[16] = {
    {{0, -1, 0}, {0, 0, 1}},  {{0, 1, 0}, {0, 0, -1}}, {{0, -1, 0}, {0, 0, -1}},
    {{0, 1, 0}, {0, 0, 1}},   {{0, -1, 0}, {1, 0, 0}}, {{0, 1, 0}, {-1, 0, 0}},
    {{0, -1, 0}, {-1, 0, 0}}, {{0, 1, 0}, {1, 0, 0}},  {{1, 0, 0}, {0, 0, 1}},
    {{-1, 0, 0}, {0, 0, -1}}, {{1, 0, 0}, {0, 0, -1}}, {{-1, 0, 0}, {0, 0, 1}},
    {{1, -1, -1}, {0, 0, 1}}, {{1, 1, -1}, {0, 0, 1}}, {{-1, -1, -1}, {0, 0, 1}},
    {{-1, 1, -1}, {0, 0, 1}},
};
constexpr ThrusterSpec kMain = {{0, 0, -1}, {0, 0, 1}};

// The attitude groups in creation order: their thrusters in list order.
struct GroupSpec {
    THGROUP_TYPE type;
    int count;
    int thrusters[4];
};
constexpr GroupSpec kAttitudeGroups[7] = {
    {THGROUP_ATT_PITCHUP, 2, {0, 1}},           {THGROUP_ATT_PITCHDOWN, 2, {2, 3}},
    {THGROUP_ATT_BANKLEFT, 2, {4, 5}},          {THGROUP_ATT_BANKRIGHT, 2, {6, 7}},
    {THGROUP_ATT_YAWLEFT, 2, {8, 9}},           {THGROUP_ATT_YAWRIGHT, 2, {10, 11}},
    {THGROUP_ATT_FORWARD, 4, {12, 13, 14, 15}},
};

// Attitude plumes sit on two nozzles at each rear corner (sx, sy); a
// group's plumes hang on its first thruster, corner by corner, the outer
// nozzle before the inner one. Directions are not unit vectors and are
// passed as they stand.
struct Corner {
    double sx;
    double sy;
};
struct PlumeSpec {
    int thruster;
    int corners;
    Corner corner[4];
};
constexpr PlumeSpec kAttitudePlumes[7] = {
    {0, 2, {{+1, -1}, {-1, -1}}},
    {2, 2, {{+1, +1}, {-1, +1}}},
    {6, 2, {{+1, -1}, {-1, +1}}},
    {4, 2, {{-1, -1}, {+1, +1}}},
    {8, 2, {{+1, -1}, {+1, +1}}},
    {10, 2, {{-1, -1}, {-1, +1}}},
    {12, 4, {{+1, -1}, {-1, -1}, {+1, +1}, {-1, +1}}},
};
constexpr double kPlumeLength = 0.5;  // [m]
constexpr double kPlumeWidth = 0.05;  // [m]

}  // namespace

void krv::clbkSetupClass(FILEHANDLE /*config*/) {
    ant_status = MECH_CLOSED;
    solp_status = MECH_CLOSED;
    lid_status = MECH_CLOSED;
    ant_pos = 0.0;
    hga_rot_pos = 0.0;
    hga_tilt1_pos = 0.0;
    hga_tilt2_pos = 0.0;
    solp_pos = 0.0;
    lid_pos = 0.0;
    last_simdt = 0.0;
    hga_rot_dir = DIR_HOLD;
    hga_tilt1_dir = DIR_HOLD;
    hga_tilt2_dir = DIR_HOLD;
    // The drift figures are the first step's to compute; until then they
    // read zero, so that a HUD drawn before any step shows defined numbers.
    drift_rate = 0.0;
    angle_east = 0.0;
    angle_west = 0.0;
    orbits_required = 0.0;
    mean_lon = 0.0;

    DefineAnimations();

    SetCW(1.0, 1.0, 1.0, 1.0);
    SetRotDrag(VECTOR3{1, 1, 1});
    if (GetFlightModel() >= 1) {
        SetPitchMomentScale(0.001);
        SetBankMomentScale(0.001);
    }
    SetTrimScale(0.1);
    SetPMI(VECTOR3{2, 2, 2});
    SetCrossSections(VECTOR3{10, 10, 6.5});
    SetSize(4.0);
    SetEmptyMass(kEmptyMass);

    // The rig built above names mesh 0: this, the vessel's only mesh.
    const std::uint32_t mesh = AddMesh("krv/krv");
    SetMeshVisibilityMode(mesh, 3);

    SetCameraOffset(VECTOR3{0, 2, -5});
    SetTouchdownPoints(VECTOR3{0, 1, 0}, VECTOR3{-1, -1, 0}, VECTOR3{1, -1, 0});

    ph_main = CreatePropellantResource(kTankCapacity, kTankCapacity, 1.0);

    for (int i = 0; i < 16; ++i)
        th_rcs[i] = CreateThruster(kRcs[i].pos, kRcs[i].dir, kRcsThrust, ph_main, kIsp, kIspRef,
                                   kPressureRef);
    th_main =
        CreateThruster(kMain.pos, kMain.dir, kMainThrust, ph_main, kIsp, kIspRef, kPressureRef);

    // th_group is refilled for each group; the host copies the list.
    for (const GroupSpec& g : kAttitudeGroups) {
        for (int i = 0; i < g.count; ++i) th_group[i] = th_rcs[g.thrusters[i]];
        CreateThrusterGroup(th_group, g.count, g.type);
    }
    CreateThrusterGroup(&th_main, 1, THGROUP_MAIN);

    char rcs_texture_name[] = "exhaust_atrcs";
    SURFHANDLE rcs_texture = zapiRegisterExhaustTexture(rcs_texture_name);
    for (const PlumeSpec& p : kAttitudePlumes) {
        for (int c = 0; c < p.corners; ++c) {
            const double sx = p.corner[c].sx;
            const double sy = p.corner[c].sy;
            const VECTOR3 dir{-0.259 * sx, -0.259 * sy, -0.634};
            AddExhaust(th_rcs[p.thruster], kPlumeLength, kPlumeWidth,
                       VECTOR3{0.977 * sx, 0.894 * sy, -2.475}, dir, rcs_texture);
            AddExhaust(th_rcs[p.thruster], kPlumeLength, kPlumeWidth,
                       VECTOR3{0.977 * sx, 0.811 * sy, -2.453}, dir, rcs_texture);
        }
    }

    char main_texture_name[] = "exhaust";
    SURFHANDLE main_texture = zapiRegisterExhaustTexture(main_texture_name);
    AddExhaust(th_main, 1.5, 0.15, VECTOR3{0, 0, -2.63}, VECTOR3{0, 0, -1}, main_texture);
}
