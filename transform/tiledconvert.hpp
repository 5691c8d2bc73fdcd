// The tiled-to-strip TIFF conversion behind VXDllConvertTiledTiff: its process-wide options and
// the conversion itself (testable without the export).
#pragma once

#include <cstddef>
#include <cstdint>

namespace pixmend {

// Options of the conversion, kept between calls: what one conversion fills in (rows per strip,
// planar configuration, output organisation) stays for the next in the same process.
struct ConversionOptions {
  std::uint16_t compression = 4;              // Group 4, always set on the output
  std::uint16_t fillOrder = 0;                // 0: the output gets no FillOrder tag
  int outputTiled = -1;                       // set to 0 (strips) by every conversion
  std::uint32_t rowsPerStrip = 0xFFFFFFFFu;   // unset; steers only the choice of copy routine
  std::uint16_t planarConfig = 0xFFFF;        // unset; the first source's value once set
  int group3Options = -1;                     // only for Group 3, which is never chosen
  bool ignoreReadErrors = false;
};

ConversionOptions& conversionOptions();
// Back to the initial values (tests; a fresh process starts with them).
void resetConversionOptions();

// Largest image buffer a conversion allocates: the larger of 64 MiB and 8192 times the source
// file's size (Group 4 packs blank pages about that densely), and never more than 2 GiB. Tests
// and the fuzzer lower the fixed part; returns the previous value.
std::size_t setConversionBufferFloor(std::size_t bytes);

// Converts; true when the target was written. Every message goes to the host's text window.
bool convertTiledTiff(const char* sourcePath, const char* targetPath);

}  // namespace pixmend
