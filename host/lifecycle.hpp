// Host-wide reset. Each group of the host keeps process-wide state; tests (and a fresh session)
// need it back in its start state. A group registers its reset function once at load time,
// and resetHost() runs them all by ascending `order`, equal orders in registration order.
// Applications are unloaded first (order -100: their unload hooks still find every group's
// state) and the journal is emptied last (order 100: nothing a reset says is left behind).
#pragma once

#include <functional>
#include <string_view>

namespace pixmend::host {

// Registers `reset` under `name` (for diagnostics); returns true so it can initialise a static.
bool registerReset(std::string_view name, std::function<void()> reset, int order = 0);

// Puts every group back into its start state: no applications, no journal entries, no
// configuration variables beyond the environment, no open files.
void resetHost();

}  // namespace pixmend::host
