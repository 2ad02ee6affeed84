// Importing a 10,000-row CSV file of product codes into the shipped product
// table (open shared, its tag kept): every row read, validated as a typed
// code and stored in one locked bulk write, against the sqlite3 shell's
// .import of the same file into a table with an index on the code. The
// goal is under a second.
//
// Usage: import_bench SHIPPED_FOLDER [ROWS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/product_import.h"
#include "barcode/ean_upc.h"
#include "data/catalog.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: import_bench SHIPPED_FOLDER [ROWS]\n");
    return 2;
  }
  const int rows = argc > 2 ? std::atoi(argv[2]) : 10000;
  const fs::path work = fs::temp_directory_path() / ("qv_import_bench_" + std::to_string(::getpid()));
  fs::remove_all(work);
  fs::create_directories(work);
  for (const auto& e : fs::directory_iterator(argv[1])) fs::copy_file(e.path(), work / e.path().filename());
  std::string csv = "Código;Descripción;Tipo\r\n";
  for (int i = 0; i < rows; ++i) {
    char body[13];
    std::snprintf(body, sizeof body, "84%010d", i);
    csv += std::string(body) + bc::EAN13_CHECK(body) + ";Producto número " + std::to_string(i) + ";13\r\n";
  }
  std::ofstream(work / "codes.csv", std::ios::binary) << csv;
  fs::current_path(work);
  qv::applyRunSettings();
  qv::PUBLIBASES();
  qv::ABREBASES();

  const auto t0 = std::chrono::steady_clock::now();
  const qv::ImportSummary s = qv::importPlan(qv::planImport(csv));
  const double ours = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  qv::closeAllTables();

  std::ofstream(work / "peer.sql") << "CREATE TABLE codpro(codigo TEXT, descripcion TEXT, tipo TEXT);\n"
                                      "CREATE INDEX codigo ON codpro(codigo);\n"
                                      ".mode csv\n.separator ;\n.import --skip 1 codes.csv codpro\n";
  const auto t1 = std::chrono::steady_clock::now();
  const int rc = std::system("sqlite3 peer.db < peer.sql");
  const double peer = std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
  std::printf("import %6d rows  this %8.3f s  sqlite3 .import %8.3f s  ratio %5.2f  goal < 1 s  (stored %d)\n",
              rows, ours, rc == 0 ? peer : 0.0, rc == 0 && peer > 0 ? ours / peer : 0.0, s.stored);
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(work);
  return s.stored == rows ? 0 : 1;
}
