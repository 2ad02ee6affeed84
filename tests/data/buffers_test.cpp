// Record buffers, AREG, locks with and without messages, DECIS, PARE and
// CGBELL.
#include "data/buffers.h"

#include <memory>

#include "tests/data/data_fixture.h"
#include "xbase/dates.h"

namespace qv::testing {
namespace {

using xb::Value;
using xb::engine::OpenMode;
using xb::engine::Table;

const xb::engine::Structure kMixed = {
    {"NOMBRE", 'C', 10, 0}, {"CANTIDAD", 'N', 6, 2}, {"FECHA", 'D', 8, 0}, {"ACTIVO", 'L', 1, 0}, {"NOTA", 'M', 10, 0}};

class BuffersTest : public DataTest {};

TEST_F(BuffersTest, InicVarCreatesEmptyValuesByType) {
  create("t.dbf", kMixed);
  open("t.dbf", "T");
  INIC_VAR();
  EXPECT_EQ(*xb::findNamed("MNOMBRE"), Value(std::string(10, ' ')));
  EXPECT_EQ(xb::findNamed("MCANTIDAD")->num(), 0);
  EXPECT_EQ(*xb::findNamed("MFECHA"), Value(xb::Date{}));
  EXPECT_EQ(*xb::findNamed("MACTIVO"), Value(false));
  EXPECT_EQ(*xb::findNamed("MNOTA"), Value(" "));
  ASSERT_TRUE(xb::findNamed("_ME")->isArray());
  EXPECT_EQ(xb::findNamed("_ME")->arr()->size(), kMixed.size());
}

TEST_F(BuffersTest, IgualVarThenReplVarWritesTheRowBack) {
  create("t.dbf", kMixed);
  auto& a = open("t.dbf", "T");
  addRow(a, {Value("uno"), Value(1.5, 2), Value(xb::Date{2451545}), Value(true), Value("memo uno")});
  a.goTop();
  IGUAL_VAR();
  EXPECT_EQ(*xb::findNamed("MNOMBRE"), Value("uno       "));
  EXPECT_EQ(*xb::findNamed("MNOTA"), Value("memo uno"));
  xb::assignNamed("MNOMBRE", Value("dos"));
  xb::assignNamed("MCANTIDAD", Value(7.25, 2));
  xb::assignNamed("MNOTA", Value("memo dos"));
  REPL_VAR();
  EXPECT_FALSE(a.table()->isRowLocked(1));
  a.goTop();
  EXPECT_EQ(a.fieldGet("NOMBRE"), Value("dos       "));
  EXPECT_DOUBLE_EQ(a.fieldGet("CANTIDAD").num(), 7.25);
  EXPECT_EQ(a.fieldGet("NOTA"), Value("memo dos"));
  EXPECT_EQ(a.fieldGet("ACTIVO"), Value(true));
}

TEST_F(BuffersTest, MeOutlivesTheBufferAndServesWhateverTableIsCurrent) {
  create("a.dbf", {{"UNO", 'C', 5, 0}, {"NOTA", 'M', 10, 0}});
  create("b.dbf", {{"OTRO", 'N', 3, 0}});
  open("a.dbf", "A");
  INIC_VAR();
  LIB_VAR();
  EXPECT_FALSE(xb::isNamed("MUNO"));
  EXPECT_TRUE(xb::isNamed("MNOTA"));  // memo values are kept
  ASSERT_TRUE(xb::isNamed("_ME"));
  open("b.dbf", "B");
  INIC_VAR();  // still the structure of a.dbf
  EXPECT_TRUE(xb::isNamed("MUNO"));
  EXPECT_FALSE(xb::isNamed("MOTRO"));
}

TEST_F(BuffersTest, ReplVarLeavesThePhantomRowAlone) {
  create("t.dbf", {{"UNO", 'C', 5, 0}});
  auto& a = open("t.dbf", "T");
  addRow(a, {Value("x")});
  INIC_VAR();
  a.goTo(2);
  REPL_VAR();
  EXPECT_EQ(a.reccount(), 1);
}

struct AregCase {
  const char* name;
  std::vector<Value> values;
  bool intoCurrent;
  std::vector<Value> expected;  // C, N, C, L
  int64_t rows;
};

TEST_F(BuffersTest, AregFillsTheFirstFreeFieldOfEachValuesType) {
  const std::vector<AregCase> cases = {
      {"text then number, new row", {Value("abc"), Value(5)}, false, {Value("abc  "), Value(5), Value("     "), Value(false)}, 2},
      {"text then number, current row", {Value("abc"), Value(5)}, true, {Value("abc  "), Value(5), Value("viejo"), Value(true)}, 1},
      {"number first, two texts", {Value(9), Value("p"), Value("q")}, false, {Value("p    "), Value(9), Value("q    "), Value(false)}, 2},
      {"surplus values dropped", {Value(1), Value(2), Value(true), Value(false)}, false, {Value("     "), Value(1), Value("     "), Value(true)}, 2},
      {"no field of the type", {Value(xb::Date{2451545})}, true, {Value("orig "), Value(3), Value("viejo"), Value(true)}, 1},
  };
  for (const AregCase& c : cases) {
    SCOPED_TRACE(c.name);
    xb::engine::workAreas().closeAll();
    create("t.dbf", {{"C1", 'C', 5, 0}, {"N1", 'N', 4, 0}, {"C2", 'C', 5, 0}, {"L1", 'L', 1, 0}});
    auto& a = open("t.dbf", "T");
    addRow(a, {Value("orig"), Value(3), Value("viejo"), Value(true)});
    a.goTop();
    AREG(Value::array(c.values), c.intoCurrent);
    EXPECT_EQ(a.reccount(), c.rows);
    EXPECT_FALSE(a.table()->isRowLocked(a.recno()));
    for (int i = 0; i < 4; ++i) {
      const Value got = a.fieldGet(i);
      if (c.expected[size_t(i)].isNumber()) {
        EXPECT_EQ(got.num(), c.expected[size_t(i)].num()) << i;
      } else {
        EXPECT_EQ(got, c.expected[size_t(i)]) << i;
      }
    }
  }
}

TEST_F(BuffersTest, AregFromAnAliasCopiesTheRowAndKeepsTheArea) {
  create("src.dbf", kMixed);
  create("dst.dbf", kMixed);
  auto& src = open("src.dbf", "SRC");
  addRow(src, {Value("fuente"), Value(2.5, 2), Value(xb::Date{2451545}), Value(true), Value("nota larga")});
  src.goTop();
  auto& dst = open("dst.dbf", "DST");
  AREG(Value("SRC"));
  EXPECT_EQ(xb::engine::workAreas().area().alias(), "DST");
  ASSERT_EQ(dst.reccount(), 1);
  dst.goTop();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(dst.fieldGet(i), src.fieldGet(i)) << i;
}

TEST_F(BuffersTest, AregWithThePrefixMWritesTheRecordBuffer) {
  create("t.dbf", {{"UNO", 'C', 4, 0}, {"DOS", 'N', 3, 0}});
  auto& a = open("t.dbf", "T");
  xb::PUBLICA("MUNO", Value("hola"));
  xb::PUBLICA("MDOS", Value(42));
  AREG(Value("M"));
  a.goTop();
  EXPECT_EQ(a.fieldGet("UNO"), Value("hola"));
  EXPECT_EQ(a.fieldGet("DOS").num(), 42);
  AREG(Value(7));  // neither a list nor a text: nothing
  EXPECT_EQ(a.reccount(), 1);
}

// A prompter that frees the row another holder keeps once it has shown a
// given number of alerts.
class ReleasingPrompter : public xb::ScriptedPrompter {
 public:
  ReleasingPrompter(Table& holder, int after) : holder_(holder), after_(after) {}
  int alert(const std::string& m, const std::vector<std::string>& b, const std::string& t, int f) override {
    int r = ScriptedPrompter::alert(m, b, t, f);
    if (int(asked.size()) == after_) holder_.unlockAll();
    return r;
  }

