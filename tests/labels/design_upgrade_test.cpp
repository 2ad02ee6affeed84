// A design table of before the placing field POSICION: it prints, the
// general maintenance adds the field keeping every row and every other
// field, and the same designs print exactly as they did.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "barcode/qt/image_device.h"
#include "data/catalog.h"
#include "data/engine/table.h"
#include "data/mantenimiento.h"
#include "data/tdatabase.h"
#include "labels/genlabel.h"
#include "labels/label_run.h"
#include "tests/labels/label_tables_fixture.h"
#include "tests/ui/main_resources_env.h"
#include "tests/ui/qt_app.h"
#include "xbase/memvar.h"

namespace {

using Row = std::map<std::string, xb::Value>;

// The pixels of two pages that differ by more than the glyph rasteriser's
// own variation between two drawings of the same text (up to about a
// quarter of the grey scale at the edges of letters): none when the same
// things stand at the same places.
int differingPixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return -1;
  int differing = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) differing += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 96;
  return differing;
}

class DesignUpgrade : public prtest::LabelTables {
 protected:
  // The rows of a table, field by field.
  static std::vector<Row> readAll(const std::string& file, xb::engine::Structure* structure = nullptr) {
    areas().select(0);
    EXPECT_TRUE(areas().use(file, "LEER", xb::engine::OpenMode::ReadOnly));
    xb::engine::WorkArea& a = areas().area();
    if (structure) *structure = a.structure();
    std::vector<Row> out;
    for (a.goTop(); !a.eof(); a.skip()) {
      Row r;
      for (const auto& f : a.structure()) r[f.name] = a.fieldGet(std::string_view(f.name));
      out.push_back(r);
    }
    areas().close();
    return out;
  }

  // Every design on the first format of the list, drawn on one image each.
  std::vector<QImage> printDesigns() {
    std::unique_ptr<lb::GenLabelScreen> screen = lb::openGenLabel("CodPro.dbf", lb::kGenLabelTitle);
    EXPECT_NE(screen, nullptr);
    std::vector<QImage> out;
    if (!screen) return out;
    qv::TDATABASE design("DATOSETI");
    for (int64_t header : screen->designs().headers) {
      bc::ImageDevice page(2480, 3508, 300);
      EXPECT_TRUE(lb::drawLabelSheet(page, screen->productAlias(),
                                     lb::labelSheetRows(design, header, screen->productAlias()),
                                     lb::labelRunValues(screen->format())));
      out.push_back(page.toImage());
    }
    return out;
  }
};

TEST_F(DesignUpgrade, ATableWithoutThePlacingFieldIsRestructuredAndPrintsUnchanged) {
  qv::closeAllTables();
  xb::engine::Structure shipped;
  const std::vector<Row> rows = readAll("CodPro.eti", &shipped);
  ASSERT_EQ(shipped.back().name, "POSICION");
  xb::engine::Structure old = shipped;
  old.pop_back();
  namespace fs = std::filesystem;
  fs::remove("CodPro.eti");
  fs::remove("CodEti.cdx");
  ASSERT_TRUE(xb::engine::Table::create("CodPro.eti", old));
  areas().select(0);
  ASSERT_TRUE(areas().use("CodPro.eti", "VIEJA", xb::engine::OpenMode::Exclusive));
  for (const Row& r : rows) {
    ASSERT_TRUE(areas().area().appendBlank());
    for (const auto& f : old) areas().area().fieldPut(std::string_view(f.name), r.at(f.name));
  }
  areas().close();

  qv::ABREBASES();
  addProduct("590123412345", "7", "TORNILLO INOX. M6X30", "R-17");
  xb::PUBLICA("cBusqueda", xb::Value("590123412345" + std::string(13, ' ') + "7"));
  areas().select("CodPro2");
  const std::vector<QImage> before = printDesigns();
  ASSERT_EQ(before.size(), 5u);

  prompts.alertAnswers = {1};
  qv::AUTOMANTEN();

  qv::closeAllTables();
  xb::engine::Structure now;
  const std::vector<Row> after = readAll("CodPro.eti", &now);
  ASSERT_EQ(now.size(), shipped.size());
  EXPECT_EQ(now.back().name, "POSICION");
  ASSERT_EQ(after.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    for (const auto& f : old) EXPECT_EQ(after[i].at(f.name), rows[i].at(f.name)) << i << " " << f.name;
    EXPECT_EQ(after[i].at("POSICION"), xb::Value(" ")) << i;
  }
  qv::ABREBASES();
  areas().select("CodPro2");
  const std::vector<QImage> again = printDesigns();
  ASSERT_EQ(again.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(differingPixels(before[i], again[i]), 0) << "design " << i + 1;
}

}  // namespace
