// The library's file dialogs: choosing files from directories (20016) and searching for them
// recursively (20018), with a list of chosen files that can be saved to and loaded from a text
// file, and vxlibUpf_defSearchFiles, the search remembered in the preference file.
//   vxlibDialog_selectFiles / vxlibDialog_searchFiles / vxlibUpf_defSearchFiles
//   fileSelectionHookTable     hooks 20201, 20202, 20059-20061, 20068-20074
//
// The chosen files are a string list (one path per member) in the calling application's global
// data block; the chosen-files list box shows a list model made from it again after each change.
// Directories end in '/', the separator of this platform.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/rememberedfile.hpp"
#include "vxlib/services/dialog/selection.hpp"

namespace pixmend::vxlib::selection {
namespace {

enum HookId {
  kFileDialogHook = 20201,
  kSearchDialogHook = 20202,
  kDirectoryListHook = 20059,
  kFileListHook = 20060,
  kFilterHook = 20061,
  kChosenListHook = 20068,
  kSelectDirectoryHook = 20069,
  kSearchHook = 20070,
  kRemoveHook = 20071,
  kSaveHook = 20072,
  kLoadHook = 20074,
};

constexpr const char* kRoot = "/";  // where a dialog starts when nothing better exists
constexpr int kMaxChosen = 32767;    // a string list holds no more

bool isDirectory(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string withSlash(std::string d) {
  if (d.empty() || d.back() != '/') d += '/';
  return d;
}

int itemOf(MSDialog* db, unsigned int type, int id) { return mdlDialog_itemIndexByTypeAndId(db, type, id, 0); }

// Shows `rows` (one string each) in list box `id`, replacing the model it showed (owned here).
void showRows(MSDialog* db, int id, const std::vector<std::string>& rows) {
  const int index = itemOf(db, RTYPE_LISTBOX, id);
  if (index < 0) return;
  ListModel* old = mdlDialog_listBoxGetListModel(db, index);
  ListModel* model = mdlListModel_create(1);
  for (const auto& r : rows) mdlListCell_setStringValue(mdlListRow_getCellAtIndex(mdlListModel_insertNewRow(model, -1), 0), r.c_str(), 1);
  mdlDialog_listBoxSetListModel(db, index, model);
  if (old != nullptr) mdlListModel_destroy(old);
  mdlDialog_itemDraw(db, index);
}

void dropModel(DialogItemMessage* m) {
  ListModel* model = mdlDialog_listBoxGetListModel(m->db, m->itemIndex);
  mdlDialog_listBoxSetListModel(m->db, m->itemIndex, nullptr);
  if (model != nullptr) mdlListModel_destroy(model);
}

std::vector<std::string> directoryRows() {
  std::vector<std::string> rows;
  if (directory() != kRoot) rows.emplace_back("..");
  for (auto& d : subdirectories(directory())) rows.push_back(std::move(d));
  return rows;
}

void refreshChosen(MSDialog* db) {
  GlobalData* b = vxlibMain_getGlobalDataP();
  std::vector<std::string> rows;
  const long members = b != nullptr && b->selectionResult != nullptr ? mdlStringList_size(b->selectionResult) : 0;
  for (long i = 0; i < members; ++i) {
    char* text = nullptr;
    mdlStringList_getMember(&text, nullptr, b->selectionResult, i);
    rows.emplace_back(text != nullptr ? text : "");
  }
  showRows(db, kChosenList, rows);
}

// After the directory changed: its field, its subdirectories and its files.
void refreshDirectory(MSDialog* db) {
  const int field = itemOf(db, RTYPE_TEXT, kDirectoryField);
  if (field >= 0) mdlDialog_itemSynch(db, field);
  showRows(db, kDirectoryList, directoryRows());
  showRows(db, kFileList, matchingFiles(directory(), filter()));
}

void appendChosen(StringList* list, const std::string& path) {
  if (list == nullptr || mdlStringList_size(list) >= kMaxChosen) return;
  long index = 0;
  if (mdlStringList_insertMember(&index, list, -1, 1) == 0) mdlStringList_setMember(list, index, path.c_str(), nullptr);
}

void prepare(DialogMessage* m) {
  vxlibMain_updateBeforeDialogOpen(m->dialogId);
  GlobalData* b = vxlibMain_getGlobalDataP();
  if (b != nullptr && b->selectionTitle != nullptr) mdlDialog_setTitle(m->db, b->selectionTitle);
}

void fileDialogHook(DialogMessage* m) {
  if (m->messageType == DIALOG_MESSAGE_CREATE) prepare(m);
}

// The search dialog is as wide as its chosen-files list and the two buttons beside it.
void searchDialogHook(DialogMessage* m) {
  if (m->messageType == DIALOG_MESSAGE_CREATE) prepare(m);
  if (m->messageType != DIALOG_MESSAGE_INIT) return;
  BSIRect list{}, button{};
  const int ok = itemOf(m->db, RTYPE_PUSHBTN, kOkButton), cancel = itemOf(m->db, RTYPE_PUSHBTN, kCancelButton);
  if (mdlDialog_itemGetRect(&list, m->db, itemOf(m->db, RTYPE_LISTBOX, kChosenList)) != 0 || ok < 0 || cancel < 0) return;
  mdlDialog_itemGetRect(&button, m->db, ok);
  const int w = button.corner.x - button.origin.x, h = button.corner.y - button.origin.y;
  for (int i = 0; i < 2; ++i) {
    const int x = list.corner.x + 10, y = list.origin.y + i * (h + 6);
    const BSIRect r{{x, y}, {x + w, y + h}};
    mdlDialog_itemSetRect(m->db, i == 0 ? ok : cancel, &r);
  }
  int width = 0, height = 0;
  mdlWindow_extentGet(&width, &height, m->db);
  mdlWindow_extentSet(m->db, list.corner.x + 10 + w + 10, height);
}

// ".." goes up one level; a drive entry ("c-:" style) would start at its root, which this
// platform has no use for; any other entry goes down into it.
void changeDirectory(const std::string& entry) {
  std::string d = directory();
  if (entry == "..") {
    d.pop_back();  // the trailing '/'
    d = d.substr(0, d.rfind('/') + 1);
    if (d.empty()) d = kRoot;
  } else if (entry.size() >= 4 && entry[1] == '-' && entry[3] == ':') {
    d = kRoot;
  } else {
    d += entry + "/";
  }
  setDirectory(d);
}

void directoryListHook(DialogItemMessage* m) {
  if (m->messageType == DITEM_MESSAGE_CREATE) {
    showRows(m->db, kDirectoryList, directoryRows());
  } else if (m->messageType == DITEM_MESSAGE_DESTROY) {
    dropModel(m);
  } else if (m->messageType == DITEM_MESSAGE_BUTTON && m->u.button.clickCount == 2 && m->u.button.row >= 0) {
    ListModel* model = mdlDialog_listBoxGetListModel(m->db, m->itemIndex);
    const std::string entry = mdlListCell_getStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(model, m->u.button.row), 0));
    changeDirectory(entry);
    refreshDirectory(m->db);
  }
}

void fileListHook(DialogItemMessage* m) {
  GlobalData* b = vxlibMain_getGlobalDataP();
  if (b == nullptr) return;
  switch (m->messageType) {
    case DITEM_MESSAGE_CREATE:
      showRows(m->db, kFileList, matchingFiles(directory(), filter()));
      break;
    case DITEM_MESSAGE_BUTTON:
    case DITEM_MESSAGE_STATECHANGED: {
      const int count = mdlDialog_listBoxGetSelectedRows(nullptr, 0, m->db, m->itemIndex);
      if (count < 0) {
        toolSubsystem_printf("Error retrieving selections!!\n");
        return;
      }
      b->selectedCount = count;
      vxlibDialog_itemEnableByTypeAndId(m->db, RTYPE_PUSHBTN, kOkButton, count > 0);
      break;
    }
    case DITEM_MESSAGE_DESTROY: {
      // The files selected here join the chosen ones.
      ListModel* model = mdlDialog_listBoxGetListModel(m->db, m->itemIndex);
      const int count = mdlDialog_listBoxGetSelectedRows(nullptr, 0, m->db, m->itemIndex);
      std::vector<int> rows(static_cast<std::size_t>(std::max(count, 0)));
      if (count > 0) mdlDialog_listBoxGetSelectedRows(rows.data(), count, m->db, m->itemIndex);
      for (int row : rows) {
        appendChosen(b->selectionResult,
                     directory() + mdlListCell_getStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(model, row), 0)));
      }
      dropModel(m);
      break;
    }
    default:
      break;
  }
}

