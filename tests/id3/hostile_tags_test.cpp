// Tags built to break a parser: every size is a lie somewhere. Reading must stay inside the
// buffer and end; writing over such a tag must succeed or leave the file as it was.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "id3v2_reader.h"
#include "id3v2_writer.h"
#include "test_support.h"

namespace id3 {
namespace {

using id3test::Bytes;
using id3test::Concat;
using id3test::Frame;
using id3test::FrameV2;
using id3test::ReadFile;
using id3test::Tag;
using id3test::TempDir;
using id3test::TextFrame;
using id3test::ToBytes;
using id3test::WriteFile;

struct Hostile {
    std::string name;
    Bytes file;
    bool found;
    std::string title;  // what the reader must still get out
};

Bytes Header(int version, uint8_t flags, Bytes size) {
    return Concat({ToBytes("ID3"), Bytes{static_cast<uint8_t>(version), 0, flags}, size});
}

std::vector<Hostile> HostileFiles() {
    const Bytes title = TextFrame("TIT2", "ok");
    const Bytes packed = id3test::Deflate(Bytes(5000, 'a'));
    const Bytes packedCut(packed.begin(), packed.end() - 2);
    std::vector<Hostile> cases = {
        {"size past the end", Concat({Header(3, 0, {0, 0x3F, 0x7F, 0x7F}), title}), true, "ok"},
        {"size bytes with top bits", Concat({Header(3, 0, {0, 0, 0, 0x8F}), title}), true, "ok"},
        {"size overflowing as plain", Concat({Header(3, 0, {0xFF, 0xFF, 0xFF, 0xFF}), title}), true,
         ""},
        {"unknown version", Tag(7, 0, title), true, ""},
        {"version 0", Tag(0, 0, title), true, ""},
        {"frame past the tag end",
         Tag(3, 0, Concat({title, ToBytes("TPE1"), Bytes{0, 0, 9, 0, 0, 0}})), true, "ok"},
        {"frame size overflowing the offset",
         Tag(3, 0, Concat({title, ToBytes("TPE1"), Bytes{0x7F, 0xFF, 0xFF, 0xFF, 0, 0, 0, 'x'}})),
         true, "ok"},
        {"zero-size frames", Tag(3, 0, Concat({Frame("TPE1", {}), Frame("COMM", {}), title})), true,
         "ok"},
        {"grouping and length bytes larger than the frame",
         Tag(4, 0,
             Concat({Frame("TPE1", Bytes{1, 2}, 4, 0x41), Frame("TALB", {}, 4, 0x01), title})),
         true, "ok"},
        {"v3 grouping byte in an empty frame",
         Tag(3, 0, Concat({Frame("TPE1", {}, 3, 0x20), title})), true, "ok"},
        {"unsynchronisation ending in 0xFF", Tag(3, 0x80, Concat({title, Bytes{0xFF}})), true,
         "ok"},
        {"v4 frame unsynchronisation ending in 0xFF",
         Tag(4, 0, Concat({Frame("TIT2", Bytes{0, 'o', 'k', 0xFF}, 4, 0x02)})), true, "ok\u00FF"},
        {"v3 extended header larger than the tag",
         Tag(3, 0x40, Concat({Bytes{0, 0, 0x7F, 0xFF}, title})), true, ""},
        {"v3 extended header with an overflowing size",
         Tag(3, 0x40, Concat({Bytes{0xFF, 0xFF, 0xFF, 0xF0}, title})), true, ""},
        {"v4 extended header of size 0", Tag(4, 0x40, Concat({Bytes{0, 0, 0, 0, 0, 0}, title})),
         true, ""},
        {"extended header cut short", Tag(3, 0x40, Bytes{0, 0}), true, ""},
        {"footer pointing before the start",
         Concat({Bytes(20, 1), ToBytes("3DI"), Bytes{4, 0, 0x10}, Bytes{0, 0, 0x7F, 0x7F}}), false,
         ""},
        {"3DI in a v2.3 tag",
         Concat({Bytes(5, 1), Tag(3, 0, title), ToBytes("3DI"), Bytes{3, 0, 0},
                 Bytes{0, 0, 0, static_cast<uint8_t>(title.size())}}),
         true, "ok"},
        {"compressed frame claiming more than its data can inflate to",
         Tag(3, 0,
             Concat(
                 {title,
                  Frame("TPE1", Concat({Bytes{0x0F, 0xFF, 0xFF, 0xFF}, id3test::Deflate({0, 'a'})}),
                        3, 0x80)})),
         true, "ok"},
        {"compressed frame whose stream is cut",
         Tag(4, 0, Concat({Frame("TPE1", packedCut, 4, 0x08), title})), true, "ok"},
        {"compressed frame with a data length larger than the frame",
         Tag(4, 0, Concat({title, Frame("TALB", Bytes{0x40, 1}, 4, 0x4D)})), true, "ok"},
        {"seek past the end",
         Tag(4, 0,
             Concat({Frame("SEEK", Bytes{0x7F, 0xFF, 0xFF, 0xFF}, 4), TextFrame("TIT2", "ok", 4)})),
         true, "ok"},
        {"seek offset overflowing",
         Tag(4, 0, Concat({title, Frame("SEEK", Bytes{0xFF, 0, 0, 0}, 4)})), true, "ok"},
        {"encoding byte above 3",
         Tag(3, 0,
             Concat({Frame("TIT2", Bytes{4, 'x'}), Frame("COMM", Bytes{200, 'e', 'n', 'g', 0, 'x'}),
                     Frame("WXXX", Bytes{9, 0, 'u'})})),
         true, ""},
        {"odd-length UTF-16", Tag(3, 0, Frame("TIT2", Bytes{1, 0xFF, 0xFE, 'o', 0, 'k', 0, 'z'})),
         true, "ok"},
        {"UTF-16 with only a BOM", Tag(3, 0, Frame("TIT2", Bytes{1, 0xFF, 0xFE})), true, ""},
        {"UTF-16 with half a BOM", Tag(3, 0, Frame("TIT2", Bytes{1, 0xFF})), true, ""},
        {"lone low surrogate", Tag(3, 0, Frame("TIT2", Bytes{1, 0xFF, 0xFE, 0x00, 0xDC})), true,
         "\uFFFD"},
        {"COMM shorter than its header", Tag(3, 0, Concat({Frame("COMM", Bytes{1, 'e'}), title})),
         true, "ok"},
        {"COMM without terminators",
         Tag(3, 0, Concat({Frame("COMM", Bytes{1, 'e', 'n', 'g', 0xFF, 0xFE, 'a', 0}), title})),
         true, "ok"},
        {"WXXX without a terminator", Tag(3, 0, Concat({Frame("WXXX", Bytes{0, 'd', 'e'}), title})),
         true, "ok"},
        {"v2.2 PIC with a short body",
         Tag(2, 0,
             Concat({FrameV2("PIC", Bytes{0, 'J'}), FrameV2("LNK", Bytes{'T'}),
                     TextFrame("TT2", "ok")})),
         true, "ok"},
        {"v2.2 frame past the end",
         Tag(2, 0, Concat({TextFrame("TT2", "ok"), ToBytes("TP1"), Bytes{0x7F, 0xFF}})), true,
         "ok"}};
    for (uint8_t size = 0; size <= 9; ++size) {
        cases.push_back({"tag size " + std::to_string(size),
                         Concat({Header(4, 0, {0, 0, 0, size}), Bytes(size, 0x54)}), true, ""});
    }
    return cases;
}

TEST(HostileTagsTest, ReadingStaysInBoundsAndKeepsWhatIsSound) {
    for (const auto& c : HostileFiles()) {
        MemorySource source(c.file);
        TagSet tag;
        EXPECT_EQ(ReadId3v2From(source, tag), c.found) << c.name;
        EXPECT_EQ(tag.Title, c.title) << c.name;
        CarriedFrames carried;
        TagSet scratch;
        ParseId3v2Tag(source, 0, scratch, &carried);
        for (const auto& frame : carried) {
            EXPECT_LE(frame.Data.size(), c.file.size() + 16) << c.name;
        }
    }
}

TEST(HostileTagsTest, WritingOverThemSucceedsOrChangesNothing) {
    TempDir dir;
    const std::string path = dir.File("hostile.mp3");
    const Bytes audio(3000, 0x5A);
    for (const auto& c : HostileFiles()) {
        const Bytes content = Concat({c.file, audio});
        WriteFile(path, content);
        TagSet tag;
        tag.Title = "new";
        if (!WriteId3v2(path, tag, 3, false, false)) {
            EXPECT_EQ(ReadFile(path), content) << c.name;
            continue;
        }
        TagSet back;
        EXPECT_TRUE(ReadId3v2(path, back)) << c.name;
        EXPECT_EQ(back.Title, "new") << c.name;
        // What the old header claimed is replaced; everything behind it is kept.
        MemorySource old(content);
        const auto oldSize = static_cast<long>(Id3v2SizeAt(old, 0).value_or(0));
        const Bytes kept(content.begin() + oldSize, content.end());
        const Bytes bytes = ReadFile(path);
        ASSERT_GE(bytes.size(), kept.size()) << c.name;
        EXPECT_EQ(Bytes(bytes.end() - static_cast<long>(kept.size()), bytes.end()), kept) << c.name;
    }
}

TEST(HostileTagsTest, HalfAMillionTinyFramesAreReadAndCarried) {
    Bytes body;
    body.reserve(500000 * 11 + 20);
    const Bytes tiny = Frame("PRIV", Bytes{1});
    for (int i = 0; i < 500000; ++i) {
        body.insert(body.end(), tiny.begin(), tiny.end());
    }
    const Bytes title = TextFrame("TIT2", "last");
    body.insert(body.end(), title.begin(), title.end());
    const Bytes file = Tag(3, 0, body);
    MemorySource source(file);
    TagSet tag;
    ASSERT_TRUE(ReadId3v2From(source, tag));
    EXPECT_EQ(tag.Title, "last");

    TempDir dir;
    const std::string path = dir.File("many.mp3");
    WriteFile(path, Concat({file, Bytes(100, 1)}));
    ASSERT_TRUE(WriteId3v2(path, id3test::MakeTags({{"Title", "t"}}), 3, false, false));
    CarriedFrames carried;
    const Bytes written = ReadFile(path);
    MemorySource rewritten(written);
    TagSet scratch;
    ParseId3v2Tag(rewritten, 0, scratch, &carried);
    EXPECT_EQ(carried.size(), 500001u);
}

TEST(HostileTagsTest, ManyDatesAndPeopleListsAreConvertedInOnePass) {
    Bytes body;
    const Bytes date = TextFrame("TDRC", "2005-09-27T18:30", 4);
    const Bytes people = Frame("TIPL", Bytes{0, 'a', 0, 'b'}, 4);
    for (int i = 0; i < 100000; ++i) {
        body.insert(body.end(), date.begin(), date.end());
        body.insert(body.end(), people.begin(), people.end());
    }
    const Bytes file = Tag(4, 0, body);
    MemorySource source(file);
    CarriedFrames frames;
    ASSERT_TRUE(CollectId3v2FramesFrom(source, frames));
    ASSERT_EQ(frames.size(), 300001u);  // each date with its day and time, one list of people
    EXPECT_EQ(frames[1].Id, "TDAT");
    EXPECT_EQ(frames[3].Id, "IPLS");
    EXPECT_EQ(frames[3].Data.size(), 1 + 200000u * 2 - 1);  // "a", "b", ... with separators
}

// The fuzzers' seed corpus holds every case above; TONQUELL_WRITE_SEEDS=1 writes them anew.
TEST(HostileTagsTest, SeedCorpusHoldsEveryCase) {
    const std::string corpus = TONQUELL_SOURCE_DIR "/tests/id3/fuzz/corpus/";
    const bool write = std::getenv("TONQUELL_WRITE_SEEDS") != nullptr;
    for (const auto& c : HostileFiles()) {
        std::string slug = "hostile-";
        for (const char ch : c.name) {
            slug += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '-';
        }
        if (write) {
            std::filesystem::create_directories(corpus);
            WriteFile(corpus + slug, c.file);
        }
        EXPECT_EQ(ReadFile(corpus + slug), c.file) << slug;
    }
}

}  // namespace
}  // namespace id3
