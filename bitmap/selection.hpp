// The process-wide area selection: the bitmap of marked pixels (flood fill and cut-line ink),
// the snapshot the fill reads connectivity from, and the selection box.
//
// Created by VXDllInitFloodFill, filled by VXDllInitFloodFill2 / VXDllFloodFill (floodfill.cpp),
// read and applied by the extraction operations (selection.cpp), released by VXDllFreeDelBuffer.
// There is one selection at a time; everything runs on the host's user-interface thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "bitmap/bitmap.hpp"

namespace pixmend {

struct SelectionState {
  int width = 0;   // W of the bitmap the selection was made on
  int height = 0;  // H of that bitmap
  // Both buffers hold `size` bytes in the layout of bitmap.hpp. `size` is what the creator was
  // given; when it is smaller than H * ceil(W / 8), only the whole rows it holds are used.
  std::unique_ptr<std::uint8_t[]> mark;  // 1 = selected by a fill or ink under a cut line
  std::unique_ptr<std::uint8_t[]> work;  // snapshot of the raster taken at creation
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
  ConstBitmapView workView() const { return {work.get(), width, usableHeight()}; }

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
