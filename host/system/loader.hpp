// Loading and unloading applications, and the host events delivered to their event slots.
#pragma once

#include <string>
#include <vector>

#include "host/system/registry.hpp"

namespace pixmend::host {

struct LoadResult {
  Application* app = nullptr;  // null on failure
  int status = 0;              // 0, or the MDLERR_ value of mdlSystem_loadMdlProgram
  std::string error;           // what went wrong, for the user
};

// The directories searched for applications: the value of MS_MDLAPPS (';' or ':' separated)
// when it is defined, else the lib/ folder beside the running program and the folder of the
// host library.
std::vector<std::string> applicationSearchPath();

// The library file for a name (a path when it contains '/'; otherwise NAME, libNAME.so or
// NAME.so in each search directory), or "" when there is none.
std::string findApplicationLibrary(const std::string& name);

// Loads `name` and runs its MdlMain with argv = {library path, args...}. An application loaded
// already is returned as it is. Journals "system: load NAME" (or why it failed).
LoadResult loadApplication(const std::string& name, const std::vector<std::string>& args);

// Unloads: calls the application's slot-2 handler with `unloadType` (unless it is unloading
// already), forgets its state in every group and closes its library. While its code is running
// (an AppScope for it is open) the unload is deferred until control is back in the host.
// Journals "system: unload NAME".
void unloadApplication(Application* app, int unloadType);

// Unloads every application, newest first (the end of a session).
void unloadAllApplications(int unloadType);

// Delivers a host event to every application with a handler in `slot` (load order), each inside
// its AppScope. Slot 2 is not raised this way (see unloadApplication). Journals
// "event: SLOT TEXT STATE". Returns the number of handlers called.
int raiseSystemEvent(int slot, const std::string& text, int state);

// True once mdlSystem_exit was called while no application ran: the session should end.
bool hostExitRequested();

}  // namespace pixmend::host
