// Published records: access strings resolve through the publication (following pointers as they
// are now), field reads and writes convert and stay inside their fields, broken layouts are
// refused, and an application's records go with it.
#include "host/system/published.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/system/api.h"
#include "host/system/publish.hpp"
#include "host/system/registry.hpp"

namespace pixmend::host {
namespace {

struct Params {
  int mode;
  short small;
  unsigned char flag;
  char angle[8];
  double height;
};

StructLayout paramsLayout() {
  StructLayout layout;
  layout.name = "testparams";
  layout.fields = {{"mode", FieldType::Int32, 0, 4},
                   {"small", FieldType::Int16, 0, 2},
                   {"flag", FieldType::UInt8, 0, 1},
                   {"angle", FieldType::Text, 0, 8},
                   {"height", FieldType::Double, 0, 8}};
  placeFields(layout);
  return layout;
}

class Published : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    defineStructLayout(paramsLayout());
  }
  void TearDown() override { resetHost(); }
};

TEST_F(Published, PlacedFieldsMatchTheCompilersLayout) {
  const StructLayout* layout = findStructLayout("testparams");
  ASSERT_NE(layout, nullptr);
  EXPECT_EQ(layout->size, sizeof(Params));
  EXPECT_EQ(layout->fields[1].offset, offsetof(Params, small));
  EXPECT_EQ(layout->fields[2].offset, offsetof(Params, flag));
  EXPECT_EQ(layout->fields[3].offset, offsetof(Params, angle));
  EXPECT_EQ(layout->fields[4].offset, offsetof(Params, height));
}

TEST_F(Published, PointerPublicationFollowsThePointerAtEachAccess) {
  Params first{};
  Params second{};
  Params* pointer = &first;
  SymbolSet* set = mdlCExpression_initializeSet(4, 0, 0);
  ASSERT_EQ(mdlDialog_publishComplexPtr(set, "testparams", "testParamsP", &pointer), 0);

  auto ref = resolveAccess("testparams.mode");
  ASSERT_TRUE(ref);
  EXPECT_TRUE(writeNumber(*ref, 3));
  EXPECT_EQ(first.mode, 3);

  pointer = &second;  // the application moved its record: the next access sees the new one
  ref = resolveAccess("testParamsP->mode");
  ASSERT_TRUE(ref);
  EXPECT_TRUE(writeNumber(*ref, 7));
  EXPECT_EQ(second.mode, 7);
  EXPECT_EQ(first.mode, 3);

  pointer = nullptr;  // freed: nothing to resolve, no crash
  EXPECT_FALSE(resolveAccess("testparams.mode"));
  EXPECT_EQ(mdlCExpression_symbolAddress("testParamsP"), static_cast<void*>(&pointer));
}

TEST_F(Published, UnknownNamesResolveToNothing) {
  Params record{};
  mdlDialog_publishComplexVariable(nullptr, "testparams", "testRecord", &record);
  EXPECT_TRUE(resolveAccess("testRecord.mode"));
  EXPECT_FALSE(resolveAccess("testparams.nosuchfield"));
  EXPECT_FALSE(resolveAccess("nosuchstruct.mode"));
  EXPECT_FALSE(resolveAccess("testparams"));
  EXPECT_FALSE(resolveAccess(""));
  EXPECT_EQ(mdlDialog_publishComplexVariable(nullptr, "testparams", "", &record), MDLERR_BADARG);
  EXPECT_EQ(mdlDialog_publishComplexPtr(nullptr, nullptr, "x", &record), MDLERR_BADARG);
  EXPECT_EQ(mdlCExpression_symbolAddress("nothing"), nullptr);
  EXPECT_EQ(mdlCExpression_symbolAddress(nullptr), nullptr);
}

