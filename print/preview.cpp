#include "print/preview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>

#include "print/preview_metafile.h"
#include "print/preview_printing.h"
#include "print/preview_resources.h"
#include "print/printer.h"
#include "print/printer_dialogs.h"
#include "xbase/prompt.h"

namespace pr {

namespace {

struct PreviewSettings {
  int maxOpen = 10;
  int open = 0;
  bool multi = false;
  QPointer<QWidget> owner;
  // Every preview window alive, so that they end with the owner.
  std::vector<QPointer<TMULTIPREVIEW>> windows;
};

PreviewSettings& settings() {
  static PreviewSettings s;
  return s;
}

constexpr int kBarHeight = 26;
constexpr int kButtonWidth = 26;
constexpr int kStatusHeight = 20;
constexpr int kScrollWidth = 16;

QString text(int id) {
  QString t = QString::fromStdString(previewString(id));
  return t;
}

QString tooltipText(int id) { return text(id).remove('&'); }

}  // namespace

void setPreviewOwner(QWidget* owner) {
  if (settings().owner) QObject::disconnect(settings().owner, &QObject::destroyed, nullptr, nullptr);
  settings().owner = owner;
  // A preview is no child of its owner (see RPREVIEW), so it would outlive
  // the main window: it is closed with it, its page files deleted.
  if (owner) QObject::connect(owner, &QObject::destroyed, [] { closeAllPreviews(); });
}

void closeAllPreviews() {
  std::vector<QPointer<TMULTIPREVIEW>> windows = std::move(settings().windows);
  settings().windows.clear();
  for (const QPointer<TMULTIPREVIEW>& w : windows) delete w.data();
}

bool SETMULTIPREVIEW(std::optional<bool> lOn) {
  const bool prev = settings().multi;
  if (lOn) settings().multi = *lOn;
  return prev;
}

int SETMAXPRVWND(int nMax) {
  const int prev = settings().maxOpen;
  if (nMax > 0) settings().maxOpen = nMax;
  return prev;
}

int openPreviews() { return settings().open; }

TMULTIPREVIEW* RPREVIEW(std::shared_ptr<TPRINTER> oDevice) {
  if (!oDevice) return nullptr;
  if (!loadPreviewResources()) {
    std::string body = previewString(33);
    std::string title = previewString(32);
    if (body.empty()) body = "No se encuentra el fichero de recursos de la vista previa.";
    if (title.empty()) title = "Atención.....";
    xb::prompter().message(xb::MsgKind::Stop, title, previewResourceName().toStdString() + "\n" + body);
    oDevice->End();
    return nullptr;
  }
  if (settings().open >= settings().maxOpen) {
    xb::prompter().message(xb::MsgKind::Stop, "Atención.....", previewString(34));
    oDevice->End();
    return nullptr;
  }
  QWidget* owner = settings().owner;
  const bool modal = oDevice->lPrvModal() && owner;
  auto* preview = new TMULTIPREVIEW(std::move(oDevice), owner);
  auto& windows = settings().windows;
  std::erase_if(windows, [](const QPointer<TMULTIPREVIEW>& w) { return w.isNull(); });
  windows.emplace_back(preview);
  preview->Activate();
  if (!modal) return preview;
  owner->hide();
  QEventLoop loop;
  QObject::connect(preview, &TMULTIPREVIEW::closed, &loop, &QEventLoop::quit);
  loop.exec();
  owner->show();
  return nullptr;
}

// The window has no parent: a screen opened modally from the main window
// blocks the chain of windows it was opened from, and a preview outside that
// chain takes input while the screens that printed stay open beneath it.
TMULTIPREVIEW::TMULTIPREVIEW(std::shared_ptr<TPRINTER> oDevice, QWidget* oWndMain)
    : QWidget(nullptr, Qt::Window), oWndMain_(oWndMain), oDevice_(std::move(oDevice)) {
  setAttribute(Qt::WA_DeleteOnClose);
  cDocument_ = oDevice_->cDocument();
  nLogWidth_ = oDevice_->nHorzRes();
  nLogHeight_ = oDevice_->nVertRes();
  cResFile_ = previewResourceName().toStdString();
  if (oWndMain_) {
    oFont_ = oWndMain_->font();
  } else {
    oFont_ = QFont(QStringLiteral("DejaVu Sans"));
    oFont_.setPixelSize(12);
  }
  setFont(oFont_);
  const QPixmap lupa = previewBitmap(QStringLiteral("Lupa"));
  oCursor_ = lupa.isNull() ? QCursor(Qt::CrossCursor) : QCursor(lupa, 6, 6);
  const QPixmap icon = previewBitmap(QStringLiteral("Print0"));
  if (!icon.isNull()) setWindowIcon(QIcon(icon));
  setWindowTitle(QString::fromStdString(cDocument_));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
  const QSize ownerSize = oWndMain_ ? QSize(oWndMain_->geometry().right(), oWndMain_->geometry().bottom()) : QSize();
  resize(ownerSize.expandedTo(QSize(800, 600)));
  move(0, 0);

  vBar_ = new QScrollBar(Qt::Vertical, this);
  hBar_ = new QScrollBar(Qt::Horizontal, this);
  for (QScrollBar* bar : {vBar_, hBar_}) {
    bar->setRange(0, 0);
    bar->hide();
    connect(bar, &QScrollBar::actionTriggered, this, [this, bar](int action) {
      const bool v = bar == vBar_;
      auto scroll = [&](int type, bool page, std::optional<int> pos) {
        v ? VScroll(type, page, pos) : HScroll(type, page, pos);
      };
      switch (action) {
        case QAbstractSlider::SliderSingleStepSub: scroll(1, false, std::nullopt); break;
        case QAbstractSlider::SliderSingleStepAdd: scroll(2, false, std::nullopt); break;
        case QAbstractSlider::SliderPageStepSub: scroll(1, true, std::nullopt); break;
        case QAbstractSlider::SliderPageStepAdd: scroll(2, true, std::nullopt); break;
        case QAbstractSlider::SliderMove: scroll(0, false, bar->sliderPosition()); break;
        default: break;
      }
    });
  }
  status_ = new QLabel(this);
  status_->setFrameShape(QFrame::Panel);
  status_->setFrameShadow(QFrame::Sunken);
  BuildBtnBar();
  BuildMeta();
}

TMULTIPREVIEW::~TMULTIPREVIEW() { finish(); }

void TMULTIPREVIEW::BuildBtnBar() {
  oBar_ = new QWidget(this);
  oBar_->setGeometry(0, 0, 560, kBarHeight);
  struct Def {
    Button b;
    const char* bitmap;
    int status, tooltip;
    void (TMULTIPREVIEW::*action)();
  };
  const Def defs[] = {
      {BTop, "Top2", 21, 7, &TMULTIPREVIEW::TopPage},
      {BPrev, "Previous2", 22, 8, &TMULTIPREVIEW::PrevPage},
      {BNext, "Next2", 23, 9, &TMULTIPREVIEW::NextPage},
      {BBottom, "Bottom2", 24, 10, &TMULTIPREVIEW::BottomPage},
      {BZoom, "Zoom2", 25, 11, nullptr},
      {BTwoPages, "Two_Pages2", 27, 13, nullptr},
      {BPrinter, "Printer2", 29, 15, &TMULTIPREVIEW::PrintPage},
      {BPdf, "Pdf2", 31, 17, &TMULTIPREVIEW::SavePdf},
      {BExit, "Exit2", 30, 16, &TMULTIPREVIEW::End},
  };
  int x = 0;
  for (const Def& d : defs) {
    auto* btn = new QToolButton(oBar_);
    btn->setGeometry(x, 0, kButtonWidth, kBarHeight);
    btn->setAutoRaise(true);
    btn->setIconSize(QSize(20, 20));
    btn->setFocusPolicy(Qt::NoFocus);
    buttons_[size_t(d.b)] = btn;
    setButton(d.b, d.bitmap, d.status, d.tooltip);
    if (d.action) {
      connect(btn, &QToolButton::clicked, this, [this, a = d.action] { (this->*a)(); });
    } else if (d.b == BZoom) {
      connect(btn, &QToolButton::clicked, this, [this] { Zoom(); });
    } else {
      connect(btn, &QToolButton::clicked, this, [this] { TwoPages(); });
    }
    x += kButtonWidth;
  }
  auto* factorLabel = new QLabel(QStringLiteral("Factor:"), oBar_);
  factorLabel->setGeometry(275, 5, 60, 15);
  oFactor_ = new QComboBox(oBar_);
  for (int f = 1; f <= 9; ++f) oFactor_->addItem(QString::number(f));
  oFactor_->setGeometry(315, 2, 50, 22);
  oFactor_->setFocusPolicy(Qt::NoFocus);
  connect(oFactor_, &QComboBox::activated, this, [this](int index) {
    nZFactor_ = index + 1;
    SetFactor(nZFactor_);
  });
  oPage_ = new QLabel(oBar_);
  oPage_->setGeometry(400, 5, 160, 15);
  oPage_->setText(QString::fromStdString(pageLabel("Página: ", nPage_, pageCount())));
  updateButtons();
}

void TMULTIPREVIEW::setButton(Button b, const char* bitmap, int statusId, int tooltipId) {
  QToolButton* btn = buttons_[size_t(b)];
  const QPixmap pm = previewBitmap(QString::fromLatin1(bitmap));
  btn->setIcon(QIcon(pm));
  if (pm.isNull()) btn->setText(tooltipText(tooltipId));
  btn->setToolTip(tooltipText(tooltipId));
  btn->setStatusTip(text(statusId));
  btn->setObjectName(QString::fromLatin1(bitmap).toLower());
}

void TMULTIPREVIEW::BuildMeta() {
  oMeta1_ = new TMETAFILE(this, pageFile(1), nLogWidth_, nLogHeight_);
  oMeta2_ = new TMETAFILE(this, std::string(), nLogWidth_, nLogHeight_);
  oMeta2_->hide();
  const PrinterMetrics& m = oDevice_->metrics();
  paper_ = paperShape(m.paperWidth, m.paperHeight, m.xOffset, m.yOffset, nLogWidth_, nLogHeight_);
  for (TMETAFILE* meta : {oMeta1_, oMeta2_}) {
    meta->setCursor(oCursor_);
    meta->setPaper(paper_);
  }
  oMeta1_->bDblClick = [this](int x, int y) { SetOrg1(x, y); };
  oMeta2_->bDblClick = [this](int x, int y) { SetOrg2(x, y); };
  oMeta1_->bKeyDown = [this](int key, int flags) { KeyDown(key, flags); };
  oMeta1_->bMouseWheel = [this](int keys, int delta, int x, int y) { CheckMouseWheel(keys, delta, x, y); };
}

const std::vector<std::string>& TMULTIPREVIEW::aFiles() {
  oDevice_->RecordTo(oDevice_->nPages());
  return oDevice_->aMeta();
}

int TMULTIPREVIEW::pageCount() const { return oDevice_->nPages(); }

std::string TMULTIPREVIEW::pageFile(int page) {
  if (!oDevice_->RecordTo(page)) return std::string();
  return oDevice_->aMeta()[size_t(page) - 1];
}

void TMULTIPREVIEW::recordAhead() {
  const int recorded = int(oDevice_->aMeta().size());
  if (recorded >= pageCount() || !oDevice_->RecordTo(recorded + 1)) recordTimer_->stop();
}

void TMULTIPREVIEW::Activate() {
  if (int(oDevice_->aMeta().size()) < pageCount()) {
    recordTimer_ = new QTimer(this);
    recordTimer_->setInterval(0);
    connect(recordTimer_, &QTimer::timeout, this, [this] { recordAhead(); });
    recordTimer_->start();
  }
  SetFactor(nZFactor_);
  if (!counted_) {
    counted_ = true;
    ++settings().open;
  }
  show();
  raise();
  activateWindow();
  PaintMeta();
}

void TMULTIPREVIEW::End() { close(); }

void TMULTIPREVIEW::closeEvent(QCloseEvent* e) {
  finish();
  e->accept();
}

void TMULTIPREVIEW::finish() {
  if (lExit_) return;
  lExit_ = true;
  if (oMeta1_) oMeta1_->End();
  if (oMeta2_) oMeta2_->End();
  if (oDevice_) {
    oDevice_->End();
    oDevice_.reset();
  }
  if (counted_) {
    counted_ = false;
    --settings().open;
  }
  emit closed();
}

void TMULTIPREVIEW::resizeEvent(QResizeEvent*) { PaintMeta(); }

void TMULTIPREVIEW::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (oMeta1_) oMeta1_->Shadow(p);
  if (oMeta2_) oMeta2_->Shadow(p);
}

