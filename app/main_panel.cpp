#include "app/main_panel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <optional>

#include "app/app_texts.h"
#include "app/app_values.h"
#include "app/code_browse.h"
#include "app/code_edit.h"
#include "app/code_rules.h"
#include "app/code_save.h"
#include "app/print_list.h"
#include "app/print_list_screen.h"
#include "app/product_code.h"
#include "barcode/qt/qt_font.h"
#include "ui/control_id.h"
#include "ui/main_resources.h"
#include "ui/resource_file.h"
#include "ui/widget_helpers.h"
#include "xbase/codepage.h"
#include "xbase/memvar.h"
#include "xbase/prompt.h"
#include "xbase/text.h"

namespace qv {

namespace {

namespace t = panel_texts;

constexpr int kDescWidth = 45;

// Panel controls.
constexpr int kFrameLines = 160, kChooseAction = 110, kPages = 180;
constexpr std::array<int, 3> kPanelButtons = {200, 201, 202};
// Page 1 controls.
constexpr int kPage1Title = 109, kCodeInput = 120, kBrowse = 190, kContinue = 191, kSayCode = 150, kSayDesc = 152,
              kSayPrompt = 151, kLogo = 301, kBtnPrint = 220, kBtnEdit = 221, kBtnDelete = 222, kBtnList = 192;
// Page 2 controls.
constexpr int kPage2Title = 150, kSayKind = 160, kSayTypeDigits = 161, kDigitsInput = 130, kSayDigits = 140,
              kSayCheck = 141, kBtnGenerate = 220;

// The colours of the three frame lines, outermost first.
constexpr std::array<QRgb, 3> kFrameColours = {qRgb(255, 125, 95), qRgb(255, 255, 0), qRgb(0, 0, 225)};

QString tr8(const char* s) { return QString::fromUtf8(s); }

template <typename T>
T* control(QWidget* parent, int id) {
  return parent ? qobject_cast<T*>(ui::controlById(parent, id)) : nullptr;
}

// The text of an input as its value holds it: upper case, cut and padded
// with blanks to `width` characters.
std::string fieldValue(const QString& text, int width) {
  return text.toUpper().left(width).leftJustified(width, QLatin1Char(' ')).toStdString();
}

void setValue(const char* name, xb::Value v) { xb::assignOrCreate(name, std::move(v)); }


void makeBold(QWidget* w) {
  if (!w) return;
  QFont f = w->font();
  f.setBold(true);
  w->setFont(f);
}

// Runs `leave` when the focus leaves the watched input for another control
// of its window; switching to another window (a message box, a dialog
// opened from here) does not count as leaving it.
class LeaveWatch : public QObject {
 public:
  LeaveWatch(QWidget* input, std::function<void()> leave) : QObject(input), leave_(std::move(leave)) {
    input->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::FocusOut) {
      const Qt::FocusReason r = static_cast<QFocusEvent*>(e)->reason();
      if (r != Qt::ActiveWindowFocusReason && r != Qt::PopupFocusReason) leave_();
    }
    return QObject::eventFilter(watched, e);
  }

 private:
  std::function<void()> leave_;
};

// Draws three nested frame lines in their colours over the watched widget.
class FrameLines : public QObject {
 public:
  explicit FrameLines(QWidget* w) : QObject(w), widget_(w) { w->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched == widget_ && e->type() == QEvent::Paint) {
      QPainter p(widget_);
      QRect r = widget_->rect().adjusted(1, 1, -2, -2);
      for (QRgb c : kFrameColours) {
        p.setPen(QPen(QColor(c), 2));
        p.drawRect(r);
        r.adjust(3, 3, -3, -3);
      }
      return true;
    }
    return QObject::eventFilter(watched, e);
  }

 private:
  QWidget* widget_;
};

// What a slot of oBtnP1 holds: a reference to a panel button.
class PanelButtonRef : public xb::Object {
 public:
  explicit PanelButtonRef(QToolButton* b) : button(b) {}
  std::string className() const override { return "TBTNBMP"; }
  QPointer<QToolButton> button;
};

xb::ArrayPtr buttonSlots() {
  xb::Value* v = xb::findNamed("oBtnP1");
  if (!v || !v->isArray() || v->arr()->size() < 3) {
    setValue("oBtnP1", xb::Value::array(xb::Array(3)));
    v = xb::findNamed("oBtnP1");
  }
  return v->arr();
}

