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

MdlCommandNumber table[] = {
    {attachRaster, 0x01010100},
    {detachRaster, 0x01010300},
    {detachAllRasters, 0x01010400},
    {unload, 0x01010500},
    {select, 0x01010600},
    {openMainDialog, 0x01010700},
    {writeBack, 0x01010800},
    {endEditing, 0x01010900},
    {about, 0x01010a00},
    {openSettingsDialog, 0x01010b00},
    {saveAs, 0x01010d00},
    {hostSaveAs, 0x01010e00},
    {manual, 0x01010f00},
    {move, 0x01020100},
    {copy, 0x01020200},
    {mirror, 0x01020300},
    {warp, 0x01020400},
    {rotate, 0x01020500},
    {rotateHorizontal, 0x01020600},
    {moveAttachment, 0x01020700},
    {modifyAttachment, 0x01020800},
    {deleteDynamicRectangle, 0x01030100},
    {deleteRectangle, 0x01030200},
    {deleteFence, 0x01030300},
    {smartDelete, 0x01030400},
    {smartDeleteCutLines, 0x01030500},
    {undo, 0x01040100},
    {redo, 0x01040200},
    {revert, 0x01040300},
    {recover, 0x01040400},
    {invert, 0x01040600},
    {nullptr, 0},
};

}  // namespace

MdlCommandNumber* commandNumbers() {
  return table;
}

}  // namespace pixmend::app
