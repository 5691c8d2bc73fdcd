// The design file on disk: what a design holds between sessions, and its reading and writing.
//
// A design file is an SQLite database of our own (application id 'PXMD', format version 1)
// with three tables: `info` (free key/value texts), `models` and `rasters` (the raster
// attachments of each model with their rendering, georeference and extended records). The
// records are stored field by field, little-endian, at the byte offsets the applications read
// them at, so a file means the same on every machine and compiler. Element storage will be a
// fourth table (`elements`, one row per element image, keyed by model and file position) and
// format version 2; a reader refuses versions it does not know rather than drop their data.
//
// Reading loads the whole file into memory and opens it there with the database engine's
// defensive settings and a step budget; nothing from the file's schema is trusted, and every
// field is checked, so a damaged or hostile file is refused with a message. Writing builds the
// complete database in memory and replaces the file atomically (temporary file beside it, then
// rename): an interrupted write leaves the old file as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/design/rasterrecords.h"

namespace pixmend::host {

// Limits that keep a hostile file from making us allocate or loop without bound.
constexpr std::size_t kMaxDesignFileBytes = 256u << 20;
constexpr std::size_t kMaxDesignModels = 4096;
constexpr std::size_t kMaxDesignInfo = 4096;      // info rows
constexpr std::size_t kMaxDesignRasters = 65536;  // over all models
constexpr std::size_t kMaxDesignText = 4096;      // names, descriptions, info values

struct StoredModel {
  std::int64_t id = 0;
  std::string name;
  std::string description;
  bool is3d = false;
};

// One raster attachment as the design keeps it. `attachedName` is the name as the user gave it
// (configuration variables and relative folders are resolved again when the design opens);
// `fullPath` is where it was found when it was stored.
struct StoredRaster {
  std::int64_t model = 0;
  std::string attachedName;
  std::string fullPath;
  RasterRendering rendering{};
  RasterGeoReference georeference{};
  RasterExtendedInfo extended{};
};

struct DesignContent {
  std::vector<std::pair<std::string, std::string>> info;
  std::vector<StoredModel> models;    // at least one; ascending identifiers
  std::vector<StoredRaster> rasters;  // per model in attachment order, oldest first
};

bool operator==(const DesignContent& a, const DesignContent& b);
inline bool operator!=(const DesignContent& a, const DesignContent& b) {
  return !(a == b);
}

// A new design: one 2-D model, identifier 0, named "Default".
DesignContent newDesignContent();

// Parses a design file's bytes. False with the reason in `error` ("not a design file",
// "damaged design file: ...", ...); `out` is then empty.
bool parseDesignFile(const std::uint8_t* bytes, std::size_t size, DesignContent* out, std::string* error);
// Reads the file at `path` (a regular file within the size limit) and parses it.
bool readDesignFile(const std::string& path, DesignContent* out, std::string* error);
// The complete database for `content`, as bytes.
bool serializeDesign(const DesignContent& content, std::vector<std::uint8_t>* out, std::string* error);
// Writes `content` as the whole of `path`, atomically.
bool writeDesignFile(const std::string& path, const DesignContent& content, std::string* error);

// The records in their stored form (little-endian, documented offsets) and back.
std::vector<std::uint8_t> encodeRendering(const RasterRendering& r);
std::vector<std::uint8_t> encodeGeoReference(const RasterGeoReference& g);
std::vector<std::uint8_t> encodeExtended(const RasterExtendedInfo& e);
bool decodeRendering(const std::uint8_t* bytes, std::size_t size, RasterRendering* out);
bool decodeGeoReference(const std::uint8_t* bytes, std::size_t size, RasterGeoReference* out);
bool decodeExtended(const std::uint8_t* bytes, std::size_t size, RasterExtendedInfo* out);

// Test hooks. While the fault is set, writeDesignFile stops just before the rename and fails
// (the old file stays; what a killed write leaves is tested by killing one). alterDesignForTesting runs SQL on a copy of a design file's bytes (as a damaged
// or hostile file might have been made) and gives the bytes back; empty when the SQL fails.
void setDesignWriteFaultForTesting(bool fail);
std::vector<std::uint8_t> alterDesignForTesting(const std::vector<std::uint8_t>& bytes,
                                                const std::string& sql);

}  // namespace pixmend::host
