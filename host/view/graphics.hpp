// Temporary graphics as the views show them: elements displayed with mdlElement_display, the
// elements of the last dynamics call and the fence. Nothing here is ever part of a design; the
// pictures of a view (picture.hpp) draw it over the raster attachments.
//
// How long each lasts, as on a screen:
// - a displayed element, until the view is redrawn (a raster reloaded or opened with its views,
//   mdlView_updateSingle, the views redrawn after an attachment changed) or until the command
//   that displayed it ends (cleared, or another command starts; a command that restarts itself
//   keeps what it showed);
// - the elements of a dynamics call, until the next call, or until dynamics stop or the command
//   ends;
// - the fence, until it is replaced or removed.
// Draw mode 1 (erase) paints in the paper's colour, mode 2 (highlight) in the highlight colour,
// every other mode in the element's own colour.
#pragma once

#include <memory>
#include <vector>

#include "host/types.h"
#include "host/view/view.hpp"

namespace pixmend::host {

// The colour of element colour `index` (0 to kElementColours - 1; others give colour 0), the same
// in every model (host/view/colours.cpp).
constexpr int kElementColours = 256;
RgbColorDef elementColour(int index);

// At most this many displayed elements are kept; the oldest go first.
constexpr std::size_t kMaxKeptGraphics = 10000;

void keepDisplayed(const ElementInfo& element, int drawMode);

// A dynamics call is about to draw: what the previous one drew is gone.
void startDynamicsFrame();
void keepDynamics(const ElementInfo& element, int drawMode);
// Dynamics stopped.
void clearDynamicsGraphics();

// The views were redrawn: what was displayed in `view` is gone (-1: in every view).
void viewsRedrawn(int view);
// The current command ended: every displayed and dynamics element is gone.
void commandGraphicsEnded();

// The fence (closed: the first vertex repeated last) as `view` shows it; null removes it.
void showFence(const std::vector<DPoint3d>* vertices, int view);

// How many displayed elements a view shows now (for tests and diagnostics).
std::size_t displayedCount(int view);

// A run of picture pixels [first, last] of one row painted in one colour (0 to 1 each).
struct PaintSpan {
  int first = 0;
  int last = -1;
  double rgb[3] = {0, 0, 0};
};

// The temporary graphics of one view mapped into a picture of `width` x `height` pixels showing
// `area` (view coordinates; `rotation` takes design to view coordinates). Built once per picture,
// then asked row by row.
// What a drawing leaves out (views draw everything; a drawing into a window follows its view
// flags).
struct PaintOptions {
  bool fill = true;     // filled elements filled
  bool text = true;     // texts drawn
  bool weights = true;  // line weights (else every line one pixel wide)
  bool construction = true;
};

class GraphicsPainter {
 public:
  GraphicsPainter(int view, const RotMatrix& rotation, const ViewArea& area, int width, int height);
  // The given elements, in order, instead of a view's temporary graphics.
  GraphicsPainter(const std::vector<ElementInfo>& elements, int drawMode, const PaintOptions& options,
                  const RotMatrix& rotation, const ViewArea& area, int width, int height);
  ~GraphicsPainter();
  GraphicsPainter(const GraphicsPainter&) = delete;
  GraphicsPainter& operator=(const GraphicsPainter&) = delete;

  bool empty() const;
  // The spans of picture row `j`, in drawing order (later spans cover earlier ones).
  void row(int j, std::vector<PaintSpan>& out) const;

 private:
  struct Shapes;
  struct Mapping;
  void add(const Mapping& m, const ElementInfo& e, int drawMode);
  // A text as the views draw it: its characters (textlook.hpp), or the outline of its box
  // (`box`, in picture pixels) when they are too small to read.
  static void addText(Shapes& s, const Mapping& m, const std::vector<DPoint2d>& box, const ElementInfo& e,
                      const double rgb[3]);
  std::unique_ptr<Shapes> shapes_;
};

}  // namespace pixmend::host
