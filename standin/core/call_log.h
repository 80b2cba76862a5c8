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
    std::string_view name;  // a literal of the host's
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

// The calls recorded since the log was last emptied, in order.
class CallRange {
public:
    CallRange(const HostCall* first, std::size_t n) : first_(first), n_(n) {}
    const HostCall* begin() const { return first_; }
    const HostCall* end() const { return first_ + n_; }
    std::size_t size() const { return n_; }
    bool empty() const { return n_ == 0; }
    const HostCall& operator[](std::size_t i) const { return first_[i]; }
    const HostCall& front() const { return first_[0]; }
    const HostCall& back() const { return first_[n_ - 1]; }

private:
    const HostCall* first_;
    std::size_t n_;
};

class CallLog {
public:
    // names: the arguments' names, separated by spaces. Kept out of line:
    // the host's call paths stay lean when nothing records.
    template <typename... Args>
    [[gnu::noinline]] std::size_t add(OBJHANDLE vessel, const char* name, const char* names,
                                      Args... args) {
        HostCall& call = next_slot(vessel, name, names, sizeof...(Args));
        (call.args.push_back(make_arg(args)), ...);
        return size_ - 1;
    }

    // Stamps the call with the time and caller set last; answers its index.
    std::size_t add_call(HostCall call);
    // caller: the vessel's name, or empty; read at the next add.
    void stamp(double t, std::string_view caller) {
        t_ = t;
        caller_ = caller;
    }

    CallRange calls() const { return {slots_.data(), size_}; }
    std::size_t size() const { return size_; }
    const HostCall& operator[](std::size_t i) const { return slots_.at(checked(i)); }
    HostCall& at(std::size_t i) { return slots_.at(checked(i)); }
    // Empties the log; the calls' storage stays for the next ones, so that a
    // log emptied after every step records without allocating.
    void clear() { size_ = 0; }

    // The names of the calls, in order: handy for sequence checks.
    std::vector<std::string> names() const;
    // The calls of one name, in order.
    std::vector<HostCall> named(const std::string& name) const;
    std::size_t count(const std::string& name) const;

private:
    // The next slot, emptied and stamped, with its name and argument names.
    HostCall& next_slot(OBJHANDLE vessel, const char* name, const char* names, std::size_t count);
    std::size_t checked(std::size_t i) const;

    std::vector<HostCall> slots_;  // the first size_ hold calls
    // Per slot, the literals its name and argument names were last set
    // from: a run makes the same calls step after step, so a slot mostly
    // holds them already.
    struct Literals {
        const char* name = nullptr;
        const char* names = nullptr;
    };
    std::vector<Literals> literals_;
    std::size_t size_ = 0;
    double t_ = 0.0;
    std::string_view caller_;
};

}  // namespace standin
