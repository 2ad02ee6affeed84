// Structure texts, CREARDBF against a structure dictionary, restructuring
// with CREA_FIC, rebuilding with CRE_RES and packing with PACA, on tables
// made in a temporary working folder.
#include "data/estructuras.h"

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

Structure manyFields(int n) {
  Structure s;
  for (int i = 0; i < n; ++i) s.push_back({"CAMPO" + std::to_string(i), i % 2 ? 'N' : 'C', 10 + i, 0});
  return s;
}

class EstructurasTest : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    PUBLIBASES();
    openRegistry() = OpenRegistry();
  }
  // The structure dictionary with one row per {template, structure}.
  void dictionary(const std::vector<std::pair<std::string, Structure>>& rows) {
    create("QVRBASES.INI", {{"ARCHIVO", 'C', 12, 0}, {"ESTRUCTURA", 'M', 10, 0}});
    auto& d = open("QVRBASES.INI", "D", OpenMode::Exclusive);
    for (const auto& [name, s] : rows) addRow(d, {Value(name), Value(structureText(s))});
    workAreas().closeAll();
  }
  static std::vector<Value> column(const std::string& table, const std::string& field) {
    auto& a = open(table, "LEER");
    std::vector<Value> out;
    a.evalRows([&] {
      out.push_back(a.fieldGet(std::string_view(field)));
      return true;
    });
    workAreas().close();
    return out;
  }
  static Structure structureOf(const std::string& table) {
    auto t = Table::open(table, OpenMode::ReadOnly);
    return t ? t->structure() : Structure{};
  }
};

TEST_F(EstructurasTest, TextsOf497And498CharactersGiveTheSameList) {
  const Structure s = manyFields(20);
  const std::string base = structureText(s);
  ASSERT_LT(base.size(), 497u);
  const std::string t497 = structureText(s, 497 - base.size()), t498 = structureText(s, 498 - base.size());
  ASSERT_EQ(t497.size(), 497u);
  ASSERT_EQ(t498.size(), 498u);
  const Value a = structureFromText(t497), b = structureFromText(t498);
  EXPECT_TRUE(IGUALEST(a, structureList(s)));
  EXPECT_TRUE(IGUALEST(b, structureList(s)));
  const std::string t600 = structureText(manyFields(30), 3);
  ASSERT_GE(t600.size(), 498u);
  EXPECT_TRUE(IGUALEST(structureFromText(t600), structureList(manyFields(30))));
}

TEST_F(EstructurasTest, CreardbfReadsTheDictionaryAndRecreatesTheTemplate) {
  const Structure labels = {{"NOMBRE", 'C', 25, 0}, {"FILAS", 'N', 3, 0}};
  dictionary({{"CODPRO.INI", manyFields(3)}, {"LABELS.INI", labels}});
  EXPECT_FALSE(fileExists("QVRBASES.CDX"));
  EXPECT_TRUE(IGUALEST(CREARDBF("labels.ini", true), structureList(labels)));
  EXPECT_TRUE(fileExists("QVRBASES.CDX"));
  EXPECT_FALSE(fileExists("LABELS.INI"));
  EXPECT_TRUE(IGUALEST(CREARDBF("LABELS.INI"), structureList(labels)));
  ASSERT_TRUE(fileExists("LABELS.INI"));
  EXPECT_TRUE(IGUALEST(structureList(structureOf("LABELS.INI")), structureList(labels)));
  EXPECT_EQ(workAreas().areaOf("QVRBASES"), 0);
}

TEST_F(EstructurasTest, CreardbfFallsBackToTheTemplateFile) {
  dictionary({});
  const Structure s = {{"UNO", 'C', 4, 0}};
  create("OTRO.INI", s);
  auto& t = open("OTRO.INI", "T", OpenMode::Exclusive);
  addRow(t, {Value("fila")});
  workAreas().closeAll();
  EXPECT_TRUE(IGUALEST(CREARDBF("OTRO.INI"), structureList(s)));
  EXPECT_EQ(column("OTRO.INI", "UNO").size(), 1u);  // a template with rows is not re-created
  EXPECT_EQ(fieldsOf(CREARDBF("NADA.INI"))->size(), 0u);
}

struct RestructureCase {
  const char* name;
  Structure wanted;
  const char* field;
  std::vector<Value> expected;  // values of `field` in the rows kept
};

