#include "xbase/dates.h"

#include <cctype>
#include <ctime>

namespace xb {

namespace {
bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int daysIn(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap(y) ? 29 : days[m - 1];
}
std::string twoDigits(int n) { return {char('0' + n / 10 % 10), char('0' + n % 10)}; }
}  // namespace

bool validYmd(int y, int m, int d) { return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= daysIn(y, m); }

int32_t julianDay(int y, int m, int d) {
  if (!validYmd(y, m, d)) return 0;
  // Fliegel & Van Flandern.
  int a = (14 - m) / 12;
  int yy = y + 4800 - a;
  int mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

Ymd ymdOf(Date date) {
  if (date.jd <= 0) return {};
  int64_t a = int64_t(date.jd) + 32044;
  int64_t b = (4 * a + 3) / 146097;
  int64_t c = a - 146097 * b / 4;
  int64_t d = (4 * c + 3) / 1461;
  int64_t e = c - 1461 * d / 4;
  int64_t m = (5 * e + 2) / 153;
  Ymd r;
  r.d = int(e - (153 * m + 2) / 5 + 1);
  r.m = int(m + 3 - 12 * (m / 10));
  r.y = int(100 * b + d - 4800 + m / 10);
  return r;
}

std::string dateToText(Date date) {
  if (date.empty()) return "  -  -    ";
  Ymd v = ymdOf(date);
  std::string y = std::to_string(v.y);
  if (y.size() < 4) y.insert(0, 4 - y.size(), '0');
  return twoDigits(v.d) + "-" + twoDigits(v.m) + "-" + y;
}

Date textToDate(std::string_view text) {
  int parts[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int k = 0;
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  for (; i < text.size() && k < 3;) {
    if (std::isdigit(static_cast<unsigned char>(text[i]))) {
      if (digits[k] < 5) parts[k] = parts[k] * 10 + (text[i] - '0');
      ++digits[k];
      ++i;
    } else {
      if (digits[k] > 0) ++k;
      ++i;
    }
  }
  int d = parts[0], m = parts[1], y = parts[2];
  if (digits[0] == 0 || digits[1] == 0 || digits[2] == 0) return {};
  if (digits[2] <= 2) y += y < 50 ? 2000 : 1900;
  return Date{julianDay(y, m, d)};
}

std::string dateToDtos(Date date) {
  if (date.empty()) return "        ";
  Ymd v = ymdOf(date);
  std::string y = std::to_string(v.y);
  if (y.size() < 4) y.insert(0, 4 - y.size(), '0');
  return y + twoDigits(v.m) + twoDigits(v.d);
}

Date dtosToDate(std::string_view text) {
  if (text.size() < 8) return {};
  int n[8];
  for (int i = 0; i < 8; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return {};
    n[i] = text[i] - '0';
  }
  int y = n[0] * 1000 + n[1] * 100 + n[2] * 10 + n[3];
  int m = n[4] * 10 + n[5];
  int d = n[6] * 10 + n[7];
  return Date{julianDay(y, m, d)};
}

Date today() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return Date{julianDay(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday)};
}

int dayOfWeek(Date date) {
  if (date.empty()) return 0;
  // Julian day 0 was a Monday.
  return int((int64_t(date.jd) + 1) % 7) + 1;
}

}  // namespace xb
