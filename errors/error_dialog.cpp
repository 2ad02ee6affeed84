#include "errors/error_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>

#include "errors/error_browser.h"
#include "errors/error_report.h"

namespace qv {

namespace {

constexpr int kBitmapSize = 32;

QString q(const std::string& s) { return QString::fromStdString(s); }

// The caption of the test hook's answer ("Salir" -> "&Salir"); empty when
// the hook is off.
QString hookAnswer() {
  const char* v = std::getenv("QV_ERROR_DIALOG_ANSWER");
  return v && *v ? QString::fromUtf8(v) : QString();
}

}  // namespace

std::vector<std::string> errorDialogButtons(bool canRetry, bool canDefault) {
  std::vector<std::string> b{"&Imprimir", "&Mas...", "&Salir"};
  if (canRetry) b.emplace_back("&Reintentar");
  if (canDefault) b.emplace_back("&Omitir");
  return b;
}

ErrorDialog::ErrorDialog(const ErrorDialogContent& content, QWidget* parent) : QDialog(parent), content_(content) {
  setWindowTitle(QStringLiteral("LISTA DE ERRORES PRODUCIDOS POR EL PROGAMA"));
  setModal(true);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(10);
  setFont(font);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kBitmapSize + 16, 10, 10, 10);
  auto* name = new QLabel(q(content.nameLine), this);
  name->setTextInteractionFlags(Qt::TextSelectableByMouse);
  name->setWordWrap(true);
  layout->addWidget(name);
  auto* labels = new QHBoxLayout;
  auto* stack = new QLabel(QStringLiteral("&Stack List"), this);
  labels->addWidget(stack);
  labels->addStretch();
  // The caption is shown as the button shows it, its access key underlined
  // (the key itself belongs to the button).
  auto* more = new QLabel(QStringLiteral("\"<u>M</u>as...\" visualiza el Registro de Errores"), this);
  more->setTextFormat(Qt::RichText);
  labels->addWidget(more);
  layout->addLayout(labels);
  list_ = new QListWidget(this);
  for (const std::string& l : content.callLines) list_->addItem(q(l));
  if (list_->count() > 0) list_->setCurrentRow(0);
  stack->setBuddy(list_);
  layout->addWidget(list_, 1);

  auto* row = new QHBoxLayout;
  row->addStretch();
  for (const std::string& caption : errorDialogButtons(content.canRetry, content.canDefault)) {
    auto* b = new QPushButton(q(caption), this);
    b->setAutoDefault(false);
    buttons_.push_back(b);
    row->addWidget(b);
  }
  row->addStretch();
  layout->addLayout(row);
  resize(560, 340);

  buttons_[0]->setDefault(true);
  connect(buttons_[0], &QPushButton::clicked, this,
          [this] { IMPERROR(nullptr, toLogText(content_.printText)); });
  connect(buttons_[1], &QPushButton::clicked, this, [] { _SHOWERROR(); });
  connect(buttons_[2], &QPushButton::clicked, this, [this] {
    choice_ = DialogChoice::None;
    reject();
  });
  for (size_t i = 3; i < buttons_.size(); ++i) {
    const bool retry = buttons_[i]->text() == QStringLiteral("&Reintentar");
    connect(buttons_[i], &QPushButton::clicked, this, [this, retry] {
      choice_ = retry ? DialogChoice::Retry : DialogChoice::Default;
      accept();
    });
  }
}

QPushButton* ErrorDialog::button(const QString& caption) const {
  for (QPushButton* b : buttons_)
    if (b->text() == caption) return b;
  return nullptr;
}

void ErrorDialog::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter p(this);
  const QIcon icon = style()->standardIcon(QStyle::SP_MessageBoxCritical);
  p.drawPixmap(6, 6, icon.pixmap(kBitmapSize, kBitmapSize));
}

DialogChoice runErrorDialog(const ErrorDialogContent& content) {
  ErrorDialog dialog(content, QApplication::activeWindow());
  const QString answer = hookAnswer();
  if (!answer.isEmpty()) {
    QTimer::singleShot(0, &dialog, [&dialog, &content, answer] {
      std::fprintf(stderr, "QV_ERROR_DIALOG: %s\n", content.nameLine.c_str());
      std::fflush(stderr);
      if (answer == QStringLiteral("Cerrar")) {
        dialog.close();
      } else if (QPushButton* b = dialog.button(QLatin1Char('&') + answer)) {
        b->click();
      } else {
        dialog.close();
      }
    });
  }
  dialog.exec();
  return dialog.choice();
}

}  // namespace qv
