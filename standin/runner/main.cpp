// krvsim: runs KRV vessels headless in the stand-in host.
#include <cstdio>
#include <string>
#include <vector>

#include "standin/runner/options.h"
#include "standin/runner/run.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        const standin::Options options = standin::parse_options(args, KRV_MODULES_DIR);
        if (options.help) {
            std::fputs(standin::usage_text(KRV_MODULES_DIR, KRV_DEFAULT_SCENARIO).c_str(), stdout);
            return 0;
        }
        return standin::run(options, stdout, stderr);
    } catch (const standin::OptionsError& e) {
        std::fprintf(stderr, "krvsim: %s\nTry 'krvsim --help'.\n", e.what());
        return 2;
    }
}
