// vxdialogapp: an application of the maker that drives the plot scales and the selection
// dialogs of vxlib from key-ins, printing what it gets back on the host's text window.
//
// Key-ins:
//   vxdlg scales                      vxlibPlotScale_dialogOpen, then the list and active scale
//   vxdlg scale VALUE                 vxlibPlotScale_setActiveScale(VALUE, 0)
//   vxdlg scalefile save|read FILE    the plot scales to or from a resource file
//   vxdlg files DIRECTORY FILTER      vxlibDialog_selectFiles (no earlier list)
//   vxdlg search VARIABLE FILTER      vxlibDialog_searchFiles with an empty file specification
//   vxdlg defsearch DIRECTORY FILTER  vxlibUpf_defSearchFiles, remembered under 7101
//   vxdlg single SIZE                 one of five sheets (result buffer of SIZE bytes)
//   vxdlg multi                       several of the five sheets
//   vxdlg panel                       opens dialog 7100, whose scale button shows the scales
//   vxdlg menu insert|delete          vxlibDialog_insertPdm(7100) / vxlibDialog_deletePdm
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/mdl.h"
#include "pixmend/export.h"
#include "pixmend/vxlib.h"

namespace {

std::string takeWord(const char*& text) {
  std::string word;
  while (*text == ' ') ++text;
  while (*text != '\0' && *text != ' ') word += *text++;
  while (*text == ' ') ++text;
  return word;
}

void printList(const char* what, StringList* list) {
  if (list == nullptr) {
    toolSubsystem_printf("vxdlg: %s cancelled\n", what);
    return;
  }
  const long members = mdlStringList_size(list);
  toolSubsystem_printf("vxdlg: %s gave %ld\n", what, members);
  for (long i = 0; i < members; ++i) {
    char* text = nullptr;
    long* info = nullptr;
    mdlStringList_getMember(&text, &info, list, i * mdlStringList_stringsPerMember(list));
    toolSubsystem_printf("vxdlg: | %s (%ld)\n", text != nullptr ? text : "", info != nullptr ? info[0] : 0L);
  }
}

// The scales as the saved form gives them ("name=value", the active one marked with '*').
void showScales() {
  const double* active = vxlibPlotScale_getActiveScaleP();
  std::string shown;
  if (mdlResource_createFile("shown.rsc", "scales shown", 0) == 0) {
    VxlibRscFile file{};
    if (vxlibResource_openFile(&file, "shown.rsc", 1) == 0 && vxlibPlotScale_saveSettings(&file) == 0) {
      StringList* list = vxlibResource_loadStringList(&file, 20001);
      const long strings = mdlStringList_size(list) * mdlStringList_stringsPerMember(list);
      for (long i = 0; i + 1 < strings; i += 2) {
        char* name = nullptr;
        char* value = nullptr;
        long* info = nullptr;
        mdlStringList_getMember(&name, &info, list, i);
        mdlStringList_getMember(&value, nullptr, list, i + 1);
        shown += std::string(" ") + (info != nullptr && info[0] != 0 ? "*" : "") + name + "=" + value;
      }
      mdlStringList_destroy(list);
    }
    vxlibResource_closeFile(&file);
  }
  toolSubsystem_printf("vxdlg: active scale %.6f;%s\n", active != nullptr ? *active : -1.0, shown.c_str());
}

void scales(char*) {
  toolSubsystem_printf("vxdlg: dialog gave %d\n", vxlibPlotScale_dialogOpen());
  showScales();
}

void scale(char* unparsed) {
  toolSubsystem_printf("vxdlg: set %s gave %d\n", unparsed, vxlibPlotScale_setActiveScale(std::atof(unparsed), 0));
  showScales();
}

void scaleFile(char* unparsed) {
  const char* rest = unparsed;
  const std::string verb = takeWord(rest);
  VxlibRscFile file{};
  if (vxlibResource_openFile(&file, rest, verb == "save" ? 1 : 0) != 0) return;
  const int status = verb == "save" ? vxlibPlotScale_saveSettings(&file) : vxlibPlotScale_readSettings(&file);
  toolSubsystem_printf("vxdlg: %s %s gave %d\n", verb.c_str(), rest, status);
  vxlibResource_closeFile(&file);
  showScales();
}

void files(char* unparsed) {
  const char* rest = unparsed;
  const std::string directory = takeWord(rest);
  VxlibFileSpec spec{};
  printList("files", vxlibDialog_selectFiles(&spec, nullptr, "Choose drawings", rest, directory.c_str()));
  toolSubsystem_printf("vxdlg: directory %s filter %s\n", spec.directory, spec.filter);
}

void search(char* unparsed) {
  const char* rest = unparsed;
  const std::string variable = takeWord(rest);
  VxlibFileSpec spec{};
  StringList* found = vxlibDialog_searchFiles(&spec, "Find drawings", rest, variable.c_str());
  printList("search", found);
  mdlStringList_destroy(found);
  toolSubsystem_printf("vxdlg: status %d directory %s filter %s\n", spec.status, spec.directory, spec.filter);
}

void defSearch(char* unparsed) {
  const char* rest = unparsed;
  const std::string directory = takeWord(rest);
  StringList* found = vxlibUpf_defSearchFiles("Find drawings", directory.c_str(), rest, 7101);
  printList("remembered search", found);
  mdlStringList_destroy(found);
}

// The five sheets of a drawing set: name and title, info field 0 the sheet's number.
void sheets(StringList** list, void*) {
  static const char* const kSheets[][2] = {{"A-101", "Site plan"},     {"A-102", "Ground floor"},
                                           {"A-103", "First floor"},   {"A-201", "Sections"},
                                           {"A-301", "Elevations"}};
  *list = mdlStringList_create(0, 2);
  for (int i = 0; i < 5; ++i) {
    long index = 0;
    mdlStringList_insertMember(&index, *list, -1, 1);
    const long info[4] = {101 + i, 0, 0, 0};
    mdlStringList_setMember(*list, 2 * index, kSheets[i][0], info);
    mdlStringList_setMember(*list, 2 * index + 1, kSheets[i][1], nullptr);
  }
}

void sheetsMulti(StringList** list, void* argument, int) { sheets(list, argument); }

void single(char* unparsed) {
  const int size = std::atoi(unparsed);
  char result[64] = "unchanged";
  const int row = vxlibDialog_selectFromStringListSingle(result, size > 0 && size <= 64 ? size : 64, sheets, nullptr,
                                                         "Pick a sheet", "Sheets", 40, 2);
  toolSubsystem_printf("vxdlg: single gave %d \"%s\"\n", row, result);
}

void multi(char*) {
  StringList* chosen = vxlibDialog_selectFromStringListMulti(sheetsMulti, nullptr, 2, "Pick sheets", nullptr);
  printList("multi", chosen);
  mdlStringList_destroy(chosen);
}

void panel(char*) {
  MSDialog* db = mdlDialog_open(0, 7100);
  if (db == nullptr) return;
  // The scale button offers the scale names: every second string of the saved form.
  VxlibRscFile file{};
  std::snprintf(file.fileName, sizeof file.fileName, "panel.rsc");
  if (mdlResource_createFile("panel.rsc", "panel", 0) == 0 && vxlibResource_openFile(&file, "panel.rsc", 1) == 0) {
    vxlibPlotScale_saveSettings(&file);
    StringList* names = vxlibResource_loadStringList(&file, 20001);
    toolSubsystem_printf("vxdlg: panel filled with %d\n",
                         vxlibDialog_optionButtonInsertFromStringlist(names, 2, 0, db, 20016, 0, 1));
    mdlStringList_destroy(names);
    vxlibResource_closeFile(&file);
  }
  vxlibDialog_itemEnableByTypeAndId(db, RTYPE_TOGGLE, 2, 0);
  toolSubsystem_printf("vxdlg: a missing item gives %d\n", vxlibDialog_itemShowByTypeAndId(db, RTYPE_TOGGLE, 99, 0));
}

void menu(char* unparsed) {
  if (std::strcmp(unparsed, "delete") == 0) {
    vxlibDialog_deletePdm();
    return;
  }
  MenuBarMenu* out = nullptr;
  MenuBarMenu* menu = vxlibDialog_insertPdm(&out, 7100);
  toolSubsystem_printf("vxdlg: menu %s\n", menu != nullptr && menu == out ? "inserted" : "not inserted");
}

void scaleChanged(double from, double to) { toolSubsystem_printf("vxdlg: the plot scale went from %g to %g\n", from, to); }

MdlCommandNumber commandNumbers[] = {{scales, 0x7d030100}, {scale, 0x7d030200},     {scaleFile, 0x7d030300},
                                     {files, 0x7d030400},  {search, 0x7d030500},    {defSearch, 0x7d030600},
                                     {single, 0x7d030700}, {multi, 0x7d030800},     {panel, 0x7d030900},
                                     {menu, 0x7d030a00},   {nullptr, 0}};

}  // namespace

extern "C" PIXMEND_API int MdlMain(int argc, char* argv[]) {
  vxlibMain_initVxLib("VxDialogs", argc, argv);
  mdlSystem_registerCommandNumbers(commandNumbers);
  mdlParse_loadCommandTable(0);
  vxlibMain_setScaleFunction(scaleChanged);
  vxlibUpf_open(nullptr, nullptr, "VxDialogs.upf");
  return 0;
}
