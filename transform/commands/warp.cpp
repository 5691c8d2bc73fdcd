// The warp command (see commands.hpp): the raster fitted onto known places of the design. The
// user enters pairs of points, an image point (a place on the raster as it lies) and its
// monument point (where that place belongs), with a rubber line from the one to the other. Two
// pairs scale and move x and y each on its own (a third pair is made from them); three pairs, with
// the tool settings' "Three", give a general affine fit. The host's image warp resamples the
// bitmap into the fitted box, the geometric write-back writes it and re-places the attachment,
// and the command starts again. A warp cannot be undone: it empties the undo store.
//
// Pixel positions here are x = (X - origin.x) / d and y = (Y - origin.y) / d, with y upward from
// the raster's lower edge and d = extent.x / width.
//
// Refused before anything changes (the raster, its undo and its file stay as they are), each
// with a message: point sets that fix no transform (monument points on one line, image points on
// one line or repeated), fits that are not finite, and warped rasters too large to hold. The host
// transform maps output pixel positions, from the new lower-left corner, exactly to source
// positions; nothing is added to it.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "app/params.hpp"
#include "app/session.hpp"
#include "app/undo.hpp"
#include "transform/affine.hpp"
#include "transform/commands/commands.hpp"
#include "transform/commands/dynamics.hpp"

