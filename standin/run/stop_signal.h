// Ctrl-C and SIGTERM end a run at the end of its current step, with every
// output written: while a StopSignals lives, they only set a flag. Nested
// ones share the outermost's flag (krvsim's main holds one from its start).
#pragma once

namespace standin {

class StopSignals {
public:
    StopSignals();
    ~StopSignals();  // the previous handlers come back
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that asked to stop, or 0.
    static int received();
};

}  // namespace standin
