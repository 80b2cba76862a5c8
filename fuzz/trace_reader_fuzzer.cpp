// Arbitrary traces through krvreplay's checks, line by line: no crash, no
// sanitizer report, no hang; what the checks accept has a header first and
// a known record type on every line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/sanitizer_options.h"
#include "standin/replay/trace_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    standin::TraceCheck check;
    bool first = true;
    for (std::size_t from = 0; from <= text.size();) {
        std::size_t to = text.find('\n', from);
        if (to == std::string_view::npos) to = text.size();
        const std::string_view line = text.substr(from, to - from);
        from = to + 1;
        if (line.empty()) continue;
        if (!check.line(line).empty()) return 0;
        if (first && check.type() != "header") std::abort();
        if (check.type().empty()) std::abort();
        first = false;
    }
    (void)check.finish();
    return 0;
}
