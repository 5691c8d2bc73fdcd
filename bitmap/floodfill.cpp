// Flood-fill area selection with cut lines.
//
//   initFloodFill   -- selection state: a mark bitmap that arrives zeroed + snapshot of the raster
//   burnCutLine     -- column and row pass of a cut line; ink under it becomes a barrier
//   floodFill       -- span fill of the seed's 4-connected ink through unmarked pixels
//   VXDllInitFloodFill, VXDllInitFloodFill2, VXDllFloodFill -- the C exports
//
// How the fill works. A pixel is free when it is ink in the work copy and not yet marked. The
// selected set is the seed plus every free pixel 4-connected to it through free pixels, so it
// does not depend on the order of the walk, and we are free to walk it by row runs instead of by
// pixels. A run (span) is a maximal stretch of free pixels in one row; it is marked as a whole
// the moment it is found and pushed on an explicit stack. Popping a span scans the row beyond it
// (away from where it was found, over its whole extent) and the row it came from (only over the
// columns its parent span did not cover: those pixels are already marked). Every free pixel of
// the component is found exactly once, so the work is proportional to the component's rows and
// words, and the call stack never grows with the image.
//
// Rows are scanned 64 columns at a time: a word is assembled from eight bytes in big-endian order
// so that bit 63 is the leftmost column, free = work & ~mark & columns-inside-the-bitmap, and
// count-leading/trailing-zeros find where runs start and end. A run inside one word is marked
// with one masked OR; a longer one sets its partial end bytes and fills the whole bytes between.
// The word under a scan is kept while the scan stays in it, and the common case -- one word,
// nothing free there -- is settled inline without entering the run-collecting loop.
#include "bitmap/floodfill.hpp"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <sys/mman.h>

#include "pixmend/vxdll.h"

namespace pixmend {
namespace {

std::size_t gAllocationLimit = 0;

constexpr std::uint64_t kAll = ~std::uint64_t{0};

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kMapFrom = std::size_t{4} << 20;

// The mark bitmap of the last selection, cleared where it was marked, kept for the next one: a
// click on a small thing then costs what it marks, not a fresh bitmap of the whole sheet.
struct KeptMarks {
  SelectionBuffer buffer;
  std::size_t capacity = 0;
};
KeptMarks gKeptMarks;

// A zero-filled buffer of `bytes` bytes for the mark bitmap, or null when memory cannot be had.
// From some megabytes on it comes straight from the kernel, aligned to 2 MB and asking for 2 MB
// pages: fresh anonymous memory is zero already, so nothing is written until the fill marks a
// pixel, and the first touch of a large page costs about a third of touching its 512 small ones.
// Smaller bitmaps come from calloc.
SelectionBuffer allocateMarks(std::size_t bytes) {
  if (bytes < kMapFrom) return SelectionBuffer(static_cast<std::uint8_t*>(std::calloc(bytes, 1)));
  const std::size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return SelectionBuffer();
  const auto base = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (base + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > base) munmap(raw, aligned - base);
  munmap(reinterpret_cast<void*>(aligned + length), base + kHugePage - aligned);
  madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);  // a hint; small pages otherwise
  return SelectionBuffer(reinterpret_cast<std::uint8_t*>(aligned), SelectionBufferDeleter(length));
}

// The eight bytes at base[offset...] as a big-endian word: bit 63 is the first byte's most
// significant bit, which is the leftmost pixel. Bytes at or beyond `bytes` read as 0.
inline std::uint64_t loadWord(const std::uint8_t* base, std::size_t offset, std::size_t bytes) {
  std::uint64_t v = 0;
  if (offset + 8 <= bytes) return pixmend::loadWord(base + offset);
  for (std::size_t i = 0; i < 8; ++i) {
    v <<= 8;
    if (offset + i < bytes) v |= base[offset + i];
  }
  return v;
}

// ORs `bits` (big-endian, as loadWord reads them) into the eight bytes at base[offset...]; bytes
// at or beyond `bytes` are left alone (the caller's bits there are 0).
inline void orWord(std::uint8_t* base, std::size_t offset, std::size_t bytes, std::uint64_t bits) {
  if (offset + 8 <= bytes) {
    pixmend::storeWord(base + offset, pixmend::loadWord(base + offset) | bits);
    return;
  }
  for (std::size_t i = 0; i < 8 && offset + i < bytes; ++i) {
    base[offset + i] = static_cast<std::uint8_t>(base[offset + i] | (bits >> (56 - 8 * i)));
  }
}

struct Span {
  int y;
  int l, r;    // inclusive columns of the run
  int pl, pr;  // columns of the span it was found from (pl > pr: none)
  int dir;     // +1 found from the row above, -1 from the row below, 0 the seed's run
};

// The span stack outlives a fill so that small fills (a glyph, a symbol) allocate nothing; what a
// large fill grew beyond kKeptSpans is given back when it ends.
constexpr std::size_t kKeptSpans = 4096;

// How many rows ahead of a run just found the fill asks the processor to fetch (prefetchAhead).
constexpr int kPrefetchRows = 8;
thread_local std::vector<Span> tSpanStack;

class SpanFill {
 public:
  // `s` is live and at least one pixel wide and one row high.
  explicit SpanFill(SelectionState& s)
      : stack_(tSpanStack),
        spans_(tSpanStack.data()),
        capacity_(tSpanStack.size()),
        state_(s),
        work_(s.workData()),
        mark_(s.mark.get()),
        bytes_(s.size),
        stride_(rowBytes(s.width)),
        width_(s.width),
        height_(s.usableHeight()),
        lastWord_((s.width - 1) >> 6) {
    const int tail = width_ - (lastWord_ << 6);  // 1 .. 64 columns in the last word
    tailMask_ = tail == 64 ? kAll : ~(kAll >> tail);
  }

