// Random operation sequences on a table with five tags (character, numeric,
// descending date with a condition, two unique ones), checked step by step
// against a plain in-memory model, with the joint consistency check after
// every sequence.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tests/engine/workarea_fixture.h"
#include "xbase/dates.h"

namespace xb::engine::testing {
namespace {

const Structure kFields = {{"CODIGO", 'C', 4, 0}, {"NUM", 'N', 5, 0}, {"FECHA", 'D', 8, 0}};
const int32_t kDay0 = julianDay(2020, 1, 1);

struct MRow {
  std::string code;  // padded to 4
  int num = 0;
  int day = 0;  // 0: empty date, else days after kDay0
  bool del = false;
};

struct MTag {
  const char* name;
  const char* key;
  const char* cond;
  bool unique;
  bool descending;
};

// Order matters: NUM and UNUM share key and condition (a unique tag with a
// non-unique sibling); UCODE has none.
const MTag kTags[] = {
    {"CODE", "CODIGO", "!DELETED()", false, false}, {"NUM", "NUM", "", false, false},
    {"FECHAD", "FECHA", "NUM > 20", false, true},   {"UCODE", "LEFT(CODIGO,1)", "!DELETED()", true, false},
    {"UNUM", "NUM", "", true, false},
};

std::string pad(std::string s, size_t n) {
  s.resize(n, ' ');
  return s;
}

// Comparable key text of a row for tag t (numbers zero-padded; all values
// are non-negative).
std::string modelKey(int t, const MRow& r) {
  char buf[16];
  switch (t) {
    case 0: return r.code;
    case 1:
    case 4: std::snprintf(buf, sizeof buf, "%05d", r.num); return buf;
    case 2: std::snprintf(buf, sizeof buf, "%05d", r.day); return buf;
    default: return r.code.substr(0, 1);
  }
}

bool modelFor(int t, const MRow& r) {
  switch (t) {
    case 0:
    case 3: return !r.del;
    case 2: return r.num > 20;
    default: return true;
  }
}

struct Model {
  std::vector<MRow> rows;
  bool hidden = false;
  std::string scopeLow, scopeHigh;  // CODE tag scopes (prefixes)

  bool visible(const MRow& r) const { return !(hidden && r.del); }

  // Entries (key, recno) of tag t in its navigation order, scopes applied
  // to CODE, before visibility.
  std::vector<std::pair<std::string, int64_t>> entries(int t) const {
    std::vector<std::pair<std::string, int64_t>> e;
    for (size_t i = 0; i < rows.size(); ++i)
      if (modelFor(t, rows[i])) e.emplace_back(modelKey(t, rows[i]), static_cast<int64_t>(i + 1));
    std::sort(e.begin(), e.end());
    if (kTags[t].unique)
      e.erase(std::unique(e.begin(), e.end(), [](auto& a, auto& b) { return a.first == b.first; }), e.end());
    if (t == 0) {
      std::erase_if(e, [&](auto& x) {
        return (!scopeLow.empty() && x.first.compare(0, scopeLow.size(), scopeLow) < 0) ||
               (!scopeHigh.empty() && x.first.compare(0, scopeHigh.size(), scopeHigh) > 0);
      });
    }
    if (kTags[t].descending) std::reverse(e.begin(), e.end());
    return e;
  }
  // Visible record numbers in order (t < 0: natural order).
  std::vector<int64_t> order(int t) const {
    std::vector<int64_t> out;
    if (t < 0) {
      for (size_t i = 0; i < rows.size(); ++i)
        if (visible(rows[i])) out.push_back(static_cast<int64_t>(i + 1));
      return out;
    }
    for (auto& [k, r] : entries(t))
      if (visible(rows[static_cast<size_t>(r - 1)])) out.push_back(r);
    return out;
  }
};

struct ModelCase {
  unsigned seed;
  OpenMode mode;
};

class ModelRun : public WorkAreaTest, public ::testing::WithParamInterface<ModelCase> {
 protected:
  std::mt19937 rng{GetParam().seed};
  Model m;
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  std::string randomCode() {
    static const char letters[] = "ABCDE";
    std::string s(1, letters[pick(5)]);
    if (pick(2)) s += letters[pick(5)];
    return pad(s, 4);
  }
  std::string dbf() const { return dir.file("model.dbf"); }
  std::string cdx() const { return dir.file("model.cdx"); }
  WorkArea& a() { return areas.area(1); }

