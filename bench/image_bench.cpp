// The image library on the project's A0 benchmark sheet at 400 dpi (13244 x 18724 pixels, 31 MB;
// the generated A0 sheet where it is not installed), side by side
// with its peers: Group 4 TIFF read and write against plain libtiff (the strip reads and writes
// tiffcp does) and Leptonica's pixReadTiff / pixWriteTiff; Intergraph CIT and run-length read
// and write; quarter turn and mirrors against Leptonica's pixRotate90 / pixFlipLR / pixFlipTB.
//
// Counters: MB/s and x_memcpy relative to one memcpy of the bitmap's bytes; x_peer (ours only)
// = our time / the named peer's time in this run. Peers are registered first so that the
// ratio is taken against a figure of the same run. Times are thread CPU time.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "host/image/api.h"
#include "host/image/formats.hpp"
#include "host/image/kernels.hpp"
#include "support/bench_support.hpp"

namespace pixmend::bench {
namespace {

// Per-iteration seconds of the benchmarks that already ran, by name.
std::map<std::string, double>& seconds() {
  static std::map<std::string, double> s;
  return s;
}

// Times the loop like Throughput and also records the time under `name`; with a `peer`, adds
// the ratio to the peer's recorded time.
class Timed {
 public:
  Timed(const char* name, const char* peer = nullptr) : name_(name), peer_(peer), start_(threadSeconds()) {}
  void report(benchmark::State& state, std::size_t bytes) {
    const double per = (threadSeconds() - start_) /
                       static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    seconds()[name_] = per;
    state.counters["MB/s"] = static_cast<double>(bytes) / per / 1e6;
    state.counters["x_memcpy"] = per / memcpySeconds(bytes);
    state.counters["ms"] = per * 1e3;
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

// The project's benchmark sheet, or the generated A0 sheet where it is not installed.
const Drawing& sheet() {
  return benchmarkSheet().bits.empty() ? a0Sheet() : benchmarkSheet();
}
std::size_t sheetBytes() {
  return sheet().bits.size();
}
Point2d sheetSize() {
  return {sheet().width, sheet().height};
}

// A folder for the files, removed at exit. The clean-up reads the name from a plain array: it
// runs after the static string below has been destroyed (it is registered while that string is
// still being made).
const std::string& folder() {
  static char made[] = "/tmp/pixmend-image-bench-XXXXXX";
  static const std::string dir = [] {
    if (::mkdtemp(made) == nullptr) return std::string("/tmp");
    std::atexit([] { (void)std::system((std::string("rm -rf '") + made + "'").c_str()); });
    return std::string(made);
  }();
  return dir;
}

// The sheet written once in each format (by the library).
const std::string& sheetFile(int type) {
  static std::map<int, std::string> files;
  auto found = files.find(type);
  if (found != files.end()) return found->second;
  const std::string path = folder() + (type == IMAGEFILE_TIFF  ? "/sheet.tif"
                                       : type == IMAGEFILE_RLE ? "/sheet.rle"
                                                               : "/sheet.cit");
  const Point2d size = sheetSize();
  if (mdlImage_createFileFromBitMap(path.c_str(), type, &size, sheet().bits.data(), 0, 0, 0, nullptr) != 0)
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
  return files[type] = path;
}

TIFF* quietTiff(const char* path, const char* mode) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  auto quiet = [](TIFF*, void*, const char*, const char*, va_list) { return 1; };
  TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
  TIFF* tif = TIFFOpenExt(path, mode, options);
  TIFFOpenOptionsFree(options);
  return tif;
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<std::uint8_t> to(sheetBytes());
  Timed t("memcpy");
  for (auto _ : state) {
    std::memcpy(to.data(), sheet().bits.data(), to.size());
    benchmark::ClobberMemory();
  }
  t.report(state, sheetBytes());
}

// ---- Group 4 TIFF ---------------------------------------------------------------------------------

void BM_TiffG4Read_Libtiff(benchmark::State& state) {
  const std::string& path = sheetFile(IMAGEFILE_TIFF);
  Timed t("libtiff read");
  for (auto _ : state) {
    TIFF* tif = quietTiff(path.c_str(), "r");
    std::uint32_t w = 0, h = 0, rps = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rps);
    const std::size_t stride = (w + 7) / 8;
    auto* buffer = static_cast<std::uint8_t*>(std::malloc(stride * h));
    for (std::uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
      const std::uint32_t rows = std::min(rps, h - s * rps);
      TIFFReadEncodedStrip(tif, s, buffer + static_cast<std::size_t>(s) * rps * stride,
                           static_cast<tmsize_t>(rows * stride));
    }
    benchmark::DoNotOptimize(buffer);
    std::free(buffer);
    TIFFClose(tif);
  }
  t.report(state, sheetBytes());
}

#ifdef PIXMEND_HAVE_LEPTONICA
void BM_TiffG4Read_Leptonica(benchmark::State& state) {
  const std::string& path = sheetFile(IMAGEFILE_TIFF);
  Timed t("leptonica read");
  for (auto _ : state) {
    PIX* pix = pixReadTiff(path.c_str(), 0);
    benchmark::DoNotOptimize(pix);
    pixDestroy(&pix);
  }
  t.report(state, sheetBytes());
}
#endif

void readWithLibrary(benchmark::State& state, int type, const char* name, const char* peer) {
  const std::string& path = sheetFile(type);
  Timed t(name, peer);
  for (auto _ : state) {
    unsigned char* image = nullptr;
    Point2d size{0, 0};
    if (mdlImage_readFileToBitMap(&image, &size, path.c_str(), type, 0, nullptr) != 0)
      state.SkipWithError("read failed");
    benchmark::DoNotOptimize(image);
    mdlImage_freeImage(image, &size, 1);
  }
  t.report(state, sheetBytes());
}

void BM_TiffG4Read_Pixmend(benchmark::State& state) {
  readWithLibrary(state, IMAGEFILE_TIFF, "tiff read", "libtiff read");
}

void BM_TiffG4Write_Libtiff(benchmark::State& state) {
  const std::string path = folder() + "/libtiff-out.tif";
  Timed t("libtiff write");
  for (auto _ : state) {
    TIFF* tif = quietTiff(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, sheet().width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, sheet().height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, sheet().height);
    TIFFWriteEncodedStrip(tif, 0, const_cast<std::uint8_t*>(sheet().bits.data()),
                          static_cast<tmsize_t>(sheetBytes()));
    TIFFClose(tif);
  }
  t.report(state, sheetBytes());
}

// The Group 4 codec alone, into memory: libtiff's scanline encoder against ours. The streams are
// the same bytes (the tests hold them to it); the first iteration checks it here too.
void encodeWith(benchmark::State& state, bool ours, const char* name, const char* peer) {
  const ConstBitmapView view = sheet().view();
  std::vector<std::uint8_t> reference;
  host::ImageDiagnostics diag("bench");
  host::encodeG4Libtiff(view, false, false, reference, diag, nullptr);
  Timed t(name, peer);
  for (auto _ : state) {
    std::vector<std::uint8_t> stream;
    const int rc = ours ? host::encodeG4Stream(view, false, false, stream, nullptr)
                        : host::encodeG4Libtiff(view, false, false, stream, diag, nullptr);
    if (rc != 0 || stream != reference) state.SkipWithError("encoding failed or differs from libtiff's");
    benchmark::DoNotOptimize(stream.data());
  }
  t.report(state, sheetBytes());
  state.counters["stream_MB"] = static_cast<double>(reference.size()) / 1e6;
}
void BM_G4Encode_Libtiff(benchmark::State& state) {
  encodeWith(state, false, "libtiff encode", nullptr);
}
void BM_G4Encode_Pixmend(benchmark::State& state) {
  encodeWith(state, true, "g4 encode", "libtiff encode");
}

#ifdef PIXMEND_HAVE_LEPTONICA
void BM_TiffG4Write_Leptonica(benchmark::State& state) {
  const std::string path = folder() + "/leptonica-out.tif";
  PixPtr pix = toPix(sheet().view());
  Timed t("leptonica write");
  for (auto _ : state) pixWriteTiff(path.c_str(), pix.get(), IFF_TIFF_G4, "w");
  t.report(state, sheetBytes());
}
#endif

void writeWithLibrary(benchmark::State& state, int type, const char* file, const char* name,
                      const char* peer) {
  const std::string path = folder() + file;
  const Point2d size = sheetSize();
  Timed t(name, peer);
  for (auto _ : state) {
    if (mdlImage_createFileFromBitMap(path.c_str(), type, &size, sheet().bits.data(), 0, 0, 0, nullptr) != 0)
      state.SkipWithError("write failed");
  }
  t.report(state, sheetBytes());
}

void BM_TiffG4Write_Pixmend(benchmark::State& state) {
  writeWithLibrary(state, IMAGEFILE_TIFF, "/out.tif", "tiff write", "libtiff write");
}

// ---- Intergraph ---------------------------------------------------------------------------------

void BM_CitRead_Pixmend(benchmark::State& state) {
  readWithLibrary(state, IMAGEFILE_CIT, "cit read", "tiff read");
}
void BM_CitWrite_Pixmend(benchmark::State& state) {
  writeWithLibrary(state, IMAGEFILE_CIT, "/out.cit", "cit write", "tiff write");
}
void BM_RleRead_Pixmend(benchmark::State& state) {
  readWithLibrary(state, IMAGEFILE_RLE, "rle read", "tiff read");
}
void BM_RleWrite_Pixmend(benchmark::State& state) {
  writeWithLibrary(state, IMAGEFILE_RLE, "/out.rle", "rle write", "tiff write");
}

// ---- Quarter turn and mirrors -------------------------------------------------------------------

#ifdef PIXMEND_HAVE_LEPTONICA
void BM_Rotate90_Leptonica(benchmark::State& state) {
  PixPtr pix = toPix(sheet().view());
  Timed t("leptonica rotate");
  for (auto _ : state) {
    PIX* turned = pixRotate90(pix.get(), -1);  // counter-clockwise, as ours
    benchmark::DoNotOptimize(turned);
    pixDestroy(&turned);
  }
  t.report(state, sheetBytes());
}
void BM_FlipLR_Leptonica(benchmark::State& state) {
  PixPtr pix = toPix(sheet().view());
  Timed t("leptonica flip lr");
  for (auto _ : state) pixFlipLR(pix.get(), pix.get());
  t.report(state, sheetBytes());
}
void BM_FlipTB_Leptonica(benchmark::State& state) {
  PixPtr pix = toPix(sheet().view());
  Timed t("leptonica flip tb");
  for (auto _ : state) pixFlipTB(pix.get(), pix.get());
  t.report(state, sheetBytes());
}
#endif

void BM_Rotate90_Pixmend(benchmark::State& state) {
  const Point2d size = sheetSize();
  Timed t("rotate", "leptonica rotate");
  for (auto _ : state) {
    unsigned char* turned = nullptr;
    Point2d turnedSize{0, 0};
    if (mdlImage_rotate(&turned, &turnedSize, sheet().bits.data(), &size, 1, 90, nullptr) != 0)
      state.SkipWithError("rotate failed");
    benchmark::DoNotOptimize(turned);
    mdlImage_freeImage(turned, &turnedSize, 1);
  }
  t.report(state, sheetBytes());
}

void BM_FlipLR_Pixmend(benchmark::State& state) {
  std::vector<std::uint8_t> bits = sheet().bits;
  const Point2d size = sheetSize();
  Timed t("flip lr", "leptonica flip lr");
  for (auto _ : state) mdlImage_mirror(bits.data(), &size, 1, 1, 0);
  t.report(state, sheetBytes());
}

void BM_FlipTB_Pixmend(benchmark::State& state) {
  std::vector<std::uint8_t> bits = sheet().bits;
  const Point2d size = sheetSize();
  Timed t("flip tb", "leptonica flip tb");
  for (auto _ : state) mdlImage_mirror(bits.data(), &size, 1, 0, 0);
  t.report(state, sheetBytes());
}

}  // namespace

// Peers before ours, so that the ratios compare against figures of this run.
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TiffG4Read_Libtiff)->Unit(benchmark::kMillisecond);
#ifdef PIXMEND_HAVE_LEPTONICA
BENCHMARK(BM_TiffG4Read_Leptonica)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_TiffG4Read_Pixmend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_G4Encode_Libtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_G4Encode_Pixmend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffG4Write_Libtiff)->Unit(benchmark::kMillisecond);
#ifdef PIXMEND_HAVE_LEPTONICA
BENCHMARK(BM_TiffG4Write_Leptonica)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_TiffG4Write_Pixmend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CitRead_Pixmend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CitWrite_Pixmend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RleRead_Pixmend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RleWrite_Pixmend)->Unit(benchmark::kMillisecond);
#ifdef PIXMEND_HAVE_LEPTONICA
BENCHMARK(BM_Rotate90_Leptonica)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlipLR_Leptonica)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlipTB_Leptonica)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_Rotate90_Pixmend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlipLR_Pixmend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlipTB_Pixmend)->Unit(benchmark::kMillisecond);

}  // namespace pixmend::bench

BENCHMARK_MAIN();
