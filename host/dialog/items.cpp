// Items of the dialog manager: their values, read from and written to the published records
// they are bound to, the one parser of values given to them (by a user or by a program), and the
// C calls that read and change items, option buttons and list boxes.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <optional>
#include <string>

#include "common/text.hpp"
#include "host/dialog/dispatch.hpp"
#include "host/dialog/manager.hpp"
#include "host/resource/openfiles.hpp"
#include "host/resource/store.hpp"
#include "host/system/publish.hpp"
#include "host/system/registry.hpp"

namespace pixmend::host {

bool takesText(const Item& item) {
  return item.spec.type == RTYPE_TEXT || item.spec.type == RTYPE_COMBOBOX;
}
bool takesNumber(const Item& item) {
  return item.spec.type == RTYPE_OPTIONBTN || item.spec.type == RTYPE_TOGGLE ||
         item.spec.type == RTYPE_LISTBOX;
}

bool readAccess(Item& item) {
  if (item.spec.access.empty()) return false;
  const auto ref = resolveAccess(item.spec.access);
  if (!ref) return false;
  if (takesText(item)) {
    item.text = readText(*ref);
  } else if (takesNumber(item)) {
    const auto n = readNumber(*ref);
    if (!n) return false;
    item.number = *n;
  }
  return true;
}

bool writeAccess(const Item& item, const std::string& text, double number) {
  if (item.spec.access.empty()) return true;
  const auto ref = resolveAccess(item.spec.access);
  if (!ref) return false;
  return takesText(item) ? writeText(*ref, text) : writeNumber(*ref, number);
}

bool parseItemValue(const Item& item, const std::string& value, ItemValue* out, std::string* why) {
  auto fail = [&](std::string text) {
    if (why != nullptr) *why = std::move(text);
    return false;
  };
  ItemValue parsed;
  parsed.text = item.text;
  parsed.number = item.number;
  switch (item.spec.type) {
    case RTYPE_COMBOBOX:  // any text; the entries are only offered
    case RTYPE_TEXT: {
      if (item.spec.maxLength > 0 && static_cast<int>(value.size()) > item.spec.maxLength) {
        return fail("takes at most " + std::to_string(item.spec.maxLength) + " characters");
      }
      parsed.text = value;
      const auto ref = item.spec.access.empty() ? std::nullopt : resolveAccess(item.spec.access);
      if (ref && ref->field != nullptr && ref->field->type != FieldType::Text &&
          ref->field->type != FieldType::Bytes) {
        const auto number = text::parseNumber(value);
        if (!number) return fail("takes a number, not " + quoted(value));
        parsed.number = *number;
      }
      break;
    }
    case RTYPE_TOGGLE: {
      const std::string word = text::lower(value);
      if (word == "1" || word == "on" || word == "true" || word == "yes") {
        parsed.number = 1;
      } else if (word == "0" || word == "off" || word == "false" || word == "no") {
        parsed.number = 0;
      } else {
        return fail("is a toggle: on or off, not " + quoted(value));
      }
      break;
    }
    case RTYPE_OPTIONBTN: {
      for (const auto& e : item.spec.options) {
        if (plainLabel(e.label) == plainLabel(value)) parsed.option = &e;
      }
      if (parsed.option == nullptr) {
        if (const auto n = text::parseInteger(value, LONG_MIN, LONG_MAX, 0)) {
          for (const auto& e : item.spec.options) {
            if (e.value == *n && parsed.option == nullptr) parsed.option = &e;
          }
        }
      }
      if (parsed.option == nullptr) return fail("has no option " + quoted(value));
      parsed.number = static_cast<double>(parsed.option->value);
      break;
    }
    case RTYPE_LISTBOX: {
      // One row, or with multiple selection rows separated by commas ("" selects none).
      const int rows = item.model != nullptr ? mdlListModel_getRowCount(item.model) : 0;
      std::vector<std::string> words;
      if (!item.spec.multiple) {
        words.push_back(value);
      } else if (!text::trimmed(value).empty()) {
        std::size_t from = 0;
        for (std::size_t comma; (comma = value.find(',', from)) != std::string::npos; from = comma + 1)
          words.push_back(value.substr(from, comma - from));
        words.push_back(value.substr(from));
      }
      parsed.rows.clear();
      for (const auto& word : words) {
        const auto n = text::parseInteger(word, 0, rows - 1, 0);
        if (!n) return fail("has " + std::to_string(std::max(rows, 0)) + " rows; no row " + quoted(word));
        parsed.rows.push_back(static_cast<int>(*n));
      }
      std::sort(parsed.rows.begin(), parsed.rows.end());
      parsed.rows.erase(std::unique(parsed.rows.begin(), parsed.rows.end()), parsed.rows.end());
      parsed.number = parsed.rows.empty() ? -1 : parsed.rows.front();
      break;
    }
    default:
      return fail("takes no value");
  }
  *out = std::move(parsed);
  return true;
}

void refreshSynonyms(const MSDialog* source, int sourceIndex) {
  const std::string& access = source->items[static_cast<std::size_t>(sourceIndex)].spec.access;
  if (access.empty()) return;
  for (MSDialog* d : openDialogs()) {
    for (std::size_t i = 0; i < d->items.size(); ++i) {
      if ((d != source || static_cast<int>(i) != sourceIndex) && d->items[i].spec.access == access) {
        readAccess(d->items[i]);
      }
    }
  }
}

}  // namespace pixmend::host

