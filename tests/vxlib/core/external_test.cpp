// External programs, the browser application and help: command lines with built-in words and
// scripts, programs started directly, waiting or not, refusals, the "% " key-in, the browser's
// key-ins and the manual and help file. A stub xdg-open (found along the configuration variable
// PATH) records what it was asked to open, so no real browser or viewer ever starts.
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "host/config/config.hpp"
#include "host/external/external.hpp"
#include "host/state/state.hpp"
#include "host/system/idle.hpp"
#include "vxlib/core/vxlib_fixture.hpp"

namespace pixmend::vxlib {
namespace {

using host::AppScope;

class External : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    app_ = startApp("Help");
    ::mkdir(path("bin").c_str(), 0755);
    writeText(path("bin/xdg-open"), "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\" >> \"" + path("opened.txt") + "\"; done\n");
    ::chmod(path("bin/xdg-open").c_str(), 0755);
    host::defineVariable("PATH", path("bin") + ":/usr/bin:/bin", host::kCfgLevelUser);
  }
  void TearDown() override {
    host::waitForPrograms(10000);
    VxlibTest::TearDown();
  }

  // What the stub opener was given, once every program started has ended, in sorted order (the
  // openers run side by side, nobody waits for them).
  std::vector<std::string> opened() {
    EXPECT_TRUE(host::waitForPrograms(10000));
    std::vector<std::string> out;
    std::ifstream in(path("opened.txt"));
    for (std::string line; std::getline(in, line);) out.push_back(line);
    std::sort(out.begin(), out.end());
    return out;
  }

  static std::vector<std::string> boxLines(std::size_t from) {
    std::vector<std::string> out;
    for (const auto& t : texts("dialog", from)) {
      const std::string prefix = "text 20011 \"";
      if (t.compare(0, prefix.size(), prefix) == 0) out.push_back(t.substr(prefix.size(), t.size() - prefix.size() - 1));
    }
    return out;
  }

  int commandLine(const std::string& line, int wait = 0) {
    AppScope scope(app_);
    return vxlibExternal_executeCommandLine(line.c_str(), &wait);
  }

  host::Application* app_ = nullptr;
};

TEST_F(External, BuiltInWordsAndScriptsRunUnderTheCommandInterpreter) {
  auto from = mark();
  EXPECT_EQ(commandLine("dIr " + path("nothing")), 0);
  EXPECT_EQ(commandLine("setup.BAT one two"), 0);
  EXPECT_EQ(commandLine("x.cmd"), 0);
  // Names are compared in capitals but started with their own spelling; the whole rest of the
  // line is one command for the interpreter.
  EXPECT_EQ(texts("external", from),
            (std::vector<std::string>{"start /bin/sh -c \"dIr " + path("nothing") + "\"", "/bin/sh ended with status 127",
                                      "start /bin/sh -c \"setup.BAT one two\"", "/bin/sh ended with status 127",
                                      "start /bin/sh -c x.cmd", "/bin/sh ended with status 127"}));
  // ".BAT" alone is no script name: it is started as a program.
  from = mark();
  EXPECT_EQ(commandLine(".bat"), VXLIB_ERROR);
  EXPECT_EQ(texts("external", from), (std::vector<std::string>{"cannot start .bat: no such program"}));
}

TEST_F(External, OtherProgramsStartDirectlyWithTheRestOfTheLine) {
  const auto from = mark();
  EXPECT_EQ(commandLine("touch " + path("made one") + " " + path("made-two")), 0);
  struct stat st {};
  EXPECT_EQ(::stat(path("made-two").c_str(), &st), 0) << "waited for: the file is there";
  EXPECT_NE(::stat(path("made one").c_str(), &st), 0) << "blanks separate arguments";
  EXPECT_EQ(texts("external", from).back(), "touch ended with status 0");
  // A quoted argument keeps its blanks.
  EXPECT_EQ(commandLine("touch \"" + path("made one") + "\""), 0);
  EXPECT_EQ(::stat(path("made one").c_str(), &st), 0);
}

TEST_F(External, AProgramThatCannotStartIsReportedWithItsCommandLine) {
  const auto from = mark();
  EXPECT_EQ(commandLine("no-such-program-here --flag"), VXLIB_ERROR);
  EXPECT_EQ(texts("text", from),
            (std::vector<std::string>{"Error executing external program\n<no-such-program-here --flag>\nErrorcode -101\n"}));
  AppScope scope(app_);
  int wait = 0;
  EXPECT_EQ(vxlibExternal_executeProgram(nullptr, nullptr, &wait), VXLIB_ERROR);
  EXPECT_EQ(vxlibExternal_executeShellCommand(nullptr, "x", &wait), VXLIB_ERROR);
  EXPECT_EQ(vxlibExternal_executeCommandLine(nullptr, &wait), VXLIB_ERROR);
}

