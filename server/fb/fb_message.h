#pragma once
// An input message laid out by the server instead of by the statement: each parameter travels in
// the type its value has, and the engine converts it to the type the statement expects. Laid out
// once, filled for every execution.
#include <cstdint>
#include <string_view>
#include <vector>

#include "server/fb/fb_client.h"

namespace ordo::server {

/// How one parameter travels.
struct FbParamSlot {
    unsigned type = 0;     // SQL_VARYING or SQL_INT64
    unsigned length = 0;   // bytes: the most a VARYING holds
    int scale = 0;         // SQL_INT64: the value is unscaled * 10^scale
    unsigned charSet = 0;  // SQL_VARYING
};

class FbInputMessage {
public:
    explicit FbInputMessage(std::vector<FbParamSlot> slots);
    FbInputMessage(FbInputMessage&&) noexcept = default;
    FbInputMessage& operator=(FbInputMessage&&) noexcept = default;
    ~FbInputMessage() = default;

    [[nodiscard]] const std::vector<FbParamSlot>& Slots() const noexcept { return slots_; }
    void SetInt64(std::size_t index, std::int64_t value);
    /// The text must fit the slot's length.
    void SetText(std::size_t index, std::string_view value);

    [[nodiscard]] Firebird::IMessageMetadata* Meta() const noexcept { return meta_.get(); }
    [[nodiscard]] unsigned char* Data() noexcept { return buf_.data(); }

private:
    std::vector<FbParamSlot> slots_;
    detail::FbPtr<Firebird::IMessageMetadata> meta_;
    std::vector<unsigned> offsets_;
    std::vector<unsigned char> buf_;
};

}  // namespace ordo::server
