// The loops built on a backend's queue primitives; alike on every system, so written once.
#include "platform/message_loop_backend.h"
#include "platform/message_queue.h"

namespace ordo {

bool GetMessage(TMessage& msg, WindowHandle filterWindow) {
    TMessageFilter filter{filterWindow, 0};
    while (!PeekMessage(msg, filter, true)) WaitMessage(filter, -1);
    return msg.message != WM_QUIT;
}

bool WaitMessage(int timeoutMs) { return WaitMessage(TMessageFilter{}, timeoutMs); }

bool ProcessMessages() {
    TMessage msg;
    while (PeekMessage(msg, TMessageFilter{}, true)) {
        if (msg.message == WM_QUIT) {
            detail::RequeueQuit(msg);
            return false;
        }
        DispatchMessage(msg);
    }
    return true;
}

int RunMessageLoop() {
    TMessage msg;
    while (GetMessage(msg)) DispatchMessage(msg);
    return static_cast<int>(msg.wParam);
}

}  // namespace ordo
