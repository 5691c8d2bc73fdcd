// Dialog hooks of the message box (dialog 20011) and the message list (dialogs 20010, modal,
// and 20009, modeless): window sizes from the host's font metrics, button labels, the icon and
// the lines drawn on the box's canvas, the list box over the message list, and its save button.
//
// Hooks run inside the application that opened the dialog, so they read that application's box
// state and titles.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

constexpr int kBoxFont = 2;
constexpr int kListFont = 4;
constexpr int kIconInset = 15;     // the icon's distance from the text area's border
constexpr int kTextFromIcon = 65;  // the lines start this far right of the icon's left edge
constexpr int kMaxWindowSide = 4096;  // the host's largest window side
constexpr int kListRowsShown = 25;

enum HookId {
  kBoxDialogHook = 20300,
  kBoxTextHook = 20301,
  kListDialogHook = 20302,
  kListBoxHook = 20303,
  kListSaveHook = 20304,
  kListHeadingHook = 20305,
};

struct KindLook {
  int kind;
  int icon;
  int colour;
};
constexpr KindLook kLooks[] = {{1, 20001, 4}, {2, 20004, 4}, {4, 20002, 1}, {8, 20003, 1}};

const KindLook& lookOf(int kind) {
  for (const auto& look : kLooks) {
    if (look.kind == kind) return look;
  }
  return kLooks[0];
}

int itemIndex(MSDialog* db, unsigned int type, int id) {
  return mdlDialog_itemIndexByTypeAndId(db, type, id, 0);
}

int clampSide(int v) {
  return std::clamp(v, 1, kMaxWindowSide);
}

void setTitleOfKind(MSDialog* db) {
  GlobalData* block = findGlobalData();
  const int slot = titleSlot(boxState().kind);
  if (block != nullptr && slot >= 0 && block->titles[slot][0] != '\0')
    mdlDialog_setTitle(db, block->titles[slot]);
}

int labelNumber(int button) {
  switch (button) {
    case 16:
      return 25;
    case 32:
      return 26;
    case 64:
      return 27;
    case 128:
      return 28;
    case 256:
      return 29;
    case 512:
      return 30;
    default:
      return 0;
  }
}

// Places the buttons of the bottom row, centred, `gap` apart; hidden ones take no room.
void placeButtons(MSDialog* db, const std::vector<int>& indices, int width, int y, int height) {
  std::vector<int> shown;
  std::vector<int> widths;
  for (int index : indices) {
    if (index < 0) continue;
    char label[256];
    mdlDialog_itemGetLabel(label, sizeof label, db, index);
    shown.push_back(index);
    widths.push_back(std::max(80, mdlWindow_stringWidthGet(db, label, kBoxFont) + 20));
  }
  constexpr int gap = 20;
  int total = 0;
  for (int w : widths) total += w;
  total += gap * (static_cast<int>(widths.size()) - 1);
  int x = std::max(0, (width - total) / 2);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const BSIRect r{{x, y}, {x + widths[i], y + height}};
    mdlDialog_itemSetRect(db, shown[i], &r);
    x += widths[i] + gap;
  }
}

// ---- The box ---------------------------------------------------------------------------------------

void layoutBox(MSDialog* db) {
  const BoxState& b = boxState();
  const int h = mdlWindow_fontHeightGet(db, kBoxFont);
  int widest = 0;
  for (int i = 0; i < b.lineCount; ++i)
    widest = std::max(widest, mdlWindow_stringWidthGet(db, b.lines[i], kBoxFont));
  const BoxSize size = boxWindowSize(widest, b.lineCount, h);
  const int width = clampSide(size.width), height = clampSide(size.height);
  mdlWindow_extentSet(db, width, height);

  const int first = itemIndex(db, RTYPE_PUSHBTN, kFirstButtonItem);
  const int second = itemIndex(db, RTYPE_PUSHBTN, kSecondButtonItem);
  if (first >= 0) mdlDialog_itemSetLabel(db, first, languageText(labelNumber(b.firstButton)));
  if (second >= 0) {
    if (b.secondButton == kNoMessage) {
      mdlDialog_itemShow(db, second, 0);
    } else {
      mdlDialog_itemSetLabel(db, second, languageText(labelNumber(b.secondButton)));
      mdlDialog_itemShow(db, second, 1);
    }
  }
  const int buttonHeight = h + 10;
  const int buttonY = std::max(0, height - buttonHeight - 15);
  placeButtons(db, {first, b.secondButton == kNoMessage ? -1 : second}, width, buttonY, buttonHeight);
  const int text = itemIndex(db, RTYPE_GENERIC, kBoxTextItem);
  if (text >= 0) {
    const BSIRect r{{0, 0}, {width, std::max(1, buttonY - 5)}};
    mdlDialog_itemSetRect(db, text, &r);
  }
}

