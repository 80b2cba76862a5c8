#include "standin/outputs/progress_bar.h"

#include <unistd.h>

#include <algorithm>

namespace standin {

ProgressBar::ProgressBar(double from, double to, bool wanted)
    : from_(from),
      to_(to),
      enabled_(wanted && isatty(STDERR_FILENO) == 1),
      start_(Clock::now()),
      last_(start_) {}

void ProgressBar::update(double now) {
    if (!enabled_) return;
    last_now_ = now;
    const auto wall = Clock::now();
    // Short runs stay quiet; a long one redraws some ten times a second.
    if (wall - start_ < std::chrono::seconds(1)) return;
    if (on_line_ && wall - last_ < std::chrono::milliseconds(100)) return;
    draw(now, wall);
}

void ProgressBar::draw(double now, Clock::time_point wall) {
    last_ = wall;
    shown_ = true;
    on_line_ = true;
    const double f = to_ > from_ ? std::clamp((now - from_) / (to_ - from_), 0.0, 1.0) : 1.0;
    constexpr int kWidth = 40;
    const int filled = static_cast<int>(f * kWidth);
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
    bar[kWidth] = '\0';
    const double elapsed = std::chrono::duration<double>(wall - start_).count();
    std::fprintf(stderr, "\r[%s] %5.1f%%  t = %.0f s  %.0f s elapsed", bar, 100.0 * f, now,
                 elapsed);
    std::fflush(stderr);
}

void ProgressBar::clear() {
    if (!on_line_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    on_line_ = false;
}

void ProgressBar::finish() {
    if (shown_) {
        draw(to_, Clock::now());
        std::fputs("\n", stderr);
    }
    shown_ = false;
    on_line_ = false;
}

}  // namespace standin
