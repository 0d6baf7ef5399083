#pragma once
// Enumerations and option sets of the client data set's published properties. The select
// options travel to the server as a 16-bit number whose bit n is the option with ordinal n.
#include <cstdint>
#include <string>

#include "net/client_socket_types.h"

namespace ordo {

enum TOrdoSelectSQLOption : std::uint8_t {
    soFetchMemos = 0,
    soFetchBlobs = 1,
    soPackets = 2,
    soFieldProperties = 3,
    soRawSQL = 4,
    soCompress = 5,
    soIgnoreAutoIncrement = 6,
    soExecStoredProc = 7,
    soFetchBytes = 8,
    soDelayed = 9,
    soForceChange = 10,
    soNoWait = 11,
    soForceProviderBlobs = 12,
    soMapAutoIncToInteger = 13,
    soMapWideStringtoString = 14,
    soMapBCDtoFloat = 15,
};
using TOrdoSelectSQLOptions = TOrdoSet<TOrdoSelectSQLOption>;

/// The number sent in requests: only the sixteen defined bits.
constexpr std::int32_t OptionsNumber(TOrdoSelectSQLOptions options) noexcept {
    return static_cast<std::int32_t>(options.Bits() & 0xFFFFu);
}

/// What an open asks the server for. The metadata request kind is 99 + the ordinal.
enum TOrdoMetaData : std::uint8_t {
    mdNormalQuery = 0,
    mdTableNames,
    mdTableColumns,
    mdTableIndexes,
    mdTablePrimeKeys,
    mdStoredProcNames,
    mdStoredProcColumns,
    mdViewNames,
    mdDatabaseNames,
    mdServerMethods,
    mdProviders,
    mdServerDataSets,
    mdCustomDataSets = 12,
    mdServerObjects,
};
inline constexpr std::int32_t kMetaDataKindBase = 99;

enum TOrdoUpdateMode : std::uint8_t { upWhereAll = 0, upWhereChanged = 1, upWhereKeyOnly = 2 };

enum TGenerateSQLLocation : std::uint8_t { gsClient = 0, gsServer = 1 };

enum TOrdoUpdateMethod : std::uint8_t { umManual = 0, umCached = 1, umAfterPost = 2 };

/// The identifier of an update method as it is stored with the component.
const char* UpdateMethodName(TOrdoUpdateMethod method) noexcept;
/// umManual for an unknown identifier.
TOrdoUpdateMethod UpdateMethodFromName(const std::string& name) noexcept;

enum TShowQueryProgressType : std::uint8_t { sqDontShow = 0, sqShowOnly = 1, sqShowAllowCancel = 2 };

enum TBroadCastAction : std::uint8_t { baIgnore = 0, baCache = 1, baAuto = 2 };

/// Registration for the server's change broadcasts of a provider.
struct TProviderBroadCastOptions {
    bool RegisterForBroadCast = false;
    bool AutoUpdate = true;
    bool CacheBroadcastsWhenEdit = false;
    bool MergeEditRowBroadcasts = false;
    std::string ProviderFilter;
    TBroadCastAction BroadCastAction = baAuto;
    bool RetrievePrimeKeyFields = false;
};

}  // namespace ordo
