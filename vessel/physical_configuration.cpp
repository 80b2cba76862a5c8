#include "vessel/krv.h"

void krv::clbkSetupClass(FILEHANDLE /*config*/) {}
