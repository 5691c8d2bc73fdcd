// Resource files as the host's other groups see them: typed resources addressed by (type,
// identifier), read back byte for byte. The C API (mdlResource_...) is built on this.
//
// Resource types are 32-bit integers; four-character types are packed with the first character
// in the highest byte used, e.g. 'dBox' = ('d' << 24) | ('B' << 16) | ('o' << 8) | 'x' and
// "VXR" = ('V' << 16) | ('X' << 8) | 'R'. packType("dBox") gives that value.
//
// (Contract shared by the host groups; implemented in host/resource/.)
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/system/application.hpp"

namespace pixmend::host {

using ResourceType = std::uint32_t;
using ResourceId = std::int32_t;

constexpr ResourceType packType(std::string_view chars) {
  ResourceType value = 0;
  for (char c : chars) value = (value << 8) | static_cast<unsigned char>(c);
  return value;
}

// Loads a resource from the resource files open for `app` (its own file first, then any others
// it opened), as mdlResource_load with handle 0 does. Nothing when no file holds it.
std::optional<std::vector<std::uint8_t>> loadAppResource(Application* app, ResourceType type, ResourceId id);

// The resource compiler (pixmend-rsc) turns JSON resource sources into resource bytes. Each kind
// of resource is compiled by the group that reads it back (command tables by the state group,
// dialogs and menus by the dialog group, message lists by the resource group, struct layouts
// by the system group, ...). A compiler receives the JSON text of one resource entry and returns
// its bytes, or throws std::runtime_error with a message that names the problem.
using ResourceCompiler = std::function<std::vector<std::uint8_t>(const std::string& json)>;
// Registers the compiler of resources whose source entry says "kind": `kind`, stored under `type`.
bool registerResourceCompiler(std::string kind, ResourceType type, ResourceCompiler compiler);

}  // namespace pixmend::host
