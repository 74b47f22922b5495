// What screen readers see of the item list: a List with one child per entry.
#include "ultrabox_accessible.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <cmath>
#include <memory>

#include "ultrabox.h"
#include "ultrabox_model.h"

namespace {

// More selection changes than this at once are told as one SelectionWithin.
constexpr int kMaxSelectionEvents = 16;

QAccessible::Role RoleOf(const UltraBoxItem& item) {
    switch (UltraBoxModel::ItemType(item)) {
        case UltraBoxModel::kOptionEntry:
            return QAccessible::RadioButton;
        case UltraBoxModel::kCheckEntry:
            return QAccessible::CheckBox;
        case UltraBoxModel::kProgressEntry:
            return QAccessible::ProgressBar;
        default:
            return QAccessible::ListItem;
    }
}

bool IsChecked(const UltraBoxItem& item) {
    return (item.UseCheckBox && item.CheckState == 1) ||
           (item.UseOptionBox && item.OptionState == 1);
}

// Sends an event of `type` about entry `index` (a child of the list's interface).
void SendForEntry(UltraBox& box, int index, QAccessible::Event type) {
    QAccessibleEvent event(&box, type);
    event.setChild(index - 1);
    QAccessible::updateAccessibility(&event);
}

}  // namespace

// One entry of the list. It holds no entry data, only its number, and reads the list each
// time; it goes invalid with the list or when the entries no longer reach its number.
class UltraBoxEntryAccessible : public QAccessibleInterface, public QAccessibleValueInterface {
public:
    UltraBoxEntryAccessible(UltraBox* box, int index) : box_(box), index_(index) {}

    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString& text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // A progress entry's value: 0 up to its maximum; it is not set from outside.
    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

    int Index() const;

private:
    const UltraBoxItem* Item() const;

    QPointer<UltraBox> box_;
    int index_;
};

bool UltraBoxEntryAccessible::isValid() const {
    return Item() != nullptr;
}

QObject* UltraBoxEntryAccessible::object() const {
    return nullptr;
}

QWindow* UltraBoxEntryAccessible::window() const {
    return box_ ? box_->window()->windowHandle() : nullptr;
}

QAccessibleInterface* UltraBoxEntryAccessible::parent() const {
    return box_ ? QAccessible::queryAccessibleInterface(box_.data()) : nullptr;
}

QAccessibleInterface* UltraBoxEntryAccessible::child(int) const {
    return nullptr;
}

QAccessibleInterface* UltraBoxEntryAccessible::childAt(int, int) const {
    return nullptr;
}

int UltraBoxEntryAccessible::childCount() const {
    return 0;
}

int UltraBoxEntryAccessible::indexOfChild(const QAccessibleInterface*) const {
    return -1;
}

QString UltraBoxEntryAccessible::text(QAccessible::Text t) const {
    const UltraBoxItem* item = Item();
    if (item == nullptr) {
        return {};
    }
    if (t == QAccessible::Name) {
        return box_->List(index_);
    }
    if (t == QAccessible::Value && item->UseProgressBar && item->ProgressMax > 0) {
        const double share = 100.0 * item->ProgressValue / item->ProgressMax;
        return QStringLiteral("%1 %").arg(std::lround(share));
    }
    return {};
}

void UltraBoxEntryAccessible::setText(QAccessible::Text, const QString&) {}

QRect UltraBoxEntryAccessible::rect() const {
    const QRect row = box_ ? box_->EntryRect(index_) : QRect();
    if (row.isEmpty()) {
        return {};
    }
    return QRect(box_->Surface()->mapToGlobal(row.topLeft()), row.size());
}

QAccessible::Role UltraBoxEntryAccessible::role() const {
    const UltraBoxItem* item = Item();
    return item ? RoleOf(*item) : QAccessible::ListItem;
}

QAccessible::State UltraBoxEntryAccessible::state() const {
    QAccessible::State state;
    const UltraBoxItem* item = Item();
    if (item == nullptr) {
        state.invalid = true;
        return state;
    }
    state.disabled = !item->Enabled;
    state.focusable = item->Enabled;
    state.selectable = item->Enabled;
    state.selected = item->Selected;
    state.focused = box_->hasFocus() && box_->ListIndex() == index_;
    state.checkable = item->UseCheckBox || item->UseOptionBox;
    state.checked = IsChecked(*item);
    state.offscreen = box_->EntryRect(index_).isEmpty();
    state.readOnly = item->UseProgressBar;
    return state;
}

