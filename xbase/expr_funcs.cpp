// The functions expressions can call. Each takes its evaluated arguments
// (the compiler has checked their count) and reports a wrong type as an
// argument error through the hook.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

#include "xbase/codepage.h"
#include "xbase/dates.h"
#include "xbase/expr_internal.h"
#include "xbase/text.h"
#include "xbase/format.h"

namespace xb {

namespace {

using Args = Value*;

Value bad(EvalCtx& c, const FuncDef& f, Args a, int n) { return argError(c, f.subCode, f.name, a, n); }

bool text(Args a, int n, int i) { return i < n && a[i].isText(); }
bool number(Args a, int n, int i) { return i < n && a[i].isNumber(); }
bool absent(Args a, int n, int i) { return i >= n || a[i].isNil(); }

// A count argument as a bounded integer.
int64_t count(const Value& v) {
  double d = std::trunc(v.num());
  if (!(d > -1e15)) return -1000000000000000LL;
  if (d > 1e15) return 1000000000000000LL;
  return int64_t(d);
}

Value num(double v, int dec) { return Value(v, std::clamp(dec, 0, 15)); }

// ---- texts

bool blankChar(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

std::string_view rtrim(std::string_view s) { return trimRight(s); }
std::string_view ltrim(std::string_view s) { return trimLeft(s, kWhiteSpace); }

Value fAlltrim(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!text(a, n, 0)) return bad(c, f, a, n);
  return Value(ltrim(rtrim(a[0].text())));
}
Value fRtrim(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!text(a, n, 0)) return bad(c, f, a, n);
  return Value(rtrim(a[0].text()));
}
Value fLtrim(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!text(a, n, 0)) return bad(c, f, a, n);
  return Value(ltrim(a[0].text()));
}
Value fUpper(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!text(a, n, 0)) return bad(c, f, a, n);
  return Value(upper1252(a[0].text()));
}
Value fLower(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!text(a, n, 0)) return bad(c, f, a, n);
  return Value(lower1252(a[0].text()));
}

Value fSubstr(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!text(a, n, 0) || !number(a, n, 1) || !(absent(a, n, 2) || number(a, n, 2))) return bad(c, f, a, n);
  const std::string& s = a[0].text();
  int64_t size = int64_t(s.size());
  int64_t from = count(a[1]);
  if (from < 0) from = std::max<int64_t>(0, size + from);
  else if (from > 0) --from;
  if (from >= size) return Value("");
  int64_t len = size - from;
  if (!absent(a, n, 2)) len = std::min(len, count(a[2]));
  if (len <= 0) return Value("");
  return Value(std::string_view(s).substr(size_t(from), size_t(len)));
}

Value fLeft(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!text(a, n, 0) || !number(a, n, 1)) return bad(c, f, a, n);
  int64_t k = count(a[1]);
  if (k <= 0) return Value("");
  return Value(std::string_view(a[0].text()).substr(0, size_t(std::min<int64_t>(k, int64_t(a[0].text().size())))));
}

Value fRight(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!text(a, n, 0) || !number(a, n, 1)) return bad(c, f, a, n);
  const std::string& s = a[0].text();
  int64_t k = count(a[1]);
  if (k <= 0) return Value("");
  size_t take = size_t(std::min<int64_t>(k, int64_t(s.size())));
  return Value(std::string_view(s).substr(s.size() - take));
}

// The text PADx works on: numbers and dates are converted first.
bool padSource(const Value& v, std::string& out) {
  switch (v.type()) {
    case Type::Text: out = v.text(); return true;
    case Type::Number: out = std::string(ltrim(strNumber(v))); return true;
    case Type::Date: out = dateToText(v.date()); return true;
    default: return false;
  }
}

Value pad(EvalCtx& c, const FuncDef& f, Args a, int n, char side) {
  std::string s;
  if (n < 2 || !padSource(a[0], s) || !number(a, n, 1) || !(absent(a, n, 2) || text(a, n, 2)))
    return bad(c, f, a, n);
  int64_t width = count(a[1]);
  if (width <= 0) return Value("");
  if (uint64_t(width) > kMaxTextValue) return textTooLong(c, f.name);
  char fill = !absent(a, n, 2) && !a[2].text().empty() ? a[2].text()[0] : ' ';
  size_t w = size_t(width);
  if (s.size() >= w) return Value(s.substr(0, w));
  size_t extra = w - s.size();
  if (side == 'R') return Value(s + std::string(extra, fill));
  if (side == 'L') return Value(std::string(extra, fill) + s);
  return Value(std::string(extra / 2, fill) + s + std::string(extra - extra / 2, fill));
}
Value fPadr(EvalCtx& c, const FuncDef& f, Args a, int n) { return pad(c, f, a, n, 'R'); }
Value fPadl(EvalCtx& c, const FuncDef& f, Args a, int n) { return pad(c, f, a, n, 'L'); }
Value fPadc(EvalCtx& c, const FuncDef& f, Args a, int n) { return pad(c, f, a, n, 'C'); }

