// The dialog manager: opening dialogs from resources, hooks and their messages, item values
// bound to published records, user input from scripts, modal dialogs answered from the queue.
//
// Dialogs live in shared pointers: a hook may close its own dialog (or any other) while the
// manager is still working on it, so every message send keeps the dialog alive and the
// manager checks `closed` afterwards instead of following a freed record.
#include "common/text.hpp"
#include "host/dialog/manager.hpp"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>

#include "host/dialog/dialog.hpp"
#include "host/lifecycle.hpp"
#include "host/output/answers.hpp"
#include "host/output/journal.hpp"
#include "host/resource/files.hpp"
#include "host/system/publish.hpp"
#include "host/system/registry.hpp"

namespace pixmend::host {
namespace {

struct State {
  std::vector<std::shared_ptr<MSDialog>> open;  // oldest first
  std::map<Application*, std::map<int, void*>> hooks;
};

State& state() {
  static State s;
  return s;
}

void note(const std::string& text) { journal().append("dialog", text); }

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

std::shared_ptr<MSDialog> holderOf(const MSDialog* db) {
  for (const auto& d : state().open) {
    if (d.get() == db) return d;
  }
  return nullptr;
}

void* hookFunction(Application* owner, int hookId) {
  if (hookId == 0) return nullptr;
  auto app = state().hooks.find(owner);
  if (app == state().hooks.end()) return nullptr;
  auto it = app->second.find(hookId);
  return it == app->second.end() ? nullptr : it->second;
}

void closeNow(const std::shared_ptr<MSDialog>& db);

// Closes the dialogs that a hook asked to close, once that hook has returned.
void runPendingCloses() {
  for (;;) {
    std::shared_ptr<MSDialog> next;
    for (const auto& d : state().open) {
      if (d->closePending && !d->closed && !d->closing) next = d;
    }
    if (!next) return;
    closeNow(next);
  }
}

// Hooks run as the application that published them.
struct Dispatch {
  explicit Dispatch(Application* app) : scope(app) {}
  AppScope scope;
};

void sendDialog(const std::shared_ptr<MSDialog>& db, DialogMessage& message) {
  message.db = db.get();
  message.dialogId = db->id;
  auto fn = reinterpret_cast<DialogHookFunc>(hookFunction(db->owner, db->hook));
  if (fn == nullptr) return;
  {
    Dispatch d(db->owner);
    fn(&message);
  }
  runPendingCloses();
}

void sendItem(const std::shared_ptr<MSDialog>& db, int index, DialogItemMessage& message) {
  if (db->closed || index < 0 || index >= static_cast<int>(db->items.size())) return;
  const ItemSpec& spec = db->items[static_cast<std::size_t>(index)].spec;
  message.db = db.get();
  message.dialogId = db->id;
  message.itemIndex = index;
  message.itemType = static_cast<int>(spec.type);
  message.itemId = spec.id;
  auto fn = reinterpret_cast<DialogItemHookFunc>(hookFunction(db->owner, spec.hook));
  if (fn == nullptr) return;
  {
    Dispatch d(db->owner);
    fn(&message);
  }
  runPendingCloses();
}

DialogItemMessage itemMessage(int type) {
  DialogItemMessage m{};
  m.messageType = type;
  return m;
}

DialogMessage dialogMessage(int type) {
  DialogMessage m{};
  m.messageType = type;
  return m;
}

bool takesText(const Item& item) { return item.spec.type == RTYPE_TEXT; }
bool takesNumber(const Item& item) {
  return item.spec.type == RTYPE_OPTIONBTN || item.spec.type == RTYPE_TOGGLE || item.spec.type == RTYPE_LISTBOX;
}

// Reads the item's value from its access string; false when it has none or it cannot be read.
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

// Writes a value through the item's access string; false when the field refuses it.
bool writeAccess(const Item& item, const std::string& text, double number) {
  if (item.spec.access.empty()) return true;
  const auto ref = resolveAccess(item.spec.access);
  if (!ref) return false;
  return takesText(item) ? writeText(*ref, text) : writeNumber(*ref, number);
}

// A value as an item takes it, whoever gives it (a user typing, a script, an application's
// mdlDialog_itemSetValue): a text item's text, at most its maxLength characters, and a finite
// number when its field is a number; a toggle's on or off (1, on, true, yes; 0, off, false, no);
// an option's label or value; a list row's number. An option that is disabled is still found
// (`option` says which): only a user is kept from choosing it. False with why, worded to follow
// the item's name ("takes a number, not \"inf\"").
struct ItemValue {
  std::string text;
  double number = 0;
  const OptionEntry* option = nullptr;
};

bool parseItemValue(const Item& item, const std::string& value, ItemValue* out, std::string* why) {
  auto fail = [&](std::string text) {
    if (why != nullptr) *why = std::move(text);
    return false;
  };
  ItemValue parsed{item.text, item.number, nullptr};
  switch (item.spec.type) {
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
      const int rows = item.model != nullptr ? mdlListModel_getRowCount(item.model) : 0;
      const auto n = text::parseInteger(value, 0, rows - 1, 0);
      if (!n) return fail("has " + std::to_string(std::max(rows, 0)) + " rows; no row " + quoted(value));
      parsed.number = static_cast<double>(*n);
      break;
    }
    default:
      return fail("takes no value");
  }
  *out = std::move(parsed);
  return true;
}

// Other items bound to the same field show the new value at once.
void refreshSynonyms(const MSDialog* source, int sourceIndex) {
  const std::string& access = source->items[static_cast<std::size_t>(sourceIndex)].spec.access;
  if (access.empty()) return;
  for (const auto& d : state().open) {
    for (std::size_t i = 0; i < d->items.size(); ++i) {
      if ((d.get() != source || static_cast<int>(i) != sourceIndex) && d->items[i].spec.access == access) {
        readAccess(d->items[i]);
      }
    }
  }
}

void closeNow(const std::shared_ptr<MSDialog>& db) {
  if (db->closed || db->closing) return;
  db->closing = true;  // hooks may still read the items, but nothing closes it twice
  for (int i = 0; i < static_cast<int>(db->items.size()); ++i) {
    DialogItemMessage m = itemMessage(DITEM_MESSAGE_DESTROY);
    sendItem(db, i, m);
  }
  DialogMessage m = dialogMessage(DIALOG_MESSAGE_DESTROY);
  sendDialog(db, m);
  db->closed = true;
  auto& open = state().open;
  open.erase(std::remove(open.begin(), open.end(), db), open.end());
  note("closed " + std::to_string(db->id));
}

int findItem(const MSDialog* db, int itemId, ResourceType type = 0) {
  for (std::size_t i = 0; i < db->items.size(); ++i) {
    if (db->items[i].spec.id == itemId && (type == 0 || db->items[i].spec.type == type)) return static_cast<int>(i);
  }
  return -1;
}

std::shared_ptr<MSDialog> openDialog(RscFileHandle rscFile, int dialogId, bool modal) {
  const auto bytes = loadResource(rscFile, RTYPE_DIALOG, dialogId);
  if (!bytes) {
    note("no dialog " + std::to_string(dialogId));
    return nullptr;
  }
  DialogSpec spec;
  std::string error;
  if (!parseDialogSpec(*bytes, &spec, &error)) {
    note("dialog " + std::to_string(dialogId) + ": " + error);
    return nullptr;
  }
  auto db = std::make_shared<MSDialog>();
  db->id = dialogId;
  db->title = spec.title;
  db->hook = spec.hook;
  db->owner = currentApplication();
  db->modal = modal;
  db->canvas.resize(spec.width, spec.height);
  state().open.push_back(db);

  DialogMessage create = dialogMessage(DIALOG_MESSAGE_CREATE);
  sendDialog(db, create);
  if (create.u.create.createFailed != 0 || db->closed) {
    auto& open = state().open;
    open.erase(std::remove(open.begin(), open.end(), db), open.end());
    db->closed = true;
    note("dialog " + std::to_string(dialogId) + " refused to open");
    return nullptr;
  }
  db->interests = create.u.create.interests;
  for (auto& itemSpec : spec.items) {
    Item item;
    item.spec = std::move(itemSpec);
    if (item.spec.type == RTYPE_LISTBOX) item.number = -1;
    readAccess(item);
    db->items.push_back(std::move(item));
  }
  for (int i = 0; i < static_cast<int>(db->items.size()) && !db->closed; ++i) {
    DialogItemMessage m = itemMessage(DITEM_MESSAGE_CREATE);
    sendItem(db, i, m);
  }
  if (!db->closed) {
    DialogMessage init = dialogMessage(DIALOG_MESSAGE_INIT);
    sendDialog(db, init);
  }
  for (int i = 0; i < static_cast<int>(db->items.size()) && !db->closed; ++i) {
    DialogItemMessage m = itemMessage(DITEM_MESSAGE_INIT);
    sendItem(db, i, m);
  }
  if (db->closed) return db;  // closed by its own hooks while opening
  note("opened " + std::to_string(dialogId) + " " + quoted(db->title));
  renderDialog(db.get());
  return db;
}

// Presses button `index`: the button message to its hook (or the dialog hook), then its action.
void press(const std::shared_ptr<MSDialog>& db, int index) {
  const Item& item = db->items[static_cast<std::size_t>(index)];
  note("pressed " + std::to_string(db->id) + "." + std::to_string(item.spec.id) + " " + quoted(item.spec.label));
  const int action = item.spec.action;
  if (hookFunction(db->owner, item.spec.hook) != nullptr) {
    DialogItemMessage m = itemMessage(DITEM_MESSAGE_BUTTON);
    m.u.button.buttonTrans = BUTTONTRANS_UP;
    m.u.button.clickCount = 1;
    m.u.button.row = -1;
    m.u.button.column = -1;
    sendItem(db, index, m);
  } else {
    DialogMessage m = dialogMessage(DIALOG_MESSAGE_BUTTON);
    m.u.button.itemIndex = index;
    m.u.button.actionType = action;
    sendDialog(db, m);
  }
  if (db->closed || action == 0) return;
  // An action button ends a modal dialog with its action; OK and Cancel close a modeless one.
  if (db->modal || action == ACTIONBUTTON_OK || action == ACTIONBUTTON_CANCEL) {
    DialogMessage m = dialogMessage(DIALOG_MESSAGE_ACTIONBUTTON);
    m.u.button.itemIndex = index;
    m.u.button.actionType = action;
    sendDialog(db, m);
    db->modalAction = action;
    if (!db->closed && m.u.button.keepOpen == 0) closeNow(db);
  }
}

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
  auto pressable = [](const ItemSpec& spec) { return spec.type == RTYPE_PUSHBTN && spec.visible && spec.enabled; };
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < db->items.size(); ++i) {
      const auto& spec = db->items[i].spec;
      if (!pressable(spec)) continue;
      const bool match = pass == 0 ? wanted != 0 && spec.action == wanted : plainLabel(spec.label) == plainLabel(answer);
      if (match) {
        *action = spec.action;
        return static_cast<int>(i);
      }
    }
  }
  *action = isNumber ? wanted : 0;
  return -1;
}

