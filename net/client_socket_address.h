#pragma once
// How the socket turns its stored address and the program's command line into a connect target.
#include <string>
#include <vector>

namespace ordo {

/// Where a connect goes; a non-empty host wins over the address.
struct TOrdoConnectTarget {
    std::string address;
    std::string host;
    int port = 0;
};

/// Settings the command line may override when the connect action asks for it.
struct TOrdoCommandLineSwitches {
    int port = 0;                 ///< 0: not given
    std::string ipAddress;        ///< empty: not given
    bool http = false;
    std::string proxiedAddress;
    int proxiedPort = 0;
    bool compression = false;     ///< switch to zlib compression
    bool loginDialog = false;     ///< ask for the login in a dialog
};

/// "LOCAL" in any case means this machine; a numeric address may carry ":port" behind it;
/// an address that begins with a letter is a host name.
TOrdoConnectTarget ResolveConnectAddress(const std::string& address, int port);

/// Reads the switches Port=, IPAddress=, HTTP, ServerProxiedAddress=, ServerProxiedPort=, Compression
/// and Login from the program's arguments (without the program itself). A switch is recognised by its
/// name (any case, optional leading '-' or '/'), not by a substring, so "ServerProxiedPort=81" never
/// sets the port.
TOrdoCommandLineSwitches ParseConnectSwitches(const std::vector<std::string>& args);

}  // namespace ordo
