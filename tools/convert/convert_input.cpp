#include "convert_input.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "run_input.h"
#include "source_kinds.h"

namespace convert_cli {

std::string AbsolutePath(const std::string& path, const std::string& cwd) {
    const std::string joined = path.starts_with('/') ? path : cwd + "/" + path;
    std::string out;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t end = joined.find('/', start);
        if (end == std::string::npos) {
            end = joined.size();
        }
        const std::string part = joined.substr(start, end - start);
        if (!part.empty() && part != ".") {
            out += "/" + part;
        }
        start = end + 1;
    }
    return out.empty() ? "/" : out;
}

ConvertInput ConvertInputFor(const Options& options, const std::string& cwd,
                             const std::string& outputFolder) {
    ConvertInput result;
    std::vector<batch::Entry> entries;
    std::vector<std::string> seen;
    for (const std::string& given : options.Paths) {
        const std::string path = AbsolutePath(given, cwd);
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            result.Missing.push_back({given, errno});
            continue;
        }
        if (path == "/") {
            result.Missing.push_back({given, EISDIR});
            continue;
        }
        if (std::find(seen.begin(), seen.end(), path) != seen.end()) {
            continue;
        }
        seen.push_back(path);
        const std::size_t slash = path.rfind('/');
        batch::Entry entry;
        entry.Text = path.substr(slash + 1);
        entry.Selected = true;
        entry.Folder = S_ISDIR(st.st_mode);
        entry.Within = slash == 0 ? "/" : path.substr(0, slash);
        entries.push_back(std::move(entry));
    }
    const FormState state = FormStateOf(options, outputFolder);
    result.Input =
        batch::RunInputFrom(state, std::move(entries), {}, source_kinds::AllowedPattern());
    result.Input.SubFolders = options.Recursive;
    result.Input.DryRun = options.DryRun;
    return result;
}

}  // namespace convert_cli
