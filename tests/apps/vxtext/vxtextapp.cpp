// vxtextapp: a small application of the maker that starts vxlib as the real ones do, sets its
// version and drives the text, token, external-program, browser and about-box families from
// key-ins, so that sessions (tests/sessions/text*.pms, about*.pms) see what a user would.
// Everything it learns goes to the host's text window, prefixed "vxtextapp:".
//
// Key-ins:
//   vxtextapp read FILE              every logical line of FILE (vxlibFile_read, 512 characters)
//   vxtextapp read2 FILE             the same with vxlibFile_read2 (comments after ';')
//   vxtextapp lines FILE             every physical line (vxlibFile_fgets)
//   vxtextapp tokens DELIMITERS TEXT vxlibString_tokenize2
//   vxtextapp run WAIT LINE          vxlibExternal_executeCommandLine
//   vxtextapp openfile PATH          vxlibExternal_openFile
//   vxtextapp url ADDRESS            vxlibWeb_openUrl
//   vxtextapp file PATH              vxlibWeb_openFile
//   vxtextapp help                   vxlibWeb_openApplHelp
//   vxtextapp chm                    vxlibWeb_openApplChmHelp
//   vxtextapp about AUTOCLOSE [TEXT] vxlibIntro_msgBoxNew (TEXT, when given, for slots 2 and 7)
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/mdl.h"
#include "pixmend/export.h"
#include "pixmend/vxlib.h"

namespace {

constexpr const char* kName = "vxtextapp";

std::string takeWord(const char*& text) {
  while (*text == ' ') ++text;
  std::string word;
  while (*text != '\0' && *text != ' ') word += *text++;
  while (*text == ' ') ++text;
  return word;
}

void readWith(const char* fileName, bool withComments) {
  VxlibTextFile* reader = vxlibFile_open(fileName, "r");
  if (reader == nullptr) {
    toolSubsystem_printf("%s: cannot read %s\n", kName, fileName);
    return;
  }
  char line[512];
  char comment[512];
  for (;;) {
    const int n = withComments ? vxlibFile_read2(line, comment, reader, sizeof line)
                               : vxlibFile_read(line, reader, sizeof line);
    if (n <= 0) {
      toolSubsystem_printf("%s: read gave %d\n", kName, n);
      break;
    }
    if (withComments) {
      toolSubsystem_printf("%s: %d [%s] ;[%s]\n", kName, n, line, comment);
    } else {
      toolSubsystem_printf("%s: %d [%s]\n", kName, n, line);
    }
  }
  toolSubsystem_printf("%s: closed with %d\n", kName, vxlibFile_close(reader));
}

void read(char* unparsed) { readWith(unparsed, false); }
void read2(char* unparsed) { readWith(unparsed, true); }

void lines(char* unparsed) {
  VxlibTextFile* reader = vxlibFile_open(unparsed, "r");
  if (reader == nullptr) return;
  while (const char* line = vxlibFile_fgets(nullptr, 0, reader)) toolSubsystem_printf("%s: | %s", kName, line);
  vxlibFile_close(reader);
}

void tokens(char* unparsed) {
  const char* rest = unparsed;
  const std::string delimiters = takeWord(rest);
  int count = -1;
  char** list = vxlibString_tokenize2(&count, rest, delimiters.c_str());
  std::string shown;
  for (int i = 0; i < count; ++i) shown += std::string(i == 0 ? "" : " ") + "[" + list[i] + "]";
  toolSubsystem_printf("%s: %d tokens %s\n", kName, count, shown.c_str());
  vxlibString_freeTokenList(list, count);
}

void run(char* unparsed) {
  const char* rest = unparsed;
  int wait = std::atoi(takeWord(rest).c_str());
  const int result = vxlibExternal_executeCommandLine(rest, &wait);
  toolSubsystem_printf("%s: run gave %d\n", kName, result);
}

void openFile(char* unparsed) { vxlibExternal_openFile(unparsed); }
void url(char* unparsed) { toolSubsystem_printf("%s: url gave %d\n", kName, vxlibWeb_openUrl(unparsed)); }
void file(char* unparsed) { toolSubsystem_printf("%s: file gave %d\n", kName, vxlibWeb_openFile(unparsed)); }
void help(char*) { toolSubsystem_printf("%s: help gave %d\n", kName, vxlibWeb_openApplHelp()); }
void chm(char*) { toolSubsystem_printf("%s: chm gave %d\n", kName, vxlibWeb_openApplChmHelp()); }

void about(char* unparsed) {
  const char* rest = unparsed;
  const int autoClose = std::atoi(takeWord(rest).c_str());
  const char* text = *rest != '\0' ? rest : nullptr;
  vxlibIntro_msgBoxNew("VX Text Tester", "01.02 - 07.12.2024", text, nullptr, nullptr, nullptr, nullptr, text, nullptr,
                       nullptr, nullptr, nullptr, nullptr, nullptr, autoClose);
}

MdlCommandNumber commandNumbers[] = {
    {read, 0x7d030100},     {read2, 0x7d030200}, {lines, 0x7d030300}, {tokens, 0x7d030400},
    {run, 0x7d030500},      {openFile, 0x7d030600}, {url, 0x7d030700}, {file, 0x7d030800},
    {help, 0x7d030900},     {chm, 0x7d030a00},   {about, 0x7d030b00}, {nullptr, 0}};

}  // namespace

extern "C" PIXMEND_API int MdlMain(int argc, char* argv[]) {
  vxlibMain_initVxLib("VXText", argc, argv);
  vxlibIntro_setVersionNumber();
  mdlSystem_registerCommandNumbers(commandNumbers);
  if (mdlParse_loadCommandTable(0) == nullptr) vxlibError_msgBoxPrintf(17, "Error reading command table");
  return 0;
}
