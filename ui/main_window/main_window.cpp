#include "main_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QWindow>
#include <cmath>

#include "format_options.h"
#include "property_store.h"
#include "system_colors.h"
#include "ultrabox.h"
#include "window_position.h"
#include "xp_progress_bar.h"

#include "file_browser.h"

namespace {

using format_options::BitrateBar;

constexpr int kButtonFace = 15;  // system colour index of a button's face

const QString kStartCaption = QStringLiteral("K O N V E R T I E R U N G    S T A R T E N");

// Fonts by their design names, with metric-compatible fallbacks where those are missing.
QFont DesignFont(const QString& family, double points, bool bold) {
    QFont font;
    if (family == QLatin1String("Arial")) {
        font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                          QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    } else {
        font.setFamilies({family, QStringLiteral("Microsoft Sans Serif"),
                          QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    }
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont ArialBold(double points) {
    return DesignFont(QStringLiteral("Arial"), points, true);
}

void SetBackground(QWidget* w, const QColor& color) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, color);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

void SetTextColour(QWidget* w, const QColor& color) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, color);
    pal.setColor(QPalette::ButtonText, color);
    w->setPalette(pal);
}

}  // namespace

int CaptionRoom(const QAbstractButton& button) {
    const bool radio = qobject_cast<const QRadioButton*>(&button) != nullptr;
    const QStyle* style = button.style();
    const int indicator = style->pixelMetric(
        radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth, nullptr, &button);
    const int spacing = style->pixelMetric(
        radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing, nullptr,
        &button);
    return button.width() - indicator - spacing;
}

namespace {

// Where a design font is wider than the one the layout was drawn with, a caption would be
// cut off at its box: take the narrow face, then smaller sizes, until it fits.
void FitCaption(QAbstractButton* button) {
    QFont font = button->font();
    const auto fits = [button](const QFont& f) {
        return QFontMetrics(f).horizontalAdvance(button->text()) <= CaptionRoom(*button);
    };
    if (fits(font)) {
        return;
    }
    QStringList families = font.families();
    families.prepend(QStringLiteral("Liberation Sans Narrow"));
    families.prepend(QStringLiteral("Arial Narrow"));
    font.setFamilies(families);
    while (!fits(font) && font.pointSizeF() > 6.5) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    button->setFont(font);
}

// A circular arrow, the refresh symbol, for systems without the Webdings font.
QIcon RefreshIcon(int side) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double pen = std::max(1.5, side / 8.0);
    const QRectF ring(pen + 1, pen + 1, side - 2 * pen - 2, side - 2 * pen - 2);
    QPainterPath arc;
    arc.arcMoveTo(ring, 60);
    arc.arcTo(ring, 60, 290);
    painter.setPen(QPen(Qt::black, pen, Qt::SolidLine, Qt::FlatCap));
    painter.drawPath(arc);
    // Arrow head at the arc's start, pointing along the turn.
    const QPointF tip = arc.pointAtPercent(0);
    const double head = side / 3.0;
    QPainterPath arrow;
    arrow.moveTo(tip + QPointF(head * 0.9, -head * 0.1));
    arrow.lineTo(tip + QPointF(-head * 0.3, -head * 0.6));
    arrow.lineTo(tip + QPointF(-head * 0.1, head * 0.7));
    arrow.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPath(arrow);
    return QIcon(pixmap);
}

}  // namespace

double PixelsPerTwip(const QWidget& widget) {
    const double dpi = widget.logicalDpiX() > 0 ? widget.logicalDpiX() : 96.0;
    return dpi / 1440.0;
}

int MainWindow::Px(int twips) const {
    return static_cast<int>(std::lround(twips * PixelsPerTwip(*this)));
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

void MainWindow::CreateFormatFrames() {
    Frame2_ = new QGroupBox(QStringLiteral("Ausgabeformat:"), this);
    Frame2_->setObjectName(QStringLiteral("Frame2"));
    SetBackground(Frame2_, QColor(255, 192, 192));
    Place(Frame2_, 4560, 4080, 1455, 1695);
    static constexpr const char* kFormats[kFormatCount] = {"WAV", "MP3", "AC3", "MPA"};
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < kFormatCount; ++i) {
        auto* b = new QRadioButton(QString::fromLatin1(kFormats[i]), Frame2_);
        b->setObjectName(QStringLiteral("optFormat_%1").arg(i));
        b->setFont(ArialBold(11.25));
        group->addButton(b, i);
        Place(b, 240, 360 + i * 300, 915, 255);
        optFormat_[static_cast<std::size_t>(i)] = b;
        connect(b, &QRadioButton::clicked, this, [this, i] { optFormat_Click(i); });
    }
    optFormat_[0]->setChecked(true);

    static constexpr const char* kCaptions[kFormatCount] = {
        "WAV-Optionen:", "MP3-Optionen:", "AC3-Optionen:", "MPA-Optionen:"};
    QGroupBox** frames[kFormatCount] = {&frmWAV_, &frmMP3_, &frmAC3_, &frmMPA_};
    static constexpr const char* kNames[kFormatCount] = {"frmWAV", "frmMP3", "frmAC3", "frmMPA"};
    for (int i = 0; i < kFormatCount; ++i) {
        auto* f = new QGroupBox(QString::fromLatin1(kCaptions[i]), this);
        f->setObjectName(QString::fromLatin1(kNames[i]));
        f->setFont(ArialBold(12));
        SetBackground(f, QColor(192, 192, 255));
        Place(f, 6120, 2310, 3135, 3465);
        *frames[i] = f;
    }
    CreateWavFrame();
    CreateBitrateFrame(1);
    CreateBitrateFrame(2);
    CreateBitrateFrame(3);
}

