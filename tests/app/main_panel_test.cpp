// The main panel, offscreen, over a data folder holding two stored codes:
// its buttons and pages, the states of page 1 and the check digits of page 2.
#include "app/main_panel.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include "app/app_values.h"
#include "app/code_edit.h"
#include "app/code_rules.h"
#include "app/code_save.h"
#include "app/main_window.h"
#include "app/shell_actions.h"
#include "data/catalog.h"
#include "data/engine/workspace.h"
#include "errors/alert.h"
#include "tests/app/data_folder.h"
#include "tests/app/print_step.h"
#include "tests/ui/main_resources_env.h"
#include "tests/ui/qt_app.h"
#include "ui/control_id.h"
#include "xbase/codepage.h"
#include "xbase/memvar.h"
#include "tests/xbase/scripted_prompter.h"

namespace {

constexpr auto named = qvtest::namedText;
constexpr auto flag = qvtest::namedFlag;

using qv::PageState;



template <typename T = QWidget>
T* at(QWidget* parent, int id) {
  return qobject_cast<T*>(ui::controlById(parent, id));
}

QString text(QWidget* parent, int id) {
  if (auto* l = at<QLabel>(parent, id)) return l->text();
  if (auto* b = at<QAbstractButton>(parent, id)) return b->text();
  if (auto* e = at<QLineEdit>(parent, id)) return e->text();
  return QStringLiteral("(no control %1)").arg(id);
}

// What the screens opened from page 1 were asked, with what they do.
struct Screens {
  std::vector<std::string> calls;
  std::function<bool()> browseResult = [] { return false; };
  std::function<void(const std::string&)> onEdit = [](const std::string&) {};
  std::function<bool()> eraseResult = [] { return false; };
  int64_t printedRecno = 0;

  qv::PanelActions actions() {
    qv::PanelActions a;
    a.browse = [this](QWidget*) {
      calls.push_back("browse");
      return browseResult();
    };
    a.edit = [this](const std::string& mode, QWidget*) {
      calls.push_back("edit " + mode);
      onEdit(mode);
    };
    a.print = [this] {
      calls.push_back("print " + named("cCodigo"));
      printedRecno = xb::engine::workAreas().find("CodPro2")->recno();
    };
    a.erase = [this] {
      calls.push_back("erase");
      return eraseResult();
    };
    return a;
  }
};

class Panel : public qvtest::DataFolder {
 protected:
  void SetUp() override {
    DataFolder::SetUp();
    qv::createAppValues();
    qv::ABREBASES();
    storeRow("789600949065", "1", "13", "GALLETAS DE AVENA");
    storeRow("05111112881", "7", "UPCA", "JUGO DE NARANJA");
    guard_ = std::make_unique<xb::PrompterGuard>(prompts_);
  }
  void TearDown() override {
    guard_.reset();
    DataFolder::TearDown();
  }

  static void storeRow(const char* code, const char* check, const char* tipo, const char* desc) {
    xb::engine::WorkArea* a = xb::engine::workAreas().find("CodPro2");
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(a->appendBlank());
    a->fieldPut("CODIGO", xb::Value(code));
    a->fieldPut("DGCNT", xb::Value(check));
    a->fieldPut("TIPOBAR", xb::Value(tipo));
    a->fieldPut("NOMETI", xb::Value(desc));
    a->unlock();
  }

  // Types a code into input 120 and leaves the field.
  static void typeAndLeave(qv::MainPanel& p, const QString& code) {
    auto* input = at<QLineEdit>(p.page(1), 120);
    input->setText(code);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(input, &out);
  }

  static void click(QWidget* page, int id) { at<QAbstractButton>(page, id)->click(); }

