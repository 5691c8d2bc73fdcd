// Element attribute definitions as the maker's applications use them: the list row the dialog
// shows, moving within a group, the stored forms (the current image, the two older ones and the
// complete list) through real resource files, and the settings applied to an element.
#include <cstring>
#include <string>
#include <vector>

#include "host/design/design.hpp"
#include "vxlib/core/vxlib_fixture.hpp"
#include "vxlib/services/elmattr/elmattr.hpp"

namespace pixmend::vxlib {
namespace {

using elmattr::Definition;

constexpr int kGroupA = 10, kGroupB = 20;

void firstCallback(VxlibElmAttrChange*) {}
void secondCallback(VxlibElmAttrChange*) {}

void setWide(unsigned short* out, const char* text) {
  for (; *text != '\0'; ++text) *out++ = static_cast<unsigned char>(*text);
  *out = 0;
}

unsigned int fourCc(const char* t) {
  return static_cast<unsigned int>(t[0]) << 24 | static_cast<unsigned int>(t[1]) << 16 |
         static_cast<unsigned int>(t[2]) << 8 | static_cast<unsigned int>(t[3]);
}
void put32(std::vector<std::uint8_t>& image, std::size_t at, std::int32_t v) { std::memcpy(&image[at], &v, 4); }
void putDouble(std::vector<std::uint8_t>& image, std::size_t at, double v) { std::memcpy(&image[at], &v, 8); }

class ElmAttr : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    std::string error;
    ASSERT_TRUE(host::createDesign(path("plan.dgn"), &error)) << error;
    app_ = startApp("VXPipe");
    scope_ = std::make_unique<host::AppScope>(app_);
    ASSERT_EQ(vxlibElmAttr_setGroupeNames(2, "Pipes", kGroupA, 0, "Labels", kGroupB, VXLIB_ELMATTR_GROUP_MENUBAR), 0);
  }
  void TearDown() override {
    vxlibElmAttr_setGroupeNames(0, nullptr, 0, 0);
    scope_.reset();
    VxlibTest::TearDown();
  }

  static std::vector<std::string> row(int id) {
    char columns[elmattr::kColumns][elmattr::kColumnSize];
    const Definition* d = elmattr::find(findGlobalData(), id);
    if (d == nullptr) return {};
    elmattr::summarize(*d, columns);
    return std::vector<std::string>(columns, columns + elmattr::kColumns);
  }
  static std::vector<int> order() {
    std::vector<int> ids;
    for (const Definition* d = elmattr::State{findGlobalData()}.head(); d != nullptr; d = d->next) ids.push_back(d->id);
    return ids;
  }
  static void setReadoutDecimals(int places) {
    const int accuracy = places + 1;
    ASSERT_EQ(mdlParams_setActive(&accuracy, ACTIVEPARAM_READOUT_ACCURACY), 0);
  }
  // A resource file holding exactly the records given.
  std::string resourceFile(const std::string& name,
                           const std::vector<std::tuple<const char*, int, std::vector<std::uint8_t>>>& records) {
    const std::string file = path(name);
    EXPECT_EQ(mdlResource_createFile(file.c_str(), "Attributes", 0), 0);
    RscFileHandle handle = 0;
    EXPECT_EQ(mdlResource_openFile(&handle, file.c_str(), RSC_READWRITE), 0);
    for (const auto& [type, id, data] : records)
      EXPECT_EQ(mdlResource_add(handle, fourCc(type), id, data.data(), static_cast<unsigned int>(data.size()), nullptr), 0);
    mdlResource_closeFile(handle);
    return file;
  }

  host::Application* app_ = nullptr;
  std::unique_ptr<host::AppScope> scope_;
};

