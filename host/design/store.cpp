// The elements of the open design (design.hpp, "Elements"): each model's elements by file
// position, the identifiers and times given on add, the host's undo of deletions, and the design's
// counters (next element identifier, active graphic group), kept in the design file with the rest.
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "common/text.hpp"
#include "host/design/design.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/state/state.hpp"
#include "host/view/layout.hpp"

namespace pixmend::host {
namespace {

namespace el = element;

// Info rows of the design's counters.
constexpr const char* kNextIdKey = "next element identifier";
constexpr const char* kGraphicGroupKey = "next graphic group";
// Deletions the host's undo can bring back (the oldest are forgotten beyond this).
constexpr std::size_t kUndoDepth = 256;

struct ModelElements {
  std::map<std::uint32_t, StoredElement> rows;
  std::uint32_t next = kFirstFilePosition;
};

struct Store {
  std::map<std::int64_t, ModelElements> models;
  std::uint64_t nextId = 1;
  std::uint32_t graphicGroup = 1;
  std::vector<std::vector<StoredElement>> undo;  // each entry: the elements of one deletion
};

Store& store() {
  static Store s;
  return s;
}

std::uint64_t infoNumber(const DesignContent& content, const char* key, std::uint64_t fallback) {
  for (const auto& [k, v] : content.info) {
    if (k != key) continue;
    const auto n = text::parseInteger(v, 1, INT64_MAX);
    if (n) return static_cast<std::uint64_t>(*n);
  }
  return fallback;
}

void setInfo(DesignContent* content, const char* key, const std::string& value) {
  for (auto& [k, v] : content->info) {
    if (k == key) {
      v = value;
      return;
    }
  }
  content->info.emplace_back(key, value);
}

std::uint64_t nowMilliseconds() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

std::uint64_t identifierOf(const std::vector<std::uint8_t>& image) {
  return le::get64(image.data() + el::kIdentifier);
}

bool isComponent(const StoredElement& e) {
  return e.damage.empty() && (le::get32(e.image.data() + el::kTypeWord) & el::kComponentFlag) != 0;
}

std::string describe(std::int64_t model, std::uint32_t position) {
  return "element " + std::to_string(position) + " of model " + std::to_string(model);
}

void undoKeyin(const std::string&) {
  if (!undoLastDeletion()) journal().append("design", "nothing to undo");
}

const bool resetRegistered = registerReset("design.elements", [] { store() = Store(); });
const bool keyinRegistered = [] {
  registerBuiltinKeyin("undo", undoKeyin);
  return true;
}();

}  // namespace

void loadElements(const DesignContent& content) {
  Store s;
  for (const auto& m : content.models) s.models[m.id].next = m.nextPosition;
  std::uint64_t maxId = 0;
  for (const auto& e : content.elements) {
    s.models[e.model].rows[e.position] = e;
    if (!e.damage.empty()) {
      journal().append("design", describe(e.model, e.position) + " is damaged (" + e.damage +
                                     "): it stays in the file as it is and is left out of the design");
    } else {
      maxId = std::max(maxId, identifierOf(e.image));
    }
  }
  // Identifiers stay unique even when the counter was lost (a file of the first format).
  s.nextId = std::max<std::uint64_t>(infoNumber(content, kNextIdKey, 1), maxId + 1);
  s.graphicGroup = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(infoNumber(content, kGraphicGroupKey, 1), UINT32_MAX));
  store() = std::move(s);
}

void setForeignElements(std::int64_t model, const DesignContent& content) {
  ModelElements m;
  const std::int64_t first = content.models.front().id;
  m.next = content.models.front().nextPosition;
  for (const auto& e : content.elements) {
    if (e.model != first) continue;
    StoredElement copy = e;
    copy.model = model;
    m.rows[e.position] = std::move(copy);
  }
  store().models[model] = std::move(m);
}

void dropForeignElements(std::int64_t model) {
  store().models.erase(model);
}

void fillElements(DesignContent* now) {
  const Store& s = store();
  now->elements.clear();
  for (auto& m : now->models) {
    const auto it = s.models.find(m.id);
    if (it == s.models.end()) continue;
    m.nextPosition = it->second.next;
    for (const auto& [position, e] : it->second.rows) now->elements.push_back(e);
  }
  if (s.nextId > 1 || infoNumber(*now, kNextIdKey, 0) != 0) setInfo(now, kNextIdKey, std::to_string(s.nextId));
  if (s.graphicGroup > 1 || infoNumber(*now, kGraphicGroupKey, 0) != 0)
    setInfo(now, kGraphicGroupKey, std::to_string(s.graphicGroup));
  std::sort(now->info.begin(), now->info.end());
}

