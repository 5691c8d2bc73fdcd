// Loaded applications as the host sees them, and the "current application": the one whose code
// the host is running. Every call from the host into an application (MdlMain, event slots,
// state-machine handlers, dialog hooks, timers, dlmSystem_callAnyFunction) runs inside an
// AppScope, so host calls made by that code see the right MDL descriptor and resource files.
//
// (Contract shared by the host groups; implemented in host/system/.)
#pragma once

#include <string>
#include <string_view>
#include <vector>

extern "C" {
// The MDL descriptor: opaque to applications, this struct inside the host.
typedef struct MdlDesc MdlDesc;
}

namespace pixmend::host {

struct Application;

// The current application, or null while the host runs its own code.
Application* currentApplication();

// All applications loaded now, in load order.
std::vector<Application*> loadedApplications();

// Looks an application up by its name as loaded (case-insensitive), or null.
Application* findApplication(const std::string& name);

// The descriptor of an application and back (null for null).
MdlDesc* descriptorOf(Application* app);
Application* applicationOf(const MdlDesc* desc);

// The application's name (e.g. "VXRaster"), its loaded library's path and its own resource
// file's path ("" when it has none).
const std::string& applicationName(const Application* app);
const std::string& applicationPath(const Application* app);
const std::string& applicationResourcePath(const Application* app);

// Makes `app` the current application for the lifetime of the scope; scopes nest.
class AppScope {
 public:
  explicit AppScope(Application* app);
  ~AppScope();
  AppScope(const AppScope&) = delete;
  AppScope& operator=(const AppScope&) = delete;

 private:
  Application* previous_;
};

// The call trace: while it is on, the host calls that set an application up or take it down
// (event handlers, command tables, hook tables, published records, version numbers, menus,
// queued commands) are journaled on channel "call" as "APPLICATION: FUNCTION ARGUMENTS" (the
// current application's name, when one runs), so a session can show their order. Off at the
// start of every session, so other journals stay as they are.
void setCallTrace(bool on);
void traceCall(std::string_view text);

}  // namespace pixmend::host
