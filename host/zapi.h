// Free functions of the host: the library frame, the world and scenarios.
#pragma once

#include "host_export.h"
#include "types.h"

// Called by a module once when it is loaded, with its own instance.
HOSTAPI void InitLib(MODULEINSTANCE instance);

// Converts a date in the compiler's form ("Aug 28 2016") to an integer
// version number; 0 for a text that is not such a date.
HOSTAPI int Date2Int(char* date);

// Answers the handle of the object of that name, or null if none.
HOSTAPI OBJHANDLE zapiGetObjectByName(char* name);

// Writes the object's position in the global frame to *pos.
HOSTAPI void zapiGetGlobalPos(OBJHANDLE object, VECTOR3* pos);

// The planet's current rotation angle about its axis [rad].
HOSTAPI double zapiGetPlanetCurrentRotation(OBJHANDLE planet);

// The simulation date as a modified Julian date [days].
HOSTAPI double zapiGetSimMJD();

// The simulation time since the session started [s].
HOSTAPI double zapiGetSimTime();

// Registers an exhaust texture by its installation name.
HOSTAPI SURFHANDLE zapiRegisterExhaustTexture(char* name);

// Sets line to the next line of the vessel's scenario block and answers
// true, or answers false at the end of the block. The text belongs to the
// host and stays valid until the next call.
HOSTAPI bool zapiReadScenario_nextline(FILEHANDLE file, char*& line);

// Writes one line, the key followed by the value text, to the block.
HOSTAPI void zapiWriteScenario_string(FILEHANDLE file, char* key, char* value);
