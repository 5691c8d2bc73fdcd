// Bad input never crashes, hangs or makes the library allocate what a file cannot justify:
// truncated, corrupt and hostile TIFF and Intergraph files give an error result. Also the tiled
// Intergraph layout, built here tile by tile.
#include <cstring>

#include "host/image/formats.hpp"
#include "image_test_util.hpp"

namespace pixmend::imagetest {
namespace {

class HostileImages : public ::testing::Test {
 protected:
  void SetUp() override { host::resetHost(); }
  void TearDown() override { host::resetHost(); }

  // Writes `bytes` to a file and reads it back with the library.
  int readBack(const std::vector<std::uint8_t>& bytes, const char* name = "x") {
    const std::string path = tmp.file(name);
    writeBytes(path, bytes);
    return readImage(path).rc;
  }
  TempDir tmp;
};

std::uint16_t get16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Sets the inline value of `tag` in the first directory of a little-endian classic TIFF.
bool patchTag(std::vector<std::uint8_t>& b, std::uint16_t tag, std::uint32_t value) {
  const std::size_t ifd = b[4] | (b[5] << 8) | (b[6] << 16) | (static_cast<std::size_t>(b[7]) << 24);
  const std::uint16_t count = get16(b, ifd);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t e = ifd + 2 + 12 * i;
    if (get16(b, e) != tag) continue;
    if (get16(b, e + 2) == TIFF_SHORT)
      put16(b, e + 8, value);
    else
      put32(b, e + 8, value);
    return true;
  }
  return false;
}

// A small TIFF made by libtiff: 1 bit, `compression`, strips or 16 x 16 tiles.
std::vector<std::uint8_t> makeTiff(const std::string& path, const Bits& image, std::uint16_t compression,
                                   bool tiled) {
  TIFF* t = quietOpen(path, "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, image.width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, image.height);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  const std::size_t stride = rowBytes(image.width);
  if (tiled) {
    TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
    std::vector<std::uint8_t> tile(2 * 16);
    for (int y = 0; y < image.height; y += 16)
      for (int x = 0; x < image.width; x += 16) {
        std::fill(tile.begin(), tile.end(), 0);
        for (int r = 0; r < 16 && y + r < image.height; ++r)
          for (int c = 0; c < 16 && x + c < image.width; ++c)
            if (image.get(x + c, y + r)) tile[r * 2 + c / 8] |= static_cast<std::uint8_t>(0x80 >> (c % 8));
        TIFFWriteTile(t, tile.data(), static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 0, 0);
      }
  } else {
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, image.height);
    TIFFWriteEncodedStrip(t, 0, const_cast<std::uint8_t*>(image.bytes.data()),
                          static_cast<tmsize_t>(stride * image.height));
  }
  TIFFClose(t);
  return readBytes(path);
}

// A tiled Intergraph file: tiles of `size` pixels as run-length (9) or Group 4 (24) data; edge
// tiles cropped to the image, or stored at full size as some writers do.
std::vector<std::uint8_t> makeTiledIngr(const Bits& image, int size, int tileType, bool fullEdges = false) {
  host::ImageDiagnostics diag("test");
  diag.silence();
  const int across = (image.width + size - 1) / size, down = (image.height + size - 1) / size;
  std::vector<std::uint8_t> tiles;
  std::vector<std::uint32_t> starts, used;
  const std::size_t dirBytes = 128 + 12 * static_cast<std::size_t>(across * down);
  for (int ty = 0; ty < down; ++ty)
    for (int tx = 0; tx < across; ++tx) {
      const int w = fullEdges ? size : std::min(size, image.width - tx * size);
      const int h = fullEdges ? size : std::min(size, image.height - ty * size);
      Bits tile = blank(w, h);
      for (int y = 0; y < h && ty * size + y < image.height; ++y)
        for (int x = 0; x < w && tx * size + x < image.width; ++x)
          tile.put(x, y, image.get(tx * size + x, ty * size + y));
      std::vector<std::uint8_t> data;
      const ConstBitmapView view(tile.bytes.data(), w, h);
      if (tileType == 24)
        host::encodeG4(view, true, data, diag, nullptr);
      else
        host::encodeIngrRuns(view, false, data);
      starts.push_back(static_cast<std::uint32_t>(dirBytes + tiles.size()));
      used.push_back(static_cast<std::uint32_t>(data.size()));
      tiles.insert(tiles.end(), data.begin(), data.end());
    }
  std::vector<std::uint8_t> file(1024 + dirBytes, 0);
  put16(file, 0, 0x0908);
  put16(file, 2, 510);
  put16(file, 4, 65);
  put32(file, 184, static_cast<std::uint32_t>(image.width));
  put32(file, 188, static_cast<std::uint32_t>(image.height));
  file[194] = 4;
  file[511] = 3;
  const std::size_t d = 1024;
  put16(file, d, 1);
  put16(file, d + 2, 7);
  put32(file, d + 4, static_cast<std::uint32_t>((dirBytes - 8) / 2));
  put16(file, d + 8, 1);
  put16(file, d + 10, 1);
  put16(file, d + 16, 1);
  put16(file, d + 18, static_cast<std::uint32_t>(tileType));
  put32(file, d + 120, static_cast<std::uint32_t>(size));
  for (std::size_t i = 0; i < starts.size(); ++i) {
    put32(file, d + 128 + 12 * i, starts[i]);
    put32(file, d + 132 + 12 * i, used[i]);
    put32(file, d + 136 + 12 * i, used[i]);
  }
  file.insert(file.end(), tiles.begin(), tiles.end());
  return file;
}

TEST_F(HostileImages, TiledIntergraphFilesReadTileByTile) {
  testsupport::Rng rng(41);
  const Bits image = randomBits(rng, 150, 70, 0.3);  // cropped edge tiles both ways
  for (int type : {9, 24}) {
    SCOPED_TRACE(type);
    std::vector<std::uint8_t> file = makeTiledIngr(image, 64, type);
    const std::string path = tmp.file(type == 9 ? "tiled.rle" : "tiled.cit");
    writeBytes(path, file);
    EXPECT_EQ(mdlImage_typeFromFile(path.c_str()), type == 9 ? IMAGEFILE_RLE : IMAGEFILE_CIT);
    const ReadResult r = readImage(path);
    ASSERT_EQ(r.rc, 0);
    EXPECT_TRUE(r.bits == image);
    // Edge tiles stored at full size are read too (and the text window says so).
    writeBytes(path, makeTiledIngr(image, 64, type, true));
    const ReadResult full = readImage(path);
    ASSERT_EQ(full.rc, 0);
    EXPECT_TRUE(full.bits == image);
    bool said = false;
    for (const std::string& line : host::journal().texts("text"))
      said |= line.find("stored at full size") != std::string::npos;
    EXPECT_TRUE(said);
    // A tile that is not stored holds the value of its "used" field.
    std::vector<std::uint8_t> sparse = file;
    put32(sparse, 1024 + 128, 0);
    put32(sparse, 1024 + 136, 1);
    writeBytes(path, sparse);
    const ReadResult s = readImage(path);
    ASSERT_EQ(s.rc, 0);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) ASSERT_TRUE(s.bits.get(x, y));
    // Hostile directories: tile size 0, a tile beyond the end, more tiles than the file holds.
    std::vector<std::uint8_t> bad = file;
    put32(bad, 1024 + 120, 0);
    EXPECT_EQ(readBack(bad), MDLERR_CORRUPTIMAGE);
    bad = file;
    put32(bad, 1024 + 128 + 12, static_cast<std::uint32_t>(file.size()));
    EXPECT_EQ(readBack(bad), MDLERR_CORRUPTIMAGE);
    bad = file;
    put32(bad, 1024 + 120, 1);  // 150 x 70 one-pixel tiles: far more entries than bytes
    EXPECT_EQ(readBack(bad), MDLERR_CORRUPTIMAGE);
    bad = file;
    put16(bad, 1024 + 18, 10);
    EXPECT_EQ(readBack(bad), MDLERR_NOTMONOCHROME);
  }
}

