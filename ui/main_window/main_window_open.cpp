// What the window opens from outside the form: a file named at start or handed over by a
// second instance, and what is dropped on it.
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unordered_set>

#include "file_browser.h"
#include "form_state.h"
#include "main_window.h"
#include "paths.h"
#include "ultrabox.h"
#include "window_look.h"

namespace {

QString Shown(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The folder that holds `file`, with its closing "/" ("/" for a file at the top); empty for
// a name without any "/".
std::string FolderOf(const std::string& file) {
    const std::size_t last = file.rfind('/');
    return last == std::string::npos ? std::string() : file.substr(0, last + 1);
}

// `path` without closing "/", except for "/" itself.
std::string WithoutClosingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// The local files and folders a drag carries, as raw bytes: the percent-encoded path is
// decoded byte for byte, so names that are not valid UTF-8 arrive intact.
std::vector<std::string> DroppedPaths(const QMimeData* mime) {
    std::vector<std::string> paths;
    if (mime == nullptr || !mime->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile() || !url.host().isEmpty()) {
            continue;
        }
        const QByteArray bytes =
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (bytes.startsWith('/') && !bytes.contains('\0')) {
            paths.emplace_back(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        }
    }
    return paths;
}

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

}  // namespace

void MainWindow::OpenFile(const std::string& file) {
    const std::string name = paths::LastPathPart(file);
    const std::string folder = FolderOf(file);
    const bool moved = !folder.empty() && browser_->SetFolder(folder);
    if (const auto filter = form_state::FilterForFile(file)) {
        browser_->optPattern_Click(static_cast<int>(*filter));
    } else if (!moved) {
        browser_->dirDirs_Change();  // the list shows the folder it stayed in
    }
    browser_->SelectFileEntry(Shown(name));
    setWindowTitle(Shown(name) + QStringLiteral(" - ") + appTitle_);
}

std::size_t MainWindow::SelectDropped(const std::vector<std::string>& names) {
    const std::unordered_set<std::string> wanted(names.begin(), names.end());
    std::vector<int> found;
    for (int i = 1; i <= ubMain_->ListCount(); ++i) {
        // The parent and folder entries are never part of a selection of files.
        if (browser_->KindOf(i) != FileBrowser::EntryKind::File) {
            continue;
        }
        if (wanted.count(paths::LastPathPart(browser_->EntryPath(i))) != 0) {
            found.push_back(i);
        }
    }
    ubMain_->SelectEntries(found);
    return found.size();
}

bool MainWindow::OpenDropped(const std::vector<std::string>& items) {
    if (items.empty()) {
        return false;
    }
    const std::string first = WithoutClosingSlash(items.front());
    if (items.size() == 1 && IsDirectory(first)) {
        if (!browser_->SetFolder(first)) {
            return false;
        }
        setWindowTitle(appTitle_);
        return true;
    }
    const std::string folder = FolderOf(first);
    if (folder.empty() || !browser_->SetFolder(folder)) {
        return false;
    }
    // The dropped files that lie in that folder, each once; folders dropped with them are
    // left out of the selection.
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const std::string& item : items) {
        const std::string path = WithoutClosingSlash(item);
        std::string name = paths::LastPathPart(path);
        if (FolderOf(path) == folder && !IsDirectory(path) && seen.insert(name).second) {
            names.push_back(std::move(name));
        }
    }
    std::size_t found = SelectDropped(names);
    // Names beginning with "." are never listed; any other file missing from the list is
    // hidden by the filter.
    const bool filtered =
        std::any_of(names.begin(), names.end(), [](const std::string& n) { return n[0] != '.'; }) &&
        found < names.size();
    if (filtered && State().Filter != FileFilter::AllFiles) {
        browser_->optPattern_Click(FileBrowser::kAllFilesPattern);
        found = SelectDropped(names);
    }
    setWindowTitle(found == 1 && names.size() == 1
                       ? Shown(names.front()) + QStringLiteral(" - ") + appTitle_
                       : appTitle_);
    if (browser_->ChosenFileCount() > 1) {
        window_look::SetButtonCaption(Command1_, FileBrowser::BatchCaption());
    }
    return true;
}

void MainWindow::BringToFront() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if ((inputRefused && inputRefused()) || DroppedPaths(event->mimeData()).empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (inputRefused && inputRefused()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    // During a run the window takes no input, and a drop is input too.
    if ((inputRefused && inputRefused()) || !OpenDropped(DroppedPaths(event->mimeData()))) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}