std::uint32_t addElement(std::int64_t model, std::vector<std::uint8_t> image) {
  ModelElements& m = store().models[model];
  if (m.next == UINT32_MAX) return 0;  // the model has given every position it has
  const std::uint32_t position = m.next++;
  le::put64(image.data() + el::kIdentifier, store().nextId++);
  le::put64(image.data() + el::kModified, nowMilliseconds());
  const int type = static_cast<int>(le::get32(image.data() + el::kTypeWord) & 0xff);
  journal().append("design", "added " + describe(model, position) + ": type " + std::to_string(type) + ", level " +
                                 std::to_string(le::get32(image.data() + el::kLevel)) + ", " +
                                 std::to_string(image.size()) + " bytes");
  m.rows[position] = StoredElement{model, position, std::move(image), ""};
  requestDesignStore();
  return position;
}

const StoredElement* findElement(std::int64_t model, std::uint32_t position) {
  const auto m = store().models.find(model);
  if (m == store().models.end()) return nullptr;
  const auto it = m->second.rows.find(position);
  return it == m->second.rows.end() || !it->second.damage.empty() ? nullptr : &it->second;
}

bool rewriteElement(std::int64_t model, std::uint32_t position, std::vector<std::uint8_t> image) {
  const StoredElement* old = findElement(model, position);
  if (old == nullptr) return false;
  // The element keeps its identity; only its time changes.
  le::put64(image.data() + el::kIdentifier, identifierOf(old->image));
  le::put64(image.data() + el::kModified, nowMilliseconds());
  journal().append("design", "rewrote " + describe(model, position) + ": " + std::to_string(image.size()) + " bytes");
  store().models[model].rows[position].image = std::move(image);
  requestDesignStore();
  return true;
}

std::vector<std::uint32_t> componentsOf(std::int64_t model, std::uint32_t position) {
  std::vector<std::uint32_t> out;
  const auto m = store().models.find(model);
  if (m == store().models.end()) return out;
  auto it = m->second.rows.upper_bound(position);
  for (; it != m->second.rows.end() && isComponent(it->second); ++it) out.push_back(it->first);
  return out;
}

bool deleteElement(std::int64_t model, std::uint32_t position, bool undoable) {
  if (findElement(model, position) == nullptr) return false;
  std::vector<std::uint32_t> gone = componentsOf(model, position);
  gone.insert(gone.begin(), position);
  auto& rows = store().models[model].rows;
  std::vector<StoredElement> kept;
  for (std::uint32_t p : gone) {
    kept.push_back(std::move(rows[p]));
    rows.erase(p);
  }
  journal().append("design", "deleted " + describe(model, position) + (undoable ? " (undoable)" : ""));
  if (undoable) {
    auto& undo = store().undo;
    if (undo.size() == kUndoDepth) undo.erase(undo.begin());
    undo.push_back(std::move(kept));
  }
  requestDesignStore();
  return true;
}

bool undoLastDeletion() {
  auto& undo = store().undo;
  if (undo.empty()) return false;
  std::vector<StoredElement> back = std::move(undo.back());
  undo.pop_back();
  for (auto& e : back) {
    journal().append("design", "undo: " + describe(e.model, e.position) + " is back");
    const std::int64_t model = e.model;
    const std::uint32_t position = e.position;
    store().models[model].rows[position] = std::move(e);
  }
  requestDesignStore();
  return true;
}

std::uint32_t elementAfter(std::int64_t model, std::uint32_t after, std::uint32_t limit, bool components) {
  const auto m = store().models.find(model);
  if (m == store().models.end()) return 0;
  for (auto it = m->second.rows.upper_bound(after); it != m->second.rows.end() && it->first < limit; ++it) {
    if (!it->second.damage.empty() || (!components && isComponent(it->second))) continue;
    return it->first;
  }
  return 0;
}

std::uint32_t positionLimit(std::int64_t model) {
  const auto m = store().models.find(model);
  return m == store().models.end() ? kFirstFilePosition : m->second.next;
}

std::uint32_t activeGraphicGroup() {
  return store().graphicGroup;
}

void setActiveGraphicGroup(std::uint32_t next) {
  if (next == store().graphicGroup) return;
  store().graphicGroup = next;
  requestDesignStore();
}

}  // namespace pixmend::host
