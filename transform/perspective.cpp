// The perspective warp: coefficients of a quad pair, the set-up that fixes the output size and
// replaces the quads, the resampling kernel, and the two exported VXDll functions.
//
// The resampling keeps the plain loop's arithmetic per pixel (its divisions cannot be turned
// into steps without changing results) and restructures around it: everything that depends only
// on the row is computed once per row, the source rectangle's zero corners drop out of the
// weighted sum (adding a zero product changes no finite value, and a non-finite one fails the
// range test either way), four columns go through the same IEEE operations side by side where
// the processor has AVX, and 64 output bits with their mask are merged into the row at once.
#include "transform/perspective.hpp"

#include "bitmap/selection.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "host/output/api.h"
#include "include/pixmend/vxdll.h"
#include "transform/affine.hpp"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

namespace pixmend {

namespace {

// Base of one quad: g, alpha, beta (alpha / g and beta / g are the coordinates of v11 - v00 in
// the base v10 - v00, v01 - v00).
bool quadBase(const Quad& q, double& g, double& alpha, double& beta) {
  const double dx = q.v11.x - q.v00.x, dy = q.v11.y - q.v00.y;
  const double len = std::sqrt(dx * dx + dy * dy);
  if (len < 0.00001) return false;
  const double ux = (q.v10.x - q.v00.x) / len, uy = (q.v10.y - q.v00.y) / len;
  const double wx = (q.v01.x - q.v00.x) / len, wy = (q.v01.y - q.v00.y) / len;
  const double ddx = dx / len, ddy = dy / len;
  const double uu = ux * ux + uy * uy, ww = wx * wx + wy * wy, uw = ux * wx + uy * wy;
  const double du = ddx * ux + ddy * uy, dw = ddx * wx + ddy * wy;
  g = uu * ww - uw * uw;
  alpha = du * ww - dw * uw;
  beta = dw * uu - du * uw;
  return true;
}

}  // namespace

bool perspectiveCoefficients(const Quad& a, const Quad& b, PerspectiveCoefficients& k) {
  if (!quadBase(a, k.gA, k.alphaA, k.betaA)) return false;
  if (!quadBase(b, k.gB, k.alphaB, k.betaB)) return false;
  const double mA = k.gA - k.alphaA - k.betaA, mB = k.gB - k.alphaB - k.betaB;
  k.k6 = mA * k.alphaB * k.betaA;
  k.k7 = mA * k.alphaA * k.betaB;
  k.k8 = mB * k.alphaA * k.betaA;
  k.k9 = (k.alphaB * k.gA - k.gB * k.alphaA + k.betaB * k.alphaA - k.alphaB * k.betaA) * k.betaA;
  k.k10 = (k.betaB * k.gA - k.gB * k.betaA - k.betaB * k.alphaA + k.alphaB * k.betaA) * k.alphaA;
  return true;
}

QuadPoint mapTriangle(const PerspectiveCoefficients& k, const Quad& b, double s, double t) {
  const double d = s * k.k9 + t * k.k10 + k.k8;
  const double sigma = s * k.k6 / d, tau = t * k.k7 / d;
  const double w0 = 1 - sigma - tau;
  return {w0 * b.v00.x + sigma * b.v10.x + tau * b.v01.x, w0 * b.v00.y + sigma * b.v10.y + tau * b.v01.y};
}

namespace {

// Merges `bits` under `mask` (bit 63 = column firstColumn, a multiple of 64) into the row.
inline void mergeWord(std::uint8_t* row, std::size_t stride, int firstColumn, std::uint64_t bits, std::uint64_t mask) {
  if (mask == 0) return;
  const std::size_t offset = static_cast<std::size_t>(firstColumn) / 8;
  std::uint8_t* p = row + offset;
  if (offset + 8 <= stride) {
    storeWord(p, (loadWord(p) & ~mask) | bits);
    return;
  }
  for (std::size_t i = 0; offset + i < stride; ++i) {
    const auto m = static_cast<std::uint8_t>(mask >> (56 - 8 * i));
    const auto b = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    p[i] = static_cast<std::uint8_t>((p[i] & ~m) | b);
  }
}

inline bool sourceBit(const ConstBitmapView& s, int u, int v) {
  return ((s.row(v)[u >> 3] >> (7 - (u & 7))) & 1) != 0;
}

}  // namespace

namespace {

// What one output row shares: t and everything computed from it alone.
struct RowTerms {
  double q, tk10, tk7, c1, k9, k6, k8, am1, bm1;
};

// Source pixels of columns j0 .. j0 + count - 1 (count <= 64): px = sigma (a - 1) and
// py = tau (b - 1), each operation as in the plain loop. Returns the columns whose position lies
// in [1, a - 1) x [1, b - 1) as bits (bit 63 - i for column j0 + i) and fills u[i], v[i] with
// the pixel's column and row there (0 elsewhere, so they can be read without a test).
std::uint64_t positionsScalar(const RowTerms& r, int j0, int count, int* u, int* v) {
  std::uint64_t inside = 0;
  for (int i = 0; i < count; ++i) {
    const double s = (j0 + i - r.q) / r.c1;
    const double d = s * r.k9 + r.tk10 + r.k8;
    const double px = s * r.k6 / d * r.am1, py = r.tk7 / d * r.bm1;
    const bool in = px >= 1 && px < r.am1 && py >= 1 && py < r.bm1;  // false for NaN too
    u[i] = in ? static_cast<int>(px) : 0;
    v[i] = in ? static_cast<int>(py) : 0;
    inside |= static_cast<std::uint64_t>(in) << (63 - i);
  }
  return inside;
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define PIXMEND_WARP_AVX 1
// The same operations four columns at a time (AVX, no fused multiply-add: every result is the
// scalar one). Chosen at run time where the processor has AVX.
__attribute__((target("avx"))) std::uint64_t positionsAvx(const RowTerms& r, int j0, int count, int* u, int* v) {
  const __m256d q = _mm256_set1_pd(r.q), c1 = _mm256_set1_pd(r.c1), k9 = _mm256_set1_pd(r.k9);
  const __m256d k6 = _mm256_set1_pd(r.k6), k8 = _mm256_set1_pd(r.k8), tk10 = _mm256_set1_pd(r.tk10);
  const __m256d tk7 = _mm256_set1_pd(r.tk7), am1 = _mm256_set1_pd(r.am1), bm1 = _mm256_set1_pd(r.bm1);
  const __m256d one = _mm256_set1_pd(1.0), step = _mm256_set_pd(3, 2, 1, 0);
  std::uint64_t inside = 0;
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m256d j = _mm256_add_pd(_mm256_set1_pd(j0 + i), step);
    const __m256d s = _mm256_div_pd(_mm256_sub_pd(j, q), c1);
    const __m256d d = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(s, k9), tk10), k8);
    const __m256d px = _mm256_mul_pd(_mm256_div_pd(_mm256_mul_pd(s, k6), d), am1);
    const __m256d py = _mm256_mul_pd(_mm256_div_pd(tk7, d), bm1);
    const __m256d in = _mm256_and_pd(
        _mm256_and_pd(_mm256_cmp_pd(px, one, _CMP_GE_OQ), _mm256_cmp_pd(px, am1, _CMP_LT_OQ)),
        _mm256_and_pd(_mm256_cmp_pd(py, one, _CMP_GE_OQ), _mm256_cmp_pd(py, bm1, _CMP_LT_OQ)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(u + i), _mm256_cvttpd_epi32(_mm256_and_pd(px, in)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(v + i), _mm256_cvttpd_epi32(_mm256_and_pd(py, in)));
    const auto lanes = static_cast<std::uint64_t>(_mm256_movemask_pd(in));  // bit k = column i + k
    const std::uint64_t reversed = ((lanes & 1) << 3) | ((lanes & 2) << 1) | ((lanes & 4) >> 1) | ((lanes & 8) >> 3);
    inside |= reversed << (60 - i);
  }
  if (i < count) inside |= positionsScalar(r, j0 + i, count - i, u + i, v + i) >> i;
  return inside;
}
#endif

using PositionsFunc = std::uint64_t (*)(const RowTerms&, int, int, int*, int*);

PositionsFunc positionsFunc() {
#if PIXMEND_WARP_AVX
  static const PositionsFunc f = __builtin_cpu_supports("avx") ? positionsAvx : positionsScalar;
  return f;
#else
  return positionsScalar;
#endif
}

}  // namespace

void perspectiveResample(ConstBitmapView source, const PerspectiveMapping& mapping, BitmapView output) {
  if (source.empty() || output.empty()) return;
  const int c = output.width, n = output.height;
  const PerspectiveCoefficients& k = mapping.k;
  const double am1 = source.width - 1, bm1 = source.height - 1;
  const double n1 = n - 1, c1 = c - 1;
  const PositionsFunc positions = positionsFunc();
  int u[64], v[64];
  for (int i = 0; i < n; ++i) {
    const double t = i / n1;
    const RowTerms terms{mapping.postV01x * t, t * k.k10, t * k.k7, c1, k.k9, k.k6, k.k8, am1, bm1};
    std::uint8_t* row = output.row(n - 1 - i);
    for (int w0 = 0; w0 < c; w0 += 64) {
      const int count = std::min(c - w0, 64);
      const std::uint64_t inside = positions(terms, w0, count, u, v);
      if (inside == 0) continue;  // every position outside: the output keeps its pixels
      std::uint64_t bits = 0;
      for (int j = 0; j < count; ++j)
        bits |= static_cast<std::uint64_t>(sourceBit(source, u[j], v[j])) << (63 - j);
      mergeWord(row, output.stride, w0, bits & inside, inside);
    }
  }
}

}  // namespace pixmend

