// The preview window offscreen: enabling rules, paging, two pages, zoom and
// factor, double clicks, keys and wheel, the pages each print option sends
// (counted in the PDF produced), the PDF copy, the limit of open previews,
// the page files' lifetime and a missing resource file.
#include <gtest/gtest.h>

#include <cmath>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "print/preview.h"
#include "print/preview_metafile.h"
#include "print/preview_print_dialog.h"
#include "print/preview_resources.h"
#include "print/printer.h"
#include "tests/print/print_test_support.h"
#include "ui/control_id.h"

namespace {

using Btn = pr::TMULTIPREVIEW::Button;

class Preview : public prtest::PrintFixture {
 protected:
  void TearDown() override {
    for (const QPointer<pr::TMULTIPREVIEW>& p : opened)
      if (p) p->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    prtest::PrintFixture::TearDown();
  }

  // A preview job of `pages` pages, each with a black box whose width grows
  // with the page number.
  std::shared_ptr<pr::TPRINTER> job(int pages) {
    auto p = pr::TPRINTER::New("Trabajo", false, true);
    for (int i = 1; i <= pages; ++i) {
      p->StartPage();
      prtest::asDevice(*p).FillRect(100, 100, 400, 100 + 100 * i, 0);
      p->CmSay(5, 2, "Pagina " + std::to_string(i));
      p->EndPage();
    }
    return p;
  }

  pr::TMULTIPREVIEW* open(int pages) {
    pr::TMULTIPREVIEW* pv = pr::RPREVIEW(job(pages));
    if (pv) opened.push_back(pv);
    return pv;
  }

  int beeps() const {
    return int(std::count_if(prompts.asked.begin(), prompts.asked.end(),
                             [](const xb::ScriptedPrompter::Asked& a) { return a.kind == "beep"; }));
  }

