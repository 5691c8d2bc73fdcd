// Session scripts: reading a script into steps (checked before anything runs) and playing the
// steps against the host. The journal is the session's output; script errors and failed
// expectations go to the error stream with their line numbers.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace pixmend::cli {

// One line of a script. `words` are the blank-separated words after the verb (see splitWords:
// a word in double quotes may hold blanks); `rest` is the text after the verb with its leading
// blanks removed, exactly as written (for verbs whose last argument is free text: keyin, set,
// expect, answer, item).
struct Step {
  int line = 0;
  std::string verb;
  std::vector<std::string> words;
  std::string rest;
};

struct ScriptError {
  int line = 0;  // 0: the script as a whole
  std::string message;
};

// Limits that keep a broken or hostile script from costing unbounded time or memory.
constexpr std::size_t kMaxScriptBytes = 16u << 20;
constexpr std::size_t kMaxLineBytes = 64u << 10;
constexpr long kMaxTicks = 10000000;  // one `tick` step

// Splits `text` into words at blanks (spaces and tabs). A word that starts with a double quote
// and whose closing quote is followed by a blank or the end is one word without its quotes, and
// may hold blanks ("my scan.tif"); inside it \" is a quote and \\ a backslash. Any other quote
// is an ordinary character, so text written before quoting existed reads as it did. `ends`
// (may be null) gets the offset in `text` just after each word.
void splitWords(const std::string& text, std::vector<std::string>* words, std::vector<std::size_t>* ends);

// "" when `word` can be a file name; else why not (an opening quote that is not closed, which a
// name that was meant to hold blanks would show).
std::string nameProblem(const std::string& word);

// Reads a script: a UTF-8 byte-order mark at its start is skipped; one step per line; blank lines and lines whose first non-blank character is
// '#' are skipped; a line end of "\r\n" is allowed. Every line is checked against its verb's
// arguments; all problems are reported. True when there were none.
bool readScript(std::string_view text, std::vector<Step>* steps, std::vector<ScriptError>* errors);

// A verb: its arguments are checked when the script is read (`check` returns "" or the
// problem) and it is run when played (`run` returns "" or why the step could not be done; an
// expectation that fails sets `failed` and returns "").
struct PlayContext {
  std::ostream* errors = nullptr;
  std::string scriptName;
  bool failed = false;  // an expectation failed
  void report(int line, const std::string& message) const;
};
struct Verb {
  std::string name;
  std::string synopsis;  // for the usage text, e.g. "point X Y [view N]"
  std::string help;
  std::function<std::string(const Step&)> check;
  std::function<std::string(const Step&, PlayContext&)> run;
};
// Adds (or replaces) a verb; groups whose verbs need more of the host register theirs.
void registerVerb(Verb verb);
const std::vector<Verb>& verbs();

// One session as it is played, step by step: the host's queued work is run before the first
// step and after each one, and at the end every application is unloaded, as when the host exits.
// `pixmend run` plays a whole script through it; `pixmend serve` plays each action of the page
// through it as it comes, so a recorded session replays through the very same code.
class Player {
 public:
  Player(std::string scriptName, std::ostream& errors);
  // Runs what is queued before the first step.
  void begin();
  // Plays one checked step and then the host's queued work: "" or why the step could not be
  // done (a failed expectation is reported and counted instead).
  std::string play(const Step& step);
  // The host was asked to exit (an application's mdlSystem_exit with none running).
  bool exitRequested() const;
  // Unloads every application, as when the host exits, and runs what that queued. Returns the
  // exit status: 0, or 1 when a step failed or an expectation did not hold.
  int end();

  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

 private:
  PlayContext context_;
  bool stepFailed_ = false;
  bool ended_ = false;
};

// Plays checked steps: after each step the host's queues are run. A step that cannot be done
// stops the session; a failed expectation is reported and the session goes on. At the end
// every application is unloaded, as when the host exits. Returns the exit status: 0, or 1 when
// a step failed or an expectation did not hold.
int playScript(const std::vector<Step>& steps, const std::string& scriptName, std::ostream& errors);

// Reads and plays a script text (the whole of `pixmend run`): 2 when the script is bad (nothing
// is played), else playScript's status. The journal is echoed to `out` as it grows.
int runScript(std::string_view text, const std::string& scriptName, std::ostream& out, std::ostream& errors);

}  // namespace pixmend::cli
