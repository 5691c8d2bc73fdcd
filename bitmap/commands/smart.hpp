// The smart commands' entry points, for the command table (app/commands.cpp) and the copy and
// move start. Each expects a loaded raster (ensureActiveRaster has succeeded).
#pragma once

namespace pixmend::commands {

// Smart copy or move (`copyMoveMode` 1, or 2 with cut lines): prompts and starts the selection.
void startSmartCopyMove(bool move, bool withCutLines);
// Drops a live smart selection: its overlay raster and temporary file, its piece, its
// selection state. Harmless when there is none.
void discardSmartSelection();

// Smart delete, and smart delete with cut lines.
void startSmartDelete();
void startSmartDeleteWithCutLines();

}  // namespace pixmend::commands
