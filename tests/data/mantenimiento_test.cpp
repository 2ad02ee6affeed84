// The general self-maintenance on copies of the shipped data: structures
// from the shipped structure list, rows from the shipped row files, then
// changes a real data folder may have (an old structure, deleted rows, a
// missing table), a recording progress dialog and scripted answers.
#include "data/mantenimiento.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "data/abrir.h"
#include "data/catalog.h"
#include "data/engine/os_file.h"
#include "data/structure_list.h"
#include "tests/data/data_fixture.h"

namespace qv::testing {
namespace {

using xb::Value;
using xb::engine::fileExists;
using xb::engine::OpenMode;
using xb::engine::Structure;
using xb::engine::Table;
using xb::engine::workAreas;

std::vector<std::string> dataLines(const std::string& file) {
  std::ifstream in(std::string(QV_SOURCE_DIR) + "/shipped/" + file);
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#' && line.find_first_not_of(' ') != std::string::npos) out.push_back(line);
  return out;
}

// template name -> {table file, structure}, from shipped/structures.txt.
std::map<std::string, std::pair<std::string, Structure>> shippedStructures() {
  std::map<std::string, std::pair<std::string, Structure>> out;
  std::string current;
  for (const std::string& line : dataLines("structures.txt")) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first == "template") {
      std::string table;
      words >> current >> table;
      out[current].first = table;
      continue;
    }
    char type = 0;
    int width = 0, dec = 0;
    words >> type >> width >> dec;
    out[current].second.push_back({first, type, width, dec});
  }
  return out;
}

std::vector<std::string> cells(const std::string& line) {
  std::vector<std::string> out;
  std::string cell;
  std::istringstream in(line);
  while (std::getline(in, cell, '|')) out.push_back(cell);
  if (!line.empty() && line.back() == '|') out.push_back("");
  return out;
}

// Fills a table from a shipped rows file (first line: field names).
void loadRows(xb::engine::WorkArea& a, const std::string& rowsFile) {
  const auto lines = dataLines(rowsFile);
  const auto names = cells(lines.at(0));
  for (size_t i = 1; i < lines.size(); ++i) {
    const auto values = cells(lines[i]);
    ASSERT_TRUE(a.appendBlank());
    for (size_t c = 0; c < names.size() && c < values.size(); ++c) {
      const int ix = a.fieldIndex(names[c]);
      if (ix < 0) continue;
      const char type = a.structure()[size_t(ix)].type;
      if (type == 'N') a.fieldPut(ix, Value::number(values[c].empty() ? 0 : std::stod(values[c])));
      if (type == 'L') a.fieldPut(ix, Value(values[c] == "T"));
      if (type == 'C') a.fieldPut(ix, Value(values[c]));
    }
    a.unlock();
  }
}

// Records the dialogs shown and what the actions did with them.
class RecordingRun : public ProgressRun {
 public:
  struct Dialog {
    std::string text, title;
    std::vector<std::string> lines;
    std::vector<int> values;
    int total = 10;
  };
  std::vector<Dialog> dialogs;

  void run(const std::string& text, const std::string& title,
           const std::function<void(ProgressSink&)>& action) override {
    dialogs.push_back({text, title, {}, {}, 10});
    const size_t me = dialogs.size() - 1;
    class Sink : public ProgressSink {
     public:
      Sink(RecordingRun& r, size_t i) : r_(r), i_(i) {}
      void setTotal(int t) override { r_.dialogs[i_].total = t; }
      void set(int v) override { r_.dialogs[i_].values.push_back(v); }
      void setText(const std::string& t) override { r_.dialogs[i_].lines.push_back(t); }

     private:
      RecordingRun& r_;
      size_t i_;
    } sink(*this, me);
    action(sink);
  }
};