namespace {

QFont ControlFont() {
    return DesignFont(QStringLiteral("MS Sans Serif"), 8.25, false);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(ControlFont());
    return l;
}

}  // namespace

void MainWindow::CreateWavFrame() {
    QGroupBox* f = frmWAV_;
    QLabel* label = MakeLabel(f, "Label7", QStringLiteral("Sampling Frequenz:"));
    Place(label, 420, 540, 2595, 255);
    static constexpr const char* kRates[3] = {"unverändert", "44.1 kHz", "48 kHz"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QRadioButton(QString::fromUtf8(kRates[i]), f);
        b->setObjectName(QStringLiteral("Option1_%1").arg(i));
        b->setFont(ControlFont());
        Place(b, 600, 900 + i * 360, 2415, 255);
        Option1_[static_cast<std::size_t>(i)] = b;
    }
    chkNormal_ = new QCheckBox(QStringLiteral("Normalisieren"), f);
    chkNormal_->setObjectName(QStringLiteral("chkNormal"));
    chkNormal_->setFont(ControlFont());
    Place(chkNormal_, 600, 2340, 2415, 255);
    chkAC3to6WAV_ = new QCheckBox(QStringLiteral("AC3 --> 6 WAV-Dateien"), f);
    chkAC3to6WAV_->setObjectName(QStringLiteral("chkAC3to6WAV"));
    chkAC3to6WAV_->setFont(ControlFont());
    Place(chkAC3to6WAV_, 600, 2880, 2415, 255);

    for (int i = 0; i < 3; ++i) {
        QRadioButton* b = Option1_[static_cast<std::size_t>(i)];
        connect(b, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) {
                SampleRateChosen(chkNormal_, i);
            }
        });
        connect(b, &QRadioButton::clicked, this, [this, i] { Option1_Click(i); });
    }
    Option1_[0]->setChecked(true);
}