using namespace pixmend::host;

namespace {

// Option buttons and combo boxes hold entries.
bool hasEntries(const Item& item) { return item.spec.type == RTYPE_OPTIONBTN || item.spec.type == RTYPE_COMBOBOX; }

Item* itemAt(MSDialog* db, int index) {
  if (!liveDialog(db) || index < 0 || index >= static_cast<int>(db->items.size())) return nullptr;
  return &db->items[static_cast<std::size_t>(index)];
}

int copyOut(char* buffer, int size, const std::string& s) {
  if (buffer == nullptr || size <= 0) return RSC_ERR_BAD_ARGUMENT;
  std::snprintf(buffer, static_cast<std::size_t>(size), "%s", s.c_str());
  return RSC_SUCCESS;
}

}  // namespace

extern "C" {

int mdlDialog_itemGetCount(MSDialog* db) {
  return liveDialog(db) ? static_cast<int>(db->items.size()) : -1;
}

int mdlDialog_itemIndexByTypeAndId(MSDialog* db, unsigned int type, int id, int startIndex) {
  if (!liveDialog(db)) return -1;
  for (int i = std::max(startIndex, 0); i < static_cast<int>(db->items.size()); ++i) {
    const auto& spec = db->items[static_cast<std::size_t>(i)].spec;
    if (spec.type == type && spec.id == id) return i;
  }
  return -1;
}

int mdlDialog_itemGetTypeAndId(unsigned int* typeP, int* idP, MSDialog* db, int itemIndex) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr) return RSC_ERR_BAD_ARGUMENT;
  if (typeP != nullptr) *typeP = item->spec.type;
  if (idP != nullptr) *idP = item->spec.id;
  return RSC_SUCCESS;
}

int mdlDialog_itemSetLabel(MSDialog* db, int itemIndex, const char* label) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr || label == nullptr) return RSC_ERR_BAD_ARGUMENT;
  item->spec.label = label;
  return RSC_SUCCESS;
}

int mdlDialog_itemGetLabel(char* buffer, int size, MSDialog* db, int itemIndex) {
  if (buffer != nullptr && size > 0) buffer[0] = '\0';
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr) return RSC_ERR_BAD_ARGUMENT;
  return copyOut(buffer, size, item->spec.label);
}

int mdlDialog_itemSetBalloon(MSDialog* db, int itemIndex, const char* balloon) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr || balloon == nullptr) return RSC_ERR_BAD_ARGUMENT;
  item->spec.balloon = balloon;
  return RSC_SUCCESS;
}

int mdlDialog_itemSetEnabledState(MSDialog* db, int itemIndex, int enabled) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr) return RSC_ERR_BAD_ARGUMENT;
  item->spec.enabled = enabled != 0;
  return RSC_SUCCESS;
}

int mdlDialog_itemIsEnabled(MSDialog* db, int itemIndex) {
  Item* item = itemAt(db, itemIndex);
  return item != nullptr && item->spec.enabled ? 1 : 0;
}

int mdlDialog_itemShow(MSDialog* db, int itemIndex, int visible) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr) return RSC_ERR_BAD_ARGUMENT;
  item->spec.visible = visible != 0;
  return RSC_SUCCESS;
}

int mdlDialog_itemGetAttributes(int* attributesP, MSDialog* db, int itemIndex) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr || attributesP == nullptr) return RSC_ERR_BAD_ARGUMENT;
  *attributesP = item->spec.attributes;
  return RSC_SUCCESS;
}

int mdlDialog_itemSetAttributes(MSDialog* db, int itemIndex, int attributes) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr) return RSC_ERR_BAD_ARGUMENT;
  item->spec.attributes = attributes;
  return RSC_SUCCESS;
}

int mdlDialog_itemGetRect(BSIRect* rectP, MSDialog* db, int itemIndex) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr || rectP == nullptr) return RSC_ERR_BAD_ARGUMENT;
  *rectP = item->spec.rect;
  return RSC_SUCCESS;
}

int mdlDialog_itemSetRect(MSDialog* db, int itemIndex, const BSIRect* rect) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr || rect == nullptr) return RSC_ERR_BAD_ARGUMENT;
  auto sane = [](int v) { return v >= -2 * kMaxDialogSide && v <= 2 * kMaxDialogSide; };
  if (!sane(rect->origin.x) || !sane(rect->origin.y) || !sane(rect->corner.x) || !sane(rect->corner.y)) {
    return RSC_ERR_BAD_ARGUMENT;
  }
  item->spec.rect = *rect;
  return RSC_SUCCESS;
}

