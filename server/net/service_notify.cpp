#include "server/net/service_notify.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "server/net/posix_socket.h"

namespace ordo::server {

bool NotifyServiceManager(std::string_view state) noexcept {
    const char* path = std::getenv("NOTIFY_SOCKET");
    if (!path || !*path) return false;
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    const std::size_t length = std::strlen(path);
    if (length >= sizeof sa.sun_path || (path[0] != '/' && path[0] != '@')) return false;
    std::memcpy(sa.sun_path, path, length);
    if (path[0] == '@') sa.sun_path[0] = '\0';  // an abstract socket name
    UniqueFd fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) return false;
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
    return ::sendto(fd.Get(), state.data(), state.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&sa),
                    size) == static_cast<ssize_t>(state.size());
}

}  // namespace ordo::server
