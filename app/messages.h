#pragma once

#include <string>
#include <string_view>

// The icon of a message box.
enum class MessageKind : int { Information = 1, Warning = 2, Error = 3, Question = 4 };

// Where messages go: the start-up installs the modal box; tests install an observer.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows `text` with `kind`'s icon, an OK button and `title`; returns when it is closed.
    virtual void Show(const std::string& text, MessageKind kind, const std::string& title) = 0;
};

// Installs `sink` for ShowMessage and returns the one it replaces (nullptr: messages are lost).
MessageSink* SetMessageSink(MessageSink* sink);

// Shows a modal message box. An empty title means the application title; a kind outside
// 1 to 4 shows nothing.
void ShowMessage(const std::string& text, MessageKind kind, const std::string& title = {});

// The two messages of the program.
std::string TranscoderMissingMessage();
std::string FileExistsMessage(std::string_view path);
