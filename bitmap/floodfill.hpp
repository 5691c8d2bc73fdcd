// Flood-fill area selection with cut lines: creation of the selection state, burning of cut
// lines into its mark bitmap, and the fill that selects the ink connected to a seed.
//
// The VXDll exports (include/pixmend/vxdll.h) call these on the process-wide selectionState();
// tests and benchmarks call them on a state of their own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bitmap/selection.hpp"

namespace pixmend {

// Makes `state` the selection state of a width x height bitmap whose first `size` bytes are at
// `src`: a cleared mark bitmap and a byte-for-byte snapshot of src. Only the bytes that hold
// pixels are taken (at most H * ceil(W / 8), never more than `size`); when `size` falls short of
// the whole bitmap, the whole rows it holds are the bitmap as far as the selection is concerned.
// Buffers of an earlier state are released first; the selection box is kept.
// Returns `size` when the state is live; 0 when size, width or height is not positive, src is
// null or memory cannot be had, and the state is then left without buffers (every later
// operation on it does nothing).
int initFloodFill(SelectionState& state, const std::uint8_t* src, int width, int height, int size);

// Burns the cut line between pixels (x1, y1) and (x2, y2), given as y = slope * x + intercept
// (a vertical line: slope 0, intercept x1), into the mark bitmap. Each pair is ordered first;
// a column pass marks (x, trunc(slope * x + intercept)) for x1 <= x <= x2 unless the line is
// vertical, and a row pass marks (trunc((y - intercept) / slope), y) for y1 <= y <= y2 (x1 when
// slope is 0). Truncation is toward zero; only ink is marked; pixels outside the bitmap, and
// values that are not finite or do not fit a pixel coordinate, are skipped.
void burnCutLine(SelectionState& state, double slope, double intercept, int x1, int x2, int y1, int y2);

// Marks the seed (x, y) and the 4-connected ink of the work copy reachable from it through
// pixels that were not marked before, and sets the selection box to the seed and every pixel
// this fill marked (inclusive bounds). A seed outside the bitmap changes nothing, not even the
// box. The fill runs on row spans with an explicit stack: no recursion, whatever the image.
// Throws std::bad_alloc only if its span stack cannot grow (the exports catch it).
void floodFill(SelectionState& state, int x, int y);

// For tests: buffers of more than `bytes` bytes (the mark bitmap, the work copy, the span stack)
// are refused as if memory had run out. 0 (the default) removes the limit.
void setFloodFillAllocationLimit(std::size_t bytes);

}  // namespace pixmend
