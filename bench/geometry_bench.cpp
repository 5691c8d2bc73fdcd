// VXRaster's geometric commands end to end on an A0 sheet at 400 dpi (13244 x 18724 pixels), as a
// user runs them through the host, beside the peers doing the same work and writing the result:
//   RotateCommand30   rotate by 30 degrees: the angle accepted with a data point, the affine
//                     engine under the completion bar, the undo copy, the geometric write-back
//                     (file checked, Group 4 write, digest, attachment re-placed, file re-read)
//   Rotate90Command   a quarter turn through the host's image rotation, written back alike
//   MirrorCommand     a left-right mirror about a vertical line, written back alike
//   Leptonica         pixRotate (sampling, embedded so nothing is cut) / pixRotate90 / pixFlipLR,
//                     each followed by pixWrite as Group 4 TIFF
//   OpenCV            warpAffine with nearest pixels on the sheet unpacked to 8 bits, followed by
//                     imwrite as TIFF (its default compression; Group 4 takes 1-bit images only);
//                     the unpacking is timed on its own (OpenCVUnpack)
// Argument `sheet`: 0 the project's benchmark sheet (a0-drawing-400dpi.tif; skipped when it is not
// found), 1 the generated A0 sheet. One thread. Counters: cpu_ms (the calling thread's CPU time of
// one operation), wall_ms (including waits for the disk), Mpx_per_s (output pixels per CPU second).
// Run the three repetitions and read the medians; needs VXRaster built.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "host/image/api.h"
#include "host/system/published.hpp"
#include "support/bench_support.hpp"
#include "support/vxraster_session.hpp"

#if PIXMEND_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace pixmend::bench {
namespace {

constexpr double kDegree = 0.017453292519944444;

// The sheet of argument 0 or 1, read once.
const Drawing* sheetOf(const benchmark::State& state) {
  if (state.range(0) == 1) return &a0Sheet();
  static const std::unique_ptr<Drawing> file = [] {
    auto d = std::make_unique<Drawing>();
    const std::string path = benchmarkSheetPath();
    unsigned char* bits = nullptr;
    Point2d size{};
    if (path.empty() || mdlImage_readFileToBitMap(&bits, &size, path.c_str(), IMAGEFILE_FROM_FILE, 0, nullptr) != 0)
      return d;
    d->width = size.x;
    d->height = size.y;
    d->bits.assign(bits, bits + mdlImage_memorySize(&size, IMAGEFORMAT_BITMAP));
    mdlImage_freeImage(bits, &size, IMAGEFORMAT_BITMAP);
    return d;
  }();
  return file->bits.empty() ? nullptr : file.get();
}

// The size of the sheet turned by `degrees`, as the rotate command works it out.
Point2d turnedSize(const Drawing& s, double degrees) {
  const double A = (360 - degrees) * kDegree;
  return {static_cast<int>(std::fabs(s.width * std::cos(A)) + std::fabs(s.height * std::sin(A))),
          static_cast<int>(std::fabs(s.height * std::cos(A)) + std::fabs(s.width * std::sin(A)))};
}

// One timed operation's CPU and wall time, summed over the loop.
class Clock {
 public:
  void start() {
    cpu0_ = threadSeconds();
    wall0_ = std::chrono::steady_clock::now();
  }
  void stop() {
    cpu_ += threadSeconds() - cpu0_;
    wall_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0_).count();
  }
  void report(benchmark::State& state, double outputPixels) const {
    const double n = static_cast<double>(state.iterations());
    state.counters["cpu_ms"] = cpu_ / n * 1e3;
    state.counters["wall_ms"] = wall_ / n * 1e3;
    if (outputPixels > 0) state.counters["Mpx_per_s"] = outputPixels / (cpu_ / n) / 1e6;
  }

 private:
  double cpu0_ = 0, cpu_ = 0, wall_ = 0;
  std::chrono::steady_clock::time_point wall0_;
};

