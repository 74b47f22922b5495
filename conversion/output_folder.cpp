#include "output_folder.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "replace_file.h"

namespace fs = std::filesystem;

namespace batch {
namespace {

std::string Expanded(std::string_view text) {
    if (text == "~" || text.starts_with("~/")) {
        const char* home = std::getenv("HOME");
        if (home != nullptr && *home == '/') {
            return std::string(home) + std::string(text.substr(1));
        }
    }
    return std::string(text);
}

}  // namespace

OutputFolderCheck PrepareOutputFolder(std::string_view text) {
    OutputFolderCheck check;
    check.Folder = Expanded(text);
    if (check.Folder.empty()) {
        check.Problem = OutputProblem::Empty;
        return check;
    }
    if (check.Folder.front() != '/') {
        check.Problem = OutputProblem::NotAbsolute;
        return check;
    }
    std::error_code ec;
    const fs::path folder(check.Folder);
    if (!fs::is_directory(folder, ec)) {
        if (fs::exists(fs::symlink_status(folder, ec))) {
            check.Problem = OutputProblem::NotAFolder;
            return check;
        }
        fs::create_directories(folder, ec);
        if (ec || !fs::is_directory(folder)) {
            // A file further up is in the way, or the system refused.
            check.Problem = ec.value() == ENOTDIR || ec.value() == EEXIST
                                ? OutputProblem::NotAFolder
                                : OutputProblem::NotMade;
            check.Errno = ec ? ec.value() : ENOTDIR;
            return check;
        }
    }
    const fs::path resolved = fs::canonical(folder, ec);
    if (ec) {
        check.Problem = OutputProblem::NotMade;
        check.Errno = ec.value();
        return check;
    }
    // access() would trust the mode bits; only a real file tells a read-only mount, a full
    // quota or a server that maps the user to nobody.
    std::optional<platform::PendingFile> probe =
        platform::PendingFile::Create(resolved.string() + "/probe", ".tonquell-probe-");
    if (!probe) {
        check.Problem = OutputProblem::NotWritable;
        check.Errno = errno;
        return check;
    }
    probe->Discard();
    check.Folder = resolved.string();
    return check;
}

std::string RelativeFolderOf(std::string_view relative) {
    const std::size_t slash = relative.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(relative.substr(0, slash));
}

}  // namespace batch
