#include "standin/scenario/scenario_file.h"

#include <erfa.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "standin/scenario/scenario_error.h"

namespace standin {

namespace {

constexpr double kMjdZero = 2400000.5;

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// All the white space that splits words: a line of form feeds or vertical
// tabs is as blank as an empty one.
const char* const kWhiteSpace = " \t\n\v\f\r";

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(kWhiteSpace);
    if (first == std::string::npos) return "";
    const auto last = s.find_last_not_of(kWhiteSpace);
    return s.substr(first, last - first + 1);
}

// A whole word that is a finite number. strtod's range error is not the
// test: it flags an overflow (which comes back infinite and is refused) but
// also a subnormal such as 3e-311, a number like any other, which the
// writer may well have written.
bool to_number(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0' && std::isfinite(out);
}

// "2024-06-15", "2024-06-15T12:00", "2024-06-15T00:00:00" or with
// fractional seconds, each optionally followed by "Z": a UTC calendar date.
bool calendar_to_mjd(std::string text, double& mjd) {
    if (text.find('T') != std::string::npos && text.back() == 'Z') text.pop_back();
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    double s = 0.0;
    const char* c = text.c_str();
    const int length = static_cast<int>(text.size());
    // %n counts what a pattern consumed: only a pattern that reads the
    // whole text matches.
    int used = -1;
    bool ok = std::sscanf(c, "%d-%d-%d%n", &y, &mo, &d, &used) == 3 && used == length;
    if (!ok) {
        used = -1;
        ok = std::sscanf(c, "%d-%d-%dT%d:%d%n", &y, &mo, &d, &h, &mi, &used) == 5 && used == length;
    }
    if (!ok) {
        used = -1;
        ok = std::sscanf(c, "%d-%d-%dT%d:%d:%lf%n", &y, &mo, &d, &h, &mi, &s, &used) == 6 &&
             used == length;
    }
    double d1 = 0.0, d2 = 0.0;
    if (!ok || eraDtf2d("UTC", y, mo, d, h, mi, s, &d1, &d2) < 0) return false;
    mjd = (d1 - kMjdZero) + d2;
    return true;
}

class Parser {
public:
    explicit Parser(std::string file) { scenario_.file = std::move(file); }

    void line(int number, const std::string& raw) {
        const std::string text = trimmed(raw);
        if (block_ != nullptr) {
            if (text == "END") {
                block_ = nullptr;
            } else if (!text.empty() && text[0] != '#') {
                const auto w = words(text);
                if (!w.empty() && w[0] == "VESSEL") {
                    fail(block_->line, "the block of vessel '" + block_->name +
                                           "' has no END before the next VESSEL (line " +
                                           std::to_string(number) + ")");
                    block_ = nullptr;
                    header_or_vessel(number, text);
                    return;
                }
                block_->lines.push_back(text);
                block_->line_numbers.push_back(number);
            }
            return;
        }
        if (text.empty() || text[0] == '#') return;
        header_or_vessel(number, text);
    }

    Scenario finish() {
        if (block_ != nullptr)
            fail(block_->line, "the block of vessel '" + block_->name + "' has no END");
        if (!have_date_ && problems_.empty()) fail(0, "no DATE line");
        if (scenario_.vessels.empty() && problems_.empty()) fail(0, "no VESSEL block");
        if (!problems_.empty()) throw ScenarioError(problems_);
        return std::move(scenario_);
    }

private:
    void header_or_vessel(int number, const std::string& text) {
        const auto w = words(text);
        if (w.empty()) return;  // white space only (words may know more of it than trimmed)
        if (w[0] == "VESSEL") {
            if (w.size() != 3) return fail(number, "VESSEL needs a name and a class");
            for (const auto& v : scenario_.vessels)
                if (v.name == w[1])
                    return fail(number, "a second vessel named '" + w[1] + "' (first at line " +
                                            std::to_string(v.line) + ")");
            scenario_.vessels.push_back({w[1], w[2], number, {}, {}});
            block_ = &scenario_.vessels.back();
            return;
        }
        if (w[0] == "END") return fail(number, "END without a VESSEL block");
        if (!scenario_.vessels.empty())
            return fail(number,
                        "'" + w[0] + "' after the first VESSEL block; the header comes first");
        if (w[0] == "DATE") return date(number, w);
        if (w[0] == "TIME") return time(number, w);
        fail(number,
             "unknown line '" + w[0] + "' (header lines: DATE, TIME; blocks: VESSEL ... END)");
    }

