// Damaged sources: cut off, holed in the middle, or shorter than their headers promise. The
// transcoder converts what decodes, says what it lost and where in one line each, and exits
// 0; with --strict it refuses them. Hostile headers end quickly with bounded output and
// memory. Inputs that are scripts or playlists naming other files are never followed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <sstream>

#include "../support/media_cache.h"
#include "cli_run.h"
#include "frame_header.h"
#include "media_probe.h"

namespace {

namespace fs = std::filesystem;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The "at N s" of each warning line, in order.
std::vector<double> PlacesOf(const std::vector<std::string>& lines) {
    std::vector<double> places;
    const std::regex at(" at ([0-9.]+) s could not be decoded$");
    for (const std::string& line : lines) {
        std::smatch match;
        if (std::regex_search(line, match, at)) {
            places.push_back(std::stod(match[1]));
        }
    }
    return places;
}

// The sum of the "N s at" of each warning line.
double LostSeconds(const std::vector<std::string>& lines) {
    double lost = 0.0;
    const std::regex seconds("': (the file is cut off: )?([0-9.]+) s at ");
    for (const std::string& line : lines) {
        std::smatch match;
        if (std::regex_search(line, match, seconds)) {
            lost += std::stod(match[2]);
        }
    }
    return lost;
}

// 10-second sources, made with ffmpeg; each is a constant-bitrate stream, so a byte offset
// tells the time. `frame` is the length of one frame in seconds.
struct Source {
    std::string recipe;
    double frame;
};
const std::map<std::string, Source> kSources = {
    {"tone.mp3",
     {"-f lavfi -i sine=f=440:d=10:r=44100 -ac 2 -c:a libmp3lame -b:a 128k", 1152.0 / 44100}},
    {"tone.mp2", {"-f lavfi -i sine=f=440:d=10:r=48000 -ac 2 -c:a mp2 -b:a 192k", 1152.0 / 48000}},
    {"tone.ac3", {"-f lavfi -i sine=f=440:d=10:r=48000 -ac 2 -c:a ac3 -b:a 192k", 1536.0 / 48000}},
    {"tone.wav", {"-f lavfi -i sine=f=440:d=10:r=44100 -ac 2 -c:a pcm_s16le", 1.0 / 44100}},
};

class BeSweetDamage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/besweet-damage-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        for (const auto& [name, source] : kSources) {
            ASSERT_EQ(testing_support::MakeMedia(source.recipe, folder_ + "/" + name), 0) << name;
        }
    }
    static void TearDownTestSuite() { fs::remove_all(folder_); }

    static std::string Path(const std::string& name) { return folder_ + "/" + name; }

    static RunResult Convert(const std::string& input, const std::string& output,
                             const std::vector<std::string>& extra = {}) {
        std::vector<std::string> words = {kTranscoder, "-core(", "-input", input,
                                          "-output",   output,   ")"};
        words.insert(words.end(), extra.begin(), extra.end());
        return Spawn(words, folder_);
    }

    static std::string folder_;
};

std::string BeSweetDamage::folder_;

