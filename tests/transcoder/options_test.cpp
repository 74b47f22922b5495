#include "options.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "process.h"

namespace transcoder {
namespace {

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    for (const platform::CommandWord& w : platform::SplitCommandLine(text)) {
        words.push_back(w.text);
    }
    return words;
}

Options Make(Target target, ChannelSwitch channels, bool azid, int rate, bool normalize,
             int bitrate, bool crc, bool six, std::string in, std::string out) {
    Options o;
    o.input = std::move(in);
    o.output = std::move(out);
    o.target = target;
    o.channels = channels;
    o.allChannels = azid;
    o.rate = rate;
    o.normalize = normalize;
    o.bitrate = bitrate;
    o.crc = crc;
    o.sixWaves = six;
    return o;
}

// Every row of the calling program's assembly table, with the words its launcher splits.
TEST(ParseOptions, AcceptsEveryArgumentTextTheProgramBuilds) {
    using enum Target;
    const ChannelSwitch none = ChannelSwitch::None;
    const ChannelSwitch two = ChannelSwitch::Stereo;
    const ChannelSwitch six = ChannelSwitch::Six;
    struct Row {
        std::string text;
        Options expected;
    };
    const std::vector<Row> rows = {
        {R"( -core( -input "/m/a b.mp3" -output "/m/a b.wav" -2ch ) -ssrc( --rate 48000 --normalize ) )",
         Make(Wav, two, false, 48000, true, 0, false, false, "/m/a b.mp3", "/m/a b.wav")},
        {R"( -core( -input "/m/a.mp3" -output "/m/a.wav" -2ch ))",
         Make(Wav, two, false, 0, false, 0, false, false, "/m/a.mp3", "/m/a.wav")},
        {R"( -core( -input "/m/c.vob" -output "/m/c.wav" -6ch ) -azid( -d 3/2 ) -ssrc( --rate 44100 )  -profile( AC3_to_Six_Waves_5.1 ))",
         Make(Wav, six, true, 44100, false, 0, false, true, "/m/c.vob", "/m/c.wav")},
        {R"( -core( -input "/m/c.ac3" -output "/m/c.wav" -2ch ) -azid( -d 3/2 ))",
         Make(Wav, two, true, 0, false, 0, false, false, "/m/c.ac3", "/m/c.wav")},
        {R"( -core( -input "/m/a.wav" -output "/m/a.mp3" ) -ssrc( --rate 44100 --normalize ) -lame( -p --ta ? --alt-preset cbr 320 ))",
         Make(Mp3, none, false, 44100, true, 320, true, false, "/m/a.wav", "/m/a.mp3")},
        {R"( -core( -input "/m/b.ac3" -output "/m/b.mp3" ) -azid( -d 3/2 ) -lame( -p --ta ? --alt-preset cbr 192 ))",
         Make(Mp3, none, true, 0, false, 192, true, false, "/m/b.ac3", "/m/b.mp3")},
        {R"( -core( -input "/m/a.dts" -output "/m/a.ac3" ) -ac3enc( -b 640 ))",
         Make(Ac3, none, false, 0, false, 640, false, false, "/m/a.dts", "/m/a.ac3")},
        {R"( -core( -input "/m/a.vob" -output "/m/a.ac3" ) -azid( -d 3/2 ) -ssrc( --rate 48000 ) -ac3enc( -b 448 ))",
         Make(Ac3, none, true, 48000, false, 448, false, false, "/m/a.vob", "/m/a.ac3")},
        {R"( -core( -input "/m/d.wav" -output "/m/d.mpa" ) -ssrc( --rate 48000 ) -mp2enc( -m s -b 384 -e ))",
         Make(Mpa, none, false, 48000, false, 384, true, false, "/m/d.wav", "/m/d.mpa")},
        {R"( -core( -input "/m/x.VOB" -output "/m/x_new.mpa" ) -azid( -d 3/2 ) -ssrc( --rate 48000 --normalize ) -mp2enc( -m s -b 640 -e ))",
         Make(Mpa, none, true, 48000, true, 640, true, false, "/m/x.VOB", "/m/x_new.mpa")},
    };
    for (const Row& row : rows) {
        const Result<Options> result = ParseOptions(Words(row.text));
        ASSERT_TRUE(result.ok()) << row.text << "\n" << result.reason();
        EXPECT_EQ(*result, row.expected) << row.text;
    }
}

TEST(ParseOptions, AcceptsShellWordsWithSeparateParentheses) {
    const std::vector<std::vector<std::string>> calls = {
        {"-core", "(", "-input", "in.mp3", "-output", "out.mp3", ")", "-lame", "(", "-p", "--ta",
         "?", "--alt-preset", "cbr", "128", ")"},
        {"-core(", "-input", "in.mp3", "-output", "out.mp3", ")", "-lame", "(", "--alt-preset",
         "cbr", "128", "-p", ")"},
    };
    for (const auto& words : calls) {
        const Result<Options> result = ParseOptions(words);
        ASSERT_TRUE(result.ok()) << result.reason();
        EXPECT_EQ(result->target, Target::Mp3);
        EXPECT_EQ(result->bitrate, 128);
        EXPECT_TRUE(result->crc);
        EXPECT_EQ(result->output, "out.mp3");
    }
    // "--progress" may stand before, between or after the modules.
    for (const char* text : {"--progress -core( -input a -output b )",
                             "-core( -input a -output b ) --progress -ssrc( --rate 48000 )",
                             "-core( -input a -output b ) --progress"}) {
        const Result<Options> result = ParseOptions(Words(text));
        ASSERT_TRUE(result.ok()) << text << "\n" << result.reason();
        EXPECT_TRUE(result->progressLines) << text;
    }
    EXPECT_FALSE(ParseOptions(Words("-core( -input a -output b )"))->progressLines);
    // A path that looks like a parenthesis or a module is still a path.
    const Result<Options> odd = ParseOptions({"-core(", "-input", "(", "-output", "-x(", ")"});
    ASSERT_TRUE(odd.ok()) << odd.reason();
    EXPECT_EQ(odd->input, "(");
    EXPECT_EQ(odd->output, "-x(");
}

TEST(ParseOptions, RejectsWhatItDoesNotKnowWithTheReason) {
    struct Row {
        std::string text;
        std::string errorPart;
    };
    const std::vector<Row> rows = {
        {"", "no input file"},
        {R"(-core( -output "o.wav" ))", "no input file"},
        {R"(-core( -input "i.wav" ))", "no output file"},
        {R"(-core( -input "i.wav" -output "o.wav" -3ch ))", "unknown option '-3ch'"},
        {R"(-core( -input "i.wav" -output "o.wav" ) -foo( ))", "unknown module '-foo('"},
        {R"(-core( -input "i.wav" -output "o.wav" )", "not closed"},
        {R"(-core( -input "i.wav" -output ))", "needs a value"},
        {R"(-core( -input "i.wav" -output "o.wav" ) stray)", "unexpected word 'stray'"},
        {R"(-core( -input "i" -output "o" ) -ssrc( --rate fast ))", "not 'fast'"},
        {R"(-core( -input "i" -output "o" ) -ssrc( --rate 100 ))", "at least 8000"},
        {R"(-core( -input "i" -output "o" ) -azid( -d 2/0 ))", "-d 2/0"},
        {R"(-core( -input "i" -output "o" ) -lame( --alt-preset vbr 5 ))", "'vbr'"},
        {R"(-core( -input "i" -output "o" ) -lame( -p ))", "needs a bitrate"},
        {R"(-core( -input "i" -output "o" ) -mp2enc( -m q -b 192 ))", "not 'q'"},
        {R"(-core( -input "i" -output "o" ) -ac3enc( -b 192 ) -lame( --alt-preset cbr 128 ))",
         "only one of"},
        {R"(-core( -input "i" -output "o" ) -ssrc( ) -ssrc( ))", "given twice"},
        // A source path that split into more words must not pick the file to be written.
        {R"(-core( -input "/m/a" -output "/home/u/.bashrc" "x.wav" -output "/m/a.wav" ))",
         "unknown option 'x.wav'"},
        {R"(-core( -input "/m/a" -output "/m/victim.wav" -output "/m/a.wav" -2ch ))",
         "option -output of -core( is given twice"},
        {R"(-core( -input "/m/a" -input "/m/b" -output "/m/a.wav" ))",
         "option -input of -core( is given twice"},
        {R"(-core( -input "i" -output "o" ) --progress stray)", "unexpected word 'stray'"},
        {R"(-core( -input "i" -output "o" ) --help)", "unexpected word '--help'"},
        {R"(-core( -input "i" -output "o" --strict ))", "unknown option '--strict'"},
        {R"(-core( -input "i" -output "o" ) -profile( Other ))", "unknown profile 'Other'"},
        {R"(-core( -input "i" -output "o" -6ch ) -lame( --alt-preset cbr 128 ))", "-6ch needs"},
        {R"(-core( -input "i" -output "o" ) -profile( AC3_to_Six_Waves_5.1 ) -ac3enc( -b 448 ))",
         "writes WAV files"},
    };
    for (const Row& row : rows) {
        const Result<Options> result = ParseOptions(Words(row.text));
        EXPECT_FALSE(result.ok()) << row.text;
        EXPECT_NE(result.reason().find(row.errorPart), std::string::npos) << row.text << "\n"
                                                                          << result.reason();
    }
}

// --strict and --progress stand between modules, anywhere, in any order.
TEST(ParseOptions, StrictAndProgressAreWordsBetweenModules) {
    for (const std::string text :
         {R"(--strict -core( -input "i" -output "o" ))",
          R"(-core( -input "i" -output "o" ) --progress --strict)",
          R"(-core( -input "i" -output "o" ) --strict -2ch-( ) --progress)"}) {
        const Result<Options> result = ParseOptions(Words(text));
        if (text.find("-2ch-(") != std::string::npos) {
            EXPECT_FALSE(result) << text;
            continue;
        }
        ASSERT_TRUE(result) << text << "\n" << result.reason();
        EXPECT_TRUE(result->strict) << text;
        EXPECT_EQ(result->progressLines, text.find("--progress") != std::string::npos);
    }
    const Result<Options> plain = ParseOptions(Words(R"(-core( -input "i" -output "o" ))"));
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->strict);
}

