// The resource files open in the host, as the resource group's own calls (string lists,
// remembered file names, the dialog manager) use them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/resource/api.h"
#include "host/resource/store.hpp"

namespace pixmend::host {

// The bytes of a resource through `handle` (0: the current application's files).
std::optional<std::vector<std::uint8_t>> loadResource(RscFileHandle handle, ResourceType type, ResourceId id);

// Stores a resource through `handle` (0: the file the current application opened read-write
// last). With `replace` false an existing resource is refused (RSC_ERR_EXISTS); with it true
// it is overwritten. The file on disk is rewritten atomically. Returns an RSC_... result.
int storeResource(RscFileHandle handle, ResourceType type, ResourceId id, const std::vector<std::uint8_t>& bytes,
                  bool replace);

// Message `number` in the stored form of a message list; false when absent or damaged.
bool findMessage(const std::vector<std::uint8_t>& bytes, std::int32_t number, std::string* text);

}  // namespace pixmend::host
