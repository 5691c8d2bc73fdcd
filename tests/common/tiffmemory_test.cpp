// The pieces both sides read TIFF files with: a file written into memory reads back; libtiff's
// complaints about a damaged file are counted and shown no more than asked (never on the
// terminal); input files are mapped only when they are regular files, without waiting on a pipe.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "common/mappedfile.hpp"
#include "common/tiffmemory.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend {
namespace {

struct Collected : TiffMessages {
  explicit Collected(int shown = 3) : TiffMessages("subject", shown) {}
  using TiffMessages::report;
};

std::vector<std::uint8_t> tinyTiff(Collected& messages) {
  std::vector<std::uint8_t> bytes;
  TiffHandle out;
  EXPECT_TRUE(openTiffOutput(out, bytes, "tiny", messages));
  TIFF* t = out.get();
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 16u);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, 2u);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 2u);
  std::uint8_t rows[2][2] = {{0xF0, 0x0F}, {0x81, 0x18}};
  for (std::uint32_t y = 0; y < 2; ++y) EXPECT_GE(TIFFWriteScanline(t, rows[y], y, 0), 0);
  EXPECT_TRUE(out.close());
  return bytes;
}

TEST(TiffMemory, AFileWrittenIntoMemoryReadsBack) {
  Collected messages;
  const auto bytes = tinyTiff(messages);
  TiffHandle in;
  ASSERT_TRUE(openTiffMemory(in, bytes.data(), bytes.size(), "tiny", messages));
  std::uint8_t row[2] = {};
  ASSERT_GE(TIFFReadScanline(in.get(), row, 0, 0), 0);  // Group 4 lines are read in order
  EXPECT_EQ(row[0], 0xF0);
  ASSERT_GE(TIFFReadScanline(in.get(), row, 1, 0), 0);
  EXPECT_EQ(row[0], 0x81);
  EXPECT_EQ(row[1], 0x18);
  EXPECT_EQ(messages.errors(), 0);
  EXPECT_TRUE(messages.report().empty());
}

TEST(TiffMemory, ComplaintsAreCountedAndShownWithinTheirLimit) {
  Collected messages(2);
  auto bytes = tinyTiff(messages);
  bytes.resize(bytes.size() / 2);  // the directory at the end is gone
  TiffHandle in;
  EXPECT_FALSE(openTiffMemory(in, bytes.data(), bytes.size(), "cut", messages));
  EXPECT_GT(messages.errors(), 0);
  messages.note("ours");
  messages.notef("ours %d", 2);
  const auto report = messages.report();
  ASSERT_EQ(report.size(), 3u);  // two shown, then the count of the rest
  EXPECT_EQ(report[0].rfind("subject: libtiff error: ", 0), 0u) << report[0];
  EXPECT_NE(report[2].find("further messages not shown"), std::string::npos) << report[2];
  messages.silence();
  EXPECT_TRUE(messages.report().empty());
}

TEST(MappedFile, MapsRegularFilesOnly) {
  testsupport::ScratchDir dir("mapped");
  {
    std::ofstream(dir.file("a.bin")) << "abc";
    std::ofstream(dir.file("empty.bin"));
  }
  MappedFile file;
  ASSERT_TRUE(file.open(dir.file("a.bin").c_str()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data()), file.size()), "abc");
  MappedFile empty;
  EXPECT_TRUE(empty.open(dir.file("empty.bin").c_str()));
  EXPECT_EQ(empty.size(), 0u);

  MappedFile missing;
  EXPECT_FALSE(missing.open(dir.file("nothing.bin").c_str()));
  EXPECT_TRUE(missing.missing());
  EXPECT_EQ(missing.failure(), "no such file");
  MappedFile folder;
  EXPECT_FALSE(folder.open(dir.path().c_str()));
  EXPECT_FALSE(folder.missing());
  EXPECT_EQ(folder.failure(), "a folder, not a file");
  // A pipe nobody writes to is refused at once instead of waiting for a writer.
  ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
  MappedFile pipe;
  EXPECT_FALSE(pipe.open(dir.file("pipe").c_str()));
  EXPECT_NE(pipe.failure().find("not a regular file"), std::string::npos);
}

}  // namespace
}  // namespace pixmend
