#include "xbase/format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "xbase/codepage.h"
#include "xbase/dates.h"

namespace xb {

namespace {

std::string fixed(double v, int dec) {
  char buf[400];
  int n = std::snprintf(buf, sizeof buf, "%.*f", dec, roundHalfUp(v, dec));
  std::string s(buf, n > 0 && n < int(sizeof buf) ? n : 0);
  if (s.size() > 1 && s[0] == '-') {
    // "-0.00" is shown without its sign.
    bool zero = true;
    for (size_t i = 1; i < s.size(); ++i)
      if (s[i] != '0' && s[i] != '.') zero = false;
    if (zero) s.erase(0, 1);
  }
  return s;
}

}  // namespace

double roundHalfUp(double v, int dec) {
  if (!std::isfinite(v)) return v;
  double p = std::pow(10.0, dec);
  double x = std::fabs(v) * p;
  double whole = std::floor(x);
  double frac = x - whole;
  // A half written in decimal (2.675) may be stored a few units in the last
  // place below it; such a value rounds up too, unless the number has no
  // precision left below the unit.
  double tol = 4 * std::numeric_limits<double>::epsilon() * x;
  bool up = frac >= 0.5 || (tol < 0.25 && frac >= 0.5 - tol);
  return std::copysign((whole + (up ? 1 : 0)) / p, v);
}

std::string numberText(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-Inf" : "Inf";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  double r = std::strtod(buf, nullptr);
  if (r == 0) return "0";
  char out[400];
  auto res = std::to_chars(out, out + sizeof out, r, std::chars_format::fixed);
  return std::string(out, res.ptr);
}

std::string strNumber(const Value& n, int width, int dec) {
  double v = n.num();
  if (dec < 0) dec = width >= 0 ? 0 : n.decimals();
  dec = std::min(dec, 15);
  std::string s = fixed(v, dec);
  if (width < 0) {
    size_t point = s.find('.');
    size_t intLen = point == std::string::npos ? s.size() : point;
    width = int(std::max<size_t>(10, intLen)) + (dec > 0 ? dec + 1 : 0);
  }
  if (width > 0 && int(s.size()) > width) {
    // Too wide: drop decimals that do not fit before giving up.
    size_t point = s.find('.');
    if (point != std::string::npos && int(point) <= width) {
      int fit = width - int(point) - 1;
      s = fixed(v, std::max(0, fit));
    }
    if (int(s.size()) > width) return std::string(width, '*');
  }
  if (int(s.size()) < width) s.insert(0, width - s.size(), ' ');
  return s;
}

std::string strZero(const Value& n, int width, int dec) {
  std::string s = strNumber(n, width, dec);
  if (!s.empty() && s[0] == '*') return s;
  size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return s;
  bool neg = s[first] == '-';
  for (size_t i = 0; i < first; ++i) s[i] = '0';
  if (neg) {
    s[first] = '0';
    s[0] = '-';
  }
  return s;
}

Value valText(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  while (i < s.size() && s[i] == ' ') ++i;
  double v = 0;
  int dec = 0;
  bool point = false;
  double scale = 1;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c >= '0' && c <= '9') {
      if (point) {
        scale /= 10;
        v += (c - '0') * scale;
        ++dec;
      } else {
        v = v * 10 + (c - '0');
      }
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  return Value(neg ? -v : v, std::min(dec, 15));
}

namespace {

std::string transformNumber(const Value& v, std::string_view fn, std::string_view tpl) {
  bool zBlank = fn.find('Z') != std::string_view::npos;
  bool euro = fn.find('E') != std::string_view::npos;
  bool left = fn.find('B') != std::string_view::npos;
  double x = v.num();
  std::string out;
  if (tpl.empty()) {
    out = strNumber(v);
  } else {
    // Digits before and after the template's point.
    size_t point = tpl.find('.');
    int decs = 0;
    if (point != std::string_view::npos)
      for (size_t i = point + 1; i < tpl.size(); ++i)
        if (tpl[i] == '9' || tpl[i] == '#') ++decs;
    decs = std::min(decs, 15);  // further template digits show 0
    std::string digits = fixed(std::fabs(x), decs);
    bool neg = x < 0 && digits.find_first_not_of("0.") != std::string::npos;
    std::string intPart = digits.substr(0, digits.find('.'));
    std::string decPart = decs > 0 ? digits.substr(digits.find('.') + 1) : "";
    if (intPart == "0") intPart.clear();
    size_t intEnd = point == std::string_view::npos ? tpl.size() : point;
    out.assign(tpl.size(), ' ');
    // Integer part, right to left.
    int k = int(intPart.size()) - 1;
    bool overflow = false;
    for (int i = int(intEnd) - 1; i >= 0; --i) {
      char t = tpl[i];
      if (t == '9' || t == '#') {
        if (k >= 0) out[i] = intPart[k--];
        else if (i == int(intEnd) - 1 && decs == 0 && intPart.empty()) out[i] = '0';
      } else if (t == ',') {
        out[i] = k >= 0 ? (euro ? '.' : ',') : ' ';
      } else {
        out[i] = t;
      }
    }
    if (k >= 0) overflow = true;
    if (point != std::string_view::npos) {
      out[point] = euro ? ',' : '.';
      if (intPart.empty() && point > 0 && (tpl[point - 1] == '9' || tpl[point - 1] == '#')) out[point - 1] = '0';
      size_t d = 0;
      for (size_t i = point + 1; i < tpl.size(); ++i) {
        char t = tpl[i];
        out[i] = (t == '9' || t == '#') ? (d < decPart.size() ? decPart[d++] : '0') : t;
      }
    }
    if (neg) {
      size_t first = out.find_first_not_of(' ');
      if (first == 0 || first == std::string::npos) overflow = true;
      else out[first - 1] = '-';
    }
    if (overflow) {
      for (size_t i = 0; i < out.size(); ++i)
        if (out[i] != '.' && out[i] != ',') out[i] = '*';
    }
  }
  if (zBlank && x == 0) return std::string(out.size(), ' ');
  if (left) {
    size_t first = out.find_first_not_of(' ');
    if (first != std::string::npos) out = out.substr(first) + std::string(first, ' ');
  }
  return out;
}

std::string transformText(std::string_view s, std::string_view fn, std::string_view tpl) {
  bool upperAll = fn.find('!') != std::string_view::npos;
  bool insert = fn.find('R') != std::string_view::npos;
  std::string src(s);
  if (upperAll) src = upper1252(src);
  if (tpl.empty()) return src;
  std::string out;
  size_t k = 0;
  for (char t : tpl) {
    bool slot = t == '9' || t == '#' || t == 'A' || t == 'N' || t == 'X' || t == '!' || t == 'L' || t == 'Y' ||
                t == 'a' || t == 'n' || t == 'x';
    if (slot) {
      char c = k < src.size() ? src[k] : ' ';
      ++k;
      if (t == '!') c = static_cast<char>(upper1252(static_cast<unsigned char>(c)));
      out += c;
    } else if (insert) {
      out += t;
    } else {
      out += t;
      ++k;
    }
  }
  return out;
}

}  // namespace

std::string transform(const Value& v, std::string_view picture) {
  std::string_view fn, tpl = picture;
  if (!picture.empty() && picture[0] == '@') {
    size_t sp = picture.find(' ');
    fn = picture.substr(1, sp == std::string_view::npos ? std::string_view::npos : sp - 1);
    tpl = sp == std::string_view::npos ? std::string_view() : picture.substr(sp + 1);
  }
  std::string fnUp = upper1252(fn);
  switch (v.type()) {
    case Type::Number: return transformNumber(v, fnUp, tpl);
    case Type::Text: return transformText(v.text(), fnUp, tpl);
    case Type::Date: return dateToText(v.date());
    case Type::Logical: {
      bool yes = !tpl.empty() && (tpl[0] == 'Y' || tpl[0] == 'y');
      return v.logical() ? (yes ? "Y" : "T") : (yes ? "N" : "F");
    }
    default: return "";
  }
}

namespace {
constexpr size_t kMaxDisplay = 1 << 20;

void appendDisplay(std::string& out, const Value& v, bool quoted, int depth) {
  if (out.size() > kMaxDisplay) return;  // an array that holds itself
  switch (v.type()) {
    case Type::Nil: out += "NIL"; break;
    case Type::Logical: out += v.logical() ? ".T." : ".F."; break;
    case Type::Number: out += numberText(v.num()); break;
    case Type::Date: out += dateToText(v.date()); break;
    case Type::Text:
      if (!quoted) {
        out += v.text();
      } else {
        const std::string& s = v.text();
        char open = '"', close = '"';
        if (s.find('"') != std::string::npos) {
          open = close = '\'';
          if (s.find('\'') != std::string::npos) open = '[', close = ']';
        }
        out += open;
        out += s;
        out += close;
      }
      break;
    case Type::Array: {
      if (depth > 64 || out.size() > kMaxDisplay) {
        out += "{...}";
        break;
      }
      out += '{';
      bool first = true;
      for (const Value& e : *v.arr()) {
        if (!first) out += ", ";
        first = false;
        appendDisplay(out, e, true, depth + 1);
      }
      out += '}';
      break;
    }
    case Type::Object: out += "Object " + (v.obj() ? v.obj()->className() : std::string("?")); break;
    case Type::Block: out += "{|| ... }"; break;
  }
}
}  // namespace

std::string displayText(const Value& v) {
  std::string out;
  appendDisplay(out, v, false, 0);
  return out;
}

}  // namespace xb
