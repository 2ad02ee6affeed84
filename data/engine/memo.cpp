#include "data/engine/memo.h"

#include <algorithm>
#include <map>

#include "data/engine/byte_order.h"
#include "data/engine/table_lock.h"

namespace xb::engine {

std::unique_ptr<MemoFile> MemoFile::open(const std::string& path, bool writable, std::string* fault, int* errnoOut) {
  auto f = File::open(path, writable ? File::Mode::ReadWrite : File::Mode::ReadOnly, errnoOut);
  if (!f) {
    *fault = "no se puede abrir el archivo de memos";
    return nullptr;
  }
  unsigned char head[8];
  if (f->readAt(0, head, sizeof head) != long(sizeof head) || f->size() < int64_t(kMemoHeader)) {
    *fault = "el archivo de memos es más corto que su cabecera";
    return nullptr;
  }
  uint32_t blockSize = uint32_t(head[6]) << 8 | head[7];
  if (blockSize == 0) {
    *fault = "el tamaño de bloque de los memos es 0";
    return nullptr;
  }
  return std::make_unique<MemoFile>(Key{}, std::move(*f), blockSize);
}

std::unique_ptr<MemoFile> MemoFile::create(const std::string& path, std::string* fault, uint32_t blockSize) {
  auto f = File::create(path);
  if (!f) {
    *fault = "no se puede crear el archivo de memos";
    return nullptr;
  }
  auto m = std::make_unique<MemoFile>(Key{}, std::move(*f), blockSize);
  std::string head(kMemoHeader, '\0');
  putBe32(head, 0, m->firstBlock());
  head[6] = char(blockSize >> 8);
  head[7] = char(blockSize & 0xFF);
  uint64_t padded = uint64_t(m->firstBlock()) * blockSize;
  head.resize(size_t(std::max<uint64_t>(padded, kMemoHeader)), '\0');
  if (!m->file_.writeAt(0, head.data(), head.size())) {
    *fault = "no se puede escribir la cabecera de los memos";
    return nullptr;
  }
  return m;
}

uint32_t MemoFile::nextFree(std::string* fault) {
  unsigned char b[4];
  if (file_.readAt(0, b, 4) != 4) {
    *fault = "no se puede leer la cabecera de los memos";
    return 0;
  }
  return be32(b);
}

std::optional<std::string> MemoFile::read(uint32_t block, std::string* fault) const {
  auto m = readBlock(block, fault);
  if (!m) return std::nullopt;
  return std::move(m->bytes);
}

std::optional<MemoBlock> MemoFile::readBlock(uint32_t block, std::string* fault) const {
  int64_t size = file_.size();
  uint64_t at = uint64_t(block) * blockSize_;
  if (block < firstBlock()) {
    *fault = "el puntero de memo " + std::to_string(block) + " señala la cabecera de los memos";
    return std::nullopt;
  }
  if (size < 0 || at + 8 > uint64_t(size)) {
    *fault = "el puntero de memo " + std::to_string(block) + " está más allá del final del archivo de memos";
    return std::nullopt;
  }
  unsigned char head[8];
  if (file_.readAt(at, head, 8) != 8) {
    *fault = "no se puede leer el bloque de memo " + std::to_string(block);
    return std::nullopt;
  }
  uint32_t length = be32(head + 4);
  if (uint64_t(length) > uint64_t(size) - at - 8) {
    *fault = "el memo del bloque " + std::to_string(block) + " dice tener " + std::to_string(length) +
             " bytes, más allá del final del archivo de memos";
    return std::nullopt;
  }
  MemoBlock m;
  m.kind = be32(head);
  m.bytes.assign(length, '\0');
  if (length > 0 && file_.readAt(at + 8, m.bytes.data(), length) != long(length)) {
    *fault = "no se puede leer el bloque de memo " + std::to_string(block);
    return std::nullopt;
  }
  return m;
}

bool MemoFile::writeMemo(uint64_t block, std::string_view text, uint64_t blocks, uint32_t kind) {
  std::string b(8, '\0');
  putBe32(b, 0, kind);
  putBe32(b, 4, uint32_t(text.size()));
  b.append(text);
  b.resize(size_t(blocks * blockSize_), '\0');
  return file_.writeAt(block * blockSize_, b.data(), b.size());
}

std::optional<uint32_t> MemoFile::write(std::string_view text, std::string* fault, uint32_t kind) {
  if (text.size() > 0xFFFFFFF0u) {
    *fault = "texto de memo demasiado largo";
    return std::nullopt;
  }
  if (text.empty()) return 0u;
  if (!takeBriefLock(file_, kMemoLock)) {
    *fault = "el archivo de memos está bloqueado por otra copia del programa";
    return std::nullopt;
  }
  struct Unlock {
    File& f;
    ~Unlock() { f.unlock(kMemoLock, 1); }
  } unlock{file_};
  fault->clear();
  uint32_t next = nextFree(fault);
  if (!fault->empty()) return std::nullopt;
  int64_t size = file_.size();
  if (size < 0) {
    *fault = "no se puede saber el tamaño del archivo de memos";
    return std::nullopt;
  }
  // Never below the end of the file (blocks a killed writer left there may
  // be anything), and never trusting a next-free number that points far
  // past the end (a damaged header would grow the file without bound).
  uint64_t end = (uint64_t(size) + blockSize_ - 1) / blockSize_;
  uint64_t start = std::max<uint64_t>({next <= end + 1 ? next : end, firstBlock(), end});
  uint64_t blocks = blocksFor(text.size());
  if (start + blocks > 0xFFFFFFFFu) {
    *fault = "el archivo de memos está lleno";
    return std::nullopt;
  }
  if (!writeMemo(start, text, blocks, kind)) {
    *fault = "no se puede escribir el memo: " + systemReason(errno);
    return std::nullopt;
  }
  std::string head(4, '\0');
  putBe32(head, 0, uint32_t(start + blocks));
  if (!file_.writeAt(0, head.data(), 4)) {
    *fault = "no se puede escribir la cabecera de los memos";
    return std::nullopt;
  }
  return uint32_t(start);
}

std::vector<std::string> MemoFile::check(const std::vector<std::pair<int64_t, uint32_t>>& refs) {
  std::vector<std::string> faults;
  std::string fault;
  uint32_t next = nextFree(&fault);
  if (!fault.empty()) return {fault};
  if (next < firstBlock()) faults.push_back("memo next-free block " + std::to_string(next) + " points into the header");
  int64_t size = file_.size();
  if (size >= 0 && uint64_t(next) > (uint64_t(size) + blockSize_ - 1) / blockSize_ + 1)
    faults.push_back("memo next-free block " + std::to_string(next) + " lies far beyond the end of the file");
  std::map<uint64_t, std::pair<uint64_t, int64_t>> used;  // first block -> (end block, row)
  for (const auto& [row, block] : refs) {
    std::string f;
    auto text = read(block, &f);
    if (!text) {
      faults.push_back("row " + std::to_string(row) + ": " + f);
      continue;
    }
    uint64_t end = uint64_t(block) + blocksFor(text->size());
    if (end > next)
      faults.push_back("row " + std::to_string(row) + ": memo at block " + std::to_string(block) +
                       " lies beyond the next-free block " + std::to_string(next));
    auto [it, fresh] = used.emplace(block, std::make_pair(end, row));
    if (!fresh) {
      faults.push_back("rows " + std::to_string(it->second.second) + " and " + std::to_string(row) +
                       " share memo block " + std::to_string(block));
      continue;
    }
    if (it != used.begin() && std::prev(it)->second.first > block)
      faults.push_back("memo of row " + std::to_string(row) + " overlaps the memo of row " +
                       std::to_string(std::prev(it)->second.second));
    if (auto nx = std::next(it); nx != used.end() && end > nx->first)
      faults.push_back("memo of row " + std::to_string(row) + " overlaps the memo of row " +
                       std::to_string(nx->second.second));
  }
  return faults;
}

}  // namespace xb::engine
