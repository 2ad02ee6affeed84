// The design editor over a copy of the shipped tables: designs built in its
// window print exactly as the same records written by hand, renumbering,
// undo and redo, refused expressions and designs another copy holds, the
// exchange through design files, and the generator's hand-over.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "barcode/qt/image_device.h"
#include "data/abrir.h"
#include "data/tdatabase.h"
#include "labels/design_dialog.h"
#include "labels/design_editor.h"
#include "labels/design_preview.h"
#include "labels/genlabel.h"
#include "labels/label_run.h"
#include "tests/labels/label_tables_fixture.h"
#include "tests/tools/subprocess.h"
#include "tests/ui/stray_ampersands.h"
#include "tests/ui/main_resources_env.h"
#include "tests/ui/qt_app.h"
#include "xbase/codepage.h"
#include "xbase/memvar.h"
#include "xbase/text.h"

namespace {

namespace fs = std::filesystem;
using lb::DesignEntry;
using lb::LabelRow;

constexpr const char* kProduct = "CodPro2";

class DesignEditing : public prtest::LabelTables {
 protected:
  void SetUp() override {
    LabelTables::SetUp();
    openScreenTables();
    addProduct("841234567890", "5", "PRODUCTO DE PRUEBA", "REF-77");
    qv::TDATABASE format(lb::kFormatsAlias);
    area(lb::kFormatsAlias).goTo(1);  // A4 21 ETIQ. 63,5X38,1 MM
    ASSERT_TRUE(format.Load());
    run = lb::labelRunValues(format);
  }
  void TearDown() override {
    window.reset();
    LabelTables::TearDown();
  }

  static xb::engine::WorkArea& designs() { return area(lb::kDesignsAlias); }
  static std::vector<DesignEntry> entries() { return lb::readDesignEntries(designs()); }
  static std::vector<std::string> names() {
    std::vector<std::string> out;
    for (const DesignEntry& e : entries()) out.push_back(e.name);
    return out;
  }

  // A sheet of design `number` drawn by the print run from the table, at
  // 300 dpi on the format of the fixture.
  QImage printed(int number) {
    qv::TDATABASE design(lb::kDesignsAlias);
    int64_t header = 0;
    for (const DesignEntry& e : entries())
      if (e.number == number) header = e.header();
    EXPECT_GT(header, 0) << number;
    bc::ImageDevice a4(2480, 3508, 300);
    EXPECT_TRUE(lb::drawLabelSheet(a4, kProduct, lb::labelSheetRows(design, header, kProduct), run));
    designs().clearFilter();
    return a4.toImage();
  }

