// Table maintenance: pack (removing deleted rows and unused memo space),
// appending every row of another table file, and the consistency check.
// The write order of a pack is described at the top of table.cpp.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "data/engine/field_codec.h"
#include "data/engine/table_internal.h"

namespace xb::engine {

using namespace table_detail;

namespace {

// "Name.dbf" -> "Name~pk.dbf": the work file of a pack, in the same folder.
std::string packWorkName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + "~pk";
  return path.substr(0, dot) + "~pk" + path.substr(dot);
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

bool table_detail::finishInterruptedPack(const std::string& table, bool hasMemo) {
  auto work = findCaseInsensitive(packWorkName(table));
  if (!work) return false;
  auto workMemo = findCaseInsensitive(Table::memoNameFor(*work));
  if (hasMemo && !workMemo) return renameFile(*work, table);
  removeFile(*work);
  if (workMemo) removeFile(*workMemo);
  return false;
}


int64_t Table::appendFrom(Table& target, const std::string& sourcePath, bool withDeleted) {
  auto source = open(sourcePath, OpenMode::ReadOnly);
  if (!source) return -1;
  return appendFrom(target, *source, withDeleted);
}

int64_t Table::appendFrom(Table& target, Table& sourceTable, bool withDeleted) {
  Table* source = &sourceTable;
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

bool Table::pack() {
  Impl& m = *impl_;
  m.flush();
  if (!m.writable("pack")) return false;
  if (!m.writeHeld()) return false;
  if (m.mode != OpenMode::Exclusive) {
    fail(kGenShared, 0, "compactar " + baseName(m.path) + " requiere uso exclusivo", m.path, "pack");
    return false;
  }
  const std::string work = resolveName(packWorkName(m.path));
  const std::string workMemo = memoNameFor(work);
  auto abandon = [&](int gen, const std::string& fault) {
    removeFile(work);
    if (m.memo) removeFile(workMemo);
    fail(gen, 0, gen == kGenCorruption ? damaged(m.path, "al compactar: " + fault) : "al compactar " + baseName(m.path) + ": " + fault, m.path, "pack");
    return false;
  };
  std::string header(m.h.headerLen, '\0');
  if (m.file.readAt(0, header.data(), header.size()) != long(header.size()))
    return abandon(kGenRead, "no se puede leer la cabecera");
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
  if (!out) return abandon(kGenCreate, "no se puede crear el archivo de trabajo: " + systemReason(err));
  if (!out->tryLock(kOpenMarker, 1, true)) return abandon(kGenCreate, "el archivo de trabajo está en uso");
  std::string buffer = header;
  uint64_t written = 0;
  uint32_t kept = 0;
  std::string r(m.h.recordLen, '\0');
  for (int64_t n = 1; n <= int64_t(m.h.count); ++n) {
    if (m.file.readAt(m.rowOffset(n), r.data(), r.size()) != long(r.size()))
      return abandon(kGenCorruption, "la fila " + std::to_string(n) + " no se puede leer entera");
    if (r[0] == '*') continue;
    for (int i = 0; i < fieldCount(); ++i) {
      const FieldDef& f = m.h.fields[size_t(i)];
      if (!memoPointerType(f.type)) continue;
      auto ref = decodeMemoRef(m.fieldBytes(r, i), m.binaryRefs());
      if (!ref) return abandon(kGenCorruption, "puntero de memo dañado en la fila " + std::to_string(n));
      if (*ref == 0) continue;
      auto blockRead = m.memo->readBlock(*ref, &fault);
      if (!blockRead) return abandon(kGenCorruption, "fila " + std::to_string(n) + ": " + fault);
      auto block = outMemo->write(blockRead->bytes, &fault, blockRead->kind);
      if (!block) return abandon(kGenWrite, fault);
      r.replace(m.h.offsets[size_t(i)], size_t(f.width), encodeMemoRef(*block, f.width, m.binaryRefs()));
    }
    buffer += r;
    ++kept;
    if (buffer.size() >= (1u << 16)) {
      if (!out->writeAt(written, buffer.data(), buffer.size())) return abandon(kGenWrite, systemReason(errno));
      written += buffer.size();
      buffer.clear();
    }
  }
  buffer.push_back('\x1A');
  std::string count = countBytes(kept);
  if (!out->writeAt(written, buffer.data(), buffer.size()) || !out->writeAt(4, count.data(), count.size()) ||
      !out->sync() || (outMemo && !outMemo->sync()))
    return abandon(kGenWrite, systemReason(errno));
  const std::string memoPath = m.memo ? m.memo->path() : std::string();
  if (m.memo && !renameFile(workMemo, memoPath)) return abandon(kGenWrite, "no se puede renombrar el archivo de memos de trabajo");
  if (!renameFile(work, m.path)) {
    // The new memo file is in place: the next opener finishes the rename.
    fail(kGenWrite, errno, "al compactar " + baseName(m.path) + ": no se puede renombrar el archivo de trabajo: " + systemReason(errno), m.path, "pack");
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
        case 'M':
        case 'G':
        case 'P':
        case 'W': {
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
