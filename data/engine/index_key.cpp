#include "data/engine/index_key.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace xb::engine {

std::optional<KeyType> keyTypeOf(const Value& v) {
  switch (v.type()) {
    case Type::Text: return KeyType::Character;
    case Type::Number: return KeyType::Numeric;
    case Type::Date: return KeyType::Date;
    case Type::Logical: return KeyType::Logical;
    default: return std::nullopt;
  }
}

uint8_t keyFill(KeyType t) {
  return t == KeyType::Numeric || t == KeyType::Date ? 0x00 : 0x20;
}

int naturalKeyLength(const Value& v) {
  switch (v.type()) {
    case Type::Text: return v.text().empty() ? 1 : int(v.text().size());
    case Type::Number:
    case Type::Date: return 8;
    default: return 1;
  }
}

std::string encodeNumberKey(double d) {
  if (d == 0) d = 0;  // -0 sorts with 0
  uint64_t bits = std::bit_cast<uint64_t>(d);
  if (bits >> 63)
    bits = ~bits;
  else
    bits |= uint64_t(1) << 63;
  std::string out(8, '\0');
  for (int i = 0; i < 8; ++i) out[i] = char(uint8_t(bits >> (56 - 8 * i)));
  return out;
}

double decodeNumberKey(std::string_view bytes) {
  if (bytes.size() != 8) return 0;
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits = (bits << 8) | uint8_t(bytes[i]);
  if (bits >> 63)
    bits &= ~(uint64_t(1) << 63);
  else
    bits = ~bits;
  return std::bit_cast<double>(bits);
}

std::string encodeDateKey(Date d) { return encodeNumberKey(double(d.jd)); }

Date decodeDateKey(std::string_view bytes) {
  double v = decodeNumberKey(bytes);
  if (!(v >= 0 && v <= 1e8)) return Date{};
  return Date{int32_t(std::llround(v))};
}

std::optional<std::string> encodeKey(const Value& v, int keyLength) {
  if (keyLength < 1) return std::nullopt;
  switch (v.type()) {
    case Type::Text: {
      std::string s = v.text().substr(0, size_t(keyLength));
      s.resize(size_t(keyLength), ' ');
      return s;
    }
    case Type::Number: return encodeNumberKey(v.num());
    case Type::Date: return encodeDateKey(v.date());
    case Type::Logical: return std::string(v.logical() ? "T" : "F");
    default: return std::nullopt;
  }
}

Value decodeKey(std::string_view bytes, KeyType t) {
  switch (t) {
    case KeyType::Numeric: return Value::number(decodeNumberKey(bytes));
    case KeyType::Date: return Value(decodeDateKey(bytes));
    case KeyType::Logical: return Value(!bytes.empty() && bytes[0] == 'T');
    case KeyType::Character: break;
  }
  return Value(std::string(bytes));
}

}  // namespace xb::engine
