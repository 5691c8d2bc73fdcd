// The fence in the copy, move and delete commands:
//   fenceFromPoint   the fence mode of copy and move: the fence's content is picked up at the
//                    from point and placed once, then the command starts again
//   fenceErase       the fence's content erased and written back (a fence move's source, and
//                    the delete fence content command)
#pragma once

#include "host/mdl.h"

namespace pixmend::commands {

// The first data point of copy or move in fence mode (copyMoveMode 4), the from point. `move`
// erases the fence's content before the piece is placed. The reset handler stays the command's
// start; a fence of fewer than three vertices, or one beside the raster, starts it again.
void fenceFromPoint(DPoint3d* point, bool move);

// Displays the fence's shape in draw mode 1, pushes the undo state, erases the pixels inside the
// fence, says "Delete fence content", writes the raster back and asks for the current command to
// start again. False, with nothing changed, when there is no fence of three vertices or more.
bool fenceErase();

}  // namespace pixmend::commands
