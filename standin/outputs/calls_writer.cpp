#include "standin/outputs/calls_writer.h"

#include <cinttypes>
#include <stdexcept>

#include "standin/json/json_text.h"

namespace standin {

namespace {

void append(std::string& out, const Arg& arg) {
    struct Visitor {
        std::string& out;
        void operator()(std::int64_t v) const { out += std::to_string(v); }
        void operator()(bool v) const { out += v ? "true" : "false"; }
        void operator()(double v) const { append_json_number(out, v); }
        void operator()(const void* p) const {
            if (p == nullptr) {
                out += "null";
                return;
            }
            char buf[32];
            std::snprintf(buf, sizeof buf, "\"0x%" PRIxPTR "\"",
                          reinterpret_cast<std::uintptr_t>(p));
            out += buf;
        }
        void operator()(const std::string& s) const { out += json_string(s); }
        void operator()(const VECTOR3& v) const { append_json_vector(out, v); }
    };
    std::visit(Visitor{out}, arg);
}

}  // namespace

std::string call_json(const HostCall& call) {
    std::string out = "{\"t\":";
    append_json_number(out, call.t);
    out += ",\"vessel\":";
    out += call.caller.empty() ? "null" : json_string(call.caller);
    out += ",\"call\":" + json_string(call.name) + ",\"args\":{";
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        if (i > 0) out += ',';
        out +=
            json_string(i < call.arg_names.size() ? call.arg_names[i] : "arg" + std::to_string(i));
        out += ':';
        append(out, call.args[i]);
    }
    out += '}';
    if (call.returned) {
        out += ",\"result\":";
        append(out, *call.returned);
    }
    if (!call.answers.empty()) {
        out += ",\"answers\":{";
        for (std::size_t i = 0; i < call.answers.size(); ++i) {
            if (i > 0) out += ',';
            out += json_string(call.answers[i].name) + ':';
            append(out, call.answers[i].value);
        }
        out += '}';
    }
    return out + '}';
}

CallsWriter::CallsWriter(const std::string& path) : file_("--calls", path) {}

void CallsWriter::write(const CallLog& log) {
    for (const HostCall& call : log.calls()) {
        const std::string line = call_json(call) + '\n';
        std::fwrite(line.data(), 1, line.size(), file_.get());
    }
}

void CallsWriter::close() {
    file_.commit();
}

}  // namespace standin
