// A HUD frame as an SVG picture at the HUD's real size.
#pragma once

#include <string>

#include "standin/snapshot/hud_frame.h"

namespace standin {

std::string hud_svg(const HudFrame& frame);

}  // namespace standin
