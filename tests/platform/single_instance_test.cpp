#include "single_instance.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"

using platform::SingleInstanceLock;
using testing_support::TempDir;

TEST(SingleInstanceLock, OneHolderPerKeyUntilItLetsGo) {
    TempDir dir;
    const std::string folder = dir.Path().string();
    auto first = std::make_unique<SingleInstanceLock>("/opt/a/tonquell", folder);
    EXPECT_TRUE(first->Acquired());
    {
        const SingleInstanceLock second("/opt/a/tonquell", folder);
        EXPECT_FALSE(second.Acquired());
        EXPECT_EQ(second.LockPath(), first->LockPath());
        // Another executable path is another program.
        const SingleInstanceLock other("/opt/b/tonquell", folder);
        EXPECT_TRUE(other.Acquired());
    }
    first.reset();
    const SingleInstanceLock again("/opt/a/tonquell", folder);
    EXPECT_TRUE(again.Acquired());
}

TEST(SingleInstanceLock, AKilledHolderLeavesNoStaleLock) {
    TempDir dir;
    const std::string folder = dir.Path().string();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const SingleInstanceLock held("/opt/a/tonquell", folder);
        const char c = held.Acquired() ? '1' : '0';
        (void)::write(ready[1], &c, 1);
        ::pause();
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, '1');
    EXPECT_FALSE(SingleInstanceLock("/opt/a/tonquell", folder).Acquired());
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    // The lock file is still there, but nobody holds it any more.
    EXPECT_TRUE(SingleInstanceLock("/opt/a/tonquell", folder).Acquired());
}

TEST(SingleInstanceLock, AnUnwritableLockFolderNeverBlocksTheStart) {
    EXPECT_TRUE(SingleInstanceLock("/opt/a/tonquell", "/nonexistent/folder").Acquired());
}
