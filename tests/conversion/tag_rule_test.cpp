#include "tag_rule.h"

#include <gtest/gtest.h>

TEST(CarriesTags, OnlyAnMp3MadeFromAnMp3) {
    struct Case {
        const char* source;
        TargetFormat format;
        bool carries;
    };
    const Case cases[] = {
        {"/m/a.mp3", TargetFormat::Mp3, true},  {"/m/A.MP3", TargetFormat::Mp3, true},
        {"/m/a.Mp3", TargetFormat::Mp3, true},  {"/m/a.mp3", TargetFormat::Wav, false},
        {"/m/a.mp3", TargetFormat::Ac3, false}, {"/m/a.mp3", TargetFormat::Mpa, false},
        {"/m/a.wav", TargetFormat::Mp3, false}, {"/m/a.mp2", TargetFormat::Mp3, false},
        {"/m/a.mpa", TargetFormat::Mp3, false}, {"/m/a.mp3.wav", TargetFormat::Mp3, false},
        {"/m/a.ogg", TargetFormat::Mp3, false},
    };
    for (const Case& c : cases) {
        ConversionJob job;
        job.SourcePath = c.source;
        job.TargetPath = "/m/out.mp3";
        job.Format = c.format;
        job.SourceKind = SourceKindOf(c.source);
        EXPECT_EQ(CarriesTags(job), c.carries) << c.source << " " << static_cast<int>(c.format);
    }
    // The rule reads the job's own fields, not its path again.
    ConversionJob job;
    job.SourcePath = "/m/a.wav";
    job.Format = TargetFormat::Mp3;
    job.SourceKind = "MP3";
    EXPECT_TRUE(CarriesTags(job));
}
