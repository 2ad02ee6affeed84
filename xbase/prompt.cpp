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

}  // namespace xb
