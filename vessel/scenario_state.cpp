#include "vessel/krv.h"

void krv::clbkSaveState(FILEHANDLE /*scenario*/) {}

void krv::clbkLoadState(FILEHANDLE /*scenario*/, void* /*status*/) {}
