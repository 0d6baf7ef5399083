#pragma once
// Which incoming message can answer which request. There is no request id on the wire: one request
// travels at a time, and its answer is known by its code and the data set it names. These rules decide
// it without any I/O, from the decoded message alone, so they are tested with tables.
#include <cstdint>

namespace ordo {

/// What a request is, as far as its answer is concerned.
enum class TRequestKind : std::uint8_t {
    rkData,   ///< a select, execute, procedure, metadata, coded-list or other data set request
    rkLogin,  ///< the login after a connect
};

/// An incoming message as the judge sees it: its place in the stream, its code and the data set it names
/// (the header's id, or for a rows-affected list the id the list carries).
struct TIncomingReply {
    std::uint64_t seq = 0;  ///< counts every dispatched message; 0 for none
    std::uint8_t code = 0;
    std::int32_t dataSetId = 0;
};

/// True when `reply` can be the answer of a request of `kind` sent for data set `requestDataSetId`.
/// A login is answered by the login reply (or an error the server sends instead); a data request never by a
/// login reply, and never by a message that names another data set. A message naming no data set (id 0)
/// may answer any data request: the server's generic answers carry none.
[[nodiscard]] bool CanAnswer(TRequestKind kind, std::int32_t requestDataSetId, const TIncomingReply& reply) noexcept;

/// The request kind a message line sent with a wait stands for.
[[nodiscard]] TRequestKind KindOfRequest(std::uint8_t code) noexcept;

}  // namespace ordo
