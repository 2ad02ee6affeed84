#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <unistd.h>

#include "data/catalog.h"
#include "tests/app/data_folder.h"
#include "data/engine/workspace.h"
#include "xbase/error.h"
#include "xbase/memvar.h"

namespace {

namespace fs = std::filesystem;
using qvtest::bytesOf;
using qvtest::DataFolder;
using qvtest::kShipped;
using xb::engine::WorkArea;

TEST_F(DataFolder, FileNameValuesFollowTheDataFolder) {
  EXPECT_EQ(qv::fileNameValue("G_CAMINO"), "");
  const std::map<std::string, std::string> want = {{"LABELS", "Labels.dbf"},  {"LABELSX", "Labelsx.cdx"},
                                                   {"CODETI", "CodPro.Eti"},  {"CODETIX", "CodEti.cdx"},
                                                   {"CODPRO", "CodPro.dbf"},  {"CODPROX", "CodiProx.cdx"}};
  for (const auto& [name, file] : want) EXPECT_EQ(qv::fileNameValue(name), file);
  xb::assignNamed("G_CAMINO", std::string("datos/"));
  qv::NOMBBASES();
  EXPECT_EQ(qv::fileNameValue("CODPROX"), "datos/CodiProx.cdx");
}

TEST_F(DataFolder, FirstStartBuildsTheThreeIndexFilesWithTheirTags) {
  const auto built = qv::ABREBASES();
  EXPECT_EQ(built, (std::vector<std::string>{"LABELSX.CDX", "CODETI.CDX", "CODIPROX.CDX"}));
  auto& areas = xb::engine::workAreas();
  struct Want {
    const char* alias;
    std::vector<std::tuple<std::string, std::string, bool>> tags;
  };
  const Want wants[] = {
      {"Labels2", {{"NOMBRE", "_Field->NOMBRE", false}}},
      {"DatosEti2", {{"NUMETIUN", "_Field->NUMERO_ETI", true}, {"NUMETI", "_Field->NUMERO_ETI", false}}},
      {"CodPro2", {{"CODIGO", "_Field->CODIGO+_Field->DGCNT", false}}},
  };
  for (const Want& w : wants) {
    WorkArea* a = areas.find(w.alias);
    ASSERT_NE(a, nullptr) << w.alias;
    const auto orders = a->orders();
    ASSERT_EQ(orders.size(), w.tags.size()) << w.alias;
    std::set<std::tuple<std::string, std::string, bool>> got;
    for (const auto& o : orders) {
      got.insert({o.tag.name, o.tag.keyExpr, o.tag.unique});
      EXPECT_EQ(o.tag.forExpr, "!DELETED()");
      EXPECT_FALSE(o.tag.descending);
    }
    EXPECT_EQ(got, std::set(w.tags.begin(), w.tags.end())) << w.alias;
    // the first tag is the active order
    ASSERT_GT(a->order(), 0) << w.alias;
    EXPECT_EQ(orders[size_t(a->order() - 1)].tag.name, std::get<0>(w.tags.front())) << w.alias;
    EXPECT_TRUE(a->check().empty()) << w.alias;
  }
  EXPECT_EQ(areas.selected(), areas.areaOf("CodPro2"));
  EXPECT_EQ(areas.area().filterText(), "!Empty(TipoBar)");
}

TEST_F(DataFolder, DesignsListOncePerNumberThroughTheUniqueTag) {
  qv::ABREBASES();
  WorkArea* a = xb::engine::workAreas().find("DatosEti2");
  ASSERT_NE(a, nullptr);
  ASSERT_TRUE(a->setOrder("NumEtiUn"));
  std::vector<int> numbers;
  for (a->goTop(); !a->eof(); a->skip()) numbers.push_back(int(a->fieldGet("NUMERO_ETI").num()));
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5}));
  ASSERT_TRUE(a->setOrder("NumEti"));
  EXPECT_EQ(a->keyCount(), a->reccount());
}

TEST_F(DataFolder, ASecondStartCreatesNothing) {
  qv::ABREBASES();
  qv::closeAllTables();
  const auto before = snapshot();
  EXPECT_TRUE(qv::ABREBASES().empty());
  qv::closeAllTables();
  EXPECT_EQ(snapshot(), before);
}

TEST_F(DataFolder, AMissingIndexFileAloneIsRebuiltAlone) {
  qv::ABREBASES();
  qv::closeAllTables();
  auto before = snapshot();
  ASSERT_TRUE(fs::remove(dir_ / "CODIPROX.CDX"));
  EXPECT_EQ(qv::ABREBASES(), std::vector<std::string>{"CODIPROX.CDX"});
  qv::closeAllTables();
  const auto after = snapshot();
  EXPECT_EQ(after.at("LABELSX.CDX"), before.at("LABELSX.CDX"));
  EXPECT_EQ(after.at("CODETI.CDX"), before.at("CODETI.CDX"));
  EXPECT_TRUE(after.count("CODIPROX.CDX"));
  EXPECT_EQ(after.size(), before.size());
}

TEST_F(DataFolder, IndexNamesInEitherCaseAreOneFile) {
  // an index file present under its mixed-case name is not built again
  qv::ABREBASES();
  qv::closeAllTables();
  fs::rename(dir_ / "CODETI.CDX", dir_ / "CodEti.cdx");
  EXPECT_TRUE(qv::ABREBASES().empty());
  qv::closeAllTables();
  std::set<std::string> cdx;
  for (const auto& e : fs::directory_iterator(dir_))
    if (e.path().extension() == ".cdx" || e.path().extension() == ".CDX") cdx.insert(e.path().filename().string());
  EXPECT_EQ(cdx, (std::set<std::string>{"CODIPROX.CDX", "CodEti.cdx", "LABELSX.CDX"}));
}

TEST_F(DataFolder, BlankSymbologyAndDeletedRowsNeverShowThroughCodPro2) {
  qv::ABREBASES();
  auto& areas = xb::engine::workAreas();
  WorkArea* a = areas.find("CodPro2");
  ASSERT_NE(a, nullptr);
  struct Row {
    const char* code;
    const char* check;
    const char* tipo;
    bool deleted;
  };
  const Row rows[] = {{"842000000001", "5", "13", false},
                      {"842000000002", "2", "", false},
                      {"842000000003", "9", "13", true},
                      {"ABC-1", "", "3-9", false}};
  for (const Row& r : rows) {
    ASSERT_TRUE(a->appendBlank());
    a->fieldPut("CODIGO", xb::Value(r.code));
    a->fieldPut("DGCNT", xb::Value(r.check));
    a->fieldPut("TIPOBAR", xb::Value(r.tipo));
    if (r.deleted) a->deleteRow();
    a->unlock();
  }
  std::vector<std::string> seen;
  for (a->goTop(); !a->eof(); a->skip()) seen.push_back(a->fieldGet("CODIGO").text().substr(0, 12));
  EXPECT_EQ(seen, (std::vector<std::string>{"842000000001", "ABC-1       "}));

  auto key = [](const std::string& code, const std::string& check) {
    return code + std::string(25 - code.size(), ' ') + check;
  };
  EXPECT_TRUE(a->seek(key("842000000001", "5")));
  EXPECT_FALSE(a->seek(key("842000000002", "2")));
  EXPECT_FALSE(a->seek(key("842000000003", "9")));
  EXPECT_TRUE(a->seek(key("ABC-1", "")));
  EXPECT_TRUE(a->check().empty());
}

}  // namespace
