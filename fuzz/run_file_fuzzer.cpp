// Arbitrary run files (krvsim --config) through the reader: no crash and no
// sanitizer report; a file is either refused with a message naming its line
// or read into entries each with a key and, unless a list, one value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "fuzz/sanitizer_options.h"
#include "standin/run/options.h"
#include "standin/run/run_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    try {
        for (const standin::RunFileEntry& e : standin::read_run_file(in, "run.toml")) {
            if (e.key.empty() || e.line < 1 || (!e.list && e.values.size() != 1)) std::abort();
        }
    } catch (const standin::OptionsError& e) {
        if (std::string(e.what()).rfind("run.toml:", 0) != 0) std::abort();
    }
    return 0;
}
