// Fuzz target: the resource compiler on untrusted source text. Every kind registered in the
// host library is reachable; file references resolve in a folder that does not exist.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/resource/compiler.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pixmend::host;
  const std::string text(reinterpret_cast<const char*>(data), size);
  ResourceData out;
  std::string error;
  compileResourceSource(text, "fuzz.json", "/nonexistent-pixmend-fuzz", &out, nullptr, &error);
  return 0;
}
