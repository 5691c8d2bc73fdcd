// The answer queue: what the user "answers" to message boxes, modal dialogs and file dialogs.
// Session scripts (`answer WORD|NUMBER`) and tests push answers; whoever opens a box or modal
// dialog takes the oldest one. An empty queue means the first button (the journal says the
// answer was defaulted).
//
// (Contract shared by the host groups; implemented in host/output/.)
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pixmend::host {

// One queued answer as written: a button word ("ok", "yes", "no", "cancel", ...), a number (an
// action value), or for file dialogs a path.
struct Answer {
  std::string text;
};

// What waits for an answer: a message box, a modal dialog or a file dialog.
struct Question {
  enum class Kind { Box, Dialog, File };
  Kind kind = Kind::Box;
  std::string text;                  // a box's text; a file dialog's title
  std::vector<std::string> buttons;  // a box's button words, its default first
  int icon = 0;                      // a box's icon
  int dialogId = 0;                  // a modal dialog (open while it asks)
  bool create = false;               // a file dialog that names a new file
  bool several = false;              // a file list: names separated by ';'
  std::string suggested;             // a file dialog's suggested name, default folder, filter
  std::string directory;
  std::string filter;
};

// Someone to ask when the queue is empty (`pixmend serve` asks the person at its page). It is
// called on the host's thread while the box or dialog waits, and gives the answer as it would
// have been queued, or nothing to take the default as without it. Null (as at start): none.
using AnswerSource = std::function<std::optional<Answer>(const Question&)>;
void setAnswerSource(AnswerSource source);

void queueAnswer(std::string text);
// Takes the oldest queued answer, or nothing when the queue is empty.
std::optional<Answer> takeAnswer();
// The same; when the queue is empty, asks the answer source about `question`;
// nothing when neither has one.
std::optional<Answer> takeAnswer(const Question& question);
bool answersPending();
void clearAnswers();

}  // namespace pixmend::host
