#include "main_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <unordered_set>

#include "file_browser.h"
#include "paths.h"
#include "property_store.h"
#include "system_colors.h"
#include "twips.h"
#include "ultrabox.h"
#include "window_look.h"
#include "window_position.h"
#include "xp_progress_bar.h"

namespace {

using namespace window_look;

constexpr int kButtonFace = 15;  // system colour index of a button's face

const QString kStartCaption = QStringLiteral("K O N V E R T I E R U N G    S T A R T E N");

// The filter button for the last three characters of a file's name; other endings keep the
// filter as it is.
struct ExtensionFilter {
    std::string_view extension;
    int pattern;
};
constexpr std::array<ExtensionFilter, 8> kExtensionFilters = {{{"avi", 0},
                                                               {"ac3", 1},
                                                               {"mp2", 3},
                                                               {"mp3", 4},
                                                               {"mpa", 5},
                                                               {"ogg", 6},
                                                               {"vob", 7},
                                                               {"wav", 8}}};

int FilterForFile(std::string_view file) {
    if (file.size() < 3) {
        return -1;
    }
    std::string last(file.substr(file.size() - 3));
    for (char& ch : last) {
        if (ch >= 'A' && ch <= 'Z') {
            ch = static_cast<char>(ch - 'A' + 'a');
        }
    }
    for (const ExtensionFilter& f : kExtensionFilters) {
        if (f.extension == last) {
            return f.pattern;
        }
    }
    return -1;
}

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

int MainWindow::Px(int twips) const {
    return Twips::TwipsToPixels(twips, *this);
}

void MainWindow::Place(QWidget* w, int left, int top, int width, int height) const {
    w->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

MainWindow::MainWindow(const QString& title, QWidget* parent)
    : QWidget(parent),
      appTitle_(title),
      ubMainStore_(std::make_unique<PropertyStore>()),
      progressStore_(std::make_unique<PropertyStore>()) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(title);
    setFont(DesignFont(QStringLiteral("MS Sans Serif"), 8.25, false));
    SetBackground(this, QColor(128, 128, 128));
    // Captions sit close to their marks, as the layout was drawn with.
    setStyleSheet(QStringLiteral("QCheckBox, QRadioButton { spacing: 3px; }"));
    ApplyOuterSize(kHeightTwips);

    CreateBrowserColumn();
    CreateBannerAndFilters();
    CreateFormatFrames();
    CreateBottom();
    CreateOutputGroup();

    cmdDummy_ = new QPushButton(this);
    cmdDummy_->setObjectName(QStringLiteral("cmdDummy"));
    Place(cmdDummy_, 10800, 0, 195, 195);

    for (QAbstractButton* b : findChildren<QAbstractButton*>()) {
        if (qobject_cast<QCheckBox*>(b) != nullptr || qobject_cast<QRadioButton*>(b) != nullptr) {
            FitCaption(b);
        }
    }
    ConnectFocusSink();
    AttachBrowser();
    setAcceptDrops(true);
}

MainWindow::~MainWindow() {
    // The browser and the two controls go before the stores they use.
    delete browser_;
    browser_ = nullptr;
    delete ubMain_;
    delete XP_ProgressBar1_;
}

void MainWindow::CreateBrowserColumn() {
    drvDrives_ = new QComboBox(this);
    drvDrives_->setObjectName(QStringLiteral("drvDrives"));
    drvDrives_->setFont(ArialBold(9));
    Place(drvDrives_, 120, 120, 3675, 345);

    const auto button = [this](const char* name, const QString& caption, const QString& tip,
                               int left, int top) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        b->setAccessibleName(tip);  // read out for the symbol-only buttons
        Place(b, left, top, 285, 300);
        return b;
    };
    // The root of a Linux file system is "/", so the button shows that.
    cmdRoot_ = button("cmdRoot", QStringLiteral("/"),
                      QStringLiteral("Ins Wurzelverzeichnis wechseln"), 3855, 135);
    cmdBack_ = button("cmdBack", QStringLiteral(".."),
                      QStringLiteral("eine Verzeichnisebene höher"), 4185, 135);

    // The list's design values, as the form designer kept them.
    ubMainStore_->WriteProperty(QStringLiteral("Style"), 1);
    ubMainStore_->WriteProperty(QStringLiteral("Color"), qlonglong{0});
    ubMainStore_->WriteProperty(QStringLiteral("Fill"), 0);
    ubMainStore_->WriteProperty(QStringLiteral("SELECTSTYLE"), 0);
    ubMainStore_->WriteProperty(QStringLiteral("Mult"), true);
    ubMainStore_->WriteProperty(QStringLiteral("Sort"), true);
    ubMainStore_->WriteProperty(QStringLiteral("Font"), QVariant::fromValue(ArialBold(9)));
    ubMain_ = new UltraBox(ubMainStore_.get(), this);
    ubMain_->setObjectName(QStringLiteral("ubMain"));
    Place(ubMain_, 120, 480, 4335, 5295);

