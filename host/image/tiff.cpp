// TIFF files through libtiff: reading the first image of any 1-bit file (strips or tiles, every
// compression libtiff decodes, either fill order, any photometric) into a bitmap whose 1 is ink,
// writing CCITT Group 4 strips (min-is-white, or the old file's own interpretation over a 1-bit
// TIFF, so the picture looks the same), and carrying an old file's tags and further pages over a
// rewrite.
#include <algorithm>
#include <cstring>

#include "host/image/formats.hpp"

namespace pixmend::host {

namespace {

bool isCcitt(std::uint16_t compression) {
  return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
         compression == COMPRESSION_CCITTFAX4 || compression == COMPRESSION_CCITTRLEW;
}

// Whether a width x height image is plausible for `fileSize` bytes under `compression`: the
// check that keeps a tiny hostile file from making us allocate a huge bitmap.
bool plausibleForFile(std::uint64_t width, std::uint64_t height, std::uint16_t compression,
                      std::uint64_t fileSize) {
  const std::uint64_t bytes = ((width + 7) / 8) * height;
  if (compression == COMPRESSION_NONE) return bytes <= fileSize;
  // A Group 3/4 line costs at least one bit, whatever its width.
  if (isCcitt(compression)) return height <= fileSize * 8 + 8;
  if (compression == COMPRESSION_PACKBITS) return bytes <= fileSize * 64 + 4096;
  // Other codecs: no better bound than their best ratio.
  return bytes / 4096 <= fileSize + 1;
}

// Codecs known to write every byte of a strip they decode in full.
bool fillsWholeStrips(std::uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE:
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_PACKBITS:
    case COMPRESSION_LZW:
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE:
      return true;
    default:
      return false;
  }
}

// After a stream stopped early at `line` (counted in its strip or tile of `rows` lines; -1 when
// unknown, which leaves the lines as decoded): that line and the ones after it become paper.
// The codec fills the broken line with its own white, which is ink where ink is stored as 0.
void keepUndamagedLines(std::uint8_t* first, std::size_t stride, std::uint64_t rows, long long& line,
                        std::uint8_t paper) {
  if (line < 0 || static_cast<std::uint64_t>(line) >= rows) {
    line = -1;
    return;
  }
  std::memset(first + static_cast<std::size_t>(line) * stride, paper,
              static_cast<std::size_t>(rows - static_cast<std::uint64_t>(line)) * stride);
}

// `paper`: the byte of samples that show background in this file (0x00, or 0xFF where ink is
// stored as 0), which fills whatever a damaged or short strip leaves undecoded.
int readStrips(TIFF* tif, std::uint16_t compression, const ImageBuffer& out, std::uint8_t paper,
               ImageDiagnostics& diag, ImageStopFunc stop) {
  const bool clearFirst = !fillsWholeStrips(compression);
  std::uint32_t rowsPerStrip = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  const auto height = static_cast<std::uint64_t>(out.height);
  if (rowsPerStrip == 0 || rowsPerStrip > height) rowsPerStrip = static_cast<std::uint32_t>(height);
  const std::uint32_t strips = TIFFNumberOfStrips(tif);
  const std::size_t stride = rowBytes(out.width);
  std::uint64_t covered = 0;
  for (std::uint32_t s = 0; s < strips; ++s) {
    const std::uint64_t row0 = static_cast<std::uint64_t>(s) * rowsPerStrip;
    if (row0 >= height) break;
    const std::uint64_t rows = std::min<std::uint64_t>(rowsPerStrip, height - row0);
    std::uint8_t* first = out.data.get() + row0 * stride;
    const auto bytes = static_cast<tmsize_t>(rows * stride);
    if (clearFirst) std::memset(first, paper, static_cast<std::size_t>(bytes));
    const int errors = diag.errors(), ends = diag.prematureEnds();
    const tmsize_t got = TIFFReadEncodedStrip(tif, s, first, bytes);
    // Damage is refused; a stream that merely stops early keeps what it decoded (real fax files
    // do this, and libtiff reads them the same way).
    if (diag.errors() > errors) return MDLERR_CORRUPTIMAGE;
    if (got != bytes || diag.prematureEnds() > ends) {
      // The bitmap is not cleared beforehand (that would cost a pass over it): a strip that
      // stopped early is decoded again into cleared rows, so that what it lacks is background.
      std::memset(first, paper, static_cast<std::size_t>(bytes));
      diag.mute(true);
      TIFFReadEncodedStrip(tif, s, first, bytes);
      diag.mute(false);
      long long line = diag.prematureEnds() > ends ? diag.lastPrematureLine() : -1;
      keepUndamagedLines(first, stride, rows, line, paper);
      // Kept, but the caller learns from which line on the picture is missing.
      diag.markDamagedLine(static_cast<long long>(row0) + std::max(line, 0LL));
    }
    covered = row0 + rows;
    if (stop != nullptr && stop() != 0) return MDLERR_IMAGESTOPPED;
  }
  if (covered < height) {
    diag.notef("the strips hold %llu of %llu lines", static_cast<unsigned long long>(covered),
               static_cast<unsigned long long>(height));
    return MDLERR_CORRUPTIMAGE;
  }
  return 0;
}

int readTiles(TIFF* tif, const ImageBuffer& out, std::uint8_t paper, ImageDiagnostics& diag,
              ImageStopFunc stop) {
  std::uint32_t tileWidth = 0, tileLength = 0;
  TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
  TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileLength);
  const auto width = static_cast<std::uint64_t>(out.width), height = static_cast<std::uint64_t>(out.height);
  if (tileWidth == 0 || tileLength == 0) {
    diag.note("tile size 0");
    return MDLERR_CORRUPTIMAGE;
  }
  // A tile may overhang the image, but not absurdly.
  const std::uint64_t tilePixels = static_cast<std::uint64_t>(tileWidth) * tileLength;
  if (tilePixels > std::max<std::uint64_t>(4 * width * height, 1u << 20)) {
    diag.notef("tiles of %u x %u for an image of %llu x %llu", tileWidth, tileLength,
               static_cast<unsigned long long>(width), static_cast<unsigned long long>(height));
    return MDLERR_CORRUPTIMAGE;
  }
  const std::size_t tileStride = (tileWidth + 7) / 8;
  const std::size_t tileBytes = tileStride * tileLength;
  const tmsize_t libtiffBytes = TIFFTileSize(tif);
  if (libtiffBytes <= 0 || static_cast<std::uint64_t>(libtiffBytes) != tileBytes) return MDLERR_CORRUPTIMAGE;
  ImageBytes tile(allocateImageBytes(tileBytes, true));
  if (!tile) return MDLERR_INSFMEMORY;
  for (std::uint64_t ty = 0; ty < height; ty += tileLength) {
    for (std::uint64_t tx = 0; tx < width; tx += tileWidth) {
      const ttile_t index =
          TIFFComputeTile(tif, static_cast<std::uint32_t>(tx), static_cast<std::uint32_t>(ty), 0, 0);
      std::memset(tile.get(), paper, tileBytes);
      const int errors = diag.errors(), ends = diag.prematureEnds();
      TIFFReadEncodedTile(tif, index, tile.get(), static_cast<tmsize_t>(tileBytes));
      if (diag.errors() > errors) return MDLERR_CORRUPTIMAGE;
      const std::uint64_t rows = std::min<std::uint64_t>(tileLength, height - ty);
      if (diag.prematureEnds() > ends) {
        long long line = diag.lastPrematureLine();
        keepUndamagedLines(tile.get(), tileStride, tileLength, line, paper);
        diag.markDamagedLine(static_cast<long long>(ty) + std::max(line, 0LL));
      }
      const std::uint64_t cols = std::min<std::uint64_t>(tileWidth, width - tx);
      for (std::uint64_t r = 0; r < rows; ++r)
        copyBits(out.view().row(static_cast<int>(ty + r)), tx, tile.get() + r * tileStride, 0, cols);
    }
    if (stop != nullptr && stop() != 0) return MDLERR_IMAGESTOPPED;
  }
  return 0;
}