void filterHook(DialogItemMessage* m) {
  if (m->messageType == DITEM_MESSAGE_STATECHANGED) showRows(m->db, kFileList, matchingFiles(directory(), filter()));
}

void chosenListHook(DialogItemMessage* m) {
  if (m->messageType == DITEM_MESSAGE_CREATE) refreshChosen(m->db);
  if (m->messageType == DITEM_MESSAGE_DESTROY) dropModel(m);
}

void selectDirectoryHook(DialogItemMessage* m) {
  if (m->messageType != DITEM_MESSAGE_BUTTON) return;
  char chosen[MAXFILELENGTH] = {};
  std::snprintf(chosen, sizeof chosen, "%s", directory().c_str());
  if (mdlDialog_selectDirectory(chosen, "Select directory") != ACTIONBUTTON_OK) return;
  setDirectory(withSlash(chosen));
  refreshDirectory(m->db);
}

void searchHook(DialogItemMessage* m) {
  GlobalData* b = vxlibMain_getGlobalDataP();
  if (m->messageType != DITEM_MESSAGE_BUTTON || b == nullptr) return;
  searchFiles(directory(), filter(), b->selectionResult);
  refreshChosen(m->db);
}

void removeHook(DialogItemMessage* m) {
  GlobalData* b = vxlibMain_getGlobalDataP();
  if (m->messageType != DITEM_MESSAGE_BUTTON || b == nullptr || b->selectionResult == nullptr) return;
  const int list = itemOf(m->db, RTYPE_LISTBOX, kChosenList);
  const int count = mdlDialog_listBoxGetSelectedRows(nullptr, 0, m->db, list);
  if (count <= 0) return;
  std::vector<int> rows(static_cast<std::size_t>(count));
  mdlDialog_listBoxGetSelectedRows(rows.data(), count, m->db, list);
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) mdlStringList_deleteMember(b->selectionResult, *it, 1);
  refreshChosen(m->db);
}

