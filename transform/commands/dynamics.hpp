// What the geometric commands draw under the cursor and leave in the host's element buffer.
#pragma once

#include "host/mdl.h"

namespace pixmend::app {

// Builds the line `from` -> `to` in the host's element buffer (dgnBuf) with colour 0, weight 0
// and style 0. False, after the OK box "The coordinates are beyond the design plane", when the
// host refuses its coordinates.
bool buildLine(const DPoint3d& from, const DPoint3d& to);

// Builds the closed outline of five `corners` (the first repeated last) in the element buffer,
// colour 0, weight 0, style 0. False when the host refuses it.
bool buildOutline(const DPoint3d corners[5]);

// Reset and the end of a command that goes on: the command starts again.
void restartCommand();

}  // namespace pixmend::app
