// The table engine against SQLite on the same data in the same run, one line
// per operation with both times and their ratio (engine / SQLite):
//   import   N rows appended into an empty table (one transaction in SQLite)
//   index    one character tag over them (CREATE INDEX)
//   seek     random exact seeks of existing codes
//   scan     every row in tag order, reading the key field
//   append   single appends with a lock per row and the tag kept up to date
//            (the table opened shared; one transaction per row in SQLite)
//   shimport IMPORT_ROWS rows imported into a new shared table with a tag,
//            as qvdb import does (the file lock once, rows in runs, the tag
//            built at the end); SQLite: one transaction into an indexed table
//   walkapp  single appends as above while another process walks the tag
//            (SQLite: while another process reads the table in index order)
// and how many index pages single appends changed (the first appends after
// a bulk build split its full leaves). SQLite runs with
// synchronous=OFF, like the engine, which leaves flushing to the system.
//
// Goals: seek and scan no slower than SQLite, index within 1.5x, import
// within 2x, at most 4 index pages changed by one append.
//
// Usage: engine_bench [ROWS] (default 1000000); files go to a temporary
// folder removed at the end.
#include <signal.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "data/engine/workspace.h"
#include "xbase/error.h"

namespace {

using namespace xb::engine;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

void line(const char* op, long long n, double engine, double sqlite) {
  std::printf("%-8s %9lld  engine %8.3f s  sqlite %8.3f s  ratio %5.2f\n", op, n, engine, sqlite,
              sqlite > 0 ? engine / sqlite : 0.0);
  std::fflush(stdout);
}

// Row i's code: 13 digits spread over the key space, unique per i.
std::string codeOf(long long i) {
  unsigned long long v = (static_cast<unsigned long long>(i) * 2654435761ULL) % 10000000000000ULL;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%013llu", v);
  return buf;
}
std::string descOf(long long i) { return "Producto " + std::to_string(i); }
double priceOf(long long i) { return static_cast<double>(i % 100000) / 100.0; }

void sql(sqlite3* db, const char* text) {
  char* err = nullptr;
  if (sqlite3_exec(db, text, nullptr, nullptr, &err) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s: %s\n", text, err ? err : "?");
    sqlite3_free(err);
    std::exit(2);
  }
}

sqlite3_stmt* prepare(sqlite3* db, const char* text) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, text, -1, &st, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s: %s\n", text, sqlite3_errmsg(db));
    std::exit(2);
  }
  return st;
}