    void date(int number, const std::vector<std::string>& w) {
        if (have_date_) return fail(number, "a second DATE line");
        double mjd = 0.0;
        if (w.size() == 3 && w[1] == "MJD") {
            if (!to_number(w[2], mjd))
                return fail(number, "DATE MJD: '" + w[2] + "' is not a number");
        } else if (w.size() == 2) {
            if (!calendar_to_mjd(w[1], mjd))
                return fail(number, "DATE: '" + w[1] + "' is not a date like 2024-06-15T00:00:00");
        } else {
            return fail(number, "DATE needs 'MJD number' or a date like 2024-06-15T00:00:00");
        }
        if (!(mjd >= kScenarioFirstMjd && mjd <= kScenarioLastMjd))
            return fail(number, "DATE out of range: the years 1900 to 2100 (MJD 15020 to 88069)");
        scenario_.mjd = mjd;
        have_date_ = true;
    }

    void time(int number, const std::vector<std::string>& w) {
        if (have_time_) return fail(number, "a second TIME line");
        double t = 0.0;
        if (w.size() != 2 || !to_number(w[1], t))
            return fail(number, "TIME needs one number of seconds");
        if (!(t >= 0.0 && t <= kScenarioLastTime))
            return fail(number, "TIME out of range: 0 to 3.2e9 s");
        scenario_.time = t;
        have_time_ = true;
    }

    void fail(int number, std::string message) {
        problems_.push_back({scenario_.file, number, std::move(message)});
    }

    Scenario scenario_;
    ScenarioVesselBlock* block_ = nullptr;
    bool have_date_ = false;
    bool have_time_ = false;
    std::vector<ScenarioProblem> problems_;
};

}  // namespace

Scenario parse_scenario(const std::string& text, const std::string& file_name) {
    Parser parser(file_name);
    std::istringstream in(text);
    int number = 0;
    for (std::string raw; std::getline(in, raw);) {
        // A byte-order mark some editors put first is not the text's.
        if (number == 0 && raw.rfind("\xEF\xBB\xBF", 0) == 0) raw.erase(0, 3);
        parser.line(++number, raw);
    }
    return parser.finish();
}

Scenario read_scenario_file(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw ScenarioError({{path.string(), 0, "is a folder, not a scenario file"}});
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ScenarioError({{path.string(), 0,
                              std::string("cannot open the scenario file: ") +
                                  std::strerror(errno != 0 ? errno : ENOENT)}});
    std::ostringstream text;
    text << in.rdbuf();
    return parse_scenario(text.str(), path.string());
}

std::string format_scenario(double mjd, double time, const std::vector<WrittenVessel>& vessels) {
    std::string out = "# KRV stand-in host scenario\n";
    char buf[128];
    int year = 0, month = 0, day = 0;
    int hmsf[4] = {0, 0, 0, 0};  // eraD2dtf writes hours, minutes, seconds, fraction
    if (eraD2dtf("UTC", 0, kMjdZero, mjd, &year, &month, &day, hmsf) >= 0) {
        std::snprintf(buf, sizeof buf, "# date %04d-%02d-%02d %02d:%02d:%02d UTC\n", year, month,
                      day, hmsf[0], hmsf[1], hmsf[2]);
        out += buf;
    }
    std::snprintf(buf, sizeof buf, "DATE MJD %.17g\nTIME %.17g\n", mjd, time);
    out += buf;
    for (const auto& v : vessels) {
        out += "\nVESSEL " + v.name + " " + v.class_name + "\n";
        for (const auto& line : v.lines) out += "  " + line + "\n";
        out += "END\n";
    }
    return out;
}

}  // namespace standin
