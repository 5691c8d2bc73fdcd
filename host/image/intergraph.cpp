// Intergraph raster files: the header (with its placement matrix), run-length bitonal data
// (type 9), CCITT Group 4 data (type 24, least significant bit first) and tiled files (type 65)
// whose tiles hold either. ON runs and G4 black are ink (1); written files use scanline
// orientation 4 (first line at the top, pixels left to right) and IEEE doubles (version 3).
//
// Placement: the matrix's translation is the outer upper-left corner of the raster, so the
// host's lower-left origin and extent go in and come out without half-pixel arithmetic.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/bytes.hpp"
#include "host/image/formats.hpp"

namespace pixmend::host {

namespace {

// Header block 1: offsets in bytes, little-endian.
constexpr std::size_t kBlockSize = 512;
constexpr std::size_t kHeaderTypeAt = 0;          // 16 bits: kHeaderType (kHeaderTypeAlso from some writers)
constexpr std::size_t kWordsToFollowAt = 2;       // 16 bits: the header's words after these two
constexpr std::size_t kDataTypeAt = 4;            // 16 bits: kIngrRunLength, kIngrGroup4, kIngrTiled
constexpr std::size_t kViewOriginAt = 8;          // 3 doubles, then the view extent (3 doubles)
constexpr std::size_t kMatrixAt = 56;             // 16 doubles, row by row
constexpr std::size_t kPixelsPerLineAt = 184;     // 32 bits
constexpr std::size_t kLinesAt = 188;             // 32 bits
constexpr std::size_t kDeviceResolutionAt = 192;  // 16 bits, signed: negative for dots per inch
constexpr std::size_t kOrientationAt = 194;       // byte: kTopLeftOrientation or another
constexpr std::size_t kScannableAt = 195;         // byte: 1 when run-length lines carry line headers
constexpr std::size_t kRotationAt = 196;          // double
constexpr std::size_t kSkewAt = 204;              // double
constexpr std::size_t kDescriptionAt = 412;       // 80 characters, zero-terminated when shorter
constexpr std::size_t kDescriptionSize = 80;
constexpr std::size_t kMinMaxAt = 492;  // 16 bytes: the minimum and maximum values
constexpr std::size_t kMinMaxSize = 16;
constexpr std::size_t kVersionAt = 511;  // byte: 1 VAX doubles, 2 either, 3 IEEE
// Header block 2.
constexpr std::size_t kNextImageAt = 528;  // 32 bits: where a further image starts, 0 for none

constexpr std::uint16_t kHeaderType = 0x0908;
constexpr std::uint16_t kHeaderTypeAlso = 0x09C8;
constexpr std::uint16_t kWrittenWordsToFollow = 2 * kBlockSize / 2 - 2;  // two blocks of header
constexpr std::uint8_t kTopLeftOrientation = 4;  // first line at the top, pixels left to right
constexpr std::uint8_t kIeeeVersion = 3;

constexpr int kViewDoubles = 6, kMatrixDoubles = 16;

// The tile directory of a tiled file, right after the header: offsets from its start.
constexpr std::size_t kTileApplicationTypeAt = 0;  // 16 bits: 1
constexpr std::size_t kTileSubTypeAt = 2;          // 16 bits: 7
constexpr std::size_t kTilePacketVersionAt = 8;    // 16 bits: 1
constexpr std::size_t kTileIdentifierAt = 10;      // 16 bits: 1
constexpr std::size_t kTileDataTypeAt = 18;        // 16 bits: kIngrRunLength or kIngrGroup4
constexpr std::size_t kTileSizeAt = 120;           // 32 bits: tiles are square
constexpr std::size_t kTileEntriesAt = 128;        // then one entry per tile, row by row:
constexpr std::size_t kTileEntrySize = 12;
constexpr std::size_t kTileStartAt = 0;  // 32 bits: from the directory's start; 0: not stored
constexpr std::size_t kTileUsedAt = 8;   // 32 bits: bytes used (a tile not stored: its value)

constexpr std::uint16_t kLineHeaderTag = 0x5900;
constexpr std::uint32_t kMaxTileSize = 1u << 15;

bool headerUsesVax(const std::uint8_t* block1) {
  const int version = block1[kVersionAt];
  if (version == 1) return true;
  if (version != 2) return false;
  // Version 2 may be either; the diagonal of a real matrix tells.
  const std::uint8_t* scaleZ = block1 + kMatrixAt + 8 * kIngrScaleZ;
  return le::getDouble(scaleZ) != 1.0 && le::getDouble(block1 + kMatrixAt + 8 * kIngrHomogeneous) != 1.0 &&
         vaxToIeee(scaleZ) == 1.0;
}

// Rewrites every double of block 1 as IEEE and marks the header version 3: the view origin and
// extent and the matrix (which follow each other), the rotation and the skew.
void convertHeaderToIeee(std::uint8_t* block1) {
  if (headerUsesVax(block1)) {
    auto convert = [&](std::size_t at) { le::putDouble(block1 + at, vaxToIeee(block1 + at)); };
    for (int i = 0; i < kViewDoubles + kMatrixDoubles; ++i)
      convert(kViewOriginAt + 8 * static_cast<std::size_t>(i));
    convert(kRotationAt);
    convert(kSkewAt);
  }
  block1[kVersionAt] = kIeeeVersion;
}

// First position >= x in the row whose pixel differs from `ink`, or width.
std::size_t nextChange(const std::uint8_t* row, std::size_t x, std::size_t width, bool ink) {
  const std::uint8_t flip = ink ? 0xFF : 0x00;
  while (x < width && (x & 7) != 0) {
    if (((row[x >> 3] >> (7 - (x & 7))) & 1u) != static_cast<unsigned>(ink)) return x;
    ++x;
  }
  while (x + 64 <= width) {
    std::uint64_t w;
    std::memcpy(&w, row + (x >> 3), 8);
    w = __builtin_bswap64(w) ^ (ink ? ~std::uint64_t{0} : 0);
    if (w != 0) return x + static_cast<std::size_t>(__builtin_clzll(w));
    x += 64;
  }
  while (x + 8 <= width) {
    const unsigned b = static_cast<unsigned>(row[x >> 3] ^ flip);
    if (b != 0) return x + static_cast<std::size_t>(__builtin_clz(b) - 24);
    x += 8;
  }
  while (x < width) {
    if (((row[x >> 3] >> (7 - (x & 7))) & 1u) != static_cast<unsigned>(ink)) return x;
    ++x;
  }
  return width;
}

// The run words of one line, closing OFF run included, runs above 32767 split with empty runs.
void lineRuns(const std::uint8_t* row, std::size_t width, std::vector<std::uint16_t>& runs) {
  runs.clear();
  std::size_t x = 0;
  bool ink = false;
  while (x < width) {
    const std::size_t next = nextChange(row, x, width, ink);
    std::size_t run = next - x;
    while (run > 32767) {
      runs.push_back(32767);
      runs.push_back(0);
      run -= 32767;
    }
    runs.push_back(static_cast<std::uint16_t>(run));
    x = next;
    ink = !ink;
  }
  if (runs.size() % 2 == 0) runs.push_back(0);  // every line ends with an OFF run
}

// Paints the runs of words [begin, end) from column `x`; false when they run past the width.
bool paintRuns(const std::uint16_t* begin, const std::uint16_t* end, std::size_t x, std::uint8_t* row,
               std::size_t width) {
  bool ink = false;
  for (const std::uint16_t* w = begin; w < end; ++w) {
    const std::size_t next = x + *w;
    if (next > width) return false;
    if (ink) fillBits(row, x, next, true);
    x = next;
    ink = !ink;
  }
  return true;
}

std::vector<std::uint16_t> wordsOf(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint16_t> words(size / 2);
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = le::get16(data + 2 * i);
  return words;
}

// Whether the words at `pos` look like a line header whose runs fill exactly `width` pixels.
bool looksLikeLineHeader(const std::vector<std::uint16_t>& w, std::size_t pos, std::size_t width) {
  if (pos + 4 > w.size() || w[pos] != kLineHeaderTag) return false;
  const std::size_t follow = w[pos + 1];
  if (follow < 3 || follow % 2 == 0 || w[pos + 3] != 0 || pos + 2 + follow > w.size()) return false;
  std::size_t sum = 0;
  for (std::size_t i = pos + 4; i < pos + 2 + follow; ++i) sum += w[i];
  return sum == width;
}

void putMatrix(std::uint8_t* block1, const double (&m)[kMatrixDoubles]) {
  for (int k = 0; k < kMatrixDoubles; ++k) le::putDouble(block1 + kMatrixAt + 8 * k, m[k]);
}

void buildFreshHeader(std::uint8_t* block1, int height) {
  std::memset(block1, 0, kBlockSize);
  // No placement known: one design unit per pixel, lower-left corner at the origin.
  double m[kMatrixDoubles] = {};
  m[kIngrScaleX] = m[kIngrScaleY] = m[kIngrScaleZ] = m[kIngrHomogeneous] = 1.0;
  m[kIngrOriginY] = static_cast<double>(height);
  putMatrix(block1, m);
}

int decodeTile(const IngrHeader& h, const std::uint8_t* data, std::size_t size, const BitmapView& out,
               ImageDiagnostics& diag) {
  if (h.tileDataType == kIngrGroup4) return decodeG4(data, size, out, true, true, diag);
  return decodeIngrRuns(data, size, false, out, diag);
}

int readTiled(const IngrHeader& h, const std::uint8_t* file, const ImageBuffer& out, ImageDiagnostics& diag,
              ImageStopFunc stop) {
  const std::size_t dirOffset = h.headerBytes;
  const std::uint32_t ts = h.tileSize;
  const std::uint64_t across = (h.pixelsPerLine + ts - 1) / ts, down = (h.lines + ts - 1) / ts;
  // readIngr has checked that the whole directory lies within the image's data.
  for (std::uint64_t ty = 0; ty < down; ++ty) {
    for (std::uint64_t tx = 0; tx < across; ++tx) {
      const std::uint8_t* entry = file + dirOffset + kTileEntriesAt + kTileEntrySize * (ty * across + tx);
      const std::uint32_t start = le::get32(entry + kTileStartAt), used = le::get32(entry + kTileUsedAt);
      const std::uint64_t x0 = tx * ts, y0 = ty * ts;
      const auto tw = static_cast<int>(std::min<std::uint64_t>(ts, h.pixelsPerLine - x0));
      const auto th = static_cast<int>(std::min<std::uint64_t>(ts, h.lines - y0));
      if (start == 0) {  // not stored: the whole tile holds one value
        if (used != 0)
          for (int r = 0; r < th; ++r) fillBits(out.view().row(static_cast<int>(y0) + r), x0, x0 + tw, true);
        continue;
      }
      const std::uint64_t begin = dirOffset + static_cast<std::uint64_t>(start);
      if (begin + used > h.dataEnd) {
        diag.notef("tile %llu lies beyond the end of the file",
                   static_cast<unsigned long long>(ty * across + tx));
        return MDLERR_CORRUPTIMAGE;
      }
      // The same bound as for whole images: a word per run-length line, a bit per G4 line.
      if ((h.tileDataType == kIngrRunLength && static_cast<std::uint64_t>(th) > used / 2) ||
          (h.tileDataType == kIngrGroup4 && static_cast<std::uint64_t>(th) > std::uint64_t{used} * 8 + 8)) {
        diag.notef("tile %llu: %d lines cannot be held in %u bytes",
                   static_cast<unsigned long long>(ty * across + tx), th, used);
        return MDLERR_CORRUPTIMAGE;
      }
      ImageBuffer tile;
      if (const int rc = allocateImage(tw, th, tile); rc != 0) return rc;
      int rc = decodeTile(h, file + begin, used, tile.view(), diag);
      const std::uint64_t fullLines = ts;
      const bool fullFits =
          h.tileDataType == kIngrRunLength ? fullLines <= used / 2 : fullLines <= std::uint64_t{used} * 8 + 8;
      if (rc == MDLERR_CORRUPTIMAGE && fullFits &&
          (tw != static_cast<int>(ts) || th != static_cast<int>(ts))) {
        // Some writers store edge tiles at full size: try that before giving up.
        ImageBuffer full;
        if (allocateImage(static_cast<int>(ts), static_cast<int>(ts), full) == 0 &&
            decodeTile(h, file + begin, used, full.view(), diag) == 0) {
          diag.notef("edge tile %llu is stored at full size",
                     static_cast<unsigned long long>(ty * across + tx));
          for (int r = 0; r < th; ++r) copyBits(tile.view().row(r), 0, full.constView().row(r), 0, tw);
          rc = 0;
        }
      }
      if (rc != 0) return rc;
      for (int r = 0; r < th; ++r)
        copyBits(out.view().row(static_cast<int>(y0) + r), x0, tile.constView().row(r), 0,
                 static_cast<std::size_t>(tw));
    }
    if (stop != nullptr && stop() != 0) return MDLERR_IMAGESTOPPED;
  }
  return 0;
}

}  // namespace

double vaxToIeee(const std::uint8_t* bytes) {
  const std::uint16_t w0 = le::get16(bytes), w1 = le::get16(bytes + 2), w2 = le::get16(bytes + 4), w3 = le::get16(bytes + 6);
  const int exponent = (w0 >> 7) & 0xFF;
  if (exponent == 0) return 0.0;
  const std::uint64_t fraction = (static_cast<std::uint64_t>(w0 & 0x7F) << 48) |
                                 (static_cast<std::uint64_t>(w1) << 32) |
                                 (static_cast<std::uint64_t>(w2) << 16) | w3;
  const double value =
      std::ldexp(1.0 + static_cast<double>(fraction) / 36028797018963968.0 /* 2^55 */, exponent - 129);
  return (w0 & 0x8000) != 0 ? -value : value;
}

int parseIngrHeader(const std::uint8_t* data, std::size_t size, IngrHeader& h, ImageDiagnostics* diag) {
  if (data == nullptr || size < kBlockSize) return MDLERR_UNKNOWNIMAGETYPE;
  h = IngrHeader{};
  h.headerType = le::get16(data + kHeaderTypeAt);
  h.wordsToFollow = le::get16(data + kWordsToFollowAt);
  h.dataType = le::get16(data + kDataTypeAt);
  h.pixelsPerLine = le::get32(data + kPixelsPerLineAt);
  h.lines = le::get32(data + kLinesAt);
  h.deviceResolution = static_cast<std::int16_t>(le::get16(data + kDeviceResolutionAt));
  h.orientation = data[kOrientationAt];
  h.scannable = data[kScannableAt];
  h.version = data[kVersionAt];
  const char* description = reinterpret_cast<const char*>(data + kDescriptionAt);
  h.description.assign(description, strnlen(description, kDescriptionSize));
  if (h.version < 1 || h.version > 3 || h.wordsToFollow < 254) return MDLERR_UNKNOWNIMAGETYPE;
  const bool knownWord = h.headerType == kHeaderType || h.headerType == kHeaderTypeAlso;
  // Some files start with a zero word: accept them only when everything else looks right.
  const bool zeroWord =
      h.headerType == 0 && (h.wordsToFollow + 2) % 256 == 0 &&
      (h.dataType == kIngrRunLength || h.dataType == kIngrGroup4 || h.dataType == kIngrTiled) &&
      h.pixelsPerLine > 0 && h.lines > 0;
  if (!knownWord && !zeroWord) return MDLERR_UNKNOWNIMAGETYPE;
  if ((h.wordsToFollow + 2) % 256 != 0 && diag != nullptr)
    diag->notef("header of %u words is not a whole number of blocks", h.wordsToFollow + 2u);
  h.headerBytes = 2 * (static_cast<std::size_t>(h.wordsToFollow) + 2);
  if (h.headerBytes > size) {
    if (diag != nullptr) diag->notef("the header needs %zu bytes, the file has %zu", h.headerBytes, size);
    return MDLERR_CORRUPTIMAGE;
  }
  h.vax = headerUsesVax(data);
  for (int k = 0; k < 16; ++k) {
    const std::uint8_t* p = data + kMatrixAt + 8 * k;
    h.matrix[k] = h.vax ? vaxToIeee(p) : le::getDouble(p);
  }
  h.dataEnd = size;
  if (h.headerBytes >= 2 * kBlockSize) {
    const std::uint32_t next = le::get32(data + kNextImageAt);
    if (next > h.headerBytes && next < size) h.dataEnd = next;
  }
  if (h.dataType == kIngrTiled) {
    const std::size_t d = h.headerBytes;
    if (d + kTileEntriesAt > h.dataEnd) {
      if (diag != nullptr) diag->note("the tile directory is cut short");
      return MDLERR_CORRUPTIMAGE;
    }
    if (le::get16(data + d + kTileApplicationTypeAt) != 1 || le::get16(data + d + kTileSubTypeAt) != 7 ||
        le::get16(data + d + kTilePacketVersionAt) != 1 || le::get16(data + d + kTileIdentifierAt) != 1) {
      if (diag != nullptr) diag->note("not a tile directory");
      return MDLERR_CORRUPTIMAGE;
    }
    h.tileDataType = le::get16(data + d + kTileDataTypeAt);
    h.tileSize = le::get32(data + d + kTileSizeAt);
  }
  return 0;
}

int decodeIngrRuns(const std::uint8_t* data, std::size_t size, bool lineHeaders, const BitmapView& out,
                   ImageDiagnostics& diag) {
  if (out.empty()) return MDLERR_INVALIDIMAGE;
  std::vector<std::uint16_t> w;
  try {
    w = wordsOf(data, size);
  } catch (const std::bad_alloc&) {
    return MDLERR_INSFMEMORY;
  }
  const auto width = static_cast<std::size_t>(out.width);
  std::size_t pos = 0;
  for (int y = 0; y < out.height; ++y) {
    std::uint8_t* row = out.row(y);
    if (pos >= w.size()) {
      diag.notef("the data ends at line %d of %d", y + 1, out.height);
      return MDLERR_CORRUPTIMAGE;
    }
    if (lineHeaders || looksLikeLineHeader(w, pos, width)) {
      if (pos + 4 > w.size() || w[pos] != kLineHeaderTag || w[pos + 1] < 2) {
        diag.notef("line %d: no line header where one was expected", y + 1);
        return MDLERR_CORRUPTIMAGE;
      }
      const std::size_t end = pos + 2 + w[pos + 1];
      if (end > w.size()) {
        diag.notef("the data ends within line %d of %d", y + 1, out.height);
        return MDLERR_CORRUPTIMAGE;
      }
      const std::size_t skip = w[pos + 3];
      if (skip != 0) diag.notef("line %d starts %zu pixels in", y + 1, skip);
      if (skip > width || !paintRuns(w.data() + pos + 4, w.data() + end, skip, row, width)) {
        diag.notef("line %d: the runs add up to more than %zu pixels", y + 1, width);
        return MDLERR_CORRUPTIMAGE;
      }
      pos = end;
      continue;
    }
    std::size_t sum = 0, count = 0;
    const std::size_t first = pos;
    while (sum < width) {
      if (pos >= w.size()) {
        diag.notef("the data ends within line %d of %d", y + 1, out.height);
        return MDLERR_CORRUPTIMAGE;
      }
      sum += w[pos++];
      ++count;
    }
    if (sum > width || !paintRuns(w.data() + first, w.data() + pos, 0, row, width)) {
      diag.notef("line %d: the runs add up to %zu pixels, more than %zu", y + 1, sum, width);
      return MDLERR_CORRUPTIMAGE;
    }
    if (count % 2 == 0 && pos < w.size() && w[pos] == 0) ++pos;  // the closing OFF run
  }
  return 0;
}

void encodeIngrRuns(const ConstBitmapView& in, bool lineHeaders, std::vector<std::uint8_t>& out) {
  std::vector<std::uint16_t> runs;
  const auto width = static_cast<std::size_t>(in.width);
  std::uint16_t lineNumber = 0;
  for (int y = 0; y < in.height; ++y) {
    lineRuns(in.row(y), width, runs);
    const std::size_t at = out.size();
    const std::size_t words = runs.size() + (lineHeaders ? 4 : 0);
    out.resize(at + 2 * words);
    std::uint8_t* p = out.data() + at;
    if (lineHeaders) {
      le::put16(p, kLineHeaderTag);
      le::put16(p + 2, static_cast<std::uint16_t>(runs.size() + 2));
      le::put16(p + 4, ++lineNumber);
      le::put16(p + 6, 0);
      p += 8;
    }
    for (std::uint16_t r : runs) {
      le::put16(p, r);
      p += 2;
    }
  }
}

int readIngr(const std::uint8_t* data, std::size_t size, ImageBuffer& out, ImageDiagnostics& diag,
             ImageStopFunc stop) {
  IngrHeader h;
  if (const int rc = parseIngrHeader(data, size, h, &diag); rc != 0) return rc;
  const int type = h.dataType == kIngrTiled ? h.tileDataType : h.dataType;
  if (type != kIngrRunLength && type != kIngrGroup4) {
    if (h.dataType == kIngrTiled)
      diag.notef("tiled Intergraph raster, inner type %u, not supported", type);
    else
      diag.notef("Intergraph data type %u is not bitonal", type);
    return MDLERR_NOTMONOCHROME;
  }
  if (h.pixelsPerLine == 0 || h.lines == 0) {
    diag.note("image size 0");
    return MDLERR_CORRUPTIMAGE;
  }
  if (!imageSizeAllowed(h.pixelsPerLine, h.lines)) {
    diag.notef("%u x %u pixels is beyond the image size limit", h.pixelsPerLine, h.lines);
    return MDLERR_INSFMEMORY;
  }
  const std::uint64_t dataBytes = h.dataEnd - h.headerBytes;
  if (h.dataType == kIngrTiled) {
    if (h.tileSize == 0 || h.tileSize > kMaxTileSize) {
      diag.notef("tile size %u", h.tileSize);
      return MDLERR_CORRUPTIMAGE;
    }
    // Before the bitmap is allocated: the tile directory must be there, and a tile that is not
    // stored (one value all over) costs 12 bytes for up to 2^30 pixels, so the picture may be at
    // most 4096 times the file (64 MB always), as for the codecs without a better bound.
    const std::uint64_t across = (h.pixelsPerLine + h.tileSize - 1) / h.tileSize;
    const std::uint64_t down = (h.lines + h.tileSize - 1) / h.tileSize;
    if (h.headerBytes + kTileEntriesAt + kTileEntrySize * across * down > h.dataEnd) {
      diag.notef("the tile directory needs %llu tiles but the file ends first",
                 static_cast<unsigned long long>(across * down));
      return MDLERR_CORRUPTIMAGE;
    }
    const std::uint64_t bitmap = bitmapBytes(static_cast<int>(h.pixelsPerLine), static_cast<int>(h.lines));
    if (bitmap > std::max<std::uint64_t>(std::uint64_t{64} << 20, std::uint64_t{4096} * size)) {
      diag.notef("%u x %u pixels cannot be held in a tiled file of %zu bytes", h.pixelsPerLine, h.lines, size);
      return MDLERR_CORRUPTIMAGE;
    }
  } else if ((type == kIngrRunLength &&
              std::uint64_t{h.lines} * ((h.pixelsPerLine + 65534) / 65535) > dataBytes / 2) ||
             (type == kIngrGroup4 && h.lines > dataBytes * 8 + 8)) {
    diag.notef("%u lines cannot be held in %llu bytes of data", h.lines,
               static_cast<unsigned long long>(dataBytes));
    return MDLERR_CORRUPTIMAGE;
  }
  if (h.orientation != 4)
    diag.notef("scanline orientation %u read with the first line at the top, left to right", h.orientation);
  // Runs paint only ink, so those bitmaps start cleared; a Group 4 stream is only accepted
  // when it wrote every line.
  ImageBuffer image;
  if (const int rc = allocateImage(static_cast<int>(h.pixelsPerLine), static_cast<int>(h.lines), image,
                                   h.dataType == kIngrTiled || type == kIngrRunLength);
      rc != 0)
    return rc;
  int rc = 0;
  if (h.dataType == kIngrTiled) {
    rc = readTiled(h, data, image, diag, stop);
  } else if (type == kIngrRunLength) {
    rc = decodeIngrRuns(data + h.headerBytes, dataBytes, h.scannable == 1, image.view(), diag);
  } else {
    rc = decodeG4(data + h.headerBytes, dataBytes, image.view(), true, true, diag);
  }
  if (rc != 0) return rc;
  clearPadding(image.view());
  out = std::move(image);
  return 0;
}

void carryFromIngr(const std::uint8_t* data, std::size_t size, CarriedProperties& carry) {
  IngrHeader h;
  if (parseIngrHeader(data, size, h, nullptr) != 0) return;
  carry.hasIngrHeader = true;
  std::memcpy(carry.ingrBlock1, data, kBlockSize);
  convertHeaderToIeee(carry.ingrBlock1);
  if (h.deviceResolution < 0) carry.dpi = -h.deviceResolution;
}

int writeIngr(const ConstBitmapView& image, int dataType, const CarriedProperties& carry,
              std::vector<std::uint8_t>& out, ImageDiagnostics& diag, ImageStopFunc stop) {
  if (image.empty()) return MDLERR_INVALIDIMAGE;
  // Line headers let a reader resynchronise per line; their word count limits the line width.
  const bool lineHeaders = dataType == kIngrRunLength && image.width <= 65530;
  try {
    out.assign(2 * kBlockSize, 0);
    std::uint8_t* b = out.data();
    if (carry.hasIngrHeader) {
      std::memcpy(b, carry.ingrBlock1, kBlockSize);
      std::memset(b + kMinMaxAt, 0, kMinMaxSize);
    } else {
      buildFreshHeader(b, image.height);
    }
    // The old header's own resolution comes back unchanged; a conversion brings its source's.
    if (carry.dpi > 0 && carry.dpi < 32768)
      le::put16(b + kDeviceResolutionAt, static_cast<std::uint16_t>(-carry.dpi));
    le::put16(b + kHeaderTypeAt, kHeaderType);
    le::put16(b + kWordsToFollowAt, kWrittenWordsToFollow);
    le::put16(b + kDataTypeAt, static_cast<std::uint16_t>(dataType));
    le::put32(b + kPixelsPerLineAt, static_cast<std::uint32_t>(image.width));
    le::put32(b + kLinesAt, static_cast<std::uint32_t>(image.height));
    b[kOrientationAt] = kTopLeftOrientation;
    b[kScannableAt] = lineHeaders ? 1 : 0;
    b[kVersionAt] = kIeeeVersion;
    if (dataType == kIngrRunLength) {
      out.reserve(2 * kBlockSize + bitmapBytes(image.width, image.height) / 4);
      encodeIngrRuns(image, lineHeaders, out);
      if (stop != nullptr && stop() != 0) return MDLERR_IMAGESTOPPED;
      return 0;
    }
  } catch (const std::bad_alloc&) {
    return MDLERR_INSFMEMORY;
  }
  return encodeG4(image, true, out, diag, stop);
}

int placeIngr(const std::uint8_t* data, std::size_t size, const DPoint3d& origin, const DPoint2d& extent,
              std::vector<std::uint8_t>& out, ImageDiagnostics& diag) {
  IngrHeader h;
  if (const int rc = parseIngrHeader(data, size, h, &diag); rc != 0) return rc;
  if (h.pixelsPerLine == 0 || h.lines == 0) return MDLERR_CORRUPTIMAGE;
  try {
    out.assign(data, data + size);
  } catch (const std::bad_alloc&) {
    return MDLERR_INSFMEMORY;
  }
  std::uint8_t* b = out.data();
  convertHeaderToIeee(b);
  double m[kMatrixDoubles] = {};
  m[kIngrScaleX] = extent.x / h.pixelsPerLine;
  m[kIngrOriginX] = origin.x;
  m[kIngrScaleY] = extent.y / h.lines;
  m[kIngrOriginY] = origin.y + extent.y;
  m[kIngrScaleZ] = 1.0;
  m[kIngrHomogeneous] = 1.0;
  putMatrix(b, m);
  return 0;
}

int detectImageType(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < 4) return IMAGEFILE_UNKNOWN;
  if ((data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0) ||
      (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43)))
    return IMAGEFILE_TIFF;
  IngrHeader h;
  if (parseIngrHeader(data, size, h, nullptr) != 0) {
    // A damaged Intergraph file still is one: go by its first words.
    const std::uint16_t word = size >= kBlockSize ? le::get16(data + kHeaderTypeAt) : 0;
    if ((word == kHeaderType || word == kHeaderTypeAlso) && data[kVersionAt] >= 1 &&
        data[kVersionAt] <= kIeeeVersion)
      return le::get16(data + kDataTypeAt) == kIngrGroup4 ? IMAGEFILE_CIT : IMAGEFILE_RLE;
    return IMAGEFILE_UNKNOWN;
  }
  const int type = h.dataType == kIngrTiled ? h.tileDataType : h.dataType;
  return type == kIngrGroup4 ? IMAGEFILE_CIT : IMAGEFILE_RLE;
}

}  // namespace pixmend::host