QPixmap bitmap(const QString& name) { return ui::resourceBitmap(ui::mainResourceRoot(), name); }

QIcon iconOfSlots(const QStringList& names) {
  QIcon icon;
  const auto add = [&](int slot, QIcon::Mode mode) {
    if (slot < names.size() && !names[slot].isEmpty()) icon.addPixmap(bitmap(names[slot]), mode);
  };
  add(0, QIcon::Normal);
  add(2, QIcon::Disabled);
  add(3, QIcon::Active);
  add(3, QIcon::Selected);
  return icon;
}

void applyLook(QToolButton* b, const PanelButtonLook& look) {
  if (!b) return;
  const QColor colour = bc::ToQColor(bc::Rgb(look.textColour));
  QPalette pal = b->palette();
  pal.setColor(QPalette::ButtonText, colour);
  b->setPalette(pal);
  QFont f(QString::fromLatin1(kPanelFont));
  f.setPointSize(look.fontSize);
  f.setBold(look.bold);
  b->setFont(f);

  if (look.shape != 0) b->setProperty("shape", look.shape);
  if (b->property("shape").toInt() == 5)
    b->setStyleSheet(QStringLiteral("QToolButton { border: 2px outset rgb(150,150,190); border-radius: 10px;"
                                    " background-color: rgba(255,255,255,170); color: %1; }"
                                    " QToolButton:pressed { border-style: inset; }")
                         .arg(colour.name()));

  QStringList names = b->property("imageSlots").toStringList();
  while (names.size() < 4) names.append(QString());
  names[0] = QString::fromLatin1(look.images[0]);
  names[1] = QString::fromLatin1(look.images[1]);
  names[3] = QString::fromLatin1(look.images[2]);
  setButtonImages(b, {names[0], names[1], names[2], names[3]});

  if (look.captionPosition != 0) {
    b->setProperty("captionPosition", look.captionPosition);
    if (look.captionPosition == 4) b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  }
  b->update();
}

// Builds a page from its template as the next page of the page control;
// the page lets the panel's background through.
QWidget* addPage(QStackedWidget* oPages, const QString& name) {
  std::unique_ptr<QWidget> w = ui::resourceDialog(ui::mainResourceRoot(), name, oPages);
  if (!w) return nullptr;
  QWidget* page = w.release();
  page->setAutoFillBackground(false);
  oPages->addWidget(page);
  return page;
}

void onClick(QWidget* parent, int id, std::function<void()> fn) {
  if (auto* b = control<QAbstractButton>(parent, id)) QObject::connect(b, &QAbstractButton::clicked, parent, fn);
}

void setTip(QWidget* parent, int id, const char* tip) {
  if (QWidget* w = ui::controlById(parent, id)) w->setToolTip(tr8(tip));
}

}  // namespace

std::array<PanelButtonLook, 3> panelButtonLooks(int nPage) {
  std::array<PanelButtonLook, 3> looks{};
  for (int slot = 1; slot <= 3; ++slot) {
    PanelButtonLook& l = looks[size_t(slot - 1)];
    if (slot == nPage)
      l = {5, rgb(0, 0, 100), true, 8, {"Bombi2", "Bombi2", "Bombi2"}, 0};
    else
      l = {0, rgb(25, 75, 5), false, 8, {"Bombi1", "Bombi2", "Bombi2"}, 0};
    if (slot <= 2) l.shape = 5;
  }
  PanelButtonLook& close = looks[2];
  close.images = {"Exit1", "Exit2", "Exit2"};
  close.captionPosition = 4;
  close.bold = true;
  close.fontSize = 16;
  return looks;
}

QToolButton* panelButton(int slot) {
  const xb::Value* v = xb::findNamed("oBtnP1");
  if (!v || !v->isArray() || slot < 1 || slot > int(v->arr()->size())) return nullptr;
  const xb::Value& held = (*v->arr())[size_t(slot - 1)];
  if (!held.isObject()) return nullptr;
  const auto ref = std::dynamic_pointer_cast<PanelButtonRef>(held.obj());
  return ref ? ref->button.data() : nullptr;
}

