// The printer device: every printed page of the program is drawn on one
// TPRINTER. It owns a printer context (a QPrinter made from the program's
// printer set-up) and draws either on the printer itself (direct mode) or on
// a picture recording of one page that is saved to a page file in the
// temporary folder (preview mode). Sizes and conversions always come from the
// printer, so a recorded page has exactly the printer's geometry. It is
// also a drawing device (bc::DrawDevice): barcodes and label layouts draw on
// it through that interface, its own calls below keep the names and
// meanings of a printer's.
//
// Page files are Qt picture recordings (QPicture) named by CTMPNAME with the
// extension ".qpic"; their coordinates are the printer's printable-area
// pixels and their bounding rectangle is the printable area.
//
// Free functions keep one current printer for the whole program:
// PRINTBEGIN makes it, PAGEBEGIN and PAGEEND begin and end its pages, and
// PRINTEND (print/preview_job.h, on the preview's side) hands a preview job
// to the preview (which owns it and its page files until its window closes)
// or ends a direct job. The printer itself knows nothing of the preview.
#pragma once

#include <QFont>
#include <QPageSize>
#include <QImage>
#include <QPen>
#include <QPointF>
#include <QPrinter>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "barcode/device.h"
#include "print/printer_geometry.h"

class QPainter;
class QPicture;

namespace pr {

class TPRINTER : public bc::DrawDevice {
 public:
  // Makes a device. `lUser` lets the user choose the printer in the Print
  // dialog; `lMeta` records pages for the preview; `cModel` ("name,driver,
  // port", only the name counts) chooses a printer without a dialog; `lModal`
  // asks for a modal preview. An empty document name becomes "Documento".
  // Without a printer (dialog cancelled or failed, unknown model) every
  // drawing and page operation does nothing; a failing dialog also shows
  // "There are not installed printers!…".
  static std::shared_ptr<TPRINTER> New(std::string cDocument = {}, bool lUser = false, bool lMeta = false,
                                       std::string cModel = {}, bool lModal = false);
  ~TPRINTER() override;
  TPRINTER(const TPRINTER&) = delete;
  TPRINTER& operator=(const TPRINTER&) = delete;

  // Begins a page: in direct mode the first page starts the document (a PDF
  // printer without a file asks for one; no file, no output); in preview mode
  // a new page file is named and recording starts.
  void StartPage();
  // Ends the page. Preview mode: the recording is written to its file;
  // messages when no page was ever begun ("The temporal metafile could not be
  // created") or the file is missing afterwards ("Could not create temporary
  // file: …"). Ending a closed page again does nothing.
  void EndPage();
  // Ends the job: a started document is finished (direct), every page file is
  // deleted (preview), the set-up goes back to portrait, the printer context
  // and the default font are released and the device stops being the current
  // printer. Safe to call more than once.
  void End();

  // Text with its top-left corner at (nRow, nCol) pixels. Font: the default
  // font (none: the painter's); background mode 1 transparent, 2 opaque
  // white; alignment nPad (default the device's): 0 left, 1 right (the text
  // ends at nCol), 2 centred on nCol, never left of column 0. nWidth is not
  // used.
  void Say(double nRow, double nCol, const std::string& cText, const QFont* oFont = nullptr, int nWidth = 0,
           std::optional<bc::Rgb> nClrText = std::nullopt, int nBkMode = 1, std::optional<int> nPad = std::nullopt);
  // As Say with the position in centimetres (Cmtr2Pix) or inches (Inch2Pix).
  void CmSay(double nRow, double nCol, const std::string& cText, const QFont* oFont = nullptr, int nWidth = 0,
             std::optional<bc::Rgb> nClrText = std::nullopt, int nBkMode = 1, std::optional<int> nPad = std::nullopt);
  void InchSay(double nRow, double nCol, const std::string& cText, const QFont* oFont = nullptr, int nWidth = 0,
               std::optional<bc::Rgb> nClrText = std::nullopt, int nBkMode = 1,
               std::optional<int> nPad = std::nullopt);
  // A bitmap from a resource (a number, or a name that is not an existing
  // file: ":/<name>" with or without ".png"/".bmp") or from an image file,
  // drawn at (nRow, nCol) with the given size (0: the bitmap's own). Nothing
  // when it cannot be loaded. nRaster is not used.
  void SayBitmap(double nRow, double nCol, const std::variant<int, std::string>& xBitmap, int nWidth = 0,
                 int nHeight = 0, int nRaster = 0);
  void SayImage(double nRow, double nCol, const QImage& oImage, int nWidth = 0, int nHeight = 0, int nRaster = 0);
  // Moves the pen; Line draws from (nTop, nLeft) to (nBottom, nRight) and
  // leaves the pen there.
  void SetPos(double nRow, double nCol);
  void Line(double nTop, double nLeft, double nBottom, double nRight, const QPen* oPen = nullptr);
  // Outlines the rectangle with the pen (inside it) and fills it white.
  void Box(double nTop, double nLeft, double nBottom, double nRight, const QPen* oPen = nullptr);

