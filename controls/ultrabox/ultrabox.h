#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "ultrabox_colors.h"
#include "ultrabox_geometry.h"
#include "ultrabox_item.h"

class PropertyStore;
class QScrollBar;
class UltraBoxAccessibleEntries;
class UltraBoxSurface;

// Everything AddItem takes beside the text, with its defaults (-1 colours: the defaults).
struct UltraBoxAddArgs {
    int alignment = 0;  // 0 left, 1 right, 2 centred
    QImage picture;
    OleColor transColor = kDefaultColor;
    bool enabled = true;
    OleColor fColor = kDefaultColor;
    OleColor bColor = kDefaultColor;
    OleColor hColor = kDefaultColor;
    OleColor hText = kDefaultColor;
    bool useCheckBox = false;
    bool useOptionBox = false;
    int optionGroup = 0;
    bool useProgressBar = false;
    int progressBarMax = 100;
    int progressBarValue = 1;
    OleColor progressBarProgressColor = kDefaultColor;
    bool literal = false;   // the text is shown as it stands (UltraBoxItem::Literal)
    std::int64_t data = 0;  // the host's own value for the entry
};

// The owner-drawn item list: entries of plain text, check boxes, option buttons or
// progress bars, with inline markup, numbered 1..ListCount (-1: no entry). Every member
// that changes what is shown repaints while Paint is true. An index outside the entries
// changes nothing and gives the neutral result (false, 0, empty text).
//
// Keys, while the list has the focus (with MultiSelect, Ctrl or Shift held marks ModifierHeld):
//   Up, Down           the nearest enabled entry above or below becomes current and selected
//   PgUp, PgDn         the same a page (visible rows less one) further
//   Home, End          the first or last enabled entry
//                      (without a current entry each of these picks the first entry, End the
//                      last; with Ctrl held the target's selection toggles and the others stay;
//                      with Shift held and MultiSelect on, the entries from the anchor, the
//                      entry current before the last move without Shift, to the target are
//                      selected, the others too when Ctrl is held as well)
//   Space              toggles a check entry, chooses an option entry
//   Ctrl+A             with MultiSelect on, selects the entries the select-all filter accepts
//   Return, Enter      raises DoubleClick
//   Backspace          raises BackRequested, also without a current entry
// Every key ends with Click while there is a current entry; keys without a use here then go
// on to the parent widget. The mouse wheel scrolls by the desktop's lines per notch.
// The control itself takes the keyboard focus (the surface hands it on). A focused list
// without a current entry draws the dotted focus mark round its first row, or round its
// inside when it is empty.
//
// Screen readers see the list through InstallUltraBoxAccessibility (the constructor calls
// it): a List with one child per entry (ListItem, CheckBox, RadioButton, ProgressBar), named
// by the entry's text without markup, with its selected, focused and checked states.
//
// Colours: a system colour (the defaults included) drawn over a fixed colour takes the value
// it has in the light palette the fixed colours were designed against, so a dark desktop
// keeps fixed backgrounds readable; over a colour of the palette it follows the palette.
class UltraBox : public QWidget {
    Q_OBJECT

public:
    // Creates the control and reads its design values from `store` (none: defaults).
    // The store, when given, must outlive the control; it receives the change notices.
    explicit UltraBox(PropertyStore* store = nullptr, QWidget* parent = nullptr);
    ~UltraBox() override;

    // The first enabled entry whose stored text begins with `s` (any case); -1 for none.
    int Find(const QString& s) const;
    // The first enabled entry whose stored text contains `s` (any case); -1 for none.
    int FindInStr(const QString& s) const;
    // The entry's option group; 0 for no entry.
    int GetItemOptGrp(int index) const;
    // ProgressMax of a progress entry; 0 for other entries.
    int GetProgressMax(int index) const;
    // ProgressValue of a progress entry; 0 for other entries.
    int GetProgressValue(int index) const;
    // Selected, checked or chosen (flags narrow it to the marks or to the selection).
    bool IsSelected(int index, bool checkAndOptionOnly = false,
                    bool noCheckAndOption = false) const;
    // The entry's Enabled; false for no entry.
    bool ItemEnabled(int index) const;
    // The current entry's text, markup removed unless `keepTags`; empty without one.
    QString ItemText(bool keepTags = false) const;
    // Kind code: 0 option, 1 check, 2 progress, 3 plain; -1 for no entry.
    int ItemTypeX(int index) const;
    // The entry's text, markup removed unless `keepTags` (a literal entry's text is never
    // changed); empty for no entry.
    QString List(int index, bool keepTags = false) const;
    // The host's own value given when the entry was added; 0 for no entry.
    std::int64_t ItemData(int index) const;
    // Number of entries.
    int ListCount() const;
    // The current entry; -1 when none.
    int ListIndex() const { return listIndex_; }

