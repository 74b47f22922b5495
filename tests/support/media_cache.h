#pragma once

// Test audio made by the ffmpeg tool once per test run and shared by every test process.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace testing_support {

// The folder that holds the made files: $TONQUELL_MEDIA_CACHE, else tests/media-cache in the
// build folder ($TONQUELL_BUILD_DIR, which ctest sets). The ctest fixture "test_media" empties
// it at the start of every run, so each file is made once per run.
inline std::filesystem::path MediaCacheFolder() {
    if (const char* folder = std::getenv("TONQUELL_MEDIA_CACHE"); folder && *folder) {
        return folder;
    }
    if (const char* build = std::getenv("TONQUELL_BUILD_DIR"); build && *build) {
        return std::filesystem::path(build) / "tests" / "media-cache";
    }
#ifdef TONQUELL_BUILD_DIR
    return std::filesystem::path(TONQUELL_BUILD_DIR) / "tests" / "media-cache";
#else
    return std::filesystem::temp_directory_path() / "tonquell-media-cache";
#endif
}

// Makes at `path` the file that `ffmpeg -v error -nostdin -y ARGS PATH` makes. The file is
// made once under a name taken from the arguments and the extension of `path`, then copied;
// a process that finds it made only copies it. Returns 0, or the failed command's status.
inline int MakeMedia(const std::string& args, const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a over the arguments and extension
    for (const char c : args + "|" + extension) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char key[17];
    std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(hash));
    const std::filesystem::path folder = MediaCacheFolder();
    const std::filesystem::path cached = folder / (key + extension);
    std::error_code ec;
    if (!std::filesystem::exists(cached, ec)) {
        std::filesystem::create_directories(folder, ec);
        // Made under a name of this process's own, then renamed: processes that make the same
        // file at once never see half of it.
        const std::filesystem::path partial =
            folder / (".partial-" + std::to_string(::getpid()) + "-" + key + extension);
        const std::string command =
            "ffmpeg -v error -nostdin -y " + args + " '" + partial.string() + "'";
        const int status = std::system(command.c_str());
        if (status != 0) {
            std::filesystem::remove(partial, ec);
            return status;
        }
        std::filesystem::rename(partial, cached, ec);
        if (ec) {
            return 1;
        }
    }
    std::filesystem::copy_file(cached, path, std::filesystem::copy_options::overwrite_existing, ec);
    return ec ? 1 : 0;
}

}  // namespace testing_support
