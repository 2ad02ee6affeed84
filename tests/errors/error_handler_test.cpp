// The error handler: report building, the one-line text, the silent cases,
// the error log (read back with the engine and from the raw file), the
// dialog's buttons, the browser's start row and layouts, and printing's
// word-wrapping.
#include <QEventLoop>
#include <QListWidget>
#include <QTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "data/engine/workspace.h"
#include "errors/error_browser.h"
#include "errors/error_dialog.h"
#include "errors/error_log.h"
#include "errors/error_print.h"
#include "errors/error_report.h"
#include "errors/error_sys.h"
#include "errors/system_facts.h"
#include "print/preview.h"
#include "tests/print/print_test_support.h"
#include "tests/ui/qt_app.h"
#include "xbase/dates.h"
#include "xbase/expr.h"
#include "tests/xbase/scripted_prompter.h"

namespace {

namespace fs = std::filesystem;
using namespace qv;

// A temporary working folder for one test; the program's tables are closed
// and the previous folder restored afterwards.
class TempCwd {
 public:
  TempCwd() : previous_(fs::current_path()) {
    char tmpl[] = "/tmp/qv_errors_XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    fs::current_path(dir_);
  }
  ~TempCwd() {
    xb::engine::workAreas().closeAll();
    fs::current_path(previous_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  const fs::path& dir() const { return dir_; }

 private:
  fs::path previous_;
  fs::path dir_;
};

// Installs the handler with a scripted dialog and a recorded program end.
class HandlerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    previousHandler_ = xb::setErrorHandler(ERRORDIALOG);
    setErrorDialogRunner([this](const ErrorDialogContent& c) {
      shown.push_back(c);
      return answer;
    });
    setProgramEnd([this](int code, bool) { endCodes.push_back(code); });
  }
  void TearDown() override {
    setErrorDialogRunner({});
    setProgramEnd({});
    xb::setErrorHandler(previousHandler_);
    xb::setNetError(false);
  }

  TempCwd cwd;
  DialogChoice answer = DialogChoice::Default;
  std::vector<ErrorDialogContent> shown;
  std::vector<int> endCodes;

