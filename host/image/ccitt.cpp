// The CCITT Group 4 codec that TIFF files and Intergraph CIT files share: the Intergraph stream
// is wrapped in a one-strip TIFF (FillOrder 2, min-is-white) and handed to libtiff's own fax
// codec, so both formats decode and encode through one codec.
#include <algorithm>
#include <cstring>
#include <new>

#include "common/bytes.hpp"
#include "host/image/formats.hpp"
#include "host/image/image_testing.hpp"

namespace pixmend::host {

int decodeG4(const std::uint8_t* data, std::size_t size, const BitmapView& out, bool lsbFirst, bool strict,
             ImageDiagnostics& diag) {
  if (out.empty() || out.stride != rowBytes(out.width)) return MDLERR_INVALIDIMAGE;
  if (size > 0xFFFFFFF0u) return MDLERR_CORRUPTIMAGE;
  // A minimal little-endian TIFF: header, one directory of ten entries, then the stream.
  constexpr std::size_t kEntries = 10;
  constexpr std::size_t kDataOffset = 8 + 2 + kEntries * 12 + 4;
  std::vector<std::uint8_t> file;
  try {
    file.resize(kDataOffset + size);
  } catch (const std::bad_alloc&) {
    return MDLERR_INSFMEMORY;
  }
  std::uint8_t* p = file.data();
  p[0] = 'I';
  p[1] = 'I';
  le::put16(p + 2, 42);
  le::put32(p + 4, 8);
  le::put16(p + 8, kEntries);
  const auto W = static_cast<std::uint32_t>(out.width), H = static_cast<std::uint32_t>(out.height);
  const struct {
    std::uint16_t tag, type;
    std::uint32_t value;
  } entries[kEntries] = {
      {TIFFTAG_IMAGEWIDTH, TIFF_LONG, W},
      {TIFFTAG_IMAGELENGTH, TIFF_LONG, H},
      {TIFFTAG_BITSPERSAMPLE, TIFF_SHORT, 1},
      {TIFFTAG_COMPRESSION, TIFF_SHORT, COMPRESSION_CCITTFAX4},
      {TIFFTAG_PHOTOMETRIC, TIFF_SHORT, PHOTOMETRIC_MINISWHITE},
      {TIFFTAG_FILLORDER, TIFF_SHORT,
       static_cast<std::uint32_t>(lsbFirst ? FILLORDER_LSB2MSB : FILLORDER_MSB2LSB)},
      {TIFFTAG_STRIPOFFSETS, TIFF_LONG, static_cast<std::uint32_t>(kDataOffset)},
      {TIFFTAG_SAMPLESPERPIXEL, TIFF_SHORT, 1},
      {TIFFTAG_ROWSPERSTRIP, TIFF_LONG, H},
      {TIFFTAG_STRIPBYTECOUNTS, TIFF_LONG, static_cast<std::uint32_t>(size)},
  };
  for (std::size_t i = 0; i < kEntries; ++i) {
    std::uint8_t* e = p + 10 + i * 12;
    le::put16(e, entries[i].tag);
    le::put16(e + 2, entries[i].type);
    le::put32(e + 4, 1);
    if (entries[i].type == TIFF_SHORT) {
      le::put16(e + 8, static_cast<std::uint16_t>(entries[i].value));
    } else {
      le::put32(e + 8, entries[i].value);
    }
  }
  le::put32(p + 10 + kEntries * 12, 0);
  if (size > 0) std::memcpy(p + kDataOffset, data, size);

  TiffHandle tif;
  if (!openTiffMemory(tif, file.data(), file.size(), "ccitt", diag)) return MDLERR_CORRUPTIMAGE;
  const int errors = diag.errors(), ends = diag.prematureEnds();
  const tmsize_t n = TIFFReadEncodedStrip(tif.get(), 0, out.data, static_cast<tmsize_t>(out.bytes()));
  if (diag.errors() > errors) return MDLERR_CORRUPTIMAGE;
  if (strict && (diag.prematureEnds() > ends || n < 0)) return MDLERR_CORRUPTIMAGE;
  return 0;
}

namespace {
bool libtiffEncoder = false;
}  // namespace

bool useLibtiffG4Encoder(bool on) {
  const bool previous = libtiffEncoder;
  libtiffEncoder = on;
  return previous;
}

int encodeG4Any(const ConstBitmapView& in, bool invert, bool lsbFirst, std::vector<std::uint8_t>& out,
                ImageDiagnostics& diag, ImageStopFunc stop) {
  if (in.width > kMaxG4Width) {
    diag.notef("%d pixels is wider than a Group 4 image can be read back (at most %d)", in.width,
               kMaxG4Width);
    return MDLERR_INVALIDIMAGE;
  }
  if (libtiffEncoder) return encodeG4Libtiff(in, invert, lsbFirst, out, diag, stop);
  return encodeG4Stream(in, invert, lsbFirst, out, stop);
}

int encodeG4(const ConstBitmapView& in, bool lsbFirst, std::vector<std::uint8_t>& out, ImageDiagnostics& diag,
             ImageStopFunc stop) {
  return encodeG4Any(in, false, lsbFirst, out, diag, stop);
}

int encodeG4Libtiff(const ConstBitmapView& in, bool invert, bool lsbFirst, std::vector<std::uint8_t>& out,
                    ImageDiagnostics& diag, ImageStopFunc stop) {
  if (in.empty()) return MDLERR_INVALIDIMAGE;
  if (in.width > kMaxG4Width) {
    diag.notef("%d pixels is wider than a Group 4 image can be read back (at most %d)", in.width, kMaxG4Width);
    return MDLERR_INVALIDIMAGE;
  }
  std::vector<std::uint8_t> file;
  TiffHandle tif;
  if (!openTiffOutput(tif, file, "ccitt", diag)) return MDLERR_INSFMEMORY;
  TIFF* t = tif.get();
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(in.width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(in.height));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(t, TIFFTAG_FILLORDER, lsbFirst ? FILLORDER_LSB2MSB : FILLORDER_MSB2LSB);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(in.height));
  // Inverted rows go through a scratch row; the bitmap is the caller's.
  std::vector<std::uint8_t> inverted(invert ? rowBytes(in.width) : 0);
  for (int y = 0; y < in.height; ++y) {
    if ((y & 1023) == 1023 && stop != nullptr && stop() != 0) return MDLERR_IMAGESTOPPED;
    // The encoder only reads the row.
    auto* row = const_cast<std::uint8_t*>(in.row(y));
    if (invert) {
      std::memcpy(inverted.data(), row, inverted.size());
      invertBytes(inverted.data(), inverted.size());
      clearPadding(BitmapView(inverted.data(), in.width, 1));
      row = inverted.data();
    }
    if (TIFFWriteScanline(t, row, static_cast<std::uint32_t>(y), 0) < 0) return MDLERR_INSFMEMORY;
  }
  // Pushes out the last bits (with the end-of-block mark) so the strip's place is known.
  if (TIFFFlushData(t) == 0) return MDLERR_INSFMEMORY;
  const std::uint64_t offset = TIFFGetStrileOffset(t, 0);
  const std::uint64_t count = TIFFGetStrileByteCount(t, 0);
  if (!tif.close()) return MDLERR_INSFMEMORY;
  if (offset + count > file.size() || offset + count < offset) return MDLERR_INSFMEMORY;
  try {
    out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(offset),
               file.begin() + static_cast<std::ptrdiff_t>(offset + count));
  } catch (const std::bad_alloc&) {
    return MDLERR_INSFMEMORY;
  }
  return 0;
}

}  // namespace pixmend::host
