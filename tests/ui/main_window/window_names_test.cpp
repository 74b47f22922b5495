// Names that real collections hold, through the real window, the real batch run and the real
// transcoder: MP3 to MP3 with tags, and the pair whose targets collide.
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <filesystem>
#include <functional>
#include <map>
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
#include "id3v2_reader.h"
#include "id3v2_writer.h"
#include "main_window.h"
#include "ultrabox.h"

namespace fs = std::filesystem;
using testing_support::ReadFile;

namespace {

using testing_support::Box;
using testing_support::Radio;

const QString kTitle = QStringLiteral("Tonquell Audio Converter");
const std::string kTranscoder = std::string(TONQUELL_BUILD_DIR) + "/BeSweet.exe";
const char kMp3[] = "-f lavfi -i sine=f=440:d=1:r=44100 -ac 2 -c:a libmp3lame -b:a 128k";

struct RecordingSink : MessageSink {
    std::vector<std::string> texts;
    void Show(const std::string& text, MessageKind, const std::string&) override {
        texts.push_back(text);
    }
};

// Every file of `folder` with its content.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        files[entry.path().filename().string()] = ReadFile(entry.path().string());
    }
    return files;
}

bool SpinUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 100000 && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(2);
    }
    return done();
}

class WindowNamesTest : public ::testing::Test {
protected:
    void Open() {
        window_ = std::make_unique<MainWindow>(kTitle);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        batch_ = new BatchWindow(*window_, kTranscoder, sink_);
        batch_->SetClosingYields(20);
        ASSERT_TRUE(window_->browser()->SetFolder(dir_.Path().string()));
    }
    UltraBox& List() { return *window_->ubMain(); }
    // The entry whose file is `name`, found by the bytes the browser keeps; -1 for none.
    int EntryOf(const std::string& name) {
        for (int i = 1; i <= List().ListCount(); ++i) {
            if (window_->browser()->EntryPath(i) == dir_.File(name)) {
                return i;
            }
        }
        return -1;
    }
    void ChooseFormat(int index) {
        Radio(*window_, "optFormat", index)->setChecked(true);
        window_->optFormat_Click(index);
    }
    void Start() {
        QTest::mouseClick(window_->Command1(), Qt::LeftButton);
        ASSERT_TRUE(SpinUntil([&] { return !batch_->Running(); }));
    }

    testing_support::TempDir dir_;
    RecordingSink sink_;
    std::unique_ptr<MainWindow> window_;
    BatchWindow* batch_ = nullptr;  // owned by the window
};

}  // namespace

