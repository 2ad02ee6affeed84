// The table handle: open, create, rows, appends and locks; pack, append from
// another table and the check are in table_pack.cpp.
//
// Write order, so that a process killed at any instant leaves a table that
// opens and whose record count never points beyond written rows:
//   append   under the append lock: re-read the count n from the header,
//            write row n+1 and the 0x1A after it, then the header's count
//            n+1. A row written without its count is beyond the count, so
//            it does not exist and the next append overwrites it.
//   change   new memos first (their blocks, then the memo header's
//            next-free number), then the row bytes that point at them.
//   create   the header and 0x1A; then the memo file.
//   pack     live rows and their memos go to work files (the memo one made
//            first), which are synced and renamed over the memo file, then
//            over the table. A pack killed between the two renames is
//            finished by the next opener; one killed earlier leaves the
//            table as it was and its work files are removed.
// Readers read the record count without a lock: the count is one 4-byte
// write made after the rows it counts, so whatever count a reader sees
// describes written rows.
//
// A table held exclusively has no other reader, so it appends in runs: new
// rows stay in memory (filled in place by later changes) and go to the file
// together, in the order above (rows and 0x1A, then the count), when the
// run reaches kHeldLimit bytes, before an index entry names one of them
// (writeHeldRows), and at commit, pack, check and close. A process killed
// during a run loses the rows it had not written, never the table. Reads of
// an exclusive table go through a mapped view of the file.
#include "data/engine/table.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>

#include "data/engine/byte_order.h"
#include "data/engine/field_codec.h"
#include "data/engine/table_internal.h"

namespace xb::engine {

namespace table_detail {

ErrorAnswer fail(int gen, int os, std::string description, const std::string& file, std::string operation,
                 bool canRetry, bool canDefault) {
  Error e;
  e.genCode = gen;
  e.osCode = os;
  e.subsystem = "DBFCDX";
  e.subCode = 1000 + gen;
  e.description = std::move(description);
  e.filename = file;
  e.operation = std::move(operation);
  e.canRetry = canRetry;
  e.canDefault = canDefault;
  return raise(e);
}

std::string damaged(const std::string& file, const std::string& what) {
  return "archivo dañado " + baseName(file) + ": " + what;
}

int osCodeOf(int err) {
  // A permission refused or a read-only folder is not another copy using
  // the file: those keep the system's own code, never the sharing codes
  // (32, 5) that make the open be retried as "not available".
  if (err == ENOENT) return kOsNotFound;
  return err == kOsAccessDenied || err == kOsSharingViolation ? 1000 + err : err;
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (std::toupper(x) != std::toupper(y)) return false;
  }
  return true;
}

bool hasMemoField(const Structure& fields) {
  for (const auto& f : fields)
    if (memoPointerType(f.type)) return true;
  return false;
}

}  // namespace table_detail

using namespace table_detail;

namespace {

// Writes a new, empty table file (header, 0x1A) holding the exclusive open
// marker, and its memo file when it needs one. Answers the open file, or
// nothing with *fault (and *busy when another process has the file open).
std::optional<File> writeEmptyTable(const std::string& path, const DbfHeader& h, std::string* fault, bool* busy) {
  *busy = false;
  std::optional<File> f;
  if (fileExists(path)) {
    int err = 0;
    f = File::open(path, File::Mode::ReadWrite, &err);
    if (!f) {
      *fault = "no se puede abrir el archivo que ya existe: " + systemReason(err);
      return std::nullopt;
    }
  } else {
    int err = 0;
    f = File::create(path, &err);
    if (!f) {
      *fault = "no se puede crear el archivo: " + systemReason(err);
      return std::nullopt;
    }
  }
  if (!f->tryLock(kOpenMarker, 1, true)) {
    *busy = true;
    *fault = "la tabla está en uso por otra copia del programa";
    return std::nullopt;
  }
  // From here the file is ours (held exclusively): a create that fails
  // (a full disk, a file-size limit) leaves no file behind.
  auto failed = [&](const std::string& what) -> std::optional<File> {
    *fault = what;
    f.reset();
    removeFile(path);
    return std::nullopt;
  };
  std::string bytes = headerBytes(h);
  bytes.push_back('\x1A');
  if (!f->truncate(0) || !f->writeAt(0, bytes.data(), bytes.size()))
    return failed("no se puede escribir la cabecera de la tabla: " + systemReason(errno));
  // A memo file is made only for a table with memo fields; it replaces any
  // file whose name differs only in case. A table without memo fields
  // leaves files of the memo's name alone: another table may own one (the
  // name rule gives Name.dbf and Name.eti the same memo name).
  std::string memoPath = Table::memoNameFor(path);
  if (h.version == 0xF5) {
    if (sameName(memoPath, path)) return failed("el archivo de memos tendría el mismo nombre que la tabla");
    while (removeFile(memoPath)) {
    }
    std::string memoFault;
    if (!MemoFile::create(memoPath, &memoFault)) {
      removeFile(memoPath);
      return failed(memoFault);
    }
  }
  return f;
}


}  // namespace

