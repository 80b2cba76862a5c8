#include "standin/run/run_file.h"

#include <cctype>

#include "standin/run/options.h"

namespace standin {

namespace {

class LineError {
public:
    explicit LineError(std::string what) : what_(std::move(what)) {}
    const std::string& what() const { return what_; }

private:
    std::string what_;
};

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

void skip_blanks(const std::string& s, std::size_t& at) {
    while (at < s.size() && blank(s[at])) ++at;
}

bool rest_is_comment(const std::string& s, std::size_t at) {
    skip_blanks(s, at);
    return at == s.size() || s[at] == '#' || s[at] == ';';
}

// One value at `at`: quoted or a bare word.
std::string scalar(const std::string& s, std::size_t& at) {
    if (at >= s.size()) throw LineError("a value is missing");
    const char quote = s[at];
    if (quote == '"' || quote == '\'') {
        std::string out;
        for (++at; at < s.size(); ++at) {
            char c = s[at];
            if (c == quote) {
                ++at;
                return out;
            }
            if (c == '\\' && quote == '"') {
                if (++at == s.size()) break;
                switch (s[at]) {
                    case '"':
                        c = '"';
                        break;
                    case '\\':
                        c = '\\';
                        break;
                    case 't':
                        c = '\t';
                        break;
                    case 'n':
                        c = '\n';
                        break;
                    default:
                        throw LineError(std::string("unknown escape '\\") + s[at] + "'");
                }
            }
            out += c;
        }
        throw LineError("a quoted value is not closed");
    }
    const std::size_t from = at;
    while (at < s.size() && !blank(s[at]) && s[at] != ',' && s[at] != ']' && s[at] != '#' &&
           s[at] != ';' && s[at] != '[' && s[at] != '"' && s[at] != '\'')
        ++at;
    if (at == from) throw LineError(std::string("unexpected '") + s[at] + "'");
    return s.substr(from, at - from);
}

bool key_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
}

}  // namespace

std::vector<RunFileEntry> read_run_file(std::istream& in, const std::string& name) {
    std::vector<RunFileEntry> entries;
    std::string line;
    int number = 0;
    try {
        while (std::getline(in, line)) {
            ++number;
            // A byte-order mark some editors put first.
            if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
            std::size_t at = 0;
            if (rest_is_comment(line, at)) continue;
            skip_blanks(line, at);
            if (line[at] == '[')
                throw LineError("sections are not taken; write key = value lines only");
            const std::size_t from = at;
            while (at < line.size() && key_char(line[at])) ++at;
            RunFileEntry e;
            e.key = line.substr(from, at - from);
            e.line = number;
            skip_blanks(line, at);
            if (e.key.empty() || at == line.size() || line[at] != '=')
                throw LineError("expected key = value");
            ++at;
            skip_blanks(line, at);
            if (at < line.size() && line[at] == '[') {
                e.list = true;
                ++at;
                // A list may run over lines: past blanks, comments and line ends.
                const auto next_in_list = [&] {
                    skip_blanks(line, at);
                    while (rest_is_comment(line, at)) {
                        if (!std::getline(in, line)) throw LineError("the list is not closed");
                        ++number;
                        at = 0;
                        skip_blanks(line, at);
                    }
                };
                for (bool first = true;;) {
                    next_in_list();
                    if (line[at] == ']') {
                        ++at;
                        break;
                    }
                    if (!first) {
                        if (line[at] != ',') throw LineError("expected ',' or ']' in the list");
                        ++at;
                        next_in_list();
                        if (line[at] == ']') {  // a trailing comma
                            ++at;
                            break;
                        }
                    }
                    e.values.push_back(scalar(line, at));
                    first = false;
                }
            } else {
                e.values.push_back(scalar(line, at));
            }
            if (!rest_is_comment(line, at))
                throw LineError("unexpected text after the value: '" + line.substr(at) + "'");
            entries.push_back(std::move(e));
        }
    } catch (const LineError& e) {
        throw OptionsError(name + ":" + std::to_string(number) + ": " + e.what());
    }
    if (in.bad()) throw OptionsError(name + ": read error");
    return entries;
}

std::string run_file_quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c == '\t') {
            out += "\\t";
            continue;
        }
        out += c;
    }
    return out + '"';
}

}  // namespace standin