bool TMULTIPREVIEW::event(QEvent* e) {
  if (e->type() == QEvent::StatusTip && status_) {
    status_->setText(static_cast<QStatusTipEvent*>(e)->tip());
    return true;
  }
  return QWidget::event(e);
}

void TMULTIPREVIEW::PaintMeta() {
  if (isMinimized() || !oMeta1_) return;
  const int W = width();
  const int H = height();
  const bool landscape = isLandscape(nLogWidth_, nLogHeight_);
  PreviewLayout l = previewLayout(W, H, false, lTwoPages_, lZoom_, landscape);
  // The whole page is shown in the paper's own shape; a zoomed page fills
  // its control at one scale across and down.
  if (!lZoom_) {
    l.left = fitPaper(l.left, W, paper_);
    l.right = fitPaper(l.right, W, paper_);
  }
  auto place = [](QWidget* w, const PageRect& r) {
    w->setGeometry(r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top));
  };
  place(oMeta1_, l.left);
  if (l.rightVisible) {
    place(oMeta2_, l.right);
    oMeta2_->show();
  } else {
    oMeta2_->hide();
  }
  status_->setGeometry(0, H - kStatusHeight, W, kStatusHeight);
  vBar_->setGeometry(W - kScrollWidth, kBarHeight, kScrollWidth, H - kBarHeight - kStatusHeight - kScrollWidth);
  hBar_->setGeometry(0, H - kStatusHeight - kScrollWidth, W - kScrollWidth, kScrollWidth);
  vBar_->setVisible(vBar_->maximum() > 0);
  hBar_->setVisible(hBar_->maximum() > 0);
  update();
  oMeta1_->setFocus();
}

