#include "main_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cmath>

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
    ApplyOuterSize();

    CreateBrowserColumn();
    CreateBanner();
    CreateFilters();
    CreateFolderOptions();
    CreateFormatFrames();
    CreateBottom();
    CreateOutputGroup();

    cmdDummy_ = new QPushButton(this);
    cmdDummy_->setObjectName(QStringLiteral("cmdDummy"));
    Place(cmdDummy_, 10800, 0, 195, 195);
    // The sink holds the focus when nothing visible does, but Tab never reaches it.
    cmdDummy_->setFocusPolicy(Qt::NoFocus);

    for (QAbstractButton* b : findChildren<QAbstractButton*>()) {
        if (qobject_cast<QCheckBox*>(b) != nullptr || qobject_cast<QRadioButton*>(b) != nullptr) {
            FitCaption(b);
        }
        if (b != cmdDummy_) {
            // Reached by Tab, never by a click, so no click leaves a focus frame on it.
            b->setFocusPolicy(Qt::TabFocus);
        }
    }
    for (QWidget* frame : {Frame3_, Frame2_, frmWAV_, frmMP3_, frmAC3_, frmMPA_, frmWidth_}) {
        HandDownColours(frame);
    }
    ConnectFocusSink();
    browser_ = new FileBrowser(*this, appTitle_, "/proc/self/mounts", this);
    ConnectBrowser();
    WatchForm();
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
    ubMain_->setAccessibleName(tr("Ordner und Dateien"));
    Place(ubMain_, 120, 480, 4335, 5295);
    CreateNavigationButtons();
}

void MainWindow::CreateNavigationButtons() {
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
    cmdRoot_ =
        button("cmdRoot", QStringLiteral("/"), tr("Ins Wurzelverzeichnis wechseln"), 3855, 135);
    cmdBack_ =
        button("cmdBack", QStringLiteral(".."), tr("eine Verzeichnisebene höher"), 4185, 135);
    Command2_ = button("Command2", QString(), tr("Aktualisieren"), 4560, 480);
    if (QFontDatabase::families().contains(QStringLiteral("Webdings"))) {
        Command2_->setFont(QFont(QStringLiteral("Webdings"), 9));
        Command2_->setText(QStringLiteral("q"));
    } else {
        const int side = std::max(10, Px(300) - 6);
        // In the button's text colour, so that a dark or high-contrast face still shows it.
        Command2_->setIcon(RefreshIcon(side, Command2_->palette().color(QPalette::ButtonText)));
        Command2_->setIconSize(QSize(side, side));
    }
}

void MainWindow::CreateBanner() {
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

    Check1_ = new QCheckBox(tr("BeSweet Box verstecken"), this);
    Check1_->setObjectName(QStringLiteral("Check1"));
    SetTextColour(Check1_, Qt::white);
    Check1_->setChecked(true);
    Place(Check1_, 5820, 600, 2475, 195);
}

void MainWindow::CreateFilters() {
    Frame5_ = new QGroupBox(tr("Formate zeigen:"), this);
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
        {6, "OGG"}, {7, "VOB"}, {8, "WAV"}, {10, QT_TR_NOOP("erlaubte Formate")},
        {9, "*.*"}, {2, "DTS"}, {3, "MP2"}};
    auto* group = new QButtonGroup(this);
    int row = 0;
    for (const Pattern& p : kPatterns) {
        auto* b = new QRadioButton(tr(p.caption), Frame5_);
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
}

void MainWindow::CreateFolderOptions() {
    Frame3_ = new QGroupBox(tr("Pfad-Einstellungen"), this);
    Frame3_->setObjectName(QStringLiteral("Frame3"));
    SetFixedBackground(Frame3_, QColor(255, 255, 192));
    Place(Frame3_, 6120, 1020, 3135, 1155);
    chkDirs_ = new QCheckBox(tr("Verzeichnisse ausblenden"), Frame3_);
    chkDirs_->setObjectName(QStringLiteral("chkDirs"));
    chkDirs_->setToolTip(chkDirs_->text());
    Place(chkDirs_, 540, 300, 2295, 255);
    chkAll_ = new QCheckBox(tr("kompletten Ordner konvertieren"), Frame3_);
    chkAll_->setObjectName(QStringLiteral("chkAll"));
    chkAll_->setToolTip(chkAll_->text());
    // Designed as two lines of 1755 twips; a Qt check box does not wrap its caption, so it
    // takes the frame's width instead and keeps the caption whole on one line.
    Place(chkAll_, 540, 600, 3135 - 540 - 60, 435);
}

