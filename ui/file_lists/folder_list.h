#pragma once

#include <string>
#include <vector>

// The folder list: the current folder and its sub-folders.
namespace file_lists {

class FolderList {
public:
    // Moves to `folder` and reads its sub-folders. A closing "/" is dropped (except at "/"),
    // "." and ".." are resolved. False when it is not a readable folder; nothing changes then.
    bool SetPath(const std::string& folder);
    // The current folder, absolute, without a closing "/" except for "/"; empty before SetPath.
    const std::string& Path() const { return path_; }
    // Names of the sub-folders, ascending with case ignored, names beginning with "." left out.
    const std::vector<std::string>& SubFolders() const { return subFolders_; }

private:
    std::string path_;
    std::vector<std::string> subFolders_;
};

// `folder` made absolute against the working folder, "." and ".." resolved, without a
// closing "/" except for "/". Empty for an empty text.
std::string NormalFolder(const std::string& folder);

}  // namespace file_lists
