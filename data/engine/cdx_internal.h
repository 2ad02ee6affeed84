// Internal state of an open compound index file, shared by cdx.cpp (trees,
// locks, cursors) and cdx_check.cpp (the consistency checker). Not part of
// the engine's interface.
#pragma once

#include <array>
#include <functional>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "data/engine/cdx.h"
#include "data/engine/cdx_page.h"
#include "data/engine/os_file.h"

namespace xb::engine::cdx {

constexpr uint32_t kHeaderSize = 1024;
constexpr int kMaxDepth = 32;
constexpr int kTagNameLength = 10;

// A tag header (and the directory's header), decoded; `raw` keeps the bytes
// this code does not interpret so that rewriting a header preserves them.
struct Header {
  std::array<uint8_t, kHeaderSize> raw{};
  uint32_t root = kNone;
  uint32_t freeHead = kNone;
  uint32_t counter = 0;
  int keyLength = 0;
  uint8_t options = 0;
  bool descending = false;
  std::string keyExpr;
  std::string forExpr;
};

constexpr uint8_t kOptUnique = 0x01;
constexpr uint8_t kOptFor = 0x08;
constexpr uint8_t kOptCompact = 0x20;
constexpr uint8_t kOptDirectory = 0x40;

// Decodes `raw` (kHeaderSize bytes); empty text on success, else the fault.
std::string parseHeader(const uint8_t* raw, Header& h);
// A fresh header for a tag (or the directory) with an empty tree.
Header newHeader(const TagInfo& info, bool directory);
// Writes root, free head and counter back into h.raw.
void patchHeader(Header& h);

// Three-way comparison of (key, recno) pairs over the key bytes.
int compareEntry(std::string_view ak, uint32_t ar, std::string_view bk, uint32_t br);
// Compares the first bound.size() bytes of `key` (at most key.size()) with
// `bound`.
int comparePrefix(std::string_view key, std::string_view bound);

// Name of a directory key: blanks and NULs cut off, upper case.
std::string tagNameOf(std::string_view key);

}  // namespace xb::engine::cdx

namespace xb::engine::cdx {

// Called before every write to an index file with its offset and length;
// tests install one that throws to stop a writer at any chosen write, as a
// killed process would stop. Empty: none.
using WriteObserver = std::function<void(uint64_t offset, size_t length)>;
void setWriteObserver(WriteObserver observer);

// Checks the whole file as it is on disk: headers, every tree, sibling
// links, parent keys, order, unique tags, the free list and that no page
// serves twice. `fillOf` gives the trailing fill byte of a tag by name.
// Returns one text per fault found; empty when sound.
std::vector<std::string> checkFile(const File& file, const std::function<uint8_t(const std::string&)>& fillOf);

}  // namespace xb::engine::cdx
