// The Save As dialog (dialog 2) and its hooks, published at start-up:
//   18  the dialog        on initialisation, the items show the parameter block
//    3  browse button     the host's file dialog chooses the target name
//   11  file type option  a new type gives the name that type's extension
//    2  OK button         writes the active raster under the new name and type
//    5  Cancel button     closes the dialog
// The dialog's items are bound to saveAsFileName (text item 2) and saveAsFileType (option 11).
#include <cstdio>
#include <cstring>

#include "app/params.hpp"
#include "app/session.hpp"
#include "app/startup.hpp"
#include "host/mdl.h"

namespace pixmend::app {
namespace {

constexpr int kFileTypeTiff = 3;
constexpr int kFileTypeRle = 13;
constexpr int kFileTypeCit = 19;
constexpr int kNameItem = 2;

void dialogHook(DialogMessage* message) {
  message->msgUnderstood = 1;
  if (message->messageType == DIALOG_MESSAGE_INIT) mdlDialog_itemsSynch(message->db);
}

void syncNameItem(MSDialog* db) {
  const int index = mdlDialog_itemIndexByTypeAndId(db, RTYPE_TEXT, kNameItem, 0);
  if (index >= 0) mdlDialog_itemSynch(db, index);
}

void browseHook(DialogItemMessage* message) {
  message->msgUnderstood = 1;
  VxRasterParams* p = params();
  if (message->messageType != DITEM_MESSAGE_BUTTON || p == nullptr) return;
  // The file dialog gets copies: it writes its choice while it may still read the suggestion.
  // A name longer than the file dialog takes is not suggested at all rather than cut.
  char current[MAXFILELENGTH] = {};
  const std::size_t length = std::strlen(p->saveAsFileName);
  if (length < sizeof current) std::memcpy(current, p->saveAsFileName, length + 1);
  char chosen[MAXFILELENGTH] = {};
  if (mdlDialog_fileOpen(chosen, 0, 0, current, "*.*", current, "VXRaster Save As") == 0) {
    std::snprintf(p->saveAsFileName, sizeof p->saveAsFileName, "%s", chosen);
    syncNameItem(message->db);
  }
}

void fileTypeHook(DialogItemMessage* message) {
  message->msgUnderstood = 1;
  VxRasterParams* p = params();
  if (message->messageType != DITEM_MESSAGE_STATECHANGED || p == nullptr) return;
  char renamed[sizeof p->saveAsFileName];
  if (nameWithTypeExtension(renamed, sizeof renamed, p->saveAsFileName, p->saveAsFileType)) {
    std::memcpy(p->saveAsFileName, renamed, sizeof renamed);
    syncNameItem(message->db);
  }
}

void okHook(DialogItemMessage* message) {
  message->msgUnderstood = 1;
  if (message->messageType != DITEM_MESSAGE_BUTTON) return;
  // Writing needs the active raster, which the command guarantees before the dialog opens.
  if (activeRaster().loaded == 0) {
    mdlOutput_printf(MSG_ERROR, "No raster is activated");
    return;
  }
  mdlOutput_printf(MSG_ERROR, "Raster save as is not available in this version");
}

void cancelHook(DialogItemMessage* message) {
  message->msgUnderstood = 1;
  if (message->messageType == DITEM_MESSAGE_BUTTON) mdlDialog_closeCommandQueue(message->db);
}

const DialogHookInfo hooks[kSaveAsHookCount] = {
    {18, reinterpret_cast<void*>(dialogHook)},   {2, reinterpret_cast<void*>(okHook)},
    {3, reinterpret_cast<void*>(browseHook)},    {5, reinterpret_cast<void*>(cancelHook)},
    {11, reinterpret_cast<void*>(fileTypeHook)},
};

}  // namespace

const DialogHookInfo* saveAsHooks() {
  return hooks;
}

bool nameWithTypeExtension(char* out, std::size_t size, const char* name, int fileType) {
  const char* extension = nullptr;
  switch (fileType) {
    case kFileTypeCit:
      extension = "cit";
      break;
    case kFileTypeRle:
      extension = "rle";
      break;
    case kFileTypeTiff:
      extension = "tif";
      break;
    default:
      return false;
  }
  // Only a dot in the file's own name starts an extension: one in a folder name ("maps.v2/scan")
  // must not be taken for it, or the folder would be renamed. A leading dot belongs to the name.
  const char* slash = std::strrchr(name, '/');
  const char* base = slash != nullptr ? slash + 1 : name;
  const char* dot = std::strrchr(base, '.');
  if (dot == base) dot = nullptr;
  std::size_t stem = std::strlen(name);
  if (dot != nullptr) {
    stem = static_cast<std::size_t>(dot - name);
    // A four-letter extension (".tiff") stays four letters for TIFF.
    if (fileType == kFileTypeTiff && std::strlen(dot) == 5) extension = "tiff";
  }
  if (stem + 1 + std::strlen(extension) >= size) return false;
  std::snprintf(out, size, "%.*s.%s", static_cast<int>(stem), name, extension);
  return true;
}

}  // namespace pixmend::app
