// The image library's file operations in C++: type detection, reading and writing whole files
// (with what a rewrite carries over), placement updates, and the description `pixmend info`
// prints. The C calls in api.cpp are thin shims over these.
#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/files/files.hpp"
#include "host/image/formats.hpp"
#include "host/output/journal.hpp"

namespace pixmend::host {

namespace {

const char* typeName(int type) {
  switch (type) {
    case IMAGEFILE_TIFF:
      return "TIFF";
    case IMAGEFILE_RLE:
      return "Intergraph run-length";
    case IMAGEFILE_CIT:
      return "Intergraph CIT";
    default:
      return "unknown";
  }
}

const char* compressionName(unsigned compression) {
  switch (compression) {
    case COMPRESSION_NONE:
      return "none";
    case COMPRESSION_CCITTRLE:
      return "CCITT modified Huffman";
    case COMPRESSION_CCITTFAX3:
      return "CCITT Group 3";
    case COMPRESSION_CCITTFAX4:
      return "CCITT Group 4";
    case COMPRESSION_LZW:
      return "LZW";
    case COMPRESSION_PACKBITS:
      return "PackBits";
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE:
      return "Deflate";
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG:
      return "JPEG";
    case COMPRESSION_JBIG:
      return "JBIG";
    default:
      return nullptr;
  }
}

const char* photometricName(unsigned photometric) {
  switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
      return "min-is-white";
    case PHOTOMETRIC_MINISBLACK:
      return "min-is-black";
    case PHOTOMETRIC_RGB:
      return "RGB";
    case PHOTOMETRIC_PALETTE:
      return "palette";
    case PHOTOMETRIC_MASK:
      return "transparency mask";
    case PHOTOMETRIC_SEPARATED:
      return "separated";
    case PHOTOMETRIC_YCBCR:
      return "YCbCr";
    default:
      return "other";
  }
}

int describeTiff(const std::uint8_t* data, std::size_t size, ImageFileInfo& info) {
  ImageDiagnostics diag("info");
  diag.silence();
  TiffHandle handle;
  if (!openTiffMemory(handle, data, size, "tiff", diag)) return MDLERR_CORRUPTIMAGE;
  TIFF* tif = handle.get();
  std::uint32_t w = 0, h = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
  info.width = static_cast<int>(std::min<std::uint32_t>(w, 0x7FFFFFFF));
  info.height = static_cast<int>(std::min<std::uint32_t>(h, 0x7FFFFFFF));
  std::uint16_t bps = 1, spp = 1, compression = 1, fill = 1;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_FILLORDER, &fill);
  info.bitsPerSample = bps;
  info.samplesPerPixel = spp;
  const char* cname = compressionName(compression);
  info.compression = cname != nullptr ? cname : "code " + std::to_string(compression);
  info.fillOrder = fill;
  std::uint16_t photometric = 0;
  if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) {
    info.photometric = photometric;
    info.photometricName = photometricName(photometric);
  } else {
    info.photometric = PHOTOMETRIC_MINISWHITE;
    info.photometricName = "min-is-white (no tag)";
  }
  info.tiled = TIFFIsTiled(tif) != 0;
  if (info.tiled) {
    std::uint32_t tw = 0, tl = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tl);
    info.tileWidth = static_cast<int>(std::min<std::uint32_t>(tw, 0x7FFFFFFF));
    info.tileHeight = static_cast<int>(std::min<std::uint32_t>(tl, 0x7FFFFFFF));
  }
  float x = 0, y = 0;
  if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) && TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y)) {
    std::uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    info.hasResolution = true;
    info.xResolution = x;
    info.yResolution = y;
    info.resolutionUnit = unit == RESUNIT_CENTIMETER ? "per cm" : unit == RESUNIT_INCH ? "dpi" : "(no unit)";
  }
  const char* text = nullptr;
  if (TIFFGetField(tif, TIFFTAG_DOCUMENTNAME, &text) && text != nullptr) info.documentName = text;
  text = nullptr;
  if (TIFFGetField(tif, TIFFTAG_IMAGEDESCRIPTION, &text) && text != nullptr) info.description = text;
  info.pages = static_cast<int>(TIFFNumberOfDirectories(tif));
  info.format = "TIFF";
  return 0;
}

