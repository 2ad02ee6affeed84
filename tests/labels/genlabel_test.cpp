#include "labels/genlabel.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "print/preview.h"
#include "print/printer.h"
#include "print/printer_dialogs.h"
#include "print/printer_setup.h"
#include "tests/labels/label_tables_fixture.h"
#include "tests/labels/new_format_choice.h"
#include "tests/print/scripted_printer_dialogs.h"
#include "tests/ui/main_resources_env.h"
#include "tests/ui/qt_app.h"
#include "ui/control_id.h"
#include "xbase/memvar.h"

namespace {

using prtest::formatName;


// The search key of the product in hand: the code padded to 25, then its
// check digit.
const std::string kKey = "841234567890" + std::string(13, ' ') + "5";

class GenLabel : public prtest::LabelTables {
 protected:
  void SetUp() override {
    LabelTables::SetUp();
    dialogsGuard_.emplace(dialogs);
    // "Nueva" goes straight to the measures by hand unless a test chooses.
    chooserGuard_.emplace([this](QWidget*) { return choice; });
    // The product in hand and another one the screen must not count.
    addProduct("841234567890", "5", "PRODUCTO DE PRUEBA");
    addProduct("841234567891", "2", "OTRO PRODUCTO");
    xb::PUBLICA("cBusqueda", xb::Value(kKey));
    areas().select("CodPro2");
  }
  void TearDown() override {
    screen.reset();
    chooserGuard_.reset();
    dialogsGuard_.reset();
    LabelTables::TearDown();
  }
  void open() {
    screen = lb::openGenLabel("CodPro.dbf", lb::kGenLabelTitle);
    ASSERT_NE(screen, nullptr);
  }
  // The printer set-up a PDF printer writing into the data folder, then
  // the screen opened.
  void openOnAPdfPrinter() {
    pr::resetPrinterSetup();
    QPrinter& setup = pr::printerSetup();
    setup.setOutputFormat(QPrinter::PdfFormat);
    setup.setOutputFileName(QString::fromStdString((dir_ / "salida.pdf").string()));
    open();
  }
  template <typename T>
  T* ctl(int id) {
    auto* w = qobject_cast<T*>(ui::controlById(screen->dialog(), id));
    EXPECT_NE(w, nullptr) << id;
    return w;
  }
  QStringList items(int id) {
    QStringList out;
    auto* l = ctl<QListWidget>(id);
    for (int i = 0; l && i < l->count(); ++i) out << l->item(i)->text();
    return out;
  }
  double measure(int id) { return ctl<QDoubleSpinBox>(id)->value(); }
  // Types a value into a measure field and leaves it.
  void edit(int id, double value) {
    auto* spin = ctl<QDoubleSpinBox>(id);
    spin->setValue(value);
    emit spin->editingFinished();
  }
  QString totals() { return ctl<QLabel>(125)->text(); }
  // A field of a format record as the table holds it now (read through the
  // program's own instance of the format table).
  static xb::Value stored(int64_t recno, const char* name) { return field("Labels2", recno, name); }
  // The texts of the plain messages shown.
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const auto& a : prompts.asked)
      if (a.kind == "message") out.push_back(a.title + ": " + a.text);
    return out;
  }

  prtest::ScriptedPrinterDialogs dialogs;
  std::unique_ptr<lb::GenLabelScreen> screen;
  lb::NewFormatChoice choice{lb::NewFormatChoice::ByHand, std::nullopt};

 private:
  std::optional<pr::PrinterDialogsGuard> dialogsGuard_;
  std::optional<lb::NewFormatChooserGuard> chooserGuard_;
};

