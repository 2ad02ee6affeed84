// The product-code screen: saves, print-only requests and deletion in the
// product-code table, and the CodBarr1 dialog driven by its control IDs.
#include "app/code_edit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <thread>

#include "app/app_values.h"
#include "app/code_rules.h"
#include "app/code_save.h"
#include "data/catalog.h"
#include "data/engine/workspace.h"
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

using xb::engine::workAreas;

std::string rtrim(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

std::string keyOf(const std::string& code, const std::string& check) {
  return code + std::string(25 - code.size(), ' ') + (check.empty() ? " " : check);
}


struct Row {
  int64_t recno;
  std::string codigo, dgcnt, compl_, numeti, nometi, tipobar;
};

// The visible rows of CodPro.dbf as a second, shared opening of the table
// reads them from disk: in natural order, or in key order within a scope
// as the label generator reads them.
std::vector<Row> storedRows(const std::optional<std::string>& scope = std::nullopt) {
  auto& areas = workAreas();
  const xb::engine::SelectGuard select(areas, 0);
  std::vector<Row> out;
  if (!areas.use("CodPro.dbf", "READBACK")) return out;
  xb::engine::WorkArea& a = areas.area();
  if (scope) {
    a.addIndex("CodiProx.cdx");
    a.setOrder(std::string_view("Codigo"));
    a.setScope(xb::Value(*scope), xb::Value(*scope));
  }
  const auto text = [&a](const char* f) { return rtrim(xb::cp1252ToUtf8(a.fieldGet(std::string_view(f)).text())); };
  for (a.goTop(); !a.eof(); a.skip())
    out.push_back({a.recno(), text("CODIGO"), text("DGCNT"), text("COD_COMPL"), text("NUMETI"), text("NOMETI"),
                   text("TIPOBAR")});
  areas.close();
  return out;
}

// What a print step saw when it ran.
struct Printed {
  std::string key;
  std::vector<Row> rows;  // the rows of the key, as the label run reads them
  bool soloImpri;
};

class CodeEdit : public qvtest::DataFolder {
 protected:
  void SetUp() override {
    DataFolder::SetUp();
    qv::createAppValues();
    qv::ABREBASES();
    guard_.emplace(prompts);
    qv::setPrintStep([this] {
      const std::string key = named("cBusqueda");
      printed.push_back({key, storedRows(key), flag("lSoloImpri")});
    });
  }
  void TearDown() override {
    qv::setPrintStep({});
    guard_.reset();
    DataFolder::TearDown();
  }

  static void setCode(const std::string& code) {
    xb::assignOrCreate("cCodigo", xb::Value(code + std::string(25 - code.size(), ' ')));
  }
  static void save(const std::string& code, const std::string& desc, int option) {
    setCode(code);
    qv::GRABADATO(desc, option);
  }
  // A print-only save, as the dialog's "&Imprimir" makes it.
  static void printOnly(const std::string& code, const std::string& desc, int option, bool found) {
    xb::assignOrCreate("lModifica", xb::Value(found));
    xb::assignOrCreate("lSoloImpri", xb::Value(true));
    save(code, desc, option);
    xb::assignOrCreate("lSoloImpri", xb::Value(false));
  }
  static std::vector<Row> rowsOf(const std::string& key) { return storedRows(key); }

  xb::ScriptedPrompter prompts;
  std::vector<Printed> printed;

 private:
  std::optional<xb::PrompterGuard> guard_;
};

TEST_F(CodeEdit, ASavedCodeIsStoredOnceWithItsFieldsAndPrinted) {
  const struct {
    int option;
    const char* code;
    const char* desc;
    const char* codigo;
    const char* dgcnt;
    const char* tipobar;
  } cases[] = {
      {1, "7896009490651", "LECHE ENTERA", "789600949065", "1", "13"},
      {5, "123", "TORNILLO 3MM", "123", "", "3-9"},
      {2, "051111128817", "CAFE MOLIDO", "05111112881", "7", "UPCA"},
      {3, "78600027", "SAL FINA", "7860002", "7", "8"},
      {4, "ABC-128", "CAJA GRANDE", "ABC-128", "", "128"},
      {8, "52495", "SUPLEMENTO", "52495", "", "5"},
  };
  std::size_t stored = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    printed.clear();
    save(c.code, c.desc, c.option);
    ++stored;
    const std::string key = keyOf(c.codigo, c.dgcnt);
    const std::vector<Row> rows = rowsOf(key);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].codigo, c.codigo);
    EXPECT_EQ(rows[0].dgcnt, c.dgcnt);
    EXPECT_EQ(rows[0].compl_, c.code);
    EXPECT_EQ(rows[0].nometi, c.desc);
    EXPECT_EQ(rows[0].tipobar, c.tipobar);
    EXPECT_EQ(rows[0].numeti, std::to_string(stored));
    EXPECT_EQ(storedRows().size(), stored);
    // The label run was started on the record just written, and on it alone.
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].key, key);
    ASSERT_EQ(printed[0].rows.size(), 1u);
    EXPECT_EQ(printed[0].rows[0].recno, rows[0].recno);
    EXPECT_FALSE(printed[0].soloImpri);
    EXPECT_EQ(named("cCodigo"), std::string(c.code) + std::string(25 - std::string(c.code).size(), ' '));
    EXPECT_EQ(named("cElTipBarr"), c.tipobar);
  }
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(CodeEdit, AnIndependentReaderSeesTheStoredRecord) {
  save("7896009490651", "LECHE ENTERA", 1);
  qv::closeAllTables();
  FILE* p = ::popen(
      "/usr/bin/python3 -c \"import dbf\n"
      "t = dbf.Table('CodPro.dbf'); t.open()\n"
      "for r in t:\n"
      "  if not dbf.is_deleted(r): print('|'.join(str(r[f]).strip() for f in "
      "('codigo','dgcnt','cod_compl','numeti','nometi','tipobar')))\"",
      "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  char buf[256];
  while (std::fgets(buf, sizeof buf, p)) out += buf;
  if (::pclose(p) != 0) GTEST_SKIP() << "python3-dbf not available";
  EXPECT_EQ(out, "789600949065|1|7896009490651|1|LECHE ENTERA|13\n");
}

TEST_F(CodeEdit, SavingAStoredCodeAgainReplacesItsRecord) {
  save("7896009490651", "PRIMERA", 1);
  save("78600027", "OTRO", 3);
  save("7896009490651", "SEGUNDA", 1);
  const std::vector<Row> rows = rowsOf(keyOf("789600949065", "1"));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].nometi, "SEGUNDA");
  EXPECT_EQ(rows[0].numeti, "2");  // one other key left, plus one; the first save had "1"
  EXPECT_EQ(storedRows().size(), 2u);
  EXPECT_EQ(printed.size(), 3u);
}