void setAngle(const char* degrees) {
  if (const auto ref = host::resolveAccess("vxrasterparams.rotationAngleText")) host::writeText(*ref, degrees);
}
void setMirrorMode(int mode) {
  if (const auto ref = host::resolveAccess("vxrasterparams.mirrorMode")) host::writeNumber(*ref, mode);
}

// VXRaster with the sheet of the state's argument loaded for editing, or null (skipped).
std::unique_ptr<VXRasterSession> editing(benchmark::State& state) {
  const Drawing* sheet = sheetOf(state);
  if (sheet == nullptr) {
    state.SkipWithError("the benchmark sheet a0-drawing-400dpi.tif is not there (PIXMEND_BENCHDATA)");
    return nullptr;
  }
  auto session = state.range(0) == 0 ? std::make_unique<VXRasterSession>(benchmarkSheetPath(), "VXRaster")
                                      : std::make_unique<VXRasterSession>(*sheet, "VXRaster");
  if (!session->ok()) {
    state.SkipWithError("VXRaster cannot be loaded (build its target first)");
    return nullptr;
  }
  VXRasterSession::keyin("vxraster select");
  VXRasterSession::forget();
  return session;
}

// The rotate command by `degrees`, accepted with a data point; `undo` takes each turn back,
// untimed, so that every turn starts from the sheet as loaded.
void rotateCommand(benchmark::State& state, int degrees, bool undo) {
  const auto session = editing(state);
  if (!session) return;
  setAngle(std::to_string(degrees).c_str());
  Clock clock;
  for (auto _ : state) {
    clock.start();
    VXRasterSession::keyin("vxraster rotate");
    VXRasterSession::point(0, 0);
    clock.stop();
    if (undo) VXRasterSession::keyin("vxraster undo");
    VXRasterSession::forget();
  }
  const Point2d out = turnedSize(*sheetOf(state), degrees);
  clock.report(state, static_cast<double>(out.x) * out.y);
}

void BM_RotateCommand30(benchmark::State& state) {
  rotateCommand(state, 30, true);
}

void BM_Rotate90Command(benchmark::State& state) {
  rotateCommand(state, 90, false);
}

void BM_MirrorCommand(benchmark::State& state) {
  const auto session = editing(state);
  if (!session) return;
  setMirrorMode(2);
  VXRasterSession::keyin("vxraster mirror");
  const Drawing& s = *sheetOf(state);
  Clock clock;
  for (auto _ : state) {
    // About the raster's middle, so it stays where it is.
    VXRasterSession::point(s.width / 2.0, s.height / 2.0);
    clock.start();
    VXRasterSession::point(s.width / 2.0, s.height / 2.0);
    clock.stop();
    VXRasterSession::forget();
  }
  clock.report(state, static_cast<double>(s.width) * s.height);
}

#if PIXMEND_HAVE_LEPTONICA
enum LeptonicaOp { kRotate30, kRotate90, kFlipLR };

void leptonica(benchmark::State& state, LeptonicaOp op) {
  const Drawing* sheet = sheetOf(state);
  if (sheet == nullptr) {
    state.SkipWithError("the benchmark sheet is not there");
    return;
  }
  const PixPtr pix = toPix(sheet->view());
  const std::string target = std::filesystem::temp_directory_path() / "pixmend-geometry-bench-leptonica.tif";
  Clock clock;
  double pixels = 0;
  for (auto _ : state) {
    clock.start();
    PIX* out = op == kRotate30 ? pixRotate(pix.get(), static_cast<float>(-30 * kDegree), L_ROTATE_SAMPLING,
                                           L_BRING_IN_WHITE, sheet->width, sheet->height)
               : op == kRotate90 ? pixRotate90(pix.get(), -1)
                                 : pixFlipLR(nullptr, pix.get());
    pixWrite(target.c_str(), out, IFF_TIFF_G4);
    clock.stop();
    pixels = static_cast<double>(pixGetWidth(out)) * pixGetHeight(out);
    pixDestroy(&out);
  }
  std::remove(target.c_str());
  clock.report(state, pixels);
}

