// Host-wide reset (see lifecycle.hpp).
#include "host/lifecycle.hpp"

#include "host/output/journal.hpp"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace pixmend::host {
namespace {

struct Registered {
  std::string name;
  std::function<void()> reset;
  int order = 0;
};

std::vector<Registered>& registry() {
  static std::vector<Registered> entries;
  return entries;
}

}  // namespace

bool registerReset(std::string_view name, std::function<void()> reset, int order) {
  auto& entries = registry();
  entries.push_back({std::string(name), std::move(reset), order});
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Registered& a, const Registered& b) { return a.order < b.order; });
  return true;
}

void resetHost() {
  for (auto& entry : registry()) entry.reset();
}

namespace {

struct IdleWork {
  std::string name;
  std::function<bool()> work;
  int order = 0;
};

std::vector<IdleWork>& idleWork() {
  static std::vector<IdleWork> entries;
  return entries;
}

}  // namespace

bool registerIdleWork(std::string_view name, std::function<bool()> work, int order) {
  auto& entries = idleWork();
  entries.push_back({std::string(name), std::move(work), order});
  std::stable_sort(entries.begin(), entries.end(),
                   [](const IdleWork& a, const IdleWork& b) { return a.order < b.order; });
  return true;
}

int runIdle(int limit) {
  int done = 0;
  while (done < limit) {
    bool any = false;
    // Lower orders first, and after each piece start again from the first: a command queued by
    // a restart runs before an exit requested later.
    for (auto& entry : idleWork()) {
      if (entry.work()) {
        any = true;
        break;
      }
    }
    if (!any) return done;
    ++done;
  }
  journal().append("text", "The host's queue keeps refilling itself; stopped after " + std::to_string(limit) +
                               " pieces of work\n");
  return done;
}

}  // namespace pixmend::host
