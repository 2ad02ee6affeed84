#include "labels/label_layout.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QString>
#include <algorithm>
#include <cctype>
#include <cmath>

#include "barcode/draw.h"
#include "barcode/extent.h"
#include "barcode/symbology.h"
#include "data/tables.h"
#include "labels/label_colors.h"
#include "xbase/codepage.h"
#include "xbase/dates.h"
#include "xbase/expr.h"
#include "xbase/format.h"
#include "xbase/prompt.h"
#include "xbase/text.h"

namespace lb {
namespace {

using Row = LabelRow;

std::string numberWithoutBlanks(double n) { return std::string(xb::trim(xb::strNumber(xb::Value::number(n)))); }

QString qs(const std::string& cp1252) { return QString::fromStdString(xb::cp1252ToUtf8(cp1252)); }

// The cursors of the label being drawn: the item's position, the column
// a new line starts at, the alignment carried from item to item, and the
// label's rectangle.
struct ItemState {
  double row = 0;
  double col = 0;
  double colOrigin = 0;
  int align = kAlignLeft;
  LabelBox label;
};

// Draws one item of a design row on the current label; nothing, and false,
// when the item's kind is not one of B (with a field number), T, I.
bool drawItem(bc::DrawDevice& oDev, const std::string& cAlias, const Row& item, ItemState& s) {
  const std::string colorName(xb::trim(textOf(at(item, kColor))));
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
  const int place = labelPlace(at(item, kPosicion));

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
                    std::string(xb::trim(textOf(at(item, kJuego128)))), flagOf(at(item, kControl)), place, s.label.left,
                    s.label.width());
  } else if (letter == 'T') {
    const std::string face(xb::trim(textOf(at(item, kFuente))));
    next = LABELTXT(oDev, cAlias, s.row, s.col, sameLine, textOf(at(item, kCampo)), face.empty() ? "Arial" : face,
                    numOf(at(item, kTamano)), flagOf(at(item, kNegrita)), flagOf(at(item, kCursiva)),
                    flagOf(at(item, kSubrayado)), color, s.align, angle * 10, flagOf(at(item, kTachado)),
                    s.label.width(), s.label.left);
  } else if (letter == 'I') {
    next = LABELIMG(oDev, cAlias, s.row, s.col, sameLine, std::string(xb::trim(textOf(at(item, kCampo)))),
                    numOf(at(item, kTamano)), place, s.label.left, s.label.width());
  } else {
    return false;
  }
  s.row = next.row;
  s.col = next.col > 0 ? next.col : s.colOrigin;
  return true;
}

// Pixels of the device along one axis turned into centimetres.
double rowsCm(const bc::DrawDevice& dev, double px) { return dev.Pix2Mmtr(px, 0).row / 10; }
double colsCm(const bc::DrawDevice& dev, double px) { return dev.Pix2Mmtr(0, px).col / 10; }

// The pixel column where an item whose drawn extent runs from `from` to
// `to` pixels of its own starts: at the cursor, or placed on the label.
double placedColumn(const bc::DrawDevice& dev, double cursorPx, double row, int place, double labelLeft,
                    double labelWidth, double from, double to) {
  double anchor = 0, r = row;
  if (place == kPlaceCentre) {
    anchor = labelLeft + labelWidth / 2;
  } else if (place == kPlaceRight) {
    anchor = labelLeft + labelWidth - kInsetSide;
  } else {
    return cursorPx;
  }
  dev.Cmtr2Pix(r, anchor);
  return std::round(place == kPlaceCentre ? anchor - (from + to) / 2 : anchor - to);
}

}  // namespace

std::string itemKindMessage(const std::string& cKind, double nField) {
  return "EL CAMPO DE TIPO DE OBJETO SOLO PUEDE CONTENER (B)arras (T)exto (I)magen\r\nEL DATO (" + cKind +
         ") ES INCORRECTO\r\nO EL CAMPO INDICADO Nº " + numberWithoutBlanks(nField) + " NO TIENE BARRAS A IMPRIMIR";
}

