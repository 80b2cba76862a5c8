// The six animations of the KRV: two booms that swing out, each carrying a
// dish that rotates (both dishes together) and tilts (each its own), two
// solar wings and the instrument cover.
#include "vessel/krv.h"

namespace {

// Full ranges of the components, as single-precision angles [rad].
constexpr float kQuarterTurn = static_cast<float>(1.5707963267948966);
constexpr float kFullTurn = static_cast<float>(6.283185307179586);
constexpr float kHalfTurn = static_cast<float>(3.141592653589793);

// Mesh groups of "krv/krv" that each component turns.
constexpr std::uint32_t kMesh = 0;

}  // namespace

void krv::DefineAnimations() {
    // The transforms are shared by every vessel of the class and live as long
    // as the module: the host keeps pointers to them. Each is constructed the
    // first time a set-up reaches it.
    anim_ant = CreateAnimation(0.0);
    static const std::uint32_t boom1_groups[] = {7, 14, 18};
    static MGROUP_ROTATE trans_boom1(kMesh, boom1_groups, 3, VECTOR3{0, 1.161, -2.204},
                                     VECTOR3{-1, 0, 0}, kQuarterTurn);
    comp_boom1 = AddAnimationComponent(anim_ant, 0.0, 1.0, &trans_boom1);
    static const std::uint32_t boom2_groups[] = {6, 12, 21};
    static MGROUP_ROTATE trans_boom2(kMesh, boom2_groups, 3, VECTOR3{0, -1.165, -2.204},
                                     VECTOR3{1, 0, 0}, kQuarterTurn);
    comp_boom2 = AddAnimationComponent(anim_ant, 0.0, 1.0, &trans_boom2);

    // The rotations turn no groups of their own: they carry the tilts.
    anim_hga_rot = CreateAnimation(0.0);
    static const std::uint32_t rot1_groups[] = {0};
    static MGROUP_ROTATE trans_rot1(kMesh, rot1_groups, 0, VECTOR3{0, 1.161, 0}, VECTOR3{0, 0, -1},
                                    kFullTurn);
    comp_rot1 = AddAnimationComponent(anim_hga_rot, 0.0, 1.0, &trans_rot1, comp_boom1);
    static const std::uint32_t rot2_groups[] = {0};
    static MGROUP_ROTATE trans_rot2(kMesh, rot2_groups, 0, VECTOR3{0, -1.165, 0}, VECTOR3{0, 0, 1},
                                    kFullTurn);
    comp_rot2 = AddAnimationComponent(anim_hga_rot, 0.0, 1.0, &trans_rot2, comp_boom2);

    anim_hga_tilt1 = CreateAnimation(0.0);
    static const std::uint32_t tilt1_groups[] = {13, 15, 16, 17};
    static MGROUP_ROTATE trans_tilt1(kMesh, tilt1_groups, 4, VECTOR3{0, 1.161, -0.065},
                                     VECTOR3{1, 0, 0}, kQuarterTurn);
    AddAnimationComponent(anim_hga_tilt1, 0.0, 1.0, &trans_tilt1, comp_rot1);

    anim_hga_tilt2 = CreateAnimation(0.0);
    static const std::uint32_t tilt2_groups[] = {8, 9, 10, 11};
    static MGROUP_ROTATE trans_tilt2(kMesh, tilt2_groups, 4, VECTOR3{0, -1.165, -0.065},
                                     VECTOR3{-1, 0, 0}, kQuarterTurn);
    AddAnimationComponent(anim_hga_tilt2, 0.0, 1.0, &trans_tilt2, comp_rot2);

    anim_solp = CreateAnimation(0.0);
    static const std::uint32_t solp1_groups[] = {19};
    static MGROUP_ROTATE trans_solp1(kMesh, solp1_groups, 1, VECTOR3{-1.095, 0, 0.795},
                                     VECTOR3{0, 1, 0}, kQuarterTurn);
    AddAnimationComponent(anim_solp, 0.0, 1.0, &trans_solp1);
    static const std::uint32_t solp2_groups[] = {20};
    static MGROUP_ROTATE trans_solp2(kMesh, solp2_groups, 1, VECTOR3{1.095, 0, 0.795},
                                     VECTOR3{0, -1, 0}, kQuarterTurn);
    AddAnimationComponent(anim_solp, 0.0, 1.0, &trans_solp2);

    anim_lid = CreateAnimation(0.0);
    static const std::uint32_t lid_groups[] = {4};
    static MGROUP_ROTATE trans_lid(kMesh, lid_groups, 1, VECTOR3{0, 1.067, 3.049}, VECTOR3{1, 0, 0},
                                   kHalfTurn);
    AddAnimationComponent(anim_lid, 0.0, 1.0, &trans_lid);
}
