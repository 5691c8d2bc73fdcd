// The smart delete on the A0 benchmark sheet at 400 dpi (13244 x 18724, 31 MB in memory), in its
// worst case: a click on the border's line network, the largest 4-connected component a user
// meets on a drawing (8.2 M pixels, its box nearly the whole sheet). VXRaster is driven through
// the host as a user drives it:
//   Click     the selection: the selection state (the sheet copied), the fill, the delete buffer,
//             the temporary overlay file written and attached, the host's idle work after it
//   Accept    the undo copy, the erase, the overlay closed and its file removed, the write-back
//             (the file checked, written as CCITT Group 4, the host reading it again)
// and set against
//   LeptonicaSelectCopy  pixSeedfill4BB on a copy of the sheet (which erases the component there)
//                        and pixRasterop taking the component's box out of it (the original XOR
//                        the erased copy): the same selection, copy and erase
//   OpenCVSelectCopy     floodFill of the unpacked 8-bit sheet into a fresh mask (4-connected, mask
//                        only), the mask's box copied out and the sheet cleared under the mask
//   MemcpyAndWrite       memcpy of the bitmap and the write of its file as the image library
//                        writes a raster back (the sheet without the network, as the accept
//                        writes it): the yardstick of the accept
//
// Every benchmark reports the median wall time of its iterations (`median_ms`) and the median
// thread CPU time (`cpu_ms`): the overlay file and the write-back wait for the disk, which CPU
// time does not see. The sheet is `a0-drawing-400dpi.tif` of the shared benchmark data
// (benchmarkSheetPath). Needs VXRaster built.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bitmap/bitmap.hpp"
#include "host/image/api.h"
#include "host/output/journal.hpp"
#include "pixmend/vxdll.h"
#include "support/bench_support.hpp"
#include "support/vxraster_session.hpp"

#if PIXMEND_HAVE_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace pixmend::bench {
namespace {

using Clock = std::chrono::steady_clock;

// Seeds (column, row) on the benchmark sheet: argument 0 the line network tied to the border
// (8,165,753 pixels, box 12948 x 18427), 1 a text glyph (317 pixels), the everyday click.
struct Seed {
  int x, y;
};
constexpr Seed kSeeds[] = {{152, 6241}, {451, 3651}};
Seed seedOf(const benchmark::State& state) {
  return kSeeds[state.range(0) != 0 ? 1 : 0];
}

// The sheet's pixels, read once.
struct Sheet {
  std::vector<std::uint8_t> bits;
  int width = 0, height = 0;
  ConstBitmapView view() const { return {bits.data(), width, height}; }
};

const Sheet& sheet() {
  static const Sheet s = [] {
    Sheet out;
    unsigned char* bits = nullptr;
    Point2d size{};
    if (mdlImage_readFileToBitMap(&bits, &size, benchmarkSheetPath().c_str(), IMAGEFILE_FROM_FILE, 0,
                                  nullptr) == 0) {
      out.width = size.x, out.height = size.y;
      out.bits.assign(bits, bits + bitmapBytes(size.x, size.y));
      mdlImage_freeImage(bits, &size, IMAGEFORMAT_BITMAP);
    }
    return out;
  }();
  return s;
}

// Wall and thread CPU time of each iteration; the medians become the counters.
class Timings {
 public:
  void start() {
    wall_ = Clock::now();
    cpu_ = threadSeconds();
  }
  void stop(benchmark::State& state) {
    const double wall = std::chrono::duration<double>(Clock::now() - wall_).count();
    walls_.push_back(wall);
    cpus_.push_back(threadSeconds() - cpu_);
    state.SetIterationTime(wall);
  }
  void report(benchmark::State& state) {
    state.counters["median_ms"] = median(walls_) * 1e3;
    state.counters["cpu_ms"] = median(cpus_) * 1e3;
    state.counters["x_memcpy"] = median(walls_) / memcpySeconds(sheet().bits.size());
  }

 private:
  static double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  }
  Clock::time_point wall_;
  double cpu_ = 0;
  std::vector<double> walls_, cpus_;
};

