// What the queue folder's two backends share: the handle and the lock change hands together, and go once.
#include "platform/queue_folder.h"

#include <utility>

namespace ordo {

TQueueFolder::TQueueFolder(TQueueFolder&& other) noexcept
    : path_(std::move(other.path_)), handle_(other.handle_), lock_(std::move(other.lock_)) {
    other.handle_ = kNone;
}

TQueueFolder& TQueueFolder::operator=(TQueueFolder&& other) noexcept {
    if (this != &other) {
        Release();
        path_ = std::move(other.path_);
        handle_ = other.handle_;
        lock_ = std::move(other.lock_);
        other.handle_ = kNone;
    }
    return *this;
}

TQueueFolder::~TQueueFolder() { Release(); }

}  // namespace ordo
