#include "labels/label_formats.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "data/engine/table.h"
#include "data/tdatabase.h"
#include "tests/labels/label_tables_fixture.h"

namespace {

using prtest::formatName;
using Formats = prtest::LabelTables;

const std::vector<std::string> kShippedNames = {
    formatName("A4 10 ETIQ. 99,1X57 MM"),   formatName("A4 14 ETIQ. 99,1X38,1 MM"),
    formatName("A4 16 ETIQ. 105X37 MM"),    formatName("A4 21 ETIQ. 63,5X38,1 MM"),
    formatName("A4 24 ETIQ. 63,5X33,9 MM"), formatName("A4 24 ETIQ. 70X37 MM"),
    formatName("A4 65 ETIQ. 38,1X21,2 MM"), formatName("A4 8 ETIQ. 99,1X67,7 MM"),
};
const std::vector<int64_t> kHeaders = {1, 4, 6, 9};

TEST_F(Formats, ListsTheNamesInNameOrderAndStandsOnTheMarkedOne) {
  openScreenTables();
  std::vector<std::string> names{"stale"};
  EXPECT_EQ(lb::LISTALABELS(names), kShippedNames[3]);
  EXPECT_EQ(names, kShippedNames);
  EXPECT_EQ(area(lb::kFormatsAlias).recno(), 1);
}

TEST_F(Formats, ChoosingAFormatMarksExactlyTheRecordsOfThatName) {
  openScreenTables();
  struct Case {
    std::string name;
    std::string selected;
    std::vector<int64_t> marked;
    int64_t recno;
  };
  const std::vector<Case> cases = {
      {kShippedNames[7], kShippedNames[7], {8}, 8},
      {kShippedNames[1], kShippedNames[1], {2}, 2},
      // Names compare with their padding: an unpadded name marks nothing,
      // and the first format in name order is shown.
      {"A4 14 ETIQ. 99,1X38,1 MM", kShippedNames[0], {}, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(lb::CAMBIOLABEL(c.name), c.selected);
    EXPECT_EQ(markedRows(lb::kFormatsAlias), c.marked);
    EXPECT_EQ(area(lb::kFormatsAlias).recno(), c.recno);
  }
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(Formats, NewFormatsAreAskedForAndStoredUpperCase) {
  struct Case {
    const char* name;
    bool create;                        // the answer to the first question
    std::optional<std::string> typed;   // the input box's answer (nothing: cancelled)
    std::string result;
    bool badName;
  };
  const std::vector<Case> cases = {
      {"declined", false, std::string("no llega"), "", false},
      {"cancelled box", true, std::nullopt, "", true},
      {"blank name", true, std::string("   "), "", true},
      {"lower case", true, std::string("mi etiqueta ñ"), formatName("MI ETIQUETA \xD1"), false},
      {"leading blanks kept", true, std::string("  b"), formatName("  B"), false},
      {"existing name", true, std::string("a4 8 etiq. 99,1x67,7 mm"), kShippedNames[7], false},
  };
  openScreenTables();
  int64_t rows = area(lb::kFormatsAlias).reccount();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    prompts.asked.clear();
    prompts.yesNoAnswers = {c.create};
    prompts.inputAnswers = {c.typed};
    std::vector<std::string> names;
    lb::LISTALABELS(names);
    qv::TDATABASE oFormat(lb::kFormatsAlias);
    ASSERT_TRUE(oFormat.Load());
    const int64_t shown = oFormat.RecNo();

    EXPECT_EQ(lb::NEWLABEL(oFormat), c.result);

    ASSERT_FALSE(prompts.asked.empty());
    EXPECT_EQ(prompts.asked[0].kind, "yesno");
    EXPECT_EQ(prompts.asked[0].title, "NUEVO DISEÑO DE ETIQUETA");
    EXPECT_EQ(prompts.asked[0].text, lb::kNewLabelQuestion);
    if (c.create) {
      ASSERT_GE(prompts.asked.size(), 2u);
      EXPECT_EQ(prompts.asked[1].kind, "input");
      EXPECT_EQ(prompts.asked[1].title, "NUEVO DISEÑO DE ETIQUETA");
      EXPECT_EQ(prompts.asked[1].text, "Nombre para el nuevo diseño");
      EXPECT_EQ(prompts.asked[1].value, std::string(25, ' '));
      EXPECT_EQ(prompts.asked[1].picture, "ICONOS\\NEWLABEL.BMP");
    } else {
      EXPECT_EQ(prompts.asked.size(), 1u);
    }
    const bool bad = prompts.asked.size() == 3 && prompts.asked[2].text == lb::kBadLabelName;
    EXPECT_EQ(bad, c.badName);
    if (c.result.empty()) {
      EXPECT_EQ(area(lb::kFormatsAlias).reccount(), rows);
      EXPECT_TRUE(marked(lb::kFormatsAlias, shown));
      continue;
    }
    ++rows;
    ASSERT_EQ(area(lb::kFormatsAlias).reccount(), rows);
    EXPECT_EQ(oFormat.RecNo(), rows);
    EXPECT_EQ(markedRows(lb::kFormatsAlias), std::vector<int64_t>{rows});
    EXPECT_EQ(field(lb::kFormatsAlias, rows, "NOMBRE"), xb::Value(c.result));
    EXPECT_EQ(field(lb::kFormatsAlias, rows, "HOJA").text(), "A4        ");
    for (const char* measure : {"ANCHOETIQ", "ALTOETIQ", "FILAS", "COLUMNAS", "MARGENSUP"})
      EXPECT_EQ(field(lb::kFormatsAlias, rows, measure).num(), 0) << measure;
    EXPECT_FALSE(field(lb::kFormatsAlias, rows, "PRNULTFILA").logical());
  }
  // The existing name now appears twice, both listed.
  std::vector<std::string> names;
  lb::LISTALABELS(names);
  EXPECT_EQ(std::count(names.begin(), names.end(), kShippedNames[7]), 2);
  EXPECT_EQ(names.size(), kShippedNames.size() + 3);
}

TEST_F(Formats, ASharedNameMarksBothAndTheFirstInNameOrderIsShown) {
  openScreenTables();
  prompts.yesNoAnswers = {true};
  prompts.inputAnswers = {std::string("A4 14 ETIQ. 99,1X38,1 MM")};
  std::vector<std::string> names;
  lb::LISTALABELS(names);
  qv::TDATABASE oFormat(lb::kFormatsAlias);
  oFormat.Load();
  ASSERT_EQ(lb::NEWLABEL(oFormat), kShippedNames[1]);
  EXPECT_EQ(lb::CAMBIOLABEL(kShippedNames[1]), kShippedNames[1]);
  EXPECT_EQ(markedRows(lb::kFormatsAlias), (std::vector<int64_t>{2, 9}));
  EXPECT_EQ(area(lb::kFormatsAlias).recno(), 2);
  EXPECT_EQ(lb::LISTALABELS(names), kShippedNames[1]);
  EXPECT_EQ(area(lb::kFormatsAlias).recno(), 2);
}

TEST_F(Formats, DeletingAsksWithNoAsTheDefaultAndEmptiesTheList) {
  openScreenTables();
  std::vector<std::string> names;
  std::string shown = lb::LISTALABELS(names);

  prompts.yesNoAnswers = {false};
  EXPECT_FALSE(lb::DELLABEL(shown));
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].kind, "noyes");
  EXPECT_EQ(prompts.asked[0].title, "BORRAR DISEÑO DE ETIQUETA");
  EXPECT_EQ(prompts.asked[0].text,
            "La etiqueta actualmente seleccionada A4 21 ETIQ. 63,5X38,1 MM va a ser eliminada de la lista de "
            "diseños de etiquetas.\r\n\r\n¿ Desea realmente borrar este diseño de la lista ?");
  EXPECT_EQ(lb::LISTALABELS(names), shown);
  EXPECT_EQ(names.size(), kShippedNames.size());