TEST_F(ElmAttr, TheListRowShowsSizesWithTheReadoutsDecimalsAndByLevelAsBL) {
  setReadoutDecimals(2);
  VxlibElmAttrSettings text{};
  text.mask = VXLIB_ELMATTR_SIZE | VXLIB_ELMATTR_JUSTIFICATION | VXLIB_ELMATTR_FONT;
  text.textHeight = 2.5;
  text.textWidth = 2.0;
  text.lineSpacing = 1.5;
  text.justification = 7;
  text.font = 3;
  text.color = -1;  // not shown: its bit is clear
  ASSERT_EQ(vxlibElmAttr_addAttribute(1, "Pipe label", kGroupA, 4, 0, nullptr, 0, &text), 0);
  EXPECT_EQ(row(1), (std::vector<std::string>{"Pipe label", "", "", "", "", "", "FO=3,SI=2.50/2.00/1.50,JU=CC"}));

  VxlibElmAttrSettings line{};
  line.mask = VXLIB_ELMATTR_COLOR | VXLIB_ELMATTR_STYLE | VXLIB_ELMATTR_WEIGHT | VXLIB_ELMATTR_LEVEL | VXLIB_ELMATTR_CLASS;
  line.color = -1;
  line.lineStyle = 0x7FFFFFFF;
  line.weight = 3;
  line.elementClass = 2;
  setWide(line.levelName, "Pipes");
  ASSERT_EQ(vxlibElmAttr_addAttribute(2, "Pipe", kGroupA, 1, 0, nullptr, 0, &line), 0);
  EXPECT_EQ(row(2), (std::vector<std::string>{"Pipe", "BL", "BL", "3", "Pipes", "C", ""}));
  line.lineStyle = -9;
  line.weight = -1;
  line.elementClass = 0;
  ASSERT_EQ(vxlibElmAttr_editAttribute(2, 0, &line), 0);
  EXPECT_EQ(row(2)[2], "UD");
  EXPECT_EQ(row(2)[3], "BL");
  EXPECT_EQ(row(2)[5], "P");

  // A free text follows the details (kind 6 keeps the comma before it); kind 5 after its size.
  text.mask |= VXLIB_ELMATTR_TEXTSTYLE;
  setWide(text.choice.textStyleName, "Notes");
  std::strcpy(text.freeText, "DN 100");
  ASSERT_EQ(vxlibElmAttr_addAttribute(3, "Dimension", kGroupA, 6, 0, nullptr, 0, &text, 20, "Text"), 0);
  EXPECT_EQ(row(3)[6], "TS=Notes,FO=3,SI=2.50/2.00/1.50,JU=CC,\"DN 100\"");
  VxlibElmAttrSettings icon{};
  icon.choice.icon.value = 4;
  icon.choice.icon.size = 12.125;
  std::strcpy(icon.freeText, "V1");
  setReadoutDecimals(1);
  ASSERT_EQ(vxlibElmAttr_addAttribute(4, "Valve", kGroupA, 5, 0, nullptr, 0, &icon, 10, "Name", 2, 501, 4, 502, 5), 0);
  EXPECT_EQ(row(4)[6], "SY=4,SI=12.1,\"V1\"");
}

TEST_F(ElmAttr, DefinitionsMoveWithinTheirGroupOnly) {
  for (int id : {1, 2, 3}) ASSERT_EQ(vxlibElmAttr_addAttribute(id, "a", id == 2 ? kGroupB : kGroupA, 1, 0, nullptr, 0, nullptr), 0);
  GlobalData* b = findGlobalData();
  EXPECT_FALSE(elmattr::moveDefinition(b, 1, -1)) << "the first of its group";
  EXPECT_FALSE(elmattr::moveDefinition(b, 3, 1)) << "the last of its group";
  EXPECT_EQ(order(), (std::vector<int>{1, 2, 3}));
  // 3's neighbour in its group is 1, across the other group's 2.
  EXPECT_TRUE(elmattr::moveDefinition(b, 3, -1));
  EXPECT_EQ(order(), (std::vector<int>{3, 2, 1}));
  EXPECT_TRUE(elmattr::moveDefinition(b, 3, 1));
  EXPECT_EQ(order(), (std::vector<int>{1, 2, 3}));
  ASSERT_EQ(vxlibElmAttr_addAttribute(4, "b", kGroupA, 1, 0, nullptr, 0, nullptr), 0);
  EXPECT_TRUE(elmattr::moveDefinition(b, 4, -1));
  EXPECT_EQ(order(), (std::vector<int>{1, 2, 4, 3}));
}

