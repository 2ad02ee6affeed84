#include "labels/design_table.h"

#include <algorithm>
#include <filesystem>

#include "labels/error_capture.h"
#include "labels/lock_wait.h"
#include "xbase/codepage.h"
#include "xbase/text.h"

namespace lb {
namespace {

using qv::WorkArea;

constexpr const char* kFileAlias = "ETIFICHERO";

double numberOf(WorkArea& a) {
  const xb::Value n = a.fieldGet(std::string_view("NUMERO_ETI"));
  return n.isNumber() ? n.num() : 0;
}

bool ultimaOf(WorkArea& a) {
  const xb::Value v = a.fieldGet(std::string_view("ULTIMA"));
  return v.isLogical() && v.logical();
}

// Writes the values of a record into the current row.
void putRecord(WorkArea& a, const LabelRow& values) {
  const int n = std::min(a.fieldCount(), int(values.size()));
  for (int i = 0; i < n; ++i) a.fieldPut(i, values[size_t(i)]);
}

// A table file opened in a free work area for the life of the object, the
// area selected before given back afterwards.
class FileTable {
 public:
  FileTable(const std::string& path, qv::OpenMode mode) : previous_(qv::workAreas().selected()) {
    qv::WorkAreas& areas = qv::workAreas();
    areas.select(0);
    number_ = areas.selected();
    open_ = areas.use(path, kFileAlias, mode);
    areas.select(previous_);
  }
  ~FileTable() {
    qv::WorkAreas& areas = qv::workAreas();
    areas.select(number_);
    areas.close();
    areas.select(previous_);
  }
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;
  bool open() const { return open_; }
  WorkArea& area() { return qv::workAreas().area(number_); }

