// The design file on disk: what a design holds between sessions, and its reading and writing.
//
// A design file is an SQLite database of our own (application id 'PXMD', format version 2)
// with six tables: `info` (free key/value texts), `models`, `rasters` (the raster attachments of
// each model with their rendering, georeference and extended records), `elements` (one row per
// element image, keyed by model and file position), `levels` (each model's level table) and,
// from format version 3, `text_styles` (each model's named text styles). The
// records are stored field by field, little-endian, at the byte offsets the applications read
// them at, so a file means the same on every machine and compiler. Files of format versions 1
// (no elements, no levels) and 2 (no text styles) still open; they are written as version 3 once
// they change. A reader
// refuses versions it does not know rather than drop their data.
//
// Reading loads the whole file into memory and opens it there with the database engine's
// defensive settings and a step budget; nothing from the file's schema is trusted, and every
// field is checked, so a damaged or hostile file is refused with a message. One damaged element
// does not cost the user the rest of the drawing: its row is kept as it stands (written back
// unchanged, never handed to an application) and the reason is given with it. Writing builds the
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
constexpr std::size_t kMaxDesignElements = 1u << 22;  // over all models
constexpr std::size_t kMaxDesignLevels = 64 * 4096;   // over all models (63 each)
constexpr std::size_t kMaxDesignTextStyles = 65536;   // over all models
constexpr std::uint32_t kFirstFilePosition = 1;       // 0 is "no element"

struct StoredModel {
  std::int64_t id = 0;
  std::string name;
  std::string description;
  bool is3d = false;
  std::uint32_t nextPosition = kFirstFilePosition;  // the file position the next added element gets
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

// One element of a model at its file position. A row the reader could not accept keeps its bytes
// as they were and says why in `damage`; it is written back unchanged and never served.
struct StoredElement {
  std::int64_t model = 0;
  std::uint32_t position = 0;
  std::vector<std::uint8_t> image;
  std::string damage;  // "" for a sound element
  bool storedAsText = false;  // a damaged row whose bytes the file held as text: written back so
};

// A level of a model: identifier 1 to 63, a name (UTF-8 here, wide text for the applications),
// its element symbology and the override symbology drawn when the views draw by level.
struct LevelSymbology {
  std::uint32_t color = 0;  // 0-255
  std::uint32_t weight = 0; // 0-31
  std::int32_t style = 0;   // 0-7 or a named style's number
};
struct StoredLevel {
  std::int64_t model = 0;
  std::uint32_t id = 0;
  std::string name;
  LevelSymbology element;
  LevelSymbology override_;
};

// A named text style of a model: the settings mdlTextStyle_getByName hands out. Names are UTF-8
// here, compared without regard to ASCII case.
struct StoredTextStyle {
  std::int64_t model = 0;
  std::string name;
  int font = 0;
  int justification = 2;  // left bottom
  double width = 1, height = 1, lineSpacing = 0.5;
};

// A design file attached to this one as a reference: the name as the user gave it, its place in
// the attachment order (the row order) and whether it is located and displayed.
struct StoredReference {
  std::string fileName;
  bool locate = true;
  bool display = true;
};
constexpr std::size_t kMaxDesignReferences = 255;

struct DesignContent {
  std::vector<std::pair<std::string, std::string>> info;
  std::vector<StoredModel> models;      // at least one; ascending identifiers
  std::vector<StoredRaster> rasters;    // per model in attachment order, oldest first
  std::vector<StoredElement> elements;  // by model, then file position
  std::vector<StoredLevel> levels;      // by model, then identifier
  std::vector<StoredTextStyle> textStyles;  // by model, then name as stored
  std::vector<StoredReference> references;  // in attachment order
};

bool operator==(const DesignContent& a, const DesignContent& b);
inline bool operator!=(const DesignContent& a, const DesignContent& b) {
  return !(a == b);
}

// A new design: one 2-D model, identifier 0, named "Default", with level 1 "Default".
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
