// Application data elements and user-data linkages as the maker's applications use them: the
// limits of the element and the linkage, the batches of a scan and where a stopped scan says it
// stopped, and data that goes into the design file and comes back after the design is reopened.
#include <cstring>
#include <string>
#include <vector>

#include "host/design/design.hpp"
#include "vxlib/core/vxlib_fixture.hpp"

namespace pixmend::vxlib {
namespace {

struct Visit {
  int version;
  unsigned position;
  int index;
  std::string data;
};

struct Seen {
  std::vector<Visit> visits;
  int stopAt = -1;  // the visit (counted from 0) whose callback stops the scan
};

int collect(void* user, int version, MSElement*, unsigned position, int index, char* data, int length) {
  auto* seen = static_cast<Seen*>(user);
  seen->visits.push_back({version, position, index, std::string(data, static_cast<std::size_t>(length))});
  return static_cast<int>(seen->visits.size()) - 1 == seen->stopAt ? 1 : 0;
}

class AppData : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    std::string error;
    ASSERT_TRUE(host::createDesign(path("plan.dgn"), &error)) << error;
  }
  static int scan(int type, Seen* seen) {
    return vxlib66Elem_scanDataFromFileExtended(seen, type, mdlModelRef_getActive(), collect, 1);
  }
};

TEST_F(AppData, TheElementHoldsAtMost8152BytesAndReportsItsDataPadded) {
  std::vector<std::uint8_t> element(8192, 0xEE), data(8153, 'x');
  EXPECT_EQ(vxlib66Elem_saveData(reinterpret_cast<MSElement*>(element.data()), 101, 3, data.data(), 8153), VXLIB_ERROR);
  EXPECT_EQ(element[0], 0xEE) << "the buffer is untouched";
  EXPECT_EQ(vxlib66Elem_saveData(reinterpret_cast<MSElement*>(element.data()), 101, 3, data.data(), 8152), 0);
  EXPECT_EQ(vxlib66Elem_saveDataToFile(101, 3, data.data(), 8153, nullptr), VXLIB_ERROR);

  // Five bytes: 19 + 3 words, and six bytes of data come back (the pad byte included).
  ASSERT_EQ(vxlib66Elem_saveData(reinterpret_cast<MSElement*>(element.data()), 110, 2, "abcde", 5), 0);
  const std::uint8_t header[] = {66, 0, 0, 0, 22, 0, 0, 0, 22, 0, 0, 0, 20, 0, 0, 0};
  EXPECT_EQ(std::memcmp(element.data(), header, sizeof header), 0);
  EXPECT_EQ(element[32], 157);
  EXPECT_EQ(element[34], 110);
  EXPECT_EQ(element[36], 2);
  int version = 0, length = 0;
  char* out = reinterpret_cast<char*>(1);
  EXPECT_EQ(vxlib66Elem_getData(reinterpret_cast<MSElement*>(element.data()), 101, &version, &out, &length),
            VXLIB_ERROR);
  EXPECT_EQ(out, nullptr) << "cleared even when the element is another application's";
  ASSERT_EQ(vxlib66Elem_getData(reinterpret_cast<MSElement*>(element.data()), 110, &version, &out, &length), 0);
  EXPECT_EQ(length, 6);
  EXPECT_EQ(std::string(out, 6), std::string("abcde\0", 6));
}

