// The headless dialog manager as the host's other groups, the session runner and the tests use
// it: open dialogs, set item values and press buttons as a user would, pick menu entries, and
// save a dialog's canvas as a picture. The C calls are in api.h.
#pragma once

#include <string>
#include <vector>

#include "host/dialog/api.h"

namespace pixmend::host {

// Sets an item's value as a user would (typing into a text item, choosing an option by its
// label or value, ticking a toggle with on/off/1/0, choosing a list row by number): written
// through the item's access string, the item's hook gets the state-changed message, and the
// journal says so. `dialogId` is the most recently opened open dialog of that identifier; the
// item is the first with `itemId`. False with a message for anything a user could not do
// (no such dialog or item, disabled or hidden item, a value the item does not take).
bool setItemValue(int dialogId, int itemId, const std::string& value, std::string* error);

// Presses a push button as a user would: its hook gets the button message, then its action
// (if any) closes the dialog (a modal one returns it). False with a message when there is no
// such button or it is disabled or hidden.
bool pressButton(int dialogId, int itemId, std::string* error);

// The open dialogs, oldest first, and one by identifier (most recent), or null.
std::vector<MSDialog*> openDialogs();
MSDialog* findOpenDialog(int dialogId);

// Writes the canvas of open dialog `dialogId` as a PNG file.
bool saveDialogPng(int dialogId, const std::string& path, std::string* error);

// Chooses an entry of the command window's menu bar by its labels, e.g. {"Raster", "Attach"}
// (case-insensitive, '~' mnemonics ignored). On success the entry's command number (0 when
// none) and key-in ("" when none) are returned for the caller to run; the journal says which
// entry was chosen.
bool chooseMenuEntry(const std::vector<std::string>& path, long* command, std::string* keyin, std::string* error);
// The labels of the command window's menus, left to right (empty without a command window).
std::vector<std::string> menuBarLabels();

}  // namespace pixmend::host
