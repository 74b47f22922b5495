#pragma once

#include <cstdio>
#include <string>

#include "app_values.h"

// What the program was asked for on its command line.
struct CommandLine {
    enum class Action { Open, Help, Version, UnknownOption };
    Action action = Action::Open;
    std::string file;    // Open: the file argument, its words joined by blanks; may be empty
    std::string option;  // UnknownOption: the option as given
    bool operator==(const CommandLine&) const = default;
};

// Reads the arguments after the program name. "-h" and "--help" ask for the usage,
// "--version" for the version; "--" ends the options. Every other word beginning with "-"
// (a lone "-" excepted) is an unknown option. The first option met decides; the remaining
// words form the file argument.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The usage printed for --help, in the installed catalogue's language (German without one):
// the file argument, the settings file the program `values` describes would read, and the
// keys it reads there.
std::string UsageText(const AppValues& values);

// The name and version, one line.
std::string VersionText();

// Answers a command line that opens no window: the usage or the version on `out` (status 0),
// or one line naming an unknown option on `err` (status 2). Returns the exit status; -1 for
// Action::Open, which it leaves to the caller.
int AnswerCommandLine(const CommandLine& command, const AppValues& values, std::FILE* out,
                      std::FILE* err);