void setButtonImages(QToolButton* button, const std::array<QString, 4>& names) {
  if (!button) return;
  const QStringList list = {names[0], names[1], names[2], names[3]};
  button->setProperty("imageSlots", list);
  button->setIcon(iconOfSlots(list));
  if (button->property("imagesWired").toBool()) return;
  button->setProperty("imagesWired", true);
  // The pressed image shows while the button is held down.
  QObject::connect(button, &QAbstractButton::pressed, button, [button] {
    const QStringList names = button->property("imageSlots").toStringList();
    if (names.size() > 1 && !names[1].isEmpty()) button->setIcon(QIcon(bitmap(names[1])));
  });
  QObject::connect(button, &QAbstractButton::released, button,
                   [button] { button->setIcon(iconOfSlots(button->property("imageSlots").toStringList())); });
}

PanelActions programPanelActions() {
  PanelActions a;
  a.browse = [](QWidget* panel) {
    return CONSULTCODPRO(panel, [panel](const std::vector<int64_t>& records) {
      for (int64_t r : records) printList().addRecord(r);
      savePrintList();
      LISTAIMPRESION(panel);
    });
  };
  a.printList = [](QWidget* panel) { LISTAIMPRESION(panel); };
  a.edit = [](const std::string& cMode, QWidget* panel) { DLGBARRAS(cMode, panel); };
  a.print = [] { IMPRESOLO(); };
  a.erase = [] { return BORRADATO(); };
  return a;
}

void GENERADGCNT(int nOption, const std::string& cDigits, std::string& cCheck, QWidget* oDlg, QLabel* oSayDigits,
                 QLabel* oSayCheck) {
  bool wrongLength = false;
  const std::optional<std::string> digit = checkDigitFor(nOption, xb::utf8ToCp1252(cDigits), &wrongLength);
  if (wrongLength) {
    xb::prompter().message(xb::MsgKind::Stop, texts::kAttention, kWrongDigitCount);
    return;
  }
  // An option without a check digit shows none, rather than the digit of
  // the last code generated.
  cCheck = digit ? *digit : " ";
  if (oSayDigits) {
    oSayDigits->setText(QString::fromStdString(withoutBlanks(cDigits)));
    oSayDigits->update();
  }
  if (oSayCheck) {
    oSayCheck->setText(QString::fromStdString(withoutBlanks(cCheck)));
    oSayCheck->update();
  }
  if (oDlg) oDlg->update();
}

MainPanel::MainPanel(QWidget* parent, PanelActions actions) : actions_(std::move(actions)) {
  std::unique_ptr<QWidget> w = ui::resourceDialog(ui::mainResourceRoot(), QStringLiteral("DLG_PRINCIP"), parent);
  auto* dlg = qobject_cast<QDialog*>(w.get());
  if (!dlg) return;
  w.release();
  dialog_.reset(dlg);
  pages_ = control<QStackedWidget>(dlg, kPages);
  if (!pages_) {
    dialog_.reset();
    return;
  }
  buildPanel();
  CARGAPAG1(pages_);
  CARGAPAG2(pages_);
  if (!page1_ || !page2_) {
    dialog_.reset();
    return;
  }
  // Every plain text of the panel lets its background through.
  for (QLabel* l : dlg->findChildren<QLabel*>()) l->setAutoFillBackground(false);
  showPage(1);
}

MainPanel::~MainPanel() {
  // The input loses its focus as the dialog goes: that is not a lookup.
  delete leaveWatch_.data();
  dialog_.reset();
  if (const xb::Value* v = xb::findNamed("oBtnP1"); v && v->isArray())
    for (xb::Value& slot : *v->arr())
      if (slot.isObject() && std::dynamic_pointer_cast<PanelButtonRef>(slot.obj())) slot = xb::Value();
}

