// Internals of the host's image library shared by its files: owned bitmaps and their allocation
// limits, the per-call diagnostics that collect libtiff's and our own messages for the text
// window, mapped input files and atomic file writing.
//
// Contents: ImageBuffer / allocateImage (bitmap memory, the pixel limit), ImageDiagnostics
// (messages of one call, flushed to journal channel "text"), mapImageFile (read-only input),
// replaceImageFile (through the host's AtomicFile), bit helpers.
#pragma once

#include <tiffio.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bitmap/bitmap.hpp"
#include "common/mappedfile.hpp"
#include "common/tiffmessages.hpp"
#include "host/image/api.h"

namespace pixmend::host {

// ---- Bitmap memory ------------------------------------------------------------------------------

// Releases bitmap bytes of either kind the library hands out: a mapping of a memory file
// (mapping.cpp) is unmapped, anything else (malloc) freed. Null is ignored.
void releaseImageBytes(void* bytes);

struct FreeDeleter {
  void operator()(void* p) const { releaseImageBytes(p); }
};
// Bitmap bytes handed to C callers, who release them with mdlImage_freeImage.
using ImageBytes = std::unique_ptr<std::uint8_t[], FreeDeleter>;

struct ImageBuffer {
  ImageBytes data;
  int width = 0;
  int height = 0;

  std::size_t bytes() const { return bitmapBytes(width, height); }
  BitmapView view() const { return {data.get(), width, height}; }
  ConstBitmapView constView() const { return {data.get(), width, height}; }
};

// Largest side and largest pixel count of an image buffer the library makes in memory (read from a
// file, created, rotated or mirrored; the count can be lowered for tests and fuzzing, see
// image_testing.hpp). A0 at 1200 dpi is 2.2 gigapixels.
inline constexpr int kMaxImageBufferSide = 1 << 24;
inline constexpr std::uint64_t kDefaultImageBufferPixels = std::uint64_t{1} << 32;

std::uint64_t imagePixelLimit();
// True when width x height is a size the library accepts (both positive, within the limits).
bool imageSizeAllowed(long long width, long long height);

// Allocates `bytes` (zero-filled when `zero`) through the library's one allocation point, which
// the test hook can make fail. Null when memory cannot be had.
std::uint8_t* allocateImageBytes(std::size_t bytes, bool zero);
// Counts one allocation for the test hook: false when the hook makes this one fail.
bool imageAllocationAllowed();

// A cleared width x height bitmap in `out`: 0, MDLERR_INVALIDIMAGE for a non-positive size,
// MDLERR_INSFMEMORY beyond the pixel limit or when memory cannot be had. Within a
// SharedBitmapScope a large bitmap is a memory file's shared mapping (see below).
int allocateImage(int width, int height, ImageBuffer& out, bool zero = true);

// ---- Bitmaps in memory files (mapping.cpp) -------------------------------------------------------

// While one lives (on this thread), allocateImage makes bitmaps of at least kSharedBitmapMinBytes
// as shared mappings of new memory files, zero-filled; smaller ones, and any the system cannot map,
// come from malloc. For decodes that readers will share.
class SharedBitmapScope {
 public:
  SharedBitmapScope();
  ~SharedBitmapScope();
  SharedBitmapScope(const SharedBitmapScope&) = delete;
  SharedBitmapScope& operator=(const SharedBitmapScope&) = delete;
};
// Below this a copy costs less than a memory file and its page tables.
inline constexpr std::size_t kSharedBitmapMinBytes = 256 * 1024;

// A zero-filled shared mapping of a new memory file of at least `bytes`; null when mapping is off
// or the system cannot give one.
std::uint8_t* allocateSharedBitmap(std::size_t bytes);
// The shared mapping `bitmap` is complete: read-only from now on, so that its file's pages never
// change under the private copies made of it. Anything else is left alone.
void sealSharedBitmap(const std::uint8_t* bitmap);
// A private copy of a mapped bitmap that costs only the pages that come to differ: a private
// mapping of the same memory file, plus the pages `bitmap` itself has written when it is a private
// mapping. Null when `bitmap` is not mapped (a heap block) or the copy cannot be made cheaply:
// the caller then allocates and copies.
std::uint8_t* cloneMappedBitmap(const std::uint8_t* bitmap);
// True for a bitmap that is a mapping of a memory file.
bool isMappedBitmap(const void* bitmap);

// ---- Diagnostics ------------------------------------------------------------------------------

// The messages of one library call (common/tiffmessages.hpp), written to the host's text window
// when it goes out of scope, each as "image: SUBJECT: TEXT\n", at most kShown of them followed by
// a count of the rest.
class ImageDiagnostics : public TiffMessages {
 public:
  static constexpr int kShown = 12;
  explicit ImageDiagnostics(std::string subject);
  ~ImageDiagnostics();
};

// ---- Files --------------------------------------------------------------------------------------

// Maps `path` for reading (common/mappedfile.hpp): 0, MDLERR_FILENOTFOUND, or
// MDLERR_CANNOTOPENFILE (a folder, a pipe or a device, unreadable, cannot be mapped) with the
// reason in file.failure().
int mapImageFile(MappedFile& file, const char* path);

// Replaces `path` with `bytes` through the host's AtomicFile (host/files/files.hpp: temporary
// beside the target, synced, renamed, folder synced; links followed; mode and owner kept; a
// target without any write permission bit refused). The journal gets "file: wrote PATH" (or
// "could not write PATH"). 0, or MDLERR_IMAGEWRITEFAILED with the reason in `diag`.
int replaceImageFile(const std::string& path, const std::vector<std::uint8_t>& bytes, ImageDiagnostics& diag);

// ---- Bits ---------------------------------------------------------------------------------------

// Copies `count` bits from bit `srcBit` of `src` to bit `dstBit` of `dst` (bit 0 = most
// significant bit of byte 0). Reads only the source bytes that hold those bits and changes only
// the destination bits named.
void copyBits(std::uint8_t* dst, std::size_t dstBit, const std::uint8_t* src, std::size_t srcBit,
              std::size_t count);

// Sets bits [from, to) of a row to `ink`.
void fillBits(std::uint8_t* row, std::size_t from, std::size_t to, bool ink);

// Clears the padding bits at the end of every row of `view`.
void clearPadding(const BitmapView& view);

// The bit-reversed value of every byte.
extern const std::uint8_t kReverseBits[256];

}  // namespace pixmend::host
