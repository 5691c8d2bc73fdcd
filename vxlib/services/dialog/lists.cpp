// The selections from the caller's lists (one entry: 20021, several: 20022), the selection state
// they and the file dialogs keep, and the small dialog-item and menu functions of the family.
//   vxlibDialog_selectFromStringListSingle / ..._selectFromStringListMulti
//   vxlibDialog_optionButtonInsertFromStringlist / ..._itemEnableByTypeAndId / ..._itemShowByTypeAndId
//   vxlibDialog_insertPdm / ..._deletePdm
//   listSelectionHookTable     hooks 20080, 20081
//
// The caller's list function makes the list through the host (signature "PP", or "PPI" with the
// members per row); the library shows it, and destroys it, the title and the label whatever
// the user does.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "vxlib/services/dialog/selection.hpp"

namespace pixmend::vxlib::selection {

namespace {
// The calling application's print settings (its block's 836-byte buffer), or null.
char* printSettings() {
  GlobalData* block = findGlobalData();
  return block != nullptr ? block->buffer836 : nullptr;
}

void putText(std::size_t at, const std::string& text) {
  if (char* settings = printSettings()) std::snprintf(settings + at, kPathText, "%s", text.c_str());
}
}  // namespace

std::string filter() {
  const char* settings = printSettings();
  if (settings == nullptr) return "";
  return std::string(settings + kFilterAt, strnlen(settings + kFilterAt, kPathText));
}

std::string directory() {
  const char* settings = printSettings();
  if (settings == nullptr) return "/";
  const std::string d(settings + kDirectoryAt, strnlen(settings + kDirectoryAt, kPathText));
  return d.empty() ? "/" : d;
}

void setFilter(const std::string& text) { putText(kFilterAt, text); }
void setDirectory(const std::string& text) { putText(kDirectoryAt, text); }

char* copyText(const char* text) {
  if (text == nullptr) return nullptr;
  const std::size_t size = std::strlen(text) + 1;
  auto* copy = static_cast<char*>(vxlibMem_mallocRscErrorPrintf(size, kErrorList, kMsgOutOfMemory));
  if (copy != nullptr) std::memcpy(copy, text, size);
  return copy;
}

void clearTexts(GlobalData* b) {
  dlmSystem_mdlFree(b->selectionTitle);
  dlmSystem_mdlFree(b->selectionLabel);
  dlmSystem_mdlFree(b->selectedRows);
  b->selectionTitle = b->selectionLabel = nullptr;
  b->selectedRows = nullptr;
  b->selectedCount = 0;
}

namespace {

enum HookId { kSingleHook = 20080, kMultiHook = 20081 };
constexpr int kCharacterWidth = 6;
constexpr int kLabelHeight = 12;

// The list to choose from as the list box shows it, its title and label.
void setUpChoiceList(DialogItemMessage* m, GlobalData* b, int columns) {
  if (b->selectionLabel != nullptr) {
    // The label goes above the list, which grows by its height.
    mdlDialog_itemSetLabel(m->db, m->itemIndex, b->selectionLabel);
    BSIRect r{};
    mdlDialog_itemGetRect(&r, m->db, m->itemIndex);
    r.corner.y += kLabelHeight;
    mdlDialog_itemSetRect(m->db, m->itemIndex, &r);
  }
  const long perMember = std::max(1L, mdlStringList_stringsPerMember(b->selectionList));
  ListModel* model = mdlListModel_createFromStringList(b->selectionList, static_cast<int>(std::min<long>(std::max(1, columns), perMember)));
  mdlDialog_listBoxSetListModel(m->db, m->itemIndex, model);
  if (mdlListModel_getRowCount(model) > 0) mdlDialog_listBoxSelectRow(m->db, m->itemIndex, 0);
  if (b->selectionTitle != nullptr) mdlDialog_setTitle(m->db, b->selectionTitle);
}

void dropModel(DialogItemMessage* m) {
  ListModel* model = mdlDialog_listBoxGetListModel(m->db, m->itemIndex);
  mdlDialog_listBoxSetListModel(m->db, m->itemIndex, nullptr);
  if (model != nullptr) mdlListModel_destroy(model);
}

void singleHook(DialogItemMessage* m) {
  GlobalData* b = vxlibMain_getGlobalDataP();
  if (b == nullptr) return;
  m->msgUnderstood = 1;
  switch (m->messageType) {
    case DITEM_MESSAGE_CREATE: {
      setUpChoiceList(m, b, b->selectionColumns);
      if (b->selectionWidth > 0) {
        BSIRect r{};
        mdlDialog_itemGetRect(&r, m->db, m->itemIndex);
        r.corner.x = r.origin.x + std::min(b->selectionWidth, 600) * kCharacterWidth;
        mdlDialog_itemSetRect(m->db, m->itemIndex, &r);
      }
      b->selectedRow = 0;
      break;
    }
    case DITEM_MESSAGE_BUTTON:
    case DITEM_MESSAGE_STATECHANGED:
      b->selectedRow = mdlDialog_listBoxGetSelectedRow(m->db, m->itemIndex);
      if (m->messageType == DITEM_MESSAGE_BUTTON && m->u.button.clickCount == 2 && b->selectedRow >= 0) {
        mdlDialog_pushButtonActivate(m->db, mdlDialog_itemIndexByTypeAndId(m->db, RTYPE_PUSHBTN, kOkButton, 0));
      }
      break;
    case DITEM_MESSAGE_DESTROY:
      dropModel(m);
      break;
    default:
      m->msgUnderstood = 0;
  }
}

void multiHook(DialogItemMessage* m) {
  GlobalData* b = vxlibMain_getGlobalDataP();
  if (b == nullptr) return;
  m->msgUnderstood = 1;
  if (m->messageType == DITEM_MESSAGE_CREATE) {
    setUpChoiceList(m, b, b->selectionColumns);
  } else if (m->messageType == DITEM_MESSAGE_DESTROY) {
    const int count = mdlDialog_listBoxGetSelectedRows(nullptr, 0, m->db, m->itemIndex);
    dlmSystem_mdlFree(b->selectedRows);
    b->selectedRows = nullptr;
    b->selectedCount = 0;
    if (count > 0) {
      b->selectedRows = static_cast<std::int32_t*>(
          vxlibMem_mallocRscErrorPrintf(sizeof(std::int32_t) * static_cast<std::size_t>(count), kErrorList, kMsgOutOfMemory));
      std::vector<int> rows(static_cast<std::size_t>(count));
      mdlDialog_listBoxGetSelectedRows(rows.data(), count, m->db, m->itemIndex);
      if (b->selectedRows != nullptr) {
        std::copy(rows.begin(), rows.end(), b->selectedRows);
        b->selectedCount = count;
      }
    }
    dropModel(m);
  } else {
    m->msgUnderstood = 0;
  }
}

const DialogHookInfo kHooks[] = {
    {kSingleHook, reinterpret_cast<void*>(&singleHook)},
    {kMultiHook, reinterpret_cast<void*>(&multiHook)},
};

// Makes the list through the caller's list function and opens `dialogId` on it. The action.
int runListDialog(GlobalData* b, int dialogId, const char* title, const char* label) {
  clearTexts(b);
  b->selectionTitle = copyText(title);
  b->selectionLabel = copyText(label);
  int action = ACTIONBUTTON_CANCEL;
  if (mdlDialog_openModal(&action, 0, dialogId) != 0) action = ACTIONBUTTON_CANCEL;
  return action;
}

void finish(GlobalData* b) {
  mdlStringList_destroy(b->selectionList);
  b->selectionList = nullptr;
  clearTexts(b);
}

}  // namespace
}  // namespace pixmend::vxlib::selection

