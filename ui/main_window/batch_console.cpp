#include "batch_console.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace {

// Length of the longest prefix of `bytes` that does not end inside a UTF-8 sequence.
std::size_t CompleteUtf8Prefix(std::string_view bytes) {
    std::size_t end = bytes.size();
    std::size_t back = 0;
    while (back < 4 && back < end) {
        const auto c = static_cast<unsigned char>(bytes[end - 1 - back]);
        if ((c & 0xC0) != 0x80) {
            const std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            return need > back + 1 ? end - 1 - back : end;
        }
        ++back;
    }
    return end;
}

// A line that is only a percentage, such as "42%".
bool IsProgressLine(const QString& line) {
    if (line.size() < 2 || line.size() > 4 || !line.endsWith(QLatin1Char('%'))) {
        return false;
    }
    for (qsizetype i = 0; i + 1 < line.size(); ++i) {
        if (!line[i].isDigit()) {
            return false;
        }
    }
    return true;
}

}  // namespace

BatchConsole::BatchConsole(const QString& title, QWidget* owner) : QPlainTextEdit(owner) {
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(title);
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setMaximumBlockCount(5000);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics metrics(font());
    resize(metrics.horizontalAdvance(QLatin1Char('M')) * 82, metrics.lineSpacing() * 25);
}

void BatchConsole::Append(std::string_view bytes) {
    partial_.append(bytes);
    const std::size_t complete = CompleteUtf8Prefix(partial_);
    const QString text = QString::fromUtf8(partial_.data(), static_cast<qsizetype>(complete));
    partial_.erase(0, complete);

    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            Put(text.mid(start, i - start));
            if (c == QLatin1Char('\n')) {
                EndLine();
                restartLine_ = false;
            } else {
                restartLine_ = true;
            }
            start = i + 1;
        }
    }
    Put(text.mid(start));
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void BatchConsole::EndLine() {
    // The transcoder writes its progress as one line per step when it is not on a terminal;
    // shown here as a terminal shows it, the newest step takes the place of the one before.
    const QTextBlock last = document()->lastBlock();
    const QTextBlock before = last.previous();
    if (before.isValid() && IsProgressLine(last.text()) && IsProgressLine(before.text())) {
        QTextCursor cursor(before);
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertBlock();
}

void BatchConsole::Put(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (restartLine_) {
        cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        restartLine_ = false;
    }
    cursor.insertText(text);
}
