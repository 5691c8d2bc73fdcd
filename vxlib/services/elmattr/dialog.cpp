// The attribute dialog (20013): the definitions of one group in a seven-column list (20001), the
// settings of the selected one below it. The dialog edits a copy of the selected definition (the
// 1480-byte image in the block) and copies every change into the definition at once.
//   vxlibElmAttr_dialogOpen
//   refreshDialog                 after the list changed through the family's calls
//   hooks 20203 (dialog), 20043 (list), 20044 (group)
#include <algorithm>
#include <cstring>
#include <vector>

#include "vxlib/services/elmattr/dialog.hpp"

namespace pixmend::vxlib::elmattr {
namespace {

constexpr int kInterests = 0x8249;  // item menus (0x82 in the second byte) among the further messages
constexpr int kQueryItem = 2, kQueryPulldown = 515;
constexpr int kMenuBarHeight = 20;

std::uint8_t* editImage(GlobalData* b) { return static_cast<std::uint8_t*>(b->buffer1480); }

void fillRow(ListModel* model, int row, const Definition& d) {
  char columns[kColumns][kColumnSize];
  summarize(d, columns);
  ListRow* listRow = mdlListModel_getRowAtIndex(model, row);
  for (int c = 0; c < kColumns; ++c) mdlListCell_setStringValue(mdlListRow_getCellAtIndex(listRow, c), columns[c], 1);
  mdlListCell_setLongValue(mdlListRow_getCellAtIndex(listRow, 0), d.id);
}

int rowOf(ListModel* model, int id) {
  const int rows = mdlListModel_getRowCount(model);
  for (int r = 0; r < rows; ++r) {
    long value = 0;
    if (mdlListCell_getLongValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(model, r), 0), &value) == 0 &&
        value == id)
      return r;
  }
  return -1;
}

void fillChoices(MSDialog* db, const Definition& d) {
  const int index = itemIndex(db, RTYPE_OPTIONBTN, kChoiceOption);
  if (index < 0) return;
  mdlDialog_optionButtonClear(db, index);
  for (int i = 0; i < d.choiceCount && d.choiceValues != nullptr && d.choiceIcons != nullptr; ++i) {
    char label[kLabelSize];
    if (d.kind == 7) {
      std::snprintf(label, sizeof label, "%s", reinterpret_cast<const char*>(d.choiceIcons[i]));
    } else {
      // The host shows option entries as texts: an icon choice is named by its icon.
      std::snprintf(label, sizeof label, "Icon %ld", static_cast<long>(d.choiceIcons[i]));
    }
    mdlDialog_optionButtonInsert(db, index, label, d.choiceValues[i], 1);
  }
}

void dialogHook(DialogMessage* m) {
  GlobalData* b = block();
  m->msgUnderstood = 1;
  if (b == nullptr) return;
  switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE:
      m->u.create.interests |= kInterests;
      break;
    case DIALOG_MESSAGE_INIT:
      showMenuBar(m->db, groupHasMenuBar(b, b->attributeGroupShown));
      rebuildList(m->db, b->attributeSelectedId);
      break;
    case DIALOG_MESSAGE_DESTROY:
      if (Definition* d = find(b, b->attributeSelectedId)) notify(d, 4, m->db);
      break;
    case DIALOG_MESSAGE_PULLDOWNQUERY: {
      unsigned int type = 0;
      int id = 0;
      mdlDialog_itemGetTypeAndId(&type, &id, m->db, m->u.query.itemIndex);
      if (m->u.query.queryType == kQueryItem && m->u.query.subType == kQueryPulldown && type == RTYPE_LISTBOX &&
          id == kListBox)
        m->u.query.menuId = kListMenu;
      break;
    }
    default:
      m->msgUnderstood = 0;
  }
}