int describeIngr(const std::uint8_t* data, std::size_t size, ImageFileInfo& info) {
  IngrHeader h;
  if (const int rc = parseIngrHeader(data, size, h, nullptr); rc != 0) return rc;
  info.width = static_cast<int>(std::min<std::uint32_t>(h.pixelsPerLine, 0x7FFFFFFF));
  info.height = static_cast<int>(std::min<std::uint32_t>(h.lines, 0x7FFFFFFF));
  info.dataType = h.dataType;
  const int type = h.dataType == kIngrTiled ? h.tileDataType : h.dataType;
  info.tiled = h.dataType == kIngrTiled;
  if (info.tiled)
    info.tileWidth = info.tileHeight = static_cast<int>(std::min<std::uint32_t>(h.tileSize, 0x7FFFFFFF));
  info.bitsPerSample = (type == kIngrRunLength || type == kIngrGroup4) ? 1 : 0;
  info.samplesPerPixel = 1;
  info.compression = type == kIngrRunLength ? "run-length (type 9)"
                     : type == kIngrGroup4  ? "CCITT Group 4 (type 24)"
                                            : "data type " + std::to_string(type);
  info.format = std::string("Intergraph raster") + (info.tiled ? ", tiled (type 65)" : "");
  info.orientation = h.orientation;
  info.scannable = h.scannable;
  info.headerBytes = static_cast<int>(h.headerBytes);
  info.pages = 1;
  if (h.deviceResolution < 0) {
    info.hasResolution = true;
    info.xResolution = info.yResolution = -h.deviceResolution;
    info.resolutionUnit = "dpi";
  }
  const double* m = h.matrix;
  info.hasPlacement = !(m[kIngrScaleX] == 0 && m[kIngrXFromZ] == 0 && m[kIngrOriginX] == 0 &&
                        m[kIngrYFromX] == 0 && m[kIngrScaleY] == 0 && m[kIngrOriginY] == 0);
  if (info.hasPlacement) {
    info.extentX = m[kIngrScaleX] * h.pixelsPerLine;
    info.extentY = m[kIngrScaleY] * h.lines;
    info.originX = m[kIngrOriginX];
    info.originY = m[kIngrOriginY] - info.extentY;
    info.rotated = m[kIngrXFromY] != 0 || m[kIngrYFromX] != 0;
  }
  info.description = h.description;
  return 0;
}

}  // namespace

int imageTypeFromExtension(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return IMAGEFILE_UNKNOWN;
  const char* ext = path.c_str() + dot + 1;
  if (strcasecmp(ext, "tif") == 0 || strcasecmp(ext, "tiff") == 0) return IMAGEFILE_TIFF;
  if (strcasecmp(ext, "rle") == 0 || strcasecmp(ext, "cot") == 0) return IMAGEFILE_RLE;
  if (strcasecmp(ext, "cit") == 0) return IMAGEFILE_CIT;
  return IMAGEFILE_UNKNOWN;
}

int readImageMemory(const std::uint8_t* data, std::size_t size, ImageBuffer& out, ImageDiagnostics& diag) {
  const int type = detectImageType(data, size);
  if (type == IMAGEFILE_TIFF) return readTiff(data, size, out, diag, nullptr);
  if (type == IMAGEFILE_RLE || type == IMAGEFILE_CIT) return readIngr(data, size, out, diag, nullptr);
  diag.note("not a TIFF or Intergraph raster");
  return MDLERR_UNKNOWNIMAGETYPE;
}

int decodeImageBytes(const std::uint8_t* data, std::size_t size, int fileType, ImageBuffer& out,
                     ImageDiagnostics& diag, ImageStopFunc stop, long long* firstDamagedLine,
                     int* typeFound) {
  const int type = detectImageType(data, size);
  if (typeFound != nullptr) *typeFound = type;
  if (type == IMAGEFILE_UNKNOWN) {
    diag.note(size == 0 ? "the file is empty" : "not a TIFF or Intergraph raster");
    return MDLERR_UNKNOWNIMAGETYPE;
  }
  if (fileType != IMAGEFILE_FROM_FILE && fileType != type)
    diag.notef("read as %s (its content), not as file type %d", typeName(type), fileType);
  const int rc =
      type == IMAGEFILE_TIFF ? readTiff(data, size, out, diag, stop) : readIngr(data, size, out, diag, stop);
  if (rc == 0 && firstDamagedLine != nullptr) *firstDamagedLine = diag.firstDamagedLine();
  return rc;
}

