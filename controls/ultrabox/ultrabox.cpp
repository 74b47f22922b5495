#include "ultrabox.h"

#include <QEvent>
#include <QFocusEvent>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

#include "property_store.h"
#include "ultrabox_accessible.h"
#include "ultrabox_colors.h"
#include "ultrabox_model.h"
#include "ultrabox_surface.h"

UltraBox::UltraBox(PropertyStore* store, QWidget* parent) : QWidget(parent), store_(store) {
    items_.resize(1);
    picMain_ = new UltraBoxSurface(this);
    vs_ = new QScrollBar(Qt::Vertical, this);
    vs_->setObjectName(QStringLiteral("VS"));
    hs_ = new QScrollBar(Qt::Horizontal, this);
    hs_->setObjectName(QStringLiteral("HS"));
    for (QScrollBar* bar : {vs_, hs_}) {
        bar->setRange(0, 0);
        bar->setFocusPolicy(Qt::NoFocus);
        bar->hide();
    }
    // The control itself takes the focus, so that screen readers hear of it as the list.
    setFocusPolicy(Qt::StrongFocus);
    picMain_->setFocusProxy(this);
    connect(vs_, &QScrollBar::valueChanged, this, &UltraBox::OnVScroll);
    connect(hs_, &QScrollBar::valueChanged, this, &UltraBox::OnHScroll);
    InstallUltraBoxAccessibility();

    vScrollWidth_ = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, vs_);
    hScrollHeight_ = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, hs_);
    ResolveDefaultColors();
    measureFont_ = picMain_->font();
    RecomputeMetrics(4, 2);
    picMain_->setGeometry(0, 0, width(), height());
    Redraw();

    PropertyStore empty;
    ReadProperties(store_ ? *store_ : empty);
}

UltraBox::~UltraBox() {
    // The children go after this body; nothing they do may reach the control any more.
    picMain_->Detach();
    vs_->disconnect(this);
    hs_->disconnect(this);
    accessibleEntries_.reset();
}

void UltraBox::EntriesReplaced() {
    if (accessibleEntries_) {
        accessibleEntries_->Clear();
    }
    entriesChanged_ = true;
}

void UltraBox::EntriesAdded() {
    entriesChanged_ = true;
}

UltraBoxItem* UltraBox::Entry(int index) {
    return index >= 1 && index < static_cast<int>(items_.size()) ? &items_[index] : nullptr;
}

const UltraBoxItem* UltraBox::Entry(int index) const {
    return index >= 1 && index < static_cast<int>(items_.size()) ? &items_[index] : nullptr;
}

const UltraBoxItem* UltraBox::Item(int index) const {
    return Entry(index);
}

QWidget* UltraBox::Surface() const {
    return picMain_;
}

void UltraBox::MarkChanged(const char* name) {
    if (store_) {
        store_->PropertyChanged(QString::fromLatin1(name));
    }
}

void UltraBox::RepaintIfPainting() {
    if (paint_) {
        Redraw();
    }
}

int UltraBox::Find(const QString& s) const {
    return UltraBoxModel::FindEntry(items_, s, false);
}

int UltraBox::FindInStr(const QString& s) const {
    return UltraBoxModel::FindEntry(items_, s, true);
}

int UltraBox::GetItemOptGrp(int index) const {
    const UltraBoxItem* item = Entry(index);
    return item ? item->OptionGroup : 0;
}

int UltraBox::GetProgressMax(int index) const {
    const UltraBoxItem* item = Entry(index);
    return item && item->UseProgressBar ? item->ProgressMax : 0;
}

int UltraBox::GetProgressValue(int index) const {
    const UltraBoxItem* item = Entry(index);
    return item && item->UseProgressBar ? item->ProgressValue : 0;
}

bool UltraBox::IsSelected(int index, bool checkAndOptionOnly, bool noCheckAndOption) const {
    const UltraBoxItem* item = Entry(index);
    if (!item) {
        return false;
    }
    if (checkAndOptionOnly) {
        return UltraBoxModel::IsMarked(*item);
    }
    if (noCheckAndOption) {
        return item->Selected;
    }
    return item->Selected || UltraBoxModel::IsMarked(*item);
}

bool UltraBox::ItemEnabled(int index) const {
    const UltraBoxItem* item = Entry(index);
    return item && item->Enabled;
}

QString UltraBox::ItemText(bool keepTags) const {
    return List(listIndex_, keepTags);
}

int UltraBox::ItemTypeX(int index) const {
    const UltraBoxItem* item = Entry(index);
    return item ? UltraBoxModel::ItemType(*item) : -1;
}

QString UltraBox::List(int index, bool keepTags) const {
    const UltraBoxItem* item = Entry(index);
    if (!item) {
        return {};
    }
    return keepTags ? item->Text : UltraBoxModel::DisplayText(*item);
}

std::int64_t UltraBox::ItemData(int index) const {
    const UltraBoxItem* item = Entry(index);
    return item ? item->Data : 0;
}

int UltraBox::ListCount() const {
    return static_cast<int>(items_.size()) - 1;
}