void* UltraBoxEntryAccessible::interface_cast(QAccessible::InterfaceType type) {
    const UltraBoxItem* item = Item();
    if (type == QAccessible::ValueInterface && item != nullptr && item->UseProgressBar) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return nullptr;
}

QVariant UltraBoxEntryAccessible::currentValue() const {
    const UltraBoxItem* item = Item();
    return item ? item->ProgressValue : 0;
}

void UltraBoxEntryAccessible::setCurrentValue(const QVariant&) {}

QVariant UltraBoxEntryAccessible::maximumValue() const {
    const UltraBoxItem* item = Item();
    return item ? item->ProgressMax : 0;
}

QVariant UltraBoxEntryAccessible::minimumValue() const {
    return 0;
}

QVariant UltraBoxEntryAccessible::minimumStepSize() const {
    return 0;
}

int UltraBoxEntryAccessible::Index() const {
    return index_;
}

const UltraBoxItem* UltraBoxEntryAccessible::Item() const {
    return box_ ? box_->Item(index_) : nullptr;
}

// The list itself: role List, the entries as its children (the drawing surface and the
// scroll bars are left out, as a list view leaves out its own).
class UltraBoxAccessible : public QAccessibleWidget {
public:
    explicit UltraBoxAccessible(UltraBox* box) : QAccessibleWidget(box, QAccessible::List) {}

    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    UltraBox* Box() const;
    UltraBoxAccessibleEntries& Entries() const;
};

QAccessible::State UltraBoxAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.focusable = true;
    state.selectable = true;
    state.multiSelectable = Box()->MultiSelect();
    state.extSelectable = Box()->MultiSelect();
    return state;
}

int UltraBoxAccessible::childCount() const {
    return Box()->ListCount();
}

QAccessibleInterface* UltraBoxAccessible::child(int index) const {
    return Entries().Entry(index + 1);
}

int UltraBoxAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const int index = Entries().IndexOf(child);
    return index >= 1 ? index - 1 : -1;
}

QAccessibleInterface* UltraBoxAccessible::childAt(int x, int y) const {
    const QPoint at = Box()->Surface()->mapFromGlobal(QPoint(x, y));
    const int last = std::min(Box()->ListCount(), Box()->TopIndex() + Box()->VisibleRowCount());
    for (int i = Box()->TopIndex(); i <= last; ++i) {
        if (Box()->EntryRect(i).contains(at)) {
            return Entries().Entry(i);
        }
    }
    return nullptr;
}

QAccessibleInterface* UltraBoxAccessible::focusChild() const {
    if (!Box()->hasFocus()) {
        return nullptr;
    }
    QAccessibleInterface* current = Entries().Entry(Box()->ListIndex());
    return current != nullptr ? current : const_cast<UltraBoxAccessible*>(this);
}

UltraBox* UltraBoxAccessible::Box() const {
    return static_cast<UltraBox*>(widget());
}

UltraBoxAccessibleEntries& UltraBoxAccessible::Entries() const {
    UltraBox* box = Box();
    if (!box->accessibleEntries_) {
        box->accessibleEntries_ = std::make_unique<UltraBoxAccessibleEntries>(*box);
    }
    return *box->accessibleEntries_;
}

namespace {

QAccessibleInterface* Factory(const QString& key, QObject* object) {
    if (key == QLatin1String("UltraBox")) {
        if (auto* box = qobject_cast<UltraBox*>(object)) {
            return new UltraBoxAccessible(box);
        }
    }
    return nullptr;
}

}  // namespace

void InstallUltraBoxAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

UltraBoxAccessibleEntries::~UltraBoxAccessibleEntries() {
    Clear();
}

