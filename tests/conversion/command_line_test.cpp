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

// The guarantee behind IsSafeForCommandLine: a safe path comes back from the launcher's
// splitting as exactly one word, itself, in the place of -input or -output; the unsafe ones
// are those that would not.
TEST(IsSafeForCommandLine, SafePathsSurviveTheLaunchersSplittingUnchanged) {
    struct Case {
        std::string path;
        bool safe;
    };
    const Case cases[] = {
        {"/m/a.mp3", true},
        {"/My Music/a  b .mp3", true},
        {"/m/-core( -input x ).wav", true},
        {"-leading dash.wav", true},
        {"/m/trailing backslash\\", true},
        {"/m/\xc3\xa4\xc3\xb6\xc3\xbc \xe2\x82\xac.wav", true},  // umlauts and the euro sign
        {"/m/Gr\xfc\xdf"
         "e.wav",
         true},  // Latin-1 bytes
        {"/m/(.wav", true},
        {"/m/a\" -output \"/home/u/.bashrc\" \"x.wav", false},
        {"/m/a\".wav", false},
        {"\"", false},
        {"", false},
        {")", false},
        {"/m/new\nline.wav", false},
        {"/m/carriage\rreturn.wav", false},
        {"/m/tab\t.wav", false},
        {std::string("/m/nul\0.wav", 11), false},
        {"/m/escape\x1b.wav", false},
        {"/m/delete\x7f.wav", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsSafeForCommandLine(c.path), c.safe) << c.path;
        ConversionJob job;
        job.SourcePath = c.path;
        job.TargetPath = "/out/t.mp3";
        job.Format = TargetFormat::Mp3;
        job.SourceKind = SourceKindOf(c.path);
        job.Bitrate = 128;
        std::vector<std::string> words;
        for (const platform::CommandWord& w :
             platform::SplitCommandLine(TranscoderCommandLine(job))) {
            words.push_back(w.text);
        }
        const bool survives = words.size() == 14 && words[1] == "-input" && words[2] == c.path &&
                              words[3] == "-output" && words[4] == "/out/t.mp3" && words[5] == ")";
        if (c.safe) {
            EXPECT_TRUE(survives) << c.path;
        } else if (c.path.find('"') != std::string::npos) {
            EXPECT_FALSE(survives) << c.path;
        }
    }
}