TEST_F(EstructurasTest, CreaFicRestructuresThroughTheWorkTable) {
  const Structure old = {{"CODIGO", 'C', 10, 0}, {"VIEJO", 'C', 5, 0}, {"CANT", 'N', 4, 0}};
  const std::vector<RestructureCase> cases = {
      {"dropped field",
       {{"CODIGO", 'C', 10, 0}, {"CANT", 'N', 4, 0}},
       "CODIGO",
       {Value("uno       "), Value("tres      ")}},
      {"added field empty", {{"CODIGO", 'C', 10, 0}, {"VIEJO", 'C', 5, 0}, {"CANT", 'N', 4, 0}, {"NUEVO", 'C', 3, 0}}, "NUEVO", {Value("   "), Value("   ")}},
      {"narrowed text", {{"CODIGO", 'C', 3, 0}, {"VIEJO", 'C', 5, 0}, {"CANT", 'N', 4, 0}}, "CODIGO", {Value("uno"), Value("tre")}},
      {"widened text", {{"CODIGO", 'C', 12, 0}, {"VIEJO", 'C', 5, 0}, {"CANT", 'N', 4, 0}}, "CODIGO", {Value("uno         "), Value("tres        ")}},
      {"widened number", {{"CODIGO", 'C', 10, 0}, {"VIEJO", 'C', 5, 0}, {"CANT", 'N', 8, 2}}, "CANT", {Value(12.0, 2), Value(3456.0, 2)}},
  };
  for (const RestructureCase& c : cases) {
    SCOPED_TRACE(c.name);
    create("Labels.dbf", old);
    auto& a = open("Labels.dbf", "L", OpenMode::Exclusive);
    addRow(a, {Value("uno"), Value("x"), Value(12)});
    addRow(a, {Value("dos"), Value("y"), Value(34)});
    addRow(a, {Value("tres"), Value("z"), Value(3456)});
    a.goTo(2);
    ASSERT_TRUE(a.lockRow());
    a.deleteRow();
    workAreas().closeAll();

    CREA_FIC(structureList(c.wanted), "Labels.dbf", "");
    EXPECT_FALSE(fileExists("TEMPORAL.DBF"));
    EXPECT_TRUE(IGUALEST(structureList(structureOf("Labels.dbf")), structureList(c.wanted)));
    const auto got = column("Labels.dbf", c.field);
    ASSERT_EQ(got.size(), c.expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
      if (got[i].isNumber()) {
        EXPECT_DOUBLE_EQ(got[i].num(), c.expected[i].num());
      } else {
        EXPECT_EQ(got[i], c.expected[i]);
      }
    }
  }
}

TEST_F(EstructurasTest, CreaFicLeavesAnEqualTableUntouchedAndCreatesAMissingOne) {
  const Structure s = {{"NOMBRE", 'C', 25, 0}, {"ULTIMA", 'L', 1, 0}};
  dictionary({{"LABELS.INI", s}});
  create("Labels.dbf", s);
  const ino_t before = inodeOf("Labels.dbf");
  CREA_FIC(Value("LABELS.INI"), "Labels.dbf", "");
  EXPECT_EQ(inodeOf("Labels.dbf"), before);
  EXPECT_FALSE(fileExists("TEMPORAL.DBF"));

  CREA_FIC(Value("LABELS.INI"), "Nuevo.dbf", "");
  EXPECT_TRUE(IGUALEST(structureList(structureOf("Nuevo.dbf")), structureList(s)));
  EXPECT_TRUE(column("Nuevo.dbf", "NOMBRE").empty());

  CREA_FIC(Value::array(), "Labels.dbf", "");  // no wanted structure: nothing happens
  EXPECT_EQ(inodeOf("Labels.dbf"), before);
}

TEST_F(EstructurasTest, CreaFicLeavesATableHeldByAnotherAlone) {
  create("Labels.dbf", {{"NOMBRE", 'C', 25, 0}});
  auto other = Table::open("Labels.dbf", OpenMode::Exclusive);
  ASSERT_TRUE(other);
  CREA_FIC(structureList({{"NOMBRE", 'C', 30, 0}}), "Labels.dbf", "");
  EXPECT_TRUE(xb::netError());
  other.reset();
  EXPECT_EQ(structureOf("Labels.dbf")[0].width, 25);
  EXPECT_FALSE(fileExists("TEMPORAL.DBF"));
}

// CodPro.dbf and CodPro.Eti map to the same memo name: work on the table
// without memo fields must never delete or replace the other's memo file.
TEST_F(EstructurasTest, TheOtherTablesMemoFileSurvivesRestructureAndRebuild) {
  const Structure eti = {{"NUMERO_ETI", 'N', 4, 0}, {"CAMPO", 'C', 60, 0}};
  dictionary({{"CODPROE.INI", eti}});
  create("CodPro.Eti", {{"NUMERO_ETI", 'N', 4, 0}});
  auto& e = open("CodPro.Eti", "E", OpenMode::Exclusive);
  addRow(e, {Value(1)});
  workAreas().closeAll();
  create("CodPro.dbf", {{"CODIGO", 'C', 25, 0}, {"NOTA", 'M', 10, 0}});
  auto& p = open("CodPro.dbf", "P", OpenMode::Exclusive);
  addRow(p, {Value("123"), Value("nota del producto")});
  workAreas().closeAll();

  CREA_FIC(Value("CODPROE.INI"), "CodPro2.Eti", "");  // missing: created
  EXPECT_TRUE(fileExists("CodPro2.Eti"));
  CREA_FIC(Value("CODPROE.INI"), "CodPro.Eti", "");  // restructured
  CRE_RES("CODPROE.INI", "CodPro.Eti");              // rebuilt

  EXPECT_EQ(column("CodPro.Eti", "NUMERO_ETI").size(), 1u);
  EXPECT_TRUE(IGUALEST(structureList(structureOf("CodPro.Eti")), structureList(eti)));
  ASSERT_TRUE(fileExists("CodPro.FPT"));
  EXPECT_EQ(column("CodPro.dbf", "NOTA"), std::vector<Value>{Value("nota del producto")});
  auto& check = open("CodPro.dbf", "P");
  EXPECT_TRUE(check.check().empty());
}

