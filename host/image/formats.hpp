// The file formats of the image library: TIFF through libtiff, the Intergraph raster layout
// (run-length and CCITT Group 4, plain and tiled), and the Group 4 codec both share. Readers
// work on bytes in memory (files are mapped), so the fuzzers drive exactly the product code.
//
// Contents: decodeG4 / encodeG4 (libtiff over memory: common/tiffmemory.hpp), readTiff / writeTiff /
// describeTiff, the Intergraph header and its readers and writers, detectImageType, and the `info` record
// that `pixmend info` prints.
#pragma once

#include <tiffio.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/tiffmemory.hpp"
#include "host/image/image.hpp"

namespace pixmend::host {

// ---- CCITT Group 4 ------------------------------------------------------------------------------

// The widest Group 4 line the readers decode: libtiff's fax decoder takes 16 bytes per pixel of
// a line for its run arrays, and the readers cap libtiff's single allocations at 64 MB (more only
// for files over 32 MB). The writers (TIFF and CIT) refuse wider images, which they could encode
// but which would then be read back as damaged.
inline constexpr int kMaxG4Width = 1 << 22;

// Decodes one Group 4 stream (black = 1) into `out` (its size is the image's). `lsbFirst`: the
// bit order of the Intergraph files. `strict`: a stream that stops before the last line is
// refused instead of read as far as it goes. 0, MDLERR_CORRUPTIMAGE, MDLERR_INSFMEMORY.
int decodeG4(const std::uint8_t* data, std::size_t size, const BitmapView& out, bool lsbFirst, bool strict,
             ImageDiagnostics& diag);
// Encodes `in` as one Group 4 stream with an end-of-block mark, appended to `out`.
int encodeG4(const ConstBitmapView& in, bool lsbFirst, std::vector<std::uint8_t>& out, ImageDiagnostics& diag,
             ImageStopFunc stop);
// The encoder encodeG4 and the TIFF writer use (g4encode.cpp): rows taken a word at a time,
// codes written straight into `out` (appended). `invert` codes every pixel's opposite (files that
// store ink as 0); padding bits are never coded. 0, MDLERR_INVALIDIMAGE (empty, wider than
// kMaxG4Width), MDLERR_INSFMEMORY, MDLERR_IMAGESTOPPED; `out` is as it was on failure.
int encodeG4Stream(const ConstBitmapView& in, bool invert, bool lsbFirst, std::vector<std::uint8_t>& out,
                   ImageStopFunc stop);
// The same stream through libtiff's scanline encoder: the fallback (useLibtiffG4Encoder in
// image_testing.hpp) and the yardstick the tests and benchmarks hold ours to.
int encodeG4Libtiff(const ConstBitmapView& in, bool invert, bool lsbFirst, std::vector<std::uint8_t>& out,
                    ImageDiagnostics& diag, ImageStopFunc stop);
// Whichever of the two is in use.
int encodeG4Any(const ConstBitmapView& in, bool invert, bool lsbFirst, std::vector<std::uint8_t>& out,
                ImageDiagnostics& diag, ImageStopFunc stop);

// ---- What a rewrite keeps -----------------------------------------------------------------------

// Properties of an existing target file that survive its rewrite.
struct CarriedProperties {
  // TIFF
  bool hasResolution = false;
  float xResolution = 0, yResolution = 0;
  std::uint16_t resolutionUnit = RESUNIT_INCH;
  bool hasDocumentName = false, hasDescription = false;
  std::string documentName, description;
  bool hasPageNumber = false;
  std::uint16_t pageNumber[2] = {0, 0};
  // How the old 1-bit file shows its samples, kept so that a rewrite looks the same in every
  // viewer: min-is-black stays min-is-black, a palette keeps its two colours. `inkIsZero` says
  // that the bitmap's ink (1) is stored as 0.
  std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
  std::uint16_t colormap[3][2] = {};
  bool inkIsZero = false;
  // A multi-page TIFF: its further pages, copied after the new first page.
  const std::uint8_t* pagesSource = nullptr;
  std::size_t pagesSourceSize = 0;
  int furtherPages = 0;
  // Intergraph: header block 1 of the old file (doubles already IEEE), used for its placement,
  // resolution, names and description.
  bool hasIngrHeader = false;
  std::uint8_t ingrBlock1[512] = {};
  // Resolution in dots per inch from either kind of file (0 = unknown), for cross-type rewrites.
  int dpi = 0;
};

// ---- TIFF ---------------------------------------------------------------------------------------

// Reads the first image; its bitmap has 1 = ink whatever the file's photometric interpretation
// (see tiffInkIsZero). A stream that stops early is kept and marked in diag.firstDamagedLine().
int readTiff(const std::uint8_t* data, std::size_t size, ImageBuffer& out, ImageDiagnostics& diag,
             ImageStopFunc stop);
// Whether the current directory of a 1-bit TIFF stores ink as 0: min-is-black files (their white
// is 1), and palette files whose entry 0 is the darker colour. Min-is-white, a missing tag and
// every other interpretation store ink as 1.
bool tiffInkIsZero(TIFF* tif);
int writeTiff(const ConstBitmapView& image, const CarriedProperties& carry, std::vector<std::uint8_t>& out,
              ImageDiagnostics& diag, ImageStopFunc stop);
// Fills the TIFF part of `carry` from an existing file's bytes.
void carryFromTiff(const std::uint8_t* data, std::size_t size, CarriedProperties& carry);

// ---- Intergraph ---------------------------------------------------------------------------------

struct IngrHeader {
  std::uint16_t headerType = 0;
  std::uint16_t wordsToFollow = 0;
  std::uint16_t dataType = 0;  // kIngrRunLength, kIngrGroup4, kIngrTiled or another code
  std::uint32_t pixelsPerLine = 0;
  std::uint32_t lines = 0;
  std::int16_t deviceResolution = 0;
  std::uint8_t orientation = 0;
  std::uint8_t scannable = 0;
  std::uint8_t version = 0;
  bool vax = false;        // doubles are VAX D-float
  double matrix[16] = {};  // IEEE values, row by row (see kIngrScaleX ...)
  std::string description;  // up to 80 characters
  std::size_t headerBytes = 0;
  std::size_t dataEnd = 0;  // end of this image's data (next image or end of file)
  // Tiled files: the tile directory.
  std::uint16_t tileDataType = 0;
  std::uint32_t tileSize = 0;
};

// Data type codes of an Intergraph image (and of the tiles of a tiled one).
inline constexpr int kIngrRunLength = 9, kIngrGroup4 = 24, kIngrTiled = 65;

// Entries of IngrHeader::matrix that place the raster in design coordinates: x = m[kIngrScaleX] u
// + m[kIngrXFromY] v + m[kIngrXFromZ] w + m[kIngrOriginX], y likewise with its row.
inline constexpr int kIngrScaleX = 0, kIngrXFromY = 1, kIngrXFromZ = 2, kIngrOriginX = 3;
inline constexpr int kIngrYFromX = 4, kIngrScaleY = 5, kIngrOriginY = 7;
inline constexpr int kIngrScaleZ = 10, kIngrHomogeneous = 15;

// Parses and checks the header of an Intergraph raster. 0, MDLERR_UNKNOWNIMAGETYPE (not one),
// MDLERR_CORRUPTIMAGE (one, but damaged).
int parseIngrHeader(const std::uint8_t* data, std::size_t size, IngrHeader& header, ImageDiagnostics* diag);

int readIngr(const std::uint8_t* data, std::size_t size, ImageBuffer& out, ImageDiagnostics& diag,
             ImageStopFunc stop);
// `dataType` kIngrRunLength (with line headers) or kIngrGroup4.
int writeIngr(const ConstBitmapView& image, int dataType, const CarriedProperties& carry,
              std::vector<std::uint8_t>& out, ImageDiagnostics& diag, ImageStopFunc stop);
void carryFromIngr(const std::uint8_t* data, std::size_t size, CarriedProperties& carry);
// The old file's bytes with a new placement in the header (see mdlImage_updateIngrAttach).
int placeIngr(const std::uint8_t* data, std::size_t size, const DPoint3d& origin, const DPoint2d& extent,
              std::vector<std::uint8_t>& out, ImageDiagnostics& diag);

// The run-length and Group 4 data of one image (or tile), used by the reader and the fuzzers.
int decodeIngrRuns(const std::uint8_t* data, std::size_t size, bool lineHeaders, const BitmapView& out,
                   ImageDiagnostics& diag);
void encodeIngrRuns(const ConstBitmapView& in, bool lineHeaders, std::vector<std::uint8_t>& out);

// Converts a VAX D-float (8 bytes as stored) to an IEEE double.
double vaxToIeee(const std::uint8_t* bytes);

// ---- Detection and description ------------------------------------------------------------------

// IMAGEFILE_TIFF, _RLE or _CIT by content, IMAGEFILE_UNKNOWN when the bytes are neither.
int detectImageType(const std::uint8_t* data, std::size_t size);
// By the name's extension alone.
int imageTypeFromExtension(const std::string& path);

// What `pixmend info` shows about a raster file.
struct ImageFileInfo {
  int type = IMAGEFILE_UNKNOWN;
  std::string format;  // "TIFF", "Intergraph run-length (type 9)", ...
  int width = 0, height = 0;
  int bitsPerSample = 0, samplesPerPixel = 0;
  std::string compression;  // "CCITT Group 4", "none", ...
  int photometric = -1;     // TIFF only
  std::string photometricName;
  int fillOrder = 0;  // TIFF only
  bool tiled = false;
  int tileWidth = 0, tileHeight = 0;
  int pages = 0;
  bool hasResolution = false;
  double xResolution = 0, yResolution = 0;
  std::string resolutionUnit;
  std::string documentName, description;
  // Intergraph
  int dataType = 0, orientation = -1, scannable = -1, headerBytes = 0;
  bool hasPlacement = false;
  double originX = 0, originY = 0, extentX = 0, extentY = 0;
  bool rotated = false;
  // Why the file could not be opened ("no such file", "a folder, not a file", ...), when it could not.
  std::string problem;
};

// Describes a file: 0 or the failure of opening or recognising it.
int describeImageFile(const char* path, ImageFileInfo& info);

// ---- Library calls in C++ -----------------------------------------------------------------------

// The whole read as mdlImage_readFileToBitMap does it. `firstDamagedLine` (may be null) gets the
// first line that could not be decoded whole (a stream that stopped early), -1 when none.
int readImageFile(const char* path, int fileType, ImageBuffer& out, ImageStopFunc stop,
                  long long* firstDamagedLine = nullptr);
// Decodes the image file held in `data` (`path`'s bytes; its diagnostics go to `diag`): the type
// from the content (a different `fileType` is noted), the first damaged line and the type found.
int decodeImageBytes(const std::uint8_t* data, std::size_t size, int fileType, ImageBuffer& out,
                     ImageDiagnostics& diag, ImageStopFunc stop, long long* firstDamagedLine, int* typeFound);
// Reads an image held in memory (fuzzers): the type comes from the content.
int readImageMemory(const std::uint8_t* data, std::size_t size, ImageBuffer& out, ImageDiagnostics& diag);
// The whole write as mdlImage_createFileFromBitMap does it. With `resolutionOf` (a conversion:
// the picture comes from that file), that file's resolution is written instead of the target's.
int writeImageFile(const char* path, int fileType, const ConstBitmapView& image, ImageStopFunc stop,
                   const char* resolutionOf = nullptr);

// ---- Decoded rasters shared by file identity (shared.cpp) -------------------------------------------

// The decode of `path` made from exactly the bytes `data` (the file as it is now) that a reader
// still holds, or the bitmap this library last wrote there as those bytes (taken: it is kept for
// one reader). False when there is none.
bool sharedDecodeOf(const char* path, const std::uint8_t* data, std::size_t size,
                    std::shared_ptr<const ImageBuffer>& pixels, long long& firstDamagedLine, int& type);
// Reads `path` for a reader that only looks at the pixels (the host's attachments): the share's
// decode when there is one, else a new decode that the share then offers to the next reader of the
// same file.
int readImageShared(const char* path, std::shared_ptr<const ImageBuffer>& out, long long* firstDamagedLine);
// After a successful write of `image` over `path` as `fileBytes`: kept for the next reader of
// `path` (one bitmap at a time).
void keepWrittenBitmap(const char* path, int type, const ConstBitmapView& image,
                       const std::vector<std::uint8_t>& fileBytes);
// Decodes readImageShared made since the last reset (tests).
long long sharedDecodeCount();

}  // namespace pixmend::host