TEST_F(CodeEdit, SavingReplacesEveryRecordOfTheKey) {
  // Two records of one key, as another copy of the program could leave them.
  xb::engine::WorkArea* a = workAreas().find("CodPro2");
  ASSERT_NE(a, nullptr);
  for (const char* name : {"UNO", "DOS"}) {
    ASSERT_TRUE(a->appendBlank());
    a->fieldPut(std::string_view("CODIGO"), xb::Value("789600949065"));
    a->fieldPut(std::string_view("DGCNT"), xb::Value("1"));
    a->fieldPut(std::string_view("NOMETI"), xb::Value(name));
    a->fieldPut(std::string_view("TIPOBAR"), xb::Value("13"));
    a->unlock();
  }
  save("7896009490651", "TRES", 1);
  const std::vector<Row> rows = storedRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].nometi, "TRES");
  EXPECT_EQ(rows[0].numeti, "1");
}

// A copy killed at any moment while it saves a stored code again and again
// leaves the code stored (twice at worst, never not at all), with a whole
// record of one of its saves, and the table and its index in agreement.
TEST_F(CodeEdit, AProgramKilledWhileReplacingACodeNeverLosesIt) {
  save("7896009490651", "V0", 1);
  workAreas().closeAll();
  // QV_TORTURE_SCALE (default 1) multiplies the kills.
  const char* scale = std::getenv("QV_TORTURE_SCALE");
  const int kKills = 40 * (scale && std::atoi(scale) > 0 ? std::atoi(scale) : 1);
  std::mt19937 rng(5);
  int doubled = 0;
  for (int k = 0; k < kKills; ++k) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      xb::setErrorHandler([](const xb::Error&) -> xb::ErrorAnswer { _exit(5); });
      qv::setPrintStep([] {});
      qv::ABREBASES();
      for (int i = 1;; ++i) save("7896009490651", "V" + std::to_string(i), 1);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(1000 + rng() % 20000));
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saver ended by itself, status " << status;
    const std::vector<Row> rows = rowsOf(keyOf("789600949065", "1"));
    ASSERT_GE(rows.size(), 1u) << "kill " << k + 1 << ": the code is gone";
    ASSERT_LE(rows.size(), 2u) << "kill " << k + 1;
    doubled += rows.size() == 2;
    for (const Row& r : rows) EXPECT_EQ(r.nometi.substr(0, 1), "V") << "kill " << k + 1 << ": " << r.nometi;
    auto& areas = workAreas();
    ASSERT_TRUE(areas.use("CodPro.dbf", "CHECK"));
    ASSERT_TRUE(areas.area().addIndex("CodiProx.cdx"));
    const std::vector<std::string> faults = areas.area().check();
    EXPECT_TRUE(faults.empty()) << "kill " << k + 1 << ": " << faults.front();
    areas.close();
  }
  std::printf("%d kills while replacing a code: stored once or (%d times) twice, never lost\n", kKills, doubled);
}

