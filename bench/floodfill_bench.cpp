// Flood-fill selection on an A0 sheet at 400 dpi (13244 x 18724, drawing-like): the fill of the
// line network, the large solid region, the cross-hatched area and one glyph, the creation of
// the selection state, and memcpy of the sheet's bytes as the yardstick. Where installed, the
// same fills by Leptonica (4-connected seed fill on a copy of the sheet) and OpenCV (mask-only
// flood fill of the unpacked 8-bit sheet).
//
// Only the fill is timed (manual timing): resetting the marks between iterations, copying the
// sheet for Leptonica and clearing OpenCV's mask happen outside the timed region. Counters:
//   best_us    the fastest iteration (the Time column is the mean)
//   Mpx_per_s  pixels selected per second (millions), in the fastest iteration
//   x_memcpy   fastest iteration / fastest memcpy of the sheet's 30 MB into mapped memory
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "bitmap/drawing.hpp"
#include "bitmap/floodfill.hpp"
#include "pixmend/vxdll.h"
#include "support/bench_support.hpp"

#if PIXMEND_HAVE_LEPTONICA
#include <leptonica/allheaders.h>
#endif
#if PIXMEND_HAVE_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace {

using Clock = std::chrono::steady_clock;
using pixmend::Drawing;
using pixmend::Pixel;

// The project's benchmark sheet with its README's seeds, or the generated A0 sheet where it is
// not installed.
const Drawing& sheet() {
  const Drawing& bench = pixmend::bench::benchmarkSheet();
  return bench.bits.empty() ? pixmend::bench::a0Sheet() : bench;
}

enum Feature { kNetwork, kSolid, kHatched, kGlyph };

Pixel seedOf(Feature f) {
  const Drawing& d = sheet();
  switch (f) {
    case kNetwork:
      return d.lineNetwork;
    case kSolid:
      return d.solidRegion;
    case kHatched:
      return d.hatchedArea;
    default:
      return d.glyph;
  }
}

double seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Best of 100 memcpy runs of the sheet's bytes into a buffer that is already mapped.
double memcpySeconds() {
  static const double best = [] {
    const Drawing& d = sheet();
    std::vector<std::uint8_t> dst(d.bits.size(), 1);
    double t = 1e9;
    for (int i = 0; i < 100; ++i) {
      const auto a = Clock::now();
      std::memcpy(dst.data(), d.bits.data(), d.bits.size());
      benchmark::ClobberMemory();
      t = std::min(t, seconds(a, Clock::now()));
    }
    return t;
  }();
  return best;
}

// Counters from the fastest iteration: on a shared machine the mean carries other processes'
// work, the best time is the fill's own.
void report(benchmark::State& state, double best, std::size_t selected) {
  state.counters["best_us"] = best * 1e6;
  state.counters["Mpx_per_s"] = static_cast<double>(selected) / best / 1e6;
  state.counters["x_memcpy"] = best / memcpySeconds();
  state.counters["selected_px"] = static_cast<double>(selected);
}

std::size_t countMarks(const pixmend::SelectionState& s) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size; ++i) n += static_cast<std::size_t>(__builtin_popcount(s.mark[i]));
  return n;
}

void BM_Memcpy(benchmark::State& state) {
  const Drawing& d = sheet();
  std::vector<std::uint8_t> dst(d.bits.size(), 1);
  for (auto _ : state) {
    std::memcpy(dst.data(), d.bits.data(), d.bits.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.bits.size()));
  state.counters["best_us"] = memcpySeconds() * 1e6;  // the yardstick of every x_memcpy
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMicrosecond);

// The same copy into memory just obtained from the system: what any snapshot of the sheet costs
// before a byte of it is used, page faults included.
void BM_MemcpyFresh(benchmark::State& state) {
  const Drawing& d = sheet();
  double best = 1e9;
  for (auto _ : state) {
    const auto a = Clock::now();
    std::unique_ptr<std::uint8_t[]> dst(new std::uint8_t[d.bits.size()]);
    std::memcpy(dst.get(), d.bits.data(), d.bits.size());
    benchmark::ClobberMemory();
    const double t = seconds(a, Clock::now());
    best = std::min(best, t);
    state.SetIterationTime(t);
  }
  state.counters["best_us"] = best * 1e6;
  state.counters["x_memcpy"] = best / memcpySeconds();
}
BENCHMARK(BM_MemcpyFresh)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Creation of the selection state as the commands do it, one after the release of the last.
void BM_CreateSelection(benchmark::State& state) {
  const Drawing& d = sheet();
  pixmend::SelectionState s;
  double best = 1e9;
  for (auto _ : state) {
    const auto a = Clock::now();
    pixmend::initFloodFill(s, d.bits.data(), d.width, d.height, static_cast<int>(d.bits.size()));
    benchmark::ClobberMemory();
    const double t = seconds(a, Clock::now());
    best = std::min(best, t);
    state.SetIterationTime(t);
    s.release();
  }
  state.counters["best_us"] = best * 1e6;
  state.counters["x_memcpy"] = best / memcpySeconds();
}
BENCHMARK(BM_CreateSelection)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_Fill(benchmark::State& state) {
  const Drawing& d = sheet();
  const Pixel seed = seedOf(static_cast<Feature>(state.range(0)));
  pixmend::SelectionState s;
  pixmend::initFloodFill(s, d.bits.data(), d.width, d.height, static_cast<int>(d.bits.size()));
  std::memset(s.mark.get(), 0, s.size);  // map the pages before timing
  pixmend::floodFill(s, seed.x, seed.y);
  const std::size_t selected = countMarks(s);
  const std::size_t stride = pixmend::rowBytes(d.width);
  double best = 1e9;
  for (auto _ : state) {
    std::memset(s.mark.get() + static_cast<std::size_t>(s.minY) * stride, 0,
                static_cast<std::size_t>(s.maxY - s.minY + 1) * stride);
    const auto a = Clock::now();
    pixmend::floodFill(s, seed.x, seed.y);
    benchmark::ClobberMemory();
    const double t = seconds(a, Clock::now());
    best = std::min(best, t);
    state.SetIterationTime(t);
  }
  report(state, best, selected);
}
BENCHMARK(BM_Fill)->Arg(kNetwork)->Arg(kSolid)->Arg(kHatched)->Arg(kGlyph)->UseManualTime()->Unit(
    benchmark::kMicrosecond);