 private:
  xb::ErrorHandler previousHandler_;
};

xb::Error sampleError() {
  xb::Error e;
  e.genCode = xb::kGenArgument;
  e.severity = 2;
  e.subsystem = "BASE";
  e.subCode = 1081;
  e.description = "Argument error";
  e.operation = "+";
  e.args = {xb::Value(std::string("abc")), xb::Value(5)};
  e.canDefault = true;
  return e;
}

// Record count of a dBASE table read straight from its header.
uint32_t rawRecordCount(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char h[8] = {};
  in.read(reinterpret_cast<char*>(h), 8);
  return h[4] | (h[5] << 8) | (h[6] << 16) | (uint32_t(h[7]) << 24);
}

TEST(ErrorMessage, OneLineTextByCodes) {
  struct Case {
    int os, severity;
    std::string sub;
    int subCode;
    std::string desc, file, op, want;
  };
  const Case cases[] = {
      {32, 2, "DBFCDX", 1001, "Open error", "a.dbf", "USE", "(DOS Error 32) DBFCDX/1001  Open error: a.dbf"},
      {0, 2, "BASE", 1081, "Argument error", "", "+", "Error BASE/1081  Argument error: +"},
      {0, 1, "", 0, "", "", "", "Atención \?\?\?/\?\?\?"},
  };
  for (const Case& c : cases) {
    xb::Error e;
    e.osCode = c.os;
    e.severity = c.severity;
    e.subsystem = c.sub;
    e.subCode = c.subCode;
    e.description = c.desc;
    e.filename = c.file;
    e.operation = c.op;
    EXPECT_EQ(ERRORMESSAGE(e), c.want);
  }
}

TEST(ErrorReport, ValueDescriptions) {
  struct Case {
    xb::Value v;
    std::string want;
  };
  const Case cases[] = {
      {xb::Value(std::string("hola")), "\"hola\""},
      {xb::Value::array({xb::Value(1), xb::Value(2)}), "Len:    2"},
      {xb::Value(12), "12"},
      {xb::Value(true), ".T."},
      {xb::Value(), "NIL"},
  };
  for (const Case& c : cases) EXPECT_EQ(CGETINFO(c.v), c.want);
}

TEST(ErrorReport, ArgumentLinesShowEachArgumentsOwnTypeAndValue) {
  xb::Error e = sampleError();
  e.args = {xb::Value(std::string("abc")), xb::Value(5), xb::Value(false)};
  const std::vector<std::string> want{"   Args:", "     [   1] = C   abc", "     [   2] = N   5",
                                      "     [   3] = L   .F."};
  EXPECT_EQ(sectionArguments(e), want);
  e.args.clear();
  EXPECT_TRUE(sectionArguments(e).empty());
}

TEST(ErrorReport, SectionsInOrderWithTheirLabels) {
  ReportFacts f;
  f.programPath = "/opt/qv/quorvalent";
  f.programSize = 1234567;
  f.maxOpenFiles = 99;
  f.date = "07-12-2026";
  f.time = "10:11:12";
  f.calls = {{"qv::ABREBASES", "+0x1a"}, {"", ""}, {"main", "+0x20"}};
  f.cpuName = "Test CPU";
  f.memoryBytes = 1048576 * 2;
  f.tasks = {{7, "bash"}};
  AreaFacts a;
  a.number = 3;
  a.current = true;
  a.alias = "CodPro2";
  a.recNo = 4;
  a.recCount = 10;
  a.orders = {{"_Field->CODIGO+_Field->DGCNT", "CODIGO", true}};
  f.areas = {a};
  f.classes = {"TPublic"};
  const std::string r = buildReport(sampleError(), f);
  const char* labels[] = {"Aplicación:\r\n===========\r\n",
                          "   Path y nombre: /opt/qv/quorvalent\r\n",
                          "   Tam.: 1,234,567 bytes\r\n",
                          "   Máximo de ficheros abiertos: ( SetHandleCount() )  99\r\n",
                          "   Error ocurrido el día: 07-12-2026, a la hora: 10:11:12\r\n",
                          "   Nombre del error: Error BASE/1081  Argument error: +\r\n",
                          "   Args:\r\n",
                          "\r\nLlamadas a funciones\r\n====================\r\n   Llamado por qv::ABREBASES(+0x1a)\r\n"
                          "   Llamado por main(+0x20)\r\n",
                          "\r\nSistema\r\n=======\r\n   CPU tipo: Test CPU\r\n   Memoria: 2097920 (2 megas)\r\n",
                          "   Total de aplicaciones WIN ejecutandose:   1\r\n      7 bash\r\n",
                          "\r\nVariables en uso\r\n================\r\n",
                          "     Param   1:    C    \"abc\"\r\n",
                          "\r\nLinked RDDs\r\n===========\r\n   DBFCDX\r\n",
                          "\r\nFicheros en uso\r\n===============\r\n",
                          "  3: => CodPro2        " "                    RddName: DBFCDX\r\n",
                          "        4         10      .F.   .F.\r\n",
                          "        => _Field->CODIGO+_Field->DGCNT       CODIGO\r\n",
                          "\r\nClases en uso:\r\n===============\r\n     1 TPublic\r\n",
                          "\r\nAnálisis de Memoria\r\n===================\r\n"};
  size_t at = 0;
  for (const char* l : labels) {
    const size_t p = r.find(l, at);
    ASSERT_NE(p, std::string::npos) << l;
    at = p;
  }
  const std::string print = buildPrintText(sampleError(), f);
  EXPECT_NE(print.find("   Args:\r\n     [   1] = C   abc\r\n     [   2] = N   5\r\n\r\n   Llamado por"),
            std::string::npos);
  EXPECT_EQ(print.find("Sistema"), std::string::npos);
}

TEST(ErrorReport, ProgramSizeGroupedWhateverItsLength) {
  struct Case {
    int64_t size;
    std::string want;
  };
  const Case cases[] = {{512, "   Tam.:       512 bytes"},
                        {1234567, "   Tam.: 1,234,567 bytes"},
                        {12345678, "   Tam.: 12,345,678 bytes"}};
  for (const Case& c : cases) {
    ReportFacts f;
    f.programSize = c.size;
    EXPECT_EQ(sectionApplication(f)[3], c.want);
  }
}

TEST(ErrorReport, WrapsIntoLinesOf65) {
  const std::string word10 = "abcdefghi ";
  std::string text;
  for (int i = 0; i < 10; ++i) text += word10;
  const auto lines = wrapLines(text + "\r\nsegunda\r\n" + std::string(70, 'x'), 65);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "abcdefghi abcdefghi abcdefghi abcdefghi abcdefghi abcdefghi");
  EXPECT_EQ(lines[1], "abcdefghi abcdefghi abcdefghi abcdefghi");
  EXPECT_EQ(lines[2], "segunda");
  EXPECT_EQ(lines[3], std::string(65, 'x'));
  EXPECT_EQ(lines[4], std::string(5, 'x'));
  std::string enes;
  for (int i = 0; i < 100; ++i) enes += "ñ";
  const auto cut = wrapLines(enes, 65);
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[0].size(), 130u);
  EXPECT_EQ(IMPTEXT(toLogText("Página ñ")), std::vector<std::string>{"Página ñ"});
}

