// FormatFloat: the platform's number pattern language.
#include <cmath>
#include <vector>

#include "platform/decimal_digits.h"
#include "platform/text_convert.h"

namespace ordo {
namespace {

/// What a pattern section asks for, read once before the digits are laid out.
struct SectionInfo {
    int intCount = 0;    // '0'/'#' before the point
    int firstZero = -1;  // index of the first '0' among them, -1 if none
    int fracCount = 0;   // '0'/'#' after the point
    int lastZero = 0;    // 1-based index of the last '0' after the point
    bool thousands = false;
    bool scientific = false;
};

std::size_t SkipQuoted(std::string_view f, std::size_t i) {
    char q = f[i];
    std::size_t j = f.find(q, i + 1);
    return j == std::string_view::npos ? f.size() : j + 1;
}

bool IsExponentAt(std::string_view f, std::size_t i) {
    return (f[i] == 'E' || f[i] == 'e') && i + 1 < f.size() && (f[i + 1] == '+' || f[i + 1] == '-');
}

std::vector<std::string_view> SplitSections(std::string_view f) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < f.size();) {
        if (f[i] == '\'' || f[i] == '"') {
            i = SkipQuoted(f, i);
        } else if (f[i] == ';') {
            out.push_back(f.substr(start, i - start));
            start = ++i;
        } else {
            ++i;
        }
    }
    out.push_back(f.substr(start));
    return out;
}

SectionInfo Analyse(std::string_view f) {
    SectionInfo s;
    bool point = false;
    for (std::size_t i = 0; i < f.size();) {
        char c = f[i];
        if (c == '\'' || c == '"') {
            i = SkipQuoted(f, i);
            continue;
        }
        if (IsExponentAt(f, i)) {
            s.scientific = true;
            break;
        }
        if (c == '0' || c == '#') {
            if (point) {
                ++s.fracCount;
                if (c == '0') s.lastZero = s.fracCount;
            } else {
                if (c == '0' && s.firstZero < 0) s.firstZero = s.intCount;
                ++s.intCount;
            }
        } else if (c == '.') {
            point = true;
        } else if (c == ',' && !point) {
            s.thousands = true;
        }
        ++i;
    }
    return s;
}

std::string Grouped(const std::string& digits, bool thousands) {
    if (!thousands || digits.size() <= 3) return digits;
    std::string out;
    const char sep = ThousandSeparator();
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) out += sep;
        out += digits[i];
    }
    return out;
}

struct Laid {
    std::string intText;
    std::string fracText;
    int exponent = 0;
    bool zero = true;
};

Laid LayOut(double absValue, const SectionInfo& s) {
    Laid r;
    detail::DecimalDigits d;
    int intDigits = 0;
    if (s.scientific) {
        int sig = s.intCount + s.fracCount;
        d = detail::ToSignificantDigits(absValue, sig < 1 ? 1 : (sig > 15 ? 15 : sig));
        intDigits = s.intCount;
        r.exponent = d.Digits.empty() ? 0 : d.Exponent - s.intCount;
    } else {
        d = detail::ToFixedDigits(absValue, s.fracCount);
        intDigits = d.Exponent > 0 ? d.Exponent : 0;
    }
    r.zero = d.Digits.empty();
    std::string digits = d.Digits;
    if (!s.scientific && d.Exponent < 0) digits.insert(0, static_cast<std::size_t>(-d.Exponent), '0');
    if (static_cast<int>(digits.size()) < intDigits) digits.append(static_cast<std::size_t>(intDigits) - digits.size(), '0');
    std::string ip = digits.substr(0, static_cast<std::size_t>(intDigits));
    std::string fp = digits.substr(static_cast<std::size_t>(intDigits));
    const int minInt = s.firstZero < 0 ? 0 : s.intCount - s.firstZero;
    if (static_cast<int>(ip.size()) < minInt) ip.insert(0, static_cast<std::size_t>(minInt) - ip.size(), '0');
    r.intText = Grouped(ip, s.thousands);
    int shown = static_cast<int>(fp.size()) < s.fracCount ? static_cast<int>(fp.size()) : s.fracCount;
    if (shown < s.lastZero) shown = s.lastZero;
    fp.resize(static_cast<std::size_t>(shown), '0');
    r.fracText = std::move(fp);
    return r;
}

std::string Render(std::string_view f, const SectionInfo& s, const Laid& laid, bool minus) {
    std::string out = minus ? "-" : "";
    bool intDone = false;
    bool pointDone = false;
    auto emitInt = [&] {
        if (!intDone) out += laid.intText;
        intDone = true;
    };
    for (std::size_t i = 0; i < f.size();) {
        char c = f[i];
        if (c == '\'' || c == '"') {
            std::size_t j = SkipQuoted(f, i);
            const bool closed = j - 1 > i && f[j - 1] == c;
            out.append(f.substr(i + 1, j - i - 1 - (closed ? 1 : 0)));
            i = j;
            continue;
        }
        if (s.scientific && IsExponentAt(f, i)) {
            emitInt();
            if (!pointDone && !laid.fracText.empty()) out += DecimalSeparator() + laid.fracText;
            pointDone = true;
            out += c;
            const bool plus = f[i + 1] == '+';
            i += 2;
            int width = 0;
            while (i < f.size() && f[i] == '0') ++width, ++i;
            int e = laid.exponent;
            if (e < 0) out += '-';
            else if (plus) out += '+';
            std::string digits = IntToStr(e < 0 ? -e : e);
            if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
            out += digits;
            continue;
        }
        if (c == '0' || c == '#') {
            if (!pointDone) emitInt();
        } else if (c == '.') {
            emitInt();
            if (!pointDone && !laid.fracText.empty()) out += DecimalSeparator() + laid.fracText;
            pointDone = true;
        } else if (c != ',') {
            out += c;
        }
        ++i;
    }
    emitInt();
    return out;
}

}  // namespace

std::string FormatFloat(std::string_view format, double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    std::vector<std::string_view> sections = SplitSections(format);
    std::string_view section = sections[0];
    bool ownSign = false;
    if (value < 0 && sections.size() > 1 && !sections[1].empty()) {
        section = sections[1];
        ownSign = true;
    }
    SectionInfo info = Analyse(section);
    Laid laid = LayOut(std::fabs(value), info);
    if (laid.zero && sections.size() > 2 && !sections[2].empty()) {
        section = sections[2];
        info = Analyse(section);
        laid = LayOut(0.0, info);
        ownSign = true;
    }
    const bool minus = value < 0 && !ownSign && !laid.zero;
    return Render(section, info, laid, minus);
}

}  // namespace ordo
