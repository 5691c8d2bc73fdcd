// The active model's level table (design.hpp, "Levels"): names and identifiers, element and
// override symbology, the host's level library, and the symbology lists of the level dialogs.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/text.hpp"
#include "host/config/config.hpp"
#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"

namespace pixmend::host {
namespace {

struct Levels {
  std::int64_t model = 0;
  std::vector<StoredLevel> live;  // as the applications see them now
  std::vector<StoredLevel> kept;  // as the design file keeps them (mdlLevelTable_rewrite)
};

Levels& levels() {
  static Levels l;
  return l;
}

const bool resetRegistered = registerReset("design.levels", [] { loadLevels(newDesignContent()); });

StoredLevel* liveLevel(std::uint32_t id) {
  for (auto& l : levels().live) {
    if (l.id == id) return &l;
  }
  return nullptr;
}

StoredLevel* liveLevel(const std::string& name) {
  for (auto& l : levels().live) {
    if (text::equalIgnoringCase(l.name, name)) return &l;
  }
  return nullptr;
}

bool activeModel(DgnModelRefP ref) {
  return modelOf(ref).has_value();
}

// The names the host's level library offers, from PIXMEND_LEVEL_LIBRARY.
std::vector<std::string> libraryNames() {
  std::vector<std::string> names;
  const auto value = expandedVariable("PIXMEND_LEVEL_LIBRARY");
  if (!value) return names;
  std::string item;
  for (char c : *value + ";") {
    if (c != ';') {
      item += c;
      continue;
    }
    const std::string name(text::trimmed(item));
    if (!name.empty()) names.push_back(name);
    item.clear();
  }
  return names;
}

int createLevel(std::uint32_t* levelId, const std::string& name) {
  if (name.empty() || liveLevel(name) != nullptr) return MDLERR_BADARG;
  if (designReadOnly()) return MDLERR_MODELREADONLY;
  std::uint32_t id = 1;
  while (id <= MAX_LEVEL && liveLevel(id) != nullptr) ++id;
  if (id > MAX_LEVEL) return MDLERR_TOOLARGE;
  StoredLevel level;
  level.model = levels().model;
  level.id = id;
  level.name = name;
  auto& live = levels().live;
  live.insert(std::upper_bound(live.begin(), live.end(), id, [](std::uint32_t v, const StoredLevel& l) { return v < l.id; }),
              level);
  journal().append("design", "level " + std::to_string(id) + " \"" + name + "\" created");
  if (levelId != nullptr) *levelId = id;
  return SUCCESS;
}

int setSymbology(LevelSymbology StoredLevel::*which, DgnModelRefP modelRef, unsigned int levelId,
                 const unsigned int* color, const unsigned int* weight, const int* style) {
  if (!activeModel(modelRef)) return MDLERR_BADARG;
  StoredLevel* level = liveLevel(levelId);
  if (level == nullptr) return MDLERR_LEVELNOTFOUND;
  if ((color != nullptr && *color > 255) || (weight != nullptr && *weight > 31) || (style != nullptr && *style < 0))
    return MDLERR_BADARG;
  if (designReadOnly()) return MDLERR_MODELREADONLY;
  LevelSymbology& s = level->*which;
  if (color != nullptr) s.color = *color;
  if (weight != nullptr) s.weight = *weight;
  if (style != nullptr) s.style = *style;
  return SUCCESS;
}

}  // namespace

void loadLevels(const DesignContent& content) {
  Levels l;
  l.model = content.models.empty() ? 0 : content.models.front().id;
  for (const auto& level : content.levels) {
    if (level.model == l.model) l.kept.push_back(level);
  }
  l.live = l.kept;
  levels() = std::move(l);
}

void fillLevels(DesignContent* now) {
  const Levels& l = levels();
  auto& rows = now->levels;
  rows.erase(std::remove_if(rows.begin(), rows.end(), [&](const StoredLevel& r) { return r.model == l.model; }),
             rows.end());
  rows.insert(rows.end(), l.kept.begin(), l.kept.end());
  std::stable_sort(rows.begin(), rows.end(), [](const StoredLevel& a, const StoredLevel& b) {
    return a.model != b.model ? a.model < b.model : a.id < b.id;
  });
}

const StoredLevel* findLevel(std::uint32_t id) {
  return liveLevel(id);
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlLevel_getElementSymbology(unsigned int* color, unsigned int* weight, int* style, DgnModelRefP modelRef,
                                 unsigned int levelId) {
  const StoredLevel* level = activeModel(modelRef) ? liveLevel(levelId) : nullptr;
  if (level == nullptr) return MDLERR_LEVELNOTFOUND;
  if (color != nullptr) *color = level->element.color;
  if (weight != nullptr) *weight = level->element.weight;
  if (style != nullptr) *style = level->element.style;
  return SUCCESS;
}

int mdlLevel_setElementSymbology(DgnModelRefP modelRef, unsigned int levelId, const unsigned int* color,
                                 const unsigned int* weight, const int* style) {
  return setSymbology(&StoredLevel::element, modelRef, levelId, color, weight, style);
}

int mdlLevel_setOverrideSymbology(DgnModelRefP modelRef, unsigned int levelId, const unsigned int* color,
                                  const unsigned int* weight, const int* style) {
  return setSymbology(&StoredLevel::override_, modelRef, levelId, color, weight, style);
}

int mdlLevel_getIdFromName(unsigned int* levelId, DgnModelRefP modelRef, const MSWChar* name) {
  if (levelId == nullptr || name == nullptr || !activeModel(modelRef)) return MDLERR_BADARG;
  const StoredLevel* level = liveLevel(utf8FromWide(name, 512));
  if (level == nullptr) return MDLERR_LEVELNOTFOUND;
  *levelId = level->id;
  return SUCCESS;
}

int mdlLevel_getIdFromLibrary(unsigned int* levelId, const MSWChar* name) {
  if (levelId == nullptr || name == nullptr) return MDLERR_BADARG;
  const std::string wanted = utf8FromWide(name, 512);
  if (const StoredLevel* level = liveLevel(wanted)) {
    *levelId = level->id;
    return SUCCESS;
  }
  for (const auto& offered : libraryNames()) {
    if (pixmend::text::equalIgnoringCase(offered, wanted)) return createLevel(levelId, offered);
  }
  return MDLERR_LEVELNOTFOUND;
}

int mdlLevel_create(unsigned int* levelId, DgnModelRefP modelRef, const MSWChar* name) {
  if (name == nullptr || !activeModel(modelRef)) return MDLERR_BADARG;
  return createLevel(levelId, utf8FromWide(name, 512));
}

int mdlLevel_getName(MSWChar* name, int size, DgnModelRefP modelRef, unsigned int levelId) {
  if (name == nullptr || size < 1) return MDLERR_BADARG;
  name[0] = 0;
  const StoredLevel* level = activeModel(modelRef) ? liveLevel(levelId) : nullptr;
  if (level == nullptr) return MDLERR_LEVELNOTFOUND;
  return copyWide(wideFromUtf8(level->name), name, size) ? SUCCESS : MDLERR_TOOLARGE;
}

int mdlLevel_getIds(unsigned int* ids, int maxIds, DgnModelRefP modelRef) {
  if (!activeModel(modelRef)) return 0;
  const auto& live = levels().live;
  for (std::size_t i = 0; ids != nullptr && i < live.size() && static_cast<int>(i) < maxIds; ++i) ids[i] = live[i].id;
  return static_cast<int>(live.size());
}

int mdlLevelTable_rewrite(DgnModelRefP modelRef) {
  if (!activeModel(modelRef)) return MDLERR_BADARG;
  if (designReadOnly()) return MDLERR_MODELREADONLY;
  levels().kept = levels().live;
  requestDesignStore();
  return SUCCESS;
}

int mdlLevelList_getSymbologyListModel(ListModel* listModel, int kind, DgnModelRefP modelRef) {
  if (!activeModel(modelRef) || mdlListModel_getColumnCount(listModel) < 1) return MDLERR_BADARG;
  if (kind == SYMBOLOGY_LIST_STYLE) return mdlLevelList_getStyleListModel(listModel, modelRef);
  const int count = kind == SYMBOLOGY_LIST_COLOR ? 256 : kind == SYMBOLOGY_LIST_WEIGHT ? 32 : 0;
  if (count == 0) return MDLERR_BADARG;
  for (int i = 0; i < count; ++i) {
    ListCell* cell = mdlListRow_getCellAtIndex(mdlListModel_insertNewRow(listModel, -1), 0);
    if (cell == nullptr) return MDLERR_BADARG;
    char text[16];
    std::snprintf(text, sizeof text, "%d", i);
    mdlListCell_setStringValue(cell, text, 1);
    mdlListCell_setLongValue(cell, i);
  }
  return SUCCESS;
}

}  // extern "C"