// A whole selection as a command makes it: creation, the first fill (which is the first to touch
// the mark bitmap's pages) and the release.
void BM_CreateFillRelease(benchmark::State& state) {
  const Drawing& d = sheet();
  const Pixel seed = seedOf(static_cast<Feature>(state.range(0)));
  pixmend::SelectionState s;
  double best = 1e9;
  for (auto _ : state) {
    const auto a = Clock::now();
    pixmend::initFloodFill(s, d.bits.data(), d.width, d.height, static_cast<int>(d.bits.size()));
    pixmend::floodFill(s, seed.x, seed.y);
    s.release();
    benchmark::ClobberMemory();
    const double t = seconds(a, Clock::now());
    best = std::min(best, t);
    state.SetIterationTime(t);
  }
  state.counters["best_us"] = best * 1e6;
  state.counters["x_memcpy"] = best / memcpySeconds();
}
BENCHMARK(BM_CreateFillRelease)
    ->Arg(kNetwork)
    ->Arg(kSolid)
    ->Arg(kHatched)
    ->Arg(kGlyph)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// A click on a feature as the smart commands make it, through the exported calls: the selection
// state on the sheet, the fill from the seed, the box and the delete buffer (the selected pixels
// as a bitmap of the box), the release. Everything is timed; `med_us` is the median iteration.
void BM_Click(benchmark::State& state) {
  const Drawing& d = sheet();
  const Pixel seed = seedOf(static_cast<Feature>(state.range(0)));
  std::vector<double> times;
  std::size_t selected = 0;
  for (auto _ : state) {
    const auto a = Clock::now();
    VXDllInitFloodFill(d.bits.data(), d.width, d.height, static_cast<int>(d.bits.size()));
    VXDllFloodFill(seed.x, seed.y);
    int maxX = 0, minX = 0, maxY = 0, minY = 0;
    VXDllGetCopyBufferSize(&maxX, &minX, &maxY, &minY);
    const int bytes = static_cast<int>(pixmend::bitmapBytes(maxX - minX, maxY - minY));
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[static_cast<std::size_t>(bytes)]);
    VXDllGetDelBuffer(bytes, buffer.get());
    VXDllFreeDelBuffer();
    benchmark::DoNotOptimize(buffer.get());
    const double t = seconds(a, Clock::now());
    if (selected == 0)
      for (int i = 0; i < bytes; ++i) selected += static_cast<std::size_t>(__builtin_popcount(buffer[i]));
    times.push_back(t);
    state.SetIterationTime(t);
  }
  report(state, *std::min_element(times.begin(), times.end()), selected);
  state.counters["med_us"] = median(times) * 1e6;
}
BENCHMARK(BM_Click)->Arg(kNetwork)->Arg(kSolid)->Arg(kHatched)->Arg(kGlyph)->UseManualTime()->Unit(
    benchmark::kMicrosecond);

#if PIXMEND_HAVE_LEPTONICA
// The same click with Leptonica: the sheet copied (the fill clears what it selects), the 4-connected
// seed fill with its box, and the selected pixels taken out of the box (the original's box less
// what the fill left). `med_us` is the median iteration.
void BM_LeptonicaClick(benchmark::State& state) {
  const Drawing& d = sheet();
  const Pixel seed = seedOf(static_cast<Feature>(state.range(0)));
  const pixmend::bench::PixPtr original = pixmend::bench::toPix(d.view());
  PIX* work = pixCopy(nullptr, original.get());
  L_STACK* stack = lstackCreate(d.height);
  std::vector<double> times;
  std::size_t selected = 0;
  for (auto _ : state) {
    const auto a = Clock::now();
    pixCopy(work, original.get());
    BOX* box = pixSeedfill4BB(work, stack, seed.x, seed.y);
    PIX* before = pixClipRectangle(original.get(), box, nullptr);
    PIX* after = pixClipRectangle(work, box, nullptr);
    PIX* component = pixXor(nullptr, before, after);
    benchmark::ClobberMemory();
    const double t = seconds(a, Clock::now());
    if (selected == 0) {
      l_int32 n = 0;
      pixCountPixels(component, &n, nullptr);
      selected = static_cast<std::size_t>(n);
    }
    pixDestroy(&component);
    pixDestroy(&after);
    pixDestroy(&before);
    boxDestroy(&box);
    times.push_back(t);
    state.SetIterationTime(t);
  }
  report(state, *std::min_element(times.begin(), times.end()), selected);
  state.counters["med_us"] = median(times) * 1e6;
  lstackDestroy(&stack, TRUE);
  pixDestroy(&work);
}
BENCHMARK(BM_LeptonicaClick)
    ->Arg(kNetwork)
    ->Arg(kSolid)
    ->Arg(kHatched)
    ->Arg(kGlyph)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// pixSeedfill4BB clears the component it fills, so every iteration starts from a fresh copy.