  std::vector<QPointer<pr::TMULTIPREVIEW>> opened;
};

TEST_F(Preview, OpensZoomedAtFactorOneOnPageOne) {
  pr::TMULTIPREVIEW* pv = open(3);
  ASSERT_NE(pv, nullptr);
  EXPECT_TRUE(pv->isVisible());
  EXPECT_EQ(pv->windowTitle(), "Trabajo");
  EXPECT_EQ(pv->nPage(), 1);
  EXPECT_EQ(pv->nZFactor(), 1);
  EXPECT_TRUE(pv->lZoom());
  EXPECT_FALSE(pv->lTwoPages());
  EXPECT_EQ(pv->vScrollBar()->minimum(), 1);
  EXPECT_EQ(pv->vScrollBar()->maximum(), 20);
  EXPECT_EQ(pv->oPage()->text(), "Página: 1 / 3");
  EXPECT_EQ(pv->oMeta1()->file(), pv->aFiles()[0]);
  EXPECT_FALSE(pv->oMeta2()->isVisible());
  EXPECT_FALSE(pv->button(Btn::BTop)->toolTip().isEmpty());
  EXPECT_EQ(pv->button(Btn::BPdf)->toolTip(), "Guardar como PDF");
  EXPECT_FALSE(pv->button(Btn::BNext)->icon().isNull());
}

TEST_F(Preview, OnePageJobDisablesPagingAndRefusesTwoPages) {
  pr::TMULTIPREVIEW* pv = open(1);
  ASSERT_NE(pv, nullptr);
  for (Btn b : {Btn::BTop, Btn::BPrev, Btn::BNext, Btn::BBottom, Btn::BTwoPages})
    EXPECT_FALSE(pv->button(b)->isEnabled()) << b;
  for (Btn b : {Btn::BZoom, Btn::BPrinter, Btn::BPdf, Btn::BExit}) EXPECT_TRUE(pv->button(b)->isEnabled()) << b;
  pv->TwoPages();
  EXPECT_FALSE(pv->lTwoPages());
  EXPECT_TRUE(pv->lZoom());  // mode unchanged
  EXPECT_EQ(beeps(), 1);
  pv->NextPage();
  pv->PrevPage();
  EXPECT_EQ(beeps(), 3);
}

TEST_F(Preview, PagingButtonsAndLabel) {
  pr::TMULTIPREVIEW* pv = open(3);
  ASSERT_NE(pv, nullptr);
  EXPECT_FALSE(pv->button(Btn::BPrev)->isEnabled());
  EXPECT_TRUE(pv->button(Btn::BNext)->isEnabled());
  pv->button(Btn::BNext)->click();
  EXPECT_EQ(pv->nPage(), 2);
  EXPECT_EQ(pv->oPage()->text(), "Página: 2 / 3");
  EXPECT_EQ(pv->oMeta1()->file(), pv->aFiles()[1]);
  EXPECT_TRUE(pv->button(Btn::BPrev)->isEnabled());
  pv->BottomPage();
  EXPECT_EQ(pv->nPage(), 3);
  EXPECT_FALSE(pv->button(Btn::BNext)->isEnabled());
  EXPECT_FALSE(pv->button(Btn::BBottom)->isEnabled());
  pv->NextPage();
  EXPECT_EQ(beeps(), 1);
  EXPECT_TRUE(pv->lZoom());  // the zoom is kept while paging
  pv->TopPage();
  EXPECT_EQ(pv->nPage(), 1);
}

TEST_F(Preview, TwoPagesEndsZoomAndShowsTheFollowingPage) {
  pr::TMULTIPREVIEW* pv = open(3);
  ASSERT_NE(pv, nullptr);
  pv->TwoPages();
  EXPECT_TRUE(pv->lTwoPages());
  EXPECT_FALSE(pv->lZoom());
  EXPECT_TRUE(pv->oMeta2()->isVisible());
  EXPECT_EQ(pv->oMeta2()->file(), pv->aFiles()[1]);
  EXPECT_EQ(pv->button(Btn::BTwoPages)->objectName(), "one_page2");
  EXPECT_EQ(pv->vScrollBar()->maximum(), 0);
  pv->NextPage();
  EXPECT_EQ(pv->oMeta2()->file(), pv->aFiles()[2]);
  pv->NextPage();
  EXPECT_EQ(pv->oMeta2()->file(), "");  // last page: the right side is empty
  pv->TopPage();
  pv->BottomPage();
  EXPECT_EQ(pv->oMeta2()->file(), "");
  pv->Zoom();  // zooming in ends two-page mode
  EXPECT_FALSE(pv->lTwoPages());
  EXPECT_FALSE(pv->oMeta2()->isVisible());
  EXPECT_EQ(pv->button(Btn::BTwoPages)->objectName(), "two_pages2");
  EXPECT_EQ(pv->button(Btn::BZoom)->objectName(), "unzoom2");
}

// The page's proportions as drawn in one view: the page control's own
// (the sheet of paper) when it shows the whole page, and those of a square
// 4 cm wide printed on the page.
struct Drawn {
  double control = 0;  // width / height of the control
  double square = 0;   // width / height of the square's ink
};
Drawn drawnShape(pr::TMETAFILE* meta) {
  const QImage img = meta->grab().toImage();
  const QRect ink = prtest::inkBox(img, img.rect());
  return {double(meta->width()) / meta->height(), ink.isEmpty() ? 0 : double(ink.width()) / ink.height()};
}

TEST_F(Preview, PagesKeepThePapersProportionsInEveryView) {
  auto p = pr::TPRINTER::New("Forma", false, true);
  for (int i = 0; i < 2; ++i) {
    p->StartPage();
    double top = 2, left = 2, bottom = 6, right = 6;
    p->Cmtr2Pix(top, left);
    p->Cmtr2Pix(bottom, right);
    prtest::asDevice(*p).FillRect(int(top), int(left), int(bottom), int(right), 0);
    p->EndPage();
  }
  pr::TMULTIPREVIEW* pv = pr::RPREVIEW(p);
  ASSERT_NE(pv, nullptr);
  opened.push_back(pv);
  pv->resize(1200, 1000);
  const double a4 = 210.0 / 297.0;
  auto near1 = [](double got, double want) { return std::abs(got / want - 1) < 0.01; };

  ASSERT_TRUE(pv->lZoom());  // zoomed at factor 1: the page across the whole control
  Drawn d = drawnShape(pv->oMeta1());
  EXPECT_TRUE(near1(d.square, 1)) << "zoomed " << d.square;
  emit pv->oFactor()->activated(1);  // factor 2
  d = drawnShape(pv->oMeta1());
  EXPECT_TRUE(near1(d.square, 1)) << "zoomed at factor 2 " << d.square;

  pv->Zoom();  // one page
  ASSERT_FALSE(pv->lZoom());
  d = drawnShape(pv->oMeta1());
  EXPECT_TRUE(near1(d.control, a4)) << "one page " << d.control;
  EXPECT_TRUE(near1(d.square, 1)) << "one page " << d.square;

  pv->TwoPages();
  ASSERT_TRUE(pv->lTwoPages());
  for (pr::TMETAFILE* m : {pv->oMeta1(), pv->oMeta2()}) {
    d = drawnShape(m);
    EXPECT_TRUE(near1(d.control, a4)) << "two pages " << d.control;
    EXPECT_TRUE(near1(d.square, 1)) << "two pages " << d.square;
  }
}

TEST_F(Preview, FactorChangesZoomInAndSetTheRanges) {
  pr::TMULTIPREVIEW* pv = open(2);
  ASSERT_NE(pv, nullptr);
  pv->Zoom();
  ASSERT_FALSE(pv->lZoom());
  EXPECT_EQ(pv->button(Btn::BZoom)->objectName(), "zoom2");
  const double fullWidth = pv->oMeta1()->view().nWidth;
  emit pv->oFactor()->activated(2);  // factor 3, while not zoomed
  EXPECT_EQ(pv->nZFactor(), 3);
  EXPECT_TRUE(pv->lZoom());
  EXPECT_EQ(pv->vScrollBar()->maximum(), 60);
  EXPECT_EQ(pv->hScrollBar()->maximum(), 60);
  EXPECT_NEAR(pv->oMeta1()->view().nWidth, fullWidth / (3 * 1.0019), 1e-6);
  emit pv->oFactor()->activated(0);  // factor 1, zoomed: only ranges and divisors
  EXPECT_TRUE(pv->lZoom());
  EXPECT_EQ(pv->vScrollBar()->maximum(), 20);
  EXPECT_NEAR(pv->oMeta1()->view().nWidth, fullWidth / 1.0019, 1e-6);
}

TEST_F(Preview, DoubleClickZoomsOnTheSpotAndAgainEndsTheZoom) {
  pr::TMULTIPREVIEW* pv = open(2);
  ASSERT_NE(pv, nullptr);
  pv->Zoom();
  const int w = pv->oMeta1()->width();
  const int h = pv->oMeta1()->height();
  pv->SetOrg1(w * 3 / 4, h * 4 / 5);
  EXPECT_TRUE(pv->lZoom());
  EXPECT_EQ(pv->hScrollBar()->value(), pr::orgSteps(w * 3 / 4, w, 1));
  EXPECT_EQ(pv->vScrollBar()->value(), pr::orgSteps(h * 4 / 5, h, 1));
  EXPECT_GT(pv->oMeta1()->view().nXorig, 0);
  EXPECT_GT(pv->oMeta1()->view().nYorig, 0);
  pv->SetOrg1(10, 10);
  EXPECT_FALSE(pv->lZoom());
  EXPECT_EQ(pv->oMeta1()->view().nXorig, 0);

  pv->TwoPages();
  ASSERT_TRUE(pv->lTwoPages());
  pv->SetOrg2(5, 5);  // the right page becomes the current one, zoomed
  EXPECT_EQ(pv->nPage(), 2);
  EXPECT_TRUE(pv->lZoom());
  EXPECT_FALSE(pv->lTwoPages());
}

TEST_F(Preview, KeysAndWheel) {
  pr::TMULTIPREVIEW* pv = open(3);
  ASSERT_NE(pv, nullptr);
  QTest::keyClick(pv->oMeta1(), Qt::Key_P);
  EXPECT_TRUE(dialogs.asked.empty());  // plain P does nothing
  QTest::keyClick(pv->oMeta1(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(dialogs.asked, std::vector<std::string>{"preview"});
  QTest::keyClick(pv->oMeta1(), Qt::Key_I, Qt::ControlModifier);
  EXPECT_EQ(dialogs.asked.size(), 2u);
  // Zoomed: Down scrolls a line, End goes to the bottom corner.
  ASSERT_TRUE(pv->lZoom());
  QTest::keyClick(pv->oMeta1(), Qt::Key_Down);
  EXPECT_EQ(pv->vScrollBar()->value(), 2);
  QTest::keyClick(pv->oMeta1(), Qt::Key_PageDown);
  EXPECT_EQ(pv->vScrollBar()->value(), 4);
  QTest::keyClick(pv->oMeta1(), Qt::Key_End);
  EXPECT_EQ(pv->vScrollBar()->value(), 20);
  EXPECT_NEAR(pv->oMeta1()->view().nYorig, 0.8 * pv->oDevice()->nVertRes(), 1e-6);
  QTest::keyClick(pv->oMeta1(), Qt::Key_Home);
  EXPECT_EQ(pv->vScrollBar()->value(), 1);
  EXPECT_EQ(pv->oMeta1()->view().nYorig, 0);
  pv->CheckMouseWheel(0, -120, 0, 0);
  EXPECT_EQ(pv->vScrollBar()->value(), 2);
  pv->CheckMouseWheel(0, 120, 0, 0);
  pv->CheckMouseWheel(0, 120, 0, 0);
  EXPECT_EQ(pv->vScrollBar()->value(), 1);  // not beyond the top
  EXPECT_EQ(pv->nPage(), 1);
  // Ctrl+Z ends the zoom; then the page keys page.
  QTest::keyClick(pv->oMeta1(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_FALSE(pv->lZoom());
  QTest::keyClick(pv->oMeta1(), Qt::Key_PageDown);
  EXPECT_EQ(pv->nPage(), 2);
  QTest::keyClick(pv->oMeta1(), Qt::Key_End);
  EXPECT_EQ(pv->nPage(), 3);
  pv->CheckMouseWheel(0, 120, 0, 0);
  EXPECT_EQ(pv->nPage(), 2);
  pv->CheckMouseWheel(int(Qt::MiddleButton), -120, 0, 0);
  EXPECT_EQ(pv->nPage(), 3);
  QTest::keyClick(pv->oMeta1(), Qt::Key_T, Qt::ControlModifier);
  EXPECT_TRUE(pv->lTwoPages());
}

TEST_F(Preview, EachPrintOptionSendsItsPages) {
  pr::TMULTIPREVIEW* pv = open(5);
  ASSERT_NE(pv, nullptr);
  pv->NextPage();
  pv->NextPage();  // current page 3
  struct Case {
    pr::PreviewPrintChoice choice;
    int pages;
  };
  const Case cases[] = {
      {{1, 1, 5, 1}, 5}, {{2, 1, 5, 1}, 1}, {{3, 1, 5, 1}, 2}, {{4, 1, 5, 1}, 3}, {{5, 2, 4, 1}, 3},
  };
  for (const Case& c : cases) {
    QFile::remove(QString::fromStdString(pdf));
    dialogs.previewAnswers = {c.choice};
    pv->PrintPage();
    EXPECT_EQ(prtest::pdfPages(pdf), c.pages) << "option " << c.choice.option;
  }
  EXPECT_EQ(dialogs.previewForms.back().pageCount, 5);
  EXPECT_EQ(dialogs.previewForms.back().printer, "PDF");
  // Copies: a PDF printer does not make copies itself, so the pages repeat.
  QFile::remove(QString::fromStdString(pdf));
  dialogs.previewAnswers = {{2, 1, 5, 3}};
  pv->PrintPage();
  EXPECT_EQ(prtest::pdfPages(pdf), pv->oDevice()->hDC()->supportsMultipleCopies() ? 1 : 3);
  EXPECT_EQ(pv->oDevice()->hDC()->copyCount(), 1);  // put back after printing
  // The preview stays open with its pages.
  EXPECT_TRUE(pv->isVisible());
  for (const std::string& f : pv->aFiles()) EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(f)));
}

TEST_F(Preview, EvenPagesOfAOnePageJobStillMakeADocument) {
  pr::TMULTIPREVIEW* pv = open(1);
  ASSERT_NE(pv, nullptr);
  EXPECT_EQ(pv->PrintPrv(3), 0);
  EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(pdf)));
}

TEST_F(Preview, PrintedPageMatchesTheRecordedPage) {
  pr::TMULTIPREVIEW* pv = open(2);
  ASSERT_NE(pv, nullptr);
  ASSERT_EQ(pv->PrintPrv(5, 2, 2), 1);
  const QImage page = prtest::rasterise(pdf, 1, 300, dir.path());
  ASSERT_FALSE(page.isNull());
  // Page 2's box: 100…400 × 100…300 printer pixels, plus the 10 mm margin.
  const int m = int(std::lround(10 / 25.4 * 300));
  const QRect ink = prtest::inkBox(page, QRect(0, 0, page.width(), m + 420));
  EXPECT_NEAR(ink.left(), m + 100, 2);
  EXPECT_NEAR(ink.top(), m + 100, 2);
  EXPECT_NEAR(ink.right(), m + 299, 2);
}

TEST_F(Preview, SavesEveryPageAsAVectorPdfAtThePrinterPageSize) {
  pr::TMULTIPREVIEW* pv = open(3);
  ASSERT_NE(pv, nullptr);
  const std::string saved = (dir.path() + "/guardado.pdf").toStdString();
  dialogs.pdfAnswer = saved;
  pv->button(Btn::BPdf)->click();
  EXPECT_EQ(prtest::pdfPages(saved), 3);
  const std::string info = prtest::run("pdfinfo " + prtest::quoted(saved));
  EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
  const std::string images = prtest::run("pdfimages -list " + prtest::quoted(saved));
  EXPECT_EQ(std::count(images.begin(), images.end(), '\n'), 2) << images;  // the header only: no raster images
}

TEST_F(Preview, LimitOfOpenPreviews) {
  const int before = pr::SETMAXPRVWND(pr::openPreviews() + 2);
  ASSERT_NE(open(1), nullptr);
  ASSERT_NE(open(1), nullptr);
  auto third = job(2);
  const std::vector<std::string> files = third->aMeta();
  EXPECT_EQ(pr::RPREVIEW(third), nullptr);
  ASSERT_FALSE(prompts.asked.empty());
  EXPECT_EQ(prompts.asked.back().text, pr::previewString(34));
  EXPECT_FALSE(prompts.asked.back().text.empty());
  for (const std::string& f : files) EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(f)));
  opened.front()->close();
  EXPECT_NE(open(1), nullptr);  // room again
  EXPECT_EQ(pr::SETMAXPRVWND(before), pr::openPreviews());
  EXPECT_EQ(pr::SETMAXPRVWND(0), before);  // 0 leaves it unchanged
}

