// The command table: every command number of VXRaster and the function it runs. The key-in
// words for the numbers are in the resource file (resources/vxraster/commands.json).
//
// Commands that work on the raster begin with ensureActiveRaster and stop when it fails. The
// editing commands whose work is not built yet say so in message field 1 ("Raster copy is not
// available in this version"), never silently doing nothing.
#include <cstdio>
#include <cstring>

#include "app/params.hpp"
#include "app/session.hpp"
#include "app/startup.hpp"
#include "host/mdl.h"
#include "pixmend/vxlib.h"

namespace pixmend::app {
namespace {

constexpr int kMainDialog = 1;
constexpr int kSaveAsDialog = 2;
constexpr int kSettingsDialog = 4;

void notAvailable(const char* what) {
  mdlOutput_printf(MSG_ERROR, "%s is not available in this version", what);
}

// The host's OK box, in which the attachment and backup commands show their refusals.
void okBox(const char* text, int icon) {
  mdlDialog_openMessageBox(MSGBOX_OK, text, icon);
}

bool askYesNo(const char* text, int icon) {
  return mdlDialog_openMessageBox(MSGBOX_YESNO, text, icon) == ACTIONBUTTON_YES;
}

// Opens one of the application's dialogs, or leaves it as it is when it is open already (a
// second copy would only show the same settings twice).
void openDialogOnce(int dialogId) {
  if (mdlDialog_find(dialogId, nullptr) == nullptr) mdlDialog_open(0, dialogId);
}

// ---- The application frame ---------------------------------------------------------------------

void attachRaster(char*) {
  mdlInput_sendKeyin("raster attach interactive", 0, 0, nullptr);
}

void detachRaster(char*) {
  if (countAttachedRasters() == 0) {
    okBox("No raster attached", 4);
    return;
  }
  notAvailable("Raster detach");
}

void detachAllRasters(char*) {
  if (!askYesNo("Are you sure you want to detach ALL raster reference files?", 2)) return;
  if (countAttachedRasters() == 0) {
    okBox("No raster attached", 4);
    return;
  }
  if (activeRaster().loaded != 0) releaseActiveRaster();
  mdlInput_sendKeyin("raster detach all", 0, 0, nullptr);
}

void unload(char*) {
  unloadApplication(-1);
}

void selectRaster(char*) {
  const int count = countAttachedRasters();
  if (activeRaster().loaded == 0) {
    if (count == 0) {
      mdlOutput_printf(MSG_ERROR, "No raster attached");
    } else {
      ensureActiveRaster();  // one attachment is loaded, several are offered for a pick
    }
    return;
  }
  if (count <= 1) return;
  releaseActiveRaster();
  ensureActiveRaster();
}

void openMainDialog(char*) {
  openDialogOnce(kMainDialog);
}

void writeBack(char*) {
  if (!ensureActiveRaster()) return;
  notAvailable("Write back");
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
  if (!ensureActiveRaster()) return;
  if (mdlDialog_find(kSaveAsDialog, nullptr) == nullptr) mdlDialog_open(0, kSaveAsDialog);
}

void hostSaveAs(char*) {
  if (countAttachedRasters() == 0) return;
  if (activeRaster().loaded != 0) releaseActiveRaster();
  mdlInput_sendKeyin("imgmanager file saveas", 1, -1, nullptr);
  mdlInput_sendResume(-1);
  mdlInput_waitForMessage();
}

// Opens the user's manual, "doc/manual/vxpixmend.pdf" under VX_DIR, with the desktop's program
// for it. Nothing happens while VX_DIR is not defined (or empty); a VX_DIR without its final '/'
// gets one, as the library's help does.
void manual(char*) {
  char* directory = mdlSystem_getExpandedCfgVar("VX_DIR");
  if (directory == nullptr) return;
  if (*directory != '\0') {
    const std::size_t length = std::strlen(directory);
    const char* separator = directory[length - 1] == '/' ? "" : "/";
    char path[MAXFILELENGTH] = {};
    char found[MAXFILELENGTH] = {};
    const int written =
        std::snprintf(path, sizeof path, "%s%sdoc/manual/vxpixmend.pdf", directory, separator);
    if (written > 0 && static_cast<std::size_t>(written) < sizeof path &&
        mdlFile_find(found, path, nullptr, nullptr) == 0) {
      vxlibExternal_openFile(found);
    } else {
      mdlOutput_messageCenter(10, "Cannot open VXPixmend User's manual",
                              "Cannot open VXPixmend User's manual. File is missing.", 1);
    }
  }
  dlmSystem_mdlFree(directory);
}

// ---- Editing commands ----------------------------------------------------------------------------

void move(char*) {
  if (!ensureActiveRaster()) return;
  notAvailable("Raster move");
}

void copy(char*) {
  if (!ensureActiveRaster()) return;
  notAvailable("Raster copy");
}

void mirror(char*) {
  if (!ensureActiveRaster()) return;
  notAvailable("Raster mirror");
}

void warp(char*) {
  if (!ensureActiveRaster()) return;
  notAvailable("Raster warp");
}

void rotate(char*) {
  if (!ensureActiveRaster()) return;
  notAvailable("Raster rotate");
}

void rotateHorizontal(char*) {
  if (!ensureActiveRaster()) return;
  notAvailable("Raster rotate to horizontal");
}

void moveAttachment(char*) {
  if (!ensureActiveRaster()) return;
  notAvailable("Move raster attachment");
}

void modifyAttachment(char*) {
  mdlInput_sendKeyin("raster modify", 0, 0, nullptr);
}

void deleteDynamicRectangle(char*) {
  if (!ensureActiveRaster()) return;
  notAvailable("Delete dynamic rectangle");
}

void deleteRectangle(char*) {
  if (!ensureActiveRaster()) return;
  notAvailable("Delete rectangle");
}

void deleteFence(char*) {
  if (!ensureActiveRaster()) return;
  notAvailable("Delete fence contents");
}

void smartDelete(char*) {
  if (!ensureActiveRaster()) return;
  notAvailable("Smart delete");
}

void smartDeleteCutLines(char*) {
  if (!ensureActiveRaster()) return;
  notAvailable("Smart delete with cut lines");
}

// ---- Undo, backup, display ------------------------------------------------------------------------

// Undo, redo and revert work on a loaded raster only.
bool rasterActivated() {
  if (activeRaster().loaded != 0) return true;
  mdlOutput_printf(MSG_ERROR, "No raster is activated");
  return false;
}

void undo(char*) {
  if (!rasterActivated()) return;
  notAvailable("Undo raster");
}

void redo(char*) {
  if (!rasterActivated()) return;
  notAvailable("Redo raster");
}

void revert(char*) {
  if (!rasterActivated()) return;
  notAvailable("Revert raster");
}

void recover(char*) {
  if (countAttachedRasters() == 0) {
    okBox("No raster to recover", 3);
    return;
  }
  notAvailable("Recover raster");
}

void invert(char*) {
  if (activeRaster().loaded == 0 && countAttachedRasters() == 0) return;
  notAvailable("Raster invert");
}

MdlCommandNumber table[] = {
    {attachRaster, 0x01010100},
    {detachRaster, 0x01010300},
    {detachAllRasters, 0x01010400},
    {unload, 0x01010500},
    {selectRaster, 0x01010600},
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