void MainPanel::buildPanel() {
  QDialog* dlg = dialog_.get();
  const QString root = ui::mainResourceRoot();
  dlg->setWindowTitle(tr8(t::kTitle));
  dlg->setWindowIcon(ui::resourceIcon(root, QStringLiteral("Quorvlnt")));
  QPalette pal = dlg->palette();
  pal.setBrush(QPalette::Window, QBrush(bitmap(QStringLiteral("Fondo01.bmp"))));
  dlg->setPalette(pal);
  dlg->setAutoFillBackground(true);
  pages_->setAutoFillBackground(false);

  if (QWidget* lines = ui::controlById(dlg, kFrameLines)) new FrameLines(lines);
  if (auto* l = control<QLabel>(dlg, kChooseAction)) {
    l->setText(tr8(t::kChooseAction));
    makeBold(l);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(0, 0, 150));
    l->setPalette(p);
  }

  const struct {
    const char* caption;
    const char* tip;
    std::array<QString, 4> images;
  } buttons[] = {
      {t::kPage1Button, t::kPage1Tip, {QStringLiteral("Bombi1"), QStringLiteral("Bombi2"), {}, {}}},
      {t::kPage2Button, t::kPage2Tip, {QStringLiteral("Bombi1"), QStringLiteral("Bombi2"), {}, {}}},
      {t::kCloseButton, t::kCloseTip,
       {QStringLiteral("Exit1"), QStringLiteral("Exit2"), QStringLiteral("Btn_Exit"), {}}},
  };
  const xb::ArrayPtr held = buttonSlots();
  for (size_t i = 0; i < 3; ++i) {
    auto* b = control<QToolButton>(dlg, kPanelButtons[i]);
    buttons_[i] = b;
    (*held)[i] = b ? xb::Value(xb::ObjectPtr(std::make_shared<PanelButtonRef>(b))) : xb::Value();
    if (!b) continue;
    b->setText(tr8(buttons[i].caption));
    b->setToolTip(tr8(buttons[i].tip));
    setButtonImages(b, buttons[i].images);
  }
  onClick(dlg, kPanelButtons[0], [this] { showPage(1); });
  onClick(dlg, kPanelButtons[1], [this] { showPage(2); });
  onClick(dlg, kPanelButtons[2], [dlg] { dlg->reject(); });
}

void MainPanel::CARGAPAG1(QStackedWidget* oPages) {
  page1_ = addPage(oPages, QStringLiteral("PAG_PAG1"));
  if (!page1_) return;
  setValue("cCodigo", xb::Value(std::string(int(kProductCodeWidth), ' ')));
  setValue("cDescrip", xb::Value(std::string(kDescWidth, ' ')));

  QWidget* p = page1_;
  if (auto* l = control<QLabel>(p, kPage1Title)) l->setText(tr8(t::kPage1Title));
  if (auto* l = control<QLabel>(p, kLogo)) l->setPixmap(bitmap(QStringLiteral("BarraLogo")));
  if (auto* l = control<QLabel>(p, kSayPrompt)) l->setText(tr8(t::kChooseOption));
  makeBold(ui::controlById(p, kSayCode));
  makeBold(ui::controlById(p, kSayDesc));

  code_ = control<QLineEdit>(p, kCodeInput);
  if (code_) {
    code_->setMaxLength(int(kProductCodeWidth));
    code_->clear();
    ui::upperCaseInput(code_);
    p->setFocusProxy(code_);
    leaveWatch_ = new LeaveWatch(code_, [this] { lookup(); });
    QObject::connect(code_, &QLineEdit::returnPressed, p, [this] { lookup(); });
  }
  if (auto* b = control<QPushButton>(p, kBrowse)) {
    b->setText(tr8(t::kBrowse));
    b->setAutoDefault(false);
  }
  setTip(p, kBrowse, t::kBrowseTip);
  if (auto* b = control<QPushButton>(p, kBtnList)) {
    b->setText(tr8(t::kPrintList));
    b->setAutoDefault(false);
  }
  setTip(p, kBtnList, t::kPrintListTip);
  if (auto* b = control<QToolButton>(p, kContinue)) {
    b->setText(tr8(t::kContinue));
    setButtonImages(b, {QStringLiteral("Barras1"), {}, {}, {}});
  }
  setTip(p, kContinue, t::kContinueTip);
  if (auto* b = control<QToolButton>(p, kBtnPrint)) {
    b->setText(tr8(t::kPrint));
    setButtonImages(b, {QStringLiteral("Impr1"), QStringLiteral("Impr2"), {}, {}});
  }
  setTip(p, kBtnPrint, t::kPrintTip);
  setButtonImages(control<QToolButton>(p, kBtnEdit), {QStringLiteral("Modif1"), QStringLiteral("Modif2"), {}, {}});
  if (auto* b = control<QToolButton>(p, kBtnDelete)) {
    b->setText(tr8(t::kDelete));
    setButtonImages(b, {QStringLiteral("Cut1"), QStringLiteral("Cut2"), {}, {}});
  }
  setTip(p, kBtnDelete, t::kDeleteTip);

  onClick(p, kBrowse, [this] { browse(); });
  onClick(p, kBtnList, [this] {
    if (actions_.printList) actions_.printList(dialog_.get());
  });
  onClick(p, kContinue, [this] { lookup(); });
  onClick(p, kBtnPrint, [this] { print(); });
  onClick(p, kBtnEdit, [this] { editOrInclude(); });
  onClick(p, kBtnDelete, [this] { erase(); });

  QUITACNTRSPAG();
}

