// Pictures of a view on an A0 drawing at 400 dpi (13244 x 18724 pixels, 31 MB) drawn down to
// 2000 pixels on the long side: the counted ink shares of an unturned view, the sampled shares of
// a turned one, and the whole export (drawing, PNG encoding and the atomic write). Peers: the
// same reduction to grey by Leptonica's pixScaleToGray and, from an 8-bit copy of the sheet, by
// OpenCV's area resize.
//
// Counters: ms, MB/s of the sheet's bytes, x_memcpy relative to one memcpy of them, x_peer (ours
// only) = our time / the named peer's time in this run. Times are thread CPU time.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/image/api.h"
#include "host/image/image.hpp"
#include "host/lifecycle.hpp"
#include "host/raster/picture.hpp"
#include "host/raster/raster.hpp"
#include "host/view/api.h"
#include "host/view/view.hpp"
#include "support/bench_support.hpp"

#ifdef PIXMEND_HAVE_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace pixmend::bench {
namespace {

using host::ImageBuffer;
using host::PictureFrame;
using host::PictureLayer;

constexpr int kSide = 2000;

std::map<std::string, double>& seconds() {
  static std::map<std::string, double> s;
  return s;
}

class Timed {
 public:
  Timed(const char* name, const char* peer = nullptr) : name_(name), peer_(peer), start_(threadSeconds()) {}
  void report(benchmark::State& state, std::size_t bytes) {
    const double per = (threadSeconds() - start_) /
                       static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    seconds()[name_] = per;
    state.counters["ms"] = per * 1e3;
    state.counters["MB/s"] = static_cast<double>(bytes) / per / 1e6;
    state.counters["x_memcpy"] = per / memcpySeconds(bytes);
    if (peer_ != nullptr && seconds().count(peer_) != 0) {
      state.counters["x_peer"] = per / seconds()[peer_];
      state.SetLabel(std::string("vs ") + peer_);
    }
  }

 private:
  std::string name_;
  const char* peer_;
  double start_;
};

std::size_t sheetBytes() {
  return a0Sheet().bits.size();
}

// The sheet as a picture layer: one design unit per pixel, black ink on white.
const std::vector<PictureLayer>& layers() {
  static const std::vector<PictureLayer> list = [] {
    auto image = std::make_shared<ImageBuffer>();
    host::allocateImage(a0Sheet().width, a0Sheet().height, *image, false);
    std::memcpy(image->data.get(), a0Sheet().bits.data(), sheetBytes());
    PictureLayer layer;
    layer.pixels = image;
    layer.placement.axisU = DPoint2d{1, 0};
    layer.placement.axisV = DPoint2d{0, 1};
    return std::vector<PictureLayer>{layer};
  }();
  return list;
}

PictureFrame frameOf(int view) {
  PictureFrame frame;
  std::string why;
  if (!host::pictureFrame(view, kSide, layers(), &frame, &why)) std::fprintf(stderr, "%s\n", why.c_str());
  return frame;
}

void draw(const PictureFrame& frame, std::vector<std::uint8_t>& rgba) {
  rgba.resize(static_cast<std::size_t>(frame.width) * frame.height * 4);
  host::drawPictureRows(frame, layers(), 0, frame.height, rgba.data());
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<std::uint8_t> to(sheetBytes());
  Timed t("memcpy");
  for (auto _ : state) {
    std::memcpy(to.data(), a0Sheet().bits.data(), to.size());
    benchmark::ClobberMemory();
  }
  t.report(state, sheetBytes());
}

#ifdef PIXMEND_HAVE_LEPTONICA
void BM_ScaleToGray_Leptonica(benchmark::State& state) {
  PixPtr pix = toPix(a0Sheet().view());
  const float scale = static_cast<float>(kSide) / static_cast<float>(a0Sheet().height);
  Timed t("Leptonica pixScaleToGray");
  for (auto _ : state) {
    PIX* grey = pixScaleToGray(pix.get(), scale);
    benchmark::DoNotOptimize(grey);
    pixDestroy(&grey);
  }
  t.report(state, sheetBytes());
}
BENCHMARK(BM_ScaleToGray_Leptonica)->Unit(benchmark::kMillisecond)->Iterations(5);
#endif

#ifdef PIXMEND_HAVE_OPENCV
void BM_ResizeArea_OpenCV(benchmark::State& state) {
  const Drawing& sheet = a0Sheet();
  cv::Mat grey(sheet.height, sheet.width, CV_8UC1);
  for (int y = 0; y < sheet.height; ++y) {
    const std::uint8_t* row = sheet.bits.data() + static_cast<std::size_t>(y) * rowBytes(sheet.width);
    auto* out = grey.ptr<std::uint8_t>(y);
    for (int x = 0; x < sheet.width; ++x) out[x] = (row[x >> 3] & pixelMask(x)) != 0 ? 0 : 255;
  }
  const PictureFrame frame = frameOf(0);
  Timed t("OpenCV resize INTER_AREA (8-bit input)");
  for (auto _ : state) {
    cv::Mat small;
    cv::resize(grey, small, cv::Size(frame.width, frame.height), 0, 0, cv::INTER_AREA);
    benchmark::DoNotOptimize(small.data);
  }
  t.report(state, sheetBytes());
}
BENCHMARK(BM_ResizeArea_OpenCV)->Unit(benchmark::kMillisecond)->Iterations(5);
#endif

void BM_Picture_Unturned(benchmark::State& state) {
  host::resetHost();
  const PictureFrame frame = frameOf(0);
  std::vector<std::uint8_t> rgba;
  Timed t("picture, unturned", "Leptonica pixScaleToGray");
  for (auto _ : state) {
    draw(frame, rgba);
    benchmark::DoNotOptimize(rgba.data());
  }
  t.report(state, sheetBytes());
  state.counters["width"] = frame.width;
  state.counters["height"] = frame.height;
}

void BM_Picture_TurnedView(benchmark::State& state) {
  host::resetHost();
  host::rotateViewAboutZ(1, 90);
  const PictureFrame frame = frameOf(1);
  std::vector<std::uint8_t> rgba;
  Timed t("picture, turned view", "picture, unturned");
  for (auto _ : state) {
    draw(frame, rgba);
    benchmark::DoNotOptimize(rgba.data());
  }
  t.report(state, sheetBytes());
}

// The export as a session does it: the attachment's file read once (cached by the host), then
// drawing, PNG encoding and the atomic write of the picture every time.
void BM_Export_Png(benchmark::State& state) {
  host::resetHost();
  char dir[] = "/tmp/pixmend-picture-bench-XXXXXX";
  if (::mkdtemp(dir) == nullptr) return;
  const std::string scan = std::string(dir) + "/sheet.tif", png = std::string(dir) + "/sheet.png";
  const Point2d size{a0Sheet().width, a0Sheet().height};
  mdlImage_createFileFromBitMap(scan.c_str(), IMAGEFILE_TIFF, &size, a0Sheet().bits.data(), 0, 0, 0, nullptr);
  DgnRaster* raster = nullptr;
  host::attachRaster(scan, false, nullptr, nullptr, RASTER_UPDATE_MEMORY, &raster);
  std::string why;
  Timed t("export", "picture, unturned");
  for (auto _ : state) {
    if (!host::writeViewPicture(0, png, kSide, nullptr, &why)) state.SkipWithError(why.c_str());
  }
  t.report(state, sheetBytes());
  host::resetHost();
  std::remove(png.c_str());
  std::remove(scan.c_str());
  ::rmdir(dir);
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Picture_Unturned)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Picture_TurnedView)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Export_Png)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace pixmend::bench

BENCHMARK_MAIN();
