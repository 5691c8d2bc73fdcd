// Files: finding along configuration variables, splitting names, atomic copies and text files
// (the old file stays intact until a write is complete), abbreviations, file lists.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "host/config/config.hpp"
#include "host/files/api.h"
#include "host/files/files.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/resource/api.h"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
  }
  void TearDown() override { resetHost(); }
  void write(const std::string& name, const std::string& text) { std::ofstream(dir + "/" + name) << text; }
  std::string read(const std::string& name) {
    std::ifstream in(dir + "/" + name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  pixmend::testsupport::ScratchDir scratch{"files"};
  std::string dir = scratch.path();
};

TEST_F(Files, FindLooksAlongTheVariableThenHere) {
  ::mkdir((dir + "/a").c_str(), 0755);
  ::mkdir((dir + "/b").c_str(), 0755);
  write("b/scales.rsc", "x");
  write("a/plain", "x");
  defineVariable("VX_DATA", dir + "/a;" + dir + "/b/", kCfgLevelUser);
  char found[MAXFILELENGTH];
  ASSERT_EQ(mdlFile_find(found, "scales.rsc", "VX_DATA", nullptr), 0);
  EXPECT_EQ(std::string(found), dir + "/b/scales.rsc");
  ASSERT_EQ(mdlFile_find(found, "scales", "VX_DATA", "rsc"), 0);  // the default extension
  EXPECT_EQ(std::string(found), dir + "/b/scales.rsc");
  EXPECT_EQ(mdlFile_find(found, "missing.rsc", "VX_DATA", nullptr), MDLERR_FILENOTFOUND);
  EXPECT_STREQ(found, "");
  EXPECT_EQ(mdlFile_find(nullptr, "a", "VX_DATA", nullptr), MDLERR_FILENOTFOUND);  // a directory
  defineVariable("HERE", dir, kCfgLevelUser);
  EXPECT_EQ(mdlFile_find(nullptr, "$(HERE)/a/plain", nullptr, nullptr), 0);
  EXPECT_EQ(mdlFile_find(nullptr, "$(HERE)/a/plain", nullptr, "txt"), MDLERR_FILENOTFOUND);  // plain.txt
  EXPECT_EQ(mdlFile_find(nullptr, nullptr, nullptr, nullptr), MDLERR_BADARG);
  const std::string longName(MAXFILELENGTH + 10, 'n');
  EXPECT_EQ(mdlFile_find(found, longName.c_str(), nullptr, nullptr), MDLERR_FILENOTFOUND);
}

TEST_F(Files, ParseNameHasNoDeviceOnPosix) {
  char device[MAXDEVICELENGTH], directory[MAXDIRLENGTH], name[MAXNAMELENGTH], ext[MAXEXTENSIONLENGTH];
  ASSERT_EQ(mdlFile_parseName("/home/u/scan.tar.tif", device, directory, name, ext), 0);
  EXPECT_STREQ(device, "");
  EXPECT_STREQ(directory, "/home/u/");
  EXPECT_STREQ(name, "scan.tar");
  EXPECT_STREQ(ext, "tif");
  ASSERT_EQ(mdlFile_parseName(".hidden", nullptr, directory, name, ext), 0);
  EXPECT_STREQ(directory, "");
  EXPECT_STREQ(name, ".hidden");
  EXPECT_STREQ(ext, "");
  ASSERT_EQ(mdlFile_parseName("dir.d/noext", nullptr, directory, name, ext), 0);
  EXPECT_STREQ(directory, "dir.d/");
  EXPECT_STREQ(name, "noext");
  const std::string huge = "/" + std::string(5000, 'd') + "/" + std::string(400, 'n') + ".e";
  ASSERT_EQ(mdlFile_parseName(huge.c_str(), device, directory, name, ext), 0);
  EXPECT_EQ(std::strlen(directory), static_cast<std::size_t>(MAXDIRLENGTH - 1));
  EXPECT_EQ(std::strlen(name), static_cast<std::size_t>(MAXNAMELENGTH - 1));
  EXPECT_EQ(mdlFile_parseName(nullptr, device, directory, name, ext), MDLERR_BADARG);
}

TEST_F(Files, CopyIsAtomicAndKeepsTheOldFileOnFailure) {
  write("src.tif", "new content");
  write("dst.tif", "old content");
  ASSERT_EQ(mdlFile_copy((dir + "/dst.tif").c_str(), (dir + "/src.tif").c_str()), 0);
  EXPECT_EQ(read("dst.tif"), "new content");
  EXPECT_EQ(journal().last("file")->text, "copied " + dir + "/src.tif to " + dir + "/dst.tif");
  EXPECT_EQ(mdlFile_copy((dir + "/dst.tif").c_str(), (dir + "/dst.tif").c_str()), 0);  // onto itself
  EXPECT_EQ(read("dst.tif"), "new content");
  EXPECT_EQ(mdlFile_copy((dir + "/dst.tif").c_str(), (dir + "/nothing").c_str()), MDLERR_FILENOTFOUND);
  EXPECT_EQ(mdlFile_copy((dir + "/no/such/dir/x").c_str(), (dir + "/src.tif").c_str()),
            MDLERR_CANNOTOPENFILE);
  EXPECT_EQ(mdlFile_copy((dir + "/x").c_str(), dir.c_str()), MDLERR_FILENOTFOUND);  // a directory
  EXPECT_EQ(mdlFile_copy(nullptr, "x"), MDLERR_BADARG);
  EXPECT_EQ(read("dst.tif"), "new content");
}

TEST_F(Files, AnAtomicFileThatIsNotCommittedLeavesNoTrace) {
  write("keep.txt", "original");
  {
    AtomicFile file(dir + "/keep.txt");
    ASSERT_TRUE(file.ok());
    file.write("partial", 7);
  }  // as if the writer failed half-way
  EXPECT_EQ(read("keep.txt"), "original");
  std::string listing;
  FILE* ls = ::popen(("ls -A '" + dir + "'").c_str(), "r");
  char line[256];
  while (std::fgets(line, sizeof line, ls) != nullptr) listing += line;
  ::pclose(ls);
  EXPECT_EQ(listing, "keep.txt\n");
}

TEST_F(Files, TextFilesReadLinesInPiecesAndWriteOnClose) {
  write("in.txt", "first\r\nsecond line\nlast");
  MdlTextFile* in = mdlTextFile_open((dir + "/in.txt").c_str(), TEXTFILE_READ);
  ASSERT_NE(in, nullptr);
  char buffer[8];
  ASSERT_NE(mdlTextFile_getString(buffer, sizeof buffer, in, TEXTFILE_KEEP_NEWLINE), nullptr);
  EXPECT_STREQ(buffer, "first\n");
  ASSERT_NE(mdlTextFile_getString(buffer, sizeof buffer, in, 0), nullptr);
  EXPECT_STREQ(buffer, "second ");  // a long line comes in pieces
  ASSERT_NE(mdlTextFile_getString(buffer, sizeof buffer, in, 0), nullptr);
  EXPECT_STREQ(buffer, "line");
  ASSERT_NE(mdlTextFile_getString(buffer, sizeof buffer, in, TEXTFILE_KEEP_NEWLINE), nullptr);
  EXPECT_STREQ(buffer, "last");
  EXPECT_EQ(mdlTextFile_getString(buffer, sizeof buffer, in, 0), nullptr);
  EXPECT_EQ(mdlTextFile_rewind(in), 0);
  ASSERT_NE(mdlTextFile_getString(buffer, sizeof buffer, in, 0), nullptr);
  EXPECT_STREQ(buffer, "first");
  EXPECT_EQ(mdlTextFile_putString("x", in, 0), MDLERR_BADARG);  // opened for reading
  EXPECT_EQ(mdlTextFile_close(in), 0);
  EXPECT_EQ(mdlTextFile_close(in), MDLERR_BADARG);  // closed already: refused, not followed
  EXPECT_EQ(mdlTextFile_getString(buffer, sizeof buffer, in, 0), nullptr);

  write("out.txt", "old");
  MdlTextFile* out = mdlTextFile_open((dir + "/out.txt").c_str(), TEXTFILE_WRITE);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(mdlTextFile_putString("one", out, 0), 0);
  EXPECT_EQ(mdlTextFile_putString("two\n", out, TEXTFILE_KEEP_NEWLINE), 0);
  EXPECT_EQ(read("out.txt"), "old");  // nothing shows until the file is closed
  EXPECT_EQ(mdlTextFile_close(out), 0);
  EXPECT_EQ(read("out.txt"), "one\ntwo\n");
  EXPECT_EQ(journal().last("file")->text, "wrote " + dir + "/out.txt");

  MdlTextFile* more = mdlTextFile_open((dir + "/out.txt").c_str(), TEXTFILE_APPEND);
  ASSERT_NE(more, nullptr);
  mdlTextFile_putString("three", more, 0);
  EXPECT_EQ(mdlTextFile_close(more), 0);
  EXPECT_EQ(read("out.txt"), "one\ntwo\nthree\n");

  EXPECT_EQ(mdlTextFile_open((dir + "/missing.txt").c_str(), TEXTFILE_READ), nullptr);
  EXPECT_EQ(mdlTextFile_open((dir + "/no/dir/x.txt").c_str(), TEXTFILE_WRITE), nullptr);
  EXPECT_EQ(mdlTextFile_open((dir + "/x.txt").c_str(), 7), nullptr);
  EXPECT_EQ(mdlTextFile_open(nullptr, TEXTFILE_READ), nullptr);
}

TEST_F(Files, AbbreviatedNamesKeepTheirStartAndFileName) {
  char out[32];
  ASSERT_EQ(mdlFile_abbreviateName(out, 30, "/short/name.txt"), 0);
  EXPECT_STREQ(out, "/short/name.txt");
  ASSERT_EQ(mdlFile_abbreviateName(out, 24, "/very/long/path/with/many/parts/name.txt"), 0);
  EXPECT_STREQ(out, "/very/long/.../name.txt");
  ASSERT_EQ(mdlFile_abbreviateName(out, 10, "/dir/a-very-long-file-name.txt"), 0);
  EXPECT_STREQ(out, "...ame.txt");
  ASSERT_EQ(mdlFile_abbreviateName(out, 2, "/abc"), 0);
  EXPECT_STREQ(out, "bc");
  EXPECT_EQ(mdlFile_abbreviateName(out, -1, "/abc"), MDLERR_BADARG);
}

TEST_F(Files, FileListsMatchPathsAndFilters) {
  ::mkdir((dir + "/sub").c_str(), 0755);
  write("a.txt", "");
  write("b.txt", "");
  write("c.dat", "");
  write("sub/d.txt", "");
  StringList* list = mdlStringList_create(0, 1);
  ASSERT_NE(list, nullptr);
  auto members = [&] {
    std::vector<std::string> out;
    for (long i = 0; i < mdlStringList_size(list); ++i) {
      char* s = nullptr;
      mdlStringList_getMember(&s, nullptr, list, i);
      out.push_back(s);
    }
    mdlStringList_deleteMember(list, 0, mdlStringList_size(list));
    return out;
  };
  ASSERT_EQ(mdlFileList_get(list, 0, dir.c_str(), "*.txt", 0, 1), 0);
  EXPECT_EQ(members(), (std::vector<std::string>{dir + "/a.txt", dir + "/b.txt"}));
  ASSERT_EQ(mdlFileList_get(list, 0, dir.c_str(), "*.txt", 1, 1), 0);
  EXPECT_EQ(members(), (std::vector<std::string>{dir + "/a.txt", dir + "/b.txt", dir + "/sub/d.txt"}));
  ASSERT_EQ(mdlFileList_get(list, 0, (dir + "/*.dat").c_str(), nullptr, 0, 1), 0);
  EXPECT_EQ(members(), (std::vector<std::string>{dir + "/c.dat"}));
  ASSERT_EQ(mdlFileList_get(list, FILELIST_ALL, (dir + "/sub/").c_str(), nullptr, 0, 1), 0);
  EXPECT_EQ(members(), (std::vector<std::string>{dir + "/sub"}));  // a directory that exists
  ASSERT_EQ(mdlFileList_get(list, FILELIST_ALL, (dir + "/none").c_str(), nullptr, 0, 1), 0);
  EXPECT_TRUE(members().empty());
  ASSERT_EQ(mdlFileList_get(list, FILELIST_DIRECTORIES, dir.c_str(), "*", 0, 1), 0);
  EXPECT_EQ(members(), (std::vector<std::string>{dir + "/sub"}));
  EXPECT_EQ(mdlFileList_get(list, 0, (dir + "/none").c_str(), "*", 0, 1), MDLERR_FILENOTFOUND);
  EXPECT_EQ(mdlFileList_get(nullptr, 0, dir.c_str(), "*", 0, 1), MDLERR_BADARG);
  mdlStringList_destroy(list);
  EXPECT_EQ(mdlFileList_get(list, 0, dir.c_str(), "*", 0, 1), MDLERR_BADARG);  // destroyed
}

}  // namespace
}  // namespace pixmend::host