TEST_F(External, WaitValuesLeaveRunningWaitOrWaitAtMost) {
  AppScope scope(app_);
  auto from = mark();
  int wait = -1;
  EXPECT_EQ(vxlibExternal_executeProgram("sh", ("-c \"sleep 0.3; touch '" + path("late") + "'\"").c_str(), &wait), 0);
  EXPECT_EQ(wait, -1);
  struct stat st {};
  EXPECT_NE(::stat(path("late").c_str(), &st), 0) << "not waited for";
  EXPECT_EQ(texts("external", from).size(), 1u) << "only the start";
  ASSERT_TRUE(host::waitForPrograms(10000));
  EXPECT_EQ(::stat(path("late").c_str(), &st), 0);

  // A time limit shorter than the program: it goes on running, the wait value stays as it was.
  from = mark();
  wait = 20;
  EXPECT_EQ(vxlibExternal_executeProgram("sleep", "0.5", &wait), 0);
  EXPECT_EQ(wait, 20);
  EXPECT_EQ(texts("external", from), (std::vector<std::string>{"start sleep 0.5"}));
  EXPECT_TRUE(host::waitForPrograms(10000));

  // Waiting without limit; the wait value is not touched by the exit status.
  wait = 0;
  EXPECT_EQ(vxlibExternal_executeShellCommand("exit", "3", &wait), 0);
  EXPECT_EQ(wait, 0);
  EXPECT_EQ(texts("external", from).back(), "/bin/sh ended with status 3");
}

TEST_F(External, TheInterpreterIsTheOneNamedByComspec) {
  host::defineVariable("COMSPEC", "sh", host::kCfgLevelUser);
  AppScope scope(app_);
  const auto from = mark();
  int wait = 0;
  EXPECT_EQ(vxlibExternal_executeSystemCommand("true", nullptr, &wait), 0);
  EXPECT_EQ(texts("external", from), (std::vector<std::string>{"start sh -c true", "sh ended with status 0"}));
}

TEST_F(External, TheDraftingEditionRefusesToStartPrograms) {
  host::defineVariable("_MSDRAFT", "1", host::kCfgLevelUser);
  const auto from = mark();
  EXPECT_EQ(commandLine("touch " + path("never")), 0);
  EXPECT_EQ(commandLine("dir"), 0);
  struct stat st {};
  EXPECT_NE(::stat(path("never").c_str(), &st), 0);
  EXPECT_TRUE(texts("external", from).empty());
  const auto box = boxLines(from);
  ASSERT_EQ(box.size(), 2u);
  EXPECT_EQ(box[0], "External programs cannot be started from this edition of the host.");
}

TEST_F(External, OpenFileSendsThePercentKeyinWhichOpensDocumentsAndRunsCommands) {
  writeText(path("manual.pdf"), "%PDF");
  {
    AppScope scope(app_);
    EXPECT_EQ(vxlibExternal_openFile(path("manual.pdf").c_str()), 0);
    EXPECT_EQ(vxlibExternal_openFile(nullptr), 0);
  }
  const auto from = mark();
  host::runIdle();
  EXPECT_EQ(texts("keyin", from), (std::vector<std::string>{"% " + path("manual.pdf")}));
  EXPECT_EQ(opened(), (std::vector<std::string>{path("manual.pdf")}));
  // A command: run by the shell and waited for.
  host::runKeyin("% touch '" + path("by shell") + "'");
  struct stat st {};
  EXPECT_EQ(::stat(path("by shell").c_str(), &st), 0);
  EXPECT_EQ(texts("external").back(), "/bin/sh ended with status 0");
  host::runKeyin("%   ");
  EXPECT_EQ(texts("error").back(), "%: which operating-system command?");
  // Without an opener the document is not opened, and the journal says why.
  host::defineVariable("PATH", path("empty"), host::kCfgLevelUser);
  host::runKeyin("% " + path("manual.pdf"));
  EXPECT_EQ(texts("external").back(), "no program to open " + path("manual.pdf") + " (xdg-open is not installed)");
}

