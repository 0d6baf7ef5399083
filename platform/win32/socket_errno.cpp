// C runtime and resolver numbers in Windows Sockets terms. Winsock reports its own numbers
// already; only the few errno values a Windows program meets need a mapping.
#include <cerrno>

#include "core/socket_errors.h"

namespace ordo {

int WinSockErrorFromErrno(int err) noexcept {
    switch (err) {
        case 0: return 0;
        case EINTR: return WSAEINTR;
        case EBADF: return WSAEBADF;
        case EACCES: case EPERM: return WSAEACCES;
        case EFAULT: return WSAEFAULT;
        case EINVAL: return WSAEINVAL;
        case EMFILE: case ENFILE: return WSAEMFILE;
        case EAGAIN: return WSAEWOULDBLOCK;
        case ENOMEM: return WSAENOBUFS;
        default: return 10000 + err;
    }
}

int WinSockErrorFromResolver(int gaiError) noexcept {
    // getaddrinfo on Windows answers with Windows Sockets numbers (EAI_NONAME is WSAHOST_NOT_FOUND).
    return gaiError;
}

}  // namespace ordo
