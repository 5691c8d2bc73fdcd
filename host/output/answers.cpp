// The answer queue (see answers.hpp).
#include "host/output/answers.hpp"

#include <deque>
#include <utility>

#include "host/lifecycle.hpp"

namespace pixmend::host {
namespace {

std::deque<Answer>& queue() {
  static std::deque<Answer> answers;
  return answers;
}

// The source is the program's, not a session's: a reset keeps it.
AnswerSource& answerSource() {
  static AnswerSource source;
  return source;
}

const bool registered = registerReset("output.answers", [] { queue().clear(); });

}  // namespace

void queueAnswer(std::string text) {
  queue().push_back({std::move(text)});
}

std::optional<Answer> takeAnswer() {
  auto& q = queue();
  if (q.empty()) return std::nullopt;
  Answer answer = std::move(q.front());
  q.pop_front();
  return answer;
}

void setAnswerSource(AnswerSource source) { answerSource() = std::move(source); }

std::optional<Answer> takeAnswer(const Question& question) {
  if (auto answer = takeAnswer()) return answer;
  // A copy: the source may be replaced while it waits.
  const AnswerSource source = answerSource();
  return source ? source(question) : std::nullopt;
}

bool answersPending() {
  return !queue().empty();
}

void clearAnswers() {
  queue().clear();
}

}  // namespace pixmend::host
