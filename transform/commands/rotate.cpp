// The rotate commands (see commands.hpp):
//   rotateCommand             the angle typed in the tool settings, accepted with a data point
//   rotateHorizontalCommand   two points along something that should be horizontal; the
//                             dynamics show the line and its direction
//   rotateOperation           both end here: quarter turns by the host's image rotation, every
//                             other angle by the affine warp engine under a completion bar, then
//                             the geometric write-back
//
// Angles: the typed angle turns the drawing counter-clockwise as seen in the design. A quarter
// turn is exact; any other angle turns by t = 360 - angle through the engine (x' = a x + b y + c,
// y' = d x + e y + f with rows counted downward), whose output box is the bounding box of the
// turned corners. Degrees and radians go through pi taken as 3.14159265359, so a drawn vertical
// line asks for 270.0000000000059 degrees: the engine's path, not the exact quarter turn.
//
// Placement: the pixels keep their size (the extent grows with the bitmap) and the origin, the
// lower-left corner, stays where it is: the turned raster grows up and to the right of it, so 90
// then 270 degrees come back to the very placement they started from. Other applications and
// stored designs place a turned raster by its unchanged origin, so the drawing is not re-centred.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/params.hpp"
#include "app/session.hpp"
#include "app/undo.hpp"
#include "pixmend/vxdll.h"
#include "transform/commands/commands.hpp"
#include "transform/commands/dynamics.hpp"

