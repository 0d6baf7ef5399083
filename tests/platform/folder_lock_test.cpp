// One holder per folder: a second taker is refused while the first lives, and a holder that dies without letting
// go (a crash, a kill) leaves nothing that blocks the next one.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

#include "core/errors.h"
#include "platform/folder_lock.h"

namespace ordo {
namespace {

namespace fs = std::filesystem;

struct LockFixture : ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("fq-lock-" + std::to_string(std::random_device{}()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
};

TEST_F(LockFixture, ASecondTakerIsRefusedUntilTheFirstLetsGo) {
    std::optional<TFolderLock> first = TFolderLock::TryTake(dir.string());
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(TFolderLock::TryTake(dir.string()).has_value());
    EXPECT_FALSE(TFolderLock::TryTake(dir.string() + "/").has_value());  // the same folder by another spelling

    std::optional<TFolderLock> moved = std::move(first);  // a moved lock is still held
    EXPECT_FALSE(TFolderLock::TryTake(dir.string()).has_value());
    moved.reset();
    EXPECT_TRUE(TFolderLock::TryTake(dir.string()).has_value());
    EXPECT_TRUE(fs::is_empty(dir)) << "the lock must not show among the folder's files";
}

TEST_F(LockFixture, AnotherFolderIsNotTaken) {
    fs::create_directories(dir / "other");
    const auto a = TFolderLock::TryTake(dir.string());
    EXPECT_TRUE(TFolderLock::TryTake((dir / "other").string()).has_value());
}

TEST_F(LockFixture, AFolderThatIsNotThereRaises) {
    EXPECT_THROW((void)TFolderLock::TryTake((dir / "missing").string()), EOSError);
}

TEST_F(LockFixture, AHolderKilledWithoutLettingGoBlocksNobody) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const auto held = TFolderLock::TryTake(dir.string());
        const char answer = held ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        for (;;) ::pause();  // holds the lock until killed
    }
    ::close(ready[1]);
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(answer, 'y');
    EXPECT_FALSE(TFolderLock::TryTake(dir.string()).has_value()) << "another process holds it";
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(TFolderLock::TryTake(dir.string()).has_value());
}

TEST_F(LockFixture, AProgramStartedByTheHolderDoesNotInheritTheLock) {
    auto lock = TFolderLock::TryTake(dir.string());
    ASSERT_TRUE(lock.has_value());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The restart script of an update is such a program: it runs after the holder has ended.
        ::execl("/bin/sh", "sh", "-c", "exec sleep 30", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    lock.reset();
    EXPECT_TRUE(TFolderLock::TryTake(dir.string()).has_value()) << "the started program kept the lock";
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

}  // namespace
}  // namespace ordo
