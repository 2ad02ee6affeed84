#include "xbase/codepage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <memory>

namespace xb {

namespace {

// One iconv descriptor per direction, opened on first use.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts `in`; on a byte sequence the target cannot take, calls
  // `onBad(out, in-position)` which appends a replacement and returns how
  // many input bytes it consumed.
  template <class OnBad>
  std::string run(std::string_view in, OnBad onBad) {
    std::string out;
    out.reserve(in.size() * 2 + 8);
    if (!ok()) return std::string(in);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::array<char, 4096> buf;
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    while (srcLeft > 0) {
      char* dst = buf.data();
      size_t dstLeft = buf.size();
      size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buf.data(), buf.size() - dstLeft);
      if (r == static_cast<size_t>(-1)) {
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: replace and skip.
        size_t used = onBad(out, std::string_view(src, srcLeft));
        if (used == 0 || used > srcLeft) used = 1;
        src += used;
        srcLeft -= used;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    return out;
  }

 private:
  iconv_t cd_;
};

// Length of the UTF-8 sequence starting with lead byte c (1 for a stray byte).
size_t utf8SeqLen(std::string_view s) {
  auto c = static_cast<unsigned char>(s[0]);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
  if (n > s.size()) return 1;
  for (size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 1;
  return n;
}

void appendUtf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

bool plainAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

std::string utf8ToCp1252(std::string_view utf8) {
  if (plainAscii(utf8)) return std::string(utf8);
  thread_local Converter conv("CP1252", "UTF-8");
  return conv.run(utf8, [](std::string& out, std::string_view rest) {
    size_t n = utf8SeqLen(rest);
    // The five bytes the code page leaves undefined travel as C1 controls.
    if (n == 2) {
      unsigned cp = ((static_cast<unsigned char>(rest[0]) & 0x1F) << 6) | (static_cast<unsigned char>(rest[1]) & 0x3F);
      if (cp == 0x81 || cp == 0x8D || cp == 0x8F || cp == 0x90 || cp == 0x9D) {
        out += char(cp);
        return n;
      }
    }
    out += '?';
    return n;
  });
}

std::string cp1252ToUtf8(std::string_view cp1252) {
  if (plainAscii(cp1252)) return std::string(cp1252);
  thread_local Converter conv("UTF-8", "CP1252");
  return conv.run(cp1252, [](std::string& out, std::string_view rest) {
    appendUtf8(out, static_cast<unsigned char>(rest[0]));
    return size_t(1);
  });
}

std::string oem850ToCp1252(std::string_view oem) {
  if (plainAscii(oem)) return std::string(oem);
  thread_local Converter conv("CP1252", "CP850");
  return conv.run(oem, [](std::string& out, std::string_view) {
    out += '?';
    return size_t(1);
  });
}

std::string cp1252ToOem850(std::string_view cp1252) {
  if (plainAscii(cp1252)) return std::string(cp1252);
  thread_local Converter conv("CP850", "CP1252");
  return conv.run(cp1252, [](std::string& out, std::string_view) {
    out += '?';
    return size_t(1);
  });
}

namespace {

struct CaseTables {
  std::array<unsigned char, 256> up{}, low{};
  std::array<bool, 256> alpha{};
  std::array<int, 256> weight{};
  CaseTables() {
    for (int i = 0; i < 256; ++i) up[i] = low[i] = static_cast<unsigned char>(i);
    auto pair = [&](int u, int l) {
      up[l] = static_cast<unsigned char>(u);
      low[u] = static_cast<unsigned char>(l);
      alpha[u] = alpha[l] = true;
    };
    for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
    for (int c = 0xC0; c <= 0xDE; ++c)
      if (c != 0xD7) pair(c, c + 32);
    pair(0x8A, 0x9A);  // Š š
    pair(0x8C, 0x9C);  // Œ œ
    pair(0x8E, 0x9E);  // Ž ž
    pair(0x9F, 0xFF);  // Ÿ ÿ
    alpha[0xDF] = true;  // ß
    alpha[0x83] = true;  // ƒ
    alpha[0xAA] = alpha[0xBA] = true;  // ª º

    // Collation: bytes below 'A' in byte order, then the capital letters
    // with each accented form after its plain one, the bytes between the
    // alphabets, the small letters likewise, and the rest in byte order.
    static const unsigned char upperOrder[] =
        "A\xC1\xC0\xC2\xC3\xC4\xC5\xC6" "B" "C\xC7" "D\xD0" "E\xC9\xC8\xCA\xCB" "FGH" "I\xCD\xCC\xCE\xCF"
        "JKLMN\xD1" "O\xD3\xD2\xD4\xD5\xD6\xD8\x8C" "PQRS\x8A" "T\xDE" "U\xDA\xD9\xDB\xDC" "VWXY\xDD\x9F" "Z\x8E";
    static const unsigned char lowerOrder[] =
        "a\xE1\xE0\xE2\xE3\xE4\xE5\xE6" "b" "c\xE7" "d\xF0" "e\xE9\xE8\xEA\xEB" "f\x83gh" "i\xED\xEC\xEE\xEF"
        "jklmn\xF1" "o\xF3\xF2\xF4\xF5\xF6\xF8\x9C" "pqrs\x9A\xDF" "t\xFE" "u\xFA\xF9\xFB\xFC" "vwxy\xFD\xFF" "z\x9E";
    std::array<bool, 256> placed{};
    int w = 0;
    auto place = [&](unsigned char c) {
      if (!placed[c]) {
        placed[c] = true;
        weight[c] = w++;
      }
    };
    for (int c = 0; c < 'A'; ++c) place(static_cast<unsigned char>(c));
    for (const unsigned char* p = upperOrder; *p; ++p) place(*p);
    for (int c = '[' ; c < 'a'; ++c) place(static_cast<unsigned char>(c));
    for (const unsigned char* p = lowerOrder; *p; ++p) place(*p);
    for (int c = '{'; c < 256; ++c) place(static_cast<unsigned char>(c));
  }
};

const CaseTables& tables() {
  static const CaseTables t;
  return t;
}

}  // namespace

unsigned char upper1252(unsigned char c) { return tables().up[c]; }
unsigned char lower1252(unsigned char c) { return tables().low[c]; }
bool isAlpha1252(unsigned char c) { return tables().alpha[c]; }
bool isUpper1252(unsigned char c) { return tables().alpha[c] && tables().low[c] != c; }
bool isLower1252(unsigned char c) { return tables().alpha[c] && tables().up[c] != c; }

std::string upper1252(std::string_view s) {
  const auto& t = tables();
  std::string r(s);
  for (char& c : r) c = static_cast<char>(t.up[static_cast<unsigned char>(c)]);
  return r;
}

std::string lower1252(std::string_view s) {
  const auto& t = tables();
  std::string r(s);
  for (char& c : r) c = static_cast<char>(t.low[static_cast<unsigned char>(c)]);
  return r;
}

int collationWeight(unsigned char c) { return tables().weight[c]; }

int compare1252(std::string_view a, std::string_view b) {
  const auto& t = tables();
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    int wa = t.weight[static_cast<unsigned char>(a[i])];
    int wb = t.weight[static_cast<unsigned char>(b[i])];
    return wa < wb ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

}  // namespace xb
