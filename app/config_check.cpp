#include "app/config_check.h"

#include <cerrno>

#include "app/field_splitter.h"
#include "app/file_identity.h"
#include "app/port_scrambler.h"
#include "app/server_address.h"
#include "core/errors.h"
#include "core/text_convert.h"
#include "platform/files.h"

namespace ordo {

int DecodeConfiguredPort(std::string_view value) {
    const std::string_view trimmed = Trim(value);
    const std::string field =
        trimmed.find(',') != std::string_view::npos ? GetField(trimmed, ",", 0) : std::string(trimmed);
    return StrToInt(DecodePortText(field, kPortKey));
}

std::optional<std::string> ConfigurationProblem(const std::string& exeFolder) {
    const std::string file = exeFolder + kEnvFileName;
    try {
        // Read once for the system's reason: an unreadable file would otherwise pass for one without keys.
        ReadFileBytes(file);
    } catch (const EOSError& e) {
        if (e.Code() == ENOENT)
            return file + ": not found; it must name the server ([SYSTEM] SvrIP or SvrNM) and its port (DBDSPort)";
        const std::string text = e.what();  // "...: <the system's reason>"
        const auto colon = text.rfind(": ");
        return file + ": cannot be read: " + (colon == std::string::npos ? text : text.substr(colon + 2));
    }
    auto read = [&](std::string_view key) { return ReadEnvValue(exeFolder, kEnvFileName, "SYSTEM", key); };

    const std::string svrIp = read("SvrIP");
    const std::string svrNm = read("SvrNM");
    if (svrIp.empty() && (svrNm.empty() || svrNm == "Null"))
        return file + ": neither [SYSTEM] SvrIP nor SvrNM is set";

    const std::string portValue = read("DBDSPort");
    bool isPort = false;
    try {
        const int port = DecodeConfiguredPort(portValue);
        isPort = port >= 1 && port <= 65535;
    } catch (const EConvertError&) {
        // reported below with the value that did not decode
    }
    if (!isPort) return file + ": [SYSTEM] DBDSPort \"" + portValue + "\" does not decode to a port";
    try {
        (void)ReadExactlyOnce(exeFolder);
    } catch (const EConvertError& e) {
        return e.what();
    }
    return std::nullopt;
}

}  // namespace ordo
