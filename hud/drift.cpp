#include "vessel/krv.h"

void krv::UpdateDrift() {}
