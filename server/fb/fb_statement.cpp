#include "server/fb/fb_statement.h"

#include <ibase.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ordo::server {

using detail::FbCall;
using detail::FbPtr;

namespace {

constexpr unsigned kCharsetNone = 0;
constexpr unsigned kCharsetOctets = 1;
constexpr unsigned kMaxVarying = 32765;

FbStatementKind KindOf(unsigned type) {
    switch (type) {
        case isc_info_sql_stmt_select:
        case isc_info_sql_stmt_select_for_upd: return FbStatementKind::Select;
        case isc_info_sql_stmt_exec_procedure: return FbStatementKind::ExecProcedure;
        case isc_info_sql_stmt_insert:
        case isc_info_sql_stmt_update:
        case isc_info_sql_stmt_delete: return FbStatementKind::Modify;
        case isc_info_sql_stmt_ddl:
        case isc_info_sql_stmt_set_generator: return FbStatementKind::Definition;
        case isc_info_sql_stmt_start_trans:
        case isc_info_sql_stmt_commit:
        case isc_info_sql_stmt_rollback:
        case isc_info_sql_stmt_savepoint: return FbStatementKind::TransactionControl;
        default: return FbStatementKind::Other;
    }
}

std::vector<FbColumn> Describe(Firebird::IMessageMetadata* meta) {
    std::vector<FbColumn> cols;
    if (!meta) return cols;
    FbCall([&](auto* st) {
        unsigned n = meta->getCount(st);
        cols.resize(n);
        for (unsigned i = 0; i < n; ++i) {
            FbColumn& c = cols[i];
            const char* alias = meta->getAlias(st, i);
            c.name = (alias && *alias) ? alias : meta->getField(st, i);
            c.type = meta->getType(st, i) & ~1u;
            c.subType = meta->getSubType(st, i);
            c.length = meta->getLength(st, i);
            c.scale = meta->getScale(st, i);
            // The engine reports the collation in the high byte of the character set.
            const unsigned textType = meta->getCharSet(st, i);
            c.charSet = textType & 0xFFu;
            c.collation = textType >> 8;
            c.offset = meta->getOffset(st, i);
            c.nullOffset = meta->getNullOffset(st, i);
        }
    });
    return cols;
}

template <class T>
T Load(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class T>
void Store(unsigned char* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

double DateNumber(ISC_DATE d) { return static_cast<double>(d - kEngineDateOffset); }
double TimeFraction(ISC_TIME t) { return static_cast<double>(t) / kEngineTimeUnitsPerDay; }

/// Date-time numbers before 1899-12-30 keep a positive time fraction: -1.25 is 1899-12-29 06:00.
double Combine(double days, double fraction) { return days >= 0 ? days + fraction : days - fraction; }

void Split(double value, ISC_DATE& date, ISC_TIME& time) {
    double days = std::trunc(value);
    double fraction = std::fabs(value - days);
    auto units = static_cast<std::int64_t>(std::llround(fraction * kEngineTimeUnitsPerDay));
    if (units >= static_cast<std::int64_t>(kEngineTimeUnitsPerDay)) {  // rounding reached midnight
        units = 0;
        days += value >= 0 ? 1 : -1;
    }
    date = static_cast<ISC_DATE>(static_cast<std::int64_t>(days) + kEngineDateOffset);
    time = static_cast<ISC_TIME>(units);
}

std::string ReadBlob(FbAttachment& att, FbTransaction& tra, ISC_QUAD id) {
    std::string out;
    auto* blob = FbCall([&](auto* st) { return att.Raw()->openBlob(st, tra.Raw(), &id, 0, nullptr); });
    FbPtr<Firebird::IBlob> guard(blob);
    char chunk[32768];
    for (;;) {
        unsigned got = 0;
        int rc = FbCall([&](auto* st) { return blob->getSegment(st, sizeof chunk, chunk, &got); });
        if (rc == Firebird::IStatus::RESULT_NO_DATA) break;
        out.append(chunk, got);
    }
    FbCall([&](auto* st) { blob->close(st); });
    (void)guard.release();  // close released the interface
    return out;
}

ISC_QUAD WriteBlob(FbAttachment& att, FbTransaction& tra, const std::string& data) {
    ISC_QUAD id{};
    auto* blob = FbCall([&](auto* st) { return att.Raw()->createBlob(st, tra.Raw(), &id, 0, nullptr); });
    FbPtr<Firebird::IBlob> guard(blob);
    for (std::size_t pos = 0; pos < data.size(); pos += 32768) {
        auto n = static_cast<unsigned>(std::min<std::size_t>(32768, data.size() - pos));
        FbCall([&](auto* st) { blob->putSegment(st, n, data.data() + pos); });
    }
    FbCall([&](auto* st) { blob->close(st); });
    (void)guard.release();
    return id;
}

FbCell ReadCell(FbAttachment& att, FbTransaction& tra, const FbColumn& c, const unsigned char* buf) {
    if (Load<ISC_SHORT>(buf + c.nullOffset) != 0) return FbCell::Null();
    const unsigned char* p = buf + c.offset;
    auto numeric = [&](std::int64_t v) { return c.scale < 0 ? FbCell::Dec(v, -c.scale) : FbCell::Int(v); };
    switch (c.type) {
        case SQL_SHORT: return numeric(Load<ISC_SHORT>(p));
        case SQL_LONG: return numeric(Load<ISC_LONG>(p));
        case SQL_INT64: return numeric(Load<ISC_INT64>(p));
        case SQL_FLOAT: return FbCell::Dbl(Load<float>(p));
        case SQL_DOUBLE:
        case SQL_D_FLOAT: return FbCell::Dbl(Load<double>(p));
        case SQL_BOOLEAN: return FbCell::Bool(Load<FB_BOOLEAN>(p) != 0);
        case SQL_TYPE_DATE: return FbCell::DateTime(FbCellKind::Date, DateNumber(Load<ISC_DATE>(p)));
        case SQL_TYPE_TIME: return FbCell::DateTime(FbCellKind::Time, TimeFraction(Load<ISC_TIME>(p)));
        case SQL_TIMESTAMP: {
            auto ts = Load<ISC_TIMESTAMP>(p);
            return FbCell::DateTime(FbCellKind::Timestamp,
                                    Combine(DateNumber(ts.timestamp_date), TimeFraction(ts.timestamp_time)));
        }
        case SQL_TEXT: {
            std::string_view raw(reinterpret_cast<const char*>(p), c.length);
            if (c.charSet == kCharsetOctets) return FbCell::Bin(std::string(raw));
            unsigned bpc = att.BytesPerChar(c.charSet);
            return FbCell::Txt(TrimCharPadding(raw, c.length / bpc, bpc));
        }
        case SQL_VARYING: {
            auto n = std::min<unsigned>(Load<ISC_USHORT>(p), c.length);
            std::string v(reinterpret_cast<const char*>(p + 2), n);
            return c.charSet == kCharsetOctets ? FbCell::Bin(std::move(v)) : FbCell::Txt(std::move(v));
        }
        case SQL_BLOB: {
            std::string v = ReadBlob(att, tra, Load<ISC_QUAD>(p));
            return c.subType == 1 ? FbCell::Txt(std::move(v)) : FbCell::Bin(std::move(v));
        }
        default: return FbCell::Null();  // arrays and unknown types do not travel
    }
}

bool IsTextType(unsigned t) { return t == SQL_TEXT || t == SQL_VARYING; }

std::string CellText(const FbCell& v) {
    switch (v.kind) {
        case FbCellKind::Integer: return std::to_string(v.integer);
        case FbCellKind::Boolean: return v.integer ? "TRUE" : "FALSE";
        default: return v.bytes;
    }
}

}  // namespace

std::string TrimCharPadding(std::string_view value, unsigned declaredChars, unsigned bytesPerChar) {
    if (bytesPerChar <= 1) return std::string(value);
    std::size_t pos = 0;
    for (unsigned ch = 0; ch < declaredChars && pos < value.size(); ++ch) {
        auto lead = static_cast<unsigned char>(value[pos]);
        std::size_t width = 1;
        if (bytesPerChar >= 3) {  // UTF8 and UNICODE_FSS
            width = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        } else if (lead >= 0x80) {  // double-byte sets: a high lead byte takes a trail byte
            width = 2;
        }
        pos += width;
    }
    return std::string(value.substr(0, std::min(pos, value.size())));
}

FbRow ReadRow(FbAttachment& att, FbTransaction& tra, const std::vector<FbColumn>& cols, const unsigned char* buf) {
    FbRow row;
    row.reserve(cols.size());
    for (const auto& c : cols) row.push_back(ReadCell(att, tra, c, buf));
    return row;
}

struct FbStatement::Input {
    FbPtr<Firebird::IMessageMetadata> meta;
    std::vector<unsigned char> buf;
};

FbStatement::FbStatement(FbAttachment& att, Firebird::IStatement* st) : att_(&att), stmt_(st) {
    kind_ = KindOf(FbCall([&](auto* s) { return stmt_->getType(s); }));
    outMeta_.reset(FbCall([&](auto* s) { return stmt_->getOutputMetadata(s); }));
    inMeta_.reset(FbCall([&](auto* s) { return stmt_->getInputMetadata(s); }));
    outputs_ = Describe(outMeta_.get());
    inputs_ = Describe(inMeta_.get());
    outLength_ = FbCall([&](auto* s) { return outMeta_->getMessageLength(s); });
}

FbStatement::~FbStatement() {
    if (!stmt_) return;
    Firebird::IStatement* s = stmt_.release();
    try {
        FbCall([&](auto* st) { s->free(st); });
    } catch (const FbError&) {
        s->release();
    }
}

FbStatement FbStatement::Prepare(FbAttachment& att, FbTransaction& tra, std::string_view sql) {
    auto* st = FbCall([&](auto* s) {
        return att.Raw()->prepare(s, tra.Raw(), static_cast<unsigned>(sql.size()), sql.data(), 3,
                                  Firebird::IStatement::PREPARE_PREFETCH_METADATA);
    });
    return FbStatement(att, st);
}

FbStatement::Input FbStatement::BindInputs(FbTransaction& tra, const FbRow& params) {
    Input in;
    if (inputs_.empty()) return in;
    if (params.size() < inputs_.size())
        throw FbError("The statement has " + std::to_string(inputs_.size()) + " parameters, " +
                          std::to_string(params.size()) + " values were given",
                      0);
    // Describe each parameter by the value we hold and let the engine convert it to the column.
    auto builder = FbPtr<Firebird::IMetadataBuilder>(FbCall([&](auto* s) { return inMeta_->getBuilder(s); }));
    std::vector<FbCell> cells(params.begin(), params.begin() + static_cast<std::ptrdiff_t>(inputs_.size()));
    for (unsigned i = 0; i < cells.size(); ++i) {
        const FbColumn& col = inputs_[i];
        FbCell& v = cells[i];
        unsigned type = col.type;
        int scale = 0;
        unsigned length = col.length, charset = col.charSet;
        if (!v.IsNull() && col.type == SQL_BLOB) {
            v = FbCell::Bin(CellText(v));
        } else {
            switch (v.kind) {
                case FbCellKind::Null: scale = col.scale; break;
                case FbCellKind::Integer: type = SQL_INT64; length = 8; break;
                case FbCellKind::Decimal: type = SQL_INT64; length = 8; scale = -v.scale; break;
                case FbCellKind::Real: type = SQL_DOUBLE; length = 8; break;
                case FbCellKind::Date: type = SQL_TYPE_DATE; length = 4; break;
                case FbCellKind::Time: type = SQL_TYPE_TIME; length = 4; break;
                case FbCellKind::Timestamp: type = SQL_TIMESTAMP; length = 8; break;
                case FbCellKind::Boolean:
                    if (col.type == SQL_BOOLEAN) {
                        length = 1;
                    } else if (IsTextType(col.type)) {
                        v = FbCell::Txt(CellText(v));
                    } else {
                        v = FbCell::Int(v.integer);
                        type = SQL_INT64;
                        length = 8;
                    }
                    break;
                default: break;
            }
            if (v.kind == FbCellKind::Text || v.kind == FbCellKind::Binary) {
                if (v.bytes.size() > kMaxVarying)
                    throw FbError("Parameter " + std::to_string(i + 1) + " is " + std::to_string(v.bytes.size()) +
                                      " bytes long, more than a non-blob column takes",
                                  0);
                type = SQL_VARYING;
                length = static_cast<unsigned>(std::max<std::size_t>(v.bytes.size(), 1));
                charset = v.kind == FbCellKind::Binary ? kCharsetOctets
                          : IsTextType(col.type)         ? col.charSet
                                                         : kCharsetNone;
            }
        }
        FbCall([&](auto* s) {
            builder->setType(s, i, type | 1u);
            builder->setLength(s, i, length);
            builder->setScale(s, i, scale);
            if (type == SQL_VARYING || type == SQL_TEXT || type == SQL_BLOB) builder->setCharSet(s, i, charset);
            if (type == SQL_BLOB) builder->setSubType(s, i, col.subType);
        });
    }
    in.meta.reset(FbCall([&](auto* s) { return builder->getMetadata(s); }));
    in.buf.assign(FbCall([&](auto* s) { return in.meta->getMessageLength(s); }), 0);
    std::vector<FbColumn> layout = Describe(in.meta.get());
    for (unsigned i = 0; i < cells.size(); ++i) {
        const FbColumn& c = layout[i];
        const FbCell& v = cells[i];
        unsigned char* p = in.buf.data() + c.offset;
        Store<ISC_SHORT>(in.buf.data() + c.nullOffset, v.IsNull() ? -1 : 0);
        if (v.IsNull()) continue;
        ISC_DATE d;
        ISC_TIME t;
        switch (c.type) {
            case SQL_INT64: Store<ISC_INT64>(p, v.integer); break;
            case SQL_DOUBLE: Store<double>(p, v.real); break;
            case SQL_BOOLEAN: Store<FB_BOOLEAN>(p, v.integer ? FB_TRUE : FB_FALSE); break;
            case SQL_TYPE_DATE: Split(v.real, d, t); Store<ISC_DATE>(p, d); break;
            case SQL_TYPE_TIME: Split(v.real, d, t); Store<ISC_TIME>(p, t); break;
            case SQL_TIMESTAMP: Split(v.real, d, t); Store<ISC_TIMESTAMP>(p, ISC_TIMESTAMP{d, t}); break;
            case SQL_VARYING:
                Store<ISC_USHORT>(p, static_cast<ISC_USHORT>(v.bytes.size()));
                std::memcpy(p + 2, v.bytes.data(), v.bytes.size());
                break;
            case SQL_BLOB: Store<ISC_QUAD>(p, WriteBlob(*att_, tra, v.bytes)); break;
            default: break;
        }
    }
    return in;
}

std::uint64_t FbStatement::Execute(FbTransaction& tra, const FbRow& params, FbRow* row) {
    Input in = BindInputs(tra, params);
    std::vector<unsigned char> out(outputs_.empty() ? 0 : outLength_);
    FbCall([&](auto* s) {
        return stmt_->execute(s, tra.Raw(), in.meta.get(), in.buf.empty() ? nullptr : in.buf.data(),
                              outputs_.empty() ? nullptr : outMeta_.get(), out.empty() ? nullptr : out.data());
    });
    if (row) *row = outputs_.empty() ? FbRow{} : ReadRow(*att_, tra, outputs_, out.data());
    return FbCall([&](auto* s) { return stmt_->getAffectedRecords(s); });
}

std::uint64_t FbStatement::Execute(FbTransaction& tra, FbInputMessage& message) {
    FbCall([&](auto* s) {
        return stmt_->execute(s, tra.Raw(), message.Meta(), message.Data(), nullptr, nullptr);
    });
    return FbCall([&](auto* s) { return stmt_->getAffectedRecords(s); });
}

FbCursor FbStatement::Open(FbTransaction& tra, const FbRow& params) {
    Input in = BindInputs(tra, params);
    auto* rs = FbCall([&](auto* s) {
        return stmt_->openCursor(s, tra.Raw(), in.meta.get(), in.buf.empty() ? nullptr : in.buf.data(),
                                 outMeta_.get(), 0);
    });
    return FbCursor(*this, tra, rs);
}

FbCursor::FbCursor(FbStatement& st, FbTransaction& tra, Firebird::IResultSet* rs)
    : st_(&st), tra_(&tra), rs_(rs), buf_(st.outLength_) {}

FbCursor::~FbCursor() {
    try {
        Close();
    } catch (const FbError&) {
        // A cursor whose transaction is gone is closed with it.
    }
}

void FbCursor::Close() {
    if (!rs_) return;
    Firebird::IResultSet* rs = rs_.release();
    try {
        FbCall([&](auto* s) { rs->close(s); });
    } catch (const FbError&) {
        rs->release();
        throw;
    }
}

bool FbCursor::Fetch(FbRow& row) {
    if (!rs_) return false;
    int rc = FbCall([&](auto* s) { return rs_->fetchNext(s, buf_.data()); });
    if (rc != Firebird::IStatus::RESULT_OK) return false;
    row = ReadRow(*st_->att_, *tra_, st_->outputs_, buf_.data());
    return true;
}

}  // namespace ordo::server
