// Loading and unloading applications, event slots, mdlSystem_exit (see loader.hpp).
#include "host/system/loader.hpp"
#include "host/system/idle.hpp"

#include <climits>
#include <filesystem>
#include <cstring>
#include <sstream>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/config/config.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/system/api.h"

namespace pixmend::host {
namespace {

using MdlMainFunc = int (*)(int, char**);
using UnloadFunc = int (*)(int);
using EventFunc = void (*)(const char*, int);

// Set once mdlSystem_exit is called while no application runs (its status is journaled).
bool& hostExit() {
  static bool requested = false;
  return requested;
}

bool isRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string directoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// "libVXRaster.so" and "VXRaster.so" are the application "VXRaster".
std::string nameFromLibrary(const std::string& path) {
  std::string name = baseName(path);
  if (endsWith(name, ".so")) {
    name.resize(name.size() - 3);
    if (name.size() > 3 && name.compare(0, 3, "lib") == 0) name.erase(0, 3);
  }
  return name;
}

std::string executableDirectory() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "";
  buffer[n] = '\0';
  return directoryOf(buffer);
}

std::string hostLibraryDirectory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&applicationSearchPath), &info) == 0 || info.dli_fname == nullptr)
    return "";
  return directoryOf(info.dli_fname);
}

bool isRegistered(Application* app) {
  for (Application* a : loadedApplications()) {
    if (a == app) return true;
  }
  return false;
}

// Applications that asked to exit (or whose unload had to wait) are unloaded once their code is
// off the stack.
bool unloadOneWaiting() {
  for (Application* app : loadedApplications()) {
    if (app->exitRequested && !app->unloading && app->activeScopes == 0) {
      app->exitRequested = false;
      unloadApplication(app, app->exitUnloadType);
      return true;
    }
  }
  return false;
}

const bool registeredIdle = registerIdleWork("system.exits", unloadOneWaiting, 100);
const bool registeredReset = registerReset("system.exit", [] { hostExit() = false; });

}  // namespace

std::vector<std::string> applicationSearchPath() {
  if (auto list = expandedVariable("MS_MDLAPPS")) return splitPathList(*list);
  std::vector<std::string> dirs;
  const std::string exe = executableDirectory();
  // Normalised, so that applications report a plain path and the host library's own folder is
  // recognised as the same place.
  if (!exe.empty()) dirs.push_back(std::filesystem::path(exe + "/../lib").lexically_normal().string());
  const std::string lib = hostLibraryDirectory();
  if (!lib.empty() && (dirs.empty() || lib != dirs.front())) dirs.push_back(lib);
  return dirs;
}

std::string findApplicationLibrary(const std::string& name) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos) return isRegularFile(name) ? name : "";
  for (const auto& dir : applicationSearchPath()) {
    for (const std::string& candidate : {name, "lib" + name + ".so", name + ".so"}) {
      const std::string path = dir + "/" + candidate;
      if (isRegularFile(path)) return path;
    }
  }
  return "";
}

LoadResult loadApplication(const std::string& name, const std::vector<std::string>& args) {
  LoadResult result;
  const std::string path = findApplicationLibrary(name);
  if (path.empty()) {
    result.status = MDLERR_FILENOTFOUND;
    result.error = "not found";
    journal().append("system", "cannot load " + name + ": not found");
    return result;
  }
  const std::string appName = nameFromLibrary(path);
  if (Application* loaded = findApplication(appName)) {
    journal().append("system", "load " + appName + ": loaded already");
    result.app = loaded;
    return result;
  }
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    result.status = MDLERR_CANNOTOPENFILE;
    result.error = why != nullptr ? why : "not a loadable library";
    journal().append("system", "cannot load " + appName + ": not a loadable library");
    return result;
  }
  auto entry = reinterpret_cast<MdlMainFunc>(dlsym(library, "MdlMain"));
  if (entry == nullptr) {
    dlclose(library);
    result.status = MDLERR_CANNOTOPENFILE;
    result.error = "the library has no MdlMain";
    journal().append("system", "cannot load " + appName + ": the library has no MdlMain");
    return result;
  }
  std::string resource = directoryOf(path) + "/" + appName + ".rsc";
  if (!isRegularFile(resource)) resource.clear();
  Application* app = addApplication(appName, path, resource);
  app->library = library;
  app->arguments.push_back(path);
  app->arguments.insert(app->arguments.end(), args.begin(), args.end());
  for (auto& arg : app->arguments) app->argv.push_back(arg.data());
  app->argv.push_back(nullptr);
  journal().append("system", "load " + appName);
  {
    AppScope scope(app);
    entry(static_cast<int>(app->arguments.size()), app->argv.data());
  }
  result.app = app;
  return result;
}

