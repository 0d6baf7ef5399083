#include "server/session/conversion_probe.h"

#include <ibase.h>

#include <map>
#include <optional>
#include <string>

#include "server/log.h"

namespace ordo::server {
namespace {

std::string Numeric(const char* integer, int precision, int scale) {
    if (scale == 0) return integer;
    return "NUMERIC(" + std::to_string(precision) + ", " + std::to_string(-scale) + ")";
}

/// The names of the character sets the inputs use.
std::map<unsigned, std::string> CharsetNames(FbAttachment& att, FbTransaction& tra) {
    std::map<unsigned, std::string> names;
    FbStatement st = FbStatement::Prepare(
        att, tra, "SELECT RDB$CHARACTER_SET_ID, TRIM(RDB$CHARACTER_SET_NAME) FROM RDB$CHARACTER_SETS");
    FbCursor cur = st.Open(tra, {});
    FbRow row;
    while (cur.Fetch(row)) names[static_cast<unsigned>(row[0].integer)] = row[1].bytes;
    cur.Close();
    return names;
}

/// The declaration of a parameter of the column's type, or nothing for a type literals never reach.
std::optional<std::string> TypeOf(const FbColumn& c, FbAttachment& att, const std::map<unsigned, std::string>& sets) {
    switch (c.type) {
        case SQL_SHORT: return Numeric("SMALLINT", 4, c.scale);
        case SQL_LONG: return Numeric("INTEGER", 9, c.scale);
        case SQL_INT64: return Numeric("BIGINT", 18, c.scale);
        case SQL_FLOAT: return "FLOAT";
        case SQL_DOUBLE:
        case SQL_D_FLOAT: return "DOUBLE PRECISION";
        case SQL_TYPE_DATE: return "DATE";
        case SQL_TYPE_TIME: return "TIME";
        case SQL_TIMESTAMP: return "TIMESTAMP";
        case SQL_BOOLEAN: return "BOOLEAN";
        case SQL_TEXT:
        case SQL_VARYING: {
            auto name = sets.find(c.charSet);
            if (name == sets.end()) return std::nullopt;
            const unsigned chars = c.length / att.BytesPerChar(c.charSet);
            return std::string(c.type == SQL_TEXT ? "CHAR(" : "VARCHAR(") + std::to_string(chars ? chars : 1) +
                   ") CHARACTER SET " + name->second;
        }
        default: return std::nullopt;
    }
}

}  // namespace

bool BindingFails(FbAttachment& att, FbTransaction& tra, const std::vector<FbColumn>& inputs,
                  FbInputMessage& message) {
    try {
        const auto sets = CharsetNames(att, tra);
        std::string sql = "EXECUTE BLOCK (";
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            auto type = TypeOf(inputs[i], att, sets);
            if (!type) return false;
            sql += (i ? ", P" : "P") + std::to_string(i) + " " + *type + " = ?";
        }
        sql += ") AS BEGIN END";
        FbStatement probe = FbStatement::Prepare(att, tra, sql);
        try {
            probe.Execute(tra, message);
        } catch (const FbError& e) {
            if (e.ConnectionLost()) throw;
            return true;
        }
        return false;
    } catch (const FbError& e) {
        if (e.ConnectionLost()) throw;
        // Not knowing where it failed, the statement's own error stands: running it again could repeat
        // what its triggers did.
        Log(LogLevel::Warn, std::string("cannot tell where a prepared statement failed: ") + e.what());
        return false;
    }
}

}  // namespace ordo::server
