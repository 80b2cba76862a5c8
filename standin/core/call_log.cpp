#include "standin/core/call_log.h"

#include <cstdio>

namespace standin {

namespace {

bool same(const Arg& a, const Arg& b) {
    if (a.index() != b.index()) return false;
    return std::visit(
        [&b](const auto& va) {
            using T = std::decay_t<decltype(va)>;
            const T& vb = std::get<T>(b);
            if constexpr (std::is_same_v<T, VECTOR3>)
                return va.x == vb.x && va.y == vb.y && va.z == vb.z;
            else
                return va == vb;
        },
        a);
}

std::string number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

}  // namespace

bool operator==(const HostCall& a, const HostCall& b) {
    if (a.name != b.name || a.args.size() != b.args.size()) return false;
    for (std::size_t i = 0; i < a.args.size(); ++i)
        if (!same(a.args[i], b.args[i])) return false;
    return true;
}

std::string to_string(const Arg& arg) {
    struct Visitor {
        std::string operator()(std::int64_t v) const { return std::to_string(v); }
        std::string operator()(bool v) const { return v ? "true" : "false"; }
        std::string operator()(double v) const { return number(v); }
        std::string operator()(const void* p) const {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%p", p);
            return p == nullptr ? "null" : buf;
        }
        std::string operator()(const std::string& s) const { return "\"" + s + "\""; }
        std::string operator()(const VECTOR3& v) const {
            return "(" + number(v.x) + ", " + number(v.y) + ", " + number(v.z) + ")";
        }
    };
    return std::visit(Visitor{}, arg);
}

std::string to_string(const HostCall& call) {
    std::string text = call.name + "(";
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        if (i > 0) text += ", ";
        if (i < call.arg_names.size()) text += call.arg_names[i] + "=";
        text += to_string(call.args[i]);
    }
    text += ")";
    if (call.returned) text += " -> " + to_string(*call.returned);
    for (const auto& a : call.answers) text += " " + std::string(a.name) + "=" + to_string(a.value);
    return text;
}

const Arg& HostCall::arg_value(std::string_view arg_name) const {
    for (std::size_t i = 0; i < arg_names.size() && i < args.size(); ++i)
        if (arg_names[i] == arg_name) return args[i];
    throw std::out_of_range(name + " has no argument '" + std::string(arg_name) + "'");
}

const Arg& HostCall::answer_value(std::string_view answer_name) const {
    for (const auto& a : answers)
        if (a.name == answer_name) return a.value;
    throw std::out_of_range(name + " has no answer '" + std::string(answer_name) + "'");
}

HostCall* Recorded::call() const {
    return log_ != nullptr ? &log_->at(index_) : nullptr;
}

void Recorded::set_result(Arg value) const {
    log_->at(index_).returned = std::move(value);
}

void Recorded::add_answer(const char* name, Arg value) const {
    log_->at(index_).answers.push_back({name, std::move(value)});
}

std::size_t CallLog::add_call(HostCall call) {
    call.t = t_;
    call.caller.assign(caller_);
    if (size_ == slots_.size()) {
        slots_.emplace_back();
        literals_.emplace_back();
    }
    slots_[size_] = std::move(call);
    literals_[size_] = {};
    return size_++;
}

HostCall& CallLog::next_slot(OBJHANDLE vessel, const char* name, const char* names,
                             std::size_t count) {
    if (size_ == slots_.size()) {
        slots_.emplace_back();
        literals_.emplace_back();
    }
    HostCall& call = slots_[size_];
    Literals& was = literals_[size_];
    ++size_;
    // Assigned, not rebuilt: the slot's strings and vectors keep their room.
    if (was.name != name || was.names != names || call.arg_names.size() != count) {
        call.name.assign(name);
        std::size_t n = 0;
        std::string_view rest = names != nullptr ? names : "";
        while (!rest.empty()) {
            const auto space = rest.find(' ');
            if (n == call.arg_names.size()) call.arg_names.emplace_back();
            call.arg_names[n++].assign(rest.substr(0, space));
            if (space == std::string_view::npos) break;
            rest.remove_prefix(space + 1);
        }
        call.arg_names.resize(n);
        was = {name, names};
    }
    call.args.clear();
    call.vessel = vessel;
    call.returned.reset();
    call.answers.clear();
    call.t = t_;
    call.caller.assign(caller_);
    return call;
}

std::size_t CallLog::checked(std::size_t i) const {
    if (i >= size_) throw std::out_of_range("call log: no call " + std::to_string(i));
    return i;
}

std::vector<std::string> CallLog::names() const {
    std::vector<std::string> out;
    out.reserve(size_);
    for (const auto& c : calls()) out.push_back(c.name);
    return out;
}

std::vector<HostCall> CallLog::named(const std::string& name) const {
    std::vector<HostCall> out;
    for (const auto& c : calls())
        if (c.name == name) out.push_back(c);
    return out;
}

std::size_t CallLog::count(const std::string& name) const {
    std::size_t n = 0;
    for (const auto& c : calls()) n += c.name == name ? 1 : 0;
    return n;
}

}  // namespace standin
