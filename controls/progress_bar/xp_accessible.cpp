// What screen readers see of the progress bar.
#include "xp_accessible.h"

#include <QAccessibleWidget>

#include "xp_progress_bar.h"

namespace {

class ProgressBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressBarAccessible(XP_ProgressBar* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // The bar is drawn from 0 to Max; Min is only kept, so it is not the minimum shown. The
    // value is not set from outside.
    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    XP_ProgressBar* Bar() const;
};

QString ProgressBarAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) {
        return Bar()->CaptionText();
    }
    return QAccessibleWidget::text(t);
}

QAccessible::State ProgressBarAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    return state;
}

void* ProgressBarAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QVariant ProgressBarAccessible::currentValue() const {
    return Bar()->Value();
}

void ProgressBarAccessible::setCurrentValue(const QVariant&) {}

QVariant ProgressBarAccessible::maximumValue() const {
    return Bar()->Max();
}

QVariant ProgressBarAccessible::minimumValue() const {
    return 0;
}

QVariant ProgressBarAccessible::minimumStepSize() const {
    return 0;
}

XP_ProgressBar* ProgressBarAccessible::Bar() const {
    return static_cast<XP_ProgressBar*>(widget());
}

QAccessibleInterface* Factory(const QString& key, QObject* object) {
    if (key == QLatin1String("XP_ProgressBar")) {
        if (auto* bar = qobject_cast<XP_ProgressBar*>(object)) {
            return new ProgressBarAccessible(bar);
        }
    }
    return nullptr;
}

}  // namespace

void InstallProgressBarAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}
