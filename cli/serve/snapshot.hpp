// The session's state as the page shows it, as JSON: the message fields, the open dialogs with
// their items and values (rendered by the page from the same descriptions the host reads from
// the dialog resources), the question waiting for an answer, the command window's menus,
// VXRaster's key-ins, what view 0 shows, the completion bar.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/output/answers.hpp"
#include "host/state/state.hpp"

namespace pixmend::serve {

struct Progress {
  std::string message;
  int percent = 0;
};

struct SnapshotInput {
  std::uint64_t version = 0;
  const host::Question* question = nullptr;  // the innermost asking, or null
  std::optional<Progress> progress;
  const std::vector<host::CommandTableEntry>* commands = nullptr;
  bool ended = false;
};

// On the host's thread.
nlohmann::json sessionState(const SnapshotInput& input);

// JSON text that never fails on bytes that are not UTF-8 (file names, texts of old files): they
// are replaced.
std::string jsonText(const nlohmann::json& value);

}  // namespace pixmend::serve
