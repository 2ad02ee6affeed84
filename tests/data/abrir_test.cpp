// ABRIR with its retry series (another process holding the table), the open
// registry through CERRAR, SET_INDEX, INDEXA, the name helpers and the
// alias routines.
#include "data/abrir.h"

#include <sys/wait.h>
#include <unistd.h>

#include "data/catalog.h"
#include "tests/data/data_fixture.h"

namespace qv::testing {
namespace {

using xb::Value;
using xb::engine::OpenMode;
using xb::engine::Table;
using xb::engine::workAreas;

class AbrirTest : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    previousWait_ = setRetryWait([this] { ++waits; });
    openRegistry() = OpenRegistry();
  }
  void TearDown() override {
    setRetryWait(previousWait_);
    DataTest::TearDown();
  }
  // A table with a few rows and a tag on NOMBRE in t.cdx.
  void makeIndexed() {
    create("t.dbf", {{"NOMBRE", 'C', 8, 0}});
    auto& a = open("t.dbf", "T", OpenMode::Exclusive);
    for (const char* n : {"carlos", "ana", "beatriz"}) addRow(a, {Value(n)});
    ASSERT_TRUE(a.createTag("t.cdx", "NOMBRE", "NOMBRE"));
    ASSERT_TRUE(a.createTag("u.cdx", "INV", "NOMBRE", "", false, true));
    workAreas().closeAll();
  }
  int waits = 0;

 private:
  RetryWait previousWait_;
};

// A child process holding a table exclusively until told to let it go.
class Holder {
 public:
  explicit Holder(const std::string& file) {
    if (pipe(toChild_) != 0 || pipe(toParent_) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      auto t = Table::open(file, OpenMode::Exclusive);
      char c = t ? 'r' : 'x';
      (void)!write(toParent_[1], &c, 1);
      (void)!read(toChild_[0], &c, 1);
      t.reset();
      c = 'd';
      (void)!write(toParent_[1], &c, 1);
      _exit(0);
    }
    char c = 0;
    ready_ = read(toParent_[0], &c, 1) == 1 && c == 'r';
  }
  ~Holder() {
    release();
    int status = 0;
    if (pid_ > 0) waitpid(pid_, &status, 0);
    for (int fd : {toChild_[0], toChild_[1], toParent_[0], toParent_[1]}) close(fd);
  }
  bool ready() const { return ready_; }
  // Lets the table go and waits until the child has closed it.
  void release() {
    if (released_ || pid_ <= 0) return;
    released_ = true;
    char c = 'g';
    (void)!write(toChild_[1], &c, 1);
    (void)!read(toParent_[0], &c, 1);
  }

 private:
  int toChild_[2] = {-1, -1}, toParent_[2] = {-1, -1};
  pid_t pid_ = -1;
  bool ready_ = false, released_ = false;
};

// Answers the retry question; on the question number `releaseAt` the
// holder lets the table go first.
class RetryPrompter : public xb::ScriptedPrompter {
 public:
  RetryPrompter(Holder& h, int releaseAt) : holder_(h), releaseAt_(releaseAt) {}
  int alert(const std::string& m, const std::vector<std::string>& b, const std::string& t, int f) override {
    const int answer = ScriptedPrompter::alert(m, b, t, f);
    if (++questions == releaseAt_) holder_.release();
    return answer;
  }
  int questions = 0;

 private:
  Holder& holder_;
  int releaseAt_;
};

struct RetryCase {
  const char* name;
  std::vector<int> answers;  // 1 Si, 2 No, 0 closed
  int releaseAt;             // question after which the other process closes (0: never)
  bool opened;
  int questions;
};

