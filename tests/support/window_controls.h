#pragma once

// Finds a control of a window by its object name, as the window names them ("Check1",
// "optFormat_2", "HScroll1"). A missing control fails the test with its name.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QString>

#include <array>
#include <stdexcept>
#include <string>

namespace testing_support {

template <class T>
T* Control(const QObject& window, const QString& name) {
    T* found = window.findChild<T*>(name);
    if (found == nullptr) {
        throw std::runtime_error("no control named " + name.toStdString());
    }
    return found;
}

// Button `index` of a group named `group`, e.g. Control<QRadioButton>(w, "optFormat", 1).
template <class T>
T* Control(const QObject& window, const char* group, int index) {
    return Control<T>(window, QStringLiteral("%1_%2").arg(QString::fromLatin1(group)).arg(index));
}

inline QCheckBox* Box(const QObject& w, const char* name) {
    return Control<QCheckBox>(w, QString::fromLatin1(name));
}
inline QPushButton* Button(const QObject& w, const char* name) {
    return Control<QPushButton>(w, QString::fromLatin1(name));
}
inline QRadioButton* Radio(const QObject& w, const char* group, int index) {
    return Control<QRadioButton>(w, group, index);
}
inline QGroupBox* Frame(const QObject& w, const char* name) {
    return Control<QGroupBox>(w, QString::fromLatin1(name));
}
inline QLabel* Label(const QObject& w, const char* name) {
    return Control<QLabel>(w, QString::fromLatin1(name));
}
inline QScrollBar* Bar(const QObject& w, const char* name) {
    return Control<QScrollBar>(w, QString::fromLatin1(name));
}
inline QLineEdit* Edit(const QObject& w, const char* name) {
    return Control<QLineEdit>(w, QString::fromLatin1(name));
}
inline QComboBox* Combo(const QObject& w, const char* name) {
    return Control<QComboBox>(w, QString::fromLatin1(name));
}
// The options frame of format `index` (0 WAV, 1 MP3, 2 AC3, 3 MPA).
inline QGroupBox* FormatFrame(const QObject& w, int index) {
    static constexpr std::array<const char*, 4> kNames = {"frmWAV", "frmMP3", "frmAC3", "frmMPA"};
    return Frame(w, kNames.at(static_cast<std::size_t>(index)));
}

}  // namespace testing_support
