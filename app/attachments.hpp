// The commands on the raster attachments themselves: attaching and detaching, moving an
// attachment by two points, handing over to the host's raster commands, Save As, and the
// user's manual.
#pragma once

#include <string>

#include "host/mdl.h"

namespace pixmend::app {

// The host's own commands, by key-in.
void attachRasterCommand();      // "raster attach interactive"
void modifyAttachmentCommand();  // "raster modify"

// Asks, releases the raster if it is loaded (its edits written first) and detaches it. Nothing is
// detached while the edits of a loaded raster cannot be written.
void detachRasterCommand();
// Asks, releases a loaded raster, then has the host detach every raster.
void detachAllRastersCommand();
// Releases a loaded raster and hands over to the host image manager's Save As.
void hostSaveAsCommand();
// Loads the raster if needed and opens the Save As dialog (dialog 2) unless it is open.
void saveAsCommand();
// Moves the active raster's attachment by two points (from, to), as often as the user likes;
// each move can be undone.
void moveAttachmentCommand();
// Opens "doc/manual/vxpixmend.pdf" under VX_DIR with the desktop's program for it.
void manualCommand();

// ---- Save As (app/saveas.cpp) -------------------------------------------------------------------

// Where Save As writes the name typed, `name`:
// - "NAME:rest" with NAME a defined configuration variable: its value (a '/' added when it has
//   none at its end), then the rest's directory, name and extension;
// - a name without a directory: in the design's folder, the value of "_DGNDIR" (the current
//   folder while no design file is open);
// - anything else as typed.
// False when the result does not fit a raster file name.
bool saveAsTarget(const char* name, std::string* target);

// The Save As itself (the dialog's OK button): the bitmap written to the target in the chosen
// type, the attachment replaced by one of the new file with the old placement and look, the
// raster released. On failure the raster stays loaded and the dialog open, so the user can put
// the name right. True when saved.
bool saveActiveRasterAs(MSDialog* dialog);

}  // namespace pixmend::app
