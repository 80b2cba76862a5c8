// krvsim finds its host tree beside the installed program, and the build
// tree's paths anywhere else.
#include "standin/run/install_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
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

void expect_build_tree(const standin::InstallPaths& p) {
    EXPECT_EQ(p.data, fs::path(KRV_DATA_DIR));
    EXPECT_EQ(p.modules, fs::path(KRV_MODULES_DIR));
    EXPECT_EQ(p.default_scenario, fs::path(KRV_DEFAULT_SCENARIO));
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

TEST_F(InstallPathsTest, AnIncompleteTreeOrAnotherFolderFallsBackToTheBuildTree) {
    fs::create_directories(root_ / "Modules");
    expect_build_tree(standin::install_paths_for(root_ / "bin" / "krvsim"));  // no Scenarios/
    fs::create_directories(root_ / "Scenarios");
    fs::create_directories(root_ / "tools");
    expect_build_tree(standin::install_paths_for(root_ / "tools" / "krvsim"));
    expect_build_tree(standin::install_paths_for(fs::path("krvsim")));
}

TEST(InstallPaths, TheTestProgramRunsFromTheBuildTree) {
    expect_build_tree(standin::install_paths());
}

}  // namespace
