// A message line decoded from a frame body, then read item by item as a handler would.
#include "codec/string_line.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ordo::fuzz::Input in(data, size);
    const std::uint8_t plan = in.TakeByte();
    ordo::TOrdoStringLine line;
    try {
        line.DecodeFromText(in.Rest());
    } catch (const ordo::EOrdoError&) {
        return 0;
    }
    ordo::fuzz::Require(line.ItemCount() <= ordo::TOrdoStringLine::kMaxItems, "item count");
    // Reads wrap around after the last item, so one more read than there are items is covered too.
    for (std::size_t i = 0; i <= line.ItemCount(); ++i) {
        switch ((plan >> (2 * (i % 4))) & 3) {
            case 0: ordo::fuzz::Tolerant([&] { (void)line.ReadString(); }); break;
            case 1: ordo::fuzz::Tolerant([&] { (void)line.ReadInteger(); }); break;
            case 2: ordo::fuzz::Tolerant([&] { (void)line.ReadStream(); }); break;
            default:
                ordo::fuzz::Tolerant([&] {
                    const ordo::ByteView view = line.ReadBytes();
                    ordo::fuzz::Require(view.empty() || (view.data() >= line.Payload().data() &&
                                                         view.data() + view.size() <=
                                                             line.Payload().data() + line.Payload().size()),
                                        "item view inside the payload");
                });
        }
    }
    return 0;
}