TEST_F(AppData, LinkagesFillWholeEightByteUnitsAndOnlyTheFirstIsLookedAt) {
  std::vector<std::uint8_t> buffer(8192, 0);
  auto* element = reinterpret_cast<MSElement*>(buffer.data());
  ASSERT_EQ(vxlib66Elem_saveData(element, 1, 1, "", 0), 0);
  ASSERT_EQ(vxlibAttrib_appendElementUserData(6, -2, element, "A", 1), 0);
  EXPECT_EQ(mdlElement_size(element), 38 + 16) << "one byte: 8 words";
  ASSERT_EQ(vxlibAttrib_appendElementUserData(9, 7, element, "123456789", 9), 0);
  EXPECT_EQ(mdlElement_size(element), 38 + 16 + 24) << "nine bytes: 12 words";

  unsigned char data[8184];
  int value = 0, length = 0;
  ASSERT_EQ(vxlibAttrib_extractElementUserData(element, 6, &value, data, &length), 0);
  EXPECT_EQ(value, -2);
  EXPECT_EQ(length, 8);
  EXPECT_EQ(std::memcmp(data, "A\0\0\0\0\0\0\0", 8), 0);
  EXPECT_EQ(vxlibAttrib_extractElementUserData(element, 9, &value, data, &length), VXLIB_ERROR)
      << "the second linkage is never reached";

  // Too much data for a linkage: said on the text window, the element unchanged.
  std::vector<char> big(8189, 'b');
  EXPECT_EQ(vxlibAttrib_appendElementUserData(1, 1, element, big.data(), 8189), VXLIB_ERROR);
  EXPECT_EQ(texts("text").back(), "Userdata er for stor. buffersize=8189\n");
  // Within the linkage limit but beyond what the element can hold: the host refuses it.
  EXPECT_EQ(vxlibAttrib_appendElementUserData(1, 1, element, big.data(), 8188), MDLERR_ELEMENTTOOLARGE);
  EXPECT_EQ(mdlElement_size(element), 38 + 16 + 24);
}

TEST_F(AppData, ValuesGoIntoABufferAndComeBackInOrder) {
  char buffer[64] = {};
  int offset = 0;
  const unsigned char byte = 0xA5;
  const short s = -3;
  ASSERT_EQ(vxlib66Elem_convertToFileFormat(buffer, &offset, 1, 2.5), 0);
  ASSERT_EQ(vxlib66Elem_convertToFileFormat(buffer, &offset, 3, ""), 0);
  EXPECT_EQ(offset, 9) << "an empty string is its zero";
  ASSERT_EQ(vxlib66Elem_convertToFileFormat(buffer, &offset, 3, "pg"), 0);
  ASSERT_EQ(vxlib66Elem_convertToFileFormat(buffer, &offset, 4, &byte), 0);
  ASSERT_EQ(vxlib66Elem_convertToFileFormat(buffer, &offset, 6, &s), 0);
  ASSERT_EQ(vxlib66Elem_convertToFileFormat(buffer, &offset, 8, "raw", 3), 0);
  ASSERT_EQ(vxlib66Elem_convertToFileFormat(buffer, &offset, 9, -70000), 0);
  EXPECT_EQ(vxlib66Elem_convertToFileFormat(buffer, &offset, 5, 1), 1);
  EXPECT_EQ(offset, 8 + 1 + 3 + 1 + 2 + 3 + 4);
  const std::uint8_t intBytes[] = {0x90, 0xEE, 0xFE, 0xFF};  // -70000, little-endian
  EXPECT_EQ(std::memcmp(buffer + offset - 4, intBytes, 4), 0);

  int at = 0, i = 0;
  double d = 0;
  char text[8], raw[4] = {};
  unsigned char b = 0;
  short t = 0;
  vxlib66Elem_convertFromFileFormat(buffer, &at, 1, &d);
  vxlib66Elem_convertFromFileFormat(buffer, &at, 3, text);
  vxlib66Elem_convertFromFileFormat(buffer, &at, 3, text);
  vxlib66Elem_convertFromFileFormat(buffer, &at, 4, &b);
  vxlib66Elem_convertFromFileFormat(buffer, &at, 6, &t);
  vxlib66Elem_convertFromFileFormat(buffer, &at, 8, raw, 3);
  vxlib66Elem_convertFromFileFormat(buffer, &at, 9, &i);
  EXPECT_EQ(vxlib66Elem_convertFromFileFormat(buffer, &at, 7, &i), 1);
  EXPECT_EQ(at, offset);
  EXPECT_EQ(d, 2.5);
  EXPECT_STREQ(text, "pg");
  EXPECT_EQ(b, 0xA5);
  EXPECT_EQ(t, -3);
  EXPECT_STREQ(raw, "raw");
  EXPECT_EQ(i, -70000);
}

