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
  const bool changed = takesText(item) ? parsed.text != item.text : parsed.number != item.number;
  if (!writeAccess(item, parsed.text, parsed.number)) {
    return fail(name + ": its field " + quoted(item.spec.access) + " refuses " + quoted(value));
  }
  item.text = parsed.text;
  item.number = parsed.number;
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
    if (answer && answer->text.rfind("item ", 0) == 0) {
      // "item ID VALUE": the user fills in an item of the modal dialog before pressing a button.
      const std::string rest = answer->text.substr(5);
      const auto space = rest.find(' ');
      const auto itemId = space == std::string::npos
                              ? std::nullopt
                              : pixmend::text::parseInteger(rest.substr(0, space), INT_MIN, INT_MAX, 0);
      std::string error;
      if (!itemId || !setItemValue(dialogId, static_cast<int>(*itemId), rest.substr(space + 1), &error)) {
        note("answer " + quoted(answer->text) + " refused" + (error.empty() ? "" : ": " + error));
      }
      continue;
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
