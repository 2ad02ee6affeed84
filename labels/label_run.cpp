#include "labels/label_run.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <algorithm>
#include <cmath>

#include "barcode/draw.h"
#include "barcode/symbology.h"
#include "data/blanks.h"
#include "data/product_table.h"
#include "data/tables.h"
#include "data/tdatabase.h"
#include "labels/label_colors.h"
#include "labels/sheet_paper.h"
#include "print/preview_job.h"
#include "print/printer.h"
#include "xbase/codepage.h"
#include "xbase/dates.h"
#include "xbase/expr.h"
#include "xbase/format.h"
#include "xbase/memvar.h"
#include "xbase/prompt.h"

namespace lb {
namespace {

// Positions (1-based) of an item's fields in a design row.
enum ItemField : int {
  kCampo = 2,
  kFuente = 3,
  kTamano = 4,
  kNegrita = 5,
  kCursiva = 6,
  kSubrayado = 7,
  kIzquierda = 8,
  kCentrado = 9,
  kDerecha = 10,
  kAngulo = 11,
  kTachado = 12,
  kTipoBTI = 13,
  kNumCampo = 14,
  kTipoCod = 15,
  kColor = 16,
  kVertical = 17,
  kConDigitos = 18,
  kAnchoMod = 19,
  kAltoBarra = 20,
  kJuego128 = 21,
  kControl = 22,
  kMismaLinea = 23,
};

using Row = LabelRow;

// Field values of a design row by position, tolerant of short rows and of
// values of another type (a label-design file is prepared outside the
// program).
const xb::Value& at(const Row& row, int pos) {
  static const xb::Value nil;
  return pos >= 1 && size_t(pos) <= row.size() ? row[size_t(pos) - 1] : nil;
}
std::string textOf(const xb::Value& v) { return v.isText() ? v.text() : std::string(); }
double numOf(const xb::Value& v) { return v.isNumber() ? v.num() : 0.0; }
bool flagOf(const xb::Value& v) { return v.isLogical() && v.logical(); }

std::string numberWithoutBlanks(double n) { return qv::trimmed(xb::strNumber(xb::Value::number(n))); }

QString qs(const std::string& cp1252) { return QString::fromStdString(xb::cp1252ToUtf8(cp1252)); }

// The busy cursor from the first page on, the arrow back however the run
// ends.
class BusyCursor {
 public:
  void show() {
    if (shown_ || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    shown_ = true;
  }
  ~BusyCursor() {
    if (shown_) QGuiApplication::restoreOverrideCursor();
  }

 private:
  bool shown_ = false;
};

// The rows of the design whose header is record nHeaderRec: the design
// table is restricted to that design's number (and stays so), then every
// record is loaded in order.
std::vector<Row> designRows(qv::TDATABASE& oDesign, int64_t nHeaderRec) {
  std::vector<Row> rows;
  qv::WorkArea* area = oDesign.area();
  if (!area) return rows;
  area->goTo(nHeaderRec);
  const xb::Value number = area->fieldGet("NUMERO_ETI");
  // An application-wide value, so that the filter the design table keeps
  // after the run still evaluates.
  xb::PUBLICA("nETIQUETA", number.isNumber() ? number : xb::Value(0));
  area->setFilter(oDesign.alias() + "->NUMERO_ETI=nETIQUETA");
  for (area->goTop(); !area->eof(); area->skip()) {
    if (!oDesign.Load()) break;
    rows.push_back(oDesign.values());
  }
  return rows;
}

// Draws one item of a design row on the current label; nothing when the
// item's kind is not one of B (with a field number), T, I.
struct ItemState {
  double row = 0;
  double col = 0;
  double colOrigin = 0;
  int align = kAlignLeft;
};

bool drawItem(bc::DrawDevice& oDev, const std::string& cAlias, const Row& item, double labelWidth, ItemState& s) {
  const std::string colorName = qv::trimmed(textOf(at(item, kColor)));
  const bc::Rgb color = colorName.empty() ? 0 : labelColor(colorName);
  if (flagOf(at(item, kIzquierda))) {
    s.align = kAlignLeft;
  } else if (flagOf(at(item, kCentrado))) {
    s.align = kAlignCenter;
  } else if (flagOf(at(item, kDerecha))) {
    s.align = kAlignRight;
  }
  const double angle = std::max(0.0, numOf(at(item, kAngulo)));
  const std::string kind = textOf(at(item, kTipoBTI));
  const char letter = kind.empty() ? ' ' : kind[0];
  const double field = numOf(at(item, kNumCampo));
  const bool sameLine = flagOf(at(item, kMismaLinea));

  bc::RowCol next;
  if (letter == 'B' && field > 0) {
    std::string code;
    {
      qv::SelectGuard product(qv::workAreas(), cAlias);
      qv::WorkArea& area = qv::workAreas().area();
      // A field number past the last field encodes nothing.
      if (product.ok() && field <= area.fieldCount()) code = labelCode(area.fieldGet(int(field) - 1));
    }
    const double module = numOf(at(item, kAnchoMod));
    const double height = numOf(at(item, kAltoBarra));
    next = LABELMOD(oDev, s.row, s.col, sameLine, code, textOf(at(item, kTipoCod)), color,
                    flagOf(at(item, kVertical)), flagOf(at(item, kConDigitos)),
                    module > 0 ? module / 100 : bc::kModuleCm, height > 0 ? height : bc::kHeightCm,
                    qv::trimmed(textOf(at(item, kJuego128))), flagOf(at(item, kControl)));
  } else if (letter == 'T') {
    const std::string face = qv::trimmed(textOf(at(item, kFuente)));
    next = LABELTXT(oDev, cAlias, s.row, s.col, sameLine, textOf(at(item, kCampo)), face.empty() ? "Arial" : face,
                    numOf(at(item, kTamano)), flagOf(at(item, kNegrita)), flagOf(at(item, kCursiva)),
                    flagOf(at(item, kSubrayado)), color, s.align, angle * 10, flagOf(at(item, kTachado)),
                    labelWidth);
  } else if (letter == 'I') {
    next = LABELIMG(oDev, cAlias, s.row, s.col, sameLine, qv::trimmed(textOf(at(item, kCampo))), numOf(at(item, kTamano)));
  } else {
    xb::prompter().message(xb::MsgKind::Stop, kItemKindTitle, itemKindMessage(xb::cp1252ToUtf8(kind), field));
    return false;
  }
  s.row = next.row;
  s.col = next.col > 0 ? next.col : s.colOrigin;
  return true;
}

}  // namespace

std::string itemKindMessage(const std::string& cKind, double nField) {
  return "EL CAMPO DE TIPO DE OBJETO SOLO PUEDE CONTENER (B)arras (T)exto (I)magen\r\nEL DATO (" + cKind +
         ") ES INCORRECTO\r\nO EL CAMPO INDICADO Nº " + numberWithoutBlanks(nField) + " NO TIENE BARRAS A IMPRIMIR";
}

std::string labelCode(const xb::Value& v) {
  if (v.isText()) return qv::trimmed(v.text());
  if (v.isNumber()) return qv::trimmed(xb::strNumber(v));
  if (v.isDate()) return v.date().empty() ? std::string() : xb::dateToDtos(v.date());
  return {};
}

std::string labelText(const xb::Value& v) {
  if (v.isText()) return qv::trimmed(v.text());
  if (v.isNumber()) return qv::trimmed(xb::strNumber(v));
  if (v.isDate()) return v.date().empty() ? std::string() : xb::dateToText(v.date());
  if (v.isLogical()) return v.logical() ? ".T." : ".F.";
  return {};
}

LabelRunValues labelRunValues(const qv::TDATABASE& oFormat) {
  const auto num = [&](const char* name) { return numOf(oFormat.FieldGet(name)); };
  LabelRunValues r;
  r.top = num("MARGENSUP") / 10 + 0.3;
  r.left = num("MARGENIZD") / 10 + 0.4;
  r.labelHeight = num("ALTOETIQ") / 10;
  r.labelWidth = num("ANCHOETIQ") / 10;
  const auto rows = int64_t(num("FILAS"));
  r.rows = flagOf(oFormat.FieldGet("PRNULTFILA")) ? rows : std::max<int64_t>(rows - 1, 1);
  r.columns = int64_t(num("COLUMNAS"));
  r.rowGap = num("SEPARAHORZ");
  r.columnGap = num("SEPARAVERT");
  return r;
}

std::string labelTotalsText(int64_t recordCount, const qv::TDATABASE& oFormat) {
  const int64_t perSheet = labelRunValues(oFormat).perSheet();
  // No labels on a sheet: no sheets, as a division by zero gives 0.
  const int64_t sheets = perSheet > 0 ? int64_t(double(recordCount) / double(perSheet) + 0.99) : 0;
  return "Total etiq." + std::to_string(recordCount) + "\n" + std::to_string(sheets) + " Hojas";
}

std::vector<LabelRow> labelSheetRows(qv::TDATABASE& oDesign, int64_t nHeaderRec, const std::string& cAlias) {
  std::vector<Row> rows = designRows(oDesign, nHeaderRec);
  qv::WorkAreas& areas = qv::workAreas();
  qv::SelectGuard product(areas, cAlias);
  std::string type;
  if (product.ok()) {
    areas.area().goTop();
    type = textOf(areas.area().fieldGet(qv::product::kTipoBar));
  }
  for (Row& r : rows)
    if (r.size() >= size_t(kTipoCod)) r[size_t(kTipoCod) - 1] = xb::Value(type);
  return rows;
}

bool drawLabelSheet(bc::DrawDevice& oDev, const std::string& cAlias, const std::vector<LabelRow>& rows,
                    const LabelRunValues& run) {
  int64_t column = 0;
  ItemState s{run.top, run.left, run.left, kAlignLeft};
  double rowOrigin = run.top;
  for (int64_t labels = 1; labels <= run.perSheet(); ++labels) {
    ++column;
    if (column > run.columns) {
      s.row = rowOrigin + run.labelHeight + run.rowGap;
      rowOrigin = s.row;
      column = 1;
      s.col = s.colOrigin = run.left;
    } else {
      s.row = rowOrigin;
      if (labels > 1 && column > 1) s.col = s.col + run.labelWidth + run.columnGap;
      s.colOrigin = s.col;
    }
    for (size_t item = 1; item < rows.size(); ++item)
      if (!drawItem(oDev, cAlias, rows[item], run.labelWidth, s)) return false;
  }
  return true;
}

void PRNLABEL(const std::string& cAlias, qv::TDATABASE& oDesign, int nDesign,
              const std::vector<std::string>& aDesignNames, const std::vector<int64_t>& aHeaderRecs,
              qv::TDATABASE& oFormat, [[maybe_unused]] const std::vector<std::string>& aFormatNames) {
  if (nDesign < 1 || size_t(nDesign) > aHeaderRecs.size()) return;
  const LabelRunValues run = labelRunValues(oFormat);
  const std::vector<Row> rows = labelSheetRows(oDesign, aHeaderRecs[size_t(nDesign) - 1], cAlias);
  // The product table stays selected for the whole run.
  qv::SelectGuard product(qv::workAreas(), cAlias);

  std::string document = rows.empty() ? std::string() : textOf(at(rows.front(), kCampo));
  if (document.empty() && size_t(nDesign) <= aDesignNames.size()) document = aDesignNames[size_t(nDesign) - 1];
  std::shared_ptr<pr::TPRINTER> oPrn = pr::PRINTBEGIN(xb::cp1252ToUtf8(qv::trimmed(document)), false, true, {}, false);
  if (const std::optional<QPageSize> paper = sheetPaper(textOf(oFormat.FieldGet("HOJA")))) oPrn->SetJobPaper(*paper);
  BusyCursor cursor;
  if (run.perSheet() > 0) {
    pr::PAGEBEGIN();
    cursor.show();
    if (!drawLabelSheet(*oPrn, cAlias, rows, run)) {
      // The sheet cannot be made: the job is dropped with its page files
      // and stops being the current printer, and the tables stay open.
      oPrn->End();
      return;
    }
  }
  // Without labels no page was begun, which ending the page reports.
  pr::PAGEEND();
  pr::PRINTEND();
}

bc::RowCol LABELTXT(bc::DrawDevice& oDev, const std::string& cAlias, double nRow, double nCol, bool lSameLine,
                const std::string& cExpr, const std::string& cFont, double nSize, bool lBold, bool lItalic,
                bool lUnderline, bc::Rgb nColor, int nAlign, double nAngle, bool lStrikeOut, double nLabelWidth) {
  bc::TextFont font;
  font.face = xb::cp1252ToUtf8(cFont);
  const double heightPx = nSize > 0 ? std::round(nSize * oDev.nLogPixelsY() / 72.0) : 0.0;
  font.pixelSize = heightPx;
  font.bold = lBold;
  font.italic = lItalic;
  font.underline = lUnderline;
  font.strikeOut = lStrikeOut;

  std::string text;
  {
    qv::SelectGuard product(qv::workAreas(), cAlias);
    text = labelText(xb::evaluate(cExpr));
  }

  if (nAlign == kAlignRight) nCol += nLabelWidth;
  if (nAlign == kAlignCenter) nCol += nLabelWidth / 2;
  double r = nRow, c = nCol;
  oDev.Cmtr2Pix(r, c);
  oDev.SayText(r, c, xb::cp1252ToUtf8(text), font, nColor, nAlign, nAngle);

  // The estimated size: the font's height, and 0.44 of it per character.
  const bc::RowCol mm = oDev.Pix2Mmtr(heightPx, heightPx * 0.44 * double(text.size()));
  if (lSameLine) return {nRow, nCol + mm.col / 10 + 0.2};
  return {nRow + mm.row / 10, 0};
}

bc::RowCol LABELIMG(bc::DrawDevice& oDev, const std::string&, double nRow, double nCol, bool lSameLine,
                const std::string& cFile, double nScale) {
  if (nScale == 0) nScale = 1;
  double r = nRow + 0.1, c = nCol;
  oDev.Cmtr2Pix(r, c);
  // A relative name is looked for in the working folder, then next to the
  // program.
  QString path = qs(cFile);
  if (!QFileInfo(path).isFile() && QFileInfo(path).isRelative() && QCoreApplication::instance())
    path = QCoreApplication::applicationDirPath() + "/" + path;
  const std::string file = path.toStdString();
  const bc::PixSize size = oDev.BitmapSize(file);
  const double width = std::round(size.width * nScale);
  const double height = std::round(size.height * nScale);
  if (width > 0 && height > 0) oDev.DrawBitmap(r, c, file, int(width), int(height));
  // The next item starts below the picture as drawn, or 0.4 cm right of it.
  const bc::RowCol mm = oDev.Pix2Mmtr(height, width);
  if (lSameLine) return {nRow, nCol + mm.col / 10 + 0.4};
  return {nRow + 0.1 + mm.row / 10, 0};
}

bc::RowCol LABELMOD(bc::DrawDevice& oDev, double nRow, double nCol, bool lSameLine, const std::string& cCode,
                const std::string& cType, bc::Rgb nColor, bool lVertical, bool lDigits, double nModule,
                double nBarHeight, const std::string& cCodeSet, bool lCheck) {
  double r = nRow + 0.1, c = nCol;
  oDev.Cmtr2Pix(r, c);
  if (const std::optional<bc::Symbology> s = bc::symbologyForPrint(cType)) {
    bc::SymbolStyle style;
    style.color = nColor;
    style.horizontal = !lVertical;
    style.moduleCm = nModule;
    style.heightCm = nBarHeight;
    style.digits = lDigits;
    style.check = lCheck;
    style.set = cCodeSet;
    bc::symbologyInfo(*s).draw(r, c, cCode, oDev, style);
  }
  if (lSameLine) return {nRow, nCol + nModule + 0.1};
  return {nRow + nBarHeight + 0.1, 0};
}

}  // namespace lb