TEST_F(GenLabel, OpensOnTheMarkedDesignAndFormatOfTheProductInHand) {
  open();
  EXPECT_EQ(screen->dialog()->windowTitle(), QStringLiteral("Generador de etiquetas"));
  EXPECT_EQ(screen->productAlias(), "CodPro");
  EXPECT_EQ(screen->recordCount(), 1);
  EXPECT_EQ(items(102), (QStringList{"DESCRIPCION Y CODIGO CON DIGITOS", "SOLO CODIGO DE BARRAS",
                                     "DESCRIPCION GRANDE SOBRE EL CODIGO", "REFERENCIA, DESCRIPCION Y CODIGO",
                                     QString::fromUtf8("SOLO CODIGO, ETIQUETA PEQUEÑA")}));
  EXPECT_EQ(ctl<QListWidget>(102)->currentRow(), 0);
  EXPECT_EQ(screen->designs().headers, (std::vector<int64_t>{1, 4, 6, 9, 13}));
  EXPECT_EQ(items(103).size(), 8);
  EXPECT_EQ(items(103).first(), QStringLiteral("A4 10 ETIQ. 99,1X57 MM"));
  EXPECT_EQ(ctl<QListWidget>(103)->currentRow(), 3);
  EXPECT_EQ(ctl<QListWidget>(103)->currentItem()->text(), QStringLiteral("A4 21 ETIQ. 63,5X38,1 MM"));
  EXPECT_EQ(screen->selectedFormat(), formatName("A4 21 ETIQ. 63,5X38,1 MM"));

  struct Field {
    int id;
    double value;
  };
  const Field fields[] = {{106, 63.5}, {107, 38.1}, {108, 0.254}, {109, 7.21},
                          {110, 0},    {111, 15.15}, {112, 7},    {113, 3}};
  for (const Field& f : fields) EXPECT_DOUBLE_EQ(measure(f.id), f.value) << f.id;
  EXPECT_TRUE(ctl<QCheckBox>(104)->isChecked());
  EXPECT_EQ(totals(), QStringLiteral("Total etiq.1\n1 Hojas"));
  EXPECT_EQ(ctl<QLabel>(127)->text(),
            QStringLiteral("Imprimir en ") + QString::fromStdString(pr::printerName(pr::printerSetup())));
  EXPECT_FALSE(ctl<QLabel>(200)->pixmap().isNull());
  EXPECT_FALSE(ctl<QLabel>(201)->pixmap().isNull());

  struct Tip {
    int id;
    const char* text;
  };
  const Tip tips[] = {{1, "Ver e Imprimir las Etiquetas"},
                      {105, "Diseñar nueva Etiqueta"},
                      {123, "Borrar diseño actual"},
                      {126, "Seleccionar impresora de destino de las Etiquetas"},
                      {2, "Terminar opción"}};
  for (const Tip& t : tips) EXPECT_EQ(ctl<QPushButton>(t.id)->toolTip(), QString::fromUtf8(t.text)) << t.id;
  // The work area selected before opening is selected again.
  EXPECT_EQ(areas().area().alias(), "CODPRO2");
}

