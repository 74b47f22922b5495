#include "process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "file_attributes.h"

extern char** environ;

namespace platform {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Releases a posix_spawn_file_actions_t at the end of its scope.
struct FileActions {
    posix_spawn_file_actions_t actions{};
    bool ok = false;
    FileActions() { ok = posix_spawn_file_actions_init(&actions) == 0; }
    ~FileActions() {
        if (ok) {
            posix_spawn_file_actions_destroy(&actions);
        }
    }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
};

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
    // Unquoted: the program may be a path with blanks. Try "a", "a b", "a b c", ...
    // A quoted word ends the search, since the program path itself is never quoted.
    std::string candidate;
    for (std::size_t i = 0; i < words.size() && !words[i].quoted; ++i) {
        if (i > 0) {
            candidate.push_back(' ');
        }
        candidate += words[i].text;
        if (isExecutable(candidate)) {
            return ResolvedCommand{candidate, argsFrom(i + 1)};
        }
    }
    if (words.front().text.find('/') == std::string::npos) {
        return ResolvedCommand{words.front().text, argsFrom(1)};
    }
    return std::nullopt;
}

std::optional<int> RunAndWaitStatus(std::string_view commandLine, ShowMode showMode) {
    const auto resolved = ResolveCommandLine(commandLine, IsExecutableFile);
    if (!resolved) {
        return std::nullopt;
    }
    std::vector<std::string> argvStrings;
    argvStrings.reserve(resolved->args.size() + 1);
    argvStrings.push_back(resolved->program);
    argvStrings.insert(argvStrings.end(), resolved->args.begin(), resolved->args.end());
    std::vector<char*> argv;
    argv.reserve(argvStrings.size() + 1);
    for (std::string& s : argvStrings) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);

    FileActions fa;
    if (!fa.ok) {
        return std::nullopt;
    }
    // The child reads nothing from us; hidden children write nowhere.
    posix_spawn_file_actions_addopen(&fa.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (showMode == 0) {
        posix_spawn_file_actions_addopen(&fa.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&fa.actions, STDOUT_FILENO, STDERR_FILENO);
    }
    // No descriptor of ours beyond the three standard ones reaches the child.
    posix_spawn_file_actions_addclosefrom_np(&fa.actions, STDERR_FILENO + 1);

    pid_t pid = 0;
    const bool hasSlash = resolved->program.find('/') != std::string::npos;
    const int rc = hasSlash ? posix_spawn(&pid, resolved->program.c_str(), &fa.actions, nullptr,
                                          argv.data(), environ)
                            : posix_spawnp(&pid, resolved->program.c_str(), &fa.actions, nullptr,
                                           argv.data(), environ);
    if (rc != 0) {
        return std::nullopt;
    }
    int status = 0;
    pid_t waited = 0;
    do {
        waited = ::waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited < 0) {
        return std::nullopt;
    }
    if (WIFEXITED(status)) {
        // glibc's posix_spawn reports exec failures through its return value, but a
        // child that fails after the fork still exits with 127.
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return std::nullopt;
}

void RunAndWait(std::string_view commandLine, ShowMode showMode) {
    (void)RunAndWaitStatus(commandLine, showMode);
}

}  // namespace platform
