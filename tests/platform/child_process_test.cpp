#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"

using platform::ChildOptions;
using platform::ChildOutput;
using platform::ChildProcess;
using platform::ChildStream;
using platform::ResolvedCommand;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

ResolvedCommand Shell(const std::string& script) {
    return ResolvedCommand{"/bin/sh", {"-c", script}};
}

// True once `pid` names no process, or only a zombie that is not ours to reap.
bool IsGone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) {
        return true;
    }
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z';
}

// Waits (generously, without judging the time) until `pid` is gone.
bool BecomesGone(pid_t pid) {
    for (int i = 0; i < 1000; ++i) {
        if (IsGone(pid)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace

TEST(ChildProcess, BothStreamsArriveThroughTheirPipesAndTheHandler) {
    TempDir dir;
    const std::string out = dir.File("args.txt");
    ::setenv("TONQUELL_ARGV_OUT", out.c_str(), 1);
    // A descriptor of ours without close-on-exec must still not reach the child.
    const int leaky = ::open("/dev/null", O_RDONLY);
    ChildProcess child(ResolvedCommand{ARGV_DUMP, {"a b", "-output", ""}});
    ::close(leaky);
    ::unsetenv("TONQUELL_ARGV_OUT");
    ASSERT_TRUE(child.Started()) << child.StartError();
    EXPECT_GE(child.StdoutFd(), 0);
    EXPECT_GE(child.StderrFd(), 0);
    std::string seenOut;
    std::string seenErr;
    child.SetOutputHandler([&](ChildStream stream, std::string_view chunk) {
        (stream == ChildStream::Stdout ? seenOut : seenErr).append(chunk);
    });
    EXPECT_EQ(child.Wait(), 7);
    EXPECT_EQ(seenOut, "child-stdout\n");
    EXPECT_EQ(seenErr, "child-stderr\n");
    EXPECT_EQ(child.StdoutTail(), "child-stdout\n");
    EXPECT_EQ(child.StderrTail(), "child-stderr\n");
    EXPECT_EQ(child.LastErrorLine(), "child-stderr");
    EXPECT_EQ(ReadFile(out), "arg:a b\narg:-output\narg:\n");  // and no "fd:" line
    EXPECT_EQ(child.StdoutFd(), -1) << "a pipe at its end is closed";
}

TEST(ChildProcess, OutputBeyondThePipeBuffersDoesNotStallTheChild) {
    // 3 MB on each stream, written alternately: a caller that read only one pipe, or only
    // after the end, would leave the child blocked on the other.
    ChildProcess child(
        Shell("i=0; while [ $i -lt 48 ]; do head -c 65536 /dev/zero; "
              "head -c 65536 /dev/zero >&2; i=$((i+1)); done; printf '\\nend\\n' >&2"));
    ASSERT_TRUE(child.Started());
    std::size_t outBytes = 0;
    std::size_t errBytes = 0;
    child.SetOutputHandler([&](ChildStream stream, std::string_view chunk) {
        (stream == ChildStream::Stdout ? outBytes : errBytes) += chunk.size();
    });
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(outBytes, 48u * 65536u);
    EXPECT_EQ(errBytes, 48u * 65536u + 5u);
    EXPECT_EQ(child.StdoutTail().size(), ChildProcess::kTailBytes);
    EXPECT_EQ(child.StderrTail().size(), ChildProcess::kTailBytes);
    EXPECT_TRUE(child.LastErrorLine() == "end");  // (a failure would print 8 KiB)
}

TEST(ChildProcess, ExitStatusIsTheCodeOr128PlusTheSignal) {
    struct Case {
        const char* script;
        int status;
    };
    const Case cases[] = {
        {"exit 0", 0},
        {"exit 3", 3},
        {"exit 255", 255},
        {"kill -KILL $$", 128 + SIGKILL},
        {"kill -TERM $$", 128 + SIGTERM},
        {"kill -PIPE $$", 128 + SIGPIPE},  // default handling, even if ours ignores it
        {"read x; exit $?", 1},            // stdin is /dev/null: read finds its end at once
    };
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction old {};
    ::sigaction(SIGPIPE, &ignore, &old);
    for (const Case& c : cases) {
        ChildProcess child(Shell(c.script));
        ASSERT_TRUE(child.Started()) << c.script;
        EXPECT_EQ(child.Wait(), c.status) << c.script;
        EXPECT_EQ(child.ExitStatus(), c.status) << c.script;
        EXPECT_TRUE(child.HasEnded()) << c.script;
        EXPECT_FALSE(child.Terminate()) << "an ended child is not signalled: " << c.script;
    }
    ::sigaction(SIGPIPE, &old, nullptr);
}

TEST(ChildProcess, LastErrorLineIsTheLastNonEmptyLineOfStderr) {
    struct Case {
        const char* printed;
        const char* line;
    };
    const Case cases[] = {
        {"", ""},
        {"one line without end", "one line without end"},
        {"first\\nBeSweet.exe: '/a b.mp3': not audio\\n", "BeSweet.exe: '/a b.mp3': not audio"},
        {"reason\\n\\n\\n", "reason"},
        {"  5%\\r 50%\\r100%\\r\\n", "100%"},
        {"warning\\r\\nfailed\\r\\n", "failed"},
    };
    for (const Case& c : cases) {
        ChildProcess child(
            ResolvedCommand{"/bin/sh", {"-c", "printf '%b' \"$1\" >&2", "sh", c.printed}});
        child.Wait();
        EXPECT_EQ(child.LastErrorLine(), c.line) << c.printed;
    }
}

TEST(ChildProcess, HasEndedAndWaitForDoNotBlockOnARunningChild) {
    ChildProcess child(ResolvedCommand{"sleep", {"30"}});
    ASSERT_TRUE(child.Started());
    EXPECT_FALSE(child.HasEnded());
    EXPECT_FALSE(child.ExitStatus());
    EXPECT_FALSE(child.WaitFor(std::chrono::milliseconds(20)));
    EXPECT_TRUE(child.ReadAvailable()) << "its pipes are still open";
    EXPECT_EQ(child.StdoutTail(), "");
    EXPECT_TRUE(child.Terminate());
    EXPECT_TRUE(child.WaitFor(std::chrono::seconds(60)));
    EXPECT_EQ(child.ExitStatus(), 128 + SIGTERM);
}

TEST(ChildProcess, ExitFdSignalsTheEndToAPoller) {
    ChildProcess child(Shell("exit 5"));
    ASSERT_TRUE(child.Started());
    if (child.ExitFd() < 0) {
        GTEST_SKIP() << "no pidfd on this system";
    }
    pollfd fd{child.ExitFd(), POLLIN, 0};
    ASSERT_EQ(::poll(&fd, 1, -1), 1);
    EXPECT_TRUE(child.HasEnded());
    EXPECT_EQ(child.ExitStatus(), 5);
    EXPECT_EQ(child.ExitFd(), -1);
}

TEST(ChildProcess, TerminateReachesWhatTheChildStarted) {
    ChildProcess child(Shell("sleep 30 & echo $!; wait"));
    ASSERT_TRUE(child.Started());
    while (child.StdoutTail().find('\n') == std::string::npos) {
        ASSERT_FALSE(child.WaitFor(std::chrono::milliseconds(50))) << "ended too early";
    }
    const pid_t grandchild = std::stoi(child.StdoutTail());
    EXPECT_EQ(::getpgid(grandchild), child.Pid());
    EXPECT_TRUE(child.Terminate());
    EXPECT_EQ(child.Wait(), 128 + SIGTERM);
    EXPECT_TRUE(BecomesGone(grandchild));
}

TEST(ChildProcess, DestructorStopsAndReapsTheChild) {
    pid_t polite = -1;
    pid_t stubborn = -1;
    {
        std::vector<ChildProcess> children;
        children.emplace_back(ResolvedCommand{"sleep", {"30"}});
        // Ignores SIGTERM: only the SIGKILL after the grace ends it.
        children.emplace_back(Shell("trap '' TERM; echo ready; while :; do sleep 1; done"));
        ChildProcess moved = std::move(children.back());  // the moved-from one owns nothing
        children.pop_back();
        polite = children.front().Pid();
        stubborn = moved.Pid();
        while (moved.StdoutTail().empty()) {
            ASSERT_FALSE(moved.WaitFor(std::chrono::milliseconds(50)));
        }
        ASSERT_GT(polite, 0);
        ASSERT_GT(stubborn, 0);
    }
    for (const pid_t pid : {polite, stubborn}) {
        int status = 0;
        EXPECT_EQ(::waitpid(pid, &status, WNOHANG), -1) << pid;
        EXPECT_EQ(errno, ECHILD) << "already reaped: " << pid;
        EXPECT_TRUE(IsGone(pid)) << pid;
    }
}

TEST(ChildProcess, AProgramThatCannotStartSaysWhy) {
    TempDir dir;
    const std::string plain = dir.File("plain.txt");
    testing_support::WriteFile(plain, "#!/bin/sh\n");
    ::chmod(plain.c_str(), 0644);
    struct Case {
        std::string program;
        int err;
    };
    const Case cases[] = {
        {"/does/not/exist/BeSweet.exe", ENOENT},
        {"no-such-program-anywhere-xyz", ENOENT},
        {plain, EACCES},
        {dir.Path().string(), EACCES},
    };
    for (const Case& c : cases) {
        ChildProcess child(ResolvedCommand{c.program, {"-x"}});
        EXPECT_FALSE(child.Started()) << c.program;
        EXPECT_EQ(child.StartErrno(), c.err) << c.program;
        EXPECT_EQ(child.StartError(), std::strerror(c.err)) << c.program;
        EXPECT_EQ(child.Pid(), -1);
        EXPECT_EQ(child.StdoutFd(), -1);
        EXPECT_TRUE(child.HasEnded());
        EXPECT_FALSE(child.ExitStatus());
        EXPECT_FALSE(child.Wait());
        EXPECT_FALSE(child.Terminate());
    }
}

TEST(ChildProcess, FromCommandLineResolvesLikeTheLauncher) {
    TempDir dir;
    const std::filesystem::path folder = dir.Path() / "Ton quell";
    std::filesystem::create_directories(folder);
    const std::string program = (folder / "BeSweet.exe").string();
    std::filesystem::copy_file(ARGV_DUMP, program);
    const std::string out = dir.File("args.txt");
    ::setenv("TONQUELL_ARGV_OUT", out.c_str(), 1);
    ChildProcess child = ChildProcess::FromCommandLine(program + " -input \"a b\" )");
    ::unsetenv("TONQUELL_ARGV_OUT");
    ASSERT_TRUE(child.Started()) << child.StartError();
    EXPECT_EQ(child.Wait(), 7);
    EXPECT_EQ(ReadFile(out), "arg:-input\narg:a b\narg:)\n");
    for (const std::string& text : {std::string(""), dir.File("nothing here") + " -x"}) {
        ChildProcess none = ChildProcess::FromCommandLine(text);
        EXPECT_FALSE(none.Started()) << text;
        EXPECT_EQ(none.StartErrno(), ENOENT) << text;
        EXPECT_FALSE(none.StartError().empty()) << text;
    }
}

// Output still in the pipes when the object dies goes nowhere: the handler may already
// refer to something gone.
TEST(ChildProcess, DestructorDoesNotCallTheHandler) {
    auto seen = std::make_unique<std::string>();
    {
        ChildProcess child(Shell("echo late; sleep 30"));
        ASSERT_TRUE(child.Started());
        pollfd ready{child.StdoutFd(), POLLIN, 0};  // "late" waits in the pipe, unread
        ASSERT_EQ(::poll(&ready, 1, -1), 1);
        child.SetOutputHandler([&seen](ChildStream, std::string_view chunk) {
            ASSERT_TRUE(seen);
            seen->append(chunk);
        });
        seen.reset();
    }
    EXPECT_FALSE(seen);
}

TEST(ChildProcess, DiscardedOutputGoesNowhere) {
    ChildProcess child(Shell("echo out; echo err >&2"),
                       ChildOptions{ChildOutput::Discard, true, {}});
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(child.StdoutFd(), -1);
    EXPECT_EQ(child.StderrFd(), -1);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(child.StderrTail(), "");
}

TEST(ChildProcess, EnvironmentEntriesReachTheChildInPlaceOfOurs) {
    ::setenv("TONQUELL_TEST_A", "ours", 1);
    ::setenv("TONQUELL_TEST_KEPT", "kept", 1);
    ChildOptions options;
    options.environment = {"TONQUELL_TEST_A=theirs", "TONQUELL_TEST_B=new"};
    ChildProcess child(Shell("echo \"$TONQUELL_TEST_A $TONQUELL_TEST_B $TONQUELL_TEST_KEPT\"; "
                             "env | grep -c '^TONQUELL_TEST_A='"),
                       options);
    ::unsetenv("TONQUELL_TEST_A");
    ::unsetenv("TONQUELL_TEST_KEPT");
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(child.StdoutTail(), "theirs new kept\n1\n");  // one entry of the name, not two
}

TEST(ChildProcess, TakingAnotherChildStopsTheOneHeld) {
    ChildProcess held(ResolvedCommand{"sleep", {"30"}});
    const pid_t first = held.Pid();
    ASSERT_GT(first, 0);
    held = ChildProcess(ResolvedCommand{"true", {}});
    EXPECT_NE(held.Pid(), first);
    int status = 0;
    EXPECT_EQ(::waitpid(first, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);  // stopped and reaped on the way
    EXPECT_TRUE(IsGone(first));
    EXPECT_EQ(held.Wait(), 0);
    EXPECT_GE(platform::UsableCores(), 1);
}
