// The process-wide area selection: the bitmap of marked pixels (flood fill and cut-line ink),
// the snapshot the fill reads connectivity from, and the selection box.
//
// Created by VXDllInitFloodFill, filled by VXDllInitFloodFill2 / VXDllFloodFill (floodfill.cpp),
// read and applied by the extraction operations (selection.cpp), released by VXDllFreeDelBuffer.
// There is one selection at a time; everything runs on the host's user-interface thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include <sys/mman.h>

#include "bitmap/bitmap.hpp"

namespace pixmend {

// Frees a selection buffer with the function that allocated it. The creator takes small buffers
// from calloc / malloc and large ones straight from the kernel (mmap), so that a zeroed mark
// bitmap costs nothing until the fill touches it; buffers made with new[] (std::make_unique)
// convert and are released with delete[].
struct SelectionBufferDeleter {
  bool fromNew = false;
  std::size_t mapped = 0;  // length of the mapping for buffers from mmap, else 0
  SelectionBufferDeleter() = default;
  explicit SelectionBufferDeleter(std::size_t mappedBytes) : mapped(mappedBytes) {}
  SelectionBufferDeleter(std::default_delete<std::uint8_t[]>) : fromNew(true) {}  // NOLINT
  void operator()(std::uint8_t* p) const {
    if (fromNew) {
      delete[] p;
    } else if (mapped != 0) {
      munmap(p, mapped);
    } else {
      std::free(p);
    }
  }
};
using SelectionBuffer = std::unique_ptr<std::uint8_t[], SelectionBufferDeleter>;

struct SelectionState {
  int width = 0;   // W of the bitmap the selection was made on
  int height = 0;  // H of that bitmap
  // Both buffers hold `size` bytes in the layout of bitmap.hpp: what the creator was given,
  // capped at H * ceil(W / 8). When it is smaller than that, only the whole rows it holds are used.
  SelectionBuffer mark;  // 1 = selected by a fill or ink under a cut line
  SelectionBuffer work;  // snapshot of the raster taken at creation
  std::size_t size = 0;

  // The selection box. maxX / maxY are inclusive as the fill leaves them; the extraction
  // operations treat them as exclusive after VXDllGetCopyBufferSize has widened them by 2.
  // The box survives release and is replaced by the next fill.
  int minX = 0;
  int minY = 0;
  int maxX = 0;
  int maxY = 0;

  bool live() const { return mark != nullptr && work != nullptr; }

  // Rows that lie wholly inside `size` bytes: the part of the W x H bitmap that exists.
  int usableHeight() const {
    const std::size_t stride = rowBytes(width);
    if (!live() || stride == 0 || height <= 0) return 0;
    const std::size_t rows = size / stride;
    return rows < static_cast<std::size_t>(height) ? static_cast<int>(rows) : height;
  }
  BitmapView markView() const { return {mark.get(), width, usableHeight()}; }

  // Frees both buffers and resets the pointers; the box is kept.
  void release() {
    mark.reset();
    work.reset();
    size = 0;
  }
};

// The one selection state of the process.
SelectionState& selectionState();

}  // namespace pixmend
