// A --config run file: one `key = value` a line, the key an option's long
// name without "--" (or "scenario"), the value a number, a word, a quoted
// text ("..." with \" \\ \t \n, or '...' as is), true or false, or a list
// [ ... ] of those, which may run over lines; # or ; starts a comment.
// Nothing else is taken: no sections, no key twice.
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace standin {

struct RunFileEntry {
    std::string key;
    std::vector<std::string> values;  // one, or the list's
    bool list = false;
    int line = 0;
};

// Throws OptionsError "name:line: ..." for a line of another form.
std::vector<RunFileEntry> read_run_file(std::istream& in, const std::string& name);

// The text as a quoted value that read_run_file reads back as it is.
std::string run_file_quoted(const std::string& text);

}  // namespace standin
