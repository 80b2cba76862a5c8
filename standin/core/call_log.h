// A record of the host calls a module makes, in order, with their arguments.
//
// Tests read it the way a flight-software test reads a port history: "after
// this key and this step the host saw exactly these calls".
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "host/types.h"

namespace standin {

// One argument as the host received it. Handles and other pointers are kept
// by address; texts by value, since the module may reuse its buffer.
using Arg = std::variant<std::int64_t, double, const void*, std::string, VECTOR3>;

struct HostCall {
    std::string name;
    std::vector<Arg> args;
    OBJHANDLE vessel = nullptr;  // the vessel a VESSEL operation acted on, or null
};

// Calls compare by name and arguments; the vessel is compared separately.
bool operator==(const HostCall& a, const HostCall& b);
inline bool operator!=(const HostCall& a, const HostCall& b) {
    return !(a == b);
}
std::string to_string(const Arg& arg);
std::string to_string(const HostCall& call);

template <typename T>
Arg make_arg(const T& value) {
    if constexpr (std::is_same_v<T, VECTOR3> || std::is_same_v<T, std::string>) {
        return value;
    } else if constexpr (std::is_same_v<T, bool> || std::is_integral_v<T> || std::is_enum_v<T>) {
        return static_cast<std::int64_t>(value);
    } else if constexpr (std::is_floating_point_v<T>) {
        return static_cast<double>(value);
    } else if constexpr (std::is_convertible_v<T, const char*>) {
        return value == nullptr ? Arg{static_cast<const void*>(nullptr)} : Arg{std::string(value)};
    } else {
        static_assert(std::is_pointer_v<T>, "record pointers, numbers, texts or vectors");
        return static_cast<const void*>(value);
    }
}

class CallLog {
public:
    // Kept out of line: the hosts's call paths stay lean when nothing records.
    template <typename... Args>
    [[gnu::noinline]] void add(OBJHANDLE vessel, const char* name, Args... args) {
        calls_.push_back(HostCall{name, {make_arg(args)...}, vessel});
    }

    void add_call(HostCall call) { calls_.push_back(std::move(call)); }

    const std::vector<HostCall>& calls() const { return calls_; }
    std::size_t size() const { return calls_.size(); }
    const HostCall& operator[](std::size_t i) const { return calls_.at(i); }
    void clear() { calls_.clear(); }

    // The names of the calls, in order: handy for sequence checks.
    std::vector<std::string> names() const;
    // The calls of one name, in order.
    std::vector<HostCall> named(const std::string& name) const;
    std::size_t count(const std::string& name) const;

private:
    std::vector<HostCall> calls_;
};

}  // namespace standin
