// The table handle.
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

#include "data/engine/dbf_header.h"
#include "data/engine/field_codec.h"
#include "data/engine/memo.h"
#include "data/engine/os_file.h"
#include "data/engine/table_lock.h"
#include "xbase/error.h"

namespace xb::engine {

namespace {

constexpr int kOsNotFound = 2;

ErrorAnswer fail(int gen, int os, std::string description, const std::string& file, std::string operation,
                 bool canRetry = false, bool canDefault = true) {
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

// "damaged file NAME: what", the description of every corruption error.
std::string damaged(const std::string& file, const std::string& what) {
  size_t slash = file.find_last_of('/');
  return "damaged file " + (slash == std::string::npos ? file : file.substr(slash + 1)) + ": " + what;
}

int osCodeOf(int err) {
  if (err == EACCES || err == EPERM || err == EROFS) return kOsAccessDenied;
  if (err == ENOENT) return kOsNotFound;
  return err;
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
    if (f.type == 'M') return true;
  return false;
}

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
      *fault = std::string("cannot open the existing file: ") + std::strerror(err);
      return std::nullopt;
    }
  } else {
    int err = 0;
    f = File::create(path, &err);
    if (!f) {
      *fault = std::string("cannot create the file: ") + std::strerror(err);
      return std::nullopt;
    }
  }
  if (!f->tryLock(kOpenMarker, 1, true)) {
    *busy = true;
    *fault = "the table is open in another process";
    return std::nullopt;
  }
  std::string bytes = headerBytes(h);
  bytes.push_back('\x1A');
  if (!f->truncate(0) || !f->writeAt(0, bytes.data(), bytes.size())) {
    *fault = std::string("cannot write the table header: ") + std::strerror(errno);
    return std::nullopt;
  }
  // A memo file is made only for a table with memo fields; it replaces any
  // file whose name differs only in case. A table without memo fields
  // leaves files of the memo's name alone: another table may own one (the
  // name rule gives Name.dbf and Name.eti the same memo name).
  std::string memoPath = Table::memoNameFor(path);
  if (h.version == 0xF5) {
    if (sameName(memoPath, path)) {
      *fault = "the memo file would have the table's own name";
      return std::nullopt;
    }
    while (removeFile(memoPath)) {
    }
    if (!MemoFile::create(memoPath, fault)) return std::nullopt;
  }
  return f;
}

// "Name.dbf" -> "Name~pk.dbf": the work file of a pack, in the same folder.
std::string packWorkName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + "~pk";
  return path.substr(0, dot) + "~pk" + path.substr(dot);
}

// Called with the open marker of `table` held, so no pack of it is running.
// A pack killed between its two renames left the new memo file in place and
// the new table as the work file: the rename is finished and the answer is
// true (the caller opens the table again). Work files of a pack killed
// before that are removed; the table and memo they would have replaced are
// intact.
bool finishInterruptedPack(const std::string& table, bool hasMemo) {
  auto work = findCaseInsensitive(packWorkName(table));
  if (!work) return false;
  auto workMemo = findCaseInsensitive(Table::memoNameFor(*work));
  if (hasMemo && !workMemo) return renameFile(*work, table);
  removeFile(*work);
  if (workMemo) removeFile(*workMemo);
  return false;
}

// Converts a value read from another table to what `f` holds.
Value convertFor(const FieldDef& f, const Value& v) {
  auto asText = [&]() -> std::string {
    switch (v.type()) {
      case Type::Text: return v.text();
      case Type::Number: {
        auto s = formatNumber(v.num(), 20, std::clamp(v.decimals(), 0, 15));
        if (!s) return {};
        return s->substr(s->find_first_not_of(' '));
      }
      case Type::Date: return v.date().empty() ? std::string() : julianToDtos(v.date().jd);
      case Type::Logical: return v.logical() ? "T" : "F";
      default: return {};
    }
  };
  switch (f.type) {
    case 'C':
    case 'M':
      return Value(asText());
    case 'N':
    case 'F':
      if (v.isNumber()) return v;
      if (v.isLogical()) return Value(v.logical() ? 1 : 0);
      return decodeField(f, asText());
    case 'D':
      if (v.isDate()) return v;
      return Value(Date{dtosToJulian(asText())});
    case 'L':
      if (v.isLogical()) return v;
      return decodeField(f, asText().substr(0, 1));
    default:
      return v;
  }
}

}  // namespace

