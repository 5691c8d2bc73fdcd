// Spreadsheet output: dialog 20023, then the pages of the print range written into a copy of the
// spreadsheet template through the DDE link: one sheet per page, a copy of the template's sheet
// named after the page and filled with the page's form data by the page function.
#include <sys/stat.h>

#include <chrono>
#include <string>
#include <thread>

#include "vxlib/services/pages/pages.hpp"
#include "vxlib/services/win32/win32.hpp"

namespace pixmend::vxlib::pages {
namespace {

constexpr int kMsgPagesDone = 0;            // list 20003
constexpr int kMsgPage = 1;                 // list 20003, %s page name
constexpr int kMsgTemplateMissing = 22;     // list 20005, %s template
constexpr int kMsgProgramMissing = 23;      // list 20005, %s program
constexpr int kMsgProgramDoesNotStart = 24; // list 20005, %s program
constexpr int kMsgNoAnswer = 25;            // list 20005
constexpr int kMsgNoExternalPrograms = 26;  // list 20005
constexpr const char* kService = "Excel";
constexpr const char* kTopic = "system";
constexpr const char* kSpreadsheetProgram = "C:\\Program Files\\Microsoft Office\\Office\\excel.exe";
constexpr const char* kSpreadsheetArguments = "/e";
// Ten tries, each after a pause of 120 ticks of 1/60 s.
constexpr int kConnectAttempts = 10;
constexpr std::chrono::milliseconds kConnectPause{2000};
constexpr int kMsgReplaceFile = 8;          // list 20005, %s file
constexpr int kMsgWorkbookIsTemplate = 40;
constexpr int kMsgNoSheet = 41;             // list 20005
constexpr int kTitleWorkbook = 36;          // language text
constexpr int kWorkbookSlot = -20004;       // remembered-file slot of the workbook
// The spreadsheet the host serves reads and writes .xlsx workbooks, so that is what is offered.
constexpr const char* kWorkbookFilter = "*.xlsx";

std::string settingsText(std::size_t offset, std::size_t width) {
  const char* settings = printSettings();
  if (settings == nullptr) return {};
  return std::string(settings + offset, strnlen(settings + offset, width));
}

bool sameFile(const char* a, const char* b) {
  struct stat sa {
  }, sb{};
  return ::stat(a, &sa) == 0 && ::stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool exists(const char* path) {
  struct stat st {};
  return ::stat(path, &st) == 0;
}

// The link to the spreadsheet. When no spreadsheet answers, its program is started (where the
// host may start programs) and the link tried again after every pause, as long as the program
// takes to come up. False after telling the user why there is no link.
bool connectSpreadsheet() {
  if (vxlibWin32_DdeInitialize(kService, kTopic) == VXLIB_SUCCESS) return true;
  if (vxlibUtil_mdlExternalNotAvailable() != 0) {
    rscMsgBox(kBoxOk, kErrorList, kMsgNoExternalPrograms);
    return false;
  }
  if (!exists(kSpreadsheetProgram)) {
    rscMsgBox(kBoxOk, kErrorList, kMsgProgramMissing, kSpreadsheetProgram);
    return false;
  }
  int wait = -1;  // leave it running
  if (vxlibExternal_executeProgram(kSpreadsheetProgram, kSpreadsheetArguments, &wait) != 0) {
    rscMsgBox(kBoxOk, kErrorList, kMsgProgramDoesNotStart, kSpreadsheetProgram);
    return false;
  }
  for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
    std::this_thread::sleep_for(kConnectPause);
    if (vxlibWin32_DdeInitialize(kService, kTopic) == VXLIB_SUCCESS) return true;
  }
  rscMsgBox(kBoxOk, kErrorList, kMsgNoAnswer);
  return false;
}

// The workbook the user names for a copy of `templatePath`: never the template itself; an
// existing file only when the user says it may be replaced. "" when nothing is to be written.
std::string chooseWorkbook(const char* templatePath) {
  char workbook[MAXFILELENGTH] = {};
  const std::string folder = expandedVariable("VX_DIR");
  if (vxlibUpf_defFileCreate(workbook, "", kWorkbookFilter, folder.c_str(), languageText(kTitleWorkbook),
                             kWorkbookSlot) != 0) {
    return {};
  }
  if (sameFile(workbook, templatePath)) {
    rscMsgBox(kBoxOk, kErrorList, kMsgWorkbookIsTemplate, workbook);
    return {};
  }
  if (exists(workbook) && rscMsgBox(kBoxQuestion, kErrorList, kMsgReplaceFile, workbook) != ACTIONBUTTON_OK) {
    return {};
  }
  return workbook;
}

void send(const std::string& command) {
  vxlibWin32_DdeSendMessage(command.c_str());
}

std::string quoted(const std::string& text) {
  return "\"" + doubledQuotes(text.c_str()) + "\"";
}

// One page: a copy of the template's sheet named after the page, filled with its form data.
void writePage(int index, const std::string& sheet, const std::string& book) {
  const char* name = pageName(index);
  statusMessage(kMsgPage, name);
  send("[WORKBOOK.COPY(" + quoted(sheet) + "," + quoted(book) + ")]");
  send("[WORKBOOK.ACTIVATE(" + quoted(sheet + " (2)") + ")]");
  send("[WORKBOOK.NAME(" + quoted(sheet + " (2)") + "," + quoted(name) + ")]");
  send("[SELECT(\"R100C1\")]");
  vxlibMatList_setExportToExcel(1);
  callPageFunction(index, nullptr, 0);
  vxlibMatList_setExportToExcel(0);
  char nothing[1] = "";
  vxlibWin32_DdeReplaceText("%*", nothing);
  send("[CLEAR(1)]");
  send("[SELECT(\"R1C1\")]");
}

void writeSpreadsheet() {
  GlobalData* g = block();
  if (g == nullptr) return;
  const std::string templateName = settingsText(kSettingsTemplate, kSettingsTemplateSize);
  const std::string sheet = settingsText(kSettingsSheet, kSettingsSheetSize);
  char templatePath[MAXFILELENGTH] = {};
  if (templateName.empty() || mdlFile_find(templatePath, templateName.c_str(), "VX_DIR", nullptr) != 0) {
    rscMsgBox(kBoxOk, kErrorList, kMsgTemplateMissing, templateName.c_str());
    return;
  }
  // Pages are copies of a sheet of the template: without its name every page would be refused
  // by the spreadsheet and an empty workbook saved as if it were written.
  if (sheet.empty() && g->pageFunction != nullptr) {
    rscMsgBox(kBoxOk, kErrorList, kMsgNoSheet);
    return;
  }
  const std::string workbook = chooseWorkbook(templatePath);
  if (workbook.empty()) return;
  // The link is made before the template is copied, so that nothing is written when it fails.
  if (!connectSpreadsheet()) return;
  if (mdlFile_copy(workbook.c_str(), templatePath) != 0) {
    vxlibWin32_DdeDisconnect();
    rscMsgBox(kBoxOk, kErrorList, kMsgCannotCreate, workbook.c_str());
    return;
  }
  char name[MAXNAMELENGTH] = {}, extension[MAXEXTENSIONLENGTH] = {};
  mdlFile_parseName(workbook.c_str(), nullptr, nullptr, name, extension);
  const std::string book = std::string(name) + (extension[0] != '\0' ? "." : "") + extension;
  send("[open(" + quoted(workbook) + ")]");
  send("[OPTIONS.GENERAL(2)]");
  send("[OPTIONS.VIEW(,,,,,,,,,,,,,,FALSE)]");
  std::string firstPage;
  bool anyPage = false;
  if (g->pageFunction != nullptr) {
    const PageRange range = printRange();
    for (int index = range.first; index <= range.last; ++index) {
      if (!anyPage) firstPage = pageName(index);
      anyPage = true;
      writePage(index, sheet, book);
    }
  }
  statusMessage(kMsgPagesDone);
  send("[WORKBOOK.MOVE(" + quoted(sheet) + "," + quoted(book) + ")]");
  if (anyPage) send("[WORKBOOK.ACTIVATE(" + quoted(firstPage) + ")]");
  send("[OPTIONS.GENERAL(1)]");
  send("[OPTIONS.VIEW(,,,,,,,,,,,,,,TRUE)]");
  send("[SAVE()]");
  vxlibWin32_DdeDisconnect();
}

}  // namespace

void spreadsheetFromDialog() {
  if (block() == nullptr) return;
  int action = ACTIONBUTTON_CANCEL;
  if (mdlDialog_openModal(&action, 0, kSpreadsheetDialog) != 0 || action != ACTIONBUTTON_OK) return;
  writeSpreadsheet();
}

}  // namespace pixmend::vxlib::pages
