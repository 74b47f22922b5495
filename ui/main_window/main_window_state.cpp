// The form's choices as one value: read from the controls, set into them, and watched.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>

#include "file_browser.h"
#include "form_state.h"
#include "format_options.h"
#include "main_window.h"

namespace {

bool Ticked(const QCheckBox* box) {
    return box->checkState() == Qt::Checked;
}

Qt::CheckState CheckStateOf(ConsoleMode mode) {
    switch (mode) {
        case ConsoleMode::Shown:
            return Qt::Unchecked;
        case ConsoleMode::Greyed:
            return Qt::PartiallyChecked;
        case ConsoleMode::Hidden:
            break;
    }
    return Qt::Checked;
}

ConsoleMode ConsoleModeOf(Qt::CheckState state) {
    switch (state) {
        case Qt::Unchecked:
            return ConsoleMode::Shown;
        case Qt::PartiallyChecked:
            return ConsoleMode::Greyed;
        case Qt::Checked:
            break;
    }
    return ConsoleMode::Hidden;
}

}  // namespace

FormState MainWindow::State() const {
    FormState state;
    for (int i = 0; i < kFormatCount; ++i) {
        if (optFormat_[static_cast<std::size_t>(i)]->isChecked()) {
            state.Format = static_cast<TargetFormat>(i);
            break;
        }
    }
    for (int f = 0; f < kFormatCount; ++f) {
        const auto format = static_cast<TargetFormat>(f);
        FormatChoice& choice = state.Options(format);
        choice.Rate = SampleRate::Keep;
        for (int i = 0; i < form_state::RateButtonCount(format); ++i) {
            if (RateButton(f, i)->isChecked()) {
                choice.Rate = form_state::RateOfButton(format, i).value_or(SampleRate::Keep);
            }
        }
        choice.Normalise = Ticked(NormaliseBox(f));
        const auto bar = format_options::BarOfFormat(f);
        choice.BitrateKbps =
            bar ? format_options::BitrateAt(*bar, BitrateScroll(f)->value()).value_or(0) : 0;
    }
    state.SplitToSixWav = Ticked(chkAC3to6WAV_);
    state.ConvertAll = Ticked(chkAll_);
    state.HideFolders = Ticked(chkDirs_);
    state.Console = ConsoleModeOf(Check1_->checkState());
    for (int i = 0; i < kPatternCount; ++i) {
        if (optPattern_[static_cast<std::size_t>(i)]->isChecked()) {
            state.Filter = static_cast<FileFilter>(i);
        }
    }
    state.OutPathIsCurrent = chkOutPath_->isChecked();
    state.OutPath = txtOutPath_->text().toStdString();
    state.LastOutPath = lastOutPath_;
    state.SkipExisting = Ticked(chkSkipExisting_);
    return state;
}

void MainWindow::Apply(const FormState& state) {
    const bool outermost = !applying_;
    applying_ = true;
    ApplyFolderOptions(state);
    ApplyFormat(state);
    Check1_->setCheckState(CheckStateOf(state.Console));
    chkOutPath_->setChecked(state.OutPathIsCurrent);
    txtOutPath_->setText(QString::fromStdString(state.OutPath));
    chkSkipExisting_->setChecked(state.SkipExisting);
    lastOutPath_ = state.LastOutPath;
    if (outermost) {
        applying_ = false;
        TellChange();
    }
}

void MainWindow::ApplyFolderOptions(const FormState& state) {
    const FormState now = State();
    // One rebuild for whatever changed of the filter and the folder option.
    chkDirs_->setChecked(state.HideFolders);
    if (state.Filter != now.Filter && form_state::FilterAt(static_cast<int>(state.Filter))) {
        browser_->SetFilter(static_cast<int>(state.Filter));
    } else if (state.HideFolders != now.HideFolders) {
        browser_->dirDirs_Change();
    }
    if (state.ConvertAll != now.ConvertAll) {
        chkAll_->setChecked(state.ConvertAll);
        browser_->ConvertAllChanged();
    }
}

void MainWindow::ApplyFormat(const FormState& state) {
    const int chosen = static_cast<int>(state.Format);
    if (chosen >= 0 && chosen < kFormatCount) {
        optFormat_[static_cast<std::size_t>(chosen)]->setChecked(true);
    }
    ShowFormatFrame(static_cast<int>(State().Format));
    for (int f = 0; f < kFormatCount; ++f) {
        const auto format = static_cast<TargetFormat>(f);
        const FormatChoice& choice = state.Options(format);
        // The rate first: it decides whether the normalise box is enabled.
        if (const auto button = form_state::RateButton(format, choice.Rate)) {
            RateButton(f, *button)->setChecked(true);
        }
        NormaliseBox(f)->setChecked(choice.Normalise);
        const auto bar = format_options::BarOfFormat(f);
        if (const auto position =
                bar ? format_options::PositionOf(*bar, choice.BitrateKbps) : std::nullopt) {
            BitrateScroll(f)->setValue(*position);
        }
    }
    chkAC3to6WAV_->setChecked(state.SplitToSixWav);
}

void MainWindow::WatchForm() {
    const auto watch = [this](auto* control, auto signal) {
        connect(control, signal, this, [this] { NoteChange(); });
    };
    for (QRadioButton* b : findChildren<QRadioButton*>()) {
        watch(b, &QRadioButton::toggled);
    }
    for (QCheckBox* b : findChildren<QCheckBox*>()) {
        watch(b, &QCheckBox::stateChanged);
    }
    for (QScrollBar* bar : {HScroll1_, HScroll2_, HScroll3_}) {
        watch(bar, &QScrollBar::valueChanged);
    }
    watch(txtOutPath_, &QLineEdit::textChanged);
    lastState_ = State();
}

void MainWindow::NoteChange() {
    // What one user action changes (a tick and the text that follows it, a folder option and
    // the output path of the rebuilt folder) is told once, when the action is over.
    if (applying_ || changePending_) {
        return;
    }
    changePending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            changePending_ = false;
            TellChange();
        },
        Qt::QueuedConnection);
}

void MainWindow::TellChange() {
    FormState now = State();
    if (now == lastState_) {
        return;
    }
    lastState_ = std::move(now);
    emit stateChanged(lastState_);
}
