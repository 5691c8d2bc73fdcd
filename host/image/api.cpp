// The image library's C calls (host/image/api.h): argument checks, then the C++ kernels and
// file operations. No exception leaves these functions.
#include <cmath>
#include <cstring>
#include <new>

#include "host/image/api.h"
#include "host/image/formats.hpp"
#include "host/image/kernels.hpp"
#include "host/output/journal.hpp"

using namespace pixmend;
using namespace pixmend::host;

namespace {

bool validBitmap(const void* image, const Point2d* size, int format) {
  return image != nullptr && size != nullptr && format == IMAGEFORMAT_BITMAP &&
         imageSizeAllowed(size->x, size->y);
}

// Runs `body`, turning an escaped allocation failure into its result code.
template <typename Body>
int guarded(Body body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return MDLERR_INSFMEMORY;
  } catch (...) {
    return MDLERR_INVALIDIMAGE;
  }
}

// Hands `result` to the caller through *out; releases the input when the caller works in place.
void deliver(unsigned char** out, Point2d* outSize, const unsigned char* in, ImageBuffer& result) {
  const bool inPlace = *out == in;
  *out = result.data.release();
  if (outSize != nullptr) *outSize = {result.width, result.height};
  if (inPlace) releaseImageBytes(const_cast<unsigned char*>(in));
}

// What the last read could not decode (mdlImage_lastReadDamage).
struct ReadDamage {
  long long firstBadLine = -1;
  int lines = 0;
};
ReadDamage gLastRead;

}  // namespace

