#pragma once
// A fresh folder under the system's temporary folder for one test, removed with everything in it
// when the object goes (kept when ORDO_KEEP_TEST_DB is set, to look at what a failed test left).
#include <string>
#include <string_view>

namespace ordo::test {

class TempFolder {
public:
    /// `prefix` names the folder's owner in the temporary folder ("ordo-fault-…").
    explicit TempFolder(std::string_view prefix = "ordo-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    /// The folder's path with a trailing separator, ready for a file name.
    [[nodiscard]] const std::string& Path() const noexcept { return path_; }
    [[nodiscard]] std::string operator/(std::string_view name) const { return path_ + std::string(name); }
    /// Writes `content` as the whole file `name` in the folder.
    void Write(std::string_view name, std::string_view content) const;

private:
    std::string path_;
};

}  // namespace ordo::test
