// What the page may ask of the session. Every action of the page is one line of a session script,
// checked by the same reader as `pixmend run` scripts and then against what a person at the page
// may do: the verbs a user's hands make (keyin, point, cursor, reset, item, press, menu, and
// loading VXRaster again), never the verbs that name files or change the host's set-up (copy,
// export, design, set, tick ...); no key-in that runs an operating-system command or loads code
// ("%", "mdl ..."); points within the design plane; and no text typed into a dialog that names
// a file or folder outside the server's folders.
#pragma once

#include <string>
#include <vector>

#include "cli/serve/folders.hpp"
#include "cli/session.hpp"
#include "host/output/answers.hpp"

namespace pixmend::serve {

// The longest line or answer the page may send.
constexpr std::size_t kMaxLineBytes = 4096;

struct Checked {
  bool ok = false;
  int status = 400;     // the HTTP status of a refusal: 400 malformed, 403 not allowed
  std::string message;  // why it was refused
  cli::Step step;       // the step to play
};

// Checks one line from the page.
Checked checkLine(const std::string& line, const Folders& folders);

// The line a step is recorded as: it reads back as the very same step.
std::string recordedLine(const cli::Step& step);

// Checks the answers the page gives to `question` (each as the `answer` verb would queue it: no
// blanks around it). For a box, a button word of it; for a modal dialog, "item ID VALUE" (the
// value checked as a dialog item's) or a button; for a file dialog, "cancel" or names inside
// the folders (a file list: names separated by ';'). `answers` gets them as they will be given.
Checked checkAnswers(const std::vector<std::string>& given, const host::Question& question, const Folders& folders,
                     std::vector<std::string>* answers);

// The answer that changes nothing when nobody is left to answer (the server is stopping): cancel,
// else no, else the only button.
std::string safeAnswer(const host::Question& question);

}  // namespace pixmend::serve
