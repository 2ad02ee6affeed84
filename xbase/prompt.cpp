#include "xbase/prompt.h"

#include <iostream>

namespace xb {

namespace {
HeadlessPrompter g_headless;
Prompter* g_prompter = &g_headless;

size_t utf8Length(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

template <typename T>
T takeFirst(std::vector<T>& answers, T otherwise) {
  if (answers.empty()) return otherwise;
  T a = std::move(answers.front());
  answers.erase(answers.begin());
  return a;
}
}  // namespace

std::string padInput(const std::string& typed, const std::string& initial) {
  const size_t want = utf8Length(initial), have = utf8Length(typed);
  return have >= want ? typed : typed + std::string(want - have, ' ');
}

Prompter& prompter() { return *g_prompter; }

Prompter* setPrompter(Prompter* p) {
  Prompter* old = g_prompter;
  g_prompter = p ? p : &g_headless;
  return old == &g_headless ? nullptr : old;
}

int HeadlessPrompter::alert(const std::string& message, const std::vector<std::string>&, const std::string& title,
                            int) {
  std::cerr << title << ": " << message << "\n";
  return 0;
}

void HeadlessPrompter::message(MsgKind, const std::string& title, const std::string& text) {
  std::cerr << title << ": " << text << "\n";
}

bool HeadlessPrompter::yesNo(const std::string& title, const std::string& text) {
  std::cerr << title << ": " << text << "\n";
  return false;
}

bool HeadlessPrompter::noYes(const std::string& title, const std::string& text) { return yesNo(title, text); }

std::optional<std::string> HeadlessPrompter::input(const std::string& title, const std::string& prompt,
                                                   const std::string&, const std::string&) {
  std::cerr << title << ": " << prompt << "\n";
  return std::nullopt;
}

std::optional<std::string> HeadlessPrompter::openFile(const std::string& title, const std::string&) {
  std::cerr << title << "\n";
  return std::nullopt;
}

std::optional<std::string> Prompter::saveFile(const std::string&, const std::string&, const std::string&) {
  return std::nullopt;
}

void HeadlessPrompter::beep(int, int) {}

int ScriptedPrompter::alert(const std::string& message, const std::vector<std::string>& buttons,
                            const std::string& title, int focus) {
  asked.push_back({"alert", title, message, buttons, focus});
  return takeFirst(alertAnswers, 0);
}

void ScriptedPrompter::message(MsgKind, const std::string& title, const std::string& text) {
  asked.push_back({"message", title, text, {}, 0});
}

bool ScriptedPrompter::yesNo(const std::string& title, const std::string& text) {
  asked.push_back({"yesno", title, text, {}, 0});
  return takeFirst(yesNoAnswers, false);
}

bool ScriptedPrompter::noYes(const std::string& title, const std::string& text) {
  asked.push_back({"noyes", title, text, {}, 0});
  return takeFirst(yesNoAnswers, false);
}

std::optional<std::string> ScriptedPrompter::input(const std::string& title, const std::string& prompt,
                                                   const std::string& initial, const std::string& picture) {
  asked.push_back({"input", title, prompt, {}, 0, initial, picture});
  std::optional<std::string> a = takeFirst(inputAnswers, std::optional<std::string>());
  if (a) *a = padInput(*a, initial);
  return a;
}

std::optional<std::string> ScriptedPrompter::openFile(const std::string& title, const std::string& filter) {
  asked.push_back({"file", title, {}, {}, 0, filter, {}});
  return takeFirst(fileAnswers, std::optional<std::string>());
}

std::optional<std::string> ScriptedPrompter::saveFile(const std::string& title, const std::string&,
                                                      const std::string& suggested) {
  asked.push_back({"save", title, {}, {}, 0, suggested, {}});
  return takeFirst(saveAnswers, std::optional<std::string>());
}

void ScriptedPrompter::beep(int hz, int ms) {
  asked.push_back({"beep", {}, std::to_string(hz) + "/" + std::to_string(ms), {}, 0});
}

void ScriptedPrompter::processEvents() {
  if (onProcessEvents) onProcessEvents();
}

}  // namespace xb
