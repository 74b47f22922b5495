// The files of a music library through the real window and the real transcoder: every kind
// listed by "erlaubte Formate", named by its real extension, converted, and its tags and cover
// read back by mutagen from the MP3, MPA and WAV targets.
#include <QApplication>
#include <QTest>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../support/media_cache.h"
#include "../../support/temp_dir.h"
#include "../../support/window_controls.h"
#include "../../transcoder/media_probe.h"
#include "batch_window.h"
#include "file_browser.h"
#include "id3v1.h"
#include "id3v2_writer.h"
#include "main_window.h"
#include "source_tags.h"
#include "test_support.h"
#include "ultrabox.h"

namespace fs = std::filesystem;

namespace {

using batch::Outcome;
using id3test::Quote;
using id3test::RunCommand;
using testing_support::TempDir;

const QString kTitle = QStringLiteral("Tonquell Audio Converter");
const std::string kTranscoder = std::string(TONQUELL_BUILD_DIR) + "/BeSweet.exe";
const std::string kHelper =
    "/usr/bin/python3 " + Quote(TONQUELL_SOURCE_DIR "/tests/tags/library_sources.py");
const std::string kTone = "-f lavfi -i sine=frequency=440:duration=1:sample_rate=44100 -ac 2 ";

struct NullSink : MessageSink {
    std::vector<std::string> texts;
    void Show(const std::string& text, MessageKind, const std::string&) override {
        texts.push_back(text);
    }
    void ShowReport(const RunReportText& report, const std::string&) override {
        texts.push_back(PlainText(report));
    }
};

// A tagged source: audio that ffmpeg makes, tagged by library_sources.py as `kind` says.
struct Kind {
    std::string kind;  // as library_sources.py names it
    std::string name;  // the file in the library
    std::string arguments;
};

// The cover the Matroska source attaches, made once per run of the tests.
std::string CoverFile() {
    const fs::path path = testing_support::MediaCacheFolder() / "library" / "cover.png";
    fs::create_directories(path.parent_path());
    if (!fs::exists(path)) {
        const fs::path partial = path.parent_path() / (".partial-" + std::to_string(::getpid()));
        RunCommand(kHelper + " cover " + Quote(partial.string()));
        fs::rename(partial, path);
    }
    return path.string();
}

const std::vector<Kind>& Library() {
    static const std::vector<Kind> kinds = {
        {"flac", "flac.flac", "-c:a flac"},
        {"ogg-vorbis", "vorbis.ogg", "-c:a libvorbis"},
        {"opus", "voice.opus", "-c:a libopus"},
        {"ogg-flac", "ogg flac.oga", "-c:a flac -f ogg"},
        {"m4a-aac", "aac.m4a", "-c:a aac"},
        {"m4a-alac", "alac.M4A", "-c:a alac -f ipod"},
        {"wma", "wma.wma", "-c:a wmav2"},
        {"aiff", "aiff.aiff", "-c:a pcm_s16be"},
        {"wavpack", "wavpack.wv", "-c:a wavpack"},
        {"mka", "live.2024.mka",
         "-attach " + Quote(CoverFile()) +
             " -metadata:s:t mimetype=image/png -metadata 'title=Title \u00e9' "
             "-metadata 'artist=Artist \u00e4' -metadata album=Album "
             "-metadata 'album_artist=Album Artist' -metadata date=2004-05-06 "
             "-metadata track=4/12 -metadata disc=1/2 -metadata genre=Rock "
             "-metadata 'comment=A comment' -metadata composer=Composer "
             "-metadata 'copyright=2004 Someone' -metadata 'MY_KEY=my value' -c:a flac"},
        {"wav-info", "info.wav", "-c:a pcm_s16le"},
        {"wav-id3", "id3.wav", "-c:a pcm_s16le"}};
    return kinds;
}

// The tagged file of `kind` at `path`: made and tagged once per run in the media cache.
void MakeTagged(const Kind& kind, const std::string& path) {
    const fs::path cached = testing_support::MediaCacheFolder() / "library-window" /
                            (kind.kind + fs::path(kind.name).extension().string());
    if (!fs::exists(cached)) {
        fs::create_directories(cached.parent_path());
        const fs::path partial = cached.parent_path() / (".partial-" + std::to_string(::getpid()) +
                                                         cached.filename().string());
        ASSERT_EQ(testing_support::MakeMedia(kTone + kind.arguments, partial.string()), 0)
            << kind.kind;
        ASSERT_EQ(RunCommand(kHelper + " tag " + kind.kind + " " + Quote(partial.string())), 0)
            << kind.kind;
        fs::rename(partial, cached);
    }
    fs::copy_file(cached, path, fs::copy_options::overwrite_existing);
}

// What mutagen finds wrong with `target` as the carrier of a `kind` source's tags ("expect":
// the ID3v2.3 tag, every mapped field and the cover's bytes; "info": a WAV's LIST/INFO).
std::string Complaints(const std::string& check, const std::string& target,
                       const std::string& kind) {
    std::string out;
    RunCommand(kHelper + " " + check + " " + Quote(target) + " " + kind + " 2>&1", &out);
    return out;
}

bool SpinUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 100000 && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(1);
    }
    return done();
}

class LibraryTagsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (RunCommand("/usr/bin/python3 -c 'import mutagen' 2>/dev/null") != 0) {
            GTEST_SKIP() << "python3-mutagen is not installed";
        }
    }
    std::string File(const std::string& name) const { return dir_.File(name); }
    void MakeLibrary() {
        for (const Kind& kind : Library()) {
            MakeTagged(kind, File(kind.name));
        }
    }
    void Open() {
        window_ = std::make_unique<MainWindow>(kTitle);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        batch_ = new BatchWindow(*window_, kTranscoder, sink_);
        batch_->SetClosingYields(20);
        ASSERT_TRUE(window_->browser()->SetFolder(dir_.Path().string()));
    }
    // The file entries of ubMain, as shown.
    std::vector<std::string> Shown() const {
        std::vector<std::string> names;
        for (int i = 1; i <= window_->ubMain()->ListCount(); ++i) {
            if (window_->browser()->KindOf(i) == FileBrowser::EntryKind::File) {
                names.push_back(window_->ubMain()->List(i).toStdString());
            }
        }
        return names;
    }
    void Filter(int index) {
        QTest::mouseClick(testing_support::Radio(*window_, "optPattern", index), Qt::LeftButton, {},
                          QPoint(4, 8));
    }
    // Converts every file the list shows into format `format` (0 WAV, 1 MP3, 3 MPA).
    void ConvertAll(int format) {
        QTest::mouseClick(testing_support::Radio(*window_, "optFormat", format), Qt::LeftButton, {},
                          QPoint(4, 8));
        if (!testing_support::Box(*window_, "chkAll")->isChecked()) {
            QTest::mouseClick(testing_support::Box(*window_, "chkAll"), Qt::LeftButton, {},
                              QPoint(4, 8));
        }
        QTest::mouseClick(window_->Command1(), Qt::LeftButton);
        ASSERT_TRUE(SpinUntil([&] { return !batch_->Running(); }));
    }
    const batch::Report& Last() const { return batch_->LastReport(); }

    TempDir dir_;
    NullSink sink_;
    std::unique_ptr<MainWindow> window_;
    BatchWindow* batch_ = nullptr;  // owned by the window
};

// Every kind is listed by "erlaubte Formate" (the Ogg kinds by "OGG" as well), converts into
// an MP3 named by its real extension, decodes for its one second, and carries every mapped
// field and the cover's bytes.
TEST_F(LibraryTagsWindowTest, EveryKindIntoMp3WithItsTagsAndCover) {
    MakeLibrary();
    testing_support::WriteFile(File("cover.jpg"), "x");
    Open();
    Filter(6);
    EXPECT_EQ(Shown(), (std::vector<std::string>{"ogg flac.oga", "voice.opus", "vorbis.ogg"}));
    Filter(10);
    std::vector<std::string> names;
    for (const Kind& kind : Library()) {
        names.push_back(kind.name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) <
               0;
    });
    EXPECT_EQ(Shown(), names);  // the picture is no source
    fs::create_directories(std::string(TONQUELL_BUILD_DIR) + "/screenshots");
    EXPECT_TRUE(window_->grab().save(QString::fromUtf8(TONQUELL_BUILD_DIR) +
                                     QStringLiteral("/screenshots/library-kinds.png")));

    ConvertAll(1);
    EXPECT_EQ(Last().Total, static_cast<int>(Library().size()));
    EXPECT_EQ(Last().Count(Outcome::Failed), 0) << (sink_.texts.empty() ? "" : sink_.texts[0]);
    for (const Kind& kind : Library()) {
        const std::string stem = fs::path(kind.name).stem().string();
        const std::string target = File(stem + ".mp3");
        ASSERT_TRUE(fs::exists(target)) << kind.name;
        const auto info = Probe(target);
        ASSERT_TRUE(info) << kind.name;
        EXPECT_EQ(info->codec, "mp3") << kind.name;
        EXPECT_NEAR(DecodedSeconds(target), 1.0, 0.1) << kind.name;
        EXPECT_EQ(Complaints("expect", target, kind.kind), "") << kind.name;
        id3::TagSet v1;  // the ID3v1 block, filled from the same record
        ASSERT_TRUE(id3::ReadId3v1(target, v1)) << kind.name;
        EXPECT_EQ(v1.Album, "Album") << kind.name;
        EXPECT_EQ(v1.Year, "2004") << kind.name;
        EXPECT_EQ(v1.Track, "4") << kind.name;
    }
}

