// krvsim finds its host tree beside the installed program, or in the build
// tree it was built in, relative to itself either way.
#include "standin/loader/install_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class InstallPathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("krv_install_paths_" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "bin");
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path root_;
};

// The build tree's own folders: data/ there is the host tree.
void expect_build_tree(const standin::InstallPaths& p) {
    EXPECT_TRUE(fs::equivalent(p.data, fs::path(KRV_DATA_DIR))) << p.data;
    EXPECT_TRUE(fs::equivalent(p.modules, fs::path(KRV_MODULES_DIR))) << p.modules;
    EXPECT_TRUE(fs::equivalent(p.default_scenario, fs::path(KRV_DEFAULT_SCENARIO)));
}

TEST_F(InstallPathsTest, InstalledProgramUsesTheTreeAboveItsBinFolder) {
    fs::create_directories(root_ / "Modules");
    fs::create_directories(root_ / "Scenarios");
    const auto p = standin::install_paths_for(root_ / "bin" / "krvsim");
    EXPECT_EQ(p.data, root_);
    EXPECT_EQ(p.modules, root_ / "Modules");
    EXPECT_EQ(p.default_scenario, root_ / "Scenarios" / "krv_geo_stowed.scn");
    EXPECT_EQ(p.replay_template, root_ / "share" / "krv" / "replay_template.html");
}

// Neither installed nor in a build tree: the installed layout above the
// program, never a path of the machine that built it.
TEST_F(InstallPathsTest, AnIncompleteTreeOrAnotherFolderLooksBesideTheProgram) {
    fs::create_directories(root_ / "Modules");
    for (const fs::path& program : {root_ / "bin" / "krvsim", root_ / "tools" / "krvsim"}) {
        const auto p = standin::install_paths_for(program);
        EXPECT_EQ(p.data, program.parent_path().parent_path());
        EXPECT_EQ(p.modules, program.parent_path().parent_path() / "Modules");
    }
    std::ofstream(root_ / "CMakeCache.txt") << "";
    const auto built = standin::install_paths_for(root_ / "standin" / "krvsim");
    EXPECT_EQ(built.data, root_ / "data");
    EXPECT_EQ(built.modules, root_ / "modules");
    EXPECT_EQ(built.replay_template, root_ / "viewer" / "replay_template.html");
}

TEST(InstallPaths, TheTestProgramRunsFromTheBuildTree) {
    expect_build_tree(standin::install_paths());
}

}  // namespace
