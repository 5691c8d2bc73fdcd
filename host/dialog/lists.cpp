// List boxes: the list model they show, their selection (one row, or several in a list box with
// multiple selection), clicks on their rows, and the cell editor a hook opens on a cell with the
// text the user types into it.
#include <algorithm>
#include <string>
#include <vector>

#include "host/dialog/dispatch.hpp"
#include "host/dialog/manager.hpp"

namespace pixmend::host {

void setSelection(Item& item, std::vector<int> rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  item.selection = std::move(rows);
  item.number = item.selection.empty() ? -1 : item.selection.front();
}

namespace {

int rowCount(const Item& item) { return item.model != nullptr ? std::max(0, mdlListModel_getRowCount(item.model)) : 0; }

// The list box `itemId` of open dialog `dialogId` as a user can reach it, and its index.
struct Target {
  std::shared_ptr<MSDialog> db;
  int index = -1;
  Item* item = nullptr;
};

bool findListBox(int dialogId, int itemId, Target* t, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  t->db = holderOf(findOpenDialog(dialogId));
  if (!t->db) return fail("dialog " + std::to_string(dialogId) + " is not open");
  t->index = findItem(t->db.get(), itemId, RTYPE_LISTBOX);
  if (t->index < 0) return fail("dialog " + std::to_string(dialogId) + " has no list box " + std::to_string(itemId));
  t->item = &t->db->items[static_cast<std::size_t>(t->index)];
  if (!t->item->spec.visible || !t->item->spec.enabled) {
    return fail("list box " + std::to_string(itemId) + " of dialog " + std::to_string(dialogId) + " is disabled or hidden");
  }
  return true;
}

std::string cellName(int dialogId, int itemId, int row, int column) {
  return std::to_string(dialogId) + "." + std::to_string(itemId) + " row " + std::to_string(row) + " column " +
         std::to_string(column);
}

// A click on a cell: the row becomes the selection (the state-changed message when it was not
// already), then the button message with the number of clicks.
void click(Target& t, int row, int column, int clicks) {
  const bool changed = t.item->selection != std::vector<int>{row};
  setSelection(*t.item, {row});
  if (changed) {
    DialogItemMessage m = itemMessage(DITEM_MESSAGE_STATECHANGED);
    m.u.stateChanged.hasChanged = 1;
    sendItem(t.db, t.index, m);
  }
  if (t.db->closed) return;
  DialogItemMessage m = itemMessage(DITEM_MESSAGE_BUTTON);
  m.u.button.buttonTrans = BUTTONTRANS_UP;
  m.u.button.clickCount = clicks;
  m.u.button.row = row;
  m.u.button.column = column;
  sendItem(t.db, t.index, m);
  if (!t.db->closed) mdlDialog_itemDraw(t.db.get(), t.index);
}

}  // namespace

bool clickListRow(int dialogId, int itemId, int row, int column, int clicks, std::string* error) {
  Target t;
  if (!findListBox(dialogId, itemId, &t, error)) return false;
  const int columns = std::max(1, mdlListModel_getColumnCount(t.item->model));
  if (row < 0 || row >= rowCount(*t.item) || column < 0 || column >= columns || clicks < 1 || clicks > 2) {
    if (error != nullptr) *error = "list box " + std::to_string(itemId) + " has no cell at row " + std::to_string(row) +
                                   " column " + std::to_string(column);
    return false;
  }
  note("clicked " + cellName(dialogId, itemId, row, column) + (clicks == 2 ? " twice" : ""));
  click(t, row, column, clicks);
  return true;
}

bool editListCell(int dialogId, int itemId, int row, int column, const std::string& value, std::string* error) {
  // The user double-clicks the cell; its hook decides whether an editor opens there.
  if (!clickListRow(dialogId, itemId, row, column, 2, error)) return false;
  Target t;
  if (!findListBox(dialogId, itemId, &t, error)) return false;  // the double click closed it
  if (t.item->editRow != row || t.item->editColumn != column) {
    t.item->editRow = t.item->editColumn = -1;
    if (error != nullptr) *error = "no editor opened on " + cellName(dialogId, itemId, row, column);
    return false;
  }
  t.item->editRow = t.item->editColumn = -1;
  ListCell* cell = mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(t.item->model, row), column);
  if (cell == nullptr) {  // the hook changed the list under the editor
    if (error != nullptr) *error = "the cell under the editor is gone";
    return false;
  }
  mdlListCell_setStringValue(cell, value.c_str(), 1);
  note("edited " + cellName(dialogId, itemId, row, column) + " = " + quoted(value));
  DialogItemMessage m = itemMessage(DITEM_MESSAGE_CELLEDITEND);
  m.u.cell.row = row;
  m.u.cell.column = column;
  sendItem(t.db, t.index, m);
  if (!t.db->closed) mdlDialog_itemDraw(t.db.get(), t.index);
  return true;
}

}  // namespace pixmend::host

using namespace pixmend::host;

