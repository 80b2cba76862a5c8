// Files the runner writes whole: never left half-written.
#pragma once

#include <cstdio>
#include <string>

namespace standin {

// Writes through a temporary file beside path and renames it into place.
// Throws std::runtime_error naming the option and the reason.
void write_file_atomically(const std::string& option, const std::string& path,
                           const std::string& text);

// A file written bit by bit that appears whole or not at all: written to a
// temporary beside it, renamed into place by commit(), removed when the
// object goes without a commit (a failure, an exception). Path "-" is
// standard output, flushed and checked by commit().
class OutputFile {
public:
    // Throws std::runtime_error naming the option when it cannot be opened.
    OutputFile(std::string option, std::string path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::FILE* get() const { return file_; }
    // Flushes, closes and renames; throws std::runtime_error naming the
    // option when anything written was lost.
    void commit();

private:
    std::string option_;
    std::string path_;
    std::string temporary_;  // empty for standard output
    std::FILE* file_;
};

// Standard output as an output: throws std::runtime_error naming `what`
// when anything written to it was lost.
void check_standard_output(std::FILE* out, const std::string& what);

// Before a run: the folder path is to be written into exists. Throws
// std::runtime_error naming the option.
void check_output_folder(const std::string& option, const std::string& path);

// A vessel's name as a portable file name part: letters, digits, '-', '_'
// and '.' kept, anything else '_'; never empty, never "." or "..".
std::string file_name_part(const std::string& name);

}  // namespace standin
