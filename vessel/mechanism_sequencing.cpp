#include "vessel/krv.h"

int krv::clbkConsumeBufferedKey(std::uint32_t /*key*/, bool /*down*/, char* /*kstate*/) {
    return 0;
}

void krv::ToggleAnt() {}
void krv::ToggleSolp() {}
void krv::ToggleLid() {}

void krv::clbkPostStep(double /*simt*/, double /*simdt*/, double /*mjd*/) {}

void krv::clbkAfterCreation() {}
