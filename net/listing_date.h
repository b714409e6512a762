#pragma once
// The date column of a remote directory listing, read as local time.
#include <cstdint>
#include <string_view>

namespace ferrow {

// Reads the date of a listing line into seconds since 1970 UTC. Understood forms (English month
// names, any case; fields separated by blanks):
//   Jan 12 09:55        month, day, time: the most recent such date (see below)
//   Jan 12 2008         month, day, year: midnight
//   12 Jan 09:55 / 12 Jan 2008   the same with the day first
//   12-01-07 10:30AM    month-day-year with a 12- or 24-hour time; two-digit years 70-99 are
//                       1970-1999, 00-69 are 2000-2069; four-digit years and "/" also do
//   2007-12-01 10:30    year-month-day with a time
// Times may carry seconds (09:55:12). Month, day (for the month and year), hour, minute and
// second must be in range and the year not before 1900. False leaves date unchanged.
bool ParseListingDate(std::wstring_view text, std::int64_t& date);

// As above, with the current time given. A date without a year is taken in the current year,
// unless that puts it more than two days ahead of now: servers show the time instead of the
// year only for recent files, so such a date belongs to the year before (a December file listed
// in January).
bool ParseListingDate(std::wstring_view text, std::int64_t& date, std::int64_t now);

}  // namespace ferrow
