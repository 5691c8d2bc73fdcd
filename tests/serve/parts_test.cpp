// The parts of pixmend serve that need no server: which names lie inside the folders (links
// followed), which lines and answers the page may send, and the recording's form.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "cli/serve/folders.hpp"
#include "cli/serve/policy.hpp"
#include "cli/serve/recorder.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::serve {
namespace {

namespace fs = std::filesystem;

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ServeFolders, NamesAreJudgedByWhatTheyFinallyName) {
  testsupport::ScratchDir dir("folders");
  fs::create_directories(dir.file("design/scans"));
  fs::create_directories(dir.file("tmp"));
  fs::create_directories(dir.file("private"));
  std::ofstream(dir.file("private/secret.tif")) << "x";
  fs::create_symlink(dir.file("private"), dir.file("design/private"));        // a link out
  fs::create_symlink("../tmp", dir.file("design/tmp"));                       // a link to another root
  fs::create_symlink(dir.file("private/secret.tif"), dir.file("design/a.tif"));
  Folders folders(dir.file("design"));
  std::string why;
  ASSERT_TRUE(folders.add(".", &why)) << why;
  ASSERT_TRUE(folders.add(dir.file("tmp"), &why)) << why;
  EXPECT_FALSE(folders.add(dir.file("nothing"), &why));
  EXPECT_EQ(why, dir.file("nothing") + " is not a folder");

  EXPECT_EQ(folders.resolve("scans/new.tif", &why), dir.file("design/scans/new.tif"));
  EXPECT_EQ(folders.resolve("scans/../new.tif", &why), dir.file("design/new.tif"));
  EXPECT_EQ(folders.resolve(dir.file("tmp/backup.vxr"), &why), dir.file("tmp/backup.vxr"));
  EXPECT_EQ(folders.resolve("tmp/x", &why), dir.file("tmp/x"));  // a link into another folder of ours
  for (const std::string name : {"../private/secret.tif", "private/secret.tif", "a.tif", "private/new.tif",
                                 "no/such/../../../private/x", "/etc/passwd", "scans/../../tmp/../private"}) {
    EXPECT_FALSE(folders.resolve(name, &why)) << name;
  }
  EXPECT_FALSE(folders.resolve("", &why));
  EXPECT_FALSE(folders.resolve(std::string(300, 'a'), &why));
  EXPECT_EQ(why, "the name is longer than 255 characters");
  EXPECT_FALSE(folders.resolve("a\nb", &why));

  const auto listing = folders.list(".", 100, &why);
  ASSERT_TRUE(listing) << why;
  std::vector<std::string> names;
  for (const auto& e : listing->entries) names.push_back(e.name + (e.folder ? "/" : ""));
  EXPECT_EQ(names, (std::vector<std::string>{"scans/", "tmp/"}));  // links out are left out
  EXPECT_EQ(listing->parent, "");
  EXPECT_EQ(folders.list("scans", 100, &why)->parent, ".");
  EXPECT_FALSE(folders.list("private", 100, &why));
  EXPECT_EQ(folders.shown(dir.file("design/scans/x.tif")), "scans/x.tif");
  EXPECT_EQ(folders.shown(dir.file("tmp/x")), dir.file("tmp/x"));
}

TEST(ServePolicy, ThePageMayUseTheVerbsOfAUsersHands) {
  testsupport::ScratchDir dir("policy");
  Folders folders(dir.path());
  std::string why;
  folders.add(".", &why);
  const auto ok = [&](const std::string& line) { return checkLine(line, folders).ok; };
  for (const std::string line : {"keyin vxraster delete smart", "point -5.25 1e3", "cursor 1 2", "reset",
                                 "item 1 2 90 degrees", "item 2 2 scans/out.tif", "press 1 -3",
                                 "menu VXRaster > Delete > Smart", "load VXRaster", "keyin raster attach interactive"}) {
    EXPECT_TRUE(ok(line)) << line << ": " << checkLine(line, folders).message;
  }
  for (const std::string line : {"load testapp", "load VXRaster MS_INITAPPS", "keyin %ls", "keyin  MDL unload VXRaster",
                                 "answer yes", "tick 60", "export x.png", "design open other.dgn", "attach x.tif",
                                 "fence 0 0 1 1", "failalloc 3", "unload VXRaster", "event 1 1 x", "trace on",
                                 "value userInterfaceData.tempDirectory", "pixels drawing.tif", "view 0 area fit",
                                 "item 4 4 ~/", "item 4 4 ../"}) {
    const Checked c = checkLine(line, folders);
    EXPECT_FALSE(c.ok) << line;
    EXPECT_EQ(c.status, 403) << line;
  }
  // A step is recorded as a line that reads back as the same step: blanks around it go.
  const Checked c = checkLine("keyin   vxraster  select   ", folders);
  ASSERT_TRUE(c.ok);
  EXPECT_EQ(recordedLine(c.step), "keyin vxraster  select");
}