QAccessibleInterface* UltraBoxAccessibleEntries::Entry(int index) {
    if (box_.Item(index) == nullptr) {
        return nullptr;
    }
    const auto found = ids_.find(index);
    if (found != ids_.end()) {
        if (QAccessibleInterface* iface = QAccessible::accessibleInterface(found->second)) {
            return iface;
        }
    }
    auto* iface = new UltraBoxEntryAccessible(&box_, index);
    ids_[index] = QAccessible::registerAccessibleInterface(iface);
    return iface;
}

int UltraBoxAccessibleEntries::IndexOf(const QAccessibleInterface* iface) const {
    const auto* entry = dynamic_cast<const UltraBoxEntryAccessible*>(iface);
    if (entry == nullptr) {
        return -1;
    }
    const auto found = ids_.find(entry->Index());
    return found != ids_.end() && QAccessible::accessibleInterface(found->second) == iface
               ? entry->Index()
               : -1;
}

void UltraBoxAccessibleEntries::Clear() {
    for (const auto& entry : ids_) {
        QAccessible::deleteAccessibleInterface(entry.second);
    }
    ids_.clear();
}

UltraBoxAccessibleChanges::UltraBoxAccessibleChanges(UltraBox& box) : box_(box) {
    watching_ = ++box_.accessibleChangeDepth_ == 1 && QAccessible::isActive();
    if (!watching_) {
        return;
    }
    listIndex_ = box_.ListIndex();
    marks_.resize(box_.items_.size());
    for (std::size_t i = 1; i < box_.items_.size(); ++i) {
        marks_[i] = {box_.items_[i].Selected, IsChecked(box_.items_[i])};
    }
}

UltraBoxAccessibleChanges::~UltraBoxAccessibleChanges() {
    --box_.accessibleChangeDepth_;
    // A handler that rebuilt the list meanwhile has it told as a whole.
    if (watching_ && marks_.size() == box_.items_.size()) {
        Report();
    }
}

void UltraBoxAccessibleChanges::Report() const {
    const int current = box_.ListIndex();
    if (current != listIndex_ && box_.hasFocus() && box_.Item(current) != nullptr) {
        SendForEntry(box_, current, QAccessible::Focus);
    }
    std::vector<int> added;
    std::vector<int> removed;
    int selectedNow = 0;
    for (std::size_t i = 1; i < marks_.size(); ++i) {
        const UltraBoxItem& item = box_.items_[i];
        selectedNow += item.Selected ? 1 : 0;
        if (item.Selected != marks_[i].selected) {
            (item.Selected ? added : removed).push_back(static_cast<int>(i));
        }
        if (IsChecked(item) != marks_[i].checked) {
            QAccessible::State changed;
            changed.checked = true;
            QAccessibleStateChangeEvent event(&box_, changed);
            event.setChild(static_cast<int>(i) - 1);
            QAccessible::updateAccessibility(&event);
        }
    }
    if (static_cast<int>(added.size() + removed.size()) > kMaxSelectionEvents) {
        QAccessibleEvent event(&box_, QAccessible::SelectionWithin);
        QAccessible::updateAccessibility(&event);
        return;
    }
    for (const int index : removed) {
        SendForEntry(box_, index, QAccessible::SelectionRemove);
    }
    for (const int index : added) {
        SendForEntry(box_, index,
                     selectedNow == 1 ? QAccessible::Selection : QAccessible::SelectionAdd);
    }
}

namespace UltraBoxAccessibility {

void EntryFocused(UltraBox& box) {
    if (QAccessible::isActive() && box.Item(box.ListIndex()) != nullptr) {
        SendForEntry(box, box.ListIndex(), QAccessible::Focus);
    }
}

void EntriesReordered(UltraBox& box) {
    if (QAccessible::isActive()) {
        QAccessibleEvent event(&box, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
}

void EntryNameChanged(UltraBox& box, int index) {
    if (QAccessible::isActive() && box.Item(index) != nullptr) {
        SendForEntry(box, index, QAccessible::NameChanged);
    }
}

void EntryValueChanged(UltraBox& box, int index) {
    const UltraBoxItem* item = box.Item(index);
    if (QAccessible::isActive() && item != nullptr && item->UseProgressBar) {
        QAccessibleValueChangeEvent event(&box, item->ProgressValue);
        event.setChild(index - 1);
        QAccessible::updateAccessibility(&event);
    }
}

}  // namespace UltraBoxAccessibility
