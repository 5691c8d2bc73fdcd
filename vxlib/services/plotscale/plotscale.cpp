// The plot-scale family beyond its settings (core/plotscale.cpp): the active scale, and the
// modal plot-scale dialog in which the user edits the list that all applications share.
//   vxlibPlotScale_getActiveScaleP / ..._setActiveScale / ..._dialogOpen
//   plotScaleHookTable            hooks of dialog 20026 (20204, 20096-20099)
//
// The dialog works on the shared list itself: a cell edited, a row added or removed is there at
// once for every application. Its option button 20016 (bound to vxScaleP.activeIndex) chooses
// the active scale; the same button in any open dialog is rebuilt when the dialog closes.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

constexpr int kScaleOptionButton = 20016;
constexpr int kScaleSynonyms = 20005;
constexpr int kItemMenu = 20000;
constexpr int kRememberedSlot = -20007;
constexpr int kOpenTitle = 58, kSaveTitle = 59, kNewTitle = 60;

enum HookId { kDialogHook = 20204, kListHook = 20096, kOptionHook = 20097, kRowHook = 20098, kFileHook = 20099 };

// The value of a value cell as the list keeps it.
double cellNumber(ListModel* list, int row, int column) {
  const char* text = mdlListCell_getStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(list, row), column));
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  return end != text && std::isfinite(value) ? value : 0.0;
}

void setCellText(ListModel* list, int row, int column, const char* text) {
  mdlListCell_setStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(list, row), column), text, 1);
}

void setValueCell(ListModel* list, int row, double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", value);
  setCellText(list, row, 1, text);
}

// Rebuilds option button `index` of `db` from the scale names (value = row) and shows the
// active row.
void fillScaleOption(MSDialog* db, int index, PlotScale* r) {
  mdlDialog_optionButtonClear(db, index);
  const int rows = mdlListModel_getRowCount(r->list);
  for (int i = 0; i < rows; ++i) {
    const char* name = mdlListCell_getStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(r->list, i), 0));
    mdlDialog_optionButtonInsert(db, index, name, i, 1);
  }
  mdlDialog_itemSynch(db, index);
}

// After rows came or went: the option button of the dialog follows, the list is drawn again.
void refreshDialog(MSDialog* db, PlotScale* r) {
  const int option = mdlDialog_itemIndexByTypeAndId(db, RTYPE_OPTIONBTN, kScaleOptionButton, 0);
  if (option >= 0) fillScaleOption(db, option, r);
  const int list = mdlDialog_itemIndexByTypeAndId(db, RTYPE_LISTBOX, kPlotScaleListBox, 0);
  if (list >= 0) mdlDialog_itemDraw(db, list);
}

// Re-reads the active scale and tells the applications (the caller included) when it changed.
void activeScaleMayHaveChanged(PlotScale* r, double previous) {
  rereadActiveScale(r);
  if (std::fabs(r->activeScale - previous) > kScaleEpsilon) notifyScaleFunctions(previous, r->activeScale, 1);
}

void dialogHook(DialogMessage* m) {
  m->msgUnderstood = 1;
  switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE:
      m->u.create.interests |= DIALOG_INTEREST_PULLDOWNQUERY;
      if (GlobalData* b = vxlibMain_getGlobalDataP()) b->plotScaleEditColumn = -1;
      break;
    case DIALOG_MESSAGE_PULLDOWNQUERY: {
      unsigned int type = 0;
      int id = 0;
      mdlDialog_itemGetTypeAndId(&type, &id, m->db, m->u.query.itemIndex);
      if (m->u.query.queryType == DIALOG_QUERY_ITEM && m->u.query.subType == DIALOG_QUERY_PULLDOWN &&
          type == RTYPE_LISTBOX && id == kPlotScaleListBox) {
        m->u.query.menuId = kItemMenu;
      }
      break;
    }
    default:
      m->msgUnderstood = 0;
  }
}

