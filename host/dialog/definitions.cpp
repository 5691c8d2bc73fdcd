// Dialog and pull-down menu resources: the source forms pixmend-rsc compiles (kinds "dialog"
// and "menu") and the readers the dialog manager uses. Both kinds are stored as the canonical
// JSON of the checked description, so the reader and the compiler share one set of checks.
#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "common/text.hpp"
#include "host/dialog/dialog.hpp"

namespace pixmend::host {
namespace {

using nlohmann::json;

static_assert(RTYPE_DIALOG == packType("dBox") && RTYPE_PULLDOWN == packType("pdMn"));
static_assert(RTYPE_LABEL == packType("labl") && RTYPE_TEXT == packType("dTxt") &&
              RTYPE_OPTIONBTN == packType("opBt") && RTYPE_TOGGLE == packType("tglB") &&
              RTYPE_PUSHBTN == packType("pBut") && RTYPE_LISTBOX == packType("lstB") &&
              RTYPE_GENERIC == packType("gnrc") && RTYPE_PICTURE == packType("pict") &&
              RTYPE_IMAGE == packType("imag") && RTYPE_MENUBAR == packType("mBar") &&
              RTYPE_GROUPBOX == packType("grpB") && RTYPE_COMBOBOX == packType("cmbB") &&
              RTYPE_SYNONYMS == packType("dSyn"));

struct TypeWord {
  const char* word;
  ResourceType type;
};
constexpr TypeWord kItemTypes[] = {
    {"label", RTYPE_LABEL},     {"text", RTYPE_TEXT},       {"option", RTYPE_OPTIONBTN},
    {"toggle", RTYPE_TOGGLE},   {"button", RTYPE_PUSHBTN},  {"listbox", RTYPE_LISTBOX},
    {"generic", RTYPE_GENERIC}, {"picture", RTYPE_PICTURE}, {"image", RTYPE_IMAGE},
    {"menubar", RTYPE_MENUBAR}, {"group", RTYPE_GROUPBOX},  {"combo", RTYPE_COMBOBOX},
};

const char* wordOfType(ResourceType type) {
  for (const auto& t : kItemTypes) {
    if (t.type == type) return t.word;
  }
  return "label";
}

int actionFromJson(const json& v) {
  if (v.is_number_integer()) {
    const auto n = v.get<long long>();
    if (n < -1000000 || n > 1000000) throw std::runtime_error("\"action\" out of range");
    return static_cast<int>(n);
  }
  if (v.is_string()) {
    const std::string w = v.get<std::string>();
    if (w == "apply") return ACTIONBUTTON_APPLY;
    if (w == "reset") return ACTIONBUTTON_RESET;
    if (w == "ok") return ACTIONBUTTON_OK;
    if (w == "cancel") return ACTIONBUTTON_CANCEL;
    if (w == "yes") return ACTIONBUTTON_YES;
    if (w == "no") return ACTIONBUTTON_NO;
  }
  throw std::runtime_error("\"action\" must be ok, cancel, yes, no, apply, reset or a number");
}

int intField(const json& o, const char* name, int fallback, int low, int high) {
  auto it = o.find(name);
  if (it == o.end()) return fallback;
  if (!it->is_number_integer()) throw std::runtime_error(std::string("\"") + name + "\" must be a whole number");
  const auto v = it->get<long long>();
  if (v < low || v > high) {
    throw std::runtime_error(std::string("\"") + name + "\" must lie from " + std::to_string(low) + " to " +
                             std::to_string(high));
  }
  return static_cast<int>(v);
}

std::string textField(const json& o, const char* name) {
  auto it = o.find(name);
  if (it == o.end()) return std::string();
  if (!it->is_string()) throw std::runtime_error(std::string("\"") + name + "\" must be a text");
  return it->get<std::string>();
}

bool boolField(const json& o, const char* name, bool fallback) {
  auto it = o.find(name);
  if (it == o.end()) return fallback;
  if (!it->is_boolean()) throw std::runtime_error(std::string("\"") + name + "\" must be true or false");
  return it->get<bool>();
}

ResourceType typeOf(const json& v) {
  if (!v.is_string()) throw std::runtime_error("\"type\" must be a text");
  const std::string w = v.get<std::string>();
  for (const auto& t : kItemTypes) {
    if (w == t.word) return t.type;
  }
  for (const auto& t : kItemTypes) {
    if (w.size() == 4 && packType(w) == t.type) return t.type;
  }
  std::string known;
  for (const auto& t : kItemTypes) known += (known.empty() ? "" : ", ") + std::string(t.word);
  throw std::runtime_error("unknown item type \"" + w + "\" (known: " + known + ")");
}

ItemSpec itemFrom(const json& o) {
  if (!o.is_object()) throw std::runtime_error("an item must be an object");
  ItemSpec item;
  item.type = typeOf(o.contains("type") ? o.at("type") : json("label"));
  item.id = intField(o, "id", 0, INT32_MIN, INT32_MAX);
  item.label = textField(o, "label");
  item.balloon = textField(o, "balloon");
  item.access = textField(o, "access");
  item.hook = intField(o, "hook", 0, INT32_MIN, INT32_MAX);
  item.enabled = boolField(o, "enabled", true);
  item.visible = boolField(o, "visible", true);
  if (auto a = o.find("action"); a != o.end()) item.action = actionFromJson(*a);
  item.columns = intField(o, "columns", 1, 1, 64);
  if (auto widths = o.find("columnWidths"); widths != o.end()) {
    if (!widths->is_array() || widths->size() > 64) throw std::runtime_error("\"columnWidths\" must be a list");
    for (const auto& w : *widths) {
      if (!w.is_number_integer() || w.get<long long>() < 1 || w.get<long long>() > kMaxDialogSide)
        throw std::runtime_error("a column width must be a number of pixels from 1 to 4096");
      item.columnWidths.push_back(w.get<int>());
    }
  }
  item.maxLength = intField(o, "maxLength", 0, 0, 65536);
  item.attributes = intField(o, "attributes", 0, INT32_MIN, INT32_MAX);
  item.multiple = boolField(o, "multiple", false);
  item.value = intField(o, "value", 0, INT32_MIN, INT32_MAX);
  const int x = intField(o, "x", 0, 0, kMaxDialogSide);
  const int y = intField(o, "y", 0, 0, kMaxDialogSide);
  const int defaultWidth = item.type == RTYPE_TOGGLE ? textWidth(item.label) + 16 : std::max(textWidth(item.label) + 12, 40);
  const int w = intField(o, "width", defaultWidth, 1, kMaxDialogSide);
  const int h = intField(o, "height", item.type == RTYPE_LISTBOX ? 80 : 14, 1, kMaxDialogSide);
  item.rect = BSIRect{{x, y}, {x + w, y + h}};
  if (auto opts = o.find("options"); opts != o.end()) {
    if (!opts->is_array() || opts->size() > 4096) throw std::runtime_error("\"options\" must be a list");
    for (const auto& e : *opts) {
      if (!e.is_object()) throw std::runtime_error("an option must be an object with \"label\" and \"value\"");
      OptionEntry entry;
      entry.label = textField(e, "label");
      entry.value = intField(e, "value", static_cast<int>(item.options.size()), INT32_MIN, INT32_MAX);
      entry.enabled = boolField(e, "enabled", true);
      item.options.push_back(std::move(entry));
    }
  }
  if (auto img = o.find("image"); img != o.end()) {
    if (!img->is_object()) throw std::runtime_error("\"image\" must be an object with type, id and width");
    const std::string t = textField(*img, "type");
    if (t.empty() || t.size() > 4) throw std::runtime_error("\"image\": \"type\" of one to four characters");
    item.image.type = packType(t);
    item.image.id = intField(*img, "id", 0, INT32_MIN, INT32_MAX);
    item.image.width = intField(*img, "width", 1, 1, kMaxDialogSide);
  }
  return item;
}

DialogSpec dialogFrom(const json& o) {
  if (!o.is_object()) throw std::runtime_error("a dialog must be an object");
  DialogSpec spec;
  spec.id = intField(o, "id", 0, INT32_MIN, INT32_MAX);
  spec.title = textField(o, "title");
  spec.width = intField(o, "width", 300, 1, kMaxDialogSide);
  spec.height = intField(o, "height", 200, 1, kMaxDialogSide);
  spec.hook = intField(o, "hook", 0, INT32_MIN, INT32_MAX);
  if (auto items = o.find("items"); items != o.end()) {
    if (!items->is_array() || items->size() > 4096) throw std::runtime_error("\"items\" must be a list");
    for (std::size_t i = 0; i < items->size(); ++i) {
      try {
        spec.items.push_back(itemFrom((*items)[i]));
      } catch (const std::exception& e) {
        throw std::runtime_error("item " + std::to_string(i) + ": " + e.what());
      }
    }
  }
  return spec;
}

json dialogToJson(const DialogSpec& spec) {
  json items = json::array();
  for (const auto& item : spec.items) {
    json o = {{"type", wordOfType(item.type)},
              {"id", item.id},
              {"x", item.rect.origin.x},
              {"y", item.rect.origin.y},
              {"width", item.rect.corner.x - item.rect.origin.x},
              {"height", item.rect.corner.y - item.rect.origin.y}};
    if (!item.label.empty()) o["label"] = item.label;
    if (!item.balloon.empty()) o["balloon"] = item.balloon;
    if (!item.access.empty()) o["access"] = item.access;
    if (item.hook != 0) o["hook"] = item.hook;
    if (!item.enabled) o["enabled"] = false;
    if (!item.visible) o["visible"] = false;
    if (item.action != 0) o["action"] = item.action;
    if (item.columns != 1) o["columns"] = item.columns;
    if (!item.columnWidths.empty()) o["columnWidths"] = item.columnWidths;
    if (item.maxLength != 0) o["maxLength"] = item.maxLength;
    if (item.attributes != 0) o["attributes"] = item.attributes;
    if (item.multiple) o["multiple"] = true;
    if (item.value != 0) o["value"] = item.value;
    if (!item.options.empty()) {
      json opts = json::array();
      for (const auto& e : item.options) {
        json eo = {{"label", e.label}, {"value", e.value}};
        if (!e.enabled) eo["enabled"] = false;
        opts.push_back(eo);
      }
      o["options"] = opts;
    }
    if (item.image.type != 0) {
      std::string t;
      for (int s = 24; s >= 0; s -= 8) {
        const char c = static_cast<char>((item.image.type >> s) & 0xff);
        if (c != 0) t += c;
      }
      o["image"] = {{"type", t}, {"id", item.image.id}, {"width", item.image.width}};
    }
    items.push_back(o);
  }
  return {{"id", spec.id},       {"title", spec.title}, {"width", spec.width},
          {"height", spec.height}, {"hook", spec.hook},   {"items", items}};
}

std::vector<MenuEntry> entriesFrom(const json& list, int depth) {
  if (!list.is_array() || list.size() > 1024) throw std::runtime_error("\"entries\" must be a list");
  if (depth > 8) throw std::runtime_error("sub-menus nested too deeply");
  std::vector<MenuEntry> entries;
  for (const auto& e : list) {
    if (!e.is_object()) throw std::runtime_error("a menu entry must be an object");
    MenuEntry entry;
    entry.separator = boolField(e, "separator", false);
    entry.label = textField(e, "label");
    entry.keyin = textField(e, "keyin");
    if (auto c = e.find("command"); c != e.end()) {
      if (c->is_number_integer() && c->get<long long>() >= 0 && c->get<long long>() <= 0xffffffffLL) {
        entry.command = static_cast<long>(c->get<long long>());
      } else if (c->is_string()) {
        const std::string s = c->get<std::string>();
        const auto v = text::parseInteger(s, 0, 0xffffffffLL, 0);
        if (!v) throw std::runtime_error("bad command number " + s);
        entry.command = static_cast<long>(*v);
      } else {
        throw std::runtime_error("\"command\" must be a number or a text such as \"0x01010100\"");
      }
    }
    if (auto sub = e.find("entries"); sub != e.end()) entry.submenu = entriesFrom(*sub, depth + 1);
    entry.press = intField(e, "press", 0, INT32_MIN, INT32_MAX);
    if (!entry.separator && entry.label.empty()) throw std::runtime_error("a menu entry needs a \"label\"");
    entries.push_back(std::move(entry));
  }
  return entries;
}

json entriesToJson(const std::vector<MenuEntry>& entries) {
  json list = json::array();
  for (const auto& e : entries) {
    json o = json::object();
    if (e.separator) o["separator"] = true;
    if (!e.label.empty()) o["label"] = e.label;
    if (e.command != 0) o["command"] = e.command;
    if (!e.keyin.empty()) o["keyin"] = e.keyin;
    if (e.press != 0) o["press"] = e.press;
    if (!e.submenu.empty()) o["entries"] = entriesToJson(e.submenu);
    list.push_back(o);
  }
  return list;
}

MenuSpec menuFrom(const json& o) {
  if (!o.is_object()) throw std::runtime_error("a menu must be an object");
  MenuSpec spec;
  spec.label = textField(o, "label");
  if (spec.label.empty()) throw std::runtime_error("a menu needs a \"label\"");
  if (auto e = o.find("entries"); e != o.end()) spec.entries = entriesFrom(*e, 0);
  return spec;
}

// A synonym list: {"items": [{"type": "option", "id": 20016}, ...]}.
std::vector<SynonymItem> synonymsFrom(const json& o) {
  if (!o.is_object()) throw std::runtime_error("a synonym list must be an object");
  auto items = o.find("items");
  if (items == o.end() || !items->is_array() || items->size() > 1024) {
    throw std::runtime_error("a synonym list needs \"items\", a list of type and id");
  }
  std::vector<SynonymItem> out;
  for (const auto& e : *items) {
    if (!e.is_object()) throw std::runtime_error("a synonym must be an object with \"type\" and \"id\"");
    out.push_back(SynonymItem{typeOf(e.contains("type") ? e.at("type") : json()), intField(e, "id", 0, INT32_MIN, INT32_MAX)});
  }
  return out;
}

json synonymsToJson(const std::vector<SynonymItem>& items) {
  json list = json::array();
  for (const auto& i : items) list.push_back({{"type", wordOfType(i.type)}, {"id", i.id}});
  return {{"items", list}};
}

std::vector<std::uint8_t> bytesOf(const json& j) {
  const std::string s = j.dump();
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

const bool registered =
    registerResourceCompiler("dialog", RTYPE_DIALOG,
                             [](const std::string& text) { return bytesOf(dialogToJson(dialogFrom(json::parse(text)))); }) &&
    registerResourceCompiler("menu", RTYPE_PULLDOWN, [](const std::string& text) {
      const MenuSpec spec = menuFrom(json::parse(text));
      return bytesOf(json{{"label", spec.label}, {"entries", entriesToJson(spec.entries)}});
    }) &&
    registerResourceCompiler("synonyms", RTYPE_SYNONYMS, [](const std::string& text) {
      return bytesOf(synonymsToJson(synonymsFrom(json::parse(text))));
    });

}  // namespace

bool parseDialogSpec(const std::vector<std::uint8_t>& bytes, DialogSpec* spec, std::string* error) {
  const json doc = json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (doc.is_discarded()) {
    if (error != nullptr) *error = "damaged dialog resource";
    return false;
  }
  try {
    *spec = dialogFrom(doc);
    return true;
  } catch (const std::exception& e) {
    if (error != nullptr) *error = std::string("damaged dialog resource: ") + e.what();
    return false;
  }
}

bool parseMenuSpec(const std::vector<std::uint8_t>& bytes, MenuSpec* spec, std::string* error) {
  const json doc = json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (doc.is_discarded()) {
    if (error != nullptr) *error = "damaged menu resource";
    return false;
  }
  try {
    *spec = menuFrom(doc);
    return true;
  } catch (const std::exception& e) {
    if (error != nullptr) *error = std::string("damaged menu resource: ") + e.what();
    return false;
  }
}

bool parseSynonyms(const std::vector<std::uint8_t>& bytes, std::vector<SynonymItem>* items, std::string* error) {
  const json doc = json::parse(bytes.begin(), bytes.end(), nullptr, false);
  try {
    if (doc.is_discarded()) throw std::runtime_error("not a synonym list");
    *items = synonymsFrom(doc);
    return true;
  } catch (const std::exception& e) {
    if (error != nullptr) *error = std::string("damaged synonym list: ") + e.what();
    return false;
  }
}

std::string plainLabel(const std::string& label) {
  std::string out;
  for (char c : label) {
    if (c != '~' && c != '&') out += c;
  }
  return text::lower(out);
}

}  // namespace pixmend::host
