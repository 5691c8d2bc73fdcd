// The hooks of the print set-up dialog (20006) and the print dialog (20007), one table of 11:
//   20020 set-up dialog          creation reads the stored record; initialisation shows the items
//                                the record calls for
//   20021 print-to-file-only     toggle 20006 without it, the output file field 20013 with it
//   20022 paper                  a paper of the table fills and locks width and height
//   20019 output type            the custom paper only without a host plot driver; paper 0 becomes
//                                9; group 20002 for the host plot driver, 20001 for a plot file
//   20018 plot driver file       chosen with the remembering file dialog
//   20091 system print dialog    the host's dialog for the driver; its printer and paper are kept
//   20023 print dialog           the output file, or for the host plot driver the plotter's name
//   20075 print range            the from and to pages only for a range
//   20076 from page, 20077 to page   the page names; the last page never before the first
//   20101 printer combo box      the printers of other machines; the choice's network path
#include <cstdio>
#include <cstring>
#include <string>

#include <strings.h>

#include "vxlib/services/pages/setup.hpp"

namespace pixmend::vxlib::pages {
namespace {

enum HookId {
  kSetupDialogHook = 20020,
  kFileOnlyHook = 20021,
  kPaperHook = 20022,
  kOutputTypeHook = 20019,
  kPlotDriverHook = 20018,
  kSystemPrintHook = 20091,
  kPrintDialogHook = 20023,
  kRangeHook = 20075,
  kFromHook = 20076,
  kToHook = 20077,
  kPrinterHook = 20101,
};

// Items of the set-up dialog.
constexpr int kPlotFileGroup = 20001, kPlotDriverGroup = 20002;
constexpr int kPaperItem = 20003, kWidthItem = 20004, kHeightItem = 20005;
constexpr int kDeleteItem = 20006, kOutputFileItem = 20013;
constexpr int kPrinterItem = 20015, kFileOnlyItem = 20016;
constexpr int kPlotDriverItem = 20017, kPlotDriverButton = 20018, kSystemPrintButton = 20019;
// Items of the print dialog (the output file is 20013 there too).
constexpr int kPlotterItem = 20014, kFromItem = 20016, kToItem = 20017;
constexpr int kOkButton = 1;

constexpr int kTextDriverTitle = 51, kTextSystemPrinter = 52, kTextPlotter = 53, kTextPlot = 56;
constexpr int kPlotDriverSlot = -20006;
constexpr int kLastPaper = 12;

struct ItemRef {
  unsigned int type;
  int id;
};
constexpr ItemRef kPlotFileItems[] = {{RTYPE_GROUPBOX, kPlotFileGroup},
                                      {RTYPE_COMBOBOX, kPrinterItem},
                                      {RTYPE_TEXT, kOutputFileItem},
                                      {RTYPE_TOGGLE, kFileOnlyItem},
                                      {RTYPE_TOGGLE, kDeleteItem}};
constexpr ItemRef kPlotDriverItems[] = {{RTYPE_GROUPBOX, kPlotDriverGroup},
                                        {RTYPE_TEXT, kPlotDriverItem},
                                        {RTYPE_PUSHBTN, kPlotDriverButton},
                                        {RTYPE_PUSHBTN, kSystemPrintButton}};

// The printers offered by the combo box while the set-up dialog is open.
StringList* printers = nullptr;

int indexOf(MSDialog* db, unsigned int type, int id) {
  return mdlDialog_itemIndexByTypeAndId(db, type, id, 0);
}

void enable(MSDialog* db, unsigned int type, int id, bool on) {
  const int i = indexOf(db, type, id);
  if (i >= 0) mdlDialog_itemSetEnabledState(db, i, on ? 1 : 0);
}

void show(MSDialog* db, unsigned int type, int id, bool on) {
  const int i = indexOf(db, type, id);
  if (i >= 0) mdlDialog_itemShow(db, i, on ? 1 : 0);
}

void synch(MSDialog* db, unsigned int type, int id) {
  const int i = indexOf(db, type, id);
  if (i >= 0) mdlDialog_itemSynch(db, i);
}

int setupInt(std::size_t offset) {
  return recordInt(setupRecord(), offset);
}

// "A4 210 x 297" or "A4 turned 297 x 210" from the paper table; "Custom" for 0.
std::string paperLabel(int code) {
  if (code == 0) return "Custom";
  double lowerLeft[2] = {0, 0}, upperRight[2] = {0, 0};
  vxlibPrint_getPageSize(lowerLeft, upperRight, code);
  char label[64];
  std::snprintf(label, sizeof label, "A%d%s %.0f x %.0f", (code - 1) / 2, code % 2 == 0 ? " turned" : "",
                upperRight[0] - lowerLeft[0], upperRight[1] - lowerLeft[1]);
  return label;
}

// The paper entries: the custom size only where a size can be typed, i.e. not for a host plot
// driver, whose papers are the named ones.
void fillPapers(MSDialog* db) {
  const int i = indexOf(db, RTYPE_OPTIONBTN, kPaperItem);
  if (i < 0) return;
  mdlDialog_optionButtonClear(db, i);
  const bool customAllowed = setupInt(kSetupOutputType) != kOutputPlotDriver;
  mdlDialog_optionButtonInsert(db, i, paperLabel(0).c_str(), 0, customAllowed ? 1 : 0);
  for (int code = 1; code <= kLastPaper; ++code)
    mdlDialog_optionButtonInsert(db, i, paperLabel(code).c_str(), code, 1);
  mdlDialog_itemSynch(db, i);
}

void paperSizeItems(MSDialog* db) {
  const bool custom = setupInt(kSetupPaper) == 0;
  if (!custom) fillPaperSize(setupRecord());
  for (const int id : {kWidthItem, kHeightItem}) {
    synch(db, RTYPE_TEXT, id);
    enable(db, RTYPE_TEXT, id, custom);
  }
}

void outputGroups(MSDialog* db) {
  const int type = setupInt(kSetupOutputType);
  for (const ItemRef& r : kPlotFileItems)
    show(db, r.type, r.id, type != kOutputPlotDriver && type != kOutputTextFile);
  for (const ItemRef& r : kPlotDriverItems) show(db, r.type, r.id, type == kOutputPlotDriver);
}

void fileOnlyItems(MSDialog* db) {
  const bool fileOnly = setupInt(kSetupFileOnly) != 0;
  enable(db, RTYPE_TOGGLE, kDeleteItem, !fileOnly);
  enable(db, RTYPE_TEXT, kOutputFileItem, fileOnly);
}

void setupDialogHook(DialogMessage* m) {
  m->msgUnderstood = 1;
  switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE:
      beginSetupDialog();
      break;
    case DIALOG_MESSAGE_INIT:
      fillPapers(m->db);
      paperSizeItems(m->db);
      outputGroups(m->db);
      fileOnlyItems(m->db);
      break;
    default:
      m->msgUnderstood = 0;
  }
}

bool changed(const DialogItemMessage* m) {
  return m->messageType == DITEM_MESSAGE_STATECHANGED && m->u.stateChanged.hasChanged != 0;
}

bool released(const DialogItemMessage* m) {
  return m->messageType == DITEM_MESSAGE_BUTTON && m->u.button.buttonTrans == BUTTONTRANS_UP;
}

// Items shown, hidden, enabled or disabled by a hook are drawn anew with the whole dialog.
void fileOnlyHook(DialogItemMessage* m) {
  if (!changed(m)) return;
  fileOnlyItems(m->db);
  mdlWindow_redraw(m->db);
}

void paperHook(DialogItemMessage* m) {
  if (!changed(m)) return;
  paperSizeItems(m->db);
  mdlWindow_redraw(m->db);
}

void outputTypeHook(DialogItemMessage* m) {
  if (!changed(m)) return;
  if (setupInt(kSetupPaper) == 0) setRecordInt(setupRecord(), kSetupPaper, kDefaultPaper);
  fillPapers(m->db);
  paperSizeItems(m->db);
  outputGroups(m->db);
  mdlWindow_redraw(m->db);
}

// The directory the plot drivers are kept in (the first of MS_PLTR), "" when it names none.
std::string plotDriverDirectory() {
  const char* value = mdlSystem_getenv("MS_PLTR");
  std::string directory = value != nullptr ? value : "";
  return directory.substr(0, directory.find_first_of(";"));
}

void plotDriverHook(DialogItemMessage* m) {
  if (!released(m)) return;
  char name[MAXFILELENGTH] = {};
  const std::string current = printerSetup().plotDriver;
  if (vxlibUpf_defFileOpen(name, current.c_str(), "*.plt", plotDriverDirectory().c_str(),
                           languageText(kTextDriverTitle), kPlotDriverSlot) != 0)
    return;
  setRecordText(setupRecord(), kSetupPlotDriver, kSetupPlotDriverSize, name);
  synch(m->db, RTYPE_TEXT, kPlotDriverItem);
}

// The paper code of a paper name of the host's plot drivers (A0 to A5), 0 for any other.
int paperCodeOf(const char* name) {
  for (int code = 1; code <= kLastPaper; code += 2) {
    if (strcasecmp(name, plotPaperName(code)) == 0) return code;
  }
  return 0;
}

void systemPrintHook(DialogItemMessage* m) {
  if (!released(m)) return;
  const PrinterSetup s = printerSetup();
  PlotDescr* d = nullptr;
  if (createPlotDescriptor(&d, s) != 0) {
    toolSubsystem_printf("Print set-up: the plot driver file \"%s\" cannot be used.\n", s.plotDriver.c_str());
    return;
  }
  if (mdlPlot_printDialog(d) == ACTIONBUTTON_OK) {
    char printer[kSetupPrinterSize] = {}, paper[64] = {};
    mdlPlot_getPrinterName(printer, sizeof printer, d);
    mdlPlot_getPaperName(paper, sizeof paper, d);
    char* r = setupRecord();
    // A driver that writes a file names no printer: the set-up's printer stays.
    if (printer[0] != '\0') setRecordText(r, kSetupPrinter, kSetupPrinterSize, printer);
    // A paper of the driver's own has no code: the paper code stays as it was.
    if (const int code = paperCodeOf(paper)) setRecordInt(r, kSetupPaper, code);
    mdlDialog_itemsSynch(m->db);
    paperSizeItems(m->db);
    mdlWindow_redraw(m->db);
  }
  mdlPlot_freeDescr(&d);
}

// ---- The printer combo box ----

void printerHook(DialogItemMessage* m) {
  const int self = m->itemIndex;
  switch (m->messageType) {
    case DITEM_MESSAGE_CREATE: {
      if (printers != nullptr) mdlStringList_destroy(printers);
      printers = vxlibWin32_findWindowsPrinterNames();
      const long count = printers != nullptr ? mdlStringList_size(printers) : 0;
      for (long i = 0; i < count; ++i) {
        char* name = nullptr;
        mdlStringList_getMember(&name, nullptr, printers, 2 * i);
        mdlDialog_optionButtonInsert(m->db, self, name != nullptr ? name : "", i, 1);
      }
      const std::string current = printerSetup().printer;
      const int chosen = choosePrinter(printers, current.c_str());
      GlobalData* g = findGlobalData();
      if (g != nullptr) g->printerChoice = chosen;
      if (chosen >= 0) {
        char *name = nullptr, *path = nullptr;
        mdlStringList_getMember(&name, nullptr, printers, 2 * chosen);
        mdlStringList_getMember(&path, nullptr, printers, 2 * chosen + 1);
        setRecordText(setupRecord(), kSetupPrinter, kSetupPrinterSize, path);
        mdlDialog_itemSetValue(m->db, self, name);
      } else {
        // Not a printer of the list (a command line, a port): shown as it is.
        mdlDialog_itemSetValue(m->db, self, current.c_str());
      }
      m->msgUnderstood = 1;
      break;
    }
    case DITEM_MESSAGE_STATECHANGED: {
      char text[kSetupPrinterSize] = {};
      mdlDialog_itemGetValue(text, sizeof text, m->db, self);
      const long count = printers != nullptr ? mdlStringList_size(printers) : 0;
      std::string path = text;  // typed: taken as it is
      int chosen = -1;
      for (long i = 0; i < count && chosen < 0; ++i) {
        char *name = nullptr, *network = nullptr;
        mdlStringList_getMember(&name, nullptr, printers, 2 * i);
        mdlStringList_getMember(&network, nullptr, printers, 2 * i + 1);
        if (name != nullptr && network != nullptr && std::strcmp(name, text) == 0) {
          chosen = static_cast<int>(i);
          path = network;
        }
      }
      if (GlobalData* g = findGlobalData()) g->printerChoice = chosen;
      setRecordText(setupRecord(), kSetupPrinter, kSetupPrinterSize, path.c_str());
      m->msgUnderstood = 1;
      break;
    }
    case DITEM_MESSAGE_DESTROY:
      if (printers != nullptr) mdlStringList_destroy(printers);
      printers = nullptr;
      m->msgUnderstood = 1;
      break;
    default:
      m->msgUnderstood = 0;
  }
}

// ---- The print dialog ----

// The name the host plot driver prints to: the system printer's, the driver's own file, or
// "<system printer>" (language text 52) when it names neither.
std::string plotterName() {
  GlobalData* g = findGlobalData();
  char name[kSetupPrinterSize] = {};
  if (g != nullptr && g->plotDescriptor != nullptr) {
    if (mdlPlot_isSystemPrinter(g->plotDescriptor) != 0) {
      mdlPlot_getPrinterName(name, sizeof name, g->plotDescriptor);
    } else {
      mdlPlot_getFileName(name, sizeof name, g->plotDescriptor);
    }
  }
  if (name[0] != '\0') return name;
  return std::string("<") + languageText(kTextSystemPrinter) + ">";
}

void printDialogHook(DialogMessage* m) {
  m->msgUnderstood = 1;
  if (m->messageType != DIALOG_MESSAGE_INIT) {
    m->msgUnderstood = 0;
    return;
  }
  const bool plotter = setupInt(kSetupOutputType) == kOutputPlotDriver;
  show(m->db, RTYPE_TEXT, kOutputFileItem, !plotter);
  show(m->db, RTYPE_TEXT, kPlotterItem, plotter);
  if (!plotter) return;
  const int plotterIndex = indexOf(m->db, RTYPE_TEXT, kPlotterItem);
  if (plotterIndex >= 0) {
    mdlDialog_itemSetLabel(m->db, plotterIndex, languageText(kTextPlotter));
    mdlDialog_itemSetValue(m->db, plotterIndex, plotterName().c_str());
    mdlDialog_itemSetEnabledState(m->db, plotterIndex, 0);
  }
  const int ok = indexOf(m->db, RTYPE_PUSHBTN, kOkButton);
  if (ok >= 0) mdlDialog_itemSetLabel(m->db, ok, languageText(kTextPlot));
}

int settingsInt(std::size_t offset) {
  return recordInt(printSettings(), offset);
}

void rangeItems(MSDialog* db) {
  const bool fromTo = settingsInt(kSettingsRange) == kRangeFromTo;
  enable(db, RTYPE_OPTIONBTN, kFromItem, fromTo);
  enable(db, RTYPE_OPTIONBTN, kToItem, fromTo);
}

// The page names as entries of an option button, those before `firstEnabled` disabled.
void fillPages(MSDialog* db, int itemIndex, int firstEnabled) {
  mdlDialog_optionButtonClear(db, itemIndex);
  GlobalData* g = findGlobalData();
  const int count = g != nullptr ? g->pageCount : 0;
  for (int i = 0; i < count; ++i)
    mdlDialog_optionButtonInsert(db, itemIndex, pageName(i), i, i >= firstEnabled ? 1 : 0);
  mdlDialog_itemSynch(db, itemIndex);
}

int lastPageIndex() {
  GlobalData* g = findGlobalData();
  return g != nullptr && g->pageCount > 0 ? g->pageCount - 1 : 0;
}

void rangeHook(DialogItemMessage* m) {
  if (!changed(m)) return;
  rangeItems(m->db);
  mdlWindow_redraw(m->db);
}

void fromHook(DialogItemMessage* m) {
  char* settings = printSettings();
  if (settings == nullptr) return;
  if (m->messageType == DITEM_MESSAGE_INIT) {
    GlobalData* g = findGlobalData();
    const int preview = g != nullptr ? g->previewPage : 0;
    setRecordInt(settings, kSettingsFirst,
                 preview < 0                 ? 0
                 : preview > lastPageIndex() ? lastPageIndex()
                                             : preview);
    fillPages(m->db, m->itemIndex, 0);
    m->msgUnderstood = 1;
  } else if (changed(m)) {
    const int first = settingsInt(kSettingsFirst);
    if (settingsInt(kSettingsLast) < first) setRecordInt(settings, kSettingsLast, first);
    const int to = indexOf(m->db, RTYPE_OPTIONBTN, kToItem);
    if (to >= 0) fillPages(m->db, to, first);
    mdlWindow_redraw(m->db);
    m->msgUnderstood = 1;
  }
}

void toHook(DialogItemMessage* m) {
  char* settings = printSettings();
  if (settings == nullptr || m->messageType != DITEM_MESSAGE_INIT) return;
  if (settingsInt(kSettingsLast) == 0) setRecordInt(settings, kSettingsLast, lastPageIndex());
  const int first = settingsInt(kSettingsFirst);
  if (settingsInt(kSettingsLast) < first) setRecordInt(settings, kSettingsLast, first);
  fillPages(m->db, m->itemIndex, first);
  rangeItems(m->db);
  m->msgUnderstood = 1;
}

template <typename F>
void* hook(F* f) {
  return reinterpret_cast<void*>(f);
}

const DialogHookInfo kHooks[] = {
    {kSetupDialogHook, hook(&setupDialogHook)},
    {kFileOnlyHook, hook(&fileOnlyHook)},
    {kPaperHook, hook(&paperHook)},
    {kOutputTypeHook, hook(&outputTypeHook)},
    {kPlotDriverHook, hook(&plotDriverHook)},
    {kSystemPrintHook, hook(&systemPrintHook)},
    {kPrintDialogHook, hook(&printDialogHook)},
    {kRangeHook, hook(&rangeHook)},
    {kFromHook, hook(&fromHook)},
    {kToHook, hook(&toHook)},
    {kPrinterHook, hook(&printerHook)},
};

}  // namespace
}  // namespace pixmend::vxlib::pages

namespace pixmend::vxlib {
HookTable printSetupHookTable() {
  return {pages::kHooks, static_cast<int>(sizeof pages::kHooks / sizeof pages::kHooks[0])};
}
}  // namespace pixmend::vxlib