TEST_F(External, WebCallsLoadTheBrowserOnceAndSendItsKeyins) {
  AppScope scope(app_);
  auto from = mark();
  EXPECT_EQ(vxlibWeb_openUrl("https://www.vexcraft.example/a b"), 0);
  writeText(path("page.htm"), "<p>");
  EXPECT_EQ(vxlibWeb_openFile(path("page.htm").c_str()), 0);
  EXPECT_EQ(texts("system", from), (std::vector<std::string>{"load WEBBROWS"}));
  host::runIdle();
  EXPECT_EQ(texts("keyin", from), (std::vector<std::string>{"browse url https://www.vexcraft.example/a b",
                                                            "browse file " + path("page.htm")}));
  EXPECT_EQ(opened(), (std::vector<std::string>{path("page.htm"), "https://www.vexcraft.example/a b"}));

  // What the browser refuses: a missing file, an option in place of an address, no kind.
  from = mark();
  host::runKeyin("browse file " + path("missing.htm"));
  host::runKeyin("browse url --help");
  host::runKeyin("browse " + path("page.htm"));
  EXPECT_EQ(texts("error", from), (std::vector<std::string>{"browse: no file " + path("missing.htm"),
                                                            "browse: --help is not a web address",
                                                            "browse: give file PATH or url ADDRESS"}));
  // An address too long for the key-in is refused whole instead of being cut.
  EXPECT_EQ(vxlibWeb_openUrl(("https://x.example/" + std::string(600, 'q')).c_str()), VXLIB_ERROR);
  EXPECT_EQ(vxlibWeb_openUrl(nullptr), VXLIB_ERROR);
}

TEST_F(External, ABrowserThatCannotBeLoadedIsReported) {
  ::mkdir(path("noapps").c_str(), 0755);
  host::defineVariable("MS_MDLAPPS", path("noapps"), host::kCfgLevelUser);
  AppScope scope(app_);
  const auto from = mark();
  EXPECT_EQ(vxlibWeb_openUrl("https://www.vexcraft.example/"), VXLIB_ERROR);
  EXPECT_EQ(boxLines(from), (std::vector<std::string>{"Cannot load the web browser application."}));
  EXPECT_TRUE(texts("keyin", from).empty());
}

TEST_F(External, TheManualIsLookedForWithAndWithoutTheLanguageSuffix) {
  AppScope scope(app_);
  host::undefineVariable("VX_DIR");
  EXPECT_EQ(vxlibWeb_openApplHelp(), 0) << "neither folder defined";
  EXPECT_EQ(vxlibWeb_openApplChmHelp(), 0);

  host::defineVariable("VX_DIR", path("install"), host::kCfgLevelUser);  // no '/' at its end
  EXPECT_EQ(vxlibWeb_openApplHelp(), MDLERR_FILENOTFOUND);
  ::mkdir(path("install").c_str(), 0755);
  ::mkdir(path("install/doc").c_str(), 0755);
  ::mkdir(path("install/doc/manual").c_str(), 0755);
  ::mkdir(path("install/doc/manual/Help").c_str(), 0755);
  writeText(path("install/doc/manual/Help/index.htm"), "plain");
  EXPECT_EQ(vxlibWeb_openApplHelp(), 0);
  ::mkdir(path("install/doc/manual/Help_en").c_str(), 0755);
  writeText(path("install/doc/manual/Help_en/index.htm"), "english");
  EXPECT_EQ(vxlibWeb_openApplHelp(), 0);
  // VX_LOCAL comes before VX_DIR.
  host::defineVariable("VX_LOCAL", path("local/"), host::kCfgLevelUser);
  EXPECT_EQ(vxlibWeb_openApplHelp(), MDLERR_FILENOTFOUND);
  host::runIdle();
  EXPECT_EQ(opened(), (std::vector<std::string>{path("install/doc/manual/Help/index.htm"),
                                                path("install/doc/manual/Help_en/index.htm")}));
}

TEST_F(External, TheHelpFileGoesToTheViewerAsItsOneArgument) {
  AppScope scope(app_);
  host::defineVariable("VX_DIR", path("with blank") + "/", host::kCfgLevelUser);
  EXPECT_EQ(vxlibWeb_openApplChmHelp(), MDLERR_FILENOTFOUND);
  ::mkdir(path("with blank").c_str(), 0755);
  ::mkdir(path("with blank/help").c_str(), 0755);
  writeText(path("with blank/help/Help.chm"), "chm");
  EXPECT_EQ(vxlibWeb_openApplChmHelp(), 0);
  writeText(path("with blank/help/Help_en.chm"), "chm");
  EXPECT_EQ(vxlibWeb_openApplChmHelp(), 0);
  EXPECT_EQ(opened(), (std::vector<std::string>{path("with blank/help/Help.chm"), path("with blank/help/Help_en.chm")}));
  // No viewer: the search's result.
  host::defineVariable("PATH", path("empty"), host::kCfgLevelUser);
  EXPECT_EQ(vxlibWeb_openApplChmHelp(), MDLERR_FILENOTFOUND);
}

}  // namespace
}  // namespace pixmend::vxlib
