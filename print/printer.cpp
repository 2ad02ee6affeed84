#include "print/printer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPicture>
#include <QPrinterInfo>
#include <algorithm>
#include <chrono>
#include <cmath>

#include "barcode/qt/qt_font.h"
#include "print/preview_printing.h"
#include "print/printer_dialogs.h"
#include "print/printer_setup.h"
#include "xbase/prompt.h"

namespace pr {

namespace {

// The program's current printer: set by PRINTBEGIN, cleared by takeCurrentPrinter (PRINTEND) and
// by End of that device.
std::shared_ptr<TPRINTER>& current() {
  static std::shared_ptr<TPRINTER> printer;
  return printer;
}

void endCurrentPrinter() {
  if (std::shared_ptr<TPRINTER> p = current()) p->End();
}

const char* const kNoPrinters = "There are not installed printers!\nPlease exit this application and install a printer";

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

std::string modelName(const std::string& model) { return model.substr(0, model.find(',')); }

}  // namespace

std::string pageFileFolder() {
  QString dir = qEnvironmentVariable("TEMP");
  if (dir.isEmpty()) dir = qEnvironmentVariable("TMP");
  if (dir.size() > 1 && (dir.endsWith('/') || dir.endsWith('\\'))) dir.chop(1);
  if (dir.isEmpty() || !QFileInfo(dir).isDir()) dir = QDir::tempPath();
  return dir.toStdString();
}

std::string CTMPNAME(const std::string& cPrefix) {
  auto tick = [] {
    using namespace std::chrono;
    return std::to_string(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  };
  std::string name = cPrefix + tick() + ".qpic";
  while (QFileInfo::exists(qs(name))) name = cPrefix + tick() + ".qpic";
  QFile reserve(qs(name));
  if (reserve.open(QIODevice::WriteOnly | QIODevice::NewOnly)) reserve.close();
  return name;
}

std::shared_ptr<TPRINTER> TPRINTER::New(std::string cDocument, bool lUser, bool lMeta, std::string cModel,
                                        bool lModal) {
  std::shared_ptr<TPRINTER> self(new TPRINTER());
  TPRINTER& p = *self;
  bool failed = false;
  if (lUser) {
    const DialogOutcome r = printerDialogs().choosePrinter(printerSetup());
    if (r == DialogOutcome::Accepted) p.makeContext(std::string(), QString());
    failed = r == DialogOutcome::Failed;
  } else if (cModel.empty()) {
    p.makeContext(std::string(), QString());
  } else {
    p.makeContext(modelName(cModel), QString());
  }
  if (p.printer_) {
    cModel = printerModel(*p.printer_);
    p.nOrient_ = 1;
  } else if (failed) {
    xb::prompter().message(xb::MsgKind::Stop, "Atención.....", kNoPrinters);
  }
  p.cDocument_ = cDocument.empty() ? "Documento" : std::move(cDocument);
  p.cModel_ = std::move(cModel);
  p.lMeta_ = lMeta;
  p.lPrvModal_ = lModal;
  if (lMeta) p.cDir_ = pageFileFolder();
  return self;
}

TPRINTER::~TPRINTER() { End(); }

void TPRINTER::makeContext(const std::string& name, const QString& outputFile) {
  printer_ = clonePrinter(printerSetup());
  if (!name.empty() && name != printerName(*printer_)) {
    if (name == "PDF") {
      printer_->setOutputFormat(QPrinter::PdfFormat);
    } else if (QPrinterInfo::printerInfo(qs(name)).isNull()) {
      printer_.reset();
      metrics_ = {};
      return;
    } else {
      // The set-up's output file (a PDF file or "print to file") belongs to
      // the set-up's printer: a printer chosen by name gets the job itself.
      printer_->setOutputFileName(QString());
      printer_->setOutputFormat(QPrinter::NativeFormat);
      printer_->setPrinterName(qs(name));
    }
  }
  if (!outputFile.isEmpty()) printer_->setOutputFileName(outputFile);
  if (jobPaper_) printer_->setPageSize(*jobPaper_);
  readMetrics();
}

void TPRINTER::readMetrics() {
  metrics_ = {};
  if (!printer_) return;
  const int dpi = printer_->resolution();
  const QRect page = printer_->pageRect(QPrinter::DevicePixel).toRect();
  const QRect paper = printer_->paperRect(QPrinter::DevicePixel).toRect();
  metrics_.horzRes = printer_->width();
  metrics_.vertRes = printer_->height();
  metrics_.logPixelX = dpi;
  metrics_.logPixelY = dpi;
  metrics_.horzSize = dpi > 0 ? metrics_.horzRes * 25.4 / dpi : 0;
  metrics_.vertSize = dpi > 0 ? metrics_.vertRes * 25.4 / dpi : 0;
  metrics_.xOffset = printer_->fullPage() ? 0 : page.left() - paper.left();
  metrics_.yOffset = printer_->fullPage() ? 0 : page.top() - paper.top();
  metrics_.paperWidth = paper.width();
  metrics_.paperHeight = paper.height();
}

void TPRINTER::StartPage() {
  if (!printer_) return;
  if (lMeta_) {
    closeRecording(true);
    ++nPage_;
    aMeta_.push_back(CTMPNAME(cDir_ + "/"));
    picture_ = std::make_unique<QPicture>();
    pagePainter_ = std::make_unique<QPainter>();
    if (pagePainter_->begin(picture_.get())) {
      // An empty outline of the whole page makes the recording's bounding
      // rectangle the printable area.
      pagePainter_->setPen(Qt::NoPen);
      pagePainter_->setBrush(Qt::NoBrush);
      pagePainter_->drawRect(QRect(0, 0, metrics_.horzRes, metrics_.vertRes));
      pagePainter_->setPen(QPen(Qt::black));
      out_ = pagePainter_.get();
      applyMapping();
    }
    return;
  }
  ++nPage_;
  if (lNoOutput_) return;
  if (!lStarted_) {
    if (!ensureOutputFile(*printer_, cDocument_)) {
      lNoOutput_ = true;
      return;
    }
    printer_->setDocName(qs(cDocument_));
    directPainter_ = std::make_unique<QPainter>();
    if (!directPainter_->begin(printer_.get())) {
      directPainter_.reset();
      lNoOutput_ = true;
      xb::prompter().message(xb::MsgKind::Stop, "Printer object Error",
                             "No se puede iniciar el documento en la impresora " + printerName(*printer_));
      return;
    }
    lStarted_ = true;
  } else {
    printer_->newPage();
  }
  out_ = directPainter_.get();
  applyMapping();
}

void TPRINTER::closeRecording(bool save) {
  if (!pagePainter_) return;
  pagePainter_->end();
  if (save && !aMeta_.empty()) {
    picture_->save(qs(aMeta_.back()));
  }
  pagePainter_.reset();
  picture_.reset();
  out_ = nullptr;
}

void TPRINTER::EndPage() {
  if (!printer_) return;
  if (!lMeta_) {
    out_ = lStarted_ ? directPainter_.get() : nullptr;
    return;
  }
  if (aMeta_.empty()) {
    xb::prompter().message(xb::MsgKind::Stop, "Printer object Error", "The temporal metafile could not be created");
    return;
  }
  if (!pagePainter_) return;
  closeRecording(true);
  const std::string& file = aMeta_.back();
  if (QFileInfo(qs(file)).size() == 0)
    xb::prompter().message(xb::MsgKind::Stop, "Print preview error",
                           "Could not create temporary file: " + file +
                               "\n\nPlease check your free space on your hard drive \nand the amount of files "
                               "handles available.");
}

void TPRINTER::End() {
  if (printer_) {
    if (lMeta_) {
      closeRecording(false);
      for (const std::string& f : aMeta_) QFile::remove(qs(f));
    } else if (directPainter_) {
      directPainter_->end();
      directPainter_.reset();
    }
    out_ = nullptr;
    if (QPrinter* setup = existingPrinterSetup(); setup && nOrient_)
      setup->setPageOrientation(nOrient_ == 1 ? QPageLayout::Portrait : QPageLayout::Landscape);
    printer_.reset();
  }
  oFont_.reset();
  if (current().get() == this) {
    auto keep = std::move(current());
    current().reset();
    keep.reset();
  }
}

QFont TPRINTER::deviceFont(const QFont& f) const {
  QFont q(f);
  if (q.pixelSize() <= 0 && metrics_.logPixelY > 0)
    q.setPixelSize(std::max(1, int(std::lround(f.pointSizeF() * metrics_.logPixelY / 72.0))));
  return q;
}

QFont TPRINTER::defaultFont() {
  if (!oFont_) {
    QFont f("Courier");
    f.setPointSize(12);
    oFont_ = deviceFont(f);
  }
  return *oFont_;
}

QFont TPRINTER::SetFont(const std::optional<QFont>& oFont) {
  if (oFont) oFont_ = deviceFont(*oFont);
  return defaultFont();
}

void TPRINTER::Say(double nRow, double nCol, const std::string& cText, const QFont* oFont, int, std::optional<bc::Rgb> nClrText,
                   int nBkMode, std::optional<int> nPad) {
  if (!printer_ || !out_) return;
  const QFont font = oFont ? deviceFont(*oFont) : (oFont_ ? *oFont_ : deviceFont(out_->font()));
  const QString text = qs(cText);
  const QFontMetricsF fm(font, printer_.get());
  const double width = fm.horizontalAdvance(text);
  const int pad = nPad.value_or(nPad_);
  if (pad == 1) nCol = std::max(0.0, nCol - width);
  if (pad == 2) nCol = std::max(0.0, nCol - width / 2);
  if (nClrText) textColor_ = *nClrText;
  out_->save();
  out_->setFont(font);
  if (nBkMode == 2) out_->fillRect(QRectF(nCol, nRow, width, fm.height()), Qt::white);
  out_->setPen(bc::ToQColor(textColor_));
  out_->drawText(QPointF(nCol, nRow + fm.ascent()), text);
  out_->restore();
}

void TPRINTER::SayText(double row, double col, std::string_view text, const bc::TextFont& font, bc::Rgb color,
                       int align, double angle) {
  if (!printer_ || !out_) return;
  // The colour of a text that is not turned stays the colour of later
  // texts without one, as with Say.
  if (angle == 0) textColor_ = color;
  const QFont device = bc::MakeTextFont(font, metrics_.logPixelY);
  bc::PaintText(*out_, QFontMetricsF(device, printer_.get()), row, col, qs(text), device,
                bc::ToQColor(color), align, angle);
}

double TPRINTER::TextWidth(std::string_view text, const bc::TextFont& font) const {
  if (!printer_) return 0;
  return QFontMetricsF(bc::MakeTextFont(font, metrics_.logPixelY), printer_.get()).horizontalAdvance(qs(text));
}

bc::PixSize TPRINTER::BitmapSize(std::string_view file) const {
  const QImage image(qs(file));
  return {image.width(), image.height()};
}

void TPRINTER::DrawBitmap(double row, double col, std::string_view file, int width, int height) {
  SayImage(row, col, QImage(qs(file)), width, height);
}

void TPRINTER::ClipTo(int top, int left, int bottom, int right) {
  if (out_) out_->setClipRect(QRect(left, top, right - left, bottom - top));
}

void TPRINTER::NoClip() {
  if (out_) out_->setClipping(false);
}

void TPRINTER::Say(int row, int col, std::string_view text, const bc::FontSpec& font, bc::Rgb color) {
  if (!printer_ || !out_) return;
  out_->save();
  bc::PaintSay(*out_, row, col, text, font, color, metrics_.logPixelY);
  out_->restore();
}

void TPRINTER::CmSay(double nRow, double nCol, const std::string& cText, const QFont* oFont, int nWidth,
                     std::optional<bc::Rgb> nClrText, int nBkMode, std::optional<int> nPad) {
  Cmtr2Pix(nRow, nCol);
  Say(nRow, nCol, cText, oFont, nWidth, nClrText, nBkMode, nPad);
}

void TPRINTER::InchSay(double nRow, double nCol, const std::string& cText, const QFont* oFont, int nWidth,
                       std::optional<bc::Rgb> nClrText, int nBkMode, std::optional<int> nPad) {
  Inch2Pix(nRow, nCol);
  Say(nRow, nCol, cText, oFont, nWidth, nClrText, nBkMode, nPad);
}

void TPRINTER::SayBitmap(double nRow, double nCol, const std::variant<int, std::string>& xBitmap, int nWidth,
                         int nHeight, int nRaster) {
  if (!printer_ || !out_) return;
  QImage img;
  if (const int* id = std::get_if<int>(&xBitmap)) {
    img.load(":/" + QString::number(*id));
  } else {
    const QString name = qs(std::get<std::string>(xBitmap));
    if (QFileInfo(name).isFile()) {
      img.load(name);
    } else {
      for (const QString& candidate : {name, ":/" + name, ":/" + name + ".png", ":/" + name + ".bmp"})
        if (img.load(candidate)) break;
    }
  }
  if (!img.isNull()) SayImage(nRow, nCol, img, nWidth, nHeight, nRaster);
}

void TPRINTER::SayImage(double nRow, double nCol, const QImage& oImage, int nWidth, int nHeight, int) {
  if (!printer_ || !out_ || oImage.isNull()) return;
  out_->drawImage(QRectF(nCol, nRow, nWidth > 0 ? nWidth : oImage.width(), nHeight > 0 ? nHeight : oImage.height()),
                  oImage);
}

void TPRINTER::SetPos(double nRow, double nCol) { pos_ = QPointF(nCol, nRow); }

void TPRINTER::Line(double nTop, double nLeft, double nBottom, double nRight, const QPen* oPen) {
  if (!printer_ || !out_) return;
  out_->save();
  out_->setPen(oPen ? *oPen : QPen(Qt::black, 1));
  out_->drawLine(QPointF(nLeft, nTop), QPointF(nRight, nBottom));
  out_->restore();
  pos_ = QPointF(nRight, nBottom);
}

void TPRINTER::Box(double nTop, double nLeft, double nBottom, double nRight, const QPen* oPen) {
  if (!printer_ || !out_) return;
  QPen pen = oPen ? *oPen : QPen(Qt::black, 1);
  pen.setJoinStyle(Qt::MiterJoin);
  const double w = std::max(1.0, pen.widthF());
  out_->save();
  out_->fillRect(QRectF(nLeft, nTop, nRight - nLeft, nBottom - nTop), Qt::white);
  out_->setPen(pen);
  out_->setBrush(Qt::NoBrush);
  out_->drawRect(QRectF(nLeft + w / 2, nTop + w / 2, nRight - nLeft - w, nBottom - nTop - w));
  out_->restore();
}

void TPRINTER::Box(int top, int left, int bottom, int right, const bc::PenSpec& pen) {
  const QPen p(bc::ToQColor(pen.color), std::max(1, pen.width));
  Box(double(top), double(left), double(bottom), double(right), &p);
}

void TPRINTER::FillRect(const std::array<double, 4>& rect, const QBrush& oBrush) {
  if (!printer_ || !out_) return;
  out_->fillRect(QRectF(rect[1], rect[0], rect[3] - rect[1], rect[2] - rect[0]), oBrush);
}

void TPRINTER::FillRect(int top, int left, int bottom, int right, bc::Rgb color) {
  FillRect({double(top), double(left), double(bottom), double(right)}, QBrush(bc::ToQColor(color)));
}

void TPRINTER::Cmtr2Pix(double& nRow, double& nCol) const {
  const RowCol p = cmtrToPix(metrics_, nRow, nCol);
  nRow = p.row;
  nCol = p.col;
}

void TPRINTER::Inch2Pix(double& nRow, double& nCol) const {
  const RowCol p = inchToPix(metrics_, nRow, nCol);
  nRow = p.row;
  nCol = p.col;
}

RowCol TPRINTER::Pix2Mmtr(double nRow, double nCol) const { return pixToMmtr(metrics_, nRow, nCol); }

RowCol TPRINTER::Pix2Inch(double nRow, double nCol) const { return pixToInch(metrics_, nRow, nCol); }

std::array<double, 4> TPRINTER::CmRect2Pix(const std::array<double, 4>& rect) const {
  const RowCol tl = cmtrToPix(metrics_, rect[0], rect[1]);
  const RowCol br = cmtrToPix(metrics_, rect[2], rect[3]);
  return {tl.row, tl.col, br.row, br.col};
}

void TPRINTER::DraftMode(bool lOn) {
  lDraft_ = lOn;
  Rebuild();
}

void TPRINTER::setMapMode(MapMode m) {
  mapping_.mode = m;
  applyMapping();
}

void TPRINTER::SetWindowExt(double nX, double nY) {
  mapping_.windowX = nX;
  mapping_.windowY = nY;
  applyMapping();
}

void TPRINTER::SetViewPortExt(double nX, double nY) {
  mapping_.viewportX = nX;
  mapping_.viewportY = nY;
  applyMapping();
}

void TPRINTER::applyMapping() {
  if (out_) out_->setWorldTransform(mappingTransform(mapping_, metrics_.logPixelX, metrics_.logPixelY));
}

double TPRINTER::GetTextWidth(const std::string& cText, const QFont& oFont) {
  SetFont(oFont);
  if (!printer_) return 0;
  return QFontMetricsF(*oFont_, printer_.get()).horizontalAdvance(qs(cText));
}

double TPRINTER::GetTextHeight(const std::string&, const QFont& oFont) {
  SetFont(oFont);
  if (!printer_) return 0;
  return QFontMetricsF(*oFont_, printer_.get()).height();
}

bool TPRINTER::PreviewReady() {
  closeRecording(true);
  return lMeta_ && !aMeta_.empty() && printer_;
}

void TPRINTER::ResetDC() { readMetrics(); }

int TPRINTER::GetOrientation() const {
  return printerSetup().pageLayout().orientation() == QPageLayout::Landscape ? 2 : 1;
}

void TPRINTER::SetLandscape() {
  printerSetup().setPageOrientation(QPageLayout::Landscape);
  Rebuild();
}

void TPRINTER::SetPortrait() {
  printerSetup().setPageOrientation(QPageLayout::Portrait);
  Rebuild();
}

void TPRINTER::SetCopies(int nCopies) {
  printerSetup().setCopyCount(std::max(1, nCopies));
  Rebuild();
}

void TPRINTER::SetSize(int nWidth, int nHeight) {
  if (nWidth > 0 && nHeight > 0)
    printerSetup().setPageSize(QPageSize(QSizeF(nWidth / 10.0, nHeight / 10.0), QPageSize::Millimeter));
  Rebuild();
}

void TPRINTER::SetPage(int nPaper) {
  const QPageSize::PageSizeId id = QPageSize::id(nPaper);
  if (id != QPageSize::Custom) printerSetup().setPageSize(QPageSize(id));
  Rebuild();
}

void TPRINTER::SetJobPaper(const QPageSize& oPaper) {
  jobPaper_ = oPaper;
  if (printer_) Rebuild();
}

void TPRINTER::SetBin(int nBin) {
  printerSetup().setPaperSource(paperSourceFromBin(nBin));
  Rebuild();
}

std::string TPRINTER::GetModel() const { return printerName(printer_ ? *printer_ : printerSetup()); }
std::string TPRINTER::GetDriver() const { return printerDriver(printer_ ? *printer_ : printerSetup()); }
std::string TPRINTER::GetPort() const { return printerPort(printer_ ? *printer_ : printerSetup()); }

std::array<double, 2> TPRINTER::GetPhySize() const {
  if (!printer_ || metrics_.logPixelX <= 0) return {0, 0};
  const QRectF paper = printer_->paperRect(QPrinter::DevicePixel);
  return {paper.width() * 25.4 / metrics_.logPixelX, paper.height() * 25.4 / metrics_.logPixelY};
}

void TPRINTER::Setup() {
  printerDialogs().pageSetup(printerSetup());
  Rebuild();
}

void TPRINTER::Rebuild() {
  if (lStarted_ && directPainter_) {
    directPainter_->end();
    directPainter_.reset();
  }
  closeRecording(true);
  out_ = nullptr;
  const std::string name = printer_ ? printerName(*printer_) : std::string();
  const QString file = printer_ ? printer_->outputFileName() : QString();
  makeContext(name, file);
  lStarted_ = false;
  lModified_ = true;
}

void TPRINTER::CharSay(int nRow, int nCol, const std::string& cText) {
  const QFont f = defaultFont();
  if (!printer_) return;
  const QFontMetricsF fm(f, printer_.get());
  Say(std::max(0, nRow - 1) * fm.height(), std::max(0, nCol - 1) * fm.horizontalAdvance("B"), cText, &f);
}

int TPRINTER::CharWidth() {
  const QFont f = defaultFont();
  if (!printer_) return 0;
  const double w = QFontMetricsF(f, printer_.get()).horizontalAdvance("B");
  return w > 0 ? int(metrics_.horzRes / w) : 0;
}

int TPRINTER::CharHeight() {
  const QFont f = defaultFont();
  if (!printer_) return 0;
  const double h = QFontMetricsF(f, printer_.get()).height();
  return h > 0 ? int(metrics_.vertRes / h) : 0;
}

void TPRINTER::ImportWMF(const std::string& cFile, bool lPlaceable) {
  if (!printer_ || !out_ || !QFileInfo::exists(qs(cFile))) return;
  QPicture pic;
  if (!pic.load(qs(cFile))) return;
  out_->save();
  if (lPlaceable) {
    const QRect b = pic.boundingRect();
    if (b.width() > 0 && b.height() > 0) {
      const double s = std::min(double(metrics_.horzRes) / b.width(), double(metrics_.vertRes) / b.height());
      if (!lMeta_) out_->translate(-metrics_.xOffset, -metrics_.yOffset);
      out_->scale(s, s);
      out_->translate(-b.left(), -b.top());
    }
  }
  playPage(*out_, pic);
  out_->restore();
}

void TPRINTER::ImportRAW(const std::string&) {}

int TPRINTER::GetCopies() const { return printerSetup().copyCount(); }

std::array<int, 2> TPRINTER::GetPages() const { return {printerSetup().fromPage(), printerSetup().toPage()}; }

TPRINTER* currentPrinter() { return current().get(); }

std::shared_ptr<TPRINTER> PRINTBEGIN(const std::string& cDocument, bool lUser, bool lPreview,
                                     const PrinterChoice& xModel, bool lModal) {
  std::shared_ptr<TPRINTER> p;
  if (std::holds_alternative<std::monostate>(xModel)) {
    p = TPRINTER::New(cDocument, lUser, lPreview, {}, lModal);
  } else {
    const std::vector<std::string> names = installedPrinters();
    const int index = std::holds_alternative<int>(xModel) ? choosePrinterIndex(names, std::get<int>(xModel))
                                                          : choosePrinterIndex(names, std::get<std::string>(xModel));
    if (index == 0) {
      xb::prompter().beep(100, 55);
      p = TPRINTER::New(cDocument, true, lPreview, {}, lModal);
    } else {
      p = TPRINTER::New(cDocument, false, lPreview, names[size_t(index) - 1], lModal);
    }
  }
  current() = p;
  // A job still current when the application ends is ended with it.
  qRemovePostRoutine(&endCurrentPrinter);
  qAddPostRoutine(&endCurrentPrinter);
  return p;
}

void PAGEBEGIN() {
  if (TPRINTER* p = currentPrinter()) p->StartPage();
}

void PAGEEND() {
  if (TPRINTER* p = currentPrinter()) p->EndPage();
}

std::shared_ptr<TPRINTER> takeCurrentPrinter() {
  std::shared_ptr<TPRINTER> p = std::move(current());
  current().reset();
  return p;
}

}  // namespace pr