  void setRandomFields(MRow& r, bool all) {
    if (all || pick(2)) {
      r.code = randomCode();
      a().fieldPut("CODIGO", Value(r.code));
    }
    if (all || pick(2)) {
      r.num = pick(40);
      a().fieldPut("NUM", Value(r.num));
    }
    if (all || pick(2)) {
      r.day = pick(4) ? pick(30) + 1 : 0;
      a().fieldPut("FECHA", Value(Date{r.day ? kDay0 + r.day : 0}));
    }
  }

  std::vector<int64_t> walk(bool back) {
    std::vector<int64_t> seen;
    if (back) {
      for (a().goBottom(); !a().bof() && !a().eof(); a().skip(-1)) seen.push_back(a().recno());
      std::reverse(seen.begin(), seen.end());
    } else {
      for (a().goTop(); !a().eof(); a().skip()) seen.push_back(a().recno());
    }
    return seen;
  }

  void step(int op) {
    const int64_t n = static_cast<int64_t>(m.rows.size());
    if (op < 30) {  // append
      ASSERT_TRUE(a().appendBlank());
      MRow r;
      r.code = pad("", 4);
      setRandomFields(r, pick(5) != 0);
      m.rows.push_back(r);
      a().unlock();
      return;
    }
    if (n == 0) return;
    const int64_t rec = pick(static_cast<int>(n)) + 1;
    MRow& row = m.rows[static_cast<size_t>(rec - 1)];
    if (op < 50) {  // change
      a().goTo(rec);
      ASSERT_TRUE(a().lockRow());
      setRandomFields(row, false);
      a().unlock();
    } else if (op < 60) {
      a().goTo(rec);
      ASSERT_TRUE(a().lockRow());
      a().deleteRow();
      row.del = true;
      a().unlock();
    } else if (op < 65) {
      a().goTo(rec);
      ASSERT_TRUE(a().lockRow());
      a().recall();
      row.del = false;
      a().unlock();
    } else if (op < 75) {
      seekStep();
    } else if (op < 88) {
      walkStep();
    } else if (op < 95) {
      skipStep();
    } else if (op < 97 && GetParam().mode == OpenMode::Exclusive) {
      ASSERT_TRUE(a().pack());
      std::erase_if(m.rows, [](const MRow& r) { return r.del; });
    } else if (op < 99) {
      m.hidden = !m.hidden;
      setDeletedHidden(m.hidden);
    } else {
      ASSERT_TRUE(a().setOrder("CODE"));
      m.scopeLow = pick(2) ? randomCode().substr(0, 1) : "";
      m.scopeHigh = pick(2) ? randomCode().substr(0, 1 + pick(2)) : "";
      a().setScope(m.scopeLow.empty() ? Value() : Value(m.scopeLow), m.scopeHigh.empty() ? Value() : Value(m.scopeHigh));
    }
  }

  void walkStep() {
    int t = pick(6) - 1;
    ASSERT_TRUE(t < 0 ? a().setOrder(0) : a().setOrder(kTags[t].name));
    std::vector<int64_t> want = m.order(t);
    EXPECT_EQ(walk(false), want) << "forward, tag " << t;
    EXPECT_EQ(walk(true), want) << "backward, tag " << t;
    if (t >= 0) {
      EXPECT_EQ(a().keyCount(), static_cast<int64_t>(m.entries(t).size())) << "tag " << t;
    }
  }

