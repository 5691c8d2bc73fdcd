// What a user does with dialogs, as scripts and the answer queue give it: values typed into
// items, buttons pressed, modal dialogs answered (an action word or number, a button's label, or
// "item ID VALUE" to fill in an item first), and a dialog saved as a picture.
#include <climits>
#include <optional>
#include <string>

#include "common/text.hpp"
#include "host/dialog/dispatch.hpp"
#include "host/dialog/manager.hpp"
#include "host/output/answers.hpp"
#include "host/output/journal.hpp"
#include "host/resource/store.hpp"

namespace pixmend::host {
namespace {

// The button an answer names: an action word or number, else a label. Nothing (-1) with
// *action set to the number when only a bare number was answered.
int buttonForAnswer(const MSDialog* db, const std::string& answer, int* action) {
  const auto number = text::parseInteger(answer, INT_MIN, INT_MAX, 0);
  const bool isNumber = number.has_value();
  const std::string word = text::lower(answer);
  int wanted = 0;
  if (isNumber) {
    wanted = static_cast<int>(*number);
  } else if (word == "ok") {
    wanted = ACTIONBUTTON_OK;
  } else if (word == "cancel") {
    wanted = ACTIONBUTTON_CANCEL;
  } else if (word == "yes") {
    wanted = ACTIONBUTTON_YES;
  } else if (word == "no") {
    wanted = ACTIONBUTTON_NO;
  } else if (word == "apply") {
    wanted = ACTIONBUTTON_APPLY;
  }
  auto pressable = [](const ItemSpec& spec) {
    return spec.type == RTYPE_PUSHBTN && spec.visible && spec.enabled;
  };
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < db->items.size(); ++i) {
      const auto& spec = db->items[i].spec;
      if (!pressable(spec)) continue;
      const bool match =
          pass == 0 ? wanted != 0 && spec.action == wanted : plainLabel(spec.label) == plainLabel(answer);
      if (match) {
        *action = spec.action;
        return static_cast<int>(i);
      }
    }
  }
  *action = isNumber ? wanted : 0;
  return -1;
}

}  // namespace

bool setItemValue(int dialogId, int itemId, const std::string& value, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  auto db = holderOf(findOpenDialog(dialogId));
  if (!db) return fail("dialog " + std::to_string(dialogId) + " is not open");
  const int index = findItem(db.get(), itemId);
  const std::string name = "item " + std::to_string(itemId) + " of dialog " + std::to_string(dialogId);
  if (index < 0) return fail("dialog " + std::to_string(dialogId) + " has no item " + std::to_string(itemId));
  Item& item = db->items[static_cast<std::size_t>(index)];
  if (!item.spec.visible || !item.spec.enabled) return fail(name + " is disabled or hidden");

  ItemValue parsed;
  std::string why;
  if (!parseItemValue(item, value, &parsed, &why)) return fail(name + " " + why);
  if (parsed.option != nullptr && !parsed.option->enabled) {
    return fail(name + ": option " + quoted(parsed.option->label) + " is disabled");
  }
  const bool changed = takesText(item)                   ? parsed.text != item.text
                       : item.spec.type == RTYPE_LISTBOX ? parsed.rows != item.selection
                                                         : parsed.number != item.number;
  if (!writeAccess(item, parsed.text, parsed.number)) {
    return fail(name + ": its field " + quoted(item.spec.access) + " refuses " + quoted(value));
  }
  item.text = parsed.text;
  item.number = parsed.number;
  if (item.spec.type == RTYPE_LISTBOX) setSelection(item, parsed.rows);
  readAccess(item);
  refreshSynonyms(db.get(), index);
  note("item " + std::to_string(dialogId) + "." + std::to_string(itemId) + " = " + quoted(value));
  DialogItemMessage m = itemMessage(DITEM_MESSAGE_STATECHANGED);
  m.u.stateChanged.hasChanged = changed ? 1 : 0;
  sendItem(db, index, m);
  if (!db->closed) mdlDialog_itemDraw(db.get(), index);
  return true;
}