extern "C" {

int mdlImage_checkStop(void) {
  return 0;
}

int mdlImage_typeFromFile(const char* fileName) {
  if (fileName == nullptr || *fileName == '\0') return IMAGEFILE_UNKNOWN;
  return guarded([&] {
    MappedFile file;
    if (file.open(fileName)) {
      const int type = detectImageType(file.data(), file.size());
      if (type != IMAGEFILE_UNKNOWN) return type;
    }
    return imageTypeFromExtension(fileName);
  });
}

int mdlImage_memorySize(const Point2d* size, int format) {
  if (size == nullptr || format != IMAGEFORMAT_BITMAP || !imageSizeAllowed(size->x, size->y)) return 0;
  return static_cast<int>(bitmapBytes(size->x, size->y));
}

void mdlImage_freeImage(void* image, const Point2d*, int) {
  releaseImageBytes(image);
}

int mdlImage_copyImage(unsigned char** out, const unsigned char* image, const Point2d* size, int format) {
  if (out == nullptr || !validBitmap(image, size, format)) return MDLERR_INVALIDIMAGE;
  ImageBytes copy(cloneMappedBitmap(image));
  if (copy) {
    if (!imageAllocationAllowed()) return MDLERR_INSFMEMORY;  // counted as the allocation it stands for
  } else {
    const std::size_t bytes = bitmapBytes(size->x, size->y);
    copy.reset(allocateImageBytes(bytes, false));
    if (!copy) return MDLERR_INSFMEMORY;
    std::memcpy(copy.get(), image, bytes);
  }
  *out = copy.release();
  return 0;
}

int mdlImage_readFileToBitMap(unsigned char** imageOut, Point2d* sizeOut, const char* fileName, int fileType,
                              int, ImageStopFunc stop) {
  gLastRead = ReadDamage{};
  if (imageOut == nullptr || sizeOut == nullptr || fileName == nullptr) return MDLERR_BADARG;
  return guarded([&] {
    ImageBuffer image;
    long long damagedFrom = -1;
    const int rc = readImageFile(fileName, fileType, image, stop, &damagedFrom);
    if (rc != 0) return rc;
    if (damagedFrom >= 0) gLastRead = {damagedFrom, image.height};
    *sizeOut = {image.width, image.height};
    *imageOut = image.data.release();
    return 0;
  });
}

int mdlImage_lastReadDamage(int* firstBadLine, int* lines) {
  if (gLastRead.firstBadLine < 0) return 0;
  if (firstBadLine != nullptr) *firstBadLine = static_cast<int>(gLastRead.firstBadLine);
  if (lines != nullptr) *lines = gLastRead.lines;
  return 1;
}

int mdlImage_createFileFromBitMap(const char* fileName, int fileType, const Point2d* size,
                                  const unsigned char* image, int, int, int, ImageStopFunc stop) {
  if (fileName == nullptr || *fileName == '\0') return MDLERR_BADARG;
  if (!validBitmap(image, size, IMAGEFORMAT_BITMAP)) return MDLERR_INVALIDIMAGE;
  return guarded(
      [&] { return writeImageFile(fileName, fileType, ConstBitmapView(image, size->x, size->y), stop); });
}

int mdlImage_extractSubImage(unsigned char* out, Point2d* outSize, const unsigned char* in,
                             const Point2d* inSize, const BSIRect* rect, int format) {
  if (!validBitmap(in, inSize, format) || out == nullptr || rect == nullptr) return MDLERR_INVALIDIMAGE;
  const long long w = static_cast<long long>(rect->corner.x) - rect->origin.x;
  const long long h = static_cast<long long>(rect->corner.y) - rect->origin.y;
  if (!imageSizeAllowed(w, h)) return MDLERR_INVALIDIMAGE;
  extractRect(ConstBitmapView(in, inSize->x, inSize->y), rect->origin.x, rect->origin.y,
              BitmapView(out, static_cast<int>(w), static_cast<int>(h)));
  if (outSize != nullptr) *outSize = {static_cast<int>(w), static_cast<int>(h)};
  return 0;
}

int mdlImage_rotate(unsigned char** out, Point2d* outSize, const unsigned char* in, const Point2d* inSize,
                    int format, int angle, ImageStopFunc stop) {
  if (out == nullptr || !validBitmap(in, inSize, format)) return MDLERR_INVALIDIMAGE;
  const int turn = ((angle % 360) + 360) % 360;
  if (turn % 90 != 0) return MDLERR_INVALIDIMAGE;
  return guarded([&] {
    ImageBuffer result;
    const int rc = rotateImage(ConstBitmapView(in, inSize->x, inSize->y), turn / 90, result, stop);
    if (rc != 0) return rc;
    deliver(out, outSize, in, result);
    return 0;
  });
}

int mdlImage_mirror(unsigned char* image, const Point2d* size, int format, int direction, int) {
  if (!validBitmap(image, size, format) || (direction != 0 && direction != 1)) return MDLERR_INVALIDIMAGE;
  const BitmapView view(image, size->x, size->y);
  return guarded([&] { return direction == 0 ? mirrorRows(view) : mirrorColumns(view); });
}

int mdlImage_setMapPolygon(unsigned char* image, const Point2d* size, int format, const DPoint2d* points,
                           int nPoints, int outside, int value) {
  if (!validBitmap(image, size, format)) return MDLERR_INVALIDIMAGE;
  return guarded([&] {
    return fillPolygon(BitmapView(image, size->x, size->y), points, nPoints, outside != 0, value != 0);
  });
}

int mdlImage_warp(unsigned char** out, Point2d* outSize, const unsigned char* in, const Point2d* inSize,
                  int format, const Transform* transform, const unsigned char* option, ImageStopFunc stop) {
  (void)option;
  if (out == nullptr || outSize == nullptr || transform == nullptr || !validBitmap(in, inSize, format))
    return MDLERR_INVALIDIMAGE;
  if (outSize->x <= 0 || outSize->y <= 0) return MDLERR_INVALIDIMAGE;
  if (!imageSizeAllowed(outSize->x, outSize->y)) return MDLERR_INSFMEMORY;
  return guarded([&] {
    ImageBuffer result;
    if (const int rc = allocateImage(outSize->x, outSize->y, result); rc != 0) return rc;
    const int rc = warpImage(ConstBitmapView(in, inSize->x, inSize->y), *transform, result.view(), stop);
    if (rc != 0) return rc;
    deliver(out, outSize, in, result);
    return 0;
  });
}

int mdlImage_updateIngrAttach(const DPoint3d* origin, const DPoint2d* extent, const char* fileName) {
  if (origin == nullptr || extent == nullptr || fileName == nullptr) return MDLERR_BADARG;
  if (!std::isfinite(origin->x) || !std::isfinite(origin->y) || !std::isfinite(extent->x) ||
      !std::isfinite(extent->y) || extent->x <= 0 || extent->y <= 0)
    return MDLERR_BADARG;
  return guarded([&] {
    ImageDiagnostics diag(fileName);
    MappedFile file;
    if (const int rc = mapImageFile(file, fileName); rc != 0) {
      diag.note(file.failure());
      return rc;
    }
    const int type = detectImageType(file.data(), file.size());
    if (type != IMAGEFILE_RLE && type != IMAGEFILE_CIT) {
      diag.note("not an Intergraph raster: no placement written");
      return MDLERR_UNKNOWNIMAGETYPE;
    }
    std::vector<std::uint8_t> bytes;
    if (const int rc = placeIngr(file.data(), file.size(), *origin, *extent, bytes, diag); rc != 0) return rc;
    return replaceImageFile(fileName, bytes, diag);
  });
}

}  // extern "C"