void BM_LeptonicaSeedfill4BB(benchmark::State& state) {
  const Drawing& d = sheet();
  const Pixel seed = seedOf(static_cast<Feature>(state.range(0)));
  PIX* original = pixCreate(d.width, d.height, 1);
  const std::size_t stride = pixmend::rowBytes(d.width);
  for (int y = 0; y < d.height; ++y) {
    std::memcpy(reinterpret_cast<std::uint8_t*>(pixGetData(original) +
                                                static_cast<std::size_t>(y) * pixGetWpl(original)),
                d.bits.data() + y * stride, stride);
  }
  pixEndianByteSwap(original);
  PIX* work = pixCopy(nullptr, original);
  L_STACK* stack = lstackCreate(d.height);
  std::size_t selected = 0;
  {
    l_int32 before = 0, after = 0;
    pixCountPixels(work, &before, nullptr);
    BOX* box = pixSeedfill4BB(work, stack, seed.x, seed.y);
    boxDestroy(&box);
    pixCountPixels(work, &after, nullptr);
    selected = static_cast<std::size_t>(before - after);
  }
  // Restores the rows the last fill cleared.
  const std::size_t rowWords = static_cast<std::size_t>(pixGetWpl(original));
  l_int32 top = 0, rows = d.height;
  double best = 1e9;
  for (auto _ : state) {
    std::memcpy(pixGetData(work) + top * rowWords, pixGetData(original) + top * rowWords,
                static_cast<std::size_t>(rows) * rowWords * sizeof(l_uint32));
    const auto a = Clock::now();
    BOX* box = pixSeedfill4BB(work, stack, seed.x, seed.y);
    benchmark::ClobberMemory();
    const double t = seconds(a, Clock::now());
    boxGetGeometry(box, nullptr, &top, nullptr, &rows);
    boxDestroy(&box);
    best = std::min(best, t);
    state.SetIterationTime(t);
  }
  report(state, best, selected);
  lstackDestroy(&stack, TRUE);
  pixDestroy(&work);
  pixDestroy(&original);
}
BENCHMARK(BM_LeptonicaSeedfill4BB)
    ->Arg(kNetwork)
    ->Arg(kSolid)
    ->Arg(kHatched)
    ->Arg(kGlyph)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
#endif

#if PIXMEND_HAVE_OPENCV
void BM_OpenCVFloodFillMaskOnly(benchmark::State& state) {
  const Drawing& d = sheet();
  const Pixel seed = seedOf(static_cast<Feature>(state.range(0)));
  cv::Mat image(d.height, d.width, CV_8UC1);
  const pixmend::ConstBitmapView v = d.view();
  for (int y = 0; y < d.height; ++y) {
    auto* row = image.ptr<std::uint8_t>(y);
    for (int x = 0; x < d.width; ++x) row[x] = v.get(x, y) ? 255 : 0;
  }
  cv::Mat mask = cv::Mat::zeros(d.height + 2, d.width + 2, CV_8UC1);
  const int flags = 4 | cv::FLOODFILL_MASK_ONLY | (1 << 8);
  const std::size_t selected = static_cast<std::size_t>(cv::floodFill(
      image, mask, cv::Point(seed.x, seed.y), cv::Scalar(255), nullptr, cv::Scalar(0), cv::Scalar(0), flags));
  cv::Rect box(0, 0, d.width, d.height);
  double best = 1e9;
  for (auto _ : state) {
    mask.rowRange(box.y, box.y + box.height + 2).setTo(0);  // the rows the last fill marked
    const auto a = Clock::now();
    cv::floodFill(image, mask, cv::Point(seed.x, seed.y), cv::Scalar(255), &box, cv::Scalar(0), cv::Scalar(0),
                  flags);
    benchmark::ClobberMemory();
    const double t = seconds(a, Clock::now());
    best = std::min(best, t);
    state.SetIterationTime(t);
  }
  report(state, best, selected);
}
BENCHMARK(BM_OpenCVFloodFillMaskOnly)
    ->Arg(kNetwork)
    ->Arg(kSolid)
    ->Arg(kHatched)
    ->Arg(kGlyph)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

BENCHMARK_MAIN();
