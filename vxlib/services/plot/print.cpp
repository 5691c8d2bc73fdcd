// The dispatch family: a plot file of the chosen output type opened, paged and closed through the
// driver table, the paper sizes, and the line tables the element printing draws with.
//   vxlibPrint_fopen, vxlibPrint_newPage, vxlibPrint_fclose   the current driver's file
//   vxlibPrint_getPageSize                                    paper codes 1 to 12
//
// The current output type and paper code are this application's: each application links its own
// copy of the library, so they live here beside the drivers' files. An output type without a
// driver is accepted (result 1) and makes every later call do nothing: the print commands use
// such types for outputs that other families write.
#include "vxlib/services/plot/plot.hpp"

namespace pixmend::vxlib::plot {
namespace {

constexpr int kNoOutput = -1;

struct PrintState {
  int outputType = kNoOutput;
  int paperCode = 0;
  double pageAngle = 0.0;
};

PrintState& state() {
  static PrintState s;
  return s;
}

constexpr const Driver* kDrivers[] = {&kPostScriptDriver, &kHpglDriver, &kTextDriver, &kPclDriver};

constexpr Paper kPapers[] = {
    {"A0", 841, 1189}, {"A0", 1189, 841}, {"A1", 594, 841}, {"A1", 841, 594},   {"A2", 420, 594}, {"A2", 594, 420},
    {"A3", 297, 420},  {"A3", 420, 297},  {"A4", 210, 297}, {"A4", 297, 210}, {"A5", 148.5, 210}, {"A5", 210, 148.5},
};

constexpr double kLineWidths[16] = {0.1, 0.25, 0.35, 0.5, 0.7, 1.0, 1.5, 2.0,
                                    2.5, 3.0,  3.5,  4.0, 4.5, 5.0, 5.5, 6.0};
constexpr int kDefaultWeight = 2;

struct LineStyle {
  const char* dash;
  int pclType;
  double pclPattern;
};
constexpr LineStyle kLineStyles[8] = {
    {"", 0, 0.0},
    {"0.96 2.4", 2, 0.25},
    {"5.76 3.6", 2, 1.0},
    {"11.28 5.76", 3, 1.8},
    {"14.16 3.6 0.72 3.6", 4, 2.3},
    {"17.04 8.4", 3, 2.7},
    {"14.16 3.6 0.72 3.6 0.72 3.6", 6, 2.8},
    {"14.16 5.76 7.2 5.76", 5, 3.2},
};

const LineStyle& lineStyle(int style) { return kLineStyles[style >= 0 && style <= 7 ? style : 0]; }

}  // namespace

const Driver* driverFor(int outputType) {
  for (const Driver* d : kDrivers) {
    if (d->outputType == outputType) return d;
  }
  return nullptr;
}

const Paper* paperFor(int code) {
  return code >= 1 && code <= 12 ? &kPapers[code - 1] : nullptr;
}

int currentOutputType() { return state().outputType; }
double pageAngle() { return state().pageAngle; }
void setPageAngle(double degrees) { state().pageAngle = degrees; }

double lineWidth(int weight) { return kLineWidths[weight >= 0 && weight <= 15 ? weight : kDefaultWeight]; }
const char* postScriptDash(int style) { return lineStyle(style).dash; }
int pclLineType(int style) { return lineStyle(style).pclType; }
double pclPatternLength(int style) { return lineStyle(style).pclPattern; }

}  // namespace pixmend::vxlib::plot

using namespace pixmend::vxlib::plot;

extern "C" {

int vxlibPrint_fopen(const char* path, int outputType) {
  state().outputType = outputType;
  const Driver* driver = driverFor(outputType);
  return driver == nullptr ? 1 : driver->begin(path, state().paperCode);
}

void vxlibPrint_newPage(void) {
  if (const Driver* driver = driverFor(state().outputType)) driver->page();
}

int vxlibPrint_fclose(void) {
  const Driver* driver = driverFor(state().outputType);
  return driver == nullptr ? VXLIB_SUCCESS : driver->end();
}

void vxlibPrint_getPageSize(double* lowerLeft, double* upperRight, int paperCode) {
  state().paperCode = paperCode;
  const Paper* paper = paperFor(paperCode);
  if (paper == nullptr) return;
  if (lowerLeft != nullptr) {
    lowerLeft[0] = 0.0;
    lowerLeft[1] = 0.0;
  }
  if (upperRight != nullptr) {
    upperRight[0] = paper->width;
    upperRight[1] = paper->height;
  }
}

}  // extern "C"