    OleColor Color() const { return color_; }
    // Sets the back colour; entries that had the old colour as BColor take the new one.
    void SetColor(OleColor color);
    // The drawing surface's enabled state.
    bool Enabled() const;
    // Enables or disables the whole control, saving and restoring the entries' Enabled.
    void SetEnabled(bool enabled);
    int FillView() const { return fillView_; }
    // 1 gives the striped background.
    void SetFillView(int fillView);
    // The drawing surface's font.
    QFont Font() const;
    // Replaces the font and recomputes the entry height; no repaint.
    void SetFont(const QFont& font);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool multiSelect);
    bool Paint() const { return paint_; }
    // While false nothing repaints; true repaints at once.
    void SetPaint(bool paint);
    bool Sorted() const { return sorted_; }
    // True sorts at once.
    void SetSorted(bool sorted);
    int Style() const { return style_; }
    // Border: 0 raised, 1 sunken, 2 bump, 3 etched, 4 black frame, other none.
    void SetStyle(int style);
    int SelectStyle() const { return selectStyle_; }
    // 1 ORs the highlight onto the background; other values fill it.
    void SetSelectStyle(int selectStyle);

    // Appends one entry (colours -1: the defaults).
    void AddItem(const QString& sText, int alignment = 0, const QImage& pPicture = {},
                 OleColor transColor = kDefaultColor, bool enabled = true,
                 OleColor fColor = kDefaultColor, OleColor bColor = kDefaultColor,
                 OleColor hColor = kDefaultColor, OleColor hText = kDefaultColor,
                 bool useCheckBox = false, bool useOptionBox = false, int optionGroup = 0,
                 bool useProgressBar = false, int progressBarMax = 100, int progressBarValue = 1,
                 OleColor progressBarProgressColor = kDefaultColor);
    // Appends one entry described by `args`.
    void AddItem(const QString& sText, const UltraBoxAddArgs& args);
    // Appends a check entry.
    void AddItemCheck(const QString& sText, int alignment = 0, bool enabled = true,
                      OleColor fColor = kDefaultColor, OleColor bColor = kDefaultColor,
                      OleColor hColor = kDefaultColor, OleColor hText = kDefaultColor);
    // Appends an option entry of group `optionGroup`.
    void AddItemOption(const QString& sText, int alignment = 0, bool enabled = true,
                       OleColor fColor = kDefaultColor, OleColor bColor = kDefaultColor,
                       OleColor hColor = kDefaultColor, OleColor hText = kDefaultColor,
                       int optionGroup = 0);
    // Appends a progress entry.
    void AddItemProgressBar(const QString& sText, int alignment = 0, bool enabled = true,
                            OleColor fColor = kDefaultColor, OleColor bColor = kDefaultColor,
                            OleColor hColor = kDefaultColor, OleColor hText = kDefaultColor,
                            int progressBarMax = 100, int progressBarValue = 1,
                            OleColor progressBarProgressColor = kDefaultColor);
    // Removes all entries, hides and resets the scroll bars; ListIndex -1.
    void Clear();
    // Changes the entry's kind: 0 option, 1 check, 2 progress, 3 plain; others nothing.
    void MakeItemX(int index, int wch, int optGrp = 0, int lPrgBaMa = 0, OleColor lPrgBaCol = 0);
    // Recomputes the entry height, re-measures every entry, sorts when Sorted, repaints.
    void Refresh();
    // Removes one entry; ListIndex, TopIndex and MaxTextWidth stay as they are.
    void RemoveItem(int index);
    // Sets one entry's Enabled; disabling clears its selection and marks.
    void SetEnabled(int index, bool enabled);
    // Sets a colour of the entry: 0 HColor, 1 FColor, 2 BColor, 3 HText.
    void SetItemColors(int index, int eWhich, OleColor lCol);
    // Replaces the entry's picture and transparent colour.
    void SetItemPicture(int index, const QImage& sPic, OleColor trans = kDefaultColor);
    // Stores the entry text unchanged.
    void SetItemText(int index, const QString& newText);
    // Sets a progress entry's value, lowered to its maximum.
    void SetProgressValue(int index, int newValue);
    // Selects or deselects the entry (and sets its mark unless `justSelect`); it becomes current.
    void SetSelected(int index, bool selected, bool moveSelectionToTop = false,
                     bool justSelect = false);
    // Selects exactly the entries `indices` (all others deselected, marks left alone) in one
    // pass; the first of them becomes current. Without multiple selection only that one.
    void SelectEntries(const std::vector<int>& indices);

    // Which entries Ctrl+A and SelectAll select: the enabled ones `filter` accepts (called with
    // the entry number). Without a filter, every enabled entry.
    using EntryFilter = std::function<bool(int index)>;
    void SetSelectAllFilter(EntryFilter filter);
    // With MultiSelect on, selects exactly the entries of the select-all filter (marks left
    // alone) in one pass; the current entry stays, or the first of them becomes current when
    // there is none. Without MultiSelect, nothing.
    void SelectAll();

    // Reads the design values from `store` (missing ones keep their defaults) and repaints.
    void ReadProperties(PropertyStore& store);
    // Writes the design values to `store`.
    void WriteProperties(PropertyStore& store) const;

    // Paints the whole control into the back buffer; nothing while Paint is false.
    void Redraw();
    // The entry hit at (x, y), twips of the surface; toggles a hit box. 0 for no hit.
    int HitTest(float x, float y);

    // The text row of entry `index` on the surface, in pixels, as the last repaint laid it
    // out; an empty rectangle when the entry is not shown.
    QRect EntryRect(int index) const;
    // Whole rows the surface shows.
    int VisibleRowCount() const;

    // Inspection for hosts and tests.
    const UltraBoxItem* Item(int index) const;
    int TopIndex() const { return topIndex_; }
    int MaxTextWidth() const { return maxTextWidth_; }
    int ItemHeightPx() const { return itemHeightPx_; }
    int ItemHeightTwips() const { return itemHeightTwips_; }
    bool ModifierHeld() const { return modifierHeld_; }
    QWidget* Surface() const;
    QScrollBar* VS() const { return vs_; }
    QScrollBar* HS() const { return hs_; }
    const QImage& BackBuffer() const { return backBuffer_; }

