#include "params/show_message.h"

#include <iostream>
#include <mutex>
#include <utility>

namespace ordo {
namespace {

std::mutex gSinkMutex;
TShowMessageSink gSink;  // guarded by gSinkMutex; empty: stderr

}  // namespace

TShowMessageSink SetShowMessageSink(TShowMessageSink sink) {
    std::lock_guard lock(gSinkMutex);
    return std::exchange(gSink, std::move(sink));
}

void ShowLibraryMessage(const std::string& text) {
    TShowMessageSink sink;
    {
        std::lock_guard lock(gSinkMutex);
        sink = gSink;
    }
    // Called outside the lock: a sink may show a modal box that runs for as long as the user lets it.
    if (sink) {
        sink(text);
    } else {
        std::cerr << text << '\n' << std::flush;
    }
}

}  // namespace ordo
