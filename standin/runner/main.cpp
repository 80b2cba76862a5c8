// krvsim: runs KRV vessels headless in the stand-in host.
#include <cstdio>
#include <string>
#include <vector>

#include "standin/runner/options.h"
#include "standin/runner/run.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        const standin::CommandLine command =
            standin::parse_command_line(args, KRV_MODULES_DIR, KRV_DEFAULT_SCENARIO);
        if (!command.print.empty()) {
            std::fputs(command.print.c_str(), stdout);
            return 0;
        }
        return standin::run(command.options, stdout, stderr);
    } catch (const standin::OptionsError& e) {
        std::fprintf(stderr, "krvsim: %s\nTry 'krvsim --help'.\n", e.what());
        return 2;
    }
}
