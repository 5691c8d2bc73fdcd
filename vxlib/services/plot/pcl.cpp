// The PCL 5 driver: every page is a PCL page holding one HP-GL/2 picture that fills the printable
// A4 area, in HP-GL/2 units of 1/40 mm with the origin 6 mm right of the page's left edge.
//   vxlibPcl_fopen / _newPage / _fclose       the file and its pages (A4, upright or turned)
//   vxlibPcl_drawPolyline(Extended)           outlines and shaded fills, optionally with line types
//   vxlibPcl_drawText                         labels in a scalable font, three alignments
//   vxlibPcl_drawLine / _drawArc / _fillCirc  entries that draw nothing in this format
//
// Each page header resets the printer, so the driver forgets the font size, direction and label
// origin it sent and sends them again when a text needs them. Texts holding the label
// terminator (character 3) are refused, as in the HP-GL driver.
#include <cmath>
#include <cstring>

#include "vxlib/services/plot/plot.hpp"

namespace pixmend::vxlib::plot {
namespace {

constexpr const char* kTag = "vxlibPcl";
constexpr char kEsc = 27;
constexpr char kLabelEnd = 3;
constexpr double kFontPointsPerMm = 2.7932960893854752;  // font height in points per millimetre of text size
constexpr int kTurnedA4 = 10;
constexpr int kTurnedA5 = 12;

struct PclState {
  int paperCode = 0;
  double textSize = 0.0;
  double textAngle = 0.0;  // radians
  int labelOrigin = 2;
};

DriverFile& file() {
  static DriverFile f(kTag);
  return f;
}

PclState& state() {
  static PclState s;
  return s;
}

int unitX(double x) { return static_cast<int>(40.0 * x) - 240; }
int unitY(double y) { return static_cast<int>(40.0 * y); }

void pageHeader() {
  state().textSize = 0.0;
  state().textAngle = 0.0;
  state().labelOrigin = 2;
  const bool turned = state().paperCode == kTurnedA4 || state().paperCode == kTurnedA5;
  file().print("%cE", kEsc);
  if (turned) {
    file().print("%c&l26a1O%c*c8418x5952Y", kEsc, kEsc);
  } else {
    file().print("%c&l26a0O%c*c5952x8418Y", kEsc, kEsc);
  }
  file().print("%c&l0E%c*p0x0Y%c*c0T%c%%1BIN;SP1;PA0,0;\n", kEsc, kEsc, kEsc, kEsc);
}

void polyline(const double* points, int count, double width, double fill) {
  const int x0 = unitX(points[0]);
  const int y0 = unitY(points[1]);
  if (!fills(fill)) {
    file().print("PU;PW%.2f;PA%d,%d;", width, x0, y0);
    for (int i = 1; i < count; ++i) file().print("PD;PA%d,%d;\n", unitX(points[3 * i]), unitY(points[3 * i + 1]));
    return;
  }
  file().print("PU;PW%.2f;PA%d,%d;PM0;PD", width, x0, y0);
  for (int i = 1; i < count; ++i) file().print("%d,%d,", unitX(points[3 * i]), unitY(points[3 * i + 1]));
  file().print("%d,%d;\n", x0, y0);
  if (fill != 0.0) {
    file().print("PM2;FT10,%d;FP;", static_cast<int>((1.0 - fill) * 100.0));
  } else {
    file().print("PM2;FT1;FP;");
  }
}

bool polylineUsable(const char* call, const double* points, int count, double width) {
  return file().isOpen() && usablePoints(kTag, call, points, count) && usable(kTag, call, "the width", {width});
}

void page() {
  if (!file().isOpen()) return;
  file().print("%c%%1A", kEsc);
  pageHeader();
}

int end() {
  if (!file().isOpen()) return VXLIB_ERROR;
  file().print("%c%%1A%cE", kEsc, kEsc);
  return file().close();
}

int begin(const char* path, int paperCode) {
  if (file().isOpen()) end();  // a plot still open is finished, not lost
  if (!file().open(path)) return 0;
  state().paperCode = paperCode;
  pageHeader();
  return 1;
}

}  // namespace

const Driver kPclDriver = {kOutputPcl, "PCL", begin, page, end};

}  // namespace pixmend::vxlib::plot

using namespace pixmend::vxlib::plot;

extern "C" {

int vxlibPcl_fopen(const char* path, int paperCode) { return begin(path, paperCode); }
void vxlibPcl_newPage(void) { page(); }
int vxlibPcl_fclose(void) { return end(); }

void vxlibPcl_drawPolyline(const double* points, int count, double width, double fill) {
  if (polylineUsable("drawPolyline", points, count, width)) polyline(points, count, width, fill);
}

void vxlibPcl_drawPolylineExtended(const double* points, int count, double width, int lineType, double patternLength,
                                   double fill) {
  if (!polylineUsable("drawPolylineExtended", points, count, width) ||
      !usable(kTag, "drawPolylineExtended", "the pattern length", {patternLength}))
    return;
  if (lineType > 8) {
    toolSubsystem_printf("%s: drawPolylineExtended: line type %d is not one of 0 to 8, nothing drawn.\n", kTag,
                         lineType);
    return;
  }
  if (lineType > 0) file().print("LT%d,%.2f;", lineType, patternLength);
  polyline(points, count, width, fill);
  if (lineType > 0) file().print("LT");
}

void vxlibPcl_drawText(double x, double y, const char* text, double size, double angle, int justification) {
  if (!file().isOpen() || !usableText(kTag, "drawText", text) ||
      !usable(kTag, "drawText", "the position or the size", {x, y, size}) ||
      !usable(kTag, "drawText", "the angle", {angle}, kMaxAngle))
    return;
  if (std::strchr(text, kLabelEnd) != nullptr) {
    toolSubsystem_printf("%s: drawText: the text holds the label terminator, nothing drawn.\n", kTag);
    return;
  }
  const double radians = angle * 3.14159265358979323846 / 180.0;
  PclState& s = state();
  if (size != s.textSize || radians != s.textAngle) {
    s.textSize = size;
    s.textAngle = radians;
    file().print("PU;PA%d,%d;SD1,14,2,1,4,%d,5,0,5,-7,7,52;SS;DI%.1f,%.1f;", unitX(x), unitY(y),
                 static_cast<int>(size * kFontPointsPerMm), std::cos(radians), std::sin(radians));
  } else {
    file().print("PU;PA%d,%d;", unitX(x), unitY(y));
  }
  if (justification != s.labelOrigin) {
    s.labelOrigin = justification;
    file().print(justification == 0 ? "LO4;" : justification == 1 ? "LO7;" : "LO1;");
  }
  file().print("LB%s%c\n", text, kLabelEnd);
}

// Lines, arcs and filled circles have no form of their own in this format.
void vxlibPcl_drawLine(float, float, float, float, float) {}
void vxlibPcl_drawArc(double, double, double, double, double, double) {}
void vxlibPcl_fillCirc(double, double, double, double, double, double) {}

}  // extern "C"
