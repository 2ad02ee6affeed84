// The layout arithmetic of the message box, as a plain function of measured
// text sizes so it can be checked without a window. All measures are pixels
// of the dialog.
#pragma once

#include <vector>

namespace qv {

struct AlertMeasures {
  std::vector<int> lineWidths;     // width of every message line
  int charHeight = 0;              // height of one line of the dialog's font
  int charWidth = 0;               // average character width of that font
  int titleWidth = 0;              // width of the title text
  std::vector<int> captionWidths;  // width of every button caption
  bool olderThanNT = false;        // the older systems' smaller bottom margin
};

struct AlertLayout {
  // The icon's top-left corner.
  int iconTop = 0, iconLeft = 0;
  // The message area: top-left corner, size and scroll bars.
  int areaTop = 25, areaLeft = 70;
  int areaWidth = 0, areaHeight = 0;
  bool vScroll = false, hScroll = false;
  // The dialog's size.
  int width = 0, height = 0;
  // The button row: one width and height for all, left edge of each.
  int buttonTop = 0, buttonWidth = 0, buttonHeight = 0;
  std::vector<int> buttonLefts;
};

// Lays out the box: the text area is as large as the text (widest line + 10,
// one line height per line), cut to 400 high (vertical scroll bar) and 500
// wide (both scroll bars), at least 100 high with a scroll bar; the dialog
// is 80 wider than the area or the title; the buttons are as wide as the
// widest caption + 30, 1.7 line heights high, below the area; the dialog
// widens when the buttons need more room.
AlertLayout layoutAlert(const AlertMeasures& m);

}  // namespace qv