Value fSpace(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!number(a, n, 0)) return bad(c, f, a, n);
  int64_t k = count(a[0]);
  if (k <= 0) return Value("");
  if (uint64_t(k) > kMaxTextValue) return textTooLong(c, f.name);
  return Value(std::string(size_t(k), ' '));
}

Value fReplicate(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!text(a, n, 0) || !number(a, n, 1)) return bad(c, f, a, n);
  int64_t k = count(a[1]);
  const std::string& s = a[0].text();
  if (k <= 0 || s.empty()) return Value("");
  if (uint64_t(k) > kMaxTextValue / s.size()) return textTooLong(c, f.name);
  std::string r;
  r.reserve(s.size() * size_t(k));
  for (int64_t i = 0; i < k; ++i) r += s;
  return Value(std::move(r));
}

Value fLen(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (a[0].isText()) return Value(int64_t(a[0].text().size()));
  if (a[0].isArray()) return Value(int64_t(a[0].arr()->size()));
  return bad(c, f, a, n);
}

Value fAt(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!text(a, n, 0) || !text(a, n, 1)) return bad(c, f, a, n);
  if (a[0].text().empty()) return Value(0);
  size_t p = a[1].text().find(a[0].text());
  return Value(p == std::string::npos ? int64_t(0) : int64_t(p + 1));
}

Value fRat(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!text(a, n, 0) || !text(a, n, 1)) return bad(c, f, a, n);
  if (a[0].text().empty()) return Value(0);
  size_t p = a[1].text().rfind(a[0].text());
  return Value(p == std::string::npos ? int64_t(0) : int64_t(p + 1));
}

Value fChr(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!number(a, n, 0)) return bad(c, f, a, n);
  int64_t k = count(a[0]) % 256;
  if (k < 0) k += 256;
  return Value(std::string(1, char(k)));
}

Value fAsc(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!text(a, n, 0)) return bad(c, f, a, n);
  return Value(a[0].text().empty() ? 0 : int(static_cast<unsigned char>(a[0].text()[0])));
}

Value fIsdigit(EvalCtx&, const FuncDef&, Args a, int n) {
  return Value(text(a, n, 0) && !a[0].text().empty() && a[0].text()[0] >= '0' && a[0].text()[0] <= '9');
}
Value fIsalpha(EvalCtx&, const FuncDef&, Args a, int n) {
  return Value(text(a, n, 0) && !a[0].text().empty() && isAlpha1252(static_cast<unsigned char>(a[0].text()[0])));
}
Value fIsupper(EvalCtx&, const FuncDef&, Args a, int n) {
  return Value(text(a, n, 0) && !a[0].text().empty() && isUpper1252(static_cast<unsigned char>(a[0].text()[0])));
}
Value fIslower(EvalCtx&, const FuncDef&, Args a, int n) {
  return Value(text(a, n, 0) && !a[0].text().empty() && isLower1252(static_cast<unsigned char>(a[0].text()[0])));
}

// ---- numbers and conversions

Value fStr(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!number(a, n, 0) || !(absent(a, n, 1) || number(a, n, 1)) || !(absent(a, n, 2) || number(a, n, 2)))
    return bad(c, f, a, n);
  int width = -1, dec = -1;
  if (!absent(a, n, 1)) {
    int64_t w = count(a[1]);
    if (w > 255) return textTooLong(c, f.name);
    width = w > 0 ? int(w) : -1;
  }
  if (!absent(a, n, 2)) dec = int(std::clamp<int64_t>(count(a[2]), 0, 15));
  std::string s = f.name[3] == 'Z' ? strZero(a[0], width, dec) : strNumber(a[0], width, dec);
  return Value(std::move(s));
}

Value fVal(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!text(a, n, 0)) return bad(c, f, a, n);
  return valText(a[0].text());
}

Value fTransform(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!text(a, n, 1)) return bad(c, f, a, n);
  if (a[0].isArray() || a[0].isObject() || a[0].isBlock()) return bad(c, f, a, n);
  return Value(transform(a[0], a[1].text()));
}

Value fRound(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!number(a, n, 0) || !number(a, n, 1)) return bad(c, f, a, n);
  int dec = int(std::clamp<int64_t>(count(a[1]), -15, 15));
  return num(roundHalfUp(a[0].num(), dec), dec);
}

Value fInt(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!number(a, n, 0)) return bad(c, f, a, n);
  return Value(std::trunc(a[0].num()), 0);
}

Value fAbs(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!number(a, n, 0)) return bad(c, f, a, n);
  return Value(std::fabs(a[0].num()), a[0].decimals());
}