// The default folder of the list files: the user's data folder.
std::string dataDirectory() {
  char value[MAXFILELENGTH] = {};
  return mdlSystem_getCfgVar(value, "MS_DATA", sizeof value) == 0 ? std::string(value) : std::string();
}

void saveHook(DialogItemMessage* m) {
  GlobalData* b = vxlibMain_getGlobalDataP();
  if (m->messageType != DITEM_MESSAGE_BUTTON || b == nullptr) return;
  char name[MAXFILELENGTH] = {};
  if (mdlDialog_fileCreate(name, 0, 0, "filelist.txt", "*.txt", dataDirectory().c_str(), "Create output file") != 0) return;
  MdlTextFile* file = mdlTextFile_open(name, TEXTFILE_WRITE);
  if (file == nullptr) {
    rscMsgBox(kBoxOk, kErrorList, kMsgCannotCreate, name);
    return;
  }
  const long members = b->selectionResult != nullptr ? std::max(0L, mdlStringList_size(b->selectionResult)) : 0;
  for (long i = 0; i < members; ++i) {
    char* text = nullptr;
    if (mdlStringList_getMember(&text, nullptr, b->selectionResult, i) == 0 && text != nullptr)
      mdlTextFile_putString(text, file, 0);
  }
  if (mdlTextFile_close(file) != 0) rscMsgBox(kBoxOk, kErrorList, kMsgCannotCreate, name);
}

