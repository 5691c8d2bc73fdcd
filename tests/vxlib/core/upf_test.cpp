// User preference files: where they are, first start, read-only and damaged files, records
// replaced in place, and the remembered-file records of the file dialogs.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "vxlib/core/vxlib_fixture.hpp"

namespace pixmend::vxlib {
namespace {

using host::AppScope;

constexpr unsigned kType = ('V' << 16) | ('X' << 8) | 'R';
constexpr unsigned kSize = 272;

class Preferences : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    host::defineVariable("MS_USERPREF", path("prefs/host.upf"), host::kCfgLevelUser);
    std::filesystem::create_directories(path("prefs"));
    app_ = startApp("Prefs");
  }
  std::vector<unsigned char> record(unsigned char fill) const {
    return std::vector<unsigned char>(kSize, fill);
  }
  host::Application* app_ = nullptr;
};

TEST_F(Preferences, FirstStartCreatesTheFileBesideTheHostsAndFallsBackToDefaults) {
  AppScope scope(app_);
  VxlibRscFile copy{};
  vxlibUpf_open(&copy, nullptr, "Prefs.upf");
  const std::string expected = path("prefs/Prefs.upf");
  ASSERT_NE(vxlibUpf_getUpfFileName(), nullptr);
  EXPECT_EQ(vxlibUpf_getUpfFileName(), expected);
  EXPECT_TRUE(std::filesystem::exists(expected));
  EXPECT_EQ(copy.handle, vxlibUpf_getHandle());
  EXPECT_STREQ(copy.fileName, expected.c_str());
  EXPECT_EQ(vxlibUpf_getVxHandle(), &findGlobalData()->preferenceFile);
  auto buffer = record(0);
  EXPECT_EQ(vxlibUpf_load(kType, 1, buffer.data(), kSize), VXLIB_ERROR);
  auto saved = record(0x42);
  EXPECT_EQ(vxlibUpf_save(kType, 1, saved.data(), kSize), VXLIB_SUCCESS);
  vxlibUpf_close();
  EXPECT_EQ(vxlibUpf_getUpfFileName(), nullptr);
  EXPECT_EQ(vxlibUpf_getHandle(), 0u);
  EXPECT_EQ(vxlibUpf_getVxHandle(), nullptr);
  // Read back by the next start, byte for byte.
  vxlibUpf_open(nullptr, nullptr, "Prefs.upf");
  EXPECT_EQ(vxlibUpf_load(kType, 1, buffer.data(), kSize), VXLIB_SUCCESS);
  EXPECT_EQ(buffer, saved);
}

TEST_F(Preferences, AVariableMayNameTheFile) {
  AppScope scope(app_);
  host::defineVariable("PREFS_FILE", "Chosen.upf", host::kCfgLevelUser);
  vxlibUpf_open(nullptr, "PREFS_FILE", "Default.upf");
  EXPECT_EQ(vxlibUpf_getUpfFileName(), path("prefs/Chosen.upf"));
  vxlibUpf_open(nullptr, "UNDEFINED_VARIABLE", "Default.upf");
  EXPECT_EQ(vxlibUpf_getUpfFileName(), path("prefs/Default.upf")) << "opening again closes the first";
}

TEST_F(Preferences, WithoutTheHostsPreferenceFileNothingOpensAndTheApplicationRunsOnDefaults) {
  host::undefineVariable("MS_USERPREF");
  AppScope scope(app_);
  const auto from = mark();
  vxlibUpf_open(nullptr, nullptr, "Prefs.upf");
  auto buffer = record(0);
  EXPECT_EQ(vxlibUpf_load(kType, 1, buffer.data(), kSize), VXLIB_ERROR);
  EXPECT_EQ(vxlibUpf_save(kType, 1, buffer.data(), kSize), VXLIB_ERROR);
  EXPECT_EQ(texts("text", from),
            (std::vector<std::string>{"\"MS_USERPREF\" undefined!\n", "User preference file not open!!\n",
                                      "User preference file not open!!\n"}));
  EXPECT_EQ(vxlibUpf_getUpfFileName(), nullptr);
}