TEST_F(GenLabel, LeavingAMeasureFieldWritesTheFormatRecord) {
  open();
  struct Case {
    int id;
    const char* field;
    double value;
  };
  const Case cases[] = {
      {106, "ANCHOETIQ", 70.25}, {107, "ALTOETIQ", 36}, {108, "SEPARAVERT", 0.3}, {109, "MARGENIZD", 5.5},
      {110, "SEPARAHORZ", 0.125}, {111, "MARGENSUP", 12}, {112, "FILAS", 8},     {113, "COLUMNAS", 2},
  };
  for (const Case& c : cases) {
    edit(c.id, c.value);
    EXPECT_DOUBLE_EQ(stored(1, c.field).num(), c.value) << c.field;
  }
  // Editing the rows and columns does not refresh the totals.
  EXPECT_EQ(totals(), QStringLiteral("Total etiq.1\n1 Hojas"));
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(GenLabel, ChoosingAnotherFormatMarksItAndShowsItsMeasures) {
  open();
  ctl<QListWidget>(103)->setCurrentRow(7);
  EXPECT_EQ(screen->selectedFormat(), formatName("A4 8 ETIQ. 99,1X67,7 MM"));
  EXPECT_EQ(markedRows("Labels2"), std::vector<int64_t>{8});
  EXPECT_DOUBLE_EQ(measure(106), 99.1);
  EXPECT_DOUBLE_EQ(measure(107), 67.7);
  EXPECT_DOUBLE_EQ(measure(111), 13.1);
  EXPECT_DOUBLE_EQ(measure(112), 4);
  EXPECT_DOUBLE_EQ(measure(113), 2);
  // An edit now goes to the format chosen.
  edit(106, 98);
  EXPECT_DOUBLE_EQ(stored(8, "ANCHOETIQ").num(), 98);
  EXPECT_DOUBLE_EQ(stored(1, "ANCHOETIQ").num(), 63.5);
}

TEST_F(GenLabel, TheLastRowBoxRecomputesTheTotalsAndIsSavedOnLeaving) {
  prompts.yesNoAnswers = {true};
  prompts.inputAnswers = {std::string("hoja de prueba")};
  open();
  ctl<QPushButton>(105)->click();
  ASSERT_EQ(screen->selectedFormat(), formatName("HOJA DE PRUEBA"));
  // A new format has no labels on a sheet yet.
  EXPECT_EQ(totals(), QStringLiteral("Total etiq.1\n0 Hojas"));
  edit(113, 2);
  edit(112, 1);
  EXPECT_EQ(totals(), QStringLiteral("Total etiq.1\n0 Hojas"));
  auto* box = ctl<QCheckBox>(104);
  box->setChecked(true);
  EXPECT_EQ(totals(), QStringLiteral("Total etiq.1\n1 Hojas"));
  EXPECT_FALSE(stored(9, "PRNULTFILA").logical());
  emit qApp->focusChanged(box, ctl<QPushButton>(2));
  EXPECT_TRUE(stored(9, "PRNULTFILA").logical());
}

TEST_F(GenLabel, NewAndDeletedFormatsUpdateTheList) {
  open();
  // A new format: added at the end of the list, selected, shown empty.
  prompts.yesNoAnswers = {true};
  prompts.inputAnswers = {std::string("mi hoja")};
  ctl<QPushButton>(105)->click();
  EXPECT_EQ(items(103).size(), 9);
  EXPECT_EQ(ctl<QListWidget>(103)->currentRow(), 8);
  EXPECT_EQ(items(103).last(), QStringLiteral("MI HOJA"));
  EXPECT_DOUBLE_EQ(measure(106), 0);
  EXPECT_FALSE(ctl<QCheckBox>(104)->isChecked());
  EXPECT_EQ(messages().back(), "NUEVO DISEÑO: Ahora debe de introducir los datos de la etiqueta en milímetros.");
  EXPECT_EQ(markedRows("Labels2"), std::vector<int64_t>{9});

  // Declined deletion: nothing changes and nothing more is said.
  const size_t said = messages().size();
  prompts.yesNoAnswers = {false};
  ctl<QPushButton>(123)->click();
  EXPECT_EQ(items(103).size(), 9);
  EXPECT_EQ(messages().size(), said);

  // Deleting the new format: none is marked, the first in name order is shown.
  prompts.yesNoAnswers = {true};
  ctl<QPushButton>(123)->click();
  EXPECT_EQ(items(103).size(), 8);
  EXPECT_FALSE(items(103).contains(QStringLiteral("MI HOJA")));
  EXPECT_EQ(ctl<QListWidget>(103)->currentRow(), 0);
  EXPECT_EQ(screen->selectedFormat(), formatName("A4 10 ETIQ. 99,1X57 MM"));
  EXPECT_DOUBLE_EQ(measure(106), 99.1);
  EXPECT_EQ(messages().back(), "DISEÑO BORRADO: La etiqueta seleccionada ha sido eliminada de la lista.");
}

TEST_F(GenLabel, ANewFormatFromTheCatalogueTakesTheSheetsMeasuresAndPaper) {
  open();
  // Round labels from the paper's very corner, laid out by their bounding
  // square.
  lb::CatalogueProduct p;
  p.brand = "Herma";
  p.part = "4464";
  p.paper = "A5";
  p.shape = lb::LabelShape::Round;
  p.width = p.height = 40;
  p.columns = 3;
  p.rows = 5;
  p.stepX = p.stepY = 41.5;
  p.layouts = 1;
  choice = {lb::NewFormatChoice::FromCatalogue, p};
  prompts.inputAnswers = {std::string("HERMA 4464")};
  prompts.asked.clear();
  ctl<QPushButton>(105)->click();

  ASSERT_EQ(prompts.asked.front().kind, "input");
  EXPECT_EQ(prompts.asked.front().value, formatName("HERMA 4464"));
  EXPECT_EQ(items(103).last(), QStringLiteral("HERMA 4464"));
  EXPECT_DOUBLE_EQ(measure(111), 0);
  EXPECT_DOUBLE_EQ(measure(109), 0);
  EXPECT_DOUBLE_EQ(measure(110), 0.15);
  EXPECT_EQ(stored(9, "HOJA").text(), "A5        ");
  EXPECT_TRUE(stored(9, "PRNULTFILA").logical());
  EXPECT_EQ(messages().back(), std::string("NUEVO DISEÑO: ") + lb::kCatalogueDoneText + "\r\n\r\n" +
                                   "Etiqueta redonda: se coloca por el cuadrado que la contiene.");
}

TEST_F(GenLabel, ChoosingADesignMovesItsMarkAndIsKeptForTheNextOpening) {
  open();
  ctl<QListWidget>(102)->setCurrentRow(2);
  EXPECT_EQ(screen->designs().selected, 3);
  EXPECT_EQ(markedRows("DatosEti2"), std::vector<int64_t>{6});
  screen.reset();
  open();
  EXPECT_EQ(ctl<QListWidget>(102)->currentRow(), 2);
  // With no mark at all, the design chosen last in this run is selected.
  lb::CAMBIOETIQ(0, 3, screen->designs().headers);
  screen.reset();
  open();
  EXPECT_EQ(screen->designs().selected, 3);
}

TEST_F(GenLabel, ThePrinterButtonOpensThePrinterDialog) {
  open();
  ctl<QPushButton>(126)->click();
  EXPECT_EQ(dialogs.asked, std::vector<std::string>{"printer"});
  EXPECT_EQ(ctl<QLabel>(127)->text(),
            QStringLiteral("Imprimir en ") + QString::fromStdString(pr::printerName(pr::printerSetup())));
}

TEST_F(GenLabel, ThePrintButtonRunsTheSheetIntoAPreview) {
  openOnAPdfPrinter();
  ctl<QListWidget>(102)->setCurrentRow(1);
  const int before = pr::openPreviews();
  ctl<QPushButton>(1)->click();
  EXPECT_EQ(pr::openPreviews(), before + 1);
  std::vector<pr::TMULTIPREVIEW*> previews;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* p = qobject_cast<pr::TMULTIPREVIEW*>(w)) previews.push_back(p);
  ASSERT_EQ(previews.size(), 1u);
  EXPECT_TRUE(previews[0]->windowTitle().contains(QStringLiteral("SOLO CODIGO DE BARRAS")))
      << previews[0]->windowTitle().toStdString();
  previews[0]->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(pr::openPreviews(), before);
  pr::resetPrinterSetup();
}

