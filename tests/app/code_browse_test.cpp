// The product-code browse: where it opens, the three ways of selecting a
// row, cancelling, the search by code or description and its dialog.
#include "app/code_browse.h"

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "data/catalog.h"
#include "data/engine/workspace.h"
#include "tests/app/data_folder.h"
#include "tests/ui/main_resources_env.h"
#include "tests/ui/qt_app.h"
#include "ui/control_id.h"
#include "xbase/codepage.h"
#include "xbase/memvar.h"
#include "tests/xbase/scripted_prompter.h"

namespace {

using xb::engine::WorkArea;
using xb::engine::workAreas;

struct Product {
  const char* code;
  const char* check;
  const char* description;  // UTF-8
  const char* tipoBar;
};
// Appended in this order (records 1 to 5); in code order they are the rows
// 0511.. (record 4), 7860.. (5), 7896.. (2), 8412.. (1) and ABC-123 (3).
constexpr Product kProducts[] = {
    {"841234567890", "5", "Café con Leche", "13"},
    {"789600949065", "1", "Café Tostado Molido", "13"},
    {"ABC-123", "", "Tornillo Hexagonal", "3-9"},
    {"05111112881", "7", "ACEITE DE OLIVA", "UPCA"},
    {"7860002", "7", "Galletas de Avena", "8"},
};
constexpr int64_t kRecordOfRow[] = {4, 5, 2, 1, 3};

std::string named(const char* name) {
  const xb::Value* v = xb::findNamed(name);
  return v && v->isText() ? v->text() : "(none)";
}

class CodeBrowseTest : public qvtest::DataFolder {
 protected:
  void SetUp() override {
    DataFolder::SetUp();
    guard_.emplace(prompts);
    qv::ABREBASES();
    for (const Product& p : kProducts) add(p.code, p.check, p.description, p.tipoBar);
    xb::PUBLICA("cCodigo", xb::Value(std::string(25, ' ')));
    workAreas().select("Labels2");
  }
  void TearDown() override {
    guard_.reset();
    DataFolder::TearDown();
  }

  static void add(const std::string& code, const std::string& check, const std::string& name, const char* tipo) {
    WorkArea& a = codes();
    ASSERT_TRUE(a.appendBlank());
    a.fieldPut(std::string_view("CODIGO"), xb::Value(code));
    a.fieldPut(std::string_view("DGCNT"), xb::Value(check));
    a.fieldPut(std::string_view("COD_COMPL"), xb::Value(code + check));
    a.fieldPut(std::string_view("NOMETI"), xb::Value(xb::utf8ToCp1252(name)));
    a.fieldPut(std::string_view("TIPOBAR"), xb::Value(std::string(tipo)));
    a.unlock();
  }
  static WorkArea& codes() { return *workAreas().find("CodPro2"); }
  static std::string selectedAlias() { return workAreas().area().alias(); }

  // Runs `fn` on the browse window once it is open and running; the window
  // is closed afterwards should `fn` leave it open.
  static void whenOpen(const std::function<void(QDialog*)>& fn) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, fn] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dlg = qobject_cast<QDialog*>(w);
        if (!dlg || !dlg->isVisible() || dlg->windowTitle() != QStringLiteral("Seleccione Código")) continue;
        timer->stop();
        timer->deleteLater();
        fn(dlg);
        if (dlg->isVisible()) dlg->reject();
        return;
      }
    });
    timer->start();
  }
  static QPushButton* button(QWidget* w, const QString& text) {
    for (auto* b : w->findChildren<QPushButton*>())
      if (b->text() == text) return b;
    return nullptr;
  }

  xb::ScriptedPrompter prompts;

 private:
  std::optional<xb::PrompterGuard> guard_;
};

