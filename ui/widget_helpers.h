// Small behaviours the screens share: modal screens, upper-case inputs and
// buttons with a bitmap for "up" and one for "held down".
#pragma once

class QAbstractButton;
class QDialog;
class QLineEdit;

namespace ui {

// Runs a screen modally and returns its result. A screen opened from
// another window blocks that window and the chain of windows it was opened
// from (window-modal), so that a window outside the chain, a print preview,
// still takes input; a screen without an owner blocks the whole program.
int execModal(QDialog& dialog);

// Whatever is typed or pasted into the input becomes capitals (Spanish
// letters included), the cursor staying where it was.
void upperCaseInput(QLineEdit* input);

// Gives the button the bitmap `up` of the main resource file, and `down`
// while it is held down.
void setPressedImages(QAbstractButton* button, const char* up, const char* down);

}  // namespace ui
