// Design files on disk: SQLite databases read whole into memory and written whole through a
// temporary file (see designfile.hpp).
#include "host/design/designfile.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <algorithm>
#include <set>

#include "common/bytes.hpp"
#include "common/sqlite.hpp"
#include "host/files/files.hpp"
#include "host/view/layout.hpp"

namespace pixmend::host {
namespace {

// 'PXMD' marks a Pixmend design file; the version is the layout of the tables.
constexpr int kApplicationId = 0x50584D44;
// Version 4 added the references table: a version-3 reader must refuse such a file rather than
// open it, drop its attachments and write it back without them.
constexpr int kFormatVersion = 4;
constexpr int kFirstFormatVersion = 1;  // no elements or levels yet; still read
// Statement steps (in units of 1000) a read may take before it is stopped: a corrupt b-tree
// must not keep us busy.
constexpr int kProgressUnits = 50000;

bool gWriteFault = false;

using sqlite::Db;
using sqlite::prepare;
using sqlite::Stmt;

bool fail(std::string* error, std::string message) {
  if (error != nullptr) *error = std::move(message);
  return false;
}

// ---- Reading ------------------------------------------------------------------------------------

// A text column: present, a text (not a blob or number), within the limit and free of zeros.
bool textColumn(sqlite3_stmt* st, int column, std::string* out) {
  if (sqlite3_column_type(st, column) != SQLITE_TEXT) return false;
  const auto* text = sqlite3_column_text(st, column);
  const int n = sqlite3_column_bytes(st, column);
  if (text == nullptr || n < 0 || static_cast<std::size_t>(n) > kMaxDesignText) return false;
  if (std::memchr(text, 0, static_cast<std::size_t>(n)) != nullptr) return false;
  out->assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(n));
  return true;
}

bool intColumn(sqlite3_stmt* st, int column, std::int64_t* out) {
  if (sqlite3_column_type(st, column) != SQLITE_INTEGER) return false;
  *out = sqlite3_column_int64(st, column);
  return true;
}

bool blobColumn(sqlite3_stmt* st, int column, const std::uint8_t** data, std::size_t* size) {
  if (sqlite3_column_type(st, column) != SQLITE_BLOB) return false;
  const int n = sqlite3_column_bytes(st, column);
  *data = static_cast<const std::uint8_t*>(sqlite3_column_blob(st, column));
  if (n <= 0 || *data == nullptr) return false;
  *size = static_cast<std::size_t>(n);
  return true;
}

bool finiteGeoReference(const RasterGeoReference& g) {
  for (double v : {g.origin.x, g.origin.y, g.origin.z, g.extentX, g.extentY, g.rotation, g.skew}) {
    if (!std::isfinite(v)) return false;
  }
  return g.extentX > 0 && g.extentY > 0;
}

StoredLevel defaultLevel(std::int64_t model) {
  StoredLevel level;
  level.model = model;
  level.id = 1;
  level.name = "Default";
  return level;
}

const StoredModel* findModel(const DesignContent& content, std::int64_t id) {
  for (const auto& m : content.models) {
    if (m.id == id) return &m;
  }
  return nullptr;
}

// Element rows. The model and the position place a row: without them it cannot be kept, and the
// file is refused. The image is checked as the host checks an element an application adds; one
// that fails stays in the file as it is, with the reason (designfile.hpp).
bool readElementRows(sqlite3* db, DesignContent* content, std::string* error) {
  Stmt st = prepare(db, "SELECT model, position, image FROM elements ORDER BY model, position");
  if (!st) return fail(error, "damaged design file: the elements table cannot be read");
  for (int rc; (rc = sqlite3_step(st.get())) != SQLITE_DONE;) {
    StoredElement e;
    std::int64_t position = 0;
    if (rc != SQLITE_ROW || content->elements.size() >= kMaxDesignElements || !intColumn(st.get(), 0, &e.model) ||
        !intColumn(st.get(), 1, &position)) {
      return fail(error, "damaged design file: bad element row");
    }
    const StoredModel* model = findModel(*content, e.model);
    if (model == nullptr) return fail(error, "damaged design file: an element of an unknown model");
    if (position < kFirstFilePosition || position >= model->nextPosition) {
      return fail(error, "damaged design file: an element at file position " + std::to_string(position) +
                             " of model " + std::to_string(e.model) + ", which the model never gave");
    }
    if (!content->elements.empty() && content->elements.back().model == e.model &&
        content->elements.back().position == position) {
      return fail(error, "damaged design file: two elements at file position " + std::to_string(position));
    }
    e.position = static_cast<std::uint32_t>(position);
    const int type = sqlite3_column_type(st.get(), 2);
    if (type != SQLITE_BLOB && type != SQLITE_TEXT) return fail(error, "damaged design file: bad element row");
    const auto* blob = static_cast<const std::uint8_t*>(sqlite3_column_blob(st.get(), 2));
    const int n = sqlite3_column_bytes(st.get(), 2);
    if (blob != nullptr && n > 0) e.image.assign(blob, blob + n);
    if (type == SQLITE_TEXT) {
      e.storedAsText = true;
      e.damage = "it holds no element image";
    } else {
      e.damage = element::checkImage(e.image.data(), e.image.size());
    }
    content->elements.push_back(std::move(e));
  }
  return true;
}

bool readLevelRows(sqlite3* db, DesignContent* content, std::string* error) {
  Stmt st = prepare(db,
                    "SELECT model, id, name, color, weight, style, override_color, override_weight, override_style "
                    "FROM levels ORDER BY model, id");
  if (!st) return fail(error, "damaged design file: the levels table cannot be read");
  for (int rc; (rc = sqlite3_step(st.get())) != SQLITE_DONE;) {
    StoredLevel l;
    std::int64_t id = 0, v[6] = {};
    bool ok = rc == SQLITE_ROW && content->levels.size() < kMaxDesignLevels && intColumn(st.get(), 0, &l.model) &&
              intColumn(st.get(), 1, &id) && textColumn(st.get(), 2, &l.name) && !l.name.empty();
    for (int i = 0; ok && i < 6; ++i) ok = intColumn(st.get(), 3 + i, &v[i]);
    if (!ok || id < 1 || id > MAX_LEVEL || v[0] < 0 || v[0] > 255 || v[1] < 0 || v[1] > 31 || v[2] < 0 ||
        v[2] > INT32_MAX || v[3] < 0 || v[3] > 255 || v[4] < 0 || v[4] > 31 || v[5] < 0 || v[5] > INT32_MAX) {
      return fail(error, "damaged design file: bad level row");
    }
    if (findModel(*content, l.model) == nullptr) return fail(error, "damaged design file: a level of an unknown model");
    // Rows come by model: the same model's levels are the last ones read (63 at most).
    for (auto it = content->levels.rbegin(); it != content->levels.rend() && it->model == l.model; ++it) {
      const StoredLevel& other = *it;
      if (other.name == l.name || other.id == id) {
        return fail(error, "damaged design file: two levels named " + l.name + " or numbered " + std::to_string(id));
      }
    }
    l.id = static_cast<std::uint32_t>(id);
    l.element = {static_cast<std::uint32_t>(v[0]), static_cast<std::uint32_t>(v[1]), static_cast<std::int32_t>(v[2])};
    l.override_ = {static_cast<std::uint32_t>(v[3]), static_cast<std::uint32_t>(v[4]), static_cast<std::int32_t>(v[5])};
    content->levels.push_back(std::move(l));
  }
  return true;
}

bool finiteDouble(sqlite3_stmt* st, int column, double* out) {
  if (sqlite3_column_type(st, column) != SQLITE_FLOAT && sqlite3_column_type(st, column) != SQLITE_INTEGER) return false;
  *out = sqlite3_column_double(st, column);
  return std::isfinite(*out);
}

bool readTextStyleRows(sqlite3* db, DesignContent* content, std::string* error) {
  Stmt st = prepare(db,
                    "SELECT model, name, font, justification, width, height, line_spacing FROM text_styles "
                    "ORDER BY model, name");
  if (!st) return fail(error, "damaged design file: the text_styles table cannot be read");
  for (int rc; (rc = sqlite3_step(st.get())) != SQLITE_DONE;) {
    StoredTextStyle t;
    std::int64_t font = 0, justification = 0;
    if (rc != SQLITE_ROW || content->textStyles.size() >= kMaxDesignTextStyles || !intColumn(st.get(), 0, &t.model) ||
        !textColumn(st.get(), 1, &t.name) || t.name.empty() || !intColumn(st.get(), 2, &font) ||
        !intColumn(st.get(), 3, &justification) || !finiteDouble(st.get(), 4, &t.width) ||
        !finiteDouble(st.get(), 5, &t.height) || !finiteDouble(st.get(), 6, &t.lineSpacing) || font < 0 ||
        font > 255 || justification < 0 || justification > 14 || !(t.width > 0) || !(t.height > 0)) {
      return fail(error, "damaged design file: bad text style row");
    }
    if (findModel(*content, t.model) == nullptr) {
      return fail(error, "damaged design file: a text style of an unknown model");
    }
    t.font = static_cast<int>(font);
    t.justification = static_cast<int>(justification);
    content->textStyles.push_back(std::move(t));
  }
  return true;
}

bool readReferenceRows(sqlite3* db, DesignContent* content, std::string* error) {
  Stmt st = prepare(db, "SELECT seq, file_name, locate, display FROM \"references\" ORDER BY seq");
  if (!st) return fail(error, "damaged design file: the references table cannot be read");
  for (int rc; (rc = sqlite3_step(st.get())) != SQLITE_DONE;) {
    StoredReference r;
    std::int64_t seq = 0, locate = 0, display = 0;
    if (rc != SQLITE_ROW || content->references.size() >= kMaxDesignReferences || !intColumn(st.get(), 0, &seq) ||
        !textColumn(st.get(), 1, &r.fileName) || r.fileName.empty() || !intColumn(st.get(), 2, &locate) ||
        !intColumn(st.get(), 3, &display) || (locate != 0 && locate != 1) || (display != 0 && display != 1)) {
      return fail(error, "damaged design file: bad reference row");
    }
    r.locate = locate == 1;
    r.display = display == 1;
    content->references.push_back(std::move(r));
  }
  return true;
}

bool readRows(sqlite3* db, long long version, DesignContent* content, std::string* error) {
  {
    Stmt st = prepare(db, "SELECT key, value FROM info ORDER BY key");
    if (!st) return fail(error, "damaged design file: the info table cannot be read");
    for (int rc; (rc = sqlite3_step(st.get())) != SQLITE_DONE;) {
      std::pair<std::string, std::string> row;
      if (rc != SQLITE_ROW || content->info.size() >= kMaxDesignInfo ||
          !textColumn(st.get(), 0, &row.first) || !textColumn(st.get(), 1, &row.second)) {
        return fail(error, "damaged design file: bad info row");
      }
      content->info.push_back(std::move(row));
    }
  }
  std::set<std::int64_t> modelIds;
  {
    Stmt st = prepare(db, version >= 2 ? "SELECT id, name, description, is3d, next_position FROM models ORDER BY id"
                                       : "SELECT id, name, description, is3d, 1 FROM models ORDER BY id");
    if (!st) return fail(error, "damaged design file: the models table cannot be read");
    for (int rc; (rc = sqlite3_step(st.get())) != SQLITE_DONE;) {
      StoredModel m;
      std::int64_t is3d = 0, next = 0;
      if (rc != SQLITE_ROW || content->models.size() >= kMaxDesignModels || !intColumn(st.get(), 0, &m.id) ||
          !textColumn(st.get(), 1, &m.name) || !textColumn(st.get(), 2, &m.description) ||
          !intColumn(st.get(), 3, &is3d) || (is3d != 0 && is3d != 1) || !intColumn(st.get(), 4, &next) ||
          next < kFirstFilePosition || next > UINT32_MAX || !modelIds.insert(m.id).second) {
        return fail(error, "damaged design file: bad model row");
      }
      m.is3d = is3d == 1;
      m.nextPosition = static_cast<std::uint32_t>(next);
      content->models.push_back(std::move(m));
    }
  }
  if (content->models.empty()) return fail(error, "damaged design file: it holds no model");
  Stmt st = prepare(db,
                    "SELECT model, seq, name, path, rendering, georeference, extended FROM rasters "
                    "ORDER BY model, seq");
  if (!st) return fail(error, "damaged design file: the rasters table cannot be read");
  std::int64_t lastModel = 0, lastSeq = 0;
  for (int rc; (rc = sqlite3_step(st.get())) != SQLITE_DONE;) {
    StoredRaster r;
    std::int64_t seq = 0;
    const std::uint8_t* blob[3] = {};
    std::size_t size[3] = {};
    if (rc != SQLITE_ROW || content->rasters.size() >= kMaxDesignRasters ||
        !intColumn(st.get(), 0, &r.model) || !intColumn(st.get(), 1, &seq) ||
        !textColumn(st.get(), 2, &r.attachedName) || !textColumn(st.get(), 3, &r.fullPath) ||
        !blobColumn(st.get(), 4, &blob[0], &size[0]) || !blobColumn(st.get(), 5, &blob[1], &size[1]) ||
        !blobColumn(st.get(), 6, &blob[2], &size[2])) {
      return fail(error, "damaged design file: bad raster row");
    }
    if (modelIds.count(r.model) == 0) return fail(error, "damaged design file: a raster of an unknown model");
    if (!content->rasters.empty() && r.model == lastModel && seq == lastSeq) {
      return fail(error, "damaged design file: two rasters in one place");
    }
    lastModel = r.model;
    lastSeq = seq;
    // The names must fit the file information the applications read them from.
    if (r.attachedName.empty() || r.attachedName.size() >= sizeof(RasterFileInfo::attachedName) ||
        r.fullPath.size() >= sizeof(RasterFileInfo::fullPath)) {
      return fail(error, "damaged design file: a raster's name is empty or too long");
    }
    if (!decodeRendering(blob[0], size[0], &r.rendering) ||
        !decodeGeoReference(blob[1], size[1], &r.georeference) ||
        !decodeExtended(blob[2], size[2], &r.extended)) {
      return fail(error, "damaged design file: a raster record of the wrong size");
    }
    if (!finiteGeoReference(r.georeference)) {
      return fail(error, "damaged design file: a raster placed outside the design");
    }
    content->rasters.push_back(std::move(r));
  }
  if (version < 2) {
    for (const auto& m : content->models) content->levels.push_back(defaultLevel(m.id));
    return true;
  }
  return readElementRows(db, content, error) && readLevelRows(db, content, error) &&
         (version < 3 || readTextStyleRows(db, content, error)) &&
         (version < 4 || readReferenceRows(db, content, error));
}

// ---- Writing ------------------------------------------------------------------------------------

bool bindText(sqlite3_stmt* st, int index, const std::string& text) {
  return sqlite3_bind_text(st, index, text.c_str(), static_cast<int>(text.size()), SQLITE_STATIC) ==
         SQLITE_OK;
}

bool bindBlob(sqlite3_stmt* st, int index, const std::vector<std::uint8_t>& bytes) {
  return sqlite3_bind_blob(st, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT) ==
         SQLITE_OK;
}

bool fillElementsAndLevels(sqlite3* db, const DesignContent& content, std::string* error) {
  Stmt element = prepare(db, "INSERT INTO elements(model, position, image) VALUES(?1, ?2, ?3)");
  Stmt level = prepare(db,
                       "INSERT INTO levels(model, id, name, color, weight, style, override_color, override_weight,"
                       " override_style) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
  if (!element || !level) return fail(error, sqlite3_errmsg(db));
  for (const auto& e : content.elements) {
    sqlite3_reset(element.get());
    sqlite3_bind_int64(element.get(), 1, e.model);
    sqlite3_bind_int64(element.get(), 2, e.position);
    // An empty damaged row stays an empty value of its kind (a null pointer would bind NULL).
    static const char kNothing[1] = {0};
    const char* bytes = e.image.empty() ? kNothing : reinterpret_cast<const char*>(e.image.data());
    if (e.storedAsText) {
      sqlite3_bind_text(element.get(), 3, bytes, static_cast<int>(e.image.size()), SQLITE_TRANSIENT);
    } else {
      sqlite3_bind_blob(element.get(), 3, bytes, static_cast<int>(e.image.size()), SQLITE_TRANSIENT);
    }
    if (sqlite3_step(element.get()) != SQLITE_DONE) return fail(error, sqlite3_errmsg(db));
  }
  for (const auto& l : content.levels) {
    sqlite3_reset(level.get());
    sqlite3_bind_int64(level.get(), 1, l.model);
    sqlite3_bind_int64(level.get(), 2, l.id);
    bindText(level.get(), 3, l.name);
    const std::int64_t values[6] = {l.element.color, l.element.weight, l.element.style,
                                    l.override_.color, l.override_.weight, l.override_.style};
    for (int i = 0; i < 6; ++i) sqlite3_bind_int64(level.get(), 4 + i, values[i]);
    if (sqlite3_step(level.get()) != SQLITE_DONE) return fail(error, sqlite3_errmsg(db));
  }
  Stmt style = prepare(db,
                       "INSERT INTO text_styles(model, name, font, justification, width, height, line_spacing)"
                       " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
  if (!style) return fail(error, sqlite3_errmsg(db));
  for (const auto& t : content.textStyles) {
    sqlite3_reset(style.get());
    sqlite3_bind_int64(style.get(), 1, t.model);
    bindText(style.get(), 2, t.name);
    sqlite3_bind_int(style.get(), 3, t.font);
    sqlite3_bind_int(style.get(), 4, t.justification);
    sqlite3_bind_double(style.get(), 5, t.width);
    sqlite3_bind_double(style.get(), 6, t.height);
    sqlite3_bind_double(style.get(), 7, t.lineSpacing);
    if (sqlite3_step(style.get()) != SQLITE_DONE) return fail(error, sqlite3_errmsg(db));
  }
  Stmt reference = prepare(db, "INSERT INTO \"references\"(seq, file_name, locate, display) VALUES(?1, ?2, ?3, ?4)");
  if (!reference) return fail(error, sqlite3_errmsg(db));
  for (std::size_t i = 0; i < content.references.size(); ++i) {
    const StoredReference& r = content.references[i];
    sqlite3_reset(reference.get());
    sqlite3_bind_int64(reference.get(), 1, static_cast<std::int64_t>(i));
    bindText(reference.get(), 2, r.fileName);
    sqlite3_bind_int(reference.get(), 3, r.locate ? 1 : 0);
    sqlite3_bind_int(reference.get(), 4, r.display ? 1 : 0);
    if (sqlite3_step(reference.get()) != SQLITE_DONE) return fail(error, sqlite3_errmsg(db));
  }
  return true;
}

bool fillDatabase(sqlite3* db, const DesignContent& content, std::string* error) {
  char pragmas[160];
  std::snprintf(pragmas, sizeof pragmas,
                "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA application_id=%d; "
                "PRAGMA user_version=%d;",
                kApplicationId, kFormatVersion);
  const char* schema =
      "BEGIN;"
      "CREATE TABLE info(key TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;"
      "CREATE TABLE models(id INTEGER PRIMARY KEY, name TEXT NOT NULL, description TEXT NOT NULL,"
      " is3d INTEGER NOT NULL, next_position INTEGER NOT NULL);"
      "CREATE TABLE rasters(model INTEGER NOT NULL, seq INTEGER NOT NULL, name TEXT NOT NULL,"
      " path TEXT NOT NULL, rendering BLOB NOT NULL, georeference BLOB NOT NULL, extended BLOB NOT NULL,"
      " PRIMARY KEY(model, seq)) WITHOUT ROWID;"
      "CREATE TABLE elements(model INTEGER NOT NULL, position INTEGER NOT NULL, image BLOB NOT NULL,"
      " PRIMARY KEY(model, position)) WITHOUT ROWID;"
      "CREATE TABLE levels(model INTEGER NOT NULL, id INTEGER NOT NULL, name TEXT NOT NULL,"
      " color INTEGER NOT NULL, weight INTEGER NOT NULL, style INTEGER NOT NULL, override_color INTEGER NOT NULL,"
      " override_weight INTEGER NOT NULL, override_style INTEGER NOT NULL, PRIMARY KEY(model, id)) WITHOUT ROWID;"
      "CREATE TABLE text_styles(model INTEGER NOT NULL, name TEXT NOT NULL, font INTEGER NOT NULL,"
      " justification INTEGER NOT NULL, width REAL NOT NULL, height REAL NOT NULL, line_spacing REAL NOT NULL,"
      " PRIMARY KEY(model, name)) WITHOUT ROWID;"
      "CREATE TABLE \"references\"(seq INTEGER PRIMARY KEY, file_name TEXT NOT NULL, locate INTEGER NOT NULL,"
      " display INTEGER NOT NULL);";
  if (sqlite3_exec(db, pragmas, nullptr, nullptr, nullptr) != SQLITE_OK ||
      sqlite3_exec(db, schema, nullptr, nullptr, nullptr) != SQLITE_OK) {
    return fail(error, std::string("cannot create tables: ") + sqlite3_errmsg(db));
  }
  Stmt info = prepare(db, "INSERT INTO info(key, value) VALUES(?1, ?2)");
  Stmt model =
      prepare(db, "INSERT INTO models(id, name, description, is3d, next_position) VALUES(?1, ?2, ?3, ?4, ?5)");
  Stmt raster = prepare(db,
                        "INSERT INTO rasters(model, seq, name, path, rendering, georeference, extended) "
                        "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
  if (!info || !model || !raster) return fail(error, sqlite3_errmsg(db));
  for (const auto& [key, value] : content.info) {
    sqlite3_reset(info.get());
    bindText(info.get(), 1, key);
    bindText(info.get(), 2, value);
    if (sqlite3_step(info.get()) != SQLITE_DONE) return fail(error, sqlite3_errmsg(db));
  }
  for (const auto& m : content.models) {
    sqlite3_reset(model.get());
    sqlite3_bind_int64(model.get(), 1, m.id);
    bindText(model.get(), 2, m.name);
    bindText(model.get(), 3, m.description);
    sqlite3_bind_int(model.get(), 4, m.is3d ? 1 : 0);
    sqlite3_bind_int64(model.get(), 5, m.nextPosition);
    if (sqlite3_step(model.get()) != SQLITE_DONE) return fail(error, sqlite3_errmsg(db));
  }
  std::int64_t seq = 0;
  for (const auto& r : content.rasters) {
    sqlite3_reset(raster.get());
    sqlite3_bind_int64(raster.get(), 1, r.model);
    sqlite3_bind_int64(raster.get(), 2, ++seq);
    bindText(raster.get(), 3, r.attachedName);
    bindText(raster.get(), 4, r.fullPath);
    bindBlob(raster.get(), 5, encodeRendering(r.rendering));
    bindBlob(raster.get(), 6, encodeGeoReference(r.georeference));
    bindBlob(raster.get(), 7, encodeExtended(r.extended));
    if (sqlite3_step(raster.get()) != SQLITE_DONE) return fail(error, sqlite3_errmsg(db));
  }
  if (!fillElementsAndLevels(db, content, error)) return false;
  if (sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr) != SQLITE_OK)
    return fail(error, sqlite3_errmsg(db));
  return true;
}

}  // namespace

// ---- Records ------------------------------------------------------------------------------------

std::vector<std::uint8_t> encodeRendering(const RasterRendering& r) {
  std::vector<std::uint8_t> b(sizeof(RasterRendering), 0);
  std::memcpy(b.data() + 0, r.reserved1, sizeof r.reserved1);
  b[5] = r.color.red;
  b[6] = r.color.green;
  b[7] = r.color.blue;
  std::memcpy(b.data() + 8, r.reserved2, sizeof r.reserved2);
  le::put32(b.data() + 16, static_cast<std::uint32_t>(r.invertedDisplay));
  le::put32(b.data() + 20, static_cast<std::uint32_t>(r.transparentBackground));
  le::put32(b.data() + 24, static_cast<std::uint32_t>(r.reserved3));
  le::put32(b.data() + 28, static_cast<std::uint32_t>(r.placementTransformApplied));
  std::memcpy(b.data() + 32, r.reserved4, sizeof r.reserved4);
  le::put32(b.data() + 44, static_cast<std::uint32_t>(r.displayPriority));
  b[48] = r.backgroundTransparency;
  std::memcpy(b.data() + 49, r.reserved5, sizeof r.reserved5);
  return b;
}

bool decodeRendering(const std::uint8_t* b, std::size_t size, RasterRendering* r) {
  if (size != sizeof(RasterRendering)) return false;
  RasterRendering out{};
  std::memcpy(out.reserved1, b, sizeof out.reserved1);
  out.color = RgbColorDef{b[5], b[6], b[7]};
  std::memcpy(out.reserved2, b + 8, sizeof out.reserved2);
  out.invertedDisplay = static_cast<std::int32_t>(le::get32(b + 16));
  out.transparentBackground = static_cast<std::int32_t>(le::get32(b + 20));
  out.reserved3 = static_cast<std::int32_t>(le::get32(b + 24));
  out.placementTransformApplied = static_cast<std::int32_t>(le::get32(b + 28));
  std::memcpy(out.reserved4, b + 32, sizeof out.reserved4);
  out.displayPriority = static_cast<std::int32_t>(le::get32(b + 44));
  out.backgroundTransparency = b[48];
  std::memcpy(out.reserved5, b + 49, sizeof out.reserved5);
  *r = out;
  return true;
}

std::vector<std::uint8_t> encodeGeoReference(const RasterGeoReference& g) {
  std::vector<std::uint8_t> b(sizeof(RasterGeoReference), 0);
  le::putDouble(b.data() + 0, g.origin.x);
  le::putDouble(b.data() + 8, g.origin.y);
  le::putDouble(b.data() + 16, g.origin.z);
  le::putDouble(b.data() + 24, g.extentX);
  le::putDouble(b.data() + 32, g.extentY);
  le::putDouble(b.data() + 40, g.rotation);
  le::putDouble(b.data() + 48, g.skew);
  std::memcpy(b.data() + 56, g.reserved, sizeof g.reserved);
  return b;
}

bool decodeGeoReference(const std::uint8_t* b, std::size_t size, RasterGeoReference* g) {
  if (size != sizeof(RasterGeoReference)) return false;
  RasterGeoReference out{};
  out.origin = DPoint3d{le::getDouble(b + 0), le::getDouble(b + 8), le::getDouble(b + 16)};
  out.extentX = le::getDouble(b + 24);
  out.extentY = le::getDouble(b + 32);
  out.rotation = le::getDouble(b + 40);
  out.skew = le::getDouble(b + 48);
  std::memcpy(out.reserved, b + 56, sizeof out.reserved);
  *g = out;
  return true;
}

std::vector<std::uint8_t> encodeExtended(const RasterExtendedInfo& e) {
  std::vector<std::uint8_t> b(sizeof(RasterExtendedInfo), 0);
  le::put32(b.data() + 0, static_cast<std::uint32_t>(e.state));
  std::memcpy(b.data() + 4, e.reserved, sizeof e.reserved);
  return b;
}

bool decodeExtended(const std::uint8_t* b, std::size_t size, RasterExtendedInfo* e) {
  if (size != sizeof(RasterExtendedInfo)) return false;
  RasterExtendedInfo out{};
  out.state = static_cast<std::int32_t>(le::get32(b + 0));
  std::memcpy(out.reserved, b + 4, sizeof out.reserved);
  *e = out;
  return true;
}

// ---- Content ------------------------------------------------------------------------------------

bool operator==(const DesignContent& a, const DesignContent& b) {
  if (a.info != b.info || a.models.size() != b.models.size() || a.rasters.size() != b.rasters.size() ||
      a.elements.size() != b.elements.size() || a.levels.size() != b.levels.size() ||
      a.textStyles.size() != b.textStyles.size() || a.references.size() != b.references.size())
    return false;
  for (std::size_t i = 0; i < a.references.size(); ++i) {
    const auto &x = a.references[i], &y = b.references[i];
    if (x.fileName != y.fileName || x.locate != y.locate || x.display != y.display) return false;
  }
  for (std::size_t i = 0; i < a.textStyles.size(); ++i) {
    const auto &x = a.textStyles[i], &y = b.textStyles[i];
    if (x.model != y.model || x.name != y.name || x.font != y.font || x.justification != y.justification ||
        x.width != y.width || x.height != y.height || x.lineSpacing != y.lineSpacing)
      return false;
  }
  for (std::size_t i = 0; i < a.models.size(); ++i) {
    const auto &x = a.models[i], &y = b.models[i];
    if (x.id != y.id || x.name != y.name || x.description != y.description || x.is3d != y.is3d ||
        x.nextPosition != y.nextPosition)
      return false;
  }
  for (std::size_t i = 0; i < a.elements.size(); ++i) {
    const auto &x = a.elements[i], &y = b.elements[i];
    if (x.model != y.model || x.position != y.position || x.image != y.image || x.damage != y.damage ||
        x.storedAsText != y.storedAsText)
      return false;
  }
  for (std::size_t i = 0; i < a.levels.size(); ++i) {
    const auto &x = a.levels[i], &y = b.levels[i];
    const auto same = [](const LevelSymbology& p, const LevelSymbology& q) {
      return p.color == q.color && p.weight == q.weight && p.style == q.style;
    };
    if (x.model != y.model || x.id != y.id || x.name != y.name || !same(x.element, y.element) ||
        !same(x.override_, y.override_))
      return false;
  }
  // Records compare in their stored form: that is what the file would hold.
  for (std::size_t i = 0; i < a.rasters.size(); ++i) {
    const auto &x = a.rasters[i], &y = b.rasters[i];
    if (x.model != y.model || x.attachedName != y.attachedName || x.fullPath != y.fullPath ||
        encodeRendering(x.rendering) != encodeRendering(y.rendering) ||
        encodeGeoReference(x.georeference) != encodeGeoReference(y.georeference) ||
        encodeExtended(x.extended) != encodeExtended(y.extended)) {
      return false;
    }
  }
  return true;
}

DesignContent newDesignContent() {
  DesignContent content;
  content.models.push_back(StoredModel{0, "Default", "", false, kFirstFilePosition});
  content.levels.push_back(defaultLevel(0));
  return content;
}

bool parseDesignFile(const std::uint8_t* bytes, std::size_t size, DesignContent* out, std::string* error) {
  *out = DesignContent();
  // A file last written in write-ahead-log mode holds everything up to its last checkpoint in its
  // own pages (readDesignFile refuses one whose log beside it may hold more).
  sqlite::StepBudget budget{kProgressUnits};  // outlives the database it guards
  const sqlite::FileKind kind{"design file", kMaxDesignFileBytes, kApplicationId, kFirstFormatVersion, kFormatVersion,
                              static_cast<int>(std::max<std::size_t>(kMaxDesignText, MAX_ELEMENT_SIZE) * 2),
                              sqlite::Copy::ReadOnlyIgnoringLog};
  long long version = 0;
  Db db = sqlite::openFile(bytes, size, kind, &budget, &version, error);
  if (!db) return false;
  if (!sqlite::isTable(db.get(), "info") || !sqlite::isTable(db.get(), "models") ||
      !sqlite::isTable(db.get(), "rasters") ||
      (version >= 2 && (!sqlite::isTable(db.get(), "elements") || !sqlite::isTable(db.get(), "levels"))) ||
      (version >= 3 && !sqlite::isTable(db.get(), "text_styles")) ||
      (version >= 4 && !sqlite::isTable(db.get(), "references"))) {
    return fail(error, "damaged design file: a table is missing");
  }
  DesignContent content;
  if (!readRows(db.get(), version, &content, error)) return false;
  *out = std::move(content);
  return true;
}

bool readDesignFile(const std::string& path, DesignContent* out, std::string* error) {
  *out = DesignContent();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return fail(error, path + ": " + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return fail(error, path + " is not a file");
  if (static_cast<unsigned long long>(st.st_size) > kMaxDesignFileBytes) {
    return fail(error, path + ": file too large for a design file");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(error, "cannot open " + path);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
  if (!bytes.empty())
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in || in.gcount() != static_cast<std::streamsize>(bytes.size()))
    return fail(error, "cannot read " + path);
  // Left in write-ahead-log mode by another program, with a log beside it: the changes in the log
  // may not be in the file yet, and reading the file alone would lose them.
  struct stat log {};
  if (bytes.size() >= 100 && bytes[18] == 2 && ::stat((path + "-wal").c_str(), &log) == 0 && log.st_size > 0) {
    return fail(error, path + " was left in write-ahead-log mode and " + path +
                           "-wal may hold changes that are not in it yet; open it once with the database "
                           "engine's own tool to fold them in");
  }
  std::string why;
  if (!parseDesignFile(bytes.data(), bytes.size(), out, &why)) return fail(error, path + ": " + why);
  return true;
}

bool serializeDesign(const DesignContent& content, std::vector<std::uint8_t>* out, std::string* error) {
  Db db = sqlite::openMemory();
  if (!db) return fail(error, "cannot start the database engine");
  if (!fillDatabase(db.get(), content, error)) return false;
  if (!sqlite::serialize(db.get(), out)) return fail(error, "out of memory");
  return true;
}

bool writeDesignFile(const std::string& path, const DesignContent& content, std::string* error) {
  std::vector<std::uint8_t> bytes;
  if (!serializeDesign(content, &bytes, error)) return false;
  AtomicFile file(path);
  if (!file.write(bytes.data(), bytes.size())) return fail(error, file.error());
  if (gWriteFault) return fail(error, "write interrupted (test fault)");  // the target stays untouched
  if (!file.commit()) return fail(error, file.error());
  return true;
}

void setDesignWriteFaultForTesting(bool fail) {
  gWriteFault = fail;
}

std::vector<std::uint8_t> alterDesignForTesting(const std::vector<std::uint8_t>& bytes,
                                                const std::string& sql) {
  Db db = sqlite::openCopy(bytes.data(), bytes.size(), sqlite::Copy::Writable);
  std::vector<std::uint8_t> result;
  if (!db || sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK ||
      !sqlite::serialize(db.get(), &result)) {
    return {};
  }
  return result;
}

}  // namespace pixmend::host