void TMULTIPREVIEW::updateButtons() {
  const ButtonStates s = buttonStates(nPage_, pageCount());
  const bool on[BCount] = {s.top, s.prev, s.next, s.bottom, s.zoom, s.twoPages, s.print, s.pdf, s.exit};
  for (int b = 0; b < BCount; ++b) buttons_[size_t(b)]->setEnabled(on[b]);
}

void TMULTIPREVIEW::showPage(int page, bool nextOnRight) {
  nPage_ = page;
  oMeta1_->SetFile(pageFile(page));
  oPage_->setText(QString::fromStdString(pageLabel(previewString(19), nPage_, pageCount())));
  if (lTwoPages_) oMeta2_->SetFile(nextOnRight ? pageFile(page + 1) : std::string());
  updateButtons();
}

void TMULTIPREVIEW::go(Nav nav) {
  const int p = navigate(nav, nPage_, pageCount());
  if (p == 0) {
    xb::prompter().beep(0, 0);
    return;
  }
  showPage(p, nav != Nav::Bottom);
}

void TMULTIPREVIEW::NextPage() { go(Nav::Next); }
void TMULTIPREVIEW::PrevPage() { go(Nav::Prev); }
void TMULTIPREVIEW::TopPage() { go(Nav::Top); }
void TMULTIPREVIEW::BottomPage() { go(Nav::Bottom); }

