// Pictures of a view (see picture.hpp):
//   pictureLayers / pictureFrame   what is drawn, where, at which size
//   drawPictureRows                the drawing, a picture row at a time
//   writeViewPicture               the PNG file, written row by row into a temporary file
//
// Every picture pixel maps to a parallelogram of each attachment's pixels by one affine map
// (picture -> view -> design -> raster). The picture's colour there is the raster's ink and
// background weighted by their shares of that parallelogram, laid over what is below with the
// usual "over" rule on premultiplied colours.
//
// Shares of an unturned raster in an unturned view: the raster columns are split among the
// picture columns at the rounded column boundaries, and the rows the same way, so every raster
// pixel counts for exactly one picture pixel; ink is counted with population counts of 64-bit
// words walking each raster row once. When the picture is finer than the raster a picture
// pixel takes the raster pixel under its centre. Any other map samples each picture pixel at
// up to 8 x 8 points.
#include "host/raster/picture.hpp"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstring>

#include "host/files/files.hpp"
#include "host/image/image.hpp"
#include "host/output/journal.hpp"
#include "host/view/api.h"
#include "host/view/graphics.hpp"

namespace pixmend::host {
namespace {

constexpr int kMaxSamples = 8;  // per picture pixel and axis, for turned maps
constexpr int kBandRows = 16;   // picture rows drawn at a time when writing

// Picture pixel corner (i, j) -> raster position (u right, v down from the raster's top left).
struct Mapping {
  double u0 = 0, v0 = 0;
  double ui = 0, uj = 0;  // du per picture column, per picture row
  double vi = 0, vj = 0;
};

Mapping mappingOf(const PictureFrame& f, const PictureLayer& layer) {
  const double pw = (f.area.high.x - f.area.low.x) / f.width;
  const double ph = (f.area.high.y - f.area.low.y) / f.height;
  const RasterPlacement& p = layer.placement;
  const double height = layer.pixels->height;
  const double det = p.axisU.x * p.axisV.y - p.axisU.y * p.axisV.x;
  auto at = [&](double i, double j, double* u, double* v) {
    DPoint3d d{f.area.low.x + i * pw, f.area.high.y - j * ph, 0};
    mdlRMatrix_unrotatePoint(&d, &f.rotation);
    const double dx = d.x - p.origin.x, dy = d.y - p.origin.y;
    *u = (dx * p.axisV.y - dy * p.axisV.x) / det;
    *v = height - (p.axisU.x * dy - p.axisU.y * dx) / det;
  };
  Mapping m;
  double u10 = 0, v10 = 0, u01 = 0, v01 = 0;
  at(0, 0, &m.u0, &m.v0);
  at(1, 0, &u10, &v10);
  at(0, 1, &u01, &v01);
  m.ui = u10 - m.u0;
  m.vi = v10 - m.v0;
  m.uj = u01 - m.u0;
  m.vj = v01 - m.v0;
  return m;
}

// A picture column's (or row's) raster pixels: [lo, hi) clipped to the raster, and the length
// of the whole range before clipping (the share's denominator).
struct Span {
  int lo = 0, hi = 0;
  double length = 1;
};

Span spanOf(double start, double step, int k, int limit) {
  const double b0 = start + k * step;
  const double b1 = b0 + step;
  double lo = std::nearbyint(b0), hi = std::nearbyint(b1);
  if (hi <= lo) {  // finer than the raster: the pixel under the centre
    lo = std::floor((b0 + b1) / 2);
    hi = lo + 1;
  }
  Span s;
  s.length = hi - lo;
  const double clo = std::max(lo, 0.0), chi = std::min(hi, static_cast<double>(limit));
  if (chi > clo) {
    s.lo = static_cast<int>(clo);
    s.hi = static_cast<int>(chi);
  }
  return s;
}

// The 64 pixels of a row from pixel k * 64 on, leftmost in the top bit; none past the row's bytes.
std::uint64_t chunkOf(const std::uint8_t* row, std::size_t bytes, std::size_t k) {
  const std::size_t at = k * 8;
  if (at + 8 <= bytes) return loadWord(row + at);
  std::uint8_t tail[8] = {};
  if (at < bytes) std::memcpy(tail, row + at, bytes - at);
  return loadWord(tail);
}

// Ink pixels of one raster row left of a pixel position. Positions asked for should rise (a
// step back to an earlier word starts the row again), so each row is walked once.
class RowCounter {
 public:
  RowCounter(const std::uint8_t* row, std::size_t rowBytes)
      : row_(row), bytes_(rowBytes), current_(chunkOf(row, rowBytes, 0)) {}

