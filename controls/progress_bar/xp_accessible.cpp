// What screen readers see of the progress bar.
#include "xp_accessible.h"

#include <QAccessibleWidget>

#include "xp_progress_bar.h"

namespace {

class ProgressBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressBarAccessible(XP_ProgressBar* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return Bar()->CaptionText();
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    // The bar is drawn from 0 to Max; Min is only kept, so it is not the minimum shown.
    QVariant currentValue() const override { return Bar()->Value(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return Bar()->Max(); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 0; }

private:
    XP_ProgressBar* Bar() const { return static_cast<XP_ProgressBar*>(widget()); }
};

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
