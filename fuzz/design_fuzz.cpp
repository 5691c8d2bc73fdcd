// Fuzz target: reading a design file from untrusted bytes. Whatever is read must write back and
// read again as the same design, so nothing a design file holds is lost or changed on the way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/design/designfile.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pixmend::host;
  DesignContent content;
  std::string error;
  if (!parseDesignFile(data, size, &content, &error)) return 0;
  std::vector<std::uint8_t> bytes;
  if (!serializeDesign(content, &bytes, &error)) std::abort();
  DesignContent again;
  if (!parseDesignFile(bytes.data(), bytes.size(), &again, &error) || again != content) std::abort();
  return 0;
}
