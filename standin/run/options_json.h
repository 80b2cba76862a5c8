// Every option of a run as one JSON object, as the trace's header shows it.
#pragma once

#include <string>

#include "standin/run/options.h"

namespace standin {

std::string options_json(const Options& o);

}  // namespace standin
