// Scenario files: what krvsim says about bad ones, and a writer that the
// reader reproduces.
#include "standin/scenario/scenario_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "standin/scenario/scenario_error.h"
#include "tests/support/krvsim_process.h"

namespace {

using krvtest::krvsim;
using krvtest::Outcome;

std::string temp_file(const std::string& name, const std::string& text) {
    const auto dir = std::filesystem::temp_directory_path() / "krv_scenario_test";
    std::filesystem::create_directories(dir);
    const auto path = dir / name;
    std::ofstream(path) << text;
    return path.string();
}

const char* const kHeader = "DATE MJD 60476\nTIME 0\n";
const char* const kOrbit = "  ELEMENTS 42164169.46097 0 0 0 0 188.456769429554\n";

struct BadInput {
    const char* name;
    std::string text;
    int line;              // expected line number of the error
    const char* contains;  // a word of the message
};

void PrintTo(const BadInput& b, std::ostream* os) {
    *os << b.name;
}

class BadScenario : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadScenario, GivesOneErrorWithFileAndLineAndStatusTwo) {
    const BadInput& b = GetParam();
    const std::string path = temp_file(std::string(b.name) + ".scn", b.text);
    const Outcome o = krvsim("'" + path + "' --until 10");
    EXPECT_EQ(o.status, 2) << o.output;
    EXPECT_NE(o.output.find(path + ":" + std::to_string(b.line) + ": "), std::string::npos)
        << o.output;
    EXPECT_NE(o.output.find(b.contains), std::string::npos) << o.output;
    // Nothing ran: no HUD frame was drawn.
    EXPECT_EQ(o.output.find("HUD t="), std::string::npos) << o.output;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadScenario,
    ::testing::Values(
        BadInput{"unknown_class",
                 std::string(kHeader) + "VESSEL X-1 NOSUCHCLASS\n" + kOrbit + "END\n", 3,
                 "unknown vessel class 'NOSUCHCLASS'"},
        BadInput{"no_end", std::string(kHeader) + "VESSEL KRV-1 KRV\n" + kOrbit + "  LID 0 0\n", 3,
                 "has no END"},
        BadInput{
            "no_end_before_next",
            std::string(kHeader) + "VESSEL A KRV\n" + kOrbit + "VESSEL B KRV\n" + kOrbit + "END\n",
            3, "has no END before the next VESSEL"},
        BadInput{"malformed_elements",
                 std::string(kHeader) + "VESSEL KRV-1 KRV\n  ELEMENTS 42164169 0 0\nEND\n", 4,
                 "ELEMENTS needs 6 numbers"},
        BadInput{"not_a_number",
                 std::string(kHeader) + "VESSEL KRV-1 KRV\n" + kOrbit + "  RATE 0 x 0\nEND\n", 5,
                 "'x' is not a number"},
        BadInput{"eccentricity_out_of_range",
                 std::string(kHeader) + "VESSEL KRV-1 KRV\n  ELEMENTS 42164169 1.5 0 0 0 0\nEND\n",
                 4, "eccentricity"},
        BadInput{
            "propellant_above_capacity",
            std::string(kHeader) + "VESSEL KRV-1 KRV\n" + kOrbit + "  PROPELLANT 0 2000\nEND\n", 5,
            "capacity"},
        BadInput{"unknown_host_line",
                 std::string(kHeader) + "VESSEL KRV-1 KRV\n" + kOrbit + "  WARP 9\nEND\n", 5,
                 "unknown line 'WARP'"},
        BadInput{"date_out_of_range",
                 "DATE MJD 1000\nTIME 0\nVESSEL KRV-1 KRV\n" + std::string(kOrbit) + "END\n", 1,
                 "DATE out of range"},
        BadInput{"time_negative",
                 "DATE MJD 60476\nTIME -5\nVESSEL KRV-1 KRV\n" + std::string(kOrbit) + "END\n", 2,
                 "TIME out of range"},
        // Far dates and times are refused before any world is made of them.
        BadInput{"time_huge",
                 "DATE MJD 60476\nTIME 1e300\nVESSEL KRV-1 KRV\n" + std::string(kOrbit) + "END\n",
                 2, "TIME out of range"},
        BadInput{"date_far_mjd",
                 "DATE MJD 1e300\nTIME 0\nVESSEL KRV-1 KRV\n" + std::string(kOrbit) + "END\n", 1,
                 "DATE out of range"},
        BadInput{"date_far_calendar",
                 "DATE 999999-01-01\nVESSEL KRV-1 KRV\n" + std::string(kOrbit) + "END\n", 1,
                 "DATE out of range"},
        BadInput{"no_orbit", std::string(kHeader) + "VESSEL KRV-1 KRV\n  LID 0 0\nEND\n", 3,
                 "no orbit"},
        BadInput{"header_after_block",
                 std::string(kHeader) + "VESSEL KRV-1 KRV\n" + kOrbit + "END\nTIME 5\n", 6,
                 "header comes first"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScenarioFile, MissingFileIsNamed) {
    const Outcome o = krvsim("/nonexistent/none.scn");
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.output.find("/nonexistent/none.scn: cannot open"), std::string::npos) << o.output;
}

TEST(ScenarioFile, WriterOutputReadsBackAsWritten) {
    const std::string text = standin::format_scenario(
        60476.123456789012, 3600.25,
        {{"KRV-1", "KRV", {"STATE 1 2 3 4 5 6", "ANT 3 0.4500 0.0000 0.0000 0.0000"}},
         {"KRV-2", "KRV", {"LID 1 1.0000"}}});
    const auto s = standin::parse_scenario(text, "written.scn");
    EXPECT_EQ(s.mjd, 60476.123456789012);
    EXPECT_EQ(s.time, 3600.25);
    ASSERT_EQ(s.vessels.size(), 2u);
    EXPECT_EQ(s.vessels[0].name, "KRV-1");
    EXPECT_EQ(s.vessels[0].class_name, "KRV");
    EXPECT_EQ(s.vessels[0].lines,
              (std::vector<std::string>{"STATE 1 2 3 4 5 6", "ANT 3 0.4500 0.0000 0.0000 0.0000"}));
    EXPECT_EQ(s.vessels[1].lines, std::vector<std::string>{"LID 1 1.0000"});
}

TEST(ScenarioFile, CalendarDateIsUtc) {
    const auto s = standin::parse_scenario(
        "DATE 2024-06-15T12:00:00\nVESSEL A KRV\nSTATE 1 2 3 4 5 6\nEND\n", "d.scn");
    EXPECT_NEAR(s.mjd, 60476.5, 1e-9);
    EXPECT_EQ(s.time, 0.0);
    EXPECT_EQ(s.vessels[0].line_numbers, std::vector<int>{3});
}

TEST(ScenarioFile, SubnormalTimeIsANumber) {
    const auto s = standin::parse_scenario(
        "DATE MJD 60476\nTIME 4.9e-324\nVESSEL A KRV\nSTATE 1 2 3 4 5 6\nEND\n", "t.scn");
    EXPECT_EQ(s.time, 4.9e-324);
}

// Form feeds and vertical tabs split words like blanks do: a line of them
// alone is a blank line, in the header and in a block, not a line without
// a first word.
TEST(ScenarioFile, LinesOfOtherWhiteSpaceAreBlank) {
    const auto s = standin::parse_scenario(
        "\f\nDATE MJD 60476\n\v \f\nVESSEL A KRV\n\v\n  STATE 1 2 3 4 5 6\f\n\t\f\nEND\n",
        "ws.scn");
    EXPECT_EQ(s.mjd, 60476.0);
    ASSERT_EQ(s.vessels.size(), 1u);
    EXPECT_EQ(s.vessels[0].lines, std::vector<std::string>{"STATE 1 2 3 4 5 6"});
    EXPECT_EQ(s.vessels[0].line_numbers, std::vector<int>{6});
}

struct BadOption {
    const char* args;
    const char* contains;
};

void PrintTo(const BadOption& b, std::ostream* os) {
    *os << b.args;
}

class BadOptions : public ::testing::TestWithParam<BadOption> {};

TEST_P(BadOptions, GiveAMessageAndStatusTwo) {
    const Outcome o = krvsim(GetParam().args);
    EXPECT_EQ(o.status, 2) << o.output;
    EXPECT_NE(o.output.find(GetParam().contains), std::string::npos) << o.output;
}

INSTANTIATE_TEST_SUITE_P(
    Options, BadOptions,
    ::testing::Values(BadOption{"--frobnicate", "unknown option"}, BadOption{"--dt 0", "--dt"},
                      BadOption{"--until 1e300", "--until"}, BadOption{"--until 3.3e9", "--until"},
                      BadOption{"--dt", "needs a value"}, BadOption{"--key 5", "TIME:KEY"},
                      BadOption{"--key 5:Hyper+G", "unknown key"},
                      BadOption{"--burn 1:10:nozzle", "unknown group"},
                      BadOption{"--burn 1:10:main:2", "level"},
                      BadOption{"--hud 1024by768", "WIDTHxHEIGHT"},
                      BadOption{"a.scn b.scn", "second scenario"}));

// A run may not fly past 2100: the scenario it saved could not be read.
TEST(Krvsim, RunEndingPastTheLastDateIsRefused) {
    const std::string path =
        temp_file("near_2100.scn", "DATE MJD 88068.9999\nTIME 0\nVESSEL KRV-1 KRV\n" +
                                       std::string(kOrbit) + "END\n");
    const Outcome near_end = krvsim("'" + path + "' --until 5");
    EXPECT_EQ(near_end.status, 0) << near_end.output;
    const Outcome past_end = krvsim("'" + path + "' --until 10");
    EXPECT_EQ(past_end.status, 2) << past_end.output;
    EXPECT_NE(past_end.output.find("--until"), std::string::npos) << past_end.output;
}

TEST(Krvsim, HelpListsTheOptions) {
    const Outcome o = krvsim("--help");
    EXPECT_EQ(o.status, 0);
    for (const char* opt : {"--dt", "--until", "--key", "--burn", "--hud", "--hud-at",
                            "--hud-every", "--save", "--trace", "--svg", "--help"})
        EXPECT_NE(o.output.find(opt), std::string::npos) << opt;
}

}  // namespace
