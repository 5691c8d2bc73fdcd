// Moving pixels between bitmaps: sub-image extraction (row copies with word shifts, clipped to
// the source) and warping (each output pixel takes the source pixel under its centre).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/image/kernels.hpp"

namespace pixmend::host {

void extractRect(const ConstBitmapView& in, int left, int top, const BitmapView& out) {
  const long long x0 = std::max<long long>(left, 0);
  const long long x1 = std::min<long long>(static_cast<long long>(left) + out.width, in.width);
  for (int j = 0; j < out.height; ++j) {
    std::uint8_t* row = out.row(j);
    std::memset(row, 0, rowBytes(out.width));
    const long long sy = static_cast<long long>(top) + j;
    if (sy < 0 || sy >= in.height || x1 <= x0) continue;
    copyBits(row, static_cast<std::size_t>(x0 - left), in.row(static_cast<int>(sy)),
             static_cast<std::size_t>(x0), static_cast<std::size_t>(x1 - x0));
  }
}

int warpImage(const ConstBitmapView& in, const Transform& t, const BitmapView& out, ImageStopFunc stop) {
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 4; ++c)
      if (!std::isfinite(t.form3d[r][c])) return MDLERR_INVALIDIMAGE;
  const double a = t.form3d[0][0], b = t.form3d[0][1], c = t.form3d[0][2] + t.form3d[0][3];
  const double d = t.form3d[1][0], e = t.form3d[1][1], f = t.form3d[1][2] + t.form3d[1][3];
  const double W = in.width, H = in.height;
  for (int j = 0; j < out.height; ++j) {
    std::uint8_t* row = out.row(j);
    const double Y = out.height - j - 0.5;  // output centre, y up from the lower edge
    for (int i = 0; i < out.width; ++i) {
      const double X = i + 0.5;
      const double u = a * X + b * Y + c;
      const double v = d * X + e * Y + f;
      if (!(u >= 0 && u < W && v >= 0 && v < H)) continue;
      const int col = static_cast<int>(u);
      const int rowUp = static_cast<int>(v);  // counted from the lower edge
      if (in.get(col, in.height - 1 - rowUp)) row[i >> 3] |= pixelMask(i);
    }
    if ((j & 255) == 255 && stop != nullptr && stop() != 0) return MDLERR_IMAGESTOPPED;
  }
  return 0;
}

}  // namespace pixmend::host
