#include "platform/codepage.h"

#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>
#include <mutex>

#include "core/errors.h"
#include "core/text_convert.h"
#include "platform/codepage_override.h"

namespace ordo {

namespace {

bool IsUtf8Name(std::string_view name) {
    std::string u = UpperCase(name);
    return u == "UTF-8" || u == "UTF8";
}

bool IsUtf16Name(std::string_view name) { return UpperCase(name).rfind("UTF-16", 0) == 0; }

// How many input bytes one undecodable or unrepresentable character takes, so it becomes one
// replacement and not several.
std::size_t CharLength(std::string_view from, const char* p, std::size_t left) {
    if (IsUtf16Name(from)) {
        if (left >= 4) {
            auto hi = static_cast<unsigned char>(p[1]);
            if (hi >= 0xD8 && hi <= 0xDB) return 4;
        }
        return left < 2 ? left : 2;
    }
    if (IsUtf8Name(from)) {
        auto c = static_cast<unsigned char>(p[0]);
        std::size_t n = c >= 0xF0 && c < 0xF8 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (n > left) return 1;
        for (std::size_t i = 1; i < n; ++i)
            if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) return 1;
        return n;
    }
    return 1;
}

std::string_view Replacement(std::string_view to) {
    if (IsUtf16Name(to)) return std::string_view("\xFD\xFF", 2);
    if (IsUtf8Name(to)) return "\xEF\xBF\xBD";
    return "?";
}

struct Iconv {
    iconv_t cd;
    Iconv(const std::string& from, const std::string& to) : cd(::iconv_open(to.c_str(), from.c_str())) {
        if (cd == reinterpret_cast<iconv_t>(-1))
            throw EConvertError("No conversion from " + from + " to " + to + " on this system");
    }
    ~Iconv() { ::iconv_close(cd); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
};

std::string Bytes16(std::u16string_view wide) {
    std::string out;
    out.reserve(wide.size() * 2);
    for (char16_t c : wide) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

std::u16string Chars16(std::string_view bytes) {
    std::u16string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            static_cast<unsigned char>(bytes[i + 1]) << 8));
    return out;
}

}  // namespace

void InitLocale() {
    static std::once_flag once;
    std::call_once(once, [] { std::setlocale(LC_ALL, ""); });
}

std::string AnsiCodePage() {
    InitLocale();
    if (std::string pinned = detail::OverriddenAnsiCodePage(); !pinned.empty()) return pinned;
    std::string codeset = ::nl_langinfo(CODESET);
    std::string u = UpperCase(codeset);
    // The plain C/POSIX locale reports ASCII; the program's texts are then taken as UTF-8.
    if (u.empty() || u == "ANSI_X3.4-1968" || u == "ASCII" || u == "US-ASCII") return "UTF-8";
    // Korean Windows code page 949 is a superset of EUC-KR; reading with it keeps extended Hangul.
    if (u == "EUC-KR" || u == "EUCKR") return "CP949";
    return codeset;
}

bool AnsiCodePageIsUtf8() { return IsUtf8Name(AnsiCodePage()); }

std::string ConvertCodeset(std::string_view text, std::string_view fromCodeset, std::string_view toCodeset) {
    if (text.empty()) return {};
    if (UpperCase(fromCodeset) == UpperCase(toCodeset) || (IsUtf8Name(fromCodeset) && IsUtf8Name(toCodeset)))
        return std::string(text);
    Iconv conv{std::string(fromCodeset), std::string(toCodeset)};
    std::string out;
    char buf[4096];
    char* in = const_cast<char*>(text.data());  // iconv's interface is not const-correct
    std::size_t inLeft = text.size();
    while (inLeft > 0) {
        char* o = buf;
        std::size_t oLeft = sizeof buf;
        std::size_t rc = ::iconv(conv.cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, static_cast<std::size_t>(o - buf));
        if (rc != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or a truncated character at the end: one replacement, then go on.
        out += Replacement(toCodeset);
        std::size_t skip = errno == EINVAL ? inLeft : CharLength(fromCodeset, in, inLeft);
        in += skip;
        inLeft -= skip;
    }
    char* o = buf;
    std::size_t oLeft = sizeof buf;
    ::iconv(conv.cd, nullptr, nullptr, &o, &oLeft);  // flush any shift state
    out.append(buf, static_cast<std::size_t>(o - buf));
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8) { return ConvertCodeset(utf8, "UTF-8", AnsiCodePage()); }

std::string AnsiToUtf8(std::string_view ansi) { return ConvertCodeset(ansi, AnsiCodePage(), "UTF-8"); }

std::string WideToAnsi(std::u16string_view wide) {
    return ConvertCodeset(Bytes16(wide), "UTF-16LE", AnsiCodePage());
}

std::u16string AnsiToWide(std::string_view ansi) {
    return Chars16(ConvertCodeset(ansi, AnsiCodePage(), "UTF-16LE"));
}

}  // namespace ordo
