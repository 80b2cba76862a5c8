#include "standin/outputs/output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>

namespace standin {

namespace {

// Puts `from` in place of `to`. Windows' C runtime refuses to rename onto a
// file that exists; std::filesystem replaces it there.
bool replace_file(const std::string& from, const std::string& to) {
#if defined(_WIN32)
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    if (ec) errno = EACCES;
    return !ec;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace

void write_file_atomically(const std::string& option, const std::string& path,
                           const std::string& text) {
    const std::string temporary = path + ".part" + std::to_string(::getpid());
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (f == nullptr)
        throw std::runtime_error(option + ": cannot write '" + path + "': " + std::strerror(errno));
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const int error = errno;
    if (std::fclose(f) != 0 || !written || !replace_file(temporary, path)) {
        const int why = errno != 0 ? errno : error;
        std::remove(temporary.c_str());
        throw std::runtime_error(option + ": cannot write '" + path + "': " + std::strerror(why));
    }
}

OutputFile::OutputFile(std::string option, std::string path)
    : option_(std::move(option)), path_(std::move(path)) {
    if (path_ == "-") {
        file_ = stdout;
        return;
    }
    temporary_ = path_ + ".part" + std::to_string(::getpid());
    file_ = std::fopen(temporary_.c_str(), "wb");
    if (file_ == nullptr)
        throw std::runtime_error(option_ + ": cannot write '" + path_ +
                                 "': " + std::strerror(errno));
}

OutputFile::~OutputFile() {
    if (file_ == nullptr || temporary_.empty()) return;
    std::fclose(file_);
    std::remove(temporary_.c_str());
}

void OutputFile::commit() {
    if (temporary_.empty()) {
        check_standard_output(file_, option_ + " -");
        return;
    }
    errno = 0;
    const bool failed = std::ferror(file_) != 0;
    const int error = errno;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (failed || !closed || std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        const int why = errno != 0 ? errno : error;
        std::remove(temporary_.c_str());
        throw std::runtime_error(option_ + ": cannot write '" + path_ + "'" +
                                 (why != 0 ? std::string(": ") + std::strerror(why) : ""));
    }
}

void check_standard_output(std::FILE* out, const std::string& what) {
    errno = 0;
    if (std::fflush(out) != 0 || std::ferror(out) != 0)
        throw std::runtime_error(what + ": standard output cannot be written" +
                                 (errno != 0 ? std::string(": ") + std::strerror(errno) : ""));
}

void check_output_folder(const std::string& option, const std::string& path) {
    if (path.empty() || path == "-") return;
    const std::filesystem::path p(path);
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec))
        throw std::runtime_error(option + ": '" + path + "' is a folder; a file name is needed");
    const std::filesystem::path folder = p.has_parent_path() ? p.parent_path() : ".";
    if (!std::filesystem::is_directory(folder, ec))
        throw std::runtime_error(option + ": the folder '" + folder.string() + "' of '" + path +
                                 "' does not exist");
}

std::string file_name_part(const std::string& name) {
    std::string out;
    for (const char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        out += plain ? c : '_';
    }
    if (out.empty() || out == "." || out == "..") out = "_" + out;
    return out;
}

}  // namespace standin