// Inserts rows first..last with the prepared statement, one step each.
void insertRows(sqlite3_stmt* st, long long first, long long last) {
  for (long long i = first; i <= last; ++i) {
    const std::string c = codeOf(i), d = descOf(i);
    sqlite3_bind_text(st, 1, c.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, d.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(st, 3, priceOf(i));
    sqlite3_step(st);
    sqlite3_reset(st);
  }
}

// Appends rows first..last; `single`: each under its own lock, released
// after it (the shared path), else all with the locks kept.
void appendRows(WorkArea& a, long long first, long long last, bool single) {
  for (long long i = first; i <= last; ++i) {
    a.appendBlank(single);
    a.fieldPut(0, xb::Value(codeOf(i)));
    a.fieldPut(1, xb::Value(descOf(i)));
    a.fieldPut(2, xb::Value(priceOf(i), 2));
    if (single) a.unlock();
  }
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int changedPages(const std::string& before, const std::string& after) {
  int n = 0;
  for (size_t off = 0; off < std::max(before.size(), after.size()); off += 512) {
    std::string a = off < before.size() ? before.substr(off, 512) : std::string();
    std::string b = off < after.size() ? after.substr(off, 512) : std::string();
    if (a != b) ++n;
  }
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const long long rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
  const long long seeks = 100000, appends = 10000;
  constexpr int kMeasured = 21;
  std::string pattern = (std::filesystem::temp_directory_path() / "qvbench-XXXXXX").string();
  const std::string dir = mkdtemp(pattern.data());
  const std::string dbf = dir + "/bench.dbf", cdx = dir + "/bench.cdx", sqlitePath = dir + "/bench.sqlite";
  xb::setErrorHandler({});
  WorkAreas areas;

  std::mt19937_64 rng(42);
  std::vector<long long> probe(static_cast<size_t>(seeks));
  for (auto& p : probe) p = static_cast<long long>(rng() % static_cast<unsigned long long>(rows)) + 1;

  sqlite3* db = nullptr;
  sqlite3_open(sqlitePath.c_str(), &db);
  sql(db, "PRAGMA synchronous=OFF");
  sql(db, "CREATE TABLE t(codigo TEXT, descrip TEXT, precio REAL)");

  // import
  Table::create(dbf, {{"CODIGO", 'C', 25, 0}, {"DESCRIP", 'C', 40, 0}, {"PRECIO", 'N', 10, 2}});
  auto t0 = Clock::now();
  areas.use(dbf, "B", OpenMode::Exclusive);
  WorkArea& a = areas.area();
  appendRows(a, 1, rows, false);
  a.commit();
  const double eImport = since(t0);
  t0 = Clock::now();
  sql(db, "BEGIN");
  sqlite3_stmt* ins = prepare(db, "INSERT INTO t VALUES(?,?,?)");
  insertRows(ins, 1, rows);
  sql(db, "COMMIT");
  line("import", rows, eImport, since(t0));

  // index
  t0 = Clock::now();
  a.createTag(cdx, "CODE", "CODIGO");
  const double eIndex = since(t0);
  t0 = Clock::now();
  sql(db, "CREATE INDEX t_codigo ON t(codigo)");
  line("index", rows, eIndex, since(t0));

  // seek
  long long found = 0;
  t0 = Clock::now();
  for (long long p : probe) found += a.seek(xb::Value(codeOf(p))) && a.recno() == p;
  const double eSeek = since(t0);
  long long sFound = 0;
  t0 = Clock::now();
  sqlite3_stmt* sel = prepare(db, "SELECT rowid FROM t WHERE codigo = ?");
  for (long long p : probe) {
    const std::string c = codeOf(p);
    sqlite3_bind_text(sel, 1, c.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(sel) == SQLITE_ROW && sqlite3_column_int64(sel, 0) == p) ++sFound;
    sqlite3_reset(sel);
  }
  line("seek", seeks, eSeek, since(t0));
  if (found != seeks || sFound != seeks) std::printf("  (found: engine %lld, sqlite %lld)\n", found, sFound);

  // scan
  long long n = 0, len = 0;
  t0 = Clock::now();
  for (a.goTop(); !a.eof(); a.skip()) {
    len += static_cast<long long>(a.fieldGet(0).text().size() + a.fieldGet(1).text().size());
    len += static_cast<long long>(a.fieldGet(2).num());
    ++n;
  }
  const double eScan = since(t0);
  long long sn = 0, slen = 0;
  t0 = Clock::now();
  sqlite3_stmt* scan = prepare(db, "SELECT codigo, descrip, precio FROM t ORDER BY codigo");
  while (sqlite3_step(scan) == SQLITE_ROW) {
    slen += sqlite3_column_bytes(scan, 0) + sqlite3_column_bytes(scan, 1);
    slen += static_cast<long long>(sqlite3_column_double(scan, 2));
    ++sn;
  }
  line("scan", n, eScan, since(t0));
  if (n != rows || sn != rows) std::printf("  (rows: engine %lld, sqlite %lld)\n", n, sn);

  // append, shared, one lock per row
  areas.closeAll();
  areas.use(dbf, "B", OpenMode::Shared);
  WorkArea& s = areas.area();
  s.addIndex(cdx);
  std::vector<int> pages;
  for (long long i = rows + 1; i <= rows + kMeasured; ++i) {
    const std::string before = readFile(cdx);
    s.appendBlank();
    s.fieldPut(0, xb::Value(codeOf(i)));
    s.unlock();
    pages.push_back(changedPages(before, readFile(cdx)));
  }
  std::sort(pages.begin(), pages.end());
  t0 = Clock::now();
  appendRows(s, rows + 1 + kMeasured, rows + kMeasured + appends, true);
  const double eAppend = since(t0);
  t0 = Clock::now();
  insertRows(ins, rows + 1 + kMeasured, rows + kMeasured + appends);
  line("append", appends, eAppend, since(t0));
  std::printf("pages    index pages changed by one append, over %d appends: median %d, max %d\n", kMeasured,
              pages[pages.size() / 2], pages.back());

  // import into a shared table with a tag
  const long long importRows = std::min(rows, 200000LL);
  const std::string idbf = dir + "/imp.dbf", icdx = dir + "/imp.cdx";
  Table::create(idbf, {{"CODIGO", 'C', 25, 0}, {"DESCRIP", 'C', 40, 0}, {"PRECIO", 'N', 10, 2}});
  areas.select(2);
  areas.use(idbf, "I", OpenMode::Exclusive);
  areas.area().createTag(icdx, "CODE", "CODIGO");
  areas.close();
  t0 = Clock::now();
  areas.use(idbf, "I", OpenMode::Shared);
  WorkArea& im = areas.area();
  im.addIndex(icdx);
  im.lockFile();
  im.beginBulk();
  appendRows(im, 1, importRows, false);
  im.endBulk();
  im.unlock();
  const double eShImport = since(t0);
  areas.close();
  areas.select(1);
  sql(db, "CREATE TABLE i(codigo TEXT, descrip TEXT, precio REAL)");
  sql(db, "CREATE INDEX i_codigo ON i(codigo)");
  sqlite3_stmt* iins = prepare(db, "INSERT INTO i VALUES(?,?,?)");
  t0 = Clock::now();
  sql(db, "BEGIN");
  insertRows(iins, 1, importRows);
  sql(db, "COMMIT");
  line("shimport", importRows, eShImport, since(t0));

  // single appends while another process walks the tag
  const pid_t walker = fork();
  if (walker == 0) {
    WorkAreas own;
    own.use(dbf, "W", OpenMode::Shared);
    own.area().addIndex(cdx);
    for (;;)
      for (own.area().goTop(); !own.area().eof(); own.area().skip()) {
      }
  }
  t0 = Clock::now();
  appendRows(s, rows + kMeasured + appends + 1, rows + kMeasured + 2 * appends, true);
  const double eWalkAppend = since(t0);
  kill(walker, SIGKILL);
  waitpid(walker, nullptr, 0);
  const pid_t reader = fork();
  if (reader == 0) {
    sqlite3* rdb = nullptr;
    sqlite3_open(sqlitePath.c_str(), &rdb);
    sqlite3_busy_timeout(rdb, 10000);
    sqlite3_stmt* rs = prepare(rdb, "SELECT codigo FROM t ORDER BY codigo");
    for (;;) {
      while (sqlite3_step(rs) == SQLITE_ROW) {
      }
      sqlite3_reset(rs);
    }
  }
  sqlite3_busy_timeout(db, 10000);
  t0 = Clock::now();
  insertRows(ins, rows + kMeasured + appends + 1, rows + kMeasured + 2 * appends);
  const double sWalkAppend = since(t0);
  kill(reader, SIGKILL);
  waitpid(reader, nullptr, 0);
  line("walkapp", appends, eWalkAppend, sWalkAppend);

  sqlite3_finalize(ins);
  sqlite3_finalize(iins);
  sqlite3_finalize(sel);
  sqlite3_finalize(scan);
  sqlite3_close(db);
  areas.closeAll();
  std::filesystem::remove_all(dir);
  return 0;
}
