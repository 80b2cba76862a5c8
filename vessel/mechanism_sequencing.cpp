// The three mechanisms' state machines: started by keys, moved at their
// own rates every step, and the tank top-up after creation.
#include <algorithm>

#include "vessel/constants.h"
#include "vessel/krv.h"

namespace {

constexpr std::uint32_t kKeyDeploy = zapi::KEY_G;  // booms and panels
constexpr std::uint32_t kKeyOpen = zapi::KEY_K;    // the covers

constexpr double kAntRate = 0.1;   // [1/s] full travel in 10 s
constexpr double kSolpRate = 0.5;  // [1/s] full travel in 2 s
constexpr double kLidRate = 1.0;   // [1/s] full travel in 1 s

constexpr double kTankEmpty = 0.01;  // [kg] below this the tank counts as empty
constexpr double kTopUpAfter = 0.1;  // [s] of simulation time

// A held key has the top bit of its byte set; read as unsigned so that the
// test does not depend on the signedness of char.
bool held(const char* kstate, std::uint32_t key) {
    return (static_cast<unsigned char>(kstate[key]) & 0x80u) != 0;
}

MechState toggled(MechState s) {
    return s == MECH_CLOSED || s == MECH_CLOSING ? MECH_OPENING : MECH_CLOSING;
}

// Moves one mechanism by one step. The end of travel is noticed on the
// step after the one that reached it, which sets the animation once more.
void advance(const VESSEL& vessel, MechState& s, double& p, double rate, double simdt,
             std::uint32_t anim) {
    if (s < MECH_CLOSING) return;
    if (s == MECH_CLOSING) {
        if (p > 0.0)
            p = std::max(0.0, p - rate * simdt);
        else
            s = MECH_CLOSED;
    } else {
        if (p < 1.0)
            p = std::min(1.0, p + rate * simdt);
        else
            s = MECH_OPEN;
    }
    vessel.SetAnimation(anim, p);
}

}  // namespace

int krv::clbkConsumeBufferedKey(std::uint32_t key, bool down, char* kstate) {
    if (!down) return 0;
    if (held(kstate, zapi::KEY_LSHIFT) || held(kstate, zapi::KEY_RSHIFT)) return 0;
    if (key == kKeyDeploy) {
        if (ant_status == MECH_CLOSED) ToggleAnt();
        if (solp_status == MECH_CLOSED) ToggleSolp();
        return 1;
    }
    if (key == kKeyOpen) {
        if (lid_status == MECH_CLOSED) ToggleLid();
        return 1;
    }
    return 0;
}

void krv::ToggleAnt() {
    ant_status = toggled(ant_status);
}

void krv::ToggleSolp() {
    solp_status = toggled(solp_status);
}

void krv::ToggleLid() {
    lid_status = toggled(lid_status);
}

void krv::clbkPostStep(double /*simt*/, double simdt, double /*mjd*/) {
    last_simdt = simdt;
    // Tracking never changes ant_status, so a step either tracks or moves
    // the booms, never both.
    if (ant_status == MECH_OPEN) TrackEarth();
    advance(*this, ant_status, ant_pos, kAntRate, simdt, anim_ant);
    advance(*this, solp_status, solp_pos, kSolpRate, simdt, anim_solp);
    advance(*this, lid_status, lid_pos, kLidRate, simdt, anim_lid);
    UpdateDrift();
}

void krv::clbkAfterCreation() {
    // A vessel that appears in flight with an empty tank gets a full one; at
    // the very start of a session the tank is left as it was loaded.
    if (GetPropellantMass(ph_main) < kTankEmpty) {
        if (zapiGetSimTime() > kTopUpAfter) SetPropellantMass(ph_main, krvconst::kTankCapacity);
    }
}
