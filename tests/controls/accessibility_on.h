#pragma once

#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>
#include <QAccessible>

// Switches the platform's accessibility on or off, as an assistive technology that connects
// or leaves does; Qt's own accessibility tests do the same. Without it no notice reaches an
// update handler. False when the platform has no accessibility at all.
inline bool SwitchAccessibility(bool on) {
    QPlatformIntegration* integration = QGuiApplicationPrivate::platformIntegration();
    QPlatformAccessibility* accessibility =
        integration != nullptr ? integration->accessibility() : nullptr;
    if (accessibility == nullptr) {
        return false;
    }
    accessibility->setActive(on);
    return QAccessible::isActive() == on;
}
