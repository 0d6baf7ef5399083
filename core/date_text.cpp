// Date and time texts in the machine's formats, and FormatDateTime patterns.
#include <cmath>

#include "core/date_time.h"
#include "core/errors.h"
#include "core/text_convert.h"

namespace ordo {
namespace {

constexpr char kDateSeparator = '-';
constexpr char kTimeSeparator = ':';
const char* const kShortMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};
const char* const kShortDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

void AppendNumber(std::string& out, int value, int width) {
    std::string s = std::to_string(value < 0 ? -value : value);
    if (value < 0) out += '-';
    if (static_cast<int>(s.size()) < width) out.append(static_cast<std::size_t>(width) - s.size(), '0');
    out += s;
}

struct Parts {
    int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, ms = 0;
    int dayOfWeek = 0;  // 0 = Sunday
};

Parts Split(TDateTime value) {
    Parts p;
    DecodeDateTime(value, p.y, p.m, p.d, p.h, p.n, p.s, p.ms);
    const TTimeStamp ts = DateTimeToTimeStamp(value);
    // Day 1 (0001-01-01) was a Monday.
    p.dayOfWeek = ts.Date > 0 ? ts.Date % 7 : 0;
    return p;
}

std::size_t RunLength(std::string_view f, std::size_t i) {
    std::size_t j = i;
    while (j < f.size() && ToLowerAscii(f[j]) == ToLowerAscii(f[i])) ++j;
    return j - i;
}

bool StartsWithNoCase(std::string_view f, std::size_t i, std::string_view what) {
    if (f.size() - i < what.size()) return false;
    for (std::size_t k = 0; k < what.size(); ++k)
        if (ToLowerAscii(f[i + k]) != what[k]) return false;
    return true;
}

bool HasAmPm(std::string_view f) {
    for (std::size_t i = 0; i < f.size(); ++i)
        if (StartsWithNoCase(f, i, "am/pm") || StartsWithNoCase(f, i, "a/p") || StartsWithNoCase(f, i, "ampm"))
            return true;
    return false;
}

class Formatter {
public:
    Formatter(std::string_view f, TDateTime v) : f_(f), p_(Split(v)), twelve_(HasAmPm(f)) {}

    std::string Run() {
        for (std::size_t i = 0; i < f_.size();) i = Step(i);
        return std::move(out_);
    }

private:
    std::size_t Step(std::size_t i) {
        const char c = ToLowerAscii(f_[i]);
        const std::size_t run = RunLength(f_, i);
        switch (c) {
            case '\'': case '"': return Quoted(i);
            case 'y': AppendNumber(out_, run <= 2 ? p_.y % 100 : p_.y, run <= 2 ? 2 : 4); break;
            case 'm': Month(run); break;
            case 'd': Day(run); break;
            case 'h': AppendNumber(out_, Hour(), run >= 2 ? 2 : 1); afterHour_ = true; return i + run;
            case 'n': AppendNumber(out_, p_.n, run >= 2 ? 2 : 1); break;
            case 's': AppendNumber(out_, p_.s, run >= 2 ? 2 : 1); break;
            case 'z': AppendNumber(out_, p_.ms, run >= 3 ? 3 : 1); break;
            case 'c': out_ += Formatter(DateTimeText(), 0).RunOn(p_); break;
            case 'a': return AmPm(i);
            case '/': out_ += kDateSeparator; return i + 1;
            case ':': out_ += kTimeSeparator; return i + 1;
            default: out_ += f_[i]; return i + 1;
        }
        if (c != ' ') afterHour_ = false;
        return i + run;
    }

    std::string RunOn(const Parts& p) {
        p_ = p;
        return Run();
    }

    std::string_view DateTimeText() const {
        return (p_.h != 0 || p_.n != 0 || p_.s != 0) ? "yyyy-mm-dd hh:nn:ss" : "yyyy-mm-dd";
    }

    int Hour() const {
        if (!twelve_) return p_.h;
        const int h = p_.h % 12;
        return h == 0 ? 12 : h;
    }

    void Month(std::size_t run) {
        if (afterHour_ && run <= 2) {
            AppendNumber(out_, p_.n, run == 2 ? 2 : 1);
        } else if (run >= 4) {
            if (p_.m >= 1) out_ += kLongMonths[p_.m - 1];
        } else if (run == 3) {
            if (p_.m >= 1) out_ += kShortMonths[p_.m - 1];
        } else {
            AppendNumber(out_, p_.m, static_cast<int>(run));
        }
    }

    void Day(std::size_t run) {
        if (run >= 5) {
            out_ += RunFormat("yyyy-mm-dd");
        } else if (run == 4) {
            out_ += kLongDays[p_.dayOfWeek];
        } else if (run == 3) {
            out_ += kShortDays[p_.dayOfWeek];
        } else {
            AppendNumber(out_, p_.d, static_cast<int>(run));
        }
    }

    std::string RunFormat(std::string_view f) const {
        Formatter inner(f, 0);
        return inner.RunOn(p_);
    }

    std::size_t Quoted(std::size_t i) {
        const std::size_t j = f_.find(f_[i], i + 1);
        if (j == std::string_view::npos) {
            out_.append(f_.substr(i + 1));
            return f_.size();
        }
        out_.append(f_.substr(i + 1, j - i - 1));
        return j + 1;
    }

    std::size_t AmPm(std::size_t i) {
        const bool pm = p_.h >= 12;
        if (StartsWithNoCase(f_, i, "am/pm")) {
            out_ += pm ? "pm" : "am";
            return i + 5;
        }
        if (StartsWithNoCase(f_, i, "a/p")) {
            out_ += pm ? 'p' : 'a';
            return i + 3;
        }
        if (StartsWithNoCase(f_, i, "ampm")) {
            out_ += pm ? "PM" : "AM";
            return i + 4;
        }
        out_ += f_[i];
        return i + 1;
    }

    std::string_view f_;
    Parts p_;
    bool twelve_ = false;
    bool afterHour_ = false;
    std::string out_;
};

}  // namespace

const std::string& ShortDateFormat() noexcept {
    static const std::string f = "yyyy-mm-dd";
    return f;
}

const std::string& LongTimeFormat() noexcept {
    static const std::string f = "hh:nn:ss";
    return f;
}

std::string FormatDateTime(std::string_view format, TDateTime value) { return Formatter(format, value).Run(); }

std::string DateTimeToStr(TDateTime value) { return FormatDateTime("c", value); }
std::string DateToStr(TDateTime value) { return FormatDateTime(ShortDateFormat(), value); }
std::string TimeToStr(TDateTime value) { return FormatDateTime(LongTimeFormat(), value); }

std::string SQLTimeStampToStr(const TSQLTimeStamp& ts) {
    std::string out;
    AppendNumber(out, ts.Year, 4);
    out += kDateSeparator;
    AppendNumber(out, ts.Month, 2);
    out += kDateSeparator;
    AppendNumber(out, ts.Day, 2);
    if (ts.Hour != 0 || ts.Minute != 0 || ts.Second != 0 || ts.Fractions != 0) {
        out += ' ';
        AppendNumber(out, ts.Hour, 2);
        out += kTimeSeparator;
        AppendNumber(out, ts.Minute, 2);
        out += kTimeSeparator;
        AppendNumber(out, ts.Second, 2);
        // Kept so that the text reads back to the same record.
        if (ts.Fractions != 0) {
            out += '.';
            AppendNumber(out, static_cast<int>(ts.Fractions % 1000), 3);
        }
    }
    return out;
}

}  // namespace ordo
