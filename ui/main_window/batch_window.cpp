#include "batch_window.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <memory>

#include "child_process.h"
#include "file_browser.h"
#include "form_state.h"
#include "main_window.h"
#include "output_folder.h"
#include "run_input.h"
#include "run_report_text.h"
#include "transcoder_child.h"
#include "window_look.h"
#include "xp_progress_bar.h"

namespace {

// How long a transcoder asked to end may take before it is ended outright.
constexpr std::chrono::seconds kKillAfter{10};

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

// A transcoder of the run and what watches it. The notifiers go before the child: they must
// not outlive the descriptors it closes. The kill timer goes with them, so it can only ever
// end this transcoder, never a later one that took its slot number.
struct BatchWindow::Watched {
    std::unique_ptr<batch::TranscoderChild> child;
    std::vector<std::pair<int, std::unique_ptr<QSocketNotifier>>> notifiers;
    QPointer<BatchConsole> console;
    std::unique_ptr<QTimer> killTimer;

    // Lets go of the notifiers of descriptors the child has closed (all of them once it has
    // ended), before anything else can open a descriptor of the same number.
    void DropClosed(bool ended) {
        const std::vector<int> open = child->Descriptors();
        for (auto& [fd, notifier] : notifiers) {
            if (notifier && (ended || std::find(open.begin(), open.end(), fd) == open.end())) {
                notifier->setEnabled(false);
                // It may be the one whose signal is being delivered.
                notifier.release()->deleteLater();
            }
        }
    }
};

BatchWindow::BatchWindow(MainWindow& window, std::string transcoderPath, MessageSink& messages)
    : QObject(&window), window_(window), messages_(messages) {
    setup_.TranscoderPath = std::move(transcoderPath);
    setup_.AppTitle = window.AppTitle().toStdString();
    setup_.Cores = platform::UsableCores();
    setup_.Jobs = batch::JobCount(0, setup_.Cores);
    poll_.setInterval(20);
    connect(&poll_, &QTimer::timeout, this, &BatchWindow::ServiceAll);
    connect(window.Command1(), &QPushButton::clicked, this, &BatchWindow::Command1_Click);
    connect(&window, &MainWindow::aboutToClose, this, &BatchWindow::StopForClose);
}

BatchWindow::~BatchWindow() {
    qApp->removeEventFilter(this);
    if (busyPointer_) {
        QApplication::restoreOverrideCursor();
    }
    // The children stop with their objects (SIGTERM, a short grace, then SIGKILL); asked all
    // at once first, their graces overlap.
    for (const auto& [slot, watched] : children_) {
        watched->child->Terminate();
    }
    children_.clear();
}

void BatchWindow::SetJobs(int setting) {
    setup_.Jobs = batch::JobCount(setting, setup_.Cores);
}

BatchConsole* BatchWindow::Console() const {
    for (const auto& [slot, watched] : children_) {
        if (watched->console) {
            return watched->console;
        }
    }
    return nullptr;
}

void BatchWindow::Command1_Click() {
    if (Running()) {
        Stop();
        return;
    }
    window_.ParkFocus();
    report_ = {};
    ++generation_;
    // The chosen format's bitrate handler runs first, as the design has it; the state then
    // holds that bar's value for the run.
    const FormState state = window_.State();
    window_.RunBitrateHandler(static_cast<int>(state.Format));
    const FileBrowser& browser = *window_.browser();
    batch::RunInput input = batch::RunInputFrom(state, browser.RunEntries(),
                                                browser.CurrentFolder(), browser.FilePattern());
    if (!state.OutPathIsCurrent) {
        // Made and proven writable before anything starts: one message, and nothing converts.
        const batch::OutputFolderCheck check = batch::PrepareOutputFolder(input.OutputFolder);
        if (!check.Ok()) {
            //: %1 is why the output folder cannot take the run
            const QString text = tr("%1\n\nEs wurde nichts konvertiert.")
                                     .arg(run_report_text::OutputFolderMessage(check));
            messages_.Show(text.toStdString(), MessageKind::Warning, setup_.AppTitle);
            return;
        }
        input.OutputFolder = check.Folder;
    }
    began_ = false;
    batch::EngineHost& host = *this;
    engine_ = std::make_unique<batch::Engine>(host, setup_, std::move(input));
    QPushButton* button = window_.Command1();
    startCaption_ = button->text();
    // While a run can be stopped, the caption says so, in the start caption's style.
    window_look::SetButtonCaption(button, window_look::LetterSpaced(window_look::StopWords()));
    qApp->installEventFilter(this);
    engine_->Start();
}

void BatchWindow::Stop() {
    if (Running()) {
        engine_->Stop();
    }
}

void BatchWindow::StopForClose() {
    closing_ = true;
    Stop();
}

bool BatchWindow::eventFilter(QObject* watched, QEvent* event) {
    // While a run goes on, the main window and its controls take no input but the stop
    // button and Escape; the console windows stay usable (scrolling, copying).
    if (Running() && IsUserInput(event->type()) && watched->isWidgetType()) {
        const auto* widget = static_cast<QWidget*>(watched);
        if (widget == &window_ || window_.isAncestorOf(widget)) {
            if (event->type() == QEvent::KeyPress &&
                static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                Stop();
                return true;
            }
            const bool onStop =
                widget == window_.Command1() && (event->type() == QEvent::MouseButtonPress ||
                                                 event->type() == QEvent::MouseButtonRelease);
            return !onStop;
        }
    }
    return QObject::eventFilter(watched, event);
}

void BatchWindow::Later(void (batch::Engine::*step)()) {
    QTimer::singleShot(0, this, [this, step, generation = generation_] {
        if (engine_ && generation == generation_) {
            (engine_.get()->*step)();
        }
    });
}

std::string BatchWindow::Launch(int slot, const batch::LaunchRequest& request) {
    auto watched = std::make_unique<Watched>();
    watched->child = std::make_unique<batch::TranscoderChild>(request);
    batch::TranscoderChild& child = *watched->child;
    if (!child.Started()) {
        return child.StartError().empty() ? std::string("?") : child.StartError();
    }
    if (request.ShowMode != 0) {
        // A shown console is where a terminal would be; it closes when its transcoder ends.
        watched->console = new BatchConsole(QString::fromStdString(request.SourceName), &window_);
        watched->console->show();
        // Its first line is the command as a terminal would echo it: the argument text.
        watched->console->Append(request.CommandLine + "\n");
        child.SetConsole([console = watched->console](std::string_view bytes) {
            if (console) {
                console->Append(bytes);
            }
        });
    }
    for (const int fd : child.Descriptors()) {
        auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(notifier.get(), &QSocketNotifier::activated, this, [this, slot] { Service(slot); });
        watched->notifiers.emplace_back(fd, std::move(notifier));
    }
    if (child.NeedsPolling()) {
        poll_.start();
    }
    const qint64 pid = child.Pid();
    children_[slot] = std::move(watched);
    emit childStarted(pid);
    return {};
}

void BatchWindow::Service(int slot) {
    const auto found = children_.find(slot);
    if (found == children_.end()) {
        return;
    }
    Watched& watched = *found->second;
    const batch::TranscoderChild::Seen seen = watched.child->Service();
    watched.DropClosed(seen.Ended);
    if (seen.Share && engine_) {
        engine_->Progress(slot, *seen.Share);
    }
    if (!seen.Ended) {
        return;
    }
    const batch::RunResult result = watched.child->Result();
    if (watched.console) {
        delete watched.console.data();
    }
    children_.erase(found);
    if (engine_) {
        engine_->Ended(slot, result);
    }
}

void BatchWindow::ServiceAll() {
    std::vector<int> ids;
    bool polling = false;
    for (const auto& [slot, watched] : children_) {
        ids.push_back(slot);
        polling = polling || watched->child->NeedsPolling();
    }
    for (const int slot : ids) {
        Service(slot);
    }
    if (!polling) {
        poll_.stop();
    }
}

void BatchWindow::Terminate(int slot) {
    const auto found = children_.find(slot);
    if (found == children_.end()) {
        return;
    }
    Watched& watched = *found->second;
    watched.child->Terminate();
    // The transcoder ends within moments of SIGTERM; one that does not is ended outright.
    if (!watched.killTimer) {
        watched.killTimer = std::make_unique<QTimer>();
        watched.killTimer->setSingleShot(true);
        batch::TranscoderChild* child = watched.child.get();
        connect(watched.killTimer.get(), &QTimer::timeout, watched.killTimer.get(),
                [child] { child->Kill(); });
    }
    watched.killTimer->start(kKillAfter);
}

void BatchWindow::ShowReport(const batch::Report& report) {
    if (closing_) {
        Later(&batch::Engine::ReportClosed);
        return;
    }
    // Shown from the event loop, so the engine is not on the stack while the report is open.
    QTimer::singleShot(0, this,
                       [this, words = run_report_text::Words(report), generation = generation_] {
                           messages_.ShowReport(words, setup_.AppTitle);
                           if (engine_ && generation == generation_) {
                               engine_->ReportClosed();
                           }
                       });
}

void BatchWindow::Finished(const batch::Report& report) {
    report_ = report;
    qApp->removeEventFilter(this);
    window_look::SetButtonCaption(window_.Command1(), startCaption_);
    // The sign that the run is over, until the next action sets the title again. A list
    // without entries starts no run, and shows none.
    if (began_ && !closing_) {
        window_.setWindowTitle(run_report_text::Sign(report) + QStringLiteral(" - ") +
                               window_.AppTitle());
    }
    emit runFinished();
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
    began_ = began_ || visible;
    window_.XP_ProgressBar1()->setVisible(visible);
}

void BatchWindow::SetProgress(int percent) {
    window_.XP_ProgressBar1()->SetValue(percent);
}

void BatchWindow::Yield() {
    Later(&batch::Engine::Yielded);
}

void BatchWindow::Refresh() {
    window_.Command2_Click();
}

void BatchWindow::SetTitle(const std::string& title) {
    window_.setWindowTitle(QString::fromStdString(title));
}