TEST(ErrorReport, PagesAndFooter) {
  const std::vector<std::string> lines(7, "x");
  const auto pages = paginate(lines, 3);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[2].lines.size(), 1u);
  EXPECT_EQ(paginate({}, 3).size(), 1u);
  EXPECT_EQ(pageFooter(2), "Página   2");
}

TEST(SystemFacts, ParsesLinuxTexts) {
  EXPECT_EQ(cpuModelName("processor\t: 0\nmodel name\t: Intel(R) X 3.0GHz\n"), "Intel(R) X 3.0GHz");
  EXPECT_EQ(memTotalBytes("MemTotal:       16318480 kB\nMemFree: 1 kB\n"), 16318480LL * 1024);
  int a = 0, b = 0;
  versionNumbers("6.1.0-18-amd64", a, b);
  EXPECT_EQ(a * 100 + b, 601);
  versionNumbers("12", a, b);
  EXPECT_EQ(a * 100 + b, 1200);
  const auto tasks = userTasks();
  EXPECT_TRUE(std::any_of(tasks.begin(), tasks.end(), [](const TaskFacts& t) { return t.number == ::getpid(); }));
}

TEST(SystemFacts, CallStackNamesTheRoutinesThatRaised) {
  std::vector<CallFrame> seen;
  const auto prev = xb::setErrorHandler([&](const xb::Error&) {
    seen = callStack();
    return xb::ErrorAnswer{};
  });
  xb::raise(sampleError());
  xb::setErrorHandler(prev);
  ASSERT_FALSE(seen.empty());
  // The test body itself is a local symbol; its callers are named, and
  // nothing of the error machinery is listed.
  EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const CallFrame& f) {
    return f.routine == "testing::Test::Run";
  }));
  for (const CallFrame& f : seen) {
    EXPECT_EQ(f.routine.find("xb::raise"), std::string::npos);
    EXPECT_EQ(f.routine.find("callStack"), std::string::npos);
  }
}

