// A data folder holding the shipped tables with their index files built and
// the program's working tables open (as after start-up), scripted prompts,
// and helpers to read the format and design tables by record number.
//
// Shipped formats in name order (record numbers in brackets): A4 10 [7],
// A4 14 [2], A4 16 [6], A4 21 [1, marked], A4 24 63,5 [3], A4 24 70 [5],
// A4 65 [4], A4 8 [8]. Shipped designs start at records 1, 4, 6, 9 and
// 13; design 1 is marked.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "data/abrir.h"
#include "data/catalog.h"
#include "data/engine/workspace.h"
#include "labels/label_formats.h"
#include "tests/app/data_folder.h"
#include "tests/xbase/scripted_prompter.h"

namespace prtest {

inline std::string formatName(const std::string& s) { return s + std::string(25 - s.size(), ' '); }

class LabelTables : public qvtest::DataFolder {
 protected:
  void SetUp() override {
    DataFolder::SetUp();
    guard_.emplace(prompts);
    qv::ABREBASES();
  }
  void TearDown() override {
    guard_.reset();
    DataFolder::TearDown();
  }

  // Opens the generator's instances of the format and design tables.
  void openScreenTables() {
    ASSERT_TRUE(qv::ABRIR(lb::kFormatsAlias, "Labels.dbf", "", {"Labelsx.cdx"}));
    ASSERT_TRUE(qv::ABRIR(lb::kDesignsAlias, "CodPro.eti", "", {"CodEti.cdx"}));
    ASSERT_TRUE(areas().area().setOrder("NumEti"));
  }

  static xb::engine::WorkAreas& areas() { return xb::engine::workAreas(); }
  static xb::engine::WorkArea& area(const char* alias) { return *areas().find(alias); }

  // A field of record `recno` of the table open as `alias`; the area keeps
  // its position.
  static xb::Value field(const char* alias, int64_t recno, const char* name) {
    xb::engine::WorkArea& a = area(alias);
    const int64_t at = a.recno();
    a.goTo(recno);
    xb::Value v = a.fieldGet(std::string_view(name));
    a.goTo(at);
    return v;
  }
  static bool marked(const char* alias, int64_t recno) {
    const xb::Value v = field(alias, recno, "ULTIMA");
    return v.isLogical() && v.logical();
  }
  // Record numbers of the rows of `alias` whose ULTIMA is true.
  static std::vector<int64_t> markedRows(const char* alias) {
    std::vector<int64_t> out;
    for (int64_t r = 1; r <= area(alias).reccount(); ++r)
      if (marked(alias, r)) out.push_back(r);
    return out;
  }

  // A product row of the program's product table (CodPro2).
  static void addProduct(const std::string& code, const std::string& check, const std::string& name,
                         const std::string& reference = {}) {
    xb::engine::WorkArea& a = area("CodPro2");
    ASSERT_TRUE(a.appendBlank());
    a.fieldPut(std::string_view("CODIGO"), xb::Value(code));
    a.fieldPut(std::string_view("DGCNT"), xb::Value(check));
    a.fieldPut(std::string_view("COD_COMPL"), xb::Value(code + check));
    a.fieldPut(std::string_view("NUMETI"), xb::Value(reference));
    a.fieldPut(std::string_view("NOMETI"), xb::Value(name));
    a.fieldPut(std::string_view("TIPOBAR"), xb::Value("13"));
    a.unlock();
  }

  xb::ScriptedPrompter prompts;

 private:
  std::optional<xb::PrompterGuard> guard_;
};

}  // namespace prtest
