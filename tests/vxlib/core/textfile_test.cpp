// The text reader: logical lines with continuations, comments and blank lines, includes of both
// kinds (nested, missing, relative, through configuration variables, cycles), read2's comments,
// long lines, rewinding and closing, and the two file queries.
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "host/config/config.hpp"
#include "vxlib/core/vxlib_fixture.hpp"

namespace pixmend::vxlib {
namespace {

using host::AppScope;

class TextFile : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    app_ = startApp("Reader");
  }

  // The lines of the library's message boxes shown since `from`.
  static std::vector<std::string> boxLines(std::size_t from) {
    std::vector<std::string> out;
    for (const auto& t : texts("dialog", from)) {
      const std::string prefix = "text 20011 \"";
      if (t.compare(0, prefix.size(), prefix) == 0) out.push_back(t.substr(prefix.size(), t.size() - prefix.size() - 1));
    }
    return out;
  }

  struct Logical {
    int count;
    std::string text;
    std::string comment;
    bool operator==(const Logical& o) const { return count == o.count && text == o.text && comment == o.comment; }
  };

  // Every logical line of `file` (read, or read2 with comments) until the reader gives <= 0,
  // and that last result.
  std::vector<Logical> readAll(const std::string& file, bool withComments, int* last = nullptr, int max = 512) {
    AppScope scope(app_);
    std::vector<Logical> out;
    VxlibTextFile* reader = vxlibFile_open(file.c_str(), "r");
    EXPECT_NE(reader, nullptr) << file;
    if (reader == nullptr) return out;
    std::vector<char> target(static_cast<std::size_t>(max)), comment(static_cast<std::size_t>(max));
    for (int guard = 0; guard < 100000; ++guard) {
      const int n = withComments ? vxlibFile_read2(target.data(), comment.data(), reader, max)
                                 : vxlibFile_read(target.data(), reader, max);
      if (last != nullptr) *last = n;
      if (n <= 0) break;
      out.push_back({n, target.data(), withComments ? comment.data() : ""});
    }
    EXPECT_EQ(vxlibFile_close(reader), 0);
    return out;
  }

  host::Application* app_ = nullptr;
};

TEST_F(TextFile, TheContinuationExampleJoinsTwoLinesAndCountsThem) {
  writeText(path("cont.cfg"), "a \\\n  b\nc\n");
  int last = 99;
  const auto lines = readAll(path("cont.cfg"), false, &last);
  ASSERT_EQ(lines.size(), 2u);
  // The blank before the continuation character, the joining blank and the two leading blanks.
  EXPECT_EQ(lines[0], (Logical{2, "a    b", ""}));
  EXPECT_EQ(lines[1], (Logical{1, "c", ""}));
  EXPECT_EQ(last, 0) << "the end of the file";
}

TEST_F(TextFile, CommentAndBlankLinesAreCountedButNeverReturned) {
  writeText(path("c.cfg"), "# a comment\n   \t \n\nfirst   \n#x\\\nsecond \\ \n\t# not a comment\n");
  const auto lines = readAll(path("c.cfg"), false);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], (Logical{4, "first", ""})) << "trailing blanks go; skipped lines count";
  // A comment line ends no continuation; a line starting with a tab is not a comment.
  EXPECT_EQ(lines[1], (Logical{3, "second  \t# not a comment", ""}));
}

TEST_F(TextFile, ContinuationAtTheEndOfTheFileKeepsItsText) {
  // The file ends while a line is being continued: its text is returned, not lost.
  writeText(path("end.cfg"), "one \\\ntwo \\\n# trailing comment\n");
  int last = 99;
  const auto lines = readAll(path("end.cfg"), false, &last);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], (Logical{3, "one  two", ""}));
  EXPECT_EQ(last, 0);
  writeText(path("nolf.cfg"), "last line without end");
  EXPECT_EQ(readAll(path("nolf.cfg"), false), (std::vector<Logical>{{1, "last line without end", ""}}));
}

TEST_F(TextFile, NestedIncludesReadTheInnermostFileFirst) {
  ::mkdir(path("sub").c_str(), 0755);
  writeText(path("main.cfg"), "m1\n%include sub/a.cfg\nm2\n");
  // Relative names are taken in the including file's folder; blanks inside the name are dropped.
  writeText(path("sub/a.cfg"), "a1\n%include  b .cfg\na2\n");
  writeText(path("sub/b.cfg"), "b1\nb2\n");
  const auto lines = readAll(path("main.cfg"), false);
  std::vector<std::string> got;
  for (const auto& l : lines) got.push_back(l.text);
  EXPECT_EQ(got, (std::vector<std::string>{"m1", "a1", "b1", "b2", "a2", "m2"}));
  EXPECT_EQ(lines[1].count, 1) << "the directive line is not a line of the caller's";
  EXPECT_TRUE(boxLines(0).empty());
}