// Tags a rewrite keeps on the further pages it copies, besides the image structure.
const ttag_t kPageTags16[] = {TIFFTAG_SUBFILETYPE, TIFFTAG_ORIENTATION, TIFFTAG_RESOLUTIONUNIT,
                              TIFFTAG_THRESHHOLDING, TIFFTAG_PREDICTOR};
const ttag_t kPageTagsFloat[] = {TIFFTAG_XRESOLUTION, TIFFTAG_YRESOLUTION, TIFFTAG_XPOSITION,
                                 TIFFTAG_YPOSITION};
const ttag_t kPageTagsText[] = {
    TIFFTAG_DOCUMENTNAME, TIFFTAG_IMAGEDESCRIPTION, TIFFTAG_PAGENAME, TIFFTAG_SOFTWARE, TIFFTAG_DATETIME,
    TIFFTAG_ARTIST,       TIFFTAG_HOSTCOMPUTER,     TIFFTAG_MAKE,     TIFFTAG_MODEL};

bool rawCopyable(std::uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE:
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_PACKBITS:
    case COMPRESSION_LZW:
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_JBIG:
    case COMPRESSION_LZMA:
    case COMPRESSION_ZSTD:
      return true;
    default:
      return false;
  }
}

// Copies the current directory of `src` into a new directory of `dst`, image data byte for byte.
bool copyPage(TIFF* src, TIFF* dst, ImageDiagnostics& diag) {
  std::uint32_t width = 0, length = 0;
  std::uint16_t bps = 1, spp = 1, compression = COMPRESSION_NONE, photometric = 0,
                planar = PLANARCONFIG_CONTIG;
  std::uint16_t fillOrder = FILLORDER_MSB2LSB;
  if (!TIFFGetField(src, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(src, TIFFTAG_IMAGELENGTH, &length))
    return false;
  TIFFGetFieldDefaulted(src, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(src, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(src, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(src, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(src, TIFFTAG_FILLORDER, &fillOrder);
  const bool hasPhotometric = TIFFGetField(src, TIFFTAG_PHOTOMETRIC, &photometric) != 0;
  if (!rawCopyable(compression)) {
    diag.notef("a further page uses compression %u, which cannot be copied unchanged", compression);
    return false;
  }
  TIFFSetField(dst, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(dst, TIFFTAG_IMAGELENGTH, length);
  TIFFSetField(dst, TIFFTAG_BITSPERSAMPLE, bps);
  TIFFSetField(dst, TIFFTAG_SAMPLESPERPIXEL, spp);
  TIFFSetField(dst, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(dst, TIFFTAG_PLANARCONFIG, planar);
  TIFFSetField(dst, TIFFTAG_FILLORDER, fillOrder);
  if (hasPhotometric) TIFFSetField(dst, TIFFTAG_PHOTOMETRIC, photometric);
  std::uint32_t u32 = 0;
  if (compression == COMPRESSION_CCITTFAX3 && TIFFGetField(src, TIFFTAG_GROUP3OPTIONS, &u32))
    TIFFSetField(dst, TIFFTAG_GROUP3OPTIONS, u32);
  if (compression == COMPRESSION_CCITTFAX4 && TIFFGetField(src, TIFFTAG_GROUP4OPTIONS, &u32))
    TIFFSetField(dst, TIFFTAG_GROUP4OPTIONS, u32);
  for (ttag_t tag : kPageTags16) {
    std::uint16_t v = 0;
    if (TIFFGetField(src, tag, &v)) TIFFSetField(dst, tag, v);
  }
  for (ttag_t tag : kPageTagsFloat) {
    float v = 0;
    if (TIFFGetField(src, tag, &v)) TIFFSetField(dst, tag, v);
  }
  for (ttag_t tag : kPageTagsText) {
    const char* v = nullptr;
    if (TIFFGetField(src, tag, &v) && v != nullptr) TIFFSetField(dst, tag, v);
  }
  std::uint16_t page[2] = {0, 0};
  if (TIFFGetField(src, TIFFTAG_PAGENUMBER, &page[0], &page[1]))
    TIFFSetField(dst, TIFFTAG_PAGENUMBER, page[0], page[1]);
  if (photometric == PHOTOMETRIC_PALETTE && bps <= 16) {
    std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (TIFFGetField(src, TIFFTAG_COLORMAP, &r, &g, &b)) TIFFSetField(dst, TIFFTAG_COLORMAP, r, g, b);
  }
  const bool tiled = TIFFIsTiled(src) != 0;
  std::uint32_t count = 0;
  if (tiled) {
    std::uint32_t tw = 0, tl = 0;
    TIFFGetField(src, TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(src, TIFFTAG_TILELENGTH, &tl);
    TIFFSetField(dst, TIFFTAG_TILEWIDTH, tw);
    TIFFSetField(dst, TIFFTAG_TILELENGTH, tl);
    count = TIFFNumberOfTiles(src);
  } else {
    std::uint32_t rps = length;
    TIFFGetFieldDefaulted(src, TIFFTAG_ROWSPERSTRIP, &rps);
    TIFFSetField(dst, TIFFTAG_ROWSPERSTRIP, rps);
    count = TIFFNumberOfStrips(src);
  }
  std::vector<std::uint8_t> raw;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t size = TIFFGetStrileByteCount(src, i);
    if (size > (std::uint64_t{1} << 31)) return false;
    raw.resize(static_cast<std::size_t>(size));
    const tmsize_t got = tiled ? TIFFReadRawTile(src, i, raw.data(), static_cast<tmsize_t>(size))
                               : TIFFReadRawStrip(src, i, raw.data(), static_cast<tmsize_t>(size));
    if (got < 0) return false;
    const tmsize_t put =
        tiled ? TIFFWriteRawTile(dst, i, raw.data(), got) : TIFFWriteRawStrip(dst, i, raw.data(), got);
    if (put != got) return false;
  }
  return TIFFWriteDirectory(dst) != 0;
}

// Relative brightness of colour map entry `i` (16-bit channels).
std::uint64_t brightness(const std::uint16_t* r, const std::uint16_t* g, const std::uint16_t* b, int i) {
  return 299u * std::uint64_t{r[i]} + 587u * std::uint64_t{g[i]} + 114u * std::uint64_t{b[i]};
}

}  // namespace

bool tiffInkIsZero(TIFF* tif) {
  std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) return false;
  if (photometric == PHOTOMETRIC_MINISBLACK) return true;
  if (photometric == PHOTOMETRIC_PALETTE) {
    // A 1-bit colour map has two entries: the darker one is the ink.
    std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) && r != nullptr && g != nullptr && b != nullptr)
      return brightness(r, g, b, 0) < brightness(r, g, b, 1);
  }
  return false;
}

int readTiff(const std::uint8_t* data, std::size_t size, ImageBuffer& out, ImageDiagnostics& diag,
             ImageStopFunc stop) {
  TiffHandle handle;
  if (!openTiffMemory(handle, data, size, "tiff", diag)) return MDLERR_CORRUPTIMAGE;
  TIFF* tif = handle.get();
  std::uint32_t width = 0, height = 0;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height)) {
    diag.note("no image size");
    return MDLERR_CORRUPTIMAGE;
  }
  std::uint16_t bps = 1, spp = 1, compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  if (bps != 1 || spp != 1) {
    diag.notef("%u bits per sample and %u samples per pixel: not a 1-bit image", bps, spp);
    return MDLERR_NOTMONOCHROME;
  }
  if (!TIFFIsCODECConfigured(compression)) {
    diag.notef("compression %u cannot be decoded", compression);
    return MDLERR_UNKNOWNIMAGETYPE;
  }
  if (width == 0 || height == 0) {
    diag.note("image size 0");
    return MDLERR_CORRUPTIMAGE;
  }
  if (!imageSizeAllowed(width, height)) {
    diag.notef("%u x %u pixels is beyond the image size limit", width, height);
    return MDLERR_INSFMEMORY;
  }
  if (!plausibleForFile(width, height, compression, size)) {
    diag.notef("%u x %u pixels cannot be held in a file of %zu bytes", width, height, size);
    return MDLERR_CORRUPTIMAGE;
  }
  // Not cleared: every pixel is written by a strip or a tile (see readStrips), padding below.
  ImageBuffer image;
  if (const int rc = allocateImage(static_cast<int>(width), static_cast<int>(height), image, false); rc != 0)
    return rc;
  const bool inkIsZero = tiffInkIsZero(tif);
  const std::uint8_t paper = inkIsZero ? 0xFF : 0x00;
  const int rc = TIFFIsTiled(tif) ? readTiles(tif, image, paper, diag, stop)
                                  : readStrips(tif, compression, image, paper, diag, stop);
  if (rc != 0) return rc;
  if (inkIsZero) invertBytes(image.data.get(), image.bytes());
  clearPadding(image.view());
  out = std::move(image);
  return 0;
}

void carryFromTiff(const std::uint8_t* data, std::size_t size, CarriedProperties& carry) {
  ImageDiagnostics diag("carry");
  diag.silence();
  TiffHandle handle;
  if (!openTiffMemory(handle, data, size, "tiff", diag)) return;
  TIFF* tif = handle.get();
  float x = 0, y = 0;
  std::uint16_t unit = RESUNIT_INCH;
  if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) && TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y)) {
    carry.hasResolution = true;
    carry.xResolution = x;
    carry.yResolution = y;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    carry.resolutionUnit = unit;
    double dpi = x;
    if (unit == RESUNIT_CENTIMETER) dpi = x * 2.54;
    if (unit != RESUNIT_NONE && dpi >= 1 && dpi < 32768 && x == y) carry.dpi = static_cast<int>(dpi + 0.5);
  }
  const char* text = nullptr;
  if (TIFFGetField(tif, TIFFTAG_DOCUMENTNAME, &text) && text != nullptr) {
    carry.hasDocumentName = true;
    carry.documentName = text;
  }
  text = nullptr;
  if (TIFFGetField(tif, TIFFTAG_IMAGEDESCRIPTION, &text) && text != nullptr) {
    carry.hasDescription = true;
    carry.description = text;
  }
  if (TIFFGetField(tif, TIFFTAG_PAGENUMBER, &carry.pageNumber[0], &carry.pageNumber[1]))
    carry.hasPageNumber = true;
  // The look of a 1-bit file: its interpretation (and colours) stay, so the same bitmap shows the
  // same. Files of other depths are replaced by an ordinary min-is-white page.
  std::uint16_t bps = 1, spp = 1, photometric = PHOTOMETRIC_MINISWHITE;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  if (bps == 1 && spp == 1 && TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) {
    std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (photometric == PHOTOMETRIC_MINISBLACK) {
      carry.photometric = photometric;
    } else if (photometric == PHOTOMETRIC_PALETTE && TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) &&
               r != nullptr && g != nullptr && b != nullptr) {
      carry.photometric = photometric;
      for (int i = 0; i < 2; ++i) {
        carry.colormap[0][i] = r[i];
        carry.colormap[1][i] = g[i];
        carry.colormap[2][i] = b[i];
      }
    }
    carry.inkIsZero = tiffInkIsZero(tif);
  }
  const tdir_t pages = TIFFNumberOfDirectories(tif);
  if (pages > 1) {
    carry.pagesSource = data;
    carry.pagesSourceSize = size;
    carry.furtherPages = static_cast<int>(pages) - 1;
  }
}

