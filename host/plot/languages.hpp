// The page languages a host plot is written in: PostScript and HP-GL/2. The renderer
// (render.cpp) hands a writer page coordinates in millimetres from the paper's lower-left corner;
// the writer turns them into the language's own units. What lies outside the printable window is
// clipped by the language itself (a clip path, an input window).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/plot/driver.hpp"
#include "host/types.h"

namespace pixmend::host::plot {

struct Pen {
  RgbColorDef colour{0, 0, 0};
  double width = 0.25;  // millimetres
  int style = 0;        // the host's line styles 0 to 7
};

struct PageWindow {
  double paperWidth = 0, paperHeight = 0;  // millimetres
  double left = 0, bottom = 0, right = 0, top = 0;  // the printable window
  int copies = 1;
};

class PageWriter {
 public:
  virtual ~PageWriter() = default;
  // A polyline through `points` (x, y in millimetres; z ignored); closed and filled when asked.
  virtual void polyline(const std::vector<DPoint3d>& points, bool closed, bool filled, const Pen& pen) = 0;
  // A text in fixed pitch: `corner` its box's lower-left corner, `angle` in degrees, each of its
  // characters `charWidth` wide and the box `height` high; `text` is Latin-1.
  virtual void text(const DPoint3d& corner, double angle, double charWidth, double height, const std::string& text,
                    const RgbColorDef& colour) = 0;
  // The whole file, ended.
  virtual std::string finish() = 0;
};

std::unique_ptr<PageWriter> makeWriter(Language language, const PageWindow& window, const std::string& title);

}  // namespace pixmend::host::plot
