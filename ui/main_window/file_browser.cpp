#include "file_browser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QUrl>
#include <QWidget>

#include <filesystem>
#include <system_error>

#include "paths.h"
#include "ultrabox.h"

namespace {

constexpr OleColor Rgb(unsigned r, unsigned g, unsigned b) {
    return r | (g << 8) | (b << 16);
}
constexpr OleColor kEntryText = Rgb(0, 0, 0);
constexpr OleColor kFolderBack = Rgb(215, 215, 166);
constexpr OleColor kFileBack = Rgb(186, 204, 248);

QString Shown(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// `path` without one closing "/", then cut just after its last "/"; the text itself when
// there is none ("/" gives "", which means: stay on this drive).
std::string ParentFolder(std::string_view path) {
    if (!path.empty() && path.back() == '/') {
        path.remove_suffix(1);
    }
    const std::size_t last = path.rfind('/');
    return std::string(last == std::string_view::npos ? path : path.substr(0, last + 1));
}

void OpenWithDesktop(const std::string& path) {
    // Percent-encoding keeps every byte of the name, valid UTF-8 or not.
    const QByteArray encoded =
        QByteArray::fromRawData(path.data(), static_cast<qsizetype>(path.size()))
            .toPercentEncoding("/");
    QDesktopServices::openUrl(QUrl::fromEncoded("file://" + encoded));
}

}  // namespace

const QString FileBrowser::kSingleCaption =
    QStringLiteral("K O N V E R T I E R U N G    S T A R T E N");
const QString FileBrowser::kBatchCaption = QStringLiteral("S T A P E L V E R A R B E I T U N G");
const QString FileBrowser::kParentEntry = QStringLiteral("[..]");
const std::array<std::string_view, 11> FileBrowser::kPatterns = {
    "*.avi",
    "*.ac3",
    "*.dts",
    "*.mp2",
    "*.mp3",
    "*.mpa;*.mp2",
    "*.ogg",
    "*.vob",
    "*.wav",
    "*.*",
    "*.avi;*.ac3;*.mp2;*.mp3;*.mpa;*.ogg;*.vob;*.wav"};

FileBrowser::FileBrowser(const FileBrowserControls& controls, std::string mountsFile,
                         QObject* parent)
    : QObject(parent), c_(controls), mountsFile_(std::move(mountsFile)), opener_(OpenWithDesktop) {
    drives_.Read(mountsFile_);
    if (c_.drvDrives != nullptr) {
        for (const file_lists::Drive& d : drives_.Drives()) {
            c_.drvDrives->addItem(Shown(d.MountPoint));
        }
        connect(c_.drvDrives, &QComboBox::activated, this, [this] { drvDrives_Click(); });
        c_.drvDrives->installEventFilter(this);
    }
    std::error_code ec;
    const std::string working = std::filesystem::current_path(ec).string();
    if (ec || !folders_.SetPath(working)) {
        folders_.SetPath("/");
    }
    driveFolders_[DriveRoot()] = folders_.Path();
    SyncDriveChoice();

    const auto onClick = [this](QAbstractButton* button, void (FileBrowser::*handler)()) {
        if (button != nullptr) {
            connect(button, &QAbstractButton::clicked, this,
                    [this, handler] { (this->*handler)(); });
        }
    };
    onClick(c_.cmdRoot, &FileBrowser::cmdRoot_Click);
    onClick(c_.cmdBack, &FileBrowser::cmdBack_Click);
    onClick(c_.Command2, &FileBrowser::Refresh);
    onClick(c_.chkDirs, &FileBrowser::chkDirs_Click);
    onClick(c_.chkAll, &FileBrowser::chkAll_Click);
    for (int i = 0; i < static_cast<int>(c_.optPattern.size()); ++i) {
        if (c_.optPattern[i] != nullptr) {
            connect(c_.optPattern[i], &QAbstractButton::clicked, this,
                    [this, i] { optPattern_Click(i); });
        }
    }
    if (c_.ubMain != nullptr) {
        connect(c_.ubMain, &UltraBox::Click, this, [this] { ubMain_Click(); });
        connect(c_.ubMain, &UltraBox::DoubleClick, this, [this] { ubMain_DblClick(); });
    }
}

void FileBrowser::RereadDrives() {
    drives_.Read(mountsFile_);
    if (c_.drvDrives == nullptr) {
        return;
    }
    const QSignalBlocker quiet(c_.drvDrives);
    c_.drvDrives->clear();
    for (const file_lists::Drive& d : drives_.Drives()) {
        c_.drvDrives->addItem(Shown(d.MountPoint));
    }
    SyncDriveChoice();
}

bool FileBrowser::eventFilter(QObject* watched, QEvent* event) {
    // A medium mounted since the last look shows up when the list is opened.
    if (watched == c_.drvDrives &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)) {
        RereadDrives();
    }
    return QObject::eventFilter(watched, event);
}

