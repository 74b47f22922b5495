#include "batch_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <functional>

#include "file_attributes.h"
#include "file_browser.h"
#include "main_window.h"
#include "paths.h"
#include "process.h"
#include "ultrabox.h"
#include "xp_progress_bar.h"

namespace {

// The chosen button of a group of `count` buttons given by `button(i)`; 0 when none is.
int ChosenIndex(const std::function<QRadioButton*(int)>& button, int count) {
    for (int i = 0; i < count; ++i) {
        const QRadioButton* b = button(i);
        if (b != nullptr && b->isChecked()) {
            return i;
        }
    }
    return 0;
}

bool Ticked(const QCheckBox* box) {
    return box != nullptr && box->checkState() == Qt::Checked;
}

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
    }
}

// The last non-empty line of `text` (lines end at "\n" or "\r").
std::string LastLine(const std::string& text) {
    std::size_t end = text.size();
    while (end > 0) {
        const std::size_t start = text.find_last_of("\r\n", end - 1);
        const std::size_t from = start == std::string::npos ? 0 : start + 1;
        if (from < end) {
            return text.substr(from, end - from);
        }
        if (start == std::string::npos) {
            break;
        }
        end = start;
    }
    return {};
}

}  // namespace

// One transcoder process, its output and its end. The run waits in an event loop that
// repaints; input to the main window is held back by the filter meanwhile.
class BatchWindow::Child {
public:
    using OutputHandler = std::function<void(std::string_view)>;

