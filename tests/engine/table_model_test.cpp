// Random operation runs on one table checked against a plain model of its
// rows: appends, changes of every field type (memos growing and shrinking),
// deletions, packs and reopening. After every run the table must match the
// model value for value and the checker must find nothing.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "data/engine/table.h"
#include "tests/engine/table_test_util.h"

namespace xb::engine {
namespace {

const Structure kShape = {{"NAME", 'C', 12, 0}, {"AMOUNT", 'N', 9, 2}, {"DAY", 'D', 8, 0},
                          {"FLAG", 'L', 1, 0},  {"NOTE", 'M', 10, 0},  {"OTHER", 'M', 10, 0}};

struct ModelRow {
  std::string name = std::string(12, ' ');
  double amount = 0;
  int32_t day = 0;
  bool flag = false;
  std::string note, other;
  bool deleted = false;
};

class TableModel : public TempDirTest {
 protected:
  void expectMatches(Table& t, const std::vector<ModelRow>& model, int seed) {
    ASSERT_EQ(t.recordCount(), int64_t(model.size())) << "seed " << seed;
    for (size_t i = 0; i < model.size(); ++i) {
      const ModelRow& m = model[i];
      ASSERT_TRUE(t.read(int64_t(i + 1)));
      EXPECT_EQ(t.get(0), Value(m.name)) << "seed " << seed << " row " << i + 1;
      EXPECT_EQ(t.get(1).num(), m.amount) << "seed " << seed << " row " << i + 1;
      EXPECT_EQ(t.get(2), Value(Date{m.day})) << "seed " << seed << " row " << i + 1;
      EXPECT_EQ(t.get(3), Value(m.flag)) << "seed " << seed << " row " << i + 1;
      EXPECT_EQ(t.get(4), Value(m.note)) << "seed " << seed << " row " << i + 1;
      EXPECT_EQ(t.get(5), Value(m.other)) << "seed " << seed << " row " << i + 1;
      EXPECT_EQ(t.deleted(), m.deleted) << "seed " << seed << " row " << i + 1;
    }
    EXPECT_EQ(t.check(), std::vector<std::string>()) << "seed " << seed;
  }
};

TEST_F(TableModel, RandomRunsMatchTheModel) {
  for (int seed = 1; seed <= 12; ++seed) {
    std::mt19937 rng{static_cast<uint32_t>(seed)};
    auto pick = [&](int n) { return int(rng() % uint32_t(n)); };
    auto text = [&](int len) {
      std::string s(size_t(len), ' ');
      for (auto& c : s) c = char(32 + pick(224));  // every Windows-1252 byte from the blank up
      return s;
    };
    const std::string p = path("model" + std::to_string(seed) + ".dbf");
    ASSERT_TRUE(Table::create(p, kShape));
    const bool shared = seed % 2 == 0;
    auto t = Table::open(p, shared ? OpenMode::Shared : OpenMode::Exclusive);
    std::vector<ModelRow> model;
    for (int op = 0; op < 300; ++op) {
      int what = pick(100);
      if (what < 25 || model.empty()) {
        ASSERT_TRUE(t->appendBlank());
        model.emplace_back();
      } else if (what < 85) {
        int64_t n = 1 + pick(int(model.size()));
        ASSERT_TRUE(t->read(n));
        ASSERT_TRUE(t->lockRow(n));
        ModelRow& m = model[size_t(n - 1)];
        switch (pick(7)) {
          case 0: {
            std::string s = text(pick(15));
            t->put(0, Value(s));
            s.resize(12, ' ');
            m.name = s.substr(0, 12);
            break;
          }
          case 1: {
            double v = double(int(rng() % 2000000) - 1000000) / 100.0;
            t->put(1, Value(v, 2));
            m.amount = v;
            break;
          }
          case 2:
            m.day = pick(4) == 0 ? 0 : 2415021 + pick(60000);
            t->put(2, Value(Date{m.day}));
            break;
          case 3:
            m.flag = pick(2) == 1;
            t->put(3, Value(m.flag));
            break;
          case 4:
            m.note = text(pick(4) == 0 ? 0 : pick(300));
            t->put(4, Value(m.note));
            break;
          case 5:
            m.other = text(pick(2000));
            t->put(5, Value(m.other));
            break;
          case 6:
            m.deleted = !m.deleted;
            t->setDeleted(m.deleted);
            break;
        }
        if (pick(3) == 0) t->unlockAll();
      } else if (what < 90 && !shared) {
        t->unlockAll();
        ASSERT_TRUE(t->pack());
        std::erase_if(model, [](const ModelRow& m) { return m.deleted; });
      } else if (what < 95) {
        t.reset();
        t = Table::open(p, shared ? OpenMode::Shared : OpenMode::Exclusive);
        ASSERT_TRUE(t);
      } else {
        t->unlockAll();
        EXPECT_EQ(t->check(), std::vector<std::string>()) << "seed " << seed << " op " << op;
      }
    }
    t->unlockAll();
    expectMatches(*t, model, seed);
    t.reset();
    auto again = Table::open(p, OpenMode::ReadOnly);
    expectMatches(*again, model, seed);
  }
}

}  // namespace
}  // namespace xb::engine