void TMULTIPREVIEW::TwoPages(bool) {
  if (!lTwoPages_) {
    if (!canTwoPages(pageCount(), nLogWidth_, nLogHeight_)) {
      xb::prompter().beep(0, 0);
      return;
    }
    if (lZoom_) Zoom();
    lTwoPages_ = true;
    setButton(BTwoPages, "ONE_PAGE2", 28, 14);
    oMeta2_->SetFile(pageFile(nPage_ + 1));
  } else {
    lTwoPages_ = false;
    setButton(BTwoPages, "TWO_PAGES2", 27, 13);
    oMeta2_->SetFile(std::string());
  }
  PaintMeta();
}

void TMULTIPREVIEW::setScrollRanges(int max) {
  for (QScrollBar* bar : {vBar_, hBar_}) {
    const QSignalBlocker block(bar);
    bar->setRange(max > 0 ? 1 : 0, max);
    bar->setSingleStep(1);
    bar->setPageStep(std::max(1, max / 10));
    bar->setValue(bar->minimum());
    bar->setVisible(max > 0);
  }
}

void TMULTIPREVIEW::setBar(QScrollBar* bar, int pos) {
  const QSignalBlocker block(bar);
  bar->setSliderPosition(pos);
  bar->setValue(pos);
}

void TMULTIPREVIEW::Zoom(bool) {
  if (!lZoom_) {
    if (lTwoPages_) {
      lTwoPages_ = false;
      setButton(BTwoPages, "TWO_PAGES2", 27, 13);
      oMeta2_->SetFile(std::string());
    }
    setButton(BZoom, "UNZOOM2", 26, 12);
    setScrollRanges(20 * nZFactor_);
    oMeta1_->ZoomIn();
    lZoom_ = true;
  } else {
    setButton(BZoom, "ZOOM2", 25, 11);
    setScrollRanges(0);
    oMeta1_->ZoomOut();
    lZoom_ = false;
  }
  PaintMeta();
}

