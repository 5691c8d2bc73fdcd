// The raster library's start and end per application (mdlRaster_initialize / _terminate).
//
// The library is the host's, shared by every application; each application says when it starts
// and stops using it, so the attachment calls can tell a caller that never started it. An
// application unloaded without terminating is forgotten with its other state.
#include <algorithm>
#include <vector>

#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/raster/api.h"
#include "host/raster/raster.hpp"
#include "host/system/registry.hpp"

namespace pixmend::host {
namespace {

std::vector<const Application*>& users() {
  static std::vector<const Application*> list;
  return list;
}

const bool resetRegistered = registerReset("raster", [] { users().clear(); });
const bool unloadRegistered = registerUnloadHook("raster", [](Application* app) {
  auto& list = users();
  list.erase(std::remove(list.begin(), list.end(), app), list.end());
});

}  // namespace

bool rasterLibraryActive(const Application* app) {
  const auto& list = users();
  return app != nullptr && std::find(list.begin(), list.end(), app) != list.end();
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlRaster_initialize(void) {
  Application* app = currentApplication();
  if (app == nullptr) return MDLERR_BADARG;
  journal().append("raster", "initialize " + applicationName(app));
  if (!rasterLibraryActive(app)) users().push_back(app);
  return SUCCESS;
}

int mdlRaster_terminate(void) {
  Application* app = currentApplication();
  if (app == nullptr) return MDLERR_BADARG;
  if (!rasterLibraryActive(app)) {
    journal().append("raster", "terminate " + applicationName(app) + ": not initialized");
    return MDLERR_BADARG;
  }
  journal().append("raster", "terminate " + applicationName(app));
  auto& list = users();
  list.erase(std::remove(list.begin(), list.end(), app), list.end());
  return SUCCESS;
}

}  // extern "C"