Value fSqrt(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!number(a, n, 0)) return bad(c, f, a, n);
  double v = a[0].num();
  return num(v > 0 ? std::sqrt(v) : 0, 2);
}

Value minMax(EvalCtx& c, const FuncDef& f, Args a, int n, bool max) {
  if (n < 2 || a[0].type() != a[1].type()) return bad(c, f, a, n);
  bool second = false;
  switch (a[0].type()) {
    case Type::Number: second = max ? a[1].num() > a[0].num() : a[1].num() < a[0].num(); break;
    case Type::Date: second = max ? a[1].date() > a[0].date() : a[1].date() < a[0].date(); break;
    case Type::Logical: second = max ? a[1].logical() > a[0].logical() : a[1].logical() < a[0].logical(); break;
    default: return bad(c, f, a, n);
  }
  return second ? a[1] : a[0];
}
Value fMax(EvalCtx& c, const FuncDef& f, Args a, int n) { return minMax(c, f, a, n, true); }
Value fMin(EvalCtx& c, const FuncDef& f, Args a, int n) { return minMax(c, f, a, n, false); }

Value fMod(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!number(a, n, 0) || !number(a, n, 1)) return bad(c, f, a, n);
  double x = a[0].num(), y = a[1].num();
  if (y == 0)
    return exprError(c, kGenZeroDiv, 1341, "División por cero", f.name, std::vector<Value>(a, a + n));
  double r = std::fmod(x, y);
  if (r != 0 && ((r < 0) != (y < 0))) r += y;
  return num(r, std::max(a[0].decimals(), a[1].decimals()));
}

// ---- dates

bool date(Args a, int n, int i) { return i < n && a[i].isDate(); }

Value fDtos(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!date(a, n, 0)) return bad(c, f, a, n);
  return Value(dateToDtos(a[0].date()));
}
Value fStod(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (absent(a, n, 0)) return Value(Date{});
  if (!text(a, n, 0)) return bad(c, f, a, n);
  return Value(dtosToDate(a[0].text()));
}
Value fDtoc(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!date(a, n, 0)) return bad(c, f, a, n);
  return Value(dateToText(a[0].date()));
}
Value fCtod(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!text(a, n, 0)) return bad(c, f, a, n);
  return Value(textToDate(a[0].text()));
}
Value fDate(EvalCtx&, const FuncDef&, Args, int) { return Value(today()); }
Value fTime(EvalCtx&, const FuncDef&, Args, int) {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  return Value(buf);
}
Value datePart(EvalCtx& c, const FuncDef& f, Args a, int n, int which) {
  if (!date(a, n, 0)) return bad(c, f, a, n);
  Ymd v = ymdOf(a[0].date());
  return Value(which == 0 ? v.y : which == 1 ? v.m : v.d);
}
Value fYear(EvalCtx& c, const FuncDef& f, Args a, int n) { return datePart(c, f, a, n, 0); }
Value fMonth(EvalCtx& c, const FuncDef& f, Args a, int n) { return datePart(c, f, a, n, 1); }
Value fDay(EvalCtx& c, const FuncDef& f, Args a, int n) { return datePart(c, f, a, n, 2); }
Value fDow(EvalCtx& c, const FuncDef& f, Args a, int n) {
  if (!date(a, n, 0)) return bad(c, f, a, n);
  return Value(dayOfWeek(a[0].date()));
}
Value fCdow(EvalCtx& c, const FuncDef& f, Args a, int n) {
  static const char* const names[] = {"", "Domingo", "Lunes", "Martes", "Mi\xE9rcoles", "Jueves", "Viernes",
                                      ("S\xE1" "bado")};
  if (!date(a, n, 0)) return bad(c, f, a, n);
  return Value(names[dayOfWeek(a[0].date())]);
}
Value fCmonth(EvalCtx& c, const FuncDef& f, Args a, int n) {
  static const char* const names[] = {"", "Enero", "Febrero", "Marzo", "Abril", "Mayo", "Junio", "Julio",
                                      "Agosto", "Septiembre", "Octubre", "Noviembre", "Diciembre"};
  if (!date(a, n, 0)) return bad(c, f, a, n);
  return Value(names[ymdOf(a[0].date()).m]);
}

// ---- any value

Value fEmpty(EvalCtx&, const FuncDef&, Args a, int) {
  const Value& v = a[0];
  switch (v.type()) {
    case Type::Nil: return Value(true);
    case Type::Logical: return Value(!v.logical());
    case Type::Number: return Value(v.num() == 0);
    case Type::Text: return Value(std::all_of(v.text().begin(), v.text().end(), blankChar));
    case Type::Date: return Value(v.date().empty());
    case Type::Array: return Value(v.arr()->empty());
    case Type::Object:
    case Type::Block: return Value(false);
  }
  return Value(false);
}