class MantenimientoTest : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    applyRunSettings();
    PUBLIBASES();
    openRegistry() = OpenRegistry();
    previousWait_ = setRetryWait([] {});
    previousRun_ = setProgressRun(&dialogs);
    structures_ = shippedStructures();
    ASSERT_EQ(structures_.size(), 3u);
    create("QVRBASES.INI", {{"ARCHIVO", 'C', 12, 0}, {"ESTRUCTURA", 'M', 10, 0}});
    auto& d = open("QVRBASES.INI", "D", OpenMode::Exclusive);
    for (const auto& [tpl, entry] : structures_) addRow(d, {Value(tpl), Value(structureText(entry.second))});
    workAreas().closeAll();
  }
  void TearDown() override {
    setProgressRun(previousRun_);
    setRetryWait(previousWait_);
    DataTest::TearDown();
  }
  const Structure& wanted(const std::string& tpl) { return structures_.at(tpl).second; }
  // The shipped tables: Labels.dbf and CodPro.eti with their rows, and a
  // product table with a few codes.
  void shippedTables() {
    create("Labels.dbf", wanted("LABELS.INI"));
    loadRows(open("Labels.dbf", "L", OpenMode::Exclusive), "Labels.rows");
    create("CodPro.Eti", wanted("CODPROE.INI"));
    loadRows(open("CodPro.Eti", "E", OpenMode::Exclusive), "CodPro.eti.rows");
    create("CodPro.dbf", wanted("CODPRO.INI"));
    auto& p = open("CodPro.dbf", "P", OpenMode::Exclusive);
    for (const char* code : {"841234567890", "501234567890", "400638133393"})
      addRow(p, {Value(code), Value("1"), Value(std::string(code) + "1"), Value("1"), Value("Producto"), Value("13")});
    workAreas().closeAll();
  }
  static int64_t rows(const std::string& table) {
    auto t = Table::open(table, OpenMode::ReadOnly);
    return t ? t->recordCount() : -1;
  }
  static void deleteRow(const std::string& table, int64_t recno) {
    auto& a = open(table, "DEL", OpenMode::Exclusive);
    a.goTo(recno);
    a.deleteRow();
    workAreas().closeAll();
  }

  RecordingRun dialogs;

 private:
  std::map<std::string, std::pair<std::string, Structure>> structures_;
  RetryWait previousWait_;
  ProgressRun* previousRun_ = nullptr;
};

TEST_F(MantenimientoTest, DecliningChangesNothing) {
  shippedTables();
  ABREBASES();
  const ino_t labels = inodeOf("Labels.dbf");
  for (int answer : {2, 0}) {
    prompts.alertAnswers = {answer};
    AUTOMANTEN();
    EXPECT_TRUE(dialogs.dialogs.empty());
    EXPECT_EQ(inodeOf("Labels.dbf"), labels);
    EXPECT_NE(workAreas().areaOf("CodPro2"), 0);
  }
  ASSERT_FALSE(prompts.asked.empty());
  EXPECT_EQ(prompts.asked[0].text, "Proceder con Automantenimiento General ?");
  EXPECT_EQ(prompts.asked[0].title, "Atención");
  EXPECT_EQ(prompts.asked[0].buttons, (std::vector<std::string>{"&Continuar", " &Salir  "}));
}