TEST_F(CodeEdit, ARejectedCodeLeavesTheTableAlone) {
  const struct {
    int option;
    const char* code;
    const char* message;
  } cases[] = {
      {1, "789600949065", qv::kWrongDigitCount},
      {1, "7896009490652", qv::kWrongCheckDigit},
      {2, "7896009490651", qv::kWrongDigitCount},
      {3, "78600020", qv::kWrongCheckDigit},
      {5, "", qv::kWrongDigitCount},
      {8, "   ", qv::kWrongDigitCount},
  };
  save("78600027", "GUARDADO", 3);
  printed.clear();
  qv::closeAllTables();
  qv::ABREBASES();
  const auto before = snapshot();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    prompts.asked.clear();
    save(c.code, "NADA", c.option);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].title, "Atención.....");
    EXPECT_EQ(prompts.asked[0].text, c.message);
    EXPECT_EQ(rtrim(named("cCodigo")), rtrim(c.code));
  }
  EXPECT_TRUE(printed.empty());
  qv::closeAllTables();
  EXPECT_EQ(snapshot(), before);
}

TEST_F(CodeEdit, PrintOnlyOfANewCodeLeavesNoRecord) {
  printOnly("7896009490651", "SOLO IMPRIMIR", 1, false);
  ASSERT_EQ(printed.size(), 1u);
  ASSERT_EQ(printed[0].rows.size(), 1u);
  EXPECT_EQ(printed[0].rows[0].nometi, "SOLO IMPRIMIR");
  EXPECT_TRUE(printed[0].soloImpri);
  EXPECT_TRUE(storedRows().empty());
  EXPECT_EQ(rtrim(named("cCodigo")), "7896009490651");
}

TEST_F(CodeEdit, PrintOnlyOfANewCodeKeepsTheRecordStoredUnderItsKey) {
  save("7896009490651", "GUARDADO", 1);
  save("78600027", "OTRO", 3);
  const std::vector<Row> before = storedRows();
  printed.clear();
  printOnly("7896009490651", "DEL DIALOGO", 1, false);
  // It printed as the dialog gave it, alone under its key ...
  ASSERT_EQ(printed.size(), 1u);
  ASSERT_EQ(printed[0].rows.size(), 1u);
  EXPECT_EQ(printed[0].rows[0].nometi, "DEL DIALOGO");
  EXPECT_NE(printed[0].rows[0].recno, before[0].recno);
  // ... and the stored record is back as it was.
  const std::vector<Row> after = storedRows();
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].recno, before[i].recno);
    EXPECT_EQ(after[i].nometi, before[i].nometi);
    EXPECT_EQ(after[i].numeti, before[i].numeti);
  }
  EXPECT_EQ(rowsOf(keyOf("789600949065", "1")).size(), 1u);
}

