#include "data/engine/dbf_header.h"

#include <ctime>

#include "data/engine/byte_order.h"

namespace xb::engine {

namespace {


}  // namespace

bool knownVersion(uint8_t v) { return v == 0x03 || v == 0xF5 || v == 0x30 || v == 0x31 || v == 0x32; }
bool writableVersion(uint8_t v) { return v == 0x03 || v == 0xF5; }
bool binaryMemoRefs(uint8_t v) { return v == 0x30 || v == 0x31 || v == 0x32; }

std::string parseFixedHeader(std::string_view b, uint64_t fileSize, DbfHeader& h) {
  if (b.size() < kDbfFixedHeader || fileSize < kDbfFixedHeader) return "el archivo es más corto que la cabecera de una tabla";
  h.version = uint8_t(b[0]);
  if (!knownVersion(h.version)) return "versión de tabla desconocida " + std::to_string(h.version);
  h.year = uint8_t(b[1]);
  h.month = uint8_t(b[2]);
  h.day = uint8_t(b[3]);
  h.count = le32(b, 4);
  h.headerLen = le16(b, 8);
  h.recordLen = le16(b, 10);
  h.flags = uint8_t(b[28]);
  h.codePage = uint8_t(b[29]);
  if (h.headerLen < kDbfFixedHeader + kDbfDescriptor + 1)
    return "la cabecera dice medir " + std::to_string(h.headerLen) + " bytes, demasiado poco";
  if (h.headerLen > fileSize) return "la cabecera dice medir " + std::to_string(h.headerLen) + " bytes, más que el archivo";
  if (h.recordLen < 2) return "la longitud de fila " + std::to_string(h.recordLen) + " es demasiado pequeña";
  return {};
}

std::string parseDescriptors(std::string_view header, DbfHeader& h) {
  if (header.size() < h.headerLen) return "la cabecera es más corta de lo que dice medir";
  h.fields.clear();
  h.offsets.clear();
  uint32_t at = 1;  // after the deletion flag
  size_t pos = kDbfFixedHeader;
  bool terminated = false;
  while (pos + kDbfDescriptor <= h.headerLen) {
    if (uint8_t(header[pos]) == 0x0D) {
      terminated = true;
      break;
    }
    std::string_view d = header.substr(pos, kDbfDescriptor);
    FieldDef f;
    size_t n = 0;
    while (n < 11 && d[n] != '\0') ++n;
    f.name.assign(d.substr(0, n));
    while (!f.name.empty() && f.name.back() == ' ') f.name.pop_back();
    const std::string where = "el campo " + std::to_string(h.fields.size() + 1);
    if (f.name.empty()) return where + " no tiene nombre";
    for (char c : f.name)
      if (uint8_t(c) < 0x20) return where + " tiene el nombre dañado";
    f.type = d[11];
    if (uint8_t(f.type) < 0x20) return where + " (" + f.name + ") tiene el tipo dañado";
    f.width = uint8_t(d[16]);
    f.decimals = uint8_t(d[17]);
    if (f.type == 'C' && f.decimals > 0) {  // long character fields keep the high byte in decimals
      f.width += 256 * f.decimals;
      f.decimals = 0;
    }
    if (f.width < 1) return where + " (" + f.name + ") tiene anchura 0";
    if ((f.type == 'N' || f.type == 'F') && f.decimals >= f.width && f.decimals > 0)
      return where + " (" + f.name + ") tiene más decimales que anchura";
    const bool pointer = f.type == 'M' || f.type == 'G' || f.type == 'P' || f.type == 'W';
    const bool eight = f.type == 'D' || f.type == 'B' || f.type == 'T' || f.type == 'Y';
    if ((eight && f.width != 8) || (f.type == 'L' && f.width != 1) || (f.type == 'I' && f.width != 4) ||
        (pointer && f.width != (binaryMemoRefs(h.version) ? 4 : 10)))
      return where + " (" + f.name + ") tiene anchura " + std::to_string(f.width) + " para el tipo " + f.type;
    if (uint64_t(at) + uint64_t(f.width) > h.recordLen)
      return where + " (" + f.name + ") pasa de la longitud de fila " + std::to_string(h.recordLen);
    for (const auto& g : h.fields)
      if (g.name == f.name) return "el nombre de campo " + f.name + " aparece dos veces";
    h.offsets.push_back(at);
    at += uint32_t(f.width);
    h.fields.push_back(std::move(f));
    pos += kDbfDescriptor;
  }
  if (!terminated && pos < h.headerLen && uint8_t(header[pos]) != 0x0D)
    return "las descripciones de campos pasan del final de la cabecera";
  if (h.fields.empty()) return "no hay descripciones de campos";
  return {};
}

std::string checkCount(const DbfHeader& h, uint32_t count, uint64_t fileSize) {
  uint64_t need = uint64_t(h.headerLen) + uint64_t(count) * h.recordLen;
  if (need > fileSize)
    return "la cabecera cuenta " + std::to_string(count) + " filas, que necesitan " + std::to_string(need) +
           " bytes, y el archivo tiene " + std::to_string(fileSize);
  return {};
}

DbfHeader newHeader(const Structure& fields) {
  DbfHeader h;
  h.fields = fields;
  bool memo = false;
  uint32_t at = 1;
  for (const auto& f : fields) {
    h.offsets.push_back(at);
    at += uint32_t(f.width);
    memo = memo || f.type == 'M';
  }
  h.version = memo ? 0xF5 : 0x03;
  h.flags = memo ? 0x02 : 0x00;
  h.recordLen = uint16_t(at);
  h.headerLen = uint16_t(kDbfFixedHeader + kDbfDescriptor * fields.size() + 1);
  std::string today = todayBytes();
  h.year = uint8_t(today[0]);
  h.month = uint8_t(today[1]);
  h.day = uint8_t(today[2]);
  return h;
}

std::string headerBytes(const DbfHeader& h) {
  std::string b(h.headerLen, '\0');
  b[0] = char(h.version);
  b[1] = char(h.year);
  b[2] = char(h.month);
  b[3] = char(h.day);
  putLe32(b, 4, h.count);
  putLe16(b, 8, h.headerLen);
  putLe16(b, 10, h.recordLen);
  b[28] = char(h.flags);
  b[29] = char(h.codePage);
  size_t pos = kDbfFixedHeader;
  for (size_t i = 0; i < h.fields.size(); ++i, pos += kDbfDescriptor) {
    const FieldDef& f = h.fields[i];
    for (size_t k = 0; k < f.name.size() && k < 10; ++k) b[pos + k] = f.name[k];
    b[pos + 11] = f.type;
    putLe32(b, pos + 12, h.offsets[i]);
    b[pos + 16] = char(f.width & 0xFF);
    b[pos + 17] = char(f.type == 'C' ? (f.width >> 8) : f.decimals);
  }
  if (pos < b.size()) b[pos] = 0x0D;
  return b;
}

std::string countBytes(uint32_t count) {
  std::string b(4, '\0');
  putLe32(b, 0, count);
  return b;
}

std::string todayBytes() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {char(tm.tm_year), char(tm.tm_mon + 1), char(tm.tm_mday)};
}

}  // namespace xb::engine