std::string FileBrowser::DriveRoot() const {
    return file_lists::DriveOf(drives_.Drives(), folders_.Path());
}

void FileBrowser::SetCaption(const QString& caption) {
    if (c_.window != nullptr) {
        c_.window->setWindowTitle(caption);
    }
}

void FileBrowser::SetStartCaption(const QString& caption) {
    if (c_.Command1 != nullptr) {
        c_.Command1->setText(caption);
    }
}

void FileBrowser::ParkFocus() {
    if (c_.cmdDummy != nullptr) {
        c_.cmdDummy->setFocus();
    }
}

void FileBrowser::SyncDriveChoice() {
    if (c_.drvDrives == nullptr) {
        return;
    }
    const std::string root = DriveRoot();
    const auto& drives = drives_.Drives();
    for (std::size_t i = 0; i < drives.size(); ++i) {
        if (drives[i].MountPoint == root) {
            c_.drvDrives->setCurrentIndex(static_cast<int>(i));
        }
    }
}

bool FileBrowser::ChangeFolder(const std::string& folder) {
    if (!folders_.SetPath(folder)) {
        return false;
    }
    driveFolders_[DriveRoot()] = folders_.Path();
    SyncDriveChoice();
    dirDirs_Change();
    return true;
}

bool FileBrowser::SetFolder(const std::string& folder) {
    return ChangeFolder(folder);
}

void FileBrowser::dirDirs_Change() {
    // A rebuild asked for while one runs (from an event it lets through) follows it instead
    // of filling the list a second time from under it.
    if (rebuilding_) {
        rebuildAgain_ = true;
        return;
    }
    rebuilding_ = true;
    do {
        rebuildAgain_ = false;
        Rebuild();
    } while (rebuildAgain_);
    rebuilding_ = false;
}

void FileBrowser::Rebuild() {
    SetStartCaption(kSingleCaption);
    UltraBox* list = c_.ubMain;
    if (list != nullptr) {
        list->Clear();
        list->SetPaint(false);
        QFont font = list->Font();
        font.setPointSize(8);
        list->SetFont(font);
        list->Refresh();
    }
    files_.SetPath(folders_.Path());
    const QString shownPath = Shown(paths::AddBackslash(folders_.Path()));
    if (c_.showFolder) {
        c_.showFolder(shownPath);
    } else {
        if (c_.lblPath != nullptr) {
            c_.lblPath->setText(shownPath);
        }
        if (c_.chkOutPath != nullptr && c_.chkOutPath->isChecked() && c_.txtOutPath != nullptr) {
            c_.txtOutPath->setText(shownPath);
        }
    }
    // Let the path label show before a long list is filled. User input waits, so a click
    // cannot start a second rebuild in the middle of this one.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    entries_.clear();
    entries_.push_back({});
    const bool showFolders = c_.chkDirs == nullptr || !c_.chkDirs->isChecked();
    // Names are shown as they are: no "&" mnemonics, no "}" markup. Each entry carries its
    // number in entries_, so its kind and bytes are found even after the list sorted itself.
    UltraBoxAddArgs look;
    look.fColor = kEntryText;
    look.literal = true;
    const auto add = [&](EntryKind kind, const std::string& rawText, std::string path) {
        QString text = Shown(rawText);
        if (list != nullptr) {
            look.bColor = kind == EntryKind::File ? kFileBack : kFolderBack;
            look.data = static_cast<std::int64_t>(entries_.size());
            list->AddItem(text, look);
        }
        entries_.push_back({kind, std::move(text), std::move(path)});
    };
    if (showFolders) {
        if (folders_.Path() != DriveRoot()) {
            add(EntryKind::Parent, "[..]", ParentFolder(folders_.Path()));
        }
        for (const std::string& name : folders_.SubFolders()) {
            add(EntryKind::Folder, "[" + name + "]", paths::AddBackslash(folders_.Path()) + name);
        }
    }
    for (const std::string& name : files_.Files()) {
        add(EntryKind::File, name, paths::AddBackslash(folders_.Path()) + name);
    }
    if (list != nullptr) {
        list->SetPaint(true);
    }
}

void FileBrowser::optPattern_Click(int index) {
    if (index < 0 || index >= static_cast<int>(kPatterns.size())) {
        return;
    }
    if (c_.optPattern[index] != nullptr) {
        c_.optPattern[index]->setChecked(true);
    }
    files_.SetPattern(std::string(kPatterns[index]));
    dirDirs_Change();
    SetCaption(c_.appTitle);
    ParkFocus();
}

void FileBrowser::Refresh() {
    ParkFocus();
    dirDirs_Change();
    SetCaption(c_.appTitle);
}