// Every kind of damage in every bare format: the output holds what decodes (within one
// frame of what FFmpeg's own decoding of the damaged file gives), one warning line per
// damaged stretch names the file and places the stretch, and the exit status is 0.
TEST_F(BeSweetDamage, DamagedSourcesConvertWhatDecodesWithOneLinePerDamage) {
    std::mt19937 random(23);
    std::uniform_int_distribution<int> byte(0, 255);
    struct Case {
        std::string name;    // the damaged file
        std::string source;  // made from
        std::string bytes;
        std::vector<std::string> expected;  // a part of each warning line, in order
        std::vector<double> places;         // where the stretches lie, in seconds
    };
    std::vector<Case> cases;
    for (const auto& [name, source] : kSources) {
        const std::string whole = ReadFile(Path(name));
        const std::string ext = name.substr(name.find('.'));
        const bool wav = ext == ".wav";
        // The last 100 bytes missing: a cut download.
        cases.push_back(
            {"cut" + ext,
             name,
             whole.substr(0, whole.size() - 100),
             {wav ? "the file is truncated: the header promises 10.00" : "the file is cut off: "},
             {}});
        if (!wav) {
            cases.back().places = {10.0 - source.frame};
        }
        // Three stretches of 1,000 random bytes at a quarter, half and three quarters. PCM
        // has no structure to tell noise from sound: a holed WAV converts without a word.
        std::string holed = whole;
        Case holes{"holed" + ext, name, {}, {}, {}};
        for (const double share : {0.25, 0.5, 0.75}) {
            const std::size_t at =
                static_cast<std::size_t>(share * static_cast<double>(whole.size()));
            for (std::size_t i = at; i < at + 1000; ++i) {
                holed[i] = static_cast<char>(byte(random));
            }
            if (!wav) {
                holes.expected.push_back(" could not be decoded");
                holes.places.push_back(share * 10.0);
            }
        }
        holes.bytes = holed;
        cases.push_back(holes);
    }
    // Shorter than the header says: a WAV data chunk that promises twice its bytes, and an
    // MP3 whose info frame counts twice the frames the file holds.
    {
        std::string wav = ReadFile(Path("tone.wav"));
        const std::size_t data = wav.find("data");
        ASSERT_NE(data, std::string::npos);
        std::uint32_t size = 0;
        std::memcpy(&size, wav.data() + data + 4, 4);
        size *= 2;
        std::memcpy(wav.data() + data + 4, &size, 4);
        cases.push_back(
            {"short.wav",
             "tone.wav",
             wav,
             {"the file is truncated: the header promises 20.00 s, 10.00 s are present"},
             {}});
        const std::string mp3 = ReadFile(Path("tone.mp3"));
        cases.push_back({"short.mp3",
                         "tone.mp3",
                         mp3.substr(0, mp3.size() / 2),
                         {"the file is truncated: the header promises 10.0"},
                         {}});
    }
    for (const Case& c : cases) {
        const std::string input = Path(c.name);
        WriteFile(input, c.bytes);
        const std::string output = Path("out.wav");
        const RunResult run = Convert(input, output);
        EXPECT_EQ(run.status, 0) << c.name << "\n" << run.err;
        const std::vector<std::string> lines = Lines(run.err);
        ASSERT_EQ(lines.size(), c.expected.size()) << c.name << "\n" << run.err;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_TRUE(lines[i].starts_with("BeSweet.exe: warning: '" + input + "': "))
                << lines[i];
            EXPECT_NE(lines[i].find(c.expected[i]), std::string::npos) << lines[i];
        }
        const std::vector<double> places = PlacesOf(lines);
        ASSERT_EQ(places.size(), c.places.size()) << c.name << "\n" << run.err;
        for (std::size_t i = 0; i < places.size(); ++i) {
            EXPECT_NEAR(places[i], c.places[i], 0.15) << c.name << "\n" << run.err;
        }
        // At least what FFmpeg's own decoding of the damaged file gives (more, for AC-3: the
        // frames its parser joins to a damaged one are decoded one by one), and what was
        // lost adds up to what is missing.
        const double frame = kSources.at(c.source).frame;
        const double out = DecodedSeconds(output);
        EXPECT_GE(out, DecodedSeconds(input) - frame - 0.0001) << c.name;
        if (!places.empty()) {
            const double original = DecodedSeconds(Path(c.source));
            EXPECT_NEAR(out + LostSeconds(lines), original, places.size() * frame + 0.02)
                << c.name << "\n"
                << run.err;
        }
        fs::remove(output);
        fs::remove(input);
    }
}

// How long a stretch is: the lost time adds up to what the decoding lost, for streams whose
// damaged packets span several frames (AC-3) or frames whose bits lean on earlier ones (MP3).
TEST_F(BeSweetDamage, LostTimeAddsUpToWhatIsMissing) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> byte(0, 255);
    for (const std::string name : {"tone.mp3", "tone.mp2", "tone.ac3"}) {
        std::string bytes = ReadFile(Path(name));
        for (const double share : {0.3, 0.6}) {
            const std::size_t at =
                static_cast<std::size_t>(share * static_cast<double>(bytes.size()));
            for (std::size_t i = at; i < at + 3000; ++i) {
                bytes[i] = static_cast<char>(byte(random));
            }
        }
        const std::string input = Path("holes-" + name);
        WriteFile(input, bytes);
        const RunResult run = Convert(input, Path("out.wav"));
        EXPECT_EQ(run.status, 0) << name << "\n" << run.err;
        const std::vector<std::string> lines = Lines(run.err);
        EXPECT_EQ(lines.size(), 2u) << run.err;
        const double lost = LostSeconds(lines);
        const double missing = DecodedSeconds(Path(name)) - DecodedSeconds(Path("out.wav"));
        EXPECT_GT(missing, 0.0) << name;
        EXPECT_NEAR(lost, missing, 2 * kSources.at(name).frame + 0.02) << name << "\n" << run.err;
    }
}