TEST_F(HostileImages, TruncatedFilesGiveAnErrorAtEveryLength) {
  testsupport::Rng rng(43);
  const Bits image = randomBits(rng, 61, 37, 0.3);
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
  for (int type : {IMAGEFILE_TIFF, IMAGEFILE_RLE, IMAGEFILE_CIT}) {
    const std::string path = tmp.file("whole" + std::to_string(type));
    ASSERT_EQ(writeImage(path, type, image), 0);
    files.emplace_back(path, readBytes(path));
  }
  files.emplace_back("plain-runs", readBytes(files[1].first));
  files.back().second[195] = 0;  // the same runs read without trusting line headers
  for (const auto& [name, bytes] : files) {
    for (std::size_t cut = 0; cut < bytes.size(); cut += 1 + cut / 16) {
      SCOPED_TRACE(::testing::Message() << name << " cut at " << cut);
      const std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
      const int rc = readBack(part);
      EXPECT_LT(rc, 0);
    }
  }
}

TEST_F(HostileImages, AbsurdSizesAreRefusedBeforeAnythingIsAllocated) {
  const Bits image = blank(16, 4);
  const std::string tif = tmp.file("s.tif");
  std::vector<std::uint8_t> g4 = makeTiff(tif, image, COMPRESSION_CCITTFAX4, false);
  const long long before = host::imageAllocationCount();
  std::vector<std::uint8_t> b = g4;
  patchTag(b, TIFFTAG_IMAGEWIDTH, 0x7FFFFFFF);
  patchTag(b, TIFFTAG_IMAGELENGTH, 0x7FFFFFFF);
  patchTag(b, TIFFTAG_ROWSPERSTRIP, 0x7FFFFFFF);
  EXPECT_LT(readBack(b), 0);
  b = g4;
  patchTag(b, TIFFTAG_IMAGEWIDTH, 1000000);  // within the side limit, far beyond a file of 200 bytes
  patchTag(b, TIFFTAG_IMAGELENGTH, 100000);
  patchTag(b, TIFFTAG_ROWSPERSTRIP, 100000);
  EXPECT_LT(readBack(b), 0);
  b = makeTiff(tif, image, COMPRESSION_NONE, false);
  patchTag(b, TIFFTAG_IMAGELENGTH, 5000);
  patchTag(b, TIFFTAG_ROWSPERSTRIP, 5000);
  EXPECT_EQ(readBack(b), MDLERR_CORRUPTIMAGE);
  EXPECT_EQ(host::imageAllocationCount(), before);

  // Intergraph: absurd pixel counts and line counts the data cannot hold.
  const std::string cit = tmp.file("s.cit");
  ASSERT_EQ(writeImage(cit, IMAGEFILE_CIT, image), 0);
  const std::vector<std::uint8_t> ingr = readBytes(cit);
  b = ingr;
  put32(b, 184, 0xFFFFFFFF);
  put32(b, 188, 0xFFFFFFFF);
  EXPECT_EQ(readBack(b), MDLERR_INSFMEMORY);
  b = ingr;
  put32(b, 188, 1000000);
  EXPECT_EQ(readBack(b), MDLERR_CORRUPTIMAGE);
  b = ingr;
  put32(b, 184, 0);
  EXPECT_EQ(readBack(b), MDLERR_CORRUPTIMAGE);
  // A header that claims more blocks than the file has.
  b = ingr;
  put16(b, 2, 0xFFFE);
  EXPECT_EQ(readBack(b), MDLERR_CORRUPTIMAGE);
  EXPECT_EQ(host::imageAllocationCount(), before);
}

