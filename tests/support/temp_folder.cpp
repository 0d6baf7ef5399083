#include "tests/support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace ordo::test {

namespace fs = std::filesystem;

TempFolder::TempFolder(std::string_view prefix) {
    // create_directory reports whether it made the folder, so two tests (or two runs) never share one.
    std::random_device seed;
    std::mt19937_64 random(seed());
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / (std::string(prefix) + "-" + std::to_string(random() % 1000000000u));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            path_ = candidate.string() + static_cast<char>(fs::path::preferred_separator);
            return;
        }
        if (ec) throw std::runtime_error("cannot make a folder in " + base.string() + ": " + ec.message());
    }
    throw std::runtime_error("no free folder name in " + base.string());
}

TempFolder::~TempFolder() {
    if (std::getenv("ORDO_KEEP_TEST_DB") != nullptr) return;
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void TempFolder::Write(std::string_view name, std::string_view content) const {
    std::ofstream out(fs::path(path_) / fs::path(std::string(name)), std::ios::binary);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path_ + std::string(name));
}

}  // namespace ordo::test