  // Centimetres (inches) from the paper's edge to printable-area pixels,
  // in place; positions in the unprintable margin clamp to 0.
  void Cmtr2Pix(double& nRow, double& nCol) const override;
  void Inch2Pix(double& nRow, double& nCol) const;
  // Pixels to millimetres and inches: rows by the vertical resolution,
  // columns by the horizontal one.
  RowCol Pix2Mmtr(double nRow, double nCol) const override;
  RowCol Pix2Inch(double nRow, double nCol) const;
  // {top, left, bottom, right} in centimetres to pixels.
  std::array<double, 4> CmRect2Pix(const std::array<double, 4>& rect) const;
  // Draft mode has no counterpart in Qt printing: the flag is kept and the
  // device rebuilt.
  void DraftMode(bool lOn);

  // Printable size in pixels and millimetres, pixels per inch (0 without a
  // printer).
  int nVertRes() const override { return metrics_.vertRes; }
  int nHorzRes() const override { return metrics_.horzRes; }
  double nVertSize() const override { return metrics_.vertSize; }
  double nHorzSize() const override { return metrics_.horzSize; }
  int nLogPixelX() const { return metrics_.logPixelX; }
  int nLogPixelY() const { return metrics_.logPixelY; }
  int nLogPixelsX() const override { return metrics_.logPixelX; }
  int nLogPixelsY() const override { return metrics_.logPixelY; }
  const PrinterMetrics& metrics() const { return metrics_; }

  // Mapping modes of the output (see Mapping); they apply to the open page
  // and to every page begun after.
  void SetPixelMode() { setMapMode(MapMode::Pixel); }
  void SetTwipsMode() { setMapMode(MapMode::Twips); }
  void SetLoInchMode() { setMapMode(MapMode::LoInch); }
  void SetHiInchMode() { setMapMode(MapMode::HiInch); }
  void SetLoMetricMode() { setMapMode(MapMode::LoMetric); }
  void SetHiMetricMode() { setMapMode(MapMode::HiMetric); }
  void SetIsotropicMode() { setMapMode(MapMode::Isotropic); }
  void SetAnisotropicMode() { setMapMode(MapMode::Anisotropic); }
  void SetWindowExt(double nX, double nY);
  void SetViewPortExt(double nX, double nY);
  const Mapping& mapping() const { return mapping_; }

  // Width and height of the text in the font on the printer, in pixels; the
  // font becomes the default font.
  double GetTextWidth(const std::string& cText, const QFont& oFont);
  double GetTextHeight(const std::string& cText, const QFont& oFont);

  // Saves an open page recording; true for a preview-mode job with at least
  // one page and a printer, which is what a preview can show.
  bool PreviewReady();

  // Fills [left, right) x [top, bottom) with the brush (solid colour).
  void FillRect(const std::array<double, 4>& rect, const QBrush& oBrush);

  // Re-reads the printer's geometry.
  void ResetDC();
  // 1 portrait, 2 landscape, of the set-up.
  int GetOrientation() const;
  // Set-up changes; each rebuilds the device.
  void SetLandscape();
  void SetPortrait();
  void SetCopies(int nCopies);
  // Paper size in tenths of a millimetre.
  void SetSize(int nWidth, int nHeight);
  // Paper kind by the system's numbering (9 A4, 1 Letter, …).
  void SetPage(int nPaper);
  // The paper of this job alone: the set-up keeps its own paper for the
  // jobs after it, and the device keeps this one however it is rebuilt.
  // Set before the first page.
  void SetJobPaper(const QPageSize& oPaper);
  // Paper source by the system's numbering (1 upper, 2 lower, …).
  void SetBin(int nBin);
  // Name, driver and port of the device's printer (the set-up's without one).
  std::string GetModel() const;
  std::string GetDriver() const;
  std::string GetPort() const;
  // Physical paper size in millimetres {width, height}.
  std::array<double, 2> GetPhySize() const;
  // The print set-up dialog; then Rebuild.
  void Setup();
  // Takes a new printer context from the set-up (keeping this device's
  // printer): a started document is ended, an open page recording is saved.
  void Rebuild();
  // With a font: it becomes the default font. Returns the default font,
  // created as "COURIER" 12 points when there is none.
  QFont SetFont(const std::optional<QFont>& oFont = std::nullopt);
  // Text at a 1-based character cell of the default font.
  void CharSay(int nRow, int nCol, const std::string& cText);
  // Whole characters "B" across, whole lines down the printable area.
  int CharWidth();
  int CharHeight();
  // Plays a page file over the whole page: placeable (default) scales the
  // recording's bounding rectangle to the page keeping its proportions
  // (moved by the printer offsets in direct mode, so it is measured from the
  // paper's edge); otherwise it is played at its own coordinates. Nothing
  // when the file is missing or no page is open.
  void ImportWMF(const std::string& cFile, bool lPlaceable = true);
  // Raw printer data cannot pass through a Qt paint device: draws nothing.
  void ImportRAW(const std::string& cFile);
  int GetCopies() const;
  // {from, to} page range of the set-up (0, 0: all).
  std::array<int, 2> GetPages() const;

