// The mechanisms' states and positions in the vessel's scenario block: the
// "ANT", "SOLP" and "LID" lines after the host's own.
#include "vessel/krv.h"
#include "vessel/line_builder.h"
#include "vessel/scenario_scan.h"

namespace {

constexpr std::size_t kValueTextSize = 256;
constexpr int kDecimals = 4;  // a reloaded position is within 0.00005

// One value text: a state and positions, one blank before each position.
// A position goes in fixed-point unless that would leave too little room for
// the positions after it in their exponent form, which reads back exactly.
void compose(LineBuilder& line, MechState state, const double* positions, int count) {
    line.integer(state);
    for (int i = 0; i < count; ++i) {
        line.text(" ");
        const std::size_t later = static_cast<std::size_t>(count - 1 - i);
        const std::size_t reserve = later * (1 + LineBuilder::kMaxExponentLength);
        const std::size_t room = line.room();
        line.fixed_or_exponent(positions[i], kDecimals, room > reserve ? room - reserve : 0);
    }
}

void write_line(FILEHANDLE scenario, const char* key_text, char* value, MechState state,
                const double* positions, int count) {
    LineBuilder line(value, kValueTextSize);
    compose(line, state, positions, count);
    char key[8];
    int n = 0;
    for (; key_text[n] != '\0'; ++n) key[n] = key_text[n];
    key[n] = '\0';
    zapiWriteScenario_string(scenario, key, value);
}

// Fills state and then the positions, left to right, until a field is
// missing or does not convert; that field and the later ones stay.
void read_fields(const char* text, MechState& state, double* const* positions, int count) {
    if (!scan_int(text, state)) return;
    for (int i = 0; i < count; ++i)
        if (!scan_double(text, *positions[i])) return;
}

}  // namespace

void krv::clbkSaveState(FILEHANDLE scenario) {
    VESSEL2::clbkSaveState(scenario);
    char value[kValueTextSize];
    const double ant[] = {ant_pos, hga_rot_pos, hga_tilt1_pos, hga_tilt2_pos};
    write_line(scenario, "ANT", value, ant_status, ant, 4);
    write_line(scenario, "SOLP", value, solp_status, &solp_pos, 1);
    write_line(scenario, "LID", value, lid_status, &lid_pos, 1);
}

void krv::clbkLoadState(FILEHANDLE scenario, void* status) {
    char* line = nullptr;
    while (zapiReadScenario_nextline(scenario, line)) {
        if (starts_with_key(line, "ANT", 3)) {
            double* const ant[] = {&ant_pos, &hga_rot_pos, &hga_tilt1_pos, &hga_tilt2_pos};
            read_fields(line + 3, ant_status, ant, 4);
        } else if (starts_with_key(line, "SOLP", 4)) {
            double* const solp[] = {&solp_pos};
            read_fields(line + 4, solp_status, solp, 1);
        } else if (starts_with_key(line, "LID", 3)) {
            double* const lid[] = {&lid_pos};
            read_fields(line + 3, lid_status, lid, 1);
        } else {
            ParseScenarioLineEx(line, status);
        }
    }
    // Always, state lines or not: the animations show the loaded positions.
    SetAnimation(anim_ant, ant_pos);
    SetAnimation(anim_hga_rot, hga_rot_pos);
    SetAnimation(anim_hga_tilt1, hga_tilt1_pos);
    SetAnimation(anim_hga_tilt2, hga_tilt2_pos);
    SetAnimation(anim_solp, solp_pos);
    SetAnimation(anim_lid, lid_pos);
}
