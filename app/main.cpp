// VXRaster's lifetime in the host: startUp runs the start-up (MdlMain, in entry.cpp, calls it),
// unloadApplication the shutdown (from the unload command or from the host).
//
// Start-up, in this order: the utility library for "VxPixmend", the version shown by the about
// box, the host's raster library, the parameter block, the host event handlers, the command
// table, the Save As hooks, the parameter block published, the main dialog, the user settings
// from "VXPixmend.upf", the user-interface block published, and the pull-down menu in front of
// the host's Settings menu. Shutdown saves the settings, removes the menu and, for the unload
// command, releases the active raster before the raster library is ended.
#include <cstring>

#include "app/backup.hpp"
#include "app/params.hpp"
#include "app/session.hpp"
#include "app/startup.hpp"
#include "bitmap/commands/commands.hpp"
#include "host/mdl.h"
#include "pixmend/vxlib.h"

namespace pixmend::app {
namespace {

// The host's Settings menu, in front of which the application's menu goes.
constexpr int kHostSettingsMenu = -522;
constexpr int kApplicationMenu = 1;
constexpr int kMainDialog = 1;

// The library's message "Out of memory." (list 20005, number 14).
constexpr int kErrorList = 20005;
constexpr int kOutOfMemoryMessage = 14;

// The records published to the dialogs: the host reads them through these pointer variables.
VxRasterParams parameterBlock;
VxRasterParams* VXRasterParamsP = nullptr;
UserInterfaceData* vxrUid = nullptr;

MenuBarMenu* insertedMenu = nullptr;
bool running = false;

// The utility library's own handler of the new-design-file event, which the application's
// handler replaces in that slot and therefore calls on.
using EventHandler = void (*)(const char*, int);
EventHandler libraryNewDesignHandler = nullptr;

void insertMenu() {
  MSDialog* window = mdlDialog_menuBarGetCmdWinP();
  if (window == nullptr) return;
  MenuBarMenu* before = mdlDialog_menuBarFindMenu(window, RTYPE_PULLDOWN, kHostSettingsMenu);
  insertedMenu = mdlDialog_menuBarInsMenu(window, before, RTYPE_PULLDOWN, kApplicationMenu, 0);
}

// Puts the menu back when a new design file finds it missing. Registered for the event first and
// replaced at once by the release handler: the menu is not restored on that event.
void restoreMenu(const char*, int state) {
  if (state != 1) return;
  MSDialog* window = mdlDialog_menuBarGetCmdWinP();
  if (window != nullptr && mdlDialog_menuBarFindMenu(window, RTYPE_PULLDOWN, kApplicationMenu) == nullptr)
    insertMenu();
}

// A new design file ends the editing session; the library then does its own new-design work
// (deferred functions such as an about box asked for before any design was open).
void newDesignFile(const char* fileName, int state) {
  releaseActiveRaster();
  if (libraryNewDesignHandler != nullptr) libraryNewDesignHandler(fileName, state);
}

int unloadHandler(int unloadType) {
  return unloadApplication(unloadType);
}

void registerEventHandlers() {
  libraryNewDesignHandler = reinterpret_cast<EventHandler>(
      mdlSystem_setFunction(SYSTEM_NEW_DESIGN_FILE, reinterpret_cast<void*>(restoreMenu)));
  mdlSystem_setFunction(SYSTEM_NEW_DESIGN_FILE, reinterpret_cast<void*>(newDesignFile));
  mdlSystem_setFunction(7, reinterpret_cast<void*>(releaseOnEvent));
  mdlSystem_setFunction(27, reinterpret_cast<void*>(releaseOnEvent));
  mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, reinterpret_cast<void*>(unloadHandler));
}

void loadCommandTable() {
  mdlSystem_registerCommandNumbers(commandNumbers());
  if (mdlParse_loadCommandTable(0) == nullptr) vxlibError_msgBoxPrintf(17, "Error reading command table");
}

void openUserSettings() {
  vxlibUpf_open(nullptr, nullptr, "VXPixmend.upf");
  vxrUid = static_cast<UserInterfaceData*>(
      vxlibMem_mallocRscErrorPrintf(kUserInterfaceSize, kErrorList, kOutOfMemoryMessage));
  // Without the block the application runs on: the settings dialog has nothing to show and
  // nothing is saved at the end.
  if (vxrUid != nullptr) loadUserSettings(*vxrUid);
}

}  // namespace

int startUp(int argc, char* argv[]) {
  vxlibMain_initVxLib("VxPixmend", argc, argv);
  vxlibIntro_setVersionNumber();
  mdlRaster_initialize();

  setStartupParams(parameterBlock);
  VXRasterParamsP = &parameterBlock;
  resetSession();

  registerEventHandlers();
  loadCommandTable();
  mdlDialog_hookPublish(kSaveAsHookCount, saveAsHooks());

  SymbolSet* symbols = mdlCExpression_initializeSet(4, 0, 0);
  mdlDialog_publishComplexPtr(symbols, "vxrasterparams", "VXRasterParamsP", &VXRasterParamsP);
  mdlDialog_open(0, kMainDialog);

  openUserSettings();
  mdlDialog_publishComplexPtr(symbols, "userInterfaceData", "vxrUid", &vxrUid);

  insertMenu();
  running = true;
  return 0;
}

VxRasterParams* params() {
  return VXRasterParamsP;
}
UserInterfaceData* userInterface() {
  return vxrUid;
}

int unloadApplication(int unloadType) {
  // The unload command has done everything already when the host's unload follows it.
  if (!running) return unloadType < 0 ? 0 : 1;
  running = false;
  // A smart selection open in a command: its overlay raster and temporary file go before the
  // application does (the host does not end the command first when it unloads it).
  commands::discardSmartSelection();

  if (vxrUid != nullptr) {
    keepTemporaryFolder();  // a raster released below may need it for its edits
    saveUserSettings(*vxrUid);
    dlmSystem_mdlFree(vxrUid);
    vxrUid = nullptr;
  }
  vxlibUpf_close();

  if (insertedMenu != nullptr) {
    mdlDialog_menuBarDeleteMenu(insertedMenu, mdlDialog_menuBarGetCmdWinP(), 0, 0);
    insertedMenu = nullptr;
  }

  if (unloadType < 0) {
    releaseActiveRaster();
    endSessionOnUnload();  // what a failed write left behind, and the undo store
    mdlRaster_terminate();
    mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, nullptr);
    mdlDialog_cmdNumberQueue(0, CMD_MDL_UNLOAD, mdlSystem_getCurrTaskID(), 1);
    mdlState_startDefaultCommand();
    return 0;
  }
  // The host is unloading the application: a loaded raster is written back and released as far
  // as the host still allows, and the session's blocks are freed with the application.
  endSessionOnUnload();
  mdlRaster_terminate();
  mdlSystem_exit(0, 1);
  return 1;
}

}  // namespace pixmend::app