LabelPlace labelPlace(const xb::Value& posicion) {
  const std::string p(xb::trim(textOf(posicion)));
  const char c = p.empty() ? ' ' : char(std::toupper(static_cast<unsigned char>(p[0])));
  return c == 'C' ? kPlaceCentre : c == 'D' ? kPlaceRight : kPlaceCursor;
}

std::string labelCode(const xb::Value& v) {
  if (v.isText()) return std::string(xb::trim(v.text()));
  if (v.isNumber()) return std::string(xb::trim(xb::strNumber(v)));
  if (v.isDate()) return v.date().empty() ? std::string() : xb::dateToDtos(v.date());
  return {};
}

std::string labelText(const xb::Value& v) {
  if (v.isText()) return std::string(xb::trim(v.text()));
  if (v.isNumber()) return std::string(xb::trim(xb::strNumber(v)));
  if (v.isDate()) return v.date().empty() ? std::string() : xb::dateToText(v.date());
  if (v.isLogical()) return v.logical() ? ".T." : ".F.";
  return {};
}

LabelBox labelBox(const LabelRunValues& run, int64_t nLabel) {
  const int64_t columns = std::max<int64_t>(run.columns, 1);
  const int64_t i = (nLabel - 1) / columns, j = (nLabel - 1) % columns;
  LabelBox b;
  b.top = run.top - kInsetTop + double(i) * (run.labelHeight + run.rowGap);
  b.left = run.left - kInsetSide + double(j) * (run.labelWidth + run.columnGap);
  b.bottom = b.top + run.labelHeight;
  b.right = b.left + run.labelWidth;
  return b;
}

size_t layOutLabelSheet(bc::DrawDevice& oDev, const std::string& cAlias, const std::vector<LabelRow>& rows,
                        const LabelRunValues& run, const ItemDrawn& afterItem) {
  return layOutLabels(oDev, cAlias, run, [&rows](int64_t) { return &rows; }, afterItem);
}

size_t layOutLabels(bc::DrawDevice& oDev, const std::string& cAlias, const LabelRunValues& run,
                    const LabelFill& fill, const ItemDrawn& afterItem) {
  int64_t column = 0;
  ItemState s{run.top, run.left, run.left, kAlignLeft, {}};
  double rowOrigin = run.top;
  size_t stopped = 0;
  for (int64_t labels = 1; labels <= run.perSheet() && !stopped; ++labels) {
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
    s.align = kAlignLeft;
    s.label = labelBox(run, labels);
    double top = s.label.top, left = s.label.left, bottom = s.label.bottom, right = s.label.right;
    oDev.Cmtr2Pix(top, left);
    oDev.Cmtr2Pix(bottom, right);
    oDev.ClipTo(int(std::lround(top)), int(std::lround(left)), int(std::lround(bottom)), int(std::lround(right)));
    const std::vector<LabelRow>* rows = fill(labels);
    if (!rows) continue;
    for (size_t item = 1; item < rows->size(); ++item) {
      if (!drawItem(oDev, cAlias, (*rows)[item], s)) {
        stopped = item;
        break;
      }
      if (afterItem) afterItem(labels, item, s.label);
    }
  }
  oDev.NoClip();
  return stopped;
}

bool drawLabelSheet(bc::DrawDevice& oDev, const std::string& cAlias, const std::vector<LabelRow>& rows,
                    const LabelRunValues& run) {
  const size_t stopped = layOutLabelSheet(oDev, cAlias, rows, run, {});
  if (!stopped) return true;
  showItemKindMessage(rows[stopped]);
  return false;
}

void showItemKindMessage(const LabelRow& item) {
  xb::prompter().message(xb::MsgKind::Stop, kItemKindTitle,
                         itemKindMessage(xb::cp1252ToUtf8(textOf(at(item, kTipoBTI))), numOf(at(item, kNumCampo))));
}

