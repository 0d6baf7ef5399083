// Calendar arithmetic for date-time numbers, day numbers and SQL timestamps.
#include "core/date_time.h"

#include <cmath>
#include <ctime>

#include "core/errors.h"

namespace ordo {
namespace {

constexpr int kDaysBeforeMonth[2][13] = {
    {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
    {0, 0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335},
};
// Day number of 9999-12-31, the last encodable date.
constexpr std::int32_t kMaxDayNumber = 3652059;
// Beyond this many days a date-time number is no date at all.
constexpr double kMaxDays = 2.0e9;

/// Day number (1 = 0001-01-01) to year, month, day; Howard Hinnant's civil-from-days.
void CivilFromDayNumber(std::int32_t dayNumber, int& year, int& month, int& day) noexcept {
    long z = static_cast<long>(dayNumber) - 1 - 719162 + 719468;  // shift to 0000-03-01
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

bool TSQLTimeStamp::IsNull() const noexcept { return *this == TSQLTimeStamp{}; }

bool IsLeapYear(int year) noexcept { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) noexcept {
    if (month < 1 || month > 12) return 0;
    static constexpr int days[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) noexcept {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    const int y = year - 1;
    const int dayNumber = y * 365 + y / 4 - y / 100 + y / 400 + kDaysBeforeMonth[IsLeapYear(year) ? 1 : 0][month] + day;
    out = dayNumber - DateDelta;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime d = 0;
    if (!TryEncodeDate(year, month, day, d)) throw EConvertError("Invalid argument to date encode");
    return d;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& out) noexcept {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        return false;
    out = static_cast<double>(hour * 3600000 + minute * 60000 + second * 1000 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    TDateTime t = 0;
    if (!TryEncodeTime(hour, minute, second, msec, t)) throw EConvertError("Invalid argument to time encode");
    return t;
}

TDateTime CombineDateTime(TDateTime date, TDateTime time) noexcept {
    return date < 0 ? date - time : date + time;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) noexcept {
    const TTimeStamp ts = DateTimeToTimeStamp(value);
    if (ts.Date <= 0 || ts.Date > kMaxDayNumber) {
        year = month = day = 0;
        return;
    }
    CivilFromDayNumber(ts.Date, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) noexcept {
    const std::int32_t ms = DateTimeToTimeStamp(value).Time;
    hour = ms / 3600000;
    minute = ms / 60000 % 60;
    second = ms / 1000 % 60;
    msec = ms % 1000;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second,
                    int& msec) noexcept {
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
}

TTimeStamp DateTimeToTimeStamp(TDateTime value) noexcept {
    if (!std::isfinite(value) || std::fabs(value) > kMaxDays) return {};
    const auto ms = static_cast<std::int64_t>(std::nearbyint(value * MSecsPerDay));
    TTimeStamp ts;
    ts.Date = static_cast<std::int32_t>(DateDelta + ms / MSecsPerDay);
    ts.Time = static_cast<std::int32_t>((ms < 0 ? -ms : ms) % MSecsPerDay);
    return ts;
}

TDateTime TimeStampToDateTime(const TTimeStamp& ts) noexcept {
    const double days = static_cast<double>(ts.Date) - DateDelta;
    return CombineDateTime(days, static_cast<double>(ts.Time) / MSecsPerDay);
}

double TimeStampToMSecs(const TTimeStamp& ts) noexcept {
    return static_cast<double>(ts.Date) * MSecsPerDay + ts.Time;
}

TTimeStamp MSecsToTimeStamp(double msecs) noexcept {
    if (!std::isfinite(msecs) || std::fabs(msecs) > kMaxDays * MSecsPerDay) return {};
    TTimeStamp ts;
    const double days = std::trunc(msecs / MSecsPerDay);
    ts.Date = static_cast<std::int32_t>(days);
    ts.Time = static_cast<std::int32_t>(msecs - days * MSecsPerDay);
    return ts;
}

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value) noexcept {
    int y, m, d, h, n, s, ms;
    DecodeDateTime(value, y, m, d, h, n, s, ms);
    if (y == 0) return {};
    TSQLTimeStamp r;
    r.Year = static_cast<std::int16_t>(y);
    r.Month = static_cast<std::uint16_t>(m);
    r.Day = static_cast<std::uint16_t>(d);
    r.Hour = static_cast<std::uint16_t>(h);
    r.Minute = static_cast<std::uint16_t>(n);
    r.Second = static_cast<std::uint16_t>(s);
    r.Fractions = static_cast<std::uint32_t>(ms);
    return r;
}

bool TrySQLTimeStampToDateTime(const TSQLTimeStamp& ts, TDateTime& out) noexcept {
    if (ts.IsNull()) {
        out = 0;
        return true;
    }
    TDateTime date = 0;
    TDateTime time = 0;
    if (ts.Fractions > 999 || !TryEncodeDate(ts.Year, ts.Month, ts.Day, date) ||
        !TryEncodeTime(ts.Hour, ts.Minute, ts.Second, static_cast<int>(ts.Fractions), time))
        return false;
    out = CombineDateTime(date, time);
    return true;
}

TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& ts) {
    TDateTime out = 0;
    if (TrySQLTimeStampToDateTime(ts, out)) return out;
    TDateTime probe = 0;
    if (!TryEncodeDate(ts.Year, ts.Month, ts.Day, probe)) throw EConvertError("Invalid argument to date encode");
    throw EConvertError("Invalid argument to time encode");
}

void StoreSQLTimeStamp(std::uint8_t* p, const TSQLTimeStamp& ts) noexcept {
    const std::uint16_t parts[6] = {static_cast<std::uint16_t>(ts.Year), ts.Month, ts.Day, ts.Hour, ts.Minute, ts.Second};
    for (int i = 0; i < 6; ++i) {
        p[2 * i] = static_cast<std::uint8_t>(parts[i]);
        p[2 * i + 1] = static_cast<std::uint8_t>(parts[i] >> 8);
    }
    for (int i = 0; i < 4; ++i) p[12 + i] = static_cast<std::uint8_t>(ts.Fractions >> (8 * i));
}

TSQLTimeStamp LoadSQLTimeStamp(const std::uint8_t* p) noexcept {
    auto u16 = [p](int i) { return static_cast<std::uint16_t>(p[2 * i] | (p[2 * i + 1] << 8)); };
    TSQLTimeStamp ts;
    ts.Year = static_cast<std::int16_t>(u16(0));
    ts.Month = u16(1);
    ts.Day = u16(2);
    ts.Hour = u16(3);
    ts.Minute = u16(4);
    ts.Second = u16(5);
    ts.Fractions = std::uint32_t{p[12]} | std::uint32_t{p[13]} << 8 | std::uint32_t{p[14]} << 16 |
                   std::uint32_t{p[15]} << 24;
    return ts;
}

}  // namespace ordo
