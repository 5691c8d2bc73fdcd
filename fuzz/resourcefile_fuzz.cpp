// Fuzz target: reading a resource file from untrusted bytes, then decoding every resource the
// way the host's readers do (message lists, string lists, icons, dialogs, menus).
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/dialog/dialog.hpp"
#include "host/resource/rscfile.hpp"
#include "host/resource/openfiles.hpp"
#include "host/resource/images.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pixmend::host;
  ResourceData file;
  std::string error;
  if (!parseResourceFile(data, size, &file, &error)) return 0;
  for (const auto& [key, bytes] : file.resources) {
    std::string text;
    findMessage(bytes, 1, &text);
    IconMask icon;
    decodeIcon(bytes, &icon);
    DialogSpec dialog;
    parseDialogSpec(bytes, &dialog, &error);
    MenuSpec menu;
    parseMenuSpec(bytes, &menu, &error);
  }
  return 0;
}