    Command2_ = button("Command2", QString(), QStringLiteral("Aktualisieren"), 4560, 480);
    if (QFontDatabase::families().contains(QStringLiteral("Webdings"))) {
        Command2_->setFont(QFont(QStringLiteral("Webdings"), 9));
        Command2_->setText(QStringLiteral("q"));
    } else {
        const int side = std::max(10, Px(300) - 6);
        Command2_->setIcon(RefreshIcon(side));
        Command2_->setIconSize(QSize(side, side));
    }
}

void MainWindow::CreateBannerAndFilters() {
    // The banner: the red title drawn over a yellow one, a little up and left of it.
    const auto banner = [this](const char* name, const QColor& colour) {
        auto* l = new QLabel(QStringLiteral("Tonquell Audio"), this);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(ArialBold(18));
        SetTextColour(l, colour);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    };
    Label9_ = banner("Label9", QColor(255, 255, 0));
    Place(Label9_, 4950, 105, 3975, 405);
    Label1_ = banner("Label1", QColor(255, 0, 0));
    Place(Label1_, 4980, 120, 3975, 495);

    Check1_ = new QCheckBox(QStringLiteral("BeSweet Box verstecken"), this);
    Check1_->setObjectName(QStringLiteral("Check1"));
    SetTextColour(Check1_, Qt::white);
    Check1_->setChecked(true);
    Place(Check1_, 5820, 600, 2475, 195);

    Frame5_ = new QGroupBox(QStringLiteral("Formate zeigen:"), this);
    Frame5_->setObjectName(QStringLiteral("Frame5"));
    // No colour of its own: the system's button face, as frames have by default.
    SetBackground(Frame5_, system_colors::FromPalette(kButtonFace, QApplication::palette()));
    Place(Frame5_, 4560, 1020, 1455, 2955);
    struct Pattern {
        int index;
        const char* caption;
    };
    // Top to bottom as shown; DTS (2) and MP2 (3) exist but are never shown.
    static constexpr Pattern kPatterns[] = {
        {0, "AVI"}, {1, "AC3"}, {4, "MP3"}, {5, "MPA/MP2"},
        {6, "OGG"}, {7, "VOB"}, {8, "WAV"}, {10, "erlaubte Formate"},
        {9, "*.*"}, {2, "DTS"}, {3, "MP2"}};
    auto* group = new QButtonGroup(this);
    int row = 0;
    for (const Pattern& p : kPatterns) {
        auto* b = new QRadioButton(QString::fromLatin1(p.caption), Frame5_);
        b->setObjectName(QStringLiteral("optPattern_%1").arg(p.index));
        group->addButton(b, p.index);
        if (p.index == 2 || p.index == 3) {
            b->hide();
        } else {
            Place(b, 240, 300 + row * 285, 1455 - 240 - 30, 255);
            ++row;
        }
        optPattern_[static_cast<std::size_t>(p.index)] = b;
    }
    optPattern_[9]->setChecked(true);

    Frame3_ = new QGroupBox(QStringLiteral("Pfad-Einstellungen"), this);
    Frame3_->setObjectName(QStringLiteral("Frame3"));
    SetBackground(Frame3_, QColor(255, 255, 192));
    Place(Frame3_, 6120, 1020, 3135, 1155);
    chkDirs_ = new QCheckBox(QStringLiteral("Verzeichnisse ausblenden"), Frame3_);
    chkDirs_->setObjectName(QStringLiteral("chkDirs"));
    chkDirs_->setToolTip(chkDirs_->text());
    Place(chkDirs_, 540, 300, 2295, 255);
    chkAll_ = new QCheckBox(QStringLiteral("kompletten Ordner konvertieren"), Frame3_);
    chkAll_->setObjectName(QStringLiteral("chkAll"));
    chkAll_->setToolTip(chkAll_->text());
    // Designed as two lines of 1755 twips; a Qt check box does not wrap its caption, so it
    // takes the frame's width instead and keeps the caption whole on one line.
    Place(chkAll_, 540, 600, 3135 - 540 - 60, 435);
}

void MainWindow::CreateBottom() {
    Command1_ = new QPushButton(kStartCaption, this);
    Command1_->setObjectName(QStringLiteral("Command1"));
    Command1_->setFont(ArialBold(14.25));
    Place(Command1_, 120, 5880, 9135, 615);

    progressStore_->WriteProperty(QStringLiteral("Scrolling"), 0);
    progressStore_->WriteProperty(QStringLiteral("Color"), 0x008000U);  // red 0, green 128
    progressStore_->WriteProperty(QStringLiteral("ShowText"), false);
    progressStore_->WriteProperty(QStringLiteral("Text"), QString());
    XP_ProgressBar1_ = new XP_ProgressBar(progressStore_.get(), this);
    XP_ProgressBar1_->setObjectName(QStringLiteral("XP_ProgressBar1"));
    Place(XP_ProgressBar1_, 120, 6540, 9135, 255);
}

void MainWindow::ConnectFocusSink() {
    // Every button, check box and option button hands the focus back to the sink after a
    // click, so no visible control keeps a focus frame.
    for (QAbstractButton* b : findChildren<QAbstractButton*>()) {
        if (b != cmdDummy_) {
            connect(b, &QAbstractButton::clicked, this, &MainWindow::ParkFocus);
        }
    }
}