TEST_F(TextFile, MissingIncludesOfBothKindsLetReadingGoOn) {
  writeText(path("miss.cfg"), "one\n%if exist include gone.cfg\ntwo\n%include gone.cfg\nthree\n");
  const auto from = mark();
  const auto lines = readAll(path("miss.cfg"), false);
  std::vector<std::string> got;
  for (const auto& l : lines) got.push_back(l.text);
  EXPECT_EQ(got, (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_EQ(lines[1].count, 2) << "a silent directive is turned into a comment line";
  EXPECT_EQ(lines[2].count, 2);
  // Only the plain include is reported, with the name it looked for.
  EXPECT_EQ(boxLines(from), (std::vector<std::string>{"Cannot open or create the file", path("gone.cfg")}));
}

TEST_F(TextFile, OnlyRegularFilesAreIncluded) {
  // A device never ends and a folder is no text: both are reported like missing files.
  writeText(path("dev.cfg"), "before\n%include /dev/zero\n%include " + dir_ + "\nafter\n");
  const auto from = mark();
  const auto lines = readAll(path("dev.cfg"), false);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], (Logical{3, "after", ""}));
  EXPECT_EQ(boxLines(from), (std::vector<std::string>{"Cannot open or create the file", "/dev/zero",
                                                      "Cannot open or create the file", dir_}));
}

TEST_F(TextFile, FgetsHandsBackAFailedDirectiveAsACommentLine) {
  writeText(path("f.cfg"), "x\n%if exist include none.cfg\n");
  AppScope scope(app_);
  VxlibTextFile* reader = vxlibFile_openExtended(path("f.cfg").c_str(), "r", "\\", ";", 64);
  ASSERT_NE(reader, nullptr);
  char unused[4];
  EXPECT_STREQ(vxlibFile_fgets(unused, sizeof unused, reader), "x\n");
  EXPECT_STREQ(vxlibFile_fgets(nullptr, 0, reader), ";if exist include none.cfg") << "the comment character, no line end";
  EXPECT_EQ(vxlibFile_fgets(nullptr, 0, reader), nullptr);
  EXPECT_EQ(vxlibFile_close(reader), 0);
}

TEST_F(TextFile, IncludesExpandConfigurationVariables) {
  ::mkdir(path("conf").c_str(), 0755);
  host::defineVariable("TEST_CONF", path("conf") + "/", host::kCfgLevelUser);
  writeText(path("conf/vars.cfg"), "from variable\n");
  writeText(path("v.cfg"), "%include $(TEST_CONF)vars.cfg\n%include $(UNDEFINED_DIR)vars.cfg\nafter\n");
  const auto from = mark();
  const auto lines = readAll(path("v.cfg"), false);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "from variable");
  EXPECT_EQ(lines[1].text, "after");
  // A name made by variables is not looked for in the including file's folder.
  EXPECT_EQ(boxLines(from), (std::vector<std::string>{"Cannot open or create the file", "vars.cfg"}));
}

TEST_F(TextFile, AnIncludeCycleEndsWithAMessageAndReadingGoesOn) {
  writeText(path("ping.cfg"), "ping\n%include pong.cfg\nping end\n");
  writeText(path("pong.cfg"), "pong\n%if exist include ping.cfg\n");
  const auto from = mark();
  int last = 99;
  const auto lines = readAll(path("ping.cfg"), false, &last);
  EXPECT_EQ(last, 0) << "the file is read to its end";
  // Sixteen files nested below the caller's (nine pings and eight pongs in all), then all the way
  // back up through the pings' last lines.
  ASSERT_EQ(lines.size(), 9u + 8u + 9u);
  EXPECT_EQ(lines.front().text, "ping");
  EXPECT_EQ(lines.back().text, "ping end");
  const auto box = boxLines(from);
  ASSERT_EQ(box.size(), 3u) << "one message, for the directive that went too deep";
  EXPECT_EQ(box[0], "Cannot open or create the file");
  EXPECT_EQ(box[2], "(includes nested deeper than 16 files)");
}

