// TMETAFILE: the page control of the preview. It plays one page file
// (a picture recording in printer pixels) scaled into its rectangle: the part
// of the page from (nXorig, nYorig) on, nWidth wide, fills the control across,
// at the same scale down the page, so zooming and scrolling only change that
// part and the page keeps its proportions. The page lies on its sheet of
// paper at the printable area's offset.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "print/preview_rules.h"

class QPicture;

namespace pr {

class TMETAFILE : public QWidget {
  Q_OBJECT
 public:
  // A control for pages of nLogWidth x nLogHeight pixels showing cFile
  // ("" for none); black on white.
  TMETAFILE(QWidget* parent, const std::string& cFile, int nLogWidth, int nLogHeight);
  ~TMETAFILE() override;

  // Shows another page file: the name is kept when the file exists, else
  // ""; the loaded page is released so the next paint loads the new one.
  void SetFile(const std::string& cFile);
  const std::string& file() const { return cFile_; }
  // Releases the loaded page and forgets the file.
  void End();

  void ZoomIn();
  void ZoomOut();
  void SetZoomFactor(double nX, double nY);
  // Shows the page from (nX, nY) page pixels.
  void SetOrg(double nX, double nY);
  const PageView& view() const { return view_; }
  // The sheet the page lies on (the printable area when never set).
  void setPaper(const PaperShape& paper);
  const PaperShape& paper() const { return paper_; }
  bool lZoom() const { return view_.lZoom; }

  // Draws the control's shadow on its owner: a 5-pixel line along the
  // bottom and the right edge.
  void Shadow(QPainter& owner) const;
  // True when the last paint found no page file ("Could not find the
  // Metafile, …" is shown in the control).
  bool missing() const { return missing_; }
  // True when a page is loaded for display.
  bool loaded() const { return bool(hMeta_); }

  // Handlers: double click (column, row), key press (Qt key, modifiers),
  // wheel (buttons, delta, column, row).
  std::function<void(int, int)> bDblClick;
  std::function<void(int, int)> bKeyDown;
  std::function<void(int, int, int, int)> bMouseWheel;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

 private:
  std::unique_ptr<QPicture> hMeta_;
  PageView view_;
  PaperShape paper_;
  std::string cFile_;
  bool missing_ = false;
};

// The text shown for a page whose file is gone.
extern const char* const kMissingPageFile;

}  // namespace pr