  // State.
  QPrinter* hDC() const { return printer_.get(); }
  QPainter* hDCOut() const { return out_; }
  const std::vector<std::string>& aMeta() const { return aMeta_; }
  const std::string& cDir() const { return cDir_; }
  const std::string& cDocument() const { return cDocument_; }
  const std::string& cModel() const { return cModel_; }
  int nPage() const { return nPage_; }
  int nXOffset() const { return metrics_.xOffset; }
  int nYOffset() const { return metrics_.yOffset; }
  int nPad() const { return nPad_; }
  void setPad(int pad) { nPad_ = pad; }
  int nOrient() const { return nOrient_; }
  bool lMeta() const { return lMeta_; }
  bool lStarted() const { return lStarted_; }
  bool lModified() const { return lModified_; }
  bool lPrvModal() const { return lPrvModal_; }
  bool lDraft() const { return lDraft_; }

  // The font used for drawing: point sizes turned into pixel sizes of this
  // printer (pages are recorded in printer pixels).
  QFont deviceFont(const QFont& f) const;

 private:
  // The drawing device, on which barcodes and label layouts draw: reached
  // through a bc::DrawDevice, so that the printer's own calls above keep
  // their meaning.
  void FillRect(int top, int left, int bottom, int right, bc::Rgb color) override;
  void Say(int row, int col, std::string_view text, const bc::FontSpec& font, bc::Rgb color) override;
  void Box(int top, int left, int bottom, int right, const bc::PenSpec& pen) override;
  void SayText(double row, double col, std::string_view text, const bc::TextFont& font, bc::Rgb color, int align,
               double angle) override;
  double TextWidth(std::string_view text, const bc::TextFont& font) const override;
  bc::PixSize BitmapSize(std::string_view file) const override;
  void DrawBitmap(double row, double col, std::string_view file, int width, int height) override;
  void ClipTo(int top, int left, int bottom, int right) override;
  void NoClip() override;

  TPRINTER() = default;
  void makeContext(const std::string& name, const QString& outputFile);
  void readMetrics();
  void closeRecording(bool save);
  void setMapMode(MapMode m);
  void applyMapping();
  QFont defaultFont();

  std::optional<QFont> oFont_;
  std::optional<QPageSize> jobPaper_;
  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QPainter> directPainter_;
  std::unique_ptr<QPicture> picture_;
  std::unique_ptr<QPainter> pagePainter_;
  QPainter* out_ = nullptr;
  std::vector<std::string> aMeta_;
  std::string cDir_;
  std::string cDocument_;
  std::string cModel_;
  int nPage_ = 0;
  int nPad_ = 0;
  int nOrient_ = 0;
  bool lMeta_ = false;
  bool lStarted_ = false;
  bool lModified_ = false;
  bool lPrvModal_ = false;
  bool lDraft_ = false;
  bool lNoOutput_ = false;  // the user gave no PDF file: the job prints nothing
  PrinterMetrics metrics_;
  Mapping mapping_;
  QPointF pos_;
  bc::Rgb textColor_ = 0;
};

// A name for a new page file in the folder `cPrefix` ends with: prefix, the
// millisecond tick count and ".qpic"; built again while that file exists.
// The file is created empty so that the name stays taken.
std::string CTMPNAME(const std::string& cPrefix);

// The folder for page files: TEMP, else TMP (one trailing separator
// removed); when that is empty or not a folder, the system's temporary
// folder.
std::string pageFileFolder();

// The current printer (null when none).
TPRINTER* currentPrinter();

// A printer chosen without a dialog: a position in the installed printers'
// list or a part of a name.
using PrinterChoice = std::variant<std::monostate, int, std::string>;

// Makes a device, makes it the current printer and returns it. A printer
// given by xModel that is not found sounds a short beep and the Print dialog
// is used instead.
std::shared_ptr<TPRINTER> PRINTBEGIN(const std::string& cDocument = {}, bool lUser = false, bool lPreview = false,
                                     const PrinterChoice& xModel = {}, bool lModal = false);
// Begins / ends a page on the current printer (nothing without one).
void PAGEBEGIN();
void PAGEEND();
// The current printer taken away: from then on there is none, and the
// caller holds the job (null when there was none).
std::shared_ptr<TPRINTER> takeCurrentPrinter();

}  // namespace pr
