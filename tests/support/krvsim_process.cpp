#include "tests/support/krvsim_process.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>

namespace krvtest {

Outcome krvsim(const std::string& args) {
    const std::string cmd = std::string(KRVSIM_FILE) + " --no-progress " + args + " 2>&1";
    Outcome o;
    std::FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return o;
    std::array<char, 512> buf;
    while (std::fgets(buf.data(), buf.size(), p) != nullptr) o.output += buf.data();
    const int raw = pclose(p);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return o;
}

}  // namespace krvtest