TEST_F(Preview, PageFilesGoWhenTheWindowCloses) {
  const int before = pr::openPreviews();
  pr::TMULTIPREVIEW* pv = open(3);
  ASSERT_NE(pv, nullptr);
  EXPECT_EQ(pr::openPreviews(), before + 1);
  const std::vector<std::string> files = pv->aFiles();
  for (const std::string& f : files) EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(f)));
  QPointer<pr::TMULTIPREVIEW> alive(pv);
  pv->button(Btn::BExit)->click();
  for (const std::string& f : files) EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(f)));
  EXPECT_EQ(pr::openPreviews(), before);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull());
}

TEST_F(Preview, AMissingPageFileIsReportedInThePage) {
  pr::TMULTIPREVIEW* pv = open(2);
  ASSERT_NE(pv, nullptr);
  pv->oMeta1()->grab();
  EXPECT_TRUE(pv->oMeta1()->loaded());
  QFile::remove(QString::fromStdString(pv->aFiles()[1]));
  pv->NextPage();
  pv->oMeta1()->grab();
  EXPECT_FALSE(pv->oMeta1()->loaded());
  EXPECT_EQ(pv->oMeta1()->file(), "");
  pv->oMeta1()->SetFile(pv->aFiles()[0]);
  QFile::remove(QString::fromStdString(pv->aFiles()[0]));
  pv->oMeta1()->grab();
  EXPECT_TRUE(pv->oMeta1()->missing());
}

