// Work areas: selection and aliases, navigation rules, row changes, tags of
// each key type, seeks, scopes, filters, row loops, pack and the joint check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/engine/byte_order.h"
#include "data/engine/cdx.h"
#include "data/engine/cdx_page.h"
#include "data/engine/os_file.h"
#include "data/engine/index_key.h"
#include "tests/engine/workarea_fixture.h"
#include "xbase/dates.h"
#include "xbase/expr.h"

namespace xb::engine::testing {
namespace {

const Structure kCodes = {{"CODIGO", 'C', 6, 0}, {"NUM", 'N', 6, 0}, {"FECHA", 'D', 8, 0}, {"TIPOBAR", 'C', 4, 0}};

struct Row {
  const char* code;
  int num;
  int32_t day;  // days after 2000-01-01
  const char* tipo;
};

const Row kRows[] = {
    {"B", 30, 5, "13"}, {"A", 10, 1, ""}, {"C", 20, 9, "128"}, {"A", 40, 3, "8"}, {"D", 50, 7, "13"},
};

class Codes : public WorkAreaTest {
 protected:
  void SetUp() override {
    WorkAreaTest::SetUp();
    WorkArea& a = make("codes.dbf", kCodes, "Codes");
    for (const Row& r : kRows) {
      ASSERT_TRUE(a.appendBlank());
      a.fieldPut("CODIGO", Value(r.code));
      a.fieldPut("NUM", Value(r.num));
      a.fieldPut("FECHA", Value(Date{julianDay(2000, 1, 1) + r.day}));
      a.fieldPut("TIPOBAR", Value(r.tipo));
    }
    a.unlock();
  }
  WorkArea& a() { return areas.area(areas.areaOf("CODES")); }

