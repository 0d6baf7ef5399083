#pragma once
// The message line: a code, a data set id and up to five items, laid out on the wire as a
// 50-byte header followed by the items' bytes.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/bytes.h"
#include "core/errors.h"

namespace ordo {

class TStream;

/// Misuse while building a line: a token out of range, a sixth item, an unknown item type.
class EStringLineException : public EOrdoError {
public:
    using EOrdoError::EOrdoError;
};

/// Item type byte. The reader never looks at it; the receiver knows each code's item list.
enum TOrdoItemType : std::uint8_t {
    itString = 0,
    itObject = 1,   // an object that renders itself as text
    itObject2 = 2,  // the same, second kind
    itStream = 3,
    itInteger = 6,
};

/// An object that can travel as an item of type 1 or 2 by rendering itself as text.
class TOrdoLineObject {
public:
    virtual ~TOrdoLineObject() = default;
    [[nodiscard]] virtual std::string LineText() const = 0;
};

class TOrdoStringLine {
public:
    static constexpr std::size_t kMaxItems = 5;
    static constexpr std::size_t kHeaderSize = 50;
    static constexpr std::size_t kEntrySize = 9;
    /// A body whose first four bytes hold this value is a bare marker line (code 43).
    static constexpr std::int32_t kMarkerValue = -3;

    struct Item {
        std::uint8_t type = 0;
        std::int32_t start = 0;  // 1-based first byte in the payload; 0 when absent
        std::int32_t end = 0;    // 1-based position just behind the last byte
    };

    TOrdoStringLine() = default;
    explicit TOrdoStringLine(std::uint8_t token, std::int32_t dataSetId = 0);

    [[nodiscard]] std::uint8_t Token() const noexcept { return token_; }
    /// Raises EStringLineException "BAD TOKEN VALUE" above 70.
    void SetToken(int value);
    [[nodiscard]] std::int32_t DataSetId() const noexcept { return dataSetId_; }
    void SetDataSetId(std::int32_t value) noexcept { dataSetId_ = value; }

    /// Appends one item; the first item of a line starts a fresh payload and item table.
    /// `raw` is stored unchanged. Types other than 0, 1, 2, 3, 6 and a sixth item raise.
    void AddItem(ByteView raw, std::uint8_t type);
    void AddString(std::string_view text) { AddItem(AsBytes(text), itString); }
    void AddInteger(std::int32_t value);
    void AddStream(ByteView content) { AddItem(content, itStream); }
    /// The stream's whole content, read from position 0; the stream is left at its end.
    void AddStream(TStream& stream);
    void AddObject(const TOrdoLineObject& object, std::uint8_t type = itObject);

    /// Header in front of the payload; hands the bytes out and leaves the line empty.
    Bytes EncodeToText();
    /// Replaces the line's content with received bytes and resets the read cursor.
    /// Raises EOrdoProtocolError when the bytes are too short for a header.
    void DecodeFromText(ByteView bytes);
    /// The same, taking the bytes' buffer over as the payload instead of copying it.
    void DecodeFromText(Bytes&& bytes);

    /// Reads take the items in order and wrap around to the first after the last present one.
    /// An item whose range lies outside the payload raises EOrdoProtocolError.
    std::string ReadString();
    /// The item's decimal text; anything else raises EConvertError.
    std::int32_t ReadInteger();
    /// A new buffer holding the item's bytes (the caller owns it).
    Bytes ReadStream();
    /// The next item without copying; valid until the line changes.
    ByteView ReadBytes();

    /// Items added while building, or present after decoding.
    [[nodiscard]] std::size_t ItemCount() const noexcept;
    [[nodiscard]] const Item& ItemAt(std::size_t index) const { return items_.at(index); }
    [[nodiscard]] const Bytes& Payload() const noexcept { return payload_; }
    [[nodiscard]] std::size_t ReadCursor() const noexcept { return cursor_; }
    void ResetReadCursor() noexcept { cursor_ = 0; }
    /// Empties payload and item table; token and id are kept.
    void Clear() noexcept;

private:
    ByteView ItemView(const Item& item) const;
    /// Reads the header into the line; returns where the payload begins.
    std::size_t DecodeHeader(ByteView bytes);

    Bytes payload_;
    std::array<Item, kMaxItems> items_{};
    std::uint8_t token_ = 0;
    std::int32_t dataSetId_ = 0;
    std::size_t count_ = 0;   // building
    std::size_t cursor_ = 0;  // reading
};

}  // namespace ordo
