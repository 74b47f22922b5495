#include "process.h"

#include "child_process.h"
#include "file_attributes.h"

namespace platform {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<CommandWord> SplitCommandLine(std::string_view commandLine) {
    std::vector<CommandWord> words;
    CommandWord current;
    bool inWord = false;
    bool inQuotes = false;
    for (const char c : commandLine) {
        if (c == '"') {
            inQuotes = !inQuotes;
            inWord = true;
            current.quoted = true;
        } else if (IsBlank(c) && !inQuotes) {
            if (inWord) {
                words.push_back(std::move(current));
                current = {};
                inWord = false;
            }
        } else {
            current.text.push_back(c);
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(std::move(current));
    }
    return words;
}

std::optional<ResolvedCommand> ResolveCommandLine(
    std::string_view commandLine, const std::function<bool(const std::string&)>& isExecutable) {
    const std::vector<CommandWord> words = SplitCommandLine(commandLine);
    if (words.empty() || words.front().text.empty()) {
        return std::nullopt;
    }
    auto argsFrom = [&](std::size_t first) {
        std::vector<std::string> args;
        for (std::size_t i = first; i < words.size(); ++i) {
            args.push_back(words[i].text);
        }
        return args;
    };
    if (words.front().quoted) {
        return ResolvedCommand{words.front().text, argsFrom(1)};
    }
    // Unquoted: the program may be a path with blanks. Try the text up to each blank that
    // ends a word: "a", "a b", "a b c", ... Each candidate is the text as it stands, so a
    // folder name with two blanks in a row or a tab is found too. A double quote ends the
    // search, since the program path itself is never quoted.
    std::size_t start = 0;
    while (start < commandLine.size() && IsBlank(commandLine[start])) {
        ++start;
    }
    const std::string_view text = commandLine.substr(start);
    for (std::size_t i = 1; i <= text.size(); ++i) {
        if (text[i - 1] == '"') {
            break;
        }
        const bool wordEnds = i == text.size() || (IsBlank(text[i]) && !IsBlank(text[i - 1]));
        if (!wordEnds) {
            continue;
        }
        const std::string candidate(text.substr(0, i));
        if (isExecutable(candidate)) {
            std::vector<std::string> args;
            for (CommandWord& w : SplitCommandLine(text.substr(i))) {
                args.push_back(std::move(w.text));
            }
            return ResolvedCommand{candidate, std::move(args)};
        }
    }
    if (words.front().text.find('/') == std::string::npos) {
        return ResolvedCommand{words.front().text, argsFrom(1)};
    }
    return std::nullopt;
}

std::optional<ResolvedCommand> ResolveCommandLine(std::string_view commandLine) {
    return ResolveCommandLine(commandLine, IsExecutableFile);
}

std::optional<int> RunAndWaitStatus(std::string_view commandLine, ShowMode showMode) {
    const auto resolved = ResolveCommandLine(commandLine);
    if (!resolved) {
        return std::nullopt;
    }
    return RunAndWaitStatus(*resolved, showMode);
}

std::optional<int> RunAndWaitStatus(const ResolvedCommand& command, ShowMode showMode) {
    // The blocking use keeps the child in our process group, so a terminal's Ctrl+C
    // reaches both.
    ChildOptions options;
    options.output = showMode == 0 ? ChildOutput::Discard : ChildOutput::Inherit;
    options.ownProcessGroup = false;
    ChildProcess child(command, options);
    if (!child.Started()) {
        return std::nullopt;
    }
    return child.Wait();
}

void RunAndWait(std::string_view commandLine, ShowMode showMode) {
    (void)RunAndWaitStatus(commandLine, showMode);
}

}  // namespace platform
