// The shipped data files agree with each other: every structure of the
// dictionary QVRBASES.INI is the structure of its template and of its table,
// the label formats fit an A4 sheet and the label designs are well formed.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include "data/engine/workspace.h"
#include "xbase/error.h"
#include "xbase/expr.h"

namespace {

namespace fs = std::filesystem;
using xb::engine::OpenMode;
using xb::engine::Structure;
using xb::engine::WorkArea;
using xb::engine::WorkAreas;

const fs::path kShipped = fs::path(QV_BINARY_DIR) / "shipped";

std::string trim(const std::string& s) {
  const size_t e = s.find_last_not_of(' ');
  return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}

class Shipped : public ::testing::Test {
 protected:
  void SetUp() override {
    xb::setErrorHandler({});
    xb::engine::setDeletedHidden(true);
  }
  WorkArea& open(const std::string& file) {
    areas_.select(0);
    const std::string alias = "T" + std::to_string(areas_.selected());
    EXPECT_TRUE(areas_.use((kShipped / file).string(), alias, OpenMode::ReadOnly)) << file;
    return areas_.area();
  }
  WorkAreas areas_;
};

// The dictionary's text of a structure, evaluated as the program does.
Structure parseStructure(const std::string& text) {
  const xb::Value v = xb::evaluate(text);
  Structure s;
  if (!v.isArray()) return s;
  for (const xb::Value& f : *v.arr()) {
    if (!f.isArray() || f.arr()->size() != 4) return {};
    const auto& a = *f.arr();
    s.push_back({a[0].text(), a[1].text().at(0), int(a[2].num()), int(a[3].num())});
  }
  return s;
}

bool sameStructure(const Structure& a, const Structure& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].width != b[i].width ||
        a[i].decimals != b[i].decimals)
      return false;
  return true;
}

TEST_F(Shipped, DictionaryTemplatesAndTablesAgree) {
  const std::map<std::string, std::string> tableOf = {
      {"LABELS.INI", "Labels.dbf"}, {"CODPROE.INI", "CodPro.eti"}, {"CODPRO.INI", "CodPro.dbf"}};
  WorkArea& dict = open("QVRBASES.INI");
  EXPECT_EQ(dict.table()->version(), 0xF5);
  std::set<std::string> seen;
  for (dict.goTop(); !dict.eof(); dict.skip()) {
    const std::string archivo = trim(dict.fieldGet("ARCHIVO").text());
    const Structure wanted = parseStructure(trim(dict.fieldGet("ESTRUCTURA").text()));
    ASSERT_FALSE(wanted.empty()) << archivo;
    ASSERT_TRUE(tableOf.count(archivo)) << archivo;
    seen.insert(archivo);
    WorkArea& tpl = open(archivo);
    EXPECT_TRUE(sameStructure(tpl.structure(), wanted)) << archivo;
    EXPECT_EQ(tpl.reccount(), 0) << archivo;
    WorkArea& table = open(tableOf.at(archivo));
    EXPECT_TRUE(sameStructure(table.structure(), wanted)) << tableOf.at(archivo);
  }
  EXPECT_EQ(seen.size(), tableOf.size());
  EXPECT_EQ(open("CodPro.dbf").reccount(), 0);
}

TEST_F(Shipped, FieldsTheProgramReliesOn) {
  struct Want {
    const char* file;
    int position;  // 1-based
    const char* name;
    char type;
    int width;  // 0: any
  };
  const Want wants[] = {
      {"CodPro.dbf", 1, "CODIGO", 'C', 25}, {"CodPro.dbf", 2, "DGCNT", 'C', 1},    {"CodPro.dbf", 0, "COD_COMPL", 'C', 26},
      {"CodPro.dbf", 0, "NUMETI", 'C', 0},  {"CodPro.dbf", 0, "NOMETI", 'C', 45},  {"CodPro.dbf", 0, "TIPOBAR", 'C', 7},
      {"Labels.dbf", 0, "NOMBRE", 'C', 25}, {"Labels.dbf", 0, "ULTIMA", 'L', 1},   {"Labels.dbf", 0, "HOJA", 'C', 0},
      {"Labels.dbf", 0, "FILAS", 'N', 0},   {"Labels.dbf", 0, "PRNULTFILA", 'L', 1},
      {"CodPro.eti", 0, "NUMERO_ETI", 'N', 0}, {"CodPro.eti", 0, "ULTIMA", 'L', 1},
  };
  for (const Want& w : wants) {
    WorkArea& t = open(w.file);
    const int ix = t.fieldIndex(w.name);
    ASSERT_GE(ix, 0) << w.file << " " << w.name;
    if (w.position) {
      EXPECT_EQ(ix + 1, w.position) << w.name;
    }
    EXPECT_EQ(t.structure()[size_t(ix)].type, w.type) << w.name;
    if (w.width) {
      EXPECT_EQ(t.structure()[size_t(ix)].width, w.width) << w.name;
    }
  }
  // The print run reads design items by position 2 to 23.
  const char* positional[] = {"CAMPO",    "FUENTE",    "TAMANO",     "NEGRITA",  "CURSIVA",   "SUBRAYADO",
                              "IZQUIERDA", "CENTRADO", "DERECHA",    "ANGULO",   "TACHADO",   "TIPO_B_T_I",
                              "NUMCAMPO", "TIPOCOD",   "COLOR",      "VERTICAL", "CONDIGITOS", "ANCHOMOD",
                              "ALTOBARRA", "JUEGO128", "CONTROL",    "MISMALINEA"};
  const Structure& eti = open("CodPro.eti").structure();
  ASSERT_GE(eti.size(), 23u);
  for (int pos = 2; pos <= 23; ++pos) EXPECT_EQ(eti[size_t(pos - 1)].name, positional[pos - 2]) << pos;
  EXPECT_EQ(eti[12].width, 1);
}

