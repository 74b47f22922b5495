#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One word of a command line, and whether any part of it stood in double quotes.
struct CommandWord {
    std::string text;
    bool quoted = false;
    bool operator==(const CommandWord&) const = default;
};

// Splits command-line text into words: blanks and tabs separate words outside double
// quotes; a double-quoted part belongs to its word with the quotes removed ("" is an
// empty word). An unterminated quote runs to the end of the text.
std::vector<CommandWord> SplitCommandLine(std::string_view commandLine);

// A program and the arguments to pass to it.
struct ResolvedCommand {
    std::string program;
    std::vector<std::string> args;
    bool operator==(const ResolvedCommand&) const = default;
};

// Finds the program at the start of `commandLine`. A quoted first word is the program.
// Otherwise the blank-separated prefixes are tried as they stand in the text (blanks and
// tabs inside kept), one more word each time, up to the first double quote, until one
// names a file that `isExecutable` accepts; the words after it are the arguments.
// A first word without "/" that matches nothing is left to the PATH search.
// Empty when the text holds no word, or when no prefix names a program.
std::optional<ResolvedCommand> ResolveCommandLine(
    std::string_view commandLine, const std::function<bool(const std::string&)>& isExecutable);

// As above, with the programs this system may run: regular files it may execute.
std::optional<ResolvedCommand> ResolveCommandLine(std::string_view commandLine);

// Show state of the child: 0 hidden (its output goes to /dev/null), any other value
// shown (it writes to this program's stdout and stderr).
using ShowMode = std::int16_t;

// Starts `commandLine` as a child process and returns when it has ended. A program that
// cannot be started returns at once. Nothing is reported; the exit status is not examined.
void RunAndWait(std::string_view commandLine, ShowMode showMode);

// As RunAndWait, for callers that want to know: the child's exit status (0 to 255),
// 128 + signal number when it was killed, or empty when it could not be started.
std::optional<int> RunAndWaitStatus(std::string_view commandLine, ShowMode showMode);

// As RunAndWaitStatus, for a program and its words as they are: `command.args` reach the
// child as its argv, byte for byte, with nothing split, quoted or searched (a program
// without "/" is still looked up on PATH). Empty when it could not be started.
std::optional<int> RunAndWaitStatus(const ResolvedCommand& command, ShowMode showMode);

}  // namespace platform
