// Plot scales kept in resource files, and the default list, for the plot-scale record that all
// applications share (published as vxlibPlotScale / vxScaleP):
//   vxlibPlotScale_readSettings / ..._saveSettings   string list 20001 of a resource file
//   buildDefaultPlotScales                           the 15 default scales
//
// The list is a host list model of two columns: the scale's name ("1:50") and its value as text
// ("50.000000"). Stored form: two strings per scale, name then value; info field 0 of the name
// is 1 on the active scale. (The plot-scale dialog and the rest of the family come with the
// services.)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

constexpr const char* kDefaultScales[] = {"1:1",   "1:2",    "1:5",    "1:10",   "1:20",
                                          "1:25",  "1:50",   "1:100",  "1:200",  "1:250",
                                          "1:500", "1:1000", "1:2000", "1:5000", "1:10000"};
// More scales than anyone keeps: a stored list beyond this is not read further.
constexpr long kMaxScales = 10000;

// The host's text cell editor, on both columns of the list.
constexpr unsigned int kTextEditorType = 0x64547874U;  // 'dTxt'
constexpr int kTextEditorId = -14001;

PlotScale* record() { return plotScaleRecord(); }

void setCell(ListRow* row, int column, const char* text) {
  if (ListCell* cell = mdlListRow_getCellAtIndex(row, column)) {
    mdlListCell_setStringValue(cell, text, 1);
    mdlListCell_setEditor(cell, kTextEditorType, kTextEditorId);
  }
}

ListRow* appendScale(ListModel* list, const char* name) { return insertScaleRow(list, -1, name); }

ListModel* listOf(PlotScale* r) {
  if (r->list == nullptr || mdlListModel_getColumnCount(r->list) < 0) r->list = mdlListModel_create(2);
  return r->list;
}

}  // namespace

PlotScale* plotScaleRecord() {
  Shared* s = shared();
  return s != nullptr ? s->plotScale : nullptr;
}

ListRow* insertScaleRow(ListModel* list, int index, const char* name) {
  ListRow* row = mdlListModel_insertNewRow(list, index);
  if (row == nullptr) return nullptr;
  setCell(row, 0, name);
  char value[64];
  const double number = std::strlen(name) > 2 ? std::atof(name + 2) : 0.0;
  std::snprintf(value, sizeof value, "%.6f", std::isfinite(number) ? number : 0.0);
  setCell(row, 1, value);
  return row;
}

void rereadActiveScale(PlotScale* r) {
  r->activeScale = 1.0;
  ListRow* row = mdlListModel_getRowAtIndex(r->list, r->activeIndex);
  const char* text = mdlListCell_getStringValue(mdlListRow_getCellAtIndex(row, 1));
  if (text == nullptr || *text == '\0') return;
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end != text && std::isfinite(value) && value > 0) r->activeScale = value;
}

void buildDefaultPlotScales(PlotScale* r) {
  if (r == nullptr) return;
  ListModel* list = listOf(r);
  mdlListModel_empty(list);
  for (const char* name : kDefaultScales) appendScale(list, name);
  r->activeIndex = 0;
  r->activeScale = 1.0;
}

}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

int vxlibPlotScale_readSettings(VxlibRscFile* resourceFile) {
  PlotScale* r = record();
  if (r == nullptr || resourceFile == nullptr) return VXLIB_ERROR;
  StringList* stored = vxlibResource_loadStringList(resourceFile, kPlotScaleListId);
  if (stored == nullptr) return VXLIB_ERROR;
  const long strings =
      std::max(0L, mdlStringList_size(stored)) * std::max(0L, mdlStringList_stringsPerMember(stored));
  const long scales = std::min(strings / 2, kMaxScales);
  ListModel* list = listOf(r);
  mdlListModel_empty(list);
  int active = 0;
  for (long i = 0; i < scales; ++i) {
    char* name = nullptr;
    char* value = nullptr;
    long* info = nullptr;
    if (mdlStringList_getMember(&name, &info, stored, 2 * i) != 0 || name == nullptr) continue;
    const bool isActive = info != nullptr && info[0] != 0;
    mdlStringList_getMember(&value, nullptr, stored, 2 * i + 1);
    ListRow* row = appendScale(list, name);
    if (row == nullptr) break;
    setCell(row, 1, value != nullptr ? value : "");
    if (isActive) active = mdlListModel_getRowCount(list) - 1;
  }
  mdlStringList_destroy(stored);
  const double previous = r->activeScale;
  r->activeIndex = active;
  rereadActiveScale(r);
  if (std::fabs(r->activeScale - previous) > kScaleEpsilon) notifyScaleFunctions(previous, r->activeScale, 0);
  if (MSDialog* db = mdlDialog_find(kPlotScaleDialog, nullptr)) {
    const int item = mdlDialog_itemIndexByTypeAndId(db, RTYPE_LISTBOX, kPlotScaleListBox, 0);
    if (item >= 0) {
      mdlDialog_listBoxSetListModel(db, item, list);
      mdlDialog_itemDraw(db, item);
    }
  }
  return VXLIB_SUCCESS;
}

int vxlibPlotScale_saveSettings(VxlibRscFile* resourceFile) {
  PlotScale* r = record();
  if (r == nullptr || r->list == nullptr || resourceFile == nullptr) return VXLIB_ERROR;
  const int rows = mdlListModel_getRowCount(r->list);
  if (rows < 0) return VXLIB_ERROR;
  StringList* out = mdlStringList_create(0, 2);
  if (out == nullptr) return VXLIB_ERROR;
  for (int i = 0; i < rows; ++i) {
    ListRow* row = mdlListModel_getRowAtIndex(r->list, i);
    long index = 0;
    if (mdlStringList_insertMember(&index, out, -1, 1) != 0) break;
    const long info[STRINGLIST_INFO_FIELDS] = {i == r->activeIndex ? 1 : 0, 0, 0, 0};
    mdlStringList_setMember(out, 2 * index, mdlListCell_getStringValue(mdlListRow_getCellAtIndex(row, 0)),
                            info);
    mdlStringList_setMember(out, 2 * index + 1, mdlListCell_getStringValue(mdlListRow_getCellAtIndex(row, 1)),
                            nullptr);
  }
  const int status = vxlibResource_addStringList(resourceFile, kPlotScaleListId, out);
  mdlStringList_destroy(out);
  return status;
}

}  // extern "C"
