// The HP-GL driver: page millimetres become plotter units of 1/38.46 mm (0.026 mm) counted from
// the point (10, 1) mm, where the plotter's scaling points put its origin.
//   vxlibHpgl_fopen / _newPage / _fclose   the file, its set-up and its pages
//   vxlibHpgl_drawPolyline                 outlines (every line in the plotter's one pen)
//   vxlibHpgl_drawText                     labels in the plotter's national 7-bit character set
//   vxlibHpgl_drawLine / _drawArc / _fillCirc   entries that draw nothing in this format
//
// A label ends at the character 3; a text holding that character would end its label early and
// turn its rest into plotter instructions, so it is refused.
#include <cmath>
#include <cstring>

#include "vxlib/services/plot/plot.hpp"

namespace pixmend::vxlib::plot {
namespace {

constexpr double kUnitsPerMm = 38.46153846153846;
constexpr const char* kTag = "vxhpgllib";
constexpr char kLabelEnd = 3;

DriverFile& file() {
  static DriverFile f(kTag);
  return f;
}

int unitX(double x) { return static_cast<int>((x - 10.0) * kUnitsPerMm); }
int unitY(double y) { return static_cast<int>((y - 1.0) * kUnitsPerMm); }

// The Norwegian letters in the plotter's national character set, which puts them where ASCII
// has brackets and braces.
void toNationalSet(char* text) {
  static constexpr struct {
    unsigned char latin1;
    char national;
  } kLetters[] = {{0xE6, '{'}, {0xF8, '|'}, {0xE5, '}'}, {0xC6, '['}, {0xD8, '\\'}, {0xC5, ']'}};
  for (char* p = text; *p != '\0'; ++p) {
    for (const auto& l : kLetters) {
      if (static_cast<unsigned char>(*p) == l.latin1) *p = l.national;
    }
  }
}

void page() {
  if (file().isOpen()) file().print("PU;PA0,0;PG;\n");
}

int end() {
  if (!file().isOpen()) return VXLIB_ERROR;
  page();
  return file().close();
}

int begin(const char* path, int) {
  if (file().isOpen()) end();  // a plot still open is finished, not lost
  if (!file().open(path)) return 0;
  file().print("IN;PU;VS80;IP,603,521,10603,7721;SP1;CS32;\n");
  return 1;
}

}  // namespace

const Driver kHpglDriver = {kOutputHpgl, "HP-GL", begin, page, end};

}  // namespace pixmend::vxlib::plot

using namespace pixmend::vxlib::plot;

extern "C" {

int vxlibHpgl_fopen(const char* path) { return begin(path, 0); }
void vxlibHpgl_newPage(void) { page(); }
int vxlibHpgl_fclose(void) { return end(); }

void vxlibHpgl_drawPolyline(const double* points, int count, double, double) {
  if (!file().isOpen() || !usablePoints(kTag, "drawPolyline", points, count)) return;
  file().print("PU;PA%d,%d;PD;", unitX(points[0]), unitY(points[1]));
  for (int i = 1; i < count; ++i) file().print("PD;PA%d,%d;\n", unitX(points[3 * i]), unitY(points[3 * i + 1]));
}

void vxlibHpgl_drawText(double x, double y, char* text, double size, double angle, int justification) {
  if (!file().isOpen() || !usableText(kTag, "drawText", text) ||
      !usable(kTag, "drawText", "the position or the size", {x, y, size}) ||
      !usable(kTag, "drawText", "the angle", {angle}, kMaxAngle))
    return;
  if (std::strchr(text, kLabelEnd) != nullptr) {
    toolSubsystem_printf("%s: drawText: the text holds the label terminator, nothing drawn.\n", kTag);
    return;
  }
  const double radians = angle * 3.14159265358979323846 / 180.0;
  file().print("PU;PA%d,%d;SI%.2f,%.2f;DI%.1f,%.1f;", unitX(x), unitY(y), size * 0.03, size * 0.06, std::cos(radians),
               std::sin(radians));
  const int length = static_cast<int>(std::strlen(text));
  if (justification == 0) {
    file().print("CP%.2f,0;", -0.5 * length);
  } else if (justification == 1) {
    file().print("CP%d,0;", -length);
  }
  toNationalSet(text);
  file().print("SS;LB%s%c\n", text, kLabelEnd);
}

// Lines, arcs and filled circles have no form of their own in this format.
void vxlibHpgl_drawLine(float, float, float, float, float) {}
void vxlibHpgl_drawArc(double, double, double, double, double, double) {}
void vxlibHpgl_fillCirc(double, double, double, double, double, double) {}

}  // extern "C"