void loadHook(DialogItemMessage* m) {
  GlobalData* b = vxlibMain_getGlobalDataP();
  if (m->messageType != DITEM_MESSAGE_BUTTON || b == nullptr) return;
  char name[MAXFILELENGTH] = {};
  if (mdlDialog_fileOpen(name, 0, 0, "filelist.txt", "*.txt", dataDirectory().c_str(), "Select input file") != 0) return;
  VxlibTextFile* file = vxlibFile_open(name, "r");
  if (file == nullptr) return;
  char line[257];
  int missing = 0;
  while (vxlibFile_read(line, file, 256) > 0) {
    struct stat info {};
    if (::stat(line, &info) == 0) {
      appendChosen(b->selectionResult, line);
    } else {
      vxlibError_listPrintf(0, "\"%s\" not found", line);
      ++missing;
    }
  }
  vxlibFile_close(file);
  refreshChosen(m->db);
  if (missing > 0) vxlibError_listPrintf(1, "%d files not found!", missing);
}

const DialogHookInfo kHooks[] = {
    {kFileDialogHook, reinterpret_cast<void*>(&fileDialogHook)},
    {kSearchDialogHook, reinterpret_cast<void*>(&searchDialogHook)},
    {kDirectoryListHook, reinterpret_cast<void*>(&directoryListHook)},
    {kFileListHook, reinterpret_cast<void*>(&fileListHook)},
    {kFilterHook, reinterpret_cast<void*>(&filterHook)},
    {kChosenListHook, reinterpret_cast<void*>(&chosenListHook)},
    {kSelectDirectoryHook, reinterpret_cast<void*>(&selectDirectoryHook)},
    {kSearchHook, reinterpret_cast<void*>(&searchHook)},
    {kRemoveHook, reinterpret_cast<void*>(&removeHook)},
    {kSaveHook, reinterpret_cast<void*>(&saveHook)},
    {kLoadHook, reinterpret_cast<void*>(&loadHook)},
};

// Opens dialog `dialogId` modally around the chosen-files list `chosen`; the list is the
// caller's after a confirmed dialog, destroyed otherwise. Null when cancelled.
StringList* runFileDialog(int dialogId, StringList* chosen, const char* title) {
  GlobalData* b = vxlibMain_getGlobalDataP();
  if (b == nullptr) {
    mdlStringList_destroy(chosen);
    return nullptr;
  }
  clearTexts(b);
  b->selectionTitle = copyText(title);
  b->selectionResult = chosen;
  int action = ACTIONBUTTON_CANCEL;
  if (mdlDialog_openModal(&action, 0, dialogId) != 0) action = ACTIONBUTTON_CANCEL;
  StringList* result = b->selectionResult;
  b->selectionResult = nullptr;
  clearTexts(b);
  if (action == ACTIONBUTTON_OK) return result;
  mdlStringList_destroy(result);
  return nullptr;
}

}  // namespace
}  // namespace pixmend::vxlib::selection