bc::RowCol LABELTXT(bc::DrawDevice& oDev, const std::string& cAlias, double nRow, double nCol, bool lSameLine,
                const std::string& cExpr, const std::string& cFont, double nSize, bool lBold, bool lItalic,
                bool lUnderline, bc::Rgb nColor, int nAlign, double nAngle, bool lStrikeOut, double nLabelWidth,
                double nLabelLeft) {
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

  if (nAlign == kAlignRight) nCol = nLabelLeft + nLabelWidth - kInsetSide;
  if (nAlign == kAlignCenter) nCol = nLabelLeft + nLabelWidth / 2;
  double r = nRow, c = nCol;
  oDev.Cmtr2Pix(r, c);
  oDev.SayText(r, c, xb::cp1252ToUtf8(text), font, nColor, nAlign, nAngle);

  // The estimated size: the font's height, and 0.44 of it per character.
  const bc::RowCol mm = oDev.Pix2Mmtr(heightPx, heightPx * 0.44 * double(text.size()));
  if (lSameLine) return {nRow, nCol + mm.col / 10 + 0.2};
  return {nRow + mm.row / 10, 0};
}

bc::RowCol LABELIMG(bc::DrawDevice& oDev, const std::string&, double nRow, double nCol, bool lSameLine,
                const std::string& cFile, double nScale, int nPlace, double nLabelLeft, double nLabelWidth) {
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
  const double x = placedColumn(oDev, c, nRow + 0.1, nPlace, nLabelLeft, nLabelWidth, 0, width);
  if (width > 0 && height > 0) oDev.DrawBitmap(r, x, file, int(width), int(height));
  // The next item starts below the picture as drawn, or 0.4 cm right of it.
  if (lSameLine) return {nRow, nCol + colsCm(oDev, x - c + width) + 0.4};
  return {nRow + 0.1 + rowsCm(oDev, height), 0};
}

bc::RowCol LABELMOD(bc::DrawDevice& oDev, double nRow, double nCol, bool lSameLine, const std::string& cCode,
                const std::string& cType, bc::Rgb nColor, bool lVertical, bool lDigits, double nModule,
                double nBarHeight, const std::string& cCodeSet, bool lCheck, int nPlace, double nLabelLeft,
                double nLabelWidth) {
  double r = nRow + 0.1, c = nCol;
  oDev.Cmtr2Pix(r, c);
  bc::SymbolExtent extent;
  if (const std::optional<bc::Symbology> s = bc::symbologyForPrint(cType)) {
    bc::SymbolStyle style;
    style.color = nColor;
    style.horizontal = !lVertical;
    style.moduleCm = nModule;
    style.heightCm = nBarHeight;
    style.digits = lDigits;
    style.check = lCheck;
    style.set = cCodeSet;
    const bc::SymbologyInfo& info = bc::symbologyInfo(*s);
    extent = bc::MeasureSymbol(info, cCode, style, oDev);
    // The symbol draws from whole pixels: its extent moves with the rounded
    // position.
    r = std::round(r);
    c = std::round(placedColumn(oDev, c, nRow + 0.1, nPlace, nLabelLeft, nLabelWidth, extent.bars.left,
                                extent.bars.right));
    info.draw(r, c, cCode, oDev, style);
  }
  if (extent.all.empty()) {
    if (lSameLine) return {nRow, nCol + nModule + 0.1};
    return {nRow + nBarHeight + 0.1, 0};
  }
  // Everything drawn, bars and digits, plus 0.1 cm.
  double top = nRow + 0.1, left = nCol;
  oDev.Cmtr2Pix(top, left);
  if (lSameLine) return {nRow, nCol + colsCm(oDev, c + extent.all.right - left) + 0.1};
  return {nRow + 0.1 + rowsCm(oDev, r + extent.all.bottom - top), 0};
}

}  // namespace lb
