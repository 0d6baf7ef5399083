#include "literal_scan.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace ordo::test {
namespace {

constexpr std::string_view kConversion = "AnsiLiteral";
constexpr std::string_view kMarker = "codepage: utf-8";

bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }
bool HasNonAscii(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

class TScanner {
public:
    explicit TScanner(std::string_view src) : src_(src) {}

    std::vector<TLiteralFinding> Run() {
        while (pos_ < src_.size()) Step();
        Flush();
        std::vector<TLiteralFinding> out;
        for (const TLiteralFinding& f : pending_)
            if (std::find(markedLines_.begin(), markedLines_.end(), f.line) == markedLines_.end()) out.push_back(f);
        return out;
    }

private:
    void Step() {
        const char c = src_[pos_];
        if (c == '\n') {
            ++line_;
            ++pos_;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++pos_;
        } else if (src_.compare(pos_, 2, "//") == 0) {
            LineComment();
        } else if (src_.compare(pos_, 2, "/*") == 0) {
            BlockComment();
        } else if (c == '"' || c == '\'') {
            Literal(pos_, pos_);
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            Number();
        } else if (IsIdentChar(c)) {
            Identifier();
        } else {
            Flush();
            prev2_ = prev_;
            prev_ = std::string(1, c);
            ++pos_;
        }
    }

    void LineComment() {
        const std::size_t end = std::min(src_.find('\n', pos_), src_.size());
        if (src_.substr(pos_, end - pos_).find(kMarker) != std::string_view::npos) markedLines_.push_back(line_);
        pos_ = end;
    }

    void BlockComment() {
        const std::size_t end = src_.find("*/", pos_ + 2);
        const std::size_t stop = end == std::string_view::npos ? src_.size() : end + 2;
        line_ += static_cast<int>(std::count(src_.begin() + static_cast<std::ptrdiff_t>(pos_),
                                             src_.begin() + static_cast<std::ptrdiff_t>(stop), '\n'));
        pos_ = stop;
    }

    // A pp-number, so that digit separators (1'000) are not taken for character literals.
    void Number() {
        Flush();
        while (pos_ < src_.size()) {
            const char c = src_[pos_];
            if ((c == '+' || c == '-') && std::strchr("eEpP", src_[pos_ - 1]) != nullptr) {
                ++pos_;
            } else if (IsIdentChar(c) || c == '.' || (c == '\'' && pos_ + 1 < src_.size() && IsIdentChar(src_[pos_ + 1]))) {
                ++pos_;
            } else {
                break;
            }
        }
        prev2_ = prev_;
        prev_ = "0";
    }

    void Identifier() {
        const std::size_t start = pos_;
        while (pos_ < src_.size() && IsIdentChar(src_[pos_])) ++pos_;
        const std::string_view word = src_.substr(start, pos_ - start);
        // An encoding prefix glued to a quote belongs to the literal.
        if (pos_ < src_.size() && (src_[pos_] == '"' || src_[pos_] == '\'') &&
            (word == "u8" || word == "u" || word == "U" || word == "L" || word == "R" || word == "u8R" ||
             word == "uR" || word == "UR" || word == "LR")) {
            Literal(start, pos_);
            return;
        }
        Flush();
        prev2_ = prev_;
        prev_ = std::string(word);
    }

    /// The literal whose prefix starts at `start` and whose quote is at `quote`.
    void Literal(std::size_t start, std::size_t quote) {
        const bool raw = quote > start && src_[quote - 1] == 'R' && src_[quote] == '"';
        const int firstLine = line_;
        std::size_t end = raw ? RawEnd(quote) : QuotedEnd(quote);
        const std::string_view text = src_.substr(start, end - start);
        line_ += static_cast<int>(std::count(text.begin(), text.end(), '\n'));
        pos_ = end;
        if (!inGroup_) {
            // A run of adjacent literals is one argument: it passes or fails as a whole.
            inGroup_ = true;
            groupConverted_ = prev_ == "(" && prev2_ == kConversion;
        }
        if (!groupConverted_ && HasNonAscii(text)) pending_.push_back({firstLine, std::string(text)});
    }

    std::size_t QuotedEnd(std::size_t quote) const {
        const char q = src_[quote];
        std::size_t i = quote + 1;
        while (i < src_.size() && src_[i] != q && src_[i] != '\n') i += src_[i] == '\\' ? 2u : 1u;
        return std::min(i + 1, src_.size());
    }

    std::size_t RawEnd(std::size_t quote) const {
        const std::size_t open = src_.find('(', quote);
        if (open == std::string_view::npos) return src_.size();
        const std::string close = ")" + std::string(src_.substr(quote + 1, open - quote - 1)) + "\"";
        const std::size_t at = src_.find(close, open);
        return at == std::string_view::npos ? src_.size() : at + close.size();
    }

    void Flush() {
        if (!inGroup_) return;
        inGroup_ = false;
        prev2_ = prev_;
        prev_ = "\"";
    }

    std::string_view src_;
    std::size_t pos_ = 0;
    int line_ = 1;
    std::string prev_, prev2_;  // the last two tokens before the current one
    bool inGroup_ = false;
    bool groupConverted_ = false;
    std::vector<TLiteralFinding> pending_;
    std::vector<int> markedLines_;
};

}  // namespace

std::vector<TLiteralFinding> FindUnconvertedLiterals(std::string_view source) { return TScanner(source).Run(); }

}  // namespace ordo::test