signals:
    void Click();
    void DoubleClick();
    void ItemClicked(int index);
    void ItemChecked(int index);
    void MouseDown(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void VerticalScroll(int value);
    void HorizontalScroll(int value);
    void ItemAdded();
    void Ctrl(int ctrlValue);
    // 12: Backspace was pressed on the list (a host of folders goes to the parent folder).
    void BackRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class UltraBoxSurface;
    friend class UltraBoxAccessible;
    friend class UltraBoxAccessibleChanges;

    UltraBoxItem* Entry(int index);
    const UltraBoxItem* Entry(int index) const;
    void MarkChanged(const char* name);
    void RecomputeMetrics(int lines, int marginPx);
    void MeasureEntry(const UltraBoxItem& item);
    double PlainTextWidthPx(const QString& text);
    void FontChanged();
    void ChooseOption(int index);
    void RepaintIfPainting();
    // The entries changed as a whole (cleared, sorted, one removed): screen readers drop
    // what they knew of them, and hear of it with the next repaint.
    void EntriesReplaced();
    void EntriesAdded();
    // The palette changed: the default colours follow it.
    void PaletteChanged();
    void ResolveDefaultColors();
    // The surface moved to another screen: twips and the buffer follow its dpi and pixel ratio.
    void ScreenChanged();

    // Painting (ultrabox_paint.cpp).
    UltraBoxGeometry::ScrollInputs ScrollState() const;
    UltraBoxGeometry::ScrollBars DecideAndLayoutScrollBars();
    void PaintEntries(class QPainter& painter);
    void PaintEntry(QPainter& painter, int index, int row, int dx, bool vShown);
    void PaintCurrentEntry(QPainter& painter, UltraBoxItem& item, UltraBoxGeometry::Rect text,
                           int dx);
    UltraBoxGeometry::Rect PaintCurrentBackground(QPainter& painter, const UltraBoxItem& item,
                                                  UltraBoxGeometry::Rect text, int dx);
    void PaintOtherEntry(QPainter& painter, UltraBoxItem& item, int index,
                         UltraBoxGeometry::Rect text, int dx);
    struct RowBackground;
    RowBackground PaintRowBackground(QPainter& painter, const UltraBoxItem& item,
                                     UltraBoxGeometry::Rect text);
    void PaintFocusWithoutCurrent(QPainter& painter);
    UltraBoxColors::Backdrop CurrentBackdrop(const UltraBoxItem& item) const;
    UltraBoxColors::Backdrop ClientBackdrop() const;
    UltraBoxColors::Backdrop OrBackdrop(const UltraBoxItem& item) const;
    // The text colours to draw with: the system colour itself where the entry took the default.
    static OleColor TextFColor(const UltraBoxItem& item);
    static OleColor TextHTextColor(const UltraBoxItem& item);
    void DrawText(QPainter& painter, const UltraBoxItem& item, UltraBoxGeometry::Rect rect,
                  OleColor color, const UltraBoxColors::Backdrop& backdrop);
    void DrawMarkupText(QPainter& painter, const UltraBoxItem& item, UltraBoxGeometry::Rect rect,
                        QColor color, QColor resetColor);
    void PaintHighlight(QPainter& painter, UltraBoxGeometry::Rect rect, OleColor color);
    void Fill(QPainter& painter, UltraBoxGeometry::Rect rect, OleColor color);
    void DrawProgress(QPainter& painter, const UltraBoxItem& item, UltraBoxGeometry::Rect rect,
                      bool hasPicture, int dx, const QPalette& edgePalette);
    void DrawEntryPicture(QPainter& painter, UltraBoxItem& item, UltraBoxGeometry::Rect rect,
                          OleColor stripeColor);
    void DrawBox(QPainter& painter, const UltraBoxItem& item, UltraBoxGeometry::Rect box);
    void DrawBorder(QPainter& painter);

    // Input (ultrabox_input.cpp).
    void SurfaceMousePress(class QMouseEvent* event);
    void SurfaceMouseRelease(QMouseEvent* event);
    void SurfaceMouseDoubleClick(QMouseEvent* event);
    void SurfaceMouseMove(QMouseEvent* event);
    void SurfaceKeyRelease(QKeyEvent* event);
    void SurfaceFocusChanged(bool gained);
    void SelectAfterPress(int hit);
    void OnVScroll(int value);
    void OnHScroll(int value);

    // Keyboard and wheel (ultrabox_keys.cpp).
    void SurfaceKeyPress(QKeyEvent* event);
    void SurfaceWheel(class QWheelEvent* event);
    struct KeyOutcome;
    KeyOutcome ApplyKey(const QKeyEvent& event);
    bool NoteModifierPress();
    bool MoveByKey(int key, Qt::KeyboardModifiers modifiers);
    void SelectByKey(int old, int target);
    void ExtendSelectionTo(int target, bool keepOthers);
    void ScrollForKey(int key, int old, int target);
    void EnsureVisible(int index);
    bool ToggleByKey();

    std::vector<UltraBoxItem> items_;  // slot 0 is a blank record
    int listIndex_ = -1;
    int topIndex_ = 1;
    int maxTextWidth_ = 0;  // twips, only grows until Clear
    int itemHeightTwips_ = 0;
    int itemHeightPx_ = 0;
    double twipsPerPixel_ = UltraBoxGeometry::kTwipsPerPixel;  // of the surface's screen
    bool modifierHeld_ = false;
    OleColor foreColorDefault_ = 0;
    OleColor hTextDefault_ = 0;
    QImage backPicture_;
    int vScrollWidth_ = 0;
    int hScrollHeight_ = 0;
    OleColor color_ = 0xFFFFFF;
    int fillView_ = 0;
    bool multiSelect_ = false;
    bool paint_ = true;
    bool sorted_ = false;
    int style_ = 0;
    int selectStyle_ = 0;
    QFont measureFont_;  // the control's own font, used to measure marked-up texts
    OleColor hColorDefault_ = 0;
    // Advances of the Latin-1 characters in the surface's font; 0 until measured.
    std::array<double, 256> advances_{};
    PropertyStore* store_ = nullptr;
    UltraBoxSurface* picMain_ = nullptr;
    QScrollBar* vs_ = nullptr;
    QScrollBar* hs_ = nullptr;
    QImage backBuffer_;
    bool stripeWhite_ = true;  // next stripe colour of the current repaint
    QFont drawFont_;           // the surface's font as the current repaint has left it
    bool inDoubleClick_ = false;
    int anchor_ = -1;   // where Shift with the arrow keys extends the selection from
    QPoint wheelRest_;  // wheel turns short of a whole notch
    EntryFilter selectAllFilter_;
    std::unique_ptr<UltraBoxAccessibleEntries> accessibleEntries_;
    int accessibleChangeDepth_ = 0;  // nested UltraBoxAccessibleChanges
    bool entriesChanged_ = false;    // screen readers are yet to hear of new entries
};
