// Fuzz target: the session-script reader. Any text must be read into steps or refused with
// line-numbered problems, without crashing, hanging or allocating without bound. (Playing is
// left out: a script may load any library it names.)
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "cli/session.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<pixmend::cli::Step> steps;
  std::vector<pixmend::cli::ScriptError> errors;
  const bool ok =
      pixmend::cli::readScript(std::string_view(reinterpret_cast<const char*>(data), size), &steps, &errors);
  // Either every line became a step or some problem names a line of the text.
  if (!ok && errors.empty()) __builtin_trap();
  for (const auto& e : errors) {
    if (e.line < 0 || static_cast<std::size_t>(e.line) > size + 1) __builtin_trap();
  }
  return 0;
}
