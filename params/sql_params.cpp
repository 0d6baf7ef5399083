#include "params/sql_params.h"

#include "core/text_convert.h"
#include "params/param_list.h"
#include "params/show_message.h"
#include "platform/codepage.h"

namespace ordo {
namespace detail {
namespace {

constexpr char kQuote = '\'';

bool EndsName(char c) { return c == '\r' || c == ' ' || c == '*' || c == '+' || c == ',' || c == '-'; }
bool DroppedFromName(char c) { return c == kQuote || c == '\n' || c == ')' || c == ';'; }

/// Reads the name after the ':' at `colon`; returns the index to continue from, or npos when
/// the name runs into a second ':'.
std::size_t ReadName(std::string_view sql, std::size_t colon, std::string& name) {
    std::size_t i = colon + 1;
    for (; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == ':') return std::string_view::npos;
        if (EndsName(c)) return i + 1;
        if (!DroppedFromName(c)) name += c;
    }
    return i;
}

void Record(SqlParamScan& scan, std::string name) {
    for (const std::string& known : scan.names)
        if (SameText(known, name)) return;
    scan.names.push_back(std::move(name));
}

}  // namespace

SqlParamScan ScanSqlParams(std::string_view sql) {
    SqlParamScan scan;
    const std::size_t first = sql.find(':');
    if (first == std::string_view::npos) return scan;
    // A time or a ": " first means the text carries no parameters at all.
    if (first + 1 < sql.size() && (sql[first + 1] == ' ' || (sql[first + 1] >= '0' && sql[first + 1] <= '9')))
        return scan;
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == kQuote) {
            const std::size_t close = sql.find(kQuote, i + 1);
            if (close == std::string_view::npos) {
                scan.stop = SqlScanStop::UnclosedQuote;
                return scan;
            }
            i = close + 1;
        } else if (c == ':') {
            // A colon that ends the text names nothing.
            if (i + 1 == sql.size()) return scan;
            std::string name;
            i = ReadName(sql, i, name);
            if (i == std::string_view::npos) {
                scan.stop = SqlScanStop::DoubleColon;
                return scan;
            }
            Record(scan, std::move(name));
        } else {
            ++i;
        }
    }
    return scan;
}

}  // namespace detail

void TOrdoParamList::ParamsFromSQL(const std::vector<std::string>& sqlLines) {
    std::string text;
    for (std::size_t i = 0; i < sqlLines.size(); ++i) {
        if (i != 0) text += "\r\n";
        text += sqlLines[i];
    }
    ParamsFromSQL(text);
}

void TOrdoParamList::ParamsFromSQL(std::string_view sql) {
    Clear();
    detail::SqlParamScan scan = detail::ScanSqlParams(sql);
    for (std::string& name : scan.names) {
        TOrdoParamItem& item = Add();
        item.SetName(name);
        item.SetDataType(ftUnknown);
        item.SetParamType(ptInput);
        item.SetIsNull(false);
    }
    if (scan.stop == detail::SqlScanStop::DoubleColon) throw EOrdoParamException(AnsiLiteral(":param 구문을 체크하세요"));
    if (scan.stop == detail::SqlScanStop::UnclosedQuote) {
        const std::string text = AnsiLiteral("SQL 구문에 열려진 quote 구문이 있습니다");
        if (OnShowMessage) {
            OnShowMessage(*this, text);
        } else {
            ShowLibraryMessage(text);
        }
    }
}

namespace {

/// Field k of a design line; a field without its closing 0x06 reads as empty.
std::string_view DesignField(std::string_view line, int k) {
    std::size_t start = 0;
    for (int i = 0;; ++i) {
        const std::size_t end = line.find('\x06', start);
        if (end == std::string_view::npos) return {};
        if (i == k) return line.substr(start, end - start);
        start = end + 1;
    }
}

}  // namespace

void TOrdoParamList::ParamsFromDesignList(const std::vector<std::string>* lines) {
    if (lines == nullptr) throw EDatabaseError("Nil list pass to prepare from design list");
    try {
        Clear();
        for (const std::string& line : *lines) {
            TOrdoParamItem& item = Add();
            item.SetName(DesignField(line, 0));
            const int paramType = StrToIntDef(DesignField(line, 1), 0);
            item.SetParamType(paramType >= 0 && paramType < kParamTypeCount ? static_cast<TOrdoParamType>(paramType)
                                                                            : ptUnknown);
            const int dataType = StrToIntDef(DesignField(line, 2), 0);
            item.SetDataType(dataType >= 1 && dataType <= 37 ? static_cast<TFieldType>(dataType) : ftString);
            item.SetIsNull(false);
            if (item.DataType() == ftString) item.SetSize(50);
            item.SetAsText("");
        }
    } catch (const EOrdoError&) {
        std::string text;
        for (const std::string& line : *lines) text += line + "\r\n";
        throw EDatabaseError("Problem created params from " + text);
    }
}

}  // namespace ordo
