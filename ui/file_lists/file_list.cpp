#include "file_list.h"

#include <filesystem>
#include <system_error>

#include "name_order.h"

namespace fs = std::filesystem;

namespace file_lists {

void FileList::SetPath(const std::string& folder) {
    path_ = folder;
    Read();
}

void FileList::Read() {
    files_.clear();
    std::error_code ec;
    fs::directory_iterator it(path_, fs::directory_options::skip_permission_denied, ec);
    if (ec) {
        return;
    }
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            break;
        }
        std::string name = names::LeafName(it->path().native());
        if (name.empty() || name.front() == '.' || !names::MatchesPattern(name, pattern_)) {
            continue;
        }
        std::error_code typeError;
        if (it->is_regular_file(typeError) && !typeError) {
            files_.push_back(std::move(name));
        }
    }
    names::SortNames(files_);
}

}  // namespace file_lists