// Column 1 takes a number above 0 (else 1.0); a name "a:b" with both parts above 0 sets the
// value b / a; a name without ':' changes no value.
void editEnded(PlotScale* r, int row, int column) {
  ListModel* list = r->list;
  if (column == 1) {
    const double value = cellNumber(list, row, 1);
    setValueCell(list, row, value > 0 ? value : 1.0);
    return;
  }
  const char* name = mdlListCell_getStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(list, row), 0));
  const char* colon = std::strchr(name, ':');
  if (colon == nullptr) return;
  const double left = std::atof(name), right = std::atof(colon + 1);
  if (left > 0 && right > 0 && std::isfinite(right / left)) setValueCell(list, row, right / left);
}

void listHook(DialogItemMessage* m) {
  PlotScale* r = plotScaleRecord();
  GlobalData* b = vxlibMain_getGlobalDataP();
  m->msgUnderstood = 1;
  if (r == nullptr || b == nullptr) return;
  switch (m->messageType) {
    case DITEM_MESSAGE_CREATE:
      mdlDialog_listBoxSetListModel(m->db, m->itemIndex, r->list);
      break;
    case DITEM_MESSAGE_BUTTON:
      if (m->u.button.buttonTrans == BUTTONTRANS_UP && m->u.button.clickCount == 2 &&
          mdlDialog_listBoxEditCell(m->db, m->itemIndex, m->u.button.row, m->u.button.column) == 0) {
        b->plotScaleEditColumn = m->u.button.column;
      }
      break;
    case DITEM_MESSAGE_CELLEDITEND:
      if (b->plotScaleEditColumn >= 0) editEnded(r, m->u.cell.row, b->plotScaleEditColumn);
      b->plotScaleEditColumn = -1;
      refreshDialog(m->db, r);
      break;
    default:
      m->msgUnderstood = 0;
  }
}

void optionHook(DialogItemMessage* m) {
  PlotScale* r = plotScaleRecord();
  m->msgUnderstood = 1;
  if (r == nullptr) return;
  if (m->messageType == DITEM_MESSAGE_CREATE) {
    fillScaleOption(m->db, m->itemIndex, r);
  } else if (m->messageType == DITEM_MESSAGE_STATECHANGED && m->u.stateChanged.hasChanged) {
    activeScaleMayHaveChanged(r, r->activeScale);
  } else {
    m->msgUnderstood = 0;
  }
}

void rowHook(DialogItemMessage* m) {
  PlotScale* r = plotScaleRecord();
  if (m->messageType != DITEM_MESSAGE_BUTTON || r == nullptr) return;
  m->msgUnderstood = 1;
  const int listIndex = mdlDialog_itemIndexByTypeAndId(m->db, RTYPE_LISTBOX, kPlotScaleListBox, 0);
  const int rows = mdlListModel_getRowCount(r->list);
  int selected = mdlDialog_listBoxGetSelectedRow(m->db, listIndex);
  if (m->u.button.value == 0) {
    // A new row after the selected one (after the last without a selection), named as it.
    if (selected < 0) selected = rows - 1;
    const std::string name =
        mdlListCell_getStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(r->list, selected), 0));
    if (insertScaleRow(r->list, selected + 1, name.c_str()) == nullptr) return;
    if (selected + 1 <= r->activeIndex) ++r->activeIndex;
    mdlDialog_listBoxSelectRow(m->db, listIndex, selected + 1);
  } else if (m->u.button.value == 1) {
    if (rows <= 1 || selected < 0) return;  // the last scale stays
    mdlListModel_removeRows(r->list, selected, 1);
    // The active row keeps its scale; when it is the one removed the row before it (or the
    // first) becomes active.
    if (r->activeIndex >= selected && r->activeIndex > 0) --r->activeIndex;
    mdlDialog_listBoxSelectRow(m->db, listIndex, std::min(selected, rows - 2));
  }
  refreshDialog(m->db, r);
}

