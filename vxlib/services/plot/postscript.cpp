// The PostScript driver: page millimetres times kPoints are PostScript points, with the origin at
// the lower left of the page.
//   vxlibPs_fopen / _newPage / _fclose           the file, its prologue and its pages
//   vxlibPs_drawLine                             one line with its own width (procedure _dl)
//   vxlibPs_drawPolyline(Extended)               outlines or grey fills, optionally dashed
//   vxlibPs_drawText                             Helvetica with the Nordic letters, three alignments
//   vxlibPs_drawArc / _fillCirc                  arcs, filled circles and sectors
//   vxlibPs_includeEPSFile                       another PostScript drawing placed on the page
//
// The prologue re-encodes Helvetica as Helvetica-Norsk, whose encoding puts the Nordic and German
// letters and the copyright sign at their Latin-1 codes, so a text's Latin-1 bytes print as they
// read. Texts go into PostScript strings with backslashes, parentheses and control characters
// escaped, so no text can end its string early or change the lines after it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "common/bytes.hpp"
#include "vxlib/services/plot/plot.hpp"

namespace pixmend::vxlib::plot {
namespace {

constexpr double kPoints = 2.834645651435303;  // points per millimetre
constexpr double kPi = 3.14159265358979323846;
constexpr const char* kTag = "vxpslib";

DriverFile& file() {
  static DriverFile f(kTag);
  return f;
}

constexpr const char* kPrologue[] = {
    "%!PS-Adobe",
    // ReEncodeSmall: basefont newfont [code /name ...] -> defines newfont as basefont with the
    // pairs put into a copy of its encoding.
    "/reencsmalldict 12 dict def",
    "/ReEncodeSmall",
    "{ reencsmalldict begin",
    "  /changes exch def",
    "  /newfontname exch def",
    "  /basefontname exch def",
    "  /basefontdict basefontname findfont def",
    "  /newfont basefontdict maxlength dict def",
    "  basefontdict",
    "  { exch dup /FID ne",
    "    { dup /Encoding eq",
    "      { exch dup length array copy newfont 3 1 roll put }",
    "      { exch newfont 3 1 roll put }",
    "      ifelse }",
    "    { pop pop }",
    "    ifelse",
    "  } forall",
    "  newfont /FontName newfontname put",
    "  changes aload pop",
    "  changes length 2 idiv",
    "  { newfont /Encoding get 3 1 roll put }",
    "  repeat",
    "  newfontname newfont definefont pop",
    "  end",
    "} def",
    "/scandvec [",
    "8#304 /Adieresis",
    "8#344 /adieresis",
    "8#326 /Odieresis",
    "8#366 /odieresis",
    "8#334 /Udieresis",
    "8#374 /udieresis",
    "8#337 /germandbls",
    "8#346 /ae",
    "8#306 /AE",
    "8#370 /oslash",
    "8#330 /Oslash",
    "8#345 /aring",
    "8#305 /Aring",
    "8#251 /copyright",
    "] def",
    "/Helvetica /Helvetica-Norsk scandvec",
    "  ReEncodeSmall",
    // _dl: xone yone xtwo ytwo lwid
    "/_dl { /lwid exch def /ytwo exch def /xtwo exch def /yone exch def /xone exch def",
    "  lwid setlinewidth xone yone moveto xtwo ytwo lineto stroke } def",
    // _dtfl, _dtfr, _dtfc: x y s height angle -> s shown from its left end, right end or middle
    "/_dtfl { /angle exch def /height exch def /s exch def /y exch def /x exch def",
    "  /Helvetica-Norsk findfont height scalefont setfont",
    "  x y translate angle rotate 0 0 moveto",
    "  s show angle neg rotate x neg y neg translate } def",
    "/_dtfr { /angle exch def /height exch def /s exch def /y exch def /x exch def",
    "  /Helvetica-Norsk findfont height scalefont setfont",
    "  x y translate angle rotate 0 0 moveto s stringwidth pop neg 0 rmoveto",
    "  s show angle neg rotate x neg y neg translate } def",
    "/_dtfc { /angle exch def /height exch def /s exch def /y exch def /x exch def",
    "  /Helvetica-Norsk findfont height scalefont setfont",
    "  x y translate angle rotate 0 0 moveto s stringwidth pop 2 div neg 0 rmoveto",
    "  s show angle neg rotate x neg y neg translate } def",
};

// A text as the inside of a PostScript string: '\\', '(' and ')' escaped, control characters as
// octal escapes; Latin-1 letters stay as they are (the font's encoding knows them).
std::string stringBody(const char* text) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c == '\\' || c == '(' || c == ')') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7f) {
      char octal[5];
      std::snprintf(octal, sizeof octal, "\\%03o", c);
      out += octal;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void polyline(const double* points, int count, double width, double fill) {
  const bool filled = fills(fill);
  if (filled) file().print("%.2f setgray\n", fill);
  file().print("%.2f setlinewidth\n", width * kPoints);
  file().print("%.2f %.2f moveto\n", points[0] * kPoints, points[1] * kPoints);
  for (int i = 1; i < count; ++i) file().print("%.2f %.2f lineto\n", points[3 * i] * kPoints, points[3 * i + 1] * kPoints);
  if (filled) {
    file().print("closepath fill\n");
    file().print("%.2f setgray\n", 0.0);
  } else {
    file().print("stroke\n");
  }
}

bool polylineUsable(const char* call, const double* points, int count, double width) {
  return file().isOpen() && usablePoints(kTag, call, points, count) && usable(kTag, call, "the width", {width});
}

// A dash array text that PostScript reads as an array of numbers: numbers and blanks only.
bool usableDash(const char* dash) {
  if (dash == nullptr || std::strlen(dash) > 256) return false;
  for (const char* p = dash; *p != '\0'; ++p) {
    if (std::strchr("0123456789.+-eE \t", *p) == nullptr) return false;
  }
  return true;
}

// The arc's line: centre, radius and angles.
void arcLine(double cx, double cy, double r, double start, double end) {
  file().print("%.2f %.2f %.2f %.2f %.2f arc\n", cx * kPoints, cy * kPoints, r * kPoints, start, end);
}

// A DOS EPS file starts with this word and gives the offset and length of its PostScript part,
// which is followed (or preceded) by a binary preview that must not reach the plot.
constexpr std::uint32_t kDosEpsMagic = 0xC6D3D0C5;

// Where the PostScript of an EPS file of `size` bytes lies: the whole file, or for a DOS EPS file
// the part its header names. False when the header names bytes the file does not have.
bool epsSection(std::ifstream& in, std::uint64_t size, std::uint64_t* offset, std::uint64_t* length) {
  *offset = 0;
  *length = size;
  unsigned char header[12] = {};
  if (size >= sizeof header && in.read(reinterpret_cast<char*>(header), sizeof header) &&
      le::get32(header) == kDosEpsMagic) {
    *offset = le::get32(header + 4);
    *length = le::get32(header + 8);
    if (*offset > size || *length > size - *offset) return false;
  }
  in.clear();
  in.seekg(static_cast<std::streamoff>(*offset));
  return static_cast<bool>(in);
}

// Copies `length` bytes of `in` into the plot, every byte as it is; false when the file ended or
// failed early. The last byte written is a line end, so the comment that follows stands on a
// line of its own.
bool copyBytes(std::ifstream& in, std::uint64_t length) {
  std::vector<char> buffer(1 << 16);
  char last = '\n';
  while (length > 0 && in) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(length, buffer.size()));
    in.read(buffer.data(), static_cast<std::streamsize>(want));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got == 0) break;
    file().write(buffer.data(), got);
    last = buffer[got - 1];
    length -= got;
  }
  if (last != '\n' && last != '\r') file().write("\n", 1);
  return length == 0;
}