// ---- The exported functions -------------------------------------------------------------------------

namespace {

using pixmend::Quad;
using pixmend::QuadPoint;

// The one pending perspective warp (its copy is in the shared slot of affine.hpp).
struct PerspectiveWarpState {
  Quad pre, post;
  pixmend::PerspectiveMapping mapping;
  int sourceWidth = 0;
  int sourceHeight = 0;
};

PerspectiveWarpState g_perspective;

void printQuads(const Quad& pre, const Quad& post) {
  toolSubsystem_printf("\n\n\n\n\npreQuad.v00.x=%lf", pre.v00.x);
  toolSubsystem_printf("\npreQuad.v00.y=%lf", pre.v00.y);
  toolSubsystem_printf("\npreQuad.v10.x=%lf", pre.v10.x);
  toolSubsystem_printf("\npreQuad.v10.y=%lf", pre.v10.y);
  toolSubsystem_printf("\npreQuad.v01.x=%lf", pre.v01.x);
  toolSubsystem_printf("\npreQuad.v01.y=%lf", pre.v01.y);
  toolSubsystem_printf("\npreQuad.v11.x=%lf", pre.v11.x);
  toolSubsystem_printf("\npreQuad.v11.y=%lf", pre.v11.y);
  toolSubsystem_printf("\n\npostQuad.v00.x=%lf", post.v00.x);
  toolSubsystem_printf("\npostQuad.v00.y=%lf", post.v00.y);
  toolSubsystem_printf("\npostQuad.v10.x=%lf", post.v10.x);
  toolSubsystem_printf("\npostQuad.v10.y=%lf", post.v10.y);
  toolSubsystem_printf("\npostQuad.v01.x=%lf", post.v01.x);
  toolSubsystem_printf("\npostQuad.v01.y=%lf", post.v01.y);
  toolSubsystem_printf("\npostQuad.v11.x=%lf", post.v11.x);
  toolSubsystem_printf("\npostQuad.v11.y=%lf", post.v11.y);
}

// Truncates a mapped coordinate; false when it is not finite or beyond the warp limits.
bool truncated(double value, double& out) {
  if (!(std::fabs(value) < pixmend::kMaxWarpedSide)) return false;
  out = static_cast<double>(static_cast<int>(value));
  return true;
}

// The set-up up to the copy; false when refused (the caller then reports 0 x 0).
bool setUpPerspective(int a, int b, const int* corners, int& width, int& height) {
  width = height = 0;
  g_perspective = PerspectiveWarpState{};
  if (corners == nullptr || a <= 0 || b <= 0) return false;
  Quad pre, post;
  QuadPoint* preCorners[4] = {&pre.v00, &pre.v10, &pre.v11, &pre.v01};
  QuadPoint* postCorners[4] = {&post.v00, &post.v10, &post.v11, &post.v01};
  for (int i = 0; i < 4; ++i) {
    *preCorners[i] = {static_cast<double>(corners[4 * i]), static_cast<double>(corners[4 * i + 1])};
    *postCorners[i] = {static_cast<double>(corners[4 * i + 2]), static_cast<double>(corners[4 * i + 3])};
  }
  pixmend::PerspectiveCoefficients r;
  if (!pixmend::perspectiveCoefficients(pre, post, r)) return false;

  // The source's corners (a, b), (0, b), (a, 0), (0, 0) in the pre-quad's triangle coordinates,
  // taken as if its v00, v10 and v01.y were the source rectangle's.
  const double ad = a, bd = b, tp = bd / (bd - 1);
  const double s[4] = {(ad - pre.v01.x * tp) / (ad - 1), -pre.v01.x * tp / (ad - 1), ad / (ad - 1), 0};
  const double t[4] = {tp, tp, 0, 0};
  QuadPoint mapped[4];
  double maxX = 0, maxY = 0;
  for (int i = 0; i < 4; ++i) {
    const QuadPoint p = pixmend::mapTriangle(r, post, s[i], t[i]);
    if (!truncated(p.x, mapped[i].x) || !truncated(p.y, mapped[i].y)) return false;
    maxX = std::max(maxX, mapped[i].x);
    maxY = std::max(maxY, mapped[i].y);
  }
  if (maxX * maxY > static_cast<double>(pixmend::kMaxWarpedPixels)) return false;

  pre.v00 = {0, 0};
  pre.v10 = {ad - 1, 0};
  pre.v11 = {ad - 1, bd - 1};
  pre.v01 = {0, bd - 1};
  post.v00 = mapped[3];
  post.v10 = mapped[2];
  post.v11 = mapped[0];
  post.v01 = mapped[1];
  printQuads(pre, post);

  if (!pixmend::perspectiveCoefficients(post, pre, g_perspective.mapping.k)) return false;
  g_perspective.pre = pre;
  g_perspective.post = post;
  g_perspective.mapping.postV01x = post.v01.x;
  width = static_cast<int>(maxX);
  height = static_cast<int>(maxY);
  return true;
}

}  // namespace

