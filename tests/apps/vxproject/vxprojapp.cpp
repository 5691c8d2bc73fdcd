// vxprojapp: a small application of the maker that keeps its title block in the design file
// through the project family and says on the host's text window what it reads back.
//
// Key-ins:
//   vxproj dialog               opens the project dialog
//   vxproj project              reads the project record into a record of its own
//   vxproj page NAME TEXT       writes page NAME with TEXT as its first page line
//   vxproj readpage NAME        reads page NAME
//   vxproj keep [NAME ...]      deletes every stored page not named (keep list)
//   vxproj pages                the page names stored, in file order
//   vxproj form TEMPLATE        a form (key length 4, 20 values) with the title block and a
//                               callback under "LOGO" (called through the host as an interpreted
//                               application's would be): TEMPLATE expanded in indexed mode
#include <cstdio>
#include <string>
#include <vector>

#include "host/mdl.h"
#include "pixmend/export.h"
#include "pixmend/vxlib.h"

namespace {

constexpr const char* kName = "vxproj";
// Where the fields this application shows lie in the records.
constexpr std::size_t kProjectSize = 1603, kPageSize = 2115;
constexpr std::size_t kNumberAt = 0, kFirstLineAt = 31, kUNameAt = 436;
constexpr std::size_t kPageNameAt = 31, kPageLineAt = 112, kPageNameWidth = 81, kPageLineWidth = 81;

std::string takeWord(const char*& text) {
  while (*text == ' ') ++text;
  std::string word;
  while (*text != '\0' && *text != ' ') word += *text++;
  while (*text == ' ') ++text;
  return word;
}

void dialog(char*) { toolSubsystem_printf("%s: dialog gave %d\n", kName, vxlibProject_dialogOpen()); }

void project(char*) {
  std::vector<char> r(kProjectSize, 0);
  const int found = vxlibProject_readProjectInfoFromDesignFile(r.data());
  toolSubsystem_printf("%s: %d project element(s): number \"%s\", line 1 \"%s\", U name \"%s\"\n", kName, found,
                       &r[kNumberAt], &r[kFirstLineAt], &r[kUNameAt]);
}

void page(char* unparsed) {
  const char* rest = unparsed;
  const std::string name = takeWord(rest);
  std::vector<char> r(kPageSize, 0);
  std::snprintf(&r[kPageNameAt], kPageNameWidth, "%s", name.c_str());
  std::snprintf(&r[kPageLineAt], kPageLineWidth, "%s", rest);
  toolSubsystem_printf("%s: page %s written: %d\n", kName, name.c_str(), vxlibProject_writePageInfoToDesignFile(r.data()));
}

void readPage(char* unparsed) {
  std::vector<char> r(kPageSize, 0);
  const int found = vxlibProject_readPageInfoFromDesignFile(r.data(), unparsed);
  toolSubsystem_printf("%s: %d page element(s); page \"%s\", line 1 \"%s\"\n", kName, found, &r[kPageNameAt],
                       &r[kPageLineAt]);
}

void keep(char* unparsed) {
  const char* rest = unparsed;
  std::vector<std::string> names;
  for (std::string w = takeWord(rest); !w.empty(); w = takeWord(rest)) names.push_back(w);
  std::vector<const char*> list;
  for (const auto& n : names) list.push_back(n.c_str());
  list.push_back(nullptr);
  toolSubsystem_printf("%s: visited %d\n", kName, vxlibProject_deletePageInfoFromDesignFile(nullptr, list.data()));
}

int showName(void*, int version, MSElement*, unsigned position, int, char* data, int) {
  toolSubsystem_printf("%s: page \"%s\" at %u, version %d\n", kName, data, position, version);
  return 0;
}

void pages(char*) { vxlib66Elem_scanDataFromFile(nullptr, 110, mdlModelRef_getActive(), showName); }

int logo(int slot, const char* key, MSElementDescr** out, void* user, double width, double height) {
  toolSubsystem_printf("%s: callback %s slot %d, user \"%s\", %.2f x %.2f\n", kName, key, slot,
                       static_cast<const char*>(user), width, height);
  *out = nullptr;
  return 0;
}

void form(char* unparsed) {
  VxlibFormData* data = vxlibMatList_createFormDataArray(4, 20);
  vxlibProject_insertProjectData(data);
  static char user[] = "the company logo";
  vxlibMatList_insertValue(data, "LOGO", 5, 1, reinterpret_cast<void*>(&logo), static_cast<void*>(user), 0);
  char text[1024];
  MSElementDescr* descr = nullptr;
  const int result = vxlibMatList_generateFormatedText(unparsed, data, text, &descr, 40.0, 12.5, 1);
  toolSubsystem_printf("%s: \"%s\" gave %d: \"%s\"\n", kName, unparsed, result, text);
  vxlibMatList_destroyFormDataArray(data);
}

MdlCommandNumber commandNumbers[] = {{dialog, 0x7d050100},   {project, 0x7d050200}, {page, 0x7d050300},
                                     {readPage, 0x7d050400}, {keep, 0x7d050500},    {pages, 0x7d050600},
                                     {form, 0x7d050700},     {nullptr, 0}};

}  // namespace

extern "C" PIXMEND_API int MdlMain(int argc, char* argv[]) {
  vxlibMain_initVxLib("VXProject", argc, argv);
  vxlibUpf_open(nullptr, nullptr, "VXProject.upf");
  mdlSystem_registerCommandNumbers(commandNumbers);
  if (mdlParse_loadCommandTable(0) == nullptr) vxlibError_msgBoxPrintf(17, "Error reading command table");
  return 0;
}
