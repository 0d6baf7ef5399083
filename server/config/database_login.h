#pragma once
// The database login's password: kept off the command line, where every local user could read it.
#include <string>

namespace ordo::server {

/// The first line of `path`, without its line end. Raises EOrdoError naming the file as `what`
/// when the file cannot be read or its first line is empty.
std::string ReadPasswordFile(const std::string& path, const std::string& what = "password");

/// The value of Firebird's own environment variable `name` (ISC_USER, ISC_PASSWORD), or empty.
std::string FirebirdEnvironment(const char* name);

}  // namespace ordo::server
