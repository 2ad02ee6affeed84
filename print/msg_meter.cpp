#include "print/msg_meter.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTimer>
#include <exception>
#include <memory>

#include "print/meter.h"
#include "xbase/memvar.h"
#include "ui/widget_helpers.h"

namespace pr {

void MeterTextLine::SetText(const std::string& text) {
  if (label_) label_->setText(QString::fromStdString(text));
}

std::string MeterTextLine::GetText() const { return label_ ? label_->text().toStdString() : std::string(); }

void MeterDialog::reject() {
  if (lEnd_) QDialog::reject();
}

void MeterDialog::closeEvent(QCloseEvent* e) {
  if (lEnd_) {
    QDialog::closeEvent(e);
  } else {
    e->ignore();
  }
}

xb::Value MSGMETER(const MeterAction& action, const std::string& cText, const std::string& cTitle, QWidget* parent) {
  bool lEnd = false;
  MeterDialog dlg(parent, lEnd);
  dlg.setWindowTitle(QString::fromStdString(cTitle));
  dlg.setWindowFlag(Qt::WindowCloseButtonHint, false);
  dlg.setModal(true);
  dlg.setFixedSize(320, 84);
  auto* text = new QLabel(QString::fromStdString(cText), &dlg);
  text->setFrameShape(QFrame::Panel);
  text->setFrameShadow(QFrame::Sunken);
  text->setGeometry(8, 8, 304, 24);
  TVMETER::Options o;
  o.lPixel = true;
  o.nRow = 44;
  o.nCol = 8;
  o.nWidth = 304;
  o.nHeight = 20;
  o.nTotal = 10;
  o.bSetGet = [v = 0.0](std::optional<double> n) mutable {
    if (n) v = *n;
    return v;
  };
  o.nClrPane = 128;
  o.nClrText = 128;
  o.nClrBar1 = 0;
  o.nClrBar2 = 255;
  o.nTipo = 3;
  auto* meter = new TVMETER(&dlg, o);

  auto line = std::make_shared<MeterTextLine>(text);
  xb::PrivateScope scope;
  scope.declare("OTEXT", xb::Value(xb::ObjectPtr(line)));

  xb::Value result;
  std::exception_ptr failure;
  QTimer::singleShot(0, &dlg, [&] {
    try {
      if (action) result = action(*meter, *text, dlg, lEnd);
    } catch (...) {
      failure = std::current_exception();
    }
    lEnd = true;
    dlg.accept();
  });
  ui::execModal(dlg);
  if (failure) std::rethrow_exception(failure);
  return result;
}

}  // namespace pr