TEST_F(ElmAttr, IdentifiersStayUniqueAndInsertedOnesTakeTheNextFree) {
  ASSERT_EQ(vxlibElmAttr_addAttribute(7, "Pipe", kGroupA, 7, 0, firstCallback, 0, nullptr, "Size", 2, "Small", 1, "Large", 2), 0);
  EXPECT_EQ(vxlibElmAttr_addAttribute(7, "Again", kGroupA, 1, 0, nullptr, 0, nullptr), VXLIB_ERROR);
  EXPECT_EQ(vxlibElmAttr_addAttribute(8, "Bad kind", kGroupA, 8, 0, nullptr, 0, nullptr), VXLIB_ERROR);
  EXPECT_EQ(vxlibElmAttr_insertAttribute(99, "x", 0, nullptr), VXLIB_ERROR);
  ASSERT_EQ(vxlibElmAttr_insertAttribute(7, "Pipe copy", 0, nullptr), 0);
  EXPECT_EQ(order(), (std::vector<int>{8, 7}));
  const Definition* copy = elmattr::find(findGlobalData(), 8);
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->choiceCount, 2);
  EXPECT_STREQ(reinterpret_cast<const char*>(copy->choiceIcons[1]), "Large");
  EXPECT_NE(copy->choiceIcons[1], elmattr::find(findGlobalData(), 7)->choiceIcons[1]) << "its own copy";
  EXPECT_EQ(vxlibElmAttr_findIdForAttributeName("Pipe copy", kGroupA), 8);
  EXPECT_EQ(vxlibElmAttr_findIdForAttributeName("Pipe copy", kGroupB), 0);
  // A group with a menu bar keeps no callbacks.
  ASSERT_EQ(vxlibElmAttr_addAttribute(20, "Label", kGroupB, 1, 0, firstCallback, 0, nullptr), 0);
  EXPECT_EQ(elmattr::find(findGlobalData(), 20)->callback, nullptr);
  ASSERT_EQ(vxlibElmAttr_deleteAttribute(7, 0), 0);
  EXPECT_EQ(vxlibElmAttr_deleteAttribute(7, 0), VXLIB_ERROR);
  EXPECT_EQ(findGlobalData()->attributeCount, 2);
}

TEST_F(ElmAttr, SettingsGoThroughAResourceFileAndBackForEveryKind) {
  VxlibElmAttrSettings text{};
  text.mask = VXLIB_ELMATTR_ANGLE | VXLIB_ELMATTR_TEXTSTYLE | VXLIB_ELMATTR_LEVEL;
  setWide(text.levelName, "Text and labels");
  setWide(text.choice.textStyleName, "Notes");
  text.textHeight = 2.5;
  text.extra.angle = 30;
  text.lineStyle = -8;
  std::strcpy(text.lineStyleName, "Dashed pipe");
  VxlibElmAttrSettings listed = text;
  std::strcpy(listed.extra.text, "application string");
  listed.kind7Value = 42;
  VxlibElmAttrSettings icon{};
  icon.choice.icon.value = 501;
  icon.choice.icon.size = 7.5;
  std::strcpy(icon.freeText, "V12");
  ASSERT_EQ(vxlibElmAttr_addAttribute(1, "Label", kGroupA, 4, 0, nullptr, 0, &text), 0);
  ASSERT_EQ(vxlibElmAttr_addAttribute(2, "Choice", kGroupA, 7, 0, nullptr, 0, &listed, "Size", 0), 0);
  ASSERT_EQ(vxlibElmAttr_addAttribute(3, "Valve", kGroupA, 5, 0, nullptr, 0, &icon, 10, "Name", 0), 0);
  ASSERT_EQ(vxlibElmAttr_writeResource(path("attributes.rsc").c_str()), 0);

  const VxlibElmAttrSettings blank{};
  for (int id : {1, 2, 3}) ASSERT_EQ(vxlibElmAttr_editAttribute(id, 0, &blank), 0);
  ASSERT_EQ(vxlibElmAttr_readResource(path("attributes.rsc").c_str()), 0);
  VxlibElmAttrSettings got{};
  ASSERT_EQ(vxlibElmAttr_extractData(1, &got), 0);
  EXPECT_EQ(std::memcmp(&got, &text, sizeof got), 0);
  ASSERT_EQ(vxlibElmAttr_extractData(2, &got), 0);
  EXPECT_STREQ(got.extra.text, "application string");
  EXPECT_EQ(got.kind7Value, 42);
  EXPECT_EQ(got.lineStyle, -8) << "a name the design does not know keeps its number";
  ASSERT_EQ(vxlibElmAttr_extractData(3, &got), 0);
  EXPECT_EQ(got.choice.icon.value, 501);
  EXPECT_EQ(got.choice.icon.size, 7.5);
  EXPECT_STREQ(got.freeText, "V12");

  // A definition the file does not know stays as it is.
  ASSERT_EQ(vxlibElmAttr_addAttribute(4, "New", kGroupA, 1, 0, nullptr, 0, &icon), 0);
  ASSERT_EQ(vxlibElmAttr_readResource(path("attributes.rsc").c_str()), 0);
  ASSERT_EQ(vxlibElmAttr_extractData(4, &got), 0);
  EXPECT_STREQ(got.freeText, "V12");
}

