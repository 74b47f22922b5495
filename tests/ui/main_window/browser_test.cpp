#include "file_browser.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../support/temp_dir.h"
#include "../../support/window_controls.h"
#include "drive_list.h"
#include "main_window.h"
#include "ultrabox.h"

namespace fs = std::filesystem;
using Texts = std::vector<QString>;

namespace {

using testing_support::Box;
using testing_support::Button;
using testing_support::Combo;
using testing_support::Label;
using testing_support::Radio;

const QString kTitle = QStringLiteral("Tonquell Audio Converter");
const QString kSingle = QStringLiteral("K O N V E R T I E R U N G    S T A R T E N");
const QString kBatch = QStringLiteral("S T A P E L V E R A R B E I T U N G");
constexpr OleColor kFolderBack = 215 | (215 << 8) | (166 << 16);
constexpr OleColor kFileBack = 186 | (204 << 8) | (248u << 16);

Texts Entries(const UltraBox& box) {
    Texts texts;
    for (int i = 1; i <= box.ListCount(); ++i) {
        texts.push_back(box.List(i, true));
    }
    return texts;
}

int IndexOf(const UltraBox& box, const QString& text) {
    for (int i = 1; i <= box.ListCount(); ++i) {
        if (box.List(i, true) == text) {
            return i;
        }
    }
    return -1;
}

// Clicks entry `index` on the list's surface as a user would (it must be in view).
void ClickEntry(UltraBox& box, int index, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const int y = 3 + (index - box.TopIndex()) * box.ItemHeightPx() + box.ItemHeightPx() / 2;
    QTest::mouseClick(box.Surface(), Qt::LeftButton, mods, QPoint(20, y));
}

void DoubleClickEntry(UltraBox& box, int index) {
    const int y = 3 + (index - box.TopIndex()) * box.ItemHeightPx() + box.ItemHeightPx() / 2;
    QTest::mouseClick(box.Surface(), Qt::LeftButton, Qt::NoModifier, QPoint(20, y));
    QTest::mouseDClick(box.Surface(), Qt::LeftButton, Qt::NoModifier, QPoint(20, y));
}

// Adds entry `index` to the selection: the list takes the Ctrl key held on its surface.
void CtrlClickEntry(UltraBox& box, int index) {
    QTest::keyPress(box.Surface(), Qt::Key_Control);
    ClickEntry(box, index, Qt::ControlModifier);
    QTest::keyRelease(box.Surface(), Qt::Key_Control);
}

}  // namespace

class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = dir_.Path().string();
        for (const char* d : {"Musik", "alpha", ".hidden"}) {
            fs::create_directory(dir_.Path() / d);
        }
        for (const char* f : {"a.mp3", "B.MP3", "c.wav", "notes.txt", "[live].mp3", ".x.mp3",
                              "\xff\xfe.mp3", "Musik/inner.mp3"}) {
            testing_support::WriteFile(dir_.File(f), "x");
        }
        window_ = std::make_unique<MainWindow>(kTitle);
        window_->show();
        browser_ = window_->browser();
        ASSERT_NE(browser_, nullptr);
        browser_->SetFileOpener([this](const std::string& path) { opened_.push_back(path); });
        ASSERT_TRUE(browser_->SetFolder(root_));
    }
    UltraBox& List() { return *window_->ubMain(); }
    Texts RootEntries() const {
        return {"[..]",       "[alpha]",   "[Musik]",
                "[live].mp3", "a.mp3",     "B.MP3",
                "c.wav",      "notes.txt", QString::fromUtf8("\xff\xfe.mp3")};
    }

    testing_support::TempDir dir_;
    std::string root_;
    std::unique_ptr<MainWindow> window_;
    FileBrowser* browser_ = nullptr;
    std::vector<std::string> opened_;
};