void MainPanel::CARGAPAG2(QStackedWidget* oPages) {
  page2_ = addPage(oPages, QStringLiteral("PAG_PAG2"));
  if (!page2_) return;

  QWidget* p = page2_;
  if (auto* l = control<QLabel>(p, kPage2Title)) l->setText(tr8(t::kPage2Title));
  if (auto* l = control<QLabel>(p, kLogo)) l->setPixmap(bitmap(QStringLiteral("Quorvalent2")));
  if (auto* l = control<QLabel>(p, kSayKind)) l->setText(tr8(t::kCodeKind));
  if (auto* l = control<QLabel>(p, kSayTypeDigits)) {
    l->setText(tr8(t::kTypeDigits));
    makeBold(l);
  }
  for (const SymbologyOption& o : symbologyOptions())
    if (auto* r = control<QRadioButton>(p, o.radioId)) {
      r->setChecked(o.option == option_);
      QObject::connect(r, &QRadioButton::toggled, p, [this, n = o.option](bool on) {
        if (on) option_ = n;
      });
    }
  digits130_ = control<QLineEdit>(p, kDigitsInput);
  if (digits130_) {
    digits130_->setMaxLength(int(kProductCodeWidth));
    digits130_->clear();
    ui::upperCaseInput(digits130_);
    p->setFocusProxy(digits130_);
  }
  if (auto* b = control<QToolButton>(p, kBtnGenerate)) {
    b->setText(tr8(t::kGenerate));
    setButtonImages(b, {QStringLiteral("OK1"), QStringLiteral("OK2"), {}, {}});
  }
  setTip(p, kBtnGenerate, t::kGenerateTip);
  onClick(p, kBtnGenerate, [this] { generate(); });
}

QWidget* MainPanel::page(int n) const { return n == 1 ? page1_ : n == 2 ? page2_ : nullptr; }

int MainPanel::currentPage() const {
  if (!pages_) return 0;
  QWidget* w = pages_->currentWidget();
  return w && w == page1_ ? 1 : w && w == page2_ ? 2 : 0;
}

void MainPanel::exec() {
  if (!dialog_) return;
  QDialog* dlg = dialog_.get();
  QRect area;
  if (QWidget* owner = dlg->parentWidget())
    area = owner->window()->frameGeometry();
  else if (const QScreen* screen = QGuiApplication::primaryScreen())
    area = screen->availableGeometry();
  if (area.isValid()) {
    QRect r = dlg->frameGeometry();
    r.moveCenter(area.center());
    dlg->move(r.topLeft());
  }
  ui::execModal(*dlg);
}

void MainPanel::showPage(int nPage) {
  QWidget* p = page(nPage);
  if (!p) return;
  pages_->setCurrentWidget(p);
  ESCONDEDLGINF(nPage);
  if (QWidget* input = nPage == 1 ? static_cast<QWidget*>(code_) : digits130_) input->setFocus();
}

void MainPanel::ESCONDEDLGINF(int nPage) {
  const std::array<PanelButtonLook, 3> looks = panelButtonLooks(nPage);
  for (size_t i = 0; i < 3; ++i) applyLook(buttons_[i], looks[i]);
}

void MainPanel::storeCode() {
  if (code_) setValue("cCodigo", xb::Value(fieldValue(code_->text(), int(kProductCodeWidth))));
}

void MainPanel::showCode(const std::string& code) {
  if (!code_) return;
  code_->setText(QString::fromStdString(std::string(xb::trimRight(code))));
}

void MainPanel::lookup() {
  storeCode();
  const std::string code = currentCode();
  if (xb::trim(code).empty()) {
    setValue("lModifica", xb::Value(false));
    QUITACNTRSPAG();
    // Back to the code input, once the focus has settled where it was going.
    QPointer<QLineEdit> input = code_;
    QTimer::singleShot(0, input.data(), [this, input] {
      if (input && currentPage() == 1) input->setFocus();
    });
    return;
  }
  if (BUSCACOD2(code))
    ACTIVACNTRLS();
  else
    DESACTIVCNTRSPAG();
}