void MainWindow::CreateBitrateFrame(int format) {
    struct Design {
        BitrateBar bar;
        const char* bitrateLabel;
        const char* scrollName;
        const char* rateLabel;
        const char* groupName;
        const char* forced;
        const char* normalName;
        int chosen;
    };
    static constexpr Design kDesigns[3] = {
        {BitrateBar::Mp3, "Label4", "HScroll1", "Label8", "optSmpRt", "44.1 kHz erzwingen",
         "chkNormalMP3", 0},
        {BitrateBar::Ac3, "Label5", "HScroll2", "Label10", "optSmpAC", "48 kHz erzwingen",
         "chkNormalAC3", 1},
        {BitrateBar::Mpa, "Label6", "HScroll3", "Label11", "optSmpMP", "48 kHz erzwingen",
         "chkNormalMPA", 1},
    };
    const Design& d = kDesigns[format - 1];
    QGroupBox* f = FormatFrame(format);

    const int start = format_options::StartPosition(d.bar);
    QLabel* bitrate = MakeLabel(f, d.bitrateLabel,
                                QString::fromStdString(format_options::BitrateCaption(
                                    format_options::BitrateAt(d.bar, start).value_or(0))));
    Place(bitrate, 240, 540, 2595, 255);

    auto* scroll = new QScrollBar(Qt::Horizontal, f);
    scroll->setObjectName(QString::fromLatin1(d.scrollName));
    scroll->setRange(format_options::MinPosition(d.bar), format_options::MaxPosition(d.bar));
    scroll->setSingleStep(1);
    scroll->setPageStep(1);
    scroll->setValue(start);
    scroll->setFocusPolicy(Qt::StrongFocus);  // the arrow keys move it, too
    scroll->setInvertedControls(false);       // Left lowers the rate, Right raises it
    Place(scroll, 240, 840, 2595, 255);

    QLabel* rate = MakeLabel(f, d.rateLabel, QStringLiteral("Sampling Frequenz:"));
    Place(rate, 480, 1560, 2535, 255);

    auto* normal = new QCheckBox(QStringLiteral("Normalisieren"), f);
    normal->setObjectName(QString::fromLatin1(d.normalName));
    normal->setFont(ControlFont());
    Place(normal, 660, 2880, 2355, 255);

    std::array<QRadioButton*, 2>* group = nullptr;
    void (MainWindow::*click)(int) = nullptr;
    switch (format) {
        case 1:
            Label4_ = bitrate;
            HScroll1_ = scroll;
            chkNormalMP3_ = normal;
            group = &optSmpRt_;
            click = &MainWindow::optSmpRt_Click;
            break;
        case 2:
            Label5_ = bitrate;
            HScroll2_ = scroll;
            chkNormalAC3_ = normal;
            group = &optSmpAC_;
            click = &MainWindow::optSmpAC_Click;
            break;
        default:
            Label6_ = bitrate;
            HScroll3_ = scroll;
            chkNormalMPA_ = normal;
            group = &optSmpMP_;
            click = &MainWindow::optSmpMP_Click;
            break;
    }
    const QString captions[2] = {QStringLiteral("unverändert"), QString::fromLatin1(d.forced)};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QRadioButton(captions[i], f);
        b->setObjectName(QStringLiteral("%1_%2").arg(QString::fromLatin1(d.groupName)).arg(i));
        b->setFont(ControlFont());
        Place(b, 660, 1920 + i * 360, 2355, 255);
        (*group)[static_cast<std::size_t>(i)] = b;
        connect(b, &QRadioButton::toggled, this, [this, normal, i](bool on) {
            if (on) {
                SampleRateChosen(normal, i);
            }
        });
        connect(b, &QRadioButton::clicked, this, [this, click, i] { (this->*click)(i); });
    }
    (*group)[static_cast<std::size_t>(d.chosen)]->setChecked(true);

    // Both the change and the drag of the thumb run the handler.
    connect(scroll, &QScrollBar::valueChanged, this, [this, format] { BitrateChanged(format); });
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