TEST_F(GenLabel, ClosingClosesTheScreensTablesOnly) {
  open();
  for (const char* alias : {"CODPRO", "DATOSETI", "LABELS"}) EXPECT_NE(areas().find(alias), nullptr) << alias;
  screen.reset();
  for (const char* alias : {"CODPRO", "DATOSETI", "LABELS"}) EXPECT_EQ(areas().find(alias), nullptr) << alias;
  for (const char* alias : {"CODPRO2", "DATOSETI2", "LABELS2"}) EXPECT_NE(areas().find(alias), nullptr) << alias;
  EXPECT_EQ(areas().area().alias(), "CODPRO2");
}

TEST_F(GenLabel, FilesThatCannotBeUsedOpenNothing) {
  struct Case {
    const char* name;
    const char* file;
    std::vector<bool> yesNo;
    std::vector<std::optional<std::string>> chosen;
    bool opens;
    std::vector<std::string> kinds;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"missing design file", "Otro.dbf", {}, {}, false, {"message"},
       "Imposible generar etiquetas: No se ha localizado el fichero: Otro.ETI"},
      {"no file, declined", "", {false}, {}, false, {"yesno"}, ""},
      {"no file, nothing chosen", "", {true}, {std::nullopt}, false, {"yesno", "file"}, ""},
      {"no file, a missing one chosen", "", {true}, {std::string("/otra/carpeta/Nada.eti")}, false,
       {"yesno", "file", "message"}, "Imposible generar etiquetas: No se ha localizado el fichero: Nada.ETI"},
      {"no file, the design file chosen", "", {true}, {std::string("/otra/carpeta/CodPro.eti")}, true,
       {"yesno", "file"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    prompts.asked.clear();
    prompts.yesNoAnswers = c.yesNo;
    prompts.fileAnswers = c.chosen;
    screen = lb::openGenLabel(c.file, lb::kGenLabelTitle);
    EXPECT_EQ(screen != nullptr, c.opens);
    std::vector<std::string> kinds;
    for (const auto& a : prompts.asked) kinds.push_back(a.kind);
    EXPECT_EQ(kinds, c.kinds);
    if (!c.message.empty()) {
      EXPECT_EQ(messages(), std::vector<std::string>{c.message});
    }
    if (!kinds.empty() && kinds[0] == "yesno") {
      EXPECT_EQ(prompts.asked[0].title, "Falta fichero de definición de etiquetas.");
      EXPECT_EQ(prompts.asked[0].text, "No se ha indicado fichero para realizar etiquetas ¿Desea seleccionar uno?");
    }
    if (kinds.size() > 1 && kinds[1] == "file") {
      EXPECT_EQ(prompts.asked[1].title, "Seleccione un diseño de etiquetas.");
      EXPECT_EQ(prompts.asked[1].value, "Etiquetas (*.eti)| *.eti|");
    }
    if (c.opens) {
      EXPECT_EQ(screen->recordCount(), 1);
    }
    screen.reset();
    for (const char* alias : {"CODPRO", "OTRO", "DATOSETI", "LABELS"}) EXPECT_EQ(areas().find(alias), nullptr);
  }
  EXPECT_FALSE(lb::GENLABEL("Otro.dbf"));
}

// A design that does not fit the chosen format: the big description on the
// small labels. Printing names the items that stick out and by how much and
// asks, No the default; No prints nothing, Yes prints the sheet.
TEST_F(GenLabel, ADesignThatDoesNotFitAsksBeforePrinting) {
  openOnAPdfPrinter();
  ctl<QListWidget>(102)->setCurrentRow(2);
  ctl<QListWidget>(103)->setCurrentRow(int(std::find(screen->formatNames().begin(), screen->formatNames().end(),
                                                     formatName("A4 65 ETIQ. 38,1X21,2 MM")) -
                                           screen->formatNames().begin()));
  ASSERT_EQ(screen->selectedFormat(), formatName("A4 65 ETIQ. 38,1X21,2 MM"));
  const int before = pr::openPreviews();
  for (const bool yes : {false, true}) {
    prompts.asked.clear();
    prompts.yesNoAnswers = {yes};
    ctl<QPushButton>(1)->click();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].kind, "noyes");
    EXPECT_EQ(prompts.asked[0].title, "Atención.....");
    const QString text = QString::fromStdString(prompts.asked[0].text);
    const QRegularExpression lines(QStringLiteral(
        "^El elemento 1 \\(texto NOMETI\\) sobresale \\d+,\\d mm por la derecha de la etiqueta\\.\n"
        "El elemento 2 \\(código de barras\\) sobresale \\d+,\\d mm por abajo de la etiqueta\\. "
        "¿ Desea imprimir de todos modos \\?$"));
    EXPECT_TRUE(lines.match(text).hasMatch()) << text.toStdString();
    EXPECT_EQ(pr::openPreviews(), before + (yes ? 1 : 0));
    EXPECT_EQ(pr::currentPrinter(), nullptr);
  }
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* p = qobject_cast<pr::TMULTIPREVIEW*>(w)) p->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  pr::resetPrinterSetup();
}

}  // namespace