  // Record numbers met from the top in the active order.
  std::vector<int64_t> walk() {
    std::vector<int64_t> seen;
    for (a().goTop(); !a().eof(); a().skip()) seen.push_back(a().recno());
    return seen;
  }
  std::vector<int64_t> walkBack() {
    std::vector<int64_t> seen;
    for (a().goBottom(); !a().bof(); a().skip(-1)) seen.push_back(a().recno());
    return seen;
  }
  std::string index() const { return dir.file("codes.cdx"); }
};

TEST_F(WorkAreaTest, SelectingZeroTakesTheFirstFreeAreaAndAliasesAreUnique) {
  make("one.dbf", kCodes, "One");
  EXPECT_EQ(areas.selected(), 1);
  make("two.dbf", kCodes, "");
  EXPECT_EQ(areas.selected(), 2);
  EXPECT_EQ(areas.area().alias(), "TWO");
  EXPECT_EQ(areas.select("one"), 1);
  EXPECT_EQ(areas.select("nothing"), 0);
  EXPECT_EQ(areas.selected(), 1);
  areas.select(0);
  EXPECT_EQ(areas.selected(), 3);
  EXPECT_THROW(areas.use(dir.file("two.dbf"), "ONE", OpenMode::Shared), RuntimeError);
  EXPECT_FALSE(areas.area().used());
  {
    SelectGuard g(areas, "two");
    EXPECT_TRUE(g.ok());
    EXPECT_EQ(areas.selected(), 2);
  }
  EXPECT_EQ(areas.selected(), 3);
  areas.closeAll();
  EXPECT_EQ(areas.areaOf("ONE"), 0);
  EXPECT_EQ(areas.areaOf("TWO"), 0);
}

TEST_F(WorkAreaTest, OpeningInTheCurrentAreaClosesWhatItHeld) {
  make("one.dbf", kCodes, "One");
  ASSERT_TRUE(Table::create(dir.file("two.dbf"), kCodes));
  ASSERT_TRUE(areas.use(dir.file("two.dbf"), "Two", OpenMode::Shared));
  EXPECT_EQ(areas.selected(), 1);
  EXPECT_EQ(areas.areaOf("ONE"), 0);
  EXPECT_EQ(areas.areaOf("TWO"), 1);
}

TEST_F(WorkAreaTest, ExpressionsSeeFieldsOfTheSelectedAreaAndOtherAliases) {
  WorkArea& one = make("one.dbf", kCodes, "One");
  ASSERT_TRUE(one.appendBlank());
  one.fieldPut("CODIGO", Value("X1"));
  one.unlock();
  WorkArea& two = make("two.dbf", kCodes, "Two");
  ASSERT_TRUE(two.appendBlank());
  two.fieldPut("CODIGO", Value("Y2"));
  two.unlock();
  EXPECT_EQ(xb::evaluate("TRIM(CODIGO) + TRIM(One->CODIGO)").text(), "Y2X1");
  areas.select("ONE");
  EXPECT_EQ(xb::evaluate("TRIM(CODIGO)").text(), "X1");
}

TEST_F(WorkAreaTest, EmptyTableStandsOnThePhantomRowWithBothFlags) {
  WorkArea& a = make("empty.dbf", kCodes, "E");
  a.goTop();
  EXPECT_TRUE(a.bof());
  EXPECT_TRUE(a.eof());
  EXPECT_EQ(a.recno(), 1);
  EXPECT_EQ(a.fieldGet("CODIGO").text(), "      ");
  EXPECT_EQ(a.fieldGet("NUM").num(), 0);
  EXPECT_TRUE(a.fieldGet("FECHA").date().empty());
}

TEST_F(Codes, NaturalOrderSkipsAndStopsAtBothEnds) {
  EXPECT_EQ(walk(), (std::vector<int64_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(walkBack(), (std::vector<int64_t>{5, 4, 3, 2, 1}));
  a().goTop();
  a().skip(-1);
  EXPECT_TRUE(a().bof());
  EXPECT_FALSE(a().eof());
  EXPECT_EQ(a().recno(), 1);
  a().goBottom();
  a().skip();
  EXPECT_TRUE(a().eof());
  EXPECT_EQ(a().recno(), 6);
  a().skip(-1);
  EXPECT_EQ(a().recno(), 5);
  a().goTo(3);
  a().skip(2);
  EXPECT_EQ(a().recno(), 5);
  a().goTo(99);
  EXPECT_TRUE(a().eof());
  EXPECT_EQ(a().reccount(), 5);
}

TEST_F(Codes, HiddenDeletedRowsAreSkippedButReachableByNumber) {
  a().goTo(2);
  a().deleteRow();
  a().goTo(5);
  a().deleteRow();
  a().unlock();
  setDeletedHidden(true);
  EXPECT_EQ(walk(), (std::vector<int64_t>{1, 3, 4}));
  EXPECT_EQ(walkBack(), (std::vector<int64_t>{4, 3, 1}));
  a().goTo(2);
  EXPECT_EQ(a().recno(), 2);
  EXPECT_TRUE(a().deleted());
  a().recall();
  a().unlock();
  EXPECT_EQ(walk(), (std::vector<int64_t>{1, 2, 3, 4}));
  setDeletedHidden(false);
  EXPECT_EQ(walk().size(), 5u);
}

struct TagCase {
  const char* name;
  const char* key;
  const char* cond;
  bool unique;
  bool descending;
  std::vector<int64_t> order;
};

class TagOrders : public Codes, public ::testing::WithParamInterface<TagCase> {};

TEST_P(TagOrders, TagOrderMatchesKeysAndCondition) {
  const TagCase& c = GetParam();
  ASSERT_TRUE(a().createTag(index(), c.name, c.key, c.cond, c.unique, c.descending));
  EXPECT_EQ(walk(), c.order);
  std::vector<int64_t> back(c.order.rbegin(), c.order.rend());
  EXPECT_EQ(walkBack(), back);
  EXPECT_EQ(a().keyCount(), static_cast<int64_t>(c.order.size()));
  EXPECT_TRUE(a().check().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TagOrders,
    ::testing::Values(TagCase{"CODE", "CODIGO", "", false, false, {2, 4, 1, 3, 5}},
                      TagCase{"CODEDESC", "CODIGO", "", false, true, {5, 3, 1, 4, 2}},
                      TagCase{"NUM", "NUM", "", false, false, {2, 3, 1, 4, 5}},
                      TagCase{"NUMNEG", "-NUM", "", false, false, {5, 4, 1, 3, 2}},
                      TagCase{"FECHA", "FECHA", "", false, false, {2, 4, 1, 5, 3}},
                      TagCase{"FECHAD", "FECHA", "NUM > 15", false, true, {3, 5, 1, 4}},
                      TagCase{"UCODE", "CODIGO", "", true, false, {2, 1, 3, 5}},
                      TagCase{"MIXED", "CODIGO+STR(NUM,6)", "!EMPTY(TIPOBAR)", false, false, {4, 1, 3, 5}}));

TEST_F(Codes, AttachingAnIndexMakesItsFirstTagActive) {
  ASSERT_TRUE(a().createTag(index(), "CODE", "CODIGO"));
  ASSERT_TRUE(a().createTag(index(), "NUM", "NUM"));
  a().clearIndexes();
  EXPECT_EQ(walk(), (std::vector<int64_t>{1, 2, 3, 4, 5}));
  ASSERT_TRUE(a().addIndex(index()));
  ASSERT_TRUE(a().addIndex(dir.file("CODES.CDX")));  // the same file
  ASSERT_EQ(a().orders().size(), 2u);
  EXPECT_EQ(a().orders()[0].tag.name, "CODE");
  EXPECT_EQ(a().orders()[1].keyType, 'N');
  EXPECT_EQ(walk(), (std::vector<int64_t>{2, 4, 1, 3, 5}));
  ASSERT_TRUE(a().setOrder("num"));
  EXPECT_EQ(walk(), (std::vector<int64_t>{2, 3, 1, 4, 5}));
  EXPECT_FALSE(a().setOrder("nothing"));
  ASSERT_TRUE(a().setOrder(0));
  EXPECT_EQ(walk(), (std::vector<int64_t>{1, 2, 3, 4, 5}));
}

struct SeekCase {
  Value key;
  bool soft;
  bool found;
  int64_t recno;  // 6: the phantom row
};

class Seeks : public Codes, public ::testing::WithParamInterface<SeekCase> {};

TEST_P(Seeks, SeekFindsTheFirstMatchingRowOrTheNextKey) {
  const SeekCase& c = GetParam();
  ASSERT_TRUE(a().createTag(index(), "CODE", "CODIGO"));
  EXPECT_EQ(a().seek(c.key, c.soft), c.found);
  EXPECT_EQ(a().found(), c.found);
  EXPECT_EQ(a().recno(), c.recno);
  EXPECT_EQ(a().eof(), c.recno == 6);
}

INSTANTIATE_TEST_SUITE_P(Keys, Seeks,
                         ::testing::Values(SeekCase{Value("A"), false, true, 2}, SeekCase{Value("C     "), false, true, 3},
                                           SeekCase{Value("AB"), false, false, 6}, SeekCase{Value("AB"), true, false, 1},
                                           SeekCase{Value("Z"), true, false, 6}, SeekCase{Value(""), false, true, 2}));

TEST_F(Codes, SeeksOnNumericDateAndDescendingTags) {
  ASSERT_TRUE(a().createTag(index(), "NUM", "NUM"));
  EXPECT_TRUE(a().seek(Value(40)));
  EXPECT_EQ(a().recno(), 4);
  EXPECT_FALSE(a().seek(Value(35), true));
  EXPECT_EQ(a().recno(), 4);
  EXPECT_THROW(a().seek(Value("40")), RuntimeError);
  ASSERT_TRUE(a().createTag(index(), "FECHA", "FECHA", "", false, true));
  EXPECT_TRUE(a().seek(Value(Date{julianDay(2000, 1, 1) + 7})));
  EXPECT_EQ(a().recno(), 5);
  // Descending: a soft seek lands on the next lower key.
  EXPECT_FALSE(a().seek(Value(Date{julianDay(2000, 1, 1) + 6}), true));
  EXPECT_EQ(a().recno(), 1);
  a().skip();
  EXPECT_EQ(a().recno(), 4);
}

TEST_F(Codes, DuplicateKeysSeekTheLowestRowOrTheHighestWhenDescending) {
  ASSERT_TRUE(a().createTag(index(), "CODE", "CODIGO"));
  EXPECT_TRUE(a().seek(Value("A")));
  EXPECT_EQ(a().recno(), 2);
  ASSERT_TRUE(a().createTag(index(), "CODED", "CODIGO", "", false, true));
  EXPECT_TRUE(a().seek(Value("A")));
  EXPECT_EQ(a().recno(), 4);
  a().skip();
  EXPECT_EQ(a().recno(), 2);
}

TEST_F(Codes, ScopesRestrictNavigationSeeksAndKeyCount) {
  ASSERT_TRUE(a().createTag(index(), "CODE", "CODIGO"));
  a().setScope(Value("A"), Value("A"));
  EXPECT_EQ(walk(), (std::vector<int64_t>{2, 4}));
  EXPECT_EQ(a().keyCount(), 2);
  EXPECT_FALSE(a().seek(Value("C")));
  a().setScope(Value("B"), Value());
  EXPECT_EQ(walk(), (std::vector<int64_t>{1, 3, 5}));
  EXPECT_EQ(walkBack(), (std::vector<int64_t>{5, 3, 1}));
  EXPECT_TRUE(a().seek(Value("A"), true) == false && a().recno() == 1);
  a().clearScope();
  EXPECT_EQ(a().keyCount(), 5);
  ASSERT_TRUE(a().createTag(index(), "CODED", "CODIGO", "", false, true));
  a().setScope(Value("C"), Value("B"));
  EXPECT_EQ(walk(), (std::vector<int64_t>{3, 1}));
  EXPECT_EQ(a().keyCount(), 2);
}

TEST_F(Codes, ChangesKeepEveryTagUpToDate) {
  ASSERT_TRUE(a().createTag(index(), "NUM", "NUM"));
  ASSERT_TRUE(a().createTag(index(), "CODE", "CODIGO", "!DELETED()"));
  ASSERT_TRUE(a().createTag(index(), "UCODE", "CODIGO", "!DELETED()", true));
  a().goTo(2);
  a().fieldPut("CODIGO", Value("E"));
  a().fieldPut("NUM", Value(60));
  a().goTo(1);
  a().deleteRow();
  a().unlock();
  EXPECT_TRUE(a().check().empty());
  // Row 4 took over key "A" in the unique tag when row 2 left it.
  ASSERT_TRUE(a().setOrder("UCODE"));
  EXPECT_EQ(walk(), (std::vector<int64_t>{4, 3, 5, 2}));
  ASSERT_TRUE(a().setOrder("CODE"));
  EXPECT_EQ(walk(), (std::vector<int64_t>{4, 3, 5, 2}));
  ASSERT_TRUE(a().setOrder("NUM"));
  EXPECT_EQ(walk(), (std::vector<int64_t>{3, 1, 4, 5, 2}));
  a().goTo(1);
  a().recall();
  ASSERT_TRUE(a().appendBlank());
  a().fieldPut("CODIGO", Value("A"));
  a().unlock();
  ASSERT_TRUE(a().setOrder("UCODE"));
  EXPECT_EQ(walk(), (std::vector<int64_t>{4, 1, 3, 5, 2}));
  EXPECT_TRUE(a().check().empty());
}

TEST_F(Codes, FilterLocateAndRowLoopsSeeOnlyVisibleRows) {
  ASSERT_TRUE(a().createTag(index(), "CODE", "CODIGO"));
  a().setFilter("!Empty(TipoBar)");
  EXPECT_EQ(walk(), (std::vector<int64_t>{4, 1, 3, 5}));
  EXPECT_TRUE(a().locate(xb::Expr::compile("NUM >= 30")));
  EXPECT_EQ(a().recno(), 4);
  EXPECT_TRUE(a().locate(xb::Expr::compile("NUM >= 30"), true));
  EXPECT_EQ(a().recno(), 1);
  EXPECT_FALSE(a().locate(xb::Expr::compile("NUM = 10")));
  EXPECT_TRUE(a().eof());
  int64_t sum = 0;
  xb::Expr cond = xb::Expr::compile("TIPOBAR = '13'");
  EXPECT_EQ(a().evalRows([&] { sum += static_cast<int64_t>(a().fieldGet("NUM").num()); return true; }, &cond), 2);
  EXPECT_EQ(sum, 80);
  a().clearFilter();
  EXPECT_EQ(walk().size(), 5u);
}

TEST_F(Codes, PackRemovesDeletedRowsAndRebuildsTags) {
  ASSERT_TRUE(a().createTag(index(), "CODE", "CODIGO"));
  ASSERT_TRUE(a().createTag(index(), "NUM", "NUM", "", false, true));
  a().goTo(2);
  a().deleteRow();
  a().goTo(4);
  a().deleteRow();
  ASSERT_TRUE(a().pack());
  EXPECT_EQ(a().reccount(), 3);
  EXPECT_EQ(walk(), (std::vector<int64_t>{3, 1, 2}));
  ASSERT_TRUE(a().setOrder("CODE"));
  EXPECT_EQ(walk(), (std::vector<int64_t>{1, 2, 3}));
  EXPECT_TRUE(a().check().empty());
}

TEST_F(Codes, CheckReportsATagThatDisagreesWithTheRows) {
  ASSERT_TRUE(a().createTag(index(), "CODE", "CODIGO"));
  a().clearIndexes();  // an exclusive area keeps its index files locked
  {
    std::unique_ptr<CdxFile> f = CdxFile::open(index(), true);
    ASSERT_TRUE(f);
    ASSERT_TRUE(f->beginWrite());
    CdxTag* t = f->tag("CODE");
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->remove(IndexEntry{"C     ", 3}));
    EXPECT_TRUE(t->insert(IndexEntry{"Q     ", 9}));
    f->endWrite();
  }
  ASSERT_TRUE(a().addIndex(index()));
  std::vector<std::string> faults = a().check();
  ASSERT_EQ(faults.size(), 2u);
  EXPECT_NE(faults[0].find("missing entry for record 3"), std::string::npos);
  EXPECT_NE(faults[1].find("extra entry for record 9"), std::string::npos);
}

TEST_F(Codes, CreatingATagNeedsExclusiveUseOrTheFileLock) {
  ASSERT_TRUE(areas.use(dir.file("codes.dbf"), "Codes", OpenMode::Shared));
  EXPECT_THROW(a().createTag(index(), "CODE", "CODIGO"), RuntimeError);
  ASSERT_TRUE(a().lockFile());
  EXPECT_TRUE(a().createTag(index(), "CODE", "CODIGO"));
  a().unlock();
  EXPECT_EQ(walk(), (std::vector<int64_t>{2, 4, 1, 3, 5}));
}

TEST_F(Codes, AChangeRefusedForWantOfALockIsWrittenOnceTheRowIsLocked) {
  ASSERT_TRUE(a().createTag(index(), "CODE", "CODIGO"));
  ASSERT_TRUE(areas.use(dir.file("codes.dbf"), "Codes", OpenMode::Shared));
  ASSERT_TRUE(a().addIndex(index()));
  a().goTo(3);
  a().fieldPut("CODIGO", Value("0"));
  try {
    a().skip();
    ADD_FAILURE() << "a write without a lock went through";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.error().genCode, kGenUnlocked);
  }
  ASSERT_TRUE(a().lockRow());
  a().unlock();
  EXPECT_EQ(walk(), (std::vector<int64_t>{3, 2, 4, 1, 5}));
  EXPECT_TRUE(a().check().empty());
}

TEST_F(Codes, RowsLockedTogetherAreWrittenAndKeptFromAnotherOpener) {
  ASSERT_TRUE(a().createTag(index(), "CODE", "CODIGO"));
  ASSERT_TRUE(areas.use(dir.file("codes.dbf"), "Codes", OpenMode::Shared));
  ASSERT_TRUE(a().addIndex(index()));
  const int mine = areas.selected();
  areas.select(0);
  ASSERT_TRUE(areas.use(dir.file("codes.dbf"), "Other", OpenMode::Shared));
  WorkArea& other = areas.area();
  WorkArea& own = areas.area(mine);
  ASSERT_TRUE(own.lockRecord(2));
  ASSERT_TRUE(own.lockRecord(4));
  for (const auto& [row, code] : {std::pair<int64_t, const char*>{2, "0"}, {4, "ZZ"}}) {
    own.goTo(row);
    own.fieldPut("CODIGO", Value(code));
  }
  own.goTo(1);  // leaving row 4 writes it under its lock
  setNetError(false);
  EXPECT_FALSE(other.lockRecord(2));
  EXPECT_TRUE(netError());
  other.goTo(4);
  EXPECT_FALSE(other.lockRow());
  other.goTo(3);
  EXPECT_TRUE(other.lockRow());
  other.unlock();
  own.unlockRecord(2);
  EXPECT_TRUE(other.lockRecord(2));
  EXPECT_FALSE(other.lockRecord(4));
  other.unlock();
  own.unlock();
  EXPECT_EQ(walk(), (std::vector<int64_t>{2, 1, 3, 5, 4}));
  EXPECT_TRUE(own.check().empty());
}

TEST_F(Codes, AppendFromCopiesRowsByNameAndIndexesThem) {
  ASSERT_TRUE(a().createTag(index(), "CODE", "CODIGO"));
  WorkArea& b = make("other.dbf", {{"NUM", 'N', 6, 0}, {"CODIGO", 'C', 10, 0}}, "Other");
  ASSERT_TRUE(b.appendBlank());
  b.fieldPut("CODIGO", Value("AAAAAAAAAA"));
  b.fieldPut("NUM", Value(7));
  b.unlock();
  areas.close();
  EXPECT_EQ(a().appendFrom(dir.file("other.dbf")), 1);
  EXPECT_EQ(a().reccount(), 6);
  EXPECT_EQ(walk(), (std::vector<int64_t>{2, 4, 6, 1, 3, 5}));
  a().goTo(6);
  EXPECT_EQ(a().fieldGet("CODIGO").text(), "AAAAAA");
  EXPECT_TRUE(a().check().empty());
}

}  // namespace
}  // namespace xb::engine::testing

namespace xb::engine::testing {
namespace {

// A numeric tag whose header claims keys longer than the 8 bytes a number
// needs: the index file is reported damaged, and nothing reads past a key.
TEST_F(Codes, ANumericTagClaimingLongKeysIsReportedDamaged) {
  ASSERT_TRUE(a().createTag(index(), "NUM", "NUM"));
  a().clearIndexes();
  // The directory's only entry names the tag's header.
  auto raw = File::open(index(), File::Mode::ReadWrite);
  ASSERT_TRUE(raw);
  uint8_t page[cdx::kPageSize];
  uint8_t root[4];
  ASSERT_EQ(raw->readAt(0, root, 4), 4);
  ASSERT_EQ(raw->readAt(le32(root), page, cdx::kPageSize), long(cdx::kPageSize));
  cdx::Node dir;
  ASSERT_EQ(cdx::decodePage(page, 10, ' ', dir), "");
  ASSERT_EQ(dir.size(), 1);
  const uint8_t len[2] = {200, 0};
  ASSERT_TRUE(raw->writeAt(uint64_t(dir.recnos[0]) + 12, len, 2));
  std::vector<Error> errors;
  ErrorHandler old = setErrorHandler([&](const Error& e) -> ErrorAnswer {
    errors.push_back(e);
    return {ErrorAnswer::Default, {}};
  });
  a().addIndex(index());
  a().check();
  a().pack();
  setErrorHandler(old);
  ASSERT_FALSE(errors.empty());
  EXPECT_EQ(errors[0].genCode, kGenCorruption);
  EXPECT_NE(errors[0].description.find("codes.cdx"), std::string::npos) << errors[0].description;
}

}  // namespace
}  // namespace xb::engine::testing
