// The open design: the design file the host has open (or the temporary design), creating and
// opening design files with the new-design-file events, writing the design back when it
// changed, and the model calls that answer from it (file name, dimension, work mode).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "common/text.hpp"
#include "host/config/config.hpp"
#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/files/files.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/system/api.h"
#include "host/system/idle.hpp"
#include "host/system/loader.hpp"
#include "host/system/publish.hpp"

namespace pixmend::host {
namespace {

// The info row that keeps the design's units (absent: 1 UOR per master unit).
constexpr const char* kUnitsKey = "uors per master unit";

struct OpenDesign {
  std::string path;  // "" for the temporary design
  bool readOnly = false;
  bool readOnlyReported = false;
  DesignContent stored = newDesignContent();  // what the file holds now
  std::int64_t activeModel = 0;
  bool storeWanted = false;
  std::optional<int> workMode;  // taken when the design file opened
  double uorsPerMaster = 1.0;
};

OpenDesign& design() {
  static OpenDesign open;
  return open;
}

const bool resetRegistered = registerReset("design.file", [] { design() = OpenDesign(); });
const bool idleRegistered = registerIdleWork("design", [] {
  if (!design().storeWanted) return false;
  storeDesignNow();
  return true;
});

// Writing replaces the file, so both the file and its folder must take it: canReplaceFile tries
// the folder (permission bits alone do not stop root; a file kept without write bits counts as
// read-only for everyone), and an open for writing sees a read-only mount or an immutable file.
bool mayWrite(const std::string& path) {
  if (!canReplaceFile(path)) return false;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

int workModeFromVariable() {
  const auto value = expandedVariable("PIXMEND_WORKMODE");
  if (value && *value == "DWG") return WORKMODE_DWG;
  if (value && *value == "V7") return WORKMODE_V7;
  return WORKMODE_DGN;
}

// The units a design's info holds: a finite number above 0, else 1.
double unitsOf(const DesignContent& content) {
  for (const auto& [key, value] : content.info) {
    if (key != kUnitsKey) continue;
    const auto units = text::parseNumber(value);
    if (units && *units > 0) return *units;
  }
  return 1.0;
}

AttachmentKeeper& keeper() {
  static AttachmentKeeper k;
  return k;
}

// The design as it stands: the stored models (and the other models' attachments as the file
// holds them), with the active model's attachments as the raster library holds them now.
DesignContent currentContent() {
  const OpenDesign& d = design();
  DesignContent now;
  now.info = d.stored.info;
  if (d.uorsPerMaster != unitsOf(d.stored)) {
    now.info.erase(std::remove_if(now.info.begin(), now.info.end(), [](const auto& row) { return row.first == kUnitsKey; }),
                   now.info.end());
    now.info.emplace_back(kUnitsKey, formatNumber(d.uorsPerMaster));
    // As the file gives them back: ordered by key.
    std::sort(now.info.begin(), now.info.end());
  }
  now.models = d.stored.models;
  now.levels = d.stored.levels;
  fillElements(&now);
  fillLevels(&now);
  fillTextStyles(&now);
  fillReferences(&now);
  for (const auto& m : d.stored.models) {
    if (m.id == d.activeModel) {
      if (keeper().stored != nullptr)
        for (auto& r : keeper().stored(m.id)) now.rasters.push_back(std::move(r));
    } else {
      for (const auto& r : d.stored.rasters) {
        if (r.model == m.id) now.rasters.push_back(r);
      }
    }
  }
  return now;
}

// Ends the open design: the applications hear of it while its attachments are still there,
// its changes are written, and its attachments go.
void closeCurrent() {
  OpenDesign& d = design();
  const bool temporary = d.path.empty();
  const bool hasAttachments = keeper().any != nullptr && keeper().any();
  if (temporary && !hasAttachments) return;
  const std::string name = d.path;
  raiseSystemEvent(SYSTEM_NEW_DESIGN_FILE, name, DESIGN_FILE_CLOSING);
  storeDesignNow();
  if (keeper().drop != nullptr) keeper().drop();
  if (temporary) {
    journal().append("design", "closed the temporary design (its attachments were not stored)");
  } else {
    journal().append("design", "closed " + name);
    undefineVariable("_DGNDIR", kCfgLevelSystem);
    undefineVariable("_DGNFILE", kCfgLevelSystem);
  }
  design() = OpenDesign();
  loadElements(design().stored);
  loadLevels(design().stored);
  loadTextStyles(design().stored);
  loadReferences(design().stored);
}

void switchTo(const std::string& path, DesignContent content, const char* verb) {
  closeCurrent();
  OpenDesign& d = design();
  d.path = path;
  d.stored = std::move(content);
  d.activeModel = d.stored.models.front().id;
  d.workMode = workModeFromVariable();
  d.readOnly = !mayWrite(path);
  d.uorsPerMaster = unitsOf(d.stored);
  startNewModel();
  defineVariable("_DGNDIR", designFolder().empty() ? "./" : designFolder(), kCfgLevelSystem);
  defineVariable("_DGNFILE", path, kCfgLevelSystem);
  journal().append("design", std::string(verb) + " " + path + (d.readOnly ? " (read-only)" : ""));
  loadElements(d.stored);
  loadLevels(d.stored);
  loadTextStyles(d.stored);
  loadReferences(d.stored);
  std::vector<StoredRaster> mine;
  for (const auto& r : d.stored.rasters) {
    if (r.model == d.activeModel) mine.push_back(r);
  }
  if (keeper().restore != nullptr) keeper().restore(mine);
  raiseSystemEvent(SYSTEM_NEW_DESIGN_FILE, path, DESIGN_FILE_OPENED);
}

}  // namespace

void setAttachmentKeeper(const AttachmentKeeper& k) {
  keeper() = k;
}

bool createDesign(const std::string& path, std::string* error) {
  struct stat st {};
  if (path.empty()) {
    if (error != nullptr) *error = "which design file?";
    return false;
  }
  if (::lstat(path.c_str(), &st) == 0) {
    if (error != nullptr) *error = path + " exists already (design open takes an existing design)";
    return false;
  }
  DesignContent content = newDesignContent();
  std::string why;
  if (!writeDesignFile(path, content, &why)) {
    journal().append("file", "could not write " + path);
    if (error != nullptr) *error = "cannot create " + path + ": " + why;
    return false;
  }
  switchTo(path, std::move(content), "created");
  return true;
}

bool openDesign(const std::string& path, std::string* error) {
  if (path.empty()) {
    if (error != nullptr) *error = "which design file?";
    return false;
  }
  // A write of this design killed part-way left its temporary beside it: it goes now.
  removeStaleTemporaries(path);
  DesignContent content;
  if (!readDesignFile(path, &content, error)) return false;
  switchTo(path, std::move(content), "opened");
  return true;
}

void closeDesign() {
  closeCurrent();
}

const std::string& designFileName() {
  return design().path;
}

std::string designFolder() {
  const std::string& path = design().path;
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool designReadOnly() {
  return design().readOnly;
}

std::int64_t activeModelId() {
  return design().activeModel;
}

bool activeModelIs3d() {
  const OpenDesign& d = design();
  for (const auto& m : d.stored.models) {
    if (m.id == d.activeModel) return m.is3d;
  }
  return false;
}

double uorsPerMasterUnit() {
  return design().uorsPerMaster;
}

bool setUorsPerMasterUnit(double uors) {
  if (!std::isfinite(uors) || !(uors > 0)) return false;
  design().uorsPerMaster = uors;
  journal().append("design", formatNumber(uors) + " units of resolution per master unit");
  requestDesignStore();
  return true;
}

void requestDesignStore() {
  design().storeWanted = true;
}

bool storeDesignNow() {
  OpenDesign& d = design();
  d.storeWanted = false;
  if (d.path.empty()) return true;  // the temporary design has no file
  DesignContent now = currentContent();
  if (now == d.stored) return true;
  if (d.readOnly) {
    if (!d.readOnlyReported) {
      journal().append("design", d.path + " is read-only: its changes are not stored");
      d.readOnlyReported = true;
    }
    return false;
  }
  std::string error;
  if (!writeDesignFile(d.path, now, &error)) {
    journal().append("file", "could not write " + d.path);
    journal().append("text", "design: " + d.path + ": " + error + "\n");
    return false;
  }
  d.stored = std::move(now);
  journal().append("file", "wrote " + d.path);
  return true;
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlModelRef_getFileName(DgnModelRefP modelRef, char* name, int size) {
  if (name == nullptr || size < 1) return MDLERR_BADARG;
  const std::string* path = nullptr;
  if (modelRef == nullptr || modelRef == mdlModelRef_getActive()) {
    path = &designFileName();
  } else {
    path = isReference(modelRef) ? referencePath(modelRef) : workFilePath(modelRef);
  }
  if (path == nullptr) {
    name[0] = '\0';
    return MDLERR_BADARG;
  }
  std::snprintf(name, static_cast<std::size_t>(size), "%s", path->c_str());
  return path->size() < static_cast<std::size_t>(size) ? SUCCESS : MDLERR_TOOLARGE;
}

}  // extern "C"

std::optional<std::int64_t> pixmend::host::modelOf(const DgnModelRef* ref) {
  if (ref == nullptr || ref == mdlModelRef_getActive()) return activeModelId();
  return std::nullopt;
}

std::optional<std::int64_t> pixmend::host::elementModelOf(const DgnModelRef* ref) {
  const auto model = modelOf(ref);
  return model ? model : referenceModelOf(ref);
}

extern "C" {

int mdlModelRef_is3D(DgnModelRefP modelRef) {
  if (modelRef == nullptr || modelRef == mdlModelRef_getActive()) return activeModelIs3d() ? 1 : 0;
  return referenceIs3d(modelRef) ? 1 : 0;
}

int mdlSystem_getWorkmode(void) {
  const auto& mode = design().workMode;
  return mode ? *mode : workModeFromVariable();
}

}  // extern "C"