TEST_F(Preferences, AReadOnlyFileIsReadAndNeverWritten) {
  AppScope scope(app_);
  vxlibUpf_open(nullptr, nullptr, "Prefs.upf");
  auto saved = record(7);
  ASSERT_EQ(vxlibUpf_save(kType, 1, saved.data(), kSize), VXLIB_SUCCESS);
  vxlibUpf_close();
  const std::string file = path("prefs/Prefs.upf");
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);  // no write bits: refused even to root
  const std::string before = readAll(file);
  vxlibUpf_open(nullptr, nullptr, "Prefs.upf");
  EXPECT_EQ(findGlobalData()->preferenceFileOpen, 1);
  EXPECT_EQ(findGlobalData()->preferenceFileReadOnly, 1);
  auto buffer = record(0);
  EXPECT_EQ(vxlibUpf_load(kType, 1, buffer.data(), kSize), VXLIB_SUCCESS);
  EXPECT_EQ(buffer, saved);
  auto changed = record(9);
  const auto from = mark();
  EXPECT_EQ(vxlibUpf_save(kType, 1, changed.data(), kSize), VXLIB_SUCCESS)
      << "skipped, and says so by success";
  EXPECT_EQ(vxlibUpf_save(kType, 2, changed.data(), kSize), VXLIB_SUCCESS);
  EXPECT_TRUE(texts("dialog", from).empty());
  vxlibUpf_close();
  EXPECT_EQ(readAll(file), before);
}

TEST_F(Preferences, SavingReplacesARecordInPlaceOrAddsIt) {
  AppScope scope(app_);
  vxlibUpf_open(nullptr, nullptr, "Prefs.upf");
  auto first = record(1), second = record(2), other = record(3);
  ASSERT_EQ(vxlibUpf_save(kType, 1, first.data(), kSize), VXLIB_SUCCESS);
  ASSERT_EQ(vxlibUpf_save(kType, 2, other.data(), kSize), VXLIB_SUCCESS);
  ASSERT_EQ(vxlibUpf_save(kType, 1, second.data(), kSize), VXLIB_SUCCESS);
  auto buffer = record(0);
  ASSERT_EQ(vxlibUpf_load(kType, 1, buffer.data(), kSize), VXLIB_SUCCESS);
  EXPECT_EQ(buffer, second);
  ASSERT_EQ(vxlibUpf_load(kType, 2, buffer.data(), kSize), VXLIB_SUCCESS);
  EXPECT_EQ(buffer, other);
}

TEST_F(Preferences, AGarbageFileIsReportedLeftAloneAndTheDefaultsApply) {
  const std::string file = path("prefs/Prefs.upf");
  writeText(file, "this is not a resource file at all\n");
  AppScope scope(app_);
  const auto from = mark();
  vxlibUpf_open(nullptr, nullptr, "Prefs.upf");
  EXPECT_EQ(boxState().text, "Cannot open the resource file\n" + file);
  const auto said = texts("dialog", from);
  EXPECT_EQ(std::count(said.begin(), said.end(), "opened 20011 \"Prefs\""), 1)
      << "one message: the file is not replaced";
  EXPECT_EQ(vxlibUpf_getUpfFileName(), nullptr);
  auto buffer = record(0);
  EXPECT_EQ(vxlibUpf_load(kType, 1, buffer.data(), kSize), VXLIB_ERROR);
  EXPECT_EQ(vxlibUpf_save(kType, 1, buffer.data(), kSize), VXLIB_ERROR);
  EXPECT_EQ(readAll(file), "this is not a resource file at all\n");
}

TEST_F(Preferences, AResourceFileOfOtherContentGivesNoRecordAndIsNotOverrun) {
  // A real resource file whose record of the same type and identifier has another size.
  const std::string foreign = compileResources(
      "prefs/Prefs.upf", R"({"resources": [{"kind": "bytes", "type": "VXR", "id": 1, "hex": "01 02 03"}]})");
  AppScope scope(app_);
  vxlibUpf_open(nullptr, nullptr, "Prefs.upf");
  ASSERT_NE(vxlibUpf_getUpfFileName(), nullptr);
  auto buffer = record(0xee);
  EXPECT_EQ(vxlibUpf_load(kType, 1, buffer.data(), kSize), VXLIB_ERROR);
  EXPECT_EQ(buffer, record(0xee)) << "nothing copied";
  // Saving replaces the short record whole.
  auto saved = record(5);
  EXPECT_EQ(vxlibUpf_save(kType, 1, saved.data(), kSize), VXLIB_SUCCESS);
  EXPECT_EQ(vxlibUpf_load(kType, 1, buffer.data(), kSize), VXLIB_SUCCESS);
  EXPECT_EQ(buffer, saved);
}

