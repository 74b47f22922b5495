#pragma once

#include <QObject>
#include <QPointer>
#include <memory>
#include <string>

#include "batch_console.h"
#include "batch_run.h"
#include "messages.h"

class MainWindow;

// The window's side of the batch run: Command1 starts it; the run reads the window's
// controls through here, and each transcoder runs while the window keeps repainting but
// takes no input. Closing the window during a run stops the transcoder before the window's
// settings are written. Only one run at a time: a press during a run is ignored.
class BatchWindow : public QObject, private batch::BatchHost {
    Q_OBJECT
public:
    // Connects `window`'s Command1 to the run; `transcoderPath` is the program's folder
    // followed by "BeSweet.exe"; messages of the run go to `messages`.
    BatchWindow(MainWindow& window, std::string transcoderPath, MessageSink& messages);
    ~BatchWindow() override;
    BatchWindow(const BatchWindow&) = delete;
    BatchWindow& operator=(const BatchWindow&) = delete;

    // Command1's action: runs one batch over the list; returns at once during a run.
    void Command1_Click();
    // True while a run is going on.
    bool Running() const { return running_; }
    // What the last finished run did.
    const batch::Report& LastReport() const { return report_; }
    // The console window of the transcoder now running; nullptr when hidden or idle.
    BatchConsole* Console() const { return console_; }
    // Event rounds after the last file (20001 as designed; tests may lower it).
    void SetClosingYields(int yields) { setup_.ClosingYields = yields; }

signals:
    // A transcoder has been started (its process id) and the run now waits for it.
    void childStarted(qint64 pid);

private:
    class Child;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void StopForClose();

    // batch::BatchHost
    void FocusSink() override;
    std::vector<batch::Entry> Entries() override;
    std::string Folder() override;
    bool ConvertAll() override;
    int ChosenFormat() override;
    batch::FormatOptions Options(TargetFormat format) override;
    std::int16_t Bitrate(TargetFormat format) override;
    int HideConsole() override;
    batch::RunResult Run(const std::string& commandLine, std::int16_t showMode,
                         const std::string& sourceName) override;
    bool StopRequested() override { return stopRequested_; }
    void SetBusyPointer(bool busy) override;
    void ShowProgress(bool visible) override;
    void SetProgress(int percent) override;
    void SetBusyHeight(bool busy) override;
    void Yield() override;
    void Refresh() override;
    void SetTitle(const std::string& title) override;

    MainWindow& window_;
    MessageSink& messages_;
    batch::Setup setup_;
    batch::Report report_;
    bool running_ = false;
    bool stopRequested_ = false;
    bool busyPointer_ = false;
    Child* child_ = nullptr;  // the transcoder now running, owned by Run
    QPointer<BatchConsole> console_;
};
