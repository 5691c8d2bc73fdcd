// Little-endian fields: the byte order on disk whatever the machine's, signed values through
// their two's complement, doubles bit for bit (infinities and negative zero included).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "common/bytes.hpp"

namespace pixmend {
namespace {

TEST(LittleEndian, PutsTheLowByteFirstAndReadsItBack) {
  std::uint8_t b[8] = {};
  le::put16(b, 0x1234);
  EXPECT_EQ(b[0], 0x34);
  EXPECT_EQ(b[1], 0x12);
  EXPECT_EQ(le::get16(b), 0x1234);

  le::put32(b, 0x89ABCDEF);
  EXPECT_EQ((std::vector<std::uint8_t>(b, b + 4)), (std::vector<std::uint8_t>{0xEF, 0xCD, 0xAB, 0x89}));
  EXPECT_EQ(le::get32(b), 0x89ABCDEFu);

  le::put64(b, 0x0102030405060708ull);
  EXPECT_EQ((std::vector<std::uint8_t>(b, b + 8)),
            (std::vector<std::uint8_t>{0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}));
  EXPECT_EQ(le::get64(b), 0x0102030405060708ull);
}

TEST(LittleEndian, HighBitsSurviveWithoutSignSpill) {
  // Bytes of 0x80 and above must not carry a sign into the bits above them.
  const std::uint8_t b[8] = {0xFF, 0xFE, 0x80, 0xFF, 0x00, 0x00, 0x00, 0x80};
  EXPECT_EQ(le::get16(b), 0xFEFF);
  EXPECT_EQ(le::get32(b), 0xFF80FEFFu);
  EXPECT_EQ(le::get64(b), 0x80000000FF80FEFFull);
  std::uint8_t out[4] = {};
  le::put32(out, static_cast<std::uint32_t>(std::int32_t{-2}));
  EXPECT_EQ(static_cast<std::int32_t>(le::get32(out)), -2);
  le::put16(out, static_cast<std::uint16_t>(-300));
  EXPECT_EQ(static_cast<std::int16_t>(le::get16(out)), -300);
}

TEST(LittleEndian, DoublesKeepEveryBit) {
  std::uint8_t b[8] = {};
  le::putDouble(b, 1.0);
  EXPECT_EQ((std::vector<std::uint8_t>(b, b + 8)),
            (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
  for (double v : {0.1, -123456.789, std::numeric_limits<double>::infinity(),
                   std::numeric_limits<double>::denorm_min(), -0.0}) {
    le::putDouble(b, v);
    const double back = le::getDouble(b);
    EXPECT_EQ(back, v);
    EXPECT_EQ(std::signbit(back), std::signbit(v));
  }
  le::putDouble(b, std::nan(""));
  EXPECT_TRUE(std::isnan(le::getDouble(b)));
}

}  // namespace
}  // namespace pixmend
