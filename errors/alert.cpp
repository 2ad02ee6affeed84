#include "errors/alert.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QApplication>

#include "errors/alert_text.h"
#include "ui/main_resources.h"
#include "ui/resource_file.h"
#include "xbase/prompt.h"
#include "ui/widget_helpers.h"

namespace qv {

namespace {

const char* const kDefaultButton = "&Aceptar";
const char* const kIconFile = "Quorvlnt.ico";
const char* const kIconResource = "Quorvlnt";
constexpr int kIconSize = 32;

// The box's font: "Ms Sans Serif" 12 pixels high, or the nearest face the
// system has.
QFont alertFont() {
  QFont f(QStringLiteral("MS Sans Serif"));
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(12);
  return f;
}

QIcon alertIcon(const QStyle* style) {
  const QString local = QDir::current().filePath(QString::fromLatin1(kIconFile));
  if (QFileInfo::exists(local)) return QIcon(local);
  const QString res = ui::resourcePath(ui::mainResourceRoot(), QStringLiteral("icons"), QString::fromLatin1(kIconResource));
  if (!res.isEmpty()) return QIcon(res);
  return style->standardIcon(QStyle::SP_MessageBoxInformation);
}

}  // namespace

int ALERT(const std::string& message, std::vector<std::string> buttons, const std::string& title, int focus) {
  if (buttons.empty()) buttons.push_back(kDefaultButton);
  return xb::prompter().alert(message, buttons, title, focus);
}

AlertDialog::AlertDialog(const std::string& message, const std::vector<std::string>& buttons,
                         const std::string& title, int focus, QWidget* parent)
    : QDialog(parent) {
  std::vector<std::string> captions = buttons.empty() ? std::vector<std::string>{kDefaultButton} : buttons;
  const QFont font = alertFont();
  setFont(font);
  const QFontMetrics fm(font);
  const QString titleText = oemToDisplay(title);
  const QStringList lines = alertLines(oemToDisplay(message));

  AlertMeasures m;
  for (const QString& line : lines) m.lineWidths.push_back(fm.horizontalAdvance(line));
  m.charHeight = fm.height();
  m.charWidth = fm.averageCharWidth();
  m.titleWidth = QFontMetrics(QGuiApplication::font()).horizontalAdvance(titleText);
  QStringList captionTexts;
  for (const std::string& c : captions) {
    captionTexts.append(QString::fromStdString(c));
    QString shown = captionTexts.back();
    shown.remove(QLatin1Char('&'));
    m.captionWidths.push_back(fm.horizontalAdvance(shown));
  }
  layout_ = layoutAlert(m);

  setWindowTitle(titleText);
  setFixedSize(layout_.width, layout_.height);

  icon_ = new QLabel(this);
  icon_->setPixmap(alertIcon(style()).pixmap(kIconSize, kIconSize));
  icon_->setGeometry(layout_.iconLeft, layout_.iconTop, kIconSize, kIconSize);

  text_ = new QPlainTextEdit(this);
  text_->setReadOnly(true);
  text_->setTextInteractionFlags(Qt::NoTextInteraction);
  text_->setFocusPolicy(Qt::NoFocus);
  text_->setFrameShape(QFrame::NoFrame);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->document()->setDocumentMargin(0);
  text_->setPlainText(lines.join(QLatin1Char('\n')));
  QPalette pal = text_->palette();
  pal.setColor(QPalette::Base, pal.color(QPalette::Button));
  text_->setPalette(pal);
  text_->setVerticalScrollBarPolicy(layout_.vScroll ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  text_->setHorizontalScrollBarPolicy(layout_.hScroll ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  text_->setGeometry(layout_.areaLeft, layout_.areaTop, layout_.areaWidth, layout_.areaHeight);

  for (int i = 0; i < captionTexts.size(); ++i) {
    auto* b = new QPushButton(captionTexts[i], this);
    b->setGeometry(layout_.buttonLefts[size_t(i)], layout_.buttonTop, layout_.buttonWidth, layout_.buttonHeight);
    b->setAutoDefault(true);
    connect(b, &QPushButton::clicked, this, [this, i] { done(i + 1); });
    buttons_.append(b);
  }
  const int focused = (focus >= 1 && focus <= buttons_.size()) ? focus : 1;
  buttons_[focused - 1]->setDefault(true);
  buttons_[focused - 1]->setFocus();

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect avail = screen->availableGeometry();
    move(avail.center() - QPoint(layout_.width / 2, layout_.height / 2));
  }
}

int AlertDialog::run() {
  const int r = ui::execModal(*this);
  return r < 0 || r > buttons_.size() ? 0 : r;
}

int showAlert(const std::string& message, const std::vector<std::string>& buttons, const std::string& title,
              int focus) {
  AlertDialog box(message, buttons, title, focus, QApplication::activeWindow());
  return box.run();
}

}  // namespace qv
