// String lists (members, info fields, limits, stored form) and list models (rows, cells with
// text and long values, display texts), and the remembered file records.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/resource/api.h"
#include "host/resource/resource_fixture.hpp"

namespace pixmend::host {
namespace {

using Lists = ResourceTest;

std::string at(StringList* list, long index) {
  char* s = nullptr;
  EXPECT_EQ(mdlStringList_getMember(&s, nullptr, list, index), RSC_SUCCESS);
  return s != nullptr ? s : "<null>";
}

TEST_F(Lists, StringListMembersInsertDeleteAndKeepInfoFields) {
  StringList* list = mdlStringList_create(0, 2);
  ASSERT_NE(list, nullptr);
  long index = -9;
  ASSERT_EQ(mdlStringList_insertMember(&index, list, -1, 2), RSC_SUCCESS);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(mdlStringList_size(list), 2);
  const long info[STRINGLIST_INFO_FIELDS] = {0, 1, 0, 0};
  mdlStringList_setMember(list, 0, "HP5", nullptr);
  mdlStringList_setMember(list, 1, "//srv/hp5", info);
  mdlStringList_setMember(list, 2, "Laser", nullptr);
  mdlStringList_setMember(list, 3, "//srv/laser", nullptr);
  ASSERT_EQ(mdlStringList_insertMember(&index, list, 1, 1), RSC_SUCCESS);  // between the two
  EXPECT_EQ(index, 1);
  EXPECT_EQ(at(list, 2), "");
  EXPECT_EQ(at(list, 4), "Laser");
  long* fields = nullptr;
  ASSERT_EQ(mdlStringList_getMember(nullptr, &fields, list, 1), RSC_SUCCESS);
  EXPECT_EQ(fields[1], 1);
  ASSERT_EQ(mdlStringList_deleteMember(list, 0, 1), RSC_SUCCESS);
  EXPECT_EQ(at(list, 0), "");
  EXPECT_EQ(at(list, 2), "Laser");
  // Out of range, stale and foreign pointers are refused.
  EXPECT_EQ(mdlStringList_deleteMember(list, 1, 2), RSC_ERR_BAD_ARGUMENT);
  EXPECT_EQ(mdlStringList_getMember(nullptr, nullptr, list, 4), RSC_ERR_BAD_ARGUMENT);
  EXPECT_EQ(mdlStringList_insertMember(nullptr, list, 3, 1), RSC_ERR_BAD_ARGUMENT);
  ASSERT_EQ(mdlStringList_destroy(list), RSC_SUCCESS);
  EXPECT_EQ(mdlStringList_destroy(list), RSC_ERR_BAD_ARGUMENT);
  EXPECT_EQ(mdlStringList_size(list), -1);
  EXPECT_EQ(mdlStringList_create(1, 0), nullptr);
}

TEST_F(Lists, FullStringListRefusesNewMembersUntilOneIsDeleted) {
  StringList* list = mdlStringList_create(STRINGLIST_MAX_MEMBERS - 1, 1);
  ASSERT_NE(list, nullptr);
  long index = 0;
  EXPECT_EQ(mdlStringList_insertMember(&index, list, -1, 1), RSC_SUCCESS);
  EXPECT_EQ(mdlStringList_insertMember(&index, list, -1, 1), RSC_ERR_BAD_ARGUMENT);
  ASSERT_EQ(mdlStringList_deleteMember(list, 0, 1), RSC_SUCCESS);
  EXPECT_EQ(mdlStringList_insertMember(&index, list, -1, 1), RSC_SUCCESS);
  EXPECT_EQ(index, STRINGLIST_MAX_MEMBERS - 1);
}

TEST_F(Lists, StringListResourcesRoundTripAndWriteReplaces) {
  const std::string file = compile("scales.rsc", R"({"resources": [
      {"kind": "stringlist", "id": 20001, "stringsPerMember": 2,
       "members": [["1:1", "1.000000"], ["1:50", "50.000000"]], "info": [[], [[1]]]}]})");
  RscFileHandle h = 0;
  ASSERT_EQ(mdlResource_openFile(&h, file.c_str(), RSC_READWRITE), RSC_SUCCESS);
  StringList* list = mdlStringList_loadResource(h, 20001);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(mdlStringList_size(list), 2);
  EXPECT_EQ(mdlStringList_stringsPerMember(list), 2);
  EXPECT_EQ(at(list, 2), "1:50");
  long* info = nullptr;
  mdlStringList_getMember(nullptr, &info, list, 2);
  EXPECT_EQ(info[0], 1);
  mdlStringList_getMember(nullptr, &info, list, 0);
  EXPECT_EQ(info[0], 0);

