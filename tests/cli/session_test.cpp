// The session-script reader and player: what is a step, what is refused (all problems, with
// their lines), limits, expectations, exit statuses.
#include "cli/session.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "host/config/config.hpp"
#include "host/lifecycle.hpp"
#include "host/output/answers.hpp"
#include "host/output/journal.hpp"
#include "host/system/timers.hpp"

namespace pixmend::cli {
namespace {

class Sessions : public ::testing::Test {
 protected:
  void SetUp() override { host::resetHost(); }
  void TearDown() override { host::resetHost(); }
};

TEST_F(Sessions, StepsKeepTheirLinesWordsAndRest) {
  std::vector<Step> steps;
  std::vector<ScriptError> errors;
  ASSERT_TRUE(
      readScript("# a comment\r\n\n   # indented comment\nset  NAME  two  words  \r\n"
                 "keyin raster attach #1\npoint 1.5 -2 view 3\n",
                 &steps, &errors));
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0].line, 4);
  EXPECT_EQ(steps[0].verb, "set");
  EXPECT_EQ(steps[0].words, (std::vector<std::string>{"NAME", "two", "words"}));
  EXPECT_EQ(steps[0].rest, "NAME  two  words");
  EXPECT_EQ(steps[1].rest, "raster attach #1");  // '#' only starts a comment at the line's start
  EXPECT_EQ(steps[2].line, 6);
  EXPECT_TRUE(errors.empty());
}

TEST_F(Sessions, EveryProblemIsReportedWithItsLine) {
  std::vector<Step> steps;
  std::vector<ScriptError> errors;
  EXPECT_FALSE(
      readScript("reset now\npoint x 1\ncursor 1 2 view\ntick 99999999\nload\nanswer\n"
                 "command 0x100000000\nexpect\nunset A B\nfailalloc -1\nitem 1\npress 1 2 3\n"
                 "reset\nevent 99 1\nunload\nfoo\n",
                 &steps, &errors));
  std::vector<int> lines;
  for (const auto& e : errors) lines.push_back(e.line);
  EXPECT_EQ(lines, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 15, 16}));
  EXPECT_EQ(errors.back().message, "unknown verb 'foo' (see pixmend --help)");
  EXPECT_EQ(steps.size(), 1u);  // the good line is read, but runScript plays nothing
}

TEST_F(Sessions, HostileScriptsAreRefusedCheaply) {
  std::vector<Step> steps;
  std::vector<ScriptError> errors;
  EXPECT_FALSE(readScript(std::string("reset\nkeyin a\0b\n", 15), &steps, &errors));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].line, 2);
  EXPECT_EQ(errors[0].message, "the line holds a control character");
  EXPECT_FALSE(readScript("keyin " + std::string(kMaxLineBytes, 'x') + "\nreset\n", &steps, &errors));
  EXPECT_EQ(errors[0].line, 1);
  EXPECT_FALSE(readScript(std::string(kMaxScriptBytes + 1, '#'), &steps, &errors));
  EXPECT_EQ(errors[0].line, 0);
  EXPECT_FALSE(readScript("point 1e999 0\npoint nan 0\ncommand -1\n", &steps, &errors));
  EXPECT_EQ(errors.size(), 3u);
}

TEST_F(Sessions, PlayedStepsReachTheHostAndExpectationsAreChecked) {
  std::ostringstream out, err;
  const int status = runScript(
      "set GREETING hello  there\nanswer no\ntick 30\nkeyin mdl unload nothing\n"
      "expect error mdl unload: no application nothing is loaded\n"
      "expect keyin wrong\nexpect nothing here\n",
      "test.pms", out, err);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(host::variableValue("GREETING"), "hello  there");
  EXPECT_TRUE(host::answersPending());
  EXPECT_EQ(host::hostClock(), 30);
  EXPECT_EQ(out.str(), "keyin: mdl unload nothing\nerror: mdl unload: no application nothing is loaded\n");
  EXPECT_EQ(err.str(),
            "test.pms:6: expect keyin: wanted \"wrong\", the last entry is \"mdl unload nothing\"\n"
            "test.pms:7: expect nothing: nothing was journaled on nothing\n");
}

