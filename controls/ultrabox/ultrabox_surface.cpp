#include "ultrabox_surface.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "ultrabox.h"

UltraBoxSurface::UltraBoxSurface(UltraBox* owner) : QWidget(owner), owner_(owner) {
    setObjectName(QStringLiteral("picMain"));
    // The control takes the focus in the surface's place (its focus proxy).
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void UltraBoxSurface::paintEvent(QPaintEvent*) {
    if (owner_) {
        // Moved to a screen with another pixel ratio: the buffer is drawn anew at the new one.
        if (owner_->BackBuffer().devicePixelRatio() != devicePixelRatioF()) {
            owner_->ScreenChanged();
        }
        QPainter painter(this);
        painter.drawImage(0, 0, owner_->BackBuffer());
    }
}

bool UltraBoxSurface::event(QEvent* event) {
    if (event->type() == QEvent::ScreenChangeInternal && owner_) {
        owner_->ScreenChanged();
    }
    return QWidget::event(event);
}

void UltraBoxSurface::mousePressEvent(QMouseEvent* event) {
    if (owner_) {
        owner_->SurfaceMousePress(event);
    }
}

void UltraBoxSurface::mouseReleaseEvent(QMouseEvent* event) {
    if (owner_) {
        owner_->SurfaceMouseRelease(event);
    }
}

void UltraBoxSurface::mouseDoubleClickEvent(QMouseEvent* event) {
    if (owner_) {
        owner_->SurfaceMouseDoubleClick(event);
    }
}

void UltraBoxSurface::mouseMoveEvent(QMouseEvent* event) {
    if (owner_) {
        owner_->SurfaceMouseMove(event);
    }
}

void UltraBoxSurface::wheelEvent(QWheelEvent* event) {
    if (owner_) {
        owner_->SurfaceWheel(event);
    }
}

void UltraBoxSurface::focusInEvent(QFocusEvent*) {
    if (owner_) {
        owner_->SurfaceFocusChanged(true);
    }
}

void UltraBoxSurface::focusOutEvent(QFocusEvent*) {
    if (owner_) {
        owner_->SurfaceFocusChanged(false);
    }
}
