// A record of the host calls a module makes, in one order, with their
// arguments and answers by name.
//
// Tests read it the way a flight-software test reads a port history: "after
// this key and this step the host saw exactly these calls"; the runner
// writes it out for users.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "host/types.h"

namespace standin {

// One argument or answer as the host saw it. Handles and other pointers are
// kept by address; texts by value, since the module may reuse its buffer.
using Arg = std::variant<std::int64_t, double, const void*, std::string, VECTOR3, bool>;

struct NamedArg {
    std::string name;
    Arg value;
};

struct HostCall {
    HostCall() = default;
    HostCall(std::string call_name, std::vector<Arg> call_args, OBJHANDLE acted_on = nullptr)
        : name(std::move(call_name)), args(std::move(call_args)), vessel(acted_on) {}

    std::string name;
    std::vector<Arg> args;
    OBJHANDLE vessel = nullptr;  // the vessel a VESSEL operation acted on, or null
    // Filled as the host records; tests that build a call to compare leave
    // them empty.
    std::vector<std::string> arg_names;  // one per argument, same order
    std::optional<Arg> returned;         // none for an operation without one
    std::vector<NamedArg> answers;       // what the host wrote through out-parameters
    double t = 0.0;                      // [s] simulation time of the call
    std::string caller;                  // the vessel whose callback made the call, or empty

    const Arg& arg_value(std::string_view arg_name) const;
    template <typename T>
    const T& arg(std::string_view arg_name) const {
        return std::get<T>(arg_value(arg_name));
    }
    template <typename T>
    const T& result() const {
        if (!returned) throw std::out_of_range(name + " has no result");
        return std::get<T>(*returned);
    }
    const Arg& answer_value(std::string_view answer_name) const;
    template <typename T>
    const T& answer(std::string_view answer_name) const {
        return std::get<T>(answer_value(answer_name));
    }
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
    if constexpr (std::is_same_v<T, VECTOR3> || std::is_same_v<T, std::string> ||
                  std::is_same_v<T, bool>) {
        return value;
    } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
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

class CallLog;

// The call just recorded, for its answers; does nothing when nothing records.
class Recorded {
public:
    Recorded() = default;
    Recorded(CallLog* log, std::size_t index) : log_(log), index_(index) {}

    // Records value as the call's result and hands it back.
    template <typename T>
    T result(T value) const {
        if (__builtin_expect(log_ != nullptr, 0)) set_result(make_arg(value));
        return value;
    }
    template <typename T>
    void answer(const char* name, const T& value) const {
        if (__builtin_expect(log_ != nullptr, 0)) add_answer(name, make_arg(value));
    }
    explicit operator bool() const { return log_ != nullptr; }
    HostCall* call() const;

private:
    [[gnu::noinline]] void set_result(Arg value) const;
    [[gnu::noinline]] void add_answer(const char* name, Arg value) const;

    CallLog* log_ = nullptr;
    std::size_t index_ = 0;
};

class CallLog {
public:
    // names: the arguments' names, separated by spaces. Kept out of line:
    // the host's call paths stay lean when nothing records.
    template <typename... Args>
    [[gnu::noinline]] std::size_t add(OBJHANDLE vessel, const char* name, const char* names,
                                      Args... args) {
        HostCall call{name, {make_arg(args)...}, vessel};
        call.arg_names = split_names(names);
        return add_call(std::move(call));
    }

    // Stamps the call with the time and caller set last; answers its index.
    std::size_t add_call(HostCall call);
    void stamp(double t, std::string caller) {
        t_ = t;
        caller_ = std::move(caller);
    }

    const std::vector<HostCall>& calls() const { return calls_; }
    std::size_t size() const { return calls_.size(); }
    const HostCall& operator[](std::size_t i) const { return calls_.at(i); }
    HostCall& at(std::size_t i) { return calls_.at(i); }
    void clear() { calls_.clear(); }

    // The names of the calls, in order: handy for sequence checks.
    std::vector<std::string> names() const;
    // The calls of one name, in order.
    std::vector<HostCall> named(const std::string& name) const;
    std::size_t count(const std::string& name) const;

private:
    static std::vector<std::string> split_names(const char* names);

    std::vector<HostCall> calls_;
    double t_ = 0.0;
    std::string caller_;
};

}  // namespace standin