namespace pixmend::app {
namespace {

constexpr double kRadiansPerDegree = 0.017453292519944444;
constexpr double kDegreesPerRadian = 57.29577951307855;

// The rotation state: one for the process, as the host runs one command at a time.
struct RotationState {
  double pendingAngle = 0;  // degrees
  int rotateMode = 0;       // 0 by the typed angle, 1 horizontal by two points
  DPoint3d firstPoint{};
};

RotationState state;

const char* const kRotating = "Rotating...";

// The typed angle: the tool settings' text read as a decimal number; anything that is not a
// number reads as 0 (and is refused as out of range).
double typedAngle() {
  const VxRasterParams* p = params();
  if (p == nullptr) return 0;
  char text[sizeof p->rotationAngleText + 1] = {};
  std::memcpy(text, p->rotationAngleText, sizeof p->rotationAngleText);
  return std::atof(text);
}

// The direction of the line from the first point to `cursor` in [0, 180) degrees, as the
// dynamics show it.
double directionAngle(const DPoint3d& cursor) {
  const double dx = cursor.x - state.firstPoint.x, dy = cursor.y - state.firstPoint.y;
  if (dx != 0 && dy != 0) {
    double angle = std::atan(dy / dx) * kDegreesPerRadian;
    while (angle < 0) angle += 180;
    return angle;
  }
  return cursor.y == state.firstPoint.y ? 0 : 90;
}

// The rotation that makes the line from the first point to `point` horizontal: a line rising at
// 30 degrees asks for 330, a falling one for 30; a point on the first one asks for 0.
double horizontalAngle(const DPoint3d& point) {
  double angle = 0;
  if (point.x != state.firstPoint.x || point.y != state.firstPoint.y) {
    angle = std::atan((point.y - state.firstPoint.y) / (point.x - state.firstPoint.x)) * kDegreesPerRadian;
  }
  angle = -angle;
  while (angle < 0) angle += 360;
  return angle;
}

struct Turned {
  ImageBlock bitmap;
  Point2d size{};
};

// The quarter turn by `degrees` (90, 180 or 270) through the host. False, with the user told,
// when the host cannot turn it.
bool quarterTurn(const ActiveRaster& r, int degrees, Turned& out) {
  const int status = mdlImage_rotate(out.bitmap.slot(), &out.size, r.bitmap, &r.size, IMAGEFORMAT_BITMAP, degrees,
                                     mdlImage_checkStop);
  if (status == SUCCESS) return true;
  okBox(status == MDLERR_INSFMEMORY ? "Insufficient memory is available" : "Invalid image format", 4);
  return false;
}

// The engine's coefficients for a turn by t degrees, t inside one of the four open quadrants, of
// a W x H bitmap: the turned bitmap's box starts near (0, 0).
struct Coefficients {
  double a, b, c, d, e, f;
};

Coefficients turnCoefficients(double t, double W, double H) {
  const double A = t * kRadiansPerDegree;
  const double sinA = std::sin(A), cosA = std::cos(A);
  Coefficients k{cosA, -sinA, 0, sinA, cosA, 0};
  if (t < 90) {
    k.c = W * sinA * sinA;
    k.f = -W * sinA * cosA;
  } else if (t < 180) {
    const double B = (t - 90) * kRadiansPerDegree;
    const double T = W * std::cos(B) + H * std::sin(B);
    k.c = T * sinA - W * std::sin(B) * cosA;
    k.f = -T * cosA - W * std::sin(B) * sinA;
  } else if (t < 270) {
    const double C = (t - 180) * kRadiansPerDegree;
    const double U = W * std::cos(C) + H * std::sin(C);
    k.c = H * std::cos(C) * sinA - U * cosA;
    k.f = -H * std::cos(C) * cosA - U * sinA;
  } else {
    const double D = (t - 270) * kRadiansPerDegree;
    k.c = -H * std::cos(D) * cosA;
    k.f = -H * std::cos(D) * sinA;
  }
  return k;
}

// The turn by t degrees (not a quarter turn) through the affine engine, with a completion bar.
// The new bitmap is had before anything is let go: when it cannot be had, or the engine refuses
// the transform, the user is told and the raster stays as it is.
bool engineTurn(const ActiveRaster& r, double t, Turned& out) {
  const double W = r.size.x, H = r.size.y;
  const double A = t * kRadiansPerDegree;
  const double width = std::fabs(W * std::cos(A)) + std::fabs(H * std::sin(A));
  const double height = std::fabs(H * std::cos(A)) + std::fabs(W * std::sin(A));
  out.size = Point2d{static_cast<int>(width), static_cast<int>(height)};
  const int bytes = mdlImage_memorySize(&out.size, IMAGEFORMAT_BITMAP);
  if (bytes > 0) *out.bitmap.slot() = static_cast<unsigned char*>(std::calloc(static_cast<std::size_t>(bytes), 1));
  if (bytes <= 0 || out.bitmap.get() == nullptr) {
    okBox("Insufficient memory is available", 4);
    return false;
  }
  const Coefficients k = turnCoefficients(t, W, H);
  VXDllWarpAffineRotPre(r.bitmap, k.a, k.d, k.b, k.e, k.c, k.f, r.size.x, r.size.y, out.size.x, out.size.y,
                        mdlImage_memorySize(&r.size, IMAGEFORMAT_BITMAP));
  int minX = 0, minY = 0, maxX = 0, maxY = 0;
  VXDllGetNewMaxAndMin(&minX, &minY, &maxX, &maxY);
  if (maxX <= minX || maxY <= minY) {
    // The engine refused the set-up (it could not copy the source) and holds nothing.
    okBox("Insufficient memory is available", 4);
    return false;
  }
  CompletionBar* bar = mdlDialog_openCompletionBar(kRotating);
  VXDllWarpAffine(out.bitmap.get(), r.size.x, r.size.y, out.size.x, out.size.y, bytes, mdlDialog_completionBarUpdate,
                  bar, kRotating);
  mdlDialog_completionBarClose(bar);
  return true;
}

// The rotate operation, on the accept point of either command.
void rotateOperation(DPoint3d* point, int) {
  if (state.rotateMode == 0) {
    state.firstPoint = *point;
    state.pendingAngle = typedAngle();
  }
  mdlOutput_printf(MSG_PROMPT, "Rotate raster > Rotating...");
  const double angle = state.pendingAngle;
  ActiveRaster& r = activeRaster();
  if (angle >= 360 || !(angle > 0)) {
    okBox("The rotation must be between 0 and 360 degrees", 3);
    mdlOutput_printf(MSG_PROMPT, "Rotate raster > Raster not rotated");
    mdlState_clear();
    return;
  }
  if (r.loaded == 0) {
    mdlState_clear();
    return;
  }
  const bool quarter = angle == 90 || angle == 180 || angle == 270;
  const double t = 360 - angle;
  state.pendingAngle = t;
  Turned turned;
  if (!(quarter ? quarterTurn(r, static_cast<int>(angle), turned) : engineTurn(r, t, turned))) {
    mdlOutput_printf(MSG_PROMPT, "Rotate raster > Raster not rotated");
    mdlState_clear();
    return;
  }
  const Point2d oldSize = r.size;
  pushUndo();
  freeActiveBitmap();
  r.bitmap = turned.bitmap.release();
  r.size = turned.size;
  // The pixels keep their size: a quarter turn exchanges the extents, any other turn grows them
  // with the bitmap.
  if (quarter && angle != 180) {
    const double x = r.extentX;
    r.extentX = r.extentY;
    r.extentY = x;
  } else if (!quarter) {
    r.extentX = r.extentX / oldSize.x * r.size.x;
    r.extentY = r.extentY / oldSize.y * r.size.y;
  }
  // The origin stays: no pixel shift.
  writeBackGeometry(Point2d{0, 0});
  mdlOutput_printf(MSG_PROMPT, "Rotate raster > Raster rotated");
  mdlState_clear();
}

void horizontalDynamics(DPoint3d* cursor, int, int) {
  if (!buildLine(state.firstPoint, *cursor)) return;
  mdlOutput_printf(MSG_PROMPT, "Rotate raster horizontale > select rotate angle: %.2lf", directionAngle(*cursor));
}

void horizontalAccept(DPoint3d* point, int view) {
  state.pendingAngle = horizontalAngle(*point);
  rotateOperation(point, view);
}

void horizontalFirstPoint(DPoint3d* point, int) {
  state.firstPoint = *point;
  mdlState_dynamicUpdate(horizontalDynamics, 0);
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(horizontalAccept));
  mdlState_setFunction(STATE_RESET, reinterpret_cast<void*>(restartCommand));
}

}  // namespace

void rotateCommand() {
  if (!ensureActiveRaster()) return;
  state.rotateMode = 0;
  mdlState_startPrimitive(rotateOperation, nullptr, 0, 0);
  mdlOutput_printf(MSG_PROMPT, "Rotate raster > Accept rotation angle");
}

void rotateHorizontalCommand() {
  if (!ensureActiveRaster()) return;
  state.rotateMode = 1;
  mdlState_startPrimitive(horizontalFirstPoint, restartCommand, 0, 0);
  mdlOutput_printf(MSG_PROMPT, "Rotate raster horizontal > Enter first point");
}

}  // namespace pixmend::app