TEST_F(Preview, MissingResourceFileStopsWithItsName) {
  pr::setPreviewResourceFile(dir.path() + "/no-such/preview.rcc");
  auto dev = job(2);
  const std::vector<std::string> files = dev->aMeta();
  EXPECT_EQ(pr::RPREVIEW(dev), nullptr);
  pr::setPreviewResourceFile(QString());
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].kind, "message");
  EXPECT_NE(prompts.asked[0].text.find("preview.rcc"), std::string::npos);
  for (const std::string& f : files) EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(f)));
  EXPECT_NE(open(1), nullptr);  // the real file loads again
}

TEST_F(Preview, APreviewStandsOutsideItsOwnersWindowsAndClosesWithTheOwner) {
  std::vector<std::string> files;
  QPointer<pr::TMULTIPREVIEW> pv;
  {
    QWidget owner;
    owner.resize(640, 480);
    pr::setPreviewOwner(&owner);
    pv = open(2);
    ASSERT_NE(pv, nullptr);
    files = pv->aFiles();
    // No parent: a screen modal to the owner's chain does not block it.
    EXPECT_EQ(pv->parentWidget(), nullptr);
    EXPECT_TRUE(pv->isWindow());
  }
  EXPECT_TRUE(pv.isNull());
  for (const std::string& f : files) EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(f)));
  pr::setPreviewOwner(nullptr);
  EXPECT_FALSE(pr::SETMULTIPREVIEW());
  EXPECT_FALSE(pr::SETMULTIPREVIEW(true));
  EXPECT_TRUE(pr::SETMULTIPREVIEW(false));
}

