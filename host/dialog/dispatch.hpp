// The dialog manager's own calls, shared by its files: the open dialogs and the messages to
// their hooks (manager.cpp), item values and their fields (items.cpp). Internal to host/dialog;
// the other groups use manager.hpp.
//
// Dialogs live in shared pointers: a hook may close its own dialog (or any other) while the
// manager is still working on it, so every message send keeps the dialog alive and the manager
// checks `closed` afterwards instead of following a freed record.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/dialog/dialog.hpp"

namespace pixmend::host {

// ---- Dialogs and their hooks (manager.cpp) ---------------------------------------------------

// The open dialog behind `db`, or null (a pointer the manager does not know is never read).
std::shared_ptr<MSDialog> holderOf(const MSDialog* db);

// Opens dialog `dialogId` of `rscFile` for the current application: create, item create, init
// and item init messages, then its first drawing. Null when it does not exist or refused to
// open; a dialog its own hooks closed while opening comes back closed.
std::shared_ptr<MSDialog> openDialog(RscFileHandle rscFile, int dialogId, bool modal);
// Closes now: destroy messages to every item and the dialog, then it is gone.
void closeNow(const std::shared_ptr<MSDialog>& db);
// Presses button `index`: the button message to its hook (or the dialog hook), then its action.
void press(const std::shared_ptr<MSDialog>& db, int index);

// A message of `type` with everything else zero.
DialogItemMessage itemMessage(int type);
DialogMessage dialogMessage(int type);
// Sends to the dialog's or the item's hook, as the application that published it; dialogs that
// the hook asked to close are closed once it has returned.
void sendDialog(const std::shared_ptr<MSDialog>& db, DialogMessage& message);
void sendItem(const std::shared_ptr<MSDialog>& db, int index, DialogItemMessage& message);

// The index of the first item `itemId` (of `type`, when not 0), or -1.
int findItem(const MSDialog* db, int itemId, ResourceType type = 0);

// A line on journal channel "dialog"; a text in double quotes for it.
void note(const std::string& text);
std::string quoted(const std::string& text);

// ---- Item values (items.cpp) -------------------------------------------------------------------

// Text items hold a text; option buttons, toggles and list boxes a number.
bool takesText(const Item& item);
bool takesNumber(const Item& item);

// A value as an item takes it, whoever gives it (a user typing, a script, an application's
// mdlDialog_itemSetValue): a text item's text, at most its maxLength characters, and a finite
// number when its field is a number; a toggle's on or off (1, on, true, yes; 0, off, false, no);
// an option's label or value; a list row's number. An option that is disabled is still found
// (`option` says which): only a user is kept from choosing it.
struct ItemValue {
  std::string text;
  double number = 0;
  const OptionEntry* option = nullptr;
  std::vector<int> rows;  // list boxes: the rows to select
};
// False with why, worded to follow the item's name ("takes a number, not \"inf\"").
bool parseItemValue(const Item& item, const std::string& value, ItemValue* out, std::string* why);

// Reads the item's value from its access string; false when it has none or it cannot be read.
bool readAccess(Item& item);
// Writes a value through the item's access string; false when the field refuses it.
bool writeAccess(const Item& item, const std::string& text, double number);
// Other items bound to the same field show the new value at once.
void refreshSynonyms(const MSDialog* source, int sourceIndex);

}  // namespace pixmend::host