void listHook(DialogItemMessage* m) {
  GlobalData* b = block();
  m->msgUnderstood = 1;
  if (b == nullptr) return;
  switch (m->messageType) {
    case DITEM_MESSAGE_CREATE:
      if (b->attributeRows == nullptr) b->attributeRows = mdlListModel_create(kColumns);
      mdlDialog_listBoxSetListModel(m->db, m->itemIndex, b->attributeRows);
      break;
    case DITEM_MESSAGE_DESTROY:
      mdlDialog_listBoxSetListModel(m->db, m->itemIndex, nullptr);
      if (b->attributeRows != nullptr) mdlListModel_destroy(b->attributeRows);
      b->attributeRows = nullptr;
      break;
    case DITEM_MESSAGE_STATECHANGED: {
      const int row = mdlDialog_listBoxGetSelectedRow(m->db, m->itemIndex);
      long id = 0;
      if (row >= 0 && mdlListCell_getLongValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(b->attributeRows, row), 0),
                                               &id) == 0)
        selectDefinition(m->db, static_cast<int>(id));
      break;
    }
    default:
      m->msgUnderstood = 0;
  }
}

void groupHook(DialogItemMessage* m) {
  GlobalData* b = block();
  m->msgUnderstood = 1;
  if (b == nullptr) return;
  if (m->messageType == DITEM_MESSAGE_CREATE) {
    mdlDialog_optionButtonClear(m->db, m->itemIndex);
    const auto* table = static_cast<const Group*>(b->attributeGroups);
    for (int i = 0; table != nullptr && i < b->attributeGroupCount; ++i)
      mdlDialog_optionButtonInsert(m->db, m->itemIndex, table[i].name, table[i].key, 1);
    char value[32];
    std::snprintf(value, sizeof value, "%d", b->attributeGroupShown);
    mdlDialog_itemSetValue(m->db, m->itemIndex, value);
  } else if (m->messageType == DITEM_MESSAGE_STATECHANGED) {
    char value[32] = {};
    mdlDialog_itemGetValue(value, sizeof value, m->db, m->itemIndex);
    b->attributeGroupShown = std::atoi(value);
    showMenuBar(m->db, groupHasMenuBar(b, b->attributeGroupShown));
    rebuildList(m->db, 0);
  } else {
    m->msgUnderstood = 0;
  }
}

}  // namespace

Properties* properties(GlobalData* b) { return static_cast<Properties*>(b->buffer92); }

int itemIndex(MSDialog* db, unsigned int type, int id) { return mdlDialog_itemIndexByTypeAndId(db, type, id, 0); }

bool beginEdit(Edit* e) {
  e->b = block();
  e->d = e->b != nullptr ? find(e->b, e->b->attributeSelectedId) : nullptr;
  if (e->d == nullptr || e->b->buffer1480 == nullptr) return false;
  readSettings(editImage(e->b), kImageSize, e->d->kind, &e->s);
  return true;
}

void commitEdit(const Edit& e, MSDialog* db) {
  e.d->settings = e.s;
  writeImage(*e.d, editImage(e.b));
  const int row = e.b->attributeRows != nullptr ? rowOf(e.b->attributeRows, e.d->id) : -1;
  if (row >= 0) {
    fillRow(e.b->attributeRows, row, *e.d);
    mdlDialog_itemDraw(db, itemIndex(db, RTYPE_LISTBOX, kListBox));
  }
  notify(e.d, 1, db);
}

bool groupHasMenuBar(GlobalData* b, int key) {
  const Group* g = findGroup(b, key);
  return g != nullptr && (g->flags & VXLIB_ELMATTR_GROUP_MENUBAR) != 0;
}

void callGroupCallback(GlobalData* b, int groupKey) {
  const Group* g = findGroup(b, groupKey);
  if (g != nullptr && g->callback != nullptr)
    dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), reinterpret_cast<void*>(g->callback), "");
}

void showMenuBar(MSDialog* db, bool show) {
  const int bar = itemIndex(db, RTYPE_MENUBAR, kMenuBar);
  if (bar < 0) return;
  int attributes = 0;
  mdlDialog_itemGetAttributes(&attributes, db, bar);
  // Whether the bar is shown is kept in its attributes (1: shown; the resource starts it hidden).
  if ((attributes != 0) == show) return;
  mdlDialog_itemSetAttributes(db, bar, show ? 1 : 0);
  mdlDialog_itemShow(db, bar, show ? 1 : 0);
  const int shift = show ? kMenuBarHeight : -kMenuBarHeight;
  const int count = mdlDialog_itemGetCount(db);
  for (int i = 0; i < count; ++i) {
    if (i == bar) continue;
    BSIRect r{};
    mdlDialog_itemGetRect(&r, db, i);
    r.origin.y += shift;
    r.corner.y += shift;
    mdlDialog_itemSetRect(db, i, &r);
  }
  mdlWindow_redraw(db);
}

