// The mapping of a source's neutral tags to the ID3v2.3 record and carried frames.
#include "id3_mapping.h"

#include <gtest/gtest.h>

#include <map>

#include "id3v2_reader.h"
#include "text_codec.h"

namespace tags {
namespace {

using Fields = std::vector<std::pair<std::string, std::vector<std::string>>>;

NeutralTags Make(const Fields& fields, std::vector<Picture> pictures = {}) {
    NeutralTags tags;
    for (const auto& [key, values] : fields) {
        tags.Fields.push_back({key, values});
    }
    tags.Pictures = std::move(pictures);
    return tags;
}

// The text a frame holds: a text frame's text, a TXXX's value, a COMM's or USLT's text, a UFID's
// identifier.
std::string TextOf(const id3::CarriedFrame& frame) {
    const std::span<const uint8_t> data(frame.Data);
    if (frame.Id == "UFID") {
        const size_t at = id3::SkipTerminatedString(data, 0, 0);
        return std::string(frame.Data.begin() + static_cast<long>(at), frame.Data.end());
    }
    if (frame.Id == "USLT" || frame.Id == "COMM") {
        return id3::ReadFrameText(data, "COMM").value_or("?");
    }
    if (frame.Id == "TXXX") {
        const size_t at = id3::SkipTerminatedString(data, 1, data[0]);
        return id3::DecodeTagText(data.subspan(at), data[0], true);
    }
    return id3::ReadFrameText(data, frame.Id).value_or("?");
}

// Every frame as "ID", or "ID:description" (a UFID: "UFID:owner") -> text (a picture: its size).
std::map<std::string, std::string> FramesOf(const id3::SourceTags& tags) {
    std::map<std::string, std::string> out;
    for (const auto& frame : tags.Frames) {
        std::string key = frame.Id;
        if (frame.Id == "TXXX" || frame.Id == "APIC") {
            key += ":" + id3::FrameDescription(frame);
        } else if (frame.Id == "UFID") {
            key += ":" + std::string(reinterpret_cast<const char*>(frame.Data.data()));
        }
        EXPECT_EQ(out.count(key), 0u) << key << " twice";
        out[key] = frame.Id == "APIC" ? std::to_string(frame.Data.size()) : TextOf(frame);
    }
    return out;
}

TEST(Id3MappingTest, RecordFieldsComeFromTheirCommonNames) {
    const id3::SourceTags tags = MapToId3(Make({{"TITLE", {"T \u00e9"}},
                                                {"ARTIST", {"A", "B"}},
                                                {"ALBUM", {"Al"}},
                                                {"GENRE", {"Rock"}},
                                                {"COMMENT", {"one", "two"}},
                                                {"COPYRIGHT", {"(c)"}},
                                                {"COMPOSER", {"C"}},
                                                {"ENCODEDBY", {"E"}},
                                                {"URL", {"http://x"}},
                                                {"ORIGINALARTIST", {"O"}}}),
                                          {});
    id3::TagSet expected;
    expected.Title = "T \u00e9";
    expected.Artist = "A/B";  // several values in one ID3v2.3 text, as taggers join them
    expected.Album = "Al";
    expected.Genre = "Rock";
    expected.Comment = "one\ntwo";
    expected.Copyright = "(c)";
    expected.Composer = "C";
    expected.EncodedBy = "E";
    expected.Url = "http://x";
    expected.OriginalArtist = "O";
    EXPECT_EQ(tags.Id3v2, expected);
    EXPECT_EQ(tags.Id3v1, expected);
    EXPECT_TRUE(tags.Frames.empty());
    EXPECT_TRUE(tags.Dropped.empty());
}

TEST(Id3MappingTest, DatesGiveTheYearAndTheDayWhereKnown) {
    struct Case {
        Fields fields;
        std::string year;
        std::map<std::string, std::string> frames;
    };
    const std::vector<Case> cases = {
        {{{"DATE", {"2004-05-06"}}}, "2004", {{"TDAT", "0605"}}},
        {{{"DATE", {"2004-05-06T18:30:00Z"}}}, "2004", {{"TDAT", "0605"}, {"TIME", "1830"}}},
        {{{"DATE", {"2004"}}}, "2004", {}},
        {{{"DATE", {"2004-13-01"}}}, "2004", {}},
        {{{"DATE", {"May 2004"}}}, "May 2004", {}},
        {{{"YEAR", {"1999"}}}, "1999", {}},
        {{{"DATE", {"2001"}}, {"YEAR", {"1999"}}}, "2001", {}},
        {{{"ORIGINALDATE", {"1971-02-03"}}}, "", {{"TORY", "1971"}}},
    };
    for (const auto& c : cases) {
        const id3::SourceTags tags = MapToId3(Make(c.fields), {});
        EXPECT_EQ(tags.Id3v2.Year, c.year) << c.fields[0].second[0];
        EXPECT_EQ(FramesOf(tags), c.frames) << c.fields[0].second[0];
    }
}

TEST(Id3MappingTest, TrackAndDiscCarryTheirTotals) {
    struct Case {
        Fields fields;
        std::string track;
        std::string v1Track;
        std::string disc;
    };
    const std::vector<Case> cases = {
        {{{"TRACKNUMBER", {"4"}}, {"TRACKTOTAL", {"12"}}}, "4/12", "4", ""},
        {{{"TRACKNUMBER", {"4"}}, {"TOTALTRACKS", {"12"}}}, "4/12", "4", ""},
        {{{"TRACKNUMBER", {"4/12"}}, {"TRACKTOTAL", {"13"}}}, "4/12", "4", ""},
        {{{"TRACKTOTAL", {"12"}}}, "", "", ""},
        {{{"TRACKNUMBER", {"A1"}}}, "A1", "", ""},
        {{{"DISCNUMBER", {"1"}}, {"DISCTOTAL", {"2"}}}, "", "", "1/2"},
        {{{"DISCNUMBER", {"1"}}, {"TOTALDISCS", {"3"}}}, "", "", "1/3"},
        {{{"DISCNUMBER", {"2/2"}}}, "", "", "2/2"},
    };
    for (const auto& c : cases) {
        const id3::SourceTags tags = MapToId3(Make(c.fields), {});
        EXPECT_EQ(tags.Id3v2.Track, c.track) << c.fields[0].first;
        EXPECT_EQ(tags.Id3v1.Track, c.v1Track) << c.fields[0].first;
        const auto frames = FramesOf(tags);
        EXPECT_EQ(frames.count("TPOS") ? frames.at("TPOS") : "", c.disc) << c.fields[0].first;
    }
}

TEST(Id3MappingTest, EachCommonKeyGetsItsFrame) {
    const id3::SourceTags tags = MapToId3(Make({{"ALBUMARTIST", {"AA"}},
                                                {"LYRICS", {"l1\nl2"}},
                                                {"TITLESORT", {"ts"}},
                                                {"ALBUMSORT", {"as"}},
                                                {"ARTISTSORT", {"rs"}},
                                                {"ALBUMARTISTSORT", {"aas"}},
                                                {"COMPOSERSORT", {"cs"}},
                                                {"ISRC", {"USRC1"}},
                                                {"SUBTITLE", {"sub"}},
                                                {"CONDUCTOR", {"cond"}},
                                                {"LABEL", {"lab"}},
                                                {"GROUPING", {"g1"}},
                                                {"CONTENTGROUP", {"g2"}},
                                                {"MUSICBRAINZ_TRACKID", {"rec-1"}},
                                                {"MUSICBRAINZ_ALBUMID", {"alb-1"}},
                                                {"MUSICBRAINZ_ARTISTID", {"art-1"}},
                                                {"MUSICBRAINZ_ALBUMARTISTID", {"aar-1"}},
                                                {"MUSICBRAINZ_RELEASEGROUPID", {"rg-1"}},
                                                {"MUSICBRAINZ_RELEASETRACKID", {"rt-1"}},
                                                {"ACOUSTID_ID", {"ac-1"}},
                                                {"RELEASETYPE", {"album"}},
                                                {"My Key", {"v1", "v2"}},
                                                {"my key", {"v3"}}}),
                                          {});
    const std::map<std::string, std::string> expected = {
        {"TPE2", "AA"},
        {"USLT", "l1\nl2"},
        {"TSOT", "ts"},
        {"TSOA", "as"},
        {"TSOP", "rs"},
        {"TSO2", "aas"},
        {"TSOC", "cs"},
        {"TSRC", "USRC1"},
        {"TIT3", "sub"},
        {"TPE3", "cond"},
        {"TPUB", "lab"},
        {"TIT1", "g1"},
        {"TXXX:CONTENTGROUP", "g2"},  // TIT1 is taken already
        {"UFID:http://musicbrainz.org", "rec-1"},
        {"TXXX:MusicBrainz Album Id", "alb-1"},
        {"TXXX:MusicBrainz Artist Id", "art-1"},
        {"TXXX:MusicBrainz Album Artist Id", "aar-1"},
        {"TXXX:MusicBrainz Release Group Id", "rg-1"},
        {"TXXX:MusicBrainz Release Track Id", "rt-1"},
        {"TXXX:Acoustid Id", "ac-1"},
        {"TXXX:MusicBrainz Album Type", "album"},
        {"TXXX:My Key", "v1/v2/v3"},  // one key whatever its case, named as first spelt
    };
    EXPECT_EQ(FramesOf(tags), expected);
}

TEST(Id3MappingTest, FlagsAndNumbersTakeTheirId3Form) {
    struct Case {
        std::string key;
        std::string value;
        std::map<std::string, std::string> frames;
    };
    const std::vector<Case> cases = {
        {"COMPILATION", "1", {{"TCMP", "1"}}},   {"COMPILATION", "true", {{"TCMP", "1"}}},
        {"COMPILATION", "Yes", {{"TCMP", "1"}}}, {"COMPILATION", "0", {{"TCMP", "0"}}},
        {"COMPILATION", "no", {{"TCMP", "0"}}},  {"BPM", "120", {{"TBPM", "120"}}},
        {"BPM", "99.6", {{"TBPM", "100"}}},      {"BPM", "fast", {{"TXXX:BPM", "fast"}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FramesOf(MapToId3(Make({{c.key, {c.value}}}), {})), c.frames)
            << c.key << "=" << c.value;
    }
}

TEST(Id3MappingTest, ValuesAboutTheOldAudioAreDroppedWithTheirReason) {
    const id3::SourceTags tags = MapToId3(Make({{"REPLAYGAIN_TRACK_GAIN", {"-6 dB"}},
                                                {"replaygain_album_peak", {"0.9"}},
                                                {"R128_TRACK_GAIN", {"-512"}},
                                                {"iTunSMPB", {" 0 840"}},
                                                {"iTunNORM", {" 21A"}},
                                                {"ENCODER", {"Lavf"}},
                                                {"ENCODING", {"x"}},
                                                {"TITLE", {"kept"}}}),
                                          {});
    EXPECT_EQ(tags.Id3v2.Title, "kept");
    EXPECT_TRUE(tags.Frames.empty());
    const id3::DroppedFrames expected = {{"REPLAYGAIN_TRACK_GAIN", "describes the old audio"},
                                         {"replaygain_album_peak", "describes the old audio"},
                                         {"R128_TRACK_GAIN", "describes the old audio"},
                                         {"iTunSMPB", "describes the old audio"},
                                         {"iTunNORM", "describes the old audio"},
                                         {"ENCODER", "describes the old audio"},
                                         {"ENCODING", "describes the old audio"}};
    EXPECT_EQ(tags.Dropped, expected);
}

TEST(Id3MappingTest, PicturesKeepTypeMimeAndDescriptionWithinTheirBounds) {
    const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3};
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 4, 5};
    ReadOptions options;
    options.MaxPictureBytes = 100;
    options.MaxAllPictureBytes = 110;
    const id3::SourceTags tags =
        MapToId3(Make({}, {{3, "", "cover", jpeg},
                           {4, "image/png", "cover", png},
                           {0, "", "", {9, 9}},
                           {3, "image/png", "big", std::vector<uint8_t>(101)},
                           {5, "image/png", "x", std::vector<uint8_t>(100)},
                           {6, "image/png", "y", {}}}),
                 options);
    ASSERT_EQ(tags.Frames.size(), 3u);
    // encoding, MIME, 0, type, description, 0, data
    std::vector<uint8_t> first = {0};
    for (const char c : std::string("image/jpeg")) {
        first.push_back(static_cast<uint8_t>(c));
    }
    first.insert(first.end(), {0, 3, 'c', 'o', 'v', 'e', 'r', 0});
    first.insert(first.end(), jpeg.begin(), jpeg.end());
    EXPECT_EQ(tags.Frames[0], (id3::CarriedFrame{"APIC", first}));
    EXPECT_EQ(id3::FrameDescription(tags.Frames[1]), "cover (2)");  // one picture a description
    EXPECT_EQ(tags.Frames[1].Data[11], 4);
    EXPECT_EQ(id3::FrameDescription(tags.Frames[2]), "");
    const std::string mime(tags.Frames[2].Data.begin() + 1, tags.Frames[2].Data.begin() + 25);
    EXPECT_EQ(mime, "application/octet-stream");
    const id3::DroppedFrames expected = {
        {"APIC", "a picture of 101 bytes, above the limit of 100"},
        {"APIC", "a picture beyond the limit of 110 bytes for all pictures"},
        {"APIC", "a picture without data"}};
    EXPECT_EQ(tags.Dropped, expected);
}

TEST(Id3MappingTest, OverlongValuesAreDroppedNotCut) {
    ReadOptions options;
    options.MaxFieldBytes = 8;
    const id3::SourceTags tags = MapToId3(
        Make({{"TITLE", {"123456789"}}, {"ARTIST", {"12345678"}}, {"X", {"123456789"}}}), options);
    EXPECT_EQ(tags.Id3v2.Title, "");
    EXPECT_EQ(tags.Id3v2.Artist, "12345678");
    EXPECT_TRUE(tags.Frames.empty());
    const id3::DroppedFrames expected = {{"TITLE", "a value of 9 bytes, above the limit of 8"},
                                         {"X", "a value of 9 bytes, above the limit of 8"}};
    EXPECT_EQ(tags.Dropped, expected);
}

TEST(Id3MappingTest, ImagesAreKnownByTheirFirstBytes) {
    const std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
        {{0xFF, 0xD8, 0xFF, 0xDB}, "image/jpeg"},
        {{0x89, 'P', 'N', 'G', 13, 10}, "image/png"},
        {{'G', 'I', 'F', '8', '9', 'a'}, "image/gif"},
        {{'B', 'M', 0, 0}, "image/bmp"},
        {{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P'}, "image/webp"},
        {{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, ""},
        {{0xFF, 0xD8}, ""},
        {{}, ""}};
    for (const auto& [bytes, mime] : cases) {
        EXPECT_EQ(SniffImageMime(bytes), mime) << mime;
    }
}

}  // namespace
}  // namespace tags