 private:
  int previous_;
  int number_ = 0;
  bool open_ = false;
};

bool fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

// The design table's path and another file name name one file.
bool sameFile(WorkArea& a, const std::string& file) {
  std::error_code ec;
  return a.table() && std::filesystem::equivalent(a.table()->path(), file, ec);
}

}  // namespace

std::vector<DesignEntry> readDesignEntries(WorkArea& a) {
  std::vector<DesignEntry> out;
  double number = 0;
  for (a.goTop(); !a.eof(); a.skip()) {
    const double current = numberOf(a);
    if (out.empty() || current != number) {
      DesignEntry e;
      e.number = int(current);
      e.name = xb::trim(textOf(a.fieldGet(std::string_view("CAMPO"))));
      e.ultima = ultimaOf(a);
      out.push_back(std::move(e));
      number = current;
    }
    out.back().records.push_back(a.recno());
  }
  return out;
}

std::vector<LabelRow> designRows(WorkArea& a, const DesignEntry& e) {
  std::vector<LabelRow> rows;
  for (const int64_t r : e.records) {
    a.goTo(r);
    LabelRow row;
    for (int i = 0; i < a.fieldCount(); ++i) row.push_back(a.fieldGet(i));
    rows.push_back(std::move(row));
  }
  return rows;
}

bool holdDesign(WorkArea& a, const DesignEntry& e) {
  if (e.header() < 1) return false;
  return waitLock(a, [&] { return a.lockRecord(e.header()); });
}

void releaseDesign(WorkArea& a, const DesignEntry& e) {
  if (e.header() >= 1) a.unlockRecord(e.header());
}

bool saveDesign(WorkArea& a, DesignEntry& e, const LabelDesign& design) {
  if (e.header() < 1) return false;
  std::vector<int64_t> locked;
  const auto releaseItems = [&] {
    for (const int64_t r : locked) a.unlockRecord(r);
  };
  for (size_t i = 1; i < e.records.size(); ++i) {
    const int64_t r = e.records[i];
    if (!waitLock(a, [&] { return a.lockRecord(r); })) {
      releaseItems();
      return false;
    }
    locked.push_back(r);
  }
  const std::vector<LabelRow> records = designRecords(design, e.number, false, a.structure());
  // The header takes the name only: its other fields are not the design's.
  a.goTo(e.header());
  a.fieldPut(kCampo - 1, records.front()[size_t(kCampo) - 1]);
  std::vector<int64_t> now{e.header()};
  for (size_t i = 1; i < records.size(); ++i) {
    if (i < e.records.size()) {
      a.goTo(e.records[i]);
    } else {
      if (!a.appendBlank(false)) break;
      locked.push_back(a.recno());
    }
    putRecord(a, records[i]);
    now.push_back(a.recno());
  }
  for (size_t i = records.size(); i < e.records.size(); ++i) {
    a.goTo(e.records[i]);
    a.deleteRow();
  }
  a.goTo(e.header());
  releaseItems();
  e.name = xb::trim(textOf(records.front()[size_t(kCampo) - 1]));
  e.records = now;
  return now.size() == records.size();
}

int appendDesign(WorkArea& a, const LabelDesign& design) {
  if (!waitLock(a, [&] { return a.lockFile(); })) return 0;
  int last = 0;
  for (const DesignEntry& e : readDesignEntries(a)) last = std::max(last, e.number);
  const int number = last + 1;
  bool whole = true;
  for (const LabelRow& r : designRecords(design, number, false, a.structure())) {
    if (!a.appendBlank(false)) {
      whole = false;
      break;
    }
    putRecord(a, r);
  }
  a.unlock();
  return whole ? number : 0;
}

bool deleteDesign(WorkArea& a, int number) {
  if (!waitLock(a, [&] { return a.lockFile(); })) return false;
  std::vector<DesignEntry> entries = readDesignEntries(a);
  const auto gone = std::find_if(entries.begin(), entries.end(), [&](const DesignEntry& e) { return e.number == number; });
  if (gone == entries.end()) {
    a.unlock();
    return false;
  }
  for (const int64_t r : gone->records) {
    a.goTo(r);
    a.deleteRow();
  }
  entries.erase(gone);
  for (size_t k = 0; k < entries.size(); ++k) {
    if (entries[k].number == int(k) + 1) continue;
    for (const int64_t r : entries[k].records) {
      a.goTo(r);
      a.fieldPut(std::string_view("NUMERO_ETI"), xb::Value(double(k + 1), 0));
    }
  }
  a.unlock();
  return true;
}

bool exportDesign(WorkArea& a, int number, const std::string& file, std::string* error) {
  std::vector<DesignEntry> entries = readDesignEntries(a);
  const auto e = std::find_if(entries.begin(), entries.end(), [&](const DesignEntry& d) { return d.number == number; });
  if (e == entries.end()) return fail(error, "No existe el diseño " + std::to_string(number) + ".");
  if (sameFile(a, file)) return fail(error, "El fichero es la propia tabla de diseños.");
  const LabelDesign design = designFromRows(designRows(a, *e));
  const ErrorCapture capture;
  if (!a.table() || !qv::Table::copyStructure(*a.table(), file))
    return fail(error, "No se ha podido crear el fichero " + file + ": " + capture.first());
  FileTable out(file, qv::OpenMode::Exclusive);
  if (!out.open()) return fail(error, "No se ha podido abrir el fichero " + file + ": " + capture.first());
  for (const LabelRow& r : designRecords(design, 1, false, out.area().structure())) {
    if (!out.area().appendBlank()) return fail(error, "No se ha podido escribir en el fichero " + file + ".");
    putRecord(out.area(), r);
  }
  out.area().unlock();
  out.area().commit();
  if (capture.any()) return fail(error, capture.first());
  return true;
}

std::optional<LabelDesign> readDesignFile(const std::string& file, std::string* error) {
  const std::string notADesign = "El fichero " + file + " no contiene un diseño de etiqueta";
  if (!qv::fileExists(file)) {
    fail(error, "No se ha localizado el fichero: " + file);
    return std::nullopt;
  }
  const ErrorCapture capture;
  FileTable in(file, qv::OpenMode::ReadOnly);
  if (!in.open()) {
    fail(error, notADesign + ": " + capture.first());
    return std::nullopt;
  }
  WorkArea& src = in.area();
  for (const char* needed : {"NUMERO_ETI", "CAMPO", "TIPO_B_T_I"})
    if (src.fieldIndex(needed) < 0) {
      fail(error, notADesign + ": le falta el campo " + needed + ".");
      return std::nullopt;
    }
  // The design table's own layout: a file's fields are matched by name.
  const xb::engine::Structure& fields = src.structure();
  std::vector<std::pair<double, LabelRow>> rows;
  for (src.goTop(); !src.eof(); src.skip()) {
    if (src.deleted()) continue;
    LabelRow row(25);
    for (size_t i = 0; i < fields.size(); ++i) {
      static const char* const kNames[] = {"NUMERO_ETI", "CAMPO",     "FUENTE",     "TAMANO",   "NEGRITA",
                                           "CURSIVA",    "SUBRAYADO", "IZQUIERDA",  "CENTRADO", "DERECHA",
                                           "ANGULO",     "TACHADO",   "TIPO_B_T_I", "NUMCAMPO", "TIPOCOD",
                                           "COLOR",      "VERTICAL",  "CONDIGITOS", "ANCHOMOD", "ALTOBARRA",
                                           "JUEGO128",   "CONTROL",   "MISMALINEA", "ULTIMA",   "POSICION"};
      const std::string name = xb::upper1252(fields[i].name);
      for (size_t k = 0; k < std::size(kNames); ++k)
        if (name == kNames[k]) row[k] = src.fieldGet(int(i));
    }
    rows.emplace_back(numOf(row[0]), std::move(row));
  }
  if (rows.empty()) {
    fail(error, notADesign + ": está vacío.");
    return std::nullopt;
  }
  double first = rows.front().first;
  for (const auto& r : rows) first = std::min(first, r.first);
  std::vector<LabelRow> design;
  for (auto& r : rows)
    if (r.first == first) design.push_back(std::move(r.second));
  LabelDesign d = designFromRows(design);
  for (size_t i = 0; i < d.items.size(); ++i) {
    const char k = d.items[i].kind;
    if (k != kKindBarcode && k != kKindText && k != kKindPicture) {
      fail(error, notADesign + ": el elemento " + std::to_string(i + 1) + " es de tipo (" +
                      xb::cp1252ToUtf8(std::string(1, k)) + "), que no es (B)arras (T)exto ni (I)magen.");
      return std::nullopt;
    }
  }
  return d;
}

int importDesign(WorkArea& a, const std::string& file, std::string* error) {
  const std::optional<LabelDesign> d = readDesignFile(file, error);
  if (!d) return 0;
  const int number = appendDesign(a, *d);
  if (!number) fail(error, "La tabla de diseños está bloqueada: no se ha añadido el diseño.");
  return number;
}

}  // namespace lb
