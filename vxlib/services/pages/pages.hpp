// What the paged-output family shares inside the library: the dialogs, the two records it works
// on (the process-wide print set-up `vxlibpsd` and the application's print settings `vxlibps`)
// with every field's offset named, and the pieces its files call of each other:
//
//   setup.cpp, setuphooks.cpp     the print set-up record, its preference resource, the set-up
//                                 and print dialogs (printSetupHookTable)
//   preview.cpp, previewdraw.cpp, previewhooks.cpp, printpages.cpp, pageinfo.cpp
//                                 the page list and page function, the preview dialog and its
//                                 drawing, printing pages, the page-information dialog
//                                 (previewHookTable)
//   place.cpp, batchplot.cpp, spreadsheet.cpp
//                                 placing pages in the design, plotting them through a host plot
//                                 driver, writing them into a spreadsheet
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "host/mdl.h"
#include "pixmend/vxlib.h"
#include "vxlib/core/core.hpp"

namespace pixmend::vxlib::pages {

// ---- Dialogs ------------------------------------------------------------------------------------
constexpr int kPreviewDialog = 20005;
constexpr int kSetupDialog = 20006;
constexpr int kPrintDialog = 20007;
constexpr int kPlaceDialog = 20012;
constexpr int kSpreadsheetDialog = 20023;
constexpr int kPageInfoDialog = 20024;

// ---- The print set-up record (vxlibpsd), 840 bytes ------------------------------------------------
constexpr std::size_t kSetupPaper = 0;          // int32: paper code, 0 a custom size
// int32 at the otherwise unused bytes 4-7: delete the output file once it has been sent to the
// printer (toggle 20006 of the set-up dialog); 0 in records written before it existed.
constexpr std::size_t kSetupDeleteAfterPrint = 4;
constexpr std::size_t kSetupWidth = 8;          // double: paper width, master units
constexpr std::size_t kSetupHeight = 16;        // double
constexpr std::size_t kSetupLeft = 24;          // double: margins
constexpr std::size_t kSetupRight = 32;
constexpr std::size_t kSetupTop = 40;
constexpr std::size_t kSetupBottom = 48;
constexpr std::size_t kSetupOrientation = 56;   // int32: kTurned, kAsPaper, kAutomatic
constexpr std::size_t kSetupOutputType = 60;    // int32: vxlibPrint_fopen's types, kOutputPlotDriver
constexpr std::size_t kSetupCopies = 64;        // int32
constexpr std::size_t kSetupPrinter = 68;       // 255 characters
constexpr std::size_t kSetupPrinterSize = 255;
constexpr std::size_t kSetupOutputFile = 323;   // 257 characters
constexpr std::size_t kSetupOutputFileSize = 257;
constexpr std::size_t kSetupFileOnly = 580;     // int32: print to file only
constexpr std::size_t kSetupPlotDriver = 584;   // 256 characters: the host plot driver file
constexpr std::size_t kSetupPlotDriverSize = 256;
constexpr std::size_t kSetupSize = kPrinterSetupSize;
constexpr std::size_t kOldSetupSize = 584;      // 'PrSD' 20001: the record without the plot driver
static_assert(kSetupPlotDriver + kSetupPlotDriverSize == kSetupSize, "the set-up record ends with the plot driver");

constexpr int kTurned = 0;
constexpr int kAsPaper = 1;
constexpr int kAutomatic = 2;
constexpr int kOutputTextFile = 4;
constexpr int kOutputPlotDriver = 6;
constexpr int kDefaultPaper = 9;

// The set-up record's fields as values.
struct PrinterSetup {
  int paper = kDefaultPaper;
  double width = 0.0, height = 0.0;
  double left = 20.0, right = 10.0, top = 10.0, bottom = 10.0;
  int orientation = kAutomatic;
  int outputType = 0;
  int copies = 1;
  std::string printer;
  std::string outputFile;
  bool fileOnly = false;
  std::string plotDriver;
};

// The process-wide record, or null before the library started.
char* setupRecord();
// Its fields (the defaults above when the record is missing).
PrinterSetup printerSetup();
// Writes every field into the record (texts cut to their widths).
void storePrinterSetup(const PrinterSetup& setup);

// ---- The print settings (vxlibps: the block's 836-byte buffer) -----------------------------------
constexpr std::size_t kSettingsPageInfoPage = 0;  // int32: page selected in the page-information dialog
constexpr std::size_t kSettingsPreviewPage = 4;   // int32: page shown in the preview
constexpr std::size_t kSettingsRange = 8;         // int32: kRangeCurrent, kRangeAll, kRangeFromTo
constexpr std::size_t kSettingsFirst = 12;        // int32: first page of the range, 0-based
constexpr std::size_t kSettingsLast = 16;         // int32: last page; 0 replaced by the last page
constexpr std::size_t kSettingsPerRow = 20;       // int32: pages per row when placed
constexpr std::size_t kSettingsPlotCount = 24;    // int32: pages to be plotted
constexpr std::size_t kSettingsPlaced = 28;       // int32: pages placed so far
constexpr std::size_t kSettingsTemplate = 544;    // 256 characters: spreadsheet template
constexpr std::size_t kSettingsTemplateSize = 256;
constexpr std::size_t kSettingsSheet = 800;       // 31 characters: the template's sheet
constexpr std::size_t kSettingsSheetSize = 31;
constexpr std::size_t kSettingsDecimal = 831;     // 2 characters: "," by default

constexpr int kRangeCurrent = 0;
constexpr int kRangeAll = 1;
constexpr int kRangeFromTo = 2;

// Status message `number` of list 20003 in the host's message field, with the page name when
// the message takes one.
void statusMessage(int number, const char* name = nullptr);

// The calling application's print settings, or null.
char* printSettings();
// An int32 field of either record (0 when the record is missing).
int recordInt(const char* record, std::size_t offset);
void setRecordInt(char* record, std::size_t offset, int value);
double recordDouble(const char* record, std::size_t offset);
void setRecordDouble(char* record, std::size_t offset, double value);
// A text field: copied in, cut to `width` - 1 characters and terminated.
void setRecordText(char* record, std::size_t offset, std::size_t width, const char* text);

// ---- Batch page entry, 320 bytes --------------------------------------------------------------------
constexpr std::size_t kBatchCorners = 0;     // 6 doubles: lower left and upper right, design coordinates
constexpr std::size_t kBatchPosition = 48;   // uint32: file position of the placed page elements
constexpr std::size_t kBatchLastPosition = 52;  // uint32: file position of the page's last element
constexpr std::size_t kBatchName = 64;       // 256 characters
constexpr std::size_t kBatchNameSize = 256;
constexpr std::size_t kBatchEntrySize = 320;

// ---- Pieces the files call of each other -----------------------------------------------------------
// setup.cpp: readPrinterSetup and printSetupHookTable (declared in core.hpp for the start-up).
// The paper name the host's plot drivers know for a paper code: 1 "A0", 3 "A1", 5 "A2", 7 "A3",
// 11 "A5", any other "A4".
const char* plotPaperName(int paperCode);
// A plot descriptor from the set-up's plot driver file (looked for along MS_PLTR when it is not
// found as named) for the set-up's paper, in millimetres, without view flags: the host's result.
int createPlotDescriptor(PlotDescr** descriptor, const PrinterSetup& setup);

// preview.cpp / previewdraw.cpp / printpages.cpp: previewHookTable and releasePagedOutput
// (core.hpp), and:
// The application's block, or null (reported).
GlobalData* block();
// Replaces the block's page list by a copy of `count` names (out of memory: reported, the old
// list kept, false).
bool replacePageList(GlobalData* g, int count, char* const* names);
// Name of page `index` of the page list ("" beyond it).
const char* pageName(int index);
// Calls the application's page function with the page's index (the name copied into the
// current page name first); VXLIB_ERROR without one.
int callPageFunction(int index, MSElementDescr** descriptor, int placing);
// The pages the print range covers, first and last inclusive (the preview's page for range 0).
struct PageRange {
  int first;
  int last;
};
PageRange printRange();
// The paper as the page is laid out: turned when the orientation says so, or for automatic when
// the elements' aspect differs from the paper's; a turned page swaps width and height and moves
// the margins one place round (left takes bottom, bottom right, right top, top left).
struct PageLayout {
  double width, height, left, right, top, bottom;
  bool turned;
};
PageLayout pageLayout(const PrinterSetup& setup, const MSElementDescr* elements);

// place.cpp / batchplot.cpp / spreadsheet.cpp
// Dialog 20012, and the pages placed in the design when it answers OK.
void placePagesFromDialog();
// Output type 6: the plot descriptor from the set-up's plot driver, dialog 20007, and the pages
// placed and plotted when it answers OK.
void printThroughPlotDriver();
// Dialog 20023, and the spreadsheet written when it answers OK.
void spreadsheetFromDialog();
// The plot file of a page: see batchplot.cpp.
std::string plotFileName(PlotDescr* descriptor, const char* pageName);
// place.cpp: starts the placing command (batch: pages placed to be plotted).
void startPlacing(bool batch);
// batchplot.cpp: plots and deletes the pages of the batch page table, then releases the table
// and the plot descriptor and clears the fence; releaseBatch only releases them.
void plotBatchPages();
void releaseBatch(GlobalData* g);
// The expansion of a configuration variable, "" when it is undefined.
std::string expandedVariable(const char* name);

}  // namespace pixmend::vxlib::pages
