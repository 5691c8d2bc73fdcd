// libtiff's client procedures over memory (see tiffmemory.hpp).
#include "common/tiffmemory.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace pixmend {
namespace {

using Memory = TiffHandle::Memory;

tmsize_t memRead(thandle_t h, void* buf, tmsize_t size) {
  auto* m = static_cast<Memory*>(h);
  if (size <= 0) return 0;
  const std::uint64_t total = m->out != nullptr ? m->out->size() : m->size;
  const std::uint8_t* base = m->out != nullptr ? m->out->data() : m->data;
  if (m->pos >= total) return 0;
  const std::uint64_t n = std::min<std::uint64_t>(static_cast<std::uint64_t>(size), total - m->pos);
  std::memcpy(buf, base + m->pos, static_cast<std::size_t>(n));
  m->pos += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t memWrite(thandle_t h, void* buf, tmsize_t size) {
  auto* m = static_cast<Memory*>(h);
  if (m->out == nullptr || size < 0) return -1;
  try {
    const std::uint64_t end = m->pos + static_cast<std::uint64_t>(size);
    if (end > m->out->size()) {
      if (end > m->out->capacity()) m->out->reserve(std::max<std::uint64_t>(end, m->out->capacity() * 2));
      m->out->resize(end);
    }
    std::memcpy(m->out->data() + m->pos, buf, static_cast<std::size_t>(size));
    m->pos = end;
    return size;
  } catch (const std::bad_alloc&) {
    m->failed = true;
    return -1;
  }
}

toff_t memSeek(thandle_t h, toff_t offset, int whence) {
  auto* m = static_cast<Memory*>(h);
  const std::uint64_t total = m->out != nullptr ? m->out->size() : m->size;
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = m->pos;
  if (whence == SEEK_END) base = total;
  const std::uint64_t target = base + offset;
  // Seeking far beyond the end of something being written would make the next write grow the
  // buffer to match: refuse positions no real file of ours reaches.
  if (target < base || target > (std::uint64_t{1} << 40)) return static_cast<toff_t>(-1);
  m->pos = target;
  return target;
}

int memClose(thandle_t) {
  return 0;
}

toff_t memSize(thandle_t h) {
  auto* m = static_cast<Memory*>(h);
  return m->out != nullptr ? m->out->size() : m->size;
}

int memMap(thandle_t h, void** base, toff_t* size) {
  auto* m = static_cast<Memory*>(h);
  if (m->out != nullptr || m->data == nullptr) return 0;
  *base = const_cast<std::uint8_t*>(m->data);  // read-only: libtiff only reads a mapped file opened "r"
  *size = m->size;
  return 1;
}

void memUnmap(thandle_t, void*, toff_t) {}

// libtiff's own allocations are capped so that a hostile directory cannot make it take more
// than the file could plausibly need.
std::uint64_t allocationCap(std::uint64_t fileSize) {
  const std::uint64_t floor = std::uint64_t{64} << 20;
  return std::max(floor, fileSize * 2);
}

}  // namespace

TiffHandle::~TiffHandle() {
  close();
}

bool TiffHandle::close() {
  if (tif_ == nullptr) return !memory_.failed;
  TIFFClose(tif_);
  tif_ = nullptr;
  return !memory_.failed;
}

bool openTiffMemory(TiffHandle& handle, const std::uint8_t* data, std::size_t size, const char* name,
                    TiffMessages& messages) {
  handle.close();
  handle.memory_ = Memory{};
  handle.memory_.data = data;
  handle.memory_.size = size;
  TIFFOpenOptions* options = messages.tiffOptions(allocationCap(size));
  if (options == nullptr) return false;
  handle.tif_ = TIFFClientOpenExt(name, "r", &handle.memory_, memRead, memWrite, memSeek, memClose, memSize,
                                  memMap, memUnmap, options);
  return handle.tif_ != nullptr;
}

bool openTiffOutput(TiffHandle& handle, std::vector<std::uint8_t>& out, const char* name,
                    TiffMessages& messages) {
  handle.close();
  handle.memory_ = Memory{};
  handle.memory_.out = &out;
  TIFFOpenOptions* options = messages.tiffOptions(std::uint64_t{1} << 30);
  if (options == nullptr) return false;
  handle.tif_ = TIFFClientOpenExt(name, "w", &handle.memory_, memRead, memWrite, memSeek, memClose, memSize,
                                  memMap, memUnmap, options);
  return handle.tif_ != nullptr;
}

}  // namespace pixmend
