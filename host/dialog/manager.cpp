// The dialog manager's dispatch and lifecycle: opening dialogs from resources, the messages to
// their hooks (run as the application that published them), pressing buttons, closing (also
// from inside a hook), and the dialogs of an application that unloads. Item values are in
// items.cpp, what users do in userinput.cpp; dispatch.hpp says how dialogs stay alive under a
// hook that closes them.
#include "host/dialog/manager.hpp"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "host/dialog/dispatch.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/resource/openfiles.hpp"
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

void* hookFunction(Application* owner, int hookId) {
  if (hookId == 0) return nullptr;
  auto app = state().hooks.find(owner);
  if (app == state().hooks.end()) return nullptr;
  auto it = app->second.find(hookId);
  return it == app->second.end() ? nullptr : it->second;
}

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

void note(const std::string& text) {
  journal().append("dialog", text);
}

std::string quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::shared_ptr<MSDialog> holderOf(const MSDialog* db) {
  for (const auto& d : state().open) {
    if (d.get() == db) return d;
  }
  return nullptr;
}

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
    if (item.spec.type == RTYPE_PUSHBTN) item.number = static_cast<double>(item.spec.value);
    giveHostListModel(item);
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
  db->opened = true;
  renderDialog(db.get());
  return db;
}

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
    m.u.button.value = item.spec.value;
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

int findItem(const MSDialog* db, int itemId, ResourceType type) {
  for (std::size_t i = 0; i < db->items.size(); ++i) {
    if (db->items[i].spec.id == itemId && (type == 0 || db->items[i].spec.type == type))
      return static_cast<int>(i);
  }
  return -1;
}

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

int mdlDialog_pushButtonActivate(MSDialog* db, int itemIndex) {
  auto holder = holderOf(db);
  if (!holder || holder->closed || holder->closing || itemIndex < 0 ||
      itemIndex >= static_cast<int>(holder->items.size())) {
    return RSC_ERR_BAD_ARGUMENT;
  }
  const ItemSpec& spec = holder->items[static_cast<std::size_t>(itemIndex)].spec;
  if (spec.type != RTYPE_PUSHBTN || !spec.enabled || !spec.visible) return RSC_ERR_BAD_ARGUMENT;
  press(holder, itemIndex);
  return RSC_SUCCESS;
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
  const int oldWidth = window->canvas.width, oldHeight = window->canvas.height;
  window->canvas.resize(width, height);
  auto holder = holderOf(window);
  if (!holder || holder->resizing || (oldWidth == width && oldHeight == height)) return RSC_SUCCESS;
  // The dialog hook lays its items out again for the new size; then the dialog is drawn anew.
  holder->resizing = true;
  DialogMessage m = dialogMessage(DIALOG_MESSAGE_RESIZE);
  m.u.resize.oldWidth = oldWidth;
  m.u.resize.oldHeight = oldHeight;
  m.u.resize.newWidth = width;
  m.u.resize.newHeight = height;
  sendDialog(holder, m);
  holder->resizing = false;
  if (!holder->closed && holder->opened) renderDialog(holder.get());
  return RSC_SUCCESS;
}

MSDialog* mdlDialog_getNext(MSDialog* db) {
  const auto& open = state().open;
  auto it = open.begin();
  if (db != nullptr) {
    it = std::find_if(open.begin(), open.end(), [&](const auto& d) { return d.get() == db; });
    if (it == open.end()) return nullptr;
    ++it;
  }
  for (; it != open.end(); ++it) {
    if (!(*it)->closed) return it->get();
  }
  return nullptr;
}

}  // extern "C"

extern "C" {

int mdlWindow_redraw(MSWindow* window) {
  if (!liveDialog(window)) return RSC_ERR_BAD_ARGUMENT;
  renderDialog(window);
  return RSC_SUCCESS;
}

void mdlWindow_cursorTurnOff(void) {}

}  // extern "C"
