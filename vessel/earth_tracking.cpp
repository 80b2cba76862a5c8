#include "vessel/krv.h"

void krv::TrackEarth() {}