  // Deleting the shown format until none is left; the last one deleted is
  // the only format there is.
  for (size_t left = kShippedNames.size(); left > 0; --left) {
    SCOPED_TRACE(left);
    prompts.yesNoAnswers = {true};
    EXPECT_TRUE(lb::DELLABEL(shown));
    const std::string next = lb::LISTALABELS(names);
    EXPECT_EQ(names.size(), left - 1);
    EXPECT_EQ(std::find(names.begin(), names.end(), shown), names.end());
    shown = next;
  }
  EXPECT_EQ(shown, std::string(25, ' '));
  EXPECT_TRUE(names.empty());
  // Nothing left to delete: the phantom row is not waited for.
  prompts.yesNoAnswers = {true};
  EXPECT_FALSE(lb::DELLABEL(shown));

  // A format created on the empty table has no shown format to unmark.
  qv::TDATABASE oFormat(lb::kFormatsAlias);
  oFormat.Load();
  prompts.yesNoAnswers = {true};
  prompts.inputAnswers = {std::string("nueva")};
  EXPECT_EQ(lb::NEWLABEL(oFormat), formatName("NUEVA"));
  EXPECT_EQ(lb::LISTALABELS(names), formatName("NUEVA"));
  EXPECT_EQ(names, std::vector<std::string>{formatName("NUEVA")});
}