TEST_F(ElmAttr, TheOldestFormNamesItsCustomStyleAndNumbersItsLevel) {
  ASSERT_TRUE(host::defineNamedLineStyle("Dashed pipe"));
  const long number = mdlLineStyle_numberFromName("Dashed pipe", nullptr);
  ASSERT_GE(number, 8);
  ASSERT_EQ(vxlibElmAttr_addAttribute(5, "Label", kGroupA, 4, 0, nullptr, 0, nullptr), 0);
  // Words from offset 48: colour, style, weight, level, class, mask, ..., the style block from
  // word 8 (scale, width, name from word 12), the font at word 28 and the text sizes from word 30.
  std::vector<std::uint8_t> old(320, 0);
  put32(old, 4, 4);
  put32(old, 8, 5);
  put32(old, 48, 3);
  put32(old, 52, 8);
  put32(old, 56, 2);
  put32(old, 60, 12);
  put32(old, 68, 0x47);
  putDouble(old, 80, 0.5);
  std::memcpy(&old[96], "DASHED PIPE", 11);
  put32(old, 160, 6);
  putDouble(old, 168, 1.25);   // width
  putDouble(old, 176, 2.5);    // height
  putDouble(old, 208, 45.0);   // the angle
  ASSERT_EQ(vxlibElmAttr_readResource(resourceFile("old.rsc", {{"VxAs", 5, old}}).c_str()), 0);
  VxlibElmAttrSettings got{};
  ASSERT_EQ(vxlibElmAttr_extractData(5, &got), 0);
  EXPECT_EQ(got.lineStyle, -number);
  EXPECT_STREQ(got.lineStyleName, "DASHED PIPE");
  EXPECT_STREQ(vxlibUtil_convertToMultibyteText(got.levelName), "Level 12");
  EXPECT_EQ(got.color, 3);
  EXPECT_EQ(got.weight, 2);
  EXPECT_EQ(got.mask, 0x47);
  EXPECT_EQ(got.lineStyleScale, 0.5);
  EXPECT_EQ(got.font, 6);
  EXPECT_EQ(got.textWidth, 1.25);
  EXPECT_EQ(got.textHeight, 2.5);
  EXPECT_EQ(got.extra.angle, 45.0);

  // The 1320-byte form: a kind 4 text takes its font at 1176 and its sizes from 1184.
  std::vector<std::uint8_t> older(1320, 0);
  put32(older, 4, 4);
  put32(older, 48, 9);
  put32(older, 1176, 11);
  putDouble(older, 1192, 3.5);
  putDouble(older, 1224, 90.0);
  ASSERT_EQ(vxlibElmAttr_readResource(resourceFile("older.rsc", {{"VxA2", 5, older}}).c_str()), 0);
  ASSERT_EQ(vxlibElmAttr_extractData(5, &got), 0);
  EXPECT_EQ(got.color, 9);
  EXPECT_EQ(got.font, 11);
  EXPECT_EQ(got.textHeight, 3.5);
  EXPECT_EQ(got.extra.angle, 90.0);
}

