// The host's external programs: argument splitting and the journal's form of a command, finding
// programs along PATH, exit statuses and signals, waiting with and without a limit, ending a
// program, refusals, and the "% " key-in.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/config/config.hpp"
#include "host/external/api.h"
#include "host/external/external.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/state/state.hpp"
#include "host/system/idle.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

class Programs : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
  }
  void TearDown() override {
    waitForPrograms(10000);
    resetHost();
  }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  static std::vector<std::string> external(std::size_t from = 0) { return journal().texts("external", from); }

  // Starts `program` with `arguments` one by one and waits for it: its exit status, or the start
  // error.
  static int run(const char* program, std::vector<const char*> arguments, int flags = 0) {
    ExternalProgram* p = nullptr;
    const int status = mdlExternal_extStartProgram(&p, program, static_cast<int>(arguments.size()),
                                                   arguments.empty() ? nullptr : arguments.data(), flags);
    if (status != SUCCESS) return status;
    EXPECT_EQ(mdlExternal_wait(0, p), SUCCESS);
    const int exit = p->exitStatus;
    EXPECT_EQ(mdlExternal_terminateProgram(p), SUCCESS);
    return exit;
  }

  pixmend::testsupport::ScratchDir scratch_{"external"};
  std::string dir_ = scratch_.path();
};

TEST(ExternalText, ArgumentTextsSplitAtBlanksWithQuotedParts) {
  using V = std::vector<std::string>;
  EXPECT_EQ(splitArguments("  a  b\tc "), (V{"a", "b", "c"}));
  EXPECT_EQ(splitArguments("one \"two three\" four"), (V{"one", "two three", "four"}));
  EXPECT_EQ(splitArguments("x\"y z\"w"), (V{"xy zw"}));
  EXPECT_EQ(splitArguments("\"\" after"), (V{"", "after"}));
  EXPECT_EQ(splitArguments("say \\\"hi\\\""), (V{"say", "\"hi\""}));
  EXPECT_EQ(splitArguments("back\\slash"), (V{"back\\slash"}));
  EXPECT_EQ(splitArguments("\"unclosed quote"), (V{"unclosed quote"}));
  EXPECT_TRUE(splitArguments("").empty());
  // What the journal shows reads back as the same arguments.
  const V tricky{"plain", "with blank", "", "q\"uote", "back\\slash"};
  const std::string line = commandText("prog", tricky);
  EXPECT_EQ(line, "prog plain \"with blank\" \"\" \"q\\\"uote\" \"back\\\\slash\"");
}

TEST_F(Programs, ProgramsAreFoundAlongTheConfigurationVariablePath) {
  ::mkdir(path("bin").c_str(), 0755);
  std::ofstream(path("bin/tool")) << "#!/bin/sh\nexit 7\n";
  std::ofstream(path("bin/notexec")) << "#!/bin/sh\nexit 0\n";
  ::chmod(path("bin/tool").c_str(), 0755);
  ::chmod(path("bin/notexec").c_str(), 0644);
  defineVariable("PATH", path("bin") + ":/usr/bin:/bin", kCfgLevelUser);
  EXPECT_EQ(findProgram("tool"), path("bin/tool"));
  EXPECT_EQ(findProgram("notexec"), "") << "only programs";
  EXPECT_EQ(findProgram(path("bin/notexec")), "");
  EXPECT_EQ(findProgram(path("bin")), "") << "a folder is no program";
  EXPECT_EQ(run("tool", {}), 7);
  const auto from = journal().size();
  EXPECT_EQ(run("notexec", {}), MDLERR_FILENOTFOUND);
  EXPECT_EQ(run("", {}), MDLERR_BADARG);
  EXPECT_EQ(run(nullptr, {}), MDLERR_BADARG);
  EXPECT_EQ(external(from), (std::vector<std::string>{"cannot start notexec: no such program",
                                                      "cannot start a program without a name",
                                                      "cannot start a program without a name"}));
}

TEST_F(Programs, ExitStatusesAndSignalsAreReported) {
  const auto from = journal().size();
  EXPECT_EQ(run("/bin/sh", {"-c", "exit 42"}), 42);
  EXPECT_EQ(run("/bin/sh", {"-c", "kill -9 $$"}), 128 + 9);
  // An argument with blanks stays one argument.
  EXPECT_EQ(run("/bin/sh", {"-c", "test \"$1\" = \"a b\"", "x", "a b"}), 0);
  // Idle priority where the system has it; the program runs either way.
  EXPECT_EQ(run("/bin/sh", {"-c", "exit 0"}, EXTERNAL_PRIORITY_IDLE), 0);
  const auto lines = external(from);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "start /bin/sh -c \"exit 42\"");
  EXPECT_EQ(lines[1], "/bin/sh ended with status 42");
  EXPECT_EQ(lines[4], "start /bin/sh -c \"test \\\"$1\\\" = \\\"a b\\\"\" x \"a b\"");
}

