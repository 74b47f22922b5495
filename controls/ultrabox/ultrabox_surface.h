#pragma once

#include <QWidget>

class UltraBox;

// The drawing surface picMain: shows the control's back buffer and hands its mouse, wheel and
// focus events to the control. The control holds the keyboard focus for it; keys pass on to
// the control as to any parent.
class UltraBoxSurface : public QWidget {
public:
    explicit UltraBoxSurface(UltraBox* owner);

    // Stops handing events on; the owner calls it when it goes away.
    void Detach() { owner_ = nullptr; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    UltraBox* owner_;
};