extern "C" {

PIXMEND_API unsigned char* VXDllWarpPerspectivePre(const unsigned char* source, int sourceWidth, int sourceHeight,
                                                   int* outputWidthOut, int* outputHeightOut, int sourceSize,
                                                   const int* corners) {
  pixmend::releaseSourceCopy();
  int width = 0, height = 0;
  const std::uint8_t* copy = nullptr;
  if (source != nullptr && setUpPerspective(sourceWidth, sourceHeight, corners, width, height)) {
    copy = pixmend::holdSourceCopy(pixmend::WarpKind::Perspective, source, sourceWidth, sourceHeight, sourceSize);
    if (copy != nullptr) {
      g_perspective.sourceWidth = sourceWidth;
      g_perspective.sourceHeight = sourceHeight;
    } else {
      width = height = 0;
    }
  }
  if (outputWidthOut != nullptr) *outputWidthOut = width;
  if (outputHeightOut != nullptr) *outputHeightOut = height;
  // The copy is the engine's; the pointer is handed out as the set-up's result, never to free.
  return const_cast<unsigned char*>(copy);
}

PIXMEND_API void VXDllWarpPerspective(unsigned char* output, int sourceWidth, int sourceHeight, int outputWidth,
                                      int outputHeight) {
  if (output != nullptr && outputWidth > 0 && outputHeight > 0)
    pixmend::rasterChanging(output, pixmend::bitmapBytes(outputWidth, outputHeight));
  const pixmend::ConstBitmapView source = pixmend::heldSourceCopy(pixmend::WarpKind::Perspective);
  if (source.empty()) return;
  if (output != nullptr && sourceWidth == g_perspective.sourceWidth &&
      sourceHeight == g_perspective.sourceHeight && outputWidth > 0 && outputHeight > 0)
    pixmend::perspectiveResample(source, g_perspective.mapping, pixmend::BitmapView(output, outputWidth, outputHeight));
  pixmend::releaseSourceCopy();
}

}  // extern "C"
