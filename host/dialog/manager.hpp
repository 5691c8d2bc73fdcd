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

// List boxes as a user works them (the list box `itemId` of the most recent open dialog
// `dialogId`): a click (or double click, `clicks` 2) on a cell selects its row and sends the
// state-changed (when the selection changed) and button messages; editing a cell double-clicks
// it and, when the hook opened an editor on that cell, types `value` into it and ends the edit
// (message DITEM_MESSAGE_CELLEDITEND). False with a message when the user could not do it (no
// such cell, or no editor opened there).
bool clickListRow(int dialogId, int itemId, int row, int column, int clicks, std::string* error);
bool editListCell(int dialogId, int itemId, int row, int column, const std::string& value, std::string* error);

// Opens the pull-down menu of item `itemId` (the one its dialog's hook names when asked with
// DIALOG_MESSAGE_PULLDOWNQUERY) and chooses `entry` by its label. An entry that presses a button
// of the dialog does so; otherwise its command number and key-in are returned for the caller to
// run. False with a message when the item has no menu or the menu no such entry.
bool chooseItemMenuEntry(int dialogId, int itemId, const std::string& entry, long* command, std::string* keyin,
                         std::string* error);

// What a user does inside open dialog `dialogId`, written as one line (the modal dialogs' answers):
//   item ID VALUE | press ID | click ID ROW COLUMN [2] | edit ID ROW COLUMN TEXT |
//   menu ID ENTRY | picture FILE.png
// False with a message when it is not such a line or could not be done. *recognised says whether
// the line had one of these forms.
bool doUserAction(int dialogId, const std::string& line, bool* recognised, std::string* error);

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
