#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "batch_run.h"
#include "folders_below.h"

// The files a run converts, taken once at its start: the chosen files of the list, then every
// file below the chosen folders that the list's filter would show.
namespace batch {

// One file of a run: its full path, and its path below the folder the list shows
// ("Album A/CD 1/01.flac"; for a file of the list itself, its name), which an output folder
// mirrors.
struct Source {
    std::string Path;
    std::string Relative;
    bool operator==(const Source&) const = default;
};

// A folder of a tree that could not be read, with the system's errno.
struct UnreadableFolder {
    std::string Path;
    int Errno = 0;
    bool operator==(const UnreadableFolder&) const = default;
};

// The walk, a few folders at a time, so that a large tree never holds the window for long.
// The order: the eligible file entries in list order (every file entry when `convertAll`,
// else the selected ones), then, for each selected folder entry in list order (never the
// parent), its tree depth first: a folder's files by name, then each of its sub-folders by
// name in the same way; names compared as the browser sorts them (case ignored). Files are
// those the browser would list with `pattern` (regular files, links followed); names that
// begin with "." are left out, files and folders alike. A folder reached twice (through
// links, or a link back to the list's own folder) is walked once, so a link loop ends; the
// folder `skip` (the output folder) is never walked. Without `subFolders` a chosen folder
// gives its own files only. An entry with a folder of its own (Entry::Within) is taken from
// there.
class SourceWalk {
public:
    SourceWalk(std::string folder, const std::vector<Entry>& entries, bool convertAll,
               std::string pattern, std::optional<platform::FolderId> skip, bool subFolders = true);

    // Reads at most `folders` more folders (at least one); true once the walk is complete.
    bool Step(int folders);
    bool Done() const { return pending_.empty(); }
    // The sources found so far, in run order.
    const std::vector<Source>& Sources() const { return sources_; }
    // The folders of the trees that could not be read, in walk order.
    const std::vector<UnreadableFolder>& Unreadable() const { return unreadable_; }

private:
    struct Pending {
        std::string Path;
        std::string Relative;
    };
    void Read(const Pending& folder);

    std::string pattern_;
    bool subFolders_ = true;
    std::vector<Pending> pending_;  // a stack: the next folder to read is at the back
    std::set<platform::FolderId> seen_;
    std::vector<Source> sources_;
    std::vector<UnreadableFolder> unreadable_;
};

// The whole walk at once: its sources.
std::vector<Source> WalkSources(const std::string& folder, const std::vector<Entry>& entries,
                                bool convertAll, const std::string& pattern,
                                std::optional<platform::FolderId> skip = std::nullopt,
                                bool subFolders = true);

}  // namespace batch