TEST_F(AbrirTest, TableHeldByAnotherProcessIsRetriedAndAsked) {
  const std::vector<RetryCase> cases = {
      {"declined at once", {2}, 0, false, 1},
      {"box closed", {0}, 0, false, 1},
      {"retried twice, then declined", {1, 1, 2}, 0, false, 3},
      {"retried after the holder closed", {1}, 1, true, 1},
  };
  create("CodPro.dbf", {{"CODIGO", 'C', 25, 0}});
  for (const RetryCase& c : cases) {
    SCOPED_TRACE(c.name);
    waits = 0;
    Holder holder("CodPro.dbf");
    ASSERT_TRUE(holder.ready());
    RetryPrompter p(holder, c.releaseAt);
    p.alertAnswers = c.answers;
    xb::PrompterGuard g(p);
    EXPECT_EQ(ABRIR("CodPro2", std::filesystem::current_path().string() + "/CodPro.dbf", "S"), c.opened);
    EXPECT_EQ(p.questions, c.questions);
    EXPECT_EQ(waits, 2 * c.questions);
    int bells = 0;
    for (const auto& q : p.asked) {
      if (q.kind == "beep") {
        EXPECT_EQ(q.text, bells % 2 == 0 ? "125/55" : "300/55");
        ++bells;
      }
      if (q.kind == "alert") {
        EXPECT_EQ(q.text, "FICHERO CodPro NO ESTA DISPONIBLE. ¿ Desea reintentar ?");
        EXPECT_EQ(q.title, "Seleccione su opción");
      }
    }
    EXPECT_EQ(bells, 2 * c.questions);
    EXPECT_EQ(workAreas().area().used(), c.opened);
    EXPECT_FALSE(xb::netError());
    workAreas().closeAll();
  }
}

TEST_F(AbrirTest, ExclusiveOpenIsRefusedWhileAnotherHoldsTheTableShared) {
  create("t.dbf", {{"NOMBRE", 'C', 8, 0}});
  auto other = Table::open("t.dbf", OpenMode::Shared);
  prompts.alertAnswers = {2};
  EXPECT_FALSE(ABRIR("X", "t.dbf", "e"));
  EXPECT_EQ(waits, 2);
  other.reset();
  EXPECT_TRUE(ABRIR("X", "t.dbf", "E"));
  EXPECT_TRUE(workAreas().area().table()->exclusive());
  EXPECT_FALSE(xb::isNamed("YALIAS"));
}

TEST_F(AbrirTest, SetsIndexesAndRecordsThemInTheRegistry) {
  makeIndexed();
  ASSERT_TRUE(ABRIR("T", "t.dbf", "S", {"t.cdx", "u.cdx"}));
  auto& a = workAreas().area();
  const int n = workAreas().selected();
  EXPECT_EQ(openRegistry().INDICES[size_t(n)], "t.cdx u.cdx");
  a.goTop();
  EXPECT_EQ(a.fieldGet("NOMBRE"), Value("ana     "));  // the first file's tag controls
  EXPECT_TRUE(SET_INDEX({}));
  EXPECT_EQ(openRegistry().INDICES[size_t(n)], "t.cdx u.cdx");
  EXPECT_EQ(a.order(), 0);
  CERRAR();
  EXPECT_FALSE(a.used());
  EXPECT_EQ(openRegistry().INDICES[size_t(n)], " ");
}

TEST_F(AbrirTest, AliasInUseKeepsTheTableAndCerrarRestoresIt) {
  makeIndexed();
  ASSERT_TRUE(ABRIR("T", "t.dbf", "S", {"u.cdx"}));
  auto& a = workAreas().area();
  const int n = workAreas().selected();
  a.goTop();
  a.skip();  // "beatriz" in descending order
  const int64_t rec = a.recno();
  workAreas().select(0);
  EXPECT_FALSE(ABRIR("t", "t.dbf", "S", {"t.cdx"}));
  EXPECT_EQ(workAreas().selected(), n);
  EXPECT_EQ(a.fieldGet("NOMBRE"), Value("carlos  "));  // first row
  ASSERT_EQ(prompts.asked.size(), 3u);
  EXPECT_EQ(prompts.asked[0].kind, "beep");
  EXPECT_EQ(prompts.asked[1].kind, "beep");
  EXPECT_EQ(prompts.asked[2].text, "Atención..... Alias   << t >>   ya está en uso.....");
  EXPECT_EQ(prompts.asked[2].title, "Atención.... Error");
  EXPECT_TRUE(openRegistry().ABIERTA[size_t(n)]);
  SET_INDEX({"t.cdx"});
  CERRAR("T");
  EXPECT_TRUE(a.used());
  EXPECT_EQ(a.recno(), rec);
  EXPECT_EQ(openRegistry().INDICES[size_t(n)], "u.cdx");
  a.goTop();
  EXPECT_EQ(a.fieldGet("NOMBRE"), Value("carlos  "));
  CERRAR("T");  // now it closes
  EXPECT_FALSE(a.used());
}

