// The target format, its options frames and the output-path group of the main window.
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <array>

#include "bitrate_scroll_bar.h"
#include "form_state.h"
#include "format_options.h"
#include "main_window.h"
#include "window_look.h"

using format_options::BitrateBar;
using namespace window_look;

void MainWindow::CreateFormatFrames() {
    CreateFormatButtons();
    static constexpr const char* kCaptions[kFormatCount] = {
        QT_TR_NOOP("WAV-Optionen:"), QT_TR_NOOP("MP3-Optionen:"), QT_TR_NOOP("AC3-Optionen:"),
        QT_TR_NOOP("MPA-Optionen:")};
    QGroupBox** frames[kFormatCount] = {&frmWAV_, &frmMP3_, &frmAC3_, &frmMPA_};
    static constexpr const char* kNames[kFormatCount] = {"frmWAV", "frmMP3", "frmAC3", "frmMPA"};
    for (int i = 0; i < kFormatCount; ++i) {
        auto* f = new QGroupBox(tr(kCaptions[i]), this);
        f->setObjectName(QString::fromLatin1(kNames[i]));
        f->setFont(ArialBold(12));
        SetFixedBackground(f, QColor(192, 192, 255));
        Place(f, 6120, 2310, 3135, 3465);
        *frames[i] = f;
    }
    CreateWavFrame();
    CreateBitrateFrame(1);
    CreateBitrateFrame(2);
    CreateBitrateFrame(3);
}

void MainWindow::CreateFormatButtons() {
    Frame2_ = new QGroupBox(tr("Ausgabeformat:"), this);
    Frame2_->setObjectName(QStringLiteral("Frame2"));
    SetFixedBackground(Frame2_, QColor(255, 192, 192));
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
}

void MainWindow::CreateWavFrame() {
    QGroupBox* f = frmWAV_;
    QLabel* label = MakeLabel(f, "Label7", tr("Sampling Frequenz:"));
    Place(label, 420, 540, 2595, 255);
    static constexpr const char* kRates[3] = {QT_TR_NOOP("unverändert"), "44.1 kHz", "48 kHz"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QRadioButton(tr(kRates[i]), f);
        b->setObjectName(QStringLiteral("Option1_%1").arg(i));
        b->setFont(ControlFont());
        Place(b, 600, 900 + i * 360, 2415, 255);
        Option1_[static_cast<std::size_t>(i)] = b;
    }
    chkNormal_ = new QCheckBox(tr("Normalisieren"), f);
    chkNormal_->setObjectName(QStringLiteral("chkNormal"));
    chkNormal_->setFont(ControlFont());
    Place(chkNormal_, 600, 2340, 2415, 255);
    chkAC3to6WAV_ = new QCheckBox(tr("AC3 --> 6 WAV-Dateien"), f);
    chkAC3to6WAV_->setObjectName(QStringLiteral("chkAC3to6WAV"));
    chkAC3to6WAV_->setFont(ControlFont());
    Place(chkAC3to6WAV_, 600, 2880, 2415, 255);
    ConnectSampleRateGroup(0);
    Option1_[0]->setChecked(true);
}

namespace {

// What differs between the three frames with a bitrate bar.
struct BitrateDesign {
    BitrateBar bar;
    const char* bitrateLabel;
    const char* scrollName;
    const char* rateLabel;
    const char* groupName;
    const char* forced;
    const char* normalName;
    int chosen;
};
constexpr BitrateDesign kBitrateDesigns[3] = {
    {BitrateBar::Mp3, "Label4", "HScroll1", "Label8", "optSmpRt",
     QT_TRANSLATE_NOOP("MainWindow", "44.1 kHz erzwingen"), "chkNormalMP3", 0},
    {BitrateBar::Ac3, "Label5", "HScroll2", "Label10", "optSmpAC",
     QT_TRANSLATE_NOOP("MainWindow", "48 kHz erzwingen"), "chkNormalAC3", 1},
    {BitrateBar::Mpa, "Label6", "HScroll3", "Label11", "optSmpMP",
     QT_TRANSLATE_NOOP("MainWindow", "48 kHz erzwingen"), "chkNormalMPA", 1},
};

}  // namespace

