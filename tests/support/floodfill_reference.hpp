// The area selection written pixel by pixel exactly as the fill is described: a depth-first,
// recursive walk with a budget of 10000 nested expansions, a deferred stack for pixels beyond
// the budget, and neighbours taken right, down, left, up. Tests use it as the oracle for the
// span fill of bitmap/floodfill.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace pixmend::testsupport {

// Runs `body` to completion on a thread with a 256 MB stack, so that recursion 10000 levels deep
// is safe in sanitizer builds too.
void runOnLargeStack(const std::function<void()>& body);

class ReferenceSelection {
 public:
  // Snapshot of src and a cleared mark bitmap. Rows that do not lie wholly inside `size` bytes
  // are outside the bitmap. Returns size, or 0 (and no bitmap) when size is not positive.
  int init(const std::uint8_t* src, int width, int height, int size);
  void cutLine(double slope, double intercept, int x1, int x2, int y1, int y2);
  // Runs on a large stack (see runOnLargeStack).
  void fill(int x, int y);

  int width() const { return width_; }
  int rows() const { return rows_; }  // the rows that exist
  // Mark bitmap: rows() rows of ceil(width / 8) bytes.
  const std::vector<std::uint8_t>& mark() const { return mark_; }
  bool marked(int x, int y) const;

  int minX = 0, minY = 0, maxX = 0, maxY = 0;
  // Largest number of pixels waiting on the deferred stack during the last fill, so tests can
  // tell that the budget was exhausted.
  std::size_t deepestDeferral = 0;

 private:
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < rows_; }
  bool ink(int x, int y) const;
  void setMark(int x, int y);
  void markIfInk(double x, double y);
  void widen(int x, int y);
  void expandNeighbours(int x, int y, int reachedBy);
  void expand(int x, int y, int direction);
  void fillHere(int x, int y);

  int width_ = 0;
  int rows_ = 0;
  std::size_t stride_ = 0;
  std::vector<std::uint8_t> work_;
  std::vector<std::uint8_t> mark_;
  int budget_ = 0;
  std::vector<int> deferred_;
};

}  // namespace pixmend::testsupport
