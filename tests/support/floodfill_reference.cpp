// Pixel-by-pixel area selection, recursive as described; see floodfill_reference.hpp.
#include "support/floodfill_reference.hpp"

#include <pthread.h>

#include <cmath>
#include <stdexcept>

namespace pixmend::testsupport {
namespace {

enum Direction { kRight = 0, kDown = 1, kLeft = 2, kUp = 3, kNone = 4 };
constexpr int kDx[4] = {1, 0, -1, 0};
constexpr int kDy[4] = {0, 1, 0, -1};
constexpr int kBudget = 10000;

void* trampoline(void* arg) {
  (*static_cast<const std::function<void()>*>(arg))();
  return nullptr;
}

}  // namespace

void runOnLargeStack(const std::function<void()>& body) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, std::size_t{256} << 20);
  pthread_t thread;
  const int rc = pthread_create(&thread, &attr, trampoline, const_cast<std::function<void()>*>(&body));
  pthread_attr_destroy(&attr);
  if (rc != 0) throw std::runtime_error("cannot start a thread with a large stack");
  pthread_join(thread, nullptr);
}

int ReferenceSelection::init(const std::uint8_t* src, int width, int height, int size) {
  width_ = rows_ = 0;
  work_.clear();
  mark_.clear();
  if (size <= 0) return 0;
  stride_ = width > 0 ? (static_cast<std::size_t>(width) + 7) / 8 : 0;
  width_ = width;
  rows_ = height;
  if (stride_ == 0 || height <= 0) {
    rows_ = 0;
  } else if (static_cast<std::size_t>(size) / stride_ < static_cast<std::size_t>(height)) {
    rows_ = static_cast<int>(static_cast<std::size_t>(size) / stride_);
  }
  const std::size_t bytes = stride_ * static_cast<std::size_t>(rows_);
  work_.assign(src, src + bytes);
  mark_.assign(bytes, 0);
  return size;
}

bool ReferenceSelection::ink(int x, int y) const {
  const std::size_t bit = static_cast<std::size_t>(y) * 8 * stride_ + static_cast<std::size_t>(x);
  return (work_[bit / 8] & (0x80 >> (bit % 8))) != 0;
}

bool ReferenceSelection::marked(int x, int y) const {
  const std::size_t bit = static_cast<std::size_t>(y) * 8 * stride_ + static_cast<std::size_t>(x);
  return (mark_[bit / 8] & (0x80 >> (bit % 8))) != 0;
}

void ReferenceSelection::setMark(int x, int y) {
  const std::size_t bit = static_cast<std::size_t>(y) * 8 * stride_ + static_cast<std::size_t>(x);
  mark_[bit / 8] = static_cast<std::uint8_t>(mark_[bit / 8] | (0x80 >> (bit % 8)));
}

// Coordinates arrive as doubles already truncated toward zero; anything outside is skipped.
void ReferenceSelection::markIfInk(double x, double y) {
  if (!(x >= 0 && y >= 0 && x < width_ && y < rows_)) return;
  const int ix = static_cast<int>(x);
  const int iy = static_cast<int>(y);
  if (ink(ix, iy)) setMark(ix, iy);
}

void ReferenceSelection::cutLine(double slope, double intercept, int x1, int x2, int y1, int y2) {
  if (rows_ == 0) return;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (x1 != x2) {
    for (long long x = x1; x <= x2; ++x) {
      markIfInk(static_cast<double>(x), std::trunc(slope * static_cast<double>(x) + intercept));
    }
  }
  for (long long y = y1; y <= y2; ++y) {
    const double x = slope != 0.0 ? std::trunc((static_cast<double>(y) - intercept) / slope) : x1;
    markIfInk(x, static_cast<double>(y));
  }
}

void ReferenceSelection::widen(int x, int y) {
  if (x < minX) minX = x;
  if (x > maxX) maxX = x;
  if (y < minY) minY = y;
  if (y > maxY) maxY = y;
}

void ReferenceSelection::expandNeighbours(int x, int y, int reachedBy) {
  for (int d = kRight; d <= kUp; ++d) {
    if (reachedBy != kNone && d == (reachedBy + 2) % 4) continue;  // back where it came from
    expand(x + kDx[d], y + kDy[d], d);
  }
}

void ReferenceSelection::expand(int x, int y, int direction) {
  if (!inside(x, y) || marked(x, y) || !ink(x, y)) return;
  setMark(x, y);
  ++budget_;
  if (budget_ <= kBudget) {
    widen(x, y);
    expandNeighbours(x, y, direction);
  } else {
    deferred_.push_back(x);
    deferred_.push_back(y);
    if (deferred_.size() / 2 > deepestDeferral) deepestDeferral = deferred_.size() / 2;
  }
}

void ReferenceSelection::fillHere(int x, int y) {
  deepestDeferral = 0;
  if (!inside(x, y)) return;
  minX = maxX = x;
  minY = maxY = y;
  setMark(x, y);
  budget_ = 0;
  expandNeighbours(x, y, kNone);
  while (!deferred_.empty()) {
    budget_ = 0;
    const int py = deferred_.back();
    deferred_.pop_back();
    const int px = deferred_.back();
    deferred_.pop_back();
    widen(px, py);
    expandNeighbours(px, py, kNone);
  }
}

void ReferenceSelection::fill(int x, int y) {
  runOnLargeStack([&] { fillHere(x, y); });
}

}  // namespace pixmend::testsupport