void UltraBox::SetColor(OleColor color) {
    for (int i = 1; i <= ListCount(); ++i) {
        if (items_[i].BColor == color_) {
            items_[i].BColor = color;
        }
    }
    color_ = color;
    MarkChanged("Color");
    RepaintIfPainting();
}

bool UltraBox::Enabled() const {
    return picMain_->isEnabled();
}

void UltraBox::SetEnabled(bool enabled) {
    // Only the step from enabled to disabled saves the entries' flags: disabling twice
    // must not overwrite them with the disabled state.
    const bool wasEnabled = picMain_->isEnabledTo(this);
    UltraBoxAccessibleChanges changes(*this);
    picMain_->setEnabled(enabled);
    vs_->setEnabled(enabled);
    hs_->setEnabled(enabled);
    for (int i = 1; i <= ListCount(); ++i) {
        UltraBoxItem& item = items_[i];
        if (enabled) {
            item.Enabled = item.SavedEnabled;
        } else {
            if (wasEnabled) {
                item.SavedEnabled = item.Enabled;
            }
            item.Enabled = false;
            item.Selected = false;
        }
    }
    RepaintIfPainting();
}

void UltraBox::SetFillView(int fillView) {
    fillView_ = fillView;
    RepaintIfPainting();
    MarkChanged("Fill");
}

QFont UltraBox::Font() const {
    return picMain_->font();
}

void UltraBox::SetFont(const QFont& font) {
    picMain_->setFont(font);
    MarkChanged("Font");
    FontChanged();
}

void UltraBox::SetMultiSelect(bool multiSelect) {
    multiSelect_ = multiSelect;
    MarkChanged("Mult");
}

void UltraBox::SetPaint(bool paint) {
    paint_ = paint;
    RepaintIfPainting();
}

void UltraBox::SetSorted(bool sorted) {
    sorted_ = sorted;
    if (sorted_) {
        UltraBoxModel::SortItems(items_);
        EntriesReplaced();
        RepaintIfPainting();
    }
    MarkChanged("Sort");
}

void UltraBox::SetStyle(int style) {
    style_ = style;
    RepaintIfPainting();
    MarkChanged("Style");
}

void UltraBox::SetSelectStyle(int selectStyle) {
    selectStyle_ = selectStyle;
    RepaintIfPainting();
    MarkChanged("SELECTSTYLE");
}

void UltraBox::AddItem(const QString& sText, int alignment, const QImage& pPicture,
                       OleColor transColor, bool enabled, OleColor fColor, OleColor bColor,
                       OleColor hColor, OleColor hText, bool useCheckBox, bool useOptionBox,
                       int optionGroup, bool useProgressBar, int progressBarMax,
                       int progressBarValue, OleColor progressBarProgressColor) {
    UltraBoxAddArgs args;
    args.alignment = alignment;
    args.picture = pPicture;
    args.transColor = transColor;
    args.enabled = enabled;
    args.fColor = fColor;
    args.bColor = bColor;
    args.hColor = hColor;
    args.hText = hText;
    args.useCheckBox = useCheckBox;
    args.useOptionBox = useOptionBox;
    args.optionGroup = optionGroup;
    args.useProgressBar = useProgressBar;
    args.progressBarMax = progressBarMax;
    args.progressBarValue = progressBarValue;
    args.progressBarProgressColor = progressBarProgressColor;
    AddItem(sText, args);
}

void UltraBox::AddItem(const QString& sText, const UltraBoxAddArgs& args) {
    UltraBoxItem item;
    item.Text = sText;
    item.Literal = args.literal;
    item.Data = args.data;
    if (!item.Literal && item.Text.contains(QLatin1Char('\r'))) {
        item.Text.remove(QStringLiteral("\r\n"));
    }
    item.Picture = args.picture;
    MeasureEntry(item);
    item.BColor = args.bColor == kDefaultColor ? color_ : args.bColor;
    item.PaletteFColor = args.fColor == kDefaultColor;
    item.PaletteHText = args.hText == kDefaultColor;
    item.PaletteHColor = args.hColor == kDefaultColor;
    item.FColor = item.PaletteFColor ? foreColorDefault_ : args.fColor;
    item.HText = item.PaletteHText ? hTextDefault_ : args.hText;
    item.HColor = item.PaletteHColor ? hColorDefault_ : args.hColor;
    item.UseCheckBox = args.useCheckBox;
    item.UseOptionBox = args.useOptionBox && !args.useCheckBox;
    item.UseProgressBar = args.useProgressBar;
    item.ProgressMax = args.progressBarMax;
    item.ProgressValue = args.progressBarValue;
    item.ProgressColor = args.progressBarProgressColor == kDefaultColor
                             ? item.HColor
                             : args.progressBarProgressColor;
    item.TextFormat = UltraBoxModel::TextFormatFor(args.alignment);
    item.OptionGroup = args.optionGroup;
    item.Enabled = args.enabled;
    item.TransColor = args.transColor;
    items_.push_back(std::move(item));
    if (sorted_ && paint_) {
        UltraBoxModel::SortItems(items_);
        EntriesReplaced();
    } else {
        EntriesAdded();
    }
    emit ItemAdded();
    RepaintIfPainting();
}

