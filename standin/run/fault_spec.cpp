#include "standin/run/fault_spec.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "standin/run/options.h"

namespace standin {

namespace {

struct FaultName {
    const char* name;
    HostFault kind;
};
constexpr FaultName kFaultNames[] = {
    {"no-earth", HostFault::no_earth},
    {"no-elements", HostFault::no_elements},
    {"zero-earth-vector", HostFault::zero_earth_vector},
    {"geo-period", HostFault::geo_period},
};

double time_of(const std::string& text, const std::string& whole) {
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(v))
        throw OptionsError("--fault: '" + text + "' in '" + whole + "' is not a time in seconds");
    return v;
}

}  // namespace

const char* fault_name(HostFault kind) {
    for (const auto& f : kFaultNames)
        if (kind == f.kind) return f.name;
    return "none";
}

std::optional<HostFault> fault_by_name(const std::string& name) {
    for (const auto& f : kFaultNames)
        if (name == f.name) return f.kind;
    return std::nullopt;
}

FaultWindow parse_fault(const std::string& text) {
    const auto first = text.find(':');
    const auto second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos)
        throw OptionsError("--fault: expected FROM:TO:KIND, got '" + text + "'");
    FaultWindow w;
    w.from = time_of(text.substr(0, first), text);
    w.to = time_of(text.substr(first + 1, second - first - 1), text);
    if (!(w.to > w.from))
        throw OptionsError("--fault: the window '" + text + "' must end after it starts");
    const std::string kind = text.substr(second + 1);
    const auto k = fault_by_name(kind);
    if (!k)
        throw OptionsError("--fault: unknown kind '" + kind +
                           "' (no-earth, no-elements, zero-earth-vector, geo-period)");
    w.kind = *k;
    return w;
}

}  // namespace standin
