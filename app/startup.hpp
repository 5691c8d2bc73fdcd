// What the application's start-up, commands and shutdown share inside VXRaster.
#pragma once

#include <cstddef>

#include "app/params.hpp"
#include "host/mdl.h"

namespace pixmend::app {

// ---- settings.cpp: the user-interface block --------------------------------------------------
// The default temporary folder: "MS_TMP" expanded and taken whole; when it is not defined (or
// does not fit), the user's own temporary folder (the cache folder in the user's home, made
// when missing; see settings.cpp), ending in '/'. Never a folder that all users share.
void defaultTempDirectory(char* out, std::size_t size);
// Makes the user's own temporary folder again when `directory` is that folder and it has gone
// (a cleaned cache); any other folder is the user's choice and left as it is.
void prepareTempDirectory(const char* directory);
void setDefaultUserSettings(UserInterfaceData& data);
// Reads the block from the open preference file, or fills in the defaults when there is no
// record of the right size (a missing record is not an error: the first save creates it).
void loadUserSettings(UserInterfaceData& data);
// Writes the block to the preference file: 0, or the library's failure value.
int saveUserSettings(const UserInterfaceData& data);

// ---- commands.cpp: the command numbers and their functions -----------------------------------
// The table given to mdlSystem_registerCommandNumbers, ended by a null entry.
MdlCommandNumber* commandNumbers();

// ---- saveas.cpp: the Save As dialog's hooks ----------------------------------------------------
constexpr int kSaveAsHookCount = 5;
const DialogHookInfo* saveAsHooks();
// The Save As name with the extension of file type `fileType` (3 TIFF, 13 RLE, 19 CIT) into
// `out` (`size` bytes). False, with `out` untouched, for another type or when it does not fit.
bool nameWithTypeExtension(char* out, std::size_t size, const char* name, int fileType);

// ---- main.cpp: start-up and shutdown -----------------------------------------------------------
// The start-up MdlMain runs (entry.cpp): 0.
int startUp(int argc, char* argv[]);

// Saves the user settings, closes the preference file and removes the menu. A negative
// `unloadType` is the unload command: the active raster is released, the raster library ended
// and the host asked to unload the application (0). Otherwise the host is unloading it: the
// raster library is ended and the application leaves (1).
int unloadApplication(int unloadType);

}  // namespace pixmend::app
