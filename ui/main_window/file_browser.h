#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "batch_run.h"
#include "drive_list.h"
#include "file_list.h"
#include "folder_list.h"

class QComboBox;
class UltraBox;

// What the browser needs of the window that holds it: its two lists, two captions, the place
// that shows the current folder, the focus sink and the form's folder choices.
class FileBrowserView {
public:
    virtual ~FileBrowserView() = default;
    // The visible list the browser fills (ubMain).
    virtual UltraBox& EntryList() = 0;
    // The drive list (drvDrives); the browser fills it and follows its choice.
    virtual QComboBox& DriveList() = 0;
    // Sets the window's caption.
    virtual void SetCaption(const QString& caption) = 0;
    // Sets the start button's caption.
    virtual void SetStartCaption(const QString& caption) = 0;
    // Shows the current folder, given with its closing "/".
    virtual void ShowFolder(const QString& folder) = 0;
    // Marks filter `index` (0..10) as the chosen one.
    virtual void ShowFilter(int index) = 0;
    // "Verzeichnisse ausblenden" and "kompletten Ordner konvertieren" as the form has them.
    virtual bool HideFolders() const = 0;
    virtual bool ConvertAll() const = 0;
    // Moves the keyboard focus to the focus sink unless a visible control holds it.
    virtual void ParkFocus() = 0;
};

// The left column of the main window: a drive list, a folder list and a file list that are
// never shown, and ubMain, rebuilt from them whenever the folder, the filter or the folder
// option changes. The browser follows the drive choice and the Click, DoubleClick (also
// Return) and BackRequested (Backspace, as cmdBack) of ubMain itself, and lets Ctrl+A select
// the file entries only; the window connects its buttons to the handlers below.
class FileBrowser : public QObject {
    Q_OBJECT

public:
    // Start caption for one file, and for a batch, letter-spaced from the translated words.
    static QString SingleCaption();
    static QString BatchCaption();
    // Text of the parent entry.
    static const QString kParentEntry;
    // Index of the "*.*" filter, chosen when the window is created.
    static constexpr int kAllFilesPattern = 9;
    // The filter patterns by optPattern index; "erlaubte Formate" (10) names every kind the
    // transcoder takes (source_kinds::AllowedPattern).
    static const std::array<std::string, 11> kPatterns;

    // Starts in the process's working folder with the filter "*.*"; ubMain stays empty
    // until the first rebuild. `mountsFile` lists the mounted file systems; it is read again
    // whenever drvDrives is opened.
    // `view` outlives the browser; `appTitle` is the caption the handlers fall back to.
    FileBrowser(FileBrowserView& view, QString appTitle,
                std::string mountsFile = "/proc/self/mounts", QObject* parent = nullptr);

    // Rebuilds ubMain from the current folder and filter (parent, folders, files).
    void dirDirs_Change();
    // Sets the filter of optPattern `index` (0..10, others ignored), re-reads, rebuilds,
    // resets the caption and parks the focus.
    void optPattern_Click(int index);
    // The same without moving the focus.
    void SetFilter(int index);
    // Re-reads the files of the current folder and rebuilds (the sub-folders stay as read).
    void Refresh();
    // Moves to `folder` (drive and folder) and rebuilds; false when it cannot be read, the
    // browser then stays where it was.
    bool SetFolder(const std::string& folder);
    // The current folder as raw bytes, without a closing "/" except at "/".
    const std::string& CurrentFolder() const { return folders_.Path(); }
    // Selects the first file entry whose text equals `name`, case ignored; false when none.
    bool SelectFileEntry(const QString& name);

    // What an entry of ubMain stands for. The browser knows it from the folder it read, so
    // a file whose name begins with "[" is a file entry like any other.
    enum class EntryKind { None, Parent, Folder, File };

    // The kind of entry `index` (1..ListCount of ubMain); None for no such entry.
    EntryKind KindOf(int index) const;
    // True for the parent entry and the folder entries; those are never converted.
    bool IsFolderEntry(int index) const;
    // The full path, as raw bytes, of entry `index` (1..ListCount of ubMain), whose text
    // may show replacement characters where the name is not valid UTF-8. For the parent
    // entry, the parent folder; empty for no such entry.
    std::string EntryPath(int index) const;
    // The number of selected file entries.
    int ChosenFileCount() const;
    // Every entry of ubMain in list order, as a run takes it: a file or a folder by the name
    // the folder holds (its bytes, whatever the list shows), whether it is selected, and
    // whether it is a folder or the parent.
    std::vector<batch::Entry> RunEntries() const;
    // The filter the file list applies (";"-separated wildcards), which a run's folder trees
    // follow too.
    const std::string& FilePattern() const { return files_.Pattern(); }

    // The user's actions; each is connected to its control.
    void drvDrives_Click();
    void cmdBack_Click();
    void cmdRoot_Click();
    void chkDirs_Click();
    void chkAll_Click();
    // chkAll's effect on the start caption, without moving the focus.
    void ConvertAllChanged();
    void ubMain_Click();
    void ubMain_DblClick();

    // Opens a file with the desktop's program for it; QDesktopServices::openUrl unless
    // replaced (tests observe it).
    using FileOpener = std::function<void(const std::string& path)>;
    void SetFileOpener(FileOpener opener) { opener_ = std::move(opener); }

    // The drives as listed in drvDrives, "/" first.
    const std::vector<file_lists::Drive>& Drives() const { return drives_.Drives(); }
    // Reads the mount table again and lists its drives, keeping the current one chosen.
    void RereadDrives();

protected:
    // Re-reads the drives when drvDrives is about to open.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One entry of ubMain as the last rebuild added it.
    struct Entry {
        EntryKind kind = EntryKind::None;
        QString text;      // as shown
        std::string path;  // full path of the folder or file it stands for
    };
    bool ChangeFolder(const std::string& folder);
    void Rebuild();
    const Entry* EntryAt(int index) const;
    void SyncDriveChoice();
    std::string DriveRoot() const;
    void FillDriveList();

    FileBrowserView& view_;
    QString appTitle_;
    std::string mountsFile_;
    file_lists::DriveList drives_;
    file_lists::FolderList folders_;
    file_lists::FileList files_;
    FileOpener opener_;
    std::map<std::string, std::string> driveFolders_;  // each drive's last folder
    std::vector<Entry> entries_;                       // by entry number, slot 0 unused
    bool rebuilding_ = false;
    bool rebuildAgain_ = false;
};
