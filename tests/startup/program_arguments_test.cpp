#include "program_arguments.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"

extern char** environ;

using Action = CommandLine::Action;

TEST(ParseCommandLine, OptionsFilesAndTheEndOfOptions) {
    struct Case {
        std::vector<const char*> words;
        CommandLine expected;
    };
    const Case cases[] = {
        {{}, {Action::Open, "", ""}},
        {{"/m/a.mp3"}, {Action::Open, "/m/a.mp3", ""}},
        // Words are joined as one file argument, a lone "-" among them.
        {{"/home/u/ABBA", "-", "SOS.MP3"}, {Action::Open, "/home/u/ABBA - SOS.MP3", ""}},
        {{"-h"}, {Action::Help, "", ""}},
        {{"--help"}, {Action::Help, "", ""}},
        {{"a.mp3", "--help"}, {Action::Help, "", ""}},
        {{"--version"}, {Action::Version, "", ""}},
        // The first option decides.
        {{"--version", "--bogus"}, {Action::Version, "", ""}},
        {{"--bogus", "--help"}, {Action::UnknownOption, "", "--bogus"}},
        {{"-v"}, {Action::UnknownOption, "", "-v"}},
        {{"-platform", "xcb"}, {Action::UnknownOption, "", "-platform"}},
        {{"-name.mp3"}, {Action::UnknownOption, "", "-name.mp3"}},
        // A file beginning with a dash: after "--", or as ./-name.
        {{"--", "-name.mp3"}, {Action::Open, "-name.mp3", ""}},
        {{"--", "--help"}, {Action::Open, "--help", ""}},
        {{"--", "--"}, {Action::Open, "--", ""}},
        {{"./-name.mp3"}, {Action::Open, "./-name.mp3", ""}},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = {"tonquell"};
        argv.insert(argv.end(), c.words.begin(), c.words.end());
        argv.push_back(nullptr);
        EXPECT_EQ(ParseCommandLine(static_cast<int>(argv.size()) - 1, argv.data()), c.expected)
            << testing::PrintToString(c.words);
    }
}

namespace {

// Runs `answer` with two temporary files for out and err; returns (status, out, err).
struct Answered {
    int status;
    std::string out, err;
};
Answered Answer(const CommandLine& command, const AppValues& values) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Answered a{AnswerCommandLine(command, values, out, err), {}, {}};
    for (auto [file, text] : {std::pair{out, &a.out}, std::pair{err, &a.err}}) {
        std::rewind(file);
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            text->append(buffer, n);
        }
        std::fclose(file);
    }
    return a;
}

}  // namespace

TEST(AnswerCommandLine, HelpNamesTheSettingsFileAndItsKeysVersionAndUnknownOptions) {
    testing_support::TempDir dir;
    testing_support::WriteFile(dir.File("Other"), "");
    const AppValues values = MakeAppValues(dir.File("Other"));

    const Answered help = Answer({Action::Help, "", ""}, values);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_NE(help.out.find("Usage: Other [FILE]"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("Settings file: " + dir.File("Other.ini")), std::string::npos)
        << help.out;
    for (const char* key : {"LastDir", "Format", "HideBS", "Jobs", "OutPath", "SkipExisting",
                            "[Tonquell Audio Converter]", "./-NAME", "--version"}) {
        EXPECT_NE(help.out.find(key), std::string::npos) << key;
    }

    const Answered version = Answer({Action::Version, "", ""}, values);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Tonquell Audio Converter " TONQUELL_VERSION_EXPECTED "\n");

    const Answered unknown = Answer({Action::UnknownOption, "", "-x"}, values);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, "");
    ASSERT_FALSE(unknown.err.empty());
    EXPECT_EQ(unknown.err.find('\n'), unknown.err.size() - 1) << "one line: " << unknown.err;
    EXPECT_EQ(unknown.err.rfind("Other: unknown option '-x'", 0), 0u) << unknown.err;

    EXPECT_EQ(Answer({Action::Open, "a.mp3", ""}, values).status, -1);
}

namespace {

// Runs the built program with `args` and no display at all; returns (status, out, err).
Answered RunProgram(const std::vector<std::string>& args) {
    testing_support::TempDir dir;
    const std::string program = std::string(TONQUELL_BUILD_DIR) + "/tonquell";
    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const bool display = entry.rfind("DISPLAY=", 0) == 0 ||
                             entry.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
                             entry.rfind("QT_QPA_PLATFORM=", 0) == 0;
        if (!display) {
            envStrings.push_back(entry);
        }
    }
    envStrings.push_back("XDG_RUNTIME_DIR=" + dir.Path().string());
    std::vector<char*> envp;
    for (std::string& s : envStrings) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> words = {program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    const std::string outPath = dir.File("out"), errPath = dir.File("err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0600);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = -1;
    if (rc != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return {-1, {}, {}};
    }
    return {WEXITSTATUS(status), testing_support::ReadFile(outPath),
            testing_support::ReadFile(errPath)};
}

}  // namespace

TEST(ProgramCommandLine, AnswersWithoutADisplayAndRefusesUnknownOptions) {
    const Answered help = RunProgram({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: tonquell [FILE]", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(RunProgram({"-h"}).out, help.out);

    const Answered version = RunProgram({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Tonquell Audio Converter " TONQUELL_VERSION_EXPECTED "\n");

    for (const char* option : {"-x", "--Help", "-platform"}) {
        const Answered unknown = RunProgram({option, "a.mp3"});
        EXPECT_EQ(unknown.status, 2) << option;
        EXPECT_EQ(unknown.out, "") << option;
        EXPECT_EQ(std::count(unknown.err.begin(), unknown.err.end(), '\n'), 1) << unknown.err;
    }
    // A file named with a dash after "--" is a file: without a display the program says so
    // and ends with 1, as for any file.
    const Answered file = RunProgram({"--", "-name.mp3"});
    EXPECT_EQ(file.status, 1);
    EXPECT_NE(file.err.find("no display"), std::string::npos) << file.err;
}
