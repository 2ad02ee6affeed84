// The rules of the multi-page preview as plain functions: which buttons are
// enabled, paging, where the page controls go, zoom and scrolling of a page
// control, keys and mouse wheel, and which pages a print option prints.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pr {

// Buttons of the preview's bar.
struct ButtonStates {
  bool top = false, prev = false, next = false, bottom = false;
  bool zoom = true, twoPages = false, print = true, pdf = true, exit = true;
  friend bool operator==(const ButtonStates&, const ButtonStates&) = default;
};
ButtonStates buttonStates(int page, int count);

enum class Nav { Next, Prev, Top, Bottom };
// The page a paging action goes to, 0 when it is refused (first or last
// page already shown).
int navigate(Nav nav, int page, int count);

// A page is laid out as landscape when its width is at least its height.
bool isLandscape(int width, int height);
// Two-page mode may be switched on only for a job of more than one page in
// portrait (width below height).
bool canTwoPages(int count, int width, int height);

struct PageRect {
  int top = 0, left = 0, bottom = 0, right = 0;
  friend bool operator==(const PageRect&, const PageRect&) = default;
};
struct PreviewLayout {
  PageRect left;
  PageRect right;
  bool rightVisible = false;
};
// Where the page controls go in a window of width W and height H (the whole
// client area, bar and status line included).
PreviewLayout previewLayout(int W, int H, bool largeFonts, bool twoPages, bool zoomed, bool landscape);

// The sheet of paper a page lies on, in page pixels: its size and the
// printable area's top-left corner on it (the page files' origin). Without
// a size of its own the sheet is the printable area.
struct PaperShape {
  double width = 0, height = 0;
  double xOffset = 0, yOffset = 0;
};
PaperShape paperShape(int paperWidth, int paperHeight, int xOffset, int yOffset, int pageWidth, int pageHeight);
// The largest rectangle of the paper's proportions within `box` (and within
// the window's width W), centred in it: a page control of the whole page
// shows the sheet in its true shape.
PageRect fitPaper(const PageRect& box, int W, const PaperShape& paper);

// The part of a page a page control shows, in page pixels, and its zoom.
struct PageView {
  double nWidth = 0, nHeight = 0;  // extents shown
  double nXorig = 0, nYorig = 0;   // top-left of the part shown
  double nXZoom = 2, nYZoom = 4;   // zoom divisors
  double nWidthori = 0, nHeightori = 0;
  int nLogWidth = 0, nLogHeight = 0;  // page size
  bool lZoom = false;
};
PageView newPageView(int logWidth, int logHeight);
// Zoom divisors of a factor 1–9: (1, 1.5) for 1, (f, f × 0.95) otherwise.
void zoomDivisors(int factor, double& x, double& y);
void zoomIn(PageView& v);
void zoomOut(PageView& v);
void setZoomFactor(PageView& v, double x, double y);
// Device pixels per page pixel in a control `controlWidth` wide: the width
// shown (nWidth of the printable area, widened by the paper's margins in the
// same measure) fills the control, and the same scale holds down the page,
// so the page keeps its proportions whatever the control's shape.
double pageScale(const PageView& v, const PaperShape& paper, int controlWidth);

// One scroll of a bar of range barMin…barMax over a page extent: type 0
// drags to nPos, type 1 goes back and type 2 forward by nPos, a tenth of the
// range (page) or 1. Gives the bar's new position and the page origin.
struct ScrollResult {
  int barPos = 0;
  double origin = 0;
};
std::optional<ScrollResult> scrollStep(int extent, int barPos, int barMin, int barMax, int type, bool page,
                                       std::optional<int> nPos);

// Bar steps for a double click at x in a control w wide, at zoom factor f.
int orgSteps(double x, double w, int factor);

enum class KeyAction {
  None, Print, Zoom, TwoPages,
  First, Last, PrevPage, NextPage,                         // not zoomed
  LineUp, LineDown, PageUp, PageDown, Left, Right, Home, End  // zoomed
};
// Keys use Qt key codes.
KeyAction keyAction(int key, bool ctrl, bool zoomed);

enum class WheelAction { None, PrevPage, NextPage, FirstPage, LastPage, LineUp, LineDown, PageUp, PageDown };
// delta above 0: turned away from the user.
WheelAction wheelAction(int delta, bool middleHeld, bool zoomed);

// Pages (1-based, ascending) printed by option 1 all, 2 the current page,
// 3 even, 4 odd, 5 from … to.
std::vector<int> pagesToPrint(int option, int current, int count, int from, int to);
// The pages sent to the printer for `copies` copies: the printer makes the
// copies itself when it can, else the sequence is repeated.
std::vector<int> printSequence(const std::vector<int>& pages, int copies, bool printerMakesCopies);
// The print dialog's range fields: from is accepted when 1 ≤ from ≤ to, to
// when from ≤ to ≤ count.
bool fromAccepted(int from, int to);
bool toAccepted(int from, int to, int count);

// prefix + page + " / " + count.
std::string pageLabel(const std::string& prefix, int page, int count);

}  // namespace pr
