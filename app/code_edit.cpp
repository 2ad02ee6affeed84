#include "app/code_edit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QRadioButton>
#include <QValidator>
#include <algorithm>
#include <vector>

#include "app/app_texts.h"
#include "app/app_values.h"
#include "app/code_rules.h"
#include "data/engine/workspace.h"
#include "errors/alert.h"
#include "labels/genlabel.h"
#include "ui/control_id.h"
#include "ui/main_resources.h"
#include "ui/resource_file.h"
#include "ui/widget_helpers.h"
#include "xbase/codepage.h"
#include "xbase/memvar.h"
#include "xbase/prompt.h"

namespace qv {

namespace {

using xb::engine::WorkArea;
using xb::engine::workAreas;

constexpr std::size_t kCodeWidth = 25;
constexpr int kHeadingId = 150, kLogoId = 301, kKindCaptionId = 160, kCodeCaptionId = 161, kDescCaptionId = 162;

PrintStep& printStep() {
  static PrintStep step;
  return step;
}

void runPrintStep() {
  if (printStep())
    printStep()();
  else
    lb::GENLABEL("CodPro.dbf");
}

std::string textOf(const xb::Value* v) { return v && v->isText() ? v->text() : std::string(); }
std::string named(const char* name) { return textOf(xb::findNamed(name)); }
bool flag(const char* name) {
  const xb::Value* v = xb::findNamed(name);
  return v && v->isLogical() && v->logical();
}

std::string trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string rightTrimmed(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

// A field of the current record as text (UTF-8, trailing blanks removed).
std::string fieldText(WorkArea& a, const char* field) {
  const xb::Value v = a.fieldGet(std::string_view(field));
  return v.isText() ? rightTrimmed(xb::cp1252ToUtf8(v.text())) : std::string();
}

// Puts cCodigo back to the code typed, however the save ends.
class CodeKept {
 public:
  explicit CodeKept(std::string code) : code_(std::move(code)) {}
  ~CodeKept() { xb::assignOrCreate("cCodigo", xb::Value(code_)); }
  CodeKept(const CodeKept&) = delete;
  CodeKept& operator=(const CodeKept&) = delete;

 private:
  std::string code_;
};

// lSoloImpri is set only while one print-only save runs.
class PrintOnly {
 public:
  PrintOnly() { xb::assignOrCreate("lSoloImpri", xb::Value(true)); }
  ~PrintOnly() { xb::assignOrCreate("lSoloImpri", xb::Value(false)); }
  PrintOnly(const PrintOnly&) = delete;
  PrintOnly& operator=(const PrintOnly&) = delete;
};

void markDeleted(WorkArea& a, int64_t recno, bool on) {
  a.goTo(recno);
  a.lockRow();
  if (on)
    a.deleteRow();
  else
    a.recall();
  a.unlock();
}

// Removes every visible record of `key`; answers the records removed. A
// record that stays (its lock refused) ends the removal.
std::vector<int64_t> removeKey(WorkArea& a, const std::string& key) {
  std::vector<int64_t> removed;
  while (a.seek(xb::Value(key))) {
    const int64_t recno = a.recno();
    if (std::find(removed.begin(), removed.end(), recno) != removed.end()) break;
    markDeleted(a, recno, true);
    removed.push_back(recno);
  }
  return removed;
}

void putBack(WorkArea& a, const std::vector<int64_t>& removed) {
  for (int64_t recno : removed) markDeleted(a, recno, false);
}

template <typename T>
T* control(QWidget* dialog, int id) {
  return qobject_cast<T*>(ui::controlById(dialog, id));
}

QColor packedColor(int64_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

}  // namespace

PrintStep setPrintStep(PrintStep step) {
  PrintStep previous = std::move(printStep());
  printStep() = std::move(step);
  return previous;
}

void GRABADATO(const std::string& cDesc, int nOption) {
  const std::string c = currentCode();
  const CodeKept keep(c);
  // An empty code fits no symbology, not even those of any length.
  if (trimmed(c).empty()) {
    xb::prompter().message(xb::MsgKind::Stop, texts::kAttention, kWrongDigitCount);
    return;
  }
  if (!validateCodeToStore(nOption, c)) return;

  auto& areas = workAreas();
  const xb::engine::SelectGuard select(areas, std::string_view("CodPro2"));
  if (!select.ok()) return;
  WorkArea& a = areas.area();

  // The record's whole key: a code kept whole has a blank for a check
  // character, so its key matches no check-digit code of the same body.
  std::string key = xb::utf8ToCp1252(named("cBusqueda"));
  key.resize(kCodeWidth + 1, ' ');
  xb::assignOrCreate("cBusqueda", xb::Value(xb::cp1252ToUtf8(key)));
  const std::string check = xb::utf8ToCp1252(named("cCodiCont"));
  const std::string code = trimmed(xb::utf8ToCp1252(c));

  const std::vector<int64_t> removed = removeKey(a, key);
  // A print-only request keeps its record only when it rewrites the code
  // page 1 found. Otherwise the record goes after the print step and the
  // records stored before under the key, hidden while it prints, come
  // back as they were: printing alone never adds a code nor changes one.
  const bool temporary = flag("lSoloImpri") && (!flag("lModifica") || removed.empty());
  const std::string numEti = std::to_string(a.keyCount() + 1);

  if (!a.appendBlank()) {
    // Nothing written: the records removed stay stored.
    putBack(a, removed);
    areas.commitAll();
    return;
  }
  const int64_t written = a.recno();
  a.fieldPut(std::string_view("CODIGO"), xb::Value(key.substr(0, kCodeWidth)));
  a.fieldPut(std::string_view("DGCNT"), xb::Value(check));
  a.fieldPut(std::string_view("COD_COMPL"), xb::Value(code));
  a.fieldPut(std::string_view("NUMETI"), xb::Value(numEti));
  a.fieldPut(std::string_view("NOMETI"), xb::Value(xb::utf8ToCp1252(cDesc)));
  a.fieldPut(std::string_view("TIPOBAR"), xb::Value(tipoBarForOption(nOption)));
  xb::assignOrCreate("cElTipBarr", xb::Value(tipoBarForOption(nOption)));
  a.unlock();
  areas.commitAll();

  // Whatever the label run does, the request ends the same way.
  const auto finish = [&] {
    if (!temporary) return;
    markDeleted(a, written, true);
    putBack(a, removed);
    areas.commitAll();
  };
  try {
    runPrintStep();
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void IMPRESOLO() {
  WorkArea* a = workAreas().find("CodPro2");
  if (!a) return;
  const std::string desc = fieldText(*a, "NOMETI");
  const std::string tipo = fieldText(*a, "TIPOBAR");
  xb::assignOrCreate("cElTipBarr", xb::Value(tipo));
  const PrintOnly printOnly;
  GRABADATO(desc, optionForTipoBar(tipo));
}

bool BORRADATO() {
  WorkArea& a = workAreas().area();
  if (!a.used() || a.eof() || a.deleted()) return false;
  if (ALERT(kDeleteQuestion, {kDeleteYes, kDeleteNo}, kDeleteTitle) != 1) return false;
  a.lockRow();
  a.deleteRow();
  a.unlock();
  // A lock refused leaves the record as it was: no deletion is reported.
  return a.deleted();
}

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
    pal.setColor(QPalette::Window, packedColor(int64_t(brush->num())));
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
    if (WorkArea* a = workAreas().find("CodPro2")) {
      desc = fieldText(*a, "NOMETI");
      const std::string tipo = fieldText(*a, "TIPOBAR");
      xb::assignOrCreate("cElTipBarr", xb::Value(tipo));
      option = optionForTipoBar(tipo);
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
    code->setMaxLength(int(kCodeWidth));
    code->setText(QString::fromStdString(rightTrimmed(currentCode())));
    QObject::connect(code, &QLineEdit::textChanged, dlg, [](const QString& text) {
      std::string typed = text.toStdString();
      const qsizetype chars = text.size();
      if (chars < qsizetype(kCodeWidth)) typed.append(std::size_t(qsizetype(kCodeWidth) - chars), ' ');
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
  if (dlg) dlg->exec();
}

}  // namespace qv