void boxDialogHook(DialogMessage* m) {
  switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE:
      setTitleOfKind(m->db);
      m->msgUnderstood = 1;
      break;
    case DIALOG_MESSAGE_INIT:
      layoutBox(m->db);
      m->msgUnderstood = 1;
      break;
    default:
      break;
  }
}

void boxTextHook(DialogItemMessage* m) {
  if (m->messageType != DITEM_MESSAGE_DRAW) return;
  const BoxState& b = boxState();
  setTitleOfKind(m->db);
  const KindLook& look = lookOf(b.kind);
  const int x = m->u.draw.rect.origin.x + kIconInset;
  const int y = m->u.draw.rect.origin.y + kIconInset;
  mdlWindow_iconDraw(m->db, x, y, RTYPE_ICON, look.icon, look.colour, 0);
  const int h = mdlWindow_fontHeightGet(m->db, kBoxFont);
  for (int i = 0; i < b.lineCount; ++i)
    mdlWindow_textDraw(m->db, b.lines[i], x + kTextFromIcon, y + i * h, 0);
  m->msgUnderstood = 1;
}

// ---- The message list dialogs ----------------------------------------------------------------

struct ListDialogState {
  std::vector<std::string> heading;  // the lines of the call that opened the dialog
  ListModel* model = nullptr;
};

ListDialogState& listState() {
  static ListDialogState state;
  return state;
}

void layoutList(MSDialog* db) {
  ListDialogState& s = listState();
  StringList* list = messageList(false);
  const int h = mdlWindow_fontHeightGet(db, kListFont);
  int widest = 8 * h - 50;
  for (const auto& line : s.heading)
    widest = std::max(widest, mdlWindow_stringWidthGet(db, line.c_str(), kListFont));
  const long members = list != nullptr ? std::max(0L, mdlStringList_size(list)) : 0;
  for (long i = 0; i < members; ++i) {
    char* text = nullptr;
    if (mdlStringList_getMember(&text, nullptr, list, i) == 0 && text != nullptr) {
      widest = std::max(widest, mdlWindow_stringWidthGet(db, text, kListFont));
    }
  }
  const int rows = static_cast<int>(std::clamp<long>(members, 5, kListRowsShown));
  const int headingHeight = s.heading.empty() ? 0 : static_cast<int>(s.heading.size()) * h + 10;
  const int listTop = 10 + headingHeight;
  const int listHeight = rows * h + 4;
  const int buttonHeight = h + 10;
  const int width = clampSide(widest + 40);
  const int height = clampSide(listTop + listHeight + buttonHeight + 30);
  mdlWindow_extentSet(db, width, height);

  const int heading = itemIndex(db, RTYPE_GENERIC, kListHeadingItem);
  if (heading >= 0) {
    const BSIRect r{{10, 5}, {std::max(11, width - 10), std::max(6, 5 + headingHeight)}};
    mdlDialog_itemSetRect(db, heading, &r);
    mdlDialog_itemShow(db, heading, headingHeight > 0 ? 1 : 0);
  }
  const int box = itemIndex(db, RTYPE_LISTBOX, kListBoxItem);
  if (box >= 0) {
    const BSIRect r{{10, listTop}, {std::max(11, width - 10), listTop + listHeight}};
    mdlDialog_itemSetRect(db, box, &r);
  }
  std::vector<int> buttons;
  for (int i = 0; i < mdlDialog_itemGetCount(db); ++i) {
    unsigned int type = 0;
    int id = 0;
    if (mdlDialog_itemGetTypeAndId(&type, &id, db, i) == 0 && type == RTYPE_PUSHBTN) buttons.push_back(i);
  }
  placeButtons(db, buttons, width, std::min(height - buttonHeight - 10, listTop + listHeight + 15),
               buttonHeight);
}

