#pragma once
// What every fuzz target shares: the input as bytes and text, a few knobs taken from its front,
// and the one rule for failures. An EOrdoError is the decoders' documented answer to bad input;
// anything else (another exception, a sanitizer report, a broken round trip) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/bytes.h"
#include "core/errors.h"

namespace ordo::fuzz {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    /// Takes one byte off the front (0 when the input is used up).
    std::uint8_t TakeByte() {
        if (pos_ >= size_) return 0;
        return data_[pos_++];
    }
    /// What is left behind the knobs taken so far.
    [[nodiscard]] ByteView Rest() const { return {data_ + pos_, size_ - pos_}; }
    [[nodiscard]] std::string_view RestText() const {
        return {reinterpret_cast<const char*>(data_ + pos_), size_ - pos_};
    }
    [[nodiscard]] ByteView All() const { return {data_, size_}; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

/// Runs `step`, treating the library's own exceptions as the expected outcome of bad input.
template <class F>
void Tolerant(F&& step) {
    try {
        step();
    } catch (const EOrdoError&) {
    }
}

/// A property that must hold for every input; breaking it is reported like a crash.
inline void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

}  // namespace ordo::fuzz
