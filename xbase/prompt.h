// The prompt layer: every modal question or message of every layer goes
// through the one installed Prompter, so tests can script the answers and
// check what was asked, and the Qt dialogs stay thin. The GUI installs its
// Qt prompter at start-up; tools and tests get the headless one.
//
// Texts are UTF-8.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace xb {

enum class MsgKind { Info, Stop, Warning, Question };

class Prompter {
 public:
  virtual ~Prompter() = default;

  // The system's own message box: captions chosen by the caller; returns
  // the 1-based number of the button pressed, 0 when closed without one.
  virtual int alert(const std::string& message, const std::vector<std::string>& buttons,
                    const std::string& title, int focus) = 0;

  // A plain one-button box of the platform.
  virtual void message(MsgKind kind, const std::string& title, const std::string& text) = 0;

  // A platform yes/no box; true for yes.
  virtual bool yesNo(const std::string& title, const std::string& text) = 0;

  // A tone of `hz` for `ms` milliseconds (0 hz: the default beep).
  virtual void beep(int hz, int ms) = 0;

  // Lets pending window messages be processed during long work.
  virtual void processEvents() = 0;
};

// The installed prompter (never null).
Prompter& prompter();
// Installs a prompter; returns the previous one. nullptr restores the
// headless one.
Prompter* setPrompter(Prompter* p);

// Answers nothing interactively: alerts give `defaultButton`, messages go to
// standard error, yes/no gives false. Used by tools.
class HeadlessPrompter : public Prompter {
 public:
  int alert(const std::string& message, const std::vector<std::string>& buttons, const std::string& title,
            int focus) override;
  void message(MsgKind kind, const std::string& title, const std::string& text) override;
  bool yesNo(const std::string& title, const std::string& text) override;
  void beep(int hz, int ms) override;
  void processEvents() override {}
};

// Records every question and gives scripted answers, for tests.
class ScriptedPrompter : public Prompter {
 public:
  struct Asked {
    std::string kind;  // "alert", "message", "yesno", "beep"
    std::string title;
    std::string text;
    std::vector<std::string> buttons;
    int focus = 0;
  };
  std::vector<Asked> asked;
  std::vector<int> alertAnswers;   // consumed in order; empty: 0
  std::vector<bool> yesNoAnswers;  // consumed in order; empty: false
  std::function<void()> onProcessEvents;

  int alert(const std::string& message, const std::vector<std::string>& buttons, const std::string& title,
            int focus) override;
  void message(MsgKind kind, const std::string& title, const std::string& text) override;
  bool yesNo(const std::string& title, const std::string& text) override;
  void beep(int hz, int ms) override;
  void processEvents() override;
};

// Installs a prompter for the lifetime of the guard.
class PrompterGuard {
 public:
  explicit PrompterGuard(Prompter& p) : prev_(setPrompter(&p)) {}
  ~PrompterGuard() { setPrompter(prev_); }
  PrompterGuard(const PrompterGuard&) = delete;
  PrompterGuard& operator=(const PrompterGuard&) = delete;

 private:
  Prompter* prev_;
};

}  // namespace xb
