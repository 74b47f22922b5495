#include "startup.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"
#include "../support/window_controls.h"
#include "single_instance.h"

extern char** environ;

namespace {

using testing_support::Button;

// Records each message and how many main windows were visible when it came.
class ObservingSink : public MessageSink {
public:
    struct Seen {
        std::string text;
        MessageKind kind;
        std::string title;
        int visibleWindows;
    };
    std::vector<Seen> seen;
    void Show(const std::string& text, MessageKind kind, const std::string& title) override {
        int visible = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            visible += (qobject_cast<MainWindow*>(w) != nullptr && w->isVisible()) ? 1 : 0;
        }
        seen.push_back({text, kind, title, visible});
    }
};

AppValues ValuesIn(const testing_support::TempDir& dir) {
    const std::string exe = dir.File("tonquell");
    testing_support::WriteFile(exe, "");
    return MakeAppValues(exe);
}

}  // namespace

class StartUpTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = SetMessageSink(&sink_); }
    void TearDown() override { SetMessageSink(previous_); }
    ObservingSink sink_;
    MessageSink* previous_ = nullptr;
    testing_support::TempDir dir_;
};

TEST_F(StartUpTest, MissingTranscoderIsReportedBeforeTheWindowWhichStillOpens) {
    const AppValues values = ValuesIn(dir_);
    const auto window = StartUp(values);
    ASSERT_EQ(sink_.seen.size(), 1u);
    EXPECT_EQ(sink_.seen[0].text, "Die erforderliche Datei 'BeSweet.exe' wurde nicht gefunden.   ");
    EXPECT_EQ(sink_.seen[0].kind, MessageKind::Warning);
    EXPECT_EQ(sink_.seen[0].title, "Tonquell Audio Converter");
    EXPECT_EQ(sink_.seen[0].visibleWindows, 0);
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Tonquell Audio Converter");
    // The settings file is not touched by start-up.
    EXPECT_FALSE(std::filesystem::exists(values.IniPath));
}

TEST_F(StartUpTest, PresentTranscoderGivesNoMessageAndTheWindowIsPlaced) {
    const AppValues values = ValuesIn(dir_);
    testing_support::WriteFile(values.TranscoderPath, "");
    const auto window = StartUp(values);
    EXPECT_TRUE(sink_.seen.empty());
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_GE(window->x(), 0);
    EXPECT_GE(window->y(), 0);
    EXPECT_EQ(window->focusWidget(), Button(*window, "cmdDummy"));
    // The focus sink lies outside the visible area.
    EXPECT_GE(Button(*window, "cmdDummy")->x(), window->width());
}

namespace {

pid_t Spawn(const std::string& program, const std::vector<std::string>& env) {
    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        envStrings.emplace_back(*e);
    }
    envStrings.insert(envStrings.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (std::string& s : envStrings) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);
    std::string arg0 = program;
    char* argv[] = {arg0.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
        return -1;
    }
    return pid;
}

}  // namespace

TEST(SingleInstance, ASecondStartEndsAtOnceWithStatusZeroAndTheFirstRunsOn) {
    testing_support::TempDir runtime;
    const std::string program = std::string(TONQUELL_BUILD_DIR) + "/tonquell";
    const std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + runtime.Path().string(),
                                          "QT_QPA_PLATFORM=offscreen"};
    const pid_t first = Spawn(program, env);
    ASSERT_GT(first, 0);
    // Wait until the first instance holds its lock.
    bool held = false;
    for (int i = 0; i < 200 && !held; ++i) {
        held = !platform::SingleInstanceLock(program, runtime.Path().string()).Acquired();
        if (!held) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
    ASSERT_TRUE(held);

    const pid_t second = Spawn(program, env);
    ASSERT_GT(second, 0);
    int status = -1;
    ASSERT_EQ(::waitpid(second, &status, 0), second);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    // The first one is still running.
    EXPECT_EQ(::waitpid(first, &status, WNOHANG), 0);
    ::kill(first, SIGTERM);
    ::waitpid(first, &status, 0);
}
