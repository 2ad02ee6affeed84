// The multi-page preview: a window that shows the recorded pages of a
// preview print job (a job whose later pages are still to be recorded has
// them recorded while the window is idle, or at once when they are asked
// for), one page, two pages side by side or one page enlarged
// with scroll bars, pages through them with buttons, keys and the mouse
// wheel, enlarges a spot on a double click, prints all or part of the pages
// and saves them as a PDF file. It owns the job's printer device, and with it
// the page files, until its window closes.
#pragma once

#include <QCursor>
#include <QFont>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "print/preview_rules.h"

class QComboBox;
class QLabel;
class QScrollBar;
class QTimer;
class QToolButton;
class QEventLoop;

namespace pr {

class TPRINTER;
class TMETAFILE;

class TMULTIPREVIEW : public QWidget {
  Q_OBJECT
 public:
  ~TMULTIPREVIEW() override;

  // Activate: applies zoom factor 1 (every preview opens zoomed), counts the
  // preview in and shows the window.
  void Activate();
  // Closes the window.
  void End();

  void PaintMeta();
  void NextPage();
  void PrevPage();
  void TopPage();
  void BottomPage();
  // Toggles two-page mode; switching it on for a one-page or landscape job
  // only beeps.
  void TwoPages(bool lFromMenu = false);
  void Zoom(bool lFromMenu = false);
  // Scroll bar steps: type 0 drags to nPos, 1 back, 2 forward (a page when
  // lPage, nPos steps when given).
  void VScroll(int nType, bool lPage = false, std::optional<int> nPos = std::nullopt);
  void HScroll(int nType, bool lPage = false, std::optional<int> nPos = std::nullopt);
  // Double click on the left (right) page at (nX, nY) control pixels.
  void SetOrg1(int nX, int nY);
  void SetOrg2(int nX, int nY);
  // nKey a Qt key code, nFlags the Qt keyboard modifiers.
  void KeyDown(int nKey, int nFlags);
  // With a factor: a change of the factor list (zooms in when not zoomed);
  // without: applies the divisors only.
  void SetFactor(std::optional<int> nFactor = std::nullopt);
  // The print dialog, then PrintPrv with the user's choice and copies.
  void PrintPage();
  // Prints option 1 all, 2 current, 3 even, 4 odd, 5 from … to on the
  // device's printer; returns the pages sent (-1: nothing could be printed).
  int PrintPrv(int nOption, int nFrom = 1, int nTo = 1);
  // Asks for a file name and writes every page to it as PDF.
  void SavePdf();
  // nKeys Qt mouse buttons, nDelta above 0 away from the user.
  void CheckMouseWheel(int nKeys, int nDelta, int nX, int nY);

  // State, for the screen and its tests.
  int nPage() const { return nPage_; }
  int nZFactor() const { return nZFactor_; }
  bool lTwoPages() const { return lTwoPages_; }
  bool lZoom() const { return lZoom_; }
  bool lExit() const { return lExit_; }
  // The page files of the job, every page recorded first.
  const std::vector<std::string>& aFiles();
  // The job's pages, recorded or not.
  int pageCount() const;
  TMETAFILE* oMeta1() const { return oMeta1_; }
  TMETAFILE* oMeta2() const { return oMeta2_; }
  QScrollBar* vScrollBar() const { return vBar_; }
  QScrollBar* hScrollBar() const { return hBar_; }
  QLabel* oPage() const { return oPage_; }
  QComboBox* oFactor() const { return oFactor_; }
  // The bar's buttons: top, previous, next, bottom, zoom, two pages,
  // printer, PDF, exit.
  enum Button { BTop, BPrev, BNext, BBottom, BZoom, BTwoPages, BPrinter, BPdf, BExit, BCount };
  QToolButton* button(Button b) const { return buttons_[size_t(b)]; }
  TPRINTER* oDevice() const { return oDevice_.get(); }

 signals:
  void closed();

 protected:
  void resizeEvent(QResizeEvent*) override;
  void closeEvent(QCloseEvent* e) override;
  void paintEvent(QPaintEvent*) override;
  bool event(QEvent* e) override;

 private:
  friend TMULTIPREVIEW* RPREVIEW(std::shared_ptr<TPRINTER> oDevice);
  TMULTIPREVIEW(std::shared_ptr<TPRINTER> oDevice, QWidget* oWndMain);
  void BuildBtnBar();
  void BuildMeta();
  // Pages to where `nav` leads, or beeps when it leads nowhere.
  void go(Nav nav);
  void showPage(int page, bool nextOnRight);
  void updateButtons();
  void setButton(Button b, const char* bitmap, int statusId, int tooltipId);
  void setScrollRanges(int max);
  void setBar(QScrollBar* bar, int pos);
  // Zooms in and scrolls both bars by the steps of a double click.
  void zoomAt(int cols, int rows);
  void finish();

  QWidget* oWndMain_ = nullptr;
  std::shared_ptr<TPRINTER> oDevice_;
  QLabel* oPage_ = nullptr;
  QComboBox* oFactor_ = nullptr;
  std::string cResFile_;
  bool lExit_ = false;
  QCursor oCursor_;
  QFont oFont_;
  int nPage_ = 1;
  int nZFactor_ = 1;
  bool lTwoPages_ = false;
  bool lZoom_ = false;
  bool counted_ = false;
  // The file of page n, recorded first when it is not yet.
  std::string pageFile(int page);
  // Records one page more while the window is idle.
  void recordAhead();
  std::string cDocument_;
  int nLogWidth_ = 0;
  int nLogHeight_ = 0;
  PaperShape paper_;
  QWidget* oBar_ = nullptr;
  std::array<QToolButton*, BCount> buttons_{};
  TMETAFILE* oMeta1_ = nullptr;
  TMETAFILE* oMeta2_ = nullptr;
  QScrollBar* vBar_ = nullptr;
  QScrollBar* hBar_ = nullptr;
  QLabel* status_ = nullptr;
  QTimer* recordTimer_ = nullptr;
};

// Opens a preview of the device's recorded pages; the preview owns the
// device from then on. No preview (null) when the preview's resource file is
// missing (a stop message naming it) or when the maximum of open previews is
// reached (the resource file's message; the job's pages are deleted). A modal
// job hides the owner and returns when the preview has closed (null then).
TMULTIPREVIEW* RPREVIEW(std::shared_ptr<TPRINTER> oDevice);

// The window that owns every preview (the main window; none by default):
// previews take its font and size, and close when it is destroyed.
void setPreviewOwner(QWidget* owner);
// Closes every open preview (their page files are deleted).
void closeAllPreviews();
// Multi-preview mode: returns the previous setting and sets it when given.
// Previews are top-level windows of their own in either mode, in front and
// active when they open.
bool SETMULTIPREVIEW(std::optional<bool> lOn = std::nullopt);
// Maximum of open previews (10 at start): returns the previous one and sets
// it when nMax is above 0.
int SETMAXPRVWND(int nMax = 0);
// Previews open now.
int openPreviews();

}  // namespace pr