  ~SpanFill() {
    if (!started_) return;
    state_.minX = minX_;
    state_.maxX = maxX_;
    state_.minY = minY_;
    state_.maxY = maxY_;
    state_.dirty(minX_, minY_, maxX_, maxY_);  // every pixel this fill marked is in its box
  }
  SpanFill(const SpanFill&) = delete;
  SpanFill& operator=(const SpanFill&) = delete;

  void run(int x, int y) {
    const std::size_t row = static_cast<std::size_t>(y) * stride_;
    // The seed belongs to the selection whatever it holds; the run around it is the free pixels
    // touching it on either side.
    const int l = runStart(row, x);
    const int r = runEnd(row, x);
    minX_ = l;
    maxX_ = r;
    minY_ = maxY_ = y;
    started_ = true;
    markRun(row, l, r);
    push(Span{y, l, r, 1, 0, 0});
    for (;;) {
      Span s;
      if (hasTop_) {
        s = top_;
        hasTop_ = false;
      } else if (depth_ != 0) {
        s = spans_[--depth_];
      } else {
        break;
      }
      if (s.dir >= 0) scanRow(s.y + 1, s.l, s.r, s, +1);
      if (s.dir <= 0) scanRow(s.y - 1, s.l, s.r, s, -1);
      if (s.dir != 0) {
        // Toward the parent only the columns it did not cover can hold free pixels.
        const int back = s.y - s.dir;
        if (s.l < s.pl) scanRow(back, s.l, s.pl - 1, s, -s.dir);
        if (s.r > s.pr) scanRow(back, s.pr + 1, s.r, s, -s.dir);
      }
    }
  }

 private:
  void push(const Span& s) {
    if (hasTop_) {
      if (depth_ == capacity_) grow();
      spans_[depth_++] = top_;
    }
    top_ = s;
    hasTop_ = true;
  }
  __attribute__((noinline)) void grow() {
    const std::size_t size = stack_.size() < 64 ? 64 : 2 * stack_.size();
    if (gAllocationLimit != 0 && size * sizeof(Span) > gAllocationLimit) throw std::bad_alloc();
    stack_.resize(size);
    spans_ = stack_.data();
    capacity_ = stack_.size();
  }

  // Free pixels of word k (columns 64k .. 64k + 63) of the row starting at byte `row`.
  std::uint64_t freeWord(std::size_t row, int k) const {
    const std::size_t offset = row + (static_cast<std::size_t>(k) << 3);
    std::uint64_t f = loadWord(work_, offset, bytes_) & ~loadWord(mark_, offset, bytes_);
    return k == lastWord_ ? f & tailMask_ : f;
  }

  // Last column of the run of free pixels that follows column c (c itself when c + 1 is not free).
  int runEnd(std::size_t row, int c) const {
    int k = c >> 6;
    std::uint64_t stop = ~freeWord(row, k) & ((kAll >> (c & 63)) >> 1);
    while (stop == 0) {
      if (++k > lastWord_) return width_ - 1;
      stop = ~freeWord(row, k);
    }
    return (k << 6) + __builtin_clzll(stop) - 1;
  }

