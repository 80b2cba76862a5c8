// The host calls a module made, for users: JSON Lines, one object per call.
#pragma once

#include <cstdio>
#include <string>

#include "standin/core/call_log.h"
#include "standin/outputs/output_file.h"

namespace standin {

// One call as a line of JSON, without the newline: {"t":…, "vessel":…,
// "call":…, "args":{…}, "result":…, "answers":{…}}. "result" is left out
// for an operation without one, "answers" when it wrote through none of
// its parameters. Vectors are [x,y,z]; handles and other addresses are
// strings "0x…" (null when null); numbers round-trip exactly.
std::string call_json(const HostCall& call);

class CallsWriter {
public:
    // path "-": standard output. Throws std::runtime_error when the file
    // cannot be written.
    explicit CallsWriter(const std::string& path);
    ~CallsWriter() = default;  // the file left out unless close() was reached
    CallsWriter(const CallsWriter&) = delete;
    CallsWriter& operator=(const CallsWriter&) = delete;

    // Writes the calls the log holds, in order.
    void write(const CallLog& log);
    // The file appears, whole, only now. Throws std::runtime_error when
    // anything written was lost.
    void close();

private:
    OutputFile file_;
};

}  // namespace standin
