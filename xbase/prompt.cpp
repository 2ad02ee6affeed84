#include "xbase/prompt.h"

#include <iostream>

namespace xb {

namespace {
HeadlessPrompter g_headless;
Prompter* g_prompter = &g_headless;
}  // namespace

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

void HeadlessPrompter::beep(int, int) {}

int ScriptedPrompter::alert(const std::string& message, const std::vector<std::string>& buttons,
                            const std::string& title, int focus) {
  asked.push_back({"alert", title, message, buttons, focus});
  if (alertAnswers.empty()) return 0;
  int a = alertAnswers.front();
  alertAnswers.erase(alertAnswers.begin());
  return a;
}

void ScriptedPrompter::message(MsgKind, const std::string& title, const std::string& text) {
  asked.push_back({"message", title, text, {}, 0});
}

bool ScriptedPrompter::yesNo(const std::string& title, const std::string& text) {
  asked.push_back({"yesno", title, text, {}, 0});
  if (yesNoAnswers.empty()) return false;
  bool a = yesNoAnswers.front();
  yesNoAnswers.erase(yesNoAnswers.begin());
  return a;
}

void ScriptedPrompter::beep(int hz, int ms) {
  asked.push_back({"beep", {}, std::to_string(hz) + "/" + std::to_string(ms), {}, 0});
}

void ScriptedPrompter::processEvents() {
  if (onProcessEvents) onProcessEvents();
}

}  // namespace xb