TEST_F(MantenimientoTest, StructureCheckLeavesEqualTablesAloneAndCreatesMissingOnes) {
  shippedTables();
  ASSERT_TRUE(xb::engine::removeFile("CodPro.dbf"));
  const ino_t labels = inodeOf("Labels.dbf"), eti = inodeOf("CodPro.Eti");
  int workFileSeen = 0;
  prompts.onProcessEvents = [&] { workFileSeen += fileExists("TEMPORAL.DBF"); };
  dialogs.run("Procesando datos...", "Por favor espere", INIBASES);
  EXPECT_EQ(inodeOf("Labels.dbf"), labels);
  EXPECT_EQ(inodeOf("CodPro.Eti"), eti);
  EXPECT_EQ(workFileSeen, 0);
  EXPECT_FALSE(fileExists("TEMPORAL.DBF"));
  ASSERT_TRUE(fileExists("CodPro.dbf"));
  EXPECT_EQ(rows("CodPro.dbf"), 0);
  EXPECT_EQ(dialogs.dialogs[0].total, 3);
  EXPECT_EQ(dialogs.dialogs[0].values, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(dialogs.dialogs[0].lines,
            (std::vector<std::string>{"Procesando Labels.dbf", "Procesando CodPro.Eti", "Procesando CodPro.dbf"}));
}

TEST_F(MantenimientoTest, PackSkipsATableWhoseRetryIsDeclined) {
  shippedTables();
  deleteRow("Labels.dbf", 1);
  deleteRow("CodPro.Eti", 1);
  deleteRow("CodPro.dbf", 1);
  const int64_t labels = rows("Labels.dbf"), eti = rows("CodPro.Eti"), pro = rows("CodPro.dbf");
  auto holder = Table::open("CodPro.Eti", OpenMode::Shared);
  prompts.alertAnswers = {2};
  dialogs.run("Procesando datos...", "Por favor espere.....", PACKBASES);
  EXPECT_EQ(alertTexts(), (std::vector<std::string>{
                              "FICHERO CodPro NO ESTA DISPONIBLE. ¿ Desea reintentar ?",
                              "La tabla CodPro.Eti está en uso por otra copia del programa: se deja como está."}));
  EXPECT_EQ(rows("Labels.dbf"), labels - 1);
  EXPECT_EQ(rows("CodPro.Eti"), eti);
  EXPECT_EQ(rows("CodPro.dbf"), pro - 1);
  EXPECT_EQ(dialogs.dialogs[0].lines,
            (std::vector<std::string>{"Compactando Labels.dbf", "Compactando CodPro.Eti", "Compactando CodPro.dbf"}));
}

TEST_F(MantenimientoTest, FullRunRestructuresPacksRebuildsAndReindexes) {
  shippedTables();
  // an older Labels.dbf: HOJA narrower, a field since dropped, PRNULTFILA missing
  Structure old = wanted("LABELS.INI");
  old.pop_back();
  old[2].width = 2;
  old.push_back({"OBSOLETO", 'C', 5, 0});
  ASSERT_TRUE(xb::engine::removeFile("Labels.dbf"));
  create("Labels.dbf", old);
  loadRows(open("Labels.dbf", "L", OpenMode::Exclusive), "Labels.rows");
  workAreas().closeAll();
  const int64_t labels = rows("Labels.dbf"), eti = rows("CodPro.Eti");
  deleteRow("Labels.dbf", 2);
  deleteRow("CodPro.Eti", 3);
  deleteRow("CodPro.dbf", 2);
  // stale index files, as a crash might leave them
  ABREBASES();
  workAreas().closeAll();
  deleteRow("CodPro.dbf", 1);
  int messages = 0;
  prompts.onProcessEvents = [&] { ++messages; };
  prompts.alertAnswers = {1};

  AUTOMANTEN();

  ASSERT_EQ(dialogs.dialogs.size(), 4u);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Procesando datos...", "Por favor espere"},
      {"Procesando datos...", "Por favor espere....."},
      {"Procesando datos...", "Por favor espere....."},
      {"Reindexando datos...", "Por favor espere....."}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(dialogs.dialogs[i].text, expected[i].first) << i;
    EXPECT_EQ(dialogs.dialogs[i].title, expected[i].second) << i;
    EXPECT_EQ(dialogs.dialogs[i].total, 3) << i;
    EXPECT_EQ(dialogs.dialogs[i].values, (std::vector<int>{1, 2, 3})) << i;
  }
  EXPECT_EQ(dialogs.dialogs[3].lines, (std::vector<std::string>{"Reindexando Labels.dbf", "Reindexando CodPro.Eti",
                                                                 "Reindexando CodPro.dbf"}));
  EXPECT_EQ(messages, 12);

  for (const char* gone : {"LABELS.INI", "CODPROE.INI", "CODPRO.INI", "TEMPORAL.DBF", "TEMP_.DBF"})
    EXPECT_FALSE(fileExists(gone)) << gone;
  EXPECT_EQ(rows("Labels.dbf"), labels - 1);
  EXPECT_EQ(rows("CodPro.Eti"), eti - 1);
  EXPECT_EQ(rows("CodPro.dbf"), 1);

  // open again as at start-up, indexes fresh and sound
  EXPECT_EQ(workAreas().area().alias(), "CODPRO2");
  for (const char* alias : {"Labels2", "DatosEti2", "CodPro2"}) {
    auto* a = workAreas().find(alias);
    ASSERT_NE(a, nullptr) << alias;
    EXPECT_TRUE(a->check().empty()) << alias;
    for (const auto& o : a->orders()) {
      EXPECT_EQ(o.tag.forExpr, "!Deleted()") << alias;
      ASSERT_TRUE(a->setOrder(std::string_view(o.tag.name)));
      if (!o.tag.unique) {
        EXPECT_EQ(a->keyCount(), a->reccount()) << alias;
      }
    }
  }
  auto* labelsArea = workAreas().find("Labels2");
  EXPECT_TRUE(IGUALEST(structureList(labelsArea->structure()), structureList(wanted("LABELS.INI"))));
  labelsArea->goTop();
  EXPECT_EQ(labelsArea->fieldGet("HOJA"), Value("A4        "));
  EXPECT_EQ(labelsArea->fieldGet("PRNULTFILA"), Value(false));
  auto* eti2 = workAreas().find("DatosEti2");
  std::map<std::string, xb::engine::TagInfo> tags;
  for (const auto& o : eti2->orders()) tags[o.tag.name] = o.tag;
  ASSERT_EQ(tags.size(), 2u);
  EXPECT_TRUE(tags["NUMETIUN"].unique);
  EXPECT_FALSE(tags["NUMETI"].unique);
  EXPECT_EQ(tags["NUMETI"].keyExpr, "NUMERO_ETI");
}