TEST_F(ElmAttr, OlderFormsKeepTheStringsAndChoicesOfTheirKind) {
  ASSERT_EQ(vxlibElmAttr_addAttribute(6, "Note", kGroupA, 7, 0, nullptr, 0, nullptr, "List", 0), 0);
  ASSERT_EQ(vxlibElmAttr_addAttribute(7, "Valve", kGroupA, 3, 0, nullptr, 0, nullptr, 0), 0);
  // 1320 bytes: kind 7 keeps its string from 1224 (84 bytes, unterminated here) and its integer
  // from 1308; kind 3 keeps bytes 1176 to 1303 where they are.
  std::vector<std::uint8_t> note(1320, 0), valve(1320, 0);
  put32(note, 4, 7);
  std::memset(&note[1224], 'n', 84);
  put32(note, 1308, 77);
  put32(valve, 4, 3);
  put32(valve, 1176, 9);
  putDouble(valve, 1184, 4.5);
  ASSERT_EQ(vxlibElmAttr_readResource(resourceFile("older.rsc", {{"VxA2", 6, note}, {"VxA2", 7, valve}}).c_str()), 0);
  VxlibElmAttrSettings got{};
  ASSERT_EQ(vxlibElmAttr_extractData(6, &got), 0);
  EXPECT_EQ(std::string(got.extra.text), std::string(83, 'n')) << "ended within its field";
  EXPECT_EQ(got.kind7Value, 77);
  ASSERT_EQ(vxlibElmAttr_extractData(7, &got), 0);
  EXPECT_EQ(got.choice.icon.value, 9);
  EXPECT_EQ(got.choice.icon.size, 4.5);

  // The angle of a text shows with the readout's decimals, after the justification.
  setReadoutDecimals(1);
  VxlibElmAttrSettings text{};
  text.mask = VXLIB_ELMATTR_ANGLE | VXLIB_ELMATTR_JUSTIFICATION;
  text.justification = 14;
  text.extra.angle = 22.25;
  ASSERT_EQ(vxlibElmAttr_addAttribute(8, "Turned", kGroupA, 4, 0, nullptr, 0, &text), 0);
  EXPECT_EQ(row(8)[6], "JU=RB,SL=22.2");
}

TEST_F(ElmAttr, TheCompleteListKeepsCallbacksOfIdentifiersInTheSameOrder) {
  ASSERT_EQ(vxlibElmAttr_addAttribute(1, "One", kGroupA, 1, 0, firstCallback, 0, nullptr), 0);
  ASSERT_EQ(vxlibElmAttr_addAttribute(2, "Two", kGroupA, 2, 0, nullptr, 0, nullptr, 1, 501, 1), 0);
  ASSERT_EQ(vxlibElmAttr_addAttribute(3, "Three", kGroupA, 1, 0, secondCallback, 0, nullptr), 0);
  ASSERT_EQ(vxlibElmAttr_writeResourceExtended(path("list.rsc").c_str()), 0);

  // The list changed since: 2 is gone and 4 came after 1.
  ASSERT_EQ(vxlibElmAttr_deleteAttribute(2, 0), 0);
  ASSERT_EQ(vxlibElmAttr_deleteAttribute(3, 0), 0);
  ASSERT_EQ(vxlibElmAttr_addAttribute(4, "Four", kGroupA, 1, 0, secondCallback, 0, nullptr), 0);
  ASSERT_EQ(vxlibElmAttr_addAttribute(3, "Three", kGroupA, 1, 0, secondCallback, 0, nullptr), 0);
  ASSERT_EQ(vxlibElmAttr_readResourceExtended(path("list.rsc").c_str()), 0);
  EXPECT_EQ(order(), (std::vector<int>{1, 2, 3}));
  GlobalData* b = findGlobalData();
  EXPECT_EQ(elmattr::find(b, 1)->callback, &firstCallback);
  EXPECT_EQ(elmattr::find(b, 2)->callback, nullptr) << "the old 4 was next: no match";
  EXPECT_EQ(elmattr::find(b, 3)->callback, nullptr) << "the old 4 never matched, so 3 was never reached";
  EXPECT_EQ(elmattr::find(b, 2)->kind, 2);
  char label[80];
  ASSERT_EQ(vxlibElmAttr_getLabelFromId(3, label), 0);
  EXPECT_STREQ(label, "Three");
  EXPECT_EQ(b->attributeCount, 3);
}

