// Environment.ini as the start-up reads it: the four values, then the port unscrambled.
#include <string>

#include "app/field_splitter.h"
#include "app/port_scrambler.h"
#include "core/ini_file.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ordo::fuzz::Input in(data, size);
    const std::size_t bufferSize = in.TakeByte();
    const std::string_view text = in.RestText();

    for (const char* section : {"SYSTEM", "SYSSETUP"}) {
        for (const char* key : {"SvrIP", "SvrNM", "DBDSPort", "DMGID"}) {
            const std::string value = ordo::ReadProfileText(text, section, key, "fallback", bufferSize);
            ordo::fuzz::Require(bufferSize == 0 ? value.empty() : value.size() < bufferSize,
                                "value fits the caller's buffer");
        }
    }
    const std::string port = ordo::ReadProfileText(text, "SYSTEM", "DBDSPort", "");
    const std::string field = ordo::GetField(port, ",", 0);
    const std::string digits = ordo::DecodePortText(field, ordo::kPortKey);
    ordo::fuzz::Require(digits.size() <= field.size() / 2 || digits == "-1", "one byte per hex pair");
    (void)ordo::HexToStr(port);
    return 0;
}
