// Finding, loading and driving modules by vessel class.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/host_fixture.h"
#include "vessel/krv.h"

namespace {

using standin::ModuleLoader;
using standin::ModuleLoadError;

std::string load_error(const std::filesystem::path& dir, const std::string& class_name) {
    ModuleLoader loader(dir);
    try {
        loader.for_class(class_name);
    } catch (const ModuleLoadError& e) {
        return e.what();
    }
    return "";
}

class ModuleLoading : public krvtest::HostFixture {};

TEST_F(ModuleLoading, BadModulesGiveAClearErrorNamingTheFile) {
    const std::filesystem::path nowhere = "/nonexistent/modules";
    EXPECT_EQ(load_error(nowhere, "KRV"),
              (nowhere / standin::module_file_name("KRV")).string() + ": no such module file");

    const auto missing = load_error(KRV_FIXTURE_DIR, "NOFACTORY");
    EXPECT_NE(missing.find(standin::module_file_name("NOFACTORY") +
                           ": module does not export ModuleDate"),
              std::string::npos)
        << missing;

    // A file that is not a library at all.
    const auto junk =
        load_error(std::filesystem::path(KRV_SOURCE_DIR) / "tests" / "fixtures", "not_a_library");
    EXPECT_NE(junk.find(standin::module_file_name("not_a_library") + ": cannot load:"),
              std::string::npos)
        << junk;

    // A class name is never a path.
    EXPECT_NE(load_error(KRV_FIXTURE_DIR, "../KRV").find("is not a module name"),
              std::string::npos);
    EXPECT_NE(load_error(KRV_FIXTURE_DIR, "").find("is not a module name"), std::string::npos);
}

TEST_F(ModuleLoading, TwoVesselsAreCreatedAndDestroyedIndependently) {
    auto& a = spawn("KRV-A");
    auto& b = spawn("KRV-B");
    ASSERT_NE(a.object, b.object);
    EXPECT_EQ(a.module, b.module) << "one library serves every vessel of the class";
    EXPECT_EQ(a.object->GetHandle(), a.record->handle());
    EXPECT_EQ(b.object->GetHandle(), b.record->handle());
    EXPECT_EQ(host.vessels().size(), 2u);

    const OBJHANDLE b_handle = b.record->handle();
    session->destroy(a);
    ASSERT_EQ(host.vessels().size(), 1u);
    EXPECT_EQ(host.vessels()[0]->handle(), b_handle);
    // The survivor still answers its callbacks.
    log.clear();
    session->vessels().front().object->clbkPreStep(0.0, 1.0, 58470.0);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].vessel, b_handle);
}

}  // namespace