// The main kinds into MPA and into WAV: the same ID3v2.3 tag, in a WAV file's id3 chunk with
// the basic fields in its LIST/INFO chunk too. A WAV source into WAV takes the "_new" name.
TEST_F(LibraryTagsWindowTest, TheMainKindsIntoMpaAndWav) {
    const std::vector<Kind> main = {Library()[0], Library()[1], Library()[4], Library()[6],
                                    Library()[10]};
    for (const Kind& kind : main) {
        MakeTagged(kind, File(kind.name));
    }
    Open();
    Filter(10);
    ConvertAll(3);
    EXPECT_EQ(Last().Count(Outcome::Failed), 0) << (sink_.texts.empty() ? "" : sink_.texts[0]);
    for (const Kind& kind : main) {
        const std::string target = File(fs::path(kind.name).stem().string() + ".mpa");
        const auto info = Probe(target);
        ASSERT_TRUE(info) << kind.name;
        EXPECT_EQ(info->codec, "mp2") << kind.name;
        EXPECT_NEAR(DecodedSeconds(target), 1.0, 0.1) << kind.name;
        EXPECT_EQ(Complaints("expect", target, kind.kind), "") << kind.name;
        fs::remove(target);
    }
    window_->browser()->Refresh();
    ConvertAll(0);
    EXPECT_EQ(Last().Count(Outcome::Failed), 0) << (sink_.texts.empty() ? "" : sink_.texts[0]);
    for (const Kind& kind : main) {
        const std::string stem = fs::path(kind.name).stem().string();
        const std::string target =
            File(kind.kind == "wav-info" ? stem + "_new.wav" : stem + ".wav");
        const auto info = Probe(target);
        ASSERT_TRUE(info) << kind.name;
        EXPECT_EQ(info->codec, "pcm_s16le") << kind.name;
        EXPECT_NEAR(DecodedSeconds(target), 1.0, 0.1) << kind.name;
        EXPECT_EQ(Complaints("expect", target, kind.kind), "") << kind.name;
        EXPECT_EQ(Complaints("info", target, kind.kind), "") << kind.name;
    }
}

// Scripts and playlists under audio names are refused with their reason and leave no target;
// sources whose tags cannot be read still convert; the six-WAV split of a tagged AC3 source
// gives all seven files the tags.
TEST_F(LibraryTagsWindowTest, RefusedScriptsUnreadableTagsAndTheSplit) {
    testing_support::WriteFile(File("x.flac"), "#!/bin/sh\necho hello\n");
    testing_support::WriteFile(File("x.m4a"),
                               "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nx.flac\n");
    struct Hostile {
        std::string kind;
        std::string name;
        std::string arguments;
    } const hostile[] = {
        {"wavpack-item-claims-2-GiB", "damaged.wv", "-c:a wavpack"},
        {"ogg-picture-claims-4-GiB", "damaged.ogg", "-c:a libvorbis"},
        {"wma-picture-claims-4-GiB", "damaged.wma", "-c:a wmav2"},
    };
    for (const Hostile& h : hostile) {
        ASSERT_EQ(testing_support::MakeMedia(kTone + h.arguments, File(h.name)), 0);
        ASSERT_EQ(RunCommand(kHelper + " hostile " + h.kind + " " + Quote(File(h.name))), 0);
    }
    Open();
    Filter(10);
    ConvertAll(1);
    const std::vector<batch::FileReport> failed = Last().With(Outcome::Failed);
    ASSERT_EQ(failed.size(), 2u) << (sink_.texts.empty() ? "" : sink_.texts[0]);
    EXPECT_EQ(failed[0].Source, File("x.flac"));
    EXPECT_NE(failed[0].Detail.find("not an audio or video file"), std::string::npos)
        << failed[0].Detail;
    EXPECT_EQ(failed[1].Source, File("x.m4a"));
    EXPECT_NE(failed[1].Detail.find("playlist"), std::string::npos) << failed[1].Detail;
    EXPECT_FALSE(fs::exists(File("x.mp3")));
    for (const Hostile& h : hostile) {
        const std::string target = File(fs::path(h.name).stem().string() + ".mp3");
        EXPECT_NEAR(DecodedSeconds(target), 1.0, 0.1) << h.kind;
    }

    // A 5.1 AC3 file with an ID3v2 tag in front, split into six WAV files.
    ASSERT_EQ(
        testing_support::MakeMedia(
            "-f lavfi -i sine=frequency=440:duration=1 -ac 6 -c:a ac3 -b:a 384k", File("film.ac3")),
        0);
    id3::TagSet v2;
    v2.Title = "Film";
    v2.Artist = "Regie";
    ASSERT_TRUE(id3::WriteId3v2(File("film.ac3"), v2, 3, true, false));
    window_->browser()->Refresh();
    Filter(1);
    QTest::mouseClick(testing_support::Box(*window_, "chkAC3to6WAV"), Qt::LeftButton, {},
                      QPoint(4, 8));
    ConvertAll(0);
    EXPECT_EQ(Last().Count(Outcome::Failed), 0) << (sink_.texts.empty() ? "" : sink_.texts[0]);
    for (const char* part : {"", "_FL", "_FR", "_C", "_LFE", "_SL", "_SR"}) {
        const std::string target = File(std::string("film") + part + ".wav");
        const id3::SourceTags got = tags::ReadSourceTags(target);
        EXPECT_EQ(got.Id3v2.Title, "Film") << target;
        EXPECT_EQ(got.Id3v2.Artist, "Regie") << target;
    }
}

}  // namespace
