#include "replace_file.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../support/small_disk.h"
#include "../support/temp_dir.h"

namespace {

using testing_support::Names;
using testing_support::ReadFile;
using testing_support::SmallDisk;
using testing_support::TempDir;
using testing_support::WriteFile;

std::vector<platform::ReplaceStep> seenSteps;
std::string seenTarget;
std::vector<std::string> targetAtStep;

void RecordSteps(platform::ReplaceStep step, const std::string&) {
    seenSteps.push_back(step);
    targetAtStep.push_back(ReadFile(seenTarget));
}

// Set by a test before a replacement: what happens to the world before each step.
std::function<void(platform::ReplaceStep)> worldChange;
void ChangeTheWorld(platform::ReplaceStep step, const std::string&) {
    if (worldChange) {
        worldChange(step);
    }
}

}  // namespace

TEST(ReplaceFile, WritesTheNewFileUnderItsNameAndNothingElse) {
    TempDir dir;
    const std::string path = dir.File("settings.ini");
    WriteFile(path, "old");
    ASSERT_TRUE(platform::ReplaceFile(path, "new contents", 0640));
    EXPECT_EQ(ReadFile(path), "new contents");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"settings.ini"});

    // A file that did not exist is created; an empty one is a file too.
    ASSERT_TRUE(platform::ReplaceFile(dir.File("fresh"), "", 0644));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.File("fresh")));

    // A folder that does not exist, and a name that is a folder, fail and leave nothing.
    errno = 0;
    EXPECT_FALSE(platform::ReplaceFile(dir.File("missing/x.ini"), "x", 0644));
    EXPECT_EQ(errno, ENOENT);
    std::filesystem::create_directory(dir.File("sub"));
    WriteFile(dir.File("sub/keep"), "kept");
    EXPECT_FALSE(platform::ReplaceFile(dir.File("sub"), "x", 0644));
    EXPECT_EQ(ReadFile(dir.File("sub/keep")), "kept");
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"fresh", "settings.ini", "sub"}));
}

TEST(ReplaceFile, SyncsTheFileBeforeTheRenameAndTheFolderAfterIt) {
    TempDir dir;
    seenTarget = dir.File("a.mp3");
    WriteFile(seenTarget, "old");
    seenSteps.clear();
    targetAtStep.clear();
    const auto previous = platform::SetReplaceObserver(RecordSteps);
    ASSERT_TRUE(platform::ReplaceFile(seenTarget, "new", 0644));
    platform::SetReplaceObserver(previous);
    using platform::ReplaceStep;
    EXPECT_EQ(seenSteps,
              (std::vector{ReplaceStep::SyncFile, ReplaceStep::Rename, ReplaceStep::SyncFolder}));
    EXPECT_EQ(targetAtStep, (std::vector<std::string>{"old", "old", "new"}));
}

TEST(ReplaceFile, AFailureAtAnyStepLeavesTheOldFileWhole) {
    // Each case makes one step fail for real; the old file must come out byte for byte.
    const std::string old(40000, 'o');
    const std::string next(40000, 'n');

    {
        SCOPED_TRACE("writing: the process may not write files that large");
        TempDir dir;
        const std::string path = dir.File("a.mp3");
        WriteFile(path, old);
        const pid_t child = ::fork();
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{4096, 4096};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            const bool ok = platform::ReplaceFile(path, next, 0644);
            ::_exit(ok ? 0 : (errno == EFBIG ? 3 : 4));
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_EQ(WEXITSTATUS(status), 3);
        EXPECT_EQ(ReadFile(path), old);
        EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"a.mp3"});
    }

    TempDir root;
    const SmallDisk disk(root.Path() / "disk", 64 * 1024);
    if (!disk.Mounted()) {
        GTEST_SKIP() << "no right to mount a small disk here; run as root for the other steps";
    }
    const std::string path = disk.File("a.mp3");
    const auto previous = platform::SetReplaceObserver(ChangeTheWorld);
    {
        SCOPED_TRACE("writing: the disk is full");
        WriteFile(path, old);
        errno = 0;
        EXPECT_FALSE(platform::ReplaceFile(path, next, 0644));
        EXPECT_EQ(errno, ENOSPC);
        EXPECT_EQ(ReadFile(path), old);
        EXPECT_EQ(Names(disk.Folder()), std::vector<std::string>{"a.mp3"});
    }
    {
        SCOPED_TRACE("renaming: the folder turned read-only after the new file was written");
        WriteFile(path, "small old");
        worldChange = [&](platform::ReplaceStep step) {
            if (step == platform::ReplaceStep::Rename) {
                EXPECT_TRUE(disk.SetReadOnly(true));
            }
        };
        errno = 0;
        EXPECT_FALSE(platform::ReplaceFile(path, "small new", 0644));
        EXPECT_EQ(errno, EROFS);
        worldChange = nullptr;
        EXPECT_EQ(ReadFile(path), "small old");
        // The hidden temporary file could not be removed from a read-only folder either; it
        // is the only other name there.
        ASSERT_TRUE(disk.SetReadOnly(false));
        for (const std::string& name : Names(disk.Folder())) {
            EXPECT_TRUE(name == "a.mp3" || name.starts_with(".tonquell-")) << name;
        }
    }
    platform::SetReplaceObserver(previous);
}

TEST(PendingFile, IsRemovedUnlessCommittedAndMovesWithItsOwnership) {
    TempDir dir;
    const std::string target = dir.File("out.wav");
    {
        auto pending = platform::PendingFile::Create(target, ".tq-");
        ASSERT_TRUE(pending);
        EXPECT_TRUE(pending->TempPath().starts_with(dir.File(".tq-")));
        ASSERT_TRUE(platform::WriteAll(pending->Fd(), "half"));
        // Moved into another owner: only the last owner removes it.
        platform::PendingFile moved = std::move(*pending);
        pending.reset();
        EXPECT_TRUE(std::filesystem::exists(moved.TempPath()));
    }
    EXPECT_TRUE(Names(dir.Path()).empty());

    auto pending = platform::PendingFile::Create(target);
    ASSERT_TRUE(pending);
    ASSERT_TRUE(platform::WriteAll(pending->Fd(), "whole"));
    ASSERT_TRUE(pending->Commit());
    EXPECT_FALSE(pending->Commit());  // only once
    pending.reset();
    EXPECT_EQ(ReadFile(target), "whole");
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"out.wav"});
}
