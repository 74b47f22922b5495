#include "command_line.h"

#include <gtest/gtest.h>

#include "process.h"

namespace {

ConversionJob Job(const char* source, const char* target, TargetFormat format, int resample = 0,
                  bool normalise = false, bool six = false, std::int16_t bitrate = 0) {
    ConversionJob job;
    job.SourcePath = source;
    job.TargetPath = target;
    job.Format = format;
    job.SourceKind = SourceKindOf(source);
    job.ResampleChoice = resample;
    job.Normalise = normalise;
    job.SplitToSixWav = six;
    job.Bitrate = bitrate;
    return job;
}

}  // namespace

TEST(TranscoderCommandLine, WorkedExamples) {
    EXPECT_EQ(TranscoderCommandLine(Job("D:\\a.mp3", "D:\\a.wav", TargetFormat::Wav, 2, true)),
              " -core( -input \"D:\\a.mp3\" -output \"D:\\a.wav\" -2ch ) -ssrc( --rate 48000 "
              "--normalize ) ");
    EXPECT_EQ(TranscoderCommandLine(
                  Job("D:\\b.ac3", "D:\\b.mp3", TargetFormat::Mp3, 0, false, false, 192)),
              " -core( -input \"D:\\b.ac3\" -output \"D:\\b.mp3\" ) -azid( -d 3/2 ) -lame( -p "
              "--ta ? --alt-preset cbr 192 )");
    EXPECT_EQ(
        TranscoderCommandLine(Job("D:\\c.vob", "D:\\c.wav", TargetFormat::Wav, 0, false, true)),
        " -core( -input \"D:\\c.vob\" -output \"D:\\c.wav\" -6ch ) -azid( -d 3/2 ) -profile( "
        "AC3_to_Six_Waves_5.1 )");
    EXPECT_EQ(TranscoderCommandLine(
                  Job("D:\\d.wav", "D:\\d.mpa", TargetFormat::Mpa, 1, false, false, 384)),
              " -core( -input \"D:\\d.wav\" -output \"D:\\d.mpa\" ) -ssrc( --rate 48000 ) "
              "-mp2enc( -m s -b 384 -e )");
}

TEST(TranscoderCommandLine, EveryRowOfTheAssembly) {
    const std::string core = " -core( -input \"/m/x.EXT\" -output \"/m/x.out\"";
    struct Case {
        const char* source;
        TargetFormat format;
        bool six;
        std::string tail;  // everything after the core block
    };
    const Case cases[] = {
        {"/m/x.wav", TargetFormat::Wav, false, " -2ch )"},
        {"/m/x.wav", TargetFormat::Wav, true, " -2ch )"},  // six files only from AC3 or VOB
        {"/m/x.ac3", TargetFormat::Wav, true,
         " -6ch ) -azid( -d 3/2 ) -profile( AC3_to_Six_Waves_5.1 )"},
        {"/m/x.vob", TargetFormat::Wav, false, " -2ch ) -azid( -d 3/2 )"},
        {"/m/x.mp3", TargetFormat::Mp3, false, " ) -lame( -p --ta ? --alt-preset cbr 256 )"},
        {"/m/x.AC3", TargetFormat::Mp3, true,
         " ) -azid( -d 3/2 ) -lame( -p --ta ? --alt-preset cbr 256 )"},
        {"/m/x.ogg", TargetFormat::Ac3, false, " ) -ac3enc( -b 256 )"},
        {"/m/x.Vob", TargetFormat::Ac3, false, " ) -azid( -d 3/2 ) -ac3enc( -b 256 )"},
        {"/m/x.dts", TargetFormat::Mpa, false, " ) -mp2enc( -m s -b 256 -e )"},
        {"/m/x.ac3", TargetFormat::Mpa, false, " ) -azid( -d 3/2 ) -mp2enc( -m s -b 256 -e )"},
    };
    for (const Case& c : cases) {
        std::string source = c.source;
        ConversionJob job = Job(c.source, "/m/x.out", c.format, 0, true, c.six, 256);
        std::string expectedCore = core;
        expectedCore.replace(expectedCore.find("x.EXT"), 5, source.substr(3));
        EXPECT_EQ(TranscoderCommandLine(job), expectedCore + c.tail) << c.source;
    }
}