namespace pixmend::vxlib {
HookTable listSelectionHookTable() {
  return {selection::kHooks, static_cast<int>(sizeof selection::kHooks / sizeof selection::kHooks[0])};
}
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::selection;

extern "C" {

int vxlibDialog_selectFromStringListSingle(char* result, int resultSize, VxlibListFunction listFunction,
                                           void* userArgument, const char* title, const char* label, int width,
                                           int columnLayout) {
  GlobalData* b = vxlibMain_getGlobalDataP();
  if (b == nullptr || listFunction == nullptr) return -1;
  StringList* list = nullptr;
  dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), reinterpret_cast<void*>(listFunction), "PP",
                            static_cast<void*>(&list), userArgument);
  if (list == nullptr || mdlStringList_size(list) < 0) return -1;
  b->selectionList = list;
  b->selectionColumns = columnLayout;
  b->selectionWidth = width;
  b->selectedRow = -1;
  const int action = runListDialog(b, kSingleDialog, title, label);
  int row = -1;
  if (action == ACTIONBUTTON_OK && b->selectedRow >= 0 && b->selectedRow < mdlStringList_size(list)) {
    row = b->selectedRow;
    char* text = nullptr;
    mdlStringList_getMember(&text, nullptr, list, row * std::max(1L, mdlStringList_stringsPerMember(list)));
    if (result != nullptr && resultSize > 0) std::snprintf(result, static_cast<std::size_t>(resultSize), "%s", text != nullptr ? text : "");
  }
  finish(b);
  return row;
}

