// The host's idle work (see idle.hpp).
#include "host/system/idle.hpp"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "host/output/journal.hpp"

namespace pixmend::host {
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
