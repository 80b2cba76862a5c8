#include "standin/run/stop_signal.h"

#include <csignal>

namespace standin {

namespace {

volatile std::sig_atomic_t g_received = 0;

extern "C" void note_signal(int signal) {
    g_received = signal;
}

int g_depth = 0;  // StopSignals alive; the outermost installs and restores

#if defined(_WIN32)
// Windows has no sigaction; its C runtime maps Ctrl-C to SIGINT.
void (*g_previous_int)(int) = SIG_DFL;
void (*g_previous_term)(int) = SIG_DFL;

void install() {
    g_previous_int = std::signal(SIGINT, note_signal);
    g_previous_term = std::signal(SIGTERM, note_signal);
}

void restore() {
    std::signal(SIGINT, g_previous_int);
    std::signal(SIGTERM, g_previous_term);
}
#else
struct sigaction g_previous_int {};
struct sigaction g_previous_term {};

void install() {
    struct sigaction action {};
    action.sa_handler = note_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_previous_int);
    sigaction(SIGTERM, &action, &g_previous_term);
}

void restore() {
    sigaction(SIGINT, &g_previous_int, nullptr);
    sigaction(SIGTERM, &g_previous_term, nullptr);
}
#endif

}  // namespace

StopSignals::StopSignals() {
    if (g_depth++ > 0) return;
    g_received = 0;
    install();
}

StopSignals::~StopSignals() {
    if (--g_depth > 0) return;
    restore();
}

int StopSignals::received() {
    return g_received;
}

}  // namespace standin