  void seekStep() {
    const int t = pick(3) == 0 ? 2 : 0;  // CODE or the descending FECHAD
    ASSERT_TRUE(a().setOrder(kTags[t].name));
    const bool soft = pick(2);
    std::string k;
    Value key;
    if (t == 0) {
      k = randomCode();
      k.resize(1 + static_cast<size_t>(pick(2)));
      key = Value(k);
    } else {
      int day = pick(31);
      char buf[16];
      std::snprintf(buf, sizeof buf, "%05d", day);
      k = buf;
      key = Value(Date{day ? kDay0 + day : 0});
    }
    int64_t want = static_cast<int64_t>(m.rows.size()) + 1;
    bool found = false;
    const bool desc = kTags[t].descending;
    for (auto& [ek, r] : m.entries(t)) {
      if (!m.visible(m.rows[static_cast<size_t>(r - 1)])) continue;
      const int c = ek.compare(0, k.size(), k);
      if (c == 0) {
        want = r;
        found = true;
        break;
      }
      if (soft && (desc ? c < 0 : c > 0)) {
        want = r;
        break;
      }
    }
    if (!found && !soft) want = static_cast<int64_t>(m.rows.size()) + 1;
    EXPECT_EQ(a().seek(key, soft), found) << "seek '" << k << "' tag " << t;
    EXPECT_EQ(a().recno(), want) << "seek '" << k << "' soft " << soft << " tag " << t;
  }

  void skipStep() {
    int t = pick(6) - 1;
    ASSERT_TRUE(t < 0 ? a().setOrder(0) : a().setOrder(kTags[t].name));
    std::vector<int64_t> want = m.order(t);
    a().goTop();
    int64_t pos = 0;  // index into want; want.size(): phantom
    if (want.empty()) {
      EXPECT_TRUE(a().eof());
      return;
    }
    for (int i = 0; i < 6; ++i) {
      int64_t by = pick(7) - 3;
      a().skip(by);
      const int64_t size = static_cast<int64_t>(want.size());
      if (by > 0) {
        pos = std::min(pos + by, size);
      } else if (by < 0) {
        pos += by;
        if (pos < 0) {
          pos = 0;
          EXPECT_TRUE(a().bof());
        }
      }
      if (pos == size) {
        EXPECT_TRUE(a().eof());
        EXPECT_EQ(a().recno(), static_cast<int64_t>(m.rows.size()) + 1);
      } else {
        EXPECT_EQ(a().recno(), want[static_cast<size_t>(pos)]) << "skip " << by << " tag " << t;
      }
    }
  }
};

TEST_P(ModelRun, RandomSequencesAgreeWithTheModel) {
  ASSERT_TRUE(Table::create(dbf(), kFields));
  areas.select(1);
  ASSERT_TRUE(areas.use(dbf(), "M", OpenMode::Exclusive));
  for (const MTag& t : kTags) ASSERT_TRUE(a().createTag(cdx(), t.name, t.key, t.cond, t.unique, t.descending));
  if (GetParam().mode == OpenMode::Shared) {
    ASSERT_TRUE(areas.use(dbf(), "M", OpenMode::Shared));
    ASSERT_TRUE(a().addIndex(cdx()));
  }
  for (int seq = 0; seq < 6; ++seq) {
    for (int i = 0; i < 120; ++i) {
      step(pick(100));
      if (::testing::Test::HasFatalFailure()) return;
    }
    std::vector<std::string> faults = a().check();
    EXPECT_TRUE(faults.empty()) << "sequence " << seq << ": " << (faults.empty() ? "" : faults.front());
    if (::testing::Test::HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ModelRun,
                         ::testing::Values(ModelCase{1, OpenMode::Exclusive}, ModelCase{2, OpenMode::Exclusive},
                                           ModelCase{3, OpenMode::Exclusive}, ModelCase{4, OpenMode::Shared},
                                           ModelCase{5, OpenMode::Shared}));

}  // namespace
}  // namespace xb::engine::testing
