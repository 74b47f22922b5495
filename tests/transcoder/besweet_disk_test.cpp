// The transcoder on a disk that fills up or a folder that turns read-only: it fails with one
// line, the output it would have replaced keeps its old bytes, and no temporary file is left.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "../support/media_cache.h"
#include "../support/small_disk.h"
#include "../support/temp_dir.h"
#include "cli_run.h"

namespace {

using testing_support::Names;
using testing_support::SmallDisk;
using testing_support::TempDir;
using testing_support::WriteFile;

}  // namespace

TEST(FullDisk, TheOldOutputStaysWholeWhenTheNewOneDoesNotFit) {
    TempDir dir;
    const SmallDisk disk(dir.Path() / "disk", 256 * 1024);
    if (!disk.Mounted()) {
        GTEST_SKIP() << "no right to mount a small disk here";
    }
    // 3 s of stereo at 44.1 kHz is 529 kB as WAV: more than the disk holds.
    const std::string source = dir.File("a.mp3");
    ASSERT_EQ(testing_support::MakeMedia(
                  "-f lavfi -i sine=f=440:d=3:r=44100 -ac 2 -c:a libmp3lame -b:a 128k", source),
              0);
    const std::string old = "the previous output";
    struct Case {
        const char* name;
        std::string target;
        bool readOnly;
    };
    for (const Case& c : {Case{"full disk, WAV", disk.File("a.wav"), false},
                          Case{"full disk, six files", disk.File("b.wav"), false},
                          Case{"read-only folder, MP3", disk.File("a.mp3"), true}}) {
        SCOPED_TRACE(c.name);
        WriteFile(c.target, old);
        std::vector<std::string> words = {kTranscoder, "-core(",  "-input",
                                          source,      "-output", c.target};
        if (std::string(c.name).find("six") != std::string::npos) {
            words.insert(words.end(), {"-6ch", ")", "-azid(", "-d", "3/2", ")", "-profile(",
                                       "AC3_to_Six_Waves_5.1", ")"});
        } else {
            words.push_back(c.readOnly ? ")" : "-2ch");
            if (!c.readOnly) {
                words.push_back(")");
            }
        }
        const auto before = Names(disk.Folder());
        if (c.readOnly) {
            ASSERT_TRUE(disk.SetReadOnly(true));
        }
        const RunResult run = Spawn(words, dir.Path().string());
        if (c.readOnly) {
            ASSERT_TRUE(disk.SetReadOnly(false));
        }
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.err.find(c.readOnly ? "Read-only file system" : "No space left on device"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(testing_support::ReadFile(c.target), old);
        EXPECT_EQ(Names(disk.Folder()), before);
    }
}
