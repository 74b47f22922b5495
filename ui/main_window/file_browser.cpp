#include "file_browser.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QSignalBlocker>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "paths.h"
#include "source_kinds.h"
#include "ultrabox.h"
#include "window_look.h"

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

QString FileBrowser::SingleCaption() {
    return window_look::LetterSpaced(window_look::StartWords());
}

QString FileBrowser::BatchCaption() {
    return window_look::LetterSpaced(window_look::BatchWords());
}

const QString FileBrowser::kParentEntry = QStringLiteral("[..]");
const std::array<std::string, 11> FileBrowser::kPatterns = {"*.avi",
                                                            "*.ac3",
                                                            "*.dts",
                                                            "*.mp2",
                                                            "*.mp3",
                                                            "*.mpa;*.mp2",
                                                            "*.ogg;*.oga;*.opus",
                                                            "*.vob",
                                                            "*.wav",
                                                            "*.*",
                                                            source_kinds::AllowedPattern()};

FileBrowser::FileBrowser(FileBrowserView& view, QString appTitle, std::string mountsFile,
                         QObject* parent)
    : QObject(parent),
      view_(view),
      appTitle_(std::move(appTitle)),
      mountsFile_(std::move(mountsFile)),
      opener_(OpenWithDesktop) {
    drives_.Read(mountsFile_);
    QComboBox& driveList = view_.DriveList();
    for (const file_lists::Drive& d : drives_.Drives()) {
        driveList.addItem(Shown(d.MountPoint));
    }
    connect(&driveList, &QComboBox::activated, this, [this] { drvDrives_Click(); });
    driveList.installEventFilter(this);
    std::error_code ec;
    const std::string working = std::filesystem::current_path(ec).string();
    if (ec || !folders_.SetPath(working)) {
        folders_.SetPath("/");
    }
    driveFolders_[DriveRoot()] = folders_.Path();
    SyncDriveChoice();

    UltraBox& list = view_.EntryList();
    connect(&list, &UltraBox::Click, this, [this] { ubMain_Click(); });
    connect(&list, &UltraBox::DoubleClick, this, [this] { ubMain_DblClick(); });
    // Backspace on the list goes up, as cmdBack does; Ctrl+A takes the files, not the folders.
    connect(&list, &UltraBox::BackRequested, this, [this] { cmdBack_Click(); });
    list.SetSelectAllFilter([this](int index) { return KindOf(index) == EntryKind::File; });
}

void FileBrowser::RereadDrives() {
    drives_.Read(mountsFile_);
    FillDriveList();
    SyncDriveChoice();
}

void FileBrowser::FillDriveList() {
    QComboBox& driveList = view_.DriveList();
    const QSignalBlocker quiet(driveList);
    driveList.clear();
    for (const file_lists::Drive& d : drives_.Drives()) {
        driveList.addItem(Shown(d.MountPoint));
    }
}

bool FileBrowser::eventFilter(QObject* watched, QEvent* event) {
    // A medium mounted since the last look shows up when the list is opened.
    if (watched == &view_.DriveList() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)) {
        RereadDrives();
    }
    return QObject::eventFilter(watched, event);
}

std::string FileBrowser::DriveRoot() const {
    return file_lists::DriveOf(drives_.Drives(), folders_.Path());
}

