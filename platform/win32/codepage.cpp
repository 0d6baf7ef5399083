// The ANSI code page is the system's own (GetACP: 949 on a Korean Windows); conversions go
// through UTF-16 with MultiByteToWideChar and WideCharToMultiByte.
#include "platform/codepage.h"

#include <clocale>
#include <mutex>

#include "core/errors.h"
#include "platform/codepage_override.h"
#include "platform/win32/codepage_names.h"
#include "platform/win32/windows_api.h"

namespace ordo {

namespace {

constexpr char16_t kReplacementChar = 0xFFFD;

std::u16string Widen(std::string_view text, unsigned codePage, DWORD flags) {
    std::u16string out;
    if (text.empty()) return out;
    const int len = static_cast<int>(text.size());
    int n = ::MultiByteToWideChar(codePage, flags, text.data(), len, nullptr, 0);
    if (n <= 0) return out;
    out.resize(static_cast<std::size_t>(n));
    ::MultiByteToWideChar(codePage, flags, text.data(), len, reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
}

// Bytes that are no character of the code page become one U+FFFD each (a lead byte with its
// trail byte counting as one), however the system would have guessed.
std::u16string ToWide(std::string_view text, unsigned codePage) {
    if (text.empty()) return {};
    std::u16string strict = Widen(text, codePage, MB_ERR_INVALID_CHARS);
    if (!strict.empty()) return strict;
    if (codePage == CP_UTF8) return Widen(text, codePage, 0);  // the system replaces per sequence
    std::u16string out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t len = 1;
        if (::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[i])) && i + 1 < text.size()) len = 2;
        std::u16string one = Widen(text.substr(i, len), codePage, MB_ERR_INVALID_CHARS);
        if (one.empty()) {
            out.push_back(kReplacementChar);
            ++i;  // a bad pair may still hide a good single byte behind its lead
            continue;
        }
        out += one;
        i += len;
    }
    return out;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// A character beyond the 16-bit range takes two units; an 8-bit code page gets one '?' for it,
// not one for each half.
std::u16string OneUnitPerCharacter(std::u16string_view wide) {
    std::u16string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (!IsSurrogate(wide[i])) {
            out.push_back(wide[i]);
            continue;
        }
        if (IsHighSurrogate(wide[i]) && i + 1 < wide.size() && IsSurrogate(wide[i + 1]) && !IsHighSurrogate(wide[i + 1]))
            ++i;
        out.push_back(kReplacementChar);
    }
    return out;
}

std::string FromWide(std::u16string_view input, unsigned codePage) {
    if (input.empty()) return {};
    constexpr unsigned kGb18030 = 54936;  // the one 8-bit code page that holds every character
    std::u16string folded;
    std::u16string_view wide = input;
    if (codePage != CP_UTF8 && codePage != kGb18030) {
        folded = OneUnitPerCharacter(input);
        wide = folded;
    }
    const auto* w = reinterpret_cast<const wchar_t*>(wide.data());
    const int len = static_cast<int>(wide.size());
    // No best fit: a character the code page lacks is '?', never a look-alike that reads differently.
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = codePage == CP_UTF8 ? nullptr : "?";
    int n = ::WideCharToMultiByte(codePage, flags, w, len, nullptr, 0, fallback, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, flags, w, len, out.data(), n, fallback, nullptr);
    return out;
}

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
    if (bytes.size() % 2 != 0) out.push_back(kReplacementChar);  // half a character
    return out;
}

unsigned RequireCodePage(std::string_view name, std::string_view from, std::string_view to) {
    auto cp = detail::CodePageOfName(name);
    if (!cp || (*cp != detail::kUtf16CodePage && !::IsValidCodePage(*cp)))
        throw EConvertError("No conversion from " + std::string(from) + " to " + std::string(to) + " on this system");
    return *cp;
}

}  // namespace

void InitLocale() {
    static std::once_flag once;
    std::call_once(once, [] { std::setlocale(LC_ALL, ""); });
}

std::string AnsiCodePage() {
    if (std::string pinned = detail::OverriddenAnsiCodePage(); !pinned.empty()) return pinned;
    return detail::NameOfCodePage(::GetACP());
}

bool AnsiCodePageIsUtf8() { return detail::CodePageOfName(AnsiCodePage()) == CP_UTF8; }

std::string ConvertCodeset(std::string_view text, std::string_view fromCodeset, std::string_view toCodeset) {
    if (text.empty()) return {};
    const unsigned from = RequireCodePage(fromCodeset, fromCodeset, toCodeset);
    const unsigned to = RequireCodePage(toCodeset, fromCodeset, toCodeset);
    if (from == to) return std::string(text);
    std::u16string wide = from == detail::kUtf16CodePage ? Chars16(text) : ToWide(text, from);
    if (to == detail::kUtf16CodePage) return Bytes16(wide);
    return FromWide(wide, to);
}

std::string Utf8ToAnsi(std::string_view utf8) { return ConvertCodeset(utf8, "UTF-8", AnsiCodePage()); }

std::string AnsiToUtf8(std::string_view ansi) { return ConvertCodeset(ansi, AnsiCodePage(), "UTF-8"); }

std::string WideToAnsi(std::u16string_view wide) {
    return FromWide(wide, RequireCodePage(AnsiCodePage(), "UTF-16LE", AnsiCodePage()));
}

std::u16string AnsiToWide(std::string_view ansi) {
    return ToWide(ansi, RequireCodePage(AnsiCodePage(), AnsiCodePage(), "UTF-16LE"));
}

}  // namespace ordo
