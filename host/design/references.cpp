// Design files attached to the open design as references (design.hpp, "References"): kept in the
// design file by name, opened read-only with the one design-file reader, their elements served
// under a model identifier of their own that the design file never holds.
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"

namespace pixmend::host {
namespace {

// Reference elements live in the element store under negative model identifiers; a design file's
// models are numbered from 0 up, so the two never meet.
constexpr std::int64_t kFirstReferenceModel = -1;

struct Reference {
  DgnModelRef model;
  StoredReference stored;
  std::string path;  // where it was looked for
  std::int64_t storeModel = 0;
  bool found = false;    // read and sound
  bool present = false;  // there when last looked at
  bool is3d = false;     // its first model's, as last read
  struct stat seen {};   // the file as last looked at: a change means reading it again
};

struct References {
  std::vector<std::unique_ptr<Reference>> list;
  std::int64_t nextModel = kFirstReferenceModel;
};

References& references() {
  static References r;
  return r;
}

Reference* find(const DgnModelRef* model) {
  for (const auto& r : references().list) {
    if (&r->model == model) return r.get();
  }
  return nullptr;
}

// A relative name is relative to the open design's folder, as the user gave it.
std::string resolve(const std::string& fileName) {
  if (fileName.empty() || fileName.front() == '/') return fileName;
  return designFolder() + fileName;
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Reads the reference's file (its first model's elements); false with the reason when it is
// missing or not a sound design file, and then it has no elements.
bool read(Reference* r, std::string* why) {
  dropForeignElements(r->storeModel);
  r->found = false;
  r->seen = {};
  r->present = ::stat(r->path.c_str(), &r->seen) == 0;
  if (!r->present) {
    *why = "not found";
    return false;
  }
  DesignContent content;
  if (!readDesignFile(r->path, &content, why)) return false;
  setForeignElements(r->storeModel, content);
  r->is3d = content.models.front().is3d;
  r->found = true;
  return true;
}

// Reads the file again when it changed or vanished since it was read.
void refresh(Reference* r) {
  struct stat st {};
  const bool present = ::stat(r->path.c_str(), &st) == 0;
  if (present == r->present && (!present || sameFile(st, r->seen))) return;
  std::string why;
  if (read(r, &why)) {
    journal().append("design", "reference " + r->stored.fileName + " changed: read again");
  } else {
    journal().append("design", "reference " + r->stored.fileName + " cannot be read (" + why + ")");
  }
}

Reference* add(const StoredReference& stored, std::string* why) {
  auto r = std::make_unique<Reference>();
  r->stored = stored;
  r->path = resolve(stored.fileName);
  r->storeModel = references().nextModel--;
  read(r.get(), why);
  references().list.push_back(std::move(r));
  return references().list.back().get();
}

void clear() {
  for (const auto& r : references().list) dropForeignElements(r->storeModel);
  references().list.clear();
}

const bool registered = registerReset("design.references", [] { references() = References(); });

}  // namespace

void loadReferences(const DesignContent& content) {
  clear();
  for (const auto& s : content.references) {
    std::string why;
    const Reference* r = add(s, &why);
    if (!r->found) journal().append("design", "reference " + s.fileName + " cannot be read (" + why + ")");
  }
}

void fillReferences(DesignContent* now) {
  now->references.clear();
  for (const auto& r : references().list) now->references.push_back(r->stored);
}

bool attachReference(const StoredReference& reference, std::string* why) {
  if (reference.fileName.empty()) {
    *why = "no file name";
    return false;
  }
  if (designReadOnly()) {
    *why = "the design file is read-only";
    return false;
  }
  if (references().list.size() >= kMaxDesignReferences) {
    *why = "a design holds at most " + std::to_string(kMaxDesignReferences) + " references";
    return false;
  }
  const std::string path = resolve(reference.fileName);
  struct stat mine {}, theirs {};
  if (::stat(path.c_str(), &theirs) != 0) {
    *why = reference.fileName + " not found";
    return false;
  }
  if (!designFileName().empty() && ::stat(designFileName().c_str(), &mine) == 0 && mine.st_dev == theirs.st_dev &&
      mine.st_ino == theirs.st_ino) {
    *why = "a design cannot be attached to itself";
    return false;
  }
  DesignContent probe;
  std::string reason;
  if (!readDesignFile(path, &probe, &reason)) {
    *why = reference.fileName + " is not a design file that can be read (" + reason + ")";
    return false;
  }
  add(reference, &reason);
  journal().append("design", "attached reference " + reference.fileName + (reference.locate ? "" : " nolocate") +
                                 (reference.display ? "" : " nodisplay"));
  requestDesignStore();
  return true;
}

bool detachReference(int index, std::string* why) {
  auto& list = references().list;
  if (index < 0 || static_cast<std::size_t>(index) >= list.size()) {
    *why = "no reference " + std::to_string(index + 1);
    return false;
  }
  if (designReadOnly()) {
    *why = "the design file is read-only";
    return false;
  }
  journal().append("design", "detached reference " + list[static_cast<std::size_t>(index)]->stored.fileName);
  dropForeignElements(list[static_cast<std::size_t>(index)]->storeModel);
  list.erase(list.begin() + index);
  requestDesignStore();
  return true;
}

std::vector<ReferenceState> listReferences() {
  std::vector<ReferenceState> out;
  for (const auto& r : references().list) {
    refresh(r.get());
    out.push_back({r->stored, r->found});
  }
  return out;
}

std::optional<std::int64_t> referenceModelOf(const DgnModelRef* model) {
  Reference* r = find(model);
  if (r == nullptr) return std::nullopt;
  refresh(r);
  return r->storeModel;
}

bool isReference(const DgnModelRef* model) {
  return find(model) != nullptr;
}

bool referenceIs3d(const DgnModelRef* model) {
  Reference* r = find(model);
  if (r == nullptr) return false;
  refresh(r);
  return r->found && r->is3d;
}

const std::string* referencePath(const DgnModelRef* model) {
  const Reference* r = find(model);
  return r != nullptr ? &r->path : nullptr;
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

// Only the active model has references: a reference's own attachments are not followed.
int mdlRefFile_getCount(DgnModelRefP parent) {
  if (parent != nullptr && parent != mdlModelRef_getActive()) return 0;
  return static_cast<int>(references().list.size());
}

DgnModelRefP mdlRefFile_getModelRef(DgnModelRefP parent, int index) {
  const auto& list = references().list;
  if ((parent != nullptr && parent != mdlModelRef_getActive()) || index < 0 ||
      static_cast<std::size_t>(index) >= list.size())
    return nullptr;
  Reference* r = list[static_cast<std::size_t>(index)].get();
  refresh(r);
  return &r->model;
}

int mdlRefFile_getParameters(void* value, int param, DgnModelRefP reference) {
  Reference* r = find(reference);
  if (value == nullptr || r == nullptr) return MDLERR_BADARG;
  int answer = 0;
  switch (param) {
    case REFERENCE_LOCATE: answer = r->stored.locate ? 1 : 0; break;
    case REFERENCE_DISPLAY: answer = r->stored.display ? 1 : 0; break;
    case REFERENCE_FILEFOUND:
      refresh(r);
      answer = r->found ? 1 : 0;
      break;
    default: return MDLERR_BADARG;
  }
  *static_cast<int*>(value) = answer;
  return SUCCESS;
}

}  // extern "C"
