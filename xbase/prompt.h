// The prompt layer: every modal question or message of every layer goes
// through the one installed Prompter, so tests can script the answers and
// check what was asked, and the Qt dialogs stay thin. The GUI installs its
// Qt prompter at start-up; tools and tests get the headless one.
//
// Texts are UTF-8.
#pragma once

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
  // The same box with No as the default answer (Enter answers No).
  virtual bool noYes(const std::string& title, const std::string& text) = 0;

  // A one-line input box: `prompt` above a field holding `initial`, with
  // the picture file `picture` beside them when one is named. The answer is
  // the field's text padded with blanks to the length of `initial` (the
  // field is that wide); nothing when the box is cancelled or closed.
  virtual std::optional<std::string> input(const std::string& title, const std::string& prompt,
                                           const std::string& initial, const std::string& picture) = 0;

  // The platform's file-open dialog. `filter` pairs descriptions and
  // patterns separated by "|" ("Etiquetas (*.eti)| *.eti|"). The chosen
  // path; nothing when cancelled.
  virtual std::optional<std::string> openFile(const std::string& title, const std::string& filter) = 0;
  // The platform's file-save dialog, starting on `suggested`; the path
  // chosen, nothing when cancelled. A prompter without one cancels.
  virtual std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                              const std::string& suggested);

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

// Answers nothing interactively, as if every box were closed: alerts give
// 0, yes/no questions false, input boxes and file dialogs nothing; every
// question and message goes to standard error. Used by tools.
class HeadlessPrompter : public Prompter {
 public:
  int alert(const std::string& message, const std::vector<std::string>& buttons, const std::string& title,
            int focus) override;
  void message(MsgKind kind, const std::string& title, const std::string& text) override;
  bool yesNo(const std::string& title, const std::string& text) override;
  bool noYes(const std::string& title, const std::string& text) override;
  std::optional<std::string> input(const std::string& title, const std::string& prompt, const std::string& initial,
                                   const std::string& picture) override;
  std::optional<std::string> openFile(const std::string& title, const std::string& filter) override;
  void beep(int hz, int ms) override;
  void processEvents() override {}
};

// The input box's answer: `typed` padded with blanks to the length of
// `initial` in characters (UTF-8); longer text is kept whole.
std::string padInput(const std::string& typed, const std::string& initial);

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
