// One resource file: its description and its resources, (type, identifier) -> bytes.
//
// On disk a resource file is an SQLite database that carries our application id, a format
// version, its description and one table of resources. In memory it is a plain map; reading
// loads the whole file (resource files are small), writing builds a complete new database in
// a temporary file beside the target and renames it over the target, so an interrupted write
// leaves the old file exactly as it was.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/resource/store.hpp"

namespace pixmend::host {

// Limits that keep a hostile or broken file from making us allocate without bound.
constexpr std::size_t kMaxResourceFileBytes = 256u << 20;  // whole file
constexpr std::size_t kMaxResourceBytes = 64u << 20;       // one resource

struct ResourceData {
  std::string description;
  std::map<std::pair<ResourceType, ResourceId>, std::vector<std::uint8_t>> resources;
};

// Reads a resource file. False with a message in `error` when the file is missing, unreadable,
// not one of our resource files, damaged or over the limits; `out` is then left empty.
bool readResourceFile(const std::string& path, ResourceData* out, std::string* error);
// The same from the file's bytes (used by the reader itself and by the fuzzer).
bool parseResourceFile(const std::uint8_t* bytes, std::size_t size, ResourceData* out, std::string* error);

// Writes `data` as the complete content of `path` through the host's AtomicFile.
bool writeResourceFile(const std::string& path, const ResourceData& data, std::string* error);

// True when `path` exists and cannot be replaced: no write permission bit is set (the same for
// every user, root included), or its folder takes no new file (canReplaceFile).
bool resourceFileIsReadOnly(const std::string& path);

// Test hook: while set, writeResourceFile stops after the temporary file is complete and
// before it replaces the target, and reports failure (the temporary is removed as after any
// failure; what a process killed at that moment leaves is tested by killing one).
void setResourceWriteFaultForTesting(bool fail);

// The four-character form of a type for messages: 'dBox', "VXR" -> 'VXR', else a number.
std::string typeName(ResourceType type);

}  // namespace pixmend::host