namespace pixmend::app {
namespace {

struct WarpPoints {
  DPoint3d image[3]{};
  DPoint3d monument[3]{};
  DPoint3d rubberAnchor{};
};

WarpPoints points;

// Corners farther out than this cannot even be counted in pixels (an int).
constexpr double kMaxCorner = 1073741824.0;

bool threePairs() {
  const VxRasterParams* p = params();
  return p != nullptr && p->warpThreePoints == 1;
}

void prompt(const char* text) {
  mdlOutput_printf(MSG_PROMPT, "%s", text);
}

// Solves the rows [X, Y, 1, value] for (s0, s1, s2) with value = s0 X + s1 Y + s2, by elimination
// without row exchanges, except where a pivot is exactly 0: then the next row with a non-zero
// entry in that column takes its place. (Dividing by 1 instead, as the fit once did, answers a
// system that was never asked: a first monument point on the raster's left edge, x = 0, gave a
// warp that missed its monuments.) The caller has refused point sets with no solution.
void solve(double m[3][4], double s[3]) {
  for (int i = 0; i < 3; ++i) {
    for (int r = i + 1; m[i][i] == 0 && r < 3; ++r) {
      if (m[r][i] != 0)
        for (int k = 0; k < 4; ++k) std::swap(m[i][k], m[r][k]);
    }
    if (i == 2) break;
    for (int r = i + 1; r < 3; ++r)
      for (int k = i + 1; k < 4; ++k) m[r][k] -= (m[i][k] / m[i][i]) * m[r][i];
  }
  s[2] = m[2][3] / m[2][2];
  s[1] = (m[1][3] - m[1][2] * s[2]) / m[1][1];
  s[0] = (m[0][3] - (m[0][1] * s[1] + m[0][2] * s[2])) / m[0][0];
}

// Twice the signed area of the triangle a, b, c against the square of its longest side: 0 for
// points on one line, or a point repeated.
bool flat(const DPoint2d& a, const DPoint2d& b, const DPoint2d& c) {
  const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
  double side = 0;
  for (const auto& [p, q] : {std::pair{a, b}, std::pair{b, c}, std::pair{c, a}})
    side = std::fmax(side, (q.x - p.x) * (q.x - p.x) + (q.y - p.y) * (q.y - p.y));
  return !(std::fabs(area) > 1e-9 * side) || !std::isfinite(area);
}

// The fitted warp: monument pixel position (X, Y) -> image pixel position (s0 X + s1 Y + s2,
// t0 X + t1 Y + t2), the new size, and the shift of the new lower-left corner.
struct Fit {
  double s[3]{}, t[3]{};
  Point2d size{};
  Point2d shift{};
};

// Works out the fit from the pairs entered. Null when they fix no usable warp; `why` then says
// what the user can do about it.
bool fitWarp(const RasterCoordinates& at, Fit& fit, char* why, std::size_t whySize) {
  const double d = at.pixelSize;
  DPoint2d image[3], monument[3];
  for (int i = 0; i < 3; ++i) {
    image[i] = {(points.image[i].x - at.origin.x) / d, (points.image[i].y - at.origin.y) / d};
    monument[i] = {(points.monument[i].x - at.origin.x) / d, (points.monument[i].y - at.origin.y) / d};
  }
  if (flat(monument[0], monument[1], monument[2])) {
    std::snprintf(why, whySize, "The monument points lie on one line: no warp fits the raster to them.");
    return false;
  }
  if (flat(image[0], image[1], image[2])) {
    std::snprintf(why, whySize, "The image points lie on one line or repeat a point: no warp fits the raster to them.");
    return false;
  }
  double x[3][4], y[3][4];
  for (int i = 0; i < 3; ++i) {
    const double row[4] = {monument[i].x, monument[i].y, 1, image[i].x};
    std::memcpy(x[i], row, sizeof row);
    std::memcpy(y[i], row, sizeof row);
    y[i][3] = image[i].y;
  }
  solve(x, fit.s);
  solve(y, fit.t);
  const double* s = fit.s;
  const double* t = fit.t;
  // The inverse: image pixel position (u, v) -> monument pixel position.
  const double J = 1 / (s[0] * t[1] - s[1] * t[0]);
  const double K0 = t[2] * s[1] - s[2] * t[1], K1 = s[2] * t[0] - t[2] * s[0];
  const double W = at.width, H = at.height;
  const double corners[4][2] = {{W, H}, {0, H}, {W, 0}, {0, 0}};
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (int i = 0; i < 4; ++i) {
    const double u = corners[i][0], v = corners[i][1];
    const double X = std::trunc(J * (t[1] * u - s[1] * v + K0));
    const double Y = std::trunc(J * (s[0] * v - t[0] * u + K1));
    if (!std::isfinite(X) || !std::isfinite(Y) || std::fabs(X) > kMaxCorner || std::fabs(Y) > kMaxCorner) {
      std::snprintf(why, whySize, "The points fix no warp VXRaster can make of this raster.");
      return false;
    }
    minX = i == 0 ? X : std::fmin(minX, X);
    maxX = i == 0 ? X : std::fmax(maxX, X);
    minY = i == 0 ? Y : std::fmin(minY, Y);
    maxY = i == 0 ? Y : std::fmax(maxY, Y);
  }
  const double width = maxX - minX, height = maxY - minY;
  if (!(width >= 1 && height >= 1) || width > kMaxWarpedSide || height > kMaxWarpedSide ||
      width * height > static_cast<double>(kMaxWarpedPixels)) {
    std::snprintf(why, whySize, "The warped raster would be %.0f x %.0f pixels, which VXRaster cannot make.", width,
                  height);
    return false;
  }
  fit.size = Point2d{static_cast<int>(width), static_cast<int>(height)};
  fit.shift = Point2d{static_cast<int>(minX), static_cast<int>(minY)};
  return true;
}

// The host's transform for the fit: output pixel positions measured from the new lower-left
// corner (X + minX, Y + minY in monument pixels) to source positions, the constants in the third
// column.
Transform hostTransform(const Fit& fit) {
  Transform transform;
  mdlTMatrix_getIdentity(&transform);
  const double minX = fit.shift.x, minY = fit.shift.y;
  const double rows[3][4] = {{fit.s[0], fit.s[1], fit.s[2] + fit.s[0] * minX + fit.s[1] * minY, 0},
                             {fit.t[0], fit.t[1], fit.t[2] + fit.t[0] * minX + fit.t[1] * minY, 0},
                             {0, 0, 0, 0}};
  std::memcpy(transform.form3d, rows, sizeof rows);
  return transform;
}

// The warp of the pairs entered. False when it was refused or failed; the raster is then as it
// was and the user has been told.
bool warpRaster() {
  ActiveRaster& r = activeRaster();
  if (r.loaded == 0) return false;
  const RasterCoordinates at = rasterCoordinates();
  Fit fit;
  char why[256];
  if (!fitWarp(at, fit, why, sizeof why)) {
    char text[512];
    std::snprintf(text, sizeof text, "%s\nNothing was warped.", why);
    okBox(text, 3);
    return false;
  }
  const Transform transform = hostTransform(fit);
  const unsigned char option = 0;
  ImageBlock warped;
  Point2d size = fit.size;
  const int status = mdlImage_warp(warped.slot(), &size, r.bitmap, &r.size, IMAGEFORMAT_BITMAP, &transform, &option,
                                   mdlImage_checkStop);
  if (status != SUCCESS) {
    okBox(status == MDLERR_INSFMEMORY ? "Insufficient memory is available" : "Invalid image format", 4);
    return false;
  }
  // A warp cannot be undone in one step: the store is emptied (and the bitmap counts as edited).
  clearUndo();
  freeActiveBitmap();
  r.bitmap = warped.release();
  r.size = size;
  r.extentX = size.x * at.pixelSize;
  r.extentY = size.y * at.pixelSize;
  writeBackGeometry(fit.shift);
  return true;
}

void rubberDynamics(DPoint3d* cursor, int, int) {
  buildLine(points.rubberAnchor, *cursor);
}

// The completed pair's line, shown (never added to the design), and the dynamics stopped.
void showPair(const DPoint3d& monument) {
  if (buildLine(points.rubberAnchor, monument)) mdlElement_display(dgnBuf, DRAW_MODE_Normal);
  mdlState_dynamicUpdate(nullptr, 0);
}

void next(StateFunc_DataPoint step, const char* text) {
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(step));
  mdlState_setFunction(STATE_RESET, reinterpret_cast<void*>(restartCommand));
  prompt(text);
}

void imagePoint(int pair, const DPoint3d& point) {
  points.image[pair] = point;
  points.rubberAnchor = point;
  mdlState_dynamicUpdate(rubberDynamics, 0);
}

void runWarp() {
  prompt("Warp raster > Warping...");
  if (warpRaster()) prompt("Warp raster > Warping finished");
  mdlState_restartCurrentCommand();
}

void thirdMonument(DPoint3d* point, int) {
  points.monument[2] = *point;
  showPair(*point);
  runWarp();
}

void thirdImage(DPoint3d* point, int) {
  imagePoint(2, *point);
  next(thirdMonument, "Warp raster > Enter 3rd monument point");
}

void secondMonument(DPoint3d* point, int) {
  points.monument[1] = *point;
  showPair(*point);
  if (threePairs()) {
    next(thirdImage, "Warp raster > Enter 3rd image point");
    return;
  }
  // Two pairs: the third is made from them, so that each axis is scaled and moved on its own.
  points.image[2] = {points.image[0].x, points.image[1].y, 0};
  points.monument[2] = {points.monument[0].x, points.monument[1].y, 0};
  if (points.monument[0].x != points.monument[1].x && points.monument[0].y != points.monument[1].y) {
    runWarp();
  } else {
    prompt("Warping with 2 points cannot have monument points with identical x or y value");
  }
}

void secondImage(DPoint3d* point, int) {
  imagePoint(1, *point);
  next(secondMonument, "Warp raster > Enter 2nd monument point");
}

void firstMonument(DPoint3d* point, int) {
  points.monument[0] = *point;
  showPair(*point);
  next(secondImage, "Warp raster > Enter 2nd image point");
}

void firstImage(DPoint3d* point, int) {
  imagePoint(0, *point);
  next(firstMonument, "Warp raster > Enter 1st monument point");
}

}  // namespace

void warpCommand() {
  if (!ensureActiveRaster()) return;
  mdlState_startPrimitive(firstImage, nullptr, 0, 0);
  prompt("Warp raster > Enter 1st image point");
}

}  // namespace pixmend::app