// A source damaged all over says so in nine lines: eight stretches, and the rest summed up.
TEST_F(BeSweetDamage, StretchesPastTheEighthAreSummedUp) {
    std::mt19937 random(20);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes = ReadFile(Path("tone.mp2"));
    for (int hole = 1; hole <= 20; ++hole) {
        const std::size_t at = bytes.size() * static_cast<std::size_t>(hole) / 22;
        for (std::size_t i = at; i < at + 700; ++i) {  // more than a frame: hits a header
            bytes[i] = static_cast<char>(byte(random));
        }
    }
    WriteFile(Path("riddled.mp2"), bytes);
    const RunResult run = Convert(Path("riddled.mp2"), Path("out.wav"));
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.err);
    ASSERT_EQ(lines.size(), 9u) << run.err;
    EXPECT_EQ(PlacesOf(lines).size(), 8u) << run.err;
    EXPECT_NE(lines[8].find("': 12 more damaged stretches, "), std::string::npos) << lines[8];
    EXPECT_TRUE(lines[8].ends_with(" in all, could not be decoded")) << lines[8];
}

// --strict keeps the refusal: one error line, exit 1, no output, and an older file of the
// output's name untouched. Random bytes are refused either way.
TEST_F(BeSweetDamage, StrictRefusesDamageAndRandomBytesAreNeverAudio) {
    const std::string mp3 = ReadFile(Path("tone.mp3"));
    WriteFile(Path("cut.mp3"), mp3.substr(0, mp3.size() - 100));
    std::mt19937 random(99);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string mostlyNoise = mp3;
    for (std::size_t i = mostlyNoise.size() / 4; i < mostlyNoise.size(); ++i) {
        mostlyNoise[i] = static_cast<char>(byte(random));
    }
    WriteFile(Path("noise.mp3"), mostlyNoise);
    struct Row {
        std::string input;
        std::vector<std::string> extra;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"cut.mp3", {"--strict"}, "cut.mp3': the file is cut off: "},
        {"cut.mp3",
         {"-ssrc(", "--rate", "48000", "--normalize", ")", "--strict"},
         "cut.mp3': the file is cut off: "},
        {"noise.mp3", {}, "noise.mp3': not an audio file: only "},
        {"noise.mp3", {"--strict"}, "noise.mp3': not an audio file: only "},
    };
    for (const Row& row : rows) {
        const std::string output = Path("kept.wav");
        WriteFile(output, "older");
        const RunResult run = Convert(Path(row.input), output, row.extra);
        EXPECT_EQ(run.status, 1) << row.input;
        const std::vector<std::string> lines = Lines(run.err);
        ASSERT_EQ(lines.size(), 1u) << run.err;
        EXPECT_TRUE(lines[0].starts_with("BeSweet.exe: '")) << lines[0];
        EXPECT_NE(lines[0].find(row.expected), std::string::npos) << lines[0];
        EXPECT_EQ(ReadFile(output), "older");
    }
}

// A file under an audio name that is a playlist or script naming a file beside it is not
// followed: the file beside it would be converted in its stead.
TEST_F(BeSweetDamage, PlaylistsAndScriptsAreNeverFollowed) {
    fs::copy_file(Path("tone.wav"), Path("beside.wav"), fs::copy_options::overwrite_existing);
    fs::copy_file(Path("tone.mp3"), Path("beside.mp3"), fs::copy_options::overwrite_existing);
    const std::vector<std::pair<std::string, std::string>> scripts = {
        {"concat.wav", "ffconcat version 1.0\nfile beside.wav\n"},
        {"concat-abs.mp3", "ffconcat version 1.0\nfile '" + Path("beside.mp3") + "'\n"},
        {"hls.mp3",
         "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:10\n#EXT-X-MEDIA-SEQUENCE:0\n"
         "#EXTINF:10.0,\nbeside.mp3\n#EXT-X-ENDLIST\n"},
        {"hls.ac3", "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10.0,\nbeside.mp3\n"},
        {"dash.ogg",
         "<?xml version=\"1.0\"?>\n<MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\" "
         "type=\"static\" mediaPresentationDuration=\"PT10S\"><Period><AdaptationSet>"
         "<Representation id=\"a\" bandwidth=\"128000\"><BaseURL>beside.mp3</BaseURL>"
         "</Representation></AdaptationSet></Period></MPD>\n"},
        {"list.mpa", "[playlist]\nFile1=beside.mp3\nNumberOfEntries=1\n"},
        {"list.vob", "#EXTM3U\n#EXTINF:10,x\nbeside.mp3\n"},
    };
    for (const auto& [name, text] : scripts) {
        WriteFile(Path(name), text);
        const std::string output = Path("followed.wav");
        const RunResult run = Convert(Path(name), output);
        EXPECT_EQ(run.status, 1) << name << ": " << run.err;
        EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
        EXPECT_TRUE(run.err.starts_with("BeSweet.exe: '" + Path(name) + "': ")) << run.err;
        EXPECT_FALSE(fs::exists(output)) << name;
    }
}