TEST(TranscoderCommandLine, OptionBlocks) {
    struct Case {
        TargetFormat format;
        int resample;
        bool normalise;
        std::string block;
    };
    const Case cases[] = {
        // WAV: two rates, the block ends in a blank; "unverändert" drops normalising.
        {TargetFormat::Wav, 0, true, ""},
        {TargetFormat::Wav, 1, false, " -ssrc( --rate 44100 ) "},
        {TargetFormat::Wav, 1, true, " -ssrc( --rate 44100 --normalize ) "},
        {TargetFormat::Wav, 2, false, " -ssrc( --rate 48000 ) "},
        {TargetFormat::Mp3, 0, true, ""},
        {TargetFormat::Mp3, 1, false, " -ssrc( --rate 44100 )"},
        {TargetFormat::Mp3, 1, true, " -ssrc( --rate 44100 --normalize )"},
        {TargetFormat::Ac3, 0, true, ""},
        {TargetFormat::Ac3, 1, true, " -ssrc( --rate 48000 --normalize )"},
        {TargetFormat::Mpa, 0, false, ""},
        {TargetFormat::Mpa, 1, false, " -ssrc( --rate 48000 )"},
    };
    for (const Case& c : cases) {
        const ConversionJob job =
            Job("/m/x.wav", "/m/y", c.format, c.resample, c.normalise, false, 128);
        const std::string text = TranscoderCommandLine(job);
        const std::string head = " -core( -input \"/m/x.wav\" -output \"/m/y\"";
        const std::string close = c.format == TargetFormat::Wav ? " -2ch )" : " )";
        ASSERT_EQ(text.rfind(head + close, 0), 0u) << text;
        const std::string rest = text.substr(head.size() + close.size());
        EXPECT_EQ(rest.substr(0, c.block.size()), c.block) << text;
        if (c.format == TargetFormat::Wav) {
            EXPECT_EQ(rest, c.block) << text;  // nothing follows the WAV option block
        } else {
            EXPECT_EQ(rest.find(" -ssrc", c.block.size()), std::string::npos) << text;
        }
    }
}

TEST(TranscoderCommandLine, EdgeCases) {
    // WAV "unverändert" with normalising: the text ends right after " -2ch )".
    EXPECT_EQ(TranscoderCommandLine(Job("/m/a.mp3", "/m/a.wav", TargetFormat::Wav, 0, true)),
              " -core( -input \"/m/a.mp3\" -output \"/m/a.wav\" -2ch )");
    // Upper- and lower-case AC3 sources are multichannel; DTS is not.
    for (const char* source : {"/m/X.AC3", "/m/x.ac3", "/m/x.vOb"}) {
        EXPECT_NE(TranscoderCommandLine(Job(source, "/m/y.mp3", TargetFormat::Mp3))
                      .find(" ) -azid( -d 3/2 )"),
                  std::string::npos)
            << source;
    }
    EXPECT_EQ(TranscoderCommandLine(Job("/m/x.dts", "/m/y.mp3", TargetFormat::Mp3)).find("azid"),
              std::string::npos);
    // MPA from a VOB file with 48 kHz and normalising.
    EXPECT_EQ(
        TranscoderCommandLine(Job("/m/v.vob", "/m/v.mpa", TargetFormat::Mpa, 1, true, false, 640)),
        " -core( -input \"/m/v.vob\" -output \"/m/v.mpa\" ) -azid( -d 3/2 ) -ssrc( --rate "
        "48000 --normalize ) -mp2enc( -m s -b 640 -e )");
    // Paths go in as they are, blanks and all.
    EXPECT_EQ(
        TranscoderCommandLine(Job("/My Music/a b.wav", "/My Music/a b_new.wav", TargetFormat::Wav)),
        " -core( -input \"/My Music/a b.wav\" -output \"/My Music/a b_new.wav\" -2ch )");
}