TEST(ErrorDialogButtons, ByRetryAndDefaultFlags) {
  struct Case {
    bool retry, def;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {true, true, {"&Imprimir", "&Mas...", "&Salir", "&Reintentar", "&Omitir"}},
      {false, false, {"&Imprimir", "&Mas...", "&Salir"}},
      {true, false, {"&Imprimir", "&Mas...", "&Salir", "&Reintentar"}},
      {false, true, {"&Imprimir", "&Mas...", "&Salir", "&Omitir"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(errorDialogButtons(c.retry, c.def), c.want);
    ErrorDialogContent content{"   Nombre del error: x", {"   Llamado por a(1)", "   Llamado por b(2)"}, "", c.retry,
                               c.def};
    ErrorDialog d(content);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("LISTA DE ERRORES PRODUCIDOS POR EL PROGAMA"));
    EXPECT_EQ(d.findChildren<QPushButton*>().size(), static_cast<qsizetype>(c.want.size()));
    EXPECT_EQ(d.callList()->currentRow(), 0);
  }
}

TEST(ErrorDialogButtons, ChoicesOfTheButtons) {
  ErrorDialogContent content{"   Nombre del error: x", {}, "", true, true};
  struct Case {
    const char* caption;
    DialogChoice want;
  };
  for (const Case& c : {Case{"&Reintentar", DialogChoice::Retry}, Case{"&Omitir", DialogChoice::Default},
                        Case{"&Salir", DialogChoice::None}}) {
    ErrorDialog d(content);
    d.show();
    d.button(QString::fromUtf8(c.caption))->click();
    EXPECT_EQ(d.choice(), c.want) << c.caption;
    EXPECT_FALSE(d.isVisible());
  }
}

TEST(ErrorDialogButtons, MasOpensTheLogBrowser) {
  TempCwd cwd;
  ASSERT_TRUE(appendLogRow({xb::today(), "08:00:00", "Error uno", "informe"}));
  ErrorDialog d(ErrorDialogContent{"   Nombre del error: x", {}, "", false, false});
  int rows = -1;
  QString title;
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* b = qobject_cast<ErrorBrowser*>(w); b && b->isVisible()) {
        rows = b->table()->rowCount();
        title = b->windowTitle();
        b->button(QStringLiteral("&Salir"))->click();
      }
  });
  d.button(QStringLiteral("&Mas..."))->click();  // returns when the browser has closed
  EXPECT_EQ(rows, 1);
  EXPECT_TRUE(title.startsWith(QStringLiteral("Registro de Errores del ")));
  EXPECT_EQ(xb::engine::workAreas().areaOf(kErrorAlias), 0);
}

TEST(ErrorBrowserStart, TodayOrTheLatestBefore) {
  struct Case {
    std::vector<std::string> keys;
    std::string today;
    int want;
  };
  const Case cases[] = {
      {{"2026120710:00:00", "2026120709:00:00", "2026120512:00:00"}, "20261207", 0},
      {{"2026120512:00:00", "2026120401:00:00"}, "20261207", 0},
      {{"2026120912:00:00", "2026120812:00:00", "2026120501:00:00"}, "20261207", 2},
      {{"2026120912:00:00", "2026120812:00:00"}, "20261207", 1},
      {{}, "20261207", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(browserStart(c.keys, c.today), c.want);
}

TEST(ErrorBrowserLayout, TwoLayoutsByScreenWidth) {
  const BrowserLayout small = browserLayout(799);
  EXPECT_EQ(small.title, "Registro de Errores del Programa");
  EXPECT_EQ(small.width * 1000 + small.height, 600440);
  EXPECT_EQ(small.columns[2], "Descripcion del error");
  EXPECT_EQ(small.buttons, (std::vector<std::string>{"&Ver", "&Salir"}));
  const BrowserLayout wide = browserLayout(800);
  EXPECT_EQ(wide.title, "Registro de Errores del programa");
  EXPECT_EQ(wide.width * 1000 + wide.height, 750500);
  EXPECT_EQ(wide.columns[2], "Nombre del error");
  EXPECT_EQ(wide.buttons, (std::vector<std::string>{"&Imprimir", "&Salir"}));
}

TEST(ErrorBrowserLayout, TextFollowsTheRow) {
  std::vector<LogRow> rows{{xb::today(), "10:00:00", "Error A", "informe A\r\nlinea"},
                           {xb::today(), "09:00:00", "Error B", "informe B"}};
  ErrorBrowser b(rows, 1, 1024);
  EXPECT_EQ(b.currentRow(), 1);
  EXPECT_EQ(b.text()->toPlainText(), QStringLiteral("informe B"));
  b.table()->setCurrentCell(0, 0);
  EXPECT_EQ(b.text()->toPlainText(), QStringLiteral("informe A\nlinea"));
  EXPECT_EQ(b.table()->item(0, 2)->text(), QStringLiteral("Error A"));
}

TEST(ErrorBrowserLayout, OnADayWithoutErrorsTheLatestBeforeTodayComesFirst) {
  TempCwd cwd;
  const xb::Date today = xb::today();
  ASSERT_TRUE(appendLogRow({xb::Date{today.jd - 3}, "08:00:00", "hace tres dias", "a"}));
  ASSERT_TRUE(appendLogRow({xb::Date{today.jd - 1}, "07:00:00", "ayer temprano", "b"}));
  ASSERT_TRUE(appendLogRow({xb::Date{today.jd - 1}, "21:00:00", "ayer tarde", "c"}));
  ASSERT_TRUE(appendLogRow({xb::Date{today.jd + 2}, "09:00:00", "futuro", "d"}));
  const std::unique_ptr<ErrorBrowser> b = makeErrorBrowser(1024);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->table()->rowCount(), 4);
  EXPECT_EQ(b->table()->item(b->currentRow(), 2)->text(), QStringLiteral("ayer tarde"));
  EXPECT_EQ(b->text()->toPlainText(), QStringLiteral("c"));
  EXPECT_EQ(b->table()->item(0, 2)->text(), QStringLiteral("futuro"));
  EXPECT_EQ(b->table()->item(b->currentRow(), 0)->text(), QString::fromStdString(xb::dateToText(xb::Date{today.jd - 1})));
  EXPECT_EQ(xb::engine::workAreas().areaOf(kErrorAlias), 0);
}

class ReportPrint : public prtest::PrintFixture {};

TEST_F(ReportPrint, LongReportGoesToThePreviewOverSeveralPages) {
  std::string text;
  for (int i = 1; i <= 150; ++i) text += "   Llamado por rutina_" + std::to_string(i) + "(" + std::to_string(i) + ")\r\n";
  int open = 0;
  size_t pages = 0;
  QString title;
  bool modal = false;
  QTimer::singleShot(0, [&] {
    open = pr::openPreviews();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* p = qobject_cast<pr::TMULTIPREVIEW*>(w); p && p->isVisible()) {
        pages = p->aFiles().size();
        title = p->windowTitle();
        modal = p->windowModality() == Qt::ApplicationModal;
        p->close();
      }
  });
  IMPERROR(nullptr, toLogText(text));  // returns when the preview has closed
  EXPECT_EQ(open, 1);
  EXPECT_EQ(title, QStringLiteral("Registro de Errores"));
  EXPECT_TRUE(modal);
  EXPECT_GE(pages, 2u);
  EXPECT_LE(pages, 5u);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(pr::openPreviews(), 0);
}