TEST_F(TextFile, AFileIncludingItselfOverAndOverStopsAfterAThousandIncludes) {
  // Three includes of itself per file would open 3 to the power of 16 files; the reader stops
  // opening them after 1000 and says so once, and the reading comes to its end.
  writeText(path("many.cfg"), "line\n%include many.cfg\n%include many.cfg\n%if exist include many.cfg\n");
  const auto from = mark();
  int last = 99;
  const auto lines = readAll(path("many.cfg"), false, &last, 512);
  EXPECT_EQ(last, 0);
  EXPECT_EQ(lines.size(), 1001u) << "the caller's file and the thousand it included";
  const auto box = boxLines(from);
  ASSERT_EQ(box.size(), 3u);
  EXPECT_EQ(box[2], "(includes nested deeper than 16 files)");
  // Rewinding starts the count afresh.
  AppScope scope(app_);
  VxlibTextFile* reader = vxlibFile_open(path("many.cfg").c_str(), "r");
  ASSERT_NE(reader, nullptr);
  char target[64];
  int reads = 0;
  while (vxlibFile_read(target, reader, sizeof target) > 0) ++reads;
  vxlibFile_rewind(reader);
  int again = 0;
  while (vxlibFile_read(target, reader, sizeof target) > 0) ++again;
  EXPECT_EQ(again, reads);
  vxlibFile_close(reader);
}

TEST_F(TextFile, ReadTwoSplitsOffTheCommentOfEachPhysicalLine) {
  writeText(path("r2.cfg"), "key = value ; the comment\n;whole line\nplain\nfirst; one \\\nsecond ;two\n");
  const auto lines = readAll(path("r2.cfg"), true);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], (Logical{1, "key = value", " the comment"}));
  // A ';' in the first place does not count as a comment's start.
  EXPECT_EQ(lines[1], (Logical{1, ";whole line", ""}));
  EXPECT_EQ(lines[2], (Logical{1, "plain", ""}));
  // The comment cuts the line before the continuation character could be seen: "first" stands
  // alone, and the next line keeps its own comment.
  EXPECT_EQ(lines[3], (Logical{1, "first", " one \\"}));
  EXPECT_EQ(lines[4], (Logical{1, "second", "two"}));
}

TEST_F(TextFile, LinesThatDoNotFitAreRefusedNeverWrittenPast) {
  // A logical line longer than the caller's target.
  writeText(path("long.cfg"), std::string(40, 'x') + "\nshort\n");
  auto from = mark();
  int last = 99;
  auto lines = readAll(path("long.cfg"), false, &last, 32);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(last, -1);
  EXPECT_EQ(boxLines(from), (std::vector<std::string>{"A line of the file is longer than 32 characters."}));

  // A physical line longer than the line buffer: cut, reported, and the rest of it skipped.
  writeText(path("wide.cfg"), std::string(100, 'y') + "\nnext\n");
  AppScope scope(app_);
  VxlibTextFile* reader = vxlibFile_openExtended(path("wide.cfg").c_str(), "r", "\\", "#", 16);
  ASSERT_NE(reader, nullptr);
  char target[256];
  from = mark();
  EXPECT_EQ(vxlibFile_read(target, reader, sizeof target), -1);
  EXPECT_EQ(boxLines(from), (std::vector<std::string>{"A line of the file is longer than 15 characters."}));
  EXPECT_EQ(vxlibFile_read(target, reader, sizeof target), 1);
  EXPECT_STREQ(target, "next");
  // A line that fills the buffer exactly, its line end included, is not too long.
  vxlibFile_close(reader);
  writeText(path("exact.cfg"), std::string(14, 'z') + "\n" + std::string(15, 'w') + "\n");
  reader = vxlibFile_openExtended(path("exact.cfg").c_str(), "r", "\\", "#", 16);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(vxlibFile_read(target, reader, sizeof target), 1);
  EXPECT_EQ(std::string(target), std::string(14, 'z'));
  EXPECT_EQ(vxlibFile_read(target, reader, sizeof target), 1) << "15 characters and the line end just past it";
  EXPECT_EQ(std::string(target), std::string(15, 'w'));
  vxlibFile_close(reader);
}

