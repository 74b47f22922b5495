#pragma once

#include <QMargins>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "file_browser.h"
#include "form_state.h"

class PropertyStore;
class QAbstractButton;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QScrollBar;
class UltraBox;
class XP_ProgressBar;

// The program's only window. Positions and sizes are designed in twips and converted once,
// at creation. The window keeps its controls to itself: the form's choices go in and out as
// one FormState (State, Apply, stateChanged), and the controls carry the names of the design
// as object names ("Check1", "optFormat_2", "HScroll1", ...). Handlers with a trailing
// _Click/_Change may be called directly and behave as the user's action would.
class MainWindow : public QWidget, private FileBrowserView {
    Q_OBJECT
public:
    explicit MainWindow(const QString& title, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Outer size in twips. The window keeps one height: the progress bar's place (Top 6540)
    // and the group "Arbeitspfade:" (Top 7320, 1395 high) lie inside it, with the margin the
    // left edge has below the group.
    static constexpr int kWidthTwips = 9450;
    static constexpr int kHeightTwips = 9285;
    // Number of filter buttons and target formats.
    static constexpr int kPatternCount = 11;
    static constexpr int kFormatCount = 4;

    // The application title the window caption falls back to.
    const QString& AppTitle() const { return appTitle_; }

    // The form's choices as the controls hold them now.
    FormState State() const;
    // Sets the form to `state` as the user's clicks would: the chosen format's frame alone is
    // shown, a normalise box is enabled exactly while its frame forces a rate, the bitrate
    // labels follow their bars, a new filter or folder option rebuilds the list, whole-folder
    // mode sets the start caption; chkOutPath and txtOutPath take the state's values as they
    // stand. The focus stays where it is. A value a control cannot take (a rate its group
    // does not offer, a bitrate not on its bar, a filter outside 0..10) leaves that control
    // as it was. stateChanged comes once, before Apply returns, when anything changed.
    void Apply(const FormState& state);

    // The list, the start button and the progress bar, which the batch run drives.
    UltraBox* ubMain() const { return ubMain_; }
    QPushButton* Command1() const { return Command1_; }
    XP_ProgressBar* XP_ProgressBar1() const { return XP_ProgressBar1_; }
    // The file browser driving the left column.
    FileBrowser* browser() const { return browser_; }

    // The bitrate in kbit/s last set by a bitrate handler; 0 until one has run.
    std::int16_t SelectedBitrate() const { return selectedBitrate_; }
    // Hides the four options frames, shows the one of `index` (none outside 0..3), parks the
    // focus. Option controls and SelectedBitrate are left alone.
    void optFormat_Click(int index);
    // Bitrate handlers: when the bar's position is in its table, set its label and
    // SelectedBitrate; otherwise nothing changes. They do not move the focus.
    void HScroll1_Change();
    void HScroll2_Change();
    void HScroll3_Change();
    // Runs the bitrate handler of format `index` (nothing for WAV or outside 1..3).
    void RunBitrateHandler(int index);

    // The rebuild's output part: lblPath shows `folder` with a closing separator, and
    // txtOutPath takes the same text while chkOutPath is ticked.
    void ShowCurrentFolder(const QString& folder);
    // chkOutPath's action: ticked fills txtOutPath with the current folder, else with the
    // output folder last chosen or typed (empty when there was none). txtOutPath takes typing
    // only while chkOutPath is unticked.
    void chkOutPath_Click();
    // cmdBrowse's action: asks for a folder, starting at the one in txtOutPath; a chosen one
    // goes into txtOutPath and unticks chkOutPath, so the run writes there (nothing on cancel).
    void cmdBrowse_Click();
    // The folder chooser behind cmdBrowse: (parent, start folder) -> folder, empty on cancel.
    // A file dialog by default; replaceable to observe it.
    std::function<QString(QWidget*, const QString&)> chooseFolder;

    // Forwarded to the browser.
    void dirDirs_Change();
    void optPattern_Click(int index);
    void Command2_Click();

    // The frame the window adds around its client area, in pixels: the platform's once it
    // reports one, else a 4-pixel border and a 26-pixel title bar.
    QMargins FrameMargins() const;

    // Moves the keyboard focus to cmdDummy unless a visible control inside the window's
    // visible area holds it (the keyboard put it there).
    void ParkFocus() override;
    // True when `control` is shown inside the window's visible area, whole.
    bool InVisibleArea(const QWidget& control) const;

    // Opens the file `file` (a full path) as a file named at start does: the browser goes to
    // its folder (stays where it is when that cannot be read), the filter follows the
    // extension, the file's entry is selected and the caption names it.
    void OpenFile(const std::string& file);
    // Opens what was dropped (full paths): a folder dropped alone is entered; otherwise the
    // folder of the first item opens with the dropped files in it selected, the filter going
    // to "*.*" when it hides one of them. False when nothing could be opened.
    bool OpenDropped(const std::vector<std::string>& items);
    // Shows the window (also when minimised), raises it and asks for the focus.
    void BringToFront();
    // While it returns true (a batch run goes on), drops are refused. Unset: never.
    std::function<bool()> inputRefused;

    // Converts twips to pixels on this window's screen.
    int Px(int twips) const;

signals:
    // The form's state has changed: once for each user action (a click, a key, a drag) when
    // it is over, once for a folder change that txtOutPath follows, and once at the end of
    // an Apply that changed anything. Carries the new state.
    void stateChanged(const FormState& state);
    // Emitted first when the window closes: a running batch stops its transcoder here.
    void aboutToClose();
    // Emitted after aboutToClose, before the window goes away: the settings are written here.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // FileBrowserView
    UltraBox& EntryList() override { return *ubMain_; }
    QComboBox& DriveList() override { return *drvDrives_; }
    void SetCaption(const QString& caption) override { setWindowTitle(caption); }
    void SetStartCaption(const QString& caption) override;
    void ShowFolder(const QString& folder) override { ShowCurrentFolder(folder); }
    void ShowFilter(int index) override;
    bool HideFolders() const override;
    bool ConvertAll() const override;

    void CreateBrowserColumn();
    void CreateNavigationButtons();
    void CreateBanner();
    void CreateFilters();
    void CreateFolderOptions();
    void CreateFormatFrames();
    void CreateFormatButtons();
    void CreateWavFrame();
    void CreateBitrateFrame(int format);
    void CreateBitrateBar(QGroupBox* frame, int format);
    void ConnectSampleRateGroup(int format);
    void CreateBottom();
    void CreateOutputGroup();
    void ConnectFocusSink();
    void ConnectBrowser();
    void WatchForm();
    void NoteChange();
    void TellChange();
    void ApplyFormat(const FormState& state);
    void ApplyFolderOptions(const FormState& state);
    void ApplyOutputPath(const FormState& state);
    void ApplyOuterSize();
    void Place(QWidget* w, int left, int top, int width, int height) const;
    void ShowFormatFrame(int index);
    void SampleRateChosen(QCheckBox* normalise, int index);
    void SampleRateClicked(int format, int index);
    void BitrateChanged(int format);
    // The caption above a bitrate bar: "Bitrate: 192 KB/s", translated.
    static QString BitrateText(int kbps);
    QGroupBox* FormatFrame(int index) const;
    // The sample-rate buttons, the normalise box and the bitrate bar of `format`'s frame
    // (no bar for WAV).
    QRadioButton* RateButton(int format, int index) const;
    QCheckBox* NormaliseBox(int format) const;
    QScrollBar* BitrateScroll(int format) const;
    std::size_t SelectDropped(const std::vector<std::string>& names);

    QString appTitle_;
    std::int16_t selectedBitrate_ = 0;
    FormState lastState_;         // the state stateChanged last told of
    bool applying_ = false;       // Apply is setting the controls: one signal at its end
    bool changePending_ = false;  // a change is to be told when the event loop comes round
    QMargins appliedFrame_;
    std::string lastOutPath_;  // the output folder last chosen or typed ("OutPath")
    QString currentFolder_ = QStringLiteral("/");
    std::unique_ptr<PropertyStore> ubMainStore_;
    std::unique_ptr<PropertyStore> progressStore_;
    FileBrowser* browser_ = nullptr;

    QComboBox* drvDrives_ = nullptr;
    QPushButton* cmdRoot_ = nullptr;
    QPushButton* cmdBack_ = nullptr;
    QPushButton* Command2_ = nullptr;
    UltraBox* ubMain_ = nullptr;
    QLabel* Label9_ = nullptr;
    QLabel* Label1_ = nullptr;
    QCheckBox* Check1_ = nullptr;
    QGroupBox* Frame5_ = nullptr;
    std::array<QRadioButton*, kPatternCount> optPattern_{};
    QGroupBox* Frame3_ = nullptr;
    QCheckBox* chkDirs_ = nullptr;
    QCheckBox* chkAll_ = nullptr;
    QGroupBox* Frame2_ = nullptr;
    std::array<QRadioButton*, kFormatCount> optFormat_{};
    QGroupBox* frmWAV_ = nullptr;
    QGroupBox* frmMP3_ = nullptr;
    QGroupBox* frmAC3_ = nullptr;
    QGroupBox* frmMPA_ = nullptr;
    std::array<QRadioButton*, 3> Option1_{};
    std::array<QRadioButton*, 2> optSmpRt_{};
    std::array<QRadioButton*, 2> optSmpAC_{};
    std::array<QRadioButton*, 2> optSmpMP_{};
    QCheckBox* chkNormal_ = nullptr;
    QCheckBox* chkNormalMP3_ = nullptr;
    QCheckBox* chkNormalAC3_ = nullptr;
    QCheckBox* chkNormalMPA_ = nullptr;
    QCheckBox* chkAC3to6WAV_ = nullptr;
    QScrollBar* HScroll1_ = nullptr;
    QScrollBar* HScroll2_ = nullptr;
    QScrollBar* HScroll3_ = nullptr;
    QLabel* Label4_ = nullptr;
    QLabel* Label5_ = nullptr;
    QLabel* Label6_ = nullptr;
    QPushButton* Command1_ = nullptr;
    XP_ProgressBar* XP_ProgressBar1_ = nullptr;
    QGroupBox* frmWidth_ = nullptr;
    QLabel* lblPath_ = nullptr;
    QLineEdit* txtOutPath_ = nullptr;
    QPushButton* cmdBrowse_ = nullptr;
    QCheckBox* chkOutPath_ = nullptr;
    QCheckBox* chkSkipExisting_ = nullptr;
    QPushButton* cmdDummy_ = nullptr;
};

// Places `window` horizontally centred, vertically centred in the upper 85 percent of the
// screen, never above or left of its edge.
void CentreWindow(QWidget& window);
