// The screenshot tool, run from outside as a user runs it.
#include <QImage>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "../../support/temp_dir.h"

namespace {

struct Outcome {
    int status;
    std::string err;
};

Outcome RunTool(const std::string& arguments, const testing_support::TempDir& dir) {
    const std::string errFile = dir.File("stderr.txt");
    const std::string command = "QT_QPA_PLATFORM=offscreen '" TONQUELL_BUILD_DIR
                                "/tonquell-screenshot' " +
                                arguments + " >/dev/null 2>'" + errFile + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, testing_support::ReadFile(errFile)};
}

}  // namespace

TEST(ScreenshotTool, WritesTheWindowAtItsVisibleSize) {
    testing_support::TempDir dir;
    const Outcome out = RunTool("'" + dir.File("pictures") + "'", dir);
    ASSERT_EQ(out.status, 0) << out.err;
    const QImage image(QString::fromStdString(dir.File("pictures/main-window.png")));
    ASSERT_FALSE(image.isNull());
    // 9450 x 9285 twips at 96 dpi, less the designed frame: down to the output group.
    EXPECT_EQ(image.size(), QSize(630 - 8, 619 - 30));
}

TEST(ScreenshotTool, BadArgumentsFailWithAReason) {
    testing_support::TempDir dir;
    testing_support::WriteFile(dir.File("plain-file"), "x");
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"", 2, "usage: tonquell-screenshot OUTDIR"},
        {"a b", 2, "usage: tonquell-screenshot OUTDIR"},
        {"'" + dir.File("plain-file") + "/sub'", 1, "cannot create folder"},
    };
    for (const Case& c : cases) {
        const Outcome out = RunTool(c.arguments, dir);
        EXPECT_EQ(out.status, c.status) << c.arguments;
        EXPECT_NE(out.err.find(c.message), std::string::npos) << out.err;
    }
}