void TMULTIPREVIEW::SetFactor(std::optional<int> nFactor) {
  double x = 0, y = 0;
  zoomDivisors(nZFactor_, x, y);
  oMeta1_->SetZoomFactor(x, y);
  if (nFactor) {
    if (!lZoom_) {
      Zoom();
    } else {
      setScrollRanges(20 * nZFactor_);
    }
  }
  oMeta1_->setFocus();
}

void TMULTIPREVIEW::VScroll(int nType, bool lPage, std::optional<int> nPos) {
  const auto r = scrollStep(nLogHeight_, vBar_->value(), vBar_->minimum(), vBar_->maximum(), nType, lPage, nPos);
  if (!r) return;
  setBar(vBar_, r->barPos);
  oMeta1_->SetOrg(oMeta1_->view().nXorig, r->origin);
}

void TMULTIPREVIEW::HScroll(int nType, bool lPage, std::optional<int> nPos) {
  const auto r = scrollStep(nLogWidth_, hBar_->value(), hBar_->minimum(), hBar_->maximum(), nType, lPage, nPos);
  if (!r) return;
  setBar(hBar_, r->barPos);
  oMeta1_->SetOrg(r->origin, oMeta1_->view().nYorig);
}

void TMULTIPREVIEW::SetOrg1(int nX, int nY) {
  if (lZoom_) {
    Zoom();
    return;
  }
  zoomAt(orgSteps(nX, oMeta1_->width(), nZFactor_), orgSteps(nY, oMeta1_->height(), nZFactor_));
}

void TMULTIPREVIEW::SetOrg2(int nX, int nY) {
  if (!lTwoPages_ || oMeta2_->file().empty()) return;
  showPage(nPage_ + 1, true);
  zoomAt(orgSteps(nX, oMeta2_->width(), nZFactor_), orgSteps(nY, oMeta2_->height(), nZFactor_));
}

void TMULTIPREVIEW::zoomAt(int cols, int rows) {
  Zoom();
  if (cols > 0) {
    HScroll(2, false, cols);
    setBar(hBar_, cols);
  }
  if (rows > 0) {
    VScroll(2, false, rows);
    setBar(vBar_, rows);
  }
}