struct Table::Impl {
  std::string path;
  OpenMode mode = OpenMode::Shared;
  bool readOnly = false;
  File file;
  std::unique_ptr<MemoFile> memo;
  DbfHeader h;
  std::unique_ptr<TableLocks> locks;
  int64_t recno = 0;
  std::string row;   // the buffer
  std::string disk;  // the row as read or last written
  bool dirty = false;
  std::map<int, std::string> pendingMemo;
  bool stamped = false;  // header date written during this session
  // Exclusive use only: rows heldFirst..h.count appended but not yet
  // written (held is empty and heldFirst 0 when there are none), and the
  // view that reads rows.
  std::string held;
  int64_t heldFirst = 0;
  FileView view;
  static constexpr size_t kHeldLimit = size_t(1) << 18;

  std::string blankRow() const { return std::string(h.recordLen, ' '); }
  uint64_t rowOffset(int64_t n) const { return uint64_t(h.headerLen) + uint64_t(n - 1) * h.recordLen; }
  bool shared() const { return mode != OpenMode::Exclusive; }
  bool binaryRefs() const { return binaryMemoRefs(h.version); }
  std::string_view fieldBytes(const std::string& r, int i) const {
    return std::string_view(r).substr(h.offsets[size_t(i)], size_t(h.fields[size_t(i)].width));
  }

  // Re-reads the record count from the header; false (after the handler)
  // when it is damaged.
  bool refreshCount() {
    // The count first, then the size: rows are written before the count
    // that covers them, so the size read after it is never too small.
    unsigned char b[4];
    bool got = file.readAt(4, b, 4) == 4;
    int64_t size = file.size();
    if (!got || size < 0) {
      fail(kGenRead, errno, "cannot read the record count", path, "recordCount");
      return false;
    }
    uint32_t c = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    std::string fault = checkCount(h, c, uint64_t(size));
    if (!fault.empty()) {
      fail(kGenCorruption, 0, damaged(path, fault), path, "recordCount");
      return false;
    }
    h.count = c;
    return true;
  }

  bool stampDate() {
    if (stamped) return true;
    std::string d = todayBytes();
    stamped = file.writeAt(1, d.data(), d.size());
    return stamped;
  }

  bool writable(const char* op) {
    if (!readOnly) return true;
    fail(kGenReadonly, 0, "table opened read-only", path, op);
    return false;
  }

  bool isHeld(int64_t n) const { return heldFirst > 0 && n >= heldFirst && n <= int64_t(h.count); }
  char* heldRow(int64_t n) { return held.data() + size_t(n - heldFirst) * h.recordLen; }

  // Writes the held rows, then the count that covers them. On a write
  // failure the rows are gone: the count stays what the file says.
  bool writeHeld() {
    if (held.empty()) return true;
    const int64_t first = heldFirst;
    held.push_back('\x1A');
    std::string count = countBytes(uint32_t(h.count));
    bool ok = file.writeAt(rowOffset(first), held.data(), held.size()) && file.writeAt(4, count.data(), count.size());
    const int err = errno;
    held.clear();
    heldFirst = 0;
    if (!ok) {
      h.count = uint32_t(first - 1);
      if (recno >= first) clearBuffer();
      fail(kGenWrite, err, std::string("cannot append rows: ") + std::strerror(err), path, "append");
      return false;
    }
    stampDate();
    return true;
  }

  void dropChanges() {
    row = disk;
    pendingMemo.clear();
    dirty = false;
  }

  void flush() {
    if (!dirty || recno == 0) return;
    if (!writable("flush")) {
      dropChanges();
      return;
    }
    if (shared() && !locks->rowLocked(recno)) {
      fail(kGenUnlocked, 0, "row " + std::to_string(recno) + " written without a lock", path, "flush");
      dropChanges();
      return;
    }
    for (const auto& [field, text] : pendingMemo) {
      const FieldDef& f = h.fields[size_t(field)];
      uint32_t old = decodeMemoRef(fieldBytes(disk, field), binaryRefs()).value_or(0);
      std::string fault;
      auto block = memo->write(old, text, &fault);
      if (!block) {
        fail(kGenWrite, 0, "memo of field " + f.name + ": " + fault, memo->path(), "flush");
        dropChanges();
        return;
      }
      row.replace(h.offsets[size_t(field)], size_t(f.width), encodeMemoRef(*block, f.width, binaryRefs()));
    }
    pendingMemo.clear();
    if (isHeld(recno)) {
      std::memcpy(heldRow(recno), row.data(), row.size());
      disk = row;
      dirty = false;
      return;
    }
    if (!file.writeAt(rowOffset(recno), row.data(), row.size())) {
      fail(kGenWrite, errno, std::string("cannot write row: ") + std::strerror(errno), path, "flush");
      dropChanges();
      return;
    }
    stampDate();
    disk = row;
    dirty = false;
  }