StringList* vxlibDialog_selectFromStringListMulti(VxlibListFunctionMulti listFunction, void* userArgument,
                                                  int membersPerRow, const char* title, const char* label) {
  GlobalData* b = vxlibMain_getGlobalDataP();
  if (b == nullptr || listFunction == nullptr) return nullptr;
  StringList* list = nullptr;
  dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), reinterpret_cast<void*>(listFunction), "PPI",
                            static_cast<void*>(&list), userArgument, membersPerRow);
  if (list == nullptr || mdlStringList_size(list) < 0) return nullptr;
  b->selectionList = list;
  b->selectionColumns = membersPerRow;
  const int action = runListDialog(b, kMultiDialog, title, label);
  StringList* chosen = nullptr;
  if (action == ACTIONBUTTON_OK) {
    chosen = mdlStringList_create(0, 1);
    const long perMember = std::max(1L, mdlStringList_stringsPerMember(list));
    for (int i = 0; i < b->selectedCount && chosen != nullptr; ++i) {
      char* text = nullptr;
      long* info = nullptr;
      long index = 0;
      if (mdlStringList_getMember(&text, &info, list, b->selectedRows[i] * perMember) != 0) continue;
      if (mdlStringList_insertMember(&index, chosen, -1, 1) == 0)
        mdlStringList_setMember(chosen, index, text != nullptr ? text : "", info);
    }
  }
  finish(b);
  return chosen;
}

int vxlibDialog_optionButtonInsertFromStringlist(StringList* list, int step, int offset, MSDialog* dialog, int itemId,
                                                 long userValue, int fitWidth) {
  (void)userValue;
  const int index = mdlDialog_itemIndexByTypeAndId(dialog, RTYPE_OPTIONBTN, itemId, 0);
  const long strings = std::max(0L, mdlStringList_size(list)) * std::max(0L, mdlStringList_stringsPerMember(list));
  if (index < 0 || strings <= offset || offset < 0) return VXLIB_ERROR;
  mdlDialog_optionButtonClear(dialog, index);
  long value = 0;
  for (long i = offset; i < strings; i += std::max(step, 1)) {
    char* text = nullptr;
    if (mdlStringList_getMember(&text, nullptr, list, i) == 0)
      mdlDialog_optionButtonInsert(dialog, index, text != nullptr ? text : "", value++, 1);
  }
  if (fitWidth) mdlDialog_optionButtonFitWidth(dialog, index);
  mdlDialog_itemSynch(dialog, index);
  return VXLIB_SUCCESS;
}

int vxlibDialog_itemEnableByTypeAndId(MSDialog* dialog, unsigned int itemType, int itemId, int enabled) {
  const int index = mdlDialog_itemIndexByTypeAndId(dialog, itemType, itemId, 0);
  if (index < 0) return VXLIB_ERROR;
  mdlDialog_itemSetEnabledState(dialog, index, enabled != 0);
  mdlDialog_itemDraw(dialog, index);
  return VXLIB_SUCCESS;
}

int vxlibDialog_itemShowByTypeAndId(MSDialog* dialog, unsigned int itemType, int itemId, int shown) {
  const int index = mdlDialog_itemIndexByTypeAndId(dialog, itemType, itemId, 0);
  if (index < 0) return VXLIB_ERROR;
  mdlDialog_itemShow(dialog, index, shown != 0);
  mdlWindow_redraw(dialog);
  return VXLIB_SUCCESS;
}

MenuBarMenu* vxlibDialog_insertPdm(MenuBarMenu** menuOut, int menuId) {
  GlobalData* b = vxlibMain_getGlobalDataP();
  MSDialog* window = mdlDialog_menuBarGetCmdWinP();
  MenuBarMenu* menu = nullptr;
  if (window != nullptr) {
    MenuBarMenu* settings = mdlDialog_menuBarFindMenu(window, RTYPE_PULLDOWN, -522);
    menu = mdlDialog_menuBarInsMenu(window, settings, RTYPE_PULLDOWN, menuId, 0);
  }
  if (b != nullptr && menu != nullptr) b->insertedMenu = menu;
  if (menuOut != nullptr) *menuOut = menu;
  return menu;
}

void vxlibDialog_deletePdm(void) {
  GlobalData* b = vxlibMain_getGlobalDataP();
  MSDialog* window = mdlDialog_menuBarGetCmdWinP();
  if (b == nullptr || b->insertedMenu == nullptr || window == nullptr) return;
  mdlDialog_menuBarDeleteMenu(static_cast<MenuBarMenu*>(b->insertedMenu), window, 0, 0);
  b->insertedMenu = nullptr;
}

}  // extern "C"
