#pragma once

#include <QAccessible>

#include <map>
#include <vector>

class UltraBox;

// Installs the factory that gives every UltraBox its accessibility interface: a List whose
// children are the entries. Once per process; later calls do nothing. The UltraBox
// constructor calls it, so a host need not.
void InstallUltraBoxAccessibility();

// The interfaces of one list's entries, made when first asked for and kept until the
// entries change as a whole. The list owns it; it deletes what it made.
class UltraBoxAccessibleEntries {
public:
    explicit UltraBoxAccessibleEntries(UltraBox& box) : box_(box) {}
    ~UltraBoxAccessibleEntries();
    UltraBoxAccessibleEntries(const UltraBoxAccessibleEntries&) = delete;
    UltraBoxAccessibleEntries& operator=(const UltraBoxAccessibleEntries&) = delete;

    // The interface of entry `index` (1..ListCount); null for no such entry.
    QAccessibleInterface* Entry(int index);
    // The entry number `iface` stands for; -1 when it is none of these.
    int IndexOf(const QAccessibleInterface* iface) const;
    // Deletes every interface made so far.
    void Clear();

private:
    UltraBox& box_;
    std::map<int, QAccessible::Id> ids_;
};

// Notes the selection, the marks and the current entry of `box` when made and tells
// assistive technology what changed when it goes: Focus for a new current entry while the
// list has the focus, Selection (the only selected entry), SelectionAdd or SelectionRemove
// per entry (SelectionWithin for many at once), and a checked state change per mark. Only
// the outermost of nested ones reports; with no assistive technology active it does nothing.
class UltraBoxAccessibleChanges {
public:
    explicit UltraBoxAccessibleChanges(UltraBox& box);
    ~UltraBoxAccessibleChanges();
    UltraBoxAccessibleChanges(const UltraBoxAccessibleChanges&) = delete;
    UltraBoxAccessibleChanges& operator=(const UltraBoxAccessibleChanges&) = delete;

private:
    struct Marks {
        bool selected = false;
        bool checked = false;
    };
    void Report() const;

    UltraBox& box_;
    bool watching_ = false;
    int listIndex_ = -1;
    std::vector<Marks> marks_;  // slot 0 unused, as in the list
};

// Single notices for assistive technology; each does nothing while none is active.
namespace UltraBoxAccessibility {

// The list got the focus with a current entry: that entry has the focus.
void EntryFocused(UltraBox& box);
// The entries were replaced, sorted, removed or added.
void EntriesReordered(UltraBox& box);
// Entry `index` got another text.
void EntryNameChanged(UltraBox& box, int index);
// Progress entry `index` got another value.
void EntryValueChanged(UltraBox& box, int index);

}  // namespace UltraBoxAccessibility
