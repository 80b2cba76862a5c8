// A live flight (krvsim --live): the batch loop paced by the wall clock,
// served to pages whose orders it takes at step boundaries.
#pragma once

#include <cstdio>

#include "standin/run/options.h"

namespace standin {

// A live flight's state beside the schedules: the page's warp and pause.
struct LiveState {
    double warp = 1.0;
    bool paused = false;
};

class Flight;

#if defined(KRV_WITH_LIVE)
// The flight, prepared and begun, flown until --until or a signal; the
// steps it took. Throws std::runtime_error naming --live when it cannot serve.
long fly_live(Flight& flight, const Options& o, std::FILE* err);
#endif

}  // namespace standin
