// Turns poll() readiness of registered sockets into one-shot notifications in the manner of
// WSAAsyncSelect: each event is posted once and stays quiet until the socket consumed it, so a
// socket whose data nobody reads yet does not keep the loop awake.
#include <cerrno>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include "core/socket_errors.h"
#include "platform/thread_queue.h"

namespace ordo::detail {

namespace {

int PendingSocketError(int fd) {
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return errno;
    return err;
}

// 1: data waiting, 0: orderly close, -1: failed with `err`.
int PeekState(int fd, int& err) {
    char byte;
    for (;;) {
        auto n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n > 0) return 1;
        if (n == 0) return 0;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 1;  // spurious: let the reader find out
        err = errno;
        return -1;
    }
}

}  // namespace

void ThreadQueue::RegisterSocket(int fd, WindowHandle hwnd, std::uint32_t message, long events,
                                 bool connecting) {
    if (events == 0) {
        auto it = sockets_.find(fd);
        if (it == sockets_.end()) return;
        // The descriptor number is reused by the next socket; notifications still queued for
        // this one must not reach that one (a stale FD_CLOSE would end a fresh connection).
        const SocketEntry old = it->second;
        sockets_.erase(it);
        std::lock_guard lock(mutex_);
        std::erase_if(posted_, [&](const TMessage& m) {
            return m.hwnd == old.hwnd && m.message == old.message && m.wParam == static_cast<WPARAM>(fd);
        });
        return;
    }
    auto [it, added] = sockets_.try_emplace(fd);
    SocketEntry& e = it->second;
    e.hwnd = hwnd;
    e.message = message;
    e.events = events;
    e.armed = events;  // a new selection lets every chosen event through again
    // Changing the selection of a known socket keeps where its connection stands.
    if (added) e.phase = connecting ? SocketPhase::Connecting : SocketPhase::Connected;
}

void ThreadQueue::ReenableSocket(int fd, long events) {
    auto it = sockets_.find(fd);
    if (it == sockets_.end()) return;
    it->second.armed |= events & it->second.events;
}

void ThreadQueue::CollectPollSet(std::vector<pollfd>& set) const {
    for (const auto& [fd, e] : sockets_) {
        short ev = 0;
        if (e.phase == SocketPhase::Connecting) {
            ev = POLLOUT;
        } else if (e.phase == SocketPhase::Connected) {
            bool wantRead = (e.events & FD_READ) != 0;
            if (wantRead && (e.armed & FD_READ)) ev |= POLLIN;
            // Without read interest a close still has to be seen, but data must not wake us.
            if ((e.armed & FD_CLOSE) && (!wantRead || (e.armed & FD_READ))) ev |= POLLRDHUP;
            if (e.armed & FD_WRITE) ev |= POLLOUT;
        }
        // A descriptor in the set reports hang-ups even with no events asked, so leave idle ones out.
        if (ev != 0) set.push_back(pollfd{fd, ev, 0});
    }
}

void ThreadQueue::PostSocket(const SocketEntry& entry, int fd, long event, int error) {
    PushLocal(TMessage{entry.hwnd, entry.message, static_cast<WPARAM>(fd), MakeSelectLParam(event, error)});
}

void ThreadQueue::HandleConnecting(int fd, SocketEntry& e) {
    int err = PendingSocketError(fd);
    int code = WinSockErrorFromErrno(err);
    if (e.events & FD_CONNECT) PostSocket(e, fd, FD_CONNECT, code);
    if (err != 0) {
        e.phase = SocketPhase::Dead;
        return;
    }
    e.phase = SocketPhase::Connected;
    if ((e.events & FD_WRITE) && (e.armed & FD_WRITE)) {
        PostSocket(e, fd, FD_WRITE, 0);
        e.armed &= ~FD_WRITE;
    }
}

void ThreadQueue::HandleSocket(int fd, short revents) {
    SocketEntry& e = sockets_.at(fd);
    if (e.phase == SocketPhase::Connecting) {
        HandleConnecting(fd, e);
        return;
    }
    auto closeWith = [&](int error) {
        if (e.armed & FD_CLOSE) PostSocket(e, fd, FD_CLOSE, error);
        e.phase = SocketPhase::Dead;
    };
    if (revents & POLLERR) {
        closeWith(WinSockErrorFromErrno(PendingSocketError(fd)));
        return;
    }
    if (revents & (POLLIN | POLLRDHUP | POLLHUP)) {
        int err = 0;
        int state = PeekState(fd, err);
        if (state < 0) {
            closeWith(WinSockErrorFromErrno(err));
            return;
        }
        if (state == 0) {
            closeWith(0);
            return;
        }
        if ((e.events & FD_READ) == 0 && (revents & (POLLRDHUP | POLLHUP))) {
            closeWith(0);  // data nobody asked to read must not hold the close back
            return;
        }
        if ((e.events & FD_READ) && (e.armed & FD_READ)) {
            PostSocket(e, fd, FD_READ, 0);
            e.armed &= ~FD_READ;
        } else if (revents & POLLHUP) {
            // Both ways are shut and the unread data waits for the reader; a send could only fail.
            e.armed &= ~FD_WRITE;
        }
    }
    if ((revents & POLLOUT) && (e.armed & FD_WRITE)) {
        PostSocket(e, fd, FD_WRITE, 0);
        e.armed &= ~FD_WRITE;
    }
}

}  // namespace ordo::detail