TEST_F(EstructurasTest, CreResRebuildsWithTheTemplatesStructure) {
  const Structure s = {{"CODIGO", 'C', 25, 0}, {"NOTA", 'M', 10, 0}, {"TIPOBAR", 'C', 7, 0}};
  dictionary({{"CODPRO.INI", s}});
  create("CodPro.dbf", {{"CODIGO", 'C', 20, 0}, {"NOTA", 'M', 10, 0}});
  auto& a = open("CodPro.dbf", "P", OpenMode::Exclusive);
  addRow(a, {Value("A1"), Value("primera")});
  addRow(a, {Value("B2"), Value("segunda")});
  a.goTo(1);
  ASSERT_TRUE(a.lockRow());
  a.deleteRow();
  workAreas().closeAll();

  CRE_RES("CODPRO.INI", "CodPro.dbf");
  EXPECT_FALSE(fileExists("TEMP_.DBF"));
  EXPECT_FALSE(fileExists("TEMP_.FPT"));
  EXPECT_TRUE(fileExists("CODPRO.INI"));
  EXPECT_TRUE(IGUALEST(structureList(structureOf("CodPro.dbf")), structureList(s)));
  EXPECT_EQ(column("CodPro.dbf", "NOTA"), std::vector<Value>{Value("segunda")});
  auto& t = open("CodPro.dbf", "P");
  EXPECT_EQ(t.reccount(), 1);
  EXPECT_TRUE(t.check().empty());
  workAreas().closeAll();

  CRE_RES("CODPRO.INI", "codpro.DBF");  // the file keeps the name it has on the disk
  EXPECT_TRUE(std::filesystem::exists("CodPro.dbf"));
  EXPECT_FALSE(std::filesystem::exists("codpro.DBF"));
  EXPECT_TRUE(std::filesystem::exists("CodPro.fpt"));

  CRE_RES("CODPRO.INI", "Falta.dbf");
  EXPECT_TRUE(IGUALEST(structureList(structureOf("Falta.dbf")), structureList(s)));
  EXPECT_EQ(workAreas().areaOf("O_R_I_G_E"), 0);
}

TEST_F(EstructurasTest, PacaRemovesDeletedRowsUnlessTheRetryIsDeclined) {
  setRetryWait([] {});
  create("t.dbf", {{"UNO", 'C', 3, 0}});
  auto& a = open("t.dbf", "T", OpenMode::Exclusive);
  for (const char* v : {"a", "b", "c"}) addRow(a, {Value(v)});
  a.goTo(2);
  ASSERT_TRUE(a.lockRow());
  a.deleteRow();
  workAreas().closeAll();

  auto other = Table::open("t.dbf", OpenMode::Shared);
  prompts.alertAnswers = {2};
  PACA("t.dbf");
  EXPECT_EQ(other->recordCount(), 3);
  EXPECT_EQ(alertTexts(), (std::vector<std::string>{
                              "FICHERO t NO ESTA DISPONIBLE. ¿ Desea reintentar ?",
                              "La tabla t.dbf está en uso por otra copia del programa: se deja como está."}));
  other.reset();
  PACA("t.dbf");
  EXPECT_EQ(workAreas().areaOf("EL_ALIAS"), 0);
  EXPECT_EQ(structureOf("t.dbf").size(), 1u);
  auto t = Table::open("t.dbf", OpenMode::ReadOnly);
  EXPECT_EQ(t->recordCount(), 2);
  setRetryWait({});
}

// A number that no longer fits its narrower field stops the restructure
// with the error; the table stays as it was and no work table is left.
TEST_F(EstructurasTest, ANumberTooWideForTheNewStructureLeavesTheTableAsItWas) {
  create("Labels.dbf", {{"CODIGO", 'C', 10, 0}, {"CANT", 'N', 6, 0}});
  auto& a = open("Labels.dbf", "L", OpenMode::Exclusive);
  addRow(a, {Value("uno"), Value(123456)});
  workAreas().closeAll();
  const ino_t before = inodeOf("Labels.dbf");
  EXPECT_THROW(CREA_FIC(structureList({{"CODIGO", 'C', 10, 0}, {"CANT", 'N', 3, 0}}), "Labels.dbf", ""),
               xb::RuntimeError);
  EXPECT_FALSE(fileExists("TEMPORAL.DBF"));
  EXPECT_EQ(inodeOf("Labels.dbf"), before);
  EXPECT_EQ(structureOf("Labels.dbf")[1].width, 6);
}

}  // namespace
}  // namespace qv::testing