void MainWindow::CreateOutputGroup() {
    frmWidth_ = new QGroupBox(QStringLiteral("Arbeitspfade:"), this);
    frmWidth_->setObjectName(QStringLiteral("frmWidth"));
    SetBackground(frmWidth_, QColor(224, 224, 224));
    Place(frmWidth_, 120, 7320, 7755, 1395);

    Place(MakeLabel(frmWidth_, "Label3", QStringLiteral("Aktueller Pfad:")), 120, 300, 1395, 255);
    lblPath_ = MakeLabel(frmWidth_, "lblPath", QStringLiteral("/"));
    Place(lblPath_, 120, 480, 7515, 255);
    Place(MakeLabel(frmWidth_, "Label2", QStringLiteral("Ausgabepfad:")), 120, 720, 1395, 255);

    txtOutPath_ = new QLineEdit(frmWidth_);
    txtOutPath_->setObjectName(QStringLiteral("txtOutPath"));
    txtOutPath_->setFont(DesignFont(QStringLiteral("MS Sans Serif"), 8.25, true));
    QPalette pal = txtOutPath_->palette();
    pal.setColor(QPalette::Base, Qt::white);
    txtOutPath_->setPalette(pal);
    Place(txtOutPath_, 120, 960, 7095, 285);

    cmdBrowse_ = new QPushButton(QStringLiteral("..."), frmWidth_);
    cmdBrowse_->setObjectName(QStringLiteral("cmdBrowse"));
    cmdBrowse_->setToolTip(QStringLiteral("Durchsuchen"));
    Place(cmdBrowse_, 7260, 960, 315, 315);

    chkOutPath_ = new QCheckBox(QStringLiteral("Ausgabepfad = Aktueller Pfad"), frmWidth_);
    chkOutPath_->setObjectName(QStringLiteral("chkOutPath"));
    chkOutPath_->setChecked(true);
    Place(chkOutPath_, 5100, 240, 2595, 255);

    connect(chkOutPath_, &QCheckBox::clicked, this, [this] { chkOutPath_Click(); });
    connect(cmdBrowse_, &QPushButton::clicked, this, [this] { cmdBrowse_Click(); });
    chooseFolder = [](QWidget* parent, const QString& start) {
        return QFileDialog::getExistingDirectory(parent, QString(), start);
    };
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

QGroupBox* MainWindow::FormatFrame(int index) const {
    switch (index) {
        case 0:
            return frmWAV_;
        case 1:
            return frmMP3_;
        case 2:
            return frmAC3_;
        case 3:
            return frmMPA_;
        default:
            return nullptr;
    }
}

namespace {
template <std::size_t N>
QRadioButton* At(const std::array<QRadioButton*, N>& buttons, int index) {
    return index >= 0 && index < static_cast<int>(N) ? buttons[static_cast<std::size_t>(index)]
                                                     : nullptr;
}
}  // namespace

QRadioButton* MainWindow::Option1(int index) const {
    return At(Option1_, index);
}
QRadioButton* MainWindow::optSmpRt(int index) const {
    return At(optSmpRt_, index);
}
QRadioButton* MainWindow::optSmpAC(int index) const {
    return At(optSmpAC_, index);
}
QRadioButton* MainWindow::optSmpMP(int index) const {
    return At(optSmpMP_, index);
}

int MainWindow::ChosenFormat() const {
    for (int i = 0; i < kFormatCount; ++i) {
        if (optFormat_[static_cast<std::size_t>(i)]->isChecked()) {
            return i;
        }
    }
    return -1;
}

void MainWindow::optFormat_Click(int index) {
    for (int i = 0; i < kFormatCount; ++i) {
        FormatFrame(i)->hide();
    }
    if (QGroupBox* frame = FormatFrame(index)) {
        frame->show();
    }
    ParkFocus();
}

void MainWindow::BitrateChanged(int format) {
    struct Bar {
        QScrollBar* scroll;
        QLabel* label;
        BitrateBar bar;
    };
    const Bar bars[3] = {{HScroll1_, Label4_, BitrateBar::Mp3},
                         {HScroll2_, Label5_, BitrateBar::Ac3},
                         {HScroll3_, Label6_, BitrateBar::Mpa}};
    if (format < 1 || format > 3) {
        return;
    }
    const Bar& b = bars[format - 1];
    const auto kbps = format_options::BitrateAt(b.bar, b.scroll->value());
    if (!kbps) {
        return;
    }
    b.label->setText(QString::fromStdString(format_options::BitrateCaption(*kbps)));
    selectedBitrate_ = static_cast<std::int16_t>(*kbps);
}

void MainWindow::HScroll1_Change() {
    BitrateChanged(1);
}
void MainWindow::HScroll2_Change() {
    BitrateChanged(2);
}
void MainWindow::HScroll3_Change() {
    BitrateChanged(3);
}
void MainWindow::RunBitrateHandler(int index) {
    BitrateChanged(index);
}

void MainWindow::SampleRateChosen(QCheckBox* normalise, int index) {
    normalise->setEnabled(index != 0);
}

void MainWindow::Option1_Click(int index) {
    ParkFocus();
    SampleRateChosen(chkNormal_, index);
}
void MainWindow::optSmpRt_Click(int index) {
    ParkFocus();
    SampleRateChosen(chkNormalMP3_, index);
}
void MainWindow::optSmpAC_Click(int index) {
    ParkFocus();
    SampleRateChosen(chkNormalAC3_, index);
}
void MainWindow::optSmpMP_Click(int index) {
    ParkFocus();
    SampleRateChosen(chkNormalMPA_, index);
}

namespace {
QString WithSeparator(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}
}  // namespace

void MainWindow::ShowCurrentFolder(const QString& folder) {
    currentFolder_ = folder;
    lblPath_->setText(WithSeparator(folder));
    if (chkOutPath_->isChecked()) {
        txtOutPath_->setText(lblPath_->text());
    }
}

void MainWindow::chkOutPath_Click() {
    if (chkOutPath_->isChecked()) {
        txtOutPath_->setText(WithSeparator(currentFolder_));
    } else {
        txtOutPath_->clear();
    }
    ParkFocus();
}

void MainWindow::cmdBrowse_Click() {
    const QString start = txtOutPath_->text().isEmpty() ? currentFolder_ : txtOutPath_->text();
    const QString chosen = chooseFolder ? chooseFolder(this, start) : QString();
    if (!chosen.isEmpty()) {
        txtOutPath_->setText(WithSeparator(chosen));
    }
    ParkFocus();
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

void CentreWindow(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const double twips = 1.0 / PixelsPerTwip(window);
    const QSize screenSize = screen->size();
    const QRect frame = window.frameGeometry();
    const auto pos =
        window_position::CentredPosition(screenSize.width() * twips, screenSize.height() * twips,
                                         frame.width() * twips, frame.height() * twips);
    window.move(static_cast<int>(std::lround(pos.Left / twips)),
                static_cast<int>(std::lround(pos.Top / twips)));
}