void MainWindow::CreateBottom() {
    Command1_ = new QPushButton(this);
    Command1_->setObjectName(QStringLiteral("Command1"));
    SetButtonCaption(Command1_, LetterSpaced(StartWords()));
    Command1_->setFont(ArialBold(14.25));
    Place(Command1_, 120, 5880, 9135, 615);

    progressStore_->WriteProperty(QStringLiteral("Scrolling"), 0);
    progressStore_->WriteProperty(QStringLiteral("Color"), 0x008000U);  // red 0, green 128
    progressStore_->WriteProperty(QStringLiteral("ShowText"), false);
    progressStore_->WriteProperty(QStringLiteral("Text"), QString());
    XP_ProgressBar1_ = new XP_ProgressBar(progressStore_.get(), this);
    XP_ProgressBar1_->setObjectName(QStringLiteral("XP_ProgressBar1"));
    XP_ProgressBar1_->setAccessibleName(tr("Fortschritt"));
    Place(XP_ProgressBar1_, 120, 6540, 9135, 255);
    XP_ProgressBar1_->hide();  // its place is in view: it shows only while a run goes on
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

void MainWindow::ConnectBrowser() {
    const auto onClick = [this](QAbstractButton* button, void (FileBrowser::*handler)()) {
        connect(button, &QAbstractButton::clicked, browser_,
                [this, handler] { (browser_->*handler)(); });
    };
    onClick(cmdRoot_, &FileBrowser::cmdRoot_Click);
    onClick(cmdBack_, &FileBrowser::cmdBack_Click);
    onClick(Command2_, &FileBrowser::Refresh);
    onClick(chkDirs_, &FileBrowser::chkDirs_Click);
    onClick(chkAll_, &FileBrowser::chkAll_Click);
    for (int i = 0; i < kPatternCount; ++i) {
        connect(optPattern_[static_cast<std::size_t>(i)], &QAbstractButton::clicked, browser_,
                [this, i] { browser_->optPattern_Click(i); });
    }
}

void MainWindow::SetStartCaption(const QString& caption) {
    SetButtonCaption(Command1_, caption);
}

void MainWindow::ShowFilter(int index) {
    if (index >= 0 && index < kPatternCount) {
        optPattern_[static_cast<std::size_t>(index)]->setChecked(true);
    }
}

bool MainWindow::HideFolders() const {
    return chkDirs_->isChecked();
}

bool MainWindow::ConvertAll() const {
    return chkAll_->isChecked();
}

void MainWindow::dirDirs_Change() {
    browser_->dirDirs_Change();
}

void MainWindow::optPattern_Click(int index) {
    browser_->optPattern_Click(index);
}

void MainWindow::Command2_Click() {
    browser_->Refresh();
}

void MainWindow::ParkFocus() {
    // The focus the keyboard put on a visible control stays there; a click cannot put it on
    // a button. Only a focus that nobody sees goes to the sink.
    const QWidget* focus = focusWidget();
    if (focus != nullptr && focus != cmdDummy_ && InVisibleArea(*focus)) {
        return;
    }
    cmdDummy_->setFocus(Qt::OtherFocusReason);
}

bool MainWindow::InVisibleArea(const QWidget& control) const {
    if (!isAncestorOf(&control) || !control.isVisibleTo(this)) {
        return false;
    }
    const QRect area(control.mapTo(this, QPoint(0, 0)), control.size());
    return rect().contains(area);
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

void MainWindow::ApplyOuterSize() {
    appliedFrame_ = FrameMargins();
    // However thick the frame, the client area keeps the output group whole, with the left
    // edge's margin below it.
    constexpr int kGroupBottom = 7320 + 1395 + 120;
    setFixedSize(Px(kWidthTwips) - appliedFrame_.left() - appliedFrame_.right(),
                 std::max(Px(kHeightTwips) - appliedFrame_.top() - appliedFrame_.bottom(),
                          Px(kGroupBottom)));
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ApplyOuterSize();  // the platform's frame is known from now on
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // A window manager puts its frame around the window after it was shown.
    if (isVisible() && FrameMargins() != appliedFrame_) {
        ApplyOuterSize();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    emit aboutToClose();
    emit closing();
    QWidget::closeEvent(event);
}

void CentreWindow(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    // The part of the screen that panels and docks leave free, so that the taller window's
    // bottom is not hidden behind a panel.
    const double twips = Twips::TwipsPerPixel(window);
    const QRect area = screen->availableGeometry();
    const QRect frame = window.frameGeometry();
    const auto pos = window_position::CentredPosition(
        area.width() * twips, area.height() * twips, frame.width() * twips, frame.height() * twips);
    window.move(area.left() + static_cast<int>(std::lround(pos.Left / twips)),
                area.top() + static_cast<int>(std::lround(pos.Top / twips)));
}
