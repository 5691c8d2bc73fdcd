// Shared benchmark helpers (see bench_support.hpp).
#include "support/bench_support.hpp"

#include <time.h>

#include <cstdlib>
#include <filesystem>

#include <algorithm>
#include <cstring>
#include <map>

#include "bitmap/paste.hpp"
#include "host/image/api.h"

namespace pixmend::bench {

const Drawing& a0Sheet() {
  static const Drawing sheet = makeDrawing(kA0Width400, kA0Height400);
  return sheet;
}

std::string benchmarkSheetPath() {
  std::string dir;
  if (const char* set = std::getenv("PIXMEND_BENCHDATA"); set != nullptr && *set != '\0') {
    dir = set;
  } else if (*PIXMEND_TESTDATA_DIR != '\0') {
    dir = std::string(PIXMEND_TESTDATA_DIR) + "/../benchdata";
  }
  const std::string path = dir + "/a0-drawing-400dpi.tif";
  std::error_code error;
  return !dir.empty() && std::filesystem::is_regular_file(path, error) ? path : "";
}

const Drawing& benchmarkSheet() {
  static const Drawing sheet = [] {
    Drawing d;
    const std::string path = benchmarkSheetPath();
    unsigned char* data = nullptr;
    Point2d size{0, 0};
    if (path.empty() ||
        mdlImage_readFileToBitMap(&data, &size, path.c_str(), IMAGEFILE_TIFF, 0, nullptr) != 0)
      return d;
    d.width = size.x;
    d.height = size.y;
    d.bits.assign(data, data + bitmapBytes(size.x, size.y));
    mdlImage_freeImage(data, &size, 1);
    // The seeds its README gives.
    d.lineNetwork = {152, 6241};
    d.solidRegion = {9348, 805};
    d.hatchedArea = {1101, 16324};
    d.glyph = {451, 3651};
    return d;
  }();
  return sheet;
}

const Drawing& a4Sheet() {
  static const Drawing sheet = makeDrawing(kA4Width400, kA4Height400);
  return sheet;
}

std::vector<std::uint8_t> cutPiece(const Drawing& sheet, int x, int y, int w, int h) {
  std::vector<std::uint8_t> piece(bitmapBytes(w, h), 0);
  blit(BitmapView(piece.data(), w, h), 0, 0, sheet.view(), x, y, w, h, RasterOp::Copy);
  return piece;
}

double threadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double memcpySeconds(std::size_t bytes) {
  static std::map<std::size_t, double> cache;
  const auto found = cache.find(bytes);
  if (found != cache.end()) return found->second;
  std::vector<std::uint8_t> from(bytes, 0x5A), to(bytes, 0);
  // Batches of at least ~20 ms; the best batch is the figure (the least disturbed by others).
  std::size_t reps = 1;
  double best = 1e30;
  for (int batch = 0; batch < 8; ++batch) {
    const double t0 = threadSeconds();
    for (std::size_t i = 0; i < reps; ++i) {
      std::memcpy(to.data(), from.data(), bytes);
      benchmark::ClobberMemory();
      from[i % bytes] ^= 1;  // keeps the copies from being merged
    }
    const double seconds = threadSeconds() - t0;
    if (seconds < 0.02) {
      reps = std::max<std::size_t>(reps * 2, static_cast<std::size_t>(reps * 0.03 / std::max(seconds, 1e-9)));
      --batch;
      continue;
    }
    best = std::min(best, seconds / static_cast<double>(reps));
  }
  benchmark::DoNotOptimize(to.data());
  cache[bytes] = best;
  return best;
}

void Throughput::report(benchmark::State& state, std::size_t bytesPerIteration) const {
  const double seconds = threadSeconds() - start_;
  const double perIteration = seconds / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["MB/s"] = static_cast<double>(bytesPerIteration) / perIteration / 1e6;
  state.counters["x_memcpy"] = perIteration / memcpySeconds(bytesPerIteration);
}

#ifdef PIXMEND_HAVE_LEPTONICA
PixPtr toPix(ConstBitmapView view) {
  PixPtr pix(pixCreate(view.width, view.height, 1));
  if (!pix) return pix;
  const std::size_t bytes = rowBytes(view.width);
  l_uint32* data = pixGetData(pix.get());
  const int wpl = pixGetWpl(pix.get());
  // Rows go in as bytes in raster order; the byte swap turns them into Leptonica's words.
  for (int y = 0; y < view.height; ++y) std::memcpy(data + static_cast<std::size_t>(y) * wpl, view.row(y), bytes);
  pixEndianByteSwap(pix.get());
  return pix;
}

std::vector<std::uint8_t> fromPix(PIX* pix) {
  const int w = static_cast<int>(pixGetWidth(pix)), h = static_cast<int>(pixGetHeight(pix));
  std::vector<std::uint8_t> bits(bitmapBytes(w, h), 0);
  PixPtr copy(pixCopy(nullptr, pix));
  pixEndianByteSwap(copy.get());
  const l_uint32* data = pixGetData(copy.get());
  const int wpl = pixGetWpl(copy.get());
  const std::size_t bytes = rowBytes(w);
  for (int y = 0; y < h; ++y) std::memcpy(bits.data() + y * bytes, data + static_cast<std::size_t>(y) * wpl, bytes);
  // Leptonica keeps no promise about the bits after the last pixel: clear them as ours are.
  if (const int used = w & 7) {
    for (int y = 0; y < h; ++y) bits[y * bytes + bytes - 1] &= static_cast<std::uint8_t>(0xFF00u >> used);
  }
  return bits;
}
#endif

}  // namespace pixmend::bench
