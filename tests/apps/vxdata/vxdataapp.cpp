// vxdataapp: a small application of the maker that keeps its data in the design file as the
// real ones do, and says on the host's text window what it stored and what it finds again, byte
// by byte (hexadecimal), so a session sees the data survive the design being closed and opened.
//
// Key-ins:
//   vxdataapp save TYPE VERSION TEXT    TEXT and its zero as application data (vxlib66Elem_saveDataToFile)
//   vxdataapp fence ID VALUE TEXT       a 10 x 10 construction shape at the origin carrying TEXT as
//                                       user data (vxlibAttrib_appendElementUserData), added
//   vxdataapp scan TYPE                 every application data element of TYPE in the active model
//   vxdataapp fences                    the plot fences (vxlibUtil_findAllPlotFence): their user data
//   vxdataapp delete TYPE               deletes (undoably) every application data element of TYPE
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/mdl.h"
#include "pixmend/export.h"
#include "pixmend/vxlib.h"

namespace {

constexpr const char* kName = "vxdataapp";

std::string takeWord(const char*& text) {
  while (*text == ' ') ++text;
  std::string word;
  while (*text != '\0' && *text != ' ') word += *text++;
  while (*text == ' ') ++text;
  return word;
}

std::string hex(const void* data, int length) {
  std::string out;
  char two[4];
  for (int i = 0; i < length; ++i) {
    std::snprintf(two, sizeof two, "%02x", static_cast<const unsigned char*>(data)[i]);
    out += two;
  }
  return out;
}

void save(char* unparsed) {
  const char* rest = unparsed;
  const int type = std::atoi(takeWord(rest).c_str());
  const int version = std::atoi(takeWord(rest).c_str());
  unsigned position = 0;
  const int status = vxlib66Elem_saveDataToFile(type, version, rest, static_cast<int>(std::strlen(rest)) + 1, &position);
  toolSubsystem_printf("%s: saved %d bytes as type %d: status %d, position %u\n", kName,
                       static_cast<int>(std::strlen(rest)) + 1, type, status, position);
}

void fence(char* unparsed) {
  const char* rest = unparsed;
  const int identifier = std::atoi(takeWord(rest).c_str());
  const int value = std::atoi(takeWord(rest).c_str());
  static MSElement shape;
  const DPoint3d square[5] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 0}};
  mdlShape_create(&shape, nullptr, square, 5, 0);
  const int construction = ELEMENT_CLASS_CONSTRUCTION;
  mdlElement_setProperties(&shape, nullptr, nullptr, &construction);
  const int status = vxlibAttrib_appendElementUserData(identifier, value, &shape, rest, static_cast<int>(std::strlen(rest)));
  const unsigned position = status == 0 ? mdlElement_add(&shape) : 0;
  toolSubsystem_printf("%s: fence with user data %d: status %d, position %u\n", kName, identifier, status, position);
}

int showData(void*, int version, MSElement*, unsigned position, int index, char* data, int length) {
  toolSubsystem_printf("%s: position %u, batch index %d, version %d, %d bytes: %s\n", kName, position, index, version,
                       length, hex(data, length).c_str());
  return 0;
}

void scan(char* unparsed) {
  const int count = vxlib66Elem_scanDataFromFile(nullptr, std::atoi(unparsed), mdlModelRef_getActive(), showData);
  toolSubsystem_printf("%s: scan found %d\n", kName, count);
}

int showFence(MSElement* shape, int position, DgnModelRef*, void*) {
  static unsigned char data[8184];
  int value = 0, length = 0;
  vxlibAttrib_extractElementUserData(shape, 6, &value, data, &length);
  toolSubsystem_printf("%s: fence at %d, value %d, %d bytes: %s\n", kName, position, value, length,
                       hex(data, length).c_str());
  return 0;
}

void fences(char*) {
  vxlibUtil_findAllPlotFence(showFence, nullptr);
}

int deleteOne(void*, int, MSElement* element, unsigned position, int, char*, int) {
  mdlElement_undoableDelete(element, position, 0);
  return 0;
}

void remove(char* unparsed) {
  const int count = vxlib66Elem_scanDataFromFile(nullptr, std::atoi(unparsed), mdlModelRef_getActive(), deleteOne);
  toolSubsystem_printf("%s: deleted %d\n", kName, count);
}

MdlCommandNumber commandNumbers[] = {{save, 0x7d040100},   {fence, 0x7d040200},  {scan, 0x7d040300},
                                     {fences, 0x7d040400}, {remove, 0x7d040500}, {nullptr, 0}};

}  // namespace

extern "C" PIXMEND_API int MdlMain(int argc, char* argv[]) {
  vxlibMain_initVxLib("VXData", argc, argv);
  mdlSystem_registerCommandNumbers(commandNumbers);
  if (mdlParse_loadCommandTable(0) == nullptr) vxlibError_msgBoxPrintf(17, "Error reading command table");
  return 0;
}