TEST(SourceKind, LastThreeCharactersInUpperCase) {
    EXPECT_EQ(SourceKindOf("/m/x.ac3"), "AC3");
    EXPECT_EQ(SourceKindOf("/m/x.flac"), "LAC");
    EXPECT_EQ(SourceKindOf("ab"), "AB");
    EXPECT_EQ(SourceKindOf(""), "");
    EXPECT_TRUE(IsMultichannelSource("VOB"));
    EXPECT_FALSE(IsMultichannelSource("vob"));  // the kind is always upper case
}

// The text and the words are one: for every name whose text is unambiguous (no double
// quote), the launcher's splitting of the text gives exactly the words the child gets, and
// behind the unquoted program path with blanks too. A name with a double quote still makes
// one word of its own; only its text no longer splits back into it.
TEST(TranscoderArguments, TheWordsAreWhatTheTextStandsFor) {
    const std::string names[] = {
        "a.mp3",
        "Blue Monday (12\" Version).mp3",
        "two \"quoted\" words.mp3",
        "ends in a quote\"",
        "line\nbreak.mp3",
        "car\rriage.mp3",
        "tab\there.mp3",
        "Simon & Garfunkel && more.mp3",
        "\xc3\x9c"
        "ber }r Stra\xc3\x9f"
        "e }b.mp3",
        "[2001] x.mp3",
        "[..]x.mp3",
        "-leading dash.mp3",
        "$HOME.mp3",
        "back`quote`.mp3",
        " -output x.mp3",
        "a  b .mp3",
        ")",
        "-core( -input x ).mp3",
        "trailing backslash\\",
        "Gr\xfc\xdf"
        "e.mp3",  // Latin-1 bytes, not UTF-8
        std::string(250, 'n') + ".mp3",
        "",
    };
    const std::string program = "/opt/My Apps/BeSweet.exe";
    const auto isExecutable = [&](const std::string& p) { return p == program; };
    for (const std::string& name : names) {
        for (const TargetFormat format : {TargetFormat::Wav, TargetFormat::Mp3}) {
            ConversionJob job = Job("", "", format, 1, true, false, 192);
            job.SourcePath = "/in dir/" + name;
            job.TargetPath = name + ".out";
            job.SourceKind = SourceKindOf(job.SourcePath);
            SCOPED_TRACE(name);
            const TranscoderArguments args = BuildTranscoderArguments(job);
            EXPECT_EQ(args.Text, TranscoderCommandLine(job));
            ASSERT_GE(args.Words.size(), 6u);
            EXPECT_EQ(args.Words[0], "-core(");
            EXPECT_EQ(args.Words[1], "-input");
            EXPECT_EQ(args.Words[2], job.SourcePath);
            EXPECT_EQ(args.Words[3], "-output");
            EXPECT_EQ(args.Words[4], job.TargetPath);
            if (name.find('"') != std::string::npos) {
                continue;
            }
            std::vector<std::string> split;
            for (const platform::CommandWord& w : platform::SplitCommandLine(args.Text)) {
                split.push_back(w.text);
            }
            EXPECT_EQ(split, args.Words);
            const auto resolved = platform::ResolveCommandLine(program + args.Text, isExecutable);
            ASSERT_TRUE(resolved);
            EXPECT_EQ(resolved->program, program);
            EXPECT_EQ(resolved->args, args.Words);
        }
    }
}

// Every shape of the assembly gives words that the text splits back into.
TEST(TranscoderArguments, EveryAssemblyRowSplitsBackIntoItsWords) {
    for (const char* source : {"/m/x.wav", "/m/x.ac3", "/m/x.VOB"}) {
        for (int format = 0; format <= 3; ++format) {
            for (int resample = 0; resample <= 2; ++resample) {
                for (const bool flag : {false, true}) {
                    const ConversionJob job =
                        Job(source, "/m/y.out", static_cast<TargetFormat>(format), resample, flag,
                            flag, 224);
                    const TranscoderArguments args = BuildTranscoderArguments(job);
                    std::vector<std::string> split;
                    for (const platform::CommandWord& w : platform::SplitCommandLine(args.Text)) {
                        split.push_back(w.text);
                    }
                    EXPECT_EQ(split, args.Words) << args.Text;
                }
            }
        }
    }
}
