#pragma once

#include <QDialog>
#include <QString>

#include "messages.h"

class QLabel;
class QPushButton;
class QTreeWidget;

// The end-of-run report as one window, whatever the count: the counts on its first line, the
// files below in a scrolling list grouped by outcome (each with its reason or its target),
// a button that copies the list as text, and OK. It is sized to its content but never larger
// than the part of the screen that panels leave free, so its buttons are always in view.
class RunReportDialog : public QDialog {
    Q_OBJECT
public:
    // `parent` is the window it is modal to; its screen is the one the report fits.
    RunReportDialog(const RunReportText& report, const QString& title, QWidget* parent = nullptr);

    // The report as the copy button puts it on the clipboard.
    QString ListText() const { return text_; }
    // Puts the list on the clipboard as plain text.
    void CopyList();

private:
    void FitToScreen();

    QString text_;
    QLabel* summary_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QPushButton* copy_ = nullptr;
};
