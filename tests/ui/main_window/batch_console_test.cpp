#include "batch_console.h"

#include <QApplication>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(BatchConsole, ShowsOutputAsATerminalWould) {
    struct Case {
        std::vector<std::string> chunks;
        std::string shown;
    } const cases[] = {
        {{"0%\n1%\n"}, "1%\n"},  // progress steps replace each other
        {{"warn\n5%\n", "6%\n7%\ndone\n"}, "warn\n7%\ndone\n"},
        {{"12 files\n100%\n"}, "12 files\n100%\n"},  // only percentages collapse
        {{"50%\r", "51%\r", "52%"}, "52%"},          // a carriage return starts the line over
        {{"warn\r\n", "x"}, "warn\nx"},              // CRLF is one line end
        {{"ab", "c\nd"}, "abc\nd"},                  // lines run across chunks
        {{"\xC3", "\x96l\n"}, "\xC3\x96l\n"},        // a character cut between chunks
        {{"\xE6\x9D", "\xB1\r", "ok"}, "ok"},        // cut, then overwritten
        {{"long line\rxy"}, "xy"},                   // the new text replaces all of it
    };
    for (const Case& c : cases) {
        BatchConsole console(QStringLiteral("a.wav"));
        std::string fed;
        for (const std::string& chunk : c.chunks) {
            console.Append(chunk);
            fed += chunk;
        }
        EXPECT_EQ(console.toPlainText().toStdString(), c.shown) << fed;
        EXPECT_TRUE(console.isReadOnly());
        EXPECT_EQ(console.windowTitle(), QStringLiteral("a.wav"));
    }
}

}  // namespace
