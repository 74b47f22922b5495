#pragma once

#include <QScrollBar>

#include "format_options.h"

// A bitrate bar (HScroll1..3): a horizontal scroll bar over the positions of one bitrate
// table. Screen readers hear it as a slider named "Bitrate" whose value is the bitrate in
// kbit/s it stands at ("192 KB/s" as its text), not the bar's position.
class BitrateScrollBar : public QScrollBar {
    Q_OBJECT
public:
    BitrateScrollBar(format_options::BitrateBar bar, QWidget* parent);

    // Which table the bar runs over.
    format_options::BitrateBar Table() const { return bar_; }

private:
    format_options::BitrateBar bar_;
};