TEST_F(Published, NumbersConvertAndRefuseWhatDoesNotFit) {
  Params record{};
  mdlDialog_publishComplexVariable(nullptr, "testparams", "testRecord", &record);
  auto mode = *resolveAccess("testparams.mode");
  auto small = *resolveAccess("testparams.small");
  auto flag = *resolveAccess("testparams.flag");
  auto height = *resolveAccess("testparams.height");

  EXPECT_TRUE(writeNumber(mode, -2147483648.0));
  EXPECT_EQ(record.mode, INT32_MIN);
  EXPECT_TRUE(writeNumber(mode, 4.9));  // the whole part, as a C assignment
  EXPECT_EQ(record.mode, 4);
  EXPECT_FALSE(writeNumber(mode, 2147483648.0));
  EXPECT_EQ(record.mode, 4);
  EXPECT_FALSE(writeNumber(small, 40000));
  EXPECT_FALSE(writeNumber(flag, -1));
  EXPECT_FALSE(writeNumber(mode, std::nan("")));
  EXPECT_TRUE(writeNumber(flag, 255));
  EXPECT_EQ(record.flag, 255);

  EXPECT_TRUE(writeText(height, " 5.25 "));
  EXPECT_EQ(record.height, 5.25);
  EXPECT_EQ(readText(height), "5.25");
  EXPECT_FALSE(writeText(mode, "12abc"));
  EXPECT_FALSE(writeText(mode, ""));
  EXPECT_TRUE(writeText(mode, "0x10"));
  EXPECT_EQ(record.mode, 16);
  EXPECT_EQ(readNumber(small), 0.0);
  EXPECT_EQ(readText(mode), "16");

  record.height = 0.1;
  EXPECT_EQ(readText(height), "0.1");
}

// Every integer type as a C compiler stores it: its limits go in and come back, one beyond them
// is refused and leaves the field as it was, and both of a type's words name it.
TEST_F(Published, EveryIntegerTypeHoldsExactlyItsCRange) {
  struct AllTypes {
    std::int8_t i8;
    std::uint8_t u8;
    std::int16_t i16;
    std::uint16_t u16;
    std::int32_t i32;
    std::uint32_t u32;
  } record{};
  StructLayout layout;
  layout.name = "alltypes";
  const char* words[][2] = {{"int8", "char"},     {"uint8", "byte"}, {"int16", "short"},
                            {"uint16", "ushort"}, {"int32", "int"},  {"uint32", "uint"}};
  for (const auto& w : words) {
    const auto type = fieldTypeFromName(w[0]);
    ASSERT_TRUE(type) << w[0];
    EXPECT_EQ(fieldTypeFromName(w[1]), type) << w[1];
    layout.fields.push_back({w[0], *type, 0, fieldTypeInfo(*type).size});
  }
  placeFields(layout);
  EXPECT_EQ(layout.size, sizeof(AllTypes));
  defineStructLayout(layout);
  mdlDialog_publishComplexVariable(nullptr, "alltypes", "allTypes", &record);

  const double limits[][2] = {{INT8_MIN, INT8_MAX}, {0, UINT8_MAX},         {INT16_MIN, INT16_MAX},
                              {0, UINT16_MAX},      {INT32_MIN, INT32_MAX}, {0, UINT32_MAX}};
  for (std::size_t i = 0; i < std::size(words); ++i) {
    const auto field = *resolveAccess(std::string("alltypes.") + words[i][0]);
    for (const double limit : limits[i]) {
      EXPECT_TRUE(writeNumber(field, limit)) << words[i][0];
      EXPECT_EQ(readNumber(field), limit) << words[i][0];
    }
    EXPECT_FALSE(writeNumber(field, limits[i][1] + 1)) << words[i][0];
    EXPECT_FALSE(writeNumber(field, limits[i][0] - 1)) << words[i][0];
    EXPECT_EQ(readNumber(field), limits[i][1]) << words[i][0];
  }
  EXPECT_EQ(record.i16, INT16_MAX);
  EXPECT_EQ(record.u32, UINT32_MAX);
  EXPECT_FALSE(fieldTypeFromName("long"));
}

TEST_F(Published, TextIsCutToTheFieldAndAlwaysTerminated) {
  Params record{};
  std::memset(record.angle, 'x', sizeof record.angle);  // no terminator in the record at all
  record.height = 1.5;
  mdlDialog_publishComplexVariable(nullptr, "testparams", "testRecord", &record);
  auto angle = *resolveAccess("testparams.angle");
  EXPECT_EQ(readText(angle), "xxxxxxxx");  // read stops at the field's end
  EXPECT_TRUE(writeText(angle, "123456789012"));
  EXPECT_EQ(std::string(record.angle), "1234567");
  EXPECT_EQ(record.height, 1.5);  // the next field is untouched
  EXPECT_TRUE(writeNumber(angle, 90));
  EXPECT_STREQ(record.angle, "90");
  EXPECT_EQ(readNumber(angle), 90.0);
  EXPECT_TRUE(writeText(angle, "ninety"));
  EXPECT_FALSE(readNumber(angle));
}

