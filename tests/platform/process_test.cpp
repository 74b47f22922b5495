#include "process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"

using platform::CommandWord;
using platform::ResolvedCommand;
using testing_support::ReadFile;
using testing_support::TempDir;

TEST(SplitCommandLine, BlanksSeparateWordsAndQuotesGroupThem) {
    struct Case {
        const char* text;
        std::vector<CommandWord> words;
    };
    const Case cases[] = {
        {"", {}},
        {"   ", {}},
        {"a b  c", {{"a", false}, {"b", false}, {"c", false}}},
        {" \ta\t", {{"a", false}}},
        {"\"D:\\a b.mp3\"", {{"D:\\a b.mp3", true}}},
        {"x\"y z\"w", {{"xy zw", true}}},
        {"\"\" a", {{"", true}, {"a", false}}},
        {"\"unterminated text", {{"unterminated text", true}}},
        {"-core( -input \"D:\\a.mp3\" )",
         {{"-core(", false}, {"-input", false}, {"D:\\a.mp3", true}, {")", false}}},
        {"-lame( -p --ta ? --alt-preset cbr 192 )",
         {{"-lame(", false},
          {"-p", false},
          {"--ta", false},
          {"?", false},
          {"--alt-preset", false},
          {"cbr", false},
          {"192", false},
          {")", false}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::SplitCommandLine(c.text), c.words) << c.text;
    }
}

TEST(ResolveCommandLine, UnquotedProgramPathWithBlanksIsFoundByPrefixes) {
    const std::set<std::string> programs = {"/opt/My Apps/BeSweet.exe", "/usr/bin/tool", "/opt/My",
                                            "/opt/Two  Blanks/BeSweet.exe",
                                            "/opt/A\tTab/BeSweet.exe"};
    auto isExecutable = [&](const std::string& p) { return programs.count(p) > 0; };
    struct Case {
        const char* text;
        std::optional<ResolvedCommand> expected;
    };
    const Case cases[] = {
        {"/opt/My Apps/BeSweet.exe -core( -input \"a b\" )",
         // "/opt/My" is tried first and is a program too: the shortest prefix wins, as on
         // the system the layout was made for.
         ResolvedCommand{"/opt/My", {"Apps/BeSweet.exe", "-core(", "-input", "a b", ")"}}},
        {"/usr/bin/tool x", ResolvedCommand{"/usr/bin/tool", {"x"}}},
        {"\"/opt/My Apps/BeSweet.exe\" -x", ResolvedCommand{"/opt/My Apps/BeSweet.exe", {"-x"}}},
        {"/nowhere/prog a b", std::nullopt},
        {"/nowhere/prog \"/usr/bin/tool\"", std::nullopt},
        {"tool -v", ResolvedCommand{"tool", {"-v"}}},
        // The folder's own blanks stay as they are; the arguments' do not matter.
        {"/opt/Two  Blanks/BeSweet.exe  -core(   -input \"a  b\" )",
         ResolvedCommand{"/opt/Two  Blanks/BeSweet.exe", {"-core(", "-input", "a  b", ")"}}},
        {"  /opt/A\tTab/BeSweet.exe\t-x", ResolvedCommand{"/opt/A\tTab/BeSweet.exe", {"-x"}}},
        {"/opt/Two Blanks/BeSweet.exe -x", std::nullopt},
        {"/opt/Two  Blanks/BeSweet.exe\"x\"", std::nullopt},
        {"", std::nullopt},
        {"\"\" x", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::ResolveCommandLine(c.text, isExecutable), c.expected) << c.text;
    }
    // Without the shorter program, the longer path with a blank is taken.
    const std::set<std::string> only = {"/opt/My Apps/BeSweet.exe"};
    const auto r = platform::ResolveCommandLine(
        "/opt/My Apps/BeSweet.exe -core( )", [&](const std::string& p) { return only.count(p); });
    ASSERT_TRUE(r);
    EXPECT_EQ(r->program, "/opt/My Apps/BeSweet.exe");
    EXPECT_EQ(r->args, (std::vector<std::string>{"-core(", ")"}));
}

// Runs the argument-dumping child copied to a folder with blanks in its name.
class RunAndWaitTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = dir_.Path() / "Program Files" / "Ton quell";
        std::filesystem::create_directories(folder_);
        program_ = (folder_ / "BeSweet.exe").string();
        std::filesystem::copy_file(ARGV_DUMP, program_);
        out_ = dir_.File("args.txt");
        ::setenv("TONQUELL_ARGV_OUT", out_.c_str(), 1);
    }
    void TearDown() override { ::unsetenv("TONQUELL_ARGV_OUT"); }

    TempDir dir_;
    std::filesystem::path folder_;
    std::string program_;
    std::string out_;
};