    Child(const platform::ResolvedCommand& command, OutputHandler onOutput)
        : onOutput_(std::move(onOutput)) {
        QStringList args;
        for (const std::string& a : command.args) {
            args << QString::fromStdString(a);
        }
        process_.setStandardInputFile(QProcess::nullDevice());
        QObject::connect(&process_, &QProcess::readyReadStandardOutput,
                         [this] { Forward(process_.readAllStandardOutput(), false); });
        QObject::connect(&process_, &QProcess::readyReadStandardError,
                         [this] { Forward(process_.readAllStandardError(), true); });
        process_.start(QString::fromStdString(command.program), args, QIODevice::ReadOnly);
        started_ = process_.waitForStarted(-1);
        if (!started_) {
            startError_ = process_.errorString().toStdString();
        }
    }
    ~Child() { Stop(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return started_; }
    const std::string& StartError() const { return startError_; }
    qint64 Pid() const { return process_.processId(); }

    // Returns when the child has ended, processing window events meanwhile.
    void Wait() {
        if (!started_ || process_.state() == QProcess::NotRunning) {
            return;
        }
        QEventLoop loop;
        QObject::connect(&process_, &QProcess::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }

    // Asks the child to end (SIGTERM: it removes its temporary output), waits for it, and
    // kills it when it does not end.
    void Stop() {
        if (process_.state() == QProcess::NotRunning) {
            return;
        }
        process_.terminate();
        if (!process_.waitForFinished(10000)) {
            process_.kill();
            process_.waitForFinished(-1);
        }
    }

    // 0 to 255; 128 + 15 when it did not exit by itself.
    int ExitStatus() const {
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : 128 + 15;
    }
    std::string LastErrorLine() const { return LastLine(errTail_); }

private:
    void Forward(const QByteArray& bytes, bool isError) {
        if (isError) {
            errTail_.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
            if (errTail_.size() > 8192) {
                errTail_.erase(0, errTail_.size() - 8192);
            }
        }
        if (onOutput_) {
            onOutput_(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        }
    }

    QProcess process_;
    OutputHandler onOutput_;
    bool started_ = false;
    std::string startError_;
    std::string errTail_;
};

BatchWindow::BatchWindow(MainWindow& window, std::string transcoderPath, MessageSink& messages)
    : QObject(&window), window_(window), messages_(messages) {
    setup_.TranscoderPath = std::move(transcoderPath);
    setup_.AppTitle = window.AppTitle().toStdString();
    connect(window.Command1(), &QPushButton::clicked, this, &BatchWindow::Command1_Click);
    connect(&window, &MainWindow::aboutToClose, this, &BatchWindow::StopForClose);
}

BatchWindow::~BatchWindow() {
    if (busyPointer_) {
        QApplication::restoreOverrideCursor();
    }
}

void BatchWindow::Command1_Click() {
    if (running_) {
        return;
    }
    running_ = true;
    stopRequested_ = false;
    qApp->installEventFilter(this);
    report_ = batch::Run(*this, messages_, setup_);
    qApp->removeEventFilter(this);
    running_ = false;
}

bool BatchWindow::eventFilter(QObject* watched, QEvent* event) {
    // While a run goes on, the main window and its controls take no input; the console
    // window stays usable (scrolling, copying).
    if (running_ && IsUserInput(event->type()) && watched->isWidgetType()) {
        const auto* widget = static_cast<QWidget*>(watched);
        if (widget == &window_ || window_.isAncestorOf(widget)) {
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void BatchWindow::StopForClose() {
    if (!running_) {
        return;
    }
    stopRequested_ = true;
    if (child_ != nullptr) {
        child_->Stop();
    }
}

void BatchWindow::FocusSink() {
    window_.ParkFocus();
}

std::vector<batch::Entry> BatchWindow::Entries() {
    std::vector<batch::Entry> entries;
    const UltraBox* list = window_.ubMain();
    const FileBrowser* browser = window_.browser();
    const std::string folder = paths::AddBackslash(Folder());
    const int count = list->ListCount();
    entries.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    for (int i = 1; i <= count; ++i) {
        std::string text = list->List(i).toStdString();
        // The list shows names that are not valid UTF-8 with replacement characters; the
        // browser knows each entry's bytes.
        if (browser != nullptr && !batch::IsFolderEntry(text)) {
            const std::string path = browser->EntryPath(i);
            if (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0) {
                text = path.substr(folder.size());
            }
        }
        entries.push_back({std::move(text), list->IsSelected(i)});
    }
    return entries;
}

std::string BatchWindow::Folder() {
    const FileBrowser* browser = window_.browser();
    return browser != nullptr ? browser->CurrentFolder() : std::string("/");
}

bool BatchWindow::ConvertAll() {
    return Ticked(window_.chkAll());
}

int BatchWindow::ChosenFormat() {
    return window_.ChosenFormat();
}

batch::FormatOptions BatchWindow::Options(TargetFormat format) {
    const MainWindow& w = window_;
    switch (format) {
        case TargetFormat::Wav:
            return {ChosenIndex([&w](int i) { return w.Option1(i); }, 3), Ticked(w.chkNormal()),
                    Ticked(w.chkAC3to6WAV())};
        case TargetFormat::Mp3:
            return {ChosenIndex([&w](int i) { return w.optSmpRt(i); }, 2), Ticked(w.chkNormalMP3()),
                    false};
        case TargetFormat::Ac3:
            return {ChosenIndex([&w](int i) { return w.optSmpAC(i); }, 2), Ticked(w.chkNormalAC3()),
                    false};
        case TargetFormat::Mpa:
            return {ChosenIndex([&w](int i) { return w.optSmpMP(i); }, 2), Ticked(w.chkNormalMPA()),
                    false};
    }
    return {};
}

std::int16_t BatchWindow::Bitrate(TargetFormat format) {
    window_.RunBitrateHandler(static_cast<int>(format));
    return window_.SelectedBitrate();
}

int BatchWindow::HideConsole() {
    switch (window_.Check1()->checkState()) {
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            return 2;
        case Qt::Unchecked:
            break;
    }
    return 0;
}

batch::RunResult BatchWindow::Run(const std::string& commandLine, std::int16_t showMode,
                                  const std::string& sourceName) {
    const auto resolved = platform::ResolveCommandLine(commandLine, platform::IsExecutableFile);
    if (!resolved) {
        return {false, 0, "BeSweet.exe nicht gefunden"};
    }
    if (showMode != 0) {
        console_ = new BatchConsole(QString::fromStdString(sourceName), &window_);
        console_->show();
    }
    Child::OutputHandler toConsole;
    if (console_) {
        toConsole = [console = console_](std::string_view bytes) {
            if (console) {
                console->Append(bytes);
            }
        };
    }
    batch::RunResult result;
    {
        Child child(*resolved, toConsole);
        result.Started = child.Started();
        if (!child.Started()) {
            result.Reason = child.StartError();
        } else {
            child_ = &child;
            emit childStarted(child.Pid());
            child.Wait();
            child_ = nullptr;
            result.ExitStatus = child.ExitStatus();
            result.Reason = child.LastErrorLine();
        }
    }
    // The console closes when the transcoder ends, as its own console would.
    if (console_) {
        delete console_.data();
    }
    return result;
}

void BatchWindow::SetBusyPointer(bool busy) {
    if (busy == busyPointer_) {
        return;
    }
    busyPointer_ = busy;
    if (busy) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void BatchWindow::ShowProgress(bool visible) {
    window_.XP_ProgressBar1()->setVisible(visible);
}

void BatchWindow::SetProgress(int percent) {
    window_.XP_ProgressBar1()->SetValue(percent);
}

void BatchWindow::SetBusyHeight(bool busy) {
    window_.SetBusyHeight(busy);
}

void BatchWindow::Yield() {
    QCoreApplication::processEvents();
}

void BatchWindow::Refresh() {
    window_.Command2_Click();
}

void BatchWindow::SetTitle(const std::string& title) {
    window_.setWindowTitle(QString::fromStdString(title));
}
