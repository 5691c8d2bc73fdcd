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
  // The mark bitmap and the raster as it stood at creation both hold `size` bytes in the layout
  // of bitmap.hpp: what the creator was given, capped at H * ceil(W / 8). When it is smaller than
  // that, only the whole rows it holds are used.
  SelectionBuffer mark;  // 1 = selected by a fill or ink under a cut line
  // The raster as it stood at creation: the creator's own bitmap (`source`, borrowed) until it is
  // about to change, then a snapshot taken at that moment (`work`). See rasterChanging.
  const std::uint8_t* source = nullptr;
  SelectionBuffer work;
  // The snapshot could not be had when the source changed: fills and cut lines do nothing more
  // (what they would read is gone); what is marked stays selected.
  bool sourceLost = false;
  std::size_t size = 0;
  std::size_t markCapacity = 0;  // bytes the mark buffer was made for (at least `size`)

  // The part of the mark bitmap that marks may have been set in since it was last clear: rows
  // [dirtyTop, dirtyBottom), bytes [dirtyLeft, dirtyRight) of each. Empty when top >= bottom.
  int dirtyTop = 0, dirtyBottom = 0;
  std::size_t dirtyLeft = 0, dirtyRight = 0;
  void dirty(int x0, int y0, int x1, int y1) {  // pixels [x0, x1] x [y0, y1]
    const std::size_t left = static_cast<std::size_t>(x0) >> 3,
                      right = (static_cast<std::size_t>(x1) >> 3) + 1;
    if (dirtyTop >= dirtyBottom) {
      dirtyTop = y0, dirtyBottom = y1 + 1, dirtyLeft = left, dirtyRight = right;
      return;
    }
    dirtyTop = y0 < dirtyTop ? y0 : dirtyTop;
    dirtyBottom = y1 + 1 > dirtyBottom ? y1 + 1 : dirtyBottom;
    dirtyLeft = left < dirtyLeft ? left : dirtyLeft;
    dirtyRight = right > dirtyRight ? right : dirtyRight;
  }

  // The selection box. maxX / maxY are inclusive as the fill leaves them; the extraction
  // operations treat them as exclusive after VXDllGetCopyBufferSize has widened them by 2.
  // The box survives release and is replaced by the next fill.
  int minX = 0;
  int minY = 0;
  int maxX = 0;
  int maxY = 0;

  const std::uint8_t* workData() const { return work != nullptr ? work.get() : source; }
  bool live() const { return mark != nullptr && (work != nullptr || source != nullptr || sourceLost); }
  // Fills and cut lines may read the raster as it stood at creation.
  bool readable() const { return mark != nullptr && workData() != nullptr; }

  // Rows that lie wholly inside `size` bytes: the part of the W x H bitmap that exists.
  int usableHeight() const {
    const std::size_t stride = rowBytes(width);
    if (!live() || stride == 0 || height <= 0) return 0;
    const std::size_t rows = size / stride;
    return rows < static_cast<std::size_t>(height) ? static_cast<int>(rows) : height;
  }
  BitmapView markView() const { return {mark.get(), width, usableHeight()}; }
  ConstBitmapView workView() const { return {workData(), width, usableHeight()}; }

  // Lets go of the buffers and resets the pointers; the box is kept. The mark bitmap is cleared
  // where it was marked and kept for the next selection (floodfill.cpp).
  void release();
};

// The raster bytes [block, block + bytes) are about to change or be freed (bytes 0: the block
// that starts at `block`, whatever its length). Whoever still reads a caller's bitmap there in
// place of a copy takes its copy first: the live selection (so that its fills keep reading the
// raster as it stood at creation) and the observers below (the pending warp's source). Every
// VXDll operation that writes into a caller's bitmap calls it, and so does VXRaster before it
// changes or frees its raster (the undo step, the release).
void rasterChanging(const void* block, std::size_t bytes);
// The selection part alone, on `state` (tests name a state of their own).
void rasterChanging(const void* block, std::size_t bytes, SelectionState& state);

// Another reader of borrowed rasters, told of every change rasterChanging hears of. At most a
// handful are kept; adding one twice keeps one.
using RasterChangeObserver = void (*)(const void* block, std::size_t bytes);
void addRasterChangeObserver(RasterChangeObserver observer);

// The one selection state of the process.
SelectionState& selectionState();

}  // namespace pixmend