void MainPanel::setLowerPart(bool code, bool desc, bool prompt, bool print, bool edit, bool erase) {
  if (!page1_) return;
  const std::pair<int, bool> shown[] = {{kSayCode, code},   {kSayDesc, desc}, {kSayPrompt, prompt},
                                        {kBtnPrint, print}, {kBtnEdit, edit}, {kBtnDelete, erase}};
  for (const auto& [id, visible] : shown)
    if (QWidget* w = ui::controlById(page1_, id)) w->setVisible(visible);
}

void MainPanel::setEditButton(const char* caption, const char* tip) {
  if (auto* b = control<QToolButton>(page1_, kBtnEdit)) {
    b->setText(tr8(caption));
    b->setToolTip(tr8(tip));
    b->update();
  }
}

void MainPanel::ACTIVACNTRLS() {
  setValue("lModifica", xb::Value(true));
  state_ = PageState::Found;
  shownCode_ = currentCode();
  std::string desc;
  if (const std::optional<ProductCode> p = currentProduct()) desc = xb::trim(p->description);
  if (auto* l = control<QLabel>(page1_, kSayCode))
    l->setText(tr8(t::kCodePrefix) + QString::fromStdString(std::string(xb::trim(shownCode_))));
  if (auto* l = control<QLabel>(page1_, kSayDesc)) l->setText(QString::fromStdString(desc));
  setEditButton(t::kModify, t::kModifyTip);
  setLowerPart(true, true, true, true, true, true);
}

void MainPanel::DESACTIVCNTRSPAG() {
  setValue("lModifica", xb::Value(false));
  state_ = PageState::NotFound;
  shownCode_.clear();
  if (auto* l = control<QLabel>(page1_, kSayCode)) l->setText(tr8(t::kNotFound));
  if (auto* l = control<QLabel>(page1_, kSayDesc)) l->setText(QString(kDescWidth, QLatin1Char(' ')));
  setEditButton(t::kInclude, t::kIncludeTip);
  setLowerPart(true, true, true, false, true, false);
  if (pages_) pages_->update();
}

void MainPanel::QUITACNTRSPAG() {
  state_ = PageState::Idle;
  shownCode_.clear();
  if (auto* l = control<QLabel>(page1_, kSayDesc)) l->setText(QString(kDescWidth, QLatin1Char(' ')));
  setLowerPart(false, false, false, false, false, false);
  if (pages_) pages_->update();
}

// The table may have moved since the code was found (a browse closed
// without a choice, a save under another code): print, change and delete
// act on the record of the code the page shows, so the table is put back on
// it first. When that code is no longer stored the page says so instead.
bool MainPanel::standOnShownCode() {
  if (state_ != PageState::Found) return false;
  setValue("cCodigo", xb::Value(shownCode_));
  if (BUSCACOD2(shownCode_)) return true;
  DESACTIVCNTRSPAG();
  return false;
}

void MainPanel::browse() {
  if (!actions_.browse || !actions_.browse(dialog_.get())) return;
  const std::string code = currentCode();
  if (xb::trim(code).empty()) return;
  showCode(code);
  storeCode();
  ACTIVACNTRLS();
}

void MainPanel::print() {
  if (!standOnShownCode()) return;
  if (actions_.print) actions_.print();
}

void MainPanel::editOrInclude() {
  if (state_ == PageState::Found) {
    if (!standOnShownCode()) return;
    if (actions_.edit) actions_.edit("M", dialog_.get());
    // The page shows what is stored now under the code in its input (a
    // change saved in the dialog is seen at once), and cCodigo is again
    // that code.
    lookup();
  } else if (state_ == PageState::NotFound) {
    if (actions_.edit) actions_.edit("N", dialog_.get());
    showCode(currentCode());
    lookup();
  }
}

void MainPanel::erase() {
  if (!standOnShownCode()) return;
  if (actions_.erase && actions_.erase()) DESACTIVCNTRSPAG();
}

void MainPanel::generate() {
  if (digits130_) digits_ = fieldValue(digits130_->text(), int(kProductCodeWidth));
  GENERADGCNT(option_, digits_, check_, page2_, control<QLabel>(page2_, kSayDigits),
              control<QLabel>(page2_, kSayCheck));
}

void PANEL_PRINC(QWidget* parent) {
  MainPanel panel(parent);
  panel.exec();
}

}  // namespace qv