  // First column of the run of free pixels that precedes column c (c itself when c - 1 is not free).
  int runStart(std::size_t row, int c) const {
    int k = c >> 6;
    std::uint64_t stop = ~freeWord(row, k) & ~(kAll >> (c & 63));
    while (stop == 0) {
      if (--k < 0) return 0;
      stop = ~freeWord(row, k);
    }
    return (k << 6) + 64 - __builtin_ctzll(stop);
  }

  void markRun(std::size_t row, int l, int r) {
    if (l >> 6 == r >> 6) {
      orWord(mark_, row + (static_cast<std::size_t>(l >> 6) << 3), bytes_,
             (kAll >> (l & 63)) & (kAll << (63 - (r & 63))));
      return;
    }
    std::uint8_t* p = mark_ + row;
    const int bl = l >> 3;
    const int br = r >> 3;
    const auto ml = static_cast<std::uint8_t>(0xFFu >> (l & 7));
    const auto mr = static_cast<std::uint8_t>(0xFFu << (7 - (r & 7)));
    if (bl == br) {
      p[bl] |= ml & mr;
    } else {
      p[bl] |= ml;
      std::memset(p + bl + 1, 0xFF, static_cast<std::size_t>(br - bl - 1));
      p[br] |= mr;
    }
  }

  // A walk down (or up) a line meets a new row of both bitmaps at every run, a row's length
  // (some kilobytes on a sheet) after the last: a cache miss in each that the processor cannot
  // foresee, and most of the fill's time on the long lines of a scanned sheet. The depth-first
  // walk nearly always goes on in the same direction under the same columns, so the bytes a few
  // rows ahead of a run just found are fetched while the rows between are searched.
  // Inlined always: a call of it would count as a call without effect and be dropped.
  __attribute__((always_inline)) void prefetchAhead(int y, int column) const {
    if (static_cast<unsigned>(y) >= static_cast<unsigned>(height_)) return;
    const std::size_t at = static_cast<std::size_t>(y) * stride_ + (static_cast<std::size_t>(column) >> 3);
    __builtin_prefetch(work_ + at);
    __builtin_prefetch(mark_ + at, 1);
  }

  // Finds, marks and pushes every run of row ny that touches columns [a, b]. Most calls look at
  // a single word and find nothing there: that case is settled inline, the rest out of line.
  __attribute__((always_inline)) void scanRow(int ny, int a, int b, const Span& parent, int dir) {
    if (static_cast<unsigned>(ny) >= static_cast<unsigned>(height_)) return;
    const std::size_t row = static_cast<std::size_t>(ny) * stride_;
    const int k = a >> 6;
    const std::uint64_t f = freeWord(row, k);
    if (k == b >> 6 && (f & (kAll >> (a & 63)) & (kAll << (63 - (b & 63)))) == 0) return;
    collectRuns(ny, row, a, b, k, f, parent, dir);
  }

  // The runs of row ny (starting at byte `row`) that touch columns [a, b]; f holds the free
  // pixels of word k = a / 64. The word under the scan is kept, so a run that starts and ends
  // inside it costs no further loads.
  __attribute__((always_inline)) void collectRuns(int ny, std::size_t row, int a, int b, int k,
                                                  std::uint64_t f, const Span& parent, int dir) {
    const int kb = b >> 6;
    std::uint64_t w = f & (kAll >> (a & 63));
    for (;;) {
      if (k == kb) w &= kAll << (63 - (b & 63));
      if (w == 0) {
        if (k == kb) return;
        f = freeWord(row, ++k);
        w = f;
        continue;
      }
      const int cb = __builtin_clzll(w);
      const int c = (k << 6) + cb;
      int l = c;
      if (c == a) {
        // Only a run found at the first column can reach further left: elsewhere the column
        // before it was scanned and is not free.
        const std::uint64_t stop = ~f & ~(kAll >> cb);
        l = stop != 0 ? (k << 6) + 64 - __builtin_ctzll(stop) : runStart(row, k << 6);
      }
      const std::uint64_t stop = ~f & ((kAll >> cb) >> 1);
      const int r = stop != 0 ? (k << 6) + __builtin_clzll(stop) - 1 : runEnd(row, (k << 6) + 63);
      markRun(row, l, r);
      minX_ = l < minX_ ? l : minX_;
      maxX_ = r > maxX_ ? r : maxX_;
      minY_ = ny < minY_ ? ny : minY_;
      maxY_ = ny > maxY_ ? ny : maxY_;
      push(Span{ny, l, r, parent.l, parent.r, dir});
      prefetchAhead(ny + kPrefetchRows * dir, l);
      if (r >= b - 1) return;  // column r + 1 is not free
      const int x = r + 2;
      if ((x >> 6) != k) {
        k = x >> 6;
        f = freeWord(row, k);
      }
      // Columns before x are left out, so the marks just made do not matter.
      w = f & (kAll >> (x & 63));
    }
  }

