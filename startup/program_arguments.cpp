#include "program_arguments.h"

#include <string_view>

#include "settings_location.h"

#ifndef TONQUELL_VERSION
#define TONQUELL_VERSION "unknown"
#endif

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine command;
    bool options = true;
    bool first = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (options && word == "--") {
            options = false;
            continue;
        }
        if (options && word.size() > 1 && word.front() == '-') {
            if (word == "-h" || word == "--help") {
                return {CommandLine::Action::Help, {}, {}};
            }
            if (word == "--version") {
                return {CommandLine::Action::Version, {}, {}};
            }
            return {CommandLine::Action::UnknownOption, {}, std::string(word)};
        }
        if (!first) {
            command.file += ' ';
        }
        command.file += word;
        first = false;
    }
    return command;
}

std::string UsageText(const AppValues& values) {
    const std::string& name = values.ExeName;
    const settings::SettingsFiles files = settings::SettingsFilesFor(values.IniPath);
    const std::string read = settings::ReadPath(files);
    std::string text;
    text += "Usage: " + name + " [FILE]\n";
    text += "       " + name + " --help | --version\n\n";
    text += "Opens the window of " + std::string(kAppTitle) +
            ". With FILE (an audio file) the file\n"
            "browser opens FILE's folder with FILE selected. While the program runs already, a\n"
            "new start hands FILE to its window and ends. A FILE whose name begins with \"-\" is\n"
            "given as ./-NAME or after \"--\".\n\n";
    text +=
        "Options:\n"
        "  -h, --help     print this text and end\n"
        "      --version  print the version and end\n\n";
    text +=
        "Settings file: " + (read.empty() ? std::string("(none: no home folder)") : read) + "\n";
    if (!files.beside.empty() && read == files.beside && !files.user.empty()) {
        text += "  (" + files.user + " where the program's folder cannot be written)\n";
    }
    text += "Keys read from its section [" + std::string(kAppTitle) +
            "]:\n"
            "  LastDir  the folder opened without FILE (default: the program's folder)\n"
            "  Format   the target format: 0 WAV, 1 MP3, 2 AC3, 3 MPA (default 0)\n"
            "  HideBS   1 hides the transcoder's console window, 0 shows it (default 1)\n"
            "  Jobs     how many files a batch converts at once (default: one per core, at most "
            "8)\n"
            "  OutPath  the output folder last chosen; shown when \"Ausgabepfad = Aktueller "
            "Pfad\" is unticked\n"
            "  SkipExisting  1 skips sources whose target exists already (default 0)\n";
    return text;
}

std::string VersionText() {
    return std::string(kAppTitle) + " " + TONQUELL_VERSION + "\n";
}

int AnswerCommandLine(const CommandLine& command, const AppValues& values, std::FILE* out,
                      std::FILE* err) {
    switch (command.action) {
        case CommandLine::Action::Help:
            std::fputs(UsageText(values).c_str(), out);
            return std::fflush(out) == 0 ? 0 : 1;
        case CommandLine::Action::Version:
            std::fputs(VersionText().c_str(), out);
            return std::fflush(out) == 0 ? 0 : 1;
        case CommandLine::Action::UnknownOption:
            std::fprintf(err,
                         "%s: unknown option '%s' (see --help; a file named so is given as ./%s "
                         "or after --)\n",
                         values.ExeName.c_str(), command.option.c_str(), command.option.c_str());
            return 2;
        case CommandLine::Action::Open:
            break;
    }
    return -1;
}
