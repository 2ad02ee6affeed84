// The print list as a user builds it: a scanned code (again: one label
// more), a code that is not stored, rows chosen in the browse, a CSV file
// with a bad row, the list kept in its file for the next run and never in
// another copy's, and the preview of the pages the list needs.
#include "app/print_list.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLockFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "app/print_list_screen.h"
#include "data/engine/workspace.h"
#include "print/preview.h"
#include "tests/app/data_folder.h"
#include "tests/print/print_test_support.h"
#include "tests/ui/main_resources_env.h"
#include "tests/ui/qt_app.h"
#include "tests/ui/when_open.h"
#include "ui/control_id.h"
#include "xbase/memvar.h"
#include "xbase/prompt.h"

namespace {

using xb::engine::WorkArea;
using xb::engine::workAreas;

struct Product {
  const char* code;
  const char* check;
  const char* description;
};
// Records 1 to 4; in code order 4006.. (2), 5901.. (1), 8712.. (3), ABC-1 (4).
constexpr Product kProducts[] = {{"590123412345", "7", "TORNILLO"},
                                 {"400638133393", "1", "ARANDELA"},
                                 {"871234567890", "6", "TUERCA"},
                                 {"ABC-1", "", "TACO"}};

class PrintListTest : public qvtest::DataFolder {
 protected:
  void SetUp() override {
    DataFolder::SetUp();
    guard_.emplace(prompts);
    dialogs_.emplace(printerDialogs);
    qputenv("TEMP", dir_.string().c_str());
    qv::ABREBASES();
    for (const Product& p : kProducts) {
      WorkArea& a = *workAreas().find("CodPro2");
      ASSERT_TRUE(a.appendBlank());
      a.fieldPut(std::string_view("CODIGO"), xb::Value(std::string(p.code)));
      a.fieldPut(std::string_view("DGCNT"), xb::Value(std::string(p.check)));
      a.fieldPut(std::string_view("COD_COMPL"), xb::Value(std::string(p.code) + p.check));
      a.fieldPut(std::string_view("NOMETI"), xb::Value(std::string(p.description)));
      a.fieldPut(std::string_view("TIPOBAR"), xb::Value(std::string(*p.check ? "13" : "128")));
      a.unlock();
    }
    xb::PUBLICA("cBusqueda", xb::Value(std::string("antes")));
    QPrinter& s = pr::printerSetup();
    s.setOutputFormat(QPrinter::PdfFormat);
    s.setOutputFileName(QString::fromStdString((dir_ / "out.pdf").string()));
    s.setResolution(150);
  }
  void TearDown() override {
    pr::closeAllPreviews();
    qv::releasePrintList();
    pr::resetPrinterSetup();
    dialogs_.reset();
    guard_.reset();
    DataFolder::TearDown();
  }

  static std::vector<std::pair<std::string, int64_t>> lines() {
    std::vector<std::pair<std::string, int64_t>> out;
    for (const qv::PrintListLine& l : qv::printList().lines()) out.emplace_back(l.code, l.quantity);
    return out;
  }
  template <typename T>
  static T* ctl(QWidget* w, int id) {
    return qobject_cast<T*>(ui::controlById(w, id));
  }
  void scan(qv::PrintListScreen& s, const char* code) {
    auto* input = ctl<QLineEdit>(s.dialog(), 102);
    input->setFocus();
    QTest::keyClicks(input, QString::fromUtf8(code));
    QTest::keyClick(input, Qt::Key_Return);
  }

  xb::ScriptedPrompter prompts;
  prtest::ScriptedPrinterDialogs printerDialogs;

 private:
  std::optional<xb::PrompterGuard> guard_;
  std::optional<pr::PrinterDialogsGuard> dialogs_;
};

TEST_F(PrintListTest, ScannedCodesAddLabelsAndACodeNotStoredIsRefused) {
  qv::PrintListScreen screen(nullptr);
  ASSERT_NE(screen.dialog(), nullptr);
  WorkArea& codes = *workAreas().find("CodPro2");
  codes.goTo(3);
  scan(screen, "5901234123457");
  scan(screen, "ABC-1");
  scan(screen, "5901234123457");
  EXPECT_TRUE(prompts.asked.empty());
  scan(screen, "7701234567891");
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].text, "El código 7701234567891 no está almacenado.");
  EXPECT_EQ(lines(), (std::vector<std::pair<std::string, int64_t>>{{"5901234123457", 2}, {"ABC-1", 1}}));
  EXPECT_EQ(screen.table()->rowCount(), 2);
  EXPECT_EQ(screen.table()->item(0, 2)->text(), "2");
  // The code not stored stays to be corrected, selected for the next scan.
  EXPECT_EQ(ctl<QLineEdit>(screen.dialog(), 102)->selectedText(), "7701234567891");
  // Looking codes up leaves the product table and the page-1 values alone.
  EXPECT_EQ(codes.recno(), 3);
  EXPECT_EQ(qvtest::namedText("cBusqueda"), "antes");
  // The totals for the format chosen last (A4 21 labels): 3 labels, 1 sheet.
  EXPECT_EQ(ctl<QLabel>(screen.dialog(), 130)->text(), "Total etiq.3\n1 Hojas (A4 21 ETIQ. 63,5X38,1 MM)");
  // A quantity typed in the list, and a line removed.
  screen.table()->item(1, 2)->setText("25");
  EXPECT_EQ(lines()[1].second, 25);
  screen.table()->selectRow(0);
  screen.removeChosen();
  EXPECT_EQ(lines(), (std::vector<std::pair<std::string, int64_t>>{{"ABC-1", 25}}));
}

