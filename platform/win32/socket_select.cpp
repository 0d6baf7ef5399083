// Socket readiness as window messages: WSAAsyncSelect itself. Winsock already posts each event
// once and re-arms it with the next recv or send, which is the behaviour the platform promises.
#include <unordered_map>
#include <vector>

#include "platform/message_queue.h"
#include "platform/win32/windows_api.h"

namespace ordo {

namespace {

struct Selection {
    HWND hwnd = nullptr;
    UINT message = 0;
};

thread_local std::unordered_map<int, Selection> tSelections;

// The socket number is reused by the next socket: notifications still queued for this one
// must not reach that one (a stale FD_CLOSE would end a fresh connection). Others keep their order.
void DropQueuedNotifications(const Selection& s, int fd) {
    if (!::IsWindow(s.hwnd)) return;
    std::vector<MSG> keep;
    MSG m;
    while (::PeekMessageA(&m, s.hwnd, s.message, s.message, PM_REMOVE | PM_NOYIELD))
        if (m.wParam != static_cast<WPARAM>(detail::ToSocket(fd))) keep.push_back(m);
    for (const MSG& k : keep) ::PostMessageA(k.hwnd, k.message, k.wParam, k.lParam);
}

}  // namespace

void AsyncSelect(int fd, WindowHandle hwnd, std::uint32_t message, long events, bool /*connecting*/) {
    if (events == 0) {
        auto it = tSelections.find(fd);
        if (it == tSelections.end()) return;
        const Selection old = it->second;
        tSelections.erase(it);
        ::WSAAsyncSelect(detail::ToSocket(fd), old.hwnd, 0, 0);
        DropQueuedNotifications(old, fd);
        return;
    }
    Selection s{detail::ToHwnd(hwnd), message};
    ::WSAAsyncSelect(detail::ToSocket(fd), s.hwnd, s.message, events);
    tSelections[fd] = s;
}

void ReenableSocketEvents(int /*fd*/, long /*events*/) {
    // Winsock re-enables FD_READ with every recv and FD_WRITE after a send that would block.
}

}  // namespace ordo
