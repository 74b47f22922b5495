#pragma once

#include <string>
#include <string_view>
#include <vector>

// The icon of a message box.
enum class MessageKind : int { Information = 1, Warning = 2, Error = 3, Question = 4 };

// The end-of-run report in words: a first line with the counts, then the files in groups.
struct ReportLine {
    std::string Item;    // a file
    std::string Detail;  // what became of it: the reason, the target
    bool operator==(const ReportLine&) const = default;
};

struct ReportGroup {
    std::string Heading;
    std::vector<ReportLine> Lines;
    bool Open = true;  // shown unfolded
    bool operator==(const ReportGroup&) const = default;
};

struct RunReportText {
    std::string Summary;
    std::vector<ReportGroup> Groups;
    bool operator==(const RunReportText&) const = default;
};

// The report as plain text: the first line, then each group's heading with its files below
// it, each detail indented on the lines after its file.
std::string PlainText(const RunReportText& report);

// Where messages go: the start-up installs the modal box; tests install an observer.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows `text` with `kind`'s icon, an OK button and `title`; returns when it is closed.
    virtual void Show(const std::string& text, MessageKind kind, const std::string& title) = 0;
    // Shows the end-of-run report with `title`; returns when it is closed. Unless a sink has
    // a window of its own for it, it is one warning box with the plain text.
    virtual void ShowReport(const RunReportText& report, const std::string& title);
};

// Installs `sink` for ShowMessage and returns the one it replaces (nullptr: messages are lost).
MessageSink* SetMessageSink(MessageSink* sink);

// Shows a modal message box. An empty title means the application title; a kind outside
// 1 to 4 shows nothing.
void ShowMessage(const std::string& text, MessageKind kind, const std::string& title = {});

// The context of the catalogue under which the texts of app/ are translated.
inline constexpr const char* kMessagesContext = "Messages";

// The message at start when the transcoder is missing, untranslated (German).
std::string TranscoderMissingMessage();
