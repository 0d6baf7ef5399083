#pragma once
// A message line framed as the server sends it: the encoded line behind its 4-byte length.
#include "codec/string_line.h"
#include "core/wire.h"

namespace ordo::test {

inline Bytes Frame(TOrdoStringLine line) {
    Bytes body = line.EncodeToText();
    Bytes frame;
    AppendI32LE(frame, static_cast<std::int32_t>(body.size()));
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

}  // namespace ordo::test