void MainWindow::CreateBitrateFrame(int format) {
    const BitrateDesign& d = kBitrateDesigns[format - 1];
    QGroupBox* f = FormatFrame(format);
    CreateBitrateBar(f, format);
    QLabel* rate = MakeLabel(f, d.rateLabel, tr("Sampling Frequenz:"));
    Place(rate, 480, 1560, 2535, 255);
    auto* normal = new QCheckBox(tr("Normalisieren"), f);
    normal->setObjectName(QString::fromLatin1(d.normalName));
    normal->setFont(ControlFont());
    Place(normal, 660, 2880, 2355, 255);

    std::array<QRadioButton*, 2>* group[3] = {&optSmpRt_, &optSmpAC_, &optSmpMP_};
    QCheckBox** normals[3] = {&chkNormalMP3_, &chkNormalAC3_, &chkNormalMPA_};
    *normals[format - 1] = normal;
    const QString captions[2] = {tr("unverändert"), tr(d.forced)};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QRadioButton(captions[i], f);
        b->setObjectName(QStringLiteral("%1_%2").arg(QString::fromLatin1(d.groupName)).arg(i));
        b->setFont(ControlFont());
        Place(b, 660, 1920 + i * 360, 2355, 255);
        (*group[format - 1])[static_cast<std::size_t>(i)] = b;
    }
    ConnectSampleRateGroup(format);
    (*group[format - 1])[static_cast<std::size_t>(d.chosen)]->setChecked(true);
}

void MainWindow::CreateBitrateBar(QGroupBox* frame, int format) {
    const BitrateDesign& d = kBitrateDesigns[format - 1];
    const int start = format_options::StartPosition(d.bar);
    QLabel* label = MakeLabel(frame, d.bitrateLabel,
                              BitrateText(format_options::BitrateAt(d.bar, start).value_or(0)));
    Place(label, 240, 540, 2595, 255);

    auto* scroll = new BitrateScrollBar(d.bar, frame);
    scroll->setObjectName(QString::fromLatin1(d.scrollName));
    scroll->setSingleStep(1);
    scroll->setPageStep(1);
    scroll->setValue(start);
    scroll->setFocusPolicy(Qt::StrongFocus);  // the arrow keys move it, too
    scroll->setInvertedControls(false);       // Left lowers the rate, Right raises it
    Place(scroll, 240, 840, 2595, 255);
    label->setBuddy(scroll);

    QLabel** labels[3] = {&Label4_, &Label5_, &Label6_};
    QScrollBar** scrolls[3] = {&HScroll1_, &HScroll2_, &HScroll3_};
    *labels[format - 1] = label;
    *scrolls[format - 1] = scroll;
    // Both the change and the drag of the thumb run the handler.
    connect(scroll, &QScrollBar::valueChanged, this, [this, format] { BitrateChanged(format); });
}

void MainWindow::ConnectSampleRateGroup(int format) {
    QCheckBox* normalise = NormaliseBox(format);
    const auto target = form_state::FormatAt(format).value_or(TargetFormat::Wav);
    for (int i = 0; i < form_state::RateButtonCount(target); ++i) {
        QRadioButton* b = RateButton(format, i);
        // Also when chosen without a click, as Apply does.
        connect(b, &QRadioButton::toggled, this, [this, normalise, i](bool on) {
            if (on) {
                SampleRateChosen(normalise, i);
            }
        });
        connect(b, &QRadioButton::clicked, this,
                [this, format, i] { SampleRateClicked(format, i); });
    }
}