  EXPECT_EQ(mdlStringList_addResource(list, h, 20001), RSC_ERR_EXISTS);
  mdlStringList_setMember(list, 3, "49.500000", nullptr);
  const long big[STRINGLIST_INFO_FIELDS] = {-7, 0x7fffff00, 0, 3};
  mdlStringList_setMember(list, 0, nullptr, big);
  ASSERT_EQ(mdlStringList_writeResource(list, h, 20001), RSC_SUCCESS);
  ASSERT_EQ(mdlStringList_addResource(list, h, 20002), RSC_SUCCESS);
  mdlResource_closeFile(h);

  ASSERT_EQ(mdlResource_openFile(&h, file.c_str(), RSC_READONLY), RSC_SUCCESS);
  StringList* back = mdlStringList_loadResource(h, 20001);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(at(back, 3), "49.500000");
  mdlStringList_getMember(nullptr, &info, back, 0);
  EXPECT_EQ(std::vector<long>(info, info + 4), (std::vector<long>{-7, 0x7fffff00, 0, 3}));
  EXPECT_NE(mdlStringList_loadResource(h, 20002), nullptr);
  EXPECT_EQ(mdlStringList_loadResource(h, 20003), nullptr);
}

TEST_F(Lists, DamagedStringListResourceIsRefused) {
  const std::string file = compile("bad.rsc", R"({"resources": [
      {"kind": "bytes", "type": "StrL", "id": 1, "hex": "01000000 ffff0000 04000000"},
      {"kind": "bytes", "type": "StrL", "id": 2, "hex": "01000000 01000000 04000000 ffffffff"}]})");
  RscFileHandle h = 0;
  ASSERT_EQ(mdlResource_openFile(&h, file.c_str(), RSC_READONLY), RSC_SUCCESS);
  EXPECT_EQ(mdlStringList_loadResource(h, 1), nullptr);  // claims 65535 members in 12 bytes
  EXPECT_EQ(mdlStringList_loadResource(h, 2), nullptr);  // a string longer than the resource
}

TEST_F(Lists, ListModelRowsAndCellsHoldTextAndLongValues) {
  ListModel* model = mdlListModel_create(2);
  ASSERT_NE(model, nullptr);
  const char* names[] = {"1:1", "1:2", "1:5"};
  for (const char* name : names) {
    ListRow* row = mdlListModel_insertNewRow(model, -1);
    ASSERT_NE(row, nullptr);
    mdlListCell_setStringValue(mdlListRow_getCellAtIndex(row, 0), name, 1);
  }
  ListRow* inserted = mdlListModel_insertNewRow(model, 1);
  ListCell* cell = mdlListRow_getCellAtIndex(inserted, 0);
  mdlListCell_setStringValue(cell, "style", 0);
  mdlListCell_setLongValue(cell, 0x7fffff00);
  EXPECT_STREQ(mdlListCell_getDisplayText(cell), "");
  mdlListCell_setDisplayText(cell, "ByLevel");
  long value = 0;
  EXPECT_EQ(mdlListCell_getLongValue(cell, &value), RSC_SUCCESS);
  EXPECT_EQ(value, 0x7fffff00);
  EXPECT_EQ(mdlListCell_getLongValue(mdlListRow_getCellAtIndex(inserted, 1), &value), RSC_ERR_NO_SUCH_RESOURCE);
  EXPECT_EQ(mdlListModel_getRowCount(model), 4);
  EXPECT_EQ(mdlListModel_getRowIndex(model, inserted), 1);
  EXPECT_STREQ(mdlListCell_getStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(model, 2), 0)), "1:2");
  EXPECT_EQ(mdlListRow_getCellAtIndex(inserted, 2), nullptr);

  ASSERT_EQ(mdlListModel_removeRows(model, 1, 1), RSC_SUCCESS);
  // The removed row and its cells are gone: using them is refused, not followed.
  EXPECT_EQ(mdlListCell_setLongValue(cell, 1), RSC_ERR_BAD_ARGUMENT);
  EXPECT_EQ(mdlListRow_getCellAtIndex(inserted, 0), nullptr);
  EXPECT_STREQ(mdlListCell_getStringValue(cell), "");
  EXPECT_EQ(mdlListModel_removeRows(model, 2, 2), RSC_ERR_BAD_ARGUMENT);
  EXPECT_EQ(mdlListModel_getRowAtIndex(model, 3), nullptr);
  EXPECT_EQ(mdlListModel_insertNewRow(model, 5), nullptr);
  ASSERT_EQ(mdlListModel_destroy(model), RSC_SUCCESS);
  EXPECT_EQ(mdlListModel_getRowCount(model), -1);
  EXPECT_EQ(mdlListModel_destroy(model), RSC_ERR_BAD_ARGUMENT);
  EXPECT_EQ(mdlListModel_create(0), nullptr);
}

