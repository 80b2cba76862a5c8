#include "standin/replay/trace_check.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace standin {

namespace {

// A JSON value, as much of one as the checks look at.
struct Value {
    enum class Kind { null, boolean, number, string, array, object } kind = Kind::null;
    double number = 0.0;
    std::string text;
    std::vector<Value> items;
    std::vector<std::pair<std::string, Value>> fields;

    const Value* field(std::string_view name) const {
        for (const auto& [k, v] : fields)
            if (k == name) return &v;
        return nullptr;
    }
};

class Parser {
public:
    explicit Parser(std::string_view s) : s_(s) {}

    // The whole text as one value; throws std::string on anything else.
    Value document() {
        Value v = value(0);
        blanks();
        if (at_ != s_.size()) fail("text after the JSON value");
        return v;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw "not JSON at column " + std::to_string(at_ + 1) + ": " + what;
    }
    void blanks() {
        while (at_ < s_.size() &&
               (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
            ++at_;
    }
    bool take(char c) {
        blanks();
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool word(std::string_view w) {
        if (s_.substr(at_, w.size()) != w) return false;
        at_ += w.size();
        return true;
    }

    Value value(int depth) {
        if (depth > 64) fail("nested too deeply");
        blanks();
        if (at_ == s_.size()) fail("a value is missing");
        Value v;
        const char c = s_[at_];
        if (c == '{') {
            ++at_;
            v.kind = Value::Kind::object;
            if (take('}')) return v;
            do {
                blanks();
                if (at_ == s_.size() || s_[at_] != '"') fail("expected a field name");
                std::string name = string();
                if (!take(':')) fail("expected ':'");
                v.fields.emplace_back(std::move(name), value(depth + 1));
            } while (take(','));
            if (!take('}')) fail("expected ',' or '}'");
        } else if (c == '[') {
            ++at_;
            v.kind = Value::Kind::array;
            if (take(']')) return v;
            do v.items.push_back(value(depth + 1));
            while (take(','));
            if (!take(']')) fail("expected ',' or ']'");
        } else if (c == '"') {
            v.kind = Value::Kind::string;
            v.text = string();
        } else if (word("true") || word("false")) {
            v.kind = Value::Kind::boolean;
        } else if (word("null")) {
        } else {
            v.kind = Value::Kind::number;
            v.number = number();
        }
        return v;
    }

    double number() {
        const std::size_t from = at_;
        if (at_ < s_.size() && s_[at_] == '-') ++at_;
        const auto digits = [&] {
            const std::size_t d = at_;
            while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
            return at_ > d;
        };
        if (!digits()) fail("expected a value");
        if (at_ < s_.size() && s_[at_] == '.') {
            ++at_;
            if (!digits()) fail("a bad number");
        }
        if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
            ++at_;
            if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-')) ++at_;
            if (!digits()) fail("a bad number");
        }
        const std::string text(s_.substr(from, at_ - from));
        return std::strtod(text.c_str(), nullptr);
    }

    // A string's text; escapes checked, \u kept as written (the checks
    // compare only plain names).
    std::string string() {
        ++at_;
        std::string out;
        while (at_ < s_.size()) {
            const char c = s_[at_++];
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) fail("a control character in a string");
            if (c == '\\') {
                if (at_ == s_.size()) break;
                const char e = s_[at_++];
                if (e == 'u') {
                    for (int i = 0; i < 4; ++i, ++at_)
                        if (at_ >= s_.size() ||
                            std::isxdigit(static_cast<unsigned char>(s_[at_])) == 0)
                            fail("a bad \\u escape");
                    out += "\\u";
                    continue;
                }
                if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos)
                    fail("a bad escape");
            }
            out += c;
        }
        fail("a string is not closed");
    }

    std::string_view s_;
    std::size_t at_ = 0;
};

bool numbers(const Value* v, std::size_t n) {
    if (v == nullptr || v->kind != Value::Kind::array || v->items.size() != n) return false;
    for (const Value& x : v->items)
        if (x.kind != Value::Kind::number || !std::isfinite(x.number)) return false;
    return true;
}

bool plain_name(const std::string& s) {
    if (s.empty()) return false;
    for (const char c : s)
        if (!((c >= 'a' && c <= 'z') || c == '_')) return false;
    return true;
}

}  // namespace

std::string TraceCheck::line(std::string_view text) {
    Value v;
    try {
        v = Parser(text).document();
    } catch (const std::string& what) {
        return what;
    }
    if (v.kind != Value::Kind::object) return "not a JSON object";
    const Value* type = v.field("type");
    if (type == nullptr || type->kind != Value::Kind::string) return "no \"type\"";
    if (!plain_name(type->text)) return "the type '" + type->text + "' is not a record's";
    type_ = type->text;
    t_ = 0.0;
    if (!header_seen_) {
        if (type->text != "header") return "the first record is not a trace header";
        header_seen_ = true;
        const Value* format = v.field("format");
        if (format == nullptr) return "the header names no format (krvreplay reads format 1)";
        if (format->kind != Value::Kind::number || format->number != kReplayTraceFormat)
            return "format " +
                   std::string(format->kind == Value::Kind::number
                                   ? std::to_string(static_cast<long long>(format->number))
                               : format->kind == Value::Kind::string ? '"' + format->text + '"'
                                                                     : "of another kind") +
                   " is not one krvreplay reads (it reads format 1)";
        const Value* vessels = v.field("vessels");
        if (vessels == nullptr || vessels->kind != Value::Kind::array || vessels->items.empty())
            return "the header names no vessel";
        for (const Value& vessel : vessels->items) {
            const Value* name = vessel.field("name");
            if (name == nullptr || name->kind != Value::Kind::string)
                return "a vessel in the header has no name";
        }
        vessels_ = vessels->items.size();
        return {};
    }
    if (type->text == "header") return "a second header";
    const Value* t = v.field("t");
    if (t == nullptr || t->kind != Value::Kind::number || !std::isfinite(t->number))
        return "no time \"t\"";
    t_ = t->number;
    if (type->text != "step") return {};
    const Value* vessels = v.field("vessels");
    if (vessels == nullptr || vessels->kind != Value::Kind::array ||
        vessels->items.size() != vessels_)
        return "a step record not of the header's " + std::to_string(vessels_) + " vessel(s)";
    for (const Value& vessel : vessels->items)
        if (!numbers(vessel.field("pos_m"), 3) || !numbers(vessel.field("q"), 4))
            return "a vessel of the step has no position (pos_m) or attitude (q)";
    if (t->number < last_step_t_) return "a step earlier than the one before";
    last_step_t_ = t->number;
    ++steps_;
    return {};
}

std::string TraceCheck::finish() const {
    if (!header_seen_) return "empty: no trace header";
    if (steps_ == 0) return "no step records: nothing to show";
    return {};
}

}  // namespace standin
