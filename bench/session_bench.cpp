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
//   EditPath       the whole edit of the project's A0 benchmark sheet as a user makes it, each run
//                  in a process of its own: attach, select (VXRaster reads the scan), a 64 x 64
//                  block painted and written back (undo copy, Group 4 write, the host's reload),
//                  end. Beside it `tiffcp -c g4` decoding and encoding the same file, also a
//                  process of its own, and one memcpy of the bitmap. Wall time of the path (ours
//                  timed inside the process from the attach on, tiffcp's from its start) and the
//                  peak resident memory of each process (its maximum RSS), medians of three runs,
//                  in a folder under /tmp (on disk: every write synced) and under /dev/shm (a
//                  memory file system, where a sync costs nothing).
//
// Counters: ms per operation, MB/s of the bitmap's bytes, x_memcpy = the time over one memcpy of
// those bytes. Times are thread CPU time except for EditPath. Needs VXRasterEdit built (build its
// target first).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

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

// ---- The whole edit in processes of their own --------------------------------------------------

std::string gSelf;  // this program, run again for each edit path

struct ChildRun {
  double wallSeconds = 0;  // measured from outside
  double pathSeconds = 0;  // what the child reported (ours), else the wall time
  double maxRssMiB = 0;
  bool ok = false;
};

double monotonicSeconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Runs `args` under `session_bench --measure` (see main); the standard output is read back: the
// measuring process's figures and the path's seconds (ours prints them).
ChildRun runChild(std::vector<std::string> args) {
  args.insert(args.begin(), {gSelf, "--measure"});
  ChildRun run;
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const double start = monotonicSeconds();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  std::string out;
  char buffer[256];
  for (ssize_t n; spawned == 0 && (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  ::close(pipeFds[0]);
  if (spawned != 0) return run;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return run;
  (void)start;
  const char* wall = std::strstr(out.c_str(), "wall-seconds ");
  const char* rss = std::strstr(out.c_str(), "max-rss-kb ");
  const char* path = std::strstr(out.c_str(), "path-seconds ");
  if (wall == nullptr || rss == nullptr) return run;
  run.wallSeconds = std::atof(wall + 13);
  run.maxRssMiB = std::atof(rss + 11) / 1024.0;
  run.pathSeconds = path != nullptr ? std::atof(path + 13) : run.wallSeconds;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Argument: 0 the folder under /tmp (disk), 1 under /dev/shm (memory).
const char* rootFor(const benchmark::State& state) {
  return state.range(0) == 0 ? "/tmp" : "/dev/shm";
}

void reportRuns(benchmark::State& state, const std::vector<ChildRun>& runs) {
  std::vector<double> path, wall, rss;
  for (const ChildRun& r : runs) {
    path.push_back(r.pathSeconds);
    wall.push_back(r.wallSeconds);
    rss.push_back(r.maxRssMiB);
  }
  state.counters["path_ms"] = median(path) * 1e3;
  state.counters["process_ms"] = median(wall) * 1e3;
  state.counters["max_rss_MiB"] = median(rss);
  state.counters["x_memcpy"] = median(path) / memcpySeconds(benchmarkSheet().bits.size());
}

void BM_EditPath_Tiffcp(benchmark::State& state) {
  const std::string scan = benchmarkSheetPath();
  if (scan.empty()) {
    state.SkipWithError("the benchmark sheet a0-drawing-400dpi.tif is not there (PIXMEND_BENCHDATA)");
    return;
  }
  const std::string out = std::string(rootFor(state)) + "/pixmend-bench-tiffcp.tif";
  std::vector<ChildRun> runs;
  for (auto _ : state) {
    for (int i = 0; i < 3; ++i) {
      runs.push_back(runChild({"tiffcp", "-c", "g4", scan, out}));
      if (!runs.back().ok) state.SkipWithError("tiffcp failed (scripts/bootstrap --bench installs it)");
    }
  }
  std::remove(out.c_str());
  reportRuns(state, runs);
}

void BM_EditPath_Pixmend(benchmark::State& state) {
  const std::string scan = benchmarkSheetPath();
  if (scan.empty()) {
    state.SkipWithError("the benchmark sheet a0-drawing-400dpi.tif is not there (PIXMEND_BENCHDATA)");
    return;
  }
  std::vector<ChildRun> runs;
  for (auto _ : state) {
    for (int i = 0; i < 3; ++i) {
      runs.push_back(runChild({gSelf, "--edit-path", scan, rootFor(state)}));
      if (!runs.back().ok) state.SkipWithError("the edit path failed (build VXRasterEdit first)");
    }
  }
  reportRuns(state, runs);
}

void BM_EditPath_Memcpy(benchmark::State& state) {
  const std::size_t bytes =
      benchmarkSheet().bits.empty() ? a0Sheet().bits.size() : benchmarkSheet().bits.size();
  for (auto _ : state) benchmark::DoNotOptimize(bytes);
  state.counters["path_ms"] = memcpySeconds(bytes) * 1e3;
}

BENCHMARK(BM_EditPath_Memcpy)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditPath_Tiffcp)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EditPath_Pixmend)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Argument 0: A4 at 400 dpi; 1: A0 at 400 dpi.
BENCHMARK(BM_PushUndo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditWriteBack)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_UndoRedo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_LoadRelease)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(4);

}  // namespace
}  // namespace pixmend::bench

// A process's peak memory is taken by a small process of ours that forks and runs it: the peak a
// child inherits at exec is its parent's, and this benchmark process holds the drawing sheets.
// Prints "wall-seconds S max-rss-kb K" and exits with the command's status.
int measure(char** argv) {
  const double start = pixmend::bench::monotonicSeconds();
  const pid_t pid = ::fork();
  if (pid < 0) return 127;
  if (pid == 0) {
    ::execvp(argv[0], argv);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid) return 127;
  std::printf("wall-seconds %.6f max-rss-kb %ld\n", pixmend::bench::monotonicSeconds() - start,
              usage.ru_maxrss);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 127;
}

// `session_bench --measure COMMAND...`: see measure. `session_bench --edit-path SCAN ROOT
// [--journal]`: one edit path in this process (BM_EditPath_Pixmend's); prints "path-seconds S".
// Anything else: the benchmarks.
int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--measure") == 0) return measure(argv + 2);
  if (argc >= 4 && std::strcmp(argv[1], "--edit-path") == 0) {
    double seconds = 0;
    std::string journal;
    const bool showJournal = argc >= 5 && std::strcmp(argv[4], "--journal") == 0;
    if (!pixmend::bench::runEditPath(argv[2], argv[3], seconds, showJournal ? &journal : nullptr)) return 1;
    std::printf("%spath-seconds %.6f\n", journal.c_str(), seconds);
    return 0;
  }
  pixmend::bench::gSelf = argv[0];
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
