// Reading dates and times from text in the machine's (ISO) order.
#include <string>

#include "core/date_time.h"
#include "core/errors.h"

namespace ordo {
namespace {

class Scanner {
public:
    explicit Scanner(std::string_view s) : s_(s) {}

    bool AtEnd() const { return i_ == s_.size(); }
    char Peek() const { return AtEnd() ? '\0' : s_[i_]; }
    void SkipBlanks() {
        while (!AtEnd() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
    }
    bool Accept(char c) {
        if (Peek() != c) return false;
        ++i_;
        return true;
    }
    /// 1..maxDigits decimal digits; `count` tells how many were read.
    bool Number(int maxDigits, int& value, int& count) {
        value = 0;
        count = 0;
        while (!AtEnd() && s_[i_] >= '0' && s_[i_] <= '9' && count < maxDigits) {
            value = value * 10 + (s_[i_++] - '0');
            ++count;
        }
        return count > 0;
    }
    std::size_t Pos() const { return i_; }
    void Reset(std::size_t pos) { i_ = pos; }

private:
    std::string_view s_;
    std::size_t i_ = 0;
};

int ExpandYear(int year, int digits) {
    if (digits > 2) return year;
    // Two-digit years fall in the 50-year window around 2000.
    return year < 50 ? 2000 + year : 1900 + year;
}

bool ScanDate(Scanner& sc, TDateTime& out) {
    int y = 0, m = 0, d = 0, n = 0;
    if (!sc.Number(4, y, n)) return false;
    const int yDigits = n;
    const char sep = sc.Peek();
    if (sep != '-' && sep != '/' && sep != '.') return false;
    sc.Accept(sep);
    if (!sc.Number(2, m, n) || !sc.Accept(sep) || !sc.Number(2, d, n)) return false;
    return TryEncodeDate(ExpandYear(y, yDigits), m, d, out);
}

bool ScanTime(Scanner& sc, TDateTime& out) {
    int h = 0, n = 0, s = 0, ms = 0, count = 0;
    if (!sc.Number(2, h, count) || !sc.Accept(':') || !sc.Number(2, n, count)) return false;
    if (sc.Accept(':')) {
        if (!sc.Number(2, s, count)) return false;
        if (sc.Accept('.')) {
            int digits = 0;
            if (!sc.Number(3, ms, digits)) return false;
            // The digits are a fraction of the second: ".5" is 500 ms.
            for (; digits < 3; ++digits) ms *= 10;
        }
    }
    return TryEncodeTime(h, n, s, ms, out);
}

bool Finish(Scanner& sc) {
    sc.SkipBlanks();
    return sc.AtEnd();
}

std::string Quote(std::string_view text) {
    std::string s;
    s.reserve(text.size() + 2);
    s += '\'';
    s.append(text);
    s += '\'';
    return s;
}

}  // namespace

bool TryStrToDate(std::string_view text, TDateTime& out) noexcept {
    Scanner sc(text);
    sc.SkipBlanks();
    TDateTime d = 0;
    if (!ScanDate(sc, d) || !Finish(sc)) return false;
    out = d;
    return true;
}

bool TryStrToTime(std::string_view text, TDateTime& out) noexcept {
    Scanner sc(text);
    sc.SkipBlanks();
    TDateTime t = 0;
    if (!ScanTime(sc, t) || !Finish(sc)) return false;
    out = t;
    return true;
}

bool TryStrToDateTime(std::string_view text, TDateTime& out) noexcept {
    Scanner sc(text);
    sc.SkipBlanks();
    const std::size_t start = sc.Pos();
    TDateTime date = 0;
    TDateTime time = 0;
    if (!ScanDate(sc, date)) {
        sc.Reset(start);
        if (!ScanTime(sc, time) || !Finish(sc)) return false;
        out = time;
        return true;
    }
    const std::size_t afterDate = sc.Pos();
    if (Finish(sc)) {
        out = date;
        return true;
    }
    sc.Reset(afterDate);
    if (!sc.Accept('T')) {
        if (sc.Peek() != ' ' && sc.Peek() != '\t') return false;
        sc.SkipBlanks();
    }
    if (!ScanTime(sc, time) || !Finish(sc)) return false;
    out = CombineDateTime(date, time);
    return true;
}

TDateTime StrToDateTime(std::string_view text) {
    TDateTime v = 0;
    if (!TryStrToDateTime(text, v)) throw EConvertError(Quote(text) + " is not a valid date and time");
    return v;
}

TDateTime StrToDate(std::string_view text) {
    TDateTime v = 0;
    if (!TryStrToDate(text, v)) throw EConvertError(Quote(text) + " is not a valid date");
    return v;
}

TDateTime StrToTime(std::string_view text) {
    TDateTime v = 0;
    if (!TryStrToTime(text, v)) throw EConvertError(Quote(text) + " is not a valid time");
    return v;
}

bool TryStrToSQLTimeStamp(std::string_view text, TSQLTimeStamp& out) noexcept {
    TDateTime v = 0;
    if (!TryStrToDateTime(text, v)) return false;
    out = DateTimeToSQLTimeStamp(v);
    return true;
}

}  // namespace ordo
