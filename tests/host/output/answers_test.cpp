// The answer queue: oldest first, empty means nothing, a host reset empties it.
#include "host/output/answers.hpp"

#include <gtest/gtest.h>

#include "host/lifecycle.hpp"

namespace pixmend::host {
namespace {

TEST(Answers, TakenOldestFirstAndClearedByReset) {
  resetHost();
  EXPECT_FALSE(answersPending());
  EXPECT_FALSE(takeAnswer());
  queueAnswer("yes");
  queueAnswer("3");
  EXPECT_TRUE(answersPending());
  EXPECT_EQ(takeAnswer()->text, "yes");
  EXPECT_EQ(takeAnswer()->text, "3");
  EXPECT_FALSE(takeAnswer());
  queueAnswer("no");
  resetHost();
  EXPECT_FALSE(answersPending());
  queueAnswer("cancel");
  clearAnswers();
  EXPECT_FALSE(takeAnswer());
}

}  // namespace
}  // namespace pixmend::host
