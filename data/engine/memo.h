// The memo file (.fpt) of a table: variable-length texts in fixed-size
// blocks.
//
//   header, 512 bytes: 0..3 next free block (uint32 BE), 6..7 block size
//   (uint16 BE, 64 when this engine creates the file), the rest zero.
//   Block n starts at n * block size; the first usable block is the first
//   one after the header (8 with 64-byte blocks).
//   a memo: 0..3 kind (uint32 BE: 1 text, 0 picture, 2 object), 4..7 length
//   (uint32 BE), then the bytes; it takes ceil((8 + length) / block size)
//   whole blocks.
//
// Write order (a process killed at any instant leaves a sound file, and
// every row sees its old memo or its new one whole): a memo is never
// rewritten in place. Every new text goes to new blocks (at the next free
// block, never below the end of the file, so blocks a killed writer left
// behind are never read as live), then the header's next-free number
// moves past them, and only then does the table write the row, whose
// pointer moves to the new blocks in that one write. The old blocks stay
// as they were until packing gives their space back.
//
// The next-free number is read and advanced under the memo lock (see
// table_lock.h); one that points more than a block past the end of the file
// is damaged and the end of the file is used instead. Every pointer and
// length read is checked against the file.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/engine/os_file.h"

namespace xb::engine {

inline constexpr uint32_t kMemoHeader = 512;
inline constexpr uint32_t kMemoDefaultBlock = 64;
inline constexpr uint32_t kMemoText = 1;

// One memo as stored: its kind and its bytes.
struct MemoBlock {
  uint32_t kind = kMemoText;
  std::string bytes;
};

class MemoFile {
 public:
  // Opens an existing memo file. Nothing (with *fault) when it cannot be
  // opened (*errnoOut set) or its header is damaged.
  static std::unique_ptr<MemoFile> open(const std::string& path, bool writable, std::string* fault,
                                        int* errnoOut = nullptr);
  // Creates an empty memo file (replacing any file of that exact name).
  static std::unique_ptr<MemoFile> create(const std::string& path, std::string* fault,
                                          uint32_t blockSize = kMemoDefaultBlock);

  // Only open() and create() construct memo files (see Table::Key).
  class Key {
    friend class MemoFile;
    Key() = default;
  };
  MemoFile(Key, File f, uint32_t blockSize) : file_(std::move(f)), blockSize_(blockSize) {}

  const std::string& path() const { return file_.path(); }
  uint32_t blockSize() const { return blockSize_; }
  uint32_t firstBlock() const { return (kMemoHeader + blockSize_ - 1) / blockSize_; }
  // The header's next-free number as it is on disk now (0 with *fault when
  // it cannot be read).
  uint32_t nextFree(std::string* fault);

  // The memo starting at `block`; nothing (with *fault) when the pointer or
  // the length points outside the file.
  std::optional<MemoBlock> readBlock(uint32_t block, std::string* fault) const;
  // Its bytes only.
  std::optional<std::string> read(uint32_t block, std::string* fault) const;

  // Stores `text` in new blocks, under the memo lock, and answers the first
  // (0 for an empty text, which needs no block). Nothing (with *fault) on a
  // write failure or a refused memo lock; the file then holds at most some
  // unused blocks past its next-free number.
  std::optional<uint32_t> write(std::string_view text, std::string* fault, uint32_t kind = kMemoText);

  // Checks the memos that rows point at (row number, block): each lies
  // inside the file and below the next-free block, and no two overlap.
  std::vector<std::string> check(const std::vector<std::pair<int64_t, uint32_t>>& refs);

  bool sync() { return file_.sync(); }

 private:
  // Blocks that a memo of `length` bytes takes.
  uint64_t blocksFor(uint64_t length) const { return (8 + length + blockSize_ - 1) / blockSize_; }
  bool writeMemo(uint64_t block, std::string_view text, uint64_t blocks, uint32_t kind);

  File file_;
  uint32_t blockSize_;
};

}  // namespace xb::engine