TEST_F(ElmAttr, ADamagedCompleteListLeavesTheListAsItWas) {
  ASSERT_EQ(vxlibElmAttr_addAttribute(1, "One", kGroupA, 1, 0, nullptr, 0, nullptr), 0);
  std::vector<std::uint8_t> image(1480, 0), label(80, 0), count(4, 0), many(4, 0);
  put32(image, 4, 1);
  put32(image, 8, 5);
  put32(count, 0, 2);
  put32(many, 0, 0x7FFFFFFF);
  std::vector<std::uint8_t> badKind = image;
  put32(badKind, 4, 9);
  EXPECT_EQ(vxlibElmAttr_readResourceExtended(path("missing.rsc").c_str()), VXLIB_ERROR);
  EXPECT_EQ(vxlibElmAttr_readResourceExtended(
                resourceFile("nocount.rsc", {{"ASD3", 0, image}, {"ASNa", 0, label}}).c_str()),
            VXLIB_ERROR);
  EXPECT_EQ(vxlibElmAttr_readResourceExtended(
                resourceFile("short.rsc", {{"ASD3", 0, image}, {"ASNa", 0, label}, {"ASNo", 1, count}}).c_str()),
            VXLIB_ERROR);
  EXPECT_EQ(vxlibElmAttr_readResourceExtended(
                resourceFile("huge.rsc", {{"ASD3", 0, image}, {"ASNa", 0, label}, {"ASNo", 1, many}}).c_str()),
            VXLIB_ERROR);
  EXPECT_EQ(vxlibElmAttr_readResourceExtended(resourceFile("kind.rsc", {{"ASD3", 0, badKind}, {"ASNa", 0, label},
                                                                        {"ASD3", 1, image}, {"ASNa", 1, label},
                                                                        {"ASNo", 1, count}})
                                                  .c_str()),
            VXLIB_ERROR);
  EXPECT_EQ(order(), (std::vector<int>{1}));
}

TEST_F(ElmAttr, TheSettingsWhoseBitsAreSetGoOntoTheElement) {
  ASSERT_TRUE(host::defineNamedLineStyle("Dashed pipe"));
  VxlibElmAttrSettings s{};
  s.mask = VXLIB_ELMATTR_COLOR | VXLIB_ELMATTR_STYLE | VXLIB_ELMATTR_LEVEL | VXLIB_ELMATTR_CLASS;
  s.color = 4;
  s.weight = 7;  // its bit is clear
  s.lineStyle = -1;
  std::strcpy(s.lineStyleName, "dashed PIPE");
  s.elementClass = 1;
  setWide(s.levelName, "Pipes");
  ASSERT_EQ(vxlibElmAttr_addAttribute(1, "Pipe", kGroupA, 1, 0, nullptr, 0, &s), 0);
  MSElement line{};
  const DPoint3d points[2] = {{0, 0, 0}, {10, 0, 0}};
  ASSERT_EQ(mdlLine_create(&line, nullptr, points), 0);
  unsigned int weightBefore = 0;
  mdlElement_getSymbology(nullptr, &weightBefore, nullptr, &line);
  VxlibElmAttrSettings out{};
  ASSERT_EQ(vxlibElmAttr_setSymbologyAndProperties(&line, 1, &out), 0);
  EXPECT_EQ(out.color, 4);
  unsigned int color = 0, weight = 0, level = 0, levelPipes = 0;
  int style = 0, elementClass = 0;
  mdlElement_getSymbology(&color, &weight, &style, &line);
  mdlElement_getProperties(&level, nullptr, &elementClass, &line);
  EXPECT_EQ(color, 4u);
  EXPECT_EQ(weight, weightBefore);
  EXPECT_EQ(style, mdlLineStyle_numberFromName("Dashed pipe", nullptr));
  ASSERT_EQ(mdlLevel_getIdFromName(&levelPipes, nullptr, s.levelName), 0) << "the level was made";
  EXPECT_EQ(level, levelPipes);
  EXPECT_EQ(elementClass, ELEMENT_CLASS_CONSTRUCTION);
  EXPECT_EQ(vxlibElmAttr_setSymbologyAndProperties(&line, 2, nullptr), VXLIB_ERROR);
}