TEST_F(BrowserTest, RebuildListsParentFoldersThenFilesInTheirColours) {
    EXPECT_EQ(Entries(List()), RootEntries());
    EXPECT_EQ(browser_->CurrentFolder(), root_);
    EXPECT_EQ(Label(*window_, "lblPath")->text().toStdString(), root_ + "/");
    EXPECT_EQ(window_->Command1()->text(), kSingle);
    EXPECT_EQ(List().ListIndex(), -1);
    for (int i = 1; i <= List().ListCount(); ++i) {
        const UltraBoxItem* item = List().Item(i);
        const bool folderLike = i <= 3;  // "[live].mp3" is a file and keeps the file colour
        EXPECT_EQ(item->BColor, folderLike ? kFolderBack : kFileBack) << i;
        EXPECT_EQ(item->FColor, 0u) << i;
        EXPECT_FALSE(item->UseCheckBox || item->UseOptionBox || item->UseProgressBar) << i;
    }
    EXPECT_EQ(List().Font().pointSize(), 8);
    // A name that is not UTF-8 shows replacement characters but keeps its bytes.
    const int odd = List().ListCount();
    EXPECT_TRUE(List().List(odd).contains(QChar(0xFFFD)));
    EXPECT_EQ(browser_->EntryPath(odd), root_ + "/\xff\xfe.mp3");
    EXPECT_TRUE(fs::exists(browser_->EntryPath(odd)));
    EXPECT_EQ(browser_->EntryPath(2), root_ + "/alpha");
    EXPECT_EQ(browser_->EntryPath(0), "");
    EXPECT_EQ(browser_->EntryPath(List().ListCount() + 1), "");
}

TEST_F(BrowserTest, ARefreshArrivingDuringARebuildFollowsItInsteadOfDoublingTheList) {
    // The rebuild lets pending events run once before it fills the list; a refresh that the
    // batch run's end posts then must not fill it a second time.
    int refreshes = 0;
    QTimer::singleShot(0, window_.get(), [&] {
        ++refreshes;
        browser_->Refresh();
    });
    browser_->SetFolder(root_ + "/Musik");
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(Entries(List()), (Texts{"[..]", "inner.mp3"}));
    EXPECT_EQ(browser_->EntryPath(2), root_ + "/Musik/inner.mp3");
}

TEST_F(BrowserTest, FilterButtonsChooseTheListedFiles) {
    struct Case {
        int index;
        Texts files;
    };
    const QString odd = QString::fromUtf8("\xff\xfe.mp3");
    testing_support::WriteFile(dir_.File("d.MP2"), "x");
    testing_support::WriteFile(dir_.File("e.mpa"), "x");
    testing_support::WriteFile(dir_.File("f.dts"), "x");
    // A music library's kinds, matched by their real extension, case ignored.
    for (const char* name : {"g.FLAC", "h.opus", "i.oga", "j.m4a", "k.mkv", "l.flac.txt"}) {
        testing_support::WriteFile(dir_.File(name), "x");
    }
    const Case cases[] = {
        {4, {"[live].mp3", "a.mp3", "B.MP3", odd}},
        {8, {"c.wav"}},
        {5, {"d.MP2", "e.mpa"}},
        {3, {"d.MP2"}},
        {2, {"f.dts"}},
        {0, {}},
        {6, {"h.opus", "i.oga"}},
        {10,
         {"[live].mp3", "a.mp3", "B.MP3", "c.wav", "d.MP2", "e.mpa", "f.dts", "g.FLAC", "h.opus",
          "i.oga", "j.m4a", "k.mkv", odd}},
        {9,
         {"[live].mp3", "a.mp3", "B.MP3", "c.wav", "d.MP2", "e.mpa", "f.dts", "g.FLAC", "h.opus",
          "i.oga", "j.m4a", "k.mkv", "l.flac.txt", "notes.txt", odd}},
    };
    for (const Case& c : cases) {
        window_->setWindowTitle("a.mp3 - " + kTitle);
        QRadioButton* button = Radio(*window_, "optPattern", c.index);
        ASSERT_NE(button, nullptr);
        if (button->isVisible()) {
            button->click();
        } else {
            browser_->optPattern_Click(c.index);  // the hidden DTS and MP2 buttons
        }
        Texts expected = {"[..]", "[alpha]", "[Musik]"};
        expected.insert(expected.end(), c.files.begin(), c.files.end());
        EXPECT_EQ(Entries(List()), expected) << c.index;
        EXPECT_TRUE(button->isChecked()) << c.index;
        EXPECT_EQ(window_->windowTitle(), kTitle) << c.index;
    }
}