TEST_F(CodeBrowseTest, OpensOnTheStoredCurrentCodeElseOnTheFirstRow) {
  const struct {
    const char* cCodigo;
    int row;
  } cases[] = {{"7896009490651", 2}, {"ABC-123", 4},          {"8412345678905", 3},
               {"9999999999999", 0}, {"", 0},                 {"                         ", 0}};
  for (const auto& c : cases) {
    xb::assignOrCreate("cCodigo", xb::Value(std::string(c.cCodigo)));
    codes().goTo(5);
    int row = -2;
    whenOpen([&](QDialog* dlg) {
      auto* view = dlg->findChild<QTableView*>();
      ASSERT_NE(view, nullptr);
      row = view->currentIndex().row();
      // The table stands on the row's record while the browse is open.
      EXPECT_EQ(codes().recno(), kRecordOfRow[row]) << c.cCodigo;
      button(dlg, QStringLiteral("&Cancelar"))->click();
    });
    EXPECT_FALSE(qv::CONSULTCODPRO());
    EXPECT_EQ(row, c.row) << '"' << c.cCodigo << '"';
    EXPECT_EQ(named("cCodigo"), c.cCodigo);
    EXPECT_EQ(codes().recno(), 5) << c.cCodigo;
    EXPECT_EQ(selectedAlias(), "LABELS2");
  }
}

