// vxattrapp: an application of the maker that keeps element attribute definitions with vxlib,
// lets the user adjust them in the library's dialog and draws lines with them, printing what it
// gets back on the host's text window.
//
// Key-ins:
//   vxattr setup            two groups ("Pipes"; "Labels" with a menu bar) and four definitions
//   vxattr dialog           vxlibElmAttr_dialogOpen
//   vxattr line ID          a line from (0,0) to (100,0) with definition ID, added to the design
//   vxattr show ID          the definition's settings
//   vxattr list save|read FILE   the complete list to or from a resource file
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/mdl.h"
#include "pixmend/export.h"
#include "pixmend/vxlib.h"

namespace {

constexpr int kPipes = 1, kLabels = 2;

void setWide(unsigned short* out, const char* text) {
  for (; *text != '\0'; ++text) *out++ = static_cast<unsigned char>(*text);
  *out = 0;
}

void changed(VxlibElmAttrChange* change) {
  toolSubsystem_printf("vxattr: %d %s reason %d\n", change->attributeId, change->label, change->reason);
}

void labelsEdited(void) { toolSubsystem_printf("vxattr: labels edited\n"); }

void setup(char*) {
  vxlibElmAttr_setGroupeNamesExtended(2, "Pipes", kPipes, 0, nullptr, "Labels", kLabels, VXLIB_ELMATTR_GROUP_MENUBAR,
                                      labelsEdited);
  VxlibElmAttrSettings pipe{};
  pipe.mask = VXLIB_ELMATTR_COLOR | VXLIB_ELMATTR_WEIGHT | VXLIB_ELMATTR_LEVEL | VXLIB_ELMATTR_STYLE;
  pipe.color = 3;
  pipe.weight = 2;
  pipe.lineStyle = 0x7FFFFFFF;
  setWide(pipe.levelName, "Pipes");
  vxlibElmAttr_addAttribute(1, "Main pipe", kPipes, 1, 0, changed, 0, &pipe);
  pipe.color = -1;
  pipe.weight = 1;
  pipe.lineStyle = 2;
  pipe.mask |= VXLIB_ELMATTR_CLASS;
  pipe.elementClass = 1;
  vxlibElmAttr_addAttribute(2, "Branch", kPipes, 1, VXLIB_ELMATTR_WEIGHT, changed, 0, &pipe);
  VxlibElmAttrSettings valve{};
  valve.mask = VXLIB_ELMATTR_COLOR;
  valve.color = 4;
  valve.choice.icon.value = 12;
  valve.choice.icon.size = 2.5;
  vxlibElmAttr_addAttribute(3, "Valve", kPipes, 3, 0, changed, 0, &valve, 2, 601, 11, 602, 12);
  VxlibElmAttrSettings label{};
  label.mask = VXLIB_ELMATTR_FONT | VXLIB_ELMATTR_SIZE | VXLIB_ELMATTR_JUSTIFICATION;
  label.font = 3;
  label.textHeight = 2.5;
  label.textWidth = 2.0;
  label.lineSpacing = 1.5;
  label.justification = 7;
  vxlibElmAttr_addAttribute(10, "Pipe label", kLabels, 4, 0, changed, 0, &label);
  toolSubsystem_printf("vxattr: set up\n");
}

void dialog(char*) { toolSubsystem_printf("vxattr: dialog %d\n", vxlibElmAttr_dialogOpen()); }

void line(char* unparsed) {
  const int id = std::atoi(unparsed);
  const DPoint3d points[2] = {{0, 0, 0}, {100, 0, 0}};
  if (vxlibElement_createLine(points, id, nullptr) != 0) {
    toolSubsystem_printf("vxattr: no line\n");
    return;
  }
  const unsigned int position = mdlElement_add(dgnBuf);
  unsigned int color = 0, weight = 0, level = 0;
  int style = 0, elementClass = 0;
  mdlElement_getSymbology(&color, &weight, &style, dgnBuf);
  mdlElement_getProperties(&level, nullptr, &elementClass, dgnBuf);
  unsigned short name[64] = {};
  mdlLevel_getName(name, 64, mdlModelRef_getActive(), level);
  toolSubsystem_printf("vxattr: line %u colour %d weight %d style %d level %s class %d\n", position,
                       static_cast<int>(color), static_cast<int>(weight), style, vxlibUtil_convertToMultibyteText(name),
                       elementClass);
}

void show(char* unparsed) {
  const int id = std::atoi(unparsed);
  VxlibElmAttrSettings s{};
  char label[80] = {};
  if (vxlibElmAttr_extractData(id, &s) != 0 || vxlibElmAttr_getLabelFromId(id, label) != 0) {
    toolSubsystem_printf("vxattr: no definition %d\n", id);
    return;
  }
  toolSubsystem_printf("vxattr: %d %s mask 0x%x colour %d style %d weight %d level %s font %d height %.3f\n", id, label,
                       static_cast<unsigned>(s.mask), s.color, s.lineStyle, s.weight,
                       vxlibUtil_convertToMultibyteText(s.levelName), s.font, s.textHeight);
}

void list(char* unparsed) {
  char word[8] = {}, file[256] = {};
  if (std::sscanf(unparsed, "%7s %255s", word, file) != 2) return;
  const int status = std::strcmp(word, "save") == 0 ? vxlibElmAttr_writeResourceExtended(file)
                                                    : vxlibElmAttr_readResourceExtended(file);
  toolSubsystem_printf("vxattr: list %s %d\n", word, status);
}

MdlCommandNumber commandNumbers[] = {{setup, 0x7d050100}, {dialog, 0x7d050200}, {line, 0x7d050300},
                                     {show, 0x7d050400},  {list, 0x7d050500},   {nullptr, 0}};

}  // namespace

extern "C" PIXMEND_API int MdlMain(int argc, char* argv[]) {
  vxlibMain_initVxLib("VxAttr", argc, argv);
  mdlSystem_registerCommandNumbers(commandNumbers);
  mdlParse_loadCommandTable(0);
  return 0;
}