const bool registered = registerReset(
    "dialog",
    [] {
      state().open.clear();
      state().hooks.clear();
    },
    -50);

const bool registeredUnload = registerUnloadHook("dialog", [](Application* app) {
  // The application's code is going away: its dialogs close without further messages.
  auto& open = state().open;
  for (const auto& d : open) {
    if (d->owner == app) {
      d->closed = true;
      note("closed " + std::to_string(d->id));
    }
  }
  open.erase(std::remove_if(open.begin(), open.end(), [](const auto& d) { return d->closed; }), open.end());
  state().hooks.erase(app);
});

}  // namespace

bool liveDialog(const MSDialog* db) {
  // Compared by address only: a stale pointer is never read.
  if (db == nullptr) return false;
  if (db == existingCommandWindow()) return true;
  const auto holder = holderOf(db);
  return holder != nullptr && !holder->closed;
}

void sendItemDraw(MSDialog* raw, int index) {
  auto db = holderOf(raw);
  if (!db || index < 0 || index >= static_cast<int>(db->items.size())) return;
  DialogItemMessage m = itemMessage(DITEM_MESSAGE_DRAW);
  m.u.draw.rect = db->items[static_cast<std::size_t>(index)].spec.rect;
  sendItem(db, index, m);
}

std::vector<MSDialog*> openDialogs() {
  std::vector<MSDialog*> out;
  for (const auto& d : state().open) out.push_back(d.get());
  return out;
}

