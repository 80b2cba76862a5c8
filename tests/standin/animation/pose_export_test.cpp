// The posed-vertex export reads back to the engine's own positions.
#include "standin/animation/pose_export.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/host_fixture.h"

namespace {

using standin::AnimatedMesh;
using standin::AnimationStates;

class PoseExport : public krvtest::HostFixture {};

TEST_F(PoseExport, EachSetHoldsEveryGroupsPosedVerticesExactly) {
    const standin::VesselRecord& record = *spawn().record;
    const std::vector<AnimationStates> sets = {{}, {1, 0.3, 0.7, 0.2, 1, 0.5}};
    const std::string json = standin::posed_groups_json(record, 0, sets);
    ASSERT_EQ(json.rfind("{\"mesh\":0,\"sets\":[{\"states\":[],\"groups\":{\"0\":[[", 0), 0u);

    const auto second = json.find("{\"states\":[1,0.3,0.7,0.2,1,0.5]");
    ASSERT_NE(second, std::string::npos);
    std::size_t groups = 0;
    for (auto at = json.find("\":[[", second); at != std::string::npos;
         at = json.find("\":[[", at + 1))
        ++groups;
    EXPECT_EQ(groups, 22u);
    // The tilted dish's last vertex, read back, is the engine's to the bit.
    const auto dish = json.find("\"13\":[", second);
    ASSERT_NE(dish, std::string::npos);
    const auto expected = AnimatedMesh(record, 0, sets[1]).group_vertices(13);
    const auto last = json.rfind("[", json.find("]]", dish));
    const char* p = json.c_str() + last + 1;
    char* end = nullptr;
    const double x = std::strtod(p, &end);
    const double y = std::strtod(end + 1, &end);
    const double z = std::strtod(end + 1, &end);
    EXPECT_EQ(x, expected.back().x);
    EXPECT_EQ(y, expected.back().y);
    EXPECT_EQ(z, expected.back().z);
    EXPECT_NE(y, AnimatedMesh(record, 0, sets[0]).group_vertices(13).back().y);
}

}  // namespace
