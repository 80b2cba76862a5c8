// A folder of a test's own under the system's temporary folder, named for
// the test program and its process so parallel runs do not meet, removed
// with everything in it when it goes.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace krvtest {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name)
        : dir(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(getpid()))) {
        std::filesystem::create_directories(dir);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Writes text into a file of the folder; returns its path.
    std::filesystem::path write(const std::string& file, const std::string& text) const {
        std::ofstream(dir / file, std::ios::binary) << text;
        return dir / file;
    }

    const std::filesystem::path dir;
};

}  // namespace krvtest
