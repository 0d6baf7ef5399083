#include <gtest/gtest.h>

#include <cstring>

#include "core/date_time.h"
#include "core/errors.h"

namespace ordo {
namespace {

TEST(DateTime, EncodeDecodeKnownDates) {
    struct Case { int y, m, d; double days; } cases[] = {
        {1899, 12, 30, 0}, {1900, 1, 1, 2}, {2024, 1, 1, 45292}, {2000, 2, 29, 36585}, {1, 1, 1, -693593},
        {9999, 12, 31, 2958465}, {1899, 12, 29, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.days);
        EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.days);
        int y, m, d;
        DecodeDate(c.days, y, m, d);
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(m, c.m);
        EXPECT_EQ(d, c.d);
    }
    EXPECT_THROW((void)EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_THROW((void)EncodeDate(0, 1, 1), EConvertError);
    EXPECT_THROW((void)EncodeTime(24, 0, 0, 0), EConvertError);
    int y = 1, m = 1, d = 1;
    DecodeDate(1e12, y, m, d);
    EXPECT_EQ(y, 0) << "a number far outside the calendar decodes as nothing, without a crash";
}

TEST(DateTime, TimeOfDayAndNegativeNumbers) {
    int h, n, s, ms;
    DecodeTime(EncodeTime(13, 45, 30, 250), h, n, s, ms);
    EXPECT_EQ(h * 10000000 + n * 100000 + s * 1000 + ms, 134530250);
    // Before 1899-12-30 the fraction still counts forward from midnight.
    int y, m, d;
    DecodeDateTime(-1.25, y, m, d, h, n, s, ms);
    EXPECT_EQ(y * 10000 + m * 100 + d, 18991229);
    EXPECT_EQ(h, 6);
    EXPECT_EQ(CombineDateTime(-1, 0.25), -1.25);
    EXPECT_EQ(CombineDateTime(45292, 0.5), 45292.5);
}

TEST(DateTime, DayNumbersAndMilliseconds) {
    const TTimeStamp ts = DateTimeToTimeStamp(45292.5);
    EXPECT_EQ(ts.Date, 738886);
    EXPECT_EQ(ts.Time, 43200000);
    EXPECT_EQ(DateTimeToTimeStamp(0).Date, DateDelta);
    EXPECT_EQ(TimeStampToDateTime(ts), 45292.5);
    EXPECT_EQ(TimeStampToMSecs(ts), 738886.0 * 86400000 + 43200000);
    EXPECT_EQ(MSecsToTimeStamp(TimeStampToMSecs(ts)), ts);
    // Rounded to the millisecond: a hair below midnight is the next day.
    EXPECT_EQ(DateTimeToTimeStamp(1 - 1e-12).Date, DateDelta + 1);
}

TEST(SQLTimeStamp, RecordBytesAndConversions) {
    TSQLTimeStamp ts;
    ts.Year = 2024;
    ts.Month = 3;
    ts.Day = 15;
    ts.Hour = 10;
    ts.Minute = 20;
    ts.Second = 30;
    ts.Fractions = 456;
    std::uint8_t raw[16];
    StoreSQLTimeStamp(raw, ts);
    const std::uint8_t want[16] = {0xE8, 0x07, 3, 0, 15, 0, 10, 0, 20, 0, 30, 0, 0xC8, 0x01, 0, 0};
    EXPECT_EQ(0, std::memcmp(raw, want, 16));
    EXPECT_EQ(LoadSQLTimeStamp(raw), ts);
    const TDateTime dt = SQLTimeStampToDateTime(ts);
    EXPECT_EQ(DateTimeToSQLTimeStamp(dt), ts);
    EXPECT_EQ(SQLTimeStampToDateTime(TSQLTimeStamp{}), 0);
    TSQLTimeStamp bad = ts;
    bad.Month = 13;
    EXPECT_THROW((void)SQLTimeStampToDateTime(bad), EConvertError);
    bad = ts;
    bad.Fractions = 1000;
    TDateTime out = 0;
    EXPECT_FALSE(TrySQLTimeStampToDateTime(bad, out));
    EXPECT_EQ(SQLTimeStampToStr(ts), "2024-03-15 10:20:30.456");
}

TEST(DateText, MachineFormats) {
    EXPECT_EQ(DateTimeToStr(45292), "2024-01-01");
    EXPECT_EQ(DateTimeToStr(45292.75), "2024-01-01 18:00:00");
    EXPECT_EQ(DateToStr(45292.75), "2024-01-01");
    EXPECT_EQ(TimeToStr(0.5), "12:00:00");
    EXPECT_EQ(FormatDateTime("DD-MMM-YYYY HH:NN:SS", 45292.75), "01-Jan-2024 18:00:00");
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:mm", 45292.75), "2024-01-01 18:00");
    EXPECT_EQ(FormatDateTime("d/m/yy h:n:s.zzz", EncodeDate(2009, 3, 7) + EncodeTime(8, 5, 3, 7)), "7-3-09 8:5:3.007");
    EXPECT_EQ(FormatDateTime("dddd 'at' h am/pm", 45292.75), "Monday at 6 pm");
    EXPECT_EQ(FormatDateTime("\"mm\"mm", 45292), "mm01");
}

TEST(DateText, ParsesWhatItWrites) {
    for (double v : {45292.0, 45292.75, -1.25, 0.5, 36585.999988426}) {
        SCOPED_TRACE(v);
        TDateTime back = -7;
        ASSERT_TRUE(TryStrToDateTime(DateTimeToStr(v), back));
        EXPECT_NEAR(back, v, 1.0 / 86400);
    }
    TDateTime v = 0;
    EXPECT_TRUE(TryStrToDateTime(" 2024-01-01T06:00 ", v));
    EXPECT_EQ(v, 45292.25);
    EXPECT_TRUE(TryStrToDateTime("2024/01/01 00:00:00.5", v));
    EXPECT_NEAR(v, 45292 + 0.5 / 86400, 1e-9);
    EXPECT_TRUE(TryStrToDateTime("18:00", v));
    EXPECT_EQ(v, 0.75);
    for (const char* bad : {"", "2024-13-01", "2024-02-30", "2024-01", "2024-01-01x", "25:00", "12:60", "2024-01-01 7",
                            "2024-01/01"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(TryStrToDateTime(bad, v));
    }
    EXPECT_FALSE(TryStrToDate("2024-01-01 10:00", v));
    EXPECT_FALSE(TryStrToTime("2024-01-01", v));
    try {
        (void)StrToDateTime("soon");
        ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'soon' is not a valid date and time");
    }
}

}  // namespace
}  // namespace ordo
