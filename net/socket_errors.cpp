#include "net/socket_errors.h"

#include "platform/codepage.h"

namespace ordo {

std::optional<std::string> SocketErrorText(int code) {
    switch (code) {
        case kWsaConnAborted:
            return AnsiLiteral("10053: 연결 오류입니다.  서버와 연결이 중지되었습니다. 서버가 중지되었을 수 있습니다.");
        case kWsaConnReset:
            return AnsiLiteral("10054: 연결 오류입니다.  서버와 연결이 중지되었습니다. 서버가 중지되었을 수 있습니다.");
        case kWsaConnRefused:
            return AnsiLiteral("10061: 연결이 거부되었습니다. 서버가 활성화 되어 있는지 확인하십시오");
        case kWsaHostUnreach:
            return "10065: The client cannot reach the destination network. Verify that your target network is "
                   "available and that a firewall is not blocking your protocol and port";
        default:
            return std::nullopt;
    }
}

std::string SocketErrorMessage(const std::string& text, const std::string& address, int port) {
    return text + " at " + address + " on Port:" + std::to_string(port);
}

std::string AnchorStatusText(TClientAnchorStatus status, bool active, const std::string& address, int port) {
    switch (status) {
        case TACNoAnchor: return "No Connection";
        case TACConnectedToAnchor: return active ? "Connected to Anchor" : "Disconnected, Anchor Available";
        case TACConnectedToServer: return "Connected to Server";
        case TACDisconnectedFromAnchor: return "Disconnected from Anchor, attempting to Reconnect";
        case TACDisconnectedFromServer: return "Disconnected from Server";
        case TAAnchorReDirect: return "Connecting from Anchor to Server " + address + ":" + std::to_string(port);
        case TAAnchorNoServers: return {};
    }
    return {};
}

}  // namespace ordo