TEST_F(Preferences, OpeningByPathGivesTheResultOfTheLastAttempt) {
  AppScope scope(app_);
  EXPECT_EQ(vxlibUpf_openWithPath(nullptr, path("elsewhere.upf").c_str()), VXLIB_SUCCESS);
  EXPECT_EQ(vxlibUpf_getUpfFileName(), path("elsewhere.upf"));
  host::queueAnswer("ok");
  EXPECT_EQ(vxlibUpf_openWithPath(nullptr, path("no/such/folder/x.upf").c_str()), VXLIB_ERROR);
  EXPECT_EQ(boxState().text, "Cannot open or create the file\n" + path("no/such/folder/x.upf"));
  EXPECT_EQ(vxlibUpf_getUpfFileName(), nullptr);
  EXPECT_EQ(vxlibUpf_openWithPath(nullptr, nullptr), VXLIB_ERROR);
  const std::string tooLong = "/" + std::string(300, 'n');
  EXPECT_EQ(vxlibUpf_openWithPath(nullptr, tooLong.c_str()), VXLIB_ERROR) << "never opened under a cut name";
}

// ---- Remembered-file records --------------------------------------------------------------------

struct Remembered {
  std::vector<unsigned char> bytes = std::vector<unsigned char>(USERPREFS_FILE_RECORD_SIZE, 0);
  unsigned u32(std::size_t at) const {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<unsigned>(bytes[at + 3]) << 24;
  }
  std::string text(std::size_t at) const { return reinterpret_cast<const char*>(&bytes[at]); }
  std::vector<std::string> list(std::size_t countAt, std::size_t listAt) const {
    std::vector<std::string> out;
    for (unsigned i = 0; i < std::min(u32(countAt), 10u); ++i) out.push_back(text(listAt + 256 * i));
    return out;
  }
  std::vector<std::string> names() const { return list(776, 780); }
  std::vector<std::string> filters() const { return list(3340, 3344); }
  std::vector<std::string> directories() const { return list(8468, 8472); }
};

class RememberedFiles : public Preferences {
 protected:
  void SetUp() override {
    Preferences::SetUp();
    AppScope scope(app_);
    vxlibUpf_open(nullptr, nullptr, "Prefs.upf");
    handle_ = vxlibUpf_getHandle();
  }
  Remembered read(int dialogId) const {
    Remembered r;
    EXPECT_EQ(mdlUserPrefs_getFileName(r.bytes.data(), handle_, dialogId), 0);
    return r;
  }
  RscFileHandle handle_ = 0;
};

TEST_F(RememberedFiles, TheRecordIsLaidOutFieldByField) {
  ASSERT_EQ(vxlibUpf_saveFileName("/data/maps/plan.tif", handle_, 12), 0);
  const Remembered r = read(12);
  EXPECT_EQ(r.bytes[0], 0xff);
  EXPECT_EQ(r.u32(4), 5u);
  EXPECT_EQ(r.text(8), "/data/maps/plan.tif");
  EXPECT_EQ(r.text(264), "*.tif");
  EXPECT_EQ(r.text(520), "/data/maps/");
  EXPECT_EQ(r.names(), std::vector<std::string>{"/data/maps/plan.tif"}) << "the first choice is listed too";
  EXPECT_EQ(r.filters(), std::vector<std::string>{"*.tif"});
  EXPECT_EQ(r.directories(), std::vector<std::string>{"/data/maps/"});
}

TEST_F(RememberedFiles, TheSameFileTwiceIsListedOnceAtTheTop) {
  vxlibUpf_saveFileName("/d/a.txt", handle_, 1);
  vxlibUpf_saveFileName("/d/b.txt", handle_, 1);
  vxlibUpf_saveFileName("/d/a.txt", handle_, 1);
  vxlibUpf_saveFileName("/d/a.txt", handle_, 1);
  const Remembered r = read(1);
  EXPECT_EQ(r.names(), (std::vector<std::string>{"/d/a.txt", "/d/b.txt"}));
  EXPECT_EQ(r.filters(), std::vector<std::string>{"*.txt"});
  EXPECT_EQ(r.directories(), std::vector<std::string>{"/d/"});
}

