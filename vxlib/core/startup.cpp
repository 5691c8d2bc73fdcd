// Library start-up for one application and what it registers with the host:
//   vxlibMain_initVxLib / ..._initVxLibExtended   the start-up sequence
//   vxlibMain_newDesignFile                       the new-design-file handler (event slot 1)
//   proposeInstallDirectory                       offers VX_DIR when it is missing
//   loadDefaultStyles                             line styles of the design and of the
//                                                 attribute definitions
//
// Start-up order: registry entry and block, init-application flag, the application's resource
// file, its name, the shared records (once per process) and the block's buffers, plot scales
// (once per process), dialog hooks and shared records published, the new-design-file handler,
// message-box titles, the installation directory, the preference state, the default styles.
#include <cstdio>
#include <cstring>
#include <string>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {

GlobalData* createGlobalData();
void allocateBlockBuffers(GlobalData* block);

namespace {

// The dialog hook tables of the library's families, published in this order at start-up: one
// table per family (the about box's goes first once it is built, then the services' families).
HookTable (*const kHookTables[])() = {
    introHookTable,
    errorHookTable,
    plotScaleHookTable,
    fileSelectionHookTable,
    listSelectionHookTable,
    projectHookTable,
    elmAttrHookTable,
    printSetupHookTable,
    previewHookTable,
};

constexpr int kProjectDialog = 20008;
constexpr int kProjectListDialog = 20013;
constexpr std::size_t kVariableSize = 256;

void* allocateShared(std::size_t size) {
  return vxlibMem_mallocRscErrorPrintf(size, kErrorList, kMsgOutOfMemory);
}

void createSharedRecords(Shared* s) {
  s->printerSetup = allocateShared(kPrinterSetupSize);
  s->project = allocateShared(kProjectSize);
  s->page = allocateShared(kPageSize);
  s->plotScale = static_cast<PlotScale*>(allocateShared(sizeof(PlotScale)));
}

// Plot scales of the process: from the file named by VX_PLOTSCALES (found along VX_DATA), else
// the default list.
void setUpPlotScales(PlotScale* record) {
  if (record == nullptr) return;
  char name[kVariableSize] = {};
  if (mdlSystem_getCfgVar(name, "VX_PLOTSCALES", sizeof name) == 0 && name[0] != '\0') {
    char found[MAXFILELENGTH] = {};
    VxlibRscFile file{};
    if (mdlFile_find(found, name, "VX_DATA", nullptr) == 0 && vxlibResource_openFile(&file, found, 0) == 0) {
      const int status = vxlibPlotScale_readSettings(&file);
      vxlibResource_closeFile(&file);
      if (status == VXLIB_SUCCESS) return;
    }
  }
  buildDefaultPlotScales(record);
}

void publishSharedRecords(Shared* s) {
  SymbolSet* set = mdlCExpression_initializeSet(4, 0, 0);
  mdlDialog_publishComplexPtr(set, "vxlibPrinterSetupData", "vxlibpsd", &s->printerSetup);
  mdlDialog_publishComplexPtr(set, "vxlibProsjektData", "vxlibpd", &s->project);
  mdlDialog_publishComplexPtr(set, "vxlibSideData", "vxlibsd", &s->page);
  mdlDialog_publishComplexPtr(set, "vxlibGlobalData", "tgdP", &s->current);
  mdlDialog_publishComplexPtr(set, "vxlibPlotScale", "vxScaleP", &s->plotScale);
  mdlDialog_publishComplexPtr(set, "vxlibPrintSettings", "vxlibps", &s->printSettings);
}

void setTitles(const char* name) {
  struct Title {
    int kind;
    int text;
  };
  constexpr Title kTitles[] = {{1, 38}, {4, 39}, {8, 40}, {2, 41}};
  for (const auto& t : kTitles) {
    // The language text is a format for the application's name; any other text is the title.
    const std::string format = languageText(t.text);
    if (conversionsOf(format.c_str()) == "s") {
      vxlibError_setTitle(t.kind, format.c_str(), name);
    } else {
      vxlibError_setTitle(t.kind, "%s", format.c_str());
    }
  }
}

}  // namespace

std::string proposedDirectory(const char* applicationPath) {
  if (applicationPath == nullptr) return "";
  std::string path(applicationPath, strnlen(applicationPath, MAXFILELENGTH));
  int separators = 0;
  for (std::size_t i = path.size(); i > 0 && separators < 4; --i) {
    if (path[i - 1] == '/') {
      path.resize(i);
      ++separators;
    }
  }
  return separators == 4 ? path : "";
}

void proposeInstallDirectory(int argc, char* argv[]) {
  if (mdlSystem_getenv("VX_DIR") != nullptr) return;
  // The site folder as the user means it: a value built from other variables is expanded, so the
  // message names a real path.
  char site[kVariableSize] = {};
  const char* expanded = mdlSystem_getenv("_USTN_SITE");
  std::snprintf(site, sizeof site, "%s", expanded != nullptr ? expanded : "");
  char siteFile[kVariableSize + 16];
  std::snprintf(siteFile, sizeof siteFile, "%scompany.cfg", site);
  if (argc < 1 || argv == nullptr) return;
  // Nothing sensible to offer for a file that does not lie three folders deep.
  const std::string directory = proposedDirectory(argv[0]);
  if (directory.empty()) return;
  const char* name = vxlibMain_getApplicationName();
  const int answer = rscMsgBox(kBoxOkCancel, kStatusList, kMsgProposeVxDir, directory.c_str(), name, name, siteFile,
                               directory.c_str());
  if (answer == ACTIONBUTTON_OK) mdlSystem_defineCfgVar("VX_DIR", directory.c_str(), 4);
}

