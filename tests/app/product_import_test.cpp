// Product codes from spreadsheet files and back: real-world files (a
// spreadsheet's export with ";" and Windows-1252 accents, a file with
// faults of every kind), the summary's counts and reasons, a table
// exported and imported again, the command line's exit codes, and the
// table read back by an independent dBASE reader (python3-dbf).
#include "app/product_import.h"

#include <gtest/gtest.h>

#include <fstream>

#include "app/product_csv_tool.h"
#include "barcode/symbology.h"
#include "data/catalog.h"
#include "tests/app/data_folder.h"
#include "tests/tools/subprocess.h"
#include "xbase/codepage.h"

namespace {

using qv::ImportRefusal;

struct Stored {
  std::string code, check, complete, description, tipoBar;
  bool operator==(const Stored&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Stored& s) {
  return o << s.code << "|" << s.check << "|" << s.complete << "|" << s.description << "|" << s.tipoBar;
}

class ProductImport : public qvtest::DataFolder {
 protected:
  void SetUp() override {
    DataFolder::SetUp();
    qv::ABREBASES();
  }
  // The visible records in code order.
  static std::vector<Stored> table() {
    std::vector<Stored> out;
    xb::engine::WorkArea* a = qv::productArea();
    for (a->goTop(); !a->eof(); a->skip()) {
      const qv::ProductCode p = qv::productOf(*a);
      out.push_back({p.code, p.check, p.complete, p.description, p.tipoBar});
    }
    return out;
  }
  static std::vector<std::string> reasons(const std::vector<ImportRefusal>& r) {
    std::vector<std::string> out;
    for (const ImportRefusal& x : r) out.push_back(std::to_string(x.line) + ": " + x.reason);
    return out;
  }
};

TEST_F(ProductImport, ASpreadsheetExportWithSemicolonsAndWindows1252Accents) {
  // As a spreadsheet saves "CSV (separado por punto y coma)" on Windows:
  // Windows-1252 bytes, CRLF, a quoted field holding the separator.
  const std::string file = xb::utf8ToCp1252(
      "C\xC3\xB3" "digo;Descripci\xC3\xB3n;Tipo\r\n"
      "7896009490651;\"Caf\xC3\xA9 Tostado \"\"Molido\"\"\";13\r\n"
      "789600949065;Sin d\xC3\xADgito de control;13\r\n"
      "ABC-123;\"Tornillo; hexagonal\";3-9\r\n"
      "05111112881;Aceite de oliva;UPCA\r\n");
  const qv::ImportPlan plan = qv::planImport(file);
  EXPECT_FALSE(plan.csv.utf8);
  EXPECT_EQ(plan.csv.separator, ';');
  EXPECT_EQ(qv::columnsText(plan),
            "Codificación: Windows-1252; separador: \";\"\nCódigo: columna 1 (Código); descripción: columna 2 "
            "(Descripción); simbología: columna 3 (Tipo), tipo");
  const qv::ImportSummary s = qv::importPlan(plan);
  EXPECT_EQ(s.exitCode(), 1);
  // The code without its check digit is completed (EAN-13 of 789600949065 is 1)
  // and then is the same code as the line before it.
  EXPECT_EQ(reasons(s.refused), std::vector<std::string>{"3: Código repetido: ya está en la línea 2"});
  EXPECT_EQ(s.stored, 3);
  EXPECT_EQ(table(), (std::vector<Stored>{
                         {"05111112881", "7", "051111128817", "Aceite de oliva", "UPCA"},
                         {"789600949065", "1", "7896009490651", "Café Tostado \"Molido\"", "13"},
                         {"ABC-123", "", "ABC-123", "Tornillo; hexagonal", "3-9"},
                     }));
}

TEST_F(ProductImport, EveryFaultOfAFileIsRefusedWithItsLineAndReason) {
  const std::string file =
      "\xEF\xBB\xBF" "code,description,option\n"
      "7896009490652,Mal digito,1\n"      // bad check digit
      "12345,Corto,1\n"                    // short code
      "7860002,EAN-8 sin digito,3\n"       // completed: 78600027
      "\n"                                 // blank line
      "78600027,Repetido,3\n"              // duplicate of the line before the blank
      "999,Raro,9\n"                       // unknown symbology
      ",Sin codigo,1\n"
      "12A45,Suplemento,8\n"               // the supplement carries five digits
      "ABCDEFGHIJKLMNOPQRSTUVWXYZ,Largo,5\n"
      "0511111288,\"" + std::string(46, 'x') + "\",2\n"
      "05111112881,UPC sin digito,2\n";
  const qv::ImportSummary s = qv::importPlan(qv::planImport(file));
  EXPECT_EQ(reasons(s.refused), (std::vector<std::string>{
                                    "2: Dígito de Control del Código incorrecto (el correcto es 1)",
                                    "3: Número de Dígitos no corresponde al tipo de Código",
                                    "6: Código repetido: ya está en la línea 4",
                                    "7: Simbología desconocida: \"9\"",
                                    "8: Fila sin código",
                                    "9: " + bc::codeRefusal(bc::Symbology::Sup5, "12A45"),
                                    "10: El código tiene más de 25 caracteres",
                                    "11: La descripción tiene más de 45 caracteres",
                                }));
  EXPECT_EQ(s.stored, 2);
  EXPECT_EQ(s.completed, 2);
  EXPECT_EQ(s.exitCode(), 1);
  const std::string text = qv::summaryText(s, "faltas.csv");
  EXPECT_NE(text.find("Códigos nuevos guardados: 2\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Filas rechazadas: 8\n  línea 2: 7896009490652: Dígito de Control"), std::string::npos) << text;

  // The same file again: the stored codes are replaced, not doubled.
  const qv::ImportSummary again = qv::importPlan(qv::planImport(file));
  EXPECT_EQ(again.stored, 0);
  EXPECT_EQ(again.replaced, 2);
  EXPECT_EQ(table().size(), 2u);
}

TEST_F(ProductImport, FilesThatCannotBeImportedStoreNothing) {
  for (const std::string& file : {std::string(), std::string("nombre;precio\nx;1\n")}) {
    const qv::ImportSummary s = qv::importPlan(qv::planImport(file));
    EXPECT_EQ(s.exitCode(), 2);
    EXPECT_FALSE(s.fault.empty());
  }
  EXPECT_TRUE(table().empty());
}

TEST_F(ProductImport, ExportThenImportGivesTheSameTable) {
  const std::string first =
      "Código;Descripción;Tipo\n0012345678905;Ceros a la izquierda;13\n"
      "\"A\"\"B-1\";\"Comillas \"\" y ;\";128\n05111112881;Aceite;UPCA\n12345;Suplemento;5\n"
      "NANDU-1;Ñandú;3-9\n";
  ASSERT_EQ(qv::importPlan(qv::planImport(first)).exitCode(), 0);
  const std::vector<Stored> before = table();
  ASSERT_EQ(before.size(), 5u);
  const std::string exported = qv::exportProducts();
  EXPECT_TRUE(exported.starts_with("\xEF\xBB\xBF" "Código;Descripción;Tipo\r\n=\"0012345678905\";"));

  // Into an empty table.
  xb::engine::WorkArea* a = qv::productArea();
  for (a->goTop(); !a->eof(); a->skip()) {
    a->lockRow();
    a->deleteRow();
    a->unlock();
  }
  ASSERT_TRUE(table().empty());
  const qv::ImportSummary s = qv::importPlan(qv::planImport(exported));
  EXPECT_EQ(s.exitCode(), 0) << qv::summaryText(s, "exportado");
  EXPECT_EQ(table(), before);
}

TEST_F(ProductImport, TheCommandLineImportsExportsAndAnswersByItsExitCode) {
  qv::closeAllTables();
  const std::string folder = std::filesystem::current_path().string();
  const std::string qvlabel = std::string(QV_BINARY_DIR) + "/bin/qvlabel";
  const auto write = [](const std::string& name, const std::string& text) { std::ofstream(name) << text; };
  write("bien.csv", "codigo;descripcion;tipo\n7896009490651;Uno;13\n");
  write("mal.csv", "codigo;descripcion;tipo\n7896009490651;Uno;13\n7896009490652;Dos;13\n");
  write("nada.csv", "precio\n1\n");
  const struct {
    std::vector<std::string> args;
    int exit;
    std::string inOut;
  } cases[] = {
      {{"import", folder, "bien.csv"}, 0, "Códigos que ya estaban y se han sustituido: 0"},
      {{"import", folder, "mal.csv"}, 1, "línea 3: 7896009490652: Dígito de Control"},
      {{"import", folder, "nada.csv"}, 2, ""},
      {{"import", folder + "/no-existe", "bien.csv"}, 2, ""},
      {{"import", folder}, 2, ""},
      {{"export", folder, "salida.csv"}, 0, "1 códigos escritos en "},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {qvlabel};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const tools_test::RunResult r = tools_test::RunProgram(args);
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    EXPECT_EQ(r.exitCode, c.exit) << r.out << r.err;
    EXPECT_NE(r.out.find(c.inOut), std::string::npos) << r.out;
  }
  // The table as another dBASE reader sees it.
  const tools_test::RunResult dbf = tools_test::RunProgram(
      {"/usr/bin/python3", "-c",
       "import dbf\nt=dbf.Table('CodPro.dbf');t.open()\n"
       "print([(r.codigo.strip(),r.dgcnt.strip(),r.cod_compl.strip(),r.tipobar.strip()) for r in t if not "
       "dbf.is_deleted(r)])"});
  EXPECT_EQ(dbf.out, "[('789600949065', '1', '7896009490651', '13')]\n") << dbf.err;
}

}  // namespace
