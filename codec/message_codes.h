#pragma once
// Message codes of the wire protocol: the first byte of every message line. Where the server
// uses more than one code for the same reply, the first is the plain name and the others carry
// a numeric suffix; receivers treat all of them alike.
#include <cstdint>

namespace ordo {

using TOrdoMessageCode = std::uint8_t;

/// Highest code a line being built may carry; received lines are not checked against it.
inline constexpr TOrdoMessageCode mcMaxToken = 70;

inline constexpr TOrdoMessageCode mcFieldDefs = 1;
inline constexpr TOrdoMessageCode mcSelectSQL = 3;
inline constexpr TOrdoMessageCode mcAck = 4;
inline constexpr TOrdoMessageCode mcRowPacket = 5;
inline constexpr TOrdoMessageCode mcSQLError = 6;
inline constexpr TOrdoMessageCode mcChatMessage = 8;
inline constexpr TOrdoMessageCode mcShowMessage = 9;
inline constexpr TOrdoMessageCode mcFieldDefs10 = 10;
inline constexpr TOrdoMessageCode mcRowPacket11 = 11;
inline constexpr TOrdoMessageCode mcBroadcast = 13;
inline constexpr TOrdoMessageCode mcShowMessage14 = 14;
inline constexpr TOrdoMessageCode mcCodedMessage = 15;
inline constexpr TOrdoMessageCode mcCodedStream = 16;
inline constexpr TOrdoMessageCode mcLogin = 17;
inline constexpr TOrdoMessageCode mcAnchorRedirect = 18;
inline constexpr TOrdoMessageCode mcReconnect = 19;
/// Received text for the socket's first application text handler.
inline constexpr TOrdoMessageCode mcApplicationText = 20;
inline constexpr TOrdoMessageCode mcBlobError = 21;
inline constexpr TOrdoMessageCode mcBlobData = 22;
/// Sent: a metadata request. Received: a text for the socket's second application text handler.
inline constexpr TOrdoMessageCode mcMetaData = 23;
inline constexpr TOrdoMessageCode mcTerminate = 25;
inline constexpr TOrdoMessageCode mcDataSetStream = 26;
inline constexpr TOrdoMessageCode mcStoredProc = 27;
inline constexpr TOrdoMessageCode mcCodedParamList = 28;
inline constexpr TOrdoMessageCode mcExecSQL = 29;
inline constexpr TOrdoMessageCode mcOutputParams = 30;
inline constexpr TOrdoMessageCode mcProviderApply = 31;
inline constexpr TOrdoMessageCode mcCursorId = 32;
inline constexpr TOrdoMessageCode mcFetchPacket = 33;
inline constexpr TOrdoMessageCode mcCloseCursor = 34;
inline constexpr TOrdoMessageCode mcProviderParams = 35;
inline constexpr TOrdoMessageCode mcProviderCall = 36;
/// Client update: the new program file as one stream.
inline constexpr TOrdoMessageCode mcUpdateFile = 38;
/// Client update: the update begins.
inline constexpr TOrdoMessageCode mcUpdateBegin = 39;
inline constexpr TOrdoMessageCode mcStateStream = 42;
/// What a line starting with the -3 marker decodes to; nobody handles it.
inline constexpr TOrdoMessageCode mcMarker = 43;
inline constexpr TOrdoMessageCode mcProviderRegister = 44;
inline constexpr TOrdoMessageCode mcProviderBroadcast = 44;
inline constexpr TOrdoMessageCode mcProviderTransaction = 45;
inline constexpr TOrdoMessageCode mcRawSelect = 46;
inline constexpr TOrdoMessageCode mcAnchorList = 47;
inline constexpr TOrdoMessageCode mcUtilityInfo = 48;
inline constexpr TOrdoMessageCode mcCustomObject = 50;
inline constexpr TOrdoMessageCode mcErrorText = 52;
inline constexpr TOrdoMessageCode mcMultiBroadcast = 55;
inline constexpr TOrdoMessageCode mcErrorText61 = 61;
inline constexpr TOrdoMessageCode mcAck62 = 62;
inline constexpr TOrdoMessageCode mcServerException = 64;
inline constexpr TOrdoMessageCode mcAck69 = 69;
inline constexpr TOrdoMessageCode mcAck70 = 70;

}  // namespace ordo