 private:
  Table& holder_;
  int after_;
};

struct RecLockCase {
  const char* name;
  int attempts;
  int releaseAfter;  // 0: never released
  bool result;
  int blockedMessages;
  bool gaveUp;
};

TEST_F(BuffersTest, RecLockShowsOneMessagePerRefusal) {
  const std::vector<RecLockCase> cases = {
      {"free row", 10, 0, true, 0, false},
      {"default count, held throughout", 10, -1, false, 10, true},
      {"count 3, held throughout", 3, -1, false, 3, true},
      {"no limit, freed after 25 messages", 0, 25, true, 25, false},
      {"count 10, freed after 4", 10, 4, true, 4, false},
  };
  create("t.dbf", {{"UNO", 'C', 4, 0}});
  auto& a = open("t.dbf", "T");
  addRow(a, {Value("a")});
  for (const RecLockCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto other = Table::open("t.dbf", OpenMode::Shared);
    ASSERT_TRUE(other);
    if (c.releaseAfter != 0) {
      ASSERT_TRUE(other->lockRow(1));
    }
    ReleasingPrompter p(*other, c.releaseAfter);
    xb::PrompterGuard g(p);
    a.goTop();
    EXPECT_EQ(REC_LOCK(c.attempts), c.result);
    int blocked = 0, stops = 0;
    for (const auto& q : p.asked) {
      if (q.text == "Registro bloqueado en T. Por favor espere ...") {
        ++blocked;
        EXPECT_EQ(q.title, "Atención.....");
        EXPECT_EQ(q.buttons, std::vector<std::string>{"&Aceptar"});
      }
      if (q.text == "Registro no está disponible.") {
        ++stops;
        EXPECT_EQ(q.title, "Atención.....!!!");
      }
    }
    EXPECT_EQ(blocked, c.blockedMessages);
    EXPECT_EQ(stops, c.gaveUp ? 1 : 0);
    EXPECT_EQ(a.table()->isRowLocked(1), c.result);
    DESPROTEGER();
  }
}

TEST_F(BuffersTest, ProtegerModes) {
  EXPECT_TRUE(PROTEGER(0));  // no table open
  create("t.dbf", {{"UNO", 'C', 4, 0}});
  auto& a = open("t.dbf", "T");
  addRow(a, {Value("a")});
  a.goTop();
  auto other = Table::open("t.dbf", OpenMode::Shared);
  ASSERT_TRUE(other->lockRow(1));
  EXPECT_FALSE(PROTEGER(2));
  EXPECT_TRUE(NETERROR());
  int tries = 0;
  prompts.onProcessEvents = [&] {
    if (++tries == 5) other->unlockAll();
  };
  EXPECT_TRUE(PROTEGER(0));
  EXPECT_EQ(tries, 5);
  EXPECT_TRUE(a.table()->isRowLocked(1));
  DESPROTEGER();
  EXPECT_FALSE(a.table()->isRowLocked(1));
  tries = 0;
  ASSERT_TRUE(other->lockRow(1));
  EXPECT_TRUE(PROTEGER(1));
  EXPECT_TRUE(a.table()->isFileLocked());
  DESPROTEGER();
  EXPECT_TRUE(PROTEGER(2));
  DESPROTEGER();
  a.goTo(2);  // the phantom row cannot be locked: no endless wait
  EXPECT_FALSE(PROTEGER(0));
}

TEST_F(BuffersTest, NeterrorReadsAndClearsTheFlag) {
  xb::setNetError(true);
  EXPECT_TRUE(NETERROR());
  EXPECT_FALSE(NETERROR());
}

TEST_F(BuffersTest, DecisPareAndCgbell) {
  const std::vector<std::pair<int, std::string>> answers = {{1, "S"}, {2, "N"}, {0, "N"}};
  for (const auto& [button, expected] : answers) {
    prompts.alertAnswers = {button};
    EXPECT_EQ(DECIS("¿ Seguro ?"), expected) << button;
  }
  EXPECT_EQ(prompts.asked.back().title, "Seleccione su opción");
  EXPECT_EQ(prompts.asked.back().buttons, (std::vector<std::string>{"   &Si   ", "   &No   "}));
  EXPECT_EQ(PARE("Alto"), 0);
  EXPECT_EQ(prompts.asked.back().title, "Atención.....!!!");
  EXPECT_EQ(prompts.asked.back().buttons, std::vector<std::string>{"&Aceptar"});
  prompts.asked.clear();
  CGBELL();
  ASSERT_EQ(prompts.asked.size(), 2u);
  EXPECT_EQ(prompts.asked[0].text, "125/55");
  EXPECT_EQ(prompts.asked[1].text, "300/55");
}

TEST_F(BuffersTest, AregFromAnAliasThatIsNotOpenAppendsNothing) {
  create("t.dbf", {{"CODIGO", 'C', 5, 0}});
  auto& a = open("t.dbf", "T");
  AREG(Value("NOSUCH"));
  EXPECT_EQ(a.reccount(), 0);
}

}  // namespace
}  // namespace qv::testing
