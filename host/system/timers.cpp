// Timers on the host's simulated clock (see timers.hpp).
#include "host/system/timers.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/system/api.h"
#include "host/system/registry.hpp"

namespace pixmend::host {
namespace {

constexpr int kMaxFirings = 100000;

struct Timer {
  int handle = 0;
  long due = 0;
  long interval = 1;
  bool repeat = false;
  MdlTimerFunc function = nullptr;
  void* argument = nullptr;
  Application* app = nullptr;
};

struct Clock {
  long now = 0;
  int nextHandle = 1;
  std::vector<Timer> timers;
};

Clock& clock() {
  static Clock instance;
  return instance;
}

const bool registeredReset = registerReset("system.timers", [] { clock() = Clock{}; });
const bool registeredUnload = registerUnloadHook("system.timers", [](Application* app) {
  auto& t = clock().timers;
  t.erase(std::remove_if(t.begin(), t.end(), [&](const Timer& x) { return x.app == app; }), t.end());
});

}  // namespace

long hostClock() {
  return clock().now;
}

bool timersPending() { return !clock().timers.empty(); }

int advanceClock(long units) {
  auto& c = clock();
  const long target = c.now + std::max(0L, units);
  int fired = 0;
  while (true) {
    auto next = std::min_element(c.timers.begin(), c.timers.end(), [](const Timer& a, const Timer& b) {
      return a.due != b.due ? a.due < b.due : a.handle < b.handle;
    });
    if (next == c.timers.end() || next->due > target) break;
    if (fired == kMaxFirings) {
      journal().append("text",
                       "Timers keep firing; stopped after " + std::to_string(kMaxFirings) + " firings\n");
      break;
    }
    c.now = next->due;
    const Timer timer = *next;
    if (timer.repeat) {
      next->due += timer.interval;
    } else {
      c.timers.erase(next);
    }
    journal().append("timer", std::to_string(timer.handle));
    ++fired;
    AppScope scope(timer.app);
    timer.function(timer.argument, timer.handle);
  }
  c.now = target;
  return fired;
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlSystem_setTimerFunction(int* handleOut, int ticks, MdlTimerFunc function, void* argument, int repeat) {
  if (function == nullptr) return MDLERR_BADARG;
  auto& c = clock();
  Timer timer;
  timer.handle = c.nextHandle++;
  timer.interval = std::max(1, ticks);
  timer.due = c.now + (repeat != 0 ? timer.interval : std::max(0, ticks));
  timer.repeat = repeat != 0;
  timer.function = function;
  timer.argument = argument;
  timer.app = currentApplication();
  c.timers.push_back(timer);
  if (handleOut != nullptr) *handleOut = timer.handle;
  return SUCCESS;
}

int mdlSystem_cancelTimer(int handle) {
  auto& t = clock().timers;
  auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.handle == handle; });
  if (it == t.end()) return MDLERR_BADARG;
  t.erase(it);
  return SUCCESS;
}

long mdlSystem_getTicks(void) {
  return hostClock();
}

}  // extern "C"
