// The design values the host keeps for the item list.
#include <QFont>
#include <QImage>
#include <QVariant>

#include "property_store.h"
#include "ultrabox.h"
#include "ultrabox_surface.h"

namespace {

constexpr OleColor kDefaultBackColor = 0xFFFFFF;

// Reads a whole number into `target`; a missing name or an unreadable value leaves it.
void ReadInt(PropertyStore& store, const char* name, int& target) {
    bool ok = false;
    const int value = store.ReadProperty(QString::fromLatin1(name), target).toInt(&ok);
    if (ok) {
        target = value;
    }
}

void ReadBool(PropertyStore& store, const char* name, bool& target) {
    const QVariant value = store.ReadProperty(QString::fromLatin1(name), target);
    if (value.canConvert<bool>()) {
        target = value.toBool();
    }
}

}  // namespace

void UltraBox::ReadProperties(PropertyStore& store) {
    ReadInt(store, "Style", style_);
    bool ok = false;
    const qlonglong color =
        store.ReadProperty(QStringLiteral("Color"), kDefaultBackColor).toLongLong(&ok);
    if (ok) {
        color_ = static_cast<OleColor>(color);
    }
    ReadInt(store, "Fill", fillView_);
    ReadInt(store, "SELECTSTYLE", selectStyle_);
    ReadBool(store, "Mult", multiSelect_);
    ReadBool(store, "Sort", sorted_);
    const QVariant picture = store.ReadProperty(QStringLiteral("BACKPICTURE"));
    backPicture_ =
        picture.metaType() == QMetaType::fromType<QImage>() ? picture.value<QImage>() : QImage();
    const QVariant font = store.ReadProperty(QStringLiteral("Font"));
    if (font.metaType() == QMetaType::fromType<QFont>()) {
        picMain_->setFont(font.value<QFont>());
    }
    FontChanged();
    RepaintIfPainting();
}

void UltraBox::WriteProperties(PropertyStore& store) const {
    store.WriteProperty(QStringLiteral("Style"), style_);
    store.WriteProperty(QStringLiteral("Color"), static_cast<qlonglong>(color_),
                        static_cast<qlonglong>(kDefaultBackColor));
    store.WriteProperty(QStringLiteral("Fill"), fillView_);
    store.WriteProperty(QStringLiteral("Font"), QVariant::fromValue(picMain_->font()));
    store.WriteProperty(QStringLiteral("Mult"), multiSelect_);
    store.WriteProperty(QStringLiteral("Sort"), sorted_);
    store.WriteProperty(QStringLiteral("BACKPICTURE"), QVariant::fromValue(backPicture_));
    store.WriteProperty(QStringLiteral("SELECTSTYLE"), selectStyle_);
}