TEST_F(Sessions, ExpectationsCompareThePrintedForm) {
  std::ostringstream out, err;
  host::journal().append("text", "line one\nline two\t!");
  EXPECT_EQ(runScript("expect text line one\\nline two\\t!\n", "s", out, err), 0) << err.str();
}

TEST_F(Sessions, AStepThatCannotBeDoneStopsTheSession) {
  std::ostringstream out, err;
  EXPECT_EQ(runScript("load no-such-application\nkeyin never typed\n", "s", out, err), 1);
  EXPECT_EQ(out.str(), "system: cannot load no-such-application: not found\n");
  EXPECT_EQ(err.str(), "s:1: load: cannot load no-such-application: not found\n");
  std::ostringstream out2, err2;
  EXPECT_EQ(runScript("unload nothing\n", "s", out2, err2), 1);
  EXPECT_EQ(err2.str(), "s:1: unload: no application nothing is loaded\n");
  std::ostringstream out3, err3;
  EXPECT_EQ(runScript("press 5 1\n", "s", out3, err3), 1);
  EXPECT_NE(err3.str().find("s:1: press: "), std::string::npos);
}

TEST_F(Sessions, ABadScriptPlaysNothing) {
  std::ostringstream out, err;
  EXPECT_EQ(runScript("set OK 1\nbogus\n", "bad.pms", out, err), 2);
  EXPECT_FALSE(host::variableValue("OK"));
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "bad.pms:2: unknown verb 'bogus' (see pixmend --help)\n");
}

TEST_F(Sessions, EveryVerbHasItsUsage) {
  for (const auto& verb : verbs()) {
    EXPECT_FALSE(verb.synopsis.empty()) << verb.name;
    EXPECT_FALSE(verb.help.empty()) << verb.name;
    EXPECT_EQ(verb.synopsis.rfind(verb.name, 0), 0u) << verb.name;
  }
}

TEST_F(Sessions, QuotedWordsHoldBlanksAndOldScriptsReadAsBefore) {
  std::vector<std::string> words;
  std::vector<std::size_t> ends;
  splitWords(R"("my scan.tif" origin 5 5)", &words, &ends);
  EXPECT_EQ(words, (std::vector<std::string>{"my scan.tif", "origin", "5", "5"}));
  EXPECT_EQ(ends.front(), 13u);
  splitWords(R"("say \"hi\" \\ there" "" x)", &words, nullptr);
  EXPECT_EQ(words, (std::vector<std::string>{R"(say "hi" \ there)", "", "x"}));
  // Quotes that do not open a quoted word are characters, as they always were.
  splitWords(R"(dialog text 20020 "VX Text Tester" a"b c"d "open)", &words, nullptr);
  EXPECT_EQ(words, (std::vector<std::string>{"dialog", "text", "20020", "VX Text Tester", "a\"b", "c\"d",
                                             "\"open"}));
  splitWords(R"("not closed"x y)", &words, nullptr);
  EXPECT_EQ(words, (std::vector<std::string>{"\"not", "closed\"x", "y"}));
  EXPECT_EQ(nameProblem("\"my"), R"(the quote before "my is not closed (a name with blanks is written "like this"))");
  EXPECT_EQ(nameProblem(""), "the name is empty");
  EXPECT_EQ(nameProblem("scan.tif"), "");

  // In a script: the free text of a verb stays as written; names may be quoted; a byte-order
  // mark before the first verb is not part of it.
  std::vector<Step> steps;
  std::vector<ScriptError> errors;
  ASSERT_TRUE(readScript("\xEF\xBB\xBFset VAR \"a b\"  c\nload \"my app\" x\n", &steps, &errors));
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[0].verb, "set");
  EXPECT_EQ(steps[0].rest, "VAR \"a b\"  c");
  EXPECT_EQ(steps[1].words, (std::vector<std::string>{"my app", "x"}));
}

}  // namespace
}  // namespace pixmend::cli