  void openWindow(int number) {
    window = lb::openDesignEditor(lb::kDesignsAlias, kProduct, number, run);
    ASSERT_NE(window, nullptr);
  }
  template <typename T>
  T* find(const char* name) {
    T* w = window->dialog()->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void click(const char* name) { find<QPushButton>(name)->click(); }
  void type(const char* field, const std::string& text) {
    auto* e = find<QLineEdit>(field);
    e->selectAll();
    QTest::keyClicks(e, QString::fromStdString(text));
  }

  std::vector<std::string> asked(const char* kind) const {
    std::vector<std::string> out;
    for (const auto& a : prompts.asked)
      if (a.kind == kind) out.push_back(a.text);
    return out;
  }

  lb::LabelRunValues run;
  std::unique_ptr<lb::DesignDialog> window;
};

// A picture outside the data folder, as a user picks one.
std::string makePicture(const fs::path& folder) {
  QImage logo(90, 40, QImage::Format_RGB32);
  logo.fill(Qt::white);
  QPainter p(&logo);
  p.fillRect(5, 5, 80, 30, Qt::darkBlue);
  p.end();
  const fs::path file = folder / "logo.bmp";
  EXPECT_TRUE(logo.save(QString::fromStdString(file.string())));
  return file.string();
}

// Appends one record of the design table, fields by name, as a user with a
// table tool writes it.
void writeRecord(xb::engine::WorkArea& a, const std::vector<std::pair<const char*, xb::Value>>& fields) {
  ASSERT_TRUE(a.appendBlank());
  for (const auto& [name, value] : fields) a.fieldPut(std::string_view(name), value);
  a.unlock();
}

TEST_F(DesignEditing, ShippedDesignsReadAndWriteBackTheSameRecords) {
  for (const DesignEntry& e : entries()) {
    const std::vector<LabelRow> rows = lb::designRows(designs(), e);
    const std::vector<LabelRow> again =
        lb::designRecords(lb::designFromRows(rows), e.number, e.ultima, designs().structure());
    ASSERT_EQ(again.size(), rows.size()) << e.number;
    for (size_t r = 1; r < rows.size(); ++r)
      for (size_t f = 0; f < rows[r].size(); ++f)
        EXPECT_TRUE(again[r][f] == rows[r][f]) << "design " << e.number << " record " << r << " field " << f + 1;
    EXPECT_TRUE(again[0][1] == rows[0][1]);
  }
}

TEST_F(DesignEditing, ADesignBuiltInTheWindowPrintsAsTheSameRecordsWrittenByHand) {
  const fs::path elsewhere = fs::temp_directory_path() / ("qv_pictures_" + std::to_string(::getpid()));
  fs::create_directories(elsewhere);
  prompts.fileAnswers = {makePicture(elsewhere)};
  openWindow(0);
  EXPECT_EQ(qvtest::sharedAccessKeys(window->dialog()), std::vector<std::string>{});
  type("name", "TEXTO, CODIGO Y LOGO");
  click("addText");
  find<QComboBox>("align")->setCurrentIndex(int(lb::ItemAlign::Centre));
  click("addBarcode");
  click("addText");
  type("expression", "NUMETI");
  find<QComboBox>("align")->setCurrentIndex(int(lb::ItemAlign::Right));
  click("addPicture");
  for (QPushButton* b : window->dialog()->findChildren<QPushButton*>())
    if (b->text() == QString::fromUtf8("&Elegir…")) b->click();
  EXPECT_TRUE(fs::exists(dir_ / "logo.bmp"));
  ASSERT_EQ(window->editor().design().items.size(), 4u);
  EXPECT_EQ(window->editor().design().items[3].campo, "logo.bmp");
  click("save");
  EXPECT_EQ(asked("message"), std::vector<std::string>{});
  ASSERT_EQ(window->editor().number(), 6);
  EXPECT_FALSE(window->editor().dirty());

  auto& a = designs();
  const auto common = [](int n) { return std::pair<const char*, xb::Value>{"NUMERO_ETI", xb::Value(n)}; };
  writeRecord(a, {common(7), {"CAMPO", xb::Value("A MANO")}});
  writeRecord(a, {common(7), {"TIPO_B_T_I", xb::Value("T")}, {"CAMPO", xb::Value("NOMETI")},
                  {"FUENTE", xb::Value("Arial")}, {"TAMANO", xb::Value(10)}, {"CENTRADO", xb::Value(true)},
                  {"COLOR", xb::Value("CLR_BLACK")}});
  writeRecord(a, {common(7), {"TIPO_B_T_I", xb::Value("B")}, {"NUMCAMPO", xb::Value(3)}, {"TIPOCOD", xb::Value("13")},
                  {"COLOR", xb::Value("CLR_BLACK")}, {"CONDIGITOS", xb::Value(true)},
                  {"ANCHOMOD", xb::Value(3.3, 2)}, {"ALTOBARRA", xb::Value(1.5, 2)}, {"POSICION", xb::Value("C")}});
  writeRecord(a, {common(7), {"TIPO_B_T_I", xb::Value("T")}, {"CAMPO", xb::Value("NUMETI")},
                  {"FUENTE", xb::Value("Arial")}, {"TAMANO", xb::Value(10)}, {"DERECHA", xb::Value(true)},
                  {"COLOR", xb::Value("CLR_BLACK")}});
  writeRecord(a, {common(7), {"TIPO_B_T_I", xb::Value("I")}, {"CAMPO", xb::Value("logo.bmp")},
                  {"TAMANO", xb::Value(1)}, {"COLOR", xb::Value("CLR_BLACK")}, {"POSICION", xb::Value("C")}});

  const QImage mine = printed(6);
  const QImage byHand = printed(7);
  EXPECT_TRUE(mine == byHand);
  // Not a blank page: the first label carries ink.
  int dark = 0;
  for (int y = 0; y < 450; ++y)
    for (int x = 0; x < 750; ++x) dark += qGray(mine.pixel(x, y)) < 128;
  EXPECT_GT(dark, 5000);

  // The same two designs printed as a shop prints without a window: the
  // pages qvlabel writes, rasterised at 300 dpi, are identical.
  tools_test::Scratch out;
  const auto sheet = [&](const char* design) {
    const std::string pdf = out.file(std::string("d") + design + ".pdf");
    const tools_test::RunResult r = tools_test::RunProgram(
        {std::string(QV_BINARY_DIR) + "/bin/qvlabel", "sheet", dir_.string(), pdf, "--code", "8412345678905",
         "--quantity", "3", "--design", design, "--format", "A4 21 ETIQ. 63,5X38,1 MM", "--dpi", "300"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    tools_test::RunProgram({"/usr/bin/pdftoppm", "-gray", "-r", "300", "-singlefile", pdf, pdf});
    return QImage(QString::fromStdString(pdf + ".pgm"));
  };
  const QImage six = sheet("6"), seven = sheet("7");
  ASSERT_FALSE(six.isNull());
  EXPECT_TRUE(six == seven);
  int inked = 0;
  for (int y = 0; y < six.height(); ++y)
    for (int x = 0; x < six.width(); ++x) inked += qGray(six.pixel(x, y)) < 128;
  EXPECT_GT(inked, 3 * 5000);
  fs::remove_all(elsewhere);
}

// The preview of one label: a text too wide for it outlined in red with the
// fit check's finding, and a picture as wide as the printer makes it (90
// pixels of its own on a 600 dpi printer: 3,81 mm, 45 pixels at 300 dpi).
TEST_F(DesignEditing, ThePreviewOutlinesWhatSticksOutAndSizesPicturesAsThePrinter) {
  makePicture(dir_);
  lb::DesignEditor editor(lb::kDesignsAlias, kProduct);
  editor.addItem(lb::kKindText);
  editor.change([](lb::DesignItem& i) {
    i.campo = "NOMETI + NOMETI";
    i.tamano = 14;
  });
  editor.addItem(lb::kKindPicture);
  editor.change([](lb::DesignItem& i) { i.campo = "logo.bmp"; });
  const lb::DesignPreview p = lb::drawDesignPreview(editor.rows(), kProduct, run, lb::PreviewScope::Label, 300, 600);
  ASSERT_EQ(p.overflows.size(), 1u);
  EXPECT_EQ(p.overflows[0].item, 1u);
  EXPECT_EQ(p.overflows[0].side, lb::LabelSide::Right);
  int red = 0, blueLeft = p.image.width(), blueRight = -1;
  for (int y = 0; y < p.image.height(); ++y)
    for (int x = 0; x < p.image.width(); ++x) {
      const QColor c = p.image.pixelColor(x, y);
      red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
      if (c.blue() > 100 && c.red() < 60 && c.green() < 60) {
        blueLeft = std::min(blueLeft, x);
        blueRight = std::max(blueRight, x);
      }
    }
  EXPECT_GT(red, 100);
  EXPECT_NEAR(blueRight - blueLeft + 1, 40, 1) << "the dark blue 80 of the picture's 90 pixels, halved";
}

TEST_F(DesignEditing, DeletingDesignTwoOfFourRenumbersTheRestAndKeepsTheMark) {
  lb::DesignEditor editor(lb::kDesignsAlias, kProduct);
  ASSERT_TRUE(editor.remove(5));
  lb::CAMBIOETIQ(3, 1, {1, 4, 6, 9});
  const std::vector<DesignEntry> before = entries();
  ASSERT_EQ(before.size(), 4u);
  ASSERT_TRUE(editor.open(4));
  ASSERT_TRUE(editor.remove(2));
  const std::vector<DesignEntry> after = entries();
  ASSERT_EQ(after.size(), 3u);
  const std::vector<int64_t> kept[] = {before[0].records, before[2].records, before[3].records};
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].number, int(i) + 1);
    EXPECT_EQ(after[i].records, kept[i]) << "the header stays first, the items in order";
    EXPECT_EQ(after[i].name, before[i == 0 ? 0 : i + 1].name);
  }
  EXPECT_EQ(markedRows(lb::kDesignsAlias), std::vector<int64_t>{before[2].header()});
  // The design edited moved from 4 to 3 and is still the one edited.
  EXPECT_EQ(editor.number(), 3);
  EXPECT_EQ(editor.design().name, "REFERENCIA, DESCRIPCION Y CODIGO");
  EXPECT_TRUE(designs().check().empty());
}

TEST_F(DesignEditing, UndoAndRedoStepThroughTenChanges) {
  lb::DesignEditor editor(lb::kDesignsAlias, kProduct);
  ASSERT_TRUE(editor.open(1));
  std::vector<lb::LabelDesign> states{editor.design()};
  const std::function<void()> changes[] = {
      [&] { editor.rename("OTRO NOMBRE"); },
      [&] { editor.addItem(lb::kKindText); },
      [&] { editor.change([](lb::DesignItem& i) { i.campo = "NUMETI"; }, "campo"); },
      [&] { editor.change([](lb::DesignItem& i) { i.tamano = 14; }); },
      [&] { editor.change([](lb::DesignItem& i) { i.negrita = true; }); },
      [&] { editor.moveItem(-1); },
      [&] { editor.addItem(lb::kKindBarcode); },
      [&] { editor.change([](lb::DesignItem& i) { i.anchoMod = 2.6; }); },
      [&] { editor.select(0); editor.removeItem(); },
      [&] { editor.change([](lb::DesignItem& i) { lb::setAlign(i, lb::ItemAlign::Right); }); },
  };
  for (const auto& c : changes) {
    c();
    states.push_back(editor.design());
    EXPECT_FALSE(states.back() == states[states.size() - 2]) << "change " << states.size() - 1;
  }
  EXPECT_TRUE(editor.dirty());
  for (size_t k = states.size() - 1; k > 0; --k) {
    ASSERT_TRUE(editor.canUndo());
    editor.undo();
    EXPECT_TRUE(editor.design() == states[k - 1]) << "undo to state " << k - 1;
  }
  EXPECT_FALSE(editor.canUndo());
  EXPECT_FALSE(editor.dirty());
  for (size_t k = 1; k < states.size(); ++k) {
    editor.redo();
    EXPECT_TRUE(editor.design() == states[k]) << "redo to state " << k;
  }
  EXPECT_FALSE(editor.canRedo());
  // Typing a property in one go is one step.
  editor.change([](lb::DesignItem& i) { i.campo = "N"; }, "campo");
  editor.change([](lb::DesignItem& i) { i.campo = "NO"; }, "campo");
  editor.undo();
  EXPECT_TRUE(editor.design() == states.back());
}

TEST_F(DesignEditing, AnExpressionThatWouldNotPrintIsShownAndRefused) {
  openWindow(1);
  const std::vector<DesignEntry> before = entries();
  find<QListWidget>("items")->setCurrentRow(0);
  struct Case {
    const char* typed;
    const char* shown;  // the start of the message
  };
  const Case cases[] = {
      {"NOMETI +", "La expresión no es válida: "},
      {"PRECIO", "La expresión no es válida: "},
      {"\"Ref. \" + ", "La expresión no es válida: "},
  };
  for (const Case& c : cases) {
    type("expression", c.typed);
    const std::string shown = find<QLabel>("expressionError")->text().toStdString();
    EXPECT_EQ(shown.rfind(c.shown, 0), 0u) << c.typed << ": " << shown;
    prompts.asked.clear();
    click("save");
    ASSERT_EQ(asked("message").size(), 1u) << c.typed;
    EXPECT_EQ(asked("message")[0], "El elemento 1 (texto): " + shown);
  }
  type("expression", "\"Ref. \" + NUMETI");
  EXPECT_EQ(find<QLabel>("expressionError")->text(), QString());
  // Nothing was written while the expression was wrong.
  EXPECT_EQ(lb::designRows(designs(), entries()[0]), lb::designRows(designs(), before[0]));
  prompts.asked.clear();
  click("save");
  EXPECT_TRUE(asked("message").empty());
  EXPECT_EQ(lb::designFromRows(lb::designRows(designs(), entries()[0])).items[0].campo, "\"Ref. \" + NUMETI");
}

TEST_F(DesignEditing, LeavingWithChangesNotSavedAsksAndKeepsTheTableAsItWas) {
  openWindow(1);
  const std::vector<LabelRow> before = lb::designRows(designs(), entries()[0]);
  find<QCheckBox>("sameLine")->setChecked(true);
  bool closed = false;
  QObject::connect(window->dialog(), &QDialog::rejected, [&] { closed = true; });
  struct Step {
    int answer;  // 1 save, 2 drop, 3 stay
    bool closes;
  };
  for (const Step& s : {Step{3, false}, Step{0, false}, Step{2, true}}) {
    prompts.asked.clear();
    prompts.alertAnswers = {s.answer};
    click("close");
    EXPECT_EQ(asked("alert"), std::vector<std::string>{lb::kUnsavedQuestion}) << s.answer;
    EXPECT_EQ(closed, s.closes) << s.answer;
  }
  EXPECT_EQ(lb::designRows(designs(), entries()[0]), before);
}

TEST_F(DesignEditing, ADesignAnotherCopyHoldsIsRefusedWithTheLockMessage) {
  // Another copy of the program edits design 2 (header record 4).
  areas().select(0);
  ASSERT_TRUE(areas().use("CodPro.eti", "OTRACOPIA", xb::engine::OpenMode::Shared));
  xb::engine::WorkArea& other = areas().area();
  ASSERT_TRUE(other.lockRecord(4));
  lb::DesignEditor editor(lb::kDesignsAlias, kProduct);
  ASSERT_TRUE(editor.open(1));
  prompts.alertAnswers = {2};
  EXPECT_FALSE(editor.open(2));
  EXPECT_EQ(asked("alert"), std::vector<std::string>{"Registro bloqueado en DATOSETI. ¿ Desea reintentar ?"});
  EXPECT_EQ(editor.number(), 1);
  // Renumbering needs every design: refused while the other copy edits one.
  prompts.asked.clear();
  prompts.alertAnswers = {2};
  EXPECT_FALSE(editor.remove(3));
  EXPECT_EQ(asked("alert").size(), 1u);
  EXPECT_EQ(entries().size(), 5u);
  // The design edited here stays held: the other copy cannot have it.
  other.goTo(1);
  EXPECT_FALSE(other.lockRow());
  other.unlock();
  prompts.asked.clear();
  EXPECT_TRUE(editor.open(2));
  EXPECT_TRUE(asked("alert").empty());
}

TEST_F(DesignEditing, ADesignFileCarriesADesignToAnotherTable) {
  lb::DesignEditor editor(lb::kDesignsAlias, kProduct);
  const std::string file = (dir_ / "compartido.eti").string();
  std::string error;
  ASSERT_TRUE(editor.open(4));
  ASSERT_TRUE(editor.exportFile(file, &error)) << error;
  const lb::LabelDesign exported = editor.design();
  ASSERT_TRUE(editor.importFile(file, &error)) << error;
  EXPECT_EQ(editor.number(), 6);
  EXPECT_TRUE(editor.design() == exported);
  EXPECT_TRUE(designs().check().empty());
  struct Bad {
    std::string file;
    const char* says;
  };
  std::ofstream((dir_ / "texto.eti").string()) << "no es una tabla";
  const Bad bad[] = {
      {(dir_ / "no_existe.eti").string(), "No se ha localizado el fichero: "},
      {(dir_ / "texto.eti").string(), "El fichero "},
      {(dir_ / "Labels.dbf").string(), "El fichero "},
  };
  for (const Bad& b : bad) {
    error.clear();
    EXPECT_FALSE(editor.importFile(b.file, &error)) << b.file;
    EXPECT_EQ(error.rfind(b.says, 0), 0u) << error;
  }
  EXPECT_EQ(entries().size(), 6u);
}

TEST_F(DesignEditing, ExportAsksForTheFileAndWritesNothingWhenCancelled) {
  openWindow(4);
  const auto files = [&] {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) out.insert(e.path().filename().string());
    return out;
  };
  std::set<std::string> before = files();
  prompts.saveAnswers = {std::nullopt, (dir_ / "exportado").string()};
  click("exportDesign");
  EXPECT_EQ(files(), before);
  click("exportDesign");
  before.insert("exportado.eti");
  EXPECT_EQ(files(), before);
  std::vector<xb::ScriptedPrompter::Asked> saves;
  for (const auto& a : prompts.asked)
    if (a.kind == "save") saves.push_back(a);
  ASSERT_EQ(saves.size(), 2u);
  EXPECT_EQ(saves[1].title, "Exportar el diseño de etiquetas");
  EXPECT_TRUE(asked("message").empty());