namespace {

Item* listBoxAt(MSDialog* db, int index) {
  if (!liveDialog(db) || index < 0 || index >= static_cast<int>(db->items.size())) return nullptr;
  Item* item = &db->items[static_cast<std::size_t>(index)];
  return item->spec.type == RTYPE_LISTBOX ? item : nullptr;
}

Item* comboBoxAt(MSDialog* db, int index) {
  if (!liveDialog(db) || index < 0 || index >= static_cast<int>(db->items.size())) return nullptr;
  Item* item = &db->items[static_cast<std::size_t>(index)];
  return item->spec.type == RTYPE_COMBOBOX ? item : nullptr;
}

void appendRow(ListModel* model, const char* text, long value) {
  ListCell* cell = mdlListRow_getCellAtIndex(mdlListModel_insertNewRow(model, -1), 0);
  mdlListCell_setStringValue(cell, text, 1);
  mdlListCell_setLongValue(cell, value);
}

}  // namespace

void pixmend::host::giveHostListModel(Item& item) {
  if (item.spec.type != RTYPE_COMBOBOX || (item.spec.id != kFontComboId && item.spec.id != kTextStyleComboId)) return;
  item.hostModel.reset(mdlListModel_create(1), [](ListModel* m) { mdlListModel_destroy(m); });
  ListModel* model = item.hostModel.get();
  if (model == nullptr) return;
  if (item.spec.id == kFontComboId) {
    // Every font number is drawn with the one built-in font; all 256 are offered.
    for (long font = 0; font <= 255; ++font) appendRow(model, std::to_string(font).c_str(), font);
  } else {
    appendRow(model, "(none)", -1);
    appendRow(model, "(active)", 0);
  }
  item.model = model;
}

extern "C" {

int mdlDialog_comboBoxSetListModel(MSDialog* db, int itemIndex, ListModel* model) {
  Item* item = comboBoxAt(db, itemIndex);
  if (item == nullptr) return RSC_ERR_BAD_ARGUMENT;
  item->model = model;
  return RSC_SUCCESS;
}

ListModel* mdlDialog_comboBoxGetListModel(MSDialog* db, int itemIndex) {
  Item* item = comboBoxAt(db, itemIndex);
  return item == nullptr ? nullptr : item->model;
}

int mdlDialog_listBoxSetListModel(MSDialog* db, int itemIndex, ListModel* model) {
  Item* item = listBoxAt(db, itemIndex);
  if (item == nullptr) return RSC_ERR_BAD_ARGUMENT;
  if (model != nullptr && mdlListModel_getRowCount(model) < 0) return RSC_ERR_BAD_ARGUMENT;
  item->model = model;
  item->editRow = item->editColumn = -1;
  setSelection(*item, {});
  return RSC_SUCCESS;
}

ListModel* mdlDialog_listBoxGetListModel(MSDialog* db, int itemIndex) {
  Item* item = listBoxAt(db, itemIndex);
  return item == nullptr ? nullptr : item->model;
}

int mdlDialog_listBoxGetSelectedRow(MSDialog* db, int itemIndex) {
  Item* item = listBoxAt(db, itemIndex);
  if (item == nullptr) return -1;
  // Rows removed from the model since they were selected are not selected any more.
  const int rows = rowCount(*item);
  for (int row : item->selection) {
    if (row < rows) return row;
  }
  return -1;
}

int mdlDialog_listBoxSelectRow(MSDialog* db, int itemIndex, int row) {
  Item* item = listBoxAt(db, itemIndex);
  if (item == nullptr || row < -1 || row >= rowCount(*item)) return RSC_ERR_BAD_ARGUMENT;
  setSelection(*item, row < 0 ? std::vector<int>{} : std::vector<int>{row});
  return RSC_SUCCESS;
}

int mdlDialog_listBoxGetSelectedRows(int* rows, int maxRows, MSDialog* db, int itemIndex) {
  Item* item = listBoxAt(db, itemIndex);
  if (item == nullptr) return -1;
  const int count = rowCount(*item);
  int n = 0;
  for (int row : item->selection) {
    if (row >= count) continue;
    if (rows != nullptr && n < maxRows) rows[n] = row;
    ++n;
  }
  return n;
}

int mdlDialog_listBoxSetSelectedRows(MSDialog* db, int itemIndex, const int* rows, int count) {
  Item* item = listBoxAt(db, itemIndex);
  if (item == nullptr || count < 0 || (count > 0 && rows == nullptr) || (count > 1 && !item->spec.multiple)) {
    return RSC_ERR_BAD_ARGUMENT;
  }
  std::vector<int> chosen(rows, rows + count);
  for (int row : chosen) {
    if (row < 0 || row >= rowCount(*item)) return RSC_ERR_BAD_ARGUMENT;
  }
  setSelection(*item, std::move(chosen));
  return RSC_SUCCESS;
}

int mdlDialog_listBoxEditCell(MSDialog* db, int itemIndex, int row, int column) {
  Item* item = listBoxAt(db, itemIndex);
  if (item == nullptr) return RSC_ERR_BAD_ARGUMENT;
  ListCell* cell = mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(item->model, row), column);
  if (cell == nullptr || mdlListCell_getEditor(cell, nullptr, nullptr) != RSC_SUCCESS) return RSC_ERR_BAD_ARGUMENT;
  item->editRow = row;
  item->editColumn = column;
  return RSC_SUCCESS;
}

}  // extern "C"
