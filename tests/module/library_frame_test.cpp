// The module's frame, through the real KRV.so: what runs at load and
// unload, and the four exports.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "standin/core/host.h"
#include "standin/core/scripted_world.h"
#include "standin/loader/module_library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

using standin::CallLog;
using standin::ModuleLibrary;

class LibraryFrame : public ::testing::Test {
protected:
    LibraryFrame() { host.record_into(&log); }
    standin::ScriptedWorld world;
    CallLog log;
    standin::Host host{world, KRV_DATA_DIR};
};

bool still_loaded(const std::filesystem::path& file) {
#if defined(_WIN32)
    return GetModuleHandleW(file.wstring().c_str()) != nullptr;
#else
    void* h = dlopen(file.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (h != nullptr) dlclose(h);
    return h != nullptr;
#endif
}

TEST_F(LibraryFrame, LoadAnnouncesTheInstanceOnceAndUnloadCallsNothing) {
    {
        ModuleLibrary module(KRV_MODULE_FILE);
        ASSERT_EQ(log.count("InitLib"), 1u);
        // The instance is the dynamic linker's handle of the module itself.
        EXPECT_EQ(log.named("InitLib")[0].arg<const void*>("instance"), module.native_handle());
        log.clear();
    }
    // No exit hook in this build: unloading makes no host call, and the
    // library really is gone.
    EXPECT_EQ(log.size(), 0u);
    EXPECT_FALSE(still_loaded(KRV_MODULE_FILE));
}

TEST_F(LibraryFrame, ExitHookIsFoundByEitherNameAndCalledWithTheInstance) {
    for (const char* fixture : {"HOOKFIRST", "HOOKSECOND"}) {
        const std::string name = standin::module_file_name(fixture);
        SCOPED_TRACE(name);
        log.clear();
        const void* instance = nullptr;
        {
            ModuleLibrary module(std::filesystem::path(KRV_FIXTURE_DIR) / name);
            instance = module.native_handle();
            EXPECT_EQ(log.count("zapiGetGlobalPos"), 0u) << "hook ran before unload";
        }
        const auto hook_calls = log.named("zapiGetGlobalPos");
        ASSERT_EQ(hook_calls.size(), 1u);
        EXPECT_EQ(hook_calls[0].arg<const void*>("object"), instance);
    }
}

TEST_F(LibraryFrame, WithBothHookNamesOnlyTheFirstNamesHookRuns) {
    log.clear();
    {
        ModuleLibrary module(std::filesystem::path(KRV_FIXTURE_DIR) /
                             standin::module_file_name("HOOKBOTH"));
    }
    EXPECT_EQ(log.count("zapiGetGlobalPos"), 1u) << "ExitModule ran";
    EXPECT_EQ(log.count("zapiGetPlanetCurrentRotation"), 0u) << "zpcDLLExit did not";
}

TEST_F(LibraryFrame, VersionIsAskedOnceButAZeroAnswerIsAskedAgain) {
    ModuleLibrary module(KRV_MODULE_FILE);
    log.clear();
    world.date_answer = 0;
    EXPECT_EQ(module.exports().GetModuleVersion(), 0);
    EXPECT_EQ(module.exports().GetModuleVersion(), 0);
    EXPECT_EQ(log.count("Date2Int"), 2u);

    world.date_answer.reset();
    EXPECT_EQ(module.exports().GetModuleVersion(), 20160828);
    EXPECT_EQ(module.exports().GetModuleVersion(), 20160828);
    EXPECT_EQ(module.exports().GetModuleVersion(), 20160828);
    const auto asked = log.named("Date2Int");
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[2].arg<std::string>("date"), "Aug 28 2016");
}

TEST_F(LibraryFrame, ModuleDateIsTheSameTextEveryCall) {
    ModuleLibrary module(KRV_MODULE_FILE);
    const char* first = module.exports().ModuleDate();
    EXPECT_STREQ(first, "Dec 18 2018");
    EXPECT_EQ(module.exports().ModuleDate(), first);
    EXPECT_STREQ(module.exports().ModuleDate(), "Dec 18 2018");
}

TEST_F(LibraryFrame, DestroyingNothingDoesNothing) {
    ModuleLibrary module(KRV_MODULE_FILE);
    log.clear();
    module.exports().zvcExit(nullptr);
    EXPECT_EQ(log.size(), 0u);
}

}  // namespace
