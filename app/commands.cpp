// The command table: every command number of VXRaster and the function it runs. The key-in
// words for the numbers are in the resource file (resources/vxraster/commands.json).
//
// Commands that work on the raster begin with ensureActiveRaster and stop when it fails. The
// raster session, undo and backup, and the attachment commands are in session.cpp, undo.cpp,
// attachments.cpp and saveas.cpp; the copy, move and delete commands in bitmap/commands/, the
// rotate, mirror and warp commands in transform/commands/.
#include "app/attachments.hpp"
#include "app/params.hpp"
#include "app/session.hpp"
#include "app/startup.hpp"
#include "app/undo.hpp"
#include "bitmap/commands/commands.hpp"
#include "host/mdl.h"
#include "pixmend/vxlib.h"
#include "transform/commands/commands.hpp"

namespace pixmend::app {
namespace {

constexpr int kMainDialog = 1;
constexpr int kSettingsDialog = 4;

// Opens one of the application's dialogs, or leaves it as it is when it is open already (a
// second copy would only show the same settings twice).
void openDialogOnce(int dialogId) {
  if (mdlDialog_find(dialogId, nullptr) == nullptr) mdlDialog_open(0, dialogId);
}

// ---- The application frame ---------------------------------------------------------------------

void attachRaster(char*) {
  attachRasterCommand();
}

void detachRaster(char*) {
  detachRasterCommand();
}

void detachAllRasters(char*) {
  detachAllRastersCommand();
}

void unload(char*) {
  unloadApplication(-1);
}

void select(char*) {
  selectRaster();
}

void openMainDialog(char*) {
  openDialogOnce(kMainDialog);
}

void writeBack(char*) {
  if (ensureActiveRaster()) writeBackActiveRaster();
}

void endEditing(char*) {
  if (activeRaster().loaded != 0) releaseActiveRaster();
}

void about(char*) {
  vxlibIntro_msgBoxNew("Pixmend", "03.08 - 09.04.2010", "Raster", "editing tools", "for", "MicroStation V8",
                       "User settings:", vxlibUpf_getUpfFileName(), nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, 0);
}

void openSettingsDialog(char*) {
  openDialogOnce(kSettingsDialog);
}

void saveAs(char*) {
  saveAsCommand();
}

void hostSaveAs(char*) {
  hostSaveAsCommand();
}

void manual(char*) {
  manualCommand();
}

// ---- Editing commands ----------------------------------------------------------------------------

// Runs an editing command's start once a raster is loaded.
void whenLoaded(void (*start)()) {
  if (ensureActiveRaster()) start();
}

void move(char*) {
  whenLoaded(commands::moveStart);
}

void copy(char*) {
  whenLoaded(commands::copyStart);
}

void mirror(char*) {
  mirrorCommand();
}

void warp(char*) {
  warpCommand();
}

void rotate(char*) {
  rotateCommand();
}

void rotateHorizontal(char*) {
  rotateHorizontalCommand();
}

void moveAttachment(char*) {
  moveAttachmentCommand();
}

void modifyAttachment(char*) {
  modifyAttachmentCommand();
}

void deleteDynamicRectangle(char*) {
  whenLoaded(commands::deleteDynamicRectangleStart);
}

void deleteRectangle(char*) {
  whenLoaded(commands::deleteRectangleStart);
}

void deleteFence(char*) {
  whenLoaded(commands::deleteFenceStart);
}

void smartDelete(char*) {
  whenLoaded(commands::smartDeleteStart);
}

void smartDeleteCutLines(char*) {
  whenLoaded(commands::smartDeleteCutLinesStart);
}

// ---- Undo, backup, display ------------------------------------------------------------------------

void undo(char*) {
  undoEdit();
}

void redo(char*) {
  redoEdit();
}

void revert(char*) {
  revertToBackup();
}

void recover(char*) {
  recoverFromBackup();
}

void invert(char*) {
  toggleRasterInvert();
}

// The command numbers, each with the key-in its command table (resources/vxraster/commands.json)
// binds to it.
MdlCommandNumber table[] = {
    {attachRaster, 0x01010100},            // vxraster attach
    {detachRaster, 0x01010300},            // vxraster detach
    {detachAllRasters, 0x01010400},        // vxraster detach all
    {unload, 0x01010500},                  // vxraster unload
    {select, 0x01010600},                  // vxraster select
    {openMainDialog, 0x01010700},          // vxraster dialog
    {writeBack, 0x01010800},               // vxraster write
    {endEditing, 0x01010900},              // vxraster end
    {about, 0x01010a00},                   // vxraster about
    {openSettingsDialog, 0x01010b00},      // vxraster settings
    {saveAs, 0x01010d00},                  // vxraster save as
    {hostSaveAs, 0x01010e00},              // vxraster host save as
    {manual, 0x01010f00},                  // vxraster manual
    {move, 0x01020100},                    // vxraster move
    {copy, 0x01020200},                    // vxraster copy
    {mirror, 0x01020300},                  // vxraster mirror
    {warp, 0x01020400},                    // vxraster warp
    {rotate, 0x01020500},                  // vxraster rotate
    {rotateHorizontal, 0x01020600},        // vxraster rotate horizontal
    {moveAttachment, 0x01020700},          // vxraster move attachment
    {modifyAttachment, 0x01020800},        // vxraster modify attachment
    {deleteDynamicRectangle, 0x01030100},  // vxraster delete dynamic
    {deleteRectangle, 0x01030200},         // vxraster delete rectangle
    {deleteFence, 0x01030300},             // vxraster delete fence
    {smartDelete, 0x01030400},             // vxraster delete smart
    {smartDeleteCutLines, 0x01030500},     // vxraster delete smart cut
    {undo, 0x01040100},                    // vxraster undo
    {redo, 0x01040200},                    // vxraster redo
    {revert, 0x01040300},                  // vxraster revert
    {recover, 0x01040400},                 // vxraster recover
    {invert, 0x01040600},                  // vxraster invert
    {nullptr, 0},
};

}  // namespace

MdlCommandNumber* commandNumbers() {
  return table;
}

}  // namespace pixmend::app