void fileHook(DialogItemMessage* m) {
  if (m->messageType != DITEM_MESSAGE_BUTTON) return;
  m->msgUnderstood = 1;
  char name[MAXFILELENGTH] = {};
  VxlibRscFile file{};
  switch (m->u.button.value) {
    case 0:
      if (vxlibUpf_defFileOpen(name, "", "*.rsc", "", languageText(kOpenTitle), kRememberedSlot) != 0) return;
      if (vxlibResource_openFile(&file, name, 0) != 0) return;
      vxlibPlotScale_readSettings(&file);
      vxlibResource_closeFile(&file);
      if (PlotScale* r = plotScaleRecord()) refreshDialog(m->db, r);
      break;
    case 1:
      if (vxlibUpf_defFileOpen(name, "", "*.rsc", "", languageText(kSaveTitle), kRememberedSlot) != 0) return;
      if (vxlibResource_openFile(&file, name, 1) != 0) return;
      vxlibPlotScale_saveSettings(&file);
      vxlibResource_closeFile(&file);
      break;
    case 2:
      if (vxlibUpf_defFileCreate(name, "", "*.rsc", "", languageText(kNewTitle), kRememberedSlot) != 0) return;
      if (mdlResource_createFile(name, "Plotscales", 0) != 0) rscMsgBox(kBoxOk, kErrorList, kMsgCannotCreate, name);
      break;
    default:
      m->msgUnderstood = 0;
  }
}

const DialogHookInfo kHooks[] = {
    {kDialogHook, reinterpret_cast<void*>(&dialogHook)}, {kListHook, reinterpret_cast<void*>(&listHook)},
    {kOptionHook, reinterpret_cast<void*>(&optionHook)}, {kRowHook, reinterpret_cast<void*>(&rowHook)},
    {kFileHook, reinterpret_cast<void*>(&fileHook)},
};

}  // namespace

HookTable plotScaleHookTable() { return {kHooks, static_cast<int>(sizeof kHooks / sizeof kHooks[0])}; }

}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

double* vxlibPlotScale_getActiveScaleP(void) {
  PlotScale* r = plotScaleRecord();
  return r != nullptr ? &r->activeScale : nullptr;
}

int vxlibPlotScale_setActiveScale(double scale, int notifySelf) {
  PlotScale* r = plotScaleRecord();
  if (r == nullptr || r->list == nullptr || !std::isfinite(scale)) return VXLIB_ERROR;
  if (std::fabs(scale - r->activeScale) <= kScaleEpsilon) return VXLIB_SUCCESS;
  const int rows = mdlListModel_getRowCount(r->list);
  for (int row = 0; row < rows; ++row) {
    const double value = cellNumber(r->list, row, 1);
    if (std::fabs(value - scale) > kScaleEpsilon) continue;
    const double previous = r->activeScale;
    r->activeIndex = row;
    r->activeScale = value;
    mdlDialog_synonymsSynch(0, kScaleSynonyms);
    notifyScaleFunctions(previous, r->activeScale, notifySelf);
    return VXLIB_SUCCESS;
  }
  return VXLIB_ERROR;
}

int vxlibPlotScale_dialogOpen(void) {
  PlotScale* r = plotScaleRecord();
  if (r == nullptr || r->list == nullptr) return VXLIB_ERROR;
  int action = 0;
  if (mdlDialog_openModal(&action, 0, kPlotScaleDialog) != 0) return VXLIB_ERROR;
  // Every dialog that offers the scales (whichever application shows it) gets the new list.
  for (MSDialog* db = mdlDialog_getNext(nullptr); db != nullptr; db = mdlDialog_getNext(db)) {
    for (int i = mdlDialog_itemIndexByTypeAndId(db, RTYPE_OPTIONBTN, kScaleOptionButton, 0); i >= 0;
         i = mdlDialog_itemIndexByTypeAndId(db, RTYPE_OPTIONBTN, kScaleOptionButton, i + 1)) {
      fillScaleOption(db, i, r);
    }
  }
  // The active row may have moved or its value been edited: the applications hear of a change
  // the dialog has not announced yet.
  activeScaleMayHaveChanged(r, r->activeScale);
  return VXLIB_SUCCESS;
}

}  // extern "C"
