// The global data block: one per application that starts the library, holding that
// application's state of every library family. Found with vxlibMain_getGlobalDataP (the
// registry entry of the calling application) and published to dialogs as `tgdP`.
//
// The block is allocated zero-filled through vxlibMem_mallocRscErrorPrintf, so it must stay a
// plain record: only scalars, fixed arrays and raw pointers (no constructors, no std:: members).
// Fields are grouped by the family that owns them; the core fields come first in the order the
// library's start-up sets them.
#pragma once

#include <cstdint>
#include <type_traits>

#include "pixmend/vxlib.h"

struct PlotDescr;  // the host's plot descriptor (host/plot/api.h)

namespace pixmend::vxlib {

constexpr int kAboutSlots = 14;
constexpr int kAboutSlotSize = 257;   // 256 characters and a terminating zero
constexpr int kTitleSize = 513;       // 512 characters and a terminating zero
constexpr int kDeferredFunctions = 10;
constexpr int kLevelNameVariables = 10;

// Message-box title slots for the kinds 1, 2, 4 and 8.
constexpr int titleSlot(int kind) { return kind == 1 ? 0 : kind == 2 ? 1 : kind == 4 ? 2 : kind == 8 ? 3 : -1; }

// The attribute-definition list's head record: its next pointer starts the list. The
// definitions themselves belong to the element-attribute family.
struct AttributeListHead {
  void* next;
};

}  // namespace pixmend::vxlib

struct VxlibGlobalData {
  using AttributeListHead = pixmend::vxlib::AttributeListHead;
  // ---- preference file (preference-file family)
  std::uint8_t preferenceFileOpen;      // 1 while the user preference file is open
  std::uint8_t preferenceFileReadOnly;  // 1 when it could only be opened for reading

  // ---- start-up
  char applicationName[256];
  double scaleFactor;          // 1.0 at creation
  std::int32_t elementOption;  // -1 at creation
  std::int32_t firstPrintOption;   // -1
  std::int32_t creationFlag;       // 1
  std::int32_t initApplication;    // non-zero while loaded at host start and no design file opened since
  std::int32_t secondPrintOption;  // -1
  std::int32_t deferredCount;      // 0 to kDeferredFunctions
  std::int32_t printChanged;       // 1
  VxlibRscFile resourceFile;       // the application's own resource file
  void* buffer92;
  void* buffer1480;
  AttributeListHead attributeList;
  void* buffer8;
  void* buffer200;
  VxlibRscFile preferenceFile;     // the open user preference file
  char* buffer836;                 // bytes 831..832 hold "," at creation
  VxlibFunction deferred[pixmend::vxlib::kDeferredFunctions];
  VxlibScaleFunction scaleFunction;
  void* buffer256;

  // ---- messages: titles of the message-box kinds 1, 2, 4 and 8
  char titles[4][pixmend::vxlib::kTitleSize];

  // ---- about box
  char aboutText[pixmend::vxlib::kAboutSlots][pixmend::vxlib::kAboutSlotSize];
  std::int32_t aboutAutoClose;

  // ---- selection dialogs (dialog family; the texts are owned copies from the host's heap)
  char* selectionTitle;
  char* selectionLabel;
  StringList* selectionResult;   // the chosen files or rows; the caller's after a confirmed dialog
  StringList* selectionList;     // the list to choose from
  std::int32_t selectedCount;    // rows selected in the multiple selection
  std::int32_t* selectedRows;    // a copy of their indices (host heap)
  std::int32_t selectedRow;      // the single selection's row
  std::int32_t selectionColumns; // the single selection's columns shown (0: one)
  std::int32_t selectionWidth;   // the single selection's width in characters (0: the dialog's)
  std::int32_t plotScaleEditColumn;  // the plot-scale list's cell being edited, -1 none
  void* insertedMenu;            // the pull-down menu inserted by vxlibDialog_insertPdm

  // ---- form data (material-list family)
  double pageScale;              // the scale at which the last page cell fits the printable area
  std::int32_t exportToExcel;    // non-zero: pages go to the spreadsheet instead of being built
  // ---- paged output (services/pages): the page being built; its page record is looked up by it
  char currentPageName[81];
  char** pageList;                   // the running preview's page names, null-terminated (host heap)
  std::int32_t pageCount;            // names in pageList
  std::int32_t previewPage;          // the page drawn in the preview; -1 while the preview is closed
  MSElementDescr* previewElements;   // the previewed page's elements, owned here
  std::int32_t pageInfoDialogPage;   // the page shown in the page-information dialog
  std::int32_t pageInfoSaved;        // 0 after the user changed page information, 1 once saved or answered
  std::int32_t batchPlotMode;        // 1 while pages are placed for plotting
  void* batchPageTable;              // batchPageCount entries of 320 bytes (host heap)
  std::int32_t batchPageCount;
  PlotDescr* plotDescriptor;         // the host plot descriptor of output type 6
  std::int32_t printerChoice;        // string index of the printer chosen in the set-up dialog
  std::int32_t previewSize[2];       // the preview window's width and height ('FoDa' 20001)
  VxlibPageFunction pageFunction;
  VxlibPageListFunction pageListFunction;
  VxlibUserPrintFunction userPrintFunction;
  // ---- element attribute definitions (services/elmattr): the list starts at attributeList, the
  //      dialog's edit copy is the 1480-byte image in buffer1480, the properties dialog's record
  //      (label, kind, locked mask) is buffer92
  void* attributeGroups;             // the group table (host heap), attributeGroupCount entries
  std::int32_t attributeGroupCount;
  std::int32_t attributeCount;       // definitions in the list
  std::int32_t attributeNextId;      // the next free identifier, above every identifier seen
  std::int32_t attributeSelectedId;  // the definition selected in the dialog, 0 none
  std::int32_t attributeGroupShown;  // the group the dialog shows (its key)
  std::uint16_t* levelNameVariables[pixmend::vxlib::kLevelNameVariables];  // indices 1 to 10 at 0 to 9
  std::uint16_t* levelNameChosen;    // the level name the level chooser edits
  ListModel* attributeRows;          // the attribute dialog's list (seven columns), while it is open
};

namespace pixmend::vxlib {

using GlobalData = ::VxlibGlobalData;

static_assert(std::is_trivially_default_constructible_v<GlobalData> && std::is_standard_layout_v<GlobalData>,
              "the global data block is allocated zero-filled and must stay a plain record");

}  // namespace pixmend::vxlib
