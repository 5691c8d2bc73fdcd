// The attached cell library and the cells read from it (cells.hpp, api.h). The library is read
// from its file when it is attached and again whenever the file changed since (its size or time),
// so a library rebuilt while the host runs is seen as it is now, and one damaged since is
// reported rather than used.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/text.hpp"
#include "host/design/api.h"
#include "host/design/cells.hpp"
#include "host/design/design.hpp"
#include "host/files/api.h"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/view/api.h"
#include "host/view/layout.hpp"

namespace el = pixmend::host::element;

namespace pixmend::host {
namespace {

constexpr int kMaxNesting = 16;  // complex elements inside complex elements, as deep as we follow

struct Attached {
  std::string path;
  DesignContent content;
  bool readable = false;
  long long size = -1, mtime = -1;
};

Attached& attached() {
  static Attached a;
  return a;
}

const bool registered = registerReset("design.cells", [] { attached() = Attached(); });

bool stamp(const std::string& path, long long* size, long long* mtime) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  *size = static_cast<long long>(st.st_size);
  *mtime = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  return true;
}

// The attached library's content as the file holds it now, or null (journaled once per change).
const DesignContent* library() {
  Attached& a = attached();
  if (a.path.empty()) return nullptr;
  long long size = -1, mtime = -1;
  if (!stamp(a.path, &size, &mtime)) size = mtime = -2;
  if (size != a.size || mtime != a.mtime) {
    a.size = size;
    a.mtime = mtime;
    std::string error;
    a.readable = readDesignFile(a.path, &a.content, &error);
    if (!a.readable) journal().append("cell", "the cell library " + a.path + " cannot be read: " + error);
  }
  return a.readable ? &a.content : nullptr;
}

bool isComplex(int type) {
  return type == CELL_HEADER_ELM || type == TEXT_NODE_ELM || type == CMPLX_SHAPE_ELM;
}

bool flagged(const StoredElement& e) {
  return (e.image[1] & 1u) != 0;
}

std::uint32_t componentCount(const MSElement& e) {
  return el::get32(e, el::typeOf(e) == TEXT_NODE_ELM ? el::kTextCount : el::kCellCount);
}

// Appends a copy of the row, flagged as a component, to `parent`; the new node, or null.
MSElementDescr* appendRow(MSElementDescr* parent, const StoredElement& row, MSElement* scratch) {
  std::copy(row.image.begin(), row.image.end(), reinterpret_cast<std::uint8_t*>(scratch->buf));
  reinterpret_cast<std::uint8_t*>(scratch->buf)[1] |= 1u;
  if (mdlElmdscr_appendElement(parent, scratch) != SUCCESS) return nullptr;
  MSElementDescr* last = mdlElmdscr_firstComponent(parent);
  while (mdlElmdscr_next(last) != nullptr) last = mdlElmdscr_next(last);
  return last;
}

// Takes the flagged rows from `i` on as components of `parent`: `budget` of them (a complex
// one with its own), or all that follow when negative. Counts come from a file: rows a count
// leaves over are kept as further components rather than lost.
bool takeComponents(MSElementDescr* parent, const std::vector<const StoredElement*>& rows, std::size_t* i,
                    long budget, int depth, MSElement* scratch) {
  while (*i < rows.size() && flagged(*rows[*i]) && budget != 0) {
    MSElementDescr* node = appendRow(parent, *rows[(*i)++], scratch);
    if (node == nullptr) return false;
    if (budget > 0) --budget;
    const MSElement& image = *mdlElmdscr_getElement(node);
    if (isComplex(el::typeOf(image)) && depth < kMaxNesting &&
        !takeComponents(node, rows, i, static_cast<long>(componentCount(image)), depth + 1, scratch)) {
      return false;
    }
  }
  return true;
}

// The cell of that model as a new descriptor: its header, then the model's elements.
int readCell(const DesignContent& lib, const StoredModel& model, MSElementDescr** out) {
  auto scratch = std::make_unique<MSElement>();
  if (const int status = newCellHeader(scratch.get(), wideFromUtf8(model.name), wideFromUtf8(model.description)))
    return status;
  MSElementDescr* cell = nullptr;
  if (const int status = mdlElmdscr_new(&cell, scratch.get())) return status;
  std::vector<const StoredElement*> rows;
  for (const auto& e : lib.elements) {
    if (e.model == model.id && e.damage.empty()) rows.push_back(&e);
  }
  if (rows.size() > kMaxCellElements) {
    journal().append("cell", "cell " + model.name + " has " + std::to_string(rows.size()) + " elements; a cell holds at most " +
                                 std::to_string(kMaxCellElements));
    mdlElmdscr_freeAll(&cell);
    return MDLERR_ELEMENTTOOLARGE;
  }
  std::uint32_t count = 0;
  for (std::size_t i = 0; i < rows.size(); ++count) {
    const bool complex = isComplex(rows[i]->image[0]);
    MSElementDescr* node = appendRow(cell, *rows[i++], scratch.get());
    const long budget =
        complex && node != nullptr ? static_cast<long>(componentCount(*mdlElmdscr_getElement(node))) : 0;
    // Flagged rows after an element that is no complex header (its header was damaged and left
    // out) are taken by this loop as elements of the cell.
    if (node == nullptr || (complex && (!takeComponents(node, rows, &i, budget, 1, scratch.get()) ||
                                        !takeComponents(node, rows, &i, -1, 1, scratch.get())))) {
      mdlElmdscr_freeAll(&cell);
      return MDLERR_INSFMEMORY;
    }
  }
  MSElement& header = *mdlElmdscr_getElement(cell);
  el::put32(header, el::kCellCount, count);
  DPoint3d low{HUGE_VAL, HUGE_VAL, HUGE_VAL}, high{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  cellRangeOf(mdlElmdscr_firstComponent(cell), &low, &high);
  if (count == 0 || !(low.x <= high.x)) low = high = DPoint3d{0, 0, 0};
  el::putPoint(header, el::kCellRangeLow, low);
  el::putPoint(header, el::kCellRangeHigh, high);
  *out = cell;
  return SUCCESS;
}

}  // namespace

const std::string& attachedCellLibrary() {
  return attached().path;
}

bool addCell(DesignContent* lib, const DesignContent& source, std::int64_t model, const std::string& name,
             const std::string& description, std::string* why) {
  auto refuse = [why](std::string reason) {
    if (why != nullptr) *why = std::move(reason);
    return false;
  };
  if (name.empty() || wideFromUtf8(name).size() > el::kMaxCellNameChars)
    return refuse("a cell's name is 1 to 512 characters");
  if (wideFromUtf8(description).size() > el::kMaxCellNameChars)
    return refuse("a cell's description is at most 512 characters");
  for (const auto& m : lib->models) {
    if (text::equalIgnoringCase(m.name, name)) return refuse("the library has a cell named " + m.name + " already");
  }
  const StoredModel* from = nullptr;
  for (const auto& m : source.models) {
    if (m.id == model) from = &m;
  }
  if (from == nullptr) return refuse("the design has no model " + std::to_string(model));
  StoredModel cell = *from;
  cell.id = lib->models.back().id + 1;  // models are kept by ascending identifier
  cell.name = name;
  cell.description = description;
  std::vector<StoredElement> elements;
  for (const auto& e : source.elements) {
    if (e.model != model) continue;
    if (!e.damage.empty()) {
      return refuse("element " + std::to_string(e.position) + " of model " + std::to_string(model) +
                    " is damaged (" + e.damage + "): a cell is made of sound elements only");
    }
    elements.push_back(e);
    elements.back().model = cell.id;
  }
  if (elements.empty()) return refuse("model " + std::to_string(model) + " has no elements");
  if (elements.size() > kMaxCellElements) {
    return refuse("model " + std::to_string(model) + " has " + std::to_string(elements.size()) +
                  " elements; a cell holds at most " + std::to_string(kMaxCellElements));
  }
  lib->models.push_back(cell);
  lib->elements.insert(lib->elements.end(), elements.begin(), elements.end());
  for (const auto& l : source.levels) {
    if (l.model != model) continue;
    lib->levels.push_back(l);
    lib->levels.back().model = cell.id;
  }
  return true;
}

bool newCellLibrary(const std::string& path, std::string* why) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (why != nullptr) *why = path + " exists already; a new cell library is a new file";
    return false;
  }
  std::string error;
  if (writeDesignFile(path, newDesignContent(), &error)) return true;
  if (why != nullptr) *why = path + ": " + error;
  return false;
}

