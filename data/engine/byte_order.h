// Integers in the byte orders the table, memo and index files use: little-
// endian (LE) in table headers and index pages, big-endian (BE) in memo
// files and in index entries' record and page numbers. The caller has
// checked that the bytes are there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace xb::engine {

inline uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint32_t be32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
inline void putLe16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void putLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void putBe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}

// The same over the bytes of a text, at byte `at`.
inline const uint8_t* bytesAt(std::string_view b, size_t at) { return reinterpret_cast<const uint8_t*>(b.data() + at); }
inline uint8_t* bytesAt(std::string& b, size_t at) { return reinterpret_cast<uint8_t*>(b.data() + at); }
inline uint16_t le16(std::string_view b, size_t at) { return le16(bytesAt(b, at)); }
inline uint32_t le32(std::string_view b, size_t at) { return le32(bytesAt(b, at)); }
inline uint32_t be32(std::string_view b, size_t at) { return be32(bytesAt(b, at)); }
inline void putLe16(std::string& b, size_t at, uint16_t v) { putLe16(bytesAt(b, at), v); }
inline void putLe32(std::string& b, size_t at, uint32_t v) { putLe32(bytesAt(b, at), v); }
inline void putBe32(std::string& b, size_t at, uint32_t v) { putBe32(bytesAt(b, at), v); }

}  // namespace xb::engine
