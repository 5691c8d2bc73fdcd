// What the plot drivers share inside the library: the driver interface (begin, page and end
// hooks in one table, so the dispatch family and the element printing choose a driver by output
// type), a driver's output file with bounded formatted writes, the checks every drawing call makes
// on its numbers, and the paper and line tables.
//
// Every driver keeps its own file, one at a time. All coordinates the drivers take are page
// millimetres. A drawing call on a driver without an open file does nothing; a call whose
// numbers are not finite or lie beyond kMaxCoordinate is refused with a diagnostic on the host's
// text window and writes nothing, so no file ever holds a number its reader cannot take.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>

#include "host/mdl.h"
#include "pixmend/vxlib.h"

namespace pixmend::vxlib::plot {

// Output types of vxlibPrint_fopen.
constexpr int kOutputPostScript = 0;
constexpr int kOutputHpgl = 1;
constexpr int kOutputText = 4;
constexpr int kOutputPcl = 5;

// Largest coordinate, length or size a driver takes, in millimetres (100 m: far beyond any
// paper, and small enough for every format's integer units).
constexpr double kMaxCoordinate = 100000.0;
// Largest angle in degrees, and the longest text a driver writes.
constexpr double kMaxAngle = 1.0e6;
constexpr std::size_t kMaxTextLength = 4096;

// ---- The driver interface ----------------------------------------------------------------------
struct Driver {
  int outputType;
  const char* name;
  // Opens the driver's file and writes its start; `paperCode` is the current paper (only the PCL
  // driver uses it). 1 on success, 0 when the file cannot be opened (reported).
  int (*begin)(const char* path, int paperCode);
  // Ends the page and starts the next.
  void (*page)();
  // Ends the last page and closes the file: 0, or VXLIB_ERROR when the file could not be
  // written (reported; the old file is then as it was).
  int (*end)();
};

extern const Driver kPostScriptDriver;
extern const Driver kHpglDriver;
extern const Driver kPclDriver;
extern const Driver kTextDriver;

// The driver of an output type, or null for any other value.
const Driver* driverFor(int outputType);

// ---- A driver's output file -------------------------------------------------------------------
class DriverFile {
 public:
  // `tag` starts the driver's messages ("vxpslib").
  explicit DriverFile(const char* tag) : tag_(tag) {}
  DriverFile(const DriverFile&) = delete;
  DriverFile& operator=(const DriverFile&) = delete;

  // Opens `path` through the host's plot files. False, after "<tag>: cannot open <path>.\n" on the
  // text window, when it cannot be written. A file still open is closed first.
  bool open(const char* path);
  bool isOpen() const { return file_ != nullptr; }
  const std::string& path() const { return path_; }

  // Formatted and raw writes (the formatted text is sized before it is written, never cut).
  void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void write(const void* data, std::size_t size);
  void write(const std::string& text) { write(text.data(), text.size()); }

  // Completes the file. 0, or VXLIB_ERROR after "<tag>: cannot write <path>.\n" when any write or
  // the completion failed.
  int close();

 private:
  const char* tag_;
  PlotFile* file_ = nullptr;
  std::string path_;
};

// ---- Checks on the numbers of a drawing call --------------------------------------------------
// True when every value is finite and within `limit`; otherwise "<tag>: <call>: <what> is not a
// usable number, nothing drawn.\n" on the text window.
bool usable(const char* tag, const char* call, const char* what, std::initializer_list<double> values,
            double limit = kMaxCoordinate);
// The same for `count` points of 3 doubles (x and y checked; z is not used).
bool usablePoints(const char* tag, const char* call, const double* points, int count);
// A text a driver can write: not null and at most kMaxTextLength characters (reported otherwise).
bool usableText(const char* tag, const char* call, const char* text);

// A fill value of 0 to 1 fills with that grey; anything else (NaN included) draws the outline.
inline bool fills(double fill) { return fill >= 0.0 && fill <= 1.0; }

// ---- Paper and line tables ------------------------------------------------------------------------
struct Paper {
  const char* name;
  double width;   // mm
  double height;  // mm
};
// Paper codes 1 to 12 (A0 to A5, each upright then turned), or null for any other code.
const Paper* paperFor(int code);

// By an element's line weight (0 to 15; any other counts as 2) and line style (0 to 7; any
// other counts as 0): the line width in mm, the PostScript dash array ("" for a solid line),
// and the PCL line type and pattern length.
double lineWidth(int weight);
const char* postScriptDash(int style);
int pclLineType(int style);
double pclPatternLength(int style);

// ---- The current output ---------------------------------------------------------------------------
// The output type vxlibPrint_fopen made current (-1 before any).
int currentOutputType();
// The angle in degrees a page being printed is turned by (90 while a turned page is printed,
// else 0): the text file takes texts relative to it.
double pageAngle();
void setPageAngle(double degrees);

}  // namespace pixmend::vxlib::plot
