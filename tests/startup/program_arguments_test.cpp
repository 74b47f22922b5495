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
    // Without a catalogue installed: the texts' own language.
    EXPECT_NE(help.out.find("Aufruf: Other [DATEI]"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("Einstellungsdatei: " + dir.File("Other.ini")), std::string::npos)
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
    EXPECT_EQ(unknown.err.rfind("Other: unbekannte Option '-x'", 0), 0u) << unknown.err;

    EXPECT_EQ(Answer({Action::Open, "a.mp3", ""}, values).status, -1);
}

namespace {

bool IsLanguageVariable(const std::string& entry) {
    for (const char* name : {"LANGUAGE=", "LC_ALL=", "LC_MESSAGES=", "LANG="}) {
        if (entry.rfind(name, 0) == 0) {
            return true;
        }
    }
    return false;
}

// Runs the built program with `args` and no display at all, its language chosen by `locale`
// (entries such as "LANG=C"; none: LANG=C.UTF-8); returns (status, out, err).
Answered RunProgram(const std::vector<std::string>& args,
                    const std::vector<std::string>& locale = {"LANG=C.UTF-8"}) {
    testing_support::TempDir dir;
    const std::string program = std::string(TONQUELL_BUILD_DIR) + "/tonquell";
    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const bool display = entry.rfind("DISPLAY=", 0) == 0 ||
                             entry.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
                             entry.rfind("QT_QPA_PLATFORM=", 0) == 0;
        if (!display && !IsLanguageVariable(entry)) {
            envStrings.push_back(entry);
        }
    }
    envStrings.insert(envStrings.end(), locale.begin(), locale.end());
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
    EXPECT_EQ(help.out.rfind("Aufruf: tonquell [DATEI]", 0), 0u) << help.out;
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

TEST(ProgramCommandLine, HelpAndRefusalsSpeakTheLanguageTheEnvironmentAsksFor) {
    struct Case {
        std::vector<std::string> locale;
        const char* usage;    // how the help begins
        const char* section;  // the line before the keys
        const char* refusal;  // how an unknown option begins
    };
    const char* const german[] = {"Aufruf: tonquell [DATEI]\n        tonquell --help | --version\n",
                                  "Schlüssel aus ihrem Abschnitt [Tonquell Audio Converter]:\n",
                                  "tonquell: unbekannte Option '-x'"};
    const char* const english[] = {"Usage: tonquell [FILE]\n       tonquell --help | --version\n",
                                   "Keys read from its section [Tonquell Audio Converter]:\n",
                                   "tonquell: unknown option '-x'"};
    const Case cases[] = {
        {{"LANG=C"}, german[0], german[1], german[2]},
        {{"LANG=de_DE.UTF-8"}, german[0], german[1], german[2]},
        {{}, german[0], german[1], german[2]},
        {{"LANG=en_US.UTF-8"}, english[0], english[1], english[2]},
        {{"LANGUAGE=en:de", "LANG=de_DE.UTF-8"}, english[0], english[1], english[2]},
        {{"LC_ALL=C", "LANG=en_US.UTF-8"}, german[0], german[1], german[2]},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& entry : c.locale) {
            shown += entry + " ";
        }
        const Answered help = RunProgram({"--help"}, c.locale);
        EXPECT_EQ(help.status, 0) << shown;
        EXPECT_EQ(help.out.rfind(c.usage, 0), 0u) << shown << help.out;
        EXPECT_NE(help.out.find(c.section), std::string::npos) << shown << help.out;
        // The keys and the values are the settings file's own, in every language.
        for (const char* key : {"  LastDir  ", "  Format   ", "  HideBS   ", "  Jobs     ",
                                "  OutPath  ", "  SkipExisting  "}) {
            EXPECT_NE(help.out.find(key), std::string::npos) << shown << key;
        }
        const Answered unknown = RunProgram({"-x"}, c.locale);
        EXPECT_EQ(unknown.status, 2) << shown;
        EXPECT_EQ(unknown.err.rfind(c.refusal, 0), 0u) << shown << unknown.err;
    }
}
