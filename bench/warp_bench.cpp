// Warps of an A0 sheet at 400 dpi (13244 x 18724, drawing-like): the affine engine rotating by
// 3.7 and by 30 degrees (the rotate command's coefficients and output size), scaling by 0.5, and
// the perspective warp of a mild keystone (the top edge pulled in by 3% on each side). Where
// installed, the same warps by Leptonica (pixRotate with sampling, pixAffineSampledPta,
// pixProjectiveSampledPta, on 1 bpp images) and OpenCV (warpAffine / warpPerspective with
// nearest-pixel sampling on the unpacked 8-bit sheet, one thread; unpacking is not timed).
//
// Each iteration is one whole warp as a caller does it: ours includes the set-up (the source
// copy) and clearing the caller's output. Counters:
//   Mpx_per_s  output pixels per second (millions); each library's own output size
//   x_memcpy   seconds per warp / seconds of one memcpy of the output's bytes at 1 bit per pixel
// Times are the calling thread's CPU time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "bitmap/drawing.hpp"
#include "include/pixmend/vxdll.h"
#include "support/bench_support.hpp"

#if PIXMEND_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using pixmend::bench::threadSeconds;

// The project's benchmark sheet, or the generated A0 sheet where it is not installed.
const pixmend::Drawing& a0Sheet() {
  const auto& sheet = pixmend::bench::benchmarkSheet();
  return sheet.bits.empty() ? pixmend::bench::a0Sheet() : sheet;
}

constexpr double kDegree = 0.017453292519944444;

enum Case { kRotate37, kRotate30, kScaleHalf, kKeystone };

struct Affine {
  double a, b, c, d, e, f;  // x' = a x + b y + c, y' = d x + e y + f
  int width, height;        // output size
};

// The rotate command's coefficients and output size for a typed angle below 90 degrees (the
// transform turns by 360 - angle, in the interval (270, 360)).
Affine rotation(double typed, int W, int H) {
  const double A = (360 - typed) * kDegree, D = (360 - typed - 270) * kDegree;
  const double ca = std::cos(A), sa = std::sin(A);
  Affine t{ca, -sa, -H * std::cos(D) * ca, sa, ca, -H * std::cos(D) * sa, 0, 0};
  t.width = static_cast<int>(std::fabs(W * ca) + std::fabs(H * sa));
  t.height = static_cast<int>(std::fabs(H * ca) + std::fabs(W * sa));
  return t;
}

Affine caseTransform(Case c) {
  const auto& s = a0Sheet();
  if (c == kRotate37) return rotation(3.7, s.width, s.height);
  if (c == kRotate30) return rotation(30, s.width, s.height);
  return {0.5, 0, 0, 0, 0.5, 0, s.width / 2, s.height / 2};
}

// Keystone corners v00, v10, v11, v01: pre x, pre y, post x, post y.
std::vector<int> keystone() {
  const auto& s = a0Sheet();
  const int w = s.width - 1, h = s.height - 1, in = s.width * 3 / 100;
  return {0, 0, in, 0, w, 0, w - in, 0, w, h, w, h, 0, h, 0, h};
}

void report(benchmark::State& state, double start, long long outW, long long outH) {
  const double perIteration = (threadSeconds() - start) / static_cast<double>(state.iterations());
  const auto bytes = static_cast<std::size_t>((outW + 7) / 8 * outH);
  state.counters["Mpx_per_s"] = static_cast<double>(outW * outH) / perIteration / 1e6;
  state.counters["x_memcpy"] = perIteration / pixmend::bench::memcpySeconds(bytes);
}

void BM_Memcpy(benchmark::State& state) {
  const auto& s = a0Sheet();
  std::vector<std::uint8_t> to(s.bits.size());
  const double start = threadSeconds();
  for (auto _ : state) {
    std::memcpy(to.data(), s.bits.data(), s.bits.size());
    benchmark::ClobberMemory();
  }
  report(state, start, s.width, s.height);
}

void BM_Pixmend(benchmark::State& state) {
  const auto c = static_cast<Case>(state.range(0));
  const auto& s = a0Sheet();
  const int size = static_cast<int>(s.bits.size());
  int ow = 0, oh = 0;
  std::vector<int> corners;
  Affine t{};
  if (c == kKeystone) {
    corners = keystone();
    VXDllWarpPerspectivePre(s.bits.data(), s.width, s.height, &ow, &oh, size, corners.data());
    VXDllWarpPerspective(nullptr, s.width, s.height, 0, 0);
  } else {
    t = caseTransform(c);
    ow = t.width;
    oh = t.height;
  }
  std::vector<std::uint8_t> out(pixmend::bitmapBytes(ow, oh));
  const double start = threadSeconds();
  for (auto _ : state) {
    std::memset(out.data(), 0, out.size());
    if (c == kKeystone) {
      VXDllWarpPerspectivePre(s.bits.data(), s.width, s.height, &ow, &oh, size, corners.data());
      VXDllWarpPerspective(out.data(), s.width, s.height, ow, oh);
    } else {
      VXDllWarpAffineRotPre(s.bits.data(), t.a, t.d, t.b, t.e, t.c, t.f, s.width, s.height, ow, oh, size);
      VXDllWarpAffine(out.data(), s.width, s.height, ow, oh, static_cast<int>(out.size()), nullptr, nullptr, nullptr);
    }
    benchmark::ClobberMemory();
  }
  report(state, start, ow, oh);
}