TEST_F(Lists, ListModelFromAStringListTakesItsMembersAsRows) {
  StringList* list = mdlStringList_create(2, 2);
  const long active[STRINGLIST_INFO_FIELDS] = {1, 0, 0, 0};
  mdlStringList_setMember(list, 0, "1:1", nullptr);
  mdlStringList_setMember(list, 1, "1.000000", nullptr);
  mdlStringList_setMember(list, 2, "1:50", active);
  mdlStringList_setMember(list, 3, "50.000000", nullptr);
  ListModel* model = mdlListModel_createFromStringList(list, 2);
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(mdlListModel_getRowCount(model), 2);
  ListCell* name = mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(model, 1), 0);
  EXPECT_STREQ(mdlListCell_getDisplayText(name), "1:50");
  long value = 0;
  EXPECT_EQ(mdlListCell_getLongValue(name, &value), RSC_SUCCESS);
  EXPECT_EQ(value, 1);
  EXPECT_STREQ(mdlListCell_getStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(model, 1), 1)),
               "50.000000");
  mdlStringList_destroy(list);
  EXPECT_EQ(mdlListModel_createFromStringList(list, 2), nullptr);
}

TEST_F(Lists, RememberedFileRecordsAreKeptPerDialogInThePreferenceFile) {
  const std::string file = path("user.upf");
  ASSERT_EQ(mdlResource_createFile(file.c_str(), "", 0), RSC_SUCCESS);
  RscFileHandle h = 0;
  ASSERT_EQ(mdlResource_openFile(&h, file.c_str(), RSC_READWRITE), RSC_SUCCESS);
  std::vector<std::uint8_t> record(USERPREFS_FILE_RECORD_SIZE, 0xaa), back(USERPREFS_FILE_RECORD_SIZE, 0);
  EXPECT_EQ(mdlUserPrefs_getFileName(back.data(), h, -20001), RSC_ERR_NO_SUCH_RESOURCE);
  EXPECT_EQ(back[0], 0);  // untouched when nothing is remembered
  record[0] = 0xff;
  record[USERPREFS_FILE_RECORD_SIZE - 1] = 0x11;
  ASSERT_EQ(mdlUserPrefs_saveFileName(record.data(), h, -20001), RSC_SUCCESS);
  record[0] = 0x01;
  ASSERT_EQ(mdlUserPrefs_saveFileName(record.data(), h, -20002), RSC_SUCCESS);
  ASSERT_EQ(mdlUserPrefs_getFileName(back.data(), h, -20001), RSC_SUCCESS);
  EXPECT_EQ(back[0], 0xff);
  EXPECT_EQ(back[USERPREFS_FILE_RECORD_SIZE - 1], 0x11);
  EXPECT_EQ(mdlUserPrefs_getFileName(back.data(), h, -20002), RSC_SUCCESS);
  EXPECT_EQ(back[0], 0x01);
  EXPECT_EQ(mdlUserPrefs_saveFileName(record.data(), 0, -20001), RSC_ERR_BAD_ARGUMENT);
}

}  // namespace
}  // namespace pixmend::host