TEST_F(BrowserTest, NavigationByEntriesAndButtons) {
    // Into a folder by double-click, out by "[..]".
    DoubleClickEntry(List(), IndexOf(List(), "[Musik]"));
    EXPECT_EQ(browser_->CurrentFolder(), root_ + "/Musik");
    EXPECT_EQ(Entries(List()), (Texts{"[..]", "inner.mp3"}));
    EXPECT_EQ(Label(*window_, "lblPath")->text().toStdString(), root_ + "/Musik/");
    DoubleClickEntry(List(), 1);
    EXPECT_EQ(browser_->CurrentFolder(), root_);
    EXPECT_EQ(Entries(List()), RootEntries());

    // cmdBack goes up one level and resets the caption.
    browser_->SetFolder(root_ + "/Musik");
    window_->setWindowTitle("x - " + kTitle);
    QWidget* focus = window_->focusWidget();  // the list, since the double-click
    Button(*window_, "cmdBack")->click();
    EXPECT_EQ(browser_->CurrentFolder(), root_);
    EXPECT_EQ(window_->windowTitle(), kTitle);
    EXPECT_EQ(window_->focusWidget(), focus);

    // cmdRoot goes to the drive that holds the folder, where no "[..]" is listed.
    const std::string drive = file_lists::DriveOf(browser_->Drives(), root_);
    Button(*window_, "cmdRoot")->click();
    EXPECT_EQ(browser_->CurrentFolder(), drive);
    ASSERT_GT(List().ListCount(), 0);
    EXPECT_NE(List().List(1), "[..]");
    // Up from a drive root stays there.
    Button(*window_, "cmdBack")->click();
    EXPECT_EQ(browser_->CurrentFolder(), drive);
    EXPECT_EQ(Combo(*window_, "drvDrives")->currentText().toStdString(), drive);
}

TEST_F(BrowserTest, HidingFoldersAndRefreshing) {
    Box(*window_, "chkDirs")->click();
    EXPECT_EQ(Entries(List()), (Texts{"[live].mp3", "a.mp3", "B.MP3", "c.wav", "notes.txt",
                                      QString::fromUtf8("\xff\xfe.mp3")}));
    Box(*window_, "chkDirs")->click();
    EXPECT_EQ(Entries(List()), RootEntries());

    // Refresh re-reads the files; the sub-folders only with the next change of folder.
    testing_support::WriteFile(dir_.File("new.wav"), "x");
    fs::create_directory(dir_.Path() / "Neu");
    fs::remove(dir_.Path() / "a.mp3");
    window_->setWindowTitle("x - " + kTitle);
    Button(*window_, "Command2")->click();
    Texts expected = RootEntries();
    expected.erase(expected.begin() + 4);              // a.mp3
    expected.insert(expected.begin() + 6, "new.wav");  // after c.wav
    EXPECT_EQ(Entries(List()), expected);
    EXPECT_EQ(window_->windowTitle(), kTitle);
    browser_->SetFolder(root_);
    EXPECT_EQ(List().List(4), "[Neu]");
}

// The kind of an entry comes from the folder that was read, not from its text: a file
// whose name begins with "[" is a file entry, and a folder "[x]" shows as "[[x]]".
TEST_F(BrowserTest, AFileWhoseNameBeginsWithABracketIsAFileEntry) {
    fs::create_directory(dir_.Path() / "[x]");
    fs::create_directory(dir_.Path() / "live].mp");
    ASSERT_TRUE(browser_->SetFolder(root_));
    using Kind = FileBrowser::EntryKind;
    const int live = IndexOf(List(), "[live].mp3");
    const int liveFolder = IndexOf(List(), "[live].mp]");
    const int bracketFolder = IndexOf(List(), "[[x]]");
    EXPECT_EQ(browser_->KindOf(1), Kind::Parent);
    EXPECT_EQ(browser_->KindOf(bracketFolder), Kind::Folder);
    EXPECT_EQ(browser_->KindOf(liveFolder), Kind::Folder);
    EXPECT_EQ(browser_->KindOf(live), Kind::File);
    EXPECT_EQ(browser_->KindOf(0), Kind::None);
    EXPECT_TRUE(browser_->IsFolderEntry(1));
    EXPECT_TRUE(browser_->IsFolderEntry(bracketFolder));
    EXPECT_FALSE(browser_->IsFolderEntry(live));
    EXPECT_EQ(List().Item(live)->BColor, kFileBack);

    window_->setWindowTitle("x - " + kTitle);
    ClickEntry(List(), bracketFolder);
    EXPECT_EQ(window_->windowTitle(), kTitle);
    ClickEntry(List(), live);
    EXPECT_EQ(window_->windowTitle(), "[live].mp3 - " + kTitle);
    EXPECT_EQ(browser_->ChosenFileCount(), 1);
    CtrlClickEntry(List(), IndexOf(List(), "a.mp3"));
    EXPECT_EQ(window_->Command1()->text(), kBatch);
    DoubleClickEntry(List(), live);  // opens the file; the folder "live].mp" stays unvisited
    EXPECT_EQ(browser_->CurrentFolder(), root_);
    EXPECT_EQ(opened_, (std::vector<std::string>{root_ + "/[live].mp3"}));

    DoubleClickEntry(List(), bracketFolder);
    EXPECT_EQ(browser_->CurrentFolder(), root_ + "/[x]");
}