TEST_F(Published, LayoutsThatReachOutsideTheirStructAreRefused) {
  StructLayout bad;
  bad.name = "broken";
  bad.size = 8;
  bad.fields = {{"a", FieldType::Int32, 6, 4}};
  defineStructLayout(bad);
  EXPECT_EQ(findStructLayout("broken"), nullptr);
  ASSERT_NE(journal().last("text"), nullptr);
  EXPECT_NE(journal().last("text")->text.find("outside"), std::string::npos);

  bad.fields = {{"a", FieldType::Int32, 0, 2}};  // an int of two bytes
  defineStructLayout(bad);
  EXPECT_EQ(findStructLayout("broken"), nullptr);
  bad.fields = {{"a", FieldType::Int32, 0, 4}, {"a", FieldType::Int32, 4, 4}};
  defineStructLayout(bad);
  EXPECT_EQ(findStructLayout("broken"), nullptr);
  bad.fields = {{"a", FieldType::Text, 0, 0}};
  defineStructLayout(bad);
  EXPECT_EQ(findStructLayout("broken"), nullptr);
  bad.fields = {{"a", FieldType::Text, 0, 8}};
  defineStructLayout(bad);
  EXPECT_NE(findStructLayout("broken"), nullptr);
}

TEST_F(Published, AnUnloadedApplicationsRecordsAreForgotten) {
  static Params record{};
  Application* app = addApplication("owner", "", "");
  {
    AppScope scope(app);
    mdlDialog_publishComplexVariable(nullptr, "testparams", "ownerRecord", &record);
  }
  mdlDialog_publishComplexVariable(nullptr, "testparams", "hostRecord", &record);
  EXPECT_TRUE(resolveAccess("ownerRecord.mode"));
  removeApplication(app);
  EXPECT_FALSE(resolveAccess("ownerRecord.mode"));
  EXPECT_TRUE(resolveAccess("hostRecord.mode"));
}

TEST_F(Published, LayoutSourcesAreAskedForUnknownStructs) {
  // Sources stay registered for the process: this one keeps nothing from the test's frame.
  static int asked = 0;
  asked = 0;
  registerLayoutSource([](Application*, const std::string& name) {
    ++asked;
    if (name != "late") return false;
    StructLayout layout;
    layout.name = "late";
    layout.fields = {{"value", FieldType::Double, 0, 8}};
    placeFields(layout);
    defineStructLayout(layout);
    return true;
  });
  double value = 2.5;
  EXPECT_EQ(mdlDialog_publishComplexVariable(nullptr, "late", "lateValue", &value), 0);
  EXPECT_EQ(asked, 1);
  auto ref = resolveAccess("late.value");
  ASSERT_TRUE(ref);
  EXPECT_EQ(readNumber(*ref), 2.5);
}

TEST_F(Published, SharedPointersOutliveTheirUsers) {
  void** slot = mdlSystem_sharedPointer("registry");
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(*slot, nullptr);
  int value = 0;
  *slot = &value;
  EXPECT_EQ(mdlSystem_sharedPointer("registry"), slot);
  EXPECT_EQ(*mdlSystem_sharedPointer("registry"), &value);
  EXPECT_NE(mdlSystem_sharedPointer("other"), slot);
  EXPECT_EQ(mdlSystem_sharedPointer(""), nullptr);
  EXPECT_EQ(mdlSystem_sharedPointer(nullptr), nullptr);
}

TEST(FormatNumber, ShortestFormThatReadsBack) {
  EXPECT_EQ(formatNumber(5), "5");
  EXPECT_EQ(formatNumber(-0.5), "-0.5");
  EXPECT_EQ(formatNumber(0.1), "0.1");
  EXPECT_EQ(formatNumber(1.0 / 3.0), "0.3333333333333333");
  EXPECT_EQ(formatNumber(1e20), "1e+20");
}

}  // namespace
}  // namespace pixmend::host