int mdlDialog_itemGetValue(char* buffer, int size, MSDialog* db, int itemIndex) {
  if (buffer != nullptr && size > 0) buffer[0] = '\0';
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr) return RSC_ERR_BAD_ARGUMENT;
  return copyOut(buffer, size, takesText(*item) ? item->text : formatNumber(item->number));
}

int mdlDialog_itemSetValue(MSDialog* db, int itemIndex, const char* value) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr || value == nullptr) return RSC_ERR_BAD_ARGUMENT;
  ItemValue parsed;
  if (!parseItemValue(*item, value, &parsed, nullptr)) return RSC_ERR_BAD_ARGUMENT;
  if (!writeAccess(*item, parsed.text, parsed.number)) return RSC_ERR_BAD_ARGUMENT;
  item->text = parsed.text;
  item->number = parsed.number;
  if (item->spec.type == RTYPE_LISTBOX) setSelection(*item, parsed.rows);
  readAccess(*item);
  refreshSynonyms(db, itemIndex);
  return RSC_SUCCESS;
}

int mdlDialog_itemSynch(MSDialog* db, int itemIndex) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr) return RSC_ERR_BAD_ARGUMENT;
  readAccess(*item);
  auto holder = holderOf(db);
  DialogItemMessage m{};
  m.messageType = DITEM_MESSAGE_SYNCHRONIZE;
  sendItem(holder, itemIndex, m);
  if (!holder->closed) mdlDialog_itemDraw(db, itemIndex);
  return RSC_SUCCESS;
}

int mdlDialog_itemsSynch(MSDialog* db) {
  if (!liveDialog(db)) return RSC_ERR_BAD_ARGUMENT;
  auto holder = holderOf(db);
  for (int i = 0; i < static_cast<int>(holder->items.size()) && !holder->closed; ++i) {
    readAccess(holder->items[static_cast<std::size_t>(i)]);
    DialogItemMessage m{};
    m.messageType = DITEM_MESSAGE_SYNCHRONIZE;
    sendItem(holder, i, m);
    if (!holder->closed) mdlDialog_itemDraw(db, i);
  }
  return RSC_SUCCESS;
}

int mdlDialog_itemDraw(MSDialog* db, int itemIndex) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr) return RSC_ERR_BAD_ARGUMENT;
  if (item->spec.visible) {
    drawItemFrame(db, *item);
    sendItemDraw(db, itemIndex);
  }
  return RSC_SUCCESS;
}

int mdlDialog_optionButtonClear(MSDialog* db, int itemIndex) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr || !hasEntries(*item)) return RSC_ERR_BAD_ARGUMENT;
  item->spec.options.clear();
  return RSC_SUCCESS;
}

int mdlDialog_optionButtonInsert(MSDialog* db, int itemIndex, const char* label, long value, int enabled) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr || !hasEntries(*item) || label == nullptr ||
      item->spec.options.size() >= 4096) {
    return RSC_ERR_BAD_ARGUMENT;
  }
  item->spec.options.push_back(OptionEntry{label, value, enabled != 0});
  return RSC_SUCCESS;
}

int mdlDialog_optionButtonGetCount(MSDialog* db, int itemIndex) {
  Item* item = itemAt(db, itemIndex);
  return item == nullptr || !hasEntries(*item) ? -1 : static_cast<int>(item->spec.options.size());
}

int mdlDialog_optionButtonFitWidth(MSDialog* db, int itemIndex) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr || item->spec.type != RTYPE_OPTIONBTN) return RSC_ERR_BAD_ARGUMENT;
  int widest = 0;
  for (const auto& e : item->spec.options) widest = std::max(widest, textWidth(e.label));
  // The text starts 3 pixels in; the arrow takes the last 12.
  item->spec.rect.corner.x = item->spec.rect.origin.x + std::min(widest + 3 + 12 + 3, 2 * kMaxDialogSide);
  return RSC_SUCCESS;
}

int mdlDialog_synonymsSynch(RscFileHandle rscFile, int synonymId) {
  const auto bytes = rscFile == 0 ? loadAppResource(currentApplication(), RTYPE_SYNONYMS, synonymId)
                                  : loadResource(rscFile, RTYPE_SYNONYMS, synonymId);
  std::vector<SynonymItem> synonyms;
  std::string error;
  if (!bytes || !parseSynonyms(*bytes, &synonyms, &error)) {
    if (bytes) note("synonyms " + std::to_string(synonymId) + ": " + error);
    return RSC_ERR_NO_SUCH_RESOURCE;
  }
  // Every dialog of every application: the synonyms show values the applications share.
  for (MSDialog* d : openDialogs()) {
    for (const auto& s : synonyms) {
      for (int i = mdlDialog_itemIndexByTypeAndId(d, s.type, s.id, 0); i >= 0 && liveDialog(d);
           i = mdlDialog_itemIndexByTypeAndId(d, s.type, s.id, i + 1)) {
        mdlDialog_itemSynch(d, i);
      }
    }
  }
  return RSC_SUCCESS;
}

}  // extern "C"