// The kinds travel with the entries when the list sorts itself.
TEST_F(BrowserTest, KindsFollowTheEntriesWhenTheListIsSorted) {
    List().SetSorted(true);  // "[..]" "[alpha]" "[live].mp3" "[Musik]" "a.mp3" ...
    const int live = IndexOf(List(), "[live].mp3");
    const int musik = IndexOf(List(), "[Musik]");
    ASSERT_LT(live, musik);
    EXPECT_EQ(browser_->KindOf(live), FileBrowser::EntryKind::File);
    EXPECT_EQ(browser_->KindOf(musik), FileBrowser::EntryKind::Folder);
    EXPECT_EQ(browser_->EntryPath(musik), root_ + "/Musik");
    // An entry that another hand changed is none of the browser's.
    List().SetItemText(live, "elsewhere.mp3");
    EXPECT_EQ(browser_->KindOf(live), FileBrowser::EntryKind::None);
    EXPECT_EQ(browser_->EntryPath(live), "");
}

// Names are shown as they are: "&" is no mnemonic, "}" no markup, a line break stays in the
// text, and the list hands each name back unchanged.
TEST_F(BrowserTest, NamesAreShownAndHandedBackAsTheyAre) {
    const std::string names[] = {"Simon & Garfunkel - The Boxer.mp3",
                                 "R&&B.mp3",
                                 "\xc3\x9c"
                                 "ber }r Stra\xc3\x9f"
                                 "e.mp3",
                                 "}b bold.mp3",
                                 "line\nbreak.mp3",
                                 "tab\there.mp3",
                                 "Blue Monday (12\" Version).mp3"};
    const fs::path folder = dir_.Path() / "names";
    fs::create_directory(folder);
    for (const std::string& name : names) {
        testing_support::WriteFile((folder / name).string(), "x");
    }
    ASSERT_TRUE(browser_->SetFolder(folder.string()));
    for (const std::string& name : names) {
        const QString text = QString::fromStdString(name);
        const int index = IndexOf(List(), text);
        ASSERT_GT(index, 0) << name;
        EXPECT_EQ(List().List(index), text) << name;
        EXPECT_EQ(browser_->EntryPath(index), (folder / name).string());
        EXPECT_EQ(browser_->KindOf(index), FileBrowser::EntryKind::File);
        ClickEntry(List(), index);
        EXPECT_EQ(window_->windowTitle(), text + " - " + kTitle);
    }
}

TEST_F(BrowserTest, DoubleClickOnAFileOpensItWithItsBytes) {
    DoubleClickEntry(List(), IndexOf(List(), "c.wav"));
    DoubleClickEntry(List(), List().ListCount());
    EXPECT_EQ(opened_, (std::vector<std::string>{root_ + "/c.wav", root_ + "/\xff\xfe.mp3"}));
    EXPECT_EQ(browser_->CurrentFolder(), root_);
}

TEST_F(BrowserTest, ClicksWithoutACurrentEntryAreIgnored) {
    window_->setWindowTitle("x - " + kTitle);
    ASSERT_EQ(List().ListIndex(), -1);
    browser_->ubMain_Click();
    browser_->ubMain_DblClick();
    EXPECT_EQ(window_->windowTitle(), "x - " + kTitle);
    EXPECT_TRUE(opened_.empty());
    EXPECT_EQ(browser_->CurrentFolder(), root_);
}

