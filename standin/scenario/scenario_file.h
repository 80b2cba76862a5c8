// The stand-in host's scenario files: a readable text format.
//
//   # a comment; blank lines are ignored
//   DATE MJD 60480.0              (or DATE 2024-06-15T00:00:00, UTC)
//   TIME 0                        simulation time [s] at that date
//   VESSEL KRV-1 KRV              a vessel block: name, class
//     ELEMENTS ...                the host's lines and the vessel's own,
//     ANT 0 0.0000 ...            handed to the vessel as they stand
//   END
//
// The header comes before the first block. Inside a block every line but
// END belongs to the vessel, which keeps its own and hands the others to
// the host.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace standin {

struct ScenarioVesselBlock {
    std::string name;
    std::string class_name;
    int line = 0;                    // of its VESSEL line
    std::vector<std::string> lines;  // without indentation
    std::vector<int> line_numbers;   // of each of those lines
};

struct Scenario {
    std::string file;   // as named, for messages
    double mjd = 0.0;   // [days] the date at `time`
    double time = 0.0;  // [s]
    std::vector<ScenarioVesselBlock> vessels;
};

// What a scenario file may hold: dates from 1900 to 2100, within which the
// Earth's ephemeris holds, and simulation times up to about a century.
constexpr double kScenarioFirstMjd = 15020.0;  // [days] 1900-01-01
constexpr double kScenarioLastMjd = 88069.0;   // [days] 2100-01-01
constexpr double kScenarioLastTime = 3.2e9;    // [s]

// Both throw ScenarioError naming the file and line of every problem.
Scenario read_scenario_file(const std::filesystem::path& path);
Scenario parse_scenario(const std::string& text, const std::string& file_name);

struct WrittenVessel {
    std::string name;
    std::string class_name;
    std::vector<std::string> lines;
};

// The text of a scenario that parse_scenario reads back as written.
std::string format_scenario(double mjd, double time, const std::vector<WrittenVessel>& vessels);

}  // namespace standin