TEST_F(PrintListTest, RowsChosenInTheBrowseAreAdded) {
  qv::PrintListScreen screen(nullptr);
  qvtest::whenOpen(QStringLiteral("Seleccione Código"), [](QDialog* dlg) {
    auto* view = dlg->findChild<QTableView*>();
    ASSERT_NE(view, nullptr);
    view->selectionModel()->clearSelection();
    for (int row : {0, 2}) {
      view->selectionModel()->select(view->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    for (auto* b : dlg->findChildren<QPushButton*>())
      if (b->text() == "&Seleccionar") b->click();
  });
  screen.addFromBrowse();
  EXPECT_EQ(lines(), (std::vector<std::pair<std::string, int64_t>>{{"4006381333931", 1}, {"8712345678906", 1}}));
}

TEST_F(PrintListTest, ACsvFileIsImportedWithItsBadRowsReported) {
  const std::string csv = (dir_ / "lista.csv").string();
  // Windows-1252, ";" and a header naming the columns the other way round.
  std::ofstream(csv) << "Cantidad;C\xF3" "digo\r\n3;5901234123457\r\n0;4006381333931\r\n\r\n7;9999999999994\r\n2;ABC-1\r\n";
  prompts.fileAnswers = {csv};
  qv::PrintListScreen screen(nullptr);
  screen.importCsv();
  EXPECT_EQ(lines(), (std::vector<std::pair<std::string, int64_t>>{{"5901234123457", 3}, {"ABC-1", 2}}));
  ASSERT_EQ(prompts.asked.size(), 2u);
  EXPECT_EQ(prompts.asked[1].title, "Importación de la lista");
  EXPECT_EQ(prompts.asked[1].text,
            "Etiquetas añadidas: 5; códigos nuevos en la lista: 2.\n\nLíneas no importadas (2):\n"
            "Línea 3: la cantidad \"0\" no es un número entero de 1 a 99999.\n"
            "Línea 5: El código 9999999999994 no está almacenado.");
}

// The list is in this copy's file at once and comes back on the next run;
// a copy that finds the file held takes the next one.
TEST_F(PrintListTest, TheListIsKeptForTheNextRunAndNotInAnotherCopysFile) {
  ASSERT_EQ(qv::printList().addCode("4006381333931", 4), qv::PrintList::Added::New);
  ASSERT_TRUE(qv::savePrintList());
  const std::filesystem::path first = qv::printListFile();
  qv::releasePrintList();
  EXPECT_EQ(lines(), (std::vector<std::pair<std::string, int64_t>>{{"4006381333931", 4}}));
  EXPECT_EQ(std::filesystem::path(qv::printListFile()), first);
  qv::releasePrintList();
  // Another copy holds the first file.
  QLockFile other(QString::fromStdString((first.parent_path() / first.stem()).string()) + ".lock");
  ASSERT_TRUE(other.tryLock(0));
  EXPECT_TRUE(lines().empty());
  EXPECT_NE(std::filesystem::path(qv::printListFile()), first);
  qv::printList().addCode("ABC-1");
  ASSERT_TRUE(qv::savePrintList());
  EXPECT_EQ(qvtest::bytesOf(first), "codigo;cantidad\n4006381333931;4\n");
}

// Printing opens the generator for the list; its print button shows every
// page the list needs in one preview, from the chosen start label.
TEST_F(PrintListTest, ThePreviewHoldsThePagesTheListNeeds) {
  qv::printList().addCode("5901234123457", 30);
  qv::printList().addCode("ABC-1", 5);
  qv::PrintListScreen screen(nullptr);
  pr::TMULTIPREVIEW* preview = nullptr;
  QString totals;
  qvtest::whenOpen(QStringLiteral("Generador de etiquetas"), [&](QDialog* dlg) {
    // Design 2 (barcode only) on the A4 21 format, from label 10.
    ctl<QListWidget>(dlg, 102)->setCurrentRow(1);
    ctl<QSpinBox>(dlg, 141)->setValue(10);
    EXPECT_FALSE(ctl<QLineEdit>(dlg, 143)->isVisible());
    totals = ctl<QLabel>(dlg, 125)->text();
    ctl<QPushButton>(dlg, 1)->click();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* p = qobject_cast<pr::TMULTIPREVIEW*>(w); p && p->isVisible()) preview = p;
  });
  screen.print();
  EXPECT_EQ(totals, "Total etiq.35\n3 Hojas");
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->aFiles().size(), 3u);
  EXPECT_TRUE(preview->oPage()->text().endsWith(" / 3")) << preview->oPage()->text().toStdString();
}

}  // namespace
