// The batch run's own cost, and a real batch against a shell loop doing the same work.
//
//   batch_bench overhead [FILES]   FILES (200) tagged MP3 entries converted MP3 to MP3 by a
//                                  stand-in transcoder that exits at once; prints the run's
//                                  own cost per file: the batch's time less the same number
//                                  of bare runs of the stand-in, without the closing yields
//                                  (timed apart).
//   batch_bench run FOLDER TRANSCODER [JOBS]
//                                  converts every MP3 of FOLDER to MP3 once, as a user's batch
//                                  (outputs *_new.mp3 of an earlier run are removed first),
//                                  JOBS transcoders at a time (default: as the machine allows).
//
// bench/batch/batch_vs_loop.sh times "run" against a shell loop of the transcoder and the tag
// tool over the same files; bench/batch/album.sh times it against ffmpeg.
#include <QApplication>
#include <QEventLoop>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "batch_window.h"
#include "file_browser.h"
#include "form_state.h"
#include "id3v1.h"
#include "id3v2_writer.h"
#include "main_window.h"
#include "process.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct SilentSink : MessageSink {
    int shown = 0;
    void Show(const std::string&, MessageKind, const std::string&) override { ++shown; }
};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The window set up for a batch over every file of `folder`, target MP3, console hidden.
struct Batch {
    MainWindow window{QStringLiteral("Tonquell Audio Converter")};
    SilentSink sink;
    BatchWindow* run;
    Batch(const std::string& folder, const std::string& transcoder, int closingYields, int jobs)
        : run(new BatchWindow(window, transcoder, sink)) {
        window.show();
        run->SetClosingYields(closingYields);
        run->SetJobs(jobs);
        window.browser()->SetFolder(folder);
        FormState state = window.State();
        state.ConvertAll = true;
        state.Format = TargetFormat::Mp3;
        window.Apply(state);
        QApplication::processEvents();
    }
};

// Presses the start button and runs the event loop until the batch is over.
void RunToEnd(BatchWindow& run) {
    QEventLoop loop;
    QObject::connect(&run, &BatchWindow::runFinished, &loop, &QEventLoop::quit);
    run.Command1_Click();
    if (run.Running()) {
        loop.exec();
    }
}

void RemoveOutputs(const std::string& folder) {
    for (const auto& e : fs::directory_iterator(folder)) {
        if (e.path().filename().string().ends_with("_new.mp3")) {
            fs::remove(e.path());
        }
    }
}

int Overhead(int files) {
    constexpr int kRounds = 5;
    const fs::path root =
        fs::temp_directory_path() / ("tonquell-batch-bench-" + std::to_string(::getpid()));
    const fs::path music = root / "music";
    fs::create_directories(music);
    const std::string standIn = (root / "BeSweet.exe").string();
    {
        std::ofstream out(standIn);
        out << "#!/bin/sh\nwhile [ $# -gt 0 ]; do\n"
               "  if [ \"$1\" = -output ]; then : > \"$2\"; fi\n  shift\ndone\n";
    }
    fs::permissions(standIn, fs::perms::owner_all);
    id3::TagSet tags;
    tags.Artist = "Artist";
    tags.Title = "Title";
    tags.Album = "Album";
    for (int i = 0; i < files; ++i) {
        const std::string path = (music / ("track" + std::to_string(1000 + i) + ".mp3")).string();
        std::ofstream(path, std::ios::binary) << std::string(4096, '\0');
        id3::WriteId3v2(path, tags, 3, true, false);
        id3::WriteId3v1(path, tags, false);
    }

    std::vector<double> perFile;
    std::vector<double> yieldsMs;
    for (int round = 0; round < kRounds; ++round) {
        RemoveOutputs(music.string());
        // One at a time, as the bare runs below: the difference is the run's own cost.
        Batch batch(music.string(), standIn, 0, 1);
        const Clock::time_point start = Clock::now();
        RunToEnd(*batch.run);
        const double runMs = Ms(Clock::now() - start);
        if (batch.run->LastReport().Done != files) {
            std::fprintf(stderr, "batch_bench: %d of %d files done\n", batch.run->LastReport().Done,
                         files);
            return 1;
        }
        // The transcoder's own share: the same number of bare runs of the stand-in.
        const Clock::time_point bare = Clock::now();
        for (int i = 0; i < files; ++i) {
            // A new file each time, as the batch makes: creating it is the transcoder's share.
            const std::string in = (music / "track1000.mp3").string();
            const std::string out =
                (root / ("bare" + std::to_string(round) + "_" + std::to_string(i) + ".mp3"))
                    .string();
            platform::RunAndWaitStatus(standIn + " -core( -input \"" + in + "\" -output \"" + out +
                                           "\" ) -lame( -p --ta ? --alt-preset cbr 192 )",
                                       0);
        }
        const double bareMs = Ms(Clock::now() - bare);
        perFile.push_back((runMs - bareMs) / files);

        const Clock::time_point y = Clock::now();
        for (int i = 0; i < 20001; ++i) {
            QCoreApplication::processEvents();
        }
        yieldsMs.push_back(Ms(Clock::now() - y));
        std::printf("round %d: batch %.1f ms, bare stand-in runs %.1f ms\n", round + 1, runMs,
                    bareMs);
    }
    std::printf("own cost per file (median of %d): %.3f ms (goal: under 5 ms)\n", kRounds,
                Median(perFile));
    std::printf("closing yields, once per run (median of %d): %.1f ms\n", kRounds,
                Median(yieldsMs));
    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}

int RunOnce(const std::string& folder, const std::string& transcoder, int jobs) {
    RemoveOutputs(folder);
    Batch batch(folder, transcoder, 20001, jobs);
    RunToEnd(*batch.run);
    const batch::Report& report = batch.run->LastReport();
    if (report.Count(batch::Outcome::Failed) != 0 || batch.sink.shown != 0) {
        std::fprintf(stderr, "batch_bench: %d files failed\n",
                     report.Count(batch::Outcome::Failed));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "overhead";
    if (mode == "overhead") {
        return Overhead(argc > 2 ? std::max(1, std::atoi(argv[2])) : 200);
    }
    if (mode == "run" && (argc == 4 || argc == 5)) {
        return RunOnce(argv[2], argv[3], argc == 5 ? std::atoi(argv[4]) : 0);
    }
    std::fprintf(stderr,
                 "usage: batch_bench overhead [FILES] | batch_bench run FOLDER TRANSCODER "
                 "[JOBS]\n");
    return 2;
}
