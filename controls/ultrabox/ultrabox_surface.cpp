#include "ultrabox_surface.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ultrabox.h"

UltraBoxSurface::UltraBoxSurface(UltraBox* owner) : QWidget(owner), owner_(owner) {
    setObjectName(QStringLiteral("picMain"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void UltraBoxSurface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, owner_->BackBuffer());
}

void UltraBoxSurface::mousePressEvent(QMouseEvent* event) {
    owner_->SurfaceMousePress(event);
}

void UltraBoxSurface::mouseReleaseEvent(QMouseEvent* event) {
    owner_->SurfaceMouseRelease(event);
}

void UltraBoxSurface::mouseDoubleClickEvent(QMouseEvent* event) {
    owner_->SurfaceMouseDoubleClick(event);
}

void UltraBoxSurface::mouseMoveEvent(QMouseEvent* event) {
    owner_->SurfaceMouseMove(event);
}

void UltraBoxSurface::keyPressEvent(QKeyEvent* event) {
    owner_->SurfaceKeyPress(event);
}

void UltraBoxSurface::keyReleaseEvent(QKeyEvent* event) {
    owner_->SurfaceKeyRelease(event);
}

void UltraBoxSurface::focusInEvent(QFocusEvent*) {
    owner_->SurfaceFocusChanged(true);
}

void UltraBoxSurface::focusOutEvent(QFocusEvent*) {
    owner_->SurfaceFocusChanged(false);
}
