// krvsim's --forces: the trace's header names what the world integrated;
// a bad list stops the run with the option's name.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/support/krvsim_process.h"

namespace {

std::string header_of(const std::string& trace) {
    std::ifstream in(trace);
    std::string line;
    std::getline(in, line);
    return line;
}

TEST(KrvsimForces, TheHeaderNamesTheForcesAndBadListsExitTwo) {
    const std::string trace = testing::TempDir() + "forces_trace.jsonl";
    auto run = krvtest::krvsim("--until 120 --dt 60 --trace " + trace);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(
        header_of(trace).find(R"("forces":{"set":"two-body","gravity_model":"","degree":-1})"),
        std::string::npos);
    run = krvtest::krvsim("--until 120 --dt 60 --forces gravity:20,moon,sun,srp --trace " + trace);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(
        header_of(trace).find(
            R"("forces":{"set":"gravity:20,moon,sun,srp","gravity_model":"EGM2008","degree":20})"),
        std::string::npos);
    for (const char* bad : {"jupiter", "two-body,moon", "gravity:21", "gravity:x", "moon,moon"}) {
        run = krvtest::krvsim(std::string("--until 120 --forces ") + bad);
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_NE(run.output.find("--forces"), std::string::npos) << run.output;
    }
}

}  // namespace
