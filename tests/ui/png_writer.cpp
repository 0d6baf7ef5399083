// A minimal PNG encoder for screenshots: 8-bit RGB, no interlace, one IDAT chunk.
#include <cstdio>
#include <memory>
#include <zlib.h>

#include "tests/ui/x_probe.h"

namespace ordo::test {

namespace {

void PutU32BE(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(v >> shift));
}

void PutChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data) {
    PutU32BE(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    PutU32BE(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

bool WritePng(const TImage& image, const std::string& path) {
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<std::size_t>(image.height * (1 + 3 * image.width)));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);  // filter: none
        for (int x = 0; x < image.width; ++x) {
            const TRgb& p = image.At(x, y);
            raw.insert(raw.end(), {p.r, p.g, p.b});
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK) return false;
    packed.resize(packedSize);

    std::vector<unsigned char> header;
    PutU32BE(header, static_cast<std::uint32_t>(image.width));
    PutU32BE(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // depth 8, RGB, deflate, adaptive filters, no interlace

    std::vector<unsigned char> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", packed);
    PutChunk(file, "IEND", {});
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"), &std::fclose);
    return out && std::fwrite(file.data(), 1, file.size(), out.get()) == file.size();
}

}  // namespace ordo::test
