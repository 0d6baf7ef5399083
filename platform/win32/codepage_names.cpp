#include "platform/win32/codepage_names.h"

#include <charconv>

#include "core/text_convert.h"

namespace ordo::detail {

namespace {

std::optional<unsigned> Number(std::string_view digits) {
    unsigned value = 0;
    if (digits.empty()) return std::nullopt;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size() || value == 0 || value > 65535) return std::nullopt;
    return value;
}

std::optional<unsigned> AfterPrefix(const std::string& name, std::string_view prefix) {
    if (name.rfind(prefix, 0) != 0) return std::nullopt;
    return Number(std::string_view(name).substr(prefix.size()));
}

}  // namespace

std::optional<unsigned> CodePageOfName(std::string_view name) {
    const std::string u = UpperCase(name);
    if (u == "UTF-8" || u == "UTF8") return 65001u;
    if (u == "UTF-16LE" || u == "UTF-16" || u == "UCS-2LE") return kUtf16CodePage;
    if (u == "EUC-KR" || u == "EUCKR" || u == "UHC" || u == "KS_C_5601-1987") return 949u;
    if (u == "ASCII" || u == "US-ASCII" || u == "ANSI_X3.4-1968") return 20127u;
    if (u == "LATIN1") return 28591u;
    if (u == "SHIFT_JIS" || u == "SJIS") return 932u;
    if (u == "GBK" || u == "GB2312") return 936u;
    if (u == "BIG5") return 950u;
    if (auto n = AfterPrefix(u, "ISO-8859-"); n && *n <= 16) return 28590u + *n;
    for (std::string_view prefix : {"WINDOWS-", "CP", "IBM"})
        if (auto n = AfterPrefix(u, prefix)) return n;
    return Number(u);
}

std::string NameOfCodePage(unsigned codePage) {
    if (codePage == 65001u) return "UTF-8";
    return "CP" + std::to_string(codePage);
}

}  // namespace ordo::detail
