#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../support/temp_dir.h"
#include "../../support/window_controls.h"
#include "file_browser.h"
#include "main_window.h"
#include "ultrabox.h"

namespace fs = std::filesystem;
using Texts = std::vector<QString>;

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using testing_support::Radio;

const QString kTitle = QStringLiteral("Tonquell Audio Converter");
const QString kBatch = QStringLiteral("S T A P E L V E R A R B E I T U N G");

// A file URL as a file manager sends it: every byte of the path percent-encoded as needed.
QUrl FileUrl(const std::string& path) {
    return QUrl::fromEncoded(
        "file://" +
        QByteArray(path.data(), static_cast<qsizetype>(path.size())).toPercentEncoding("/"));
}

// The real window in the folder "start", its filter on MP3, and a music folder to drop from.
class WindowDropTest : public ::testing::Test {
protected:
    void SetUp() override {
        music_ = dir_.Path() / "Musik";
        fs::create_directories(music_ / "Live");
        fs::create_directories(dir_.Path() / "start");
        for (const char* f :
             {"a.mp3", "b.wav", "c.mp3", "\xff\xfe.mp3", ".hidden.mp3", "[2001] x.mp3"}) {
            testing_support::WriteFile((music_ / f).string(), "x");
        }
        testing_support::WriteFile((music_ / "Live" / "d.ogg").string(), "x");
        window_.show();
        window_.browser()->SetFolder((dir_.Path() / "start").string());
        window_.optPattern_Click(4);
    }

    // Drags `urls` over the file list and drops them there, as the desktop delivers it.
    // True when the window took the drop.
    bool Drop(const std::vector<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(QList<QUrl>(urls.begin(), urls.end()));
        QWidget* target = window_.ubMain()->Surface();
        const QPoint at(20, 20);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        entered_ = enter.isAccepted();
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }
    std::vector<QUrl> Urls(std::initializer_list<const char*> names) const {
        std::vector<QUrl> urls;
        for (const char* n : names) {
            urls.push_back(FileUrl((music_ / n).string()));
        }
        return urls;
    }
    Texts Selected() const {
        Texts texts;
        for (int i = 1; i <= window_.ubMain()->ListCount(); ++i) {
            if (window_.ubMain()->IsSelected(i)) {
                texts.push_back(window_.ubMain()->List(i));
            }
        }
        return texts;
    }
    int Filter() const {
        for (int i = 0; i < MainWindow::kPatternCount; ++i) {
            if (Radio(window_, "optPattern", i)->isChecked()) {
                return i;
            }
        }
        return -1;
    }

    testing_support::TempDir dir_;
    fs::path music_;
    MainWindow window_{kTitle};
    bool entered_ = false;
};

}  // namespace