TEST_F(HostileImages, TilesOfSizeZeroAndOffsetsBeyondTheFile) {
  testsupport::Rng rng(47);
  const Bits image = randomBits(rng, 40, 40, 0.3);
  const std::string path = tmp.file("t.tif");
  const std::vector<std::uint8_t> tiled = makeTiff(path, image, COMPRESSION_NONE, true);
  ASSERT_EQ(readBack(tiled), 0);
  std::vector<std::uint8_t> b = tiled;
  ASSERT_TRUE(patchTag(b, TIFFTAG_TILEWIDTH, 0));
  EXPECT_LT(readBack(b), 0);
  b = tiled;
  ASSERT_TRUE(patchTag(b, TIFFTAG_TILELENGTH, 0));
  EXPECT_LT(readBack(b), 0);
  b = tiled;
  ASSERT_TRUE(patchTag(b, TIFFTAG_TILEWIDTH, 1u << 30));
  EXPECT_LT(readBack(b), 0);
  const std::vector<std::uint8_t> strips = makeTiff(path, image, COMPRESSION_PACKBITS, false);
  ASSERT_EQ(readBack(strips), 0);
  b = strips;
  ASSERT_TRUE(patchTag(b, TIFFTAG_STRIPOFFSETS, static_cast<std::uint32_t>(strips.size() + 4096)));
  EXPECT_LT(readBack(b), 0);
  b = strips;
  ASSERT_TRUE(patchTag(b, TIFFTAG_STRIPBYTECOUNTS, 0x7FFFFFF0));
  EXPECT_LT(readBack(b), 0);
  b = strips;
  ASSERT_TRUE(patchTag(b, TIFFTAG_BITSPERSAMPLE, 8));
  EXPECT_EQ(readBack(b), MDLERR_NOTMONOCHROME);
}

