#include "test_support.h"
#include "../support/media_cache.h"

#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace id3test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "id3test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const {
    return (path_ / name).string();
}

Bytes ToBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Frame(const std::string& id, const Bytes& data, int version, uint8_t flags) {
    const auto n = static_cast<uint32_t>(data.size());
    Bytes header = ToBytes(id);
    if (version == 4) {
        header.insert(header.end(),
                      {static_cast<uint8_t>((n >> 21) & 127), static_cast<uint8_t>((n >> 14) & 127),
                       static_cast<uint8_t>((n >> 7) & 127), static_cast<uint8_t>(n & 127)});
    } else {
        header.insert(header.end(), {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                                     static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
    }
    header.insert(header.end(), {0, flags});
    return Concat({header, data});
}

Bytes FrameV2(const std::string& id, const Bytes& data) {
    const auto n = static_cast<uint32_t>(data.size());
    Bytes header = ToBytes(id);
    header.insert(header.end(), {static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                                 static_cast<uint8_t>(n)});
    return Concat({header, data});
}

Bytes TextFrame(const std::string& id, const std::string& text, int version) {
    Bytes data = {0};
    const Bytes body = ToBytes(text);
    data.insert(data.end(), body.begin(), body.end());
    return id.size() == 3 ? FrameV2(id, data) : Frame(id, data, version);
}

Bytes Deflate(const Bytes& bytes) {
    uLongf length = compressBound(bytes.size());
    Bytes out(length);
    if (compress2(out.data(), &length, bytes.data(), bytes.size(), 9) != Z_OK) {
        throw std::runtime_error("zlib could not compress");
    }
    out.resize(length);
    return out;
}

Bytes Tag(int version, uint8_t flags, const Bytes& body, size_t padding) {
    const auto n = static_cast<uint32_t>(body.size() + padding);
    Bytes out = {'I',
                 'D',
                 '3',
                 static_cast<uint8_t>(version),
                 0,
                 flags,
                 static_cast<uint8_t>((n >> 21) & 127),
                 static_cast<uint8_t>((n >> 14) & 127),
                 static_cast<uint8_t>((n >> 7) & 127),
                 static_cast<uint8_t>(n & 127)};
    out.insert(out.end(), body.begin(), body.end());
    out.resize(out.size() + padding, 0);
    return out;
}

id3::TagSet MakeTags(std::initializer_list<std::pair<std::string, std::string>> fields) {
    id3::TagSet tag;
    for (const auto& [name, value] : fields) {
        std::string* field = name == "Artist"           ? &tag.Artist
                             : name == "Album"          ? &tag.Album
                             : name == "Title"          ? &tag.Title
                             : name == "Year"           ? &tag.Year
                             : name == "Genre"          ? &tag.Genre
                             : name == "Comment"        ? &tag.Comment
                             : name == "Track"          ? &tag.Track
                             : name == "EncodedBy"      ? &tag.EncodedBy
                             : name == "Url"            ? &tag.Url
                             : name == "Copyright"      ? &tag.Copyright
                             : name == "Composer"       ? &tag.Composer
                             : name == "OriginalArtist" ? &tag.OriginalArtist
                                                        : nullptr;
        if (field == nullptr) {
            throw std::runtime_error("no field " + name);
        }
        *field = value;
    }
    return tag;
}

int RunCommand(const std::string& command, std::string* out) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    std::string text;
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) {
        text.append(chunk, n);
    }
    const int status = ::pclose(pipe);
    if (out != nullptr) {
        *out = text;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

const Bytes& Mp3Audio() {
    static const Bytes audio = [] {
        TempDir dir;
        const std::string path = dir.File("tone.mp3");
        testing_support::MakeMedia(
            "-f lavfi -i sine=frequency=440:duration=1 -c:a libmp3lame -b:a 64k -id3v2_version 0 "
            "-write_id3v1 0 -write_xing 0",
            path);
        Bytes bytes = ReadFile(path);
        if (bytes.size() < 1000) {
            throw std::runtime_error("ffmpeg did not make the test audio");
        }
        return bytes;
    }();
    return audio;
}

}  // namespace id3test

namespace id3 {

void PrintTo(const TagSet& tag, std::ostream* os) {
    const std::pair<const char*, const std::string*> fields[] = {
        {"Artist", &tag.Artist},     {"Album", &tag.Album},
        {"Title", &tag.Title},       {"Year", &tag.Year},
        {"Genre", &tag.Genre},       {"Comment", &tag.Comment},
        {"Track", &tag.Track},       {"EncodedBy", &tag.EncodedBy},
        {"Url", &tag.Url},           {"Copyright", &tag.Copyright},
        {"Composer", &tag.Composer}, {"OriginalArtist", &tag.OriginalArtist}};
    *os << "{";
    for (const auto& [name, value] : fields) {
        if (!value->empty()) {
            *os << " " << name << "=\"" << *value << "\"";
        }
    }
    *os << " }";
}

void PrintTo(const CarriedFrame& frame, std::ostream* os) {
    *os << frame.Id << "(" << frame.Data.size() << " bytes)";
}

}  // namespace id3