void MainWindow::AttachBrowser() {
    // The browser connects the left column's controls and the filter buttons itself.
    FileBrowserControls c;
    c.drvDrives = drvDrives_;
    c.ubMain = ubMain_;
    c.chkDirs = chkDirs_;
    c.chkAll = chkAll_;
    c.chkOutPath = chkOutPath_;
    c.txtOutPath = txtOutPath_;
    c.lblPath = lblPath_;
    c.cmdRoot = cmdRoot_;
    c.cmdBack = cmdBack_;
    c.Command2 = Command2_;
    c.Command1 = Command1_;
    c.optPattern = optPattern_;
    c.window = this;
    c.cmdDummy = cmdDummy_;
    c.appTitle = appTitle_;
    c.showFolder = [this](const QString& folder) { ShowCurrentFolder(folder); };
    browser_ = new FileBrowser(c, "/proc/self/mounts", this);
}

QRadioButton* MainWindow::optPattern(int index) const {
    return index >= 0 && index < kPatternCount ? optPattern_[static_cast<std::size_t>(index)]
                                               : nullptr;
}

QRadioButton* MainWindow::optFormat(int index) const {
    return index >= 0 && index < kFormatCount ? optFormat_[static_cast<std::size_t>(index)]
                                              : nullptr;
}

void MainWindow::dirDirs_Change() {
    if (browser_ != nullptr) {
        browser_->dirDirs_Change();
    }
}

void MainWindow::optPattern_Click(int index) {
    if (browser_ != nullptr) {
        browser_->optPattern_Click(index);
    }
}

void MainWindow::Command2_Click() {
    if (browser_ != nullptr) {
        browser_->Refresh();
    }
}

void MainWindow::ParkFocus() {
    cmdDummy_->setFocus(Qt::OtherFocusReason);
}

QMargins MainWindow::FrameMargins() const {
    // The designed frame, until the platform reports its own. A platform that reports a
    // thinner frame (no title bar at all, or none drawn offscreen) keeps the designed one,
    // so the visible area never grows over the controls meant to lie below it.
    const QMargins designed(4, 26, 4, 4);
    const QWindow* handle = windowHandle();
    if (handle == nullptr || !isVisible()) {
        return designed;
    }
    const QMargins reported = handle->frameMargins();
    return {std::max(reported.left(), designed.left()), std::max(reported.top(), designed.top()),
            std::max(reported.right(), designed.right()),
            std::max(reported.bottom(), designed.bottom())};
}

void MainWindow::ApplyOuterSize(int heightTwips) {
    outerHeightTwips_ = heightTwips;
    appliedFrame_ = FrameMargins();
    constexpr int kStartButtonBottom = 5880 + 615;
    setFixedSize(Px(kWidthTwips) - appliedFrame_.left() - appliedFrame_.right(),
                 std::max(Px(heightTwips) - appliedFrame_.top() - appliedFrame_.bottom(),
                          Px(kStartButtonBottom)));
}

void MainWindow::SetBusyHeight(bool busy) {
    ApplyOuterSize(busy ? kBusyHeightTwips : kHeightTwips);
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ApplyOuterSize(outerHeightTwips_);  // the platform's frame is known from now on
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // A window manager puts its frame around the window after it was shown.
    if (isVisible() && FrameMargins() != appliedFrame_) {
        ApplyOuterSize(outerHeightTwips_);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    emit aboutToClose();
    emit closing();
    QWidget::closeEvent(event);
}

void MainWindow::OpenFile(const std::string& file) {
    const std::string name = paths::LastPathPart(file);
    if (browser_ != nullptr) {
        const std::string folder = FolderOf(file);
        const bool moved = !folder.empty() && browser_->SetFolder(folder);
        const int filter = FilterForFile(file);
        if (filter >= 0) {
            browser_->optPattern_Click(filter);
        } else if (!moved) {
            browser_->dirDirs_Change();  // the list shows the folder it stayed in
        }
        browser_->SelectFileEntry(Shown(name));
    }
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
    if (browser_ == nullptr || items.empty()) {
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
    if (filtered && !optPattern_[FileBrowser::kAllFilesPattern]->isChecked()) {
        browser_->optPattern_Click(FileBrowser::kAllFilesPattern);
        found = SelectDropped(names);
    }
    setWindowTitle(found == 1 && names.size() == 1
                       ? Shown(names.front()) + QStringLiteral(" - ") + appTitle_
                       : appTitle_);
    if (browser_->ChosenFileCount() > 1) {
        Command1_->setText(FileBrowser::kBatchCaption);
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

void CentreWindow(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const double twips = Twips::TwipsPerPixel(window);
    const QSize screenSize = screen->size();
    const QRect frame = window.frameGeometry();
    const auto pos =
        window_position::CentredPosition(screenSize.width() * twips, screenSize.height() * twips,
                                         frame.width() * twips, frame.height() * twips);
    window.move(static_cast<int>(std::lround(pos.Left / twips)),
                static_cast<int>(std::lround(pos.Top / twips)));
}