void BM_LeptonicaRotate30Write(benchmark::State& state) {
  leptonica(state, kRotate30);
}
void BM_LeptonicaRotate90Write(benchmark::State& state) {
  leptonica(state, kRotate90);
}
void BM_LeptonicaFlipLRWrite(benchmark::State& state) {
  leptonica(state, kFlipLR);
}
#endif

#if PIXMEND_HAVE_OPENCV
cv::Mat unpack(const Drawing& s) {
  cv::Mat u(s.height, s.width, CV_8UC1);
  for (int y = 0; y < s.height; ++y) {
    const std::uint8_t* row = s.bits.data() + static_cast<std::size_t>(y) * ((s.width + 7) / 8);
    std::uint8_t* to = u.ptr<std::uint8_t>(y);
    for (int x = 0; x < s.width; ++x) to[x] = (row[x >> 3] & (0x80 >> (x & 7))) != 0 ? 0 : 255;
  }
  return u;
}

void BM_OpenCVUnpack(benchmark::State& state) {
  const Drawing* sheet = sheetOf(state);
  if (sheet == nullptr) {
    state.SkipWithError("the benchmark sheet is not there");
    return;
  }
  Clock clock;
  for (auto _ : state) {
    clock.start();
    cv::Mat u = unpack(*sheet);
    clock.stop();
    benchmark::DoNotOptimize(u.data);
  }
  clock.report(state, static_cast<double>(sheet->width) * sheet->height);
}

// The rotate command's forward coefficients for 30 degrees (t = 330, in the last quadrant).
void BM_OpenCVRotate30Write(benchmark::State& state) {
  const Drawing* sheet = sheetOf(state);
  if (sheet == nullptr) {
    state.SkipWithError("the benchmark sheet is not there");
    return;
  }
  cv::setNumThreads(1);
  const cv::Mat src = unpack(*sheet);
  const double A = 330 * kDegree, D = 60 * kDegree, H = sheet->height;
  const cv::Mat m = (cv::Mat_<double>(2, 3) << std::cos(A), -std::sin(A), -H * std::cos(D) * std::cos(A),
                     std::sin(A), std::cos(A), -H * std::cos(D) * std::sin(A));
  const Point2d size = turnedSize(*sheet, 30);
  const std::string target = std::filesystem::temp_directory_path() / "pixmend-geometry-bench-opencv.tif";
  Clock clock;
  cv::Mat out;
  for (auto _ : state) {
    clock.start();
    cv::warpAffine(src, out, m, cv::Size(size.x, size.y), cv::INTER_NEAREST, cv::BORDER_CONSTANT, cv::Scalar(255));
    cv::imwrite(target, out);
    clock.stop();
  }
  std::remove(target.c_str());
  clock.report(state, static_cast<double>(size.x) * size.y);
}
#endif

void sheets(benchmark::internal::Benchmark* b) {
  b->ArgName("sheet")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
}

BENCHMARK(BM_RotateCommand30)->Apply(sheets);
#if PIXMEND_HAVE_LEPTONICA
BENCHMARK(BM_LeptonicaRotate30Write)->Apply(sheets);
#endif
#if PIXMEND_HAVE_OPENCV
BENCHMARK(BM_OpenCVUnpack)->Apply(sheets);
BENCHMARK(BM_OpenCVRotate30Write)->Apply(sheets);
#endif
BENCHMARK(BM_Rotate90Command)->Apply(sheets);
#if PIXMEND_HAVE_LEPTONICA
BENCHMARK(BM_LeptonicaRotate90Write)->Apply(sheets);
#endif
BENCHMARK(BM_MirrorCommand)->Apply(sheets);
#if PIXMEND_HAVE_LEPTONICA
BENCHMARK(BM_LeptonicaFlipLRWrite)->Apply(sheets);
#endif

}  // namespace
}  // namespace pixmend::bench

BENCHMARK_MAIN();
