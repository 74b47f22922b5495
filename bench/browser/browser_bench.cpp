// Times a change of folder in the browser, from the change until ubMain is drawn once, on a
// folder of 10,000 files and 500 sub-folders, against QFileSystemModel with a QListView
// showing the same folder in the same run. Prints the medians and their ratio.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QListView>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "file_browser.h"
#include "file_list.h"
#include "folder_list.h"
#include "main_window.h"
#include "ultrabox.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 10000;
constexpr int kFolders = 500;
constexpr int kRounds = 7;

// Two folders of the same content, so that every round is a real change of folder.
void MakeFolder(const fs::path& folder) {
    fs::create_directories(folder);
    for (int i = 0; i < kFolders; ++i) {
        fs::create_directory(folder / ("Ordner " + std::to_string(i)));
    }
    for (int i = 0; i < kFiles; ++i) {
        std::ofstream(folder / ("Titel " + std::to_string(i) + (i % 2 ? ".mp3" : ".WAV")));
    }
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double TimeBrowser(MainWindow& window, const fs::path& folder) {
    QElapsedTimer timer;
    timer.start();
    window.browser()->SetFolder(folder.string());
    window.ubMain()->repaint();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (window.ubMain()->ListCount() != kFiles + kFolders + 1) {
        std::fprintf(stderr, "browser_bench: the list holds %d entries\n",
                     window.ubMain()->ListCount());
    }
    return ms;
}

// The part of a change spent reading the folder (sub-folders and files, sorted).
double TimeReading(const fs::path& folder) {
    QElapsedTimer timer;
    timer.start();
    file_lists::FolderList folders;
    folders.SetPath(folder.string());
    file_lists::FileList files;
    files.SetPath(folder.string());
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double TimeFileSystemModel(const QSize& size, const fs::path& folder) {
    QListView view;
    view.resize(size);
    view.show();
    QApplication::processEvents();
    QFileSystemModel model;
    view.setModel(&model);
    const QString path = QString::fromStdString(folder.string());
    QElapsedTimer timer;
    timer.start();
    const QModelIndex root = model.setRootPath(path);
    view.setRootIndex(root);
    // The model reads in a thread of its own and hands rows over in batches.
    while (model.rowCount(root) < kFiles + kFolders) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    view.viewport()->repaint();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const fs::path base =
        fs::temp_directory_path() /
        ("tonquell-browser-bench-" + std::to_string(QCoreApplication::applicationPid()));
    const fs::path folders[2] = {base / "a", base / "b"};
    for (const fs::path& f : folders) {
        MakeFolder(f);
    }

    MainWindow window(QStringLiteral("Tonquell Audio Converter"));
    window.show();
    QApplication::processEvents();
    const QSize listSize = window.ubMain()->size();

    std::vector<double> ours;
    std::vector<double> peer;
    std::vector<double> reading;
    TimeBrowser(window, folders[1]);  // warm the system's caches for both
    TimeFileSystemModel(listSize, folders[0]);
    for (int round = 0; round < kRounds; ++round) {
        ours.push_back(TimeBrowser(window, folders[round % 2]));
        peer.push_back(TimeFileSystemModel(listSize, folders[round % 2]));
        reading.push_back(TimeReading(folders[round % 2]));
    }
    const double a = Median(ours);
    const double b = Median(peer);
    std::printf("folder of %d files and %d sub-folders, median of %d rounds\n", kFiles, kFolders,
                kRounds);
    std::printf("FileBrowser + UltraBox:        %8.1f ms\n", a);
    std::printf("  of which reading the folder: %8.1f ms\n", Median(reading));
    std::printf("QFileSystemModel + QListView:  %8.1f ms\n", b);
    std::printf("ratio:                         %8.2f\n", a / b);
    std::error_code ec;
    fs::remove_all(base, ec);
    return 0;
}
