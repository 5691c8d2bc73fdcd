// Shared by the plot driver tests: a started library (so out-of-memory messages can be shown),
// a scratch folder, and the outside readers the plots are checked with — Ghostscript for
// PostScript and hp2xx for HP-GL, both rendering to PBM pictures at 10 pixels per millimetre —
// plus a reader of PBM files that answers "is there ink at this point of the page".
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>

#include <array>
#include <cctype>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "support/run_command.hpp"
#include "vxlib/core/vxlib_fixture.hpp"

namespace pixmend::vxlib {

// A PBM picture (P4), 1 = ink.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> bits;

  bool valid() const { return width > 0 && height > 0; }
  bool ink(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    const int stride = (width + 7) / 8;
    return (bits[static_cast<std::size_t>(y) * stride + x / 8] >> (7 - x % 8)) & 1;
  }
  // Ink pixels in the rectangle [x0, x1] x [y0, y1] (pixels, inclusive).
  int inkIn(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) n += ink(x, y) ? 1 : 0;
    return n;
  }
};

// Reads a PBM picture (P4); comment lines in its header are skipped. Invalid on any fault.
inline Picture readPbm(const std::string& path) {
  Picture p;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return p;
  // The header: "P4", width and height as words separated by white space and comments.
  auto word = [f]() {
    std::string w;
    int c;
    while ((c = std::fgetc(f)) != EOF) {
      if (c == '#') {
        while ((c = std::fgetc(f)) != EOF && c != '\n') {
        }
        continue;
      }
      if (std::isspace(c)) {
        if (!w.empty()) break;
        continue;
      }
      w += static_cast<char>(c);
    }
    return w;
  };
  const std::string magic = word();
  const int w = std::atoi(word().c_str());
  const int h = std::atoi(word().c_str());
  if (magic == "P4" && w > 0 && h > 0 && w < 20000 && h < 20000) {
    p.bits.resize(static_cast<std::size_t>((w + 7) / 8) * h);
    if (std::fread(p.bits.data(), 1, p.bits.size(), f) == p.bits.size()) {
      p.width = w;
      p.height = h;
    }
  }
  std::fclose(f);
  return p;
}

using ToolRun = testsupport::CommandRun;

// Runs a shell command with standard error joined to standard output.
inline ToolRun runTool(const std::string& command) { return testsupport::runCommand(command); }

inline bool haveTool(const std::string& name) { return runTool("command -v " + name).status == 0; }

class PlotTest : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    app_ = startApp("Plotter");
    scope_ = std::make_unique<host::AppScope>(app_);
  }
  void TearDown() override {
    // Whatever a test left open is closed, so the next test starts with no open plot.
    vxlibPs_fclose();
    vxlibHpgl_fclose();
    vxlibPcl_fclose();
    vxlibAscii_fclose();
    scope_.reset();
    VxlibTest::TearDown();
  }

  // Renders an A4 PostScript file with Ghostscript at 10 pixels per mm, one picture per page
  // (PAGE.1.pbm, ...). The run tells whether the interpreter took the file without error.
  ToolRun renderPostScript(const std::string& ps, const std::string& pictureBase) {
    return runTool("gs -q -dSAFER -dBATCH -dNOPAUSE -dFIXEDMEDIA -sDEVICE=pbmraw -r254 -g2100x2970 -sOutputFile=" +
                   pictureBase + ".%d.pbm " + ps);
  }
  // Pixel of a page point given in mm (A4 upright at 10 pixels per mm; row 0 at the top).
  static int col(double xMm) { return static_cast<int>(xMm * 10.0 + 0.5); }
  static int row(double yMm) { return 2970 - static_cast<int>(yMm * 10.0 + 0.5); }

  static std::vector<std::string> textLines(std::size_t from) { return texts("text", from); }

  host::Application* app_ = nullptr;
  std::unique_ptr<host::AppScope> scope_;
};

}  // namespace pixmend::vxlib
