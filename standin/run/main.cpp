// krvsim: runs KRV vessels headless in the stand-in host.
#include <cstdio>
#include <string>
#include <vector>

#include "standin/loader/install_paths.h"
#include "standin/run/options.h"
#include "standin/run/run.h"
#include "standin/run/stop_signal.h"

int main(int argc, char** argv) {
    // From the first moment: a signal while the options are read ends the
    // run as one during it does.
    const standin::StopSignals signals;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const standin::InstallPaths paths = standin::install_paths();
    try {
        const standin::CommandLine command = standin::parse_command_line(
            args, paths.modules.string(), paths.default_scenario.string());
        if (!command.print.empty()) {
            std::fputs(command.print.c_str(), stdout);
            if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
                std::fprintf(stderr, "krvsim: %s: standard output cannot be written\n",
                             command.print.rfind("krvsim ", 0) == 0 ? "--version" : "--help");
                return 2;
            }
            return 0;
        }
        return standin::run(command.options, stdout, stderr);
    } catch (const standin::OptionsError& e) {
        std::fprintf(stderr, "krvsim: %s\nTry 'krvsim --help'.\n", e.what());
        return 2;
    }
}
