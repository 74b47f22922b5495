#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "carried_frame.h"
#include "tag_set.h"

namespace id3 {

// Readable test failure output for the records.
void PrintTo(const TagSet& tag, std::ostream* os);
void PrintTo(const CarriedFrame& frame, std::ostream* os);

}  // namespace id3

namespace id3test {

using Bytes = std::vector<uint8_t>;

// A folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // The path of `name` inside the folder.
    std::string File(const std::string& name) const;

private:
    std::filesystem::path path_;
};

Bytes ToBytes(const std::string& text);
Bytes Concat(std::initializer_list<Bytes> parts);
void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);

// A version-3 frame (plain size) or version-4 frame (synchsafe size) with the given flags.
Bytes Frame(const std::string& id, const Bytes& data, int version = 3, uint8_t flags = 0);
// A version-2 frame: 3-character id, 3-byte size.
Bytes FrameV2(const std::string& id, const Bytes& data);
// A text frame in encoding 0.
Bytes TextFrame(const std::string& id, const std::string& text, int version = 3);
// `bytes` compressed as a zlib stream, as compressed frames hold them.
Bytes Deflate(const Bytes& bytes);
// A tag header with a synchsafe size for `body` plus `padding` zero bytes behind it.
Bytes Tag(int version, uint8_t flags, const Bytes& body, size_t padding = 0);

// Bytes of a real MP3 stream without tags (about one second of a tone), made once by ffmpeg.
const Bytes& Mp3Audio();

// A record with the named fields ("Artist", "Title", ...) set and the others empty.
id3::TagSet MakeTags(std::initializer_list<std::pair<std::string, std::string>> fields);

// Runs a shell command; returns its exit status and puts its standard output into `out`.
int RunCommand(const std::string& command, std::string* out = nullptr);

// Quotes `text` for the shell.
std::string Quote(const std::string& text);

}  // namespace id3test
