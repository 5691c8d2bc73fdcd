// Rendering a plot: the active model's elements inside an area of the design, mapped onto a
// paper's printable window and written in the driver's page language (languages.hpp).
//
// The area's centre goes to the centre of the printable window. Unmaximized, one master unit of
// the design is one millimetre on paper; maximized, the area is scaled to the largest that fits
// the window. Elements are drawn in file order with their effective symbology (by-level values
// resolved): colours from the design's palette, a colour lighter than light grey printed black
// (white paper), weight w as a pen of 0.13 + 0.1 w millimetres, the host's eight line styles as
// dash patterns; curves are stroked within 0.05 mm on paper. Texts are written as text in the
// language, in fixed pitch like the views draw them. Cells and text nodes are drawn through their
// components; a complex shape as one outline.
#pragma once

#include <string>

#include "host/plot/driver.hpp"

namespace pixmend::host::plot {

struct PlotJob {
  const Driver* driver = nullptr;
  Paper paper;
  double low[2] = {0, 0};   // the area, design coordinates (UORs)
  double high[2] = {0, 0};
  bool maximized = false;
  int copies = 1;
  std::string title;
};

struct PlotOutput {
  std::string bytes;
  int elements = 0;        // elements drawn (whole complex elements count once)
  double scale = 1;        // millimetres on paper per master unit
};

PlotOutput renderPlot(const PlotJob& job);

}  // namespace pixmend::host::plot