TEST_F(AbrirTest, UsadaLooksAtAreasOneToFifteen) {
  create("t.dbf", {{"NOMBRE", 'C', 8, 0}});
  auto& areas = workAreas();
  areas.select(3);  // areas 1 and 2 stay free
  ASSERT_TRUE(areas.use("t.dbf", "Tres"));
  EXPECT_TRUE(USADA("TRES"));
  EXPECT_TRUE(USADA("tres"));
  EXPECT_FALSE(USADA("Otro"));
  areas.close();
  areas.select(16);
  ASSERT_TRUE(areas.use("t.dbf", "Dieciseis"));
  EXPECT_FALSE(USADA("Dieciseis"));
}

TEST_F(AbrirTest, OtherOpenFailuresCloseTheArea) {
  EXPECT_THROW(ABRIR("X", "missing.dbf", "S"), xb::RuntimeError);
  int raised = 0;
  xb::setErrorHandler([&](const xb::Error&) {
    ++raised;
    return xb::ErrorAnswer{};
  });
  EXPECT_FALSE(ABRIR("X", "missing.dbf", "S"));
  EXPECT_EQ(F_ERROR(), 1);
  EXPECT_EQ(raised, 1);
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_FALSE(workAreas().area().used());
}

TEST_F(AbrirTest, IndexaBuildsAConditionalTagAndKeepsTheArea) {
  create("t.dbf", {{"NOMBRE", 'C', 8, 0}});
  auto& a = open("t.dbf", "T", OpenMode::Exclusive);
  for (const char* n : {"b", "a", "a"}) addRow(a, {Value(n)});
  a.goTo(2);
  a.deleteRow();
  workAreas().closeAll();
  create("keep.dbf", {{"X", 'C', 1, 0}});
  auto& k = open("keep.dbf", "KEEP");
  const int keep = workAreas().selected();
  INDEXA("t.dbf", "t.cdx", "NOMBRE", "Nombre", true);
  EXPECT_EQ(workAreas().selected(), keep);
  EXPECT_TRUE(k.used());
  EXPECT_EQ(workAreas().areaOf("EL_FILE"), 0);
  auto& t = open("t.dbf", "T");
  ASSERT_TRUE(t.addIndex("t.cdx"));
  const auto orders = t.orders();
  ASSERT_EQ(orders.size(), 1u);
  EXPECT_EQ(orders[0].tag.name, "NOMBRE");
  EXPECT_EQ(t.keyCount(), 2);
  EXPECT_TRUE(t.check().empty());
}

TEST_F(AbrirTest, IndexaClosesItsAreaWhenTheBuildFails) {
  create("t.dbf", {{"NOMBRE", 'C', 8, 0}});
  EXPECT_THROW(INDEXA("t.dbf", "t.cdx", "NOMBRE +", "Nombre"), xb::RuntimeError);
  EXPECT_EQ(workAreas().areaOf("EL_FILE"), 0);
  EXPECT_TRUE(ABRIR("T", "t.dbf", "E"));  // no exclusive use left behind
}