TEST(ServePolicy, AnswersFitTheQuestion) {
  testsupport::ScratchDir dir("answers");
  Folders folders(dir.path());
  std::string why;
  folders.add(".", &why);
  host::Question box;
  box.buttons = {"yes", "no"};
  std::vector<std::string> answers;
  EXPECT_TRUE(checkAnswers({" YES "}, box, folders, &answers).ok);
  EXPECT_EQ(answers, std::vector<std::string>{"yes"});
  EXPECT_EQ(checkAnswers({"cancel"}, box, folders, &answers).message, "\"cancel\" is not a button of the box");
  EXPECT_FALSE(checkAnswers({}, box, folders, &answers).ok);
  EXPECT_FALSE(checkAnswers({"yes\n"}, box, folders, &answers).ok);
  EXPECT_EQ(safeAnswer(box), "no");
  box.buttons = {"ok", "cancel"};
  EXPECT_EQ(safeAnswer(box), "cancel");
  box.buttons = {"ok"};
  EXPECT_EQ(safeAnswer(box), "ok");

  host::Question file;
  file.kind = host::Question::Kind::File;
  EXPECT_TRUE(checkAnswers({"new.tif"}, file, folders, &answers).ok);
  EXPECT_EQ(answers, std::vector<std::string>{"new.tif"});
  EXPECT_EQ(checkAnswers({"../x.tif"}, file, folders, &answers).status, 403);
  file.directory = dir.path();  // the host would put it before a relative name: given whole
  EXPECT_TRUE(checkAnswers({"new.tif"}, file, folders, &answers).ok);
  EXPECT_EQ(answers, std::vector<std::string>{dir.file("new.tif")});
  file.several = true;
  file.directory.clear();
  EXPECT_TRUE(checkAnswers({"a.tif;b.tif"}, file, folders, &answers).ok);
  EXPECT_EQ(answers, std::vector<std::string>{"a.tif;b.tif"});
  EXPECT_EQ(checkAnswers({"a.tif;/etc/passwd"}, file, folders, &answers).status, 403);
  EXPECT_EQ(safeAnswer(file), "cancel");

  host::Question dialog;
  dialog.kind = host::Question::Kind::Dialog;
  EXPECT_TRUE(checkAnswers({"item 2 out.tif", "OK"}, dialog, folders, &answers).ok);
  EXPECT_EQ(checkAnswers({"item 2 /tmp/out.tif", "ok"}, dialog, folders, &answers).status, 403);
}

TEST(ServeRecorder, StepsAreWrittenAsPlayedWithTheirAnswersFirst) {
  testsupport::ScratchDir dir("recorder");
  const std::string path = dir.file("session.pms");
  {
    Recorder recorder;
    std::string why;
    ASSERT_TRUE(recorder.open(path, &why)) << why;
    recorder.comment("two\nlines");
    recorder.step("keyin vxraster select");
    recorder.step("tick 60");
    recorder.step("tick 75");
    // What is on disk already, before the recorder closes: the ticks wait for the next step.
    EXPECT_EQ(readAll(path), "# two\n# lines\nkeyin vxraster select\n");
    recorder.step("keyin vxraster detach", {"no"});
    recorder.step("tick 5");
  }
  EXPECT_EQ(readAll(path), "# two\n# lines\nkeyin vxraster select\ntick 135\nanswer no\nkeyin vxraster detach\ntick 5\n");
  // A recording never replaces a file, nor follows a link to one.
  Recorder again;
  std::string why;
  EXPECT_FALSE(again.open(path, &why));
  EXPECT_EQ(why, path + " exists already: a recording never replaces a file");
  fs::create_symlink(dir.file("elsewhere.pms"), dir.file("link.pms"));
  EXPECT_FALSE(again.open(dir.file("link.pms"), &why));
  EXPECT_FALSE(fs::exists(dir.file("elsewhere.pms")));
}

}  // namespace
}  // namespace pixmend::serve
