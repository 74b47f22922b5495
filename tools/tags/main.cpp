// tonquell-tags: prints the tags of a file as JSON, in the ID3 form a conversion writes them (with
// the frames it would carry over), or carries them over to another file the way a conversion run
// does.
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
#include "source_tags.h"
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
    const tags::Container container = tags::SourceContainer(path);
    const id3::SourceTags travelling = tags::ReadSourceTags(path);
    std::optional<id3::TagSet> v1 = travelling.Id3v1;
    std::optional<id3::TagSet> v2 = travelling.Id3v2;
    if (container == tags::Container::Mpeg || container == tags::Container::TrueAudio) {
        // The tags as they stand in the file, found or not.
        if (!id3::ReadId3v1(path, *v1)) {
            v1.reset();
        }
        if (!id3::ReadId3v2(path, *v2)) {
            v2.reset();
        }
    } else {
        // The records a conversion writes; none where the source has nothing for them.
        if (*v1 == id3::TagSet{}) {
            v1.reset();
        }
        if (*v2 == id3::TagSet{} && travelling.Frames.empty()) {
            v2.reset();
        }
    }
    std::printf("{\"id3v1\": %s, \"id3v2\": %s, \"other\": %s, \"dropped\": %s, \"format\": %s}\n",
                tags_tool::JsonTagSet(v1).c_str(), tags_tool::JsonTagSet(v2).c_str(),
                tags_tool::JsonFrameList(travelling.Frames).c_str(),
                tags_tool::JsonDroppedList(travelling.Dropped).c_str(),
                tags_tool::JsonString(tags::ContainerName(container)).c_str());
    return 0;
}

int Copy(const std::string& source, const std::string& target) {
    if (!CheckReadable(source) || !CheckReadable(target)) {
        return 2;
    }
    const auto kind = tags::TargetKindOf(target);
    if (!kind) {
        std::fprintf(stderr,
                     "tonquell-tags: cannot tell the kind of '%s' by its name (.mp3, .mp2, .mpa, "
                     ".wav or .ac3)\n",
                     target.c_str());
        return 2;
    }
    if (*kind == tags::TargetKind::Ac3) {
        std::fprintf(stderr, "tonquell-tags: '%s' is raw AC-3, which has no place for tags\n",
                     target.c_str());
        return 0;
    }
    const id3::WriteStatus status =
        tags::WriteTargetTags(target, *kind, tags::ReadSourceTags(source));
    if (!status.Ok) {
        std::fprintf(stderr, "tonquell-tags: could not write the tags into '%s': %s\n",
                     target.c_str(), status.Reason.c_str());
        return 1;
    }
    if (!status.Reason.empty()) {
        std::fprintf(stderr, "tonquell-tags: %s\n", status.Reason.c_str());
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