void rebuildList(MSDialog* db, int id) {
  GlobalData* b = block();
  if (b == nullptr || b->attributeRows == nullptr) return;
  const int list = itemIndex(db, RTYPE_LISTBOX, kListBox);
  mdlDialog_listBoxSetListModel(db, list, nullptr);
  mdlListModel_empty(b->attributeRows);
  int first = 0;
  bool found = false;
  for (const Definition* d = State{b}.head(); d != nullptr; d = d->next) {
    if (d->groupKey != b->attributeGroupShown) continue;
    if (first == 0) first = d->id;
    found = found || d->id == id;
    mdlListModel_insertNewRow(b->attributeRows, -1);
    fillRow(b->attributeRows, mdlListModel_getRowCount(b->attributeRows) - 1, *d);
  }
  mdlDialog_listBoxSetListModel(db, list, b->attributeRows);
  selectDefinition(db, found ? id : first);
}

void selectDefinition(MSDialog* db, int id) {
  GlobalData* b = block();
  if (b == nullptr) return;
  Definition* previous = find(b, b->attributeSelectedId);
  Definition* d = find(b, id);
  if (previous != nullptr && previous != d) notify(previous, 4, db);
  b->attributeSelectedId = d != nullptr ? id : 0;
  const int list = itemIndex(db, RTYPE_LISTBOX, kListBox);
  if (b->attributeRows != nullptr) mdlDialog_listBoxSelectRow(db, list, d != nullptr ? rowOf(b->attributeRows, id) : -1);
  mdlDialog_itemDraw(db, list);
  Edit e;
  if (d == nullptr) {
    showEditCopy(db, e);
    return;
  }
  writeImage(*d, editImage(b));
  notify(d, 2, db);
  fillChoices(db, *d);
  beginEdit(&e);
  showEditCopy(db, e);
  notify(d, 3, db);
}

void refreshDialog(GlobalData* b, int id) {
  MSDialog* db = mdlDialog_find(kAttributeDialog, nullptr);
  if (db == nullptr || b == nullptr) return;
  rebuildList(db, id != 0 ? id : b->attributeSelectedId);
}

}  // namespace pixmend::vxlib::elmattr

namespace pixmend::vxlib {

HookTable elmAttrHookTable() {
  static std::vector<DialogHookInfo> all;
  if (all.empty()) {
    for (const auto set : {elmattr::dialogHooks(), elmattr::itemHooks()}) all.insert(all.end(), set.hooks, set.hooks + set.count);
  }
  return {all.data(), static_cast<int>(all.size())};
}

}  // namespace pixmend::vxlib

namespace pixmend::vxlib::elmattr {
HookSet dialogHooks() {
  static const DialogHookInfo hooks[] = {
      {20203, reinterpret_cast<void*>(&dialogHook)},
      {20043, reinterpret_cast<void*>(&listHook)},
      {20044, reinterpret_cast<void*>(&groupHook)},
  };
  return {hooks, static_cast<int>(sizeof hooks / sizeof hooks[0])};
}
}  // namespace pixmend::vxlib::elmattr

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::elmattr;

extern "C" {

int vxlibElmAttr_dialogOpen(void) {
  GlobalData* b = block();
  if (b == nullptr) return VXLIB_ERROR;
  if (MSDialog* open = mdlDialog_find(kAttributeDialog, nullptr)) {
    rebuildList(open, b->attributeSelectedId);
    return VXLIB_SUCCESS;
  }
  return mdlDialog_open(0, kAttributeDialog) != nullptr ? VXLIB_SUCCESS : VXLIB_ERROR;
}

}  // extern "C"
