// Pixel-loop warps, straight from the documented algorithms (see warp_reference.hpp).
#include "support/warp_reference.hpp"

#include <algorithm>
#include <cmath>

namespace pixmend::testsupport {

namespace {

long long strideBits(int width) { return (static_cast<long long>(width) + 7) / 8 * 8; }

bool getBit(const std::uint8_t* p, long long bit) { return (p[bit / 8] & (0x80 >> (bit % 8))) != 0; }
void setBit(std::uint8_t* p, long long bit) { p[bit / 8] = static_cast<std::uint8_t>(p[bit / 8] | (0x80 >> (bit % 8))); }
void clearBit(std::uint8_t* p, long long bit) {
  p[bit / 8] = static_cast<std::uint8_t>(p[bit / 8] & ~(0x80 >> (bit % 8)));
}

bool finite6(const double* v) {
  for (int i = 0; i < 6; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

}  // namespace

// ---- Affine ------------------------------------------------------------------------------------

AffineSetup affineSetUp(double a, double b, double c, double d, double e, double f, int width, int height) {
  AffineSetup s;
  const double fwd[6] = {a, b, c, d, e, f};
  if (width <= 0 || height <= 0 || !finite6(fwd)) return s;
  const double W = width, H = height;
  // Corners (0, 0), (W, 0), (W, H), (0, H).
  const double xs[4] = {c, a * W + c, b * H + a * W + c, b * H + c};
  const double ys[4] = {f, d * W + f, e * H + d * W + f, e * H + f};
  long long x[4], y[4];
  for (int i = 0; i < 4; ++i) {
    if (!(std::fabs(xs[i]) < 2147483648.0 && std::fabs(ys[i]) < 2147483648.0)) return s;
    x[i] = static_cast<long long>(std::trunc(xs[i]));
    y[i] = static_cast<long long>(std::trunc(ys[i]));
  }
  const long long minX = *std::min_element(x, x + 4), maxX = *std::max_element(x, x + 4);
  const long long minY = *std::min_element(y, y + 4), maxY = *std::max_element(y, y + 4);
  if (maxX - minX > (1 << 24) || maxY - minY > (1 << 24) || (maxX - minX) * (maxY - minY) > (1LL << 32)) return s;
  // Inverse, every right-hand side from the forward values.
  const double det = a * e - b * d;
  const double q = 1 / det;
  const double inv[6] = {e * q, -b * q, (f * b - e * c) * q, -d * q, a * q, (d * c - f * a) * q};
  if (!finite6(inv)) return s;
  s.ok = true;
  s.a = inv[0];
  s.b = inv[1];
  s.c = inv[2];
  s.d = inv[3];
  s.e = inv[4];
  s.f = inv[5];
  s.minX = static_cast<int>(minX);
  s.maxX = static_cast<int>(maxX);
  s.minY = static_cast<int>(minY);
  s.maxY = static_cast<int>(maxY);
  return s;
}

void affineSolve(double* xs, double* ys, double out[6]) {
  double* systems[2] = {xs, ys};
  for (int n = 0; n < 2; ++n) {
    double(*M)[4] = reinterpret_cast<double(*)[4]>(systems[n]);
    for (int i = 0; i <= 1; ++i)
      for (int r = i + 1; r <= 2; ++r)
        for (int k = i + 1; k <= 3; ++k) M[r][k] = M[r][k] - (M[i][k] / M[i][i]) * M[r][i];
    const double s2 = M[2][3] / M[2][2];
    const double s1 = (M[1][3] - s2 * M[1][2]) / M[1][1];
    const double s0 = (M[0][3] - (s1 * M[0][1] + s2 * M[0][2])) / M[0][0];
    out[3 * n] = s0;
    out[3 * n + 1] = s1;
    out[3 * n + 2] = s2;
  }
}

void affineWarp(const AffineSetup& s, const std::uint8_t* source, int sourceWidth, int sourceHeight,
                std::uint8_t* output, int outputWidth, int outputHeight, std::vector<int>* percents) {
  if (s.ok && outputWidth > 0 && outputHeight > 0) {
    const long long so = strideBits(outputWidth), ss = strideBits(sourceWidth);
    for (long long y = s.minY; y < s.maxY; ++y) {
      for (long long x = s.minX; x < s.maxX; ++x) {
        const long long col = x - s.minX, row = y - s.minY;
        if (col >= outputWidth || row >= outputHeight) continue;  // outside the caller's output
        const long long l = row * so + col;
        // u = trunc(value) lies in [0, W) exactly when -1 < value < W (for values an int can hold;
        // larger ones fail either way).
        const double uValue = s.a * static_cast<double>(x) + s.b * static_cast<double>(y) + s.c;
        const double vValue = s.d * static_cast<double>(x) + s.e * static_cast<double>(y) + s.f;
        if (!(uValue > -1 && uValue < sourceWidth && vValue > -1 && vValue < sourceHeight)) continue;
        const long long u = static_cast<long long>(uValue), v = static_cast<long long>(vValue);
        const long long bit = v * ss + u;  // row v: the exact mapping
        if (getBit(source, bit)) setBit(output, l);
      }
      const long long percent = (y - s.minY) * 100 / outputHeight;
      if (percents != nullptr && percent <= 100 && percent % 5 == 0) percents->push_back(static_cast<int>(percent));
    }
  }
  if (percents != nullptr) percents->push_back(100);
}

// ---- Perspective -------------------------------------------------------------------------------

namespace {

double dot(Point p, Point q) { return p.x * q.x + p.y * q.y; }
Point minus(Point p, Point q) { return {p.x - q.x, p.y - q.y}; }
Point over(Point p, double l) { return {p.x / l, p.y / l}; }

// One quad's g, alpha, beta; false when degenerate.
bool quadPart(const QuadRef& q, double& g, double& alpha, double& beta) {
  const Point diag = minus(q.v11, q.v00);
  const double L = std::sqrt(diag.x * diag.x + diag.y * diag.y);
  if (L < 0.00001) return false;
  const Point u = over(minus(q.v10, q.v00), L), w = over(minus(q.v01, q.v00), L), d = over(diag, L);
  g = dot(u, u) * dot(w, w) - dot(u, w) * dot(u, w);
  alpha = dot(d, u) * dot(w, w) - dot(d, w) * dot(u, w);
  beta = dot(d, w) * dot(u, u) - dot(d, u) * dot(u, w);
  return true;
}

// k: gA, gB, alphaB, betaB, alphaA, betaA, k6, k7, k8, k9, k10.
bool coefficients(const QuadRef& A, const QuadRef& B, double* k) {
  if (!quadPart(A, k[0], k[4], k[5])) return false;
  if (!quadPart(B, k[1], k[2], k[3])) return false;
  const double gA = k[0], gB = k[1], aB = k[2], bB = k[3], aA = k[4], bA = k[5];
  const double mA = gA - aA - bA, mB = gB - aB - bB;
  k[6] = mA * aB * bA;
  k[7] = mA * aA * bB;
  k[8] = mB * aA * bA;
  k[9] = (aB * gA - gB * aA + bB * aA - aB * bA) * bA;
  k[10] = (bB * gA - gB * bA - bB * aA + aB * bA) * aA;
  return true;
}

Point mapPoint(const double* k, const QuadRef& B, double s, double t) {
  const double D = s * k[9] + t * k[10] + k[8];
  const double sigma = s * k[6] / D;
  const double tau = t * k[7] / D;
  return {(1 - sigma - tau) * B.v00.x + sigma * B.v10.x + tau * B.v01.x,
          (1 - sigma - tau) * B.v00.y + sigma * B.v10.y + tau * B.v01.y};
}

}  // namespace

PerspectiveSetup perspectiveSetUp(int a, int b, const int* c) {
  PerspectiveSetup out;
  if (a <= 0 || b <= 0) return out;
  QuadRef pre{{double(c[0]), double(c[1])}, {double(c[4]), double(c[5])}, {double(c[8]), double(c[9])},
              {double(c[12]), double(c[13])}};
  QuadRef post{{double(c[2]), double(c[3])}, {double(c[6]), double(c[7])}, {double(c[10]), double(c[11])},
               {double(c[14]), double(c[15])}};
  double R[11] = {};
  coefficients(post, pre, out.k);  // result not used: recomputed below
  if (!coefficients(pre, post, R)) return out;
  const double A = a, B = b;
  const double tp = B / (B - 1);
  const double ss[4] = {(A - pre.v01.x * tp) / (A - 1), -pre.v01.x * tp / (A - 1), A / (A - 1), 0};
  const double ts[4] = {tp, tp, 0, 0};
  Point m[4];  // corners (a, b), (0, b), (a, 0), (0, 0)
  int width = 0, height = 0;
  for (int i = 0; i < 4; ++i) {
    const Point p = mapPoint(R, post, ss[i], ts[i]);
    if (!(std::fabs(p.x) < (1 << 24) && std::fabs(p.y) < (1 << 24))) return out;
    m[i] = {std::trunc(p.x), std::trunc(p.y)};
    width = std::max(width, static_cast<int>(m[i].x));
    height = std::max(height, static_cast<int>(m[i].y));
  }
  if (static_cast<double>(width) * height > 4294967296.0) return out;
  pre = {{0, 0}, {A - 1, 0}, {A - 1, B - 1}, {0, B - 1}};
  post = {m[3], m[2], m[0], m[1]};
  if (!coefficients(post, pre, out.k)) return out;
  out.pre = pre;
  out.post = post;
  out.width = width;
  out.height = height;
  out.ok = true;
  return out;
}

void perspectiveWarp(const PerspectiveSetup& s, const std::uint8_t* source, int a, int b, std::uint8_t* output,
                     int c, int n) {
  if (!s.ok) return;
  const long long sa = strideBits(a), sc = strideBits(c);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < c; ++j) {
      const double t = static_cast<double>(i) / (n - 1);
      const double sv = (j - s.post.v01.x * t) / (c - 1);
      const Point P = mapPoint(s.k, s.pre, sv, t);
      if (!(1 <= P.x && P.x < a - 1 && 1 <= P.y && P.y < b - 1)) continue;
      const long long u = static_cast<long long>(std::floor(P.x)), v = static_cast<long long>(std::floor(P.y));
      const long long out = static_cast<long long>(n - 1 - i) * sc + j;
      if (getBit(source, v * sa + u))
        setBit(output, out);
      else
        clearBit(output, out);
    }
  }
}

}  // namespace pixmend::testsupport