// Another copy of the program holds Labels.dbf and CodPro.dbf open while
// this one runs the general maintenance: those two are left exactly as they
// are (same files, same bytes), the user is told which table is in use by
// another copy and, at the end, which were left; the other copy goes on
// working on them, and CodPro.Eti is maintained as usual.
TEST_F(MantenimientoTest, TablesAnotherCopyHoldsAreLeftAsTheyAreAndNamed) {
  shippedTables();
  deleteRow("Labels.dbf", 1);
  deleteRow("CodPro.Eti", 1);
  deleteRow("CodPro.dbf", 1);
  ABREBASES();
  workAreas().closeAll();
  const ino_t labels = inodeOf("Labels.dbf"), product = inodeOf("CodPro.dbf"), productIndex = inodeOf("CodiProx.cdx");
  const int64_t labelRows = rows("Labels.dbf"), productRows = rows("CodPro.dbf"), etiRows = rows("CodPro.Eti");
  int ready[2], go[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(go), 0);
  const pid_t other = fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    xb::engine::WorkAreas own;
    own.select(1);
    if (!own.use("Labels.dbf", "Labels2", OpenMode::Shared)) _exit(3);
    own.select(2);
    if (!own.use("CodPro.dbf", "CodPro2", OpenMode::Shared) || !own.area().addIndex("CodiProx.cdx")) _exit(3);
    char c = 1;
    if (write(ready[1], &c, 1) != 1 || read(go[0], &c, 1) != 1) _exit(4);
    // Still working after the maintenance: a new code.
    auto& p = own.area();
    if (!p.appendBlank()) _exit(5);
    p.fieldPut("CODIGO", Value("777000111222"));
    p.fieldPut("DGCNT", Value("3"));
    p.fieldPut("TIPOBAR", Value("13"));
    if (!p.flush()) _exit(6);
    own.closeAll();
    _exit(0);
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  prompts.alertAnswers = {1, 0, 2, 0, 0, 0, 0, 0};  // go on; the pack's retry declined
  AUTOMANTEN();
  c = 1;
  ASSERT_EQ(write(go[1], &c, 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(other, &status, 0), other);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

  const std::vector<std::string> said = alertTexts();
  const std::string inUse = " está en uso por otra copia del programa: se deja como está.";
  EXPECT_NE(std::find(said.begin(), said.end(), "La tabla Labels.dbf" + inUse), said.end());
  EXPECT_NE(std::find(said.begin(), said.end(), "La tabla CodPro.dbf" + inUse), said.end());
  EXPECT_EQ(said.back(),
            "Automantenimiento terminado. Tablas en uso por otra copia del programa, que quedan como estaban: "
            "Labels.dbf, CodPro.dbf.");
  EXPECT_EQ(prompts.asked.back().title, "Atención.....");
  EXPECT_EQ(skippedTables(), (std::vector<std::string>{"Labels.dbf", "CodPro.dbf"}));
  EXPECT_EQ(inodeOf("Labels.dbf"), labels);
  EXPECT_EQ(inodeOf("CodPro.dbf"), product);
  EXPECT_EQ(inodeOf("CodiProx.cdx"), productIndex);
  EXPECT_EQ(rows("Labels.dbf"), labelRows);
  EXPECT_EQ(rows("CodPro.dbf"), productRows + 1);
  EXPECT_EQ(rows("CodPro.Eti"), etiRows - 1);
  auto* product2 = workAreas().find("CodPro2");
  ASSERT_NE(product2, nullptr);
  EXPECT_TRUE(product2->check().empty());
  EXPECT_TRUE(product2->seek(Value("777000111222             3")));
}

}  // namespace
}  // namespace qv::testing
