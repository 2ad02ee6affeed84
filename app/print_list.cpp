#include "app/print_list.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSaveFile>
#include <QSysInfo>
#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "app/code_rules.h"
#include "app/csv_text.h"
#include "data/catalog.h"
#include "xbase/codepage.h"
#include "xbase/memvar.h"
#include "xbase/text.h"

namespace qv {

namespace {

// A product found as page 1 finds a typed code, with the product table, the
// selected area, cBusqueda and cCodiCont left as they were.
std::optional<ProductCode> lookUp(const std::string& code) {
  WorkArea* a = productArea();
  if (!a) return std::nullopt;
  const int64_t before = a->recno();
  const int area = workAreas().selected();
  const xb::Value key = xb::findNamed("cBusqueda") ? *xb::findNamed("cBusqueda") : xb::Value(std::string());
  const xb::Value check = xb::findNamed("cCodiCont") ? *xb::findNamed("cCodiCont") : xb::Value(std::string());
  std::optional<ProductCode> found;
  if (!xb::trim(code).empty() && BUSCACOD2(code)) found = productOf(*a);
  a->goTo(before);
  workAreas().select(area);
  xb::assignOrCreate("cBusqueda", key);
  xb::assignOrCreate("cCodiCont", check);
  return found;
}

// A quantity as a file or a cell gives it: a whole number from 1 to the
// largest (blank: 1).
std::optional<int64_t> quantityOf(std::string_view text) {
  const std::string t(xb::trim(text));
  if (t.empty()) return 1;
  if (t.size() > 9 || !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  const int64_t n = std::stoll(t);
  if (n < 1 || n > kMaxListQuantity) return std::nullopt;
  return n;
}

}  // namespace

std::string notStoredText(const std::string& code) { return "El código " + code + " no está almacenado."; }

int64_t PrintList::labels() const {
  int64_t n = 0;
  for (const PrintListLine& l : lines_) n += l.quantity;
  return n;
}

PrintList::Added PrintList::add(const ProductCode& p, int64_t quantity) {
  const std::string key = productKey(p.code, p.check);
  for (PrintListLine& l : lines_)
    if (l.key == key) {
      l.quantity = std::min(kMaxListQuantity, l.quantity + quantity);
      return Added::Again;
    }
  lines_.push_back({key, std::string(xb::trim(p.code)) + std::string(xb::trim(p.check)), p.description, std::clamp<int64_t>(quantity, 1, kMaxListQuantity)});
  return Added::New;
}

PrintList::Added PrintList::addCode(const std::string& code, int64_t quantity) {
  const std::optional<ProductCode> p = lookUp(code);
  return p ? add(*p, quantity) : Added::NotStored;
}

PrintList::Added PrintList::addRecord(int64_t recno, int64_t quantity) {
  WorkArea* a = productArea();
  if (!a || recno < 1) return Added::NotStored;
  const int64_t before = a->recno();
  a->goTo(recno);
  const bool there = !a->eof();
  const ProductCode p = productOf(*a);
  a->goTo(before);
  return there ? add(p, quantity) : Added::NotStored;
}

void PrintList::setQuantity(size_t line, int64_t quantity) {
  if (line < lines_.size()) lines_[line].quantity = std::clamp<int64_t>(quantity, 1, kMaxListQuantity);
}

void PrintList::remove(std::vector<size_t> lines) {
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  for (auto it = lines.rbegin(); it != lines.rend(); ++it)
    if (*it < lines_.size()) lines_.erase(lines_.begin() + std::ptrdiff_t(*it));
}

namespace {

// The column of the header named by one of `names` (csvName); -1 when none.
int columnNamed(const std::vector<std::string>& header, const std::vector<std::string_view>& names) {
  for (size_t i = 0; i < header.size(); ++i)
    if (std::find(names.begin(), names.end(), csvName(header[i])) != names.end()) return int(i);
  return -1;
}

}  // namespace

PrintList::Imported PrintList::importCsv(std::string_view bytes) {
  Imported out;
  const CsvText csv = readCsv(bytes);
  if (csv.rows.empty()) return out;
  const std::vector<std::string>& header = csv.rows.front().fields;
  const int codeColumn = std::max(0, columnNamed(header, kCodeColumns));
  int quantityColumn = columnNamed(header, kQuantityColumns);
  if (quantityColumn < 0) quantityColumn = codeColumn == 1 ? 0 : 1;
  const auto cell = [](const CsvRow& r, int column) {
    return size_t(column) < r.fields.size() ? std::string(xb::trim(r.fields[size_t(column)])) : std::string();
  };
  for (auto it = csv.rows.begin() + 1; it != csv.rows.end(); ++it) {
    const CsvRow& r = *it;
    if (r.blank()) continue;
    const std::string code = cell(r, codeColumn);
    const std::string amount = cell(r, quantityColumn);
    const std::string at = "Línea " + std::to_string(r.line) + ": ";
    if (code.empty()) {
      out.refused.push_back({r.line, false, code, at + "no tiene código."});
      continue;
    }
    const std::optional<int64_t> quantity = quantityOf(amount);
    if (!quantity) {
      out.refused.push_back({r.line, false, code,
                             at + "la cantidad \"" + amount + "\" no es un número entero de 1 a " +
                                 std::to_string(kMaxListQuantity) + "."});
      continue;
    }
    const size_t before = lines_.size();
    if (addCode(code, *quantity) == Added::NotStored) {
      out.refused.push_back({r.line, true, code, at + notStoredText(code)});
      continue;
    }
    out.lines += int(lines_.size() - before);
    out.labels += *quantity;
  }
  return out;
}

std::vector<lb::ListLine> PrintList::forGenerator() const {
  std::vector<lb::ListLine> out;
  for (const PrintListLine& l : lines_) out.push_back({xb::utf8ToCp1252(l.key), l.quantity});
  return out;
}

std::string PrintList::csv() const {
  std::string out = "codigo;cantidad\n";
  for (const PrintListLine& l : lines_) out += csvField(l.code, ';') + ";" + std::to_string(l.quantity) + "\n";
  return out;
}

namespace {

// This copy's list and the lock that keeps its file this copy's.
struct Store {
  std::unique_ptr<QLockFile> lock;
  QString file;
  PrintList list;
  std::vector<std::string> gone;
};

std::unique_ptr<Store>& storeHolder() {
  static std::unique_ptr<Store> store;
  return store;
}

QString dataFolder() {
  const QString folder = QString::fromStdString(fileNameValue("G_CAMINO"));
  return folder.isEmpty() ? QDir::currentPath() : QDir(folder).absolutePath();
}

// The user and the machine, as a file name holds them.
QString owner() {
  QString user = qEnvironmentVariable("USER");
  if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
  if (user.isEmpty()) user = QDir::home().dirName();
  if (user.isEmpty()) user = QStringLiteral("usuario");
  QString name = user + "@" + QSysInfo::machineHostName();
  for (QChar& c : name)
    if (!c.isLetterOrNumber() && c != '@' && c != '-' && c != '_' && c != '.') c = '_';
  return name;
}

Store& store() {
  std::unique_ptr<Store>& s = storeHolder();
  if (s) return *s;
  s = std::make_unique<Store>();
  const QDir folder(dataFolder() + "/Listas");
  QDir().mkpath(folder.path());
  // The first file no running copy holds.
  for (int n = 1; n < 100 && !s->lock; ++n) {
    const QString base = owner() + (n == 1 ? QString() : "-" + QString::number(n));
    auto lock = std::make_unique<QLockFile>(folder.filePath(base + ".lock"));
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
      s->lock = std::move(lock);
      s->file = folder.filePath(base + ".csv");
    }
  }
  QFile in(s->file);
  if (!s->file.isEmpty() && in.open(QIODevice::ReadOnly)) {
    const QByteArray bytes = in.readAll();
    const PrintList::Imported read = s->list.importCsv(std::string_view(bytes.constData(), size_t(bytes.size())));
    for (const PrintList::Refused& r : read.refused)
      if (r.notStored) s->gone.push_back(r.code);
  }
  return *s;
}

}  // namespace

PrintList& printList() { return store().list; }

std::vector<std::string> takePrintListGone() { return std::exchange(store().gone, {}); }

std::string printListFile() { return store().file.toStdString(); }

bool savePrintList() {
  Store& s = store();
  if (s.file.isEmpty()) return false;
  QSaveFile out(s.file);
  if (!out.open(QIODevice::WriteOnly)) return false;
  const std::string text = s.list.csv();
  out.write(text.data(), qint64(text.size()));
  return out.commit();
}

void releasePrintList() { storeHolder().reset(); }

}  // namespace qv