  // Loads row n into the buffer; false (after the handler) on a read fault.
  bool load(int64_t n) {
    if (!shared()) {
      const uint64_t end = rowOffset(n) + h.recordLen;
      if (isHeld(n)) {
        row.assign(heldRow(n), h.recordLen);
      } else {
        if (end > view.size()) view = FileView::map(file, UINT64_MAX);
        if (end > view.size()) return loadRead(n);
        row.assign(view.data() + rowOffset(n), h.recordLen);
      }
      disk = row;
      recno = n;
      dirty = false;
      pendingMemo.clear();
      return true;
    }
    return loadRead(n);
  }

  bool loadRead(int64_t n) {
    std::string r(h.recordLen, '\0');
    if (file.readAt(rowOffset(n), r.data(), r.size()) != long(r.size())) {
      fail(kGenCorruption, 0, damaged(path, "row " + std::to_string(n) + " cannot be read whole"), path, "read");
      return false;
    }
    row = disk = std::move(r);
    recno = n;
    dirty = false;
    pendingMemo.clear();
    return true;
  }

  void clearBuffer() {
    recno = 0;
    row = disk = blankRow();
    dirty = false;
    pendingMemo.clear();
  }
};

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
      if (fail(kGenOpen, kOsNotFound, "file not found", path, "open", true).kind == ErrorAnswer::Retry) continue;
      return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->path = *found;
    impl->mode = mode;
    int err = 0;
    auto f = File::open(*found, mode == OpenMode::ReadOnly ? File::Mode::ReadOnly : File::Mode::ReadWrite, &err);
    if (!f) {
      if (fail(kGenOpen, osCodeOf(err), std::string("cannot open: ") + std::strerror(err), *found, "open", true)
              .kind == ErrorAnswer::Retry)
        continue;
      return nullptr;
    }
    impl->file = std::move(*f);
    if (!impl->file.tryLock(kOpenMarker, 1, mode == OpenMode::Exclusive)) {
      std::string why = mode == OpenMode::Exclusive ? "the table is open in another process"
                                                    : "the table is open exclusively in another process";
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
        std::string what = merr != 0 ? "memo file " + memoPath + ": " + fault : damaged(memoPath, fault);
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
  if (checked.empty()) fault = "a table needs at least one field";
  if (checked.size() > 255) fault = "a table holds at most 255 fields";
  uint64_t recordLen = 1;
  for (size_t i = 0; fault.empty() && i < checked.size(); ++i) {
    fault = validateFieldDef(checked[i]);
    for (size_t j = 0; fault.empty() && j < i; ++j)
      if (checked[j].name == checked[i].name) fault = "field name " + checked[i].name + " appears twice";
    recordLen += uint64_t(checked[i].width);
  }
  if (fault.empty() && recordLen > 65535) fault = "record longer than 65535 bytes";
  if (!fault.empty()) {
    fail(kGenCreate, 0, "invalid structure: " + fault, path, "create");
    return false;
  }
  DbfHeader h = newHeader(checked);
  for (;;) {
    std::string target = resolveName(path);
    bool busy = false;
    auto f = writeEmptyTable(target, h, &fault, &busy);
    if (f) return true;
    auto answer = fail(kGenCreate, busy ? kOsSharingViolation : 0, fault, target, "create", true);
    if (answer.kind != ErrorAnswer::Retry) return false;
  }
}

bool Table::copyStructure(Table& source, const std::string& path) { return create(path, source.structure()); }

