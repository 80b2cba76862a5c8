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
        text += to_string(call.args[i]);
    }
    return text + ")";
}

std::vector<std::string> CallLog::names() const {
    std::vector<std::string> out;
    out.reserve(calls_.size());
    for (const auto& c : calls_) out.push_back(c.name);
    return out;
}

std::vector<HostCall> CallLog::named(const std::string& name) const {
    std::vector<HostCall> out;
    for (const auto& c : calls_)
        if (c.name == name) out.push_back(c);
    return out;
}

std::size_t CallLog::count(const std::string& name) const {
    std::size_t n = 0;
    for (const auto& c : calls_) n += c.name == name ? 1 : 0;
    return n;
}

}  // namespace standin