TEST_F(TextFile, RewindClosesTheIncludeAndStartsOver) {
  writeText(path("rw.cfg"), "top\n%include in.cfg\n");
  writeText(path("in.cfg"), "in1\nin2\n");
  AppScope scope(app_);
  VxlibTextFile* reader = vxlibFile_open(path("rw.cfg").c_str(), "r");
  ASSERT_NE(reader, nullptr);
  char target[64];
  ASSERT_EQ(vxlibFile_read(target, reader, sizeof target), 1);
  ASSERT_EQ(vxlibFile_read(target, reader, sizeof target), 1);
  EXPECT_STREQ(target, "in1");
  vxlibFile_rewind(reader);
  ASSERT_EQ(vxlibFile_read(target, reader, sizeof target), 1);
  EXPECT_STREQ(target, "top");
  ASSERT_EQ(vxlibFile_read(target, reader, sizeof target), 1);
  EXPECT_STREQ(target, "in1") << "the include opens afresh";
  // Closing in the middle of an include closes both files.
  EXPECT_EQ(vxlibFile_close(reader), 0);
}

TEST_F(TextFile, OpeningRefusesBadModesMissingFilesAndImpossibleSizes) {
  writeText(path("ok.cfg"), "x\n");
  AppScope scope(app_);
  auto from = mark();
  EXPECT_EQ(vxlibFile_open(path("ok.cfg").c_str(), "rw"), nullptr);
  EXPECT_EQ(vxlibFile_open(path("ok.cfg").c_str(), nullptr), nullptr);
  EXPECT_EQ(boxLines(from), (std::vector<std::string>{"Cannot open or create the file", "Unknown file open mode",
                                                      "Cannot open or create the file", "Unknown file open mode"}));
  from = mark();
  EXPECT_EQ(vxlibFile_open(path("none.cfg").c_str(), "r"), nullptr);
  EXPECT_EQ(boxLines(from), (std::vector<std::string>{"Cannot open or create the file", path("none.cfg")}));
  EXPECT_EQ(vxlibFile_openExtended(path("ok.cfg").c_str(), "r", "\\", "#", 0), nullptr);
  EXPECT_EQ(vxlibFile_openExtended(path("ok.cfg").c_str(), "r", "\\", "#", 0xffffffffu), nullptr);
  EXPECT_EQ(vxlibFile_openHWSpesific(std::string(300, 'n').c_str(), "r"), nullptr) << "too long a name";
  // Calls with nothing to work on answer without touching anything.
  char target[8];
  EXPECT_EQ(vxlibFile_read(target, nullptr, 8), -1);
  EXPECT_EQ(vxlibFile_read(nullptr, nullptr, 8), -1);
  EXPECT_EQ(vxlibFile_fgets(nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(vxlibFile_close(nullptr), MDLERR_BADARG);
  vxlibFile_rewind(nullptr);
}

TEST_F(TextFile, WritingModeCreatesTheFileWhenClosed) {
  AppScope scope(app_);
  VxlibTextFile* writer = vxlibFile_open(path("new.txt").c_str(), "w");
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(vxlibFile_fgets(nullptr, 0, writer), nullptr) << "nothing to read from a file being written";
  EXPECT_EQ(vxlibFile_close(writer), 0);
  EXPECT_EQ(readAll(path("new.txt"), false).size(), 0u);
}

TEST_F(TextFile, DirectoryExistsAsksTheHostsFileList) {
  ::mkdir(path("folder").c_str(), 0755);
  writeText(path("file.txt"), "x");
  AppScope scope(app_);
  EXPECT_EQ(vxlibFile_directoryExists(path("folder").c_str()), 1);
  EXPECT_EQ(vxlibFile_directoryExists(path("nothing").c_str()), 0);
  EXPECT_EQ(vxlibFile_directoryExists(nullptr), 0);
  // The host's list of files and folders holds a plain file too.
  EXPECT_EQ(vxlibFile_directoryExists(path("file.txt").c_str()), 1);
}

TEST_F(TextFile, IsReadOnlyLooksAtTheFileAsAWorkFile) {
  writeText(path("writable.dgn"), "design");
  writeText(path("locked.dgn"), "design");
  ASSERT_EQ(::chmod(path("locked.dgn").c_str(), 0444), 0);
  AppScope scope(app_);
  EXPECT_EQ(vxlibFile_isReadOnly(path("writable.dgn").c_str()), 0);
  // No write bit means read-only, for root as well.
  EXPECT_EQ(vxlibFile_isReadOnly(path("locked.dgn").c_str()), 1);
  EXPECT_EQ(vxlibFile_isReadOnly(path("missing.dgn").c_str()), 1);
  EXPECT_EQ(vxlibFile_isReadOnly(dir_.c_str()), 1) << "a folder is no design file";
}

}  // namespace
}  // namespace pixmend::vxlib
