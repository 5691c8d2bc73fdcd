// The session's state as the page shows it (see snapshot.hpp).
#include "cli/serve/snapshot.hpp"

#include <cstdio>

#include "host/dialog/dialog.hpp"
#include "host/dialog/manager.hpp"
#include "host/output/journal.hpp"
#include "host/system/application.hpp"
#include "host/view/api.h"
#include "host/raster/picture.hpp"

namespace pixmend::serve {
namespace {

using nlohmann::json;

const char* itemType(host::ResourceType type) {
  switch (type) {
    case RTYPE_LABEL: return "label";
    case RTYPE_TEXT: return "text";
    case RTYPE_OPTIONBTN: return "option";
    case RTYPE_TOGGLE: return "toggle";
    case RTYPE_PUSHBTN: return "button";
    case RTYPE_LISTBOX: return "listbox";
    case RTYPE_GROUPBOX: return "group";
    default: return "other";  // drawn by the application's hooks: generic, picture, image
  }
}

json itemJson(const host::Item& item) {
  const host::ItemSpec& s = item.spec;
  json j = {{"type", itemType(s.type)},
            {"id", s.id},
            {"rect", {s.rect.origin.x, s.rect.origin.y, s.rect.corner.x, s.rect.corner.y}},
            {"label", s.label},
            {"balloon", s.balloon},
            {"enabled", s.enabled},
            {"visible", s.visible},
            {"action", s.action}};
  if (s.type == RTYPE_TEXT) {
    j["value"] = item.text;
    if (s.maxLength > 0) j["maxLength"] = s.maxLength;
  } else if (s.type == RTYPE_OPTIONBTN || s.type == RTYPE_TOGGLE || s.type == RTYPE_LISTBOX) {
    j["value"] = item.number;
  }
  if (!s.options.empty()) {
    json options = json::array();
    for (const auto& o : s.options) options.push_back({{"label", o.label}, {"value", o.value}, {"enabled", o.enabled}});
    j["options"] = std::move(options);
  }
  if (s.type == RTYPE_LISTBOX && item.model != nullptr) {
    json rows = json::array();
    const int count = std::min(mdlListModel_getRowCount(item.model), 1000);
    for (int r = 0; r < count; ++r) {
      ListRow* row = mdlListModel_getRowAtIndex(item.model, r);
      const char* text = mdlListCell_getDisplayText(mdlListRow_getCellAtIndex(row, 0));
      rows.push_back(text != nullptr ? text : "");
    }
    j["rows"] = std::move(rows);
  }
  return j;
}

json dialogJson(const MSDialog& db) {
  json items = json::array();
  for (const auto& item : db.items) items.push_back(itemJson(item));
  return {{"id", db.id},      {"title", db.title},  {"width", db.canvas.width},
          {"height", db.canvas.height}, {"modal", db.modal}, {"items", std::move(items)}};
}

json entriesJson(const std::vector<host::MenuEntry>& entries) {
  json out = json::array();
  for (const auto& e : entries) {
    json j = {{"label", e.label}};
    if (e.separator) j["separator"] = true;
    if (e.command != 0) j["command"] = e.command;
    if (!e.keyin.empty()) j["keyin"] = e.keyin;
    if (!e.submenu.empty()) j["entries"] = entriesJson(e.submenu);
    out.push_back(std::move(j));
  }
  return out;
}

json questionJson(const host::Question& q) {
  switch (q.kind) {
    case host::Question::Kind::Box:
      return {{"kind", "box"}, {"text", q.text}, {"buttons", q.buttons}, {"icon", q.icon}};
    case host::Question::Kind::Dialog:
      return {{"kind", "dialog"}, {"dialog", q.dialogId}, {"title", q.text}};
    case host::Question::Kind::File:
      return {{"kind", "file"},           {"title", q.text},         {"create", q.create},
              {"several", q.several},     {"suggested", q.suggested}, {"directory", q.directory},
              {"filter", q.filter}};
  }
  return nullptr;
}

// What view 0 shows when fitted to its rasters, and its turn: view coordinates to design ones.
json viewJson() {
  json j;
  const std::vector<host::PictureLayer> layers = host::pictureLayers();
  host::PictureFrame frame;
  std::string why;
  if (host::pictureFrame(0, 0, layers, &frame, &why)) {
    j["fit"] = {frame.area.low.x, frame.area.low.y, frame.area.high.x, frame.area.high.y};
  } else {
    j["fit"] = nullptr;
    j["why"] = why;
  }
  RotMatrix rotation{};
  mdlRMatrix_fromView(&rotation, 0, 0);
  DPoint3d across{1, 0, 0}, up{0, 1, 0};
  mdlRMatrix_unrotatePoint(&across, &rotation);
  mdlRMatrix_unrotatePoint(&up, &rotation);
  j["toDesign"] = {across.x, up.x, across.y, up.y};
  return j;
}

}  // namespace

nlohmann::json sessionState(const SnapshotInput& input) {
  json fields = json::object();
  for (const char* channel : {"message", "error", "prompt", "status", "command", "keyin"}) {
    const host::JournalEntry* last = host::journal().last(channel);
    fields[channel] = last != nullptr ? last->text : "";
  }
  json dialogs = json::array();
  for (const MSDialog* db : host::openDialogs()) {
    if (db != nullptr && !db->closed && !db->commandWindow) dialogs.push_back(dialogJson(*db));
  }
  json menus = json::array();
  if (const MSDialog* window = host::existingCommandWindow()) {
    for (const auto& m : window->menus) {
      if (!m->spec.entries.empty()) menus.push_back({{"label", m->spec.label}, {"entries", entriesJson(m->spec.entries)}});
    }
  }
  json commands = json::array();
  if (input.commands != nullptr) {
    for (const auto& c : *input.commands) commands.push_back({{"keyin", c.keyin}, {"number", c.number}});
  }
  json state = {{"version", input.version},
                {"fields", std::move(fields)},
                {"loaded", host::findApplication("VXRaster") != nullptr},
                {"dialogs", std::move(dialogs)},
                {"question", input.question != nullptr ? questionJson(*input.question) : json(nullptr)},
                {"menus", std::move(menus)},
                {"commands", std::move(commands)},
                {"view", viewJson()},
                {"journal", host::journal().size()},
                {"ended", input.ended}};
  state["progress"] = input.progress ? json{{"message", input.progress->message}, {"percent", input.progress->percent}}
                                     : json(nullptr);
  return state;
}

std::string jsonText(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace pixmend::serve
