// The two records of paged output as values and fields: the process-wide print set-up and the
// calling application's print settings. The records are plain byte blocks shared through the
// host, so every field is read and written by its named offset, never through a cast.
#include <algorithm>
#include <cstring>

#include "vxlib/services/pages/pages.hpp"

namespace pixmend::vxlib::pages {
namespace {

std::string recordText(const char* record, std::size_t offset, std::size_t width) {
  const char* text = record + offset;
  return std::string(text, strnlen(text, width));
}

}  // namespace

void statusMessage(int number, const char* name) {
  if (name != nullptr) {
    mdlOutput_rscPrintf(MSG_ERROR, 0, kStatusList, number, name);
  } else {
    mdlOutput_rscPrintf(MSG_ERROR, 0, kStatusList, number);
  }
}

char* setupRecord() {
  Shared* s = shared();
  return s != nullptr ? static_cast<char*>(s->printerSetup) : nullptr;
}

char* printSettings() {
  GlobalData* g = findGlobalData();
  return g != nullptr ? g->buffer836 : nullptr;
}

int recordInt(const char* record, std::size_t offset) {
  if (record == nullptr) return 0;
  std::int32_t v;
  std::memcpy(&v, record + offset, sizeof v);
  return v;
}

void setRecordInt(char* record, std::size_t offset, int value) {
  if (record == nullptr) return;
  const std::int32_t v = value;
  std::memcpy(record + offset, &v, sizeof v);
}

double recordDouble(const char* record, std::size_t offset) {
  if (record == nullptr) return 0.0;
  double v;
  std::memcpy(&v, record + offset, sizeof v);
  return v;
}

void setRecordDouble(char* record, std::size_t offset, double value) {
  if (record == nullptr) return;
  std::memcpy(record + offset, &value, sizeof value);
}

void setRecordText(char* record, std::size_t offset, std::size_t width, const char* text) {
  if (record == nullptr || width == 0) return;
  const std::size_t n = text != nullptr ? std::min(std::strlen(text), width - 1) : 0;
  std::memmove(record + offset, text != nullptr ? text : "", n);
  std::memset(record + offset + n, 0, width - n);
}

PrinterSetup printerSetup() {
  PrinterSetup p;
  const char* r = setupRecord();
  if (r == nullptr) return p;
  p.paper = recordInt(r, kSetupPaper);
  p.width = recordDouble(r, kSetupWidth);
  p.height = recordDouble(r, kSetupHeight);
  p.left = recordDouble(r, kSetupLeft);
  p.right = recordDouble(r, kSetupRight);
  p.top = recordDouble(r, kSetupTop);
  p.bottom = recordDouble(r, kSetupBottom);
  p.orientation = recordInt(r, kSetupOrientation);
  p.outputType = recordInt(r, kSetupOutputType);
  p.copies = recordInt(r, kSetupCopies);
  p.printer = recordText(r, kSetupPrinter, kSetupPrinterSize);
  p.outputFile = recordText(r, kSetupOutputFile, kSetupOutputFileSize);
  p.fileOnly = recordInt(r, kSetupFileOnly) != 0;
  p.plotDriver = recordText(r, kSetupPlotDriver, kSetupPlotDriverSize);
  return p;
}

void storePrinterSetup(const PrinterSetup& p) {
  char* r = setupRecord();
  if (r == nullptr) return;
  setRecordInt(r, kSetupPaper, p.paper);
  setRecordDouble(r, kSetupWidth, p.width);
  setRecordDouble(r, kSetupHeight, p.height);
  setRecordDouble(r, kSetupLeft, p.left);
  setRecordDouble(r, kSetupRight, p.right);
  setRecordDouble(r, kSetupTop, p.top);
  setRecordDouble(r, kSetupBottom, p.bottom);
  setRecordInt(r, kSetupOrientation, p.orientation);
  setRecordInt(r, kSetupOutputType, p.outputType);
  setRecordInt(r, kSetupCopies, p.copies);
  setRecordText(r, kSetupPrinter, kSetupPrinterSize, p.printer.c_str());
  setRecordText(r, kSetupOutputFile, kSetupOutputFileSize, p.outputFile.c_str());
  setRecordInt(r, kSetupFileOnly, p.fileOnly ? 1 : 0);
  setRecordText(r, kSetupPlotDriver, kSetupPlotDriverSize, p.plotDriver.c_str());
}

}  // namespace pixmend::vxlib::pages