// Headers that promise far more than the file holds cost neither memory nor time: a WAV
// that promises 4 GiB of 8-channel 384 kHz audio and holds a tenth of a second, and 200,000
// tiny MP3 frames (four hours of 8 kHz audio in 14 MB).
TEST_F(BeSweetDamage, HostileHeadersEndWithBoundedOutputAndMemory) {
    // The WAV: WAVE_FORMAT_PCM, 8 channels, 384,000 Hz, 16 bits; the data chunk promises
    // 0xFFFFFFF0 bytes (0xFFFFFFFF would mean "open", as streaming writers leave it).
    auto le = [](std::uint32_t v, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i) {
            out += static_cast<char>((v >> (8 * i)) & 0xFF);
        }
        return out;
    };
    const std::uint32_t rate = 384000;
    const std::uint32_t channels = 8;
    const std::size_t present = rate / 10 * channels * 2;
    std::string wav = "RIFF" + le(0xFFFFFFF8u, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) +
                      le(channels, 2) + le(rate, 4) + le(rate * channels * 2, 4) +
                      le(channels * 2, 2) + le(16, 2) + "data" + le(0xFFFFFFF0u, 4);
    for (std::size_t i = 0; i < present / 2; ++i) {
        const auto v = static_cast<std::uint16_t>((i * 2654435761u) >> 20);
        wav += le(v, 2);
    }
    WriteFile(Path("huge.wav"), wav);

    // One frame of MPEG-2.5 layer III, 8 kbit/s at 8 kHz (72 bytes), 200,000 times.
    const std::string made = Path("frame.mp3");
    ASSERT_EQ(testing_support::MakeMedia("-f lavfi -i anullsrc=r=8000:cl=mono -t 1 -c:a libmp3lame "
                                         "-b:a 8k -write_xing 0 -id3v2_version 0",
                                         made),
              0);
    const std::string stream = ReadFile(made);
    const auto* head = reinterpret_cast<const std::uint8_t*>(stream.data());
    const std::size_t frameSize = transcoder::MpegAudioFrameSize(head, stream.size());
    ASSERT_GT(frameSize, 0u);
    ASSERT_LE(frameSize, 80u);
    std::string frames;
    frames.reserve(frameSize * 200000);
    for (int i = 0; i < 200000; ++i) {
        frames.append(stream, 0, frameSize);
    }
    WriteFile(Path("tiny.mp3"), frames);
    const double tinySeconds = 200000 * 576 / 8000.0;

    struct Row {
        std::string input;
        std::string warning;
        double seconds;
        std::uintmax_t maxBytes;
    };
    const std::vector<Row> rows = {
        {"huge.wav", "the header promises 699.05 s, 0.10 s are present", 0.1, present + 4096},
        {"tiny.mp3", "", tinySeconds, static_cast<std::uintmax_t>(tinySeconds * 8000 * 2) + 4096},
    };
    for (const Row& row : rows) {
        const std::string output = Path("bounded.wav");
        const RunResult run = Convert(Path(row.input), output);
        EXPECT_EQ(run.status, 0) << row.input << "\n" << run.err;
        if (row.warning.empty()) {
            EXPECT_EQ(run.err, "") << row.input;
        } else {
            EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
            EXPECT_NE(run.err.find(row.warning), std::string::npos) << run.err;
        }
        EXPECT_LT(run.maxRssKiB, 64 * 1024) << row.input;
        EXPECT_LE(fs::file_size(output), row.maxBytes) << row.input;
        EXPECT_NEAR(DecodedSeconds(output), row.seconds, 0.08) << row.input;
        fs::remove(output);
    }
}

}  // namespace