void MainWindow::CreateOutputGroup() {
    frmWidth_ = new QGroupBox(tr("Arbeitspfade:"), this);
    frmWidth_->setObjectName(QStringLiteral("frmWidth"));
    SetFixedBackground(frmWidth_, QColor(224, 224, 224));
    Place(frmWidth_, 120, 7320, 7755, 1395);

    Place(MakeLabel(frmWidth_, "Label3", tr("Aktueller Pfad:")), 120, 300, 1395, 255);
    lblPath_ = MakeLabel(frmWidth_, "lblPath", QStringLiteral("/"));
    Place(lblPath_, 120, 480, 7515, 255);
    QLabel* outLabel = MakeLabel(frmWidth_, "Label2", tr("Ausgabepfad:"));
    Place(outLabel, 120, 720, 1395, 255);

    txtOutPath_ = new QLineEdit(frmWidth_);
    txtOutPath_->setObjectName(QStringLiteral("txtOutPath"));
    txtOutPath_->setFont(DesignFont(QStringLiteral("MS Sans Serif"), 8.25, true));
    QPalette pal = txtOutPath_->palette();
    pal.setColor(QPalette::Base, Qt::white);
    txtOutPath_->setPalette(pal);
    Place(txtOutPath_, 120, 960, 7095, 285);
    // Named by its label, without the colon.
    outLabel->setBuddy(txtOutPath_);
    txtOutPath_->setAccessibleName(outLabel->text().remove(QLatin1Char(':')).trimmed());

    cmdBrowse_ = new QPushButton(QStringLiteral("..."), frmWidth_);
    cmdBrowse_->setObjectName(QStringLiteral("cmdBrowse"));
    cmdBrowse_->setToolTip(tr("Durchsuchen"));
    cmdBrowse_->setAccessibleName(cmdBrowse_->toolTip());  // read out instead of "..."
    Place(cmdBrowse_, 7260, 960, 315, 315);

    chkOutPath_ = new QCheckBox(tr("Ausgabepfad = Aktueller Pfad"), frmWidth_);
    chkOutPath_->setObjectName(QStringLiteral("chkOutPath"));
    chkOutPath_->setChecked(true);
    Place(chkOutPath_, 5100, 240, 2595, 255);
    txtOutPath_->setReadOnly(true);  // it shows the current folder while ticked

    // In the free part of the top row, beside the box it belongs with: where the targets go,
    // and what happens to those that are there already.
    chkSkipExisting_ = new QCheckBox(tr("vorhandene Ziele überspringen"), frmWidth_);
    chkSkipExisting_->setObjectName(QStringLiteral("chkSkipExisting"));
    chkSkipExisting_->setToolTip(
        tr("Quellen, deren Ziel schon existiert, werden nicht noch einmal konvertiert"));
    Place(chkSkipExisting_, 2340, 240, 2655, 255);

    connect(chkOutPath_, &QCheckBox::clicked, this, [this] { chkOutPath_Click(); });
    connect(chkOutPath_, &QCheckBox::toggled, txtOutPath_, &QLineEdit::setReadOnly);
    connect(cmdBrowse_, &QPushButton::clicked, this, [this] { cmdBrowse_Click(); });
    // What the user types while the box is unticked is the output folder to remember.
    connect(txtOutPath_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!chkOutPath_->isChecked()) {
            lastOutPath_ = text.toStdString();
        }
    });
    chooseFolder = [](QWidget* parent, const QString& start) {
        return QFileDialog::getExistingDirectory(parent, QString(), start);
    };
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

QRadioButton* MainWindow::RateButton(int format, int index) const {
    const auto at = [index](const auto& buttons) -> QRadioButton* {
        return index >= 0 && index < static_cast<int>(buttons.size())
                   ? buttons[static_cast<std::size_t>(index)]
                   : nullptr;
    };
    switch (format) {
        case 0:
            return at(Option1_);
        case 1:
            return at(optSmpRt_);
        case 2:
            return at(optSmpAC_);
        case 3:
            return at(optSmpMP_);
        default:
            return nullptr;
    }
}

QCheckBox* MainWindow::NormaliseBox(int format) const {
    const std::array<QCheckBox*, kFormatCount> boxes = {chkNormal_, chkNormalMP3_, chkNormalAC3_,
                                                        chkNormalMPA_};
    return format >= 0 && format < kFormatCount ? boxes[static_cast<std::size_t>(format)] : nullptr;
}

QScrollBar* MainWindow::BitrateScroll(int format) const {
    const std::array<QScrollBar*, kFormatCount> bars = {nullptr, HScroll1_, HScroll2_, HScroll3_};
    return format >= 0 && format < kFormatCount ? bars[static_cast<std::size_t>(format)] : nullptr;
}

void MainWindow::optFormat_Click(int index) {
    ShowFormatFrame(index);
    ParkFocus();
}

void MainWindow::ShowFormatFrame(int index) {
    for (int i = 0; i < kFormatCount; ++i) {
        FormatFrame(i)->hide();
    }
    if (QGroupBox* frame = FormatFrame(index)) {
        frame->show();
    }
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
    b.label->setText(BitrateText(*kbps));
    selectedBitrate_ = static_cast<std::int16_t>(*kbps);
}

QString MainWindow::BitrateText(int kbps) {
    return tr("Bitrate: %1 KB/s").arg(kbps);
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

void MainWindow::SampleRateClicked(int format, int index) {
    ParkFocus();
    SampleRateChosen(NormaliseBox(format), index);
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
        txtOutPath_->setText(QString::fromStdString(lastOutPath_));
    }
    ParkFocus();
}

void MainWindow::cmdBrowse_Click() {
    const QString start = txtOutPath_->text().isEmpty() ? currentFolder_ : txtOutPath_->text();
    const QString chosen = chooseFolder ? chooseFolder(this, start) : QString();
    if (!chosen.isEmpty()) {
        // A folder chosen as output is meant to be used: the box no longer says "beside".
        chkOutPath_->setChecked(false);
        txtOutPath_->setText(WithSeparator(chosen));
        lastOutPath_ = txtOutPath_->text().toStdString();
    }
    ParkFocus();
}