// VXRaster on a copy of the sheet with its raster loaded and the smart delete started; data
// points on pixels of the sheet (one design unit a pixel).
class Session {
 public:
  Session() : session_(benchmarkSheetPath(), "VXRaster") {
    if (!session_.ok()) return;
    VXRasterSession::keyin("vxraster delete smart");
    // Loaded and started (a copy of a file that cannot be written would be refused).
    started_ =
        host::journal().str(0).find("prompt: Smart delete > Select area to delete") != std::string::npos;
  }
  bool ok() const { return started_ && sheet().width > 0; }

  static void keyin(const char* text) { VXRasterSession::keyin(text); }
  static void point(int column, int row) { VXRasterSession::point(column + 0.5, sheet().height - row - 0.5); }
  static void reset() { VXRasterSession::reset(); }
  static void forget() { VXRasterSession::forget(); }

 private:
  VXRasterSession session_;
  bool started_ = false;
};

void BM_Click(benchmark::State& state) {
  Session session;
  if (!session.ok()) {
    state.SkipWithError("the sheet or VXRaster is missing");
    return;
  }
  const Seed seed = seedOf(state);
  Timings t;
  for (auto _ : state) {
    t.start();
    Session::point(seed.x, seed.y);
    t.stop(state);
    Session::reset();  // the selection dropped: the overlay closed, its file removed
    Session::forget();
  }
  t.report(state);
}

void BM_Accept(benchmark::State& state) {
  Session session;
  if (!session.ok()) {
    state.SkipWithError("the sheet or VXRaster is missing");
    return;
  }
  const Seed seed = seedOf(state);
  Timings t;
  for (auto _ : state) {
    Session::point(seed.x, seed.y);
    t.start();
    Session::point(0, 0);
    t.stop(state);
    Session::keyin("vxraster undo");  // the network back for the next round
    Session::forget();
  }
  t.report(state);
}

// The click without its overlay: the selection state, the fill and the delete buffer, by the
// exported calls the command makes, on the sheet's bitmap.
void BM_Selection(benchmark::State& state) {
  const Sheet& s = sheet();
  if (s.width == 0) {
    state.SkipWithError("the sheet is missing");
    return;
  }
  const Seed seed = seedOf(state);
  Timings t;
  for (auto _ : state) {
    t.start();
    VXDllInitFloodFill(s.bits.data(), s.width, s.height, static_cast<int>(s.bits.size()));
    VXDllFloodFill(seed.x, seed.y);
    int maxX = 0, minX = 0, maxY = 0, minY = 0;
    VXDllGetCopyBufferSize(&maxX, &minX, &maxY, &minY);
    std::vector<std::uint8_t> piece(bitmapBytes(maxX - minX, maxY - minY));
    VXDllGetDelBuffer(static_cast<int>(piece.size()), piece.data());
    t.stop(state);
    VXDllFreeDelBuffer();
  }
  t.report(state);
}

void BM_MemcpyAndWrite(benchmark::State& state) {
  const Sheet& s = sheet();
  if (s.width == 0) {
    state.SkipWithError("the sheet is missing");
    return;
  }
  char pattern[] = "/tmp/pixmend-smart-bench-XXXXXX";
  const std::string dir = mkdtemp(pattern) != nullptr ? pattern : "/tmp";
  const std::string file = dir + "/sheet.tif";
  // The bitmap the accept writes: the sheet without the line network.
  std::vector<std::uint8_t> erased = s.bits;
  VXDllInitFloodFill(s.bits.data(), s.width, s.height, static_cast<int>(s.bits.size()));
  VXDllFloodFill(kSeeds[0].x, kSeeds[0].y);
  int maxX = 0, minX = 0, maxY = 0, minY = 0;
  VXDllGetCopyBufferSize(&maxX, &minX, &maxY, &minY);
  VXDllDeleteSelected(erased.data());
  VXDllFreeDelBuffer();
  std::vector<std::uint8_t> copy(s.bits.size());
  const Point2d size{s.width, s.height};
  Timings t;
  for (auto _ : state) {
    t.start();
    std::memcpy(copy.data(), erased.data(), erased.size());
    benchmark::ClobberMemory();
    mdlImage_createFileFromBitMap(file.c_str(), IMAGEFILE_TIFF, &size, copy.data(), 0, 0, 0, nullptr);
    t.stop(state);
  }
  t.report(state);
  std::error_code error;
  std::filesystem::remove_all(dir, error);
}

