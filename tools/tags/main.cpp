// tonquell-tags: prints the ID3 tags of a file as JSON (with the frames a conversion would carry
// over), or carries them over to another file the way a conversion run does.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "id3v1.h"
#include "id3v2_reader.h"
#include "json_output.h"
#include "tag_transfer.h"

namespace {

constexpr const char* kUsage =
    "usage: tonquell-tags read FILE\n"
    "       tonquell-tags copy SOURCE TARGET\n";

// True when `path` is a file that can be opened for reading; else names the file and the
// reason on stderr.
bool CheckReadable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "tonquell-tags: cannot open '%s' (%s)\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!regular) {
        std::fprintf(stderr, "tonquell-tags: cannot open '%s' (not a regular file)\n",
                     path.c_str());
    }
    return regular;
}

int Read(const std::string& path) {
    if (!CheckReadable(path)) {
        return 2;
    }
    std::optional<id3::TagSet> v1 = id3::TagSet{};
    if (!id3::ReadId3v1(path, *v1)) {
        v1.reset();
    }
    std::optional<id3::TagSet> v2 = id3::TagSet{};
    if (!id3::ReadId3v2(path, *v2)) {
        v2.reset();
    }
    const id3::SourceTags travelling = id3::ReadSourceTags(path);
    std::printf("{\"id3v1\": %s, \"id3v2\": %s, \"other\": %s, \"dropped\": %s}\n",
                tags_tool::JsonTagSet(v1).c_str(), tags_tool::JsonTagSet(v2).c_str(),
                tags_tool::JsonFrameList(travelling.Frames).c_str(),
                tags_tool::JsonDroppedList(travelling.Dropped).c_str());
    return 0;
}

int Copy(const std::string& source, const std::string& target) {
    if (!CheckReadable(source) || !CheckReadable(target)) {
        return 2;
    }
    const id3::WriteStatus status = id3::WriteTargetTags(target, id3::ReadSourceTags(source));
    if (!status.Ok) {
        std::fprintf(stderr, "tonquell-tags: could not write the tags into '%s': %s\n",
                     target.c_str(), status.Reason.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "read" && argc == 3) {
        return Read(argv[2]);
    }
    if (command == "copy" && argc == 4) {
        return Copy(argv[2], argv[3]);
    }
    std::fputs(kUsage, stderr);
    return 2;
}