void listDialogHook(DialogMessage* m) {
  ListDialogState& s = listState();
  switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE: {
      const BoxState& b = boxState();
      s.heading.assign(b.lines, b.lines + b.lineCount);
      m->msgUnderstood = 1;
      break;
    }
    case DIALOG_MESSAGE_INIT:
      layoutList(m->db);
      m->msgUnderstood = 1;
      break;
    case DIALOG_MESSAGE_DESTROY: {
      // Closing the list empties it: the next mode-0 call starts a new one.
      const int box = itemIndex(m->db, RTYPE_LISTBOX, kListBoxItem);
      if (box >= 0) mdlDialog_listBoxSetListModel(m->db, box, nullptr);
      if (s.model != nullptr) mdlListModel_destroy(s.model);
      s.model = nullptr;
      s.heading.clear();
      destroyMessageList();
      m->msgUnderstood = 1;
      break;
    }
    default:
      break;
  }
}

void listBoxHook(DialogItemMessage* m) {
  if (m->messageType != DITEM_MESSAGE_CREATE) return;
  ListDialogState& s = listState();
  // A model left from a dialog the host closed without messages (its application unloading) is
  // the host's to free; it is never destroyed here, where it might be another list by now.
  s.model = mdlListModel_createFromStringList(messageList(true), 1);
  mdlDialog_listBoxSetListModel(m->db, m->itemIndex, s.model);
  m->msgUnderstood = 1;
}

void listHeadingHook(DialogItemMessage* m) {
  if (m->messageType != DITEM_MESSAGE_DRAW) return;
  const ListDialogState& s = listState();
  const int h = mdlWindow_fontHeightGet(m->db, kListFont);
  for (std::size_t i = 0; i < s.heading.size(); ++i) {
    mdlWindow_textDraw(m->db, s.heading[i].c_str(), m->u.draw.rect.origin.x,
                       m->u.draw.rect.origin.y + static_cast<int>(i) * h, 0);
  }
  m->msgUnderstood = 1;
}

// Writes every line of the message list to a text file the user names.
void listSaveHook(DialogItemMessage* m) {
  if (m->messageType != DITEM_MESSAGE_BUTTON || m->u.button.buttonTrans != BUTTONTRANS_UP) return;
  m->msgUnderstood = 1;
  char title[1024];
  std::snprintf(title, sizeof title, "%s", languageText(31));
  char fileName[MAXFILELENGTH] = {};
  if (vxlibUpf_defFileCreate(fileName, "", "*.txt", "", title, kListSaveDialogId) != 0) return;
  MdlTextFile* file = mdlTextFile_open(fileName, TEXTFILE_WRITE);
  if (file == nullptr) {
    rscMsgBox(kBoxOk, kErrorList, kMsgCannotCreate, fileName);
    return;
  }
  StringList* list = messageList(false);
  const long members = list != nullptr ? std::max(0L, mdlStringList_size(list)) : 0;
  for (long i = 0; i < members; ++i) {
    char* text = nullptr;
    if (mdlStringList_getMember(&text, nullptr, list, i) == 0 && text != nullptr)
      mdlTextFile_putString(text, file, 0);
  }
  if (mdlTextFile_close(file) != 0) rscMsgBox(kBoxOk, kErrorList, kMsgCannotCreate, fileName);
}

const DialogHookInfo kHooks[] = {
    {kBoxDialogHook, reinterpret_cast<void*>(&boxDialogHook)},
    {kBoxTextHook, reinterpret_cast<void*>(&boxTextHook)},
    {kListDialogHook, reinterpret_cast<void*>(&listDialogHook)},
    {kListBoxHook, reinterpret_cast<void*>(&listBoxHook)},
    {kListSaveHook, reinterpret_cast<void*>(&listSaveHook)},
    {kListHeadingHook, reinterpret_cast<void*>(&listHeadingHook)},
};

}  // namespace

BoxSize boxWindowSize(int widestLine, int lines, int fontHeight) {
  const int w = std::max(widestLine, 8 * fontHeight - 50);
  return {w + 95, std::max(50, lines * fontHeight) + 3 * fontHeight + 45};
}

void forgetListDialogState() {
  listState() = ListDialogState{};
}

HookTable errorHookTable() {
  return {kHooks, static_cast<int>(sizeof kHooks / sizeof kHooks[0])};
}

}  // namespace pixmend::vxlib
