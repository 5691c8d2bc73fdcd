// The registry of loaded applications, their descriptors and the current application.
#include <algorithm>
#include <cctype>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include <dlfcn.h>

#include "common/text.hpp"
#include "host/lifecycle.hpp"
#include "host/system/api.h"
#include "host/output/journal.hpp"
#include "host/system/registry.hpp"

namespace pixmend::host {
namespace {

struct Registry {
  std::vector<std::unique_ptr<Application>> apps;  // load order
  Application* current = nullptr;
  int nextProcessNumber = 1;
};

Registry& registry() {
  static Registry instance;
  return instance;
}

// Descriptors outlive their applications (see registry.hpp), so they sit in a list of their own
// that only grows; a deque keeps their addresses stable.
std::deque<MdlDesc>& descriptors() {
  static std::deque<MdlDesc> all;
  return all;
}

struct Hook {
  std::string name;
  std::function<void(Application*)> run;
};

std::vector<Hook>& unloadHooks() {
  static std::vector<Hook> hooks;
  return hooks;
}

const std::string& emptyText() {
  static const std::string empty;
  return empty;
}

}  // namespace

Application* currentApplication() {
  return registry().current;
}

std::vector<Application*> loadedApplications() {
  std::vector<Application*> out;
  for (auto& app : registry().apps) out.push_back(app.get());
  return out;
}

Application* findApplication(const std::string& name) {
  for (auto& app : registry().apps) {
    if (text::equalIgnoringCase(app->name, name)) return app.get();
  }
  return nullptr;
}

MdlDesc* descriptorOf(Application* app) {
  return app != nullptr ? app->desc : nullptr;
}

Application* applicationOf(const MdlDesc* desc) {
  if (desc == nullptr) return nullptr;
  // Only descriptors the host issued count; anything else is not an application.
  for (const auto& known : descriptors()) {
    if (&known == desc) return known.app;
  }
  return nullptr;
}

const std::string& applicationName(const Application* app) {
  return app != nullptr ? app->name : emptyText();
}
const std::string& applicationPath(const Application* app) {
  return app != nullptr ? app->path : emptyText();
}
const std::string& applicationResourcePath(const Application* app) {
  return app != nullptr ? app->resourcePath : emptyText();
}

AppScope::AppScope(Application* app) : previous_(registry().current) {
  registry().current = app;
  if (app != nullptr) ++app->activeScopes;
}

// Scopes nest, so the application this scope made current is the current one now.
AppScope::~AppScope() {
  if (registry().current != nullptr) --registry().current->activeScopes;
  registry().current = previous_;
}

Application* addApplication(const std::string& name, const std::string& path,
                            const std::string& resourcePath) {
  auto& reg = registry();
  auto app = std::make_unique<Application>();
  app->name = name;
  app->path = path;
  app->resourcePath = resourcePath;
  app->taskId = text::upper(name);
  app->processNumber = reg.nextProcessNumber++;
  descriptors().push_back(MdlDesc{app.get(), app->processNumber});
  app->desc = &descriptors().back();
  reg.apps.push_back(std::move(app));
  return reg.apps.back().get();
}

void removeApplication(Application* app) {
  auto& reg = registry();
  auto it = std::find_if(reg.apps.begin(), reg.apps.end(), [&](const auto& a) { return a.get() == app; });
  if (it == reg.apps.end()) return;
  app->unloading = true;
  for (auto& hook : unloadHooks()) hook.run(app);
  // Take the record out of the list before the library goes, so nothing can reach it meanwhile.
  std::unique_ptr<Application> owned = std::move(*it);
  reg.apps.erase(it);
  if (reg.current == app) reg.current = nullptr;
  app->desc->app = nullptr;
  if (app->library != nullptr) dlclose(app->library);
}

bool registerUnloadHook(std::string_view name, std::function<void(Application*)> hook) {
  unloadHooks().push_back({std::string(name), std::move(hook)});
  return true;
}

MdlDesc* descriptorForProcessNumber(int processNumber) {
  // Newest first: after a reset numbers start again, and the live descriptor must win.
  auto& all = descriptors();
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    if (it->processNumber == processNumber && it->app != nullptr) return &*it;
  }
  return nullptr;
}

namespace {
const bool registered = registerReset(
    "system.applications",
    [] {
      auto& reg = registry();
      // Newest first, as a host shutting down would.
      while (!reg.apps.empty()) removeApplication(reg.apps.back().get());
      reg.current = nullptr;
      reg.nextProcessNumber = 1;
    },
    -100);

bool callTrace = false;
// Off again with the journal, after the applications' unload calls (still traced) are gone.
const bool registeredTrace = registerReset(
    "system.calltrace", [] { callTrace = false; }, 100);
}  // namespace

void setCallTrace(bool on) {
  callTrace = on;
}

void traceCall(std::string_view text) {
  if (!callTrace) return;
  const Application* app = currentApplication();
  journal().append("call",
                   app != nullptr ? applicationName(app) + ": " + std::string(text) : std::string(text));
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

MdlDesc* mdlSystem_getCurrMdlDesc(void) {
  return descriptorOf(currentApplication());
}

MdlDesc* mdlSystem_getMdlDescFromProcessNumber(int processNumber) {
  return descriptorForProcessNumber(processNumber);
}

int mdlSystem_getProcessNumberFromMdlDesc(MdlDesc* desc) {
  Application* app = applicationOf(desc);
  return app != nullptr ? app->processNumber : -1;
}

MdlDesc* mdlSystem_findMdlDesc(const char* taskId) {
  if (taskId == nullptr) return nullptr;
  return descriptorOf(findApplication(taskId));
}

const char* mdlSystem_getCurrTaskID(void) {
  Application* app = currentApplication();
  return app != nullptr ? app->taskId.c_str() : "";
}

int mdlSystem_setMdlAppVersionNumber(MdlDesc* desc, const VersionNumber* version) {
  Application* app = desc != nullptr ? applicationOf(desc) : currentApplication();
  if (app == nullptr || version == nullptr) return MDLERR_BADARG;
  traceCall("mdlSystem_setMdlAppVersionNumber " + std::to_string(version->release) + "." +
            std::to_string(version->major) + "." + std::to_string(version->minor) + "." +
            std::to_string(version->subMinor));
  app->version = {version->release, version->major, version->minor, version->subMinor};
  return SUCCESS;
}

int mdlSystem_getMdlAppVersionNumber(MdlDesc* desc, VersionNumber* version) {
  Application* app = desc != nullptr ? applicationOf(desc) : currentApplication();
  if (app == nullptr || version == nullptr) return MDLERR_BADARG;
  version->release = app->version[0];
  version->major = app->version[1];
  version->minor = app->version[2];
  version->subMinor = app->version[3];
  return SUCCESS;
}

void mdlSystem_enterGraphics(int flags) {
  (void)flags;
}

}  // extern "C"
