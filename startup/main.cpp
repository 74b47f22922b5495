// The process entry of Tonquell Audio Converter.
#include <QApplication>
#include <QCoreApplication>
#include <cstdio>

#include "app_values.h"
#include "batch_window.h"
#include "hand_over_receiver.h"
#include "hand_over_server.h"
#include "jobs_setting.h"
#include "language.h"
#include "program_arguments.h"
#include "restore.h"
#include "single_instance.h"
#include "startup.h"
#include "stop_signals.h"
#include "translations.h"

int main(int argc, char** argv) {
    std::string executable = RunningExecutablePath();
    if (executable.empty() && argc > 0) {
        executable = argv[0];
    }
    const std::string shownLanguage = language::Choose(language::FromProcess());
    int qtArgc = 1;  // the arguments are read here; none of them is Qt's
    // --help, --version and unknown options are answered without a window, in the language
    // of the window.
    const CommandLine command = ParseCommandLine(argc, argv);
    if (command.action != CommandLine::Action::Open) {
        const AppValues values = MakeAppValues(executable);
        const QCoreApplication core(qtArgc, argv);
        const Translations translations(shownLanguage, Translations::FolderFor(values.AppPath));
        return AnswerCommandLine(command, values, stdout, stderr);
    }
    // A second instance opens no window: it hands its file to the running one and ends.
    const platform::SingleInstanceLock lock(executable);
    if (!lock.Acquired()) {
        HandOverToRunningInstance(lock.LockPath(), command.file);
        return 0;
    }
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "tonquell: no display found; start it from a desktop session, or run "
                     "'xvfb-run %s' without one.\n",
                     executable.c_str());
        return 1;
    }
    QApplication application(qtArgc, argv);
    const AppValues values = MakeAppValues(executable);
    const Translations translations(shownLanguage, Translations::FolderFor(values.AppPath));
    MessageBoxSink messageBox;
    SetMessageSink(&messageBox);
    HandOverReceiver handOvers;
    HandOverServer channel;
    ListenForHandOvers(channel, handOvers, lock.LockPath());
    const auto window = StartUp(values, command.file);
    messageBox.SetParent(window.get());
    // The start button's batch run; the window owns it.
    auto* batch = new BatchWindow(*window, values.TranscoderPath, messageBox);
    window->inputRefused = [batch] { return batch->Running(); };
    handOvers.Attach(*window, window->inputRefused);
    batch->SetJobs(JobsSetting(values));
    CloseOnStopSignals(*window);
    const int status = application.exec();
    SetMessageSink(nullptr);
    return status;
}
