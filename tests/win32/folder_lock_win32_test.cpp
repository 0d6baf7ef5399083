// The Win32 folder lock: a hidden lock file opened without sharing; a second taker is refused until the first
// lets go, and the queue's own listing never shows the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "core/errors.h"
#include "platform/files.h"
#include "platform/folder_lock.h"
#include "platform/win32/windows_api.h"

namespace ordo {
namespace {

namespace fs = std::filesystem;

TEST(FolderLockWin32, OneHolderAtATimeAndAHiddenFileNobodyListsAsQueued) {
    const fs::path dir = fs::temp_directory_path() / ("fq-lock-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    {
        auto first = TFolderLock::TryTake(dir.string());
        ASSERT_TRUE(first.has_value());
        EXPECT_FALSE(TFolderLock::TryTake(dir.string()).has_value());
        EXPECT_FALSE(TFolderLock::TryTake(dir.string() + "\\").has_value());
        first.reset();
        EXPECT_TRUE(TFolderLock::TryTake(dir.string()).has_value());
    }
    const DWORD attributes = ::GetFileAttributesA((dir / "fqreplay.lock").string().c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(ListFiles(dir.string() + "\\", "*.txt").empty());
    EXPECT_THROW((void)TFolderLock::TryTake((dir / "missing").string()), EOSError);
    std::error_code ec;
    fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace ordo