TEST_F(CodeEdit, PrintOfAFoundCodeRewritesAndKeepsItsRecord) {
  save("78600027", "OTRO", 3);
  save("051111128817", "CAFE", 2);
  xb::assignOrCreate("lModifica", xb::Value(true));
  setCode("051111128817");
  ASSERT_TRUE(qv::BUSCACOD2("051111128817"));
  printed.clear();
  qv::IMPRESOLO();
  EXPECT_FALSE(flag("lSoloImpri"));
  ASSERT_EQ(printed.size(), 1u);
  EXPECT_TRUE(printed[0].soloImpri);
  const std::vector<Row> rows = rowsOf(keyOf("05111112881", "7"));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].nometi, "CAFE");
  EXPECT_EQ(rows[0].tipobar, "UPCA");
  EXPECT_EQ(rows[0].numeti, "2");
  EXPECT_EQ(storedRows().size(), 2u);
  EXPECT_EQ(named("cElTipBarr"), "UPCA");
}

TEST_F(CodeEdit, ACodeItsSymbologyCannotCarryIsRefusedButOneStoredBeforeStillPrints) {
  save("ABC", "LETRAS", 6);  // industrial 2 of 5: digits only
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].title, "Atención.....");
  EXPECT_NE(prompts.asked[0].text.find("Industrial 2 de 5 admite solo cifras"), std::string::npos);
  EXPECT_TRUE(printed.empty());
  EXPECT_TRUE(storedRows().empty());

  // The same code as a record stored before the rule: found and printed.
  xb::engine::WorkArea* a = workAreas().find("CodPro2");
  ASSERT_NE(a, nullptr);
  ASSERT_TRUE(a->appendBlank());
  a->fieldPut("CODIGO", xb::Value("ABC"));
  a->fieldPut("COD_COMPL", xb::Value("ABC"));
  a->fieldPut("TIPOBAR", xb::Value("IND25"));
  a->fieldPut("NOMETI", xb::Value("ANTIGUO"));
  a->unlock();
  a->commit();
  xb::assignOrCreate("lModifica", xb::Value(true));
  setCode("ABC");
  ASSERT_TRUE(qv::BUSCACOD2("ABC"));
  qv::IMPRESOLO();
  EXPECT_EQ(prompts.asked.size(), 1u);
  ASSERT_EQ(printed.size(), 1u);
  ASSERT_EQ(printed[0].rows.size(), 1u);
  EXPECT_EQ(printed[0].rows[0].nometi, "ANTIGUO");
  EXPECT_EQ(printed[0].rows[0].tipobar, "IND25");
}

TEST_F(CodeEdit, ACodeKeptWholeNeverMeetsACheckDigitCodeOfTheSameBody) {
  save("7896009490651", "EAN", 1);
  save("789600949065", "CODE 39", 5);
  ASSERT_EQ(printed.size(), 2u);
  ASSERT_EQ(printed[1].rows.size(), 1u);
  EXPECT_EQ(printed[1].rows[0].nometi, "CODE 39");
  save("789600949065", "CODE 39 OTRA VEZ", 5);
  const std::vector<Row> rows = storedRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rowsOf(keyOf("789600949065", "1"))[0].nometi, "EAN");
  EXPECT_EQ(rowsOf(keyOf("789600949065", ""))[0].nometi, "CODE 39 OTRA VEZ");
}

