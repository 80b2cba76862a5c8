// The KRV solar observatory: the one vessel class this module defines.
//
// The host creates one object per vessel of the class and drives it through
// the callback table of VESSEL3. Fields receive their first values in
// clbkSetupClass, never in the constructor; the drift figures start there
// at zero, so that a HUD drawn before the first step shows defined figures,
// and every step recomputes them.
#pragma once

#include <cstdint>

#include "host/zenthar.h"
#include "vessel/mech_state.h"

class krv final : public VESSEL3 {
public:
    krv(OBJHANDLE vessel, int flight_model);

    // Builds the six animations on the module-wide transforms.
    void DefineAnimations();
    // Steers both dishes toward the Earth; runs while the booms are open.
    void TrackEarth();
    // Recomputes the five station-keeping figures from the orbit.
    void UpdateDrift();
    // Reverse the direction of travel of one mechanism.
    void ToggleAnt();
    void ToggleSolp();
    void ToggleLid();

    using VESSEL3::clbkDrawHUD;

    void clbkSetupClass(FILEHANDLE config) override;
    void clbkSaveState(FILEHANDLE scenario) override;
    void clbkLoadState(FILEHANDLE scenario, void* status) override;
    void clbkAfterCreation() override;
    void clbkPostStep(double simt, double simdt, double mjd) override;
    int clbkConsumeBufferedKey(std::uint32_t key, bool down, char* kstate) override;
    bool clbkDrawHUD(int mode, const HUDPAINTSPEC* hps, zapi::Sketchpad* skp) override;

    MechState ant_status;
    MechState solp_status;
    MechState lid_status;
    THRUSTER_HANDLE th_rcs[16];
    THRUSTER_HANDLE th_main;
    THRUSTER_HANDLE th_group[4];  // working list handed to CreateThrusterGroup
    PROPELLANT_HANDLE ph_main;
    ANIMATIONCOMPONENT_HANDLE comp_boom1, comp_boom2;
    ANIMATIONCOMPONENT_HANDLE comp_rot1, comp_rot2;
    std::uint32_t anim_ant;
    std::uint32_t anim_hga_rot;
    std::uint32_t anim_hga_tilt1;
    std::uint32_t anim_hga_tilt2;
    std::uint32_t anim_solp;
    std::uint32_t anim_lid;
    double ant_pos;          // [0..1] boom deployment
    double hga_rot_pos;      // [0..1] dish rotation, a full turn over the range
    double hga_tilt1_pos;    // [0..1] tilt of antenna 1, a quarter turn over the range
    double hga_tilt2_pos;    // [0..1] tilt of antenna 2
    double solp_pos;         // [0..1] solar wings
    double lid_pos;          // [0..1] instrument covers
    double last_simdt;       // [s] length of the latest step
    double drift_rate;       // [deg/orbit] positive eastward
    double angle_east;       // [deg] eastward gap to the target longitude
    double angle_west;       // [deg] 360 - angle_east
    double orbits_required;  // [orbits] to reach the target at the present drift
    double mean_lon;         // [deg east, 0..360) mean sub-satellite longitude
    std::uint32_t hga_rot_dir;
    std::uint32_t hga_tilt1_dir;
    std::uint32_t hga_tilt2_dir;
};
