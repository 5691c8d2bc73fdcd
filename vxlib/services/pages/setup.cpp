// The print set-up record: its defaults, what is read from the host's user preference file
// ('PtSe' 20002, else the older 'PrSD' 20001), the repair of a stored record, and the set-up
// dialog opened modally (vxlibPrintSet_dialogOpen).
//
// A stored record is someone else's bytes: a record of another size is not read, every text is
// terminated within its field, and a code, size or margin no printing could use is replaced by
// its default with a note on the text window, so a damaged preference file never reaches the
// drivers.
#include <sys/stat.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "vxlib/services/pages/setup.hpp"

namespace pixmend::vxlib::pages {
namespace {

constexpr int kMsgPrefUndefined = 21;       // list 20005: MS_USERPREF is not defined
constexpr int kMsgPrefNotOpened = 13;       // list 20005: %s the preference file
constexpr int kLastPaper = 12;              // A5 turned: the last code of the paper table
constexpr double kLargestPaper = 100000.0;  // mm: the drivers refuse anything beyond 100 m
constexpr int kMostCopies = 999;
constexpr const char* kOutputName = "vx.ps";
constexpr const char* kPlotDriverName = "printer.plt";
constexpr const char* kDefaultPrinter = "\\\\server\\printer";  // a placeholder network path

// The record as the dialog showed it when it opened: Cancel puts it back.
std::array<char, kSetupSize> openedRecord;
bool recordOpened = false;

bool isDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The directory the output file goes to, ending in '/'. The other system's "c:\temp\" is no
// directory on this one: the host's temporary directory (MS_TMP) takes its place, or the system's
// when MS_TMP names none that exists, so the default always names a place that can be written.
std::string temporaryDirectory() {
  const char* variable = mdlSystem_getenv("MS_TMP");
  std::string directory = variable != nullptr ? variable : "";
  if (directory.empty() || !isDirectory(directory)) {
    const char* system = std::getenv("TMPDIR");
    directory = system != nullptr && *system != '\0' && isDirectory(system) ? system : "/tmp";
  }
  if (directory.back() != '/') directory += '/';
  return directory;
}

std::string defaultOutputFile() {
  const std::string file = temporaryDirectory() + kOutputName;
  // A name that does not fit the field would be cut into another file's name.
  return file.size() < kSetupOutputFileSize ? file : std::string("/tmp/") + kOutputName;
}

std::string defaultPlotDriver() {
  char found[MAXFILELENGTH] = {};
  if (mdlFile_find(found, kPlotDriverName, "MS_PLTR", nullptr) != 0) return "";
  return found;
}

void note(const char* source, const char* what) {
  toolSubsystem_printf("Print set-up (%s): %s\n", source, what);
}

bool usableLength(double v) {
  return std::isfinite(v) && v > 0.0 && v <= kLargestPaper;
}
bool usableMargin(double v) {
  return std::isfinite(v) && v >= 0.0 && v <= kLargestPaper;
}

bool terminated(const char* record, std::size_t offset, std::size_t width) {
  return std::memchr(record + offset, '\0', width) != nullptr;
}

// A stored resource of exactly `size` bytes into `out`; false when missing or of another size
// (then `found` tells which).
bool loadExactly(RscFileHandle file, unsigned int type, int id, char* out, std::size_t size, bool* found) {
  void* stored = mdlResource_load(file, type, id);
  *found = stored != nullptr;
  if (stored == nullptr) return false;
  const bool fits = static_cast<std::size_t>(mdlResource_size(stored)) == size;
  if (fits) std::memcpy(out, stored, size);
  mdlResource_free(stored);
  return fits;
}

}  // namespace

int createPlotDescriptor(PlotDescr** descriptor, const PrinterSetup& setup) {
  // A driver named without its folder is looked for where the plot drivers are kept.
  char found[MAXFILELENGTH] = {};
  const char* driver = setup.plotDriver.c_str();
  if (mdlFile_find(found, driver, "MS_PLTR", nullptr) == 0) driver = found;
  return mdlPlot_createDescr(descriptor, driver, plotPaperName(setup.paper), PLOT_UNITS_MILLIMETRES, nullptr);
}

const char* plotPaperName(int paperCode) {
  switch (paperCode) {
    case 1:
      return "A0";
    case 3:
      return "A1";
    case 5:
      return "A2";
    case 7:
      return "A3";
    case 11:
      return "A5";
    default:
      return "A4";
  }
}

void fillPaperSize(char* record) {
  const int paper = recordInt(record, kSetupPaper);
  if (paper < 1 || paper > kLastPaper) return;
  double lowerLeft[2] = {0.0, 0.0}, upperRight[2] = {0.0, 0.0};
  vxlibPrint_getPageSize(lowerLeft, upperRight, paper);
  setRecordDouble(record, kSetupWidth, upperRight[0] - lowerLeft[0]);
  setRecordDouble(record, kSetupHeight, upperRight[1] - lowerLeft[1]);
}

void setDefaultSetup() {
  char* record = setupRecord();
  if (record == nullptr) return;
  std::memset(record, 0, kSetupSize);
  PrinterSetup p;  // its initial values are the defaults
  p.printer = kDefaultPrinter;
  p.outputFile = defaultOutputFile();
  p.plotDriver = defaultPlotDriver();
  storePrinterSetup(p);
  fillPaperSize(record);
}

int repairSetup(char* r, const char* source) {
  int repaired = 0;
  auto replaced = [&](const char* what) {
    note(source, what);
    ++repaired;
  };
  // An unterminated name cut short would name another printer or file: the default is used.
  if (!terminated(r, kSetupPrinter, kSetupPrinterSize)) {
    setRecordText(r, kSetupPrinter, kSetupPrinterSize, kDefaultPrinter);
    replaced("the printer's name is not terminated; the default is used");
  }
  if (!terminated(r, kSetupOutputFile, kSetupOutputFileSize)) {
    setRecordText(r, kSetupOutputFile, kSetupOutputFileSize, defaultOutputFile().c_str());
    replaced("the output file's name is not terminated; the default is used");
  }
  if (!terminated(r, kSetupPlotDriver, kSetupPlotDriverSize)) {
    setRecordText(r, kSetupPlotDriver, kSetupPlotDriverSize, defaultPlotDriver().c_str());
    replaced("the plot driver's name is not terminated; the default is used");
  }

  const int paper = recordInt(r, kSetupPaper);
  if (paper < 0 || paper > kLastPaper) {
    setRecordInt(r, kSetupPaper, kDefaultPaper);
    replaced("the paper code is unknown; paper 9 is used");
  } else if (paper == 0 &&
             !(usableLength(recordDouble(r, kSetupWidth)) && usableLength(recordDouble(r, kSetupHeight)))) {
    setRecordInt(r, kSetupPaper, kDefaultPaper);
    replaced("the custom paper size is not usable; paper 9 is used");
  }
  fillPaperSize(r);

  const double width = recordDouble(r, kSetupWidth), height = recordDouble(r, kSetupHeight);
  const double left = recordDouble(r, kSetupLeft), right = recordDouble(r, kSetupRight);
  const double top = recordDouble(r, kSetupTop), bottom = recordDouble(r, kSetupBottom);
  const bool marginsUsable = usableMargin(left) && usableMargin(right) && usableMargin(top) &&
                             usableMargin(bottom) && left + right < width && top + bottom < height;
  if (!marginsUsable) {
    const PrinterSetup defaults;
    setRecordDouble(r, kSetupLeft, defaults.left);
    setRecordDouble(r, kSetupRight, defaults.right);
    setRecordDouble(r, kSetupTop, defaults.top);
    setRecordDouble(r, kSetupBottom, defaults.bottom);
    replaced("the margins leave nothing of the paper or are not numbers; 20/10/10/10 are used");
  }
  const int orientation = recordInt(r, kSetupOrientation);
  if (orientation < kTurned || orientation > kAutomatic) {
    setRecordInt(r, kSetupOrientation, kAutomatic);
    replaced("the orientation is unknown; automatic is used");
  }
  const int type = recordInt(r, kSetupOutputType);
  if (type != VXLIB_PRINT_POSTSCRIPT && type != VXLIB_PRINT_HPGL && type != VXLIB_PRINT_TEXT &&
      type != VXLIB_PRINT_PCL && type != kOutputPlotDriver) {
    setRecordInt(r, kSetupOutputType, VXLIB_PRINT_POSTSCRIPT);
    replaced("the output type is unknown; PostScript is used");
  }
  const int copies = recordInt(r, kSetupCopies);
  if (copies < 1 || copies > kMostCopies) {
    setRecordInt(r, kSetupCopies, 1);
    replaced("the number of copies is out of range; one copy is made");
  }
  for (const std::size_t flag : {kSetupFileOnly, kSetupDeleteAfterPrint}) {
    const int v = recordInt(r, flag);
    if (v != 0 && v != 1) {
      setRecordInt(r, flag, 0);
      replaced(flag == kSetupFileOnly ? "print to file only is neither on nor off; off is used"
                                      : "delete after printing is neither on nor off; off is used");
    }
  }
  return repaired;
}

bool readStoredSetup() {
  char* record = setupRecord();
  RscFileHandle file = 0;
  if (record == nullptr || vxlibUtil_openUserPrefFile(&file, 0) != 0) return false;
  const char* path = mdlSystem_getenv("MS_USERPREF");
  const std::string source = path != nullptr ? path : "the user preference file";
  std::array<char, kSetupSize> read{};
  bool found = false, oldFound = false;
  bool current = loadExactly(file, kSetupResourceType, kSetupResourceId, read.data(), kSetupSize, &found);
  bool old = !current && loadExactly(file, kOldSetupResourceType, kOldSetupResourceId, read.data(),
                                     kOldSetupSize, &oldFound);
  mdlResource_closeFile(file);
  if (found && !current)
    note(source.c_str(), "the stored record ('PtSe' 20002) is not 840 bytes long and is not read");
  if (oldFound && !old)
    note(source.c_str(), "the older record ('PrSD' 20001) is not 584 bytes long and is not read");
  if (!current && !old) return false;
  if (old) setRecordText(read.data(), kSetupPlotDriver, kSetupPlotDriverSize, defaultPlotDriver().c_str());
  repairSetup(read.data(), source.c_str());
  std::memcpy(record, read.data(), kSetupSize);
  return true;
}

// Writes the record to the host's user preference file, updating 'PtSe' 20002 or adding it. When
// the file cannot be opened the user is told, and the record stays as it is in memory.
bool writeStoredSetup() {
  char* record = setupRecord();
  if (record == nullptr) return false;
  const char* path = mdlSystem_getenv("MS_USERPREF");
  if (path == nullptr) {
    rscMsgBox(kBoxOk, kErrorList, kMsgPrefUndefined);
    return false;
  }
  VxlibRscFile file{};
  if (vxlibUtil_openUserPrefFile(&file.handle, 1) != 0) {
    rscMsgBox(kBoxOk, kErrorList, kMsgPrefNotOpened, path);
    return false;
  }
  std::snprintf(file.fileName, sizeof file.fileName, "%s", path);
  const int status =
      vxlibResource_add(&file, kSetupResourceType, kSetupResourceId, record, kSetupSize, nullptr);
  mdlResource_closeFile(file.handle);
  return status == VXLIB_SUCCESS;
}

void beginSetupDialog() {
  readStoredSetup();
  if (const char* record = setupRecord()) {
    std::memcpy(openedRecord.data(), record, kSetupSize);
    recordOpened = true;
  }
}

int choosePrinter(StringList* list, const char* printer) {
  const long members = list != nullptr ? mdlStringList_size(list) : 0;
  int systemPrinter = -1;
  for (long i = 0; i < members; ++i) {
    char* path = nullptr;
    long* info = nullptr;
    if (mdlStringList_getMember(&path, &info, list, 2 * i + 1) != 0 || path == nullptr) continue;
    if (printer != nullptr && std::strcmp(path, printer) == 0) return static_cast<int>(i);
    if (info != nullptr && info[1] == 1) systemPrinter = static_cast<int>(i);
  }
  return systemPrinter;
}

}  // namespace pixmend::vxlib::pages

namespace pixmend::vxlib {

void readPrinterSetup() {
  if (pages::setupRecord() == nullptr) return;
  pages::setDefaultSetup();
  pages::readStoredSetup();
}

}  // namespace pixmend::vxlib

extern "C" int vxlibPrintSet_dialogOpen(void) {
  using namespace pixmend::vxlib::pages;
  char* record = setupRecord();
  if (record == nullptr) return VXLIB_ERROR;
  recordOpened = false;
  int answer = ACTIONBUTTON_CANCEL;
  mdlDialog_openModal(&answer, 0, kSetupDialog);
  if (answer == ACTIONBUTTON_OK) {
    // The fields were typed by the user: nothing unusable goes to the file or the drivers.
    repairSetup(record, "as typed");
    writeStoredSetup();
  } else if (recordOpened) {
    std::memcpy(record, openedRecord.data(), kSetupSize);
  }
  recordOpened = false;
  return answer;
}