bool addCellFromFile(const std::string& libraryPath, const std::string& name, const std::string& description,
                     const std::string& designPath, const std::int64_t* model, std::string* why) {
  auto fail = [why](std::string reason) {
    if (why != nullptr) *why = std::move(reason);
    return false;
  };
  DesignContent library, source;
  std::string error;
  if (!readDesignFile(libraryPath, &library, &error))
    return fail("cannot use " + libraryPath + " as a cell library: " + error);
  if (!readDesignFile(designPath, &source, &error)) return fail(error);
  const std::int64_t id = model != nullptr ? *model : source.models.front().id;
  if (!addCell(&library, source, id, name, description, &error)) return fail(libraryPath + ": " + error);
  if (!writeDesignFile(libraryPath, library, &error))
    return fail(libraryPath + ": " + error + " (the library is as it was)");
  return true;
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlCell_attachLibraryEx(char* foundName, const char* fileName, const char* cfgVar, int reserved) {
  (void)reserved;
  if (foundName != nullptr) foundName[0] = '\0';
  if (fileName == nullptr || fileName[0] == '\0') return MDLERR_BADARG;
  char found[MAXFILELENGTH];
  if (mdlFile_find(found, fileName, cfgVar, "cel") != SUCCESS) {
    journal().append("cell", std::string("cell library ") + fileName + " not found");
    return MDLERR_FILENOTFOUND;
  }
  DesignContent content;
  std::string error;
  if (!readDesignFile(found, &content, &error)) {
    journal().append("cell", std::string("cell library ") + found + " refused: " + error +
                                 (attached().path.empty() ? "" : "; " + attached().path + " stays attached"));
    return MDLERR_NOCELLLIBRARY;
  }
  Attached a;
  a.path = found;
  a.content = std::move(content);
  a.readable = true;
  stamp(a.path, &a.size, &a.mtime);
  attached() = std::move(a);
  journal().append("cell", std::string("attached cell library ") + found);
  if (foundName != nullptr) std::snprintf(foundName, MAXFILELENGTH, "%s", found);
  return SUCCESS;
}

int mdlCell_getLibraryFileName(char* name, int size) {
  if (name == nullptr || size < 1) return MDLERR_BADARG;
  name[0] = '\0';
  if (attached().path.empty()) return MDLERR_NOCELLLIBRARY;
  const int n = std::snprintf(name, static_cast<std::size_t>(size), "%s", attached().path.c_str());
  return n >= size ? MDLERR_TOOLARGE : SUCCESS;
}

int mdlCell_getLibraryCellCount(void) {
  const DesignContent* lib = library();
  return lib == nullptr ? -1 : static_cast<int>(lib->models.size());
}

int mdlCell_getLibraryCell(MSWChar* name, int nameSize, MSWChar* description, int descriptionSize, int index) {
  const DesignContent* lib = library();
  if (lib == nullptr) return MDLERR_NOCELLLIBRARY;
  if (index < 0 || static_cast<std::size_t>(index) >= lib->models.size()) return MDLERR_CELLNOTFOUND;
  const StoredModel& m = lib->models[static_cast<std::size_t>(index)];
  if (name != nullptr && nameSize > 0) copyWide(wideFromUtf8(m.name), name, nameSize);
  if (description != nullptr && descriptionSize > 0) copyWide(wideFromUtf8(m.description), description, descriptionSize);
  return SUCCESS;
}

int mdlCell_getElmDscr(MSElementDescr** descrOut, const MSWChar* cellName, int cellFlag) {
  (void)cellFlag;  // every cell is read at the library's own coordinates
  if (descrOut == nullptr) return MDLERR_BADARG;
  *descrOut = nullptr;
  const DesignContent* lib = library();
  if (lib == nullptr) return MDLERR_NOCELLLIBRARY;
  if (cellName == nullptr) return MDLERR_CELLNOTFOUND;
  const std::string name = utf8FromWide(cellName, el::kMaxCellNameChars + 1);
  for (const auto& m : lib->models) {
    if (pixmend::text::equalIgnoringCase(m.name, name)) return readCell(*lib, m, descrOut);
  }
  return MDLERR_CELLNOTFOUND;
}

}  // extern "C"
