// Messages: the library's message box and message list, their titles, and the bounded
// formatting every family of the library uses.
//   vxlibError_msgBoxPrintf / ..._rscMsgBoxPrintf   a box from a format or a numbered message
//   vxlibError_listPrintf / ..._rscListPrintf       the message list and its modes
//   vxlibError_setTitle                             the title of each box kind
//
// A box is the library's modal dialog 20011 (hooks in errorhooks.cpp). Its kind argument is a bit
// mask: bits 0-3 the kind (1, 2, 4, 8: lowest set bit, none means 1), bits 4-6 the first button's
// label (16, 32, 64; none means 16), bits 7-9 the second button's label (128, 256, 512; none
// means no second button). The result is the action of the button pressed: 3 for the first,
// 4 for the second.
//
// Texts are formatted into fixed buffers with vsnprintf: a longer text is cut, never written
// past its buffer.
#include <cstdio>
#include <cstring>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

constexpr std::size_t kRscTextSize = 1024;

int lowestBit(int value, int firstBit, int lastBit, int fallback) {
  for (int bit = firstBit; bit <= lastBit; ++bit) {
    if ((value & (1 << bit)) != 0) return 1 << bit;
  }
  return fallback;
}

// The host's own box for a library box whose dialog is missing from the application's
// resources: the user still sees the text and answers it.
int hostBoxFallback(const char* text) {
  const BoxState& b = boxState();
  const int icon = b.kind == 8 ? 2 : b.kind == 4 ? 1 : b.kind == 2 ? 3 : 4;
  return mdlDialog_openMessageBox(b.secondButton == kNoMessage ? MSGBOX_OK : MSGBOX_OKCANCEL, text, icon);
}

int showBox(int boxKind, const char* text) {
  setBoxKind(boxKind);
  setBoxText(text);
  int result = ACTIONBUTTON_CANCEL;
  if (mdlDialog_openModal(&result, 0, kBoxDialog) != 0) return hostBoxFallback(text);
  return result;
}

// A numbered message of the calling application's resources into `format` (kRscTextSize bytes).
bool loadMessage(char* format, int listId, int messageNumber) {
  format[0] = '\0';
  return mdlResource_loadFromStringList(format, 0, listId, messageNumber) == 0;
}

// The list modes, after the text has been split into the line table.
int listModes(int listMode) {
  BoxState& b = boxState();
  switch (listMode) {
    case 0: {
      StringList* list = messageList(true);
      if (list == nullptr) return kNoMessage;
      for (int i = 0; i < b.lineCount; ++i) {
        long index = 0;
        if (mdlStringList_insertMember(&index, list, -1, 1) != 0) {
          // The list is full: the oldest line makes room, once.
          mdlStringList_deleteMember(list, 0, 1);
          if (mdlStringList_insertMember(&index, list, -1, 1) != 0) return kNoMessage;
        }
        mdlStringList_setMember(list, index, b.lines[i], nullptr);
      }
      return kListDone;
    }
    case 1: {
      mdlSystem_enterGraphics(0);
      if (MSDialog* open = mdlDialog_find(kListDialogModeless, nullptr)) mdlWindow_close(open, 0, 0);
      int result = ACTIONBUTTON_CANCEL;
      mdlDialog_openModal(&result, 0, kListDialog);
      return result;
    }
    case 2:
      return kListDone;
    default:
      toolSubsystem_printf("%s", b.text);
      return kListDone;
  }
}

}  // namespace

std::string conversionsOf(const char* format) {
  std::string out;
  if (format == nullptr) return out;
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    while (*p != '\0' && std::strchr("-+ #0'123456789.*hlLqjzt", *p) != nullptr) ++p;
    if (*p == '\0') return "?";
    out += *p;
  }
  return out;
}

int formatBounded(char* out, std::size_t size, const char* format, va_list ap) {
  if (out == nullptr || size == 0) return 0;
  out[0] = '\0';
  if (format == nullptr) return 0;
  const std::string conversions = conversionsOf(format);
  if (conversions.find('n') != std::string::npos || conversions == "?") {
    std::snprintf(out, size, "%s", format);
    return static_cast<int>(std::strlen(out));
  }
  va_list copy;
  va_copy(copy, ap);
  const int n = std::vsnprintf(out, size, format, copy);
  va_end(copy);
  if (n < 0) out[0] = '\0';
  return n < 0 ? 0 : static_cast<int>(std::strlen(out));
}