TEST_F(AppData, ScansGoInBatchesOf64AndAStopSaysWhereInItsBatch) {
  Seen none;
  EXPECT_EQ(scan(101, &none), 0);
  EXPECT_TRUE(none.visits.empty());
  // 70 elements of type 101 with one of another application between them.
  std::vector<unsigned> positions;
  for (int n = 0; n < 70; ++n) {
    const std::string data = "page " + std::to_string(n);
    unsigned position = 0;
    ASSERT_EQ(vxlib66Elem_saveDataToFile(101, n, data.c_str(), static_cast<int>(data.size()) + 1, &position), 0);
    positions.push_back(position);
    if (n == 10) {
      ASSERT_EQ(vxlib66Elem_saveDataToFile(110, 1, "x", 1, &position), 0);
    }
  }
  Seen all;
  EXPECT_EQ(scan(101, &all), 70);
  ASSERT_EQ(all.visits.size(), 70u);
  EXPECT_EQ(all.visits[69].position, positions[69]) << "file order";
  // The other application's element takes a place in the first batch: the 65th is second in the next.
  EXPECT_EQ(all.visits[64].index, 1);
  EXPECT_EQ(all.visits[69].data.substr(0, 8), std::string("page 69\0", 8));

  Seen stopped;
  stopped.stopAt = 66;
  EXPECT_EQ(scan(101, &stopped), 4) << "its place in the second batch, not among all";

  // Deleting while scanning: every project element goes, the page element stays.
  for (unsigned p : positions) ASSERT_EQ(mdlElement_undoableDelete(nullptr, p, 0), 0);
  Seen after;
  EXPECT_EQ(scan(101, &after), 0);
  EXPECT_EQ(scan(110, &after), 1);
}

TEST_F(AppData, DataAndLinkagesComeBackFromTheFileByteForByte) {
  unsigned first = 0;
  std::vector<char> bytes(300);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  ASSERT_EQ(vxlib66Elem_saveDataToFile(101, 3, bytes.data(), 300, &first), 0);
  // A shape marked as a plot fence.
  MSElement shape;
  const DPoint3d square[5] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 0}};
  ASSERT_EQ(mdlShape_create(&shape, nullptr, square, 5, 0), 0);
  const int construction = 2;
  ASSERT_EQ(mdlElement_setProperties(&shape, nullptr, nullptr, &construction), 0);
  ASSERT_EQ(vxlibAttrib_appendElementUserData(6, 42, &shape, "A3 landscape", 13), 0);
  const unsigned fence = mdlElement_add(&shape);
  ASSERT_NE(fence, 0u);
  host::closeDesign();
  std::string error;
  ASSERT_TRUE(host::openDesign(path("plan.dgn"), &error)) << error;

  Seen seen;
  ASSERT_EQ(scan(101, &seen), 1);
  EXPECT_EQ(seen.visits[0].position, first);
  EXPECT_EQ(seen.visits[0].data, std::string(bytes.begin(), bytes.end()));
  MSElementDescr* descr = nullptr;
  ASSERT_EQ(mdlElmdscr_read(&descr, fence, nullptr, 0), fence);
  unsigned char data[8184];
  int value = 0, length = 0;
  ASSERT_EQ(vxlibAttrib_extractElementUserData(mdlElmdscr_getElement(descr), 6, &value, data, &length), 0);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(length, 16);
  EXPECT_STREQ(reinterpret_cast<char*>(data), "A3 landscape");
  // The host gave the element an identifier and time; the rest is what the application built.
  EXPECT_EQ(std::memcmp(mdlElmdscr_getElement(descr)->buf + 16, shape.buf + 16, mdlElement_size(&shape) - 32), 0);
  EXPECT_NE(mdlElmdscr_getElement(descr)->ehdr.uniqueId[0], 0u);
  mdlElmdscr_freeAll(&descr);
  EXPECT_EQ(descr, nullptr);
}

}  // namespace
}  // namespace pixmend::vxlib
