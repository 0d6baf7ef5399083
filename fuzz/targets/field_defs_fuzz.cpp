// The field definitions text of a select reply, and the "name,type,size" entries made from it.
#include "fuzz/fuzz_input.h"
#include "resultset/field_defs_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ordo::fuzz::Input in(data, size);
    const auto defs = ordo::DecodeFieldDefinitions(in.RestText());
    for (const auto& def : defs) {
        ordo::fuzz::Require(def.DataType >= 1 && def.Size >= 1, "decoded type and size are at least 1");
        ordo::fuzz::Require(ordo::ParseFieldDescription(ordo::FieldDescription(def)) == def,
                            "field description round trip");
    }
    std::string again;
    try {
        again = ordo::EncodeFieldDefinitions(defs);
    } catch (const ordo::EOrdoError&) {
        return 0;  // a record the one-byte token counters could not read back
    }
    ordo::fuzz::Require(ordo::DecodeFieldDefinitions(again) == defs, "field definitions round trip");
    (void)ordo::ParseFieldDescription(in.RestText());
    return 0;
}