TEST_F(Programs, TheArgumentTextIsSplitForStartProgram) {
  ExternalProgram* p = nullptr;
  ASSERT_EQ(mdlExternal_startProgram(&p, "touch", ("\"" + path("one file") + "\" " + path("two")).c_str()), SUCCESS);
  ASSERT_EQ(mdlExternal_wait(0, p), SUCCESS);
  EXPECT_EQ(p->exitStatus, 0);
  struct stat st {};
  EXPECT_EQ(::stat(path("one file").c_str(), &st), 0);
  EXPECT_EQ(::stat(path("two").c_str(), &st), 0);
  mdlExternal_terminateProgram(p);
}

TEST_F(Programs, WaitingWithALimitAndEndingAProgram) {
  ExternalProgram* p = nullptr;
  const char* argv[] = {"30"};
  ASSERT_EQ(mdlExternal_extStartProgram(&p, "sleep", 1, argv, 0), SUCCESS);
  EXPECT_EQ(p->running, 1);
  EXPECT_EQ(mdlExternal_wait(-1, p), EXTERNAL_STILL_RUNNING) << "only looks";
  EXPECT_EQ(mdlExternal_wait(30, p), EXTERNAL_STILL_RUNNING);
  const auto from = journal().size();
  EXPECT_EQ(mdlExternal_terminateProgram(p), SUCCESS);
  EXPECT_EQ(external(from), (std::vector<std::string>{"terminated sleep"}));
  // The record is gone: the host refuses it rather than following it.
  EXPECT_EQ(mdlExternal_wait(0, p), MDLERR_BADARG);
  EXPECT_EQ(mdlExternal_terminateProgram(p), MDLERR_BADARG);
  EXPECT_EQ(mdlExternal_wait(0, nullptr), MDLERR_BADARG);
  ExternalProgram stranger{};
  EXPECT_EQ(mdlExternal_wait(0, &stranger), MDLERR_BADARG);
}

TEST_F(Programs, AProgramNobodyWaitsForIsCollectedWhenTheHostIsIdle) {
  ASSERT_EQ(mdlExternal_startProgram(nullptr, "true", nullptr), SUCCESS);
  ASSERT_TRUE(waitForPrograms(10000));
  runIdle();
  // Nothing is journaled for its end: the journal stays the same whenever it ended.
  EXPECT_EQ(external(), (std::vector<std::string>{"start true"}));
}

TEST_F(Programs, TooManyArgumentsAreRefused) {
  std::vector<const char*> many(5000, "x");
  ExternalProgram* p = reinterpret_cast<ExternalProgram*>(1);
  EXPECT_EQ(mdlExternal_extStartProgram(&p, "true", static_cast<int>(many.size()), many.data(), 0), MDLERR_TOOLARGE);
  EXPECT_EQ(p, nullptr);
  const std::string huge(300 * 1024, 'a');
  EXPECT_EQ(mdlExternal_startProgram(nullptr, "true", huge.c_str()), MDLERR_TOOLARGE);
  EXPECT_EQ(mdlExternal_extStartProgram(nullptr, "true", -1, nullptr, 0), MDLERR_BADARG);
  EXPECT_EQ(mdlExternal_extStartProgram(nullptr, "true", 2, nullptr, 0), MDLERR_BADARG);
}

TEST_F(Programs, AProgramsOutputNeverReachesTheJournalsStream) {
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(run("/bin/sh", {"-c", "echo to-standard-output"}), 0);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.find("to-standard-output"), std::string::npos);
}

TEST_F(Programs, ThePercentKeyinRunsCommandsAndOpensDocuments) {
  ::mkdir(path("bin").c_str(), 0755);
  std::ofstream(path("bin/xdg-open")) << "#!/bin/sh\necho \"$1\" > \"" << path("opened.txt") << "\"\n";
  ::chmod(path("bin/xdg-open").c_str(), 0755);
  defineVariable("PATH", path("bin") + ":/usr/bin:/bin", kCfgLevelUser);
  std::ofstream(path("notes.txt")) << "notes";

  EXPECT_TRUE(runKeyin("% touch " + path("made")));
  struct stat st {};
  EXPECT_EQ(::stat(path("made").c_str(), &st), 0) << "waited for";
  EXPECT_EQ(external().back(), "/bin/sh ended with status 0");

  const auto from = journal().size();
  EXPECT_TRUE(runKeyin("%  " + path("notes.txt") + "  "));
  ASSERT_TRUE(waitForPrograms(10000));
  EXPECT_EQ(external(from), (std::vector<std::string>{"start " + path("bin/xdg-open") + " " + path("notes.txt")}));
  std::ifstream in(path("opened.txt"));
  std::string opened;
  std::getline(in, opened);
  EXPECT_EQ(opened, path("notes.txt"));
  // A folder is opened too; an executable file is run.
  EXPECT_TRUE(runKeyin("% " + dir_));
  EXPECT_EQ(external().back(), "start " + path("bin/xdg-open") + " " + dir_);
  EXPECT_TRUE(runKeyin("% " + path("bin/xdg-open")));
  EXPECT_EQ(external().back(), "/bin/sh ended with status 0");
}

}  // namespace
}  // namespace pixmend::host
