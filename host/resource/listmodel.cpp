// List models: rows of cells for list boxes, option buttons and combo boxes. A cell holds a
// text value, a long value or both, and a display text that follows the text value unless it
// is set apart (the plot-scale list shows text; level-style lists mark rows by long value).
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/lifecycle.hpp"
#include "host/resource/api.h"

struct ListCell {
  std::string text;
  std::string display;
  std::optional<long> number;
  unsigned int editorType = 0;  // the cell editor a dialog opens on it (0: not editable)
  int editorId = 0;
};

struct ListRow {
  ListModel* model = nullptr;
  std::vector<std::unique_ptr<ListCell>> cells;
};

struct ListModel {
  int columns = 1;
  std::vector<std::unique_ptr<ListRow>> rows;
};

namespace pixmend::host {
namespace {

// Everything handed out and still alive; a stale pointer is refused rather than followed.
struct Registry {
  std::map<const ListModel*, std::unique_ptr<ListModel>> models;
  std::set<const ListRow*> rows;
  std::set<const ListCell*> cells;
};

Registry& registry() {
  static Registry r;
  return r;
}

bool valid(const ListModel* m) { return m != nullptr && registry().models.count(m) != 0; }
bool valid(const ListRow* r) { return r != nullptr && registry().rows.count(r) != 0; }
bool valid(const ListCell* c) { return c != nullptr && registry().cells.count(c) != 0; }

void forget(const ListRow& row) {
  for (const auto& cell : row.cells) registry().cells.erase(cell.get());
  registry().rows.erase(&row);
}

const bool registered = registerReset("listmodel", [] {
  registry().cells.clear();
  registry().rows.clear();
  registry().models.clear();
});

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

ListModel* mdlListModel_create(int numColumns) {
  if (numColumns < 1 || numColumns > 256) return nullptr;
  auto model = std::make_unique<ListModel>();
  model->columns = numColumns;
  ListModel* raw = model.get();
  registry().models[raw] = std::move(model);
  return raw;
}

int mdlListModel_destroy(ListModel* model) {
  if (!valid(model)) return RSC_ERR_BAD_ARGUMENT;
  for (const auto& row : model->rows) forget(*row);
  registry().models.erase(model);
  return RSC_SUCCESS;
}

int mdlListModel_getColumnCount(const ListModel* model) { return valid(model) ? model->columns : -1; }

int mdlListModel_getRowCount(const ListModel* model) {
  return valid(model) ? static_cast<int>(model->rows.size()) : -1;
}

ListRow* mdlListModel_insertNewRow(ListModel* model, int index) {
  if (!valid(model)) return nullptr;
  const int count = static_cast<int>(model->rows.size());
  if (index == -1) index = count;
  if (index < 0 || index > count || count >= LISTMODEL_MAX_ROWS) return nullptr;
  auto row = std::make_unique<ListRow>();
  row->model = model;
  for (int c = 0; c < model->columns; ++c) {
    row->cells.push_back(std::make_unique<ListCell>());
    registry().cells.insert(row->cells.back().get());
  }
  ListRow* raw = row.get();
  registry().rows.insert(raw);
  model->rows.insert(model->rows.begin() + index, std::move(row));
  return raw;
}

ListRow* mdlListModel_getRowAtIndex(ListModel* model, int index) {
  if (!valid(model) || index < 0 || index >= static_cast<int>(model->rows.size())) return nullptr;
  return model->rows[static_cast<std::size_t>(index)].get();
}

int mdlListModel_getRowIndex(const ListModel* model, const ListRow* row) {
  if (!valid(model) || !valid(row)) return -1;
  for (std::size_t i = 0; i < model->rows.size(); ++i) {
    if (model->rows[i].get() == row) return static_cast<int>(i);
  }
  return -1;
}

int mdlListModel_removeRows(ListModel* model, int index, int count) {
  if (!valid(model) || index < 0 || count < 1) return RSC_ERR_BAD_ARGUMENT;
  const int size = static_cast<int>(model->rows.size());
  if (index >= size || count > size - index) return RSC_ERR_BAD_ARGUMENT;
  const auto first = model->rows.begin() + index;
  for (auto it = first; it != first + count; ++it) forget(**it);
  model->rows.erase(first, first + count);
  return RSC_SUCCESS;
}

int mdlListModel_empty(ListModel* model) {
  if (!valid(model)) return RSC_ERR_BAD_ARGUMENT;
  for (const auto& row : model->rows) forget(*row);
  model->rows.clear();
  return RSC_SUCCESS;
}

ListModel* mdlListModel_createFromStringList(StringList* list, int numColumns) {
  const long members = mdlStringList_size(list);
  const long perMember = mdlStringList_stringsPerMember(list);
  if (members < 0 || members > LISTMODEL_MAX_ROWS) return nullptr;
  ListModel* model = mdlListModel_create(numColumns);
  if (model == nullptr) return nullptr;
  for (long m = 0; m < members; ++m) {
    ListRow* row = mdlListModel_insertNewRow(model, -1);
    for (int c = 0; c < numColumns && c < perMember; ++c) {
      char* text = nullptr;
      long* info = nullptr;
      mdlStringList_getMember(&text, &info, list, m * perMember + c);
      ListCell* cell = mdlListRow_getCellAtIndex(row, c);
      mdlListCell_setStringValue(cell, text != nullptr ? text : "", 1);
      if (info != nullptr) mdlListCell_setLongValue(cell, info[0]);
    }
  }
  return model;
}

ListCell* mdlListRow_getCellAtIndex(ListRow* row, int column) {
  if (!valid(row) || column < 0 || column >= static_cast<int>(row->cells.size())) return nullptr;
  return row->cells[static_cast<std::size_t>(column)].get();
}

int mdlListCell_setStringValue(ListCell* cell, const char* value, int alsoDisplayText) {
  if (!valid(cell) || value == nullptr) return RSC_ERR_BAD_ARGUMENT;
  cell->text = value;
  if (alsoDisplayText) cell->display = value;
  return RSC_SUCCESS;
}

const char* mdlListCell_getStringValue(const ListCell* cell) { return valid(cell) ? cell->text.c_str() : ""; }

int mdlListCell_setLongValue(ListCell* cell, long value) {
  if (!valid(cell)) return RSC_ERR_BAD_ARGUMENT;
  cell->number = value;
  return RSC_SUCCESS;
}

int mdlListCell_getLongValue(const ListCell* cell, long* valueP) {
  if (!valid(cell) || valueP == nullptr) return RSC_ERR_BAD_ARGUMENT;
  if (!cell->number) return RSC_ERR_NO_SUCH_RESOURCE;
  *valueP = *cell->number;
  return RSC_SUCCESS;
}

int mdlListCell_setDisplayText(ListCell* cell, const char* text) {
  if (!valid(cell) || text == nullptr) return RSC_ERR_BAD_ARGUMENT;
  cell->display = text;
  return RSC_SUCCESS;
}

const char* mdlListCell_getDisplayText(const ListCell* cell) { return valid(cell) ? cell->display.c_str() : ""; }

int mdlListCell_setEditor(ListCell* cell, unsigned int editorType, int editorId) {
  if (!valid(cell)) return RSC_ERR_BAD_ARGUMENT;
  cell->editorType = editorType;
  cell->editorId = editorId;
  return RSC_SUCCESS;
}

int mdlListCell_getEditor(const ListCell* cell, unsigned int* editorTypeP, int* editorIdP) {
  if (!valid(cell)) return RSC_ERR_BAD_ARGUMENT;
  if (editorTypeP != nullptr) *editorTypeP = cell->editorType;
  if (editorIdP != nullptr) *editorIdP = cell->editorId;
  return cell->editorType != 0 ? RSC_SUCCESS : RSC_ERR_NO_SUCH_RESOURCE;
}

}  // extern "C"
