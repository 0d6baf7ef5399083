#include "server/config/database_login.h"

#include <cstdlib>
#include <fstream>

#include "core/errors.h"

namespace ordo::server {

std::string ReadPasswordFile(const std::string& path, const std::string& what) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EOrdoError("Cannot read the " + what + " file " + path);
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) throw EOrdoError("The " + what + " file " + path + " has no " + what + " on its first line");
    return line;
}

std::string FirebirdEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace ordo::server
