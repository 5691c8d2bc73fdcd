// VXRaster's raster session on drawing sheets at 400 dpi (A4: 3307 x 4677 pixels, 1.9 MB; A0:
// 13244 x 18724 pixels, 31 MB), driven through the host as a user drives it (VXRasterEdit, the
// test build whose editing step stands in for the editing commands):
//   PushUndo       one move of the attachment: the undo store takes a copy of the whole bitmap
//                  (the yardstick is one memcpy of the bitmap's bytes)
//   EditWriteBack  one small edit: the undo copy, the file checked against what the session
//                  last wrote (its digest), the bitmap written back as CCITT Group 4, the new
//                  file's digest, and the file read again by the host to redraw it
//   UndoRedo       one undo (or redo) of an edit: the bitmaps exchanged and written back
//   LoadRelease    one select + end without an edit: the file read and identified, the backup
//                  copied with its record; nothing is written
//
// Counters: ms per operation, MB/s of the bitmap's bytes, x_memcpy = the time over one memcpy of
// those bytes. Times are thread CPU time. Needs VXRasterEdit built (build its target first).
#include <benchmark/benchmark.h>

#include <string>

#include "support/bench_support.hpp"
#include "support/vxraster_session.hpp"

namespace pixmend::bench {
namespace {

// VXRasterEdit (VXRaster with an editing step on host event slot 60) on the sheet.
class Session : public VXRasterSession {
 public:
  explicit Session(const Drawing& sheet) : VXRasterSession(sheet, "VXRasterEdit") {}
  // The editing step: a block of `size` pixels at the top left, ink or paper, written back.
  static void edit(int size, bool ink) {
    event(60, "0 0 " + std::to_string(size) + " " + std::to_string(size), ink ? 1 : 0);
  }
};

void report(benchmark::State& state, double start, std::size_t bytes) {
  const double per = (threadSeconds() - start) / static_cast<double>(state.iterations());
  state.counters["ms"] = per * 1e3;
  state.counters["MB/s"] = static_cast<double>(bytes) / per / 1e6;
  state.counters["x_memcpy"] = per / memcpySeconds(bytes);
}

const Drawing& sheetFor(const benchmark::State& state) {
  return state.range(0) == 0 ? a4Sheet() : a0Sheet();
}

void BM_PushUndo(benchmark::State& state) {
  const Drawing& sheet = sheetFor(state);
  Session session(sheet);
  if (!session.ok()) {
    state.SkipWithError("VXRasterEdit cannot be loaded (build its target first)");
    return;
  }
  Session::keyin("vxraster select");
  Session::keyin("vxraster move attachment");
  const double start = threadSeconds();
  for (auto _ : state) {
    Session::point(0, 0);
    Session::point(1, 0);
    Session::forget();
  }
  report(state, start, sheet.bits.size());
}

void BM_EditWriteBack(benchmark::State& state) {
  const Drawing& sheet = sheetFor(state);
  Session session(sheet);
  if (!session.ok()) {
    state.SkipWithError("VXRasterEdit cannot be loaded (build its target first)");
    return;
  }
  Session::keyin("vxraster select");
  bool ink = true;
  const double start = threadSeconds();
  for (auto _ : state) {
    Session::edit(64, ink);
    ink = !ink;
    Session::forget();
  }
  report(state, start, sheet.bits.size());
}

void BM_UndoRedo(benchmark::State& state) {
  const Drawing& sheet = sheetFor(state);
  Session session(sheet);
  if (!session.ok()) {
    state.SkipWithError("VXRasterEdit cannot be loaded (build its target first)");
    return;
  }
  Session::keyin("vxraster select");
  Session::edit(64, true);
  bool undo = true;
  const double start = threadSeconds();
  for (auto _ : state) {
    Session::keyin(undo ? "vxraster undo" : "vxraster redo");
    undo = !undo;
    Session::forget();
  }
  report(state, start, sheet.bits.size());
}

void BM_LoadRelease(benchmark::State& state) {
  const Drawing& sheet = sheetFor(state);
  Session session(sheet);
  if (!session.ok()) {
    state.SkipWithError("VXRasterEdit cannot be loaded (build its target first)");
    return;
  }
  const double start = threadSeconds();
  for (auto _ : state) {
    Session::keyin("vxraster select");
    Session::keyin("vxraster end");
    Session::forget();
  }
  report(state, start, sheet.bits.size());
}

// Argument 0: A4 at 400 dpi; 1: A0 at 400 dpi.
BENCHMARK(BM_PushUndo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditWriteBack)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_UndoRedo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_LoadRelease)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(4);

}  // namespace
}  // namespace pixmend::bench

BENCHMARK_MAIN();
