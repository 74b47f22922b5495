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

class FileBrowser;
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
// at creation. Accessors are named after the controls and return the live widgets; the
// window owns them all for its whole life. Handlers with a trailing _Click/_Change may be
// called directly (start-up and the batch run do) and behave as the user's action would.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(const QString& title, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Outer size while idle and while a batch runs, in twips.
    static constexpr int kWidthTwips = 9450;
    static constexpr int kHeightTwips = 6945;
    static constexpr int kBusyHeightTwips = 7230;
    // Number of filter buttons, target formats and bitrate bars.
    static constexpr int kPatternCount = 11;
    static constexpr int kFormatCount = 4;

    // The application title the window caption falls back to.
    const QString& AppTitle() const { return appTitle_; }

    // --- The browser column (driven by FileBrowser) ---
    QComboBox* drvDrives() const { return drvDrives_; }
    QPushButton* cmdRoot() const { return cmdRoot_; }
    QPushButton* cmdBack() const { return cmdBack_; }
    QPushButton* Command2() const { return Command2_; }
    UltraBox* ubMain() const { return ubMain_; }
    // Filter button `index` (0..10); nullptr outside.
    QRadioButton* optPattern(int index) const;
    QGroupBox* Frame5() const { return Frame5_; }
    QGroupBox* Frame3() const { return Frame3_; }
    QCheckBox* chkDirs() const { return chkDirs_; }
    QCheckBox* chkAll() const { return chkAll_; }

    // --- Banner, console option, start button, progress ---
    QLabel* Label9() const { return Label9_; }
    QLabel* Label1() const { return Label1_; }
    QCheckBox* Check1() const { return Check1_; }
    QPushButton* Command1() const { return Command1_; }
    XP_ProgressBar* XP_ProgressBar1() const { return XP_ProgressBar1_; }
    // The focus sink outside the visible area, so that no visible control keeps a focus mark.
    QPushButton* cmdDummy() const { return cmdDummy_; }

    // --- Target format and its options ---
    QGroupBox* Frame2() const { return Frame2_; }
    // Target-format button `index` (0 WAV, 1 MP3, 2 AC3, 3 MPA); nullptr outside.
    QRadioButton* optFormat(int index) const;
    QGroupBox* frmWAV() const { return frmWAV_; }
    QGroupBox* frmMP3() const { return frmMP3_; }
    QGroupBox* frmAC3() const { return frmAC3_; }
    QGroupBox* frmMPA() const { return frmMPA_; }
    // The options frame of format `index`; nullptr outside 0..3.
    QGroupBox* FormatFrame(int index) const;
    // Sample-rate buttons of the four frames; nullptr outside their range.
    QRadioButton* Option1(int index) const;   // WAV: 0 keep, 1 44.1 kHz, 2 48 kHz
    QRadioButton* optSmpRt(int index) const;  // MP3: 0 keep, 1 44.1 kHz
    QRadioButton* optSmpAC(int index) const;  // AC3: 0 keep, 1 48 kHz
    QRadioButton* optSmpMP(int index) const;  // MPA: 0 keep, 1 48 kHz
    QCheckBox* chkNormal() const { return chkNormal_; }
    QCheckBox* chkNormalMP3() const { return chkNormalMP3_; }
    QCheckBox* chkNormalAC3() const { return chkNormalAC3_; }
    QCheckBox* chkNormalMPA() const { return chkNormalMPA_; }
    QCheckBox* chkAC3to6WAV() const { return chkAC3to6WAV_; }
    QScrollBar* HScroll1() const { return HScroll1_; }
    QScrollBar* HScroll2() const { return HScroll2_; }
    QScrollBar* HScroll3() const { return HScroll3_; }
    QLabel* Label4() const { return Label4_; }  // MP3 bitrate caption
    QLabel* Label5() const { return Label5_; }  // AC3 bitrate caption
    QLabel* Label6() const { return Label6_; }  // MPA bitrate caption

    // --- Output path group (below the visible area) ---
    QGroupBox* frmWidth() const { return frmWidth_; }
    QLabel* lblPath() const { return lblPath_; }
    QLineEdit* txtOutPath() const { return txtOutPath_; }
    QPushButton* cmdBrowse() const { return cmdBrowse_; }
    QCheckBox* chkOutPath() const { return chkOutPath_; }

    // The file browser driving the left column; nullptr until it is attached.
    FileBrowser* browser() const { return browser_; }

    // The bitrate in kbit/s last set by a bitrate handler; 0 until one has run.
    std::int16_t SelectedBitrate() const { return selectedBitrate_; }
    // The index of the first chosen target-format button, from 0 upwards; -1 when none is.
    int ChosenFormat() const;
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
    // Sample-rate clicks: park the focus; the frame's normalise box is enabled exactly when
    // `index` is not 0. Its check is kept.
    void Option1_Click(int index);
    void optSmpRt_Click(int index);
    void optSmpAC_Click(int index);
    void optSmpMP_Click(int index);

    // The rebuild's output part: lblPath shows `folder` with a closing separator, and
    // txtOutPath takes the same text while chkOutPath is ticked.
    void ShowCurrentFolder(const QString& folder);
    // chkOutPath's action: ticked fills txtOutPath with the current folder, else empties it.
    void chkOutPath_Click();
    // cmdBrowse's action: asks for a folder and puts it into txtOutPath (nothing on cancel).
    void cmdBrowse_Click();
    // The folder chooser behind cmdBrowse: (parent, start folder) -> folder, empty on cancel.
    // A file dialog by default; replaceable to observe it.
    std::function<QString(QWidget*, const QString&)> chooseFolder;

    // Forwarded to the browser (nothing until one is attached).
    void dirDirs_Change();
    void optPattern_Click(int index);
    void Command2_Click();

    // Sets the outer height to the busy (7230 twips) or the idle height (6945), keeping the
    // width; the progress bar comes into view only while busy. However thick the frame, the
    // client area keeps the start button whole.
    void SetBusyHeight(bool busy);
    // The frame the window adds around its client area, in pixels: the platform's once it
    // reports one, else a 4-pixel border and a 26-pixel title bar.
    QMargins FrameMargins() const;

    // Moves the keyboard focus to cmdDummy.
    void ParkFocus();

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
    void CreateBrowserColumn();
    void CreateBannerAndFilters();
    void CreateFormatFrames();
    void CreateWavFrame();
    void CreateBitrateFrame(int format);
    void CreateBottom();
    void CreateOutputGroup();
    void ConnectFocusSink();
    void AttachBrowser();
    void ApplyOuterSize(int heightTwips);
    void Place(QWidget* w, int left, int top, int width, int height) const;
    void SampleRateChosen(QCheckBox* normalise, int index);
    void BitrateChanged(int format);
    std::size_t SelectDropped(const std::vector<std::string>& names);

    QString appTitle_;
    std::int16_t selectedBitrate_ = 0;
    int outerHeightTwips_ = kHeightTwips;
    QMargins appliedFrame_;
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
    QPushButton* cmdDummy_ = nullptr;
};

// Places `window` horizontally centred, vertically centred in the upper 85 percent of the
// screen, never above or left of its edge.
void CentreWindow(QWidget& window);
