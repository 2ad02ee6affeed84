#include "data/engine/field_codec.h"

#include <algorithm>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "data/engine/byte_order.h"
#include "xbase/text.h"

namespace xb::engine {

namespace {

bool validDate(int y, int m, int d) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= (m == 2 && leap ? 29 : days[m - 1]);
}

uint64_t le64(std::string_view b) { return uint64_t(le32(b, 0)) | (uint64_t(le32(b, 4)) << 32); }

double parseNumber(std::string_view text) {
  std::string_view t = xb::trim(text, " \t");
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  double v = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  if (r.ec != std::errc() || !std::isfinite(v)) return 0;
  return v;
}

}  // namespace

bool memoPointerType(char type) { return type == 'M' || type == 'G' || type == 'P' || type == 'W'; }

bool writableType(char type) { return std::strchr("CNFDLM", type) != nullptr && type != '\0'; }

std::string validateFieldDef(FieldDef& f) {
  if (f.name.empty() || f.name.size() > 10) return "el nombre de campo \"" + f.name + "\" debe tener de 1 a 10 caracteres";
  for (size_t i = 0; i < f.name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(f.name[i]);
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (i > 0 && ((c >= '0' && c <= '9') || c == '_'));
    if (!ok) return "el nombre de campo \"" + f.name + "\" debe empezar por una letra y tener solo letras, cifras y _";
    if (c >= 'a' && c <= 'z') f.name[i] = char(c - 'a' + 'A');
  }
  f.type = (f.type >= 'a' && f.type <= 'z') ? char(f.type - 'a' + 'A') : f.type;
  auto bad = [&](const std::string& what) { return "campo " + f.name + ": " + what; };
  switch (f.type) {
    case 'C':
      if (f.width < 1 || f.width > 254) return bad("la anchura de un campo de caracteres va de 1 a 254");
      if (f.decimals != 0) return bad("los campos de caracteres no tienen decimales");
      return {};
    case 'N':
    case 'F':
      if (f.width < 1 || f.width > 20) return bad("la anchura de un campo numérico va de 1 a 20");
      if (f.decimals < 0 || f.decimals > 15 || (f.decimals > 0 && f.decimals > f.width - 2))
        return bad("los decimales de un campo numérico deben dejar sitio al punto y a una cifra");
      return {};
    case 'D':
      if (f.width != 8 || f.decimals != 0) return bad("los campos de fecha tienen anchura 8");
      return {};
    case 'L':
      if (f.width != 1 || f.decimals != 0) return bad("los campos lógicos tienen anchura 1");
      return {};
    case 'M':
      if (f.width != 10 || f.decimals != 0) return bad("los campos memo tienen anchura 10");
      return {};
    default:
      return bad(std::string("tipo de campo desconocido '") + f.type + "'");
  }
}

int32_t dtosToJulian(std::string_view text) {
  if (text.size() != 8) return 0;
  int parts[3] = {0, 0, 0};
  const size_t len[3] = {4, 2, 2};
  size_t at = 0;
  for (int p = 0; p < 3; ++p) {
    for (size_t i = 0; i < len[p]; ++i, ++at) {
      char c = text[at];
      if (c < '0' || c > '9') return 0;
      parts[p] = parts[p] * 10 + (c - '0');
    }
  }
  int y = parts[0], m = parts[1], d = parts[2];
  if (!validDate(y, m, d)) return 0;
  int a = (14 - m) / 12;
  int yy = y + 4800 - a;
  int mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

std::string julianToDtos(int32_t jd) {
  if (jd <= 0) return std::string(8, ' ');
  int64_t a = int64_t(jd) + 32044;
  int64_t b = (4 * a + 3) / 146097;
  int64_t c = a - 146097 * b / 4;
  int64_t d = (4 * c + 3) / 1461;
  int64_t e = c - 1461 * d / 4;
  int64_t m = (5 * e + 2) / 153;
  int64_t day = e - (153 * m + 2) / 5 + 1;
  int64_t month = m + 3 - 12 * (m / 10);
  int64_t year = 100 * b + d - 4800 + m / 10;
  if (!validDate(int(year), int(month), int(day))) return std::string(8, ' ');
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", int(year), int(month), int(day));
  return buf;
}

bool numericTextSound(std::string_view bytes) {
  std::string_view t = xb::trim(bytes, " \t");
  if (t.empty()) return true;
  size_t i = 0;
  if (t[0] == '-' || t[0] == '+') ++i;
  bool digits = false, point = false;
  for (; i < t.size(); ++i) {
    if (t[i] >= '0' && t[i] <= '9')
      digits = true;
    else if (t[i] == '.' && !point)
      point = true;
    else
      return false;
  }
  return digits;
}

std::optional<std::string> formatNumber(double v, int width, int decimals) {
  if (!std::isfinite(v) || width < 1 || decimals < 0 || decimals > 15) return std::nullopt;
  double scale = std::pow(10.0, decimals);
  double scaled = v * scale;
  // Half away from zero, forgiving the binary error of values such as 1.005
  // (a few units in the last place); whole values are taken as they are.
  double nudge = scaled == std::trunc(scaled) ? 0.0 : std::fabs(scaled) * 4 * DBL_EPSILON;
  double rounded = std::round(scaled >= 0 ? scaled + nudge : scaled - nudge);
  if (std::fabs(rounded) >= 1e21) return std::nullopt;
  if (rounded == 0) rounded = 0;  // no "-0.00"
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, rounded / scale);
  if (n <= 0 || n > width) return std::nullopt;
  return std::string(size_t(width - n), ' ') + std::string(buf, size_t(n));
}

