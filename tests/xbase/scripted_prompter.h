// A prompter for tests: records every question and gives scripted answers.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "xbase/prompt.h"

namespace xb {

class ScriptedPrompter : public Prompter {
 public:
  struct Asked {
    std::string kind;  // "alert", "message", "yesno", "noyes", "input", "file", "save", "beep"
    std::string title;
    std::string text;  // the message, question or prompt
    std::vector<std::string> buttons;
    int focus = 0;
    std::string value;    // input: the initial value; file: the filter; save: the suggested name
    std::string picture;  // input: the picture file
  };
  std::vector<Asked> asked;
  std::vector<int> alertAnswers;   // consumed in order; empty: 0
  std::vector<bool> yesNoAnswers;  // consumed in order by yesNo and noYes; empty: false
  // Consumed in order; empty: nothing (cancelled). An input answer is
  // padded like the real box's.
  std::vector<std::optional<std::string>> inputAnswers;
  std::vector<std::optional<std::string>> fileAnswers;
  std::vector<std::optional<std::string>> saveAnswers;
  std::function<void()> onProcessEvents;

  int alert(const std::string& message, const std::vector<std::string>& buttons, const std::string& title,
            int focus) override;
  void message(MsgKind kind, const std::string& title, const std::string& text) override;
  bool yesNo(const std::string& title, const std::string& text) override;
  bool noYes(const std::string& title, const std::string& text) override;
  std::optional<std::string> input(const std::string& title, const std::string& prompt, const std::string& initial,
                                   const std::string& picture) override;
  std::optional<std::string> openFile(const std::string& title, const std::string& filter) override;
  std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                      const std::string& suggested) override;
  void beep(int hz, int ms) override;
  void processEvents() override;

 private:
  template <typename T>
  static T takeFirst(std::vector<T>& answers, T otherwise) {
    if (answers.empty()) return otherwise;
    T a = std::move(answers.front());
    answers.erase(answers.begin());
    return a;
  }
};

inline int ScriptedPrompter::alert(const std::string& message, const std::vector<std::string>& buttons,
                            const std::string& title, int focus) {
  asked.push_back({"alert", title, message, buttons, focus});
  return takeFirst(alertAnswers, 0);
}

inline void ScriptedPrompter::message(MsgKind, const std::string& title, const std::string& text) {
  asked.push_back({"message", title, text, {}, 0});
}

inline bool ScriptedPrompter::yesNo(const std::string& title, const std::string& text) {
  asked.push_back({"yesno", title, text, {}, 0});
  return takeFirst(yesNoAnswers, false);
}

inline bool ScriptedPrompter::noYes(const std::string& title, const std::string& text) {
  asked.push_back({"noyes", title, text, {}, 0});
  return takeFirst(yesNoAnswers, false);
}

inline std::optional<std::string> ScriptedPrompter::input(const std::string& title, const std::string& prompt,
                                                   const std::string& initial, const std::string& picture) {
  asked.push_back({"input", title, prompt, {}, 0, initial, picture});
  std::optional<std::string> a = takeFirst(inputAnswers, std::optional<std::string>());
  if (a) *a = padInput(*a, initial);
  return a;
}

inline std::optional<std::string> ScriptedPrompter::openFile(const std::string& title, const std::string& filter) {
  asked.push_back({"file", title, {}, {}, 0, filter, {}});
  return takeFirst(fileAnswers, std::optional<std::string>());
}

inline std::optional<std::string> ScriptedPrompter::saveFile(const std::string& title, const std::string&,
                                                             const std::string& suggested) {
  asked.push_back({"save", title, {}, {}, 0, suggested, {}});
  return takeFirst(saveAnswers, std::optional<std::string>());
}

inline void ScriptedPrompter::beep(int hz, int ms) {
  asked.push_back({"beep", {}, std::to_string(hz) + "/" + std::to_string(ms), {}, 0});
}

inline void ScriptedPrompter::processEvents() {
  if (onProcessEvents) onProcessEvents();
}

}  // namespace xb