const char* languageText(int number) {
  static char text[kRscTextSize];
  if (!loadMessage(text, kLanguageList, number)) text[0] = '\0';
  return text;
}

BoxState& boxState() {
  static BoxState state;
  return state;
}

void setBoxKind(int boxKind) {
  BoxState& b = boxState();
  b.kind = lowestBit(boxKind, 0, 3, 1);
  b.firstButton = lowestBit(boxKind, 4, 6, 16);
  b.secondButton = lowestBit(boxKind, 7, 9, kNoMessage);
}

void setBoxText(const char* text) {
  BoxState& b = boxState();
  std::snprintf(b.text, sizeof b.text, "%s", text != nullptr ? text : "");
  // Lines end at each line feed; empty lines are skipped and lines after the 25th dropped. The
  // lines point into a copy, so the text itself stays whole for list mode 3.
  static char split[kTextSize];
  std::memcpy(split, b.text, sizeof split);
  b.lineCount = 0;
  char* p = split;
  while (*p != '\0' && b.lineCount < kMaxLines) {
    while (*p == '\n') ++p;
    if (*p == '\0') break;
    b.lines[b.lineCount++] = p;
    char* end = std::strchr(p, '\n');
    if (end == nullptr) break;
    *end = '\0';
    p = end + 1;
  }
}

int msgBoxV(int boxKind, const char* format, va_list ap) {
  char text[kTextSize];
  formatBounded(text, sizeof text, format, ap);
  return showBox(boxKind, text);
}

int rscMsgBoxV(int boxKind, int listId, int messageNumber, va_list ap) {
  char format[kRscTextSize];
  if (!loadMessage(format, listId, messageNumber)) return kNoMessage;
  char text[kRscTextSize];
  formatBounded(text, sizeof text, format, ap);
  return showBox(boxKind, text);
}

int rscMsgBox(int boxKind, int listId, int messageNumber, ...) {
  va_list ap;
  va_start(ap, messageNumber);
  const int result = rscMsgBoxV(boxKind, listId, messageNumber, ap);
  va_end(ap);
  return result;
}

StringList*& messageListSlot() {
  static StringList* list = nullptr;
  return list;
}

StringList* messageList(bool create) {
  StringList*& list = messageListSlot();
  // A list the host no longer knows (it started over) is not ours any more.
  if (list != nullptr && mdlStringList_size(list) < 0) list = nullptr;
  if (list == nullptr && create) list = mdlStringList_create(0, 1);
  return list;
}

void destroyMessageList() {
  StringList*& list = messageListSlot();
  if (list != nullptr && mdlStringList_size(list) >= 0) mdlStringList_destroy(list);
  list = nullptr;
}

}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

int vxlibError_msgBoxPrintf(int boxKind, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  const int result = msgBoxV(boxKind, format, ap);
  va_end(ap);
  return result;
}

int vxlibError_rscMsgBoxPrintf(int boxKind, int listId, int messageNumber, ...) {
  va_list ap;
  va_start(ap, messageNumber);
  const int result = rscMsgBoxV(boxKind, listId, messageNumber, ap);
  va_end(ap);
  return result;
}

int vxlibError_listPrintf(int listMode, const char* format, ...) {
  char text[kTextSize];
  va_list ap;
  va_start(ap, format);
  formatBounded(text, sizeof text, format, ap);
  va_end(ap);
  setBoxText(text);
  return listModes(listMode);
}

int vxlibError_rscListPrintf(int listMode, int listId, int messageNumber, ...) {
  char format[1024];
  if (!loadMessage(format, listId, messageNumber)) return kNoMessage;
  char text[1024];
  va_list ap;
  va_start(ap, messageNumber);
  formatBounded(text, sizeof text, format, ap);
  va_end(ap);
  setBoxText(text);
  return listModes(listMode);
}

int vxlibError_setTitle(int kind, const char* format, ...) {
  const int slot = titleSlot(kind);
  if (slot < 0) {
    toolSubsystem_printf("%s %d\n", "Feil under setting av tittel", kind);
    return 0;
  }
  GlobalData* block = vxlibMain_getGlobalDataP();
  if (block == nullptr) return 0;
  va_list ap;
  va_start(ap, format);
  const int n = formatBounded(block->titles[slot], sizeof block->titles[slot], format, ap);
  va_end(ap);
  return n;
}

}  // extern "C"