Table::Table(Key, std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Table::~Table() {
  try {
    impl_->flush();
    impl_->writeHeld();
  } catch (...) {
    // A handler that throws cannot be answered from a destructor; the
    // change is lost, the files stay sound.
  }
  impl_->locks->unlockAll();
}

std::string Table::memoNameFor(const std::string& tablePath) {
  size_t slash = tablePath.find_last_of('/');
  size_t nameLen = tablePath.size() - (slash == std::string::npos ? 0 : slash + 1);
  if (nameLen < 4) return tablePath + ".FPT";
  std::string out = tablePath.substr(0, tablePath.size() - 3);
  const char* fpt = "fpt";
  for (int i = 0; i < 3; ++i) {
    char c = tablePath[tablePath.size() - 3 + size_t(i)];
    bool lower = c >= 'a' && c <= 'z';
    out.push_back(lower ? fpt[i] : char(fpt[i] - 'a' + 'A'));
  }
  return out;
}

std::unique_ptr<Table> Table::open(const std::string& path, OpenMode mode) {
  for (;;) {
    auto found = findCaseInsensitive(path);
    if (!found) {
      if (fail(kGenOpen, kOsNotFound, "no se encuentra el archivo " + baseName(path), path, "open", true).kind == ErrorAnswer::Retry) continue;
      return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->path = *found;
    impl->mode = mode;
    int err = 0;
    auto f = File::open(*found, mode == OpenMode::ReadOnly ? File::Mode::ReadOnly : File::Mode::ReadWrite, &err);
    if (!f) {
      if (fail(kGenOpen, osCodeOf(err), "no se puede abrir " + baseName(*found) + ": " + systemReason(err), *found, "open", true)
              .kind == ErrorAnswer::Retry)
        continue;
      return nullptr;
    }
    impl->file = std::move(*f);
    if (!impl->file.tryLock(kOpenMarker, 1, mode == OpenMode::Exclusive)) {
      std::string why = mode == OpenMode::Exclusive
                            ? "la tabla " + baseName(*found) + " está en uso por otra copia del programa"
                            : "la tabla " + baseName(*found) + " está en uso exclusivo por otra copia del programa";
      if (fail(kGenOpen, kOsSharingViolation, why, *found, "open", true).kind == ErrorAnswer::Retry) continue;
      return nullptr;
    }
    std::string fixed(kDbfFixedHeader, '\0');
    long got = impl->file.readAt(0, fixed.data(), fixed.size());
    int64_t size = impl->file.size();  // after the count (see refreshCount)
    std::string fault = parseFixedHeader(fixed.substr(0, size_t(std::max(got, 0L))), uint64_t(std::max<int64_t>(size, 0)),
                                         impl->h);
    if (fault.empty()) {
      std::string header(impl->h.headerLen, '\0');
      if (impl->file.readAt(0, header.data(), header.size()) != long(header.size()))
        fault = "header cannot be read whole";
      else
        fault = parseDescriptors(header, impl->h);
    }
    if (fault.empty()) fault = checkCount(impl->h, impl->h.count, uint64_t(size));
    if (!fault.empty()) {
      fail(kGenCorruption, 0, damaged(*found, fault), *found, "open");
      return nullptr;
    }
    if (finishInterruptedPack(*found, hasMemoField(impl->h.fields))) continue;
    impl->readOnly = mode == OpenMode::ReadOnly || !writableVersion(impl->h.version);
    if (hasMemoField(impl->h.fields)) {
      std::string memoPath = resolveName(memoNameFor(*found));
      int merr = 0;
      impl->memo = MemoFile::open(memoPath, mode != OpenMode::ReadOnly, &fault, &merr);
      if (!impl->memo) {
        int gen = merr != 0 ? kGenOpen : kGenCorruption;
        std::string what = merr != 0 ? "archivo de memos " + baseName(memoPath) + ": " + fault + ": " + systemReason(merr)
                                    : damaged(memoPath, fault);
        if (fail(gen, merr != 0 ? osCodeOf(merr) : 0, what, memoPath, "open", merr != 0).kind ==
            ErrorAnswer::Retry)
          continue;
        return nullptr;
      }
    }
    impl->locks = std::make_unique<TableLocks>(impl->file, mode == OpenMode::Exclusive, mode == OpenMode::ReadOnly);
    impl->clearBuffer();
    return std::make_unique<Table>(Key{}, std::move(impl));
  }
}

bool Table::create(const std::string& path, const Structure& fields) {
  Structure checked = fields;
  std::string fault;
  if (checked.empty()) fault = "una tabla necesita al menos un campo";
  if (checked.size() > 255) fault = "una tabla tiene como mucho 255 campos";
  uint64_t recordLen = 1;
  for (size_t i = 0; fault.empty() && i < checked.size(); ++i) {
    fault = validateFieldDef(checked[i]);
    for (size_t j = 0; fault.empty() && j < i; ++j)
      if (checked[j].name == checked[i].name) fault = "el nombre de campo " + checked[i].name + " aparece dos veces";
    recordLen += uint64_t(checked[i].width);
  }
  if (fault.empty() && recordLen > 65535) fault = "la fila mide más de 65535 bytes";
  if (!fault.empty()) {
    fail(kGenCreate, 0, "estructura no válida para " + baseName(path) + ": " + fault, path, "create");
    return false;
  }
  DbfHeader h = newHeader(checked);
  for (;;) {
    std::string target = resolveName(path);
    bool busy = false;
    auto f = writeEmptyTable(target, h, &fault, &busy);
    if (f) return true;
    auto answer = fail(kGenCreate, busy ? kOsSharingViolation : 0, "no se puede crear " + baseName(target) + ": " + fault, target, "create", true);
    if (answer.kind != ErrorAnswer::Retry) return false;
  }
}

bool Table::copyStructure(Table& source, const std::string& path) { return create(path, source.structure()); }

const std::string& Table::path() const { return impl_->path; }
const Structure& Table::structure() const { return impl_->h.fields; }
int Table::fieldCount() const { return int(impl_->h.fields.size()); }

int Table::fieldIndex(std::string_view name) const {
  const auto& fs = impl_->h.fields;
  for (size_t i = 0; i < fs.size(); ++i)
    if (sameName(fs[i].name, name)) return int(i);
  return -1;
}

uint8_t Table::version() const { return impl_->h.version; }
uint8_t Table::codePage() const { return impl_->h.codePage; }
bool Table::readOnly() const { return impl_->readOnly; }
bool Table::exclusive() const { return impl_->mode == OpenMode::Exclusive; }

int64_t Table::recordCount() {
  if (impl_->counting()) impl_->refreshCount();
  return impl_->h.count;
}

bool Table::read(int64_t recno) {
  Impl& m = *impl_;
  m.writeRow();
  if (recno < 1) {
    m.clearBuffer();
    return false;
  }
  if (recno > int64_t(m.h.count) && m.counting() && recno != m.appending) m.refreshCount();
  if ((recno > int64_t(m.h.count) && recno != m.appending) || !m.load(recno)) {
    m.clearBuffer();
    return false;
  }
  return true;
}

int64_t Table::recno() const { return impl_->recno; }

void Table::prefetch(int64_t recno) const {
  const Impl& m = *impl_;
  if (m.shared() || recno < 1) return;
  const uint64_t at = m.rowOffset(recno);
  if (at + m.h.recordLen > m.view.size()) return;
  __builtin_prefetch(m.view.data() + at);
  __builtin_prefetch(m.view.data() + at + m.h.recordLen - 1);
}
bool Table::deleted() const { return impl_->row[0] == '*'; }

Value Table::get(int field) {
  Impl& m = *impl_;
  if (field < 0 || field >= fieldCount()) {
    fail(kGenArgument, 0, "número de campo " + std::to_string(field + 1) + " fuera de rango en " + baseName(m.path), m.path, "get");
    return Value();
  }
  const FieldDef& f = m.h.fields[size_t(field)];
  if (f.type != 'M') return decodeField(f, m.fieldBytes(m.row, field));
  if (auto p = m.pendingMemo.find(field); p != m.pendingMemo.end()) return Value(p->second);
  auto ref = decodeMemoRef(m.fieldBytes(m.row, field), m.binaryRefs());
  if (!ref) {
    fail(kGenCorruption, 0, damaged(m.path, "puntero de memo no válido en el campo " + f.name + " de la fila " + std::to_string(m.recno)),
         m.path, "get");
    return Value(std::string());
  }
  if (*ref == 0) return Value(std::string());
  std::string fault;
  auto text = m.memo->read(*ref, &fault);
  if (!text) {
    fail(kGenCorruption, 0,
         damaged(m.memo->path(), "campo " + f.name + " de la fila " + std::to_string(m.recno) + ": " + fault),
         m.memo->path(), "get");
    return Value(std::string());
  }
  return Value(std::move(*text));
}

void Table::put(int field, const Value& v) {
  Impl& m = *impl_;
  if (!m.writable("put")) return;
  if (field < 0 || field >= fieldCount()) {
    fail(kGenArgument, 0, "número de campo " + std::to_string(field + 1) + " fuera de rango en " + baseName(m.path), m.path, "put");
    return;
  }
  if (m.recno == 0) {
    fail(kGenArgument, 0, "no hay fila actual a la que asignar en " + baseName(m.path), m.path, "put");
    return;
  }
  const FieldDef& f = m.h.fields[size_t(field)];
  if (f.type == 'M') {
    if (!v.isText()) {
      fail(kGenDataType, 0, "el campo memo " + f.name + " de " + baseName(m.path) + " admite solo textos", m.path, "put");
      return;
    }
    m.pendingMemo[field] = v.text();
    m.dirty = true;
    return;
  }
  std::string bytes;
  switch (encodeField(f, v, bytes)) {
    case EncodeFault::None:
      m.row.replace(m.h.offsets[size_t(field)], size_t(f.width), bytes);
      m.dirty = true;
      return;
    case EncodeFault::Type:
      fail(kGenDataType, 0, std::string("tipo ") + v.typeLetter() + " no válido para el campo " + f.name + " (" + f.type + ") de " + baseName(m.path),
           m.path, "put");
      return;
    case EncodeFault::Width: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.*f", std::clamp(v.decimals(), 0, 15), v.num());
      fail(kGenDataWidth, 0,
           std::string("el valor ") + buf + " no cabe en el campo " + f.name + " (N " + std::to_string(f.width) + "," +
               std::to_string(f.decimals) + ")",
           m.path, "put");
      return;
    }
  }
}

void Table::setDeleted(bool on) {
  Impl& m = *impl_;
  if (!m.writable("delete") || m.recno == 0) return;
  char flag = on ? '*' : ' ';
  if (m.row[0] != flag) {
    m.row[0] = flag;
    m.dirty = true;
  }
}

void Table::flush() { impl_->flush(); }
const std::string& Table::rawRow() const { return impl_->row; }
const std::string& Table::rawRowOnDisk() const { return impl_->disk; }

Table::SavedBuffer Table::setBufferAside() {
  Impl& m = *impl_;
  SavedBuffer b{m.recno, std::move(m.row), std::move(m.disk), m.dirty, std::move(m.pendingMemo)};
  m.clearBuffer();
  return b;
}

void Table::restoreBuffer(SavedBuffer&& saved) {
  Impl& m = *impl_;
  m.recno = saved.recno;
  m.row = std::move(saved.row);
  m.disk = std::move(saved.disk);
  m.dirty = saved.dirty;
  m.pendingMemo = std::move(saved.pendingMemo);
}

bool Table::appendBlank() {
  Impl& m = *impl_;
  m.flush();
  if (!m.writable("append")) return false;
  const bool shared = !m.holding();
  for (;;) {
    if (!shared || takeBriefLock(m.file, kAppendLock)) break;
    auto answer = fail(kGenAppendLock, 0, "no se puede añadir a " + baseName(m.path) + ": otra copia del programa está añadiendo", m.path, "append", true);
    if (answer.kind == ErrorAnswer::Retry) continue;
    setNetError(true);
    return false;
  }
  // Held until the row is counted or abandoned.
  auto letGo = [&] {
    if (shared) m.file.unlock(kAppendLock, 1);
    return false;
  };
  if (shared && !m.refreshCount()) return letGo();
  if (!shared && m.held.size() >= Impl::kHeldLimit && !m.writeHeld()) return false;
  int64_t n = int64_t(m.h.count) + 1;
  if (n > int64_t(0xFFFFFFFEu) || m.rowOffset(n + 1) > (uint64_t(1) << 40)) {
    fail(kGenWrite, 0, "la tabla " + baseName(m.path) + " está llena", m.path, "append");
    return letGo();
  }
  if (!m.locks->lockRow(n)) {
    setNetError(true);
    return letGo();
  }
  if (!shared) {
    if (m.heldFirst == 0) m.heldFirst = n;
    m.held.append(m.h.recordLen, ' ');
    m.h.count = uint32_t(n);
    m.dirty = false;
  } else {
    // Nothing reaches the file yet: the row is written whole, memos first,
    // and counted after (writeRow, publish).
    m.appending = n;
    m.dirty = true;
  }
  m.recno = n;
  m.row = m.disk = m.blankRow();
  m.pendingMemo.clear();
  return true;
}

bool Table::beginBatch() {
  Impl& m = *impl_;
  m.flush();
  if (m.readOnly || m.batch) return false;
  if (m.shared() && (!m.locks->fileLocked() || !m.refreshCount())) return false;
  if (!m.writeHeld()) return false;
  m.batch = true;
  m.batchCount = m.h.count;
  m.beyondAsked = false;
  return true;
}

bool Table::endBatch(bool keep) {
  Impl& m = *impl_;
  if (!m.batch) return true;
  if (!keep) {
    m.dropChanges();
    m.held.clear();
    m.heldFirst = 0;
    m.countBehind = false;
    m.h.count = m.batchCount;
    if (m.recno > int64_t(m.h.count)) m.clearBuffer();
    m.batch = false;
    return true;
  }
  m.flush();
  const bool ok = m.writeHeld(false);
  m.batch = false;
  return m.publishCount() && ok;
}

bool Table::writeRow() { return impl_->writeRow(); }

bool Table::mayWrite() { return impl_->mayWrite(); }

bool Table::publish() { return impl_->publish(); }

void Table::discard() {
  impl_->dropChanges();
  impl_->abandonAppend();
}

int64_t Table::rowsInFile() const {
  const Impl& m = *impl_;
  const int64_t size = m.file.size();
  if (size < int64_t(m.h.headerLen) || m.h.recordLen == 0) return 0;
  return (size - int64_t(m.h.headerLen)) / m.h.recordLen;
}

bool Table::rowsBeyondCount() {
  Impl& m = *impl_;
  // No other process appends while a handle holds its appends (exclusive
  // use, or a batch under the file lock): it asks the file once. Its own
  // rows in the file lie below the first row it holds.
  if (m.holding()) {
    if (m.beyondAsked) return false;
    m.beyondAsked = true;
  }
  const int64_t count = m.appending ? m.appending - 1 : m.heldFirst ? m.heldFirst - 1 : int64_t(m.h.count);
  return rowsInFile() > count;
}

bool Table::lockRow(int64_t recno) {
  Impl& m = *impl_;
  if (recno < 1) return false;
  if (recno > int64_t(m.h.count) && m.counting() && recno != m.appending) m.refreshCount();
  if (recno > int64_t(m.h.count) && recno != m.appending) return false;
  if (!m.locks->lockRow(recno)) {
    setNetError(true);
    return false;
  }
  if (m.counting()) {
    m.refreshCount();
    if (m.recno == recno && !m.dirty) m.load(recno);
  }
  return true;
}

bool Table::lockFile() {
  Impl& m = *impl_;
  if (!m.locks->lockFile()) {
    setNetError(true);
    return false;
  }
  if (m.counting()) {
    m.refreshCount();
    if (m.recno != 0 && !m.dirty) m.load(m.recno);
  }
  return true;
}

void Table::unlockRow(int64_t recno) {
  impl_->flush();
  impl_->locks->unlockRow(recno);
}

void Table::unlockAll() {
  impl_->flush();
  impl_->locks->unlockAll();
}

bool Table::isRowLocked(int64_t recno) const { return impl_->locks->rowLocked(recno); }
bool Table::isFileLocked() const { return impl_->locks->fileLocked(); }

void Table::writeHeldRows() {
  impl_->writeRow();
  impl_->writeHeld(false);
}

void Table::commit() {
  Impl& m = *impl_;
  m.flush();
  if (m.readOnly) return;
  m.writeHeld();
  if (!m.file.sync() || (m.memo && !m.memo->sync()))
    fail(kGenWrite, errno, "no se puede grabar " + baseName(m.path) + " en el disco: " + systemReason(errno), m.path, "commit");
}

}  // namespace xb::engine
