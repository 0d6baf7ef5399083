#pragma once
// Owning handles over Firebird's object interface. Every call goes through FbCall, which turns the
// engine's status vector into an FbError carrying Firebird's own message text, so callers above this
// layer never see a Firebird type or a raw status.
#include <firebird/Interface.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "core/errors.h"

namespace ordo::server {

/// A failure reported by the database engine; the message is Firebird's text, lines joined by LF.
class FbError : public EDatabaseError {
public:
    FbError(const std::string& message, std::intptr_t code) : EDatabaseError(message), code_(code) {}
    /// The engine's primary error code (isc_...), 0 when the failure came from this layer.
    [[nodiscard]] std::intptr_t Code() const noexcept { return code_; }
    /// The attachment is gone (network failure, database shut down): attach anew.
    [[nodiscard]] bool ConnectionLost() const noexcept;
    /// A row another transaction holds (lock conflict, deadlock, update conflict): the outcome
    /// depends on the other transactions, not on how the statement was written.
    [[nodiscard]] bool LockConflict() const noexcept;
private:
    std::intptr_t code_;
};

namespace detail {

Firebird::IMaster* Master();
Firebird::IUtil* Util();
/// The dispatcher that routes a database name to the embedded engine or to a remote server.
Firebird::IProvider* Provider();
[[noreturn]] void ThrowFbError(const Firebird::IStatus* status);

/// A status object for one call, disposed when the call is done.
class FbStatus {
public:
    FbStatus() : status_(Master()->getStatus()), wrapper_(status_) {}
    ~FbStatus() { status_->dispose(); }
    FbStatus(const FbStatus&) = delete;
    FbStatus& operator=(const FbStatus&) = delete;
    Firebird::ThrowStatusWrapper* operator&() noexcept { return &wrapper_; }
private:
    Firebird::IStatus* status_;
    Firebird::ThrowStatusWrapper wrapper_;
};

template <class F>
auto FbCall(F&& f) {
    FbStatus st;
    try {
        return f(&st);
    } catch (const Firebird::FbException& e) {
        ThrowFbError(e.getStatus());
    }
}

/// Releases a reference-counted engine object; close steps run in the owners below.
struct FbRelease {
    template <class T>
    void operator()(T* p) const noexcept { p->release(); }
};
template <class T>
using FbPtr = std::unique_ptr<T, FbRelease>;

}  // namespace detail

/// Where and how to attach: a file path (embedded engine) or host[/port]:path (a Firebird server).
struct FbConnectSpec {
    std::string database;
    std::string user = "SYSDBA";
    std::string password;
    std::string charset = "UTF8";
};

class FbAttachment;
class FbTransaction;

/// Runs first in a request's transaction, before the request's own statements; false: the work is done
/// already and must not run.
using TransactionGate = std::function<bool(FbTransaction&)>;

/// One transaction; rolled back when dropped without a commit.
class FbTransaction {
public:
    FbTransaction(FbTransaction&&) noexcept = default;
    FbTransaction& operator=(FbTransaction&&) noexcept = default;
    ~FbTransaction();
    void Commit();
    void Rollback();
    [[nodiscard]] bool Active() const noexcept { return tra_ != nullptr; }
    Firebird::ITransaction* Raw() const noexcept { return tra_.get(); }
private:
    friend class FbAttachment;
    explicit FbTransaction(Firebird::ITransaction* t) : tra_(t) {}
    detail::FbPtr<Firebird::ITransaction> tra_;
};

/// One attachment to a database; detached when dropped.
class FbAttachment {
public:
    static FbAttachment Attach(const FbConnectSpec& connect);
    static FbAttachment Create(const FbConnectSpec& connect);
    FbAttachment(FbAttachment&&) noexcept = default;
    FbAttachment& operator=(FbAttachment&&) noexcept = default;
    ~FbAttachment();

    /// Read committed, waiting for row locks at most lockTimeoutSeconds.
    FbTransaction StartTransaction(bool readOnly, int lockTimeoutSeconds = 10);
    Firebird::IAttachment* Raw() const noexcept { return att_.get(); }
    /// Deletes the database file; the attachment is gone afterwards.
    void Drop();
    /// Bytes per character of each character set id, for trimming CHAR padding.
    [[nodiscard]] unsigned BytesPerChar(unsigned charSetId) const noexcept;

private:
    explicit FbAttachment(Firebird::IAttachment* a);
    void LoadCharsets();
    detail::FbPtr<Firebird::IAttachment> att_;
    std::shared_ptr<const unsigned char[]> bytesPerChar_;  // indexed by charset id, 256 entries
};

/// True when the name reaches a Firebird server (host:path, host/port:path), false for a file path.
bool IsRemoteDatabase(const std::string& database);

}  // namespace ordo::server