TEST_F(RunAndWaitTest, ArgumentsArriveIntactThroughAnUnquotedPathWithBlanks) {
    const std::string args =
        " -core( -input \"/tmp/My Music/a b.mp3\" -output \"/tmp/My Music/a b.wav\" -2ch ) "
        "-ssrc( --rate 48000 --normalize ) ";
    const auto status = platform::RunAndWaitStatus(program_ + args, 0);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 7);
    EXPECT_EQ(ReadFile(out_),
              "arg:-core(\narg:-input\narg:/tmp/My Music/a b.mp3\narg:-output\n"
              "arg:/tmp/My Music/a b.wav\narg:-2ch\narg:)\narg:-ssrc(\narg:--rate\n"
              "arg:48000\narg:--normalize\narg:)\n");
}

TEST_F(RunAndWaitTest, NoDescriptorOfTheCallerLeaksIntoTheChild) {
    const int leaky = ::open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
    ASSERT_GE(leaky, 0);
    platform::RunAndWait(program_ + " x", 0);
    ::close(leaky);
    EXPECT_EQ(ReadFile(out_), "arg:x\n");
}

TEST_F(RunAndWaitTest, ReturnsOnlyAfterTheChildEndedEvenWhenSignalsInterruptTheWait) {
    struct sigaction sa {};
    sa.sa_handler = [](int) {};
    sa.sa_flags = 0;  // no SA_RESTART: waitpid sees EINTR
    struct sigaction old {};
    ::sigaction(SIGALRM, &sa, &old);
    itimerval timer{{0, 20000}, {0, 20000}};
    ::setitimer(ITIMER_REAL, &timer, nullptr);
    const auto status = platform::RunAndWaitStatus(program_ + " --sleep-ms 300 done", 0);
    itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &old, nullptr);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 7);
    EXPECT_EQ(ReadFile(out_), "arg:done\n");  // written at the child's very end
}

TEST_F(RunAndWaitTest, HiddenChildWritesNowhereAndShownChildWritesToOurOutput) {
    for (const platform::ShowMode mode : {0, -1, 1}) {
        const std::string captured = dir_.File("stdout-" + std::to_string(mode));
        const int fd = ::open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        std::fflush(stdout);
        const int savedOut = ::dup(STDOUT_FILENO);
        const int savedErr = ::dup(STDERR_FILENO);
        ::dup2(fd, STDOUT_FILENO);
        ::dup2(fd, STDERR_FILENO);
        platform::RunAndWait(program_ + " y", mode);
        ::dup2(savedOut, STDOUT_FILENO);
        ::dup2(savedErr, STDERR_FILENO);
        ::close(savedOut);
        ::close(savedErr);
        ::close(fd);
        const std::string text = ReadFile(captured);
        if (mode == 0) {
            EXPECT_EQ(text, "") << "mode " << mode;
        } else {
            EXPECT_NE(text.find("child-stdout"), std::string::npos) << "mode " << mode;
            EXPECT_NE(text.find("child-stderr"), std::string::npos) << "mode " << mode;
        }
    }
}

TEST_F(RunAndWaitTest, AProgramThatCannotBeStartedReturnsAtOnceWithoutAStatus) {
    const std::string notExecutable = dir_.File("plain.txt");
    testing_support::WriteFile(notExecutable, "#!/bin/sh\n");
    const char* lines[] = {"/does/not/exist/BeSweet.exe -core( )", "", "   ",
                           "no-such-program-anywhere-xyz -a", notExecutable.c_str()};
    for (const char* line : lines) {
        EXPECT_FALSE(platform::RunAndWaitStatus(line, 0)) << line;
        platform::RunAndWait(line, 0);  // and the plain form says nothing either
    }
    EXPECT_FALSE(std::filesystem::exists(out_));
}

// Started from its words, the child gets each of them as one argv entry, byte for byte:
// nothing is split at blanks, quotes or line ends, and no shell sees "$", "`" or "*".
TEST_F(RunAndWaitTest, WordsReachTheChildExactlyAsGiven) {
    const std::vector<std::string> words = {"-input",
                                            "/m/Blue Monday (12\" Version).mp3",
                                            "/m/two \"\" quotes\".mp3",
                                            "/m/line\nbreak.mp3",
                                            "/m/tab\there.mp3",
                                            "-output",
                                            "-leading dash",
                                            "$HOME `id` *.mp3",
                                            "/m/Gr\xfc\xdf"
                                            "e.mp3",
                                            "",
                                            ")"};
    const auto status = platform::RunAndWaitStatus(ResolvedCommand{program_, words}, 0);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 7);
    std::string expected;
    for (const std::string& w : words) {
        expected += "arg:" + w + "\n";
    }
    EXPECT_EQ(ReadFile(out_), expected);
    EXPECT_FALSE(platform::RunAndWaitStatus(ResolvedCommand{dir_.File("missing"), words}, 0));
}
