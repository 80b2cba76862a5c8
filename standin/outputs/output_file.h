// Files the runner writes whole: never left half-written.
#pragma once

#include <string>

namespace standin {

// Writes through a temporary file beside path and renames it into place.
// Throws std::runtime_error naming the option and the reason.
void write_file_atomically(const std::string& option, const std::string& path,
                           const std::string& text);

// Before a run: the folder path is to be written into exists. Throws
// std::runtime_error naming the option.
void check_output_folder(const std::string& option, const std::string& path);

// A vessel's name as a portable file name part: letters, digits, '-', '_'
// and '.' kept, anything else '_'; never empty, never "." or "..".
std::string file_name_part(const std::string& name);

}  // namespace standin