MSDialog* findOpenDialog(int dialogId) {
  const auto& open = state().open;
  for (auto it = open.rbegin(); it != open.rend(); ++it) {
    if ((*it)->id == dialogId && !(*it)->closed) return it->get();
  }
  return nullptr;
}

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
  if (index < 0) return fail("dialog " + std::to_string(dialogId) + " has no button " + std::to_string(itemId));
  const auto& spec = db->items[static_cast<std::size_t>(index)].spec;
  if (!spec.visible || !spec.enabled) {
    return fail("button " + std::to_string(itemId) + " of dialog " + std::to_string(dialogId) + " is disabled or hidden");
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

int mdlDialog_hookPublish(int count, const DialogHookInfo* table) {
  if (count < 0 || (count > 0 && table == nullptr)) return RSC_ERR_BAD_ARGUMENT;
  traceCall("mdlDialog_hookPublish " + std::to_string(count));
  auto& hooks = state().hooks[currentApplication()];
  for (int i = 0; i < count; ++i) hooks[table[i].hookId] = table[i].hookFuncP;
  return RSC_SUCCESS;
}

MSDialog* mdlDialog_open(RscFileHandle rscFile, int dialogId) {
  auto db = openDialog(rscFile, dialogId, false);
  return db && !db->closed ? db.get() : nullptr;
}

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
  while (!db->closed) {
    auto answer = takeAnswer();
    int index = -1;
    if (answer && answer->text.rfind("item ", 0) == 0) {
      // "item ID VALUE": the user fills in an item of the modal dialog before pressing a button.
      const std::string rest = answer->text.substr(5);
      const auto space = rest.find(' ');
      const auto itemId = space == std::string::npos ? std::nullopt
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
        if (spec.type == RTYPE_PUSHBTN && spec.action != 0 && spec.visible && spec.enabled) index = static_cast<int>(i);
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

MSDialog* mdlDialog_find(int dialogId, MdlDesc* owner) {
  Application* app = owner != nullptr ? applicationOf(owner) : currentApplication();
  if (owner != nullptr && app == nullptr) return nullptr;
  const auto& open = state().open;
  for (auto it = open.rbegin(); it != open.rend(); ++it) {
    const auto& d = *it;
    if (d->id == dialogId && !d->closed && (app == nullptr || d->owner == app)) return d.get();
  }
  return nullptr;
}

MSDialog* mdlDialog_findByTypeAndId(unsigned int type, int id, MdlDesc* owner) {
  if (type != RTYPE_DIALOG) return nullptr;
  return mdlDialog_find(id, owner);
}

int mdlDialog_closeCommandQueue(MSDialog* db) {
  auto holder = holderOf(db);
  if (!holder || holder->closed) return RSC_ERR_BAD_ARGUMENT;
  holder->closePending = true;
  runPendingCloses();
  return RSC_SUCCESS;
}

int mdlWindow_close(MSWindow* window, int, int) {
  auto holder = holderOf(window);
  if (!holder || holder->closed) return RSC_ERR_BAD_ARGUMENT;
  closeNow(holder);
  return RSC_SUCCESS;
}

int mdlDialog_getId(MSDialog* db) { return liveDialog(db) ? db->id : 0; }

int mdlDialog_setTitle(MSDialog* db, const char* title) {
  if (!liveDialog(db) || title == nullptr) return RSC_ERR_BAD_ARGUMENT;
  db->title = title;
  return RSC_SUCCESS;
}

int mdlDialog_getTitle(char* buffer, int size, MSDialog* db) {
  if (buffer == nullptr || size <= 0) return RSC_ERR_BAD_ARGUMENT;
  buffer[0] = '\0';
  if (!liveDialog(db)) return RSC_ERR_BAD_ARGUMENT;
  std::snprintf(buffer, static_cast<std::size_t>(size), "%s", db->title.c_str());
  return RSC_SUCCESS;
}

int mdlWindow_extentGet(int* widthP, int* heightP, MSWindow* window) {
  if (!liveDialog(window)) return RSC_ERR_BAD_ARGUMENT;
  if (widthP != nullptr) *widthP = window->canvas.width;
  if (heightP != nullptr) *heightP = window->canvas.height;
  return RSC_SUCCESS;
}

int mdlWindow_extentSet(MSWindow* window, int width, int height) {
  if (!liveDialog(window) || width < 1 || height < 1 || width > kMaxDialogSide || height > kMaxDialogSide) {
    return RSC_ERR_BAD_ARGUMENT;
  }
  window->canvas.resize(width, height);
  return RSC_SUCCESS;
}

}  // extern "C"

namespace {

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

int mdlDialog_itemGetCount(MSDialog* db) { return liveDialog(db) ? static_cast<int>(db->items.size()) : -1; }

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

int mdlWindow_redraw(MSWindow* window) {
  if (!liveDialog(window)) return RSC_ERR_BAD_ARGUMENT;
  renderDialog(window);
  return RSC_SUCCESS;
}

int mdlDialog_optionButtonClear(MSDialog* db, int itemIndex) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr || item->spec.type != RTYPE_OPTIONBTN) return RSC_ERR_BAD_ARGUMENT;
  item->spec.options.clear();
  return RSC_SUCCESS;
}

int mdlDialog_optionButtonInsert(MSDialog* db, int itemIndex, const char* label, long value, int enabled) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr || item->spec.type != RTYPE_OPTIONBTN || label == nullptr || item->spec.options.size() >= 4096) {
    return RSC_ERR_BAD_ARGUMENT;
  }
  item->spec.options.push_back(OptionEntry{label, value, enabled != 0});
  return RSC_SUCCESS;
}