void page() {
  if (file().isOpen()) file().print("showpage\n");
}

int end() {
  if (!file().isOpen()) return VXLIB_ERROR;
  page();
  return file().close();
}

int begin(const char* path, int) {
  if (file().isOpen()) end();  // a plot still open is finished, not lost
  if (!file().open(path)) return 0;
  for (const char* line : kPrologue) file().print("%s\n", line);
  return 1;
}

}  // namespace

const Driver kPostScriptDriver = {kOutputPostScript, "PostScript", begin, page, end};

}  // namespace pixmend::vxlib::plot

using namespace pixmend::vxlib::plot;

extern "C" {

int vxlibPs_fopen(const char* path) { return begin(path, 0); }
void vxlibPs_newPage(void) { page(); }
int vxlibPs_fclose(void) { return end(); }

void vxlibPs_drawLine(float x1, float y1, float x2, float y2, float width) {
  if (!file().isOpen() || !usable(kTag, "drawLine", "a coordinate or the width", {x1, y1, x2, y2, width})) return;
  file().print("%.2f %.2f %.2f %.2f %.2f _dl\n", x1 * kPoints, y1 * kPoints, x2 * kPoints, y2 * kPoints,
               width * kPoints);
}

void vxlibPs_drawPolyline(const double* points, int count, double width, double fill) {
  if (polylineUsable("drawPolyline", points, count, width)) polyline(points, count, width, fill);
}

void vxlibPs_drawPolylineExtended(const double* points, int count, double width, const char* dashArray,
                                  double fill) {
  if (!polylineUsable("drawPolylineExtended", points, count, width)) return;
  if (!usableDash(dashArray)) {
    toolSubsystem_printf("%s: drawPolylineExtended: the dash array is not a list of numbers, nothing drawn.\n", kTag);
    return;
  }
  file().print("[%s] 0 setdash\n", dashArray);
  polyline(points, count, width, fill);
}

void vxlibPs_drawText(double x, double y, const char* text, double height, double angle, int justification) {
  if (!file().isOpen() || !usableText(kTag, "drawText", text) ||
      !usable(kTag, "drawText", "the position or the height", {x, y, height}) ||
      !usable(kTag, "drawText", "the angle", {angle}, kMaxAngle))
    return;
  const char* procedure = justification == 0 ? "_dtfc" : justification == 1 ? "_dtfr" : "_dtfl";
  file().print("%.2f %.2f (%s) %.2f %.2f %s\n", x * kPoints, y * kPoints, stringBody(text).c_str(), height * kPoints,
               angle, procedure);
}

void vxlibPs_drawArc(double cx, double cy, double radius, double startAngle, double endAngle, double width) {
  if (!file().isOpen() || !usable(kTag, "drawArc", "the centre, radius or width", {cx, cy, radius, width}) ||
      !usable(kTag, "drawArc", "an angle", {startAngle, endAngle}, kMaxAngle))
    return;
  const double a = startAngle * kPi / 180.0;
  file().print("%.2f setlinewidth\n", width * kPoints);
  file().print("%.2f %.2f moveto\n", (cx + radius * std::cos(a)) * kPoints, (cy + radius * std::sin(a)) * kPoints);
  arcLine(cx, cy, radius, startAngle, endAngle);
  file().print("stroke\n");
}

void vxlibPs_fillCirc(double cx, double cy, double radius, double startAngle, double endAngle, double grey) {
  if (!file().isOpen() || !usable(kTag, "fillCirc", "the centre or radius", {cx, cy, radius}) ||
      !usable(kTag, "fillCirc", "an angle", {startAngle, endAngle}, kMaxAngle) ||
      !usable(kTag, "fillCirc", "the grey", {grey}, 1.0))
    return;
  file().print("%.2f setgray\n", grey);
  file().print("%.2f %.2f moveto\n", cx * kPoints, cy * kPoints);
  arcLine(cx, cy, radius, startAngle, endAngle);
  file().print("closepath fill\n");
  file().print("%.2f setgray\n", 0.0);
}

int vxlibPs_includeEPSFile(const char* path, double scaleX, double scaleY, double x, double y, double rotation) {
  if (!file().isOpen() || !usable(kTag, "includeEPSFile", "the position or a scale", {x, y, scaleX, scaleY}) ||
      !usable(kTag, "includeEPSFile", "the rotation", {rotation}, kMaxAngle))
    return 0;
  // Only a regular file is opened: a pipe or device named here would block the host or never end.
  struct stat st {};
  std::ifstream in;
  if (path != nullptr && ::stat(path, &st) == 0 && S_ISREG(st.st_mode)) in.open(path, std::ios::binary);
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  if (!in || !epsSection(in, static_cast<std::uint64_t>(st.st_size), &offset, &length)) {
    toolSubsystem_printf("%s: unable to load %s.\n", kTag, path != nullptr ? path : "");
    return 0;
  }
  file().print("/EPSsave save def\n");
  file().print("/showpage {} def\n");
  file().print("%.2f %.2f translate %.3f %.3f scale %.2f rotate\n", x * kPoints, y * kPoints, scaleX, scaleY, rotation);
  file().print("%% begin included EPS file\n");
  const bool whole = copyBytes(in, length);
  file().print("%% end included EPS file\n");
  file().print("EPSsave restore\n");
  if (!whole) {
    toolSubsystem_printf("%s: unable to load %s.\n", kTag, path);
    return 0;
  }
  return 1;
}

}  // extern "C"