int writeTiff(const ConstBitmapView& image, const CarriedProperties& carry, std::vector<std::uint8_t>& out,
              ImageDiagnostics& diag, ImageStopFunc stop) {
  if (image.empty()) return MDLERR_INVALIDIMAGE;
  if (image.width > kMaxG4Width) {
    diag.notef("%d pixels is wider than a Group 4 image can be read back (at most %d)", image.width, kMaxG4Width);
    return MDLERR_INVALIDIMAGE;
  }
  TiffHandle handle;
  if (!openTiffOutput(handle, out, "tiff", diag)) return MDLERR_INSFMEMORY;
  TIFF* tif = handle.get();
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, carry.photometric);
  if (carry.photometric == PHOTOMETRIC_PALETTE)
    TIFFSetField(tif, TIFFTAG_COLORMAP, carry.colormap[0], carry.colormap[1], carry.colormap[2]);
  TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(image.height));
  if (carry.hasResolution) {
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, carry.xResolution);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, carry.yResolution);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, carry.resolutionUnit);
  } else if (carry.dpi > 0) {
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(carry.dpi));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(carry.dpi));
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  }
  if (carry.hasDocumentName) TIFFSetField(tif, TIFFTAG_DOCUMENTNAME, carry.documentName.c_str());
  if (carry.hasDescription) TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, carry.description.c_str());
  if (carry.furtherPages > 0) TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
  if (carry.hasPageNumber) TIFFSetField(tif, TIFFTAG_PAGENUMBER, carry.pageNumber[0], carry.pageNumber[1]);
  // One strip: the stream is encoded whole and handed to libtiff as the strip's raw data. A file
  // that stores ink as 0 is encoded inverted; the bitmap is the caller's.
  std::vector<std::uint8_t> stream;
  if (const int rc = encodeG4Any(image, carry.inkIsZero, false, stream, diag, stop); rc != 0) return rc;
  // The file is the strip, its directory and the pages kept: room for them at once, so that the
  // file's buffer is not grown (and copied) while the stream is still held.
  out.reserve(stream.size() + carry.pagesSourceSize + 64 * 1024);
  if (TIFFWriteRawStrip(tif, 0, stream.data(), static_cast<tmsize_t>(stream.size())) < 0)
    return MDLERR_INSFMEMORY;
  if (!TIFFWriteDirectory(tif)) return MDLERR_INSFMEMORY;
  if (carry.furtherPages > 0) {
    TiffHandle source;
    if (!openTiffMemory(source, carry.pagesSource, carry.pagesSourceSize, "tiff", diag))
      return MDLERR_IMAGEWRITEFAILED;
    for (int page = 1; page <= carry.furtherPages; ++page) {
      if (!TIFFSetDirectory(source.get(), static_cast<tdir_t>(page)) || !copyPage(source.get(), tif, diag)) {
        diag.notef("page %d of the old file cannot be kept; not written", page + 1);
        return MDLERR_IMAGEWRITEFAILED;
      }
    }
  }
  if (!handle.close()) return MDLERR_INSFMEMORY;
  return 0;
}

}  // namespace pixmend::host
