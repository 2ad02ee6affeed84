// Small behaviours the code screens share: upper-case inputs and buttons
// with a bitmap for "up" and one for "held down".
#pragma once

class QAbstractButton;
class QLineEdit;

namespace ui {

// Whatever is typed or pasted into the input becomes capitals (Spanish
// letters included), the cursor staying where it was.
void upperCaseInput(QLineEdit* input);

// Gives the button the bitmap `up` of the main resource file, and `down`
// while it is held down.
void setPressedImages(QAbstractButton* button, const char* up, const char* down);

}  // namespace ui