TEST_F(Formats, TheDesignMarkMovesBetweenHeaders) {
  openScreenTables();
  struct Case {
    int nNew, nOld;
    std::vector<int64_t> marked;
  };
  const Case cases[] = {
      {3, 1, {6}},
      {4, 3, {9}},
      {2, 0, {4, 9}},  // no old design: nothing is unmarked
      {5, 2, {9}},     // no such design: nothing is marked
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lb::CAMBIOETIQ(c.nNew, c.nOld, kHeaders), c.nNew);
    EXPECT_EQ(markedRows(lb::kDesignsAlias), c.marked) << c.nNew << "/" << c.nOld;
  }
}

TEST_F(Formats, ALockedFormatIsWaitedForUntilTheUserGivesUp) {
  openScreenTables();
  auto holder = xb::engine::Table::open("Labels.dbf", xb::engine::OpenMode::Shared);
  ASSERT_TRUE(holder);
  struct Case {
    const char* name;
    int releaseAfterTries;  // 0: held throughout
    std::vector<int> answers;
    int questions;
    std::vector<int64_t> marked;
  };
  const std::vector<Case> cases = {
      // Record 8 is held: choosing it cannot mark it, record 1 loses its mark.
      {"given up", 0, {2}, 1, {}},
      // Asked once, then the holder lets go during the second quiet wait.
      {"retried", 13, {1}, 1, {8}},
      {"freed while waiting quietly", 3, {}, 0, {8}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    lb::CAMBIOLABEL(kShippedNames[3]);
    ASSERT_TRUE(holder->lockRow(8));
    prompts.asked.clear();
    prompts.alertAnswers = c.answers;
    int tries = 0;
    prompts.onProcessEvents = [&] {
      if (++tries == c.releaseAfterTries) holder->unlockAll();
    };
    lb::CAMBIOLABEL(kShippedNames[7]);
    holder->unlockAll();
    EXPECT_EQ(int(prompts.asked.size()), c.questions);
    for (const auto& q : prompts.asked) {
      EXPECT_EQ(q.text, "Registro bloqueado en LABELS. ¿ Desea reintentar ?");
      EXPECT_EQ(q.buttons, (std::vector<std::string>{"   &Si   ", "   &No   "}));
    }
    EXPECT_EQ(markedRows(lb::kFormatsAlias), c.marked);
  }
  prompts.onProcessEvents = nullptr;
}

}  // namespace