TEST_F(HandlerFixture, DivisionByZeroInAnExpressionGivesZero) {
  EXPECT_EQ(xb::evaluate("10 / 0 + 2"), xb::Value(2));
  EXPECT_TRUE(shown.empty());
  EXPECT_FALSE(fs::exists(cwd.dir() / "Error"));
}

TEST_F(HandlerFixture, DivisionByZeroGivesZeroWithoutLogOrDialog) {
  xb::Error e;
  e.genCode = xb::kGenZeroDiv;
  e.subsystem = "BASE";
  e.description = "Zero divisor";
  const xb::ErrorAnswer a = xb::raise(e);
  EXPECT_EQ(a.kind, xb::ErrorAnswer::Substitute);
  EXPECT_EQ(a.value, xb::Value(0));
  EXPECT_TRUE(shown.empty());
  EXPECT_FALSE(fs::exists(cwd.dir() / "Error"));
  std::ifstream trace(cwd.dir() / "trace.log");
  std::string first;
  std::getline(trace, first);
  EXPECT_EQ(first.rfind("[error_sys.cpp->ERRORDIALOG] (", 0), 0u);
}

TEST_F(HandlerFixture, SharingConflictsSetTheNetworkFlagQuietly) {
  for (auto [gen, os] : {std::pair{xb::kGenOpen, 32}, std::pair{xb::kGenOpen, 5}, std::pair{xb::kGenAppendLock, 0}}) {
    xb::setNetError(false);
    xb::Error e;
    e.genCode = gen;
    e.osCode = os;
    e.canDefault = true;
    EXPECT_EQ(xb::raise(e).kind, xb::ErrorAnswer::Default);
    EXPECT_TRUE(xb::netError());
  }
  EXPECT_TRUE(shown.empty());
  EXPECT_FALSE(fs::exists(cwd.dir() / "Error"));
}