  xb::ScriptedPrompter prompts_;
  std::unique_ptr<xb::PrompterGuard> guard_;
  Screens screens_;
};

// Controls of the lower part of page 1 that are not hidden.
std::vector<int> lowerPartShown(QWidget* page) {
  std::vector<int> out;
  for (int id : {150, 152, 151, 220, 221, 222})
    if (!ui::controlById(page, id)->isHidden()) out.push_back(id);
  return out;
}

TEST_F(Panel, IsBuiltWithItsButtonsAndPagesInStateIdle) {
  xb::assignOrCreate("cCodigo", xb::Value(std::string("OLD")));
  xb::assignOrCreate("lModifica", xb::Value(true));
  qv::MainPanel p(nullptr, screens_.actions());
  QDialog* dlg = p.dialog();
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Generador de Códigos de Barras Quorvalent"));
  EXPECT_FALSE(dlg->windowIcon().isNull());
  EXPECT_EQ(text(dlg, 110), QStringLiteral("Seleccione acción....."));
  EXPECT_TRUE(at<QLabel>(dlg, 110)->font().bold());
  EXPECT_NE(at<QStackedWidget>(dlg, 180), nullptr);

  const struct {
    int id;
    const char *caption, *tip;
  } buttons[] = {{200, "&Imprimir Código", "Crear, modificar, imprimir Código"},
                 {201, "&Generar Dígito de Control", "Generar Dígito de Control"},
                 {202, "&Salir", "Cerrar ventana"}};
  for (int slot = 1; slot <= 3; ++slot) {
    const auto& b = buttons[slot - 1];
    EXPECT_EQ(text(dlg, b.id), QString::fromUtf8(b.caption));
    EXPECT_EQ(ui::controlById(dlg, b.id)->toolTip(), QString::fromUtf8(b.tip));
    EXPECT_EQ(qv::panelButton(slot), ui::controlById(dlg, b.id)) << slot;
  }

  const struct {
    int page, id;
    const char* text;
  } texts[] = {
      {1, 109, "Crear - Modificar - Imprimir Código"},   {1, 190, "Consultar &Base de Datos"},
      {1, 191, "&Continuar"},                            {1, 151, "Seleccione su opción"},
      {1, 220, "&Imprimir"},                             {1, 222, "&Eliminar"},
      {2, 150, "Generar Dígito de Control"},             {2, 160, "Tipo de Código"},
      {2, 161, "Ingrese los dígitos SIN Número de Control"}, {2, 220, "&Generar"},
  };
  for (const auto& t : texts) EXPECT_EQ(text(p.page(t.page), t.id), QString::fromUtf8(t.text)) << t.id;
  const struct {
    int page, id;
    const char* tip;
  } tips[] = {{1, 190, "Consultar Base de Datos"}, {1, 191, "Continúa proceso para impresión de Código"},
              {1, 220, "Imprime Código"},          {1, 222, "Elimina Código"},
              {2, 220, "Generar Dígito de Control"}};
  for (const auto& t : tips) EXPECT_EQ(ui::controlById(p.page(t.page), t.id)->toolTip(), QString::fromUtf8(t.tip));
  EXPECT_FALSE(at<QLabel>(p.page(1), 301)->pixmap().isNull());
  EXPECT_FALSE(at<QLabel>(p.page(2), 301)->pixmap().isNull());
  for (QLabel* l : dlg->findChildren<QLabel*>()) EXPECT_FALSE(l->autoFillBackground()) << l->objectName().toStdString();

  EXPECT_EQ(p.currentPage(), 1);
  EXPECT_EQ(p.state(), PageState::Idle);
  EXPECT_TRUE(lowerPartShown(p.page(1)).empty());
  EXPECT_EQ(named("cCodigo"), std::string(25, ' '));
  EXPECT_EQ(named("cDescrip"), std::string(45, ' '));
  EXPECT_TRUE(flag("lModifica"));  // the page start leaves it as it was
  EXPECT_EQ(dlg->focusWidget(), ui::controlById(p.page(1), 120));
  EXPECT_TRUE(at<QRadioButton>(p.page(2), 101)->isChecked());

  // The outer of the frame lines is drawn in its colour.
  QWidget* lines = ui::controlById(dlg, 160);
  EXPECT_EQ(lines->grab().toImage().pixelColor(1, lines->height() / 2), QColor(255, 125, 95));
}

TEST_F(Panel, ButtonsAreDressedForThePageShown) {
  const QStringList exit = {"Exit1", "Exit2", "Btn_Exit", "Exit2"};
  const QStringList own = {"Bombi2", "Bombi2", "", "Bombi2"}, other = {"Bombi1", "Bombi2", "", "Bombi2"};
  const struct {
    int page;
    std::vector<QColor> colours;
    std::vector<bool> bold;
    std::vector<QStringList> images;
  } cases[] = {
      {1,
       {QColor(0, 0, 100), QColor(25, 75, 5), QColor(25, 75, 5)},
       {true, false, true},
       {own, other, exit}},
      {2,
       {QColor(25, 75, 5), QColor(0, 0, 100), QColor(25, 75, 5)},
       {false, true, true},
       {other, own, exit}},
  };
  qv::MainPanel p(nullptr, screens_.actions());
  for (const auto& c : cases) {
    click(p.dialog(), 199 + c.page);
    EXPECT_EQ(p.currentPage(), c.page);
    const auto looks = qv::panelButtonLooks(c.page);
    for (int slot = 1; slot <= 3; ++slot) {
      QToolButton* b = qv::panelButton(slot);
      ASSERT_NE(b, nullptr);
      const size_t i = size_t(slot - 1);
      EXPECT_EQ(b->palette().color(QPalette::ButtonText), c.colours[i]) << c.page << "/" << slot;
      EXPECT_EQ(b->font().bold(), c.bold[i]) << c.page << "/" << slot;
      EXPECT_EQ(b->font().pointSize(), slot == 3 ? 16 : 8);
      EXPECT_EQ(b->property("imageSlots").toStringList(), c.images[i]) << c.page << "/" << slot;
      EXPECT_EQ(looks[i].shape, slot == 3 ? 0 : 5);
      EXPECT_EQ(b->property("shape").toInt(), slot == 3 ? 0 : 5);
    }
    EXPECT_EQ(qv::panelButton(3)->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    EXPECT_EQ(looks[2].captionPosition, 4);
  }
}

TEST_F(Panel, TheLookupGivesTheStatesOfPage1) {
  const struct {
    const char* typed;
    bool byButton;  // button 191 instead of leaving the field
    PageState state;
    const char *code, *desc, *editCaption, *editTip;
    std::vector<int> shown;
    bool lModifica;
  } cases[] = {
      {"7896009490651", false, PageState::Found, "Código  7896009490651", "GALLETAS DE AVENA", "&Modificar",
       "Modificar código", {150, 152, 151, 220, 221, 222}, true},
      {"123", false, PageState::NotFound, "Código no encontrado", "", "&Incluir", "Incluir nuevo código",
       {150, 152, 151, 221}, false},
      {"051111128817", true, PageState::Found, "Código  051111128817", "JUGO DE NARANJA", "&Modificar",
       "Modificar código", {150, 152, 151, 220, 221, 222}, true},
      {"", false, PageState::Idle, nullptr, "", nullptr, nullptr, {}, false},
      {"7896009490652", true, PageState::NotFound, "Código no encontrado", "", "&Incluir", "Incluir nuevo código",
       {150, 152, 151, 221}, false},
      {"   ", true, PageState::Idle, nullptr, "", nullptr, nullptr, {}, false},
  };
  qv::MainPanel p(nullptr, screens_.actions());
  QWidget* page = p.page(1);
  for (const auto& c : cases) {
    const std::string label = std::string("\"") + c.typed + "\"";
    if (c.byButton) {
      at<QLineEdit>(page, 120)->setText(QString::fromUtf8(c.typed));
      click(page, 191);
    } else {
      typeAndLeave(p, QString::fromUtf8(c.typed));
    }
    EXPECT_EQ(p.state(), c.state) << label;
    EXPECT_EQ(lowerPartShown(page), c.shown) << label;
    EXPECT_EQ(flag("lModifica"), c.lModifica) << label;
    EXPECT_EQ(text(page, 152).trimmed(), QString::fromUtf8(c.desc)) << label;
    if (c.state != PageState::Found) {
      EXPECT_EQ(text(page, 152), QString(45, QLatin1Char(' '))) << label;
    }
    if (c.code) {
      EXPECT_EQ(text(page, 150), QString::fromUtf8(c.code)) << label;
    }
    if (c.editCaption) {
      EXPECT_EQ(text(page, 221), QString::fromUtf8(c.editCaption)) << label;
      EXPECT_EQ(ui::controlById(page, 221)->toolTip(), QString::fromUtf8(c.editTip)) << label;
    }
  }
  EXPECT_TRUE(screens_.calls.empty());
}

TEST_F(Panel, TypingGivesCapitalsAndTheCodeIsKeptPadded) {
  qv::MainPanel p(nullptr, screens_.actions());
  auto* input = at<QLineEdit>(p.page(1), 120);
  EXPECT_EQ(input->maxLength(), 25);
  QTest::keyClicks(input, QStringLiteral("ab-9"));
  EXPECT_EQ(input->text(), QStringLiteral("AB-9"));
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(input, &out);
  EXPECT_EQ(named("cCodigo"), "AB-9" + std::string(21, ' '));
}

TEST_F(Panel, DeleteAskedYesGoesToNotFoundAndNoStaysFound) {
  const struct {
    int answer;
    PageState after;
    bool stillStored;
  } cases[] = {{2, PageState::Found, true}, {1, PageState::NotFound, false}};
  qv::MainPanel p(nullptr, screens_.actions());
  screens_.eraseResult = [] { return qv::BORRADATO(); };
  for (const auto& c : cases) {
    typeAndLeave(p, QStringLiteral("7896009490651"));
    ASSERT_EQ(p.state(), PageState::Found);
    prompts_.alertAnswers = {c.answer};
    click(p.page(1), 222);
    EXPECT_EQ(p.state(), c.after) << c.answer;
    EXPECT_EQ(qv::BUSCACOD2("7896009490651"), c.stillStored) << c.answer;
    ASSERT_EQ(prompts_.asked.size(), 1u);
    EXPECT_EQ(prompts_.asked[0].text, "Seguro desea borrar registro ?");
    EXPECT_EQ(prompts_.asked[0].buttons, (std::vector<std::string>{"  &Si  ", "  &No  "}));
    EXPECT_EQ(prompts_.asked[0].title, "Atención......");
    prompts_.asked.clear();
  }
  EXPECT_EQ(screens_.calls, (std::vector<std::string>{"erase", "erase"}));
  typeAndLeave(p, QStringLiteral("7896009490651"));
  EXPECT_EQ(p.state(), PageState::NotFound);
}

TEST_F(Panel, IncludeOpensTheEditDialogAndLooksTheCodeUpAgain) {
  qv::MainPanel p(nullptr, screens_.actions());
  // The dialog completes the code with its check digit and stores it.
  screens_.onEdit = [](const std::string&) {
    xb::assignOrCreate("cCodigo", xb::Value(std::string("78600027")));
    storeRow("7860002", "7", "8", "CAFE MOLIDO");
  };
  typeAndLeave(p, QStringLiteral("7860002"));
  ASSERT_EQ(p.state(), PageState::NotFound);
  click(p.page(1), 221);
  EXPECT_EQ(screens_.calls, (std::vector<std::string>{"edit N"}));
  EXPECT_EQ(p.state(), PageState::Found);
  EXPECT_EQ(text(p.page(1), 120), QStringLiteral("78600027"));
  EXPECT_EQ(text(p.page(1), 150), QStringLiteral("Código  78600027"));
  EXPECT_EQ(text(p.page(1), 152), QStringLiteral("CAFE MOLIDO"));
}

TEST_F(Panel, ModifyLeavesThePageAsItWasAndActsOnTheCodeShown) {
  qv::MainPanel p(nullptr, screens_.actions());
  xb::engine::WorkArea* a = xb::engine::workAreas().find("CodPro2");
  // The dialog stores the code under another code and description.
  screens_.onEdit = [](const std::string&) {
    xb::assignOrCreate("cCodigo", xb::Value(std::string("78600027")));
    storeRow("7860002", "7", "8", "CAFE MOLIDO");
  };
  typeAndLeave(p, QStringLiteral("7896009490651"));
  const int64_t shownRecord = a->recno();
  click(p.page(1), 221);
  EXPECT_EQ(p.state(), PageState::Found);
  EXPECT_EQ(text(p.page(1), 150), QStringLiteral("Código  7896009490651"));
  EXPECT_EQ(text(p.page(1), 152), QStringLiteral("GALLETAS DE AVENA"));
  EXPECT_EQ(qv::currentCode(), "7896009490651" + std::string(12, ' '));
  EXPECT_TRUE(flag("lModifica"));

  // Print acts on the record of the code shown, wherever the table was.
  a->goTo(2);
  click(p.page(1), 220);
  EXPECT_EQ(screens_.printedRecno, shownRecord);
  EXPECT_EQ(screens_.calls,
            (std::vector<std::string>{"edit M", "print 7896009490651" + std::string(12, ' ')}));
}

// Types into an input of the open edit dialog as the user does.
void typeInto(QWidget* dlg, int id, const QString& typed) {
  auto* e = at<QLineEdit>(dlg, id);
  ASSERT_NE(e, nullptr) << id;
  e->selectAll();
  QTest::keyClicks(e, typed);
}

TEST_F(Panel, WithTheRealEditDialogIncludeFindsTheCodeAndModifyShowsTheNewDescription) {
  int printed = 0;
  const qv::PrintStep before = qv::setPrintStep([&] { ++printed; });
  qv::PanelActions actions = qv::programPanelActions();
  actions.browse = [](QWidget*) { return false; };
  qv::MainPanel p(nullptr, actions);

  // "&Incluir": the code completed with its check digit, saved, the dialog closed.
  typeAndLeave(p, QStringLiteral("78600027"));
  ASSERT_EQ(p.state(), PageState::NotFound);
  QTimer::singleShot(0, [] {
    QWidget* dlg = QApplication::activeModalWidget();
    ASSERT_NE(dlg, nullptr);
    at<QAbstractButton>(dlg, 103)->click();
    typeInto(dlg, qv::kEditDescId, QStringLiteral("cafe molido"));
    at<QAbstractButton>(dlg, qv::kEditSaveId)->click();
    at<QAbstractButton>(dlg, qv::kEditCancelId)->click();
  });
  click(p.page(1), 221);
  EXPECT_EQ(p.state(), PageState::Found);
  EXPECT_EQ(text(p.page(1), 150), QStringLiteral("Código  78600027"));
  EXPECT_EQ(text(p.page(1), 152), QStringLiteral("CAFE MOLIDO"));
  EXPECT_EQ(printed, 1);

  // "&Modificar": a new description saved; the page shows it as soon as the
  // dialog closes.
  QTimer::singleShot(0, [] {
    QWidget* dlg = QApplication::activeModalWidget();
    ASSERT_NE(dlg, nullptr);
    typeInto(dlg, qv::kEditDescId, QStringLiteral("cafe en grano"));
    at<QAbstractButton>(dlg, qv::kEditSaveId)->click();
    at<QAbstractButton>(dlg, qv::kEditCancelId)->click();
  });
  click(p.page(1), 221);
  EXPECT_EQ(p.state(), PageState::Found);
  EXPECT_EQ(text(p.page(1), 152), QStringLiteral("CAFE EN GRANO"));
  click(p.page(1), 191);
  EXPECT_EQ(text(p.page(1), 152), QStringLiteral("CAFE EN GRANO"));
  EXPECT_EQ(printed, 2);

  // "&Imprimir" prints the found code and keeps it.
  click(p.page(1), 220);
  EXPECT_EQ(printed, 3);
  EXPECT_TRUE(qv::BUSCACOD2("78600027"));
  EXPECT_TRUE(prompts_.asked.empty());
  qv::setPrintStep(before);
}

TEST_F(Panel, ACodeDeletedMeanwhileIsNotActedOn) {
  qv::MainPanel p(nullptr, screens_.actions());
  for (int id : {220, 221, 222}) {
    typeAndLeave(p, QStringLiteral("051111128817"));
    ASSERT_EQ(p.state(), PageState::Found);
    // Another copy of the program deletes the record.
    xb::engine::WorkArea& a = *xb::engine::workAreas().find("CodPro2");
    a.lockRow();
    a.deleteRow();
    a.unlock();
    click(p.page(1), id);
    EXPECT_EQ(p.state(), PageState::NotFound) << id;
    EXPECT_EQ(text(p.page(1), 150), QStringLiteral("Código no encontrado")) << id;
    storeRow("05111112881", "7", "UPCA", "JUGO DE NARANJA");
  }
  EXPECT_TRUE(screens_.calls.empty());
}

TEST_F(Panel, ABrowseSelectionEntersFoundAndACancelChangesNothing) {
  qv::MainPanel p(nullptr, screens_.actions());
  typeAndLeave(p, QStringLiteral("999"));
  screens_.browseResult = [] { return false; };
  click(p.page(1), 190);
  EXPECT_EQ(p.state(), PageState::NotFound);
  EXPECT_EQ(text(p.page(1), 120), QStringLiteral("999"));

  screens_.browseResult = [] {
    xb::assignOrCreate("cCodigo", xb::Value(std::string("051111128817")));
    EXPECT_TRUE(qv::BUSCACOD2("051111128817"));
    return true;
  };
  click(p.page(1), 190);
  EXPECT_EQ(p.state(), PageState::Found);
  EXPECT_EQ(text(p.page(1), 120), QStringLiteral("051111128817"));
  EXPECT_EQ(text(p.page(1), 150), QStringLiteral("Código  051111128817"));
  EXPECT_EQ(text(p.page(1), 152), QStringLiteral("JUGO DE NARANJA"));
  EXPECT_EQ(screens_.calls, (std::vector<std::string>{"browse", "browse"}));
}

TEST_F(Panel, SwitchingPagesKeepsTheCodeAndMovesTheFocus) {
  qv::MainPanel p(nullptr, screens_.actions());
  typeAndLeave(p, QStringLiteral("7896009490651"));
  click(p.dialog(), 201);
  EXPECT_EQ(p.currentPage(), 2);
  EXPECT_EQ(p.dialog()->focusWidget(), ui::controlById(p.page(2), 130));
  click(p.dialog(), 200);
  EXPECT_EQ(p.currentPage(), 1);
  EXPECT_EQ(p.dialog()->focusWidget(), ui::controlById(p.page(1), 120));
  EXPECT_EQ(text(p.page(1), 120), QStringLiteral("7896009490651"));
  EXPECT_EQ(p.state(), PageState::Found);
  EXPECT_EQ(text(p.page(1), 150), QStringLiteral("Código  7896009490651"));
}

TEST_F(Panel, Page2GeneratesTheCheckDigit) {
  const struct {
    int option;
    const char* typed;
    bool refused;
    const char *digits, *check;  // shown afterwards
  } cases[] = {
      {1, "789600949065", false, "789600949065", "1"},
      {2, "789600949065", true, "789600949065", "1"},  // 11 digits needed: the displays stay
      {2, "05111112881", false, "05111112881", "7"},
      {3, "7860002", false, "7860002", "7"},
      {3, " 786 0002", false, "7860002", "7"},
      {5, "abc 12", false, "ABC12", ""},  // no check digit for Code 39, and none left over
      {1, "78960094906", true, "ABC12", ""},
  };
  qv::MainPanel p(nullptr, screens_.actions());
  click(p.dialog(), 201);
  QWidget* page = p.page(2);
  for (const auto& c : cases) {
    prompts_.asked.clear();
    at<QRadioButton>(page, 100 + c.option)->click();
    at<QLineEdit>(page, 130)->setText(QString::fromUtf8(c.typed).toUpper());
    click(page, 220);
    EXPECT_EQ(p.option(), c.option);
    EXPECT_EQ(text(page, 140), QString::fromUtf8(c.digits)) << c.typed;
    EXPECT_EQ(text(page, 141), QString::fromUtf8(c.check)) << c.typed;
    ASSERT_EQ(prompts_.asked.size(), c.refused ? 1u : 0u) << c.typed;
    if (c.refused) {
      EXPECT_EQ(prompts_.asked[0].title, "Atención.....");
      EXPECT_EQ(prompts_.asked[0].text, "Número de Dígitos no corresponde al tipo de Código");
    }
  }
  EXPECT_GT(at<QLabel>(page, 141)->font().pointSize(), at<QLabel>(page, 140)->font().pointSize());
}

TEST_F(Panel, SalirClosesThePanelAndEmptiesTheButtonSlots) {
  {
    qv::MainPanel p(nullptr, screens_.actions());
    bool closed = false;
    QTimer::singleShot(0, [&] {
      click(p.dialog(), 202);
      closed = true;
    });
    p.exec();
    EXPECT_TRUE(closed);
  }
  for (int slot = 1; slot <= 3; ++slot) EXPECT_EQ(qv::panelButton(slot), nullptr);
}

TEST_F(Panel, TheMainWindowOpensThePanelFromItsFirstButtonAndMenu) {
  qv::MainWindow w(qv::programActions());
  std::vector<QString> seen;
  const auto closePanel = [&] {
    QTimer::singleShot(0, [&] {
      auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dlg, nullptr);
      seen.push_back(dlg->windowTitle() + QLatin1Char('|') + text(dlg, 110));
      at<QAbstractButton>(dlg, 202)->click();
    });
  };
  closePanel();
  qobject_cast<QToolButton*>(w.buttonBar()->widgetForAction(w.buttonBar()->actions().front()))->click();
  closePanel();
  w.menuBar()->actions().front()->trigger();
  const QString expected = QStringLiteral("Generador de Códigos de Barras Quorvalent|Seleccione acción.....");
  EXPECT_EQ(seen, (std::vector<QString>{expected, expected}));
  EXPECT_TRUE(prompts_.asked.empty());
}

}  // namespace
