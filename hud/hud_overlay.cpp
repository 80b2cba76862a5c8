#include "vessel/krv.h"

bool krv::clbkDrawHUD(int /*mode*/, const HUDPAINTSPEC* /*hps*/, zapi::Sketchpad* /*skp*/) {
    return false;
}
