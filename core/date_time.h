#pragma once
// Date-time numbers, day numbers and the SQL timestamp record, and their texts.
// A date-time number counts days since 1899-12-30; its fraction is the time of day
// (for negative numbers the fraction still counts forward from midnight, so -1.25 is
// 1899-12-29 06:00). Texts use the machine's date and time formats, which on this
// platform are the ISO forms "yyyy-mm-dd" and "hh:nn:ss".
#include <cstdint>
#include <string>
#include <string_view>

#include "core/errors.h"

namespace ordo {

using TDateTime = double;

/// Day number of 1899-12-30, day 1 being 0001-01-01.
inline constexpr std::int32_t DateDelta = 693594;
inline constexpr std::int32_t MSecsPerDay = 86400000;
inline constexpr std::int32_t SecsPerDay = 86400;

/// A date-time split into a day number (day 1 = 0001-01-01) and milliseconds of the day.
struct TTimeStamp {
    std::int32_t Time = 0;  // milliseconds since midnight
    std::int32_t Date = 0;  // day number
    friend bool operator==(const TTimeStamp&, const TTimeStamp&) = default;
};

/// The 16-byte SQL timestamp record; all zero is the null timestamp.
struct TSQLTimeStamp {
    std::int16_t Year = 0;
    std::uint16_t Month = 0;
    std::uint16_t Day = 0;
    std::uint16_t Hour = 0;
    std::uint16_t Minute = 0;
    std::uint16_t Second = 0;
    std::uint32_t Fractions = 0;  // milliseconds
    [[nodiscard]] bool IsNull() const noexcept;
    friend bool operator==(const TSQLTimeStamp&, const TSQLTimeStamp&) = default;
};
inline constexpr std::size_t kSQLTimeStampSize = 16;

bool IsLeapYear(int year) noexcept;
int DaysInMonth(int year, int month) noexcept;  // 0 for a month outside 1..12

bool TryEncodeDate(int year, int month, int day, TDateTime& out) noexcept;
/// Raises EConvertError "Invalid argument to date encode" for a date outside 0001-01-01 .. 9999-12-31.
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& out) noexcept;
/// Raises EConvertError "Invalid argument to time encode".
TDateTime EncodeTime(int hour, int minute, int second, int msec);
/// Dates outside the encodable years decode as 0-0-0 rather than raising, so a bad
/// number read from data never ends a loop.
void DecodeDate(TDateTime value, int& year, int& month, int& day) noexcept;
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) noexcept;
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& msec) noexcept;

/// Adds a time of day to a date, counting backwards from a date before 1899-12-30 so
/// that DecodeDateTime gives the parts back.
TDateTime CombineDateTime(TDateTime date, TDateTime time) noexcept;

/// Rounded to the millisecond; numbers too large for a day number give {0, 0}.
TTimeStamp DateTimeToTimeStamp(TDateTime value) noexcept;
TDateTime TimeStampToDateTime(const TTimeStamp& ts) noexcept;
/// Day number × 86 400 000 + milliseconds of the day.
double TimeStampToMSecs(const TTimeStamp& ts) noexcept;
TTimeStamp MSecsToTimeStamp(double msecs) noexcept;

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value) noexcept;
/// The null timestamp reads as 0; fields outside their ranges fail.
bool TrySQLTimeStampToDateTime(const TSQLTimeStamp& ts, TDateTime& out) noexcept;
/// Raises EConvertError "Invalid argument to date encode" / "... time encode".
TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& ts);
/// Little-endian record: year, month, day, hour, minute, second (16 bits each), fraction (32 bits).
void StoreSQLTimeStamp(std::uint8_t* p, const TSQLTimeStamp& ts) noexcept;
TSQLTimeStamp LoadSQLTimeStamp(const std::uint8_t* p) noexcept;

/// The machine's formats: "yyyy-mm-dd", "hh:nn:ss", date separator '-', time separator ':'.
const std::string& ShortDateFormat() noexcept;
const std::string& LongTimeFormat() noexcept;

/// Date always, then " " and the time when hours, minutes or seconds are not all zero.
std::string DateTimeToStr(TDateTime value);
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
/// Format letters in either case: y yy yyyy, m mm mmm mmmm (minutes right after an hour),
/// d dd ddd dddd, h hh, n nn, s ss, z zzz, am/pm, ampm, c; '/' and ':' are the separators;
/// text in '…' or "…" is copied.
std::string FormatDateTime(std::string_view format, TDateTime value);
std::string SQLTimeStampToStr(const TSQLTimeStamp& ts);

/// Accepts "yyyy-mm-dd" (also '/' or '.' between the parts), an optional time after a blank
/// or 'T' ("hh:nn", "hh:nn:ss", "hh:nn:ss.zzz"), or a time alone; blanks around are ignored.
bool TryStrToDateTime(std::string_view text, TDateTime& out) noexcept;
/// Raises EConvertError "'<text>' is not a valid date and time".
TDateTime StrToDateTime(std::string_view text);
bool TryStrToDate(std::string_view text, TDateTime& out) noexcept;
TDateTime StrToDate(std::string_view text);  // "'<text>' is not a valid date"
bool TryStrToTime(std::string_view text, TDateTime& out) noexcept;
TDateTime StrToTime(std::string_view text);  // "'<text>' is not a valid time"
bool TryStrToSQLTimeStamp(std::string_view text, TSQLTimeStamp& out) noexcept;


}  // namespace ordo