namespace pixmend::vxlib {
HookTable fileSelectionHookTable() {
  return {selection::kHooks, static_cast<int>(sizeof selection::kHooks / sizeof selection::kHooks[0])};
}
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::selection;

extern "C" {

StringList* vxlibDialog_selectFiles(VxlibFileSpec* fileSpec, StringList* initialList, const char* title,
                                    const char* filter, const char* startDirectory) {
  // The dialog works on a copy: a cancelled dialog leaves the caller's list as it was.
  StringList* chosen = mdlStringList_create(0, 1);
  const long initial = initialList != nullptr ? std::max(0L, mdlStringList_size(initialList)) : 0;
  for (long i = 0; i < initial; ++i) {
    char* text = nullptr;
    if (mdlStringList_getMember(&text, nullptr, initialList, i * std::max(1L, mdlStringList_stringsPerMember(initialList))) == 0 && text != nullptr)
      appendChosen(chosen, text);
  }
  if (fileSpec != nullptr) {
    setFilter(filter != nullptr ? filter : "");
    setDirectory(startDirectory != nullptr && isDirectory(startDirectory) ? withSlash(startDirectory) : kRoot);
  }
  StringList* result = runFileDialog(kFileDialog, chosen, title);
  if (result == nullptr) return nullptr;
  if (fileSpec != nullptr) {
    std::snprintf(fileSpec->filter, sizeof fileSpec->filter, "%s", selection::filter().c_str());
    std::snprintf(fileSpec->directory, sizeof fileSpec->directory, "%s", directory().c_str());
  }
  if (initialList == nullptr) return result;
  // The caller's list receives the choice and stays the caller's.
  mdlStringList_deleteMember(initialList, 0, initial);
  const long chosenCount = std::max(0L, mdlStringList_size(result));
  const long perMember = std::max(1L, mdlStringList_stringsPerMember(initialList));
  for (long i = 0; i < chosenCount; ++i) {
    char* text = nullptr;
    long index = 0;
    mdlStringList_getMember(&text, nullptr, result, i);
    if (mdlStringList_insertMember(&index, initialList, -1, 1) == 0)
      mdlStringList_setMember(initialList, index * perMember, text != nullptr ? text : "", nullptr);
  }
  mdlStringList_destroy(result);
  return initialList;
}

StringList* vxlibDialog_searchFiles(VxlibFileSpec* fileSpec, const char* title, const char* filter,
                                    const char* directoryVariable) {
  std::string start;
  std::string chosenFilter = filter != nullptr ? filter : "";
  if (fileSpec != nullptr && fileSpec->directory[0] != '\0') {
    start = std::string(fileSpec->directory, strnlen(fileSpec->directory, sizeof fileSpec->directory));
    chosenFilter = std::string(fileSpec->filter, strnlen(fileSpec->filter, sizeof fileSpec->filter));
  } else if (directoryVariable != nullptr && *directoryVariable != '\0') {
    char value[MAXFILELENGTH] = {};
    if (mdlSystem_getCfgVar(value, directoryVariable, sizeof value) == 0) {
      std::string first(value);
      first = first.substr(0, first.find(';'));
      char expanded[MAXFILELENGTH] = {};
      start = mdlSystem_expandCfgVar(expanded, sizeof expanded, first.c_str()) == 0 ? expanded : first;
    } else if (isDirectory(directoryVariable)) {
      start = directoryVariable;
    }
  }
  setDirectory(isDirectory(start) ? withSlash(start) : kRoot);
  setFilter(chosenFilter);
  StringList* result = runFileDialog(kSearchDialog, mdlStringList_create(0, 1), title);
  if (result != nullptr && fileSpec != nullptr) {
    fileSpec->status = ACTIONBUTTON_OK;
    std::snprintf(fileSpec->filter, sizeof fileSpec->filter, "%s", selection::filter().c_str());
    std::snprintf(fileSpec->directory, sizeof fileSpec->directory, "%s", directory().c_str());
  }
  return result;
}

StringList* vxlibUpf_defSearchFiles(const char* title, const char* defaultDirectory, const char* defaultFilter,
                                    int dialogId) {
  namespace rf = pixmend::remembered;
  std::vector<std::uint8_t> record(rf::kRecordSize, 0);
  const RscFileHandle handle = vxlibUpf_getHandle();
  const bool had = handle != 0 && mdlUserPrefs_getFileName(record.data(), handle, dialogId) == 0 && rf::marked(record.data());
  if (!had) record.assign(rf::kRecordSize, 0);
  VxlibFileSpec spec{};
  std::string folder = had ? rf::getText(record.data(), rf::kCurrentDirectoryAt) : "";
  std::string pattern = had ? rf::getText(record.data(), rf::kCurrentFilterAt) : "";
  if (folder.empty() && defaultDirectory != nullptr) folder = defaultDirectory;
  if (pattern.empty() && defaultFilter != nullptr) pattern = defaultFilter;
  std::snprintf(spec.directory, sizeof spec.directory, "%s", folder.c_str());
  std::snprintf(spec.filter, sizeof spec.filter, "%s", pattern.c_str());
  StringList* found = vxlibDialog_searchFiles(&spec, title, pattern.c_str(), nullptr);
  GlobalData* b = vxlibMain_getGlobalDataP();
  if (found != nullptr && handle != 0 && b != nullptr && b->preferenceFileReadOnly == 0) {
    rf::startIfForeign(record.data());
    rf::putText(record.data(), rf::kCurrentDirectoryAt, spec.directory);
    rf::putText(record.data(), rf::kCurrentFilterAt, spec.filter);
    rf::mark(record.data());
    mdlUserPrefs_saveFileName(record.data(), handle, dialogId);
  }
  return found;
}

}  // extern "C"