TEST_F(HostileImages, RunsThatOverrunALineAndStreamsThatNeverEndOne) {
  const Bits image = blank(16, 4);
  const std::string rle = tmp.file("r.rle");
  ASSERT_EQ(writeImage(rle, IMAGEFILE_RLE, image), 0);
  const std::vector<std::uint8_t> good = readBytes(rle);
  // Line 1: header (tag, 3 words, line 1, 0) then one run of 16. Make it 17, then 65535.
  std::vector<std::uint8_t> b = good;
  put16(b, 1024 + 8, 17);
  EXPECT_EQ(readBack(b), MDLERR_CORRUPTIMAGE);
  put16(b, 1024 + 8, 65535);
  EXPECT_EQ(readBack(b), MDLERR_CORRUPTIMAGE);
  // A line header whose word count runs past the data, and a missing tag.
  b = good;
  put16(b, 1024 + 2, 60000);
  EXPECT_EQ(readBack(b), MDLERR_CORRUPTIMAGE);
  b = good;
  put16(b, 1024, 0x1234);
  EXPECT_EQ(readBack(b), MDLERR_CORRUPTIMAGE);
  // Without line headers: runs of 10 + 10 pass the width of 16.
  b.assign(good.begin(), good.begin() + 1024);
  b[195] = 0;
  for (int line = 0; line < 4; ++line) {
    b.push_back(10);
    b.push_back(0);
    b.push_back(10);
    b.push_back(0);
  }
  EXPECT_EQ(readBack(b), MDLERR_CORRUPTIMAGE);

  // Group 4 data that is not a stream of lines: garbage, all zeros, a horizontal-mode code
  // repeated; each refused quickly.
  const std::string cit = tmp.file("g.cit");
  ASSERT_EQ(writeImage(cit, IMAGEFILE_CIT, blank(2000, 3000)), 0);
  const std::vector<std::uint8_t> whole = readBytes(cit);
  const std::vector<std::uint8_t> header(whole.begin(), whole.begin() + 1024);
  testsupport::Rng rng(53);
  for (int pattern = 0; pattern < 4; ++pattern) {
    SCOPED_TRACE(pattern);
    b = header;
    for (int i = 0; i < 4000; ++i) {
      std::uint8_t v = 0;
      if (pattern == 0) v = static_cast<std::uint8_t>(rng.next());
      if (pattern == 1) v = 0xFF;
      if (pattern == 2) v = 0x00;
      if (pattern == 3) v = 0x04;  // "001" horizontal mode, least significant bit first
      b.push_back(v);
    }
    // All ones is a valid stream: one "vertical 0" code per white line.
    EXPECT_EQ(readBack(b), pattern == 1 ? 0 : MDLERR_CORRUPTIMAGE);
  }
}

TEST_F(HostileImages, MutatedFilesNeverCrash) {
  testsupport::Rng rng(59);
  const Bits image = randomBits(rng, 45, 21, 0.35);
  std::vector<std::vector<std::uint8_t>> seeds;
  for (int type : {IMAGEFILE_TIFF, IMAGEFILE_RLE, IMAGEFILE_CIT}) {
    const std::string path = tmp.file("seed" + std::to_string(type));
    ASSERT_EQ(writeImage(path, type, image), 0);
    seeds.push_back(readBytes(path));
  }
  seeds.push_back(makeTiledIngr(image, 16, 9));
  seeds.push_back(makeTiff(tmp.file("tiles.tif"), image, COMPRESSION_PACKBITS, true));
  host::setImagePixelLimit(1 << 22);
  for (std::size_t s = 0; s < seeds.size(); ++s) {
    for (int trial = 0; trial < 150; ++trial) {
      std::vector<std::uint8_t> b = seeds[s];
      const int flips = rng.uniform(1, 8);
      for (int f = 0; f < flips; ++f) {
        // Header bytes are where the interesting damage is.
        const std::size_t at = rng.chance(0.6)
                                   ? static_cast<std::size_t>(rng.uniform(0, 600)) % b.size()
                                   : static_cast<std::size_t>(rng.uniform(0, static_cast<int>(b.size()) - 1));
        b[at] = static_cast<std::uint8_t>(rng.next());
      }
      host::ImageBuffer out;
      host::ImageDiagnostics diag("mutated");
      diag.silence();
      const int rc = host::readImageMemory(b.data(), b.size(), out, diag);
      ASSERT_LE(rc, 0);
      if (rc == 0) {
        ASSERT_TRUE(host::imageSizeAllowed(out.width, out.height));
      }
    }
  }
}

