#pragma once

#include <QPlainTextEdit>
#include <string_view>

// The transcoder's console while a batch runs with "BeSweet Box verstecken" unticked: a
// plain, read-only window in a fixed-width font that shows what the child writes, as it
// writes it. A carriage return starts its line over, and a percentage line takes the place of
// the percentage line before it, so the progress updates in place.
class BatchConsole : public QPlainTextEdit {
    Q_OBJECT
public:
    // A top-level window titled `title` (the source file's name), owned by `owner`.
    explicit BatchConsole(const QString& title, QWidget* owner = nullptr);

    // Shows `bytes` of the child's output (UTF-8; a chunk may end inside a character).
    void Append(std::string_view bytes);

private:
    void Put(const QString& text);
    void EndLine();

    std::string partial_;       // bytes of a character cut at the end of a chunk
    bool restartLine_ = false;  // a "\r" came: the next text replaces the line
};
