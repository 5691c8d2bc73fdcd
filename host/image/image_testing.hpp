// Test hooks of the host's image library: make an allocation fail (for the -116 paths), make a
// file write fail part-way as a full disk would, lower the pixel limit (fuzzers use it to keep
// hostile sizes cheap). resetHost() clears them all.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pixmend::host {

// The allocation `skip` allocations from now (0 = the next one) fails, once.
void failImageAllocation(int skip = 0);
// Allocations made through the library since the process (or the last reset) started.
long long imageAllocationCount();

// The next image file write stops after `bytes` bytes with "no space left on device", once
// (other files the host writes meanwhile are not affected).
void failImageWriteAfter(std::size_t bytes);

// Sets the largest pixel count of a bitmap; returns the previous limit.
std::uint64_t setImagePixelLimit(std::uint64_t pixels);

// Group 4 streams are encoded by libtiff's scanline encoder instead of ours (the fallback, kept
// for comparison); returns the previous setting.
bool useLibtiffG4Encoder(bool on);

// Bitmaps shared between readers are kept in memory files and copied page by page on write
// (mapping.cpp): on by default, off in sanitizer builds (whose checks do not see into mappings);
// returns the previous setting. Not cleared by resetImageHooks: mappings outlive a reset.
bool useMappedBitmaps(bool on);
// Mappings of memory files now handed out and not yet released.
std::size_t mappedBitmapCount();

// Clears every hook and restores the default limit.
void resetImageHooks();

}  // namespace pixmend::host
