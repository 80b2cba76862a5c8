#include "standin/run/stop_signal.h"

#include <csignal>

namespace standin {

namespace {

volatile std::sig_atomic_t g_received = 0;

extern "C" void note_signal(int signal) {
    g_received = signal;
}

struct sigaction g_previous_int {};
struct sigaction g_previous_term {};

}  // namespace

StopSignals::StopSignals() {
    g_received = 0;
    struct sigaction action {};
    action.sa_handler = note_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_previous_int);
    sigaction(SIGTERM, &action, &g_previous_term);
}

StopSignals::~StopSignals() {
    sigaction(SIGINT, &g_previous_int, nullptr);
    sigaction(SIGTERM, &g_previous_term, nullptr);
}

int StopSignals::received() {
    return g_received;
}

}  // namespace standin
