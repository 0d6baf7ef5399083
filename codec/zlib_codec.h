#pragma once
// zlib streams (RFC 1950 around RFC 1951 deflate) for message bodies and compressed row texts.
#include <cstddef>
#include <string>
#include <string_view>

#include "core/bytes.h"

namespace ordo {

/// Inflated output above this is refused, so a small hostile body cannot exhaust memory.
inline constexpr std::size_t kMaxInflatedSize = std::size_t{1} << 30;

/// One zlib stream: level 1, 15-bit window, memory level 8, default strategy.
/// A zlib failure raises EOrdoTransformError "Compression error: " + zlib's text.
Bytes ZLibCompress(ByteView data);
/// Inflates one whole zlib stream; bytes behind its end are ignored. A truncated stream
/// raises EOrdoTransformError "Decompression error: buffer error".
Bytes ZLibDecompress(ByteView data, std::size_t maxOutput = kMaxInflatedSize);

/// The rows text of a row packet flagged as compressed, inflated.
std::string InflateRowsText(std::string_view compressed);

}  // namespace ordo
