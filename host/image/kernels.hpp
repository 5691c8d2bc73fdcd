// The image library's bitmap kernels, written once against bitmap views and shared by the C
// calls, the tests and the benchmarks.
//
// Contents: rotateImage (quarter turns by 8 x 8 bit-block transposition), mirrorRows /
// mirrorColumns (in place: row swaps, byte-reversal table and word shifts), extractRect
// (word-shifted row copies), fillPolygon (even-odd spans over pixel centres), warpImage
// (nearest source pixel under each output pixel's centre).
#pragma once

#include "host/image/image.hpp"
#include "host/types.h"

namespace pixmend::host {

// Turns `in` counter-clockwise as displayed by quarterTurns x 90 degrees (0..3) into a new
// bitmap in `out`. 0, MDLERR_INSFMEMORY, MDLERR_IMAGESTOPPED.
int rotateImage(const ConstBitmapView& in, int quarterTurns, ImageBuffer& out, ImageStopFunc stop);

// Exchanges top and bottom in place. Padding bits stay in their rows' places.
// 0 or MDLERR_INSFMEMORY.
int mirrorRows(const BitmapView& image);
// Exchanges left and right in place; padding bits are untouched. 0 or MDLERR_INSFMEMORY.
int mirrorColumns(const BitmapView& image);

// Copies the out.width x out.height rectangle whose top-left pixel is (left, top) of `in` into
// `out`; pixels outside `in` and the padding bits of `out` become 0.
void extractRect(const ConstBitmapView& in, int left, int top, const BitmapView& out);

// Sets the pixels whose centres lie inside (or, with `outside`, outside) the polygon to `ink`.
// 0, MDLERR_INSFMEMORY, MDLERR_INVALIDIMAGE (non-finite vertices).
int fillPolygon(const BitmapView& image, const DPoint2d* points, int count, bool outside, bool ink);

// Resamples `in` into `out` (already sized and cleared) with the mapping of mdlImage_warp.
// 0, MDLERR_INVALIDIMAGE (non-finite transform), MDLERR_IMAGESTOPPED.
int warpImage(const ConstBitmapView& in, const Transform& transform, const BitmapView& out,
              ImageStopFunc stop);

}  // namespace pixmend::host
