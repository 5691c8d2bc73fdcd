// Moving pixels between 1-bit bitmaps: opaque and transparent paste, erasing through a mask, the
// rectangle copy they are all made of, and the bounding box of a bitmap's ink.
//
// Every function clips against both bitmaps (their full sizes are known here), never reads or
// writes a padding bit as a pixel, never changes a destination bit outside the pasted pixels
// (padding bits included), and allocates nothing. They work a 64-bit word at a time along the
// rows, so their cost is that of moving the bytes, not of visiting the pixels.
//
// The exported VXDllPaste... functions (paste.cpp) and the selection operations (selection.cpp)
// are thin shims over these.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bitmap/bitmap.hpp"

namespace pixmend {

// How a source pixel s combines with the destination pixel d.
enum class RasterOp {
  Copy,    // d = s           (opaque paste)
  Or,      // d = d | s       (transparent paste: ink is added)
  AndNot,  // d = d & ~s      (erase where the source has ink)
};

// Combines the w x h rectangle of src whose top-left pixel is (sx, sy) into dest with that
// pixel landing on (dx, dy). The rectangle is clipped to both bitmaps; pixels that fall outside
// either are skipped. Non-positive w or h, or an empty view, do nothing.
void blit(BitmapView dest, int dx, int dy, ConstBitmapView src, int sx, int sy, int w, int h, RasterOp op);

// Pixel (i, j) of src replaces pixel (x + i, y + j) of dest, clipped to dest.
inline void pasteOpaque(BitmapView dest, ConstBitmapView src, int x, int y) {
  blit(dest, x, y, src, 0, 0, src.width, src.height, RasterOp::Copy);
}

// Ink of src is set in dest at (x + i, y + j); background of src leaves dest as it is.
inline void pasteTransparent(BitmapView dest, ConstBitmapView src, int x, int y) {
  blit(dest, x, y, src, 0, 0, src.width, src.height, RasterOp::Or);
}

// The smallest rectangle holding every ink pixel, bounds inclusive. `empty` when there is none
// (the bounds are then meaningless).
struct InkBox {
  bool empty = true;
  int minX = 0, minY = 0, maxX = 0, maxY = 0;
};
InkBox inkBox(ConstBitmapView src);

// The row primitive under blit: combines n bits of src, starting at bit srcBit of the byte
// at src, into dest from bit destBit of the byte at dest (bits counted from the most significant
// bit of that byte on). Reads only the source bytes that hold those bits and writes only the
// destination bytes that do, changing no other bit in them.
void combineBits(std::uint8_t* dest, std::size_t destBit, const std::uint8_t* src, std::size_t srcBit,
                 std::size_t n, RasterOp op);

// The instruction sets the row primitive can work with: 64-bit words anywhere, 16-byte blocks
// with SSE2 and 32-byte blocks with AVX2 on x86. combineBits and blit use the best one the
// processor has; tests run each level there is against the pixel loops.
enum class KernelLevel { Words, Sse2, Avx2 };
bool kernelLevelAvailable(KernelLevel level);  // can this build and processor run it?
void combineBitsAt(KernelLevel level, std::uint8_t* dest, std::size_t destBit, const std::uint8_t* src,
                   std::size_t srcBit, std::size_t n, RasterOp op);

}  // namespace pixmend