void FileBrowser::SyncDriveChoice() {
    const std::string root = DriveRoot();
    const auto& drives = drives_.Drives();
    for (std::size_t i = 0; i < drives.size(); ++i) {
        if (drives[i].MountPoint == root) {
            view_.DriveList().setCurrentIndex(static_cast<int>(i));
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
    view_.SetStartCaption(SingleCaption());
    UltraBox& list = view_.EntryList();
    list.Clear();
    list.SetPaint(false);
    QFont font = list.Font();
    font.setPointSize(8);
    list.SetFont(font);
    list.Refresh();
    files_.SetPath(folders_.Path());
    view_.ShowFolder(Shown(paths::AddBackslash(folders_.Path())));
    // Let the path label show before a long list is filled. User input waits, so a click
    // cannot start a second rebuild in the middle of this one.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    entries_.clear();
    entries_.push_back({});
    const bool showFolders = !view_.HideFolders();
    // Names are shown as they are: no "&" mnemonics, no "}" markup. Each entry carries its
    // number in entries_, so its kind and bytes are found even after the list sorted itself.
    UltraBoxAddArgs look;
    look.fColor = kEntryText;
    look.literal = true;
    const auto add = [&](EntryKind kind, const std::string& rawText, std::string path) {
        QString text = Shown(rawText);
        look.bColor = kind == EntryKind::File ? kFileBack : kFolderBack;
        look.data = static_cast<std::int64_t>(entries_.size());
        list.AddItem(text, look);
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
    list.SetPaint(true);
}

void FileBrowser::optPattern_Click(int index) {
    if (index < 0 || index >= static_cast<int>(kPatterns.size())) {
        return;
    }
    SetFilter(index);
    view_.ParkFocus();
}

void FileBrowser::SetFilter(int index) {
    if (index < 0 || index >= static_cast<int>(kPatterns.size())) {
        return;
    }
    view_.ShowFilter(index);
    files_.SetPattern(kPatterns[static_cast<std::size_t>(index)]);
    dirDirs_Change();
    view_.SetCaption(appTitle_);
}

void FileBrowser::Refresh() {
    view_.ParkFocus();
    dirDirs_Change();
    view_.SetCaption(appTitle_);
}

void FileBrowser::drvDrives_Click() {
    const int chosen = view_.DriveList().currentIndex();
    const auto& drives = drives_.Drives();
    if (chosen < 0 || chosen >= static_cast<int>(drives.size())) {
        return;
    }
    const std::string& root = drives[static_cast<std::size_t>(chosen)].MountPoint;
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
    view_.SetCaption(appTitle_);
    view_.ParkFocus();
}

void FileBrowser::cmdRoot_Click() {
    ChangeFolder(DriveRoot());
    view_.SetCaption(appTitle_);
    view_.ParkFocus();
}

void FileBrowser::chkDirs_Click() {
    view_.ParkFocus();
    dirDirs_Change();
}

void FileBrowser::chkAll_Click() {
    view_.ParkFocus();
    ConvertAllChanged();
}

void FileBrowser::ConvertAllChanged() {
    view_.SetStartCaption(view_.ConvertAll() || ChosenFileCount() > 1 ? BatchCaption()
                                                                      : SingleCaption());
}

int FileBrowser::ChosenFileCount() const {
    const UltraBox& list = view_.EntryList();
    int count = 0;
    for (int i = 1; i <= list.ListCount(); ++i) {
        if (list.IsSelected(i) && KindOf(i) == EntryKind::File) {
            ++count;
        }
    }
    return count;
}

std::vector<batch::Entry> FileBrowser::RunEntries() const {
    const UltraBox& list = view_.EntryList();
    const std::string folder = paths::AddBackslash(folders_.Path());
    std::vector<batch::Entry> entries;
    entries.reserve(static_cast<std::size_t>(std::max(0, list.ListCount())));
    for (int i = 1; i <= list.ListCount(); ++i) {
        // The list shows names that are not valid UTF-8 with replacement characters; the
        // browser knows each entry's bytes, and which entries are folders. An entry the
        // browser did not add counts as a folder, so it is never converted.
        std::string text = list.List(i).toStdString();
        const EntryKind kind = KindOf(i);
        const std::string path = EntryPath(i);
        if ((kind == EntryKind::File || kind == EntryKind::Folder) && path.size() > folder.size() &&
            path.compare(0, folder.size(), folder) == 0) {
            text = path.substr(folder.size());
        }
        entries.push_back({std::move(text), list.IsSelected(i), kind != EntryKind::File,
                           kind == EntryKind::Parent});
    }
    return entries;
}

void FileBrowser::ubMain_Click() {
    const UltraBox& list = view_.EntryList();
    const int index = list.ListIndex();
    if (index < 1) {
        return;
    }
    if (KindOf(index) != EntryKind::File) {
        view_.SetCaption(appTitle_);
        return;
    }
    view_.SetCaption(list.List(index) + QStringLiteral(" - ") + appTitle_);
    if (ChosenFileCount() > 1) {
        view_.SetStartCaption(BatchCaption());
    } else if (!view_.ConvertAll()) {
        view_.SetStartCaption(SingleCaption());
    }
}

void FileBrowser::ubMain_DblClick() {
    const int index = view_.EntryList().ListIndex();
    if (index < 1) {
        return;
    }
    const Entry* entry = EntryAt(index);
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
    const UltraBox& list = view_.EntryList();
    if (index < 1 || index > list.ListCount()) {
        return nullptr;
    }
    // The entry's own number travels with it, should the list have reordered itself; an
    // entry that some other hand added or changed is none of the browser's.
    const std::int64_t number = list.ItemData(index);
    if (number < 1 || number >= static_cast<std::int64_t>(entries_.size())) {
        return nullptr;
    }
    const Entry& entry = entries_[static_cast<std::size_t>(number)];
    return entry.text == list.List(index) ? &entry : nullptr;
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
    UltraBox& list = view_.EntryList();
    const QString wanted = name.toUpper();
    for (int i = 1; i <= list.ListCount(); ++i) {
        if (KindOf(i) == EntryKind::File && list.List(i).toUpper() == wanted) {
            list.SetSelected(i, true);
            return true;
        }
    }
    return false;
}
