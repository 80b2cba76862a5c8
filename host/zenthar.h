// Everything a vessel module builds against.
#pragma once

#include "host_export.h"
#include "keys.h"
#include "module_entry.h"
#include "sketchpad.h"
#include "transforms.h"
#include "types.h"
#include "vessel.h"
#include "zapi.h"
