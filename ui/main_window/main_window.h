#pragma once

#include <QPushButton>
#include <QWidget>

// The program's only window. Sizes are given in twips, as the layout is designed.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(const QString& title, QWidget* parent = nullptr);

    // Outer size while idle and while a batch runs, in twips.
    static constexpr int kWidthTwips = 9450;
    static constexpr int kHeightTwips = 6945;
    static constexpr int kBusyHeightTwips = 7230;

    // The focus sink outside the visible area, so that no visible control keeps a focus mark.
    QPushButton* cmdDummy() const { return cmdDummy_; }

private:
    QPushButton* cmdDummy_ = nullptr;
};

// Pixels per twip on `widget`'s screen (1/15 at 96 dots per inch).
double PixelsPerTwip(const QWidget& widget);

// Places `window` horizontally centred, vertically centred in the upper 85 percent of the
// screen, never above or left of its edge.
void CentreWindow(QWidget& window);
