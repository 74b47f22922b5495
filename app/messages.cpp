#include "messages.h"

#include "app_values.h"
#include "translatable.h"

#include <algorithm>

namespace {
MessageSink* g_sink = nullptr;
}

std::string PlainText(const RunReportText& report) {
    std::string text = report.Summary + "\n";
    for (const ReportGroup& group : report.Groups) {
        text += "\n" + group.Heading + "\n";
        for (const ReportLine& line : group.Lines) {
            text += line.Item + "\n";
            std::size_t start = 0;
            while (start < line.Detail.size()) {
                const std::size_t end = std::min(line.Detail.find('\n', start), line.Detail.size());
                text += "    " + line.Detail.substr(start, end - start) + "\n";
                start = end + 1;
            }
        }
    }
    return text;
}

void MessageSink::ShowReport(const RunReportText& report, const std::string& title) {
    Show(PlainText(report), MessageKind::Warning, title);
}

MessageSink* SetMessageSink(MessageSink* sink) {
    MessageSink* previous = g_sink;
    g_sink = sink;
    return previous;
}

void ShowMessage(const std::string& text, MessageKind kind, const std::string& title) {
    const int k = static_cast<int>(kind);
    if (k < 1 || k > 4 || g_sink == nullptr) {
        return;
    }
    g_sink->Show(text, kind, title.empty() ? std::string(kAppTitle) : title);
}

std::string TranscoderMissingMessage() {
    return TQ_TRANSLATE_NOOP("Messages",
                             "Die erforderliche Datei 'BeSweet.exe' wurde nicht gefunden.   ");
}