void FileBrowser::drvDrives_Click() {
    if (c_.drvDrives == nullptr) {
        return;
    }
    const int chosen = c_.drvDrives->currentIndex();
    const auto& drives = drives_.Drives();
    if (chosen < 0 || chosen >= static_cast<int>(drives.size())) {
        return;
    }
    const std::string& root = drives[chosen].MountPoint;
    const auto remembered = driveFolders_.find(root);
    const bool moved = (remembered != driveFolders_.end() && ChangeFolder(remembered->second)) ||
                       ChangeFolder(root);
    if (!moved) {
        SyncDriveChoice();  // a drive that cannot be read keeps the previous one
    }
}

void FileBrowser::cmdBack_Click() {
    const std::string parent = ParentFolder(folders_.Path());
    ChangeFolder(parent.empty() ? folders_.Path() : parent);
    SetCaption(c_.appTitle);
    ParkFocus();
}

void FileBrowser::cmdRoot_Click() {
    ChangeFolder(DriveRoot());
    SetCaption(c_.appTitle);
    ParkFocus();
}

void FileBrowser::chkDirs_Click() {
    ParkFocus();
    dirDirs_Change();
}

void FileBrowser::chkAll_Click() {
    ParkFocus();
    if ((c_.chkAll != nullptr && c_.chkAll->isChecked()) || ChosenFileCount() > 1) {
        SetStartCaption(kBatchCaption);
    } else {
        SetStartCaption(kSingleCaption);
    }
}

int FileBrowser::ChosenFileCount() const {
    if (c_.ubMain == nullptr) {
        return 0;
    }
    int count = 0;
    for (int i = 1; i <= c_.ubMain->ListCount(); ++i) {
        if (c_.ubMain->IsSelected(i) && KindOf(i) == EntryKind::File) {
            ++count;
        }
    }
    return count;
}

void FileBrowser::ubMain_Click() {
    if (c_.ubMain == nullptr || c_.ubMain->ListIndex() < 1) {
        return;
    }
    const int index = c_.ubMain->ListIndex();
    if (KindOf(index) != EntryKind::File) {
        SetCaption(c_.appTitle);
        return;
    }
    SetCaption(c_.ubMain->List(index) + QStringLiteral(" - ") + c_.appTitle);
    if (ChosenFileCount() > 1) {
        SetStartCaption(kBatchCaption);
    } else if (c_.chkAll == nullptr || !c_.chkAll->isChecked()) {
        SetStartCaption(kSingleCaption);
    }
}

void FileBrowser::ubMain_DblClick() {
    if (c_.ubMain == nullptr || c_.ubMain->ListIndex() < 1) {
        return;
    }
    const Entry* entry = EntryAt(c_.ubMain->ListIndex());
    if (entry == nullptr) {
        return;
    }
    switch (entry->kind) {
        case EntryKind::Parent:
            ChangeFolder(ParentFolder(folders_.Path()));
            break;
        case EntryKind::Folder:
            ChangeFolder(entry->path + "/");
            break;
        case EntryKind::File:
            if (opener_) {
                opener_(entry->path);
            }
            break;
        case EntryKind::None:
            break;
    }
}

const FileBrowser::Entry* FileBrowser::EntryAt(int index) const {
    if (c_.ubMain == nullptr || index < 1 || index > c_.ubMain->ListCount()) {
        return nullptr;
    }
    // The entry's own number travels with it, should the list have reordered itself; an
    // entry that some other hand added or changed is none of the browser's.
    const std::int64_t number = c_.ubMain->ItemData(index);
    if (number < 1 || number >= static_cast<std::int64_t>(entries_.size())) {
        return nullptr;
    }
    const Entry& entry = entries_[static_cast<std::size_t>(number)];
    return entry.text == c_.ubMain->List(index) ? &entry : nullptr;
}

FileBrowser::EntryKind FileBrowser::KindOf(int index) const {
    const Entry* entry = EntryAt(index);
    return entry != nullptr ? entry->kind : EntryKind::None;
}

bool FileBrowser::IsFolderEntry(int index) const {
    const EntryKind kind = KindOf(index);
    return kind == EntryKind::Parent || kind == EntryKind::Folder;
}

std::string FileBrowser::EntryPath(int index) const {
    const Entry* entry = EntryAt(index);
    return entry != nullptr ? entry->path : std::string();
}

bool FileBrowser::SelectFileEntry(const QString& name) {
    if (c_.ubMain == nullptr) {
        return false;
    }
    const QString wanted = name.toUpper();
    for (int i = 1; i <= c_.ubMain->ListCount(); ++i) {
        if (KindOf(i) == EntryKind::File && c_.ubMain->List(i).toUpper() == wanted) {
            c_.ubMain->SetSelected(i, true);
            return true;
        }
    }
    return false;
}