int64_t Table::appendFrom(Table& target, const std::string& sourcePath, bool withDeleted) {
  auto source = open(sourcePath, OpenMode::ReadOnly);
  if (!source) return -1;
  const Structure& to = target.structure();
  std::vector<std::pair<int, int>> pairs;  // target field, source field
  for (int i = 0; i < int(to.size()); ++i) {
    int s = source->fieldIndex(to[size_t(i)].name);
    if (s >= 0) pairs.emplace_back(i, s);
  }
  int64_t appended = 0;
  int64_t rows = source->recordCount();
  for (int64_t n = 1; n <= rows; ++n) {
    if (!source->read(n)) break;
    if (source->deleted() && !withDeleted) continue;
    if (!target.appendBlank()) return -1;
    for (auto [t, s] : pairs) target.put(t, convertFor(to[size_t(t)], source->get(s)));
    if (withDeleted && source->deleted()) target.setDeleted(true);
    target.unlockRow(target.recno());
    ++appended;
  }
  return appended;
}

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
  if (impl_->shared()) impl_->refreshCount();
  return impl_->h.count;
}

bool Table::read(int64_t recno) {
  Impl& m = *impl_;
  m.flush();
  if (recno < 1) {
    m.clearBuffer();
    return false;
  }
  if (recno > int64_t(m.h.count) && m.shared()) m.refreshCount();
  if (recno > int64_t(m.h.count) || !m.load(recno)) {
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
    fail(kGenArgument, 0, "field number " + std::to_string(field + 1) + " out of range", m.path, "get");
    return Value();
  }
  const FieldDef& f = m.h.fields[size_t(field)];
  if (f.type != 'M') return decodeField(f, m.fieldBytes(m.row, field));
  if (auto p = m.pendingMemo.find(field); p != m.pendingMemo.end()) return Value(p->second);
  auto ref = decodeMemoRef(m.fieldBytes(m.row, field), m.binaryRefs());
  if (!ref) {
    fail(kGenCorruption, 0, damaged(m.path, "bad memo pointer in field " + f.name + " of row " + std::to_string(m.recno)),
         m.path, "get");
    return Value(std::string());
  }
  if (*ref == 0) return Value(std::string());
  std::string fault;
  auto text = m.memo->read(*ref, &fault);
  if (!text) {
    fail(kGenCorruption, 0,
         damaged(m.memo->path(), "field " + f.name + " of row " + std::to_string(m.recno) + ": " + fault),
         m.memo->path(), "get");
    return Value(std::string());
  }
  return Value(std::move(*text));
}