// --help and -h show every module and option the parser takes; --version one line; any
// other call is a conversion, even one that holds these words later on.
TEST(InfoText, HelpNamesEveryOptionTheParserTakes) {
    for (const std::string word : {"--help", "-h"}) {
        const std::optional<std::string> help = InfoText({word});
        ASSERT_TRUE(help) << word;
        for (const char* option : {"-core(",
                                   "-input",
                                   "-output",
                                   "-2ch",
                                   "-6ch",
                                   "-azid(",
                                   "-d 3/2",
                                   "-ssrc(",
                                   "--rate",
                                   "--normalize",
                                   "-lame(",
                                   "-p",
                                   "--ta",
                                   "--alt-preset cbr",
                                   "-ac3enc(",
                                   "-b N",
                                   "-mp2enc(",
                                   "-m s|j|d",
                                   "-e",
                                   "-profile(",
                                   "AC3_to_Six_Waves_5.1",
                                   "--progress",
                                   "--strict",
                                   "--version"}) {
            EXPECT_NE(help->find(option), std::string::npos) << option;
        }
        EXPECT_TRUE(help->ends_with("\n"));
    }
    const std::optional<std::string> version = InfoText({"--version"});
    ASSERT_TRUE(version);
    EXPECT_TRUE(version->starts_with("BeSweet.exe " TONQUELL_TEST_VERSION " ")) << *version;
    EXPECT_EQ(std::count(version->begin(), version->end(), '\n'), 1);
    EXPECT_FALSE(InfoText({}));
    EXPECT_FALSE(InfoText(Words(R"(-core( -input "i" -output "o" ) --help)")));
    EXPECT_FALSE(InfoText({"--helpme"}));
}

}  // namespace
}  // namespace transcoder
