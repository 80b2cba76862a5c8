// The stand-in host's installation: the KRV mesh and its group numbering,
// the exhaust textures, and what happens when a file is missing.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "standin/animation/animated_mesh.h"
#include "standin/animation/dish_pointing.h"
#include "standin/core/host.h"
#include "standin/core/scripted_world.h"
#include "standin/core/session.h"
#include "standin/loader/module_library.h"
#include "standin/mesh/mesh_library.h"
#include "standin/mesh/obj_mesh_reader.h"

namespace {

namespace fs = std::filesystem;

// A scratch folder, removed afterwards.
class ScratchDir {
public:
    ScratchDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() /
                ("krv_" + std::string(info->test_suite_name()) + "_" + info->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }
    fs::path write(const std::string& relative, const std::string& text) const {
        const fs::path file = path_ / relative;
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text;
        return file;
    }

private:
    fs::path path_;
};

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(KrvMesh, HasTheTwentyTwoNumberedGroupsTheRigNames) {
    standin::MeshLibrary library(KRV_DATA_DIR);
    const standin::Mesh* mesh = library.find("krv/krv");
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->groups.size(), 22u);
    const char* labels[22] = {"bus",         "aia_aperture",    "main_nozzle",
                              "rcs_pods",    "aia_cover",       "hinge_brackets",
                              "boom2_hinge", "boom1_hinge",     "dish2_reflector",
                              "dish2_feed",  "dish2_struts",    "dish2_mount",
                              "boom2_arm",   "dish1_reflector", "boom1_arm",
                              "dish1_feed",  "dish1_struts",    "dish1_mount",
                              "boom1_yoke",  "solar_wing1",     "solar_wing2",
                              "boom2_yoke"};
    for (std::uint32_t n = 0; n < 22; ++n) {
        const standin::MeshGroup* g = mesh->group(n);
        ASSERT_NE(g, nullptr) << n;
        EXPECT_EQ(g->number, n);
        EXPECT_NE(g->name.find(labels[n]), std::string::npos) << g->name;
        EXPECT_FALSE(g->triangles.empty()) << g->name;
        for (const auto& t : g->triangles)
            for (std::uint32_t i : t) ASSERT_LT(i, g->vertices.size()) << g->name;
    }
}

// Distance [m] from point p to the line through a and b.
double distance_to_line(const VECTOR3& p, const VECTOR3& a, const VECTOR3& b) {
    const VECTOR3 d{b.x - a.x, b.y - a.y, b.z - a.z}, w{p.x - a.x, p.y - a.y, p.z - a.z};
    const VECTOR3 c{d.y * w.z - d.z * w.y, d.z * w.x - d.x * w.z, d.x * w.y - d.y * w.x};
    return std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z) /
           std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
}

TEST(KrvMesh, PartsSitOnTheRigsHingesAndPivots) {
    standin::MeshLibrary library(KRV_DATA_DIR);
    const standin::Mesh* mesh = library.find("krv/krv");
    ASSERT_NE(mesh, nullptr);
    auto centroid = [mesh](std::uint32_t n) {
        VECTOR3 s{0, 0, 0};
        for (const VECTOR3& v : mesh->group(n)->vertices) s = {s.x + v.x, s.y + v.y, s.z + v.z};
        const double k = static_cast<double>(mesh->group(n)->vertices.size());
        return VECTOR3{s.x / k, s.y / k, s.z / k};
    };
    // Each dish's axis passes through its tilt pivot, so tilting and turning
    // keep the dish on its boom's tip.
    EXPECT_LT(distance_to_line({0, 1.161, -0.065}, centroid(13), centroid(15)), 1e-3);
    EXPECT_LT(distance_to_line({0, -1.165, -0.065}, centroid(8), centroid(9)), 1e-3);
    // Each boom hinge block is centred on its hinge line.
    EXPECT_LT(distance_to_line(centroid(7), {0, 1.161, -2.204}, {1, 1.161, -2.204}), 1e-3);
    EXPECT_LT(distance_to_line(centroid(6), {0, -1.165, -2.204}, {1, -1.165, -2.204}), 1e-3);
    // Every vertex of the cover lies on the hinge's side toward -y and +z.
    for (const VECTOR3& v : mesh->group(4)->vertices) {
        EXPECT_LE(v.y, 1.067 + 1e-9);
        EXPECT_GE(v.z, 3.049 - 1e-9);
    }
}

TEST(ObjMeshReader, FindsGroupNumbersInTheNames) {
    EXPECT_EQ(standin::group_number_of("group_04_aia_cover"), 4u);
    EXPECT_EQ(standin::group_number_of("group_17"), 17u);
    EXPECT_EQ(standin::group_number_of("group_0"), 0u);
    EXPECT_FALSE(standin::group_number_of("group_"));
    EXPECT_FALSE(standin::group_number_of("group_4a"));
    EXPECT_FALSE(standin::group_number_of("bus"));
    EXPECT_FALSE(standin::group_number_of("Group_04"));
    EXPECT_FALSE(standin::group_number_of("group_1234567890"));
}

