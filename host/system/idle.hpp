// The host's idle work: what it does once control is back from an event (a key-in, a data point,
// a command): queued commands and key-ins, restarts of the current command, designs to store,
// finished programs to reap, applications that asked to exit.
#pragma once

#include <functional>
#include <string_view>

namespace pixmend::host {

// `work` does one piece and returns true, or returns false when it has nothing to do. Lower
// orders go first; returns true so it can initialise a static.
bool registerIdleWork(std::string_view name, std::function<bool()> work, int order = 0);

// Runs idle work until none is left (bounded: a queue that keeps refilling itself is stopped
// after `limit` pieces and reported on the text channel). Returns the pieces done.
int runIdle(int limit = 10000);

}  // namespace pixmend::host
