// The desktop palettes the gallery can draw under, and the list as screen readers see it.
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStyle>
#include <QTextStream>

#include "gallery.h"
#include "ultrabox.h"

namespace {

QPalette Make(QColor window, QColor base, QColor text, QColor highlight, QColor highlightedText,
              QColor disabledText) {
    QPalette p(text, window, window.lighter(130), window.darker(150), window.darker(120), text,
               Qt::white, base, window);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(g, QPalette::Highlight, highlight);
        p.setColor(g, QPalette::HighlightedText, highlightedText);
    }
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, disabledText);
    }
    return p;
}

QString RoleName(QAccessible::Role role) {
    switch (role) {
        case QAccessible::List:
            return QStringLiteral("List");
        case QAccessible::ListItem:
            return QStringLiteral("ListItem");
        case QAccessible::CheckBox:
            return QStringLiteral("CheckBox");
        case QAccessible::RadioButton:
            return QStringLiteral("RadioButton");
        case QAccessible::ProgressBar:
            return QStringLiteral("ProgressBar");
        default:
            return QString::number(role);
    }
}

QString States(const QAccessible::State& s) {
    QStringList names;
    const std::pair<bool, const char*> flags[] = {
        {s.focusable, "focusable"},
        {s.focused, "focused"},
        {s.selectable, "selectable"},
        {s.selected, "selected"},
        {s.multiSelectable, "multiSelectable"},
        {s.checkable, "checkable"},
        {s.checked, "checked"},
        {s.disabled, "disabled"},
        {s.offscreen, "offscreen"},
        {s.readOnly, "readOnly"},
    };
    for (const auto& [on, name] : flags) {
        if (on) {
            names << QString::fromLatin1(name);
        }
    }
    return names.join(QLatin1Char(' '));
}

void Dump(QTextStream& out, QAccessibleInterface* iface, int depth) {
    out << QString(depth * 2, QLatin1Char(' ')) << RoleName(iface->role()) << " \""
        << iface->text(QAccessible::Name) << "\"";
    if (QAccessibleValueInterface* value = iface->valueInterface()) {
        out << " value " << value->currentValue().toString() << " of "
            << value->minimumValue().toString() << ".." << value->maximumValue().toString();
    }
    out << " [" << States(iface->state()) << "]\n";
    for (int i = 0; i < iface->childCount(); ++i) {
        Dump(out, iface->child(i), depth + 1);
    }
}

}  // namespace

std::optional<QPalette> GalleryPalette(const QString& name) {
    if (name == QLatin1String("light")) {
        return QApplication::style()->standardPalette();
    }
    if (name == QLatin1String("dark")) {
        return Make(QColor(0x35, 0x35, 0x35), QColor(0x2D, 0x2D, 0x2D), QColor(0xEE, 0xEE, 0xEC),
                    QColor(0x15, 0x53, 0x9E), Qt::white, QColor(0x91, 0x91, 0x90));
    }
    if (name == QLatin1String("contrast")) {
        return Make(Qt::black, Qt::black, Qt::white, QColor(0x1A, 0xEB, 0xFF), Qt::black,
                    QColor(0x3F, 0xF2, 0x3F));
    }
    return std::nullopt;
}

bool WriteAccessibilityTree(const QString& outDir) {
    UltraBox box;
    box.setAccessibleName(QStringLiteral("Dateiliste"));
    box.resize(240, 120);
    box.SetMultiSelect(true);
    UltraBoxAddArgs args;
    args.literal = true;
    for (const char* name : {"[..]", "[Live]", "a.mp3", "b.mp3"}) {
        box.AddItem(QString::fromLatin1(name), args);
    }
    box.AddItemCheck(QStringLiteral("Check entry"));
    box.AddItemProgressBar(QStringLiteral("}bProgress}n entry"), 0, true, kDefaultColor,
                           kDefaultColor, kDefaultColor, kDefaultColor, 100, 40);
    box.AddItem(QStringLiteral("Disabled entry"), 0, {}, kDefaultColor, false);
    box.SetSelected(5, true);
    box.SetSelected(3, true);
    QFile file(QDir(outDir).filePath(QStringLiteral("ultrabox-accessibility.txt")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        return false;
    }
    QTextStream out(&file);
    Dump(out, QAccessible::queryAccessibleInterface(&box), 0);
    return out.status() == QTextStream::Ok;
}
