#include "source_walk.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "name_order.h"
#include "paths.h"

namespace fs = std::filesystem;

namespace batch {

SourceWalk::SourceWalk(std::string folder, const std::vector<Entry>& entries, bool convertAll,
                       std::string pattern, std::optional<platform::FolderId> skip, bool subFolders)
    : pattern_(std::move(pattern)), subFolders_(subFolders) {
    const std::string base = paths::AddBackslash(folder);
    // The list's own folder is not a tree of the run: a link back up to it ends there.
    if (const auto own = platform::FolderIdOf(folder)) {
        seen_.insert(*own);
    }
    if (skip) {
        seen_.insert(*skip);
    }
    std::vector<Pending> trees;
    for (const Entry& entry : entries) {
        if (entry.Parent) {
            continue;
        }
        const std::string path =
            (entry.Within.empty() ? base : paths::AddBackslash(entry.Within)) + entry.Text;
        if (!entry.Folder) {
            if (convertAll || entry.Selected) {
                sources_.push_back({path, entry.Text});
            }
        } else if (entry.Selected && !entry.Text.empty()) {
            trees.push_back({path, entry.Text});
        }
    }
    pending_.assign(trees.rbegin(), trees.rend());
}

bool SourceWalk::Step(int folders) {
    for (int i = 0; i < std::max(folders, 1) && !pending_.empty(); ++i) {
        const Pending next = std::move(pending_.back());
        pending_.pop_back();
        Read(next);
    }
    return Done();
}

void SourceWalk::Read(const Pending& folder) {
    const auto id = platform::FolderIdOf(folder.Path);
    if (!id || !seen_.insert(*id).second) {
        return;  // gone since the list was read, reached before, or the output folder
    }
    std::error_code ec;
    fs::directory_iterator it(folder.Path, ec);
    if (ec) {
        unreadable_.push_back({folder.Path, ec.value()});
        return;
    }
    std::vector<std::string> files;
    std::vector<std::string> folders;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            unreadable_.push_back({folder.Path, ec.value()});
            break;
        }
        std::string name = names::LeafName(it->path().native());
        if (name.empty() || name.front() == '.') {
            continue;
        }
        std::error_code typeError;
        const fs::file_status status = it->status(typeError);
        if (typeError) {
            continue;
        }
        if (fs::is_directory(status)) {
            folders.push_back(std::move(name));
        } else if (fs::is_regular_file(status) && names::MatchesPattern(name, pattern_)) {
            files.push_back(std::move(name));
        }
    }
    names::SortNames(files);
    names::SortNames(folders);
    const std::string path = paths::AddBackslash(folder.Path);
    const std::string relative = folder.Relative + "/";
    for (const std::string& name : files) {
        sources_.push_back({path + name, relative + name});
    }
    if (!subFolders_) {
        return;
    }
    for (auto name = folders.rbegin(); name != folders.rend(); ++name) {
        pending_.push_back({path + *name, relative + *name});
    }
}

std::vector<Source> WalkSources(const std::string& folder, const std::vector<Entry>& entries,
                                bool convertAll, const std::string& pattern,
                                std::optional<platform::FolderId> skip, bool subFolders) {
    SourceWalk walk(folder, entries, convertAll, pattern, skip, subFolders);
    while (!walk.Step(64)) {
    }
    return walk.Sources();
}

}  // namespace batch
