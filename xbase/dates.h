// Dates of the run time: Julian day numbers (0 is the empty date), shown as
// dd-mm-yyyy, with two-digit years read in the hundred years from 1950.
#pragma once

#include <string>
#include <string_view>

#include "xbase/value.h"

namespace xb {

struct Ymd {
  int y = 0, m = 0, d = 0;
};

// The Julian day of a proleptic Gregorian date; 0 when the date is invalid
// (month or day out of range, year outside 1..9999).
int32_t julianDay(int y, int m, int d);
// The y/m/d of a Julian day; all zero for the empty date.
Ymd ymdOf(Date date);
bool validYmd(int y, int m, int d);

// "dd-mm-yyyy"; the empty date gives "  -  -    ".
std::string dateToText(Date date);
// Reads day, month and year separated by any non-digit; a two-digit year is
// 1950..2049. Anything that is not a valid date gives the empty date (a
// text of blanks, separators and zeros included).
Date textToDate(std::string_view text);

// "yyyymmdd"; the empty date gives eight blanks.
std::string dateToDtos(Date date);
// Reads "yyyymmdd"; blanks or anything invalid give the empty date.
Date dtosToDate(std::string_view text);

// The machine's local date today.
Date today();
// Day of the week, 1 = Sunday .. 7 = Saturday; 0 for the empty date.
int dayOfWeek(Date date);

}  // namespace xb