TEST_F(BrowserTest, StartCaptionFollowsTheSelection) {
    const int a = IndexOf(List(), "a.mp3");
    const int b = IndexOf(List(), "B.MP3");
    struct Step {
        const char* what;
        std::function<void()> action;
        QString title;
        QString caption;
    };
    const Step steps[] = {
        {"one file", [&] { ClickEntry(List(), a); }, "a.mp3 - " + kTitle, kSingle},
        {"two files", [&] { CtrlClickEntry(List(), b); }, "B.MP3 - " + kTitle, kBatch},
        {"a folder keeps the caption", [&] { CtrlClickEntry(List(), 2); }, kTitle, kBatch},
        {"back to one", [&] { ClickEntry(List(), b); }, "B.MP3 - " + kTitle, kSingle},
        {"whole folder", [&] { Box(*window_, "chkAll")->click(); }, "B.MP3 - " + kTitle, kBatch},
        {"one file with the whole folder", [&] { ClickEntry(List(), a); }, "a.mp3 - " + kTitle,
         kBatch},
        {"a rebuild resets it", [&] { Button(*window_, "Command2")->click(); }, kTitle, kSingle},
        {"whole folder again", [&] { Box(*window_, "chkAll")->click(); }, kTitle, kSingle},
        {"whole folder on", [&] { Box(*window_, "chkAll")->click(); }, kTitle, kBatch},
    };
    for (const Step& s : steps) {
        s.action();
        EXPECT_EQ(window_->windowTitle(), s.title) << s.what;
        EXPECT_EQ(window_->Command1()->text(), s.caption) << s.what;
    }
}

TEST_F(BrowserTest, AFolderThatCannotBeReadLeavesTheBrowserWhereItWas) {
    EXPECT_FALSE(browser_->SetFolder(root_ + "/gone"));
    EXPECT_FALSE(browser_->SetFolder(root_ + "/c.wav"));
    EXPECT_EQ(browser_->CurrentFolder(), root_);
    EXPECT_EQ(Entries(List()), RootEntries());
    // A folder deleted under the browser: refresh lists no files and no error.
    browser_->SetFolder(root_ + "/Musik");
    fs::remove_all(dir_.Path() / "Musik");
    Button(*window_, "Command2")->click();
    EXPECT_EQ(Entries(List()), (Texts{"[..]"}));
    DoubleClickEntry(List(), 1);
    EXPECT_EQ(browser_->CurrentFolder(), root_);
}

// A window with nothing but the two lists the browser needs.
struct BareView : FileBrowserView {
    explicit BareView(QWidget& window) : drives(&window), list(nullptr, &window), window_(window) {}
    UltraBox& EntryList() override { return list; }
    QComboBox& DriveList() override { return drives; }
    void SetCaption(const QString& caption) override { window_.setWindowTitle(caption); }
    void SetStartCaption(const QString&) override {}
    void ShowFolder(const QString&) override {}
    void ShowFilter(int) override {}
    bool HideFolders() const override { return false; }
    bool ConvertAll() const override { return false; }
    void ParkFocus() override {}

    QComboBox drives;
    UltraBox list;

private:
    QWidget& window_;
};

TEST(BrowserDrives, DriveListStartsWithTheRootAndADriveThatCannotBeReadKeepsTheFolder) {
    testing_support::TempDir dir;
    testing_support::WriteFile(
        dir.File("mounts"),
        "/dev/sda1 / ext4 rw 0 0\n/dev/sdz1 /mnt/tonquell-no-such-medium vfat rw 0 0\n");
    QWidget window;
    BareView view(window);
    QComboBox& drives = view.drives;
    FileBrowser browser(view, kTitle, dir.File("mounts"));
    ASSERT_EQ(drives.count(), 2);
    EXPECT_EQ(drives.itemText(0), "/");
    EXPECT_EQ(drives.itemText(1), "/mnt/tonquell-no-such-medium");
    ASSERT_TRUE(browser.SetFolder(dir.Path().string()));
    EXPECT_EQ(drives.currentIndex(), 0);

    drives.setCurrentIndex(1);
    browser.drvDrives_Click();
    EXPECT_EQ(browser.CurrentFolder(), dir.Path().string());
    EXPECT_EQ(drives.currentIndex(), 0);

    // Back on "/", the drive's last folder is kept, as a drive letter keeps its folder.
    browser.SetFolder("/");
    browser.SetFolder(dir.Path().string());
    drives.setCurrentIndex(0);
    browser.drvDrives_Click();
    EXPECT_EQ(browser.CurrentFolder(), dir.Path().string());

    // A medium mounted later appears when the list is opened; the current drive stays chosen.
    testing_support::WriteFile(dir.File("mounts"),
                               "/dev/sda1 / ext4 rw 0 0\n/dev/sdy1 /media/stick vfat rw 0 0\n");
    window.show();
    QTest::mouseClick(&drives, Qt::LeftButton);
    drives.hidePopup();
    ASSERT_EQ(drives.count(), 2);
    EXPECT_EQ(drives.itemText(1), "/media/stick");
    EXPECT_EQ(drives.currentIndex(), 0);
    EXPECT_EQ(browser.CurrentFolder(), dir.Path().string());
}