void UltraBox::AddItemCheck(const QString& sText, int alignment, bool enabled, OleColor fColor,
                            OleColor bColor, OleColor hColor, OleColor hText) {
    AddItem(sText, alignment, {}, kDefaultColor, enabled, fColor, bColor, hColor, hText, true);
}

void UltraBox::AddItemOption(const QString& sText, int alignment, bool enabled, OleColor fColor,
                             OleColor bColor, OleColor hColor, OleColor hText, int optionGroup) {
    AddItem(sText, alignment, {}, kDefaultColor, enabled, fColor, bColor, hColor, hText, false,
            true, optionGroup);
}

void UltraBox::AddItemProgressBar(const QString& sText, int alignment, bool enabled,
                                  OleColor fColor, OleColor bColor, OleColor hColor, OleColor hText,
                                  int progressBarMax, int progressBarValue,
                                  OleColor progressBarProgressColor) {
    AddItem(sText, alignment, {}, kDefaultColor, enabled, fColor, bColor, hColor, hText, false,
            false, 0, true, progressBarMax, progressBarValue, progressBarProgressColor);
}

void UltraBox::Clear() {
    items_.assign(1, UltraBoxItem{});
    maxTextWidth_ = 0;
    topIndex_ = 1;
    vs_->setValue(0);
    hs_->setValue(0);
    vs_->hide();
    hs_->hide();
    listIndex_ = -1;
    anchor_ = -1;
    EntriesReplaced();
    RepaintIfPainting();
}

void UltraBox::MakeItemX(int index, int wch, int optGrp, int lPrgBaMa, OleColor lPrgBaCol) {
    UltraBoxItem* item = Entry(index);
    if (!item) {
        return;
    }
    switch (wch) {
        case UltraBoxModel::kOptionEntry:
            item->UseCheckBox = false;
            item->UseOptionBox = true;
            item->OptionGroup = optGrp;
            break;
        case UltraBoxModel::kCheckEntry:
            item->UseCheckBox = true;
            item->UseOptionBox = false;
            item->OptionState = 0;
            break;
        case UltraBoxModel::kProgressEntry:
            item->UseProgressBar = true;
            item->ProgressColor = lPrgBaCol;
            item->ProgressMax = lPrgBaMa;
            break;
        case UltraBoxModel::kPlainEntry:
            item->UseCheckBox = false;
            item->UseOptionBox = false;
            item->OptionState = 0;
            break;
        default:
            break;
    }
    EntriesReplaced();  // the entry may now be read out as another kind
    RepaintIfPainting();
}

void UltraBox::Refresh() {
    FontChanged();
    measureFont_ = picMain_->font();
    for (int i = 1; i <= ListCount(); ++i) {
        MeasureEntry(items_[i]);
    }
    if (sorted_) {
        UltraBoxModel::SortItems(items_);
        EntriesReplaced();
    }
    RepaintIfPainting();
}

void UltraBox::RemoveItem(int index) {
    if (!Entry(index)) {
        return;
    }
    items_.erase(items_.begin() + index);
    EntriesReplaced();
    RepaintIfPainting();
}

void UltraBox::SetEnabled(int index, bool enabled) {
    UltraBoxItem* item = Entry(index);
    if (!item) {
        return;
    }
    UltraBoxAccessibleChanges changes(*this);
    item->Enabled = enabled;
    if (!enabled) {
        item->Selected = false;
        item->CheckState = 0;
        item->OptionState = 0;
    }
    RepaintIfPainting();
}

void UltraBox::SetItemColors(int index, int eWhich, OleColor lCol) {
    UltraBoxItem* item = Entry(index);
    if (!item) {
        return;
    }
    switch (eWhich) {
        case 0:
            item->HColor = lCol;
            break;
        case 1:
            item->FColor = lCol;
            break;
        case 2:
            item->BColor = lCol;
            break;
        case 3:
            item->HText = lCol;
            break;
        default:
            break;
    }
    RepaintIfPainting();
}

void UltraBox::SetItemPicture(int index, const QImage& sPic, OleColor trans) {
    UltraBoxItem* item = Entry(index);
    if (!item) {
        return;
    }
    item->Picture = sPic;
    item->TransColor = trans;
    item->TransPixels.clear();
    item->TransPixelsValid = false;
    RepaintIfPainting();
}

void UltraBox::SetItemText(int index, const QString& newText) {
    UltraBoxItem* item = Entry(index);
    if (!item) {
        return;
    }
    item->Text = newText;
    UltraBoxAccessibility::EntryNameChanged(*this, index);
    RepaintIfPainting();
}

void UltraBox::SetProgressValue(int index, int newValue) {
    UltraBoxItem* item = Entry(index);
    if (!item) {
        return;
    }
    if (item->UseProgressBar) {
        item->ProgressValue = std::min(newValue, item->ProgressMax);
        UltraBoxAccessibility::EntryValueChanged(*this, index);
    }
    RepaintIfPainting();
}

void UltraBox::resizeEvent(QResizeEvent*) {
    picMain_->setGeometry(0, 0, width(), height());
    Redraw();
}