TEST_F(HandlerFixture, OtherErrorsAreLoggedAndShownAndTablesStayOpen) {
  xb::engine::WorkAreas& set = xb::engine::workAreas();
  ASSERT_TRUE(xb::engine::Table::create((cwd.dir() / "Other.dbf").string(), {{"NOMBRE", 'C', 10, 0}}));
  set.select(0);
  ASSERT_TRUE(set.use((cwd.dir() / "Other.dbf").string(), "OTHER"));
  const int otherArea = set.selected();

  answer = DialogChoice::Default;
  EXPECT_EQ(xb::raise(sampleError()).kind, xb::ErrorAnswer::Default);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].nameLine, "   Nombre del error: Error BASE/1081  Argument error: +");
  EXPECT_FALSE(shown[0].canRetry);
  EXPECT_TRUE(endCodes.empty());
  EXPECT_EQ(set.areaOf("OTHER"), otherArea);
  EXPECT_EQ(set.selected(), otherArea);
  EXPECT_EQ(set.areaOf(kErrorAlias), 0);

  xb::Error second = sampleError();
  second.description = "Segundo";
  second.canRetry = true;
  EXPECT_EQ(xb::raise(second).kind, xb::ErrorAnswer::Default);
  EXPECT_TRUE(shown.back().canRetry);
  EXPECT_EQ(set.areaOf("OTHER"), otherArea);

  EXPECT_EQ(rawRecordCount(cwd.dir() / "Error" / "Error.Dbf"), 2u);
  ASSERT_TRUE(ABREERROR());
  const std::vector<LogRow> rows = readOpenLog();
  closeErrorLog();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].fecha, xb::today());
  EXPECT_NE(rows[0].texto.find("Aplicación:\r\n"), std::string::npos);
  EXPECT_NE(rows[0].texto.find("Análisis de Memoria"), std::string::npos);
  EXPECT_NE(rows[0].texto.find("   Llamado por "), std::string::npos);
  EXPECT_LE(rows[0].error.size(), 50u);
  EXPECT_TRUE(rows[0].hora >= rows[1].hora);
  std::ifstream memo(xb::engine::Table::memoNameFor((cwd.dir() / "Error" / "Error.Dbf").string()), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(memo)), std::istreambuf_iterator<char>());
  EXPECT_NE(bytes.find("Aplicaci\xA2n:"), std::string::npos);  // 'ó' in code page 850
}

TEST_F(HandlerFixture, AFailureWritingTheLogIsSwallowedAndTheDialogStillShown) {
  fs::create_directory(cwd.dir() / "Error");
  std::ofstream(cwd.dir() / "Error" / "Error.Dbf") << "not a table at all";
  answer = DialogChoice::Default;
  EXPECT_EQ(xb::raise(sampleError()).kind, xb::ErrorAnswer::Default);
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_TRUE(endCodes.empty());
  EXPECT_EQ(xb::engine::workAreas().areaOf(kErrorAlias), 0);
  EXPECT_FALSE(appendLogRow({xb::today(), "08:00:00", "x", "y"}));
}

TEST_F(HandlerFixture, SalirClosesEveryTableAndEndsWithCodeOne) {
  xb::engine::WorkAreas& set = xb::engine::workAreas();
  ASSERT_TRUE(xb::engine::Table::create((cwd.dir() / "Other.dbf").string(), {{"NOMBRE", 'C', 10, 0}}));
  set.select(0);
  ASSERT_TRUE(set.use((cwd.dir() / "Other.dbf").string(), "OTHER"));
  ASSERT_TRUE(set.area().appendBlank());
  set.area().fieldPut("NOMBRE", xb::Value(std::string("pendiente")));
  answer = DialogChoice::None;
  xb::raise(sampleError());
  EXPECT_EQ(endCodes, std::vector<int>{1});
  EXPECT_EQ(set.areaOf("OTHER"), 0);
  EXPECT_EQ(rawRecordCount(cwd.dir() / "Other.dbf"), 1u);
  set.select(0);
  ASSERT_TRUE(set.use((cwd.dir() / "Other.dbf").string(), "OTHER"));
  set.area().goTop();
  EXPECT_EQ(set.area().fieldGet("NOMBRE"), xb::Value(std::string("pendiente ")));
  EXPECT_TRUE(set.area().check().empty());
}