void unloadApplication(Application* app, int unloadType) {
  if (app == nullptr || app->unloading || !isRegistered(app)) return;
  if (app->activeScopes > 0) {
    // Its code is on the stack (it asked for its own unload and waits for the host): closing the
    // library now would pull the code from under it.
    app->exitRequested = true;
    app->exitUnloadType = unloadType;
    return;
  }
  journal().append("system", "unload " + app->name);
  app->unloading = true;
  auto slot = app->eventSlots.find(SYSTEM_UNLOAD_PROGRAM);
  if (slot != app->eventSlots.end() && slot->second != nullptr) {
    auto handler = reinterpret_cast<UnloadFunc>(slot->second);
    AppScope scope(app);
    handler(unloadType);
  }
  removeApplication(app);
}

void unloadAllApplications(int unloadType) {
  auto apps = loadedApplications();
  for (auto it = apps.rbegin(); it != apps.rend(); ++it) unloadApplication(*it, unloadType);
}

int raiseSystemEvent(int slot, const std::string& text, int state) {
  journal().append(
      "event", std::to_string(slot) + " state " + std::to_string(state) + (text.empty() ? "" : " " + text));
  int called = 0;
  for (Application* app : loadedApplications()) {
    if (!isRegistered(app) || app->unloading) continue;  // gone while an earlier handler ran
    auto it = app->eventSlots.find(slot);
    if (it == app->eventSlots.end() || it->second == nullptr) continue;
    auto handler = reinterpret_cast<EventFunc>(it->second);
    // The handler gets its own copy: it may write into the text it is given.
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    AppScope scope(app);
    handler(copy.data(), state);
    ++called;
  }
  return called;
}

bool hostExitRequested() {
  return hostExit();
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlSystem_loadMdlProgram(const char* taskId, const char* fileName, const char* arguments) {
  const char* name = fileName != nullptr ? fileName : taskId;
  if (name == nullptr || *name == '\0') return MDLERR_BADARG;
  std::vector<std::string> args;
  if (arguments != nullptr) {
    std::istringstream words(arguments);
    std::string word;
    while (words >> word) args.push_back(word);
  }
  return loadApplication(name, args).status;
}

void mdlSystem_exit(int status, int freeProgram) {
  (void)freeProgram;
  Application* app = currentApplication();
  if (app == nullptr) {
    journal().append("system", "exit " + std::to_string(status));
    hostExit() = true;
    return;
  }
  journal().append("system", "exit " + app->name + " " + std::to_string(status));
  if (app->unloading) return;  // called from its own unload handler: the unload goes on anyway
  app->exitRequested = true;
  app->exitUnloadType = SYSTEM_UNLOAD_APP_EXIT;
}

void* mdlSystem_setFunction(int slot, void* function) {
  Application* app = currentApplication();
  if (app == nullptr || slot < 0 || slot > SYSTEM_MAX_SLOT) {
    journal().append(
        "text", "mdlSystem_setFunction: no application or slot " + std::to_string(slot) + " out of range\n");
    return nullptr;
  }
  traceCall("mdlSystem_setFunction " + std::to_string(slot) + (function != nullptr ? " set" : " cleared"));
  void* previous = nullptr;
  auto it = app->eventSlots.find(slot);
  if (it != app->eventSlots.end()) previous = it->second;
  if (function == nullptr) {
    app->eventSlots.erase(slot);
  } else {
    app->eventSlots[slot] = function;
  }
  return previous;
}

}  // extern "C"