TEST_F(WindowNamesTest, EveryNameConvertsWithItsTagsAndIsListedAsItIs) {
    const std::string names[] = {
        "Blue Monday (12\" Version).mp3",
        "Say \"Hi\" now.mp3",
        "line\nbreak.mp3",
        "tab\there.mp3",
        "Simon & Garfunkel - The Boxer.mp3",
        "R&&B.mp3",
        "\xc3\x9c"
        "ber }r Stra\xc3\x9f"
        "e.mp3",
        "}b bold.mp3",
        "[2001] x.mp3",
        "[..]x.mp3",
        "-leading dash.mp3",
        "$HOME.mp3",
        "back`quote`.mp3",
        std::string(246, 'l') + ".mp3",  // 250 bytes; its "_new" form has 254
        "Gr\xfc\xdf"
        "e.mp3",  // Latin-1, not UTF-8
        " -output x.mp3",
    };
    const std::string tooLong = std::string(248, 'm') + ".mp3";  // 252 bytes; "_new": 256
    id3::TagSet v1;
    v1.Artist = "Artist";
    v1.Title = "Title";
    id3::TagSet v2;
    v2.Artist = "Simon & Garfunkel";
    v2.Title = "Über }r Straße";
    std::vector<std::string> all(std::begin(names), std::end(names));
    all.push_back(tooLong);
    for (const std::string& name : all) {
        ASSERT_EQ(testing_support::MakeMedia(kMp3, dir_.File(name)), 0) << name;
        ASSERT_TRUE(id3::WriteId3v2(dir_.File(name), v2, 3, true, false)) << name;
        ASSERT_TRUE(id3::WriteId3v1(dir_.File(name), v1, false)) << name;
    }
    const auto before = Snapshot(dir_.Path());

    Open();
    for (const std::string& name : all) {
        const int index = EntryOf(name);
        ASSERT_GT(index, 0) << name;
        EXPECT_EQ(List().List(index), QString::fromUtf8(name.data(), name.size())) << name;
        EXPECT_EQ(window_->browser()->KindOf(index), FileBrowser::EntryKind::File) << name;
    }
    ChooseFormat(1);
    Box(*window_, "chkAll")->setChecked(true);
    Start();

    auto after = Snapshot(dir_.Path());
    for (const std::string& name : all) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(after[name] == before.at(name)) << "the source changed";
        after.erase(name);
    }
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string target = name.substr(0, name.size() - 4) + "_new.mp3";
        if (after.erase(target) != 1) {
            ADD_FAILURE() << "no target";
            continue;
        }
        const auto info = Probe(dir_.File(target));
        ASSERT_TRUE(info);
        EXPECT_EQ(info->codec, "mp3");
        EXPECT_NEAR(info->duration, 1.0, 0.1);
        id3::TagSet got1;
        id3::TagSet got2;
        ASSERT_TRUE(id3::ReadId3v1(dir_.File(target), got1));
        ASSERT_TRUE(id3::ReadId3v2(dir_.File(target), got2));
        EXPECT_EQ(got1.Artist, "Artist");
        EXPECT_EQ(got2.Title, v2.Title);
        EXPECT_EQ(got2.Artist, v2.Artist);
    }
    // The name whose "_new" form the folder cannot hold is listed, and nothing is written.
    EXPECT_TRUE(after.empty()) << after.begin()->first;
    ASSERT_EQ(sink_.texts.size(), 1u);
    EXPECT_NE(sink_.texts[0].find(dir_.File(tooLong)), std::string::npos) << sink_.texts[0];
    EXPECT_EQ(batch_->LastReport().Count(batch::Outcome::Failed), 1);

    // The list shows the new files as they are named.
    for (const std::string& name : names) {
        const std::string target = name.substr(0, name.size() - 4) + "_new.mp3";
        const int index = EntryOf(target);
        ASSERT_GT(index, 0) << target;
        EXPECT_EQ(List().List(index), QString::fromUtf8(target.data(), target.size()));
    }
    fs::create_directories(std::string(TONQUELL_BUILD_DIR) + "/screenshots");
    EXPECT_TRUE(window_->grab().save(QString::fromUtf8(TONQUELL_BUILD_DIR) +
                                     QStringLiteral("/screenshots/window-names.png")));
}

// "a.mp3" and "a.MP3" both become "a.wav": the first gets it, the second "a_new.wav"; when
// both names are taken, each is refused, one report names both, and nothing is overwritten.
TEST_F(WindowNamesTest, CollidingTargetsGetTheNewNameOrTheRefusal) {
    ASSERT_EQ(testing_support::MakeMedia(kMp3, dir_.File("a.mp3")), 0);
    ASSERT_EQ(testing_support::MakeMedia(kMp3, dir_.File("a.MP3")), 0);
    Open();
    ChooseFormat(0);
    Box(*window_, "chkAll")->setChecked(true);
    Start();
    EXPECT_TRUE(sink_.texts.empty()) << sink_.texts.front();
    const auto first = Probe(dir_.File("a.wav"));
    const auto second = Probe(dir_.File("a_new.wav"));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(Snapshot(dir_.Path()).size(), 4u);

    window_->optPattern_Click(4);  // the two MP3 files again, not the new WAV files
    const auto before = Snapshot(dir_.Path());
    Start();
    ASSERT_EQ(sink_.texts.size(), 1u);
    const std::string refusal = "    Datei '" + dir_.File("a_new.wav") + "' existiert bereits.\n";
    const std::string& text = sink_.texts[0];
    const std::size_t once = text.find(refusal);
    ASSERT_NE(once, std::string::npos) << text;
    EXPECT_NE(text.find(refusal, once + 1), std::string::npos) << text;
    EXPECT_EQ(batch_->LastReport().Count(batch::Outcome::Refused), 2);
    EXPECT_TRUE(Snapshot(dir_.Path()) == before);
}