bool pressButton(int dialogId, int itemId, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  auto db = holderOf(findOpenDialog(dialogId));
  if (!db) return fail("dialog " + std::to_string(dialogId) + " is not open");
  const int index = findItem(db.get(), itemId, RTYPE_PUSHBTN);
  if (index < 0)
    return fail("dialog " + std::to_string(dialogId) + " has no button " + std::to_string(itemId));
  const auto& spec = db->items[static_cast<std::size_t>(index)].spec;
  if (!spec.visible || !spec.enabled) {
    return fail("button " + std::to_string(itemId) + " of dialog " + std::to_string(dialogId) +
                " is disabled or hidden");
  }
  press(db, index);
  return true;
}

bool chooseItemMenuEntry(int dialogId, int itemId, const std::string& entry, long* command, std::string* keyin,
                         std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  auto db = holderOf(findOpenDialog(dialogId));
  if (!db) return fail("dialog " + std::to_string(dialogId) + " is not open");
  const int index = findItem(db.get(), itemId);
  if (index < 0) return fail("dialog " + std::to_string(dialogId) + " has no item " + std::to_string(itemId));
  const std::string name = "item " + std::to_string(itemId) + " of dialog " + std::to_string(dialogId);
  if ((db->interests & DIALOG_INTEREST_PULLDOWNQUERY) != DIALOG_INTEREST_PULLDOWNQUERY) {
    return fail(name + " has no menu");
  }
  DialogMessage query = dialogMessage(DIALOG_MESSAGE_PULLDOWNQUERY);
  query.u.query.queryType = DIALOG_QUERY_ITEM;
  query.u.query.subType = DIALOG_QUERY_PULLDOWN;
  query.u.query.itemIndex = index;
  sendDialog(db, query);
  if (db->closed) return fail("dialog " + std::to_string(dialogId) + " closed");
  if (query.u.query.menuId == 0) return fail(name + " has no menu");
  const auto bytes = loadAppResource(db->owner, RTYPE_PULLDOWN, query.u.query.menuId);
  MenuSpec menu;
  std::string why;
  if (!bytes || !parseMenuSpec(*bytes, &menu, &why)) {
    return fail(name + ": menu " + std::to_string(query.u.query.menuId) + (bytes ? " " + why : " is missing"));
  }
  for (const auto& e : menu.entries) {
    if (e.separator || plainLabel(e.label) != plainLabel(entry)) continue;
    note("menu " + std::to_string(dialogId) + "." + std::to_string(itemId) + " " + quoted(e.label));
    if (command != nullptr) *command = e.press != 0 ? 0 : e.command;
    if (keyin != nullptr) *keyin = e.press != 0 ? std::string() : e.keyin;
    if (e.press != 0) return pressButton(dialogId, e.press, error);
    return true;
  }
  return fail("the menu of " + name + " has no entry " + quoted(entry));
}

bool doUserAction(int dialogId, const std::string& line, bool* recognised, std::string* error) {
  // Words of the line: the verb, then numbers, then free text to the end of the line.
  std::size_t at = 0;
  auto word = [&] {
    while (at < line.size() && line[at] == ' ') ++at;
    const std::size_t from = at;
    while (at < line.size() && line[at] != ' ') ++at;
    return line.substr(from, at - from);
  };
  auto rest = [&] {
    while (at < line.size() && line[at] == ' ') ++at;
    return line.substr(at);
  };
  auto number = [&](int* out) {
    const auto n = text::parseInteger(word(), INT_MIN, INT_MAX, 0);
    if (n) *out = static_cast<int>(*n);
    return n.has_value();
  };
  const std::string verb = word();
  *recognised = verb == "item" || verb == "press" || verb == "click" || verb == "edit" || verb == "menu" ||
                verb == "picture";
  if (!*recognised) return false;
  auto usage = [&](const char* form) {
    if (error != nullptr) *error = std::string("usage: ") + form;
    return false;
  };
  int id = 0, row = 0, column = 0;
  if (verb == "picture") {
    const std::string file = rest();
    if (file.empty()) return usage("picture FILE.png");
    if (!saveDialogPng(dialogId, file, error)) return false;
    journal().append("file", "wrote " + file);
    return true;
  }
  if (!number(&id)) return usage("item|press|click|edit|menu ID ...");
  if (verb == "item") return setItemValue(dialogId, id, rest(), error);
  if (verb == "press") return rest().empty() ? pressButton(dialogId, id, error) : usage("press ID");
  if (verb == "menu") {
    long command = 0;
    std::string keyin;
    if (!chooseItemMenuEntry(dialogId, id, rest(), &command, &keyin, error)) return false;
    if (command != 0 || !keyin.empty()) return usage("menu ID ENTRY, an entry that presses a button");
    return true;
  }
  if (!number(&row) || !number(&column)) return usage(verb == "click" ? "click ID ROW COLUMN [2]" : "edit ID ROW COLUMN TEXT");
  if (verb == "edit") return editListCell(dialogId, id, row, column, rest(), error);
  const std::string clicks = rest();
  if (!clicks.empty() && clicks != "1" && clicks != "2") return usage("click ID ROW COLUMN [2]");
  return clickListRow(dialogId, id, row, column, clicks == "2" ? 2 : 1, error);
}

