// The process entry of Tonquell Audio Converter.
#include <QApplication>
#include <cstdio>

#include "app_values.h"
#include "batch_window.h"
#include "jobs_setting.h"
#include "restore.h"
#include "single_instance.h"
#include "startup.h"
#include "stop_signals.h"

int main(int argc, char** argv) {
    std::string executable = RunningExecutablePath();
    if (executable.empty() && argc > 0) {
        executable = argv[0];
    }
    // A second instance ends at once: no window, no message, no settings touched.
    const platform::SingleInstanceLock lock(executable);
    if (!lock.Acquired()) {
        return 0;
    }
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "tonquell: no display found; start it from a desktop session, or run "
                     "'xvfb-run %s' without one.\n",
                     executable.c_str());
        return 1;
    }
    QApplication application(argc, argv);
    const AppValues values = MakeAppValues(executable);
    MessageBoxSink messageBox;
    SetMessageSink(&messageBox);
    // QApplication has taken its own options out of the arguments by now.
    const auto window = StartUp(values, ArgumentText(argc, argv));
    // The start button's batch run; the window owns it.
    auto* batch = new BatchWindow(*window, values.TranscoderPath, messageBox);
    batch->SetJobs(JobsSetting(values));
    CloseOnStopSignals(*window);
    const int status = application.exec();
    SetMessageSink(nullptr);
    return status;
}