TEST_F(WindowDropTest, DroppedFilesOpenTheirFolderAndBecomeTheSelection) {
    struct Case {
        std::vector<QUrl> urls;
        int filter;  // after the drop, starting from MP3
        Texts selected;
        QString title;
        bool batchCaption;
    };
    const QString replacement = QString::fromUtf8("\xff\xfe.mp3");
    const Case cases[] = {
        // Both shown by the filter: it stays.
        {Urls({"a.mp3", "c.mp3"}), 4, {"a.mp3", "c.mp3"}, kTitle, true},
        // One of them hidden by the filter: it goes to "*.*" and both are selected.
        {Urls({"a.mp3", "b.wav"}), 9, {"a.mp3", "b.wav"}, kTitle, true},
        // One file is named in the caption, as a click on it would.
        {Urls({"c.mp3"}), 4, {"c.mp3"}, "c.mp3 - " + kTitle, false},
        // A name that is not valid UTF-8 is found by its bytes.
        {Urls({"\xff\xfe.mp3"}), 4, {replacement}, replacement + " - " + kTitle, false},
        // A file the list never shows selects nothing and does not change the filter; a
        // folder dropped with files is not selected.
        {Urls({".hidden.mp3"}), 4, {}, kTitle, false},
        {Urls({"Live", "a.mp3"}), 4, {"a.mp3"}, "a.mp3 - " + kTitle, false},
        // A file whose name begins with "[" is a file like any other.
        {Urls({"[2001] x.mp3", "a.mp3"}), 4, {"[2001] x.mp3", "a.mp3"}, kTitle, true},
        // The same file twice is one file.
        {Urls({"c.mp3", "c.mp3"}), 4, {"c.mp3"}, "c.mp3 - " + kTitle, false},
    };
    for (const Case& c : cases) {
        window_.optPattern_Click(4);
        window_.browser()->SetFolder((dir_.Path() / "start").string());
        ASSERT_TRUE(Drop(c.urls)) << c.urls.front().toString().toStdString();
        EXPECT_TRUE(entered_);
        EXPECT_EQ(window_.browser()->CurrentFolder(), music_.string());
        EXPECT_EQ(Filter(), c.filter) << c.urls.front().toString().toStdString();
        EXPECT_EQ(Selected(), c.selected) << c.urls.front().toString().toStdString();
        EXPECT_EQ(window_.windowTitle(), c.title) << c.urls.front().toString().toStdString();
        EXPECT_EQ(window_.Command1()->text() == kBatch, c.batchCaption);
    }
    // What it looks like after a drop of two files, one of them hidden by the filter before.
    window_.optPattern_Click(4);
    ASSERT_TRUE(Drop(Urls({"a.mp3", "b.wav"})));
    fs::create_directories(std::string(TONQUELL_BUILD_DIR) + "/screenshots");
    EXPECT_TRUE(window_.grab().save(QString::fromUtf8(TONQUELL_BUILD_DIR) +
                                    QStringLiteral("/screenshots/window-drop.png")));
}

TEST_F(WindowDropTest, ADroppedFolderIsEntered) {
    for (const std::string& folder :
         {(music_ / "Live").string(), (music_ / "Live").string() + "/"}) {
        window_.browser()->SetFolder((dir_.Path() / "start").string());
        window_.setWindowTitle("x - " + kTitle);
        ASSERT_TRUE(Drop({FileUrl(folder)}));
        EXPECT_EQ(window_.browser()->CurrentFolder(), (music_ / "Live").string());
        EXPECT_EQ(window_.windowTitle(), kTitle);
        EXPECT_EQ(Selected(), Texts{});
        EXPECT_EQ(Filter(), 4);  // the filter is the user's: it hides d.ogg still
    }
}

TEST_F(WindowDropTest, DropsDuringARunAndDropsOfNoLocalFileAreRefused) {
    const std::string start = (dir_.Path() / "start").string();
    bool running = true;
    window_.inputRefused = [&running] { return running; };
    EXPECT_FALSE(Drop(Urls({"a.mp3", "b.wav"})));
    EXPECT_FALSE(entered_);
    EXPECT_FALSE(Drop(Urls({"Live"})));
    EXPECT_EQ(window_.browser()->CurrentFolder(), start);
    EXPECT_EQ(Filter(), 4);
    EXPECT_EQ(window_.windowTitle(), kTitle);

    running = false;
    EXPECT_FALSE(Drop({QUrl("https://example.org/a.mp3")}));
    EXPECT_FALSE(entered_);
    EXPECT_FALSE(Drop({}));
    // A file in a folder that went away leaves the browser where it was.
    EXPECT_FALSE(Drop({FileUrl((dir_.Path() / "gone" / "a.mp3").string())}));
    EXPECT_EQ(window_.browser()->CurrentFolder(), start);

    // Once the run is over the same drop is taken.
    EXPECT_TRUE(Drop(Urls({"a.mp3", "b.wav"})));
    EXPECT_EQ(Selected(), (Texts{"a.mp3", "b.wav"}));
}
