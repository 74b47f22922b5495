#include "folder_list.h"

#include <filesystem>
#include <system_error>

#include "name_order.h"

namespace fs = std::filesystem;

namespace file_lists {

std::string NormalFolder(const std::string& folder) {
    if (folder.empty()) {
        return {};
    }
    std::error_code ec;
    fs::path p = fs::path(folder);
    if (p.is_relative()) {
        p = fs::current_path(ec) / p;
        if (ec) {
            return {};
        }
    }
    std::string text = p.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

bool FolderList::SetPath(const std::string& folder) {
    const std::string path = NormalFolder(folder);
    if (path.empty()) {
        return false;
    }
    std::error_code ec;
    fs::directory_iterator it(path, fs::directory_options::skip_permission_denied, ec);
    if (ec) {
        return false;
    }
    std::vector<std::string> found;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            break;
        }
        std::string name = names::LeafName(it->path().native());
        if (name.empty() || name.front() == '.') {
            continue;
        }
        std::error_code typeError;
        if (it->is_directory(typeError) && !typeError) {
            found.push_back(std::move(name));
        }
    }
    names::SortNames(found);
    path_ = path;
    subFolders_ = std::move(found);
    return true;
}

}  // namespace file_lists