void loadDefaultStyles() {
  ListModel* model = mdlListModel_create(1);
  if (model != nullptr) {
    if (mdlLevelList_getStyleListModel(model, mdlModelRef_getActive()) == 0) {
      int active = 0;
      mdlParams_getActive(&active, ACTIVEPARAM_LINESTYLE);
      bool matched = false;
      const int rows = mdlListModel_getRowCount(model);
      for (int i = 0; i < rows; ++i) {
        ListCell* cell = mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(model, i), 0);
        long value = 0;
        if (mdlListCell_getLongValue(cell, &value) != 0 || value != LINESTYLE_NOT_NUMBERED) continue;
        char name[LINESTYLE_NAME_MAX];
        std::snprintf(name, sizeof name, "%s", mdlListCell_getDisplayText(cell));
        mdlParams_setActive(name, ACTIVEPARAM_LINESTYLENAME);
        matched = true;
      }
      if (matched) mdlParams_setActive(&active, ACTIVEPARAM_LINESTYLE);
    }
    mdlListModel_destroy(model);
  }
  // The element-attribute family's definitions keep their custom line styles by name.
  if (GlobalData* block = findGlobalData()) resolveAttributeLineStyles(block);
}

std::int32_t customLineStyleNumber(long designNumber) {
  constexpr long kStandardStyles = 8;  // 0 to 7 are numbered alike in every design
  if (designNumber < 0) return -1;
  if (designNumber < kStandardStyles) return static_cast<std::int32_t>(designNumber);
  return static_cast<std::int32_t>(-designNumber);
}

void resolveLineStyle(std::int32_t* number, char* name, std::size_t nameSize) {
  if (number == nullptr || name == nullptr || nameSize == 0 || *number >= 0) return;
  if (name[0] == '\0') {
    char found[LINESTYLE_NAME_MAX] = {};
    if (mdlLineStyle_nameFromNumber(found, -static_cast<long>(*number), mdlModelRef_getActive()) == 0)
      std::snprintf(name, nameSize, "%s", found);
    return;
  }
  const long resolved = mdlLineStyle_numberFromName(name, mdlModelRef_getActive());
  if (resolved >= 0) *number = customLineStyleNumber(resolved);
}

}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

int vxlibMain_initVxLib(const char* applicationName, int argc, char* argv[]) {
  return vxlibMain_initVxLibExtended(applicationName, argc, argv, 0);
}

int vxlibMain_initVxLibExtended(const char* applicationName, int argc, char* argv[], int openMode) {
  GlobalData* block = createGlobalData();
  if (block != nullptr) {
    if (argc >= 2 && argv != nullptr && argv[1] != nullptr &&
        (std::strcmp(argv[1], "MS_DGNAPPS") == 0 || std::strcmp(argv[1], "MS_INITAPPS") == 0)) {
      block->initApplication = 1;
    }
    mdlResource_openFile(&block->resourceFile.handle, nullptr, openMode);
    std::snprintf(block->applicationName, sizeof block->applicationName, "%s",
                  applicationName != nullptr ? applicationName : "");
  }
  Shared* s = shared();
  bool firstInProcess = false;
  if (s != nullptr && s->plotScale == nullptr) {
    // Once per process, whichever application comes first (or comes first again).
    createSharedRecords(s);
    firstInProcess = true;
  }
  if (block != nullptr) allocateBlockBuffers(block);
  if (s != nullptr && firstInProcess) setUpPlotScales(s->plotScale);

  for (auto table : kHookTables) {
    const HookTable t = table();
    mdlDialog_hookPublish(t.count, t.hooks);
  }
  if (s != nullptr) publishSharedRecords(s);

  mdlSystem_setFunction(SYSTEM_NEW_DESIGN_FILE, reinterpret_cast<void*>(&vxlibMain_newDesignFile));
  if (block != nullptr) setTitles(block->applicationName);
  proposeInstallDirectory(argc, argv);
  vxlibUpf_initialize(block);
  if (firstInProcess) readPrinterSetup();
  if (applicationName == nullptr || std::strcmp(applicationName, "VXDraft") != 0) loadDefaultStyles();
  return 0;
}

void vxlibMain_newDesignFile(const char* fileName, int state) {
  (void)fileName;
  if (state != 1) return;
  GlobalData* block = vxlibMain_getGlobalDataP();
  if (block == nullptr) return;
  if (block->initApplication != 0) {
    block->initApplication = 0;
    const int count = std::min(block->deferredCount, kDeferredFunctions);
    for (int i = 0; i < count; ++i) {
      dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), reinterpret_cast<void*>(block->deferred[i]), "");
    }
  }
  // The title block of the new design file is what the dialogs show from now on.
  if (Shared* s = shared()) vxlibProject_readProjectInfoFromDesignFile(s->project);
  if (MSDialog* db = mdlDialog_find(kProjectDialog, nullptr)) mdlDialog_itemsSynch(db);
  if (MSDialog* db = mdlDialog_find(kProjectListDialog, nullptr)) mdlWindow_close(db, 0, 0);
  loadDefaultStyles();
}

}  // extern "C"
