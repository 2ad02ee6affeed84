// The tests' seam in "Nueva": a choice that answers in place of the
// catalogue window, so a test creates formats without a modal window. An
// empty chooser puts the window back; the chooser replaced is answered.
// Defined with the window (labels/catalogue_screen.cpp).
#pragma once

#include <functional>

#include "labels/catalogue_screen.h"

namespace lb {

using NewFormatChooser = std::function<NewFormatChoice(QWidget*)>;
NewFormatChooser setNewFormatChooser(NewFormatChooser c);

// Installs a chooser for the lifetime of the guard.
class NewFormatChooserGuard {
 public:
  explicit NewFormatChooserGuard(NewFormatChooser c) : previous_(setNewFormatChooser(std::move(c))) {}
  ~NewFormatChooserGuard() { setNewFormatChooser(std::move(previous_)); }
  NewFormatChooserGuard(const NewFormatChooserGuard&) = delete;
  NewFormatChooserGuard& operator=(const NewFormatChooserGuard&) = delete;

 private:
  NewFormatChooser previous_;
};

}  // namespace lb
