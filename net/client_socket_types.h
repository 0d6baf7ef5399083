#pragma once
// Enumerations and option sets of the client socket's published properties. Sets travel as
// numbers where they travel at all: bit n is the option with ordinal n.
#include <cstdint>
#include <initializer_list>
#include <string>

namespace ordo {

enum TClientType : std::uint8_t { ctNonBlocking = 0, ctBlocking = 1 };

/// The ordinal is the first item of the login message.
enum TLoginType : std::uint8_t { ltLoginDlg = 0, ltLoginNoDlg = 1, ltNoChallenge = 2 };

enum TOrdoConnectAction : std::uint8_t {
    caNone = 0,
    caUseDesignAddress = 1,
    caFastConnect = 2,
    caFastConnectCombo = 3,
    caCustomConnect = 4,
};

enum TSQLDialect : std::uint8_t {
    sqlNone = 0,
    sqlLocalSQL,
    sqlDBISAM,
    sqlAccess,
    sqlMSSQLServer,
    sqlOracle,
    sqlAdvantage,
    sqlSQLAnywhere,
    sqlInterbase,
    sqlCustom,
};

enum TOrdoServerSQLOption : std::uint8_t {
    ssUseQuotesInFieldNames = 0,
    ssUSDatesForLocalSQL = 1,
    ssTerminateWithSemiColon = 2,
    ssBooleanAsInteger = 3,
    ssUseISInNuLLcompares = 4,
    ssNoTableNameInUpdateStatements = 5,
};

enum TOrdoUpdateSQL : std::uint8_t { usODBC = 0, usBDE = 1, usAccess = 2, usODBCOld = 3, usOracle = 4 };

enum TOrdoSQLError : std::uint8_t {
    seToStatusBar = 0,
    seAsExceptions = 1,
    seNoExceptionOnDisconnect = 2,
    seRouteCookieErrorsToLogin = 3,
    seSocketErrorNoException = 4,
    seExceptionsinMessaging = 5,
};

enum TWaitingCursor : std::uint8_t { cqNoChange = 0, cqHourGlass = 1, cqSQLHourGlass = 2 };

enum TClientAnchorStatus : std::uint8_t {
    TACNoAnchor = 0,
    TACConnectedToAnchor,
    TACConnectedToServer,
    TACDisconnectedFromAnchor,
    TACDisconnectedFromServer,
    TAAnchorReDirect,
    TAAnchorNoServers,
};

enum TServerMetaCacheOptions : std::uint8_t { smNoCache = 0, smCacheMetaData = 1 };

/// The platform socket's error events, in its order.
enum TErrorEvent : std::uint8_t { eeGeneral = 0, eeSend, eeReceive, eeConnect, eeDisconnect, eeAccept, eeLookup };

/// A small set of enumeration values stored as bits, as the option sets travel on the wire.
template <class E>
class TOrdoSet {
public:
    constexpr TOrdoSet() noexcept = default;
    constexpr TOrdoSet(std::initializer_list<E> values) noexcept {
        for (E v : values) bits_ |= Bit(v);
    }
    static constexpr TOrdoSet FromBits(std::uint32_t bits) noexcept {
        TOrdoSet s;
        s.bits_ = bits;
        return s;
    }
    [[nodiscard]] constexpr bool Contains(E v) const noexcept { return (bits_ & Bit(v)) != 0; }
    constexpr TOrdoSet& Include(E v) noexcept { bits_ |= Bit(v); return *this; }
    constexpr TOrdoSet& Exclude(E v) noexcept { bits_ &= ~Bit(v); return *this; }
    [[nodiscard]] constexpr std::uint32_t Bits() const noexcept { return bits_; }
    [[nodiscard]] constexpr bool Empty() const noexcept { return bits_ == 0; }
    friend constexpr bool operator==(TOrdoSet a, TOrdoSet b) noexcept { return a.bits_ == b.bits_; }

private:
    static constexpr std::uint32_t Bit(E v) noexcept { return std::uint32_t{1} << static_cast<unsigned>(v); }
    std::uint32_t bits_ = 0;
};

using TOrdoServerSQLOptions = TOrdoSet<TOrdoServerSQLOption>;
using TOrdoSQLErrorSet = TOrdoSet<TOrdoSQLError>;

/// A status bar that the socket can write its connection status and SQL errors into.
class IOrdoStatusBar {
public:
    virtual ~IOrdoStatusBar() = default;
    /// In simple mode the bar shows one text; otherwise it has panels.
    [[nodiscard]] virtual bool SimplePanel() const = 0;
    virtual void SetSimpleText(const std::string& text) = 0;
    /// Panels that do not exist are ignored by the implementation.
    virtual void SetPanelText(int index, const std::string& text) = 0;
};

}  // namespace ordo
