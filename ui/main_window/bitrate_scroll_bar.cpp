#include "bitrate_scroll_bar.h"

#include <QAccessibleWidget>
#include <QCoreApplication>

namespace {

using format_options::BitrateBar;

class BitrateBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit BitrateBarAccessible(BitrateScrollBar* scroll)
        : QAccessibleWidget(scroll, QAccessible::Slider), bar_(scroll->Table()) {}

    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override { return Kbps(Scroll()->value()); }
    // A bitrate the bar does not offer leaves it where it is.
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override { return Kbps(Scroll()->maximum()); }
    QVariant minimumValue() const override { return Kbps(Scroll()->minimum()); }
    // The steps are uneven (16 to 64 kbit/s).
    QVariant minimumStepSize() const override { return 0; }

private:
    QScrollBar* Scroll() const { return static_cast<QScrollBar*>(widget()); }
    int Kbps(int position) const { return format_options::BitrateAt(bar_, position).value_or(0); }

    BitrateBar bar_;
};

QString BitrateBarAccessible::text(QAccessible::Text t) const {
    switch (t) {
        case QAccessible::Name:
            return QCoreApplication::translate("MainWindow", "Bitrate");
        case QAccessible::Value:
        case QAccessible::Description:
            return QCoreApplication::translate("MainWindow", "%1 KB/s")
                .arg(Kbps(Scroll()->value()));
        default:
            return QAccessibleWidget::text(t);
    }
}

void* BitrateBarAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

void BitrateBarAccessible::setCurrentValue(const QVariant& value) {
    if (const auto position = format_options::PositionOf(bar_, value.toInt())) {
        Scroll()->setValue(*position);
    }
}

QAccessibleInterface* Factory(const QString& key, QObject* object) {
    if (key == QLatin1String("BitrateScrollBar")) {
        if (auto* scroll = qobject_cast<BitrateScrollBar*>(object)) {
            return new BitrateBarAccessible(scroll);
        }
    }
    return nullptr;
}

}  // namespace

BitrateScrollBar::BitrateScrollBar(format_options::BitrateBar bar, QWidget* parent)
    : QScrollBar(Qt::Horizontal, parent), bar_(bar) {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
    setRange(format_options::MinPosition(bar), format_options::MaxPosition(bar));
}
