#include "print/preview_metafile.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPicture>
#include <QWheelEvent>

#include "print/preview_printing.h"

namespace pr {

const char* const kMissingPageFile = "Could not find the Metafile,\nplease check your TEMP environment variable";

TMETAFILE::TMETAFILE(QWidget* parent, const std::string& cFile, int nLogWidth, int nLogHeight)
    : QWidget(parent), view_(newPageView(nLogWidth, nLogHeight)),
      paper_(paperShape(0, 0, 0, 0, nLogWidth, nLogHeight)) {
  setFocusPolicy(Qt::StrongFocus);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);
  setAutoFillBackground(true);
  SetFile(cFile);
}

TMETAFILE::~TMETAFILE() = default;

void TMETAFILE::SetFile(const std::string& cFile) {
  cFile_ = !cFile.empty() && QFileInfo::exists(QString::fromStdString(cFile)) ? cFile : std::string();
  hMeta_.reset();
  missing_ = false;
  update();
}

void TMETAFILE::End() {
  hMeta_.reset();
  cFile_.clear();
}

void TMETAFILE::ZoomIn() {
  zoomIn(view_);
  update();
}

void TMETAFILE::ZoomOut() {
  zoomOut(view_);
  update();
}

void TMETAFILE::SetZoomFactor(double nX, double nY) {
  setZoomFactor(view_, nX, nY);
  update();
}

void TMETAFILE::setPaper(const PaperShape& paper) {
  paper_ = paper;
  update();
}

void TMETAFILE::SetOrg(double nX, double nY) {
  view_.nXorig = nX;
  view_.nYorig = nY;
  update();
}

void TMETAFILE::Shadow(QPainter& owner) const {
  if (!isVisible()) return;
  const QRect g = geometry();
  owner.fillRect(QRect(g.left() + 5, g.bottom() + 1, g.width(), 5), Qt::darkGray);
  owner.fillRect(QRect(g.right() + 1, g.top() + 5, 5, g.height()), Qt::darkGray);
}

void TMETAFILE::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!hMeta_ && !cFile_.empty()) {
    auto pic = std::make_unique<QPicture>();
    if (QFileInfo::exists(QString::fromStdString(cFile_)) && pic->load(QString::fromStdString(cFile_))) {
      hMeta_ = std::move(pic);
      missing_ = false;
    } else {
      missing_ = true;
    }
  }
  if (missing_) {
    p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, QString::fromUtf8(kMissingPageFile));
    return;
  }
  const double scale = pageScale(view_, paper_, width());
  if (!hMeta_ || scale <= 0) return;
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.scale(scale, scale);
  p.translate(paper_.xOffset - view_.nXorig, paper_.yOffset - view_.nYorig);
  playPage(p, *hMeta_);
}

void TMETAFILE::mouseDoubleClickEvent(QMouseEvent* e) {
  if (bDblClick) bDblClick(int(e->position().x()), int(e->position().y()));
}

void TMETAFILE::keyPressEvent(QKeyEvent* e) {
  if (bKeyDown) {
    bKeyDown(e->key(), int(e->modifiers()));
  } else {
    QWidget::keyPressEvent(e);
  }
}

void TMETAFILE::wheelEvent(QWheelEvent* e) {
  if (bMouseWheel) bMouseWheel(int(e->buttons()), e->angleDelta().y(), int(e->position().x()), int(e->position().y()));
}

}  // namespace pr