void Table::put(int field, const Value& v) {
  Impl& m = *impl_;
  if (!m.writable("put")) return;
  if (field < 0 || field >= fieldCount()) {
    fail(kGenArgument, 0, "field number " + std::to_string(field + 1) + " out of range", m.path, "put");
    return;
  }
  if (m.recno == 0) {
    fail(kGenArgument, 0, "no current row to assign", m.path, "put");
    return;
  }
  const FieldDef& f = m.h.fields[size_t(field)];
  if (f.type == 'M') {
    if (!v.isText()) {
      fail(kGenDataType, 0, "memo field " + f.name + " takes a text", m.path, "put");
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
      fail(kGenDataType, 0, std::string("wrong type ") + v.typeLetter() + " for field " + f.name + " (" + f.type + ")",
           m.path, "put");
      return;
    case EncodeFault::Width: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.*f", std::clamp(v.decimals(), 0, 15), v.num());
      fail(kGenDataWidth, 0,
           std::string("value ") + buf + " does not fit field " + f.name + " (N " + std::to_string(f.width) + "," +
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

bool Table::appendBlank() {
  Impl& m = *impl_;
  m.flush();
  if (!m.writable("append")) return false;
  const bool shared = m.shared();
  for (;;) {
    if (!shared || takeBriefLock(m.file, kAppendLock)) break;
    auto answer = fail(kGenAppendLock, 0, "append lock refused", m.path, "append", true);
    if (answer.kind == ErrorAnswer::Retry) continue;
    setNetError(true);
    return false;
  }
  struct Release {
    File& f;
    bool on;
    ~Release() {
      if (on) f.unlock(kAppendLock, 1);
    }
  } release{m.file, shared};
  if (shared && !m.refreshCount()) return false;
  if (!shared && m.held.size() >= Impl::kHeldLimit && !m.writeHeld()) return false;
  int64_t n = int64_t(m.h.count) + 1;
  if (n > int64_t(0xFFFFFFFEu) || m.rowOffset(n + 1) > (uint64_t(1) << 40)) {
    fail(kGenWrite, 0, "the table is full", m.path, "append");
    return false;
  }
  if (!m.locks->lockRow(n)) {
    setNetError(true);
    return false;
  }
  if (!shared) {
    if (m.heldFirst == 0) m.heldFirst = n;
    m.held.append(m.h.recordLen, ' ');
  } else {
    std::string bytes = m.blankRow();
    bytes.push_back('\x1A');
    std::string count = countBytes(uint32_t(n));
    if (!m.file.writeAt(m.rowOffset(n), bytes.data(), bytes.size()) || !m.file.writeAt(4, count.data(), count.size())) {
      m.locks->unlockRow(n);
      fail(kGenWrite, errno, std::string("cannot append a row: ") + std::strerror(errno), m.path, "append");
      return false;
    }
    m.stampDate();
  }
  m.h.count = uint32_t(n);
  m.recno = n;
  m.row = m.disk = m.blankRow();
  m.dirty = false;
  m.pendingMemo.clear();
  return true;
}

bool Table::lockRow(int64_t recno) {
  Impl& m = *impl_;
  if (recno < 1) return false;
  if (recno > int64_t(m.h.count) && m.shared()) m.refreshCount();
  if (recno > int64_t(m.h.count)) return false;
  if (!m.locks->lockRow(recno)) {
    setNetError(true);
    return false;
  }
  if (m.shared()) {
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
  if (m.shared()) {
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
  impl_->flush();
  impl_->writeHeld();
}

void Table::commit() {
  Impl& m = *impl_;
  m.flush();
  if (m.readOnly) return;
  m.writeHeld();
  if (!m.file.sync() || (m.memo && !m.memo->sync()))
    fail(kGenWrite, errno, std::string("cannot flush to disk: ") + std::strerror(errno), m.path, "commit");
}

bool Table::pack() {
  Impl& m = *impl_;
  m.flush();
  if (!m.writable("pack")) return false;
  if (!m.writeHeld()) return false;
  if (m.mode != OpenMode::Exclusive) {
    fail(kGenShared, 0, "pack needs exclusive use", m.path, "pack");
    return false;
  }
  const std::string work = resolveName(packWorkName(m.path));
  const std::string workMemo = memoNameFor(work);
  auto abandon = [&](int gen, const std::string& fault) {
    removeFile(work);
    if (m.memo) removeFile(workMemo);
    fail(gen, 0, gen == kGenCorruption ? damaged(m.path, "pack: " + fault) : "pack: " + fault, m.path, "pack");
    return false;
  };
  std::string header(m.h.headerLen, '\0');
  if (m.file.readAt(0, header.data(), header.size()) != long(header.size()))
    return abandon(kGenRead, "cannot read the header");
  header.replace(4, 4, countBytes(0));
  // The work memo file exists before the work table and until the work
  // table is renamed: a work table without it is a finished one (see
  // finishInterruptedPack).
  while (removeFile(work)) {
  }
  std::unique_ptr<MemoFile> outMemo;
  std::string fault;
  if (m.memo) {
    while (removeFile(workMemo)) {
    }
    outMemo = MemoFile::create(workMemo, &fault, m.memo->blockSize());
    if (!outMemo) return abandon(kGenCreate, fault);
  }
  int err = 0;
  auto out = File::create(work, &err);
  if (!out) return abandon(kGenCreate, std::string("cannot create the work file: ") + std::strerror(err));
  if (!out->tryLock(kOpenMarker, 1, true)) return abandon(kGenCreate, "the work file is in use");
  std::string buffer = header;
  uint64_t written = 0;
  uint32_t kept = 0;
  std::string r(m.h.recordLen, '\0');
  for (int64_t n = 1; n <= int64_t(m.h.count); ++n) {
    if (m.file.readAt(m.rowOffset(n), r.data(), r.size()) != long(r.size()))
      return abandon(kGenCorruption, "row " + std::to_string(n) + " cannot be read whole");
    if (r[0] == '*') continue;
    for (int i = 0; i < fieldCount(); ++i) {
      const FieldDef& f = m.h.fields[size_t(i)];
      if (f.type != 'M') continue;
      auto ref = decodeMemoRef(m.fieldBytes(r, i), m.binaryRefs());
      if (!ref) return abandon(kGenCorruption, "damaged memo pointer in row " + std::to_string(n));
      if (*ref == 0) continue;
      auto text = m.memo->read(*ref, &fault);
      if (!text) return abandon(kGenCorruption, "row " + std::to_string(n) + ": " + fault);
      auto block = outMemo->write(0, *text, &fault);
      if (!block) return abandon(kGenWrite, fault);
      r.replace(m.h.offsets[size_t(i)], size_t(f.width), encodeMemoRef(*block, f.width, m.binaryRefs()));
    }
    buffer += r;
    ++kept;
    if (buffer.size() >= (1u << 16)) {
      if (!out->writeAt(written, buffer.data(), buffer.size())) return abandon(kGenWrite, std::strerror(errno));
      written += buffer.size();
      buffer.clear();
    }
  }
  buffer.push_back('\x1A');
  std::string count = countBytes(kept);
  if (!out->writeAt(written, buffer.data(), buffer.size()) || !out->writeAt(4, count.data(), count.size()) ||
      !out->sync() || (outMemo && !outMemo->sync()))
    return abandon(kGenWrite, std::strerror(errno));
  const std::string memoPath = m.memo ? m.memo->path() : std::string();
  if (m.memo && !renameFile(workMemo, memoPath)) return abandon(kGenWrite, "cannot rename the work memo file");
  if (!renameFile(work, m.path)) {
    // The new memo file is in place: the next opener finishes the rename.
    fail(kGenWrite, errno, std::string("pack: cannot rename the work file: ") + std::strerror(errno), m.path, "pack");
    return false;
  }
  if (m.memo) {
    // Opened again only so that messages name it by its own name; the work
    // handle is the same file.
    m.memo = MemoFile::open(memoPath, true, &fault);
    if (!m.memo) m.memo = std::move(outMemo);
  }
  m.locks->unlockAll();
  m.view = FileView();
  m.file = std::move(*out);
  m.h.count = kept;
  m.clearBuffer();
  return true;
}

std::vector<std::string> Table::check() {
  Impl& m = *impl_;
  m.flush();
  m.writeHeld();
  std::vector<std::string> faults;
  std::string fixed(kDbfFixedHeader, '\0');
  long got = m.file.readAt(0, fixed.data(), fixed.size());
  int64_t size = m.file.size();  // after the count (see refreshCount)
  DbfHeader h;
  std::string fault = parseFixedHeader(fixed.substr(0, size_t(std::max(got, 0L))), uint64_t(std::max<int64_t>(size, 0)), h);
  if (fault.empty()) {
    std::string header(h.headerLen, '\0');
    fault = m.file.readAt(0, header.data(), header.size()) == long(header.size()) ? parseDescriptors(header, h)
                                                                                   : "header cannot be read whole";
  }
  if (fault.empty()) fault = checkCount(h, h.count, uint64_t(size));
  if (!fault.empty()) return {fault};
  if (h.fields.size() != m.h.fields.size() || h.recordLen != m.h.recordLen || h.headerLen != m.h.headerLen)
    return {"the header changed while the table was open"};
  std::vector<std::pair<int64_t, uint32_t>> refs;
  std::string r(h.recordLen, '\0');
  for (int64_t n = 1; n <= int64_t(h.count); ++n) {
    if (m.file.readAt(m.rowOffset(n), r.data(), r.size()) != long(r.size())) {
      faults.push_back("row " + std::to_string(n) + " cannot be read whole");
      break;
    }
    auto bad = [&](const FieldDef& f, const std::string& what) {
      faults.push_back("row " + std::to_string(n) + ", field " + f.name + ": " + what);
    };
    if (r[0] != ' ' && r[0] != '*') faults.push_back("row " + std::to_string(n) + ": bad deletion flag");
    for (int i = 0; i < int(h.fields.size()); ++i) {
      const FieldDef& f = h.fields[size_t(i)];
      std::string_view b = m.fieldBytes(r, i);
      switch (f.type) {
        case 'N':
        case 'F':
          if (!numericTextSound(b)) bad(f, "not a number");
          break;
        case 'D':
          if (b.find_first_not_of(' ') != std::string_view::npos && dtosToJulian(b) == 0) bad(f, "not a date");
          break;
        case 'L':
          if (std::string_view("TtFfYyNn? ").find(b[0]) == std::string_view::npos) bad(f, "not a logical");
          break;
        case 'M': {
          auto ref = decodeMemoRef(b, m.binaryRefs());
          if (!ref)
            bad(f, "damaged memo pointer");
          else if (*ref != 0)
            refs.emplace_back(n, *ref);
          break;
        }
        default:
          break;
      }
    }
  }
  if (m.memo) {
    for (auto& f : m.memo->check(refs)) faults.push_back("memo file: " + f);
  } else if (!refs.empty()) {
    faults.push_back("memo pointers without a memo file");
  }
  return faults;
}

}  // namespace xb::engine