TEST_F(ElmAttr, ElementsAreBuiltWithTheirDefinitionAndJoinTheDescriptor) {
  VxlibElmAttrSettings s{};
  s.mask = VXLIB_ELMATTR_COLOR | VXLIB_ELMATTR_WEIGHT;
  s.color = 5;
  s.weight = 2;
  ASSERT_EQ(vxlibElmAttr_addAttribute(1, "Pipe", kGroupA, 1, 0, nullptr, 0, &s), 0);
  const DPoint3d points[4] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
  MSElement first{};
  ASSERT_EQ(mdlLine_create(&first, nullptr, points), 0);
  MSElementDescr* descr = nullptr;
  ASSERT_EQ(mdlElmdscr_new(&descr, &first), 0);
  ASSERT_EQ(vxlibElement_createShape(points, 4, 1, 1, descr), 0);
  EXPECT_EQ(mdlElement_getType(dgnBuf), SHAPE_ELM);
  const MSElementDescr* added = mdlElmdscr_next(descr);
  ASSERT_NE(added, nullptr);
  unsigned int color = 0, weight = 0;
  mdlElement_getSymbology(&color, &weight, nullptr, mdlElmdscr_getElement(const_cast<MSElementDescr*>(added)));
  EXPECT_EQ(color, 5u);
  EXPECT_EQ(weight, 2u);
  mdlElmdscr_freeAll(&descr);
  EXPECT_EQ(vxlibElement_createLineString(points, 1, 1, nullptr), VXLIB_ERROR) << "one vertex is no line string";

  // By level, and from a level; a level the model does not have changes nothing.
  ASSERT_EQ(vxlibElement_createLine(points, 1, nullptr), 0);
  ASSERT_EQ(vxlibElement_setSymbologyByLevel(dgnBuf), 0);
  int style = 0;
  mdlElement_getSymbology(&color, &weight, &style, dgnBuf);
  EXPECT_EQ(color, COLOR_BYLEVEL);
  EXPECT_EQ(style, STYLE_BYLEVEL);
  unsigned short name[16];
  setWide(name, "Walls");
  unsigned int level = 0;
  ASSERT_EQ(mdlLevel_create(&level, nullptr, name), 0);
  const unsigned int levelColor = 3, levelWeight = 4;
  const int levelStyle = 2;
  ASSERT_EQ(mdlLevel_setElementSymbology(nullptr, level, &levelColor, &levelWeight, &levelStyle), 0);
  ASSERT_EQ(vxlibElement_setSymbologyFromLevel(dgnBuf, level), 0);
  mdlElement_getSymbology(&color, &weight, &style, dgnBuf);
  EXPECT_EQ(color, 3u);
  EXPECT_EQ(weight, 4u);
  EXPECT_EQ(style, 2);
  EXPECT_EQ(vxlibElement_setSymbologyFromLevel(dgnBuf, 60), VXLIB_ERROR);
  mdlElement_getSymbology(&color, nullptr, nullptr, dgnBuf);
  EXPECT_EQ(color, 3u);
}

TEST_F(ElmAttr, ArcsAndCirclesTakeTheirDefinitionAndTheArcByCentreLeavesTheBufferAlone) {
  VxlibElmAttrSettings s{};
  s.mask = VXLIB_ELMATTR_COLOR;
  s.color = 6;
  ASSERT_EQ(vxlibElmAttr_addAttribute(1, "Ring", kGroupA, 1, 0, nullptr, 0, &s), 0);
  const DPoint3d center{10, 10, 0}, start{20, 10, 0}, end{10, 20, 0};
  ASSERT_EQ(vxlibElement_createEllipseExtended(&center, 5, 1, 1, nullptr), 0);
  EXPECT_NE(mdlElement_isFilled(dgnBuf), 0);
  unsigned int color = 0;
  mdlElement_getSymbology(&color, nullptr, nullptr, dgnBuf);
  EXPECT_EQ(color, 6u);
  ASSERT_EQ(vxlibElement_createArc(&center, 5, 0, 1.5, 1, nullptr), 0);
  const std::vector<std::uint8_t> before(reinterpret_cast<std::uint8_t*>(dgnBuf),
                                         reinterpret_cast<std::uint8_t*>(dgnBuf) + mdlElement_size(dgnBuf));
  MSElementDescr* descr = nullptr;
  MSElement first{};
  const DPoint3d line[2] = {{0, 0, 0}, {1, 0, 0}};
  ASSERT_EQ(mdlLine_create(&first, nullptr, line), 0);
  ASSERT_EQ(mdlElmdscr_new(&descr, &first), 0);
  EXPECT_EQ(vxlibElement_createArcByCenter(&start, &end, &center, nullptr, 0, 1, nullptr), VXLIB_ERROR)
      << "without a descriptor the arc would go nowhere";
  ASSERT_EQ(vxlibElement_createArcByCenter(&start, &end, &center, nullptr, 0, 1, descr), 0);
  EXPECT_EQ(std::memcmp(before.data(), dgnBuf, before.size()), 0) << "the host's buffer keeps the last element";
  const MSElementDescr* arc = mdlElmdscr_next(descr);
  ASSERT_NE(arc, nullptr);
  mdlElement_getSymbology(&color, nullptr, nullptr, mdlElmdscr_getElement(const_cast<MSElementDescr*>(arc)));
  EXPECT_EQ(color, 6u);
  mdlElmdscr_freeAll(&descr);
  EXPECT_EQ(vxlibElement_createArcByCenter(&center, &end, &center, nullptr, 0, 1, descr), VXLIB_ERROR);
}

