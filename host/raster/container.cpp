// The system raster container: a snapshot of the active model's attachments that the host hands
// out and the caller releases, with forward iterators (see api.h).
//
// Containers and iterators are checked against the live ones before every use, so a released
// container (or a pointer the host never gave out) is treated as null rather than followed.
#include <algorithm>
#include <memory>
#include <vector>

#include "host/lifecycle.hpp"
#include "host/raster/api.h"
#include "host/raster/raster.hpp"
#include "host/system/registry.hpp"

struct MdlContainerIterator {
  MdlContainer* owner = nullptr;
  std::size_t index = 0;
};

struct MdlContainer {
  const pixmend::host::Application* owner = nullptr;  // released with it when it unloads
  std::vector<void*> values;
  std::vector<std::unique_ptr<MdlContainerIterator>> iterators;
};

namespace pixmend::host {
namespace {

std::vector<std::unique_ptr<MdlContainer>>& containers() {
  static std::vector<std::unique_ptr<MdlContainer>> all;
  return all;
}

const bool resetRegistered = registerReset("raster.containers", [] { containers().clear(); });
const bool unloadRegistered = registerUnloadHook("raster.containers", [](Application* app) {
  auto& all = containers();
  all.erase(std::remove_if(all.begin(), all.end(), [&](const auto& c) { return c->owner == app; }),
            all.end());
});

MdlContainer* liveContainer(const MdlContainer* container) {
  for (const auto& c : containers()) {
    if (c.get() == container) return c.get();
  }
  return nullptr;
}

MdlContainerIterator* liveIterator(const MdlContainerIterator* iterator) {
  if (iterator == nullptr) return nullptr;
  for (const auto& c : containers()) {
    for (const auto& it : c->iterators) {
      if (it.get() == iterator) return it.get();
    }
  }
  return nullptr;
}

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

MdlContainer* mdlRaster_systemRasterContainerGet(void) {
  Application* app = currentApplication();
  if (app != nullptr && !rasterLibraryActive(app)) return nullptr;
  auto container = std::make_unique<MdlContainer>();
  container->owner = app;
  for (DgnRaster* r : rasterAttachments()) container->values.push_back(r);
  containers().push_back(std::move(container));
  return containers().back().get();
}

int mdlCntr_itemCount(const MdlContainer* container) {
  const MdlContainer* c = liveContainer(container);
  return c != nullptr ? static_cast<int>(c->values.size()) : 0;
}

MdlContainerIterator* mdlCntr_iteratorCreate(MdlContainer* container, int direction) {
  MdlContainer* c = liveContainer(container);
  if (c == nullptr || direction != CNTR_ITERATE_FORWARD) return nullptr;
  auto iterator = std::make_unique<MdlContainerIterator>();
  iterator->owner = c;
  c->iterators.push_back(std::move(iterator));
  return c->iterators.back().get();
}

void* mdlCntr_valueGet(MdlContainerIterator* iterator) {
  const MdlContainerIterator* it = liveIterator(iterator);
  if (it == nullptr || it->index >= it->owner->values.size()) return nullptr;
  return it->owner->values[it->index];
}

int mdlCntr_iteratorNext(MdlContainerIterator* iterator) {
  MdlContainerIterator* it = liveIterator(iterator);
  if (it == nullptr) return 1;
  const std::size_t size = it->owner->values.size();
  if (it->index < size) ++it->index;
  return it->index < size ? 0 : 1;
}

void mdlCntr_release(MdlContainer* container) {
  auto& all = containers();
  all.erase(std::remove_if(all.begin(), all.end(), [&](const auto& c) { return c.get() == container; }),
            all.end());
}

}  // extern "C"
