// Bitmaps kept in anonymous memory files, so that a copy costs only the pages that come to differ.
//
// A decode that several readers share is made into a memory file (memfd) mapped shared, and made
// read-only once complete: from then on the file's pages never change. A reader that wants a bitmap
// of its own gets a private mapping of that file: the kernel lends it the file's pages and copies
// a page only when the reader writes it. A copy of such a private bitmap (the undo store's, the
// bitmap kept after a write) is another private mapping of the same file plus the pages the source
// has written, which the kernel's page map tells apart (anonymous pages are the written ones; a page
// never touched, or only read, is still the file's).
//
// Every mapping is registered by its address, so that whoever releases a bitmap (the library's own
// buffers, mdlImage_freeImage) unmaps a mapping and frees anything else. Where memory files, maps or
// the page map cannot be had, callers fall back to malloc and memcpy: nothing depends on the mapping
// but the memory it saves.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "host/image/image.hpp"
#include "host/image/image_testing.hpp"

namespace pixmend::host {

namespace {

// A memory file: closed when the last mapping of it goes.
struct MemoryFile {
  int fd = -1;
  explicit MemoryFile(int f) : fd(f) {}
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  ~MemoryFile() {
    if (fd >= 0) ::close(fd);
  }
};

struct Mapping {
  std::size_t length = 0;  // whole pages
  bool shared = false;     // the file's own pages (read-only once sealed), not a private copy
  std::shared_ptr<MemoryFile> file;
};

struct Registry;
Registry& registry();

// Sanitizer builds keep bitmaps on the heap, where every access is checked; the tests switch
// mapping on where they test it.
constexpr bool kMappedByDefault =
#if defined(__SANITIZE_ADDRESS__)
    false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    false;
#else
    true;
#endif
#else
    true;
#endif

struct Registry {
  std::mutex lock;
  std::map<const void*, Mapping> mappings;
  bool enabled = kMappedByDefault;
};

Registry& registry() {
  // Never destroyed: bitmaps that other statics hold (the share's decodes) are released during
  // the exit, after a destroyed registry would be gone.
  alignas(Registry) static unsigned char storage[sizeof(Registry)];
  static Registry* const r = ::new (static_cast<void*>(storage)) Registry();
  return *r;
}

std::size_t pageSize() {
  static const std::size_t size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  return size;
}

std::size_t wholePages(std::size_t bytes) {
  return (bytes + pageSize() - 1) / pageSize() * pageSize();
}

std::uint8_t* mapFile(const std::shared_ptr<MemoryFile>& file, std::size_t length, bool shared) {
  void* p = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, shared ? MAP_SHARED : MAP_PRIVATE, file->fd, 0);
  if (p == MAP_FAILED) return nullptr;
  Registry& r = registry();
  try {
    std::lock_guard<std::mutex> hold(r.lock);
    r.mappings[p] = Mapping{length, shared, file};
  } catch (const std::bad_alloc&) {
    ::munmap(p, length);
    return nullptr;
  }
  return static_cast<std::uint8_t*>(p);
}

// The page map's word for a page (linux/Documentation/admin-guide/mm/pagemap.rst).
constexpr std::uint64_t kPagePresent = std::uint64_t{1} << 63;
constexpr std::uint64_t kPageSwapped = std::uint64_t{1} << 62;
constexpr std::uint64_t kPageFileOrShared = std::uint64_t{1} << 61;

// Copies into `copy` every page of the private mapping `source` that no longer is its file's page
// (written, hence anonymous; or swapped out, which only anonymous pages are). False when the page
// map cannot be read.
bool copyWrittenPages(const std::uint8_t* source, std::uint8_t* copy, std::size_t length) {
  const int fd = ::open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const std::size_t page = pageSize();
  const std::size_t pages = length / page;
  const std::size_t first = reinterpret_cast<std::uintptr_t>(source) / page;
  constexpr std::size_t kBatch = 512;
  std::uint64_t words[kBatch];
  bool ok = true;
  for (std::size_t done = 0; ok && done < pages;) {
    const std::size_t n = std::min(kBatch, pages - done);
    const auto offset = static_cast<off_t>((first + done) * sizeof(std::uint64_t));
    ok = ::pread(fd, words, n * sizeof(std::uint64_t), offset) == static_cast<ssize_t>(n * sizeof(std::uint64_t));
    for (std::size_t i = 0; ok && i < n; ++i) {
      const std::uint64_t w = words[i];
      const bool filePage = (w & kPageSwapped) == 0 && ((w & kPagePresent) == 0 || (w & kPageFileOrShared) != 0);
      if (!filePage) std::memcpy(copy + (done + i) * page, source + (done + i) * page, page);
    }
    done += n;
  }
  ::close(fd);
  return ok;
}

}  // namespace

bool useMappedBitmaps(bool on) {
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.lock);
  const bool was = r.enabled;
  r.enabled = on;
  return was;
}

std::uint8_t* allocateSharedBitmap(std::size_t bytes) {
  Registry& r = registry();
  {
    std::lock_guard<std::mutex> hold(r.lock);
    if (!r.enabled) return nullptr;
  }
  const std::size_t length = wholePages(bytes == 0 ? 1 : bytes);
  const int fd = ::memfd_create("pixmend-bitmap", MFD_CLOEXEC);
  if (fd < 0) return nullptr;
  std::shared_ptr<MemoryFile> file;
  try {
    file = std::make_shared<MemoryFile>(fd);
  } catch (const std::bad_alloc&) {
    ::close(fd);
    return nullptr;
  }
  // The pages are the file's: reserve them now, so that a full memory file system fails here
  // (and the caller takes the heap) rather than with a signal at the first write.
  if (::ftruncate(fd, static_cast<off_t>(length)) != 0 || ::posix_fallocate(fd, 0, static_cast<off_t>(length)) != 0)
    return nullptr;
  return mapFile(file, length, true);
}

void sealSharedBitmap(const std::uint8_t* bitmap) {
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.lock);
  const auto found = r.mappings.find(bitmap);
  if (found == r.mappings.end() || !found->second.shared) return;
  ::mprotect(const_cast<std::uint8_t*>(bitmap), found->second.length, PROT_READ);
}

std::uint8_t* cloneMappedBitmap(const std::uint8_t* bitmap) {
  Registry& r = registry();
  Mapping source;
  {
    std::lock_guard<std::mutex> hold(r.lock);
    const auto found = r.mappings.find(bitmap);
    if (!r.enabled || found == r.mappings.end()) return nullptr;
    source = found->second;
  }
  std::uint8_t* copy = mapFile(source.file, source.length, false);
  if (copy == nullptr || source.shared) return copy;
  if (!copyWrittenPages(bitmap, copy, source.length)) {
    releaseImageBytes(copy);
    return nullptr;
  }
  return copy;
}

bool isMappedBitmap(const void* bitmap) {
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.lock);
  return r.mappings.count(bitmap) != 0;
}

std::size_t mappedBitmapCount() {
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.lock);
  return r.mappings.size();
}

void releaseImageBytes(void* bitmap) {
  if (bitmap == nullptr) return;
  Registry& r = registry();
  std::shared_ptr<MemoryFile> file;  // closed after the lock is let go
  std::size_t length = 0;
  {
    std::lock_guard<std::mutex> hold(r.lock);
    const auto found = r.mappings.find(bitmap);
    if (found != r.mappings.end()) {
      length = found->second.length;
      file = std::move(found->second.file);
      r.mappings.erase(found);
    }
  }
  if (length != 0) {
    ::munmap(bitmap, length);
  } else {
    std::free(bitmap);
  }
}

}  // namespace pixmend::host
