#include "tag_rule.h"

#include <gtest/gtest.h>

TEST(TagRoute, Mp3ToMp3KeepsTheId3TransferEveryOtherTargetButAc3TakesTheLibrary) {
    struct Case {
        const char* source;
        TargetFormat format;
        TagRoute route;
    };
    const Case cases[] = {
        {"/m/a.mp3", TargetFormat::Mp3, TagRoute::Id3Transfer},
        {"/m/A.MP3", TargetFormat::Mp3, TagRoute::Id3Transfer},
        {"/m/a.Mp3", TargetFormat::Mp3, TagRoute::Id3Transfer},
        {"/m/a.mp3", TargetFormat::Wav, TagRoute::Library},
        {"/m/a.mp3", TargetFormat::Mpa, TagRoute::Library},
        {"/m/a.mp3", TargetFormat::Ac3, TagRoute::None},
        {"/m/a.mp2", TargetFormat::Mp3, TagRoute::Library},
        {"/m/a.mp3.wav", TargetFormat::Mp3, TagRoute::Library},
        {"/m/a.flac", TargetFormat::Mp3, TagRoute::Library},
        {"/m/a.m4a", TargetFormat::Wav, TagRoute::Library},
        {"/m/a.ogg", TargetFormat::Mpa, TagRoute::Library},
        {"/m/a.flac", TargetFormat::Ac3, TagRoute::None},
        {"/m/a.wav", TargetFormat::Ac3, TagRoute::None},
    };
    for (const Case& c : cases) {
        ConversionJob job;
        job.SourcePath = c.source;
        job.TargetPath = "/m/out";
        job.Format = c.format;
        job.SourceKind = SourceKindOf(c.source);
        EXPECT_EQ(TagRouteFor(job), c.route) << c.source << " " << static_cast<int>(c.format);
        EXPECT_EQ(CarriesTags(job), c.route != TagRoute::None) << c.source;
    }
    // The rule reads the job's own fields, not its path again.
    ConversionJob job;
    job.SourcePath = "/m/a.wav";
    job.Format = TargetFormat::Mp3;
    job.SourceKind = "MP3";
    EXPECT_EQ(TagRouteFor(job), TagRoute::Id3Transfer);
}
