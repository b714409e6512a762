#include "net/listing_date.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/net/zone_fixture.h"

namespace ferrow {
namespace {

// 2026-12-08 15:00 UTC.
constexpr std::int64_t kNow = 1796742000;

class ListingDateTest : public test::CentralEuropeanZoneTest {
 protected:
  // The parsed date, or -2 when the text is refused.
  static std::int64_t Parse(std::wstring_view text, std::int64_t now = kNow) {
    std::int64_t date = -2;
    return ParseListingDate(text, date, now) ? date : -2;
  }
};

TEST_F(ListingDateTest, MonthDayTimeIsLocalTimeInTheCurrentYearWithDaylightSaving) {
  EXPECT_EQ(Parse(L"Jan 12 09:55"), 1768208100);  // 08:55 UTC, winter time
  EXPECT_EQ(Parse(L"Jul 12 09:55"), 1783842900);  // 07:55 UTC, summer time
  EXPECT_EQ(Parse(L"Dec  1 09:05"), 1796112300);  // day padded with two blanks
  EXPECT_EQ(Parse(L"Dec 01 09:05"), 1796112300);
  EXPECT_EQ(Parse(L"dec 1 09:05"), 1796112300);
  EXPECT_EQ(Parse(L"December 1 09:05"), 1796112300);
  EXPECT_EQ(Parse(L"1 Dec 09:05"), 1796112300);
  EXPECT_EQ(Parse(L"Dec\t1\t09:05"), 1796112300);
  // 02:30 does not exist on the morning clocks go forward; the zone's rules move it to 03:30.
  EXPECT_EQ(Parse(L"Mar 29 03:30"), 1774747800);
}

TEST_F(ListingDateTest, ADateWithoutYearThatLiesAheadBelongsToTheYearBefore) {
  // Listed on 5 January: a 20 December file is from last December.
  constexpr std::int64_t kEarlyJanuary = 1767614400;  // 2026-01-05 12:00 UTC
  EXPECT_EQ(Parse(L"Dec 20 10:00", kEarlyJanuary), 1766221200);
  // A server clock a day ahead of ours is not a year off.
  EXPECT_EQ(Parse(L"Dec 10 10:00"), 1796893200);
  // 29 February shown in a common year can only be the last leap year.
  constexpr std::int64_t kJanuary2029 = 1862740800;
  EXPECT_EQ(Parse(L"Feb 29 10:00", kJanuary2029), 1835427600);
}

TEST_F(ListingDateTest, MonthDayYearIsMidnight) {
  EXPECT_EQ(Parse(L"Jan 12 2008"), 1200092400);
  EXPECT_EQ(Parse(L"Mar 07  2019"), 1551913200);
  EXPECT_EQ(Parse(L"7 Mar 2019"), 1551913200);
}

TEST_F(ListingDateTest, NumericDatesWithTwelveOrTwentyFourHourTimes) {
  EXPECT_EQ(Parse(L"12-01-07 10:30AM"), 1196501400);
  EXPECT_EQ(Parse(L"12-01-07  10:30pm"), 1196544600);
  EXPECT_EQ(Parse(L"12-01-07 10:30 PM"), 1196544600);
  EXPECT_EQ(Parse(L"12-01-07 12:05AM"), 1196463900);
  EXPECT_EQ(Parse(L"12-01-07 12:05PM"), 1196507100);
  EXPECT_EQ(Parse(L"12-01-07 22:30"), 1196544600);
  EXPECT_EQ(Parse(L"12/01/07 10:30:00AM"), 1196501400);
  EXPECT_EQ(Parse(L"12-01-2007 10:30AM"), 1196501400);
  EXPECT_EQ(Parse(L"2007-12-01 10:30"), 1196501400);
  EXPECT_EQ(Parse(L"11-30-99 11:59PM"), 944002740);  // two-digit years from 70 are 19xx
}

TEST_F(ListingDateTest, UnreadableOrOutOfRangeTextIsRefused) {
  for (const wchar_t* text : {L"",
                              L"Jan",
                              L"Jan 12",
                              L"Foo 12 09:55",
                              L"Jan 12 09:55 extra",
                              L"Jan 32 09:55",
                              L"Feb 30 2008",
                              L"Feb 29 2007",
                              L"Jan 12 24:00",
                              L"Jan 12 09:60",
                              L"Jan 12 09:5",
                              L"Jan 12 9",
                              L"Jan 12 1899",
                              L"Jan 12 208",
                              L"Jan 12 20080",
                              L"13-01-07 10:30AM",
                              L"00-01-07 10:30AM",
                              L"12-01-07 13:30PM",
                              L"12-01-07 00:30AM",
                              L"12-01-07 10:30XM",
                              L"12-01-07 10:30AM PM",
                              L"12-01 10:30",
                              L"12-01-7 10:30",
                              L"12-01-07",
                              L"-1 2 3",
                              L"1 2 3",
                              L"drwxr-xr-x 2",
                              L"Jan 1x 09:55",
                              L"Jan 12 09:55:61",
                              L"Jan 12 +9:55"}) {
    EXPECT_EQ(Parse(text), -2) << text;
  }
  // Refusal leaves the output alone.
  std::int64_t date = 42;
  EXPECT_FALSE(ParseListingDate(L"nonsense", date, kNow));
  EXPECT_EQ(date, 42);
}

TEST_F(ListingDateTest, TheOneSecondBefore1970IsAValidTimeNotAFailure) {
  // 1970-01-01 00:59:59 in this zone is -1 seconds, the same number as mktime's failure value.
  EXPECT_EQ(Parse(L"01-01-1970 00:59:59"), -1);
}

}  // namespace
}  // namespace ferrow
