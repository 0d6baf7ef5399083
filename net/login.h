#pragma once
// The login message and the dialog that may be asked for the user's name and password.
#include <optional>
#include <string>

#include "codec/string_line.h"
#include "net/client_socket_types.h"

namespace ordo {

class TOrdoParamList;

struct TOrdoLoginCredentials {
    std::string userName;
    std::string password;
};

/// The login dialog of the user interface.
class IOrdoLoginDialog {
public:
    virtual ~IOrdoLoginDialog() = default;
    /// Shows the dialog filled with the current user name; nothing when the user cancelled.
    virtual std::optional<TOrdoLoginCredentials> Execute(const std::string& userName) = 0;
};

/// The login line (code 17): the login type's ordinal, user name, password, application name,
/// and the application version joined by the byte 0x02 to the client's own parameter list.
TOrdoStringLine BuildLoginLine(TLoginType loginType, const std::string& userName, const std::string& password,
                               const std::string& applicationName, const std::string& applicationVersion,
                               const TOrdoParamList& clientParams);

/// The server version from its text. When the text lacks the local decimal separator, the
/// server's own separator is the first character behind the leading digits. Unreadable: 0.
double ParseServerVersion(const std::string& text, char localSeparator);

inline constexpr const char* kBadLoginText =
    "Bad Login Attempt.  Your User Name and Password was not validated at the server.";
inline constexpr const char* kLoginCancelledThreeTimesText =
    "You have cancelled the Login Dialog three times.  The application will be terminated!";
inline constexpr const char* kLoginCancelledAskText =
    "You have cancelled the Login Attempt, would you like to Exit the application?";

}  // namespace ordo
