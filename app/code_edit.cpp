#include "app/code_edit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QRadioButton>
#include <QValidator>
#include <algorithm>
#include <optional>

#include "app/app_texts.h"
#include "app/app_values.h"
#include "app/code_rules.h"
#include "app/code_save.h"
#include "app/product_code.h"
#include "barcode/qt/qt_font.h"
#include "ui/control_id.h"
#include "ui/main_resources.h"
#include "ui/resource_file.h"
#include "ui/widget_helpers.h"
#include "xbase/memvar.h"
#include "xbase/text.h"

namespace qv {

namespace {

constexpr int kHeadingId = 150, kLogoId = 301, kKindCaptionId = 160, kCodeCaptionId = 161, kDescCaptionId = 162;

template <typename T>
T* control(QWidget* dialog, int id) {
  return qobject_cast<T*>(ui::controlById(dialog, id));
}

}  // namespace

std::unique_ptr<QDialog> openCodeDialog(const std::string& cMode, QWidget* parent) {
  const QString root = ui::mainResourceRoot();
  std::unique_ptr<QWidget> w =
      ui::resourceDialog(root, QStringLiteral("CodBarr1"), parent ? parent : QApplication::activeWindow());
  auto* dlg = qobject_cast<QDialog*>(w.get());
  if (!dlg) return nullptr;
  w.release();
  std::unique_ptr<QDialog> out(dlg);

  const bool change = cMode == "M";
  dlg->setWindowTitle(QString::fromUtf8(kEditTitle) + QString::fromUtf8(change ? kEditTitleChange : kEditTitleNew));
  dlg->setWindowIcon(ui::resourceIcon(root, QStringLiteral("Quorvlnt")));
  if (const xb::Value* brush = xb::findNamed("ColorBrush"); brush && brush->isNumber()) {
    QPalette pal = dlg->palette();
    pal.setColor(QPalette::Window, bc::ToQColor(bc::Rgb(int64_t(brush->num()))));
    dlg->setPalette(pal);
    dlg->setAutoFillBackground(true);
  }

  const struct {
    int id;
    const char* text;
  } says[] = {{kHeadingId, kEditHeading},      {kKindCaptionId, kEditKindCaption},
              {kCodeCaptionId, kEditCodeCaption}, {kDescCaptionId, kEditDescCaption},
              {kEditModeId, change ? kEditModeChange : kEditModeNew}};
  for (const auto& s : says)
    if (auto* l = control<QLabel>(dlg, s.id)) l->setText(QString::fromUtf8(s.text));
  if (auto* l = control<QLabel>(dlg, kLogoId)) l->setPixmap(ui::resourceBitmap(root, QStringLiteral("Quorvalent2")));

  // The description and option: the current record's when changing it.
  std::string desc;
  int option = 1;
  int descWidth = kEditDescWidth;
  if (change) {
    if (const std::optional<ProductCode> p = currentProduct()) {
      desc = p->description;
      xb::assignOrCreate("cElTipBarr", xb::Value(p->tipoBar));
      option = optionForTipoBar(p->tipoBar);
      // A longer stored description is shown whole, not cut.
      descWidth = std::max(descWidth, int(QString::fromStdString(desc).size()));
    }
  }
  auto chosen = std::make_shared<int>(option);
  for (const SymbologyOption& o : symbologyOptions()) {
    auto* r = control<QRadioButton>(dlg, o.radioId);
    if (!r) continue;
    r->setChecked(o.option == option);
    QObject::connect(r, &QRadioButton::toggled, dlg, [chosen, n = o.option](bool on) {
      if (on) *chosen = n;
    });
  }

  auto* code = control<QLineEdit>(dlg, kEditCodeId);
  auto* description = control<QLineEdit>(dlg, kEditDescId);
  if (code) {
    ui::upperCaseInput(code);
    code->setMaxLength(int(kProductCodeWidth));
    code->setText(QString::fromStdString(std::string(xb::trimRight(currentCode()))));
    QObject::connect(code, &QLineEdit::textChanged, dlg, [](const QString& text) {
      std::string typed = text.toStdString();
      const qsizetype chars = text.size();
      if (chars < qsizetype(kProductCodeWidth)) typed.append(std::size_t(qsizetype(kProductCodeWidth) - chars), ' ');
      xb::assignOrCreate("cCodigo", xb::Value(typed));
    });
  }
  if (description) {
    ui::upperCaseInput(description);
    description->setMaxLength(descWidth);
    description->setText(QString::fromStdString(desc));
  }
  const auto typedDesc = [description] { return description ? description->text().toStdString() : std::string(); };

  const auto onClick = [dlg](int id, auto fn) {
    if (auto* b = control<QAbstractButton>(dlg, id)) QObject::connect(b, &QAbstractButton::clicked, dlg, fn);
  };
  onClick(kEditSaveId, [chosen, typedDesc] { GRABADATO(typedDesc(), *chosen); });
  onClick(kEditPrintId, [chosen, typedDesc] {
    const PrintOnly printOnly;
    GRABADATO(typedDesc(), *chosen);
  });
  onClick(kEditCancelId, [dlg] { dlg->reject(); });

  const struct {
    int id;
    const char* text;
    const char* tip;
    const char* up;
    const char* down;
  } buttons[] = {{kEditSaveId, kEditSave, kEditSaveTip, "OK1", "OK2"},
                 {kEditPrintId, kEditPrint, kEditPrintTip, "Impr1", "Impr2"},
                 {kEditCancelId, kEditCancel, kEditCancelTip, "Exit1", "Exit2"}};
  for (const auto& b : buttons) {
    if (auto* btn = control<QAbstractButton>(dlg, b.id)) {
      btn->setText(QString::fromUtf8(b.text));
      btn->setToolTip(QString::fromUtf8(b.tip));
    }
    ui::setPressedImages(control<QAbstractButton>(dlg, b.id), b.up, b.down);
  }
  if (code) code->setFocus();
  return out;
}

void DLGBARRAS(const std::string& cMode, QWidget* parent) {
  std::unique_ptr<QDialog> dlg = openCodeDialog(cMode, parent);
  if (dlg) ui::execModal(*dlg);
}

}  // namespace qv