  std::vector<Span>& stack_;  // spans found and marked whose neighbour rows are still to be searched
  Span* spans_;
  std::size_t capacity_;
  std::size_t depth_ = 0;  // spans on the stack: spans_[0 .. depth_), then top_ if hasTop_
  // The span pushed last, usually popped next: kept out of memory, where reading a record just
  // written field by field stalls the processor.
  Span top_{};
  bool hasTop_ = false;
  // The box, kept here while the fill runs and stored in the state when it ends (also when the
  // stack cannot grow: what was marked stays selected, with its box).
  bool started_ = false;
  int minX_ = 0, maxX_ = 0, minY_ = 0, maxY_ = 0;
  SelectionState& state_;
  const std::uint8_t* work_;
  std::uint8_t* mark_;
  std::size_t bytes_;
  std::size_t stride_;
  int width_;
  int height_;
  int lastWord_;
  std::uint64_t tailMask_ = 0;
};

// Whole pixel coordinate of v truncated toward zero, or false when v is not finite or does not
// fit an int (such a pixel lies outside every bitmap).
bool truncatedPixel(double v, int& out) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return false;
  out = static_cast<int>(v);
  return true;
}

void markIfInk(SelectionState& s, int height, int x, int y) {
  if (x < 0 || y < 0 || x >= s.width || y >= height) return;
  const std::size_t at = static_cast<std::size_t>(y) * rowBytes(s.width) + (static_cast<std::size_t>(x) >> 3);
  const std::uint8_t m = pixelMask(x);
  if ((s.workData()[at] & m) != 0) {
    s.mark[at] |= m;
    s.dirty(x, y, x, y);
  }
}

// Clears the part of the mark bitmap that may hold marks, in place. The pages stay with the
// kept bitmap: handing a large region back to the kernel made the next large selection fault
// every page in again and wait for the kernel to zero it, a tenth of the fill's time on the line
// network of a sheet, where zeroing them here costs a memset in the reset or the accept.
void clearMarks(SelectionState& s) {
  if (s.dirtyTop >= s.dirtyBottom || s.mark == nullptr) return;
  const std::size_t stride = rowBytes(s.width);
  std::uint8_t* base = s.mark.get();
  const std::size_t right = s.dirtyRight < stride ? s.dirtyRight : stride;
  const std::size_t first = static_cast<std::size_t>(s.dirtyTop) * stride + s.dirtyLeft;
  std::size_t last = static_cast<std::size_t>(s.dirtyBottom - 1) * stride + right;
  if (last > s.size) last = s.size;
  s.dirtyTop = s.dirtyBottom = 0;
  if (first >= last) return;
  if (2 * (right - s.dirtyLeft) < stride) {
    // A narrow box: only its bytes of each row.
    for (std::size_t row = first; row < last; row += stride) std::memset(base + row, 0, right - s.dirtyLeft);
    return;
  }
  std::memset(base + first, 0, last - first);
}

}  // namespace

void setFloodFillAllocationLimit(std::size_t bytes) {
  gAllocationLimit = bytes;
}

int initFloodFill(SelectionState& state, const std::uint8_t* src, int width, int height, int size) {
  state.release();
  state.width = width;
  state.height = height;
  const std::size_t whole = bitmapBytes(width, height);
  if (size <= 0 || whole == 0 || src == nullptr) return 0;
  const std::size_t used = whole < static_cast<std::size_t>(size) ? whole : static_cast<std::size_t>(size);
  if (gAllocationLimit != 0 && used > gAllocationLimit) return 0;
  // The kept mark bitmap is clear; it serves when it is large enough and not far larger (a glyph
  // of a small bitmap does not hold a sheet's worth of address space).
  SelectionBuffer mark;
  std::size_t capacity = used;
  if (gKeptMarks.buffer != nullptr && gKeptMarks.capacity >= used && gKeptMarks.capacity / 4 <= used) {
    mark = std::move(gKeptMarks.buffer);
    capacity = gKeptMarks.capacity;
  } else {
    gKeptMarks.buffer.reset();
    mark = allocateMarks(used);
    if (!mark) return 0;
  }
  gKeptMarks.capacity = 0;
  // Nothing is copied now: the fill reads the creator's bitmap until it is about to change
  // (rasterChanging), and only then takes a snapshot of it.
  state.mark = std::move(mark);
  state.markCapacity = capacity;
  state.source = src;
  state.size = used;
  return size;
}

