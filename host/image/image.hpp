// Internals of the host's image library shared by its files: owned bitmaps and their allocation
// limits, the per-call diagnostics that collect libtiff's and our own messages for the text
// window, mapped input files and atomic file writing.
//
// Contents: ImageBuffer / allocateImage (bitmap memory, the pixel limit), ImageDiagnostics
// (messages of one call, flushed to journal channel "text"), MappedFile (read-only input),
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
#include "host/image/api.h"

namespace pixmend::host {

// ---- Bitmap memory ------------------------------------------------------------------------------

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
// Bitmap bytes handed to C callers, who release them with mdlImage_freeImage (free()).
using ImageBytes = std::unique_ptr<std::uint8_t[], FreeDeleter>;

struct ImageBuffer {
  ImageBytes data;
  int width = 0;
  int height = 0;

  std::size_t bytes() const { return bitmapBytes(width, height); }
  BitmapView view() const { return {data.get(), width, height}; }
  ConstBitmapView constView() const { return {data.get(), width, height}; }
};

// Largest side and largest pixel count of a bitmap the library makes (the count can be lowered
// for tests and fuzzing, see image_testing.hpp). A0 at 1200 dpi is 2.2 gigapixels.
inline constexpr int kMaxImageSide = 1 << 24;
inline constexpr std::uint64_t kDefaultPixelLimit = std::uint64_t{1} << 32;

std::uint64_t imagePixelLimit();
// True when width x height is a size the library accepts (both positive, within the limits).
bool imageSizeAllowed(long long width, long long height);

// Allocates `bytes` (zero-filled when `zero`) through the library's one allocation point, which
// the test hook can make fail. Null when memory cannot be had.
std::uint8_t* allocateImageBytes(std::size_t bytes, bool zero);

// A cleared width x height bitmap in `out`: 0, MDLERR_INVALIDIMAGE for a non-positive size,
// MDLERR_INSFMEMORY beyond the pixel limit or when memory cannot be had.
int allocateImage(int width, int height, ImageBuffer& out, bool zero = true);

// ---- Diagnostics --------------------------------------------------------------------------------

// Collects the messages of one library call (libtiff's, through per-handle handlers, and our
// own) and writes them to the host's text window when it goes out of scope, each as
// "image: SUBJECT: TEXT\n", at most kShown of them followed by a count of the rest.
// It also classifies libtiff's complaints, which decide whether damaged data is refused:
// errors and overrun lines ("Line length mismatch") mean corrupt data; a stream that ends early
// ("Premature EOL/EOF") is something real fax files do, and is only reported.
class ImageDiagnostics {
 public:
  static constexpr int kShown = 12;

  explicit ImageDiagnostics(std::string subject);
  ~ImageDiagnostics();
  ImageDiagnostics(const ImageDiagnostics&) = delete;
  ImageDiagnostics& operator=(const ImageDiagnostics&) = delete;

  void note(const std::string& text);
  void notef(const char* format, ...) __attribute__((format(printf, 2, 3)));

  int errors() const { return errors_; }                // libtiff errors and overrun lines
  int prematureEnds() const { return prematureEnds_; }  // streams that stopped before their last line
  // The line that libtiff's last premature-end message named ("... at line N of strip S"),
  // counted from the start of that strip or tile; -1 when no message named one.
  long long lastPrematureLine() const { return lastPrematureLine_; }

  // Damage the readers keep despite it (a stream that stopped early): the first line of the
  // image, 0-based, that could not be decoded whole; -1 while every line decoded.
  void markDamagedLine(long long line);
  long long firstDamagedLine() const { return firstDamagedLine_; }

  // Open options with this object's handlers and a cap on libtiff's single allocations.
  // Owned by this object; valid while it lives.
  TIFFOpenOptions* tiffOptions(std::uint64_t maxSingleAlloc);

  // Keeps the collected messages from reaching the text window (for probes whose failure is
  // expected, such as type detection).
  void silence() { silent_ = true; }
  // While muted, libtiff's messages are neither kept nor counted (for a second decoding pass
  // that repeats what the first one already said).
  void mute(bool on) { muted_ = on; }
  const std::vector<std::string>& messages() const { return messages_; }

 private:
  static int onTiffError(TIFF* tif, void* user, const char* module, const char* format, va_list ap);
  static int onTiffWarning(TIFF* tif, void* user, const char* module, const char* format, va_list ap);
  void addTiff(bool error, const char* module, const char* format, va_list ap);

  std::string subject_;
  std::vector<std::string> messages_;
  int total_ = 0;
  int errors_ = 0;
  int prematureEnds_ = 0;
  long long lastPrematureLine_ = -1;
  long long firstDamagedLine_ = -1;
  bool silent_ = false;
  bool muted_ = false;
  TIFFOpenOptions* options_ = nullptr;
};

// ---- Files --------------------------------------------------------------------------------------

// A whole file mapped read-only (empty files map to nothing).
class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // 0, MDLERR_FILENOTFOUND, MDLERR_CANNOTOPENFILE (a folder, a pipe or a device, unreadable,
  // cannot be mapped). Only regular files are read, and opening never waits (a pipe without a
  // writer is refused at once).
  int open(const char* path);
  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  // Why open() failed, for the user ("no such file", "a folder, not a file", ...).
  const std::string& failure() const { return failure_; }

 private:
  int fail(int rc, std::string why);
  std::string failure_;
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  void* map_ = nullptr;
};

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

// Exchanges ink and background in `count` bytes (every bit flips; padding bits too, so callers
// clear them afterwards where it matters).
void invertBytes(std::uint8_t* data, std::size_t count);

// The bit-reversed value of every byte.
extern const std::uint8_t kReverseBits[256];

}  // namespace pixmend::host
