// The host's record of a loaded application and the registry's own calls (adding, removing,
// hooks run at unload). The public view of applications is application.hpp; this header is for
// the host's groups that keep per-application state.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "host/system/application.hpp"

// The MDL descriptor. Descriptors are never freed while the process lives: an application may
// keep one after the other has been unloaded, and asking the host about it must stay safe.
struct MdlDesc {
  pixmend::host::Application* app = nullptr;  // null once the application is unloaded
  int processNumber = 0;
};

namespace pixmend::host {

struct Application {
  std::string name;          // as derived from the library file, e.g. "VXRaster"
  std::string path;          // the loaded library, or "" for an application without one
  std::string resourcePath;  // <dir>/<name>.rsc when that file exists, else ""
  std::string taskId;        // the name in capitals: the argument of the unload command
  MdlDesc* desc = nullptr;
  int processNumber = 0;
  void* library = nullptr;  // dlopen handle
  std::array<unsigned char, 4> version{};
  bool unloading = false;              // unload under way: its handlers are no longer called
  bool exitRequested = false;          // mdlSystem_exit was called: unload once control is back
  int exitUnloadType = 0;              // the slot-2 argument of that deferred unload
  int activeScopes = 0;                // AppScopes open for it: its code may be on the stack
  std::map<int, void*> eventSlots;     // mdlSystem_setFunction
  std::vector<std::string> arguments;  // argv of MdlMain, kept while the application lives
  std::vector<char*> argv;
};

// Registers an application record without loading a library: the host's own use and tests
// ("an application named NAME whose resource file is RSC"). The record is owned by the registry.
Application* addApplication(const std::string& name, const std::string& path,
                            const std::string& resourcePath);

// Runs the unload hooks for `app` (so every group forgets its state for it), removes it from the
// registry, marks its descriptor dead and closes its library. Does not call its slot-2 handler;
// see unloadApplication in loader.hpp for the whole unload.
void removeApplication(Application* app);

// A hook run for every application that is removed, before its library is closed. Groups that
// keep per-application state (handlers, published records, timers, open files) register one.
bool registerUnloadHook(std::string_view name, std::function<void(Application*)> hook);

// The descriptor for a process number, live or not (null when never issued).
MdlDesc* descriptorForProcessNumber(int processNumber);

}  // namespace pixmend::host
