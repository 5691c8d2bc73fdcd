// Dialog hooks of the about box (dialog 20020) and the library dialog (20027):
//   20078 about dialog      window title and the labels from the about texts
//   20073 library dialog    one library dialog open at a time; its title is the application's
//   20001, 20208, 20209     the three logo pictures (RGB image resources, white transparent)
//   20036 title picture     the application's title drawn into its item
//   20067, 20206            the maker's home and support pages in the web browser
//   20207                   opens the library dialog
//   20082                   offers the maker's online installer
#include <algorithm>
#include <cstdio>
#include <string>

#include "vxlib/core/core.hpp"
#include "vxlib/core/intro.hpp"

namespace pixmend::vxlib {
namespace {

constexpr int kMsgStartInstaller = 12;       // list 20003: %s the installer found
constexpr int kInstallerTitle = 37;          // list 20007
constexpr int kQuestionTitle = 40;           // list 20007: %s the application's name
constexpr int kQuestionKind = 8;
constexpr int kImageAttributesCleared = 0x3;  // attribute bits 0 and 1 of an image item
constexpr unsigned kTypeVxim = 0x5658494DU;  // 'VXIM'
constexpr unsigned kTypeMkim = 0x4D4B494DU;  // 'MKIM'
constexpr unsigned kTypeVxi2 = 0x56584932U;  // 'VXI2'

void setLabel(MSDialog* db, int itemId, const char* text, bool balloon) {
  const int index = mdlDialog_itemIndexByTypeAndId(db, RTYPE_LABEL, itemId, 0);
  if (index < 0) return;
  mdlDialog_itemSetLabel(db, index, text);
  if (balloon) mdlDialog_itemSetBalloon(db, index, text);
}

// A file name shortened to the 256 characters a label shows.
std::string shortened(const char* name) {
  char out[kAboutSlotSize];
  if (mdlFile_abbreviateName(out, kAboutSlotSize - 1, name) != SUCCESS) std::snprintf(out, sizeof out, "%s", name);
  return out;
}

// The items exist once the dialog is initialised: that is where the about texts go.
void aboutDialogHook(DialogMessage* m) {
  if (m->messageType != DIALOG_MESSAGE_INIT) return;
  m->msgUnderstood = 1;
  GlobalData* block = vxlibMain_getGlobalDataP();
  if (block == nullptr) return;
  char title[kAboutSlotSize + 16];
  std::snprintf(title, sizeof title, "Vexcraft %s", block->aboutText[0]);
  mdlDialog_setTitle(m->db, title);
  setLabel(m->db, kVersionItem, block->aboutText[1], false);
  for (int slot = 2; slot < kAboutSlots; ++slot) {
    const bool fileName = slot == 7 || slot == 9 || slot == 11 || slot == 13;
    setLabel(m->db, kSlotItems[slot - 2], block->aboutText[slot], fileName);
  }
  setLabel(m->db, kLibraryVersionItem, vxlibMain_getVxlibVersion(), false);
  char loadFile[MAXFILELENGTH * 4] = {};
  mdlResource_getApplLoadFile(loadFile, sizeof loadFile, mdlSystem_getCurrMdlDesc());
  setLabel(m->db, kApplicationFileItem, shortened(loadFile).c_str(), true);
  setLabel(m->db, kLibraryLocationItem, shortened(vxlibMain_getVxlibLocation()).c_str(), true);
}

void libraryDialogHook(DialogMessage* m) {
  if (m->messageType == DIALOG_MESSAGE_CREATE) {
    vxlibMain_updateBeforeDialogOpen(m->dialogId);
    m->msgUnderstood = 1;
  } else if (m->messageType == DIALOG_MESSAGE_INIT) {
    mdlDialog_setTitle(m->db, vxlibMain_getApplicationName());
    m->msgUnderstood = 1;
  }
}

void drawImage(DialogItemMessage* m, unsigned type, int id, int width) {
  if (m->messageType == DITEM_MESSAGE_CREATE) {
    int attributes = 0;
    if (mdlDialog_itemGetAttributes(&attributes, m->db, m->itemIndex) == SUCCESS) {
      mdlDialog_itemSetAttributes(m->db, m->itemIndex, attributes & ~kImageAttributesCleared);
    }
    m->msgUnderstood = 1;
    return;
  }
  if (m->messageType != DITEM_MESSAGE_DRAW) return;
  m->msgUnderstood = 1;
  // Loaded at host start, the application's resources are not drawn from until a design is open.
  if (vxlibMain_currentAppIsInitApp() != 0) return;
  void* picture = mdlResource_load(0, type, id);
  if (picture == nullptr) return;  // no picture: the item stays empty
  const RgbColorDef white{255, 255, 255};
  mdlWindow_transparentRgbDataDraw(m->db, &m->u.draw.rect, width, static_cast<const unsigned char*>(picture), 0, 0,
                                   &white);
  mdlResource_free(picture);
}

void logoHook(DialogItemMessage* m) { drawImage(m, kTypeVxim, 1, 167); }
void makerLogoHook(DialogItemMessage* m) { drawImage(m, kTypeMkim, 2, 158); }
void emblemHook(DialogItemMessage* m) { drawImage(m, kTypeVxi2, 3, 71); }

// The application's title, centred in the item (the host has one font for every number).
void titlePictureHook(DialogItemMessage* m) {
  if (m->messageType != DITEM_MESSAGE_DRAW) return;
  m->msgUnderstood = 1;
  GlobalData* block = vxlibMain_getGlobalDataP();
  if (block == nullptr || block->aboutText[0][0] == '\0') return;
  const char* title = block->aboutText[0];
  constexpr int kTitleFont = 43;
  const BSIRect& r = m->u.draw.rect;
  const int width = mdlWindow_stringWidthGet(m->db, title, kTitleFont);
  const int height = mdlWindow_fontHeightGet(m->db, kTitleFont);
  const int x = r.origin.x + std::max(0, (r.corner.x - r.origin.x - width) / 2);
  const int y = r.origin.y + std::max(0, (r.corner.y - r.origin.y - height) / 2);
  if (width <= 0 || mdlWindow_textDraw(m->db, title, x, y, kTitleColour) != SUCCESS) {
    toolSubsystem_printf("Error creating application name\n");
  }
}

bool pressed(const DialogItemMessage* m) {
  return m->messageType == DITEM_MESSAGE_BUTTON && m->u.button.buttonTrans == BUTTONTRANS_UP;
}

void homePageHook(DialogItemMessage* m) {
  if (!pressed(m)) return;
  m->msgUnderstood = 1;
  vxlibWeb_openUrl(kHomePage);
}

void supportPageHook(DialogItemMessage* m) {
  if (!pressed(m)) return;
  m->msgUnderstood = 1;
  vxlibWeb_openUrl(kSupportPage);
}

void libraryButtonHook(DialogItemMessage* m) {
  if (!pressed(m)) return;
  m->msgUnderstood = 1;
  mdlDialog_open(0, kLibraryDialog);
}

void setQuestionTitle(const std::string& format, const char* argument) {
  if (argument != nullptr && conversionsOf(format.c_str()) == "s") {
    vxlibError_setTitle(kQuestionKind, format.c_str(), argument);
  } else {
    vxlibError_setTitle(kQuestionKind, "%s", format.c_str());
  }
}

void installerHook(DialogItemMessage* m) {
  if (!pressed(m)) return;
  m->msgUnderstood = 1;
  setQuestionTitle(languageText(kInstallerTitle), nullptr);
  char found[MAXFILELENGTH];
  if (mdlFile_find(found, "install_net.ma", "MS_MDL", nullptr) == SUCCESS) {
    if (rscMsgBox(kBoxQuestion, kStatusList, kMsgStartInstaller, found) == ACTIONBUTTON_OK) {
      mdlSystem_loadMdlProgram(found, nullptr, nullptr);
    }
  }
  setQuestionTitle(languageText(kQuestionTitle), vxlibMain_getApplicationName());
}

const DialogHookInfo kHooks[] = {
    {kAboutDialogHook, reinterpret_cast<void*>(&aboutDialogHook)},
    {kLibraryDialogHook, reinterpret_cast<void*>(&libraryDialogHook)},
    {kLogoHook, reinterpret_cast<void*>(&logoHook)},
    {kMakerLogoHook, reinterpret_cast<void*>(&makerLogoHook)},
    {kEmblemHook, reinterpret_cast<void*>(&emblemHook)},
    {kTitlePictureHook, reinterpret_cast<void*>(&titlePictureHook)},
    {kHomePageHook, reinterpret_cast<void*>(&homePageHook)},
    {kSupportPageHook, reinterpret_cast<void*>(&supportPageHook)},
    {kLibraryButtonHook, reinterpret_cast<void*>(&libraryButtonHook)},
    {kInstallerHook, reinterpret_cast<void*>(&installerHook)},
};

}  // namespace

HookTable introHookTable() { return {kHooks, static_cast<int>(sizeof kHooks / sizeof kHooks[0])}; }

}  // namespace pixmend::vxlib
