#include "server/fb/fb_client.h"

#include <ibase.h>

#include <cstring>
#include <vector>

namespace ordo::server {
namespace detail {

Firebird::IMaster* Master() {
    static Firebird::IMaster* master = Firebird::fb_get_master_interface();
    return master;
}

Firebird::IUtil* Util() { return Master()->getUtilInterface(); }

Firebird::IProvider* Provider() {
    // Kept for the life of the process: the engine shuts itself down at exit.
    static Firebird::IProvider* provider = Master()->getDispatcher();
    return provider;
}

namespace {

/// True when the status vector names `code` anywhere among its errors.
bool StatusHolds(const intptr_t* errors, std::intptr_t code) noexcept {
    if (errors == nullptr) return false;
    for (std::size_t i = 0; i < 64 && errors[i] != isc_arg_end;) {
        if (errors[i] == isc_arg_gds && errors[i + 1] == code) return true;
        // Each argument is a tag and a value; a counted string (cstring) has its length too.
        i += errors[i] == isc_arg_cstring ? 3 : 2;
    }
    return false;
}

}  // namespace

void ThrowFbError(const Firebird::IStatus* status) {
    char buf[2048];
    auto* st = const_cast<Firebird::IStatus*>(status);
    Util()->formatStatus(buf, sizeof buf, st);
    std::string text(buf);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const intptr_t* errors = st->getErrors();
    std::intptr_t code = (errors && errors[0] == isc_arg_gds) ? errors[1] : 0;
    // Another program (an administrator's isql, a backup) holding the file is a passing state,
    // and the client must be able to tell it from a fault in its statement.
    if (StatusHolds(errors, isc_already_opened))
        text += "\n-The database is busy: another program has the file open; try again once it has let go";
    throw FbError(text.empty() ? "Unknown database error" : text, code);
}

namespace {

/// Builds a parameter block and hands out its bytes; the builder is disposed with it.
class Xpb {
public:
    explicit Xpb(unsigned kind)
        : xpb_(FbCall([&](auto* st) { return Util()->getXpbBuilder(st, kind, nullptr, 0); })) {}
    ~Xpb() { xpb_->dispose(); }
    Xpb(const Xpb&) = delete;
    Xpb& operator=(const Xpb&) = delete;
    void Str(unsigned char tag, const std::string& v) {
        FbCall([&](auto* st) { xpb_->insertString(st, tag, v.c_str()); });
    }
    void Int(unsigned char tag, int v) {
        FbCall([&](auto* st) { xpb_->insertInt(st, tag, v); });
    }
    void Tag(unsigned char tag) {
        FbCall([&](auto* st) { xpb_->insertTag(st, tag); });
    }
    unsigned Length() { return FbCall([&](auto* st) { return xpb_->getBufferLength(st); }); }
    const unsigned char* Data() { return FbCall([&](auto* st) { return xpb_->getBuffer(st); }); }
private:
    Firebird::IXpbBuilder* xpb_;
};

void FillDpb(Xpb& dpb, const FbConnectSpec& connect) {
    if (!connect.user.empty()) dpb.Str(isc_dpb_user_name, connect.user);
    if (!connect.password.empty()) dpb.Str(isc_dpb_password, connect.password);
    if (!connect.charset.empty()) dpb.Str(isc_dpb_lc_ctype, connect.charset);
}

}  // namespace
}  // namespace detail

using detail::FbCall;

bool FbError::LockConflict() const noexcept {
    return code_ == isc_deadlock || code_ == isc_lock_conflict || code_ == isc_update_conflict ||
           code_ == isc_lock_timeout;
}

bool FbError::ConnectionLost() const noexcept {
    switch (code_) {
        case isc_shutdown:
        case isc_conn_lost:
        case isc_network_error:
        case isc_net_read_err:
        case isc_net_write_err:
        case isc_lost_db_connection:
        case isc_att_shutdown: return true;
        default: return false;
    }
}

bool IsRemoteDatabase(const std::string& database) {
    if (database.find("://") != std::string::npos) return true;  // inet://, inet4://, inet6://
    // host:path, host/port:path, [IPv6]:path, [IPv6]/port:path; a path never starts a server's name.
    std::size_t hostEnd = 0;
    if (database.starts_with('[')) {
        hostEnd = database.find(']');
        if (hostEnd == std::string::npos) return false;
    }
    auto colon = database.find(':', hostEnd);
    if (colon == std::string::npos || colon == 0) return false;
    const char first = database.front();
    return first != '/' && first != '.' && first != '~';
}

FbTransaction::~FbTransaction() {
    if (!tra_) return;
    try {
        Rollback();
    } catch (const FbError&) {
        // The attachment may already be gone; nothing more can be undone here.
    }
}

void FbTransaction::Commit() {
    FbCall([&](auto* st) { tra_->commit(st); });
    tra_.release();  // commit releases the interface itself
}

void FbTransaction::Rollback() {
    Firebird::ITransaction* t = tra_.release();
    try {
        FbCall([&](auto* st) { t->rollback(st); });
    } catch (const FbError&) {
        t->release();
        throw;
    }
}

FbAttachment::FbAttachment(Firebird::IAttachment* a) : att_(a) { LoadCharsets(); }

FbAttachment::~FbAttachment() {
    if (!att_) return;
    Firebird::IAttachment* a = att_.release();
    try {
        FbCall([&](auto* st) { a->detach(st); });
    } catch (const FbError&) {
        a->release();  // detach failed (open transactions or a dead link): drop our reference anyway
    }
}

void FbAttachment::Drop() {
    FbCall([&](auto* st) { att_->dropDatabase(st); });
    (void)att_.release();  // dropDatabase released the interface
}

FbAttachment FbAttachment::Attach(const FbConnectSpec& connect) {
    detail::Xpb dpb(Firebird::IXpbBuilder::DPB);
    detail::FillDpb(dpb, connect);
    auto* a = FbCall([&](auto* st) {
        return detail::Provider()->attachDatabase(st, connect.database.c_str(), dpb.Length(), dpb.Data());
    });
    return FbAttachment(a);
}

FbAttachment FbAttachment::Create(const FbConnectSpec& connect) {
    detail::Xpb dpb(Firebird::IXpbBuilder::DPB);
    detail::FillDpb(dpb, connect);
    dpb.Int(isc_dpb_sql_dialect, 3);
    dpb.Int(isc_dpb_page_size, 8192);
    if (!connect.charset.empty()) dpb.Str(isc_dpb_set_db_charset, connect.charset);
    auto* a = FbCall([&](auto* st) {
        return detail::Provider()->createDatabase(st, connect.database.c_str(), dpb.Length(), dpb.Data());
    });
    return FbAttachment(a);
}

FbTransaction FbAttachment::StartTransaction(bool readOnly, int lockTimeoutSeconds) {
    detail::Xpb tpb(Firebird::IXpbBuilder::TPB);
    tpb.Tag(readOnly ? isc_tpb_read : isc_tpb_write);
    tpb.Tag(isc_tpb_read_committed);
    tpb.Tag(isc_tpb_rec_version);
    tpb.Tag(isc_tpb_wait);
    if (lockTimeoutSeconds > 0) tpb.Int(isc_tpb_lock_timeout, lockTimeoutSeconds);
    auto* t = FbCall([&](auto* st) { return att_->startTransaction(st, tpb.Length(), tpb.Data()); });
    return FbTransaction(t);
}

unsigned FbAttachment::BytesPerChar(unsigned charSetId) const noexcept {
    if (!bytesPerChar_ || charSetId > 255) return 1;
    unsigned n = bytesPerChar_[charSetId];
    return n == 0 ? 1 : n;
}

void FbAttachment::LoadCharsets() {
    // Read once per attachment; CHAR values come padded to the byte width of their character set.
    auto table = std::shared_ptr<unsigned char[]>(new unsigned char[256]());
    const char* sql =
        "SELECT RDB$CHARACTER_SET_ID, RDB$BYTES_PER_CHARACTER FROM RDB$CHARACTER_SETS";
    auto tra = StartTransaction(true);
    auto meta = detail::FbPtr<Firebird::IMetadataBuilder>(
        FbCall([&](auto* st) { return detail::Master()->getMetadataBuilder(st, 2); }));
    for (unsigned i = 0; i < 2; ++i) {
        FbCall([&](auto* st) {
            meta->setType(st, i, SQL_SHORT + 1);
            meta->setLength(st, i, sizeof(ISC_SHORT));
            meta->setScale(st, i, 0);
        });
    }
    auto out = detail::FbPtr<Firebird::IMessageMetadata>(
        FbCall([&](auto* st) { return meta->getMetadata(st); }));
    unsigned length = FbCall([&](auto* st) { return out->getMessageLength(st); });
    std::vector<unsigned char> buf(length);
    auto* rs = FbCall([&](auto* st) {
        return att_->openCursor(st, tra.Raw(), 0, sql, 3, nullptr, nullptr, out.get(), nullptr, 0);
    });
    unsigned idOff = FbCall([&](auto* st) { return out->getOffset(st, 0); });
    unsigned bOff = FbCall([&](auto* st) { return out->getOffset(st, 1); });
    while (FbCall([&](auto* st) { return rs->fetchNext(st, buf.data()); }) == Firebird::IStatus::RESULT_OK) {
        ISC_SHORT id, bytes;
        std::memcpy(&id, buf.data() + idOff, sizeof id);
        std::memcpy(&bytes, buf.data() + bOff, sizeof bytes);
        if (id >= 0 && id < 256 && bytes > 0) table[static_cast<unsigned>(id)] = static_cast<unsigned char>(bytes);
    }
    FbCall([&](auto* st) { rs->close(st); });
    tra.Commit();
    bytesPerChar_ = std::move(table);
}

}  // namespace ordo::server
