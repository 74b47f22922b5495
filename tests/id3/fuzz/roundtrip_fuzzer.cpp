// Fuzz target over read, then write, then read again: the input is taken as a whole file; its
// tags (with the frames a conversion carries) are carried into a bare file, and read and written
// back into the input itself; the rewritten files must give the same records and frames.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "genre.h"
#include "id3v1.h"
#include "id3v2_reader.h"
#include "id3v2_writer.h"
#include "numeric_text.h"
#include "tag_transfer.h"
#include "text_codec.h"

namespace {

std::string FuzzPath(const char* name) {
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder != nullptr ? folder : "/tmp") + "/tonquell-fuzz-" +
           std::to_string(::getpid()) + "-" + name + ".mp3";
}

const std::string& FuzzFile() {
    static const std::string path = FuzzPath("source");
    return path;
}

// The form a field has after a write and a read.
std::string Normal(const std::string& text) {
    return id3::TrimBlanks(text).empty() ? std::string() : text;
}

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "round trip broken: %s\n", what);
        std::abort();
    }
}

// The first `count` characters of UTF-8 text.
std::string FirstChars(const std::string& text, size_t count) {
    std::string out;
    for (const char32_t cp : id3::DecodeUtf8(text)) {
        if (count-- == 0) {
            break;
        }
        id3::AppendUtf8(out, cp);
    }
    return out;
}

void CheckSame(const id3::TagSet& a, const id3::TagSet& b, int version) {
    Check(Normal(a.Artist) == b.Artist, "Artist");
    Check(Normal(a.Album) == b.Album, "Album");
    Check(Normal(a.Title) == b.Title, "Title");
    Check(Normal(a.Comment) == b.Comment, "Comment");
    Check(Normal(a.Track) == b.Track, "Track");
    Check(Normal(a.EncodedBy) == b.EncodedBy, "EncodedBy");
    Check(Normal(a.Copyright) == b.Copyright, "Copyright");
    Check(Normal(a.Composer) == b.Composer, "Composer");
    Check(Normal(a.OriginalArtist) == b.OriginalArtist, "OriginalArtist");
    // Version 4 stores the year as a TDRC date, of which the reader takes four characters.
    Check((version == 4 ? FirstChars(Normal(a.Year), 4) : Normal(a.Year)) == b.Year, "Year");
    const int index = id3::GenreIndex(a.Genre);
    Check(index != 255 ? id3::GenreIndex(b.Genre) == index : Normal(a.Genre) == b.Genre, "Genre");
    // URL characters that single-byte readers could take differently are percent-encoded.
    Check(!id3::ToSharedSingleByte(a.Url) || Normal(a.Url) == b.Url, "Url");
}

// Carries the tags of `source` into a bare file the way a conversion does: the transfer reads
// what it wrote back and compares it, so a failure is a disagreement of reader and writer.
void CheckTransfer(const std::string& source) {
    static const std::string target = FuzzPath("target");
    {
        static const std::string audio(417, '\x55');
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(audio.data(), static_cast<std::streamsize>(audio.size()));
    }
    const id3::SourceTags tags = id3::ReadSourceTags(source);
    const id3::WriteStatus status = id3::WriteTargetTags(target, tags);
    if (!status.Ok) {
        std::fprintf(stderr, "transfer failed: %s\n", status.Reason.c_str());
    }
    Check(status.Ok, "transfer");
    std::remove(target.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = FuzzFile();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CheckTransfer(path);
    id3::TagSet v2;
    id3::ReadId3v2(path, v2);
    id3::TagSet v1;
    const bool hasV1 = id3::ReadId3v1(path, v1);
    const int version = (size % 2 == 0) ? 3 : 4;
    const bool keepOld = size % 3 == 0;
    if (hasV1 && id3::WriteId3v1(path, v1, true)) {
        id3::TagSet again;
        Check(id3::ReadId3v1(path, again), "ID3v1 block lost");
    }
    if (id3::WriteId3v2(path, v2, version, !keepOld, true)) {
        id3::TagSet again;
        Check(id3::ReadId3v2(path, again), "ID3v2 tag lost");
        CheckSame(v2, again, version);
    }
    std::remove(path.c_str());
    return 0;
}
