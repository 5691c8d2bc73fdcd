// Helpers shared by the benchmark programs: the drawing sheets they run on, pieces cut out of
// them, a memcpy baseline measured in the same process, the throughput counters every
// benchmark reports, and (when Leptonica is installed) conversion of a bitmap to a PIX.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bitmap/drawing.hpp"

#ifdef PIXMEND_HAVE_LEPTONICA
#include <allheaders.h>
#endif

namespace pixmend::bench {

// A0 and A4 sheets at 400 dpi from the drawing generator (seed 1), each built once per process.
const Drawing& a0Sheet();
const Drawing& a4Sheet();

// The project's A0 benchmark sheet (13244 x 18724 pixels at 400 dpi, Group 4), found beside the
// shared test scans (or in the folder PIXMEND_BENCHDATA names); "" when it is not there.
std::string benchmarkSheetPath();
// That sheet decoded, with the feature seeds its README gives; empty (no bits) when it is not
// there. The peers' figures of the project are taken on it.
const Drawing& benchmarkSheet();

// A packed copy of the w x h rectangle of `sheet` whose top-left pixel is (x, y); parts outside
// the sheet are background.
std::vector<std::uint8_t> cutPiece(const Drawing& sheet, int x, int y, int w, int h);

// Seconds one memcpy of `bytes` bytes takes here and now (between two buffers of that size,
// best of several batches). Cached per size, so every benchmark of a run compares against the
// same figure.
double memcpySeconds(std::size_t bytes);

// CPU seconds used by the calling thread so far. Benchmarks time themselves with it (as does
// memcpySeconds), so that other processes sharing the machine disturb the figures less.
double threadSeconds();

// Timing of a benchmark loop in thread CPU time, reported as counters:
//   MB/s       bytesPerIteration / seconds per iteration / 1e6
//   x_memcpy   seconds per iteration / seconds of one memcpy of bytesPerIteration
// Usage: Throughput t; for (auto _ : state) {...}; t.report(state, bytes);
class Throughput {
 public:
  Throughput() : start_(threadSeconds()) {}
  void report(benchmark::State& state, std::size_t bytesPerIteration) const;

 private:
  double start_;
};

#ifdef PIXMEND_HAVE_LEPTONICA
struct PixDeleter {
  void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<PIX, PixDeleter>;

// A 1 bpp PIX with the same pixels (Leptonica's 1 bpp images also have 1 = black).
PixPtr toPix(ConstBitmapView view);
// The packed rows of a 1 bpp PIX.
std::vector<std::uint8_t> fromPix(PIX* pix);
#endif

}  // namespace pixmend::bench
