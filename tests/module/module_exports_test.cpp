// What the built module shows the dynamic linker: exactly four exports of
// its own, and host symbols left for the host to provide.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    std::array<char, 4096> buf{};
    std::size_t n = 0;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) out.append(buf.data(), n);
    pclose(pipe);
    return out;
}

// The names of `nm -D` lines, with a filter on the symbol type letter.
std::set<std::string> dynamic_symbols(const char* which) {
    std::istringstream lines(run(std::string("nm -D ") + which + " '" + KRV_MODULE_FILE + "'"));
    std::set<std::string> names;
    std::string line;
    while (std::getline(lines, line)) {
        const auto name = line.substr(line.find_last_of(' ') + 1);
        if (!name.empty()) names.insert(name);
    }
    return names;
}

TEST(ModuleExports, DefinesExactlyTheFourEntryPoints) {
    const std::set<std::string> expected = {"GetModuleVersion", "ModuleDate", "zvcExit", "zvcInit"};
    EXPECT_EQ(dynamic_symbols("--defined-only"), expected);
}

TEST(ModuleExports, HostSymbolsStayUndefinedUntilLoad) {
    const auto undefined = dynamic_symbols("--undefined-only");
    for (const char* host_symbol :
         {"_Z7InitLibPv", "_Z8Date2IntPc", "_ZN7VESSEL3C2EP11HostObject_i"})
        EXPECT_TRUE(undefined.count(host_symbol)) << host_symbol;
    // Bound at load from whichever host loads it: no dependency on ours.
    const auto needed = run(std::string("readelf -d '") + KRV_MODULE_FILE + "'");
    EXPECT_EQ(needed.find("zenthar"), std::string::npos) << needed;
}

}  // namespace
