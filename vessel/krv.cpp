#include "vessel/krv.h"

// Sets nothing of its own: the fields get their values in clbkSetupClass.
krv::krv(OBJHANDLE vessel, int flight_model) : VESSEL3(vessel, flight_model) {}