  std::uint64_t before(int pixel) {
    const auto k = static_cast<std::size_t>(pixel) >> 6;
    if (k < word_) {
      word_ = 0;
      running_ = 0;
      current_ = chunkOf(row_, bytes_, 0);
    }
    while (word_ < k) {
      running_ += static_cast<unsigned>(__builtin_popcountll(current_));
      current_ = chunkOf(row_, bytes_, ++word_);
    }
    const int rest = pixel & 63;
    return rest == 0 ? running_
                     : running_ + static_cast<unsigned>(__builtin_popcountll(current_ >> (64 - rest)));
  }

 private:
  const std::uint8_t* row_;
  std::size_t bytes_;
  std::size_t word_ = 0;  // the word in current_; the words before it are counted in running_
  std::uint64_t current_;
  std::uint64_t running_ = 0;
};

inline bool inkAt(const ImageBuffer& image, int x, int y) {
  const std::uint8_t* row = image.data.get() + static_cast<std::size_t>(y) * rowBytes(image.width);
  return ((row[x >> 3] >> (7 - (x & 7))) & 1) != 0;
}

// Premultiplied colour of one picture row.
struct RowPaint {
  std::vector<double> r, g, b, a;
  explicit RowPaint(int width) : r(width, 0), g(width, 0), b(width, 0), a(width, 0) {}

  // Lays `inkShare` of ink and `backgroundShare` of background of `layer` over pixel i.
  void over(int i, const PictureLayer& layer, double inkShare, double backgroundShare) {
    const double bg = backgroundShare * layer.backgroundAlpha;
    const double alpha = inkShare + bg;
    if (alpha <= 0) return;
    const double keep = 1 - alpha;
    r[i] = inkShare * layer.ink[0] + bg + r[i] * keep;
    g[i] = inkShare * layer.ink[1] + bg + g[i] * keep;
    b[i] = inkShare * layer.ink[2] + bg + b[i] * keep;
    a[i] = alpha + a[i] * keep;
  }

