#include "standin/run/stop_signal.h"

#include <csignal>

namespace standin {

namespace {

volatile std::sig_atomic_t g_received = 0;

extern "C" void note_signal(int signal) {
    g_received = signal;
}

int g_depth = 0;  // StopSignals alive; the outermost installs and restores
struct sigaction g_previous_int {};
struct sigaction g_previous_term {};

}  // namespace

StopSignals::StopSignals() {
    if (g_depth++ > 0) return;
    g_received = 0;
    struct sigaction action {};
    action.sa_handler = note_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_previous_int);
    sigaction(SIGTERM, &action, &g_previous_term);
}

StopSignals::~StopSignals() {
    if (--g_depth > 0) return;
    sigaction(SIGINT, &g_previous_int, nullptr);
    sigaction(SIGTERM, &g_previous_term, nullptr);
}

int StopSignals::received() {
    return g_received;
}

}  // namespace standin