TEST_F(CodeEdit, DeletingAsksFirst) {
  const struct {
    int answer;
    bool deleted;
  } cases[] = {{2, false}, {0, false}, {1, true}};
  save("7896009490651", "BORRABLE", 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    prompts.asked.clear();
    prompts.alertAnswers = {c.answer};
    workAreas().select(std::string_view("CodPro2"));
    ASSERT_TRUE(qv::BUSCACOD2("7896009490651"));
    EXPECT_EQ(qv::BORRADATO(), c.deleted);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].kind, "alert");
    EXPECT_EQ(prompts.asked[0].text, "Seguro desea borrar registro ?");
    EXPECT_EQ(prompts.asked[0].buttons, (std::vector<std::string>{"  &Si  ", "  &No  "}));
    EXPECT_EQ(prompts.asked[0].title, "Atención......");
    const std::vector<Row> rows = storedRows();
    EXPECT_EQ(rows.size(), c.deleted ? 0u : 1u);
    if (!c.deleted) {
      EXPECT_EQ(rows[0].nometi, "BORRABLE");
    }
  }
  // Nothing left to delete, on the record deleted or past the end: nothing
  // is asked.
  prompts.asked.clear();
  EXPECT_FALSE(qv::BORRADATO());
  workAreas().area().goBottom();
  workAreas().area().skip();
  ASSERT_TRUE(workAreas().area().eof());
  EXPECT_FALSE(qv::BORRADATO());
  EXPECT_TRUE(prompts.asked.empty());
}

// --- The dialog ---------------------------------------------------------------

class CodeDialog : public CodeEdit {
 protected:
  void open(const std::string& mode) {
    dialog = qv::openCodeDialog(mode);
    ASSERT_NE(dialog, nullptr);
  }
  template <typename T>
  T* ctl(int id) {
    auto* w = qobject_cast<T*>(ui::controlById(dialog.get(), id));
    EXPECT_NE(w, nullptr) << id;
    return w;
  }
  QString text(int id) { return ctl<QLabel>(id)->text(); }
  void type(int id, const QString& t) {
    auto* e = ctl<QLineEdit>(id);
    e->selectAll();
    e->insert(t);
  }
  void choose(int option) { ctl<QRadioButton>(100 + option)->click(); }
  void press(int id) { ctl<QAbstractButton>(id)->click(); }

  std::unique_ptr<QDialog> dialog;
};

TEST_F(CodeDialog, TitleTextsAndButtonsPerMode) {
  const struct {
    const char* mode;
    const char* title;
    const char* heading;
  } cases[] = {
      {"N", "Generador de Códigos de Barrar Quorvalent  -  Incluyendo Código", "Incluyendo Código:"},
      {"M", "Generador de Códigos de Barrar Quorvalent  -  Modificando Código", "Modificando Código:"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    open(c.mode);
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(c.title));
    EXPECT_EQ(text(109), QString::fromUtf8(c.heading));
    EXPECT_EQ(text(150), QStringLiteral("Generador Códigos de Barras"));
    EXPECT_EQ(text(160), QStringLiteral("Tipo de Código"));
    EXPECT_EQ(text(161), QStringLiteral("Digite Código completo"));
    EXPECT_EQ(text(162), QStringLiteral("Descripción"));
    EXPECT_FALSE(ctl<QLabel>(301)->pixmap().isNull());
    const struct {
      int id;
      const char* caption;
      const char* tip;
    } buttons[] = {{220, "&Guardar\nImprimir", "Graba e imprime Código"},
                   {221, "&Imprimir", "Sólo Imprime Código sin grabar"},
                   {222, "&Cancelar", "Cancelar inclusión"}};
    for (const auto& b : buttons) {
      EXPECT_EQ(ctl<QAbstractButton>(b.id)->text(), QString::fromUtf8(b.caption));
      EXPECT_EQ(ctl<QAbstractButton>(b.id)->toolTip(), QString::fromUtf8(b.tip));
      EXPECT_FALSE(ctl<QAbstractButton>(b.id)->icon().isNull());
    }
  }
}