TEST_F(Preview, ModalPreviewHidesTheOwnerUntilItCloses) {
  QWidget owner;
  owner.resize(640, 480);
  owner.show();
  pr::setPreviewOwner(&owner);
  auto dev = pr::TPRINTER::New("Modal", false, true, {}, true);
  dev->StartPage();
  dev->EndPage();
  const std::vector<std::string> files = dev->aMeta();
  bool ownerHidden = false;
  bool sawPreview = false;
  std::function<void()> closeIt = [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* pv = qobject_cast<pr::TMULTIPREVIEW*>(w); pv && pv->isVisible()) {
        sawPreview = true;
        ownerHidden = !owner.isVisible();
        pv->close();
        return;
      }
    QTimer::singleShot(10, closeIt);
  };
  QTimer::singleShot(0, closeIt);
  EXPECT_EQ(pr::RPREVIEW(dev), nullptr);  // returns once the preview has closed
  pr::setPreviewOwner(nullptr);
  EXPECT_TRUE(sawPreview);
  EXPECT_TRUE(ownerHidden);
  EXPECT_TRUE(owner.isVisible());
  for (const std::string& f : files) EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(f)));
}

TEST_F(Preview, PrintDialogOffersTheOptionsAndChecksTheRange) {
  ASSERT_TRUE(pr::loadPreviewResources());
  pr::PreviewPrintForm form{"Oficina", "Driver", "USB1", 4, 2};
  int attempts = 0;
  std::function<void()> drive = [&] {
    QWidget* dlg = QApplication::activeModalWidget();
    if (!dlg || dlg->objectName() != "Print") {
      QTimer::singleShot(10, drive);
      return;
    }
    auto* label = qobject_cast<QLabel*>(ui::controlById(dlg, 101));
    auto* range = qobject_cast<QRadioButton*>(ui::controlById(dlg, 108));
    auto* from = qobject_cast<QSpinBox*>(ui::controlById(dlg, 109));
    auto* to = qobject_cast<QSpinBox*>(ui::controlById(dlg, 110));
    auto* copies = qobject_cast<QSpinBox*>(ui::controlById(dlg, 111));
    auto* print = qobject_cast<QAbstractButton*>(ui::controlById(dlg, 120));
    ASSERT_TRUE(label && range && from && to && copies && print);
    EXPECT_EQ(label->text(), "Oficina");
    EXPECT_FALSE(from->isEnabled());
    EXPECT_EQ(to->value(), 4);
    EXPECT_EQ(copies->value(), 2);
    range->setChecked(true);
    EXPECT_TRUE(from->isEnabled());
    from->setValue(3);
    to->setValue(2);
    print->click();  // from above to: refused
    ++attempts;
    EXPECT_TRUE(dlg->isVisible());
    to->setValue(3);
    copies->setValue(5);
    print->click();
  };
  QTimer::singleShot(0, drive);
  const auto choice = pr::runPreviewPrintDialog(form, nullptr);
  ASSERT_TRUE(choice);
  EXPECT_EQ(*choice, (pr::PreviewPrintChoice{5, 3, 3, 5}));
  EXPECT_EQ(attempts, 1);
  EXPECT_EQ(beeps(), 1);
}

