// The answer queue: what the user "answers" to message boxes, modal dialogs and file dialogs.
// Session scripts (`answer WORD|NUMBER`) and tests push answers; whoever opens a box or modal
// dialog takes the oldest one. An empty queue means the first button (the journal says the
// answer was defaulted).
//
// (Contract shared by the host groups; implemented in host/output/.)
#pragma once

#include <optional>
#include <string>

namespace pixmend::host {

// One queued answer as written: a button word ("ok", "yes", "no", "cancel", ...), a number (an
// action value), or for file dialogs a path.
struct Answer {
  std::string text;
};

void queueAnswer(std::string text);
// Takes the oldest answer, or nothing when the queue is empty.
std::optional<Answer> takeAnswer();
bool answersPending();
void clearAnswers();

}  // namespace pixmend::host