TEST_F(Shipped, LabelFormatsFitAnA4Sheet) {
  WorkArea& t = open("Labels.dbf");
  int rows = 0, last = 0;
  std::set<std::string> names;
  for (t.goTop(); !t.eof(); t.skip(), ++rows) {
    const std::string name = trim(t.fieldGet("NOMBRE").text());
    EXPECT_FALSE(name.empty());
    EXPECT_TRUE(names.insert(name).second) << name;
    for (char c : name) EXPECT_FALSE(c >= 'a' && c <= 'z') << name;
    last += t.fieldGet("ULTIMA").logical() ? 1 : 0;
    EXPECT_EQ(trim(t.fieldGet("HOJA").text()), "A4");
    auto n = [&](const char* f) { return t.fieldGet(f).num(); };
    // gaps are kept in centimetres, the rest in millimetres
    const double across = n("MARGENIZD") + n("COLUMNAS") * n("ANCHOETIQ") + (n("COLUMNAS") - 1) * n("SEPARAVERT") * 10;
    const double down = n("MARGENSUP") + n("FILAS") * n("ALTOETIQ") + (n("FILAS") - 1) * n("SEPARAHORZ") * 10;
    EXPECT_LE(across, 210.0 + 1e-9) << name;
    EXPECT_LE(down, 297.0 + 1e-9) << name;
    EXPECT_GE(across, 190.0) << name;  // a real sheet is filled across
    EXPECT_GT(n("FILAS"), 0);
    EXPECT_GT(n("COLUMNAS"), 0);
  }
  EXPECT_GE(rows, 5);
  EXPECT_EQ(last, 1);
}

TEST_F(Shipped, LabelDesignsAreWellFormed) {
  const std::set<std::string> colours = {"",          "CLR_BLACK", "CLR_BLUE",   "CLR_GREEN",  "CLR_CYAN",
                                         "CLR_RED",   "CLR_MAGENTA", "CLR_BROWN", "CLR_HGRAY", "CLR_LIGHTGRAY",
                                         "CLR_GRAY",  "CLR_HBLUE", "CLR_HGREEN", "CLR_HCYAN",  "CLR_HRED",
                                         "CLR_HMAGENTA", "CLR_YELLOW", "CLR_WHITE"};
  WorkArea& product = open("CodPro.dbf");
  product.goTop();  // the blank row past the end: every field blank
  WorkArea& t = open("CodPro.eti");
  int design = 0, items = 0, lastMarks = 0;
  std::map<int, int> itemsOf;
  std::set<char> kinds;
  for (t.goTop(); !t.eof(); t.skip()) {
    const int number = int(t.fieldGet("NUMERO_ETI").num());
    if (number != design) {
      EXPECT_EQ(number, design + 1) << "designs are numbered without gaps";
      design = number;
      EXPECT_FALSE(trim(t.fieldGet("CAMPO").text()).empty()) << "design " << number << " has a name";
      lastMarks += t.fieldGet("ULTIMA").logical() ? 1 : 0;
      itemsOf[number] = 0;
      continue;
    }
    ++items;
    ++itemsOf[number];
    const std::string kind = t.fieldGet("TIPO_B_T_I").text();
    ASSERT_FALSE(kind.empty());
    kinds.insert(kind[0]);
    EXPECT_TRUE(colours.count(trim(t.fieldGet("COLOR").text()))) << t.fieldGet("COLOR").text();
    if (kind[0] == 'B') {
      const int field = int(t.fieldGet("NUMCAMPO").num());
      EXPECT_GE(field, 1);
      EXPECT_LE(field, product.fieldCount());
    }
    if (kind[0] == 'T') {
      const xb::Value v = xb::evaluate(trim(t.fieldGet("CAMPO").text()), &product);
      EXPECT_TRUE(v.isText()) << t.fieldGet("CAMPO").text();
    }
  }
  EXPECT_GE(design, 3);
  EXPECT_EQ(lastMarks, 1);
  for (const auto& [n, count] : itemsOf) EXPECT_GT(count, 0) << "design " << n;
  EXPECT_TRUE(kinds.count('B'));
  EXPECT_TRUE(kinds.count('T'));
}

}  // namespace
