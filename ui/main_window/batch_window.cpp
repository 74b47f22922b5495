#include "batch_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QPushButton>
#include <QRadioButton>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

#include "child_process.h"
#include "file_browser.h"
#include "main_window.h"
#include "paths.h"
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

}  // namespace

// The transcoder now running: its process and the event loop the run waits in. The loop
// wakes on the child's output and on its end; input to the main window is held back by the
// filter meanwhile.
class BatchWindow::Child {
public:
    explicit Child(platform::ChildProcess& process) : process_(process) {
        for (const int fd : {process.StdoutFd(), process.StderrFd(), process.ExitFd()}) {
            if (fd >= 0) {
                auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
                QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] { Check(); });
                notifiers_.push_back({fd, std::move(notifier)});
            }
        }
        // Without a descriptor for the child's end, its end is seen by asking now and then.
        poll_.setInterval(process.ExitFd() >= 0 ? 250 : 20);
        QObject::connect(&poll_, &QTimer::timeout, [this] { Check(); });
    }

    // Returns when the child has ended, processing window events meanwhile.
    void Wait() {
        if (!Check()) {
            poll_.start();
            loop_.exec();
            poll_.stop();
        }
        process_.Wait();  // takes what is left in the pipes
    }

    // Asks the child to end (SIGTERM: the transcoder removes its temporary output), waits
    // for it and kills it when it does not end; the waiting loop then returns.
    void Stop() {
        if (!process_.HasEnded()) {
            process_.Terminate();
            if (!process_.WaitFor(std::chrono::seconds(10))) {
                process_.Kill();
                process_.Wait();
            }
        }
        Check();
    }

private:
    // Drains the pipes; true (and the loop told to end) once the child has ended.
    bool Check() {
        process_.ReadAvailable();
        const bool ended = process_.HasEnded();
        // A notifier must not outlive its descriptor: the process closes a pipe at its end
        // and the exit descriptor when it reaps the child.
        for (auto& [fd, notifier] : notifiers_) {
            const bool open =
                fd == process_.StdoutFd() || fd == process_.StderrFd() || fd == process_.ExitFd();
            if (notifier && (!open || ended)) {
                notifier->setEnabled(false);
            }
        }
        if (ended) {
            loop_.quit();
        }
        return ended;
    }

    platform::ChildProcess& process_;
    std::vector<std::pair<int, std::unique_ptr<QSocketNotifier>>> notifiers_;
    QTimer poll_;
    QEventLoop loop_;
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
    // A shown console is where a terminal would be: the transcoder's progress goes there too.
    const std::string processLine = showMode != 0 ? commandLine + " --progress" : commandLine;
    platform::ChildProcess process = platform::ChildProcess::FromCommandLine(processLine);
    if (!process.Started()) {
        return {false, 0, process.StartError()};
    }
    if (showMode != 0) {
        console_ = new BatchConsole(QString::fromStdString(sourceName), &window_);
        console_->show();
        process.SetOutputHandler(
            [console = console_](platform::ChildStream, std::string_view bytes) {
                if (console) {
                    console->Append(bytes);
                }
            });
    }
    {
        Child child(process);
        child_ = &child;
        emit childStarted(process.Pid());
        child.Wait();
        child_ = nullptr;
    }
    process.SetOutputHandler({});
    // The console closes when the transcoder ends, as its own console would.
    if (console_) {
        delete console_.data();
    }
    return {true, process.ExitStatus().value_or(128 + 9), process.LastErrorLine()};
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
