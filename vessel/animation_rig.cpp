#include "vessel/krv.h"

void krv::DefineAnimations() {}
