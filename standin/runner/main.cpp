// krvsim: runs KRV vessels headless in the stand-in host.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "standin/core/host.h"
#include "standin/core/scripted_world.h"
#include "standin/core/session.h"
#include "standin/core/vessel_report.h"
#include "standin/loader/module_library.h"

namespace {

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: krvsim [--modules DIR] [--help]\n"
                 "Loads the KRV module, reports its version and date, creates a vessel\n"
                 "and steps it.\n"
                 "  --modules DIR  folder holding the vessel modules (default: %s)\n",
                 KRV_MODULES_DIR);
}

}  // namespace

int main(int argc, char** argv) {
    std::string modules = KRV_MODULES_DIR;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            usage(stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--modules") == 0 && i + 1 < argc) {
            modules = argv[++i];
            continue;
        }
        std::fprintf(stderr, "krvsim: unknown option '%s'\n", argv[i]);
        usage(stderr);
        return 2;
    }
    try {
        standin::ScriptedWorld world;
        standin::Host host(world, KRV_DATA_DIR);
        standin::ModuleLoader loader(modules);
        standin::Session session(host, loader);
        auto& module = loader.for_class("KRV");
        std::printf("module %s: version %d, built %s\n", module.file().string().c_str(),
                    module.exports().GetModuleVersion(), module.exports().ModuleDate());
        auto& vessel = session.create({"KRV-1", "KRV", 1, std::nullopt});
        std::fputs(standin::vessel_report(host, *vessel.record).c_str(), stdout);
        for (int i = 0; i < 10; ++i) session.step(1.0);
        std::printf("vessel KRV-1 created and stepped to t = %.1f s\n", world.sim_time());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "krvsim: %s\n", e.what());
        return 2;
    }
    return 0;
}
