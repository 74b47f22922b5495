#pragma once

#include <string>
#include <vector>

// The file list: those files of one folder whose names match the filter.
namespace file_lists {

class FileList {
public:
    // Sets the ";"-separated wildcard filter; takes effect at the next Read.
    void SetPattern(std::string pattern) { pattern_ = std::move(pattern); }
    const std::string& Pattern() const { return pattern_; }
    // Sets the folder and reads it.
    void SetPath(const std::string& folder);
    const std::string& Path() const { return path_; }
    // Re-reads the folder: files (not folders; links followed) matching the filter, names
    // beginning with "." left out, ascending with case ignored. Unreadable entries are
    // skipped; an unreadable folder gives no files.
    void Read();
    // Names of the listed files, as raw bytes.
    const std::vector<std::string>& Files() const { return files_; }

private:
    std::string pattern_ = "*.*";
    std::string path_;
    std::vector<std::string> files_;
};

}  // namespace file_lists
