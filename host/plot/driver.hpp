// Plot-driver files (".plt"): what a plot descriptor is made from. A driver is a small text file
// of "key = value" lines ('#' starts a comment):
//
//   description = A4 PostScript on the office printer
//   language  = postscript | hpgl2       what the plot file is written in
//   output    = file | system-printer    a file (the default), or the printing system
//   printer   = NAME                     the printer (system printer: "" is the default printer)
//   file      = NAME                     the driver's own output file
//   extension = ps                       default extension of output files
//   margin    = 5                        unprintable border on every side, millimetres (0 to 100)
//   paper     = NAME WIDTH HEIGHT        a paper of the driver's own, millimetres
//
// Every driver offers the ISO papers A0 to A5 beside its own. A file is read no further than
// kMaxDriverBytes; an unknown key, a value out of range or a malformed line is refused with its
// line number, so a broken driver never plots something else than what it says.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pixmend::host::plot {

constexpr std::size_t kMaxDriverBytes = 64 * 1024;
constexpr std::size_t kMaxPapers = 64;

enum class Language { PostScript, Hpgl2 };

struct Paper {
  std::string name;
  double width = 0;   // millimetres, the whole sheet
  double height = 0;
};

struct Driver {
  std::string path;
  std::string description;
  Language language = Language::PostScript;
  bool systemPrinter = false;
  std::string printer;
  std::string file;
  std::string extension;
  double margin = 0;
  std::vector<Paper> papers;  // the driver's own, then A0 to A5 unless it redefines them
};

// Reads the driver file `path`. False with the reason (and the line) in `error`.
bool readDriver(const std::string& path, Driver* out, std::string* error);

// The paper named `name` (case-insensitive), or null; null `name`: the driver's first own paper,
// or A4 for a driver without papers of its own.
const Paper* findPaper(const Driver& driver, const char* name);

}  // namespace pixmend::host::plot
