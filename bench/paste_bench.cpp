// Paste throughput on an A0 drawing at 400 dpi: opaque and transparent paste of pieces of the
// drawing at x offsets that are not byte-aligned, against memcpy of the piece's bytes, a
// row-by-row memcpy at a byte-aligned offset (the floor for any row-major paste), and
// Leptonica's rasterop on the same pixels when it is installed.
//
// Every benchmark takes the piece index as its argument:
//   0: 301 x 157 at (1237, 1501)    1: 4001 x 3001 at (1237, 1501)    2: 13000 x 9000 at (121, 4001)
// Counters: MB/s of the piece's bytes, x_memcpy = time / time of one memcpy of those bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "bitmap/paste.hpp"
#include "pixmend/vxdll.h"
#include "support/bench_support.hpp"

namespace pixmend::bench {
namespace {

struct Piece {
  int width, height;  // size of the piece
  int fromX, fromY;   // where it is cut from the sheet
  int toX, toY;       // where it is pasted
};

constexpr Piece kPieces[] = {
    {301, 157, 300, 2000, 1237, 1501},
    {4001, 3001, 5000, 300, 1237, 1501},
    {13000, 9000, 100, 100, 121, 4001},
};

struct Setup {
  const Piece& piece;
  std::vector<std::uint8_t> src;    // the packed piece
  std::vector<std::uint8_t> sheet;  // a private copy of the A0 sheet to paste into
  std::size_t bytes;                // the piece's bytes

  explicit Setup(const benchmark::State& state)
      : piece(kPieces[state.range(0)]),
        src(cutPiece(a0Sheet(), piece.fromX, piece.fromY, piece.width, piece.height)),
        sheet(a0Sheet().bits),
        bytes(src.size()) {}
};

void label(benchmark::State& state, const Piece& p) {
  char text[64];
  std::snprintf(text, sizeof text, "%dx%d at x=%d", p.width, p.height, p.toX);
  state.SetLabel(text);
}

void BM_Memcpy(benchmark::State& state) {
  Setup s(state);
  std::vector<std::uint8_t> to(s.bytes);
  Throughput t;
  for (auto _ : state) {
    std::memcpy(to.data(), s.src.data(), s.bytes);
    benchmark::ClobberMemory();
  }
  t.report(state, s.bytes);
  label(state, s.piece);
}

// Each row of the piece copied whole into the sheet at the byte holding x: what a paste would
// cost if no bit had to move.
void BM_RowMemcpy(benchmark::State& state) {
  Setup s(state);
  const std::size_t stride = rowBytes(kA0Width400), rowLen = rowBytes(s.piece.width);
  Throughput t;
  for (auto _ : state) {
    for (int j = 0; j < s.piece.height; ++j) {
      std::memcpy(s.sheet.data() + (s.piece.toY + j) * stride + s.piece.toX / 8, s.src.data() + j * rowLen, rowLen);
    }
    benchmark::ClobberMemory();
  }
  t.report(state, s.bytes);
  label(state, s.piece);
}

void BM_Paste(benchmark::State& state) {
  Setup s(state);
  Throughput t;
  for (auto _ : state) {
    VXDllPaste(s.sheet.data(), s.src.data(), s.piece.toX, s.piece.toY, s.piece.width, s.piece.height, kA0Width400);
    benchmark::ClobberMemory();
  }
  t.report(state, s.bytes);
  label(state, s.piece);
}

void BM_PasteTransparent(benchmark::State& state) {
  Setup s(state);
  Throughput t;
  for (auto _ : state) {
    VXDllPasteTransparent(s.sheet.data(), s.src.data(), s.piece.toX, s.piece.toY, s.piece.width, s.piece.height,
                          kA0Width400);
    benchmark::ClobberMemory();
  }
  t.report(state, s.bytes);
  label(state, s.piece);
}

// The ink box of the piece (VXDllSmartPasteInit).
void BM_InkBox(benchmark::State& state) {
  Setup s(state);
  int box[4];
  Throughput t;
  for (auto _ : state) {
    VXDllSmartPasteInit(s.src.data(), &box[0], &box[1], &box[2], &box[3], s.piece.width, s.piece.height);
    benchmark::DoNotOptimize(box);
  }
  t.report(state, s.bytes);
  label(state, s.piece);
}

BENCHMARK(BM_Memcpy)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RowMemcpy)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Paste)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PasteTransparent)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InkBox)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

#ifdef PIXMEND_HAVE_LEPTONICA
// pixRasterop with the PIX made outside the timed loop. Once per piece and operation the
// result is checked against ours, so the two are known to do the same work.
void leptonica(benchmark::State& state, int op, bool transparent) {
  Setup s(state);
  PixPtr dest = toPix(ConstBitmapView(s.sheet.data(), kA0Width400, kA0Height400));
  PixPtr src = toPix(ConstBitmapView(s.src.data(), s.piece.width, s.piece.height));
  const Piece& p = s.piece;
  Throughput t;
  for (auto _ : state) {
    pixRasterop(dest.get(), p.toX, p.toY, p.width, p.height, op, src.get(), 0, 0);
    benchmark::ClobberMemory();
  }
  t.report(state, s.bytes);
  label(state, p);
  static bool checked[2][3];
  bool& done = checked[transparent][state.range(0)];
  if (!done) {
    done = true;
    auto ours = s.sheet;
    (transparent ? VXDllPasteTransparent : VXDllPaste)(ours.data(), s.src.data(), p.toX, p.toY, p.width, p.height,
                                                        kA0Width400);
    if (fromPix(dest.get()) != ours) state.SkipWithError("Leptonica's result differs from ours");
  }
}

void BM_LeptonicaSrc(benchmark::State& state) { leptonica(state, PIX_SRC, false); }
void BM_LeptonicaSrcOrDst(benchmark::State& state) { leptonica(state, PIX_SRC | PIX_DST, true); }

BENCHMARK(BM_LeptonicaSrc)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LeptonicaSrcOrDst)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace
}  // namespace pixmend::bench

BENCHMARK_MAIN();