TEST_F(HostileImages, EveryFormatIsSizedAgainstItsFileBeforeAnythingIsAllocated) {
  // A tiled file whose two tiles are not stored (one value each) claims 65536 x 32768 pixels,
  // 256 MB, in under 2 KB: refused before the bitmap is allocated.
  Bits small = blank(64, 64);
  std::vector<std::uint8_t> tiled = makeTiledIngr(small, 64, 24);
  put32(tiled, 184, 65536);
  put32(tiled, 188, 32768);
  put32(tiled, 1024 + 120, 32768);
  for (int i = 0; i < 2; ++i) {
    const std::size_t end = 1024 + 128 + 12 * static_cast<std::size_t>(i) + 12;
    if (end > tiled.size()) tiled.resize(end, 0);
    put32(tiled, 1024 + 128 + 12 * i, 0);  // not stored
    put32(tiled, 1024 + 136 + 12 * i, 0);
  }
  const long long before = host::imageAllocationCount();
  const std::size_t mark = host::journal().size();
  EXPECT_EQ(readBack(tiled, "huge.cit"), MDLERR_CORRUPTIMAGE);
  EXPECT_EQ(host::imageAllocationCount(), before);
  const std::vector<std::string> said = host::journal().texts("text", mark);
  ASSERT_FALSE(said.empty());
  EXPECT_NE(said.front().find("cannot be held in a tiled file"), std::string::npos) << said.front();
  // A run-length file claiming lines 2^24 pixels wide needs 256 words a line: 100 lines in 2 KB
  // cannot be, though a word per line would have let them through.
  std::vector<std::uint8_t> runs = readBytes([&] {
    const std::string path = tmp.file("runs.rle");
    writeImage(path, IMAGEFILE_RLE, blank(8, 100));
    return path;
  }());
  runs[195] = 0;
  put32(runs, 184, 1u << 24);
  EXPECT_EQ(readBack(runs, "wide.rle"), MDLERR_CORRUPTIMAGE);
  EXPECT_EQ(host::imageAllocationCount(), before);
}

TEST_F(HostileImages, NothingIsWrittenThatWouldReadBackAsDamaged) {
  // Group 4 lines wider than the readers decode are refused by both Group 4 writers, which
  // could encode them; a line as wide as the readers take is written and read back.
  const Bits wide = blank(host::kMaxG4Width + 1, 1);
  for (const char* name : {"wide.tif", "wide.cit"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(writeImage(tmp.file(name), IMAGEFILE_FROM_FILE, wide), MDLERR_INVALIDIMAGE);
    struct stat st {};
    EXPECT_NE(::stat(tmp.file(name).c_str(), &st), 0);
    Bits widest = blank(host::kMaxG4Width, 1);
    widest.put(host::kMaxG4Width - 1, 0, true);
    ASSERT_EQ(writeImage(tmp.file(name), IMAGEFILE_FROM_FILE, widest), 0);
    const ReadResult back = readImage(tmp.file(name));
    ASSERT_EQ(back.rc, 0);
    EXPECT_TRUE(back.bits == widest);
  }
  // Run-length lines of any width read back (without line headers beyond 65530 pixels).
  Bits runs = blank(host::kMaxG4Width + 1, 1);
  runs.put(host::kMaxG4Width, 0, true);
  ASSERT_EQ(writeImage(tmp.file("wide.rle"), IMAGEFILE_RLE, runs), 0);
  EXPECT_TRUE(readImage(tmp.file("wide.rle")).bits == runs);
}

TEST_F(HostileImages, OnlyRegularFilesAreReadAndTheReasonIsSaid) {
  // A pipe without a writer, a device and a folder: refused at once, never waited on or read.
  ASSERT_EQ(::mkfifo(tmp.file("pipe.tif").c_str(), 0644), 0);
  const std::pair<std::string, const char*> cases[] = {
      {tmp.file("pipe.tif"), "not a regular file (a pipe, a device or a socket)"},
      {"/dev/zero", "not a regular file (a pipe, a device or a socket)"},
      {tmp.path(), "a folder, not a file"},
      {tmp.file("missing.tif"), "no such file"}};
  for (const auto& [path, reason] : cases) {
    SCOPED_TRACE(path);
    const std::size_t mark = host::journal().size();
    EXPECT_LT(readImage(path).rc, 0);
    const std::vector<std::string> said = host::journal().texts("text", mark);
    ASSERT_FALSE(said.empty());
    EXPECT_NE(said.front().find(reason), std::string::npos) << said.front();
    host::ImageFileInfo info;
    EXPECT_NE(host::describeImageFile(path.c_str(), info), 0);
    EXPECT_NE(info.problem.find(reason), std::string::npos) << info.problem;
  }
  // Written over: a pipe stays a pipe.
  EXPECT_EQ(writeImage(tmp.file("pipe.tif"), IMAGEFILE_TIFF, blank(8, 8)), MDLERR_IMAGEWRITEFAILED);
  struct stat st {};
  ASSERT_EQ(::lstat(tmp.file("pipe.tif").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
}  // namespace pixmend::imagetest
