#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <map>
#include <memory>
#include <string>

#include "batch_console.h"
#include "batch_engine.h"
#include "messages.h"

class MainWindow;
class QSocketNotifier;

namespace batch {
class TranscoderChild;
}

// The window's side of the batch run: Command1 starts it and, while it runs, stops it (its
// caption then reads "A B B R E C H E N"; Escape does the same). An output folder that cannot
// take the run gets one message, and nothing starts. The run itself is a batch::Engine fed
// from the window's event loop: each transcoder is watched with socket notifiers, and no
// handler waits. During a run the window repaints but takes no other input. At the end the
// report goes to the message sink when there is more to say than the counts; the counts stay
// in the window's title until the next action. Closing the window stops the run's
// transcoders before the window's settings are written.
class BatchWindow : public QObject, private batch::EngineHost {
    Q_OBJECT
public:
    // Connects `window`'s Command1 to the run; `transcoderPath` is the program's folder
    // followed by "BeSweet.exe"; messages of the run go to `messages`.
    BatchWindow(MainWindow& window, std::string transcoderPath, MessageSink& messages);
    ~BatchWindow() override;
    BatchWindow(const BatchWindow&) = delete;
    BatchWindow& operator=(const BatchWindow&) = delete;

    // Command1's action: starts a run over the list, or stops the run going on.
    void Command1_Click();
    // Stops the run going on; nothing when idle.
    void Stop();
    // True while a run is going on (until its last message has been confirmed).
    bool Running() const { return engine_ != nullptr && engine_->Busy(); }
    // What the last finished run did.
    const batch::Report& LastReport() const { return report_; }
    // The console window of a transcoder now running; nullptr when hidden or idle.
    BatchConsole* Console() const;
    // Event rounds after the last file (20001 as designed; tests may lower it).
    void SetClosingYields(int yields) { setup_.ClosingYields = yields; }
    // Transcoders that may run at once: the "Jobs" setting when 1 or more, else the cores
    // this process may use (at most 8).
    void SetJobs(int setting);
    int Jobs() const { return setup_.Jobs; }

signals:
    // A transcoder has been started (its process id).
    void childStarted(qint64 pid);
    // A run has ended: the window is restored and its messages confirmed.
    void runFinished();

private:
    struct Watched;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void StopForClose();
    void Service(int slot);
    void ServiceAll();
    void Later(void (batch::Engine::*step)());

    // batch::EngineHost
    void SetBusyPointer(bool busy) override;
    void ShowProgress(bool visible) override;
    void SetProgress(int percent) override;
    void Yield() override;
    void SetTitle(const std::string& title) override;
    void Refresh() override;
    std::string Launch(int slot, const batch::LaunchRequest& request) override;
    void Terminate(int slot) override;
    void ShowReport(const batch::Report& report) override;
    void Finished(const batch::Report& report) override;

    MainWindow& window_;
    MessageSink& messages_;
    batch::Setup setup_;
    batch::Report report_;
    std::unique_ptr<batch::Engine> engine_;
    std::map<int, std::unique_ptr<Watched>> children_;
    QTimer poll_;  // for transcoders whose end no descriptor reports
    QString startCaption_;
    bool busyPointer_ = false;
    bool began_ = false;  // the run got past its start: it shows its end in the title
    bool closing_ = false;
    int generation_ = 0;  // tells a late event of an earlier run from one of this run
};
