// Decoded rasters shared between the readers of a file, so that a scan is decoded once however
// many parts of the process read it: the host's attachment (for drawing), the same file attached
// anew, and the application's own read of it (which gets a copy, its bitmap being its to change).
// The bitmap this library last wrote is kept for the next reader of that file (the host reading a
// scan again after a write-back, or attaching a file just made), which takes it instead of
// decoding what was just encoded (the encoders' output decodes to their input: the tests hold
// them to that).
//
// A decode stands for the very bytes it was made from: each entry keeps the file's bytes (the
// compressed file, a small fraction of its bitmap) and is used only while the file holds exactly
// those bytes, compared in full. Times and sizes are not trusted: another program may rewrite a
// file within a time stamp's granularity and keep its size. Decodes are kept only while a reader
// holds them (weak references); the one bitmap kept after a write is held until it is taken, the
// next write or a read of that file that finds other bytes.
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "host/files/files.hpp"
#include "host/image/formats.hpp"
#include "host/lifecycle.hpp"

namespace pixmend::host {

namespace {

struct Entry {
  std::vector<std::uint8_t> fileBytes;
  std::weak_ptr<const ImageBuffer> pixels;
  long long firstDamagedLine = -1;
  int type = IMAGEFILE_UNKNOWN;
};

struct Share {
  std::mutex lock;
  std::map<std::string, Entry> decoded;  // by the path it was read under
  std::string writtenPath;
  std::shared_ptr<const ImageBuffer> written;  // the last bitmap written over such a path
  Entry writtenEntry;
  long long decodes = 0;
};

Share& share() {
  static Share s;
  return s;
}

const bool registered = registerReset("image share", [] {
  Share& s = share();
  std::lock_guard<std::mutex> hold(s.lock);
  s.decoded.clear();
  s.written.reset();
  s.writtenEntry = Entry{};
  s.decodes = 0;
});

bool sameBytes(const std::vector<std::uint8_t>& kept, const std::uint8_t* data, std::size_t size) {
  return kept.size() == size && (size == 0 || std::memcmp(kept.data(), data, size) == 0);
}

}  // namespace

bool sharedDecodeOf(const char* path, const std::uint8_t* data, std::size_t size,
                    std::shared_ptr<const ImageBuffer>& pixels, long long& firstDamagedLine, int& type) {
  Share& s = share();
  std::lock_guard<std::mutex> hold(s.lock);
  if (s.written != nullptr && s.writtenPath == path && !sameBytes(s.writtenEntry.fileBytes, data, size)) {
    // The file was written again by someone else: what was kept stands for nothing now.
    s.written.reset();
    s.writtenEntry = Entry{};
  }
  if (s.written != nullptr && s.writtenPath == path) {
    // The bitmap just written: from now on it lives as long as its readers hold it.
    Entry& e = s.decoded[path];
    e = std::move(s.writtenEntry);
    e.pixels = s.written;
    pixels = std::move(s.written);
    s.writtenEntry = Entry{};
    firstDamagedLine = e.firstDamagedLine;
    type = e.type;
    return true;
  }
  auto found = s.decoded.find(path);
  if (found == s.decoded.end()) return false;
  pixels = found->second.pixels.lock();
  if (pixels == nullptr || !sameBytes(found->second.fileBytes, data, size)) {
    pixels.reset();
    if (found->second.pixels.expired()) s.decoded.erase(found);
    return false;
  }
  firstDamagedLine = found->second.firstDamagedLine;
  type = found->second.type;
  return true;
}

int readImageShared(const char* path, std::shared_ptr<const ImageBuffer>& out, long long* firstDamagedLine) {
  if (firstDamagedLine != nullptr) *firstDamagedLine = -1;
  ImageDiagnostics diag(path);
  removeStaleTemporaries(path);
  // The bytes are read once; the decode is made from them, so it stands for exactly them.
  Entry entry;
  {
    MappedFile file;
    if (const int rc = mapImageFile(file, path); rc != 0) {
      diag.note(file.failure());
      return rc;
    }
    std::shared_ptr<const ImageBuffer> pixels;
    long long damage = -1;
    int type = IMAGEFILE_UNKNOWN;
    if (sharedDecodeOf(path, file.data(), file.size(), pixels, damage, type)) {
      if (firstDamagedLine != nullptr) *firstDamagedLine = damage;
      out = std::move(pixels);
      return 0;
    }
    entry.fileBytes.assign(file.data(), file.data() + file.size());
  }
  auto image = std::make_shared<ImageBuffer>();
  {
    // Into a memory file: the application's read of the same file then borrows its pages.
    SharedBitmapScope mapped;
    if (const int rc = decodeImageBytes(entry.fileBytes.data(), entry.fileBytes.size(), IMAGEFILE_FROM_FILE,
                                        *image, diag, nullptr, &entry.firstDamagedLine, &entry.type);
        rc != 0)
      return rc;
  }
  sealSharedBitmap(image->data.get());
  if (firstDamagedLine != nullptr) *firstDamagedLine = entry.firstDamagedLine;
  out = image;
  Share& s = share();
  std::lock_guard<std::mutex> hold(s.lock);
  ++s.decodes;
  for (auto it = s.decoded.begin(); it != s.decoded.end();)
    it = it->second.pixels.expired() ? s.decoded.erase(it) : ++it;
  entry.pixels = out;
  s.decoded[path] = std::move(entry);
  return 0;
}

void keepWrittenBitmap(const char* path, int type, const ConstBitmapView& image,
                       const std::vector<std::uint8_t>& fileBytes) {
  Share& s = share();
  {
    std::lock_guard<std::mutex> hold(s.lock);
    s.written.reset();
    s.writtenEntry = Entry{};
  }
  Entry entry;
  ImageBuffer copy;
  try {
    entry.fileBytes = fileBytes;
  } catch (const std::bad_alloc&) {
    return;  // nothing kept: the next reader decodes
  }
  copy.width = image.width;
  copy.height = image.height;
  // A bitmap that borrows a memory file's pages is kept as another borrower: only the pages it
  // changed are copied. Padding bits are cleared where they are set (a write to a borrowed page
  // copies it, so the others are not written at all).
  if (image.stride == rowBytes(image.width)) copy.data.reset(cloneMappedBitmap(image.data));
  if (copy.data) {
    if ((image.width & 7) != 0) {
      const std::size_t last = rowBytes(image.width) - 1;
      const auto keep = static_cast<std::uint8_t>(0xFF00u >> (image.width & 7));
      for (int y = 0; y < image.height; ++y)
        if ((image.row(y)[last] & ~keep) != 0) copy.view().row(y)[last] &= keep;
    }
  } else {
    // Not through the library's counted allocation point: keeping the bitmap is optional, and the
    // test hooks that fail the n-th allocation aim at the reads and writes themselves.
    copy.data.reset(static_cast<std::uint8_t*>(std::malloc(bitmapBytes(image.width, image.height))));
    if (!copy.data) return;
    for (int y = 0; y < image.height; ++y) std::memcpy(copy.view().row(y), image.row(y), rowBytes(image.width));
    clearPadding(copy.view());
  }
  entry.type = type;
  std::lock_guard<std::mutex> hold(s.lock);
  s.writtenPath = path;
  s.written = std::make_shared<const ImageBuffer>(std::move(copy));
  s.writtenEntry = std::move(entry);
}

long long sharedDecodeCount() {
  Share& s = share();
  std::lock_guard<std::mutex> hold(s.lock);
  return s.decodes;
}

}  // namespace pixmend::host