bool saveDialogPng(int dialogId, const std::string& path, std::string* error) {
  MSDialog* db = findOpenDialog(dialogId);
  if (db == nullptr) {
    if (error != nullptr) *error = "dialog " + std::to_string(dialogId) + " is not open";
    return false;
  }
  return db->canvas.savePng(path, error);
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlDialog_openModal(int* lastActionP, RscFileHandle rscFile, int dialogId) {
  int action = ACTIONBUTTON_CANCEL;
  auto db = openDialog(rscFile, dialogId, true);
  if (!db) {
    if (lastActionP != nullptr) *lastActionP = action;
    return RSC_ERR_NO_SUCH_RESOURCE;
  }
  std::string how = "answered";
  // Each answer is tried on the open dialog; a button without an action leaves it open for the
  // next one. With no answers left, the first action button ends it.
  Question question;
  question.kind = Question::Kind::Dialog;
  question.dialogId = dialogId;
  question.text = db->title;
  while (!db->closed) {
    auto answer = takeAnswer(question);
    int index = -1;
    if (answer) {
      // The user works in the modal dialog (fills in items, clicks and edits list cells, presses
      // buttons, opens item menus) until a button ends it.
      bool recognised = false;
      std::string error;
      if (!doUserAction(dialogId, answer->text, &recognised, &error) && recognised) {
        note("answer " + quoted(answer->text) + " refused" + (error.empty() ? "" : ": " + error));
      }
      if (recognised) continue;
    }
    if (answer) {
      index = buttonForAnswer(db.get(), answer->text, &action);
      if (index < 0) {
        if (action == 0) {
          note("answer " + quoted(answer->text) + " matches no button of dialog " + std::to_string(dialogId));
          continue;
        }
        // An action number no button carries still ends the dialog with that action.
        db->modalAction = action;
        closeNow(db);
        break;
      }
    } else {
      how = "defaulted";
      for (std::size_t i = 0; i < db->items.size() && index < 0; ++i) {
        const auto& spec = db->items[i].spec;
        if (spec.type == RTYPE_PUSHBTN && spec.action != 0 && spec.visible && spec.enabled)
          index = static_cast<int>(i);
      }
      if (index < 0) {
        db->modalAction = ACTIONBUTTON_CANCEL;
        closeNow(db);
        break;
      }
    }
    press(db, index);
    if (!answer && !db->closed) {
      // The default button's hook kept the dialog open and nothing else will answer.
      db->modalAction = db->items[static_cast<std::size_t>(index)].spec.action;
      closeNow(db);
    }
  }
  action = db->modalAction != 0 ? db->modalAction : ACTIONBUTTON_CANCEL;
  note("modal " + std::to_string(dialogId) + " -> " + std::to_string(action) + " (" + how + ")");
  if (lastActionP != nullptr) *lastActionP = action;
  return RSC_SUCCESS;
}

}  // extern "C"