TEST_F(HandlerFixture, RetryDuringStartUpEndsTheProgram) {
  xb::Error e = sampleError();
  e.canRetry = true;
  answer = DialogChoice::Retry;
  xb::raise(e);
  EXPECT_EQ(endCodes, std::vector<int>{1});

  // Once the event loop runs, the retry goes back to the operation.
  endCodes.clear();
  QEventLoop loop;
  xb::ErrorAnswer::Kind kind = xb::ErrorAnswer::Default;
  QTimer::singleShot(0, &loop, [&] {
    kind = xb::raise(e).kind;
    loop.quit();
  });
  loop.exec();
  EXPECT_EQ(kind, xb::ErrorAnswer::Retry);
  EXPECT_TRUE(endCodes.empty());
}

TEST_F(HandlerFixture, AnErrorInsideTheHandlerIsToldShortlyAndEndsThroughTheExitProcedure) {
  xb::ScriptedPrompter prompter;
  xb::PrompterGuard guard(prompter);
  std::vector<bool> atOnce;
  setProgramEnd([&](int code, bool once) {
    endCodes.push_back(code);
    atOnce.push_back(once);
  });
  ASSERT_TRUE(ABREERROR());  // an open table, which the exit procedure closes
  xb::Error inner = sampleError();
  inner.description = "fichero dañado";
  setErrorDialogRunner([&](const ErrorDialogContent&) {
    EXPECT_NE(xb::engine::workAreas().find(kErrorAlias), nullptr);
    xb::raise(inner);
    return DialogChoice::Default;
  });
  xb::raise(sampleError());
  EXPECT_EQ(endCodes, std::vector<int>{1});
  EXPECT_EQ(atOnce, std::vector<bool>{false});
  EXPECT_EQ(xb::engine::workAreas().find(kErrorAlias), nullptr);
  ASSERT_EQ(prompter.asked.size(), 1u);
  EXPECT_EQ(prompter.asked[0].title, "Atención.....");
  EXPECT_EQ(prompter.asked[0].text.rfind(kHandlerFailure, 0), 0u);
  EXPECT_NE(prompter.asked[0].text.find("fichero dañado"), std::string::npos) << prompter.asked[0].text;
}

TEST(ErrorLog, TwoProcessesAppendingAtOnceLoseNoRow) {
  TempCwd cwd;
  constexpr int kRows = 25;
  std::vector<pid_t> children;
  for (int p = 0; p < 2; ++p) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int ok = 0;
      for (int i = 0; i < kRows; ++i)
        ok += appendLogRow({xb::today(), "10:00:" + std::to_string(10 + i), "Error " + std::to_string(p), "informe"});
      ::_exit(ok == kRows ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(rawRecordCount(cwd.dir() / "Error" / "Error.Dbf"), 2u * kRows);
  ASSERT_TRUE(ABREERROR());
  const std::vector<LogRow> rows = readOpenLog();
  EXPECT_TRUE(xb::engine::workAreas().find(kErrorAlias)->check().empty());
  closeErrorLog();
  EXPECT_EQ(rows.size(), 2u * kRows);
}

TEST(ErrorLog, NewestFirstAndTheLogFolderFallsBack) {
  TempCwd cwd;
  ASSERT_TRUE(appendLogRow({xb::Date{xb::julianDay(2026, 1, 2)}, "08:00:00", "viejo", "a"}));
  ASSERT_TRUE(appendLogRow({xb::Date{xb::julianDay(2026, 3, 4)}, "08:00:00", "nuevo", "b"}));
  ASSERT_TRUE(appendLogRow({xb::Date{xb::julianDay(2026, 3, 4)}, "07:00:00", "medio", "c"}));
  ASSERT_TRUE(ABREERROR());
  const auto rows = readOpenLog();
  closeErrorLog();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].error, "nuevo");
  EXPECT_EQ(rows[1].error, "medio");
  EXPECT_EQ(rows[2].error, "viejo");

  TempCwd other;
  std::ofstream(other.dir() / "Error") << "a file where the folder should be";
  xb::ScriptedPrompter prompter;
  xb::PrompterGuard guard(prompter);
  ASSERT_TRUE(appendLogRow({xb::today(), "08:00:00", "aqui", "d"}));
  EXPECT_TRUE(fs::exists(other.dir() / "Error.Dbf"));
  ASSERT_FALSE(prompter.asked.empty());
  EXPECT_EQ(prompter.asked[0].text.rfind("NO se pudo crear " + (other.dir() / "Error").string() + "\nse usará", 0), 0u);
}

}  // namespace
