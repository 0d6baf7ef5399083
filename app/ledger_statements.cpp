#include "app/ledger_statements.h"

#include "core/text_convert.h"
#include "platform/codepage.h"

namespace ordo {
namespace {

std::string F(double value) { return FloatToStr(value); }

constexpr std::string_view kLedgerColumns =
    "SALEDT, JAGB, BUYERCD, BUYERNM, JIJA, PMIAMT1, PMIAMT2, BPAMT1, BPAMT2, IGTOTAMT, DCAMT, CUTAMT, IGCASH, IGCARD, "
    "IGBANK, IGEE, IGSPG, IGJRG, IGCP1, IGCP2, DIJA) VALUES ('";

// "UPDATE OR INSERT INTO SAL_JAINFO (<columns>) VALUES ('<date>','MC','<code>','<name>', ", the head of every
// ledger row statement.
void AppendRowHead(std::string& s, std::string_view date, std::string_view code, std::string_view name) {
    s += "UPDATE OR INSERT INTO SAL_JAINFO (";
    s += kLedgerColumns;
    s += date;
    s += "','MC','";
    s += code;
    s += "','";
    s += name;
    s += "', ";
}

// The movement columns from PMIAMT1 to DIJA, shared by the buyer and the walk-in rows. Written straight into the
// statement: a rebuild writes fourteen numbers for each of up to a hundred thousand days.
void AppendMovements(std::string& s, const TLedgerDay& d) {
    const auto number = [&s](double value, std::string_view after) {
        AppendFloatToStr(s, value);
        s += after;
    };
    number(d.opening, ",");
    number(d.sales, ", 0, ");
    number(d.returns, ", 0, ");
    number(d.received, ",");
    number(d.discount, ",");
    number(d.cut, ",");
    number(d.igCash, ",");
    number(d.igCard, ",");
    number(d.igBank, ",");
    number(d.igEe, ",");
    number(d.igSpg, ",");
    number(d.igJrg, ", ");
    number(d.igCp1, ", 0, ");
    AppendFloatToStr(s, d.closing);
}

}  // namespace

std::string QuoteLiteral(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

std::string LowVoucherKey(std::string_view startDate) {
    std::string key;
    for (char c : startDate)
        if (c != '-') key += c;
    return key + "-0-00000";
}

std::string BuyerLedgerQuery(const std::string& code, const std::string& date, const std::string& lowKey) {
    std::string s;
    s.reserve(4096);
    s += AnsiLiteral("SELECT a.GB, a.JPNO, a.JPGB, a.JPNY, case when a.JPNO = '' then a.ILJA else (substring(a.JPNO From 1 for 4)||'-'||substring(a.JPNO From 5 for 2)||'-'||substring(a.JPNO From 7 for 2)) end ILJA, a.BUYERCD, a.BUYERNM, a.DEPTNM, a.SALEAMT, a.BPAMT, a.MSAMT, a.TOTALAMT, a.GGGAMT, a.TAXAMT, a.IGCASH, a.IGCARD, a.IGSPG, a.IGJRG, a.IGCP1, a.IGCP2, a.MISUAMT, a.DCAMT, a.CUTAMT, a.BELAMT, a.IGBANK, a.IGEE, a.HMSAMT, a.CASHYSJBH, a.TAXBHGB, 'N' AS SEL FROM (SELECT FIRST 1 '11' GB, ' ' AS JPNO, '' AS JPGB, '전미수' AS JPNY, '");
    s += date;
    s += "' AS ILJA, '' AS BUYERCD, '' AS BUYERNM, '' AS DEPTNM, ";
    s += "0 AS SALEAMT, 0 AS BPAMT, 0 AS MSAMT, 0 AS TOTALAMT, 0 AS GGGAMT, 0 AS TAXAMT, 0 AS IGCASH, 0 AS IGCARD, 0 AS IGSPG, 0 AS IGJRG, 0 AS IGCP1, 0 AS IGCP2, ";
    s += "0 AS MISUAMT, 0 AS DCAMT, 0 AS CUTAMT, 0 AS BELAMT, 0 AS IGBANK, 0 AS IGEE, ";
    s += "COALESCE((SELECT FIRST 1 DIJA FROM SAL_JAINFO ";
    s += "WHERE (BUYERCD = '";
    s += code;
    s += "' ) AND (JAGB IN (";
    s += "'MC', 'CA'";
    s += ")) AND (SALEDT = (SELECT MAX(SALEDT) FROM SAL_JAINFO ";
    s += "WHERE (BUYERCD = '";
    s += code;
    s += "') AND (SALEDT < '";
    s += date;
    s += "') AND (JAGB IN (";
    s += "'MC', 'CA'";
    s += ")) )) ),0) AS HMSAMT, ";
    s += "'N' AS CASHYSJBH, 'N' AS TAXBHGB FROM SAL_JAINFO WHERE (SALEDT < '";
    s += date;
    s += "') and (SALEDT <> '') ";
    s += "UNION ALL SELECT '21' GB, JPNO, JPGB, JPNY, ILJA, BUYERCD, BUYERNM, DEPTNM, ";
    s += "(CASE WHEN ((JPGB = 'MJBP') or (JPGB = 'MIBP') or (JPGB = 'CIBP')) And (ABS(SALEAMT) = ABS(BPAMT)) THEN 0 ELSE SALEAMT END) SALEAMT, ";
    s += "(CASE WHEN (JPGB = 'MJBP') or (JPGB = 'MIBP') or (JPGB = 'CIBP') THEN BPAMT ELSE ABS(BPAMT) END) BPAMT, MSAMT, TOTALAMT, GGGAMT, TAXAMT, ";
    s += "(IGCASH + DMIGAMT) AS IGCASH, IGCARD, IGSPG, IGJRG, IGCP1, IGCP2, MISUAMT, DCAMT, CUTAMT, BELAMT, 0 AS IGBANK, 0 AS IGEE, 0 AS HMSAMT, CASHYSJBH, TAXBHGB ";
    s += "FROM SAL_SALEMASTER WHERE (JPNO >= '";
    s += lowKey;
    s += "') AND (MCGB IN ('SM', 'DM')) AND (BUYERCD = '";
    s += code;
    s += "') AND (GJGB <> 'WAIT') ";
    s += AnsiLiteral("UNION ALL SELECT '31' GB, JPNO, 'IGJG' AS JPGB, (CASE WHEN (BIGO01 IS NULL) or (BIGO01 = '') THEN '외상수금' ELSE '외상수금('||BIGO01||')' END) AS JPNY, ILJA, BUYERCD, BUYERNM, DEPTNM, 0 AS SALEAMT, ");
    s += "0 AS BPAMT, 0 AS MSAMT, TOTALAMT, 0 AS GGGAMT, 0 AS TAXAMT, ";
    s += "IGCASH, IGCARD, 0 AS IGSPG, 0 AS IGJRG, 0 AS IGCP1, 0 AS IGCP2, 0 AS MISUAMT, DCAMT, CUTAMT, 0 AS BELAMT, IGBANK, IGEE, 0 AS HMSAMT, CASHYSJBH, 'N' AS TAXBHGB ";
    s += "FROM SAL_IGJG WHERE (JPNO >= '";
    s += lowKey;
    s += "' ) AND (BUYERCD = '";
    s += code;
    s += "' ) AND (IOGB = 'IG') ";
    s += ") a ORDER BY a.JPNO, a.GB";
    return s;
}

std::string WalkInDayQuery(const std::string& date) {
    std::string s;
    s += "SELECT sum(saleamt) as PMIAMT1, 0 AS PMIAMT2, sum(bpamt) AS BPAMT1, 0 AS BPAMT2, sum(igcash + igcard + igspg + igjrg + igcp1 + igcp2) AS IGTOTAMT, sum(igcash) as igcash, sum(igcard) as igcard, sum(igspg) as igspg,sum(igjrg) as igjrg, sum(igcp1) as igcp1, sum(igcp2) as igcp2, sum(misuamt) as dija, sum(dcamt) as dcamt, sum(cutamt) as cutamt from sal_salemaster where ilja = '";
    s += date;
    s += "' and BUYERCD = '' ";
    s += " group by BUYERCD ";
    return s;
}

std::string BuyerDeleteStatement(const std::string& code, const std::string& date) {
    return "DELETE FROM SAL_JAINFO WHERE BUYERCD = '" + code + "' And SALEDT >= '" + date + "' " + "And JAGB = 'MC'";
}

void AppendLedgerRowStatement(std::string& out, const TLedgerDay& day, const std::string& code,
                              const std::string& name) {
    AppendRowHead(out, day.date, code, name);
    AppendMovements(out, day);
    out += ") ";
}

std::string LedgerRowStatement(const TLedgerDay& day, const std::string& code, const std::string& name) {
    std::string s;
    AppendLedgerRowStatement(s, day, code, name);
    return s;
}

std::string OpeningRowStatement(const std::string& date, const std::string& code, const std::string& name,
                                double opening, double closing) {
    std::string s;
    AppendRowHead(s, date, code, name);
    s += F(opening);
    s += ",";
    s += "0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ";
    s += F(closing);
    s += ") ";
    return s;
}

std::string BalanceStatement(const std::string& code, double closing) {
    return "UPDATE OR INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('" + code + "'," + F(closing) +
           ") MATCHING (BUYERCD)";
}

std::string WalkInRowStatement(const TLedgerDay& day) {
    std::string s;
    AppendRowHead(s, day.date, "", "");
    AppendMovements(s, day);
    s += ") MATCHING (SALEDT, JAGB, BUYERCD)";
    return s;
}

std::string WalkInDeleteStatement(const std::string& date) {
    return "Delete From SAL_JAINFO Where SALEDT = '" + date + "' and JAGB = '" + "MC" +
           "' and BUYERCD = '' and BUYERNM = '' ";
}

}  // namespace ordo
