#pragma once
// What the portable message loop (message_loop.cpp) asks of each backend beyond message_queue.h.
#include "platform/message_queue.h"

namespace ordo::detail {

/// Puts a WM_QUIT taken from the queue back at its front, so that the outer loop meets it too.
void RequeueQuit(const TMessage& quit);

}  // namespace ordo::detail