#if PIXMEND_HAVE_LEPTONICA
// Three (or four) source points and where the transform puts them.
void pointPairs(Case c, PTA* src, PTA* dst) {
  const auto& s = a0Sheet();
  if (c == kKeystone) {
    const auto k = keystone();
    for (int i = 0; i < 4; ++i) {
      ptaAddPt(src, static_cast<float>(k[4 * i]), static_cast<float>(k[4 * i + 1]));
      ptaAddPt(dst, static_cast<float>(k[4 * i + 2]), static_cast<float>(k[4 * i + 3]));
    }
    return;
  }
  const Affine t = caseTransform(c);
  const double p[3][2] = {{0, 0}, {static_cast<double>(s.width), 0}, {0, static_cast<double>(s.height)}};
  for (const auto& q : p) {
    ptaAddPt(src, static_cast<float>(q[0]), static_cast<float>(q[1]));
    ptaAddPt(dst, static_cast<float>(t.a * q[0] + t.b * q[1] + t.c), static_cast<float>(t.d * q[0] + t.e * q[1] + t.f));
  }
}

void BM_Leptonica(benchmark::State& state) {
  const auto c = static_cast<Case>(state.range(0));
  const auto& s = a0Sheet();
  const pixmend::bench::PixPtr pix = pixmend::bench::toPix(s.view());
  PTA* src = ptaCreate(4);
  PTA* dst = ptaCreate(4);
  pointPairs(c, src, dst);
  long long ow = 0, oh = 0;
  const double start = threadSeconds();
  for (auto _ : state) {
    PIX* out = nullptr;
    if (c == kRotate37 || c == kRotate30) {
      // The source's size: Leptonica embeds it in the picture the turn needs (the output's size
      // would make it turn a larger picture than ours does).
      out = pixRotate(pix.get(), (c == kRotate37 ? 3.7 : 30) * kDegree, L_ROTATE_SAMPLING, L_BRING_IN_WHITE,
                      s.width, s.height);
    } else if (c == kScaleHalf) {
      out = pixAffineSampledPta(pix.get(), dst, src, L_BRING_IN_WHITE);
    } else {
      out = pixProjectiveSampledPta(pix.get(), dst, src, L_BRING_IN_WHITE);
    }
    ow = pixGetWidth(out);
    oh = pixGetHeight(out);
    pixDestroy(&out);
  }
  ptaDestroy(&src);
  ptaDestroy(&dst);
  report(state, start, ow, oh);
}
#endif

#if PIXMEND_HAVE_OPENCV
const cv::Mat& unpackedSheet() {
  static const cv::Mat m = [] {
    const auto& s = a0Sheet();
    cv::Mat u(s.height, s.width, CV_8UC1);
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x) u.at<std::uint8_t>(y, x) = s.view().get(x, y) ? 255 : 0;
    return u;
  }();
  return m;
}

void BM_OpenCV(benchmark::State& state) {
  const auto c = static_cast<Case>(state.range(0));
  const cv::Mat& src = unpackedSheet();
  cv::setNumThreads(1);
  cv::Mat out, m;
  cv::Size size;
  if (c == kKeystone) {
    const auto k = keystone();
    std::vector<cv::Point2f> from, to;
    for (int i = 0; i < 4; ++i) {
      from.emplace_back(static_cast<float>(k[4 * i]), static_cast<float>(k[4 * i + 1]));
      to.emplace_back(static_cast<float>(k[4 * i + 2]), static_cast<float>(k[4 * i + 3]));
    }
    m = cv::getPerspectiveTransform(from, to);
    size = src.size();
  } else {
    const Affine t = caseTransform(c);
    m = (cv::Mat_<double>(2, 3) << t.a, t.b, t.c, t.d, t.e, t.f);
    size = cv::Size(t.width, t.height);
  }
  const double start = threadSeconds();
  for (auto _ : state) {
    if (c == kKeystone)
      cv::warpPerspective(src, out, m, size, cv::INTER_NEAREST);
    else
      cv::warpAffine(src, out, m, size, cv::INTER_NEAREST);
    benchmark::DoNotOptimize(out.data);
  }
  report(state, start, size.width, size.height);
}
#endif

void cases(benchmark::internal::Benchmark* b) {
  b->ArgName("case")->DenseRange(kRotate37, kKeystone)->Unit(benchmark::kMillisecond)->Iterations(3);
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_Pixmend)->Apply(cases);
#if PIXMEND_HAVE_LEPTONICA
BENCHMARK(BM_Leptonica)->Apply(cases);
#endif
#if PIXMEND_HAVE_OPENCV
BENCHMARK(BM_OpenCV)->Apply(cases);
#endif

}  // namespace

BENCHMARK_MAIN();