int mdlDialog_optionButtonGetCount(MSDialog* db, int itemIndex) {
  Item* item = itemAt(db, itemIndex);
  return item == nullptr || item->spec.type != RTYPE_OPTIONBTN ? -1 : static_cast<int>(item->spec.options.size());
}

int mdlDialog_listBoxSetListModel(MSDialog* db, int itemIndex, ListModel* model) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr || item->spec.type != RTYPE_LISTBOX) return RSC_ERR_BAD_ARGUMENT;
  if (model != nullptr && mdlListModel_getRowCount(model) < 0) return RSC_ERR_BAD_ARGUMENT;
  item->model = model;
  item->number = -1;
  return RSC_SUCCESS;
}

ListModel* mdlDialog_listBoxGetListModel(MSDialog* db, int itemIndex) {
  Item* item = itemAt(db, itemIndex);
  return item == nullptr || item->spec.type != RTYPE_LISTBOX ? nullptr : item->model;
}

int mdlDialog_listBoxGetSelectedRow(MSDialog* db, int itemIndex) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr || item->spec.type != RTYPE_LISTBOX) return -1;
  return static_cast<int>(item->number);
}

int mdlDialog_listBoxSelectRow(MSDialog* db, int itemIndex, int row) {
  Item* item = itemAt(db, itemIndex);
  if (item == nullptr || item->spec.type != RTYPE_LISTBOX) return RSC_ERR_BAD_ARGUMENT;
  const int rows = item->model != nullptr ? mdlListModel_getRowCount(item->model) : 0;
  if (row < -1 || row >= rows) return RSC_ERR_BAD_ARGUMENT;
  item->number = row;
  return RSC_SUCCESS;
}

void mdlWindow_cursorTurnOff(void) {}

}  // extern "C"