TEST_F(CodeBrowseTest, ShowsTheCodesInCodeOrderWithItsButtons) {
  codes().goTop();
  QWidget panel;
  panel.move(40, 30);
  panel.show();
  qv::CodeBrowse b(&panel);
  EXPECT_EQ(b.window()->windowTitle(), QStringLiteral("Seleccione Código"));
  EXPECT_EQ(b.window()->size(), QSize(515, 450));
  EXPECT_EQ(b.window()->pos(), panel.mapToGlobal(QPoint(180, 50)));
  EXPECT_TRUE(b.window()->isModal());
  QTableView* view = b.view();
  EXPECT_EQ(view->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Código"));
  EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Descripción"));
  EXPECT_EQ(view->columnWidth(0), 201);
  EXPECT_EQ(view->columnWidth(1), 298);
  EXPECT_EQ(view->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  const char* rows[][2] = {{"051111128817", "ACEITE DE OLIVA"},
                           {"78600027", "Galletas de Avena"},
                           {"7896009490651", "Café Tostado Molido"},
                           {"8412345678905", "Café con Leche"},
                           {"ABC-123", "Tornillo Hexagonal"}};
  ASSERT_EQ(b.rowCount(), 5);
  for (int r = 0; r < 5; ++r) {
    EXPECT_EQ(view->model()->index(r, 0).data().toString(), QString::fromUtf8(rows[r][0])) << r;
    EXPECT_EQ(view->model()->index(r, 1).data().toString(), QString::fromUtf8(rows[r][1])) << r;
    EXPECT_EQ(b.recordOfRow(r), kRecordOfRow[r]) << r;
  }
  const char* buttons[][2] = {
      {"&Seleccionar", "Seleccionar Código"}, {"&Buscar", "Buscar Código"}, {"&Cancelar", "Cancela Selección"}};
  for (const auto& t : buttons) {
    QPushButton* p = button(b.window(), QString::fromUtf8(t[0]));
    ASSERT_NE(p, nullptr) << t[0];
    EXPECT_EQ(p->toolTip(), QString::fromUtf8(t[1]));
    EXPECT_FALSE(p->icon().isNull()) << t[0];
  }
}

TEST_F(CodeBrowseTest, EnterDoubleClickAndTheButtonSelectTheRowsCode) {
  enum How { Enter, DoubleClick, Button };
  const struct {
    How how;
    int row;
    const char* code;
  } cases[] = {{Enter, 2, "7896009490651"}, {DoubleClick, 0, "051111128817"}, {Button, 1, "78600027"},
               {Enter, 4, "ABC-123"},       {DoubleClick, 4, "ABC-123"},      {Button, 4, "ABC-123"}};
  for (const auto& c : cases) {
    xb::assignOrCreate("cCodigo", xb::Value(std::string("7896009490651")));
    whenOpen([&](QDialog* dlg) {
      auto* view = dlg->findChild<QTableView*>();
      ASSERT_NE(view, nullptr);
      const QModelIndex index = view->model()->index(c.row, 0);
      view->setCurrentIndex(index);
      switch (c.how) {
        case Enter:
          QTest::keyClick(view, Qt::Key_Return);
          break;
        case DoubleClick:
          // As a user's double click arrives: a click, then the second press.
          QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
          QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
          break;
        case Button:
          button(dlg, QStringLiteral("&Seleccionar"))->click();
          break;
      }
      EXPECT_FALSE(dlg->isVisible()) << c.row;
    });
    EXPECT_TRUE(qv::CONSULTCODPRO()) << c.row;
    EXPECT_EQ(named("cCodigo"), c.code);
    EXPECT_EQ(codes().recno(), kRecordOfRow[c.row]) << c.row;
    EXPECT_EQ(selectedAlias(), "LABELS2");
  }
}

TEST_F(CodeBrowseTest, CancellingLeavesTheCodeAndTheRecordAsTheyWere) {
  const bool byClose[] = {false, true};
  for (bool close : byClose) {
    xb::assignOrCreate("cCodigo", xb::Value(std::string("7860002")));  // not stored as typed
    codes().goTo(1);
    whenOpen([&](QDialog* dlg) {
      auto* view = dlg->findChild<QTableView*>();
      view->setCurrentIndex(view->model()->index(4, 0));
      EXPECT_EQ(codes().recno(), 3);
      if (close)
        dlg->close();
      else
        button(dlg, QStringLiteral("&Cancelar"))->click();
    });
    EXPECT_FALSE(qv::CONSULTCODPRO()) << close;
    EXPECT_EQ(named("cCodigo"), "7860002");
    EXPECT_EQ(codes().recno(), 1) << close;
    EXPECT_EQ(selectedAlias(), "LABELS2");
  }
}

TEST_F(CodeBrowseTest, SearchFindsTheFirstMatchInCodeOrderOrKeepsTheRow) {
  const struct {
    const char* text;
    int criterion;
    int row;  // from row 3; -1: stays there
  } cases[] = {
      {"78", 1, 1},        // 78600027 comes before 7896009490651
      {" 90651 ", 1, 2},   // blanks around the text are dropped
      {"abc", 1, 4},       // upper-cased
      {"1", 1, 0},         //
      {"café", 2, 2},      // "Café Tostado" comes before "Café con Leche" in code order
      {"LECHE", 2, 3},     //
      {"avena", 2, 1},     //
      {"ACEITE", 1, -1},   // a description is not a code
      {"XYZ", 1, -1},      //
      {"zapato", 2, -1},   //
  };
  for (const auto& c : cases) {
    codes().goTo(kRecordOfRow[3]);
    qv::CodeBrowse b;
    ASSERT_EQ(b.currentRow(), 3);
    qv::BUSCA2(c.text, c.criterion, b);
    const int row = c.row < 0 ? 3 : c.row;
    EXPECT_EQ(b.currentRow(), row) << c.text;
    EXPECT_EQ(codes().recno(), kRecordOfRow[row]) << c.text;
    EXPECT_EQ(selectedAlias(), "LABELS2") << c.text;
    // Searching again does not move on to a later match.
    qv::BUSCA2(c.text, c.criterion, b);
    EXPECT_EQ(b.currentRow(), row) << c.text;
  }
}

TEST_F(CodeBrowseTest, SearchDialogIsDrivenByItsControls) {
  codes().goTo(kRecordOfRow[4]);
  qv::CodeBrowse b;
  const struct {
    int criterionId;  // 0: left as it starts
    const char* typed;
    int button;
    const char* shown;
    int row;
  } cases[] = {{102, "tostado", 200, "TOSTADO", 2}, {0, "abc", 201, "ABC", 2}, {0, "abc", 200, "ABC", 4}};
  for (const auto& c : cases) {
    std::unique_ptr<QDialog> dlg = qv::searchDialog(b);
    ASSERT_NE(dlg, nullptr);
    const auto ctl = [&](int id) { return ui::controlById(dlg.get(), id); };
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Criterio de búsquda"));
    EXPECT_TRUE(qobject_cast<QRadioButton*>(ctl(101))->isChecked());
    EXPECT_EQ(qobject_cast<QLabel*>(ctl(110))->text(), QStringLiteral("Digite dato a buscar:"));
    EXPECT_EQ(qobject_cast<QPushButton*>(ctl(200))->text(), QStringLiteral("&Buscar"));
    EXPECT_EQ(qobject_cast<QPushButton*>(ctl(201))->text(), QStringLiteral("Ca&ncelar"));
    EXPECT_EQ(ctl(201)->toolTip(), QStringLiteral("Cancela búsqueda"));
    auto* text = qobject_cast<QLineEdit*>(ctl(130));
    EXPECT_EQ(text->maxLength(), 35);
    // What the user types as the dialog opens goes into its field.
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    EXPECT_EQ(QApplication::focusWidget(), text);
    if (c.criterionId) qobject_cast<QRadioButton*>(ctl(c.criterionId))->setChecked(true);
    QTest::keyClicks(text, QString::fromUtf8(c.typed));
    EXPECT_EQ(text->text(), QString::fromUtf8(c.shown));
    qobject_cast<QPushButton*>(ctl(c.button))->click();
    EXPECT_EQ(dlg->result(), c.button == 200 ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(b.currentRow(), c.row) << c.typed;
  }
}

TEST_F(CodeBrowseTest, TheBrowsesSearchButtonRunsTheDialogAndSelectingTakesTheFoundRow) {
  codes().goTop();
  whenOpen([&](QDialog* dlg) {
    QTimer::singleShot(0, [] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QStringLiteral("Criterio de búsquda")) {
          qobject_cast<QRadioButton*>(ui::controlById(w, 102))->setChecked(true);
          QTest::keyClicks(qobject_cast<QLineEdit*>(ui::controlById(w, 130)), QStringLiteral("hexagonal"));
          qobject_cast<QPushButton*>(ui::controlById(w, 200))->click();
        }
    });
    button(dlg, QStringLiteral("&Buscar"))->click();
    button(dlg, QStringLiteral("&Seleccionar"))->click();
  });
  EXPECT_TRUE(qv::CONSULTCODPRO());
  EXPECT_EQ(named("cCodigo"), "ABC-123");
  EXPECT_EQ(codes().recno(), 3);
}

TEST_F(CodeBrowseTest, RowsTheFilterHidesAreDroppedFromTheEnd) {
  add("ZZZ", "9", "Sin simbología", "");  // counted by the order, hidden by the filter
  codes().goTop();
  qv::CodeBrowse b;
  EXPECT_EQ(b.rowCount(), 6);
  b.view()->model()->index(5, 0).data();
  QCoreApplication::processEvents();
  EXPECT_EQ(b.rowCount(), 5);
}

TEST_F(CodeBrowseTest, AnEmptyTableSelectsNothing) {
  for (int64_t r = 1; r <= 5; ++r) {
    codes().goTo(r);
    ASSERT_TRUE(codes().lockRow());
    codes().deleteRow();
    codes().unlock();
  }
  xb::assignOrCreate("cCodigo", xb::Value(std::string("7860002")));
  whenOpen([&](QDialog* dlg) {
    EXPECT_EQ(dlg->findChild<QTableView*>()->model()->rowCount(), 0);
    button(dlg, QStringLiteral("&Seleccionar"))->click();
    EXPECT_TRUE(dlg->isVisible());
  });
  EXPECT_FALSE(qv::CONSULTCODPRO());
  EXPECT_EQ(named("cCodigo"), "7860002");
}

}  // namespace