void TMULTIPREVIEW::KeyDown(int nKey, int nFlags) {
  switch (keyAction(nKey, (nFlags & Qt::ControlModifier) != 0, lZoom_)) {
    case KeyAction::Print: PrintPage(); break;
    case KeyAction::Zoom: Zoom(); break;
    case KeyAction::TwoPages: TwoPages(); break;
    case KeyAction::First: TopPage(); break;
    case KeyAction::Last: BottomPage(); break;
    case KeyAction::PrevPage: PrevPage(); break;
    case KeyAction::NextPage: NextPage(); break;
    case KeyAction::LineUp: VScroll(1); break;
    case KeyAction::LineDown: VScroll(2); break;
    case KeyAction::PageUp: VScroll(1, true); break;
    case KeyAction::PageDown: VScroll(2, true); break;
    case KeyAction::Left: HScroll(1); break;
    case KeyAction::Right: HScroll(2); break;
    case KeyAction::Home:
      setBar(vBar_, vBar_->minimum());
      setBar(hBar_, hBar_->minimum());
      oMeta1_->SetOrg(0, 0);
      break;
    case KeyAction::End:
      setBar(vBar_, vBar_->maximum());
      setBar(hBar_, hBar_->maximum());
      oMeta1_->SetOrg(0.8 * nLogWidth_, 0.8 * nLogHeight_);
      break;
    case KeyAction::None: break;
  }
}

void TMULTIPREVIEW::CheckMouseWheel(int nKeys, int nDelta, int, int) {
  switch (wheelAction(nDelta, (nKeys & Qt::MiddleButton) != 0, lZoom_)) {
    case WheelAction::PrevPage: PrevPage(); break;
    case WheelAction::NextPage: NextPage(); break;
    case WheelAction::FirstPage: TopPage(); break;
    case WheelAction::LastPage: BottomPage(); break;
    case WheelAction::LineUp: VScroll(1); break;
    case WheelAction::LineDown: VScroll(2); break;
    case WheelAction::PageUp: VScroll(1, true); break;
    case WheelAction::PageDown: VScroll(2, true); break;
    case WheelAction::None: break;
  }
}

void TMULTIPREVIEW::PrintPage() {
  QPrinter* printer = oDevice_ ? oDevice_->hDC() : nullptr;
  if (!printer) return;
  PreviewPrintForm form{oDevice_->GetModel(), oDevice_->GetDriver(), oDevice_->GetPort(), pageCount(),
                        printer->copyCount()};
  const auto choice = printerDialogs().previewPrint(form, this);
  if (!choice) return;
  const int before = printer->copyCount();
  printer->setCopyCount(choice->copies);
  PrintPrv(choice->option, choice->from, choice->to);
  printer->setCopyCount(before);
}

int TMULTIPREVIEW::PrintPrv(int nOption, int nFrom, int nTo) {
  QPrinter* printer = oDevice_ ? oDevice_->hDC() : nullptr;
  if (!printer) return -1;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::vector<int> pages = pagesToPrint(nOption, nPage_, pageCount(), nFrom, nTo);
  const std::vector<int> seq = printSequence(pages, printer->copyCount(), printer->supportsMultipleCopies());
  const int sent = printPageFiles(*printer, aFiles(), seq, cDocument_);
  QApplication::restoreOverrideCursor();
  return sent;
}

void TMULTIPREVIEW::SavePdf() {
  QPrinter* printer = oDevice_ ? oDevice_->hDC() : nullptr;
  if (!printer) return;
  const auto name = printerDialogs().pdfFileName(cDocument_ + ".pdf");
  if (!name || name->empty()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool ok = savePageFilesAsPdf(*printer, aFiles(), *name, cDocument_);
  QApplication::restoreOverrideCursor();
  if (!ok) xb::prompter().message(xb::MsgKind::Stop, "Atención.....", "No se puede escribir el archivo " + *name);
}

}  // namespace pr