void burnCutLine(SelectionState& state, double slope, double intercept, int x1, int x2, int y1, int y2) {
  if (!state.readable()) return;
  const int height = state.usableHeight();
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  // Columns and rows outside the bitmap mark nothing, so the passes only visit the inside:
  // the same pixels, and bounded work whatever the end points.
  if (x1 != x2) {
    const int from = x1 > 0 ? x1 : 0;
    const int to = x2 < state.width - 1 ? x2 : state.width - 1;
    for (int x = from; x <= to; ++x) {
      int y = 0;
      if (truncatedPixel(slope * static_cast<double>(x) + intercept, y)) markIfInk(state, height, x, y);
    }
  }
  const int from = y1 > 0 ? y1 : 0;
  const int to = y2 < height - 1 ? y2 : height - 1;
  for (int y = from; y <= to; ++y) {
    int x = x1;
    if (slope != 0.0 && !truncatedPixel((static_cast<double>(y) - intercept) / slope, x)) continue;
    markIfInk(state, height, x, y);
  }
}

void floodFill(SelectionState& state, int x, int y) {
  // Rows beyond the bytes the creator was given do not exist for the selection: a seed there is
  // outside the bitmap.
  if (x < 0 || y < 0 || x >= state.width || y >= state.usableHeight() || !state.readable()) return;
  struct KeepSmall {
    ~KeepSmall() {
      if (tSpanStack.size() > kKeptSpans) std::vector<Span>().swap(tSpanStack);
    }
  } keepSmall;
  SpanFill(state).run(x, y);
}

void SelectionState::release() {
  if (mark != nullptr) {
    clearMarks(*this);
    if (this == &selectionState() || gKeptMarks.buffer == nullptr) {
      gKeptMarks.buffer = std::move(mark);
      gKeptMarks.capacity = markCapacity;
    }
  }
  mark.reset();
  work.reset();
  source = nullptr;
  sourceLost = false;
  size = 0;
  markCapacity = 0;
  dirtyTop = dirtyBottom = 0;
}

namespace {
RasterChangeObserver gObservers[4] = {};
}  // namespace

void addRasterChangeObserver(RasterChangeObserver observer) {
  for (RasterChangeObserver& slot : gObservers) {
    if (slot == observer) return;
    if (slot == nullptr) {
      slot = observer;
      return;
    }
  }
}

void rasterChanging(const void* block, std::size_t bytes) {
  rasterChanging(block, bytes, selectionState());
  for (RasterChangeObserver observer : gObservers)
    if (observer != nullptr) observer(block, bytes);
}

void rasterChanging(const void* block, std::size_t bytes, SelectionState& s) {
  if (s.source == nullptr || block == nullptr) return;
  const auto* p = static_cast<const std::uint8_t*>(block);
  const std::uintptr_t from = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(s.source), end = begin + s.size;
  const bool overlaps = bytes == 0 ? (from >= begin && from < end) : (from < end && from + bytes > begin);
  if (!overlaps) return;
  SelectionBuffer copy;
  if (gAllocationLimit == 0 || s.size <= gAllocationLimit)
    copy = SelectionBuffer(static_cast<std::uint8_t*>(std::malloc(s.size)));
  if (copy != nullptr) {
    std::memcpy(copy.get(), s.source, s.size);
    s.work = std::move(copy);
  } else {
    s.sourceLost = true;  // no memory for it: later fills would read a changed raster, so none run
  }
  s.source = nullptr;
}

}  // namespace pixmend

// ---- C exports: no exception crosses them. -------------------------------------------------

PIXMEND_API int VXDllInitFloodFill(const unsigned char* src, int width, int height, int size) {
  try {
    return pixmend::initFloodFill(pixmend::selectionState(), src, width, height, size);
  } catch (...) {
    pixmend::selectionState().release();
    return 0;
  }
}

PIXMEND_API void VXDllInitFloodFill2(double slope, double intercept, int x1, int x2, int y1, int y2) {
  try {
    pixmend::burnCutLine(pixmend::selectionState(), slope, intercept, x1, x2, y1, y2);
  } catch (...) {
  }
}

PIXMEND_API void VXDllFloodFill(int x, int y) {
  try {
    pixmend::floodFill(pixmend::selectionState(), x, y);
  } catch (...) {
    // Only the span stack can fail to grow; what was marked so far stays selected, and the box
    // covers it.
  }
}