TEST_F(RememberedFiles, AnEleventhDistinctFileDropsTheOldest) {
  for (int i = 1; i <= 11; ++i)
    vxlibUpf_saveFileName(("/d/f" + std::to_string(i) + ".txt").c_str(), handle_, 1);
  const Remembered r = read(1);
  ASSERT_EQ(r.u32(776), 10u);
  EXPECT_EQ(r.names().front(), "/d/f11.txt");
  EXPECT_EQ(r.names().back(), "/d/f2.txt");
  // An older entry chosen again moves to the top without dropping anything.
  vxlibUpf_saveFileName("/d/f5.txt", handle_, 1);
  const Remembered again = read(1);
  EXPECT_EQ(again.u32(776), 10u);
  EXPECT_EQ(again.names()[0], "/d/f5.txt");
  EXPECT_EQ(again.names()[1], "/d/f11.txt");
  EXPECT_EQ(again.names().back(), "/d/f2.txt");
}

TEST_F(RememberedFiles, ForeignBytesAreKeptAndForeignCountsAreNotTrusted) {
  Remembered foreign;
  std::fill(foreign.bytes.begin() + 5904, foreign.bytes.begin() + 8468, 0x77);
  foreign.bytes[776] = 0xff;  // a count far beyond the list, without the library's marker
  foreign.bytes[3340] = 0xff;
  ASSERT_EQ(mdlUserPrefs_saveFileName(foreign.bytes.data(), handle_, 3), 0);
  ASSERT_EQ(vxlibUpf_saveFileName("/d/x.dat", handle_, 3), 0);
  Remembered r = read(3);
  EXPECT_TRUE(
      std::all_of(r.bytes.begin() + 5904, r.bytes.begin() + 8468, [](unsigned char c) { return c == 0x77; }));
  EXPECT_EQ(r.names(), std::vector<std::string>{"/d/x.dat"});
  // A marked record with a damaged count is clamped to the list.
  r.bytes[776] = 200;
  ASSERT_EQ(mdlUserPrefs_saveFileName(r.bytes.data(), handle_, 3), 0);
  ASSERT_EQ(vxlibUpf_saveFileName("/d/y.dat", handle_, 3), 0);
  EXPECT_EQ(read(3).u32(776), 10u);
  EXPECT_EQ(read(3).names().front(), "/d/y.dat");
}

TEST_F(RememberedFiles, TheFileDialogsOfferTheRememberedName) {
  AppScope scope(app_);
  char chosen[MAXFILELENGTH] = {};
  host::queueAnswer(path("first.txt"));
  ASSERT_EQ(vxlibUpf_defFileOpen(chosen, "", "*.txt", dir_.c_str(), "Pick", 40), 0);
  EXPECT_EQ(std::string(chosen), path("first.txt"));
  // No answer: the remembered name is the default the dialog takes.
  const auto from = mark();
  ASSERT_EQ(vxlibUpf_defFileCreate(chosen, "suggested.txt", "*.txt", dir_.c_str(), "Again", 40), 0);
  EXPECT_EQ(std::string(chosen), path("first.txt"));
  EXPECT_EQ(texts("dialog", from).back(), "file create \"Again\" -> " + path("first.txt") + " (defaulted)");
  // A dialog with nothing remembered offers the caller's default.
  ASSERT_EQ(vxlibUpf_defFileOpen(chosen, path("suggested.txt").c_str(), "*.txt", "", "New", 41), 0);
  EXPECT_EQ(std::string(chosen), path("suggested.txt"));
  host::queueAnswer("cancel");
  EXPECT_EQ(vxlibUpf_defFileOpen(chosen, "", "*.txt", "", "Cancelled", 42), 1);
}

TEST_F(RememberedFiles, TheFileListEditorStartsWhereTheUserLeftOff) {
  AppScope scope(app_);
  char folder[MAXFILELENGTH] = "/start/";
  int result = 0;
  host::queueAnswer("/maps/a.tif;/maps/b.tif");
  StringList* list = vxlibUpf_defFileListEdit(&result, nullptr, "Files", folder, "*.tif", 50);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(result, ACTIONBUTTON_OK);
  EXPECT_EQ(mdlStringList_size(list), 2);
  EXPECT_STREQ(folder, "/maps/");
  const Remembered r = read(50);
  EXPECT_EQ(r.text(520), "/maps/");
  EXPECT_EQ(r.text(264), "*.tif");
  // Cancelled: the list and the remembered record stay.
  char other[MAXFILELENGTH] = "/elsewhere/";
  host::queueAnswer("cancel");
  StringList* same = vxlibUpf_defFileListEdit(&result, list, "Files", other, "*.rle", 50);
  EXPECT_EQ(same, list);
  EXPECT_EQ(result, ACTIONBUTTON_CANCEL);
  EXPECT_EQ(read(50).text(264), "*.tif");
  mdlStringList_destroy(list);
}

}  // namespace
}  // namespace pixmend::vxlib
