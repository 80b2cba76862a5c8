// A progress bar on standard error for runs that take more than a second;
// silent when standard error is not a terminal.
#pragma once

#include <chrono>
#include <cstdio>

namespace standin {

class ProgressBar {
public:
    // from and to: the simulation times [s] of the run's start and end.
    ProgressBar(double from, double to, bool wanted);
    void update(double now);
    // Wipes the bar off its line before other output; the next update
    // draws it again.
    void clear();
    // The bar at 100 %, then a new line.
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    void draw(double now, Clock::time_point wall);
    double from_, to_;
    bool enabled_;
    bool shown_ = false;
    bool on_line_ = false;
    double last_now_ = 0.0;
    Clock::time_point start_;
    Clock::time_point last_;
};

}  // namespace standin