  // Paints pixel i opaquely.
  void paint(int i, const double rgb[3]) {
    r[i] = rgb[0];
    g[i] = rgb[1];
    b[i] = rgb[2];
    a[i] = 1;
  }
};

// The exact shares of an unturned layer, one picture row.
void paintAligned(const PictureFrame& f, const PictureLayer& layer, const Mapping& m,
                  const std::vector<Span>& columns, int first, int last, int j, RowPaint& paint,
                  std::vector<std::uint64_t>& ones) {
  const ImageBuffer& image = *layer.pixels;
  const Span rows = spanOf(m.v0, m.vj, j, image.height);
  if (rows.hi <= rows.lo || first > last) return;
  std::fill(ones.begin() + first, ones.begin() + last + 1, 0);
  const std::size_t stride = rowBytes(image.width);
  for (int y = rows.lo; y < rows.hi; ++y) {
    const std::uint8_t* row = image.data.get() + static_cast<std::size_t>(y) * stride;
    RowCounter counter(row, stride);
    // Neighbouring columns share their boundary: the count at one column's end is the next one's start.
    int at = -1;
    std::uint64_t countAt = 0;
    for (int i = first; i <= last; ++i) {
      const Span& c = columns[static_cast<std::size_t>(i)];
      if (c.hi - c.lo == 1) {
        ones[static_cast<std::size_t>(i)] += (row[c.lo >> 3] >> (7 - (c.lo & 7))) & 1;
      } else if (c.hi > c.lo) {
        const std::uint64_t start = c.lo == at ? countAt : counter.before(c.lo);
        countAt = counter.before(c.hi);
        at = c.hi;
        ones[static_cast<std::size_t>(i)] += countAt - start;
      }
    }
  }
  (void)f;
  for (int i = first; i <= last; ++i) {
    const Span& c = columns[static_cast<std::size_t>(i)];
    if (c.hi <= c.lo) continue;
    const double inside = static_cast<double>(rows.hi - rows.lo) * (c.hi - c.lo);
    const double total = rows.length * c.length;
    const auto set = static_cast<double>(ones[static_cast<std::size_t>(i)]);
    const double ink = layer.inverted ? inside - set : set;
    paint.over(i, layer, ink / total, (inside - ink) / total);
  }
}

// Picture columns [*first, *last] of row j whose samples may fall on the raster: u must reach
// [0, w) and v [0, h) somewhere in the pixel, so each is solved for the column with a margin of
// what the samples of one pixel add.
bool sampledColumns(const Mapping& m, int j, int width, double w, double h, int* first, int* last) {
  double lo = 0, hi = width - 1.0;
  bool none = false;
  auto limit = [&](double start, double step, double cross, double size) {
    const double margin = std::fabs(step) + std::fabs(cross) + 1;
    if (step == 0) {
      if (start < -margin || start > size + margin) none = true;
      return;
    }
    double a = (-margin - start) / step, b = (size + margin - start) / step;
    if (a > b) std::swap(a, b);
    lo = std::max(lo, std::floor(a) - 1);
    hi = std::min(hi, std::ceil(b) + 1);
  };
  limit(m.u0 + j * m.uj, m.ui, m.uj, w);
  limit(m.v0 + j * m.vj, m.vi, m.vj, h);
  if (none || !(lo <= hi)) return false;
  *first = static_cast<int>(lo);
  *last = static_cast<int>(hi);
  return true;
}

// Sampled shares of any other layer, one picture row.
void paintSampled(const PictureFrame& f, const PictureLayer& layer, const Mapping& m, int j,
                  RowPaint& paint) {
  const ImageBuffer& image = *layer.pixels;
  const double across = std::hypot(m.ui, m.vi), down = std::hypot(m.uj, m.vj);
  // At least one sample per raster pixel (rounding noise of the map does not add a row of them).
  const int sx = std::clamp(static_cast<int>(std::ceil(across - 1e-6)), 1, kMaxSamples);
  const int sy = std::clamp(static_cast<int>(std::ceil(down - 1e-6)), 1, kMaxSamples);
  const double w = image.width, h = image.height;
  int first = 0, last = -1;
  if (!sampledColumns(m, j, f.width, w, h, &first, &last)) return;
  const double perSample = 1.0 / (sx * sy);
  for (int i = first; i <= last; ++i) {
    int inside = 0, set = 0;
    for (int b = 0; b < sy; ++b) {
      const double fj = j + (b + 0.5) / sy;
      for (int a = 0; a < sx; ++a) {
        const double fi = i + (a + 0.5) / sx;
        const double u = m.u0 + fi * m.ui + fj * m.uj;
        const double v = m.v0 + fi * m.vi + fj * m.vj;
        if (u >= 0 && u < w && v >= 0 && v < h) {
          ++inside;
          set += inkAt(image, static_cast<int>(u), static_cast<int>(v)) ? 1 : 0;
        }
      }
    }
    if (inside == 0) continue;
    const int ink = layer.inverted ? inside - set : set;
    paint.over(i, layer, ink * perSample, (inside - ink) * perSample);
  }
}

unsigned char toByte(double v) {
  return static_cast<unsigned char>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

// ---- PNG ------------------------------------------------------------------------------------------

void pngWrite(png_structp png, png_bytep data, png_size_t length) {
  static_cast<AtomicFile*>(png_get_io_ptr(png))->write(data, length);
}
void pngAppend(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}
void pngFlush(png_structp) {}

struct PngWriter {
  png_structp png = nullptr;
  png_infop info = nullptr;
  PngWriter() {
    png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png != nullptr) info = png_create_info_struct(png);
  }
  ~PngWriter() { png_destroy_write_struct(&png, &info); }
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;
};

// libpng reports its errors by a long jump back here; nothing in this function owns memory.
// `quick`: no row filters and the fastest compression, for pictures sent at once rather than kept
// (line art compresses well either way; the filters' trials cost most of the time).
bool encodePng(PngWriter& w, void* out, png_rw_ptr write, const PictureFrame& frame,
               const std::vector<PictureLayer>& layers, std::uint8_t* band, bool quick = false) {
  if (setjmp(png_jmpbuf(w.png))) return false;
  png_set_write_fn(w.png, out, write, pngFlush);
  png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(frame.width), static_cast<png_uint_32>(frame.height),
               8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(w.png, quick ? 1 : 3);
  if (quick) png_set_filter(w.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_write_info(w.png, w.info);
  const std::size_t stride = static_cast<std::size_t>(frame.width) * 4;
  for (int y = 0; y < frame.height; y += kBandRows) {
    const int rows = std::min(kBandRows, frame.height - y);
    drawPictureRows(frame, layers, y, rows, band);
    for (int r = 0; r < rows; ++r) png_write_row(w.png, band + static_cast<std::size_t>(r) * stride);
  }
  png_write_end(w.png, w.info);
  return true;
}

}  // namespace

std::vector<PictureLayer> pictureLayers() {
  std::vector<DgnRaster*> rasters = rasterAttachments();
  std::stable_sort(rasters.begin(), rasters.end(), [](const DgnRaster* a, const DgnRaster* b) {
    return a->rendering.displayPriority < b->rendering.displayPriority;
  });
  std::vector<PictureLayer> layers;
  for (DgnRaster* r : rasters) {
    PictureLayer layer;
    layer.pixels = rasterPixels(*r);
    if (!layer.pixels) continue;
    layer.placement = placementOf(*r, layer.pixels->width, layer.pixels->height);
    layer.ink[0] = r->rendering.color.red / 255.0;
    layer.ink[1] = r->rendering.color.green / 255.0;
    layer.ink[2] = r->rendering.color.blue / 255.0;
    layer.inverted = r->rendering.invertedDisplay != 0;
    layer.backgroundAlpha =
        r->rendering.transparentBackground != 0 ? (255 - r->rendering.backgroundTransparency) / 255.0 : 1.0;
    layers.push_back(std::move(layer));
  }
  return layers;
}

bool layerDrawable(const PictureLayer& layer) {
  // Drawing divides by the placement's determinant, and the raster's corners must be numbers.
  const RasterPlacement& p = layer.placement;
  const double w = layer.pixels->width, h = layer.pixels->height;
  const double det = p.axisU.x * p.axisV.y - p.axisU.y * p.axisV.x;
  const double reachX = w * std::fabs(p.axisU.x) + h * std::fabs(p.axisV.x);
  const double reachY = w * std::fabs(p.axisU.y) + h * std::fabs(p.axisV.y);
  return std::isfinite(det) && det != 0 && std::isfinite(1 / det) && std::isfinite(p.origin.x + reachX) &&
         std::isfinite(p.origin.y + reachY);
}

bool pictureFrame(int view, int longSide, const std::vector<PictureLayer>& layers, PictureFrame* frame,
                  std::string* why) {
  PictureFrame f;
  f.view = view;
  if (mdlRMatrix_fromView(&f.rotation, view, 0) != SUCCESS) {
    *why = "there is no view " + std::to_string(view);
    return false;
  }
  if (longSide < 0 || longSide > kMaxPictureSide) {
    *why = "a picture's side is at most " + std::to_string(kMaxPictureSide) + " pixels";
    return false;
  }
  double finest = HUGE_VAL;  // the smallest raster pixel, design units
  bool any = false;
  int undrawable = 0;
  DPoint2d low{HUGE_VAL, HUGE_VAL}, high{-HUGE_VAL, -HUGE_VAL};
  for (const auto& layer : layers) {
    const RasterPlacement& p = layer.placement;
    const double w = layer.pixels->width, h = layer.pixels->height;
    if (!layerDrawable(layer)) {
      ++undrawable;
      continue;
    }
    finest = std::min({finest, std::hypot(p.axisU.x, p.axisU.y), std::hypot(p.axisV.x, p.axisV.y)});
    for (const auto& [a, b] : {std::pair{0.0, 0.0}, {w, 0.0}, {0.0, h}, {w, h}}) {
      DPoint3d corner{p.origin.x + a * p.axisU.x + b * p.axisV.x, p.origin.y + a * p.axisU.y + b * p.axisV.y,
                      0};
      mdlRMatrix_rotatePoint(&corner, &f.rotation);
      low = {std::min(low.x, corner.x), std::min(low.y, corner.y)};
      high = {std::max(high.x, corner.x), std::max(high.y, corner.y)};
      any = true;
    }
  }
  if (const auto set = viewArea(view)) {
    f.area = *set;
  } else if (any && high.x > low.x && high.y > low.y && std::isfinite(high.x - low.x) &&
             std::isfinite(high.y - low.y)) {
    f.area = ViewArea{low, high};
  } else if (undrawable > 0) {
    *why = "view " + std::to_string(view) +
           " shows nothing that can be drawn: its raster's extent is too large or too small for its pixels "
           "to be worked out";
    return false;
  } else {
    *why = "view " + std::to_string(view) + " shows nothing: no raster is attached and no area is set";
    return false;
  }
  const double areaW = f.area.high.x - f.area.low.x, areaH = f.area.high.y - f.area.low.y;
  const double longest = std::max(areaW, areaH);
  if (!std::isfinite(longest) || !(areaW > 0) || !(areaH > 0)) {
    *why = "the area view " + std::to_string(view) + " shows is too large to draw";
    return false;
  }
  double side = longSide;
  if (side == 0) {
    side = kDefaultPictureSide;
    if (finest > 0 && std::isfinite(finest)) side = std::min(side, std::ceil(longest / finest - 1e-9));
    side = std::max(side, 1.0);
  }
  // The ratio first: side * areaW could overflow where areaW / longest cannot.
  f.width = static_cast<int>(std::clamp(std::round(side * (areaW / longest)), 1.0, side));
  f.height = static_cast<int>(std::clamp(std::round(side * (areaH / longest)), 1.0, side));
  *frame = f;
  return true;
}

void drawPictureRows(const PictureFrame& frame, const std::vector<PictureLayer>& layers, int first, int rows,
                     std::uint8_t* rgba) {
  const int width = frame.width;
  struct Plan {
    Mapping map;
    bool aligned = false;
    std::vector<Span> columns;
    int first = 0, last = -1;  // picture columns that reach the raster
  };
  std::vector<Plan> plans;
  for (const auto& layer : layers) {
    Plan plan;
    if (!layerDrawable(layer)) {
      plans.push_back(std::move(plan));
      continue;
    }
    plan.map = mappingOf(frame, layer);
    const Mapping& m = plan.map;
    plan.aligned = m.uj == 0 && m.vi == 0 && m.ui > 0 && m.vj > 0;
    if (plan.aligned) {
      plan.columns.resize(static_cast<std::size_t>(width));
      plan.first = width;
      for (int i = 0; i < width; ++i) {
        plan.columns[static_cast<std::size_t>(i)] = spanOf(m.u0, m.ui, i, layer.pixels->width);
        if (plan.columns[static_cast<std::size_t>(i)].hi > plan.columns[static_cast<std::size_t>(i)].lo) {
          plan.first = std::min(plan.first, i);
          plan.last = i;
        }
      }
    }
    plans.push_back(std::move(plan));
  }
  std::vector<std::uint64_t> ones(static_cast<std::size_t>(width));
  const GraphicsPainter graphics(frame.view, frame.rotation, frame.area, frame.width, frame.height);
  std::vector<PaintSpan> spans;
  for (int r = 0; r < rows; ++r) {
    const int j = first + r;
    RowPaint paint(width);
    for (std::size_t k = 0; k < layers.size(); ++k) {
      const Plan& plan = plans[k];
      if (!layerDrawable(layers[k])) continue;
      if (plan.aligned) {
        paintAligned(frame, layers[k], plan.map, plan.columns, plan.first, plan.last, j, paint, ones);
      } else {
        paintSampled(frame, layers[k], plan.map, j, paint);
      }
    }
    if (!graphics.empty()) {
      graphics.row(j, spans);
      for (const PaintSpan& span : spans) {
        for (int i = span.first; i <= span.last; ++i) paint.paint(i, span.rgb);
      }
    }
    std::uint8_t* out = rgba + static_cast<std::size_t>(r) * width * 4;
    for (int i = 0; i < width; ++i) {
      const double a = paint.a[static_cast<std::size_t>(i)];
      if (a <= 0) {
        std::memset(out + i * 4, 0, 4);
        continue;
      }
      out[i * 4 + 0] = toByte(paint.r[static_cast<std::size_t>(i)] / a);
      out[i * 4 + 1] = toByte(paint.g[static_cast<std::size_t>(i)] / a);
      out[i * 4 + 2] = toByte(paint.b[static_cast<std::size_t>(i)] / a);
      out[i * 4 + 3] = toByte(a);
    }
  }
}

bool writeViewPicture(int view, const std::string& path, int longSide, PictureFrame* frameOut,
                      std::string* why) {
  const std::vector<PictureLayer> layers = pictureLayers();
  PictureFrame frame;
  if (!pictureFrame(view, longSide, layers, &frame, why)) return false;
  AtomicFile file(path);
  if (!file.ok()) {
    *why = "cannot write " + path + ": " + file.error();
    return false;
  }
  PngWriter writer;
  if (writer.png == nullptr || writer.info == nullptr) {
    *why = "cannot write " + path + ": out of memory";
    return false;
  }
  std::vector<std::uint8_t> band(static_cast<std::size_t>(frame.width) * 4 * kBandRows);
  if (!encodePng(writer, &file, pngWrite, frame, layers, band.data()) || !file.ok() || !file.commit()) {
    *why = "cannot write " + path + (file.error().empty() ? std::string() : ": " + file.error());
    return false;
  }
  if (frameOut != nullptr) *frameOut = frame;
  return true;
}

bool encodeViewPicture(const PictureFrame& frame, const std::vector<PictureLayer>& layers, std::string* png,
                       std::string* why) {
  png->clear();
  PngWriter writer;
  if (writer.png == nullptr || writer.info == nullptr) {
    *why = "out of memory";
    return false;
  }
  std::vector<std::uint8_t> band(static_cast<std::size_t>(frame.width) * 4 * kBandRows);
  if (!encodePng(writer, png, pngAppend, frame, layers, band.data(), true)) {
    *why = "the picture could not be encoded";
    png->clear();
    return false;
  }
  return true;
}

}  // namespace pixmend::host