int readImageFile(const char* path, int fileType, ImageBuffer& out, ImageStopFunc stop,
                  long long* firstDamagedLine) {
  if (firstDamagedLine != nullptr) *firstDamagedLine = -1;
  ImageDiagnostics diag(path);
  // A write of this file killed part-way left its temporary beside it: it goes now.
  removeStaleTemporaries(path);
  MappedFile file;
  if (const int rc = mapImageFile(file, path); rc != 0) {
    diag.note(file.failure());
    return rc;
  }
  // The very bytes decoded already (by the host's attachment, or the bitmap this library just
  // wrote as them): a copy, not a second decode; one that borrows the decode's pages until it
  // changes them when the decode is a memory file's.
  std::shared_ptr<const ImageBuffer> shared;
  long long damage = -1;
  int sharedType = IMAGEFILE_UNKNOWN;
  if (sharedDecodeOf(path, file.data(), file.size(), shared, damage, sharedType)) {
    ImageBytes borrowed(cloneMappedBitmap(shared->data.get()));
    if (borrowed) {
      if (!imageAllocationAllowed()) return MDLERR_INSFMEMORY;  // counted as the allocation it stands for
      out.data = std::move(borrowed);
      out.width = shared->width;
      out.height = shared->height;
    } else {
      if (const int rc = allocateImage(shared->width, shared->height, out, false); rc != 0) return rc;
      std::memcpy(out.data.get(), shared->data.get(), shared->bytes());
    }
    if (fileType != IMAGEFILE_FROM_FILE && fileType != sharedType)
      diag.notef("read as %s (its content), not as file type %d", typeName(sharedType), fileType);
    if (firstDamagedLine != nullptr) *firstDamagedLine = damage;
    return 0;
  }
  return decodeImageBytes(file.data(), file.size(), fileType, out, diag, stop, firstDamagedLine, nullptr);
}

namespace {

// What a conversion carries from its source: the resolution, in the source's own terms when it is
// a TIFF (rational and unit), as dots per inch for any type.
void carryResolutionOf(const char* source, CarriedProperties& carry) {
  MappedFile file;
  CarriedProperties from;
  if (file.open(source)) {
    const int type = detectImageType(file.data(), file.size());
    if (type == IMAGEFILE_TIFF) carryFromTiff(file.data(), file.size(), from);
    if (type == IMAGEFILE_RLE || type == IMAGEFILE_CIT) carryFromIngr(file.data(), file.size(), from);
  }
  carry.hasResolution = from.hasResolution;
  carry.xResolution = from.xResolution;
  carry.yResolution = from.yResolution;
  carry.resolutionUnit = from.resolutionUnit;
  carry.dpi = from.dpi;
}

}  // namespace

int writeImageFile(const char* path, int fileType, const ConstBitmapView& image, ImageStopFunc stop,
                   const char* resolutionOf) {
  ImageDiagnostics diag(path);
  // What the target holds now decides the type (when asked to) and what survives the rewrite.
  MappedFile old;
  CarriedProperties carry;
  int oldType = IMAGEFILE_UNKNOWN;
  if (old.open(path)) {
    oldType = detectImageType(old.data(), old.size());
    if (oldType == IMAGEFILE_TIFF) carryFromTiff(old.data(), old.size(), carry);
    if (oldType == IMAGEFILE_RLE || oldType == IMAGEFILE_CIT) carryFromIngr(old.data(), old.size(), carry);
  }
  if (resolutionOf != nullptr) carryResolutionOf(resolutionOf, carry);
  int type = fileType;
  if (type == IMAGEFILE_FROM_FILE)
    type = oldType != IMAGEFILE_UNKNOWN ? oldType : imageTypeFromExtension(path);
  if (type != IMAGEFILE_TIFF && type != IMAGEFILE_RLE && type != IMAGEFILE_CIT) {
    diag.notef("cannot write file type %d", type);
    return MDLERR_UNKNOWNIMAGETYPE;
  }
  // Only a TIFF rewritten as a TIFF keeps its further pages.
  if (type != IMAGEFILE_TIFF) carry.furtherPages = 0;
  std::vector<std::uint8_t> bytes;
  int rc = 0;
  try {
    rc = type == IMAGEFILE_TIFF ? writeTiff(image, carry, bytes, diag, stop)
                                : writeIngr(image, type == IMAGEFILE_CIT ? kIngrGroup4 : kIngrRunLength,
                                            carry, bytes, diag, stop);
  } catch (const std::bad_alloc&) {
    rc = MDLERR_INSFMEMORY;
  }
  if (rc != 0) {
    diag.note("not written; the old file is unchanged");
    journal().append("file", std::string("could not write ") + path);
    return rc;
  }
  rc = replaceImageFile(path, bytes, diag);
  // Whoever reads this file next (the host redrawing it after a write-back) takes the bitmap.
  if (rc == 0) keepWrittenBitmap(path, type, image, bytes);
  return rc;
}

int describeImageFile(const char* path, ImageFileInfo& info) {
  info = ImageFileInfo{};
  MappedFile file;
  if (const int rc = mapImageFile(file, path); rc != 0) {
    info.problem = file.failure();
    return rc;
  }
  info.type = detectImageType(file.data(), file.size());
  if (info.type == IMAGEFILE_TIFF) return describeTiff(file.data(), file.size(), info);
  if (info.type == IMAGEFILE_RLE || info.type == IMAGEFILE_CIT)
    return describeIngr(file.data(), file.size(), info);
  return MDLERR_UNKNOWNIMAGETYPE;
}

}  // namespace pixmend::host