// A job of four pages of which one is recorded: the preview counts four,
// records a page when it is turned to (and none beyond), records the rest
// while it is idle, and prints every page.
TEST_F(Preview, PagesRecordedLaterAreRecordedWhenTurnedToOrWhileIdle) {
  std::shared_ptr<pr::TPRINTER> p = job(1);
  std::vector<int> recorded;
  p->RecordLater(4, [&recorded](pr::TPRINTER& dev) {
    const int page = int(dev.aMeta().size()) + 1;
    recorded.push_back(page);
    dev.StartPage();
    prtest::asDevice(dev).FillRect(100, 100, 400, 100 + 100 * page, 0);
    dev.EndPage();
    return true;
  });
  pr::TMULTIPREVIEW* pv = pr::RPREVIEW(p);
  ASSERT_NE(pv, nullptr);
  opened.push_back(pv);
  EXPECT_TRUE(pv->oPage()->text().endsWith(" / 4")) << pv->oPage()->text().toStdString();
  EXPECT_TRUE(pv->button(Btn::BNext)->isEnabled());
  EXPECT_TRUE(recorded.empty());
  pv->NextPage();
  EXPECT_EQ(recorded, (std::vector<int>{2}));
  EXPECT_FALSE(pv->oMeta1()->file().empty());
  for (int i = 0; i < 50 && recorded.size() < 3; ++i) QTest::qWait(5);
  EXPECT_EQ(recorded, (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(pv->PrintPrv(1), 4);
  EXPECT_EQ(prtest::pdfPages(pdf), 4);
}

}  // namespace