TEST(AbrirNames, NameQuitarCamQuitarExt) {
  struct Case {
    const char* path;
    const char* name;
    const char* cam;
    const char* ext;
  };
  const std::vector<Case> cases = {
      {"C:\\DATOS\\QV\\CodPro.dbf", "CodPro  ", "CodPro.dbf", "C:\\DATOS\\QV\\CodPro"},
      {"/datos/qv/CodPro.dbf", "CodPro  ", "CodPro.dbf", "/datos/qv/CodPro"},
      {"Labels.dbf", "Labels  ", "Labels.dbf", "Labels"},
      {"ARCHIVOLARGO.TAR.GZ", "ARCHIVOL", "ARCHIVOLARGO.TAR.GZ", "ARCHIVOLARGO"},
      {"SINEXT", "SINEXT  ", "SINEXT", "SINEXT"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NAME(c.path), c.name) << c.path;
    EXPECT_EQ(QUITAR_CAM(c.path), c.cam) << c.path;
    EXPECT_EQ(QUITAR_EXT(c.path), c.ext) << c.path;
  }
}

TEST_F(AbrirTest, AliasRoutines) {
  const std::string first = GETNEWALIAS("TMP");
  EXPECT_EQ(first, "TMP0002");
  EXPECT_EQ(GETNEWALIAS("X"), "X0003");

  create("t.dbf", {{"NOMBRE", 'C', 8, 0}});
  open("t.dbf", "Uno");
  auto& dos = open("t.dbf", "Dos");
  const int current = workAreas().selected();
  REGULAAREA("uno");
  EXPECT_EQ(workAreas().areaOf("Uno"), 0);
  EXPECT_EQ(workAreas().selected(), current);
  EXPECT_TRUE(dos.used());
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].text, "Cierra");
  REGULAAREA("nada");
  EXPECT_EQ(prompts.asked.size(), 1u);

  CHECKALIAS("Areas abiertas");
  EXPECT_EQ(prompts.asked.back().text, "Areas abiertas\nArea #:          2 - DOS");
}

TEST_F(AbrirTest, ChkdupTellsAnotherRowWithTheKey) {
  makeIndexed();
  ASSERT_TRUE(ABRIR("T", "t.dbf", "S", {"t.cdx"}));
  auto& a = workAreas().area();
  a.goTop();  // ana, row 2
  struct Case {
    const char* key;
    double lreg;
    bool unique;
  };
  const std::vector<Case> cases = {
      {"zoe", -1, true}, {"ana", -1, false}, {"ana", 2, true}, {"ana", 3, false}, {"beatriz", 3, true}};
  for (const Case& c : cases) {
    xb::PUBLICA("LREG", Value(c.lreg, 0));
    prompts.asked.clear();
    EXPECT_EQ(CHKDUP(Value(c.key), "El código"), c.unique) << c.key << " " << c.lreg;
    EXPECT_EQ(a.recno(), 2);
    EXPECT_EQ(prompts.asked.size(), c.unique ? 0u : 1u);
    if (!c.unique) {
      EXPECT_EQ(prompts.asked[0].text, "El código ya existe");
      EXPECT_EQ(prompts.asked[0].title, "Atención.....!!!");
    }
  }
}

// A table start-up opened keeps its index file through an ABRIR and CERRAR
// of its alias, and no further CERRAR closes it.
TEST_F(AbrirTest, CerrarNeverClosesOrStripsATableStartUpOpened) {
  makeIndexed();
  PUBLIBASES();
  auto& areas = workAreas();
  areas.select(0);
  ASSERT_TRUE(areas.use("t.dbf", "T", OpenMode::Shared));
  ASSERT_TRUE(areas.area().addIndex("t.cdx"));
  const int n = areas.selected();
  openRegistry().INDICES[size_t(n)] = "t.cdx";  // as ABREBASES records it
  EXPECT_FALSE(ABRIR("T", "t.dbf", "S", {"u.cdx"}));
  CERRAR("T");
  auto& a = areas.area(n);
  ASSERT_TRUE(a.used());
  EXPECT_EQ(a.indexFiles().size(), 1u);
  CERRAR("T");
  CERRAR("T");
  EXPECT_TRUE(a.used());
  EXPECT_EQ(a.indexFiles().size(), 1u);
}

}  // namespace
}  // namespace qv::testing