Value decodeField(const FieldDef& f, std::string_view bytes) {
  switch (f.type) {
    case 'C':
      return Value(std::string(bytes));
    case 'N':
    case 'F':
      return Value(parseNumber(bytes), f.decimals);
    case 'D':
      return Value(Date{dtosToJulian(bytes)});
    case 'L':
      return Value(!bytes.empty() && std::strchr("TtYy", bytes[0]) != nullptr && bytes[0] != '\0');
    case 'I':
      if (bytes.size() == 4) return Value(int64_t(int32_t(le32(bytes, 0))));
      break;
    case 'B':
      if (bytes.size() == 8) {
        uint64_t bits = le64(bytes);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return Value(std::isfinite(d) ? d : 0.0, f.decimals);
      }
      break;
    case 'Y':
      if (bytes.size() == 8) return Value(double(int64_t(le64(bytes))) / 10000.0, 4);
      break;
    case 'T':
      if (bytes.size() == 8) {
        int32_t jd = int32_t(le32(bytes, 0));
        return Value(Date{jd > 0 && jd <= 5373484 ? jd : 0});
      }
      break;
    default:
      break;
  }
  return Value(std::string(bytes));
}

EncodeFault encodeField(const FieldDef& f, const Value& v, std::string& out) {
  const size_t w = size_t(f.width);
  switch (f.type) {
    case 'C': {
      if (!v.isText()) return EncodeFault::Type;
      std::string s = v.text().substr(0, w);
      s.resize(w, ' ');
      out = std::move(s);
      return EncodeFault::None;
    }
    case 'N':
    case 'F': {
      if (!v.isNumber()) return EncodeFault::Type;
      auto s = formatNumber(v.num(), f.width, f.decimals);
      if (!s) return EncodeFault::Width;
      out = std::move(*s);
      return EncodeFault::None;
    }
    case 'D': {
      if (!v.isDate() || w != 8) return EncodeFault::Type;
      out = julianToDtos(v.date().jd);
      return EncodeFault::None;
    }
    case 'L': {
      if (!v.isLogical() || w < 1) return EncodeFault::Type;
      out = std::string(w, ' ');
      out[0] = v.logical() ? 'T' : 'F';
      return EncodeFault::None;
    }
    default:
      return EncodeFault::Type;
  }
}

std::optional<uint32_t> decodeMemoRef(std::string_view bytes, bool binary) {
  if (binary) {
    if (bytes.size() != 4) return std::nullopt;
    return le32(bytes, 0);
  }
  std::string_view t = xb::trim(bytes, " \t");
  if (t.empty()) return 0u;
  uint64_t n = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + uint64_t(c - '0');
    if (n > 0xFFFFFFFFu) return std::nullopt;
  }
  return uint32_t(n);
}

std::string encodeMemoRef(uint32_t block, int width, bool binary) {
  if (binary) {
    std::string b(4, '\0');
    for (int i = 0; i < 4; ++i) b[size_t(i)] = char((block >> (8 * i)) & 0xFF);
    return b;
  }
  if (block == 0) return std::string(size_t(width), ' ');
  std::string digits = std::to_string(block);
  if (digits.size() > size_t(width)) return std::string(size_t(width), ' ');
  return std::string(size_t(width) - digits.size(), ' ') + digits;
}

}  // namespace xb::engine
