// What the core families of vxlib share inside the library (never exported): the process-wide
// record that every application's copy of the library finds through the host, the registry of
// applications in it, language texts, the message-box machinery the other families call with a
// va_list, and the dialog hook tables of the families.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/mdl.h"
#include "pixmend/vxlib.h"
#include "vxlib/core/globaldata.hpp"

namespace pixmend::vxlib {

// ---- Numbered messages of the library (lists in the application's resource file)
constexpr int kStatusList = 20003;    // status texts and questions
constexpr int kErrorList = 20005;     // error messages
constexpr int kLanguageList = 20007;  // titles, button labels and other language texts

constexpr int kMsgOutOfMemory = 14;    // list 20005, no arguments
constexpr int kMsgCannotCreate = 1;    // list 20005, %s file name
constexpr int kMsgWriteFailed = 9;     // list 20005, %s file name
constexpr int kMsgReadOnly = 10;       // list 20005, %s file name
constexpr int kMsgCannotOpen = 16;     // list 20005, %s file name
constexpr int kMsgProposeVxDir = 5;    // list 20003, five %s (see startup.cpp)

// Results of the message boxes and lists beyond the host's button actions.
constexpr int kNoMessage = 20000;  // the message could not be loaded (also: "no second button")
constexpr int kListDone = 20001;

// Box kinds as the callers pass them (bit mask, see error.cpp).
constexpr int kBoxOk = 17;              // kind 1, first button 16, no second
constexpr int kBoxOkCancel = 145;       // kind 1, first 16, second 128
constexpr int kBoxQuestion = 152;       // kind 8, first 16, second 128
constexpr int kBoxOutOfMemory = 577;    // kind 1, first 64, second 512

// ---- The process-wide record -------------------------------------------------------------------
// One per process, found through the host's shared pointer kSharedName whichever application's
// copy of the library asks. Allocated zero-filled from the host's heap by the first start-up and
// never freed while the process lives.

constexpr int kRegistrySize = 50;
constexpr std::uint32_t kSharedMagic = 0x56584C42;  // "VXLB"

struct RegistryEntry {
  std::int32_t processNumber;
  MdlDesc* desc;
  GlobalData* block;
};

// The plot-scale record shared by all applications (published as vxlibPlotScale / vxScaleP).
struct PlotScale {
  std::int32_t activeIndex;  // row of the active scale
  double activeScale;        // 1.0 when nothing else is known
  ListModel* list;           // two columns: name, value as "%.6f"
};
static_assert(sizeof(PlotScale) == 24, "the plot-scale record is 24 bytes");

constexpr std::size_t kPrinterSetupSize = 840;
constexpr std::size_t kProjectSize = 1603;
constexpr std::size_t kPageSize = 2115;

struct Shared {
  std::uint32_t magic;  // kSharedMagic: a record of another build is not followed
  std::uint32_t size;   // sizeof(Shared)
  RegistryEntry entries[kRegistrySize];
  std::int32_t count;   // entries in use (a free entry has desc and block null)
  GlobalData* current;  // the block published as tgdP
  void* printerSetup;   // vxlibPrinterSetupData / vxlibpsd
  void* project;        // vxlibProsjektData / vxlibpd
  void* page;           // vxlibSideData / vxlibsd
  PlotScale* plotScale; // vxlibPlotScale / vxScaleP
  void* printSettings;  // the current block's 836-byte print settings: vxlibPrintSettings / vxlibps
};

// The process-wide record, or null when no application has started the library yet (or the one
// found is not ours: reported on the text window).
Shared* shared();
// The same, created zero-filled when missing; null when memory runs out.
Shared* sharedOrCreate();

// Is the entry's application still loaded (the same descriptor under its process number)?
bool entryIsLive(const RegistryEntry& entry);

// The calling application's block without the "not found" diagnostic, or null.
GlobalData* findGlobalData();

// Frees a block and the buffers it owns (a dead application's block, or at release for tests).
void releaseGlobalData(GlobalData* block);

// Test support: frees the process-wide record and everything it owns and forgets it, so that a
// test leaves no memory behind before it resets the host. Never called by the product.
void releaseProcessStateForTesting();

// ---- Language texts ------------------------------------------------------------------------------
// Text `number` of list 20007 of the calling application's resources, unformatted (a text that is
// itself a format is formatted by its caller with the arguments that belong to it); "" when
// missing. The returned buffer is overwritten by the next call.
const char* languageText(int number);

// ---- Formatting ---------------------------------------------------------------------------------
// Formats into `out` (size bytes, always terminated; a longer text is cut). A format holding the
// %n conversion (which writes through an argument) is not formatted: it is copied as it stands.
int formatBounded(char* out, std::size_t size, const char* format, va_list ap);

// The conversion letters of a printf format in order ("ss" for "%s in %s", "" for none; "%%"
// is no conversion); "?" when the format is broken (a conversion without its letter).
std::string conversionsOf(const char* format);

// ---- Messages (error.cpp) -----------------------------------------------------------------------
int msgBoxV(int boxKind, const char* format, va_list ap);
int rscMsgBoxV(int boxKind, int listId, int messageNumber, va_list ap);
// A message of the library with no arguments, or with the arguments given.
int rscMsgBox(int boxKind, int listId, int messageNumber, ...);

// The settings of the box being shown and its lines (read by the dialog hooks).
constexpr int kMaxLines = 25;
constexpr std::size_t kTextSize = 1028;
struct BoxState {
  int kind = 1;
  int firstButton = 16;
  int secondButton = kNoMessage;  // none
  char text[kTextSize] = {};
  const char* lines[kMaxLines] = {};
  int lineCount = 0;
};
BoxState& boxState();
// Splits `text` (copied into the box state) into its lines.
void setBoxText(const char* text);
// Decodes the box-kind bit mask into the box state.
void setBoxKind(int boxKind);

// The window size of a box for `lineWidths` (widest line in pixels) and `lines` lines with a
// font `fontHeight` pixels high.
struct BoxSize {
  int width;
  int height;
};
BoxSize boxWindowSize(int widestLine, int lines, int fontHeight);

// The message list (created on first use) and its destruction when the list dialog closes.
StringList* messageList(bool create);
void destroyMessageList();

// ---- Dialog hook tables of the families ---------------------------------------------------------
// One table per family; the start-up publishes them in the order of kHookTables (main.cpp).
struct HookTable {
  const DialogHookInfo* hooks;
  int count;
};
HookTable errorHookTable();  // the message box and the message list dialogs
HookTable introHookTable();  // the about box and the library dialog
HookTable plotScaleHookTable();  // the plot-scale dialog (services/plotscale)
HookTable fileSelectionHookTable();  // the file selection and search dialogs (services/dialog)
HookTable listSelectionHookTable();  // the single and multiple selections (services/dialog)
HookTable projectHookTable();  // the project dialog (services/project)
HookTable elmAttrHookTable();  // the attribute, properties and level dialogs (services/elmattr)
HookTable printSetupHookTable();  // the print set-up and print dialogs (services/pages)
HookTable previewHookTable();  // the preview and page-information dialogs (services/pages)
// The print set-up record read from the user preference file ('PtSe' 20002, else the older
// 'PrSD' 20001 with the plot driver looked up again), else its defaults (services/pages).
void readPrinterSetup();
// Frees what the block's paged output owns (page list, preview elements, batch table, plot
// descriptor) when the block goes (services/pages).
void releasePagedOutput(GlobalData* block);
// Test support: forgets the list dialog's state (its dialog gone with a host reset).
void forgetListDialogState();

// Dialogs and hooks of the messages family.
constexpr int kListDialogModeless = 20009;
constexpr int kListDialog = 20010;
constexpr int kBoxDialog = 20011;
constexpr int kBoxTextItem = 20004;
constexpr int kListBoxItem = 20000;
constexpr int kListSaveItem = 20001;
constexpr int kListHeadingItem = 20004;
constexpr int kFirstButtonItem = -3;
constexpr int kSecondButtonItem = -4;
constexpr int kListSaveDialogId = -20002;

// ---- Start-up pieces (startup.cpp) ----------------------------------------------------------------
void proposeInstallDirectory(int argc, char* argv[]);
// The directory three levels above the directory of `applicationPath`, ending in '/'; "" when
// the path has too few levels for that.
std::string proposedDirectory(const char* applicationPath);
void loadDefaultStyles();
// One line style of an attribute definition. A custom (named) style is kept as a negative number
// with its name: -n for the design's number n of a named style (this host numbers them from 8),
// -1 while the design does not know the name; the standard styles 0 to 7 are themselves.
std::int32_t customLineStyleNumber(long designNumber);
// A negative number is resolved in the active design: an empty name is filled from the number; a
// name gives the number when the design knows it.
void resolveLineStyle(std::int32_t* number, char* name, std::size_t nameSize);
// Every attribute definition of the block resolved so (services/elmattr).
void resolveAttributeLineStyles(GlobalData* block);
// Frees the block's attribute definitions and groups (services/elmattr), when the block goes.
void releaseAttributeDefinitions(GlobalData* block);
void notifyScaleFunctions(double first, double second, int includeSelf);

// ---- Plot scales at start-up (plotscale.cpp) --------------------------------------------------------
constexpr int kPlotScaleListId = 20001;
// Fills the plot-scale record with the default list of 15 scales.
void buildDefaultPlotScales(PlotScale* record);
// The plot-scale record shared by the applications, or null before the library started.
PlotScale* plotScaleRecord();
// Inserts before row `index` (-1: at the end) a scale made from its name: the value is the number
// after the name's first two characters ("1:250" gives 250.000000); both cells edit as text.
ListRow* insertScaleRow(ListModel* list, int index, const char* name);
// The active scale as the active row gives it: its value when that is a number above 0, else 1.0.
void rereadActiveScale(PlotScale* record);
// Scales closer than this are the same scale.
constexpr double kScaleEpsilon = 1e-6;
constexpr int kPlotScaleDialog = 20026;
constexpr int kPlotScaleListBox = 20010;

}  // namespace pixmend::vxlib

