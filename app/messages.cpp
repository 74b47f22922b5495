#include "messages.h"

#include "app_values.h"

namespace {
MessageSink* g_sink = nullptr;
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
    return "Die erforderliche Datei 'BeSweet.exe' wurde nicht gefunden.   ";
}

std::string FileExistsMessage(std::string_view path) {
    return "Datei '" + std::string(path) + "' existiert bereits.  ";
}
