// The Save As dialog (dialog 2), its hooks (published at start-up) and the save itself:
//   18  the dialog        on initialisation: the active raster's name and type
//    3  browse button     the host's file dialog chooses the target name
//   11  file type option  the raster's type at first; a new type gives the name its extension
//    2  OK button         writes the active raster under the new name and type (saveActiveRasterAs);
//                         never over the raster itself or another attachment, and over any other
//                         existing file only when the user says so
//    5  Cancel button     closes the dialog
// The dialog's items are bound to saveAsFileName (text item 2) and saveAsFileType (option 11).
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/attachments.hpp"
#include "app/params.hpp"
#include "app/rasterfile.hpp"
#include "app/session.hpp"
#include "app/startup.hpp"
#include "host/mdl.h"
#include "pixmend/vxdll.h"

namespace pixmend::app {
namespace {

constexpr int kFileTypeTiff = 3;
constexpr int kFileTypeRle = 13;
constexpr int kFileTypeCit = 19;
constexpr int kNameItem = 2;

bool savableType(int fileType) {
  return fileType == kFileTypeTiff || fileType == kFileTypeRle || fileType == kFileTypeCit;
}

// The dialog starts with the name the active raster is attached under and, when Save As can
// write it, its type.
void dialogHook(DialogMessage* message) {
  message->msgUnderstood = 1;
  if (message->messageType != DIALOG_MESSAGE_INIT) return;
  VxRasterParams* p = params();
  RasterFileInfo info{};
  if (p != nullptr && activeRaster().loaded != 0 &&
      mdlRaster_fileInfoGet(&info, activeRaster().raster) == SUCCESS) {
    std::snprintf(p->saveAsFileName, sizeof p->saveAsFileName, "%s", info.attachedName);
    if (savableType(info.fileType)) p->saveAsFileType = info.fileType;
  }
  mdlDialog_itemsSynch(message->db);
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
  if (p == nullptr) return;
  if (message->messageType == DITEM_MESSAGE_INIT) {
    RasterFileInfo info{};
    if (activeRaster().loaded != 0 && mdlRaster_fileInfoGet(&info, activeRaster().raster) == SUCCESS &&
        savableType(info.fileType)) {
      p->saveAsFileType = info.fileType;
    }
    return;
  }
  if (message->messageType != DITEM_MESSAGE_STATECHANGED) return;
  char renamed[sizeof p->saveAsFileName];
  if (nameWithTypeExtension(renamed, sizeof renamed, p->saveAsFileName, p->saveAsFileType)) {
    std::memcpy(p->saveAsFileName, renamed, sizeof renamed);
    syncNameItem(message->db);
  }
}

void okHook(DialogItemMessage* message) {
  message->msgUnderstood = 1;
  if (message->messageType == DITEM_MESSAGE_BUTTON) saveActiveRasterAs(message->db);
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

// "NAME:" in front of a Save As name names a configuration variable (the device part of the
// name): the length of NAME, or 0 when the name does not begin so.
std::size_t variableDevice(const char* name) {
  std::size_t n = 0;
  while (name[n] == '_' || (name[n] >= '0' && name[n] <= '9') || (name[n] >= 'A' && name[n] <= 'Z') ||
         (name[n] >= 'a' && name[n] <= 'z')) {
    ++n;
  }
  return n > 0 && name[n] == ':' ? n : 0;
}

// The expanded value of configuration variable `name`, or nothing when it is not defined.
bool expandedVariable(const std::string& name, std::string* value) {
  char* expanded = mdlSystem_getExpandedCfgVar(name.c_str());
  if (expanded == nullptr) return false;
  *value = expanded;
  dlmSystem_mdlFree(expanded);
  return true;
}

bool saveAsTarget(const char* name, std::string* target) {
  if (name == nullptr || *name == '\0') return false;
  std::string path;
  std::string value;
  const std::size_t device = variableDevice(name);
  if (device > 0 && expandedVariable(std::string(name, device), &value)) {
    char directory[MAXDIRLENGTH] = {}, base[MAXNAMELENGTH] = {}, extension[MAXEXTENSIONLENGTH] = {};
    mdlFile_parseName(name + device + 1, nullptr, directory, base, extension);
    // A folder's variable without its final '/' still names the folder.
    path = value;
    if (!path.empty() && path.back() != '/') path += '/';
    path += std::string(directory) + base;
    if (*extension != '\0') path += std::string(".") + extension;
  } else {
    char directory[MAXDIRLENGTH] = {};
    mdlFile_parseName(name, nullptr, directory, nullptr, nullptr);
    if (*directory == '\0') {
      // The design's folder; while no design file is open there is none, and the name stays in
      // the current folder.
      std::string folder;
      expandedVariable("_DGNDIR", &folder);
      path = folder + name;
    } else {
      path = name;
    }
  }
  if (path.size() >= sizeof(RasterFileInfo::fullPath)) return false;
  *target = path;
  return true;
}

namespace {

// The name the new file is attached under: a bare name or an absolute one as typed (the host
// takes a bare name in the design's folder, where it was written); a name with a variable as
// its device, the path it led to; a relative folder made absolute, because the host would take
// it in the design's folder while the file was written in the current one.
std::string attachName(const char* typed, const std::string& target) {
  const std::size_t device = variableDevice(typed);
  if (device > 0) return target;
  char directory[MAXDIRLENGTH] = {};
  mdlFile_parseName(typed, nullptr, directory, nullptr, nullptr);
  if (*directory == '\0' || *directory == '/') return typed;
  std::error_code error;
  const std::string absolute = std::filesystem::absolute(target, error).string();
  return error ? target : absolute;
}

// Save As never replaces a file by surprise: not the raster being edited (its edits belong in it
// through a write-back, and Save As would lose its backup's meaning), not another attached
// raster (its own session's file), and any other existing file only when the user says so.
// False, with the user told, when the target is not to be written.
bool targetMayBeWritten(const std::string& target) {
  const ActiveRaster& r = activeRaster();
  if (sameFile(target, r.path)) {
    const std::string text = "Cannot save as " + target +
                             ": it is the raster being edited.\nUse write back to update it, or choose "
                             "another name.";
    okBox(text.c_str(), 3);
    return false;
  }
  if (attachmentOfFile(target) != nullptr) {
    const std::string text = "Cannot save as " + target +
                             ": it is attached as a raster reference.\nDetach it first, or choose another "
                             "name.";
    okBox(text.c_str(), 3);
    return false;
  }
  std::error_code error;
  if (std::filesystem::exists(target, error)) {
    const std::string question = target + " already exists.\nDo you want to replace it?";
    return askYesNo(question.c_str(), 3);
  }
  return true;
}

}  // namespace

bool saveActiveRasterAs(MSDialog* dialog) {
  VxRasterParams* p = params();
  ActiveRaster& r = activeRaster();
  RasterRendering rendering{};
  RasterGeoReference geoReference{};
  RasterExtendedInfo extended{};
  RasterFileInfo info{};
  if (p == nullptr || r.loaded == 0 || mdlRaster_renderingInfoGet(&rendering, r.raster) != SUCCESS ||
      mdlRaster_geoReferenceInfoGet(&geoReference, r.raster) != SUCCESS ||
      mdlRaster_extendedInfoGet(&extended, r.raster) != SUCCESS ||
      mdlRaster_fileInfoGet(&info, r.raster) != SUCCESS) {
    mdlOutput_printf(MSG_ERROR, "No raster is activated");
    return false;
  }

  std::string target;
  if (!saveAsTarget(p->saveAsFileName, &target)) {
    okBox("File not created from bitmap", 4);
    return false;
  }
  if (!targetMayBeWritten(target)) return false;
  if (r.bitmap == nullptr || r.size.x <= 0 || r.size.y <= 0 ||
      mdlImage_createFileFromBitMap(target.c_str(), p->saveAsFileType, &r.size, r.bitmap, 0, 0, 0,
                                    mdlImage_checkStop) != SUCCESS) {
    okBox("File not created from bitmap", 4);
    return false;
  }
  // The new file is attached before the old attachment goes, so that a file the host cannot
  // attach leaves the raster as it was (loaded, its attachment in place).
  DgnRasterP saved = nullptr;
  const std::string name = attachName(p->saveAsFileName, target);
  if (mdlRaster_fileOpen(&saved, name.c_str(), mdlModelRef_getActive(), RASTER_OPEN_ATTACH,
                         RASTER_UPDATE_ALL) != SUCCESS) {
    toolSubsystem_printf("VXRaster: %s was written but cannot be attached\n", target.c_str());
    okBox("File not created from bitmap", 4);
    return false;
  }
  freeActiveBitmap();

  RasterExtendedInfo closing = extended;
  closing.state = RASTER_STATE_CLOSING;
  mdlRaster_extendedInfoSet(&closing, r.raster, RASTER_UPDATE_MEMORY);
  mdlRaster_eventSynchronize(RASTER_UPDATE_ALL);
  mdlRaster_fileClose(r.raster, RASTER_UPDATE_ALL);
  r.raster = saved;
  mdlRaster_fileSave(saved);
  mdlRaster_fileReload(saved, RASTER_UPDATE_MEMORY);

  rendering.color = r.savedColor;
  mdlRaster_renderingInfoSet(&rendering, saved, RASTER_UPDATE_ALL);
  mdlRaster_geoReferenceInfoSet(&geoReference, saved, RASTER_UPDATE_ALL);
  RasterExtendedInfo reopened{};
  mdlRaster_extendedInfoGet(&reopened, saved);
  reopened.state = RASTER_STATE_REOPENED;
  mdlRaster_extendedInfoSet(&reopened, saved, RASTER_UPDATE_MEMORY);

  // The bitmap is ink and the new file stores ink in its own way (a new TIFF min-is-white, an
  // existing one in its own interpretation), so the picture looks as it did: the display is left
  // as it is. Inverting it for a min-is-black original or target, as for a library that wrote
  // the stored bits as they were, would now show a negative.
  if (mdlImage_typeFromFile(target.c_str()) == kFileTypeCit) {
    const DPoint2d extent{geoReference.extentX, geoReference.extentY};
    mdlImage_updateIngrAttach(&geoReference.origin, &extent, target.c_str());
  }
  r.loaded = 0;
  mdlDialog_closeCommandQueue(dialog);
  return true;
}

}  // namespace pixmend::app