TEST_F(ElmAttr, TextsTakeTheDefinitionsSizeJustificationFontAndAngle) {
  VxlibElmAttrSettings s{};
  s.mask = VXLIB_ELMATTR_SIZE | VXLIB_ELMATTR_JUSTIFICATION | VXLIB_ELMATTR_FONT | VXLIB_ELMATTR_ANGLE | VXLIB_ELMATTR_COLOR;
  s.textHeight = 5;
  s.textWidth = 4;
  s.lineSpacing = 1.5;
  s.justification = 7;
  s.font = 3;
  s.extra.angle = 90;
  s.color = 2;
  ASSERT_EQ(vxlibElmAttr_addAttribute(1, "Label", kGroupA, 4, 0, nullptr, 0, &s), 0);
  MSElement text{};
  const DPoint3d origin{10, 20, 0};
  VxlibElmAttrSettings out{};
  ASSERT_EQ(vxlibElmAttr_createText(&text, nullptr, "AB", &origin, nullptr, 1, 2.0, &out), 0);
  EXPECT_EQ(out.font, 3);
  TextSize size{};
  TextParam params{};
  RotMatrix rotation{};
  ASSERT_EQ(mdlText_extract(nullptr, 0, nullptr, &rotation, &size, &params, nullptr, &text), 0);
  EXPECT_DOUBLE_EQ(size.height, 2.5) << "divided by the scale";
  EXPECT_DOUBLE_EQ(size.width, 2.0);
  EXPECT_EQ(params.justification, 7);
  EXPECT_EQ(params.font, 3);
  EXPECT_NEAR(rotation.form3d[1][0], 1.0, 1e-12) << "turned by 90 degrees";
  unsigned int color = 0;
  mdlElement_getSymbology(&color, nullptr, nullptr, &text);
  EXPECT_EQ(color, 2u);
  EXPECT_EQ(vxlibElmAttr_createText(&text, nullptr, "AB", &origin, nullptr, 1, 0.0, nullptr), VXLIB_ERROR);

  // A justification given for one text leaves the definition as it was.
  s.mask &= ~VXLIB_ELMATTR_JUSTIFICATION;
  ASSERT_EQ(vxlibElmAttr_editAttribute(1, 0, &s), 0);
  ASSERT_EQ(vxlibElement_createText(&origin, "AB", 1.0, 14, 1, nullptr), 0);
  ASSERT_EQ(mdlText_extract(nullptr, 0, nullptr, nullptr, nullptr, &params, nullptr, dgnBuf), 0);
  EXPECT_EQ(params.justification, 14);
  VxlibElmAttrSettings kept{};
  ASSERT_EQ(vxlibElmAttr_extractData(1, &kept), 0);
  EXPECT_EQ(std::memcmp(&kept, &s, sizeof s), 0);

  // Two lines: the wider line's width, the last line's height, the spacing between them.
  double width = 0, height = 0, total = 0, oneLine = 0;
  ASSERT_EQ(vxlibUtil_extractTextSize("ABCD", 1.0, 1, 3.0, &oneLine, nullptr, nullptr, nullptr), 0);
  ASSERT_EQ(vxlibUtil_extractTextSize("AB\nABCD", 1.0, 1, 3.0, &width, &height, &total, &params), 0);
  EXPECT_DOUBLE_EQ(width, oneLine);
  EXPECT_DOUBLE_EQ(height, 5.0);
  EXPECT_DOUBLE_EQ(total, 3.0 + 2 * 5.0);
  EXPECT_EQ(vxlibUtil_extractTextSize("AB", 1.0, 99, 3.0, &width, nullptr, nullptr, nullptr), VXLIB_ERROR);
}

}  // namespace
}  // namespace pixmend::vxlib
