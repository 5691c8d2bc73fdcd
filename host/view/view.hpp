// The view group's C++ side: view rotations for scripts and tests, the reading of the element
// images built by the element calls, and the dynamics flag that routes displays to "dynamics".
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/types.h"
#include "host/view/geometry.hpp"

namespace pixmend::host {

struct TextLook;

// Sets a view's rotation (false for a view out of range). rotateViewAboutZ turns a top view by
// `degrees` counter-clockwise.
bool setViewRotation(int view, const RotMatrix& matrix);
bool rotateViewAboutZ(int view, double degrees);

// The area a view shows, in view coordinates (design coordinates turned by the view's rotation):
// set by a session, or, while none is set, whatever the view has to show (the raster
// attachments' extent). A data point outside a view's set area cannot have been given in it.
struct ViewArea {
  DPoint2d low{};
  DPoint2d high{};
};
// False for a view out of range or an area without width or height or with non-finite corners
// (any two opposite corners may be given).
bool setViewArea(int view, const DPoint2d& corner1, const DPoint2d& corner2);
void clearViewArea(int view);
std::optional<ViewArea> viewArea(int view);
// True when the design point lies in the view's set area, or the view has none.
bool viewShowsPoint(int view, const DPoint3d& point);

// What an element image of the view group holds, as the views draw it.
struct OutlinePart {
  std::vector<DPoint3d> vertices;         // a line, line string or shape
  std::optional<geometry::Curve> curve;   // or an ellipse or arc
};
struct ElementInfo {
  int type = 0;
  int level = 0;
  unsigned color = 0, weight = 0;
  int style = 0;
  bool colorByLevel = false, weightByLevel = false, styleByLevel = false;  // drawn as 0
  bool filled = false;
  std::vector<DPoint3d> vertices;    // lines, line strings and shapes; a text's box (closed)
  std::vector<OutlinePart> outline;  // ellipses and arcs (their curve); complex shapes (components in order)
  std::shared_ptr<const TextLook> text;  // a text's characters (textlook.hpp)
};
// Lines, line strings, shapes, ellipses, arcs and texts; null for anything else or a broken image.
std::optional<ElementInfo> readElement(const MSElement& element);
// A complex shape from its header and its components (lines, line strings, arcs; other
// components are not part of an outline): null when anything is broken or missing.
std::optional<ElementInfo> readComplexShape(const MSElement& header, const std::vector<const MSElement*>& components);
// Journals and keeps what mdlElement_display shows (on "display", or "dynamics" in dynamics).
void displayElementInfo(const ElementInfo& info, int drawMode);
// The curve of an ellipse or arc image (checked, or built by the host).
geometry::Curve elementCurve(const MSElement& element);
// Whether the element draws as a closed outline (shapes, ellipses, complex shapes).
bool closedOutline(const ElementInfo& info);

// Element images built from a template: a fresh header of `type` and `words` words whose level and
// symbology come from `templ` when it is a graphic element (it may be `out` itself).
void startFromTemplate(MSElement& out, const MSElement* templ, int type, std::size_t words);
// Every coordinate finite and within the design plane (|c| <= 2^53).
bool inDesignPlane(const DPoint3d* points, int count);
// "shape mode 1 color 0 weight 0 style 2 filled: 0,0 10,0 ..." (the words journaled for a
// display); the mode is left out when negative.
std::string describeElement(const ElementInfo& info, int drawMode = -1);
// Clears an image to "no element" (type 0, no words).
void clearElement(MSElement& element);
// A shape without vertices: what the fence's shape is when there is no fence.
void makeEmptyShape(MSElement& element);
// Whether an image is a line, line string or shape without any vertex (as makeEmptyShape makes).
bool hasNoVertices(const MSElement& element);

// While a DynamicsScope is open, displays journal on "dynamics".
class DynamicsScope {
 public:
  DynamicsScope();
  ~DynamicsScope();
  DynamicsScope(const DynamicsScope&) = delete;
  DynamicsScope& operator=(const DynamicsScope&) = delete;
};
bool inDynamics();

}  // namespace pixmend::host
