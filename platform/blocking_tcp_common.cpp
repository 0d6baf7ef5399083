// The blocking stream's reads built on its one system read (Recv), alike on every system.
#include "platform/tcp_socket.h"

namespace ordo {

bool TBlockingTcpStream::RecvExact(std::span<std::uint8_t> buffer) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        std::size_t n = Recv(buffer.subspan(done));
        if (n == 0) return false;
        done += n;
    }
    return true;
}

Bytes TBlockingTcpStream::RecvAll() {
    Bytes out;
    std::uint8_t chunk[4096];
    for (std::size_t n; (n = Recv(chunk)) > 0;) out.insert(out.end(), chunk, chunk + n);
    return out;
}

}  // namespace ordo