TEST(ObjMeshReader, RefusesFilesWhoseGroupsCannotBeNumbered) {
    ScratchDir dir;
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    std::string why;
    EXPECT_FALSE(
        standin::read_obj_mesh(dir.write("unnamed.obj", triangle + "g bus\nf 1 2 3\n"), &why));
    EXPECT_NE(why.find("bus"), std::string::npos) << why;
    EXPECT_FALSE(standin::read_obj_mesh(
        dir.write("twice.obj", triangle + "g group_01_a\nf 1 2 3\ng group_01_b\nf 1 3 2\n"), &why));
    EXPECT_NE(why.find("twice"), std::string::npos) << why;
    EXPECT_FALSE(standin::read_obj_mesh(dir.write("empty.obj", "# nothing\n"), &why));

    // Numbers come from the names, not the order of the file.
    const auto mesh = standin::read_obj_mesh(
        dir.write("ok.obj", triangle + "g group_02_b\nf 1 2 3\ng group_00_a\nf 1 3 2\n"), &why);
    ASSERT_TRUE(mesh) << why;
    ASSERT_EQ(mesh->groups.size(), 2u);
    EXPECT_EQ(mesh->groups[0].name, "group_00_a");
    EXPECT_EQ(mesh->groups[1].name, "group_02_b");
    EXPECT_EQ(mesh->group(1), nullptr);
    EXPECT_EQ(mesh->group(2)->vertices.size(), 3u);
}

TEST(MeshLibrary, ReportsAMissingMeshOnceAndKeepsNamesInsideTheInstallation) {
    ScratchDir dir;
    standin::MeshLibrary library(dir.path());
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(library.find("krv/krv"), nullptr);
    EXPECT_EQ(library.find("krv/krv"), nullptr);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(occurrences(err, "mesh \"krv/krv\""), 1u) << err;
    EXPECT_EQ(library.unresolved(), std::vector<std::string>{"krv/krv"});

    EXPECT_TRUE(library.file_of("../outside").empty());
    EXPECT_TRUE(library.file_of("/etc/passwd").empty());
    EXPECT_TRUE(library.file_of("").empty());
    EXPECT_EQ(library.file_of("krv/krv"), dir.path() / "Meshes" / "krv" / "krv.obj");
}

TEST(Textures, TheExhaustTexturesResolveToInstallationFiles) {
    standin::ScriptedWorld world;
    standin::Host host(world, KRV_DATA_DIR);
    for (const char* name : {"exhaust_atrcs", "exhaust"}) {
        const standin::Texture* t = host.texture(host.register_texture(name));
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->file, fs::path(KRV_DATA_DIR) / "Textures" / (std::string(name) + ".png"));
        // A real image: the PNG signature.
        std::ifstream in(t->file, std::ios::binary);
        char signature[8] = {};
        in.read(signature, 8);
        EXPECT_EQ(std::string(signature + 1, 3), "PNG") << name;
    }
    EXPECT_TRUE(host.unresolved_textures().empty());
}

// Each vessel's set-up registers the exhaust textures again; a host that
// creates and removes vessels for hours must not keep a record per call.
TEST(Textures, ASecondRegistrationOfANameKeepsItsHandle) {
    standin::ScriptedWorld world;
    standin::Host host(world, KRV_DATA_DIR);
    const SURFHANDLE first = host.register_texture("exhaust");
    const SURFHANDLE other = host.register_texture("exhaust_atrcs");
    const SURFHANDLE missing = host.register_texture("no_such_texture");
    EXPECT_NE(first, other);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(host.register_texture("exhaust"), first);
        EXPECT_EQ(host.register_texture("exhaust_atrcs"), other);
        EXPECT_EQ(host.register_texture("no_such_texture"), missing);
    }
    EXPECT_EQ(host.texture(first)->name, "exhaust");
    EXPECT_EQ(host.unresolved_textures(), std::vector<std::string>{"no_such_texture"});
}

// A vessel in a host whose installation lacks the mesh and the textures:
// each name is reported once, and the vessel is set up and flies.
TEST(BrokenInstallation, AVesselStillFliesWithoutMeshOrTextures) {
    ScratchDir dir;
    standin::ScriptedWorld world;
    standin::Host host(world, dir.path());
    standin::ModuleLoader loader(fs::path(KRV_MODULE_FILE).parent_path());
    std::string err;
    {
        standin::Session session(host, loader);
        ::testing::internal::CaptureStderr();
        standin::SessionVessel& a = session.create({"KRV-1", "KRV", 1, std::nullopt});
        session.create({"KRV-2", "KRV", 1, std::nullopt});
        session.step(1.0);
        err = ::testing::internal::GetCapturedStderr();

        ASSERT_EQ(a.record->meshes.size(), 1u);
        EXPECT_EQ(a.record->meshes[0].geometry, nullptr);
        EXPECT_EQ(a.record->exhausts.size(), 33u);
        EXPECT_TRUE(standin::group_vertices(*a.record, 0, 13).empty());
        // The dishes' facing is still known from the rig.
        const VECTOR3 b = standin::dish_boresight(*a.record, 1);
        EXPECT_NEAR(b.y, 1.0, 1e-12);
    }
    EXPECT_EQ(occurrences(err, "mesh \"krv/krv\""), 1u) << err;
    EXPECT_EQ(occurrences(err, "texture \"exhaust_atrcs\""), 1u) << err;
    EXPECT_EQ(occurrences(err, "texture \"exhaust\""), 1u) << err;
    EXPECT_EQ(host.unresolved_textures(), (std::vector<std::string>{"exhaust_atrcs", "exhaust"}));
}

}  // namespace
