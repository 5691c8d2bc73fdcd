// libtiff over memory: TIFF files are read from bytes in memory (a mapped file, or a stream
// wrapped in a TIFF of its own) and written into a growing buffer that the caller then writes
// out atomically, so no TIFF code ever writes a file by itself.
#pragma once

#include <tiffio.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/tiffmessages.hpp"

namespace pixmend {

// Owns a TIFF handle together with the memory it reads from or writes to.
class TiffHandle {
 public:
  TiffHandle() = default;
  ~TiffHandle();
  TiffHandle(const TiffHandle&) = delete;
  TiffHandle& operator=(const TiffHandle&) = delete;

  TIFF* get() const { return tif_; }
  explicit operator bool() const { return tif_ != nullptr; }
  // Closes the handle (flushing a file being written); false when libtiff reported a failure.
  bool close();

  // The memory behind the handle (public for libtiff's callbacks).
  struct Memory {
    const std::uint8_t* data = nullptr;        // reading
    std::vector<std::uint8_t>* out = nullptr;  // writing
    std::uint64_t size = 0;
    std::uint64_t pos = 0;
    bool failed = false;
  };

 private:
  friend bool openTiffMemory(TiffHandle&, const std::uint8_t*, std::size_t, const char*, TiffMessages&);
  friend bool openTiffOutput(TiffHandle&, std::vector<std::uint8_t>&, const char*, TiffMessages&);
  TIFF* tif_ = nullptr;
  Memory memory_;
};

// Opens the TIFF held in `data` for reading (mapped: libtiff reads raw data in place). libtiff's
// single allocations are capped by what the file could plausibly need; its messages go to `messages`,
// which must outlive the handle.
bool openTiffMemory(TiffHandle& handle, const std::uint8_t* data, std::size_t size, const char* name,
                    TiffMessages& messages);
// Opens a new TIFF that is written into `out`.
bool openTiffOutput(TiffHandle& handle, std::vector<std::uint8_t>& out, const char* name,
                    TiffMessages& messages);

}  // namespace pixmend