  window.reset();
  lb::DesignEditor editor(lb::kDesignsAlias, kProduct);
  ASSERT_TRUE(editor.open(4));
  const lb::LabelDesign four = editor.design();
  EXPECT_EQ(saves[1].value, four.name + ".eti");
  std::string error;
  ASSERT_TRUE(editor.importFile((dir_ / "exportado.eti").string(), &error)) << error;
  EXPECT_TRUE(editor.design() == four);
}

TEST_F(DesignEditing, TheGeneratorOpensTheEditorAndChoosesTheDesignLeftOn) {
  qv::CERRAR(lb::kDesignsAlias);
  qv::CERRAR(lb::kFormatsAlias);
  xb::PUBLICA("cBusqueda", xb::Value("841234567890" + std::string(13, ' ') + "5"));
  areas().select(kProduct);
  std::unique_ptr<lb::GenLabelScreen> screen = lb::openGenLabel("CodPro.dbf", lb::kGenLabelTitle);
  ASSERT_NE(screen, nullptr);
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == "DesignEditor" && w->isVisible()) {
        w->findChild<QPushButton*>("newDesign")->click();
        auto* n = w->findChild<QLineEdit*>("name");
        n->selectAll();
        QTest::keyClicks(n, "MI DISEÑO");
        w->findChild<QPushButton*>("addBarcode")->click();
        w->findChild<QPushButton*>("save")->click();
        w->findChild<QPushButton*>("close")->click();
      }
  });
  for (QPushButton* b : screen->dialog()->findChildren<QPushButton*>())
    if (b->text() == QString::fromUtf8("&Diseñar…")) b->click();
  EXPECT_EQ(screen->designs().names.size(), 6u);
  EXPECT_EQ(screen->designs().selected, 6);
  EXPECT_EQ(xb::cp1252ToUtf8(xb::trim(screen->designs().names.back())), "MI DISEÑO");
  EXPECT_EQ(markedRows(lb::kDesignsAlias), std::vector<int64_t>{screen->designs().headers.back()});
}

}  // namespace