#if PIXMEND_HAVE_LEPTONICA
void BM_LeptonicaSelectCopy(benchmark::State& state) {
  const Sheet& s = sheet();
  if (s.width == 0) {
    state.SkipWithError("the sheet is missing");
    return;
  }
  PixPtr original = toPix(s.view());
  L_STACK* stack = lstackCreate(s.height);
  const Seed seed = seedOf(state);
  Timings t;
  std::size_t selected = 0;
  for (auto _ : state) {
    t.start();
    PixPtr erased(pixCopy(nullptr, original.get()));
    BOX* box = pixSeedfill4BB(erased.get(), stack, seed.x, seed.y);
    l_int32 x = 0, y = 0, w = 0, h = 0;
    boxGetGeometry(box, &x, &y, &w, &h);
    PixPtr piece(pixCreate(w, h, 1));
    pixRasterop(piece.get(), 0, 0, w, h, PIX_SRC, original.get(), x, y);
    pixRasterop(piece.get(), 0, 0, w, h, PIX_SRC ^ PIX_DST, erased.get(), x, y);
    t.stop(state);
    boxDestroy(&box);
    l_int32 count = 0;
    pixCountPixels(piece.get(), &count, nullptr);
    selected = static_cast<std::size_t>(count);
  }
  t.report(state);
  state.counters["selected_px"] = static_cast<double>(selected);
  lstackDestroy(&stack, TRUE);
}
#endif

#if PIXMEND_HAVE_OPENCV
void BM_OpenCVSelectCopy(benchmark::State& state) {
  const Sheet& s = sheet();
  if (s.width == 0) {
    state.SkipWithError("the sheet is missing");
    return;
  }
  const Seed seed = seedOf(state);
  cv::Mat image(s.height, s.width, CV_8UC1);
  for (int y = 0; y < s.height; ++y) {
    auto* row = image.ptr<std::uint8_t>(y);
    for (int x = 0; x < s.width; ++x) row[x] = s.view().get(x, y) ? 255 : 0;
  }
  cv::Mat work = image.clone();
  Timings t;
  std::size_t selected = 0;
  for (auto _ : state) {
    image.copyTo(work);  // the sheet as it was (outside the timing)
    t.start();
    cv::Mat mask = cv::Mat::zeros(s.height + 2, s.width + 2, CV_8UC1);
    cv::Rect box;
    cv::floodFill(work, mask, cv::Point(seed.x, seed.y), cv::Scalar(0), &box, cv::Scalar(0), cv::Scalar(0),
                  4 | cv::FLOODFILL_MASK_ONLY | (255 << 8));
    const cv::Mat selection = mask(cv::Rect(box.x + 1, box.y + 1, box.width, box.height));
    const cv::Mat piece = selection.clone();
    work(box).setTo(0, selection);
    t.stop(state);
    selected = static_cast<std::size_t>(cv::countNonZero(piece));
  }
  t.report(state);
  state.counters["selected_px"] = static_cast<double>(selected);
}
#endif

// Argument 0: the line network; 1: a glyph. Five iterations each (medians of five).
BENCHMARK(BM_Click)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Selection)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
#if PIXMEND_HAVE_LEPTONICA
BENCHMARK(BM_LeptonicaSelectCopy)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
#endif
#if PIXMEND_HAVE_OPENCV
BENCHMARK(BM_OpenCVSelectCopy)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
#endif
BENCHMARK(BM_Accept)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_MemcpyAndWrite)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace pixmend::bench

BENCHMARK_MAIN();
