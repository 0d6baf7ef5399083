#include "server/fb/fb_message.h"

#include <ibase.h>

#include <cstring>
#include <string>

namespace ordo::server {

using detail::FbCall;
using detail::FbPtr;

FbInputMessage::FbInputMessage(std::vector<FbParamSlot> slots) : slots_(std::move(slots)) {
    const auto count = static_cast<unsigned>(slots_.size());
    FbPtr<Firebird::IMetadataBuilder> builder(
        FbCall([&](auto* s) { return detail::Master()->getMetadataBuilder(s, count); }));
    FbCall([&](auto* s) {
        for (unsigned i = 0; i < count; ++i) {
            const FbParamSlot& slot = slots_[i];
            builder->setType(s, i, slot.type | 1u);  // nullable: the null indicator stays 0
            builder->setLength(s, i, slot.length);
            builder->setScale(s, i, slot.scale);
            if (slot.type == SQL_VARYING) builder->setCharSet(s, i, slot.charSet);
        }
    });
    meta_.reset(FbCall([&](auto* s) { return builder->getMetadata(s); }));
    FbCall([&](auto* s) {
        buf_.assign(meta_->getMessageLength(s), 0);
        offsets_.resize(count);
        for (unsigned i = 0; i < count; ++i) {
            offsets_[i] = meta_->getOffset(s, i);
            const unsigned nullOffset = meta_->getNullOffset(s, i);
            std::memset(buf_.data() + nullOffset, 0, sizeof(ISC_SHORT));
        }
    });
}

void FbInputMessage::SetInt64(std::size_t index, std::int64_t value) {
    std::memcpy(buf_.data() + offsets_[index], &value, sizeof value);
}

void FbInputMessage::SetText(std::size_t index, std::string_view value) {
    if (value.size() > slots_[index].length)
        throw FbError("Parameter " + std::to_string(index + 1) + " is longer than its slot", 0);
    unsigned char* p = buf_.data() + offsets_[index];
    const auto length = static_cast<ISC_USHORT>(value.size());
    std::memcpy(p, &length, sizeof length);
    std::memcpy(p + sizeof length, value.data(), value.size());
}

}  // namespace ordo::server
