// Message boxes and completion bars (see api.h). Boxes take their answers from the answer queue.
#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "common/text.hpp"
#include "host/lifecycle.hpp"
#include "host/output/answers.hpp"
#include "host/output/api.h"
#include "host/output/journal.hpp"
#include "host/output/output.hpp"

struct CompletionBar {
  std::string message;
  int percent = -1;  // last journaled
};

namespace pixmend::host {
namespace {

struct Button {
  const char* word;
  int action;
};

struct BoxKind {
  int id;
  const char* name;
  std::vector<Button> buttons;  // the first is the default
};

const BoxKind& boxKind(int id) {
  static const std::vector<BoxKind> kinds = {
      {MSGBOX_OK, "ok", {{"ok", ACTIONBUTTON_OK}}},
      {MSGBOX_OKCANCEL, "okcancel", {{"ok", ACTIONBUTTON_OK}, {"cancel", ACTIONBUTTON_CANCEL}}},
      {MSGBOX_YESNO, "yesno", {{"yes", ACTIONBUTTON_YES}, {"no", ACTIONBUTTON_NO}}},
      {MSGBOX_YESNOCANCEL,
       "yesnocancel",
       {{"yes", ACTIONBUTTON_YES}, {"no", ACTIONBUTTON_NO}, {"cancel", ACTIONBUTTON_CANCEL}}},
  };
  for (const auto& kind : kinds) {
    if (kind.id == id) return kind;
  }
  return kinds.front();
}

std::vector<std::unique_ptr<CompletionBar>>& bars() {
  static std::vector<std::unique_ptr<CompletionBar>> open;
  return open;
}

CompletionBar* findBar(void* handle) {
  for (auto& bar : bars()) {
    if (bar.get() == handle) return bar.get();
  }
  return nullptr;
}

ProgressDisplay* display = nullptr;

// A reset forgets the open bars; the display (the program's, not a session's) stays.
const bool registered = registerReset("output.bars", [] {
  if (display != nullptr && !bars().empty()) display->close();
  bars().clear();
});

}  // namespace

void setProgressDisplay(ProgressDisplay* shown) {
  display = shown;
}

int showMessageBox(int boxId, const std::string& text, int icon) {
  const BoxKind& kind = boxKind(boxId);
  std::string shown = kind.name;
  if (kind.id != boxId) shown += " (box " + std::to_string(boxId) + ")";
  journal().append("box", shown + " icon " + std::to_string(icon) + ": " + text);
  const Button& first = kind.buttons.front();
  Question question;
  question.kind = Question::Kind::Box;
  question.text = text;
  question.icon = icon;
  for (const auto& button : kind.buttons) question.buttons.push_back(button.word);
  auto answer = takeAnswer(question);
  if (!answer) {
    journal().append("box", std::string("answer ") + first.word + " (defaulted)");
    return first.action;
  }
  const std::string given = text::lower(answer->text);
  for (const auto& button : kind.buttons) {
    if (given == button.word || given == std::to_string(button.action)) {
      journal().append("box", std::string("answer ") + button.word);
      return button.action;
    }
  }
  journal().append("box", std::string("answer ") + first.word + " (defaulted: \"" + answer->text +
                              "\" is not a button of this box)");
  return first.action;
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlDialog_openMessageBox(int boxId, const char* text, int icon) {
  return showMessageBox(boxId, text != nullptr ? text : "", icon);
}

CompletionBar* mdlDialog_openCompletionBar(const char* message) {
  auto bar = std::make_unique<CompletionBar>();
  bar->message = message != nullptr ? message : "";
  journal().append("progress", "open " + bar->message);
  if (display != nullptr) display->show(bar->message, 0);
  bars().push_back(std::move(bar));
  return bars().back().get();
}

void mdlDialog_completionBarUpdate(void* handle, const char* message, int percent) {
  CompletionBar* bar = findBar(handle);
  if (bar == nullptr) return;
  percent = std::clamp(percent, 0, 100);
  const std::string text = message != nullptr ? message : bar->message;
  if (percent == bar->percent && text == bar->message) return;
  bar->percent = percent;
  bar->message = text;
  journal().append("progress", text + " " + std::to_string(percent) + "%");
  if (display != nullptr) display->show(text, percent);
}

void mdlDialog_completionBarClose(void* handle) {
  auto& open = bars();
  auto it = std::find_if(open.begin(), open.end(), [&](const auto& b) { return b.get() == handle; });
  if (it == open.end()) return;
  journal().append("progress", "close " + (*it)->message);
  open.erase(it);
  if (display == nullptr) return;
  if (open.empty()) {
    display->close();
  } else {
    display->show(open.back()->message, std::max(open.back()->percent, 0));
  }
}

}  // extern "C"