Value fValtype(EvalCtx&, const FuncDef&, Args a, int) { return Value(std::string(1, a[0].typeLetter())); }

// ---- the current row

Value fDeleted(EvalCtx& c, const FuncDef&, Args, int) { return Value(c.row ? c.row->deleted() : false); }
Value fRecno(EvalCtx& c, const FuncDef&, Args, int) { return Value(c.row ? c.row->recno() : int64_t(0)); }
Value fReccount(EvalCtx& c, const FuncDef&, Args, int) { return Value(c.row ? c.row->reccount() : int64_t(0)); }
Value fEof(EvalCtx& c, const FuncDef&, Args, int) { return Value(c.row ? c.row->eof() : true); }
Value fBof(EvalCtx& c, const FuncDef&, Args, int) { return Value(c.row ? c.row->bof() : true); }
Value fAlias(EvalCtx& c, const FuncDef&, Args, int) { return Value(c.row ? c.row->alias() : std::string()); }

// Sorted by name for the binary search below.
const FuncDef kFunctions[] = {
    {"ABS", 1, 1, 1089, fAbs},
    {"ALIAS", 0, 0, 0, fAlias},
    {"ALLTRIM", 1, 1, 2022, fAlltrim},
    {"ASC", 1, 1, 1107, fAsc},
    {"AT", 2, 2, 1108, fAt},
    {"BOF", 0, 0, 0, fBof},
    {"CDOW", 1, 1, 1117, fCdow},
    {"CHR", 1, 1, 1104, fChr},
    {"CMONTH", 1, 1, 1116, fCmonth},
    {"CTOD", 1, 1, 1119, fCtod},
    {"DATE", 0, 0, 0, fDate},
    {"DAY", 1, 1, 1114, fDay},
    {"DELETED", 0, 0, 0, fDeleted},
    {"DOW", 1, 1, 1115, fDow},
    {"DTOC", 1, 1, 1118, fDtoc},
    {"DTOS", 1, 1, 1120, fDtos},
    {"EMPTY", 1, 1, 0, fEmpty},
    {"EOF", 0, 0, 0, fEof},
    {"INT", 1, 1, 1090, fInt},
    {"ISALPHA", 1, 1, 0, fIsalpha},
    {"ISDIGIT", 1, 1, 0, fIsdigit},
    {"ISLOWER", 1, 1, 0, fIslower},
    {"ISUPPER", 1, 1, 0, fIsupper},
    {"LASTREC", 0, 0, 0, fReccount},
    {"LEFT", 2, 2, 1124, fLeft},
    {"LEN", 1, 1, 1111, fLen},
    {"LOWER", 1, 1, 1103, fLower},
    {"LTRIM", 1, 1, 1101, fLtrim},
    {"MAX", 2, 2, 1093, fMax},
    {"MIN", 2, 2, 1092, fMin},
    {"MOD", 2, 2, 1085, fMod},
    {"MONTH", 1, 1, 1113, fMonth},
    {"PADC", 2, 3, 1131, fPadc},
    {"PADL", 2, 3, 1131, fPadl},
    {"PADR", 2, 3, 1131, fPadr},
    {"RAT", 2, 2, 1108, fRat},
    {"RECCOUNT", 0, 0, 0, fReccount},
    {"RECNO", 0, 0, 0, fRecno},
    {"REPLICATE", 2, 2, 1106, fReplicate},
    {"RIGHT", 2, 2, 1124, fRight},
    {"ROUND", 2, 2, 1094, fRound},
    {"RTRIM", 1, 1, 1100, fRtrim},
    {"SPACE", 1, 1, 1105, fSpace},
    {"SQRT", 1, 1, 1097, fSqrt},
    {"STOD", 0, 1, 1120, fStod},
    {"STR", 1, 3, 1099, fStr},
    {"STRZERO", 1, 3, 1099, fStr},
    {"SUBSTR", 2, 3, 1110, fSubstr},
    {"TIME", 0, 0, 0, fTime},
    {"TRANSFORM", 2, 2, 1122, fTransform},
    {"TRIM", 1, 1, 1100, fRtrim},
    {"UPPER", 1, 1, 1102, fUpper},
    {"VAL", 1, 1, 1098, fVal},
    {"VALTYPE", 1, 1, 0, fValtype},
    {"YEAR", 1, 1, 1112, fYear},
};

}  // namespace

const FuncDef* findFunction(std::string_view upperName) {
  auto it = std::lower_bound(std::begin(kFunctions), std::end(kFunctions), upperName,
                             [](const FuncDef& f, std::string_view n) { return std::string_view(f.name) < n; });
  if (it == std::end(kFunctions) || it->name != upperName) return nullptr;
  return it;
}

}  // namespace xb
