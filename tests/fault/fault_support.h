#pragma once
// What the fault tests share: a folder that outlives one server (so a second server can read
// what the first one left behind), an immutable attribute that even root cannot delete through,
// and the check that no queue file went whose work is missing from the database.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/replay_fixture.h"
#include "tests/support/temp_folder.h"

namespace ordo::test {

/// Sets the immutable attribute on a file or folder for its lifetime: nobody, root included, may
/// delete the file or, on a folder, remove an entry from it.
class Immutable {
public:
    explicit Immutable(const std::filesystem::path& path) : path_(path) { ok_ = Set(true); }
    ~Immutable() {
        if (ok_) Set(false);
    }
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;
    /// False when the file system (or the missing capability) does not allow the attribute.
    [[nodiscard]] bool Ok() const noexcept { return ok_; }

private:
    bool Set(bool on) {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }
    std::filesystem::path path_;
    bool ok_ = false;
};

/// The ids in ITEMS, read through a server.
inline std::set<int> ItemIds(int port) {
    OrdoTestClient c(port);
    const OrdoReply r = c.Select("SELECT ID FROM ITEMS");
    if (!r.Ok()) throw std::runtime_error("reading ITEMS failed: " + r.error);
    const DecodedRows rows(r);
    std::set<int> ids;
    for (int i = 0; i < rows.Count(); ++i) ids.insert(static_cast<int>(rows.Int(i, 0)));
    return ids;
}

inline const char* kItemsTable = "CREATE TABLE ITEMS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40))";

/// Queue file "NNN.txt" inserting ITEMS row `id`.
inline std::string ItemFile(int id) {
    char name[16];
    std::snprintf(name, sizeof name, "%03d.txt", id);
    return name;
}
inline std::string ItemInsert(int id) {
    return "INSERT INTO ITEMS (ID, NAME) VALUES (" + std::to_string(id) + ", 'item " + std::to_string(id) + "')";
}

/// Every ITEMS file from `first` to `last` that is gone must have its row in `applied`.
inline void ExpectNothingDeletedUnapplied(const ReplayFixture& f, const std::set<int>& applied, int last,
                                          int first = 1) {
    for (int id = first; id <= last; ++id) {
        if (!f.Has(ItemFile(id))) {
            EXPECT_TRUE(applied.count(id)) << ItemFile(id) << " deleted, row missing";
        }
    }
}

}  // namespace ordo::test
