// The tiled-to-strip TIFF conversion: a copy of a TIFF organised in strips, Group 4, with the
// source's descriptive tags, written atomically.
//
// Contents: the process-wide options, the tag copy (copyTag and the table), the choice of copy
// routine, the three readers (whole tiles, decoded strips, scanlines) into one image buffer,
// and convertTiledTiff, which writes the buffer row by row into a TIFF in memory that replaces
// the target only when everything has gone well.
//
// What this conversion refuses rather than writes: sources whose size is implausible for the
// file, damaged tiles or strips (libtiff's errors and overrunning lines), and images that Group 4
// cannot hold (more than one bit or one sample per pixel) - in each case the target is left as
// it was, and the reason is in the host's text window, where libtiff's messages of the call go
// too (captured per handle, common/tiffmessages.hpp; no process-wide handler is set).
#include "transform/tiledconvert.hpp"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/mappedfile.hpp"
#include "common/tiffmemory.hpp"
#include "host/output/api.h"
#include "include/pixmend/vxdll.h"
#include "transform/replacefile.hpp"
#include "transform/tiffreport.hpp"

namespace pixmend {

namespace {

ConversionOptions g_options;
std::size_t g_bufferFloor = std::size_t{64} << 20;

// ---- Tags ----------------------------------------------------------------------------------------

struct TagCopy {
  ttag_t tag;
  int count;  // -1: a counted array
  TIFFDataType type;
};

// The descriptive tags, in the order they are copied.
constexpr TagCopy kTags[] = {
    {TIFFTAG_SUBFILETYPE, 1, TIFF_LONG},        {TIFFTAG_THRESHHOLDING, 1, TIFF_SHORT},
    {TIFFTAG_DOCUMENTNAME, 1, TIFF_ASCII},      {TIFFTAG_IMAGEDESCRIPTION, 1, TIFF_ASCII},
    {TIFFTAG_MAKE, 1, TIFF_ASCII},              {TIFFTAG_MODEL, 1, TIFF_ASCII},
    {TIFFTAG_ORIENTATION, 1, TIFF_SHORT},       {TIFFTAG_MINSAMPLEVALUE, 1, TIFF_SHORT},
    {TIFFTAG_MAXSAMPLEVALUE, 1, TIFF_SHORT},    {TIFFTAG_XRESOLUTION, 1, TIFF_RATIONAL},
    {TIFFTAG_YRESOLUTION, 1, TIFF_RATIONAL},    {TIFFTAG_PAGENAME, 1, TIFF_ASCII},
    {TIFFTAG_XPOSITION, 1, TIFF_RATIONAL},      {TIFFTAG_YPOSITION, 1, TIFF_RATIONAL},
    {TIFFTAG_RESOLUTIONUNIT, 1, TIFF_SHORT},    {TIFFTAG_PAGENUMBER, 2, TIFF_SHORT},
    {TIFFTAG_SOFTWARE, 1, TIFF_ASCII},          {TIFFTAG_DATETIME, 1, TIFF_ASCII},
    {TIFFTAG_ARTIST, 1, TIFF_ASCII},            {TIFFTAG_HOSTCOMPUTER, 1, TIFF_ASCII},
    // The white point is two values: libtiff hands it out as an array, and reading it into a
    // single value would write past it.
    {TIFFTAG_WHITEPOINT, -1, TIFF_RATIONAL},    {TIFFTAG_PRIMARYCHROMATICITIES, -1, TIFF_RATIONAL},
    {TIFFTAG_HALFTONEHINTS, 2, TIFF_SHORT},     {TIFFTAG_INKSET, 1, TIFF_SHORT},
    {TIFFTAG_INKNAMES, 1, TIFF_ASCII},          {TIFFTAG_DOTRANGE, 2, TIFF_SHORT},
    {TIFFTAG_TARGETPRINTER, 1, TIFF_ASCII},     {TIFFTAG_SAMPLEFORMAT, 1, TIFF_SHORT},
    {TIFFTAG_YCBCRCOEFFICIENTS, -1, TIFF_RATIONAL}, {TIFFTAG_YCBCRSUBSAMPLING, 2, TIFF_SHORT},
    {TIFFTAG_YCBCRPOSITIONING, 1, TIFF_SHORT},  {TIFFTAG_REFERENCEBLACKWHITE, -1, TIFF_RATIONAL},
    {TIFFTAG_EXTRASAMPLES, -1, TIFF_SHORT},     {TIFFTAG_SMINSAMPLEVALUE, 1, TIFF_DOUBLE},
    {TIFFTAG_SMAXSAMPLEVALUE, 1, TIFF_DOUBLE},
};

// Reads the tag from `in` and, only if it is there, sets it on `out` with the values as read.
void copyTag(TIFF* in, TIFF* out, ttag_t tag, int count, TIFFDataType type) {
  switch (type) {
    case TIFF_SHORT:
      if (count == 1) {
        std::uint16_t v = 0;
        if (TIFFGetField(in, tag, &v)) TIFFSetField(out, tag, v);
      } else if (count == 2) {
        std::uint16_t v1 = 0, v2 = 0;
        if (TIFFGetField(in, tag, &v1, &v2)) TIFFSetField(out, tag, v1, v2);
      } else if (count == 4) {
        // Transfer function or colour map: one array per channel. libtiff hands out one or
        // three; the ones it leaves out repeat the first, so the set never reads a null array.
        std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr, *x = nullptr;
        if (TIFFGetField(in, tag, &r, &g, &b, &x) && r != nullptr) {
          if (g == nullptr) g = r;
          if (b == nullptr) b = r;
          TIFFSetField(out, tag, r, g, b, x);
        }
      } else {
        std::uint16_t n = 0;
        std::uint16_t* values = nullptr;
        if (TIFFGetField(in, tag, &n, &values) && values != nullptr) TIFFSetField(out, tag, n, values);
      }
      break;
    case TIFF_LONG: {
      std::uint32_t v = 0;
      if (TIFFGetField(in, tag, &v)) TIFFSetField(out, tag, v);
      break;
    }
    case TIFF_ASCII: {
      if (tag == TIFFTAG_INKNAMES) break;  // see below
      const char* text = nullptr;
      if (TIFFGetField(in, tag, &text) && text != nullptr) TIFFSetField(out, tag, text);
      break;
    }
    case TIFF_RATIONAL:
      if (count == 1) {
        float v = 0;
        if (TIFFGetField(in, tag, &v)) TIFFSetField(out, tag, static_cast<double>(v));
      } else {
        float* values = nullptr;
        if (TIFFGetField(in, tag, &values) && values != nullptr) TIFFSetField(out, tag, values);
      }
      break;
    case TIFF_DOUBLE:
      if (count == 1) {
        double v = 0;
        if (TIFFGetField(in, tag, &v)) TIFFSetField(out, tag, v);
      } else {
        double* values = nullptr;
        if (TIFFGetField(in, tag, &values) && values != nullptr) TIFFSetField(out, tag, values);
      }
      break;
    default:
      break;
  }
  // InkNames is not copied: libtiff hands out the names without their length, which setting
  // them needs, and guessing it could read past them. Bilevel scans do not carry ink names.
}

// ---- Copy routines ------------------------------------------------------------------------------

enum class Routine { None, RowsToRows, StripsToRows, TilesToStrips };

const char* fileName(TIFF* tif) { return TIFFFileName(tif) != nullptr ? TIFFFileName(tif) : ""; }

// The copy routine for the source; None (with the message) when there is none.
Routine chooseRoutine(TIFF* in, std::uint16_t targetPlanar, std::uint16_t bitsPerSample, std::uint16_t samples) {
  std::uint16_t planar = PLANARCONFIG_CONTIG;
  TIFFGetFieldDefaulted(in, TIFFTAG_PLANARCONFIG, &planar);
  if (planar != targetPlanar && bitsPerSample != 8 && samples >= 2) {
    toolSubsystem_printf("%s: Can not handle different planar configuration w/ bits/sample != 8\n", fileName(in));
    return Routine::None;
  }
  std::uint32_t width = 0, length = 0;
  TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(in, TIFFTAG_IMAGELENGTH, &length);
  const bool tiled = TIFFIsTiled(in) != 0;
  bool byChunk = false;
  if (tiled) {
    std::uint32_t tileWidth = 0, tileLength = 0;
    TIFFGetField(in, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(in, TIFFTAG_TILELENGTH, &tileLength);
    byChunk = tileWidth == width && tileLength == g_options.rowsPerStrip;
  } else {
    std::uint32_t rowsPerStrip = 0xFFFFFFFFu;
    TIFFGetField(in, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    byChunk = rowsPerStrip == g_options.rowsPerStrip;
  }
  const bool known = (planar == 1 || planar == 2) && (targetPlanar == 1 || targetPlanar == 2);
  if (!known) {
    toolSubsystem_printf("tiffcp: %s: Don't know how to copy/convert image.\n", fileName(in));
    return Routine::None;
  }
  // With one sample per pixel (the only images that reach the copy, see convertTiledTiff)
  // separate and contiguous planes hold the same bytes, so one routine serves each organisation.
  if (tiled) return Routine::TilesToStrips;
  return byChunk && planar == 1 ? Routine::StripsToRows : Routine::RowsToRows;
}

// Reads every tile into `image` (length rows of `scanline` bytes). False on a read failure.
bool readTiles(TIFF* in, std::uint8_t* image, std::size_t scanline, std::uint32_t width, std::uint32_t length) {
  std::uint32_t tileWidth = 0, tileLength = 0;
  TIFFGetField(in, TIFFTAG_TILEWIDTH, &tileWidth);
  TIFFGetField(in, TIFFTAG_TILELENGTH, &tileLength);
  const tmsize_t tileSize = TIFFTileSize(in), tileRow = TIFFTileRowSize(in);
  if (tileWidth == 0 || tileLength == 0 || tileSize <= 0 || tileRow <= 0 ||
      static_cast<std::uint64_t>(tileRow) * tileLength > static_cast<std::uint64_t>(tileSize))
    return false;
  std::vector<std::uint8_t> tile(static_cast<std::size_t>(tileSize));
  const auto rowBytesOfTile = static_cast<std::size_t>(tileRow);
  for (std::uint32_t r = 0; r < length; r += tileLength) {
    const std::uint32_t rows = std::min(tileLength, length - r);
    std::size_t offset = 0;  // of this tile column within the scanline
    for (std::uint32_t c = 0; c < width && offset < scanline; c += tileWidth, offset += rowBytesOfTile) {
      if (TIFFReadTile(in, tile.data(), c, r, 0, 0) < 0 && !g_options.ignoreReadErrors) return false;
      // The last tile column may reach past the image: only its left part is taken.
      const std::size_t take = std::min(rowBytesOfTile, scanline - offset);
      for (std::uint32_t j = 0; j < rows; ++j)
        std::memcpy(image + (static_cast<std::size_t>(r) + j) * scanline + offset, tile.data() + j * rowBytesOfTile,
                    take);
      if (c > 0xFFFFFFFFu - tileWidth) break;
    }
    if (r > 0xFFFFFFFFu - tileLength) break;
  }
  return true;
}

// Reads every strip, decoded, into `image`. False on a read failure.
bool readStrips(TIFF* in, std::uint8_t* image, std::size_t scanline, std::uint32_t length) {
  std::uint32_t rowsPerStrip = length;
  TIFFGetFieldDefaulted(in, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  if (rowsPerStrip == 0) return false;
  const std::uint32_t strips = TIFFNumberOfStrips(in);
  std::uint32_t row = 0;
  for (std::uint32_t s = 0; s < strips && row < length; ++s) {
    const std::uint32_t rows = std::min(rowsPerStrip, length - row);
    const tmsize_t size = TIFFVStripSize(in, rows);
    if (size <= 0 || static_cast<std::size_t>(size) > static_cast<std::size_t>(rows) * scanline) return false;
    if (TIFFReadEncodedStrip(in, s, image + static_cast<std::size_t>(row) * scanline, size) < 0 &&
        !g_options.ignoreReadErrors)
      return false;
    row += rows;
  }
  return row >= length;
}

// Reads the image scanline by scanline into `image`. False on a read failure.
bool readRows(TIFF* in, std::uint8_t* image, std::size_t scanline, std::uint32_t length) {
  for (std::uint32_t row = 0; row < length; ++row) {
    if (TIFFReadScanline(in, image + static_cast<std::size_t>(row) * scanline, row, 0) < 0 &&
        !g_options.ignoreReadErrors)
      return false;
  }
  return true;
}

// ---- The conversion -----------------------------------------------------------------------------

// Sets up the target's tags from the source, as the conversion's fixed options say.
void copyStructureAndTags(TIFF* in, TIFF* out) {
  std::uint32_t width = 0, length = 0;
  TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(in, TIFFTAG_IMAGELENGTH, &length);
  TIFFSetField(out, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(out, TIFFTAG_IMAGELENGTH, length);
  TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  // The sample bits are copied as stored, so the source's interpretation goes with them: the
  // copy must look like the source in every viewer (a missing tag means min-is-white).
  std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
  TIFFGetField(in, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFSetField(out, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(out, TIFFTAG_THRESHHOLDING, 1);
  TIFFSetField(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);

  copyTag(in, out, TIFFTAG_IMAGEWIDTH, 1, TIFF_LONG);
  copyTag(in, out, TIFFTAG_IMAGELENGTH, 1, TIFF_LONG);
  copyTag(in, out, TIFFTAG_BITSPERSAMPLE, 1, TIFF_SHORT);
  TIFFSetField(out, TIFFTAG_COMPRESSION, g_options.compression);
  if (g_options.fillOrder != 0) TIFFSetField(out, TIFFTAG_FILLORDER, g_options.fillOrder);
  copyTag(in, out, TIFFTAG_SAMPLESPERPIXEL, 1, TIFF_SHORT);
  if (g_options.outputTiled == -1) (void)TIFFIsTiled(in);
  g_options.outputTiled = 0;
  if (g_options.rowsPerStrip == 0xFFFFFFFFu) {
    std::uint32_t rows = 0xFFFFFFFFu;
    if (TIFFGetField(in, TIFFTAG_ROWSPERSTRIP, &rows)) g_options.rowsPerStrip = rows;
    g_options.rowsPerStrip = TIFFDefaultStripSize(out, g_options.rowsPerStrip);
  }
  if (g_options.planarConfig == 0xFFFF) {
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    TIFFGetFieldDefaulted(in, TIFFTAG_PLANARCONFIG, &planar);
    TIFFSetField(out, TIFFTAG_PLANARCONFIG, planar);
    g_options.planarConfig = planar;
  } else {
    TIFFSetField(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  }
  std::uint16_t samples = 1;
  TIFFGetFieldDefaulted(in, TIFFTAG_SAMPLESPERPIXEL, &samples);
  if (samples <= 4) copyTag(in, out, TIFFTAG_TRANSFERFUNCTION, 4, TIFF_SHORT);
  copyTag(in, out, TIFFTAG_COLORMAP, 4, TIFF_SHORT);
  // Group 4 (the fixed compression): its options and the fax tags.
  copyTag(in, out, TIFFTAG_GROUP4OPTIONS, 1, TIFF_LONG);
  copyTag(in, out, TIFFTAG_BADFAXLINES, 1, TIFF_LONG);
  copyTag(in, out, TIFFTAG_CLEANFAXDATA, 1, TIFF_SHORT);  // a 16-bit value in libtiff
  copyTag(in, out, TIFFTAG_CONSECUTIVEBADFAXLINES, 1, TIFF_LONG);
  copyTag(in, out, TIFFTAG_FAXRECVPARAMS, 1, TIFF_LONG);
  copyTag(in, out, TIFFTAG_FAXRECVTIME, 1, TIFF_LONG);
  copyTag(in, out, TIFFTAG_FAXSUBADDRESS, 1, TIFF_ASCII);
  for (const TagCopy& t : kTags) copyTag(in, out, t.tag, t.count, t.type);
}

// As many of one conversion's messages as the host's image library shows of one of its calls.
constexpr int kShownMessages = 12;

bool convert(const char* sourcePath, const char* targetPath, TiffMessages& diag) {
  MappedFile file;
  if (!file.open(sourcePath)) {
    diag.note("cannot open the source");
    return false;
  }
  TiffHandle source;
  if (!openTiffMemory(source, file.data(), file.size(), sourcePath, diag)) {
    diag.note("the source is not a readable TIFF file");
    return false;
  }
  TIFF* in = source.get();
  std::uint32_t width = 0, length = 0;
  std::uint16_t bits = 1, samples = 1;
  if (!TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(in, TIFFTAG_IMAGELENGTH, &length) ||
      width == 0 || length == 0) {
    diag.note("the source has no image size");
    return false;
  }
  TIFFGetFieldDefaulted(in, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(in, TIFFTAG_SAMPLESPERPIXEL, &samples);

  std::vector<std::uint8_t> bytes;
  TiffHandle target;
  if (!openTiffOutput(target, bytes, targetPath, diag)) return false;
  TIFF* out = target.get();
  copyStructureAndTags(in, out);
  std::uint16_t targetPlanar = PLANARCONFIG_CONTIG;
  TIFFGetField(out, TIFFTAG_PLANARCONFIG, &targetPlanar);
  const Routine routine = chooseRoutine(in, targetPlanar, bits, samples);
  if (routine == Routine::None) return false;
  if (bits != 1 || samples != 1) {
    diag.notef("%u bits per sample and %u samples per pixel: Group 4 holds only 1-bit images", bits, samples);
    return false;
  }

  // One buffer for the whole image, of a size the file can plausibly hold.
  const tmsize_t scanlineSize = TIFFScanlineSize(in);
  if (scanlineSize <= 0 || scanlineSize != TIFFScanlineSize(out)) {
    diag.note("the source's scanline size is unusable");
    return false;
  }
  const auto scanline = static_cast<std::size_t>(scanlineSize);
  const std::uint64_t need = static_cast<std::uint64_t>(scanline) * length;
  const std::uint64_t limit =
      std::min<std::uint64_t>(std::max<std::uint64_t>(g_bufferFloor, std::uint64_t{8192} * file.size()),
                              std::uint64_t{2} << 30);
  if (width > (1u << 24) || length > (1u << 24) || need > limit) {
    diag.notef("%u x %u pixels is more than a file of %zu bytes can hold", width, length, file.size());
    return false;
  }
  std::vector<std::uint8_t> image;
  try {
    image.assign(static_cast<std::size_t>(need), 0);
  } catch (const std::bad_alloc&) {
    diag.note("not enough memory for the image");
    return false;
  }

  const int errorsBefore = diag.errors();
  bool read = false;
  switch (routine) {
    case Routine::TilesToStrips:
      read = readTiles(in, image.data(), scanline, width, length);
      break;
    case Routine::StripsToRows:
      read = readStrips(in, image.data(), scanline, length);
      break;
    default:
      read = readRows(in, image.data(), scanline, length);
      break;
  }
  if (!read || diag.errors() > errorsBefore) {
    diag.note("the source's image data is damaged; nothing written");
    return false;
  }
  for (std::uint32_t row = 0; row < length; ++row) {
    if (TIFFWriteScanline(out, image.data() + static_cast<std::size_t>(row) * scanline, row, 0) < 0) {
      diag.note("the image could not be encoded; nothing written");
      return false;
    }
  }
  if (!target.close()) {
    diag.note("the target could not be completed; nothing written");
    return false;
  }
  std::string why;
  const bool written = replaceFile(targetPath, bytes, &why);
  mdlOutput_fileWritten(targetPath, written ? 1 : 0);
  if (written) return true;
  diag.notef("cannot write %s: %s; the old file is unchanged", targetPath, why.c_str());
  return false;
}

}  // namespace

ConversionOptions& conversionOptions() { return g_options; }

void resetConversionOptions() { g_options = ConversionOptions{}; }

std::size_t setConversionBufferFloor(std::size_t bytes) {
  const std::size_t old = g_bufferFloor;
  g_bufferFloor = bytes;
  return old;
}

bool convertTiledTiff(const char* sourcePath, const char* targetPath) {
  if (sourcePath == nullptr || targetPath == nullptr || *sourcePath == '\0' || *targetPath == '\0') return false;
  TiffReport diag("image", std::string("convert ") + sourcePath, kShownMessages);
  return convert(sourcePath, targetPath, diag);
}

}  // namespace pixmend

extern "C" PIXMEND_API void VXDllConvertTiledTiff(const char* sourcePath, const char* targetPath) {
  try {
    (void)pixmend::convertTiledTiff(sourcePath, targetPath);
  } catch (...) {
    // Nothing crosses the export; a failure leaves the target as it was.
  }
}
