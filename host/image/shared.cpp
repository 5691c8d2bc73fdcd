// Decoded rasters shared by file identity, so that a scan is decoded once however many parts of
// the process read it: the host's attachment (for drawing), the same file attached anew, and the
// application's own read of it (which gets a copy, its bitmap being its to change). After this
// library writes a bitmap over a file someone reads through the share, the bitmap as written is
// kept for the next reader of that file, which takes it instead of decoding what was just encoded
// (the encoder's output decodes to its input: the tests hold it to that).
//
// A file is the same file while its device, inode, size and modification and change times (to
// the nanosecond) are: every write of ours renames a new file into place, and any other change
// moves the change time. The share keeps decodes only while a reader holds them (weak
// references); the one bitmap kept after a write is held until it is taken or the next write.
#include <sys/stat.h>

#include <cstring>
#include <map>
#include <mutex>
#include <tuple>

#include "host/image/formats.hpp"
#include "host/image/image_testing.hpp"
#include "host/lifecycle.hpp"

namespace pixmend::host {

namespace {

struct FileKey {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  long long modified = 0, changed = 0;  // nanoseconds
  bool operator<(const FileKey& o) const {
    return std::tie(device, inode, size, modified, changed) <
           std::tie(o.device, o.inode, o.size, o.modified, o.changed);
  }
};

bool keyOf(const char* path, FileKey& key) {
  struct stat st {};
  if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  key.device = st.st_dev;
  key.inode = st.st_ino;
  key.size = st.st_size;
  key.modified = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  key.changed = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
  return true;
}

struct Entry {
  std::weak_ptr<const ImageBuffer> pixels;
  long long firstDamagedLine = -1;
  int type = IMAGEFILE_UNKNOWN;
};

struct Share {
  std::mutex lock;
  std::map<FileKey, Entry> decoded;
  std::map<std::string, bool> readers;  // paths read through the share: writes over them are kept
  FileKey writtenKey;
  std::shared_ptr<const ImageBuffer> written;  // the last bitmap written over such a path
  int writtenType = IMAGEFILE_UNKNOWN;
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
  s.readers.clear();
  s.written.reset();
  s.decodes = 0;
});

// Drops the entries nobody holds any more.
void prune(Share& s) {
  for (auto it = s.decoded.begin(); it != s.decoded.end();) it = it->second.pixels.expired() ? s.decoded.erase(it) : ++it;
}

}  // namespace

bool sharedDecodeOf(const char* path, std::shared_ptr<const ImageBuffer>& pixels, long long& firstDamagedLine,
                    int& type) {
  FileKey key;
  if (!keyOf(path, key)) return false;
  Share& s = share();
  std::lock_guard<std::mutex> hold(s.lock);
  if (s.written != nullptr && !(s.writtenKey < key) && !(key < s.writtenKey)) {
    // The bitmap just written: from now on it lives as long as its readers hold it.
    Entry& e = s.decoded[key];
    e.pixels = s.written;
    e.firstDamagedLine = -1;
    e.type = s.writtenType;
    pixels = std::move(s.written);
    firstDamagedLine = -1;
    type = e.type;
    return true;
  }
  auto found = s.decoded.find(key);
  if (found == s.decoded.end()) return false;
  pixels = found->second.pixels.lock();
  if (pixels == nullptr) {
    s.decoded.erase(found);
    return false;
  }
  firstDamagedLine = found->second.firstDamagedLine;
  type = found->second.type;
  return true;
}

int readImageShared(const char* path, std::shared_ptr<const ImageBuffer>& out, long long* firstDamagedLine) {
  long long damage = -1;
  int type = IMAGEFILE_UNKNOWN;
  std::shared_ptr<const ImageBuffer> pixels;
  {
    Share& s = share();
    std::lock_guard<std::mutex> hold(s.lock);
    s.readers[path] = true;
  }
  if (!sharedDecodeOf(path, pixels, damage, type)) {
    // Identified before the read: a file replaced meanwhile is then simply not found next time.
    FileKey key;
    const bool known = keyOf(path, key);
    auto image = std::make_shared<ImageBuffer>();
    if (const int rc = readImageFile(path, IMAGEFILE_FROM_FILE, *image, nullptr, &damage); rc != 0) return rc;
    type = mdlImage_typeFromFile(path);
    pixels = std::move(image);
    Share& s = share();
    std::lock_guard<std::mutex> hold(s.lock);
    ++s.decodes;
    if (known) {
      prune(s);
      s.decoded[key] = Entry{pixels, damage, type};
    }
  }
  if (firstDamagedLine != nullptr) *firstDamagedLine = damage;
  out = std::move(pixels);
  return 0;
}

void keepWrittenBitmap(const char* path, int type, const ConstBitmapView& image) {
  Share& s = share();
  {
    std::lock_guard<std::mutex> hold(s.lock);
    s.written.reset();
    if (s.readers.find(path) == s.readers.end()) return;
  }
  FileKey key;
  if (!keyOf(path, key)) return;
  ImageBuffer copy;
  if (allocateImage(image.width, image.height, copy, false) != 0) return;  // no copy: the reader decodes
  for (int y = 0; y < image.height; ++y) std::memcpy(copy.view().row(y), image.row(y), rowBytes(image.width));
  clearPadding(copy.view());
  std::lock_guard<std::mutex> hold(s.lock);
  s.writtenKey = key;
  s.written = std::make_shared<const ImageBuffer>(std::move(copy));
  s.writtenType = type;
}

long long sharedDecodeCount() {
  Share& s = share();
  std::lock_guard<std::mutex> hold(s.lock);
  return s.decodes;
}

}  // namespace pixmend::host