TEST_F(CodeDialog, ANewCodeIsTypedChosenSavedAndPrinted) {
  setCode("7896009490651");
  open("N");
  EXPECT_EQ(ctl<QLineEdit>(130)->text(), QStringLiteral("7896009490651"));
  EXPECT_EQ(ctl<QLineEdit>(131)->text(), QString());
  EXPECT_TRUE(ctl<QRadioButton>(101)->isChecked());
  type(130, "abc-1");
  EXPECT_EQ(rtrim(named("cCodigo")), "ABC-1");
  type(131, "caña dulce");
  EXPECT_EQ(ctl<QLineEdit>(131)->text(), QStringLiteral("CAÑA DULCE"));
  choose(5);
  press(220);
  std::vector<Row> rows = storedRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].codigo, "ABC-1");
  EXPECT_EQ(rows[0].tipobar, "3-9");
  EXPECT_EQ(rows[0].nometi, "CAÑA DULCE");
  ASSERT_EQ(printed.size(), 1u);

  // The dialog stays open for the next code; a print-only one is not kept.
  type(130, "78600027");
  choose(3);
  press(221);
  EXPECT_EQ(printed.size(), 2u);
  EXPECT_TRUE(printed[1].soloImpri);
  EXPECT_FALSE(flag("lSoloImpri"));
  EXPECT_EQ(storedRows().size(), 1u);

  // A rejected code keeps what was typed in the field.
  type(130, "78600020");
  press(220);
  EXPECT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(ctl<QLineEdit>(130)->text(), QStringLiteral("78600020"));
  EXPECT_EQ(printed.size(), 2u);
}

TEST_F(CodeDialog, ChangingAFoundCode) {
  save("051111128817", "CAFE MOLIDO", 2);
  ASSERT_TRUE(qv::BUSCACOD2("051111128817"));
  xb::assignOrCreate("lModifica", xb::Value(true));
  open("M");
  EXPECT_EQ(ctl<QLineEdit>(130)->text(), QStringLiteral("051111128817"));
  EXPECT_EQ(ctl<QLineEdit>(131)->text(), QStringLiteral("CAFE MOLIDO"));
  EXPECT_TRUE(ctl<QRadioButton>(102)->isChecked());
  EXPECT_EQ(named("cElTipBarr"), "UPCA");

  // A new description under the same code replaces the record.
  type(131, "CAFE EN GRANO");
  press(220);
  std::vector<Row> rows = storedRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].nometi, "CAFE EN GRANO");

  // Another code is a second record; the first one stays.
  type(130, "7896009490651");
  choose(1);
  press(220);
  rows = storedRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rowsOf(keyOf("05111112881", "7"))[0].nometi, "CAFE EN GRANO");
  EXPECT_EQ(rowsOf(keyOf("789600949065", "1"))[0].nometi, "CAFE EN GRANO");

  // Printing alone a code that is not stored adds no record.
  type(130, "78600027");
  choose(3);
  press(221);
  EXPECT_EQ(printed.back().rows.size(), 1u);
  EXPECT_EQ(storedRows().size(), 2u);
}

TEST_F(CodeDialog, ALongerStoredDescriptionIsShownWhole) {
  const std::string desc = "DESCRIPCION DE CUARENTA Y DOS CARACTERES.";
  save("78600027", desc, 3);
  ASSERT_TRUE(qv::BUSCACOD2("78600027"));
  open("M");
  EXPECT_EQ(ctl<QLineEdit>(131)->text().toStdString(), desc);
  open("N");
  EXPECT_EQ(ctl<QLineEdit>(131)->maxLength(), 35);
}

TEST_F(CodeDialog, CancelClosesTheDialog) {
  open("N");
  dialog->show();
  press(222);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_TRUE(printed.empty());
  EXPECT_TRUE(storedRows().empty());
}

TEST_F(CodeEdit, TheSaveRunsTheLabelGeneratorOnTheStoredCode) {
  qv::setPrintStep({});
  QString shownTitle;
  QTimer::singleShot(0, [&shownTitle] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      shownTitle = w->windowTitle();
      if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
    }
  });
  save("7896009490651", "CON ETIQUETAS", 1);
  EXPECT_EQ(shownTitle, QStringLiteral("Generador de etiquetas"));
  EXPECT_EQ(rowsOf(keyOf("789600949065", "1")).size(), 1u);
  EXPECT_EQ(workAreas().area().alias(), "CODPRO2");
}

}  // namespace
