#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

// The host's store of a control's design values: named values with defaults.
// A control reads its values after creation and writes them when its host saves;
// it reports a changed design value with PropertyChanged. The store keeps the names
// read and written, in order, so a host (or a test) can see what happened.
class PropertyStore {
public:
    // The stored value of `name`, or `defaultValue` when the name is missing.
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue = {});

    // Stores `value` under `name`. With a valid `defaultValue` equal to `value`, the
    // name is removed instead, so a default is never stored.
    void WriteProperty(const QString& name, const QVariant& value,
                       const QVariant& defaultValue = {});

    // True when a value is stored under `name`.
    bool Contains(const QString& name) const { return values_.contains(name); }

    // Removes every stored value and clears the logs.
    void Clear();

    // A control calls this when a design value changed; the host is told through the hook.
    void PropertyChanged(const QString& name);

    // Called with the name on every PropertyChanged; empty by default.
    std::function<void(const QString&)> onPropertyChanged;

    const QStringList& ReadLog() const { return readLog_; }
    const QStringList& WriteLog() const { return writeLog_; }
    const QStringList& ChangeLog() const { return changeLog_; }
    void ClearLogs();

private:
    QHash<QString, QVariant> values_;
    QStringList readLog_;
    QStringList writeLog_;
    QStringList changeLog_;
};
