#include "property_store.h"

QVariant PropertyStore::ReadProperty(const QString& name, const QVariant& defaultValue) {
    readLog_.append(name);
    auto it = values_.constFind(name);
    return it == values_.constEnd() ? defaultValue : it.value();
}

void PropertyStore::WriteProperty(const QString& name, const QVariant& value,
                                  const QVariant& defaultValue) {
    writeLog_.append(name);
    if (defaultValue.isValid() && value == defaultValue) {
        values_.remove(name);
        return;
    }
    values_.insert(name, value);
}

void PropertyStore::Clear() {
    values_.clear();
    ClearLogs();
}

void PropertyStore::PropertyChanged(const QString& name) {
    changeLog_.append(name);
    if (onPropertyChanged) {
        onPropertyChanged(name);
    }
}

void PropertyStore::ClearLogs() {
    readLog_.clear();
    writeLog_.clear();
    changeLog_.clear();
}
